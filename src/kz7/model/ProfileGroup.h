#pragma once
// Profiles grouped by day type.
#include <cstdint>
#include <string>

namespace kz7 {

class EngineState;

class ProfileGroups {
public:
    explicit ProfileGroups(EngineState& state) : state_(state) {}
    void Read() {}
    void Clear() {}

private:
    [[maybe_unused]] EngineState& state_;
};

}  // namespace kz7
