#pragma once
// Costs of shading devices.
#include <cstdint>
#include <string>

namespace kz7 {

class EngineState;

class ShadingCosts {
public:
    explicit ShadingCosts(EngineState& state) : state_(state) {}
    void Read() {}

private:
    [[maybe_unused]] EngineState& state_;
};

}  // namespace kz7
