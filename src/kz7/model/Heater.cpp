#include "kz7/model/Heater.h"

#include "kz7/engine/EngineState.h"
#include "kz7/model/ProfileGroup.h"
#include "kz7/model/Zone.h"
#include "kz7/thermal/Plant.h"

namespace kz7 {

void Heater::Read() {
    LineReader& reader = state_.reader;
    const std::string owner = "heater of zone " + SensorZone->Key;
    reader.NextLine();
    Definition =
        state_.plant->heaterDefinitions.Reference(reader.NextString(), "heater definition", owner);
    reader.NextString();  // not used
    OperationPG = state_.profileGroups->Item(reader.NextString());
    SupplyBoiler = state_.plant->boilers.Reference(reader.NextString(), "boiler", owner);
    if (Definition != nullptr && Definition->HeaterType == HeaterDefinition::kStorage) {
        ChargeMinToa = reader.NextSingle();
        ChargeMaxToa = reader.NextSingle();
        BoostMinTin = reader.NextSingle();
        BoostMaxTin = reader.NextSingle();
    }
    reader.NextLine();
    if (reader.AtEnd()) state_.ShowError("The " + owner + " is cut off by the end of the file");
}

void Heater::InitSimulation() {
    CoreTemperature = state_.clock.initialTemperature;
}

}  // namespace kz7
