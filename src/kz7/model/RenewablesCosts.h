#pragma once
// Costs of the building's renewable systems.
#include <array>
#include <cstdint>
#include <string>

namespace kz7 {

class EngineState;
class ReportFile;

// One renewable system: its area (collector or swept area, m²; 0 where an
// area means nothing) and its installed cost (GBP).
struct RenewableItem {
    double Area = 0.0;
    double Cost = 0.0;
};

class RenewablesCosts {
  public:
    static constexpr int32_t kItems = 5;
    // Row names of the renewables cost table, in record order.
    static constexpr std::array<const char*, kItems> kItemNames = {
        "PV Panels", "Solar Hot Water Panels", "Wind Turbines", "PV Electrical",
        "Wind Turbine Electrical"};

    explicit RenewablesCosts(EngineState& state) : state_(state) {}

    // "RenewablesCosts": one data line with area and cost of each item in
    // the order of kItemNames, then the closing line.
    void Read();
    void Clear() { Items = {}; }
    // The "Renewables Cost" table (output/CarbonCostReport.cpp).
    void GenerateCostReport(ReportFile& file) const;
    // All items' cost in the reporting currency (GBP × GBPConversionRate).
    double TotalCost() const;

    std::array<RenewableItem, kItems> Items{};

  private:
    EngineState& state_;
};

}  // namespace kz7
