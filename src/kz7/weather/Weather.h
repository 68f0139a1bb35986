#pragma once
// The weather source: the outdoor state of every time step.
#include <cstdint>
#include <string>

namespace kz7 {

class EngineState;

class Weather {
public:
    explicit Weather(EngineState& state) : state_(state) {}
    void ReadHeatLoss() {}
    void ReadHeatGain() {}
    void ReadSimulation() {}

private:
    [[maybe_unused]] EngineState& state_;
};

}  // namespace kz7
