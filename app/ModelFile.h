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

// The support folder a command uses: `given` (--support) when there is one;
// else the folder named by the environment variable KZ7_SUPPORT; else the
// folder installed beside the program (<prefix>/share/kz7/support beside
// <prefix>/bin/kz7) when it exists; else none (empty).
std::string SupportFolder(const std::string& given);

// The first two reasons of LoadModel, checked without reading: empty when the
// model file and the support folder are there.
std::string MissingModelOrSupport(const std::string& model, const std::string& support);

// Reads `model` through `control` with SupportFolder(`support`) as its
// support folder. The engine's messages and errors go where the caller has
// connected `control.MessageChange` and `state.errorHandler`. Returns an
// empty text when the model was read, else a one-line reason naming the file:
// "<model>: model file not found", "<support>: support folder not found"
// (followed by " (named by KZ7_SUPPORT)" when the variable named it) or
// "<model>: the model could not be read: <the engine's last word>".
//
// The model's shading records are read too: when it has any, `control`
// answers the engine's shading events from them and shading is on (their
// problems reach `state.errorHandler`); without any, shading is off. The
// shading, or null, goes to `shading` when given.
std::string LoadModel(SimulateX& control, const std::string& model, const std::string& support,
                      std::shared_ptr<const HostShading>* shading = nullptr);

// Reads the model records of the document open in `state.reader` with the
// engine's document reader (tests read model texts this way).
void ReadModelRecords(EngineState& state);

}  // namespace kz7::app
