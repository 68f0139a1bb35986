#include "kz7/model/CoolerDefinition.h"

#include "kz7/engine/EngineState.h"

namespace kz7 {

void CoolerDefinition::Read() {
    LineReader& reader = state_.reader;
    Key = reader.NextString();
    reader.NextLine();
    CoolerType = reader.NextInteger();
    MaxHeat = reader.NextSingle() * 1000.0f;
    RadiantFraction = reader.NextSingle();
    reader.NextLine();
    if (reader.AtEnd())
        state_.ShowError("Cooler definition " + Key + " is cut off by the end of the file");
}

}  // namespace kz7
