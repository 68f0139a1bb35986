#pragma once
// Schedules of values over the day.
#include <cstdint>
#include <string>

namespace kz7 {

class EngineState;

class Profiles {
public:
    explicit Profiles(EngineState& state) : state_(state) {}
    void Read() {}
    void Clear() {}

private:
    [[maybe_unused]] EngineState& state_;
};

}  // namespace kz7
