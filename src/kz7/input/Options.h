#pragma once
// The option records of a model: simulation options (time step, period,
// initial temperature) and the default zone and plant output selections.
#include <cstdint>

#include "kz7/engine/ProcessSettings.h"

namespace kz7 {

class EngineState;

class Options {
  public:
    explicit Options(EngineState& state) : state_(state) {}

    // "SimulationOptions": time step, start day and month, end day and month,
    // initial temperature, emitter-control value, result-store value.
    void Read();
    // "DefaultZoneOutputOptions": output detail code and ten zone output groups.
    void ReadDefaultZoneOutputOptions();
    // "PlantOutputOptions": three plant output groups.
    void ReadPlantOutputOptions();

  private:
    // Next line as one output group's four interval flags, with the host's
    // output flags forcing their intervals on.
    OutputSelection ReadOutputSelection();
    void SetTimeStep(int32_t minutes);
    void SetPeriod(int32_t startDay, int32_t startMonth, int32_t endDay, int32_t endMonth);
    // `value` when finite; otherwise a message and `current`.
    float FiniteOr(float value, float current, const char* what);

    EngineState& state_;
};

// True for the step lengths that fill an hour exactly: the divisors of 60.
bool IsWholeDivisorOfHour(int32_t minutes);

}  // namespace kz7
