#pragma once
// The zone and plant result stores.
#include <cstdint>
#include <string>

namespace kz7 {

class EngineState;

class ResultStores {
public:
    explicit ResultStores(EngineState& state) : state_(state) {}
    void ZoneControl(int32_t /*code*/) {}
    void PlantControl(int32_t /*code*/) {}
    void ZoneInterval(bool /*warmUp*/, int32_t /*interval*/) {}
    void PlantInterval(bool /*warmUp*/, int32_t /*interval*/) {}
    void SetIntervalWeight(int32_t /*interval*/, float /*weight*/) {}
    // The step's zone and plant values into the open handles (not on warm-up days).
    void RecordZoneStep() {}
    void RecordPlantStep() {}

private:
    [[maybe_unused]] EngineState& state_;
};

}  // namespace kz7
