#include "kz7/model/HeaterDefinition.h"

#include "kz7/engine/EngineState.h"

namespace kz7 {

void HeaterDefinition::Read() {
    LineReader& reader = state_.reader;
    Key = reader.NextString();
    reader.NextLine();
    HeaterType = reader.NextInteger();
    MaxHeat = reader.NextSingle();
    RadiantFraction = reader.NextSingle();
    if (HeaterType == kStorage) {
        MaxChargeRate = reader.NextSingle();
        ThermalCapacity = reader.NextSingle();
        ChargeTurnDownRatio = reader.NextSingle();
        BoostTurnDownRatio = reader.NextSingle();
        CoreSetPointTemperature = reader.NextSingle();
    }
    reader.NextLine();
    if (reader.AtEnd())
        state_.ShowError("Heater definition " + Key + " is cut off by the end of the file");
}

}  // namespace kz7
