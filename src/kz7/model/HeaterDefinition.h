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
    // Reports, before a run, values with which the emitter cannot give sound
    // results (thermal/EmitterDefinitionChecks.cpp).
    void CheckForRun() const;
    // Whether a storage heater's core can hold and release heat: a positive
    // thermal capacity and core set point.
    bool HasUsableCore() const { return ThermalCapacity > 0.0f && CoreSetPointTemperature > 0.0f; }

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
