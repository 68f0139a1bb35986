#pragma once
// Areas and costs of the renewable systems of the building.
#include <cstdint>
#include <string>
#include <vector>

namespace kz7 {

class EngineState;

struct RenewablesCostItem {
    std::string Kind;  // "PV", "SolarCollector", "WindGenerator", "CHP" or another label
    std::string Name;
    double Area = 0.0;         // m² (0 for systems not sized by area)
    double CostPerArea = 0.0;  // per m²
    double FixedCost = 0.0;    // per system
    double Cost() const { return Area * CostPerArea + FixedCost; }
};

class RenewablesCosts {
  public:
    explicit RenewablesCosts(EngineState& state) : state_(state) {}

    // One item per line until a line whose first field is "}".
    void Read();
    void Clear() { Items.clear(); }
    double TotalCost() const;
    double TotalArea(const std::string& kind) const;

    std::vector<RenewablesCostItem> Items;

  private:
    EngineState& state_;
};

}  // namespace kz7
