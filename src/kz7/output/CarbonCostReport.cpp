// The embodied-carbon and cost sections of the report and the building's
// cost and carbon totals. Model costs are in GBP; every cost reported is
// multiplied by GBPConversionRate and headed with CurrencyCode.
#include <string>

#include "kz7/engine/EngineState.h"
#include "kz7/model/Building.h"
#include "kz7/model/GlazedConstruction.h"
#include "kz7/model/OpaqueConstruction.h"
#include "kz7/model/OpaqueMaterial.h"
#include "kz7/model/RenewablesCosts.h"
#include "kz7/model/ShadingCosts.h"
#include "kz7/model/Zone.h"
#include "kz7/output/Inventory.h"
#include "kz7/output/ReportFile.h"

namespace kz7 {

namespace {

// Size-line suffixes: columns, then the kind of table (2 carbon, 1 cost).
constexpr const char* kCarbonSuffix = ", 4, 2";
constexpr const char* kMaterialSuffix = ", 5, 2";
constexpr const char* kBuildingCarbonSuffix = ", 3, 2";
constexpr const char* kCostSuffix = ", 3, 1";
constexpr const char* kTotalCostSuffix = ", 2, 1";
constexpr const char* kDefaultCurrency = "GBP";

// Everything in the reporting currency.
struct CostFigures {
    double Structure = 0.0;
    double HVAC = 0.0;
    double Lighting = 0.0;
    double SubStructure = 0.0;
    double SuperStructure = 0.0;
    double Glazing = 0.0;  // glazing and shading devices
    double Renewables = 0.0;
    double SurfaceFinish = 0.0;

