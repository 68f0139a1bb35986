#pragma once
// Costs and embodied carbon of the building's shading devices: local
// shading (fins, overhangs, brise-soleil) and blinds and internal shades.
#include <cstdint>
#include <string>

namespace kz7 {

class EngineState;
class ReportFile;

// One kind of shading device: its area and its figures per m².
struct ShadingItem {
    double Area = 0.0;         // m²
    double CostPerArea = 0.0;  // GBP/m²
    double CO2PerArea = 0.0;   // kgCO2/m²
    double CO2EPerArea = 0.0;  // kgCO2e/m²

    double Cost() const { return Area * CostPerArea; }
    double EmbodiedCO2() const { return Area * CO2PerArea; }
    double EmbodiedCO2E() const { return Area * CO2EPerArea; }
};

class ShadingCosts {
  public:
    explicit ShadingCosts(EngineState& state) : state_(state) {}

    // "ShadingCosts": one data line with the local shading and then the
    // blinds' area, cost, carbon and equivalent carbon, then the closing line.
    void Read();
    void Clear();
    // The cost rows "Local shading" and "Blinds and internal shades" of the
    // glazing cost table (output/CarbonCostReport.cpp).
    void GenerateCostReport(ReportFile& file) const;
    // Both devices' cost in the reporting currency.
    double TotalCost() const;

    ShadingItem LocalShading;
    ShadingItem WindowShading;  // blinds and internal shades

  private:
    EngineState& state_;
};

}  // namespace kz7
