#include "kz7/model/Building.h"

#include <cmath>

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
    for (double* rate : {&Costs.StructureCostPerArea, &Costs.HVACCostPerArea,
                         &Costs.LightingCostPerArea, &Costs.SubStructureCostPerArea}) {
        *rate = reader.NextDouble();
        if (!(std::isfinite(*rate) && *rate >= 0.0)) {
            state_.ShowError("Building " + Key + " has an invalid cost rate; 0 is used");
            *rate = 0.0;
        }
    }
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