    double Total() const {
        return Structure + HVAC + Lighting + SubStructure + SuperStructure + Glazing + Renewables +
               SurfaceFinish;
    }
};

struct CarbonFigures {
    double CO2 = 0.0;
    double CO2E = 0.0;
};

double Rate(const EngineState& state) {
    return state.settings.gbpConversionRate;
}

CostFigures Costs(EngineState& state, const BuildingInventory& inventory) {
    const BuildingCosts& rates = state.building->Costs;
    const double rate = Rate(state);
    CostFigures costs;
    costs.Structure = inventory.FloorArea * rates.StructureCostPerArea * rate;
    costs.HVAC = inventory.FloorArea * rates.HVACCostPerArea * rate;
    costs.Lighting = inventory.FloorArea * rates.LightingCostPerArea * rate;
    costs.SubStructure = inventory.SubStructureArea * rates.SubStructureCostPerArea * rate;
    for (const OpaqueConstruction& construction : *state.opaqueConstructions)
        costs.SuperStructure += construction.TotalCost * rate;
    for (const GlazedConstruction& glazing : *state.glazedConstructions)
        costs.Glazing += glazing.TotalCost * rate;
    costs.Glazing += state.shadingCosts->TotalCost();
    costs.Renewables = state.renewablesCosts->TotalCost();
    costs.SurfaceFinish =
        (inventory.Walls.Cost + inventory.Floors.Cost + inventory.Ceilings.Cost) * rate;
    return costs;
}

CarbonFigures Carbon(const EngineState& state) {
    CarbonFigures carbon;
    for (const OpaqueConstruction& construction : *state.opaqueConstructions) {
        carbon.CO2 += construction.TotalEmbodiedCO2;
        carbon.CO2E += construction.TotalEmbodiedCO2E;
    }
    for (const GlazedConstruction& glazing : *state.glazedConstructions) {
        carbon.CO2 += glazing.TotalEmbodiedCO2;
        carbon.CO2E += glazing.TotalEmbodiedCO2E;
    }
    for (const ShadingItem* item :
         {&state.shadingCosts->LocalShading, &state.shadingCosts->WindowShading}) {
        carbon.CO2 += item->EmbodiedCO2();
        carbon.CO2E += item->EmbodiedCO2E();
    }
    return carbon;
}

std::string CostHeading(const EngineState& state) {
    const std::string& code = state.settings.currencyCode;
    return "Cost (" + (code.empty() ? std::string(kDefaultCurrency) : code) + ")";
}

// Opens a table: the blank line, the size line when asked for, and the
// heading line whose first field is the table's title.
void OpenTable(const EngineState& state, ReportFile& file, int32_t rows, const char* suffix,
               const std::vector<std::string>& heading) {
    file.Blank();
    if (state.settings.includeTableSizeHeaderReports) file.SizeLine(rows, suffix);
    file.Heading(heading);
}

// A table of one row and its sub-total, by floor area.
void FloorAreaCostTable(const EngineState& state, ReportFile& file, const char* title,
                        const char* row, double area, double cost) {
    OpenTable(state, file, 3, kCostSuffix, {title, "Floor Area (m2)", CostHeading(state)});
    file.Row({row, file.Number(area, "0.00"), file.Number(cost, "0.00")});
    file.Row({"Sub Total", file.Number(area, "0.00"), file.Number(cost, "0.00")});
}

}  // namespace

// ---------------------------------------------------------------- carbon

void OpaqueConstructions::GenerateCO2Report(ReportFile& file) const {
    OpenTable(state_, file, GetNumberOfUsedItems() + 2, kCarbonSuffix,
              {"Constructions Embodied Carbon and Inventory", "Area (m2)",
               "Embodied Carbon (kgCO2)", "Equivalent CO2 (kgCO2)"});
    double area = 0.0, co2 = 0.0, co2e = 0.0;
    for (const OpaqueConstruction& c : items_) {
        if (!c.IsUsed) continue;
        file.Row({c.Key, file.Number(c.TotalArea, "0.00"), file.Number(c.TotalEmbodiedCO2, "0.00"),
                  file.Number(c.TotalEmbodiedCO2E, "0.00")});
        area += c.TotalArea;
        co2 += c.TotalEmbodiedCO2;
        co2e += c.TotalEmbodiedCO2E;
    }
    file.Row({"Sub Total", file.Number(area, "0.00"), file.Number(co2, "0.00"),
              file.Number(co2e, "0.00")});
}

// The shading devices are listed with the glazing they shade; the size line
// counts their two rows too.
void GlazedConstructions::GenerateCO2Report(ReportFile& file) const {
    OpenTable(state_, file, GetNumberOfUsedItems() + 4, kCarbonSuffix,
              {"Glazing Embodied Carbon and Inventory", "Area (m2)", "Embodied Carbon (kgCO2)",
               "Equivalent CO2 (kgCO2)"});
    double area = 0.0, co2 = 0.0, co2e = 0.0;
    auto row = [&](const std::string& name, double rowArea, double rowCO2, double rowCO2E) {
        file.Row({name, file.Number(rowArea, "0.00"), file.Number(rowCO2, "0.00"),
                  file.Number(rowCO2E, "0.00")});
        area += rowArea;
        co2 += rowCO2;
        co2e += rowCO2E;
    };
    for (const GlazedConstruction& g : items_)
        if (g.IsUsed) row(g.Key, g.TotalArea, g.TotalEmbodiedCO2, g.TotalEmbodiedCO2E);
    const ShadingCosts& shading = *state_.shadingCosts;
    row("Local shading", shading.LocalShading.Area, shading.LocalShading.EmbodiedCO2(),
        shading.LocalShading.EmbodiedCO2E());
    row("Window shading", shading.WindowShading.Area, shading.WindowShading.EmbodiedCO2(),
        shading.WindowShading.EmbodiedCO2E());
    file.Row({"Sub Total", file.Number(area, "0.00"), file.Number(co2, "0.00"),
              file.Number(co2e, "0.00")});
}

void OpaqueMaterials::GenerateCO2Report(ReportFile& file) const {
    OpenTable(state_, file, GetNumberOfUsedItems() + 2, kMaterialSuffix,
              {"Materials Embodied Carbon and Inventory", "Area (m2)", "Embodied Carbon (kgCO2)",
               "Equivalent CO2 (kgCO2)", "Mass (kg)"});
    double area = 0.0, co2 = 0.0, co2e = 0.0, mass = 0.0;
    for (const OpaqueMaterial& m : items_) {
        if (!m.IsUsed) continue;
        file.Row({m.Key, file.Number(m.TotalArea, "0.00"), file.Number(m.TotalEmbodiedCO2, "0.00"),
                  file.Number(m.TotalEmbodiedCO2E, "0.00"), file.Number(m.TotalMass, "0.00")});
        area += m.TotalArea;
        co2 += m.TotalEmbodiedCO2;
        co2e += m.TotalEmbodiedCO2E;
        mass += m.TotalMass;
    }
    file.Row({"Sub Total", file.Number(area, "0.00"), file.Number(co2, "0.00"),
              file.Number(co2e, "0.00"), file.Number(mass, "0.00")});
}

int32_t OpaqueConstructions::GetNumberOfUsedItems() const {
    int32_t used = 0;
    for (const OpaqueConstruction& c : items_) used += c.IsUsed ? 1 : 0;
    return used;
}

int32_t GlazedConstructions::GetNumberOfUsedItems() const {
    int32_t used = 0;
    for (const GlazedConstruction& g : items_) used += g.IsUsed ? 1 : 0;
    return used;
}

int32_t OpaqueMaterials::GetNumberOfUsedItems() const {
    int32_t used = 0;
    for (const OpaqueMaterial& m : items_) used += m.IsUsed ? 1 : 0;
    return used;
}

void Zones::GenerateEmbodiedCO2Report(ReportFile& file) const {
    TakeInventory(state_);
    file.Blank();
    file.Heading({"EMBODIED CARBON DATA"});
    state_.opaqueConstructions->GenerateCO2Report(file);
    state_.glazedConstructions->GenerateCO2Report(file);
    state_.opaqueMaterials->GenerateCO2Report(file);
    const CarbonFigures carbon = Carbon(state_);
    OpenTable(state_, file, 2, kBuildingCarbonSuffix,
              {"Building Total", "Embodied Carbon (kgCO2)", "Equivalent CO2 (kgCO2)"});
    file.Row({"Building", file.Number(carbon.CO2, "0.00"), file.Number(carbon.CO2E, "0.00")});
}

// ---------------------------------------------------------------- costs

void Zones::GenerateStructureCost(ReportFile& file) const {
    const BuildingInventory inventory = TakeInventory(state_);
    FloorAreaCostTable(state_, file, "Structure Costs", "Structure", inventory.FloorArea,
                       Costs(state_, inventory).Structure);
}

void Zones::GenerateHVACCost(ReportFile& file) const {
    const BuildingInventory inventory = TakeInventory(state_);
    FloorAreaCostTable(state_, file, "HVAC Costs", "HVAC", inventory.FloorArea,
                       Costs(state_, inventory).HVAC);
}

void Zones::GenerateLightingCost(ReportFile& file) const {
    const BuildingInventory inventory = TakeInventory(state_);
    FloorAreaCostTable(state_, file, "Lighting Costs", "Lighting", inventory.FloorArea,
                       Costs(state_, inventory).Lighting);
}

void Zones::GenerateSubStructureCost(ReportFile& file) const {
    const BuildingInventory inventory = TakeInventory(state_);
    FloorAreaCostTable(state_, file, "Sub-Structure Costs", "Ground floors",
                       inventory.SubStructureArea, Costs(state_, inventory).SubStructure);
}

void OpaqueConstructions::GenerateCostReport(ReportFile& file) const {
    const double rate = Rate(state_);
    OpenTable(state_, file, GetNumberOfUsedItems() + 2, kCostSuffix,
              {"Super Structure Cost", "Construction Area (m2)", CostHeading(state_)});
    double area = 0.0, cost = 0.0;
    for (const OpaqueConstruction& c : items_) {
        if (!c.IsUsed) continue;
        file.Row(
            {c.Key, file.Number(c.TotalArea, "0.00"), file.Number(c.TotalCost * rate, "0.00")});
        area += c.TotalArea;
        cost += c.TotalCost * rate;
    }
    file.Row({"Sub Total", file.Number(area, "0.00"), file.Number(cost, "0.00")});
}

void GlazedConstructions::GenerateCostReport(ReportFile& file) const {
    const double rate = Rate(state_);
    OpenTable(state_, file, GetNumberOfUsedItems() + 4, kCostSuffix,
              {"Glazing Cost", "Surface Area (m2)", CostHeading(state_)});
    double area = 0.0, cost = 0.0;
    for (const GlazedConstruction& g : items_) {
        if (!g.IsUsed) continue;
        file.Row(
            {g.Key, file.Number(g.TotalArea, "0.00"), file.Number(g.TotalCost * rate, "0.00")});
        area += g.TotalArea;
        cost += g.TotalCost * rate;
    }
    state_.shadingCosts->GenerateCostReport(file);
    const ShadingCosts& shading = *state_.shadingCosts;
    area += shading.LocalShading.Area + shading.WindowShading.Area;
    cost += shading.TotalCost();
    file.Row({"Sub Total", file.Number(area, "0.00"), file.Number(cost, "0.00")});
}

void ShadingCosts::GenerateCostReport(ReportFile& file) const {
    const double rate = state_.settings.gbpConversionRate;
    file.Row({"Local shading", file.Number(LocalShading.Area, "0.00"),
              file.Number(LocalShading.Cost() * rate, "0.00")});
    file.Row({"Blinds and internal shades", file.Number(WindowShading.Area, "0.00"),
              file.Number(WindowShading.Cost() * rate, "0.00")});
}

void RenewablesCosts::GenerateCostReport(ReportFile& file) const {
    const double rate = state_.settings.gbpConversionRate;
    OpenTable(state_, file, kItems + 2, kCostSuffix,
              {"Renewables Cost", "Area (m2)", CostHeading(state_)});
    double area = 0.0;
    for (size_t i = 0; i < Items.size(); ++i) {
        file.Row({kItemNames[i], file.Number(Items[i].Area, "0.00"),
                  file.Number(Items[i].Cost * rate, "0.00")});
        area += Items[i].Area;
    }
    file.Row({"Sub Total", file.Number(area, "0.00"), file.Number(TotalCost(), "0.00")});
}

void Zones::GenerateSurfaceFinishReport(ReportFile& file) const {
    const BuildingInventory inventory = TakeInventory(state_);
    const double rate = Rate(state_);
    OpenTable(state_, file, 5, kCostSuffix,
              {"Surface Finish Costs", "Surface Area (m2)", CostHeading(state_)});
    const std::pair<const char*, const SurfaceFinish*> rows[] = {{"Walls", &inventory.Walls},
                                                                 {"Floors", &inventory.Floors},
                                                                 {"Ceiling", &inventory.Ceilings}};
    double area = 0.0, cost = 0.0;
    for (const auto& [name, finish] : rows) {
        file.Row(
            {name, file.Number(finish->Area, "0.00"), file.Number(finish->Cost * rate, "0.00")});
        area += finish->Area;
        cost += finish->Cost * rate;
    }
    file.Row({"Sub Total", file.Number(area, "0.00"), file.Number(cost, "0.00")});
}

void Zones::GenerateCostReport(ReportFile& file) const {
    if (!state_.settings.includeCostOutputs) return;
    const BuildingInventory inventory = TakeInventory(state_);
    file.Blank();
    file.Heading({"COST DATA"});
    GenerateStructureCost(file);
    GenerateHVACCost(file);
    GenerateLightingCost(file);
    GenerateSubStructureCost(file);
    state_.opaqueConstructions->GenerateCostReport(file);
    state_.glazedConstructions->GenerateCostReport(file);
    state_.renewablesCosts->GenerateCostReport(file);
    GenerateSurfaceFinishReport(file);
    const std::string code =
        state_.settings.currencyCode.empty() ? kDefaultCurrency : state_.settings.currencyCode;
    file.Blank();
    if (state_.settings.includeTableSizeHeaderReports) file.SizeLine(1, kTotalCostSuffix);
    file.Row(
        {"Building Total Cost (" + code + ")", file.Number(Costs(state_, inventory).Total(), "0")});
}

// ---------------------------------------------------------------- totals

double Zones::TotalBuildingCost() const {
    return Costs(state_, TakeInventory(state_)).Total();
}
double Zones::TotalStructureCost() const {
    return Costs(state_, TakeInventory(state_)).Structure;
}
double Zones::TotalHVACCost() const {
    return Costs(state_, TakeInventory(state_)).HVAC;
}
double Zones::TotalLightingCost() const {
    return Costs(state_, TakeInventory(state_)).Lighting;
}
double Zones::TotalSubStructureCost() const {
    return Costs(state_, TakeInventory(state_)).SubStructure;
}
double Zones::SuperStructureCost() const {
    return Costs(state_, TakeInventory(state_)).SuperStructure;
}
double Zones::GlazingCost() const {
    return Costs(state_, TakeInventory(state_)).Glazing;
}
double Zones::TotalSurfaceFinishCost() const {
    return Costs(state_, TakeInventory(state_)).SurfaceFinish;
}

double Zones::TotalBuildingCarbon() const {
    TakeInventory(state_);
    return Carbon(state_).CO2;
}

double Zones::TotalBuildingEquivalentCarbon() const {
    TakeInventory(state_);
    return Carbon(state_).CO2E;
}

}  // namespace kz7
