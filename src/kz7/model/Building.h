#pragma once
// The building record.
#include <cstdint>
#include <string>

namespace kz7 {

class EngineState;

class Building {
public:
    explicit Building(EngineState& state) : state_(state) {}
    void Read() {}

private:
    [[maybe_unused]] EngineState& state_;
};

}  // namespace kz7
