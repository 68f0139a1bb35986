// Run-time checks of emitter definitions: values the reader accepts but with
// which the emitter control could not give a sound result.
#include <string>

#include "kz7/engine/EngineState.h"
#include "kz7/model/CoolerDefinition.h"
#include "kz7/model/HeaterDefinition.h"
#include "kz7/platform/NumberText.h"
#include "kz7/thermal/RadiantFraction.h"

namespace kz7 {

namespace {
void CheckRadiantFraction(EngineState& state, const std::string& name, float r) {
    if (!RadiantFractionInRange(r))
        state.ShowError(name + " has a radiant fraction of " + NumberToText(r) +
                        "; it is used as " + NumberToText(UsableRadiantFraction(r)));
}
}  // namespace

void HeaterDefinition::CheckForRun() const {
    const std::string name = "Heater definition " + Key;
    CheckRadiantFraction(state_, name, RadiantFraction);
    if (HeaterType != kOrdinary && HeaterType != kStorage)
        state_.ShowError(name + " has heater type " + std::to_string(HeaterType) +
                         " (0 or 1) and gives no heat");
    if (HeaterType == kStorage && !HasUsableCore())
        state_.ShowError(name +
                         " is a storage heater without a positive thermal capacity and core "
                         "set point; it neither charges nor releases heat");
}

void CoolerDefinition::CheckForRun() const {
    CheckRadiantFraction(state_, "Cooler definition " + Key, RadiantFraction);
}

}  // namespace kz7
