#pragma once
// The engine object: reads the model and drives the run modes.
#include <cstdint>
#include <string>

namespace kz7 {

class EngineState;

class SimKZ7 {
public:
    explicit SimKZ7(EngineState& state) : state_(state) {}

    std::string OutputDbName;
    std::string AnnualScenarioTableName;
    int16_t RecalKode = 0;
    std::string Description;
    std::string DataFileName;
    bool Cancelled = false;

private:
    [[maybe_unused]] EngineState& state_;
};

}  // namespace kz7
