#pragma once
// Costs of shading devices, per m² of the glazing they shade.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kz7 {

class EngineState;

struct ShadingCostItem {
    std::string System;               // the glazing's shading system name
    double CostPerArea = 0.0;         // per m² of glazing
    double EmbodiedCO2PerArea = 0.0;  // kg CO2 per m² of glazing
};

class ShadingCosts {
  public:
    explicit ShadingCosts(EngineState& state) : state_(state) {}

    // One item per line until a line whose first field is "}".
    void Read();
    void Clear() { Items.clear(); }
    // The item of a shading system; nullptr when it has no cost.
    const ShadingCostItem* Find(std::string_view system) const;

    std::vector<ShadingCostItem> Items;

  private:
    EngineState& state_;
};

}  // namespace kz7
