#include "kz7/model/DHW.h"

#include "kz7/engine/EngineState.h"
#include "kz7/model/ProfileGroup.h"
#include "kz7/thermal/Plant.h"

namespace kz7 {

void DHW::Read() {
    LineReader& reader = state_.reader;
    reader.NextLine();
    ANCMXHT = reader.NextSingle();
    ANCPC = state_.profileGroups->Item(reader.NextString());
    SupplyBoiler = state_.plant->boilers.Reference(reader.NextString(), "boiler", "hot water");
    reader.NextLine();
    if (reader.AtEnd()) state_.ShowError("DHW is cut off by the end of the file");
}

void DHW::Clear() {
    ANCMXHT = 0.0f;
    ANCPC = nullptr;
    SupplyBoiler = nullptr;
}

}  // namespace kz7
