// The storage heater's core: charged from its boiler at night, releasing heat
// to the room through a conductance that the boost setting opens.
#include <algorithm>

#include "kz7/model/Boiler.h"
#include "kz7/model/Heater.h"
#include "kz7/model/HeaterDefinition.h"
#include "kz7/model/ProfileGroup.h"
#include "kz7/thermal/StraightLine.h"

namespace kz7 {

namespace {
constexpr float kScheduleOn = 50.0f;  // timers and charge schedules need more than this

float ScheduleValue(const ProfileGroup* group) {
    return group != nullptr ? group->GRPVAL() : 0.0f;
}

// A setting between its turn-down ratio and 1: raised to the ratio first,
// then lowered to 1.
float ClampSetting(float value, float turnDown) {
    if (value < turnDown) value = turnDown;
    return value > 1.0f ? 1.0f : value;
}
}  // namespace

float Heater::UA() const {
    if (Definition == nullptr || !Definition->HasUsableCore()) return 0.0f;
    return Definition->MaxHeat * BoostSetting / Definition->CoreSetPointTemperature;
}

float Heater::ReleaseStoredHeat(float roomTemperature, float outdoorTemperature,
                                double stepSeconds) {
    // A core without capacity or set point holds nothing (reported before the run).
    if (Definition == nullptr || !Definition->HasUsableCore()) return 0.0f;
    const HeaterDefinition& d = *Definition;

    BoostSetting =
        ClampSetting(static_cast<float>(StraightLine(BoostMinTin, 1.0, d.CoreSetPointTemperature,
                                                     d.BoostTurnDownRatio, CoreTemperature)),
                     d.BoostTurnDownRatio);
    const float release = UA() * (CoreTemperature - roomTemperature);

    ChargeSetting =
        ClampSetting(static_cast<float>(StraightLine(ChargeMinToa, 1.0, ChargeMaxToa,
                                                     d.ChargeTurnDownRatio, outdoorTemperature)),
                     d.ChargeTurnDownRatio);
    const bool charging = SupplyBoiler != nullptr &&
                          ScheduleValue(SupplyBoiler->Timer) > kScheduleOn &&
                          ScheduleValue(OperationPG) > kScheduleOn &&
                          CoreTemperature < ChargeSetting * d.CoreSetPointTemperature;
    const float charge = charging ? d.MaxChargeRate : 0.0f;
    if (charging) SupplyBoiler->SMPHTACUM += charge * 0.001f;

    CoreTemperature += static_cast<float>((charge - release) * stepSeconds / d.ThermalCapacity);
    return release;
}

}  // namespace kz7
