#pragma once
// The model as `kz7 inspect` shows it, for other hosts (the Python package).
#include <nlohmann/json.hpp>
#include <string>

namespace kz7 {
class EngineState;
}  // namespace kz7

namespace kz7::app {

class HostShading;
class ModelMessages;

// The model as read (CheckModel reads it as `kz7 inspect` does), with its
// derived values, its shading planes and `messages` with their counts: what
// `kz7 inspect --json` prints.
nlohmann::ordered_json ModelJson(const EngineState& state, const std::string& path,
                                 const ModelMessages& messages, const HostShading* shading);

}  // namespace kz7::app
