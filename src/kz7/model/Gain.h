#pragma once
// Internal gains of a zone: people, lighting, equipment and the like.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace kz7 {

class EngineState;
class ProfileGroup;
class Zone;

// Aligned to a cache line, so that what a step reads and writes of the gain
// (first in the class) takes that one line.
class alignas(64) Gain {
  public:
    Gain(EngineState& state, Zone& zone) : MyZone(&zone), state_(state) {}

    // Reads the gain from the current line (its first field is the code).
    void Read();
    // Adds this step's convective, radiant and moisture gains to the zone.
    void Sim();

    ProfileGroup* PG = nullptr;    // percent of the maximum
    Zone* MyZone;                  // the owning zone
    float MaxSensible = 0.0f;      // W
    float MaxLatent = 0.0f;        // W
    float RF = 0.0f;               // radiant fraction of the sensible part
    int32_t FuelCode = -1;         // negative: no metered energy
    float FuelConsumption = 0.0f;  // W at 100 %
    int32_t HBGNCODE = 0;          // output route of the gain; 0 when it has none

    // The last step's sensible and latent output and energy use, kW (what
    // the zone's results report; 0 in heat-loss runs).
    float SensibleKW = 0.0f;
    float LatentKW = 0.0f;
    float EnergyKW = 0.0f;

  private:
    void BookEnergy(float kW);

    EngineState& state_;

  public:
    std::string Code;  // "PE" marks occupancy
};

class Gains {
  public:
    Gains(EngineState& state, Zone& zone) : state_(state), zone_(zone) {}

    // Gain records until a line whose first field is "}".
    void Read();
    void Sim();
    ProfileGroup* GetOccupancyProfileGroup() const;

    int32_t Count() const { return static_cast<int32_t>(items_.size()); }
    Gain& Item(int32_t position) const { return *items_.at(static_cast<size_t>(position - 1)); }
    void Clear() { items_.clear(); }
    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }

  private:
    EngineState& state_;
    Zone& zone_;
    std::vector<std::unique_ptr<Gain>> items_;
};

}  // namespace kz7
