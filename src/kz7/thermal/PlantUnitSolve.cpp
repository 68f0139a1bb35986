// The step calculation of boilers and chillers: from the load the zones and
// hot water booked to fuel, output and auxiliary electricity.
#include <algorithm>
#include <cmath>
#include <string>

#include "kz7/engine/EngineState.h"
#include "kz7/model/Boiler.h"
#include "kz7/model/Chiller.h"
#include "kz7/model/ProfileGroup.h"
#include "kz7/output/EnergySlots.h"
#include "kz7/platform/NumberText.h"
#include "kz7/thermal/EnergyBooking.h"
#include "kz7/thermal/PartLoad.h"
#include "kz7/thermal/Plant.h"

namespace kz7 {

namespace {
constexpr float kTimerOn = 50.0f;
// Below this the load counts as none and carries no standing loss, kW.
constexpr float kNoLoad = 0.0001f;
}  // namespace

bool PlantUnit::Available() const {
    return Timer != nullptr && Timer->GRPVAL() >= kTimerOn;
}

void PlantUnit::SolveStep(int32_t ownFuelSlot, int32_t outputSlot) {
    if (!Available()) return;
    BuildingEnergyStore& store = state_.energy;
    // A capacity of zero or less delivers nothing (CheckForRun has said so).
    const float capacity = std::max(Capacity, 0.0f);
    float load = SMPHTACUM * (1.0f + DistributionLoss);
    if (std::fabs(load) >= kNoLoad) load += StandingLoss * capacity;
    load = std::min(load, capacity);

    const float partLoad = PartLoadFactor(PartLoadCurve, load, capacity);
    // Without a positive conversion efficiency no fuel figure is sound; the
    // unit was reported before the run and books no fuel.
    if (ConversionEfficiency > 0.0f) {
        const float fuel = std::fabs(load) / (partLoad * ConversionEfficiency);
        if (fuel > 0.0f) {
            store.Add(ownFuelSlot, fuel);
            BookFuel(store, SMPFuel + 1, fuel);
        }
    }
    store.Add(outputSlot, std::fabs(load));

    // The auxiliary curve runs on the ratio of the load to the rated
    // auxiliary power; it is booked whenever the unit runs, also at no load.
    const float auxiliary = PartLoadFactor(AuxiliaryCurve, load, AuxiliaryPower) * AuxiliaryPower;
    BookAuxiliaryElectricity(store, auxiliary);
}

void PlantUnit::CheckForRun() const {
    const std::string name = std::string(Kind()) + " " + Key;
    if (!(Capacity > 0.0f))
        state_.ShowError(name + " has a capacity of " + NumberToText(Capacity) +
                         " kW and delivers nothing");
    if (!(ConversionEfficiency > 0.0f))
        state_.ShowError(name + " has a conversion loss of 100 % or more; its fuel is not booked");
    if (SMPFuel < 0 || SMPFuel >= EnergySlot::kFuelCount)
        state_.ShowError(name + " has fuel code " + std::to_string(SMPFuel) +
                         " (0 to 5); its fuel counts under no fuel and no carbon");
}

void Boiler::Solve() {
    SolveAt(state_.plant->boilers.Index(this));
}

void Boiler::SolveAt(int32_t position) {
    SolveStep(EnergySlot::BoilerFuel(position), EnergySlot::kBoilerOutput);
}

void Chiller::Solve() {
    SolveAt(state_.plant->chillers.Index(this));
}

void Chiller::SolveAt(int32_t position) {
    SolveStep(EnergySlot::ChillerFuel(position, state_.plant->boilers.Count()),
              EnergySlot::kChillerOutput);
}

}  // namespace kz7
