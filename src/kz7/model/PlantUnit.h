#pragma once
// What boilers and chillers share: the record layout and the booking of the
// step's load.
#include <cstdint>
#include <string>

namespace kz7 {

class EngineState;
class Profile;
class ProfileGroup;

class PlantUnit {
  public:
    explicit PlantUnit(EngineState& state) : state_(state) {}
    virtual ~PlantUnit() = default;

    // Reads the record from the keyword line onward.
    void Read();
    void InitTimeStep() { SMPHTACUM = 0.0f; }
    // Whether the timer lets the unit run this step (50 or more).
    bool Available() const;
    // Reports, before a run, values with which the unit cannot give sound
    // results (thermal/PlantUnitSolve.cpp).
    void CheckForRun() const;

    std::string Key;
    std::string Description;
    float SMPHTACUM = 0.0f;  // load booked in the current step, kW
    int16_t SMPFuel = 0;     // fuel code 0..5
    ProfileGroup* Timer = nullptr;

    float Capacity = 0.0f;  // kW
    Profile* PartLoadCurve = nullptr;
    float AuxiliaryPower = 0.0f;
    Profile* AuxiliaryCurve = nullptr;
    float DistributionLoss = 0.0f;  // fraction
    float UnusedLoss = 0.0f;        // fraction; read and kept, used by no calculation
    float StandingLoss = 0.0f;      // fraction of capacity
    float ConversionEfficiency = 0.0f;  // fraction; the record gives the conversion loss, %

  protected:
    // The step's plant calculation: the booked load with its losses, limited to
    // the capacity, into fuel (own slot and fuel index), output and auxiliary
    // electricity.
    void SolveStep(int32_t ownFuelSlot, int32_t outputSlot);

    // The unit of the auxiliary power field differs between boilers and chillers.
    virtual float AuxiliaryPowerFromRecord(float value) const = 0;
    virtual const char* Kind() const = 0;

    EngineState& state_;
};

}  // namespace kz7
