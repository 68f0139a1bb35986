#include "kz7/model/Building.h"

#include "kz7/engine/EngineState.h"
#include "kz7/model/Zone.h"
#include "kz7/thermal/Plant.h"

namespace kz7 {

Building::Building(EngineState& state) : state_(state), plant_(std::make_unique<Plant>(state)) {}

Building::~Building() = default;

void Building::Read() {
    LineReader& reader = state_.reader;
    reader.NextLine();
    Key = reader.NextString();
    reader.NextLine();  // closing line
}

Zones& Building::BuildingZones() {
    if (!zones_) zones_ = std::make_unique<Zones>(state_);
    return *zones_;
}

float Building::TotalFloorArea() {
    return BuildingZones().FloorArea();
}

float Building::OccupiedFloorArea() {
    float area = 0.0f;
    float volume = 0.0f;
    BuildingZones().GTOTFA(area, volume);
    return area;
}

float Building::Volume() {
    float volume = 0.0f;
    for (const Zone& zone : BuildingZones()) volume += zone.Volume;
    return volume;
}

}  // namespace kz7
