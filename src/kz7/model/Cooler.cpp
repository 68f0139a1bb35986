#include "kz7/model/Cooler.h"

#include "kz7/engine/EngineState.h"
#include "kz7/model/ProfileGroup.h"
#include "kz7/model/Zone.h"
#include "kz7/thermal/Plant.h"

namespace kz7 {

void Cooler::Read() {
    LineReader& reader = state_.reader;
    const std::string owner = "cooler of zone " + SensorZone->Key;
    reader.NextLine();
    Definition =
        state_.plant->coolerDefinitions.Reference(reader.NextString(), "cooler definition", owner);
    reader.NextString();  // not used
    OperationPG = state_.profileGroups->Item(reader.NextString());
    SupplyChiller = state_.plant->chillers.Reference(reader.NextString(), "chiller", owner);
    reader.NextLine();
    if (reader.AtEnd()) state_.ShowError("The " + owner + " is cut off by the end of the file");
}

}  // namespace kz7
