#pragma once
// The model as `kz7 inspect` shows it, for other hosts (the Python package).
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace kz7 {
class EngineState;
class SimulateX;
}  // namespace kz7

namespace kz7::app {

// Reads `model` through `control` and checks the zones' references; the
// problems found in the records go to `messages`. Returns the reason the
// model could not be read (LoadModel), empty when it was.
std::string LoadForInspection(SimulateX& control, const std::string& model,
                              const std::string& support, std::vector<std::string>& messages);

// The model as read, with its derived values and `messages`: what
// `kz7 inspect --json` prints.
nlohmann::ordered_json ModelJson(const EngineState& state, const std::string& path,
                                 const std::vector<std::string>& messages);

}  // namespace kz7::app
