#include "kz7/model/SecondaryHeater.h"

#include "kz7/engine/EngineState.h"
#include "kz7/model/ProfileGroup.h"
#include "kz7/thermal/Plant.h"

namespace kz7 {

void SecondaryHeater::Read() {
    LineReader& reader = state_.reader;
    const std::string owner = "secondary heater";
    reader.NextLine();
    Definition =
        state_.plant->heaterDefinitions.Reference(reader.NextString(), "heater definition", owner);
    ToaMin = reader.NextSingle();
    ToaMax = reader.NextSingle();
    PartLoadAtToaMax = reader.NextSingle();
    OperationPG = state_.profileGroups->Item(reader.NextString());
    SupplyBoiler = state_.plant->boilers.Reference(reader.NextString(), "boiler", owner);
    reader.NextLine();
    if (reader.AtEnd()) state_.ShowError("A secondary heater is cut off by the end of the file");
}

}  // namespace kz7
