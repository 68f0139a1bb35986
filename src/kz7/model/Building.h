#pragma once
// The building record: the building's key, with a plant of its own and a
// zone set created on first use whose totals are the building's.
#include <cstdint>
#include <memory>
#include <string>

namespace kz7 {

class EngineState;
class Plant;
class Zones;

// Building-wide cost rates, GBP per m² of floor area (the sub-structure rate
// per m² of ground floor). Optional fields after the building's key.
struct BuildingCosts {
    double StructureCostPerArea = 0.0;
    double HVACCostPerArea = 0.0;
    double LightingCostPerArea = 0.0;
    double SubStructureCostPerArea = 0.0;
};

class Building {
  public:
    explicit Building(EngineState& state);
    ~Building();

    // "Building": line 2 holds the key (first field) and the optional cost
    // rates, then the closing line.
    void Read();

    std::string Key;
    BuildingCosts Costs;

    Plant& BuildingPlant() { return *plant_; }
    // The building's own zone set, created on first use.
    Zones& BuildingZones();

    float TotalFloorArea();
    // Floor area of the zones tall enough to occupy (see Zones::GTOTFA).
    float OccupiedFloorArea();
    float Volume();

  private:
    EngineState& state_;
    std::unique_ptr<Plant> plant_;
    std::unique_ptr<Zones> zones_;
};

}  // namespace kz7
