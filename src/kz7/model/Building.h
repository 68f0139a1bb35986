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

class Building {
  public:
    explicit Building(EngineState& state);
    ~Building();

    // "Building": line 2 holds the key (first field), then the closing line.
    void Read();

    std::string Key;

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
