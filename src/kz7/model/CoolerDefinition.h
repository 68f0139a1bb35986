#pragma once
// Cooling emitter types.
#include <cstdint>
#include <string>

#include "kz7/model/RecordCollection.h"

namespace kz7 {

class EngineState;

class CoolerDefinition {
  public:
    explicit CoolerDefinition(EngineState& state) : state_(state) {}
    void Read();
    // Reports, before a run, values with which the emitter cannot give sound
    // results (thermal/EmitterDefinitionChecks.cpp).
    void CheckForRun() const;

    std::string Key;
    std::string Description;
    int16_t CoolerType = 0;
    float MaxHeat = 0.0f;  // W (the record gives kW)
    float RadiantFraction = 0.0f;

  private:
    EngineState& state_;
};

using CoolerDefinitions = RecordCollection<CoolerDefinition>;

}  // namespace kz7
