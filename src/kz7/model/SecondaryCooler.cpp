#include "kz7/model/SecondaryCooler.h"

#include "kz7/engine/EngineState.h"
#include "kz7/model/ProfileGroup.h"
#include "kz7/thermal/Plant.h"

namespace kz7 {

void SecondaryCooler::Read() {
    LineReader& reader = state_.reader;
    const std::string owner = "secondary cooler";
    reader.NextLine();
    Definition =
        state_.plant->coolerDefinitions.Reference(reader.NextString(), "cooler definition", owner);
    ToaMin = reader.NextSingle();
    ToaMax = reader.NextSingle();
    PartLoadAtToaMax = reader.NextSingle();
    OperationPG = state_.profileGroups->Item(reader.NextString());
    SupplyChiller = state_.plant->chillers.Reference(reader.NextString(), "chiller", owner);
    reader.NextLine();
    if (reader.AtEnd()) state_.ShowError("A secondary cooler is cut off by the end of the file");
}

}  // namespace kz7
