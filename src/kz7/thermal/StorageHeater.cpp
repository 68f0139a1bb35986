// The storage heater's core: its conductance to the room.
#include "kz7/model/Heater.h"
#include "kz7/model/HeaterDefinition.h"

namespace kz7 {

float Heater::UA() const {
    if (Definition == nullptr || !Definition->HasUsableCore()) return 0.0f;
    return Definition->MaxHeat * BoostSetting / Definition->CoreSetPointTemperature;
}

}  // namespace kz7
