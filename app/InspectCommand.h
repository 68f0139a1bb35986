#pragma once
// The model as `kz7 inspect` shows it, for other hosts (the Python package).
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace kz7 {
class EngineState;
class SimulateX;
}  // namespace kz7

namespace kz7::app {

class HostShading;

// Reads `model` through `control` and checks the zones' references; the
// problems found in the records go to `messages`, the model's shading (or
// null) to `shading` when given. Returns the reason the model could not be
// read (LoadModel), empty when it was.
std::string LoadForInspection(SimulateX& control, const std::string& model,
                              const std::string& support, std::vector<std::string>& messages,
                              std::shared_ptr<const HostShading>* shading = nullptr);

// The model as read, with its derived values, its shading planes and
// `messages`: what `kz7 inspect --json` prints.
nlohmann::ordered_json ModelJson(const EngineState& state, const std::string& path,
                                 const std::vector<std::string>& messages,
                                 const HostShading* shading);

}  // namespace kz7::app
