#pragma once
// Reading a model as the host does, for every command that reads one: through
// the control, which clears the engine, reads the support folder's Dbs.KZ7
// when there is one, then the model document.
#include <memory>
#include <string>

namespace kz7 {
class EngineState;
class SimulateX;
}  // namespace kz7

namespace kz7::app {

class HostShading;

// Reads `model` through `control` with `support` as its support folder (none
// when empty). The engine's messages and errors go where the caller has
// connected `control.MessageChange` and `state.errorHandler`. Returns an
// empty text when the model was read, else a one-line reason naming the file:
// "<model>: model file not found", "<support>: support folder not found" or
// "<model>: the model could not be read: <the engine's last word>".
//
// The model's shading records are read too: when it has any, `control`
// answers the engine's shading events from them and shading is on (their
// problems reach `state.errorHandler`); without any, shading is off. The
// shading, or null, goes to `shading` when given.
std::string LoadModel(SimulateX& control, const std::string& model, const std::string& support,
                      std::shared_ptr<const HostShading>* shading = nullptr);

// The weather file a simulation of the model read into `state` will open:
// the EPW file the model names (searched as the engine does) or the reduced
// tape in the support folder.
std::string WeatherFileOf(const EngineState& state);

// Reads the model records of the document open in `state.reader` with the
// engine's document reader (tests read model texts this way).
void ReadModelRecords(EngineState& state);

}  // namespace kz7::app
