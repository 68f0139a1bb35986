#pragma once
// Heating emitter types: ordinary emitters and storage heaters.
#include <cstdint>
#include <string>

#include "kz7/model/RecordCollection.h"

namespace kz7 {

class EngineState;

class HeaterDefinition {
  public:
    static constexpr int16_t kOrdinary = 0;
    static constexpr int16_t kStorage = 1;

    explicit HeaterDefinition(EngineState& state) : state_(state) {}
    void Read();

    std::string Key;
    std::string Description;
    int16_t HeaterType = kOrdinary;
    float MaxHeat = 0.0f;          // W
    float RadiantFraction = 0.0f;  // 0..1
    // Storage heaters only.
    float MaxChargeRate = 0.0f;            // W
    float ThermalCapacity = 0.0f;          // J/K
    float ChargeTurnDownRatio = 0.0f;      // 0..1
    float BoostTurnDownRatio = 0.0f;       // 0..1
    float CoreSetPointTemperature = 0.0f;  // °C

  private:
    EngineState& state_;
};

using HeaterDefinitions = RecordCollection<HeaterDefinition>;

}  // namespace kz7
