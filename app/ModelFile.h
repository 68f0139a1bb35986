#pragma once
// Reading a model as the host does: the default database of the support
// folder first, then the model document.
#include <string>

namespace kz7 {
class EngineState;
}

namespace kz7::app {

// Reads the model records of the document open in `state.reader` with the
// engine's document reader.
void ReadModelRecords(EngineState& state);

// Reads `<supportDir>/Dbs.KZ7` when `supportDir` is not empty, then `modelPath`.
// False with `error` set when a file cannot be opened.
bool LoadModel(EngineState& state, const std::string& supportDir, const std::string& modelPath,
               std::string& error);

}  // namespace kz7::app
