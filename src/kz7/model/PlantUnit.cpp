#include "kz7/model/PlantUnit.h"

#include "kz7/engine/EngineState.h"
#include "kz7/model/Profile.h"
#include "kz7/model/ProfileGroup.h"

namespace kz7 {

void PlantUnit::Read() {
    LineReader& reader = state_.reader;
    Key = reader.NextString();
    reader.NextLine();
    Timer = state_.profileGroups->Item(reader.NextString());
    SMPFuel = reader.NextInteger();
    Capacity = reader.NextSingle();
    PartLoadCurve = state_.profiles->Item(reader.NextString());
    AuxiliaryPower = AuxiliaryPowerFromRecord(reader.NextSingle());
    AuxiliaryCurve = state_.profiles->Item(reader.NextString());
    DistributionLoss = reader.NextSingle() / 100.0f;
    UnusedLoss = reader.NextSingle() / 100.0f;
    StandingLoss = reader.NextSingle() / 100.0f;
    ConversionEfficiency = 1.0f - reader.NextSingle() / 100.0f;
    reader.NextLine();
    if (reader.AtEnd())
        state_.ShowError(std::string(Kind()) + " " + Key + " is cut off by the end of the file");
}

}  // namespace kz7
