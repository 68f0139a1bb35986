// The model tables of the report: constructions, glazing, building data,
// activities, zones and their elements, and the CasaClima interface layout.
#include <string>
#include <utility>
#include <vector>

#include "kz7/compliance/PartL.h"
#include "kz7/engine/EngineState.h"
#include "kz7/model/GlazedConstruction.h"
#include "kz7/model/OpaqueConstruction.h"
#include "kz7/model/ProfileGroup.h"
#include "kz7/model/Zone.h"
#include "kz7/output/ReportFile.h"
#include "kz7/weather/Weather.h"

namespace kz7 {

namespace {

constexpr int32_t kCasaClimaReport = 3;

std::string NameOf(const std::string& description, const std::string& key) {
    return description.empty() ? key : description;
}

// The construction an element runs through, by name; empty for airflow.
std::string FlowPath(const Element& element) {
    if (element.Opaque != nullptr) return NameOf(element.Opaque->Description, element.Opaque->Key);
    if (element.Glazing != nullptr)
        return NameOf(element.Glazing->Description, element.Glazing->Key);
    if (element.AirflowPG != nullptr) return element.AirflowPG->Key;
    return {};
}

std::string AdjacentCondition(const Zone& zone, const Element& element) {
    switch (element.IOS) {
        case 1:
            return "Outside";
        case 2:
            return "Outside with offset";
        case 3:
        case 6: {
            const Zone* neighbour = zone.Neighbour(element);
            return neighbour != nullptr ? "Zone " + neighbour->Key : "Zone " + element.RMID;
        }
        case 4:
            return "Adiabatic";
        case 5:
            return "Scheduled temperature";
        default:
            return "Unknown";
    }
}

// Thermal figures of an element's construction.
struct ElementFigures {
    double U = 0.0;                // W/m²K; bridged for opaque constructions
    double Km = 0.0;               // kJ/m²K
    double CO2 = 0.0, CO2E = 0.0;  // kgCO2 per m²
    bool CO2Flag = false, CO2EFlag = false;
};

ElementFigures FiguresOf(const Element& element) {
    ElementFigures figures;
    if (const OpaqueConstruction* opaque = element.Opaque) {
        figures.U = opaque->UValueBridged;
        figures.Km = opaque->CM;
        figures.CO2 = opaque->EmbodiedCO2;
        figures.CO2E = opaque->EmbodiedCO2E;
        figures.CO2Flag = opaque->CO2Available;
        figures.CO2EFlag = opaque->CO2EAvailable;
    } else if (const GlazedConstruction* glazing = element.Glazing) {
        figures.U = glazing->UValue;
        figures.CO2 = figures.CO2E = glazing->EmbodiedCO2PerArea;
        figures.CO2Flag = figures.CO2EFlag = glazing->EmbodiedCO2PerArea != 0.0f;
    }
    return figures;
}

// Temperature on the other side of an element in the zone's current state
// (the state the last run left; a freshly read model shows its start values).
double AdjacentTemperature(const EngineState& state, const Zone& zone, const Element& element) {
    const double outside = state.weather->Toa;
    switch (element.IOS) {
        case 1:
            return outside;
        case 2:
            return outside + element.OffsetTemperature;
        case 3:
        case 6: {
            const Zone* neighbour = zone.Neighbour(element);
            return neighbour != nullptr ? neighbour->AirTemperature : zone.AirTemperature;
        }
        case 5:
            return element.AdjacentPG != nullptr ? element.AdjacentPG->GRPVAL() : outside;
        default:
            return zone.AirTemperature;
    }
}

std::string Flag(bool value) {
    return value ? "1" : "0";
}

double Degrees(float radians) {
    return static_cast<double>(radians) / kRadiansPerDegree;
}

}  // namespace

// ---------------------------------------------------------------- constructions and glazing

void OpaqueConstruction::GenerateReport(ReportFile& file) const {
    file.Row({IsUsed ? "CONSTRUCTION " : "Construction ", Key, file.Number(UValueBridged, "0.000"),
              file.Number(CM, "0.00"), file.Number(CostPerArea, "0.00")});
}

void OpaqueConstructions::GenerateReport(ReportFile& file) const {
    file.Blank();
    file.Heading({"Keyword", "Key", "U-Value (incl bridging) (W/m2K)", "Km (KJ/K)",
                  "Cost per surface area (GBP/m2)"});
    for (const OpaqueConstruction& construction : items_) construction.GenerateReport(file);
}

void GlazedConstruction::GenerateReport(ReportFile& file) const {
    file.Row({IsUsed ? "GLAZING " : "Glazing ", NameOf(Description, Key), std::to_string(NLayers),
              file.Number(UValue, "0.000"), file.Number(TransLight, "0.000"),
              file.Number(TransTotal, "0.000"), file.Number(TransDirectSolar, "0.000"),
              file.Number(CostPerArea, "0.00")});
}

void GlazedConstructions::GenerateReport(ReportFile& file) const {
    file.Blank();
    file.Heading({"Keyword", "Name", "Layers", "UValue (W/m2K)", "Trans Light (VT)",
                  "Trans Total (SHGC)", "Trans Direct Solar", "Cost per surface area (GBP/m2)"});
    for (const GlazedConstruction& glazing : items_) glazing.GenerateReport(file);
}

// ---------------------------------------------------------------- elements

void Element::GenerateReport(ReportFile& file) const {
    const ElementFigures figures = FiguresOf(*this);
    const double area = ElementArea;
    const double airTemperature = MyZone->AirTemperature;
    const double radAirTemperature = MyZone->step.Te2;
    const double adjacentTemperature = AdjacentTemperature(state_, *MyZone, *this);
    const double deltaT = radAirTemperature - adjacentTemperature;
    file.Row({GetElementType(),
              AdjacentCondition(*MyZone, *this),
              file.Number(area, "0.000"),
              FlowPath(*this),
              file.Number(figures.U, "0.000"),
              file.Number(figures.U * area, "0.000"),
              file.Number(figures.Km, "0.000"),
              file.Number(figures.Km * area, "0.000"),
              file.Number(SROut, "0.000"),
              file.Number(SRIn, "0.000"),
              file.Number(Degrees(Orientation), "0.0"),
              file.Number(Degrees(Slope), "0.0"),
              ReportFile::YesNo(HVWT),
              file.Number(figures.CO2 * area, "0.00"),
              Flag(figures.CO2Flag),
              file.Number(figures.CO2E * area, "0.00"),
              Flag(figures.CO2EFlag),
              file.Number(CostSurfaceFinish * area, "0.00"),  // GBP, as its heading says
              file.Number(adjacentTemperature, "0.0"),
              file.Number(airTemperature, "0.0"),
              file.Number(radAirTemperature, "0.0"),
              file.Number(deltaT, "0.0"),
              file.Number(figures.U * area * deltaT / 1000.0, "0.000"),
              file.Number(figures.CO2E * area, "0.00")});
}

void Elements::GenerateReport(ReportFile& file) const {
    file.Heading({"Element",
                  "Adjacent condition",
                  "Area-Nett (m2)",
                  "Flow path",
                  "U-Value (W/K-m2)",
                  "U-Value*Area (W/K)",
                  "Km (KJ/m2-K)",
                  "Km*Area (KJ/K)",
                  "SROut (m2-K/W)",
                  "SRIn (m2-K/W)",
                  "Orientation (deg E of N)",
                  "Slope (deg)",
                  "Heavyweight?",
                  "Embodied Carbon (kgCO2)",
                  "Embodied Carbon Flag",
                  "Equivalent CO2 (kgCO2)",
                  "Equivalent CO2 Flag",
                  "Cost of Surface Finsih (GBP)",
                  "Adjacent temperature (C)",
                  "Air temperature (C)",
                  "Rad-air temperature (C)",
                  "DeltaT (K)",
                  "Q Loss (kW)",
                  "Equivalent Carbon (kgCO2)"});
    for (const auto& element : items_) element->GenerateReport(file);
}

void Element::GenerateCasaClimaReport(ReportFile& file, int32_t opaqueId) const {
    const std::string area = file.Number(ElementArea, "0.000");
    const std::string orientation = file.Number(Degrees(Orientation), "0.0");
    const std::string slope = file.Number(Degrees(Slope), "0.0");
    if (RMOG == "G")
        file.Row({GetElementType(), AdjacentCondition(*MyZone, *this), FlowPath(*this),
                  std::to_string(opaqueId), file.Number(ZExtent, "0.000"),
                  file.Number(HExtent, "0.000"), area, orientation, slope});
    else
        file.Row({FlowPath(*this), area, orientation, slope, GetElementType(),
                  AdjacentCondition(*MyZone, *this)});
}

// ---------------------------------------------------------------- zones

void Zone::GenerateReport(ReportFile& file) const {
    file.Blank();
    file.Heading({"Zone", "Activity", "Floor area (m2)", "Volume (m3)", "Heated?",
                  "Heating SetPoint Temperature (C)", "Cooled?",
                  "Cooling SetPoint Temperature (C)"});
    file.Row({NameOf(Description, Key), SBEMActivityName, file.Number(FloorArea, "0.000"),
              file.Number(Volume, "0.000"), ReportFile::YesNo(KlimaIsHeated),
              file.Number(KlimaHeatingSetPointTemperature, "0.000"),
              ReportFile::YesNo(KlimaIsCooled),
              file.Number(KlimaCoolingSetPointTemperature, "0.000")});
    elements.GenerateReport(file);
}

// The opaque elements of a zone are numbered in element order; a glazed
// element belongs to the first opaque element on its plane with the same
// boundary (0 when there is none).
void Zone::GenerateCasaClimaReport(ReportFile& file) const {
    std::vector<std::pair<const Element*, int32_t>> opaque;
    file.Blank();
    file.Heading({"OPAQUE", "Zone " + std::to_string(ReportId)});
    file.Heading({"Flow path", "Area-Nett (m2)", "Orientation (deg E of N)", "Slope (deg)",
                  "Element Type", "Adjacent condition"});
    for (const auto& element : elements) {
        if (element->RMOG != "O" && element->RMOG != "o") continue;
        opaque.emplace_back(element.get(), static_cast<int32_t>(opaque.size()) + 1);
        element->GenerateCasaClimaReport(file, 0);
    }
    file.Heading({"GLAZED", "Zone " + std::to_string(ReportId)});
    file.Heading({"Element Type", "Adjacent condition", "Flow path", "OpaqueId", "Length (m)",
                  "Height (m)", "Area-Nett (m2)", "Orientation (deg E of N)", "Slope (deg)"});
    for (const auto& element : elements) {
        if (element->RMOG != "G") continue;
        int32_t opaqueId = 0;
        for (const auto& [host, id] : opaque) {
            if (host->Plane == element->Plane && host->IOS == element->IOS) {
                opaqueId = id;
                break;
            }
        }
        element->GenerateCasaClimaReport(file, opaqueId);
    }
}

void Zones::GenerateIds() const {
    int32_t id = 0;
    for (Zone& zone : items_) zone.ReportId = ++id;
}

void Zones::GenerateZoneMap(ReportFile& file) const {
    file.Blank();
    file.Heading({"Zone Mapping"});
    file.Heading({"Description", "Zone Id"});
    for (const Zone& zone : items_)
        file.Row({NameOf(zone.Description, zone.Key), std::to_string(zone.ReportId)});
}

namespace {

void BuildingSection(const Zones& zones, ReportFile& file) {
    double conditionedArea = 0.0;
    double volume = 0.0;
    double externalArea = 0.0;
    double areaTimesU = 0.0;
    for (const Zone& zone : zones) {
        if (zone.KlimaIsHeated || zone.KlimaIsCooled) conditionedArea += zone.FloorArea;
        volume += zone.Volume;
        zone.GetAverageUValue(externalArea, areaTimesU);
    }
    const double averageU = externalArea > 0.0 ? areaTimesU / externalArea : 0.0;
    const double areaToVolume = volume > 0.0 ? externalArea / volume : 0.0;
    file.Blank();
    file.Heading({"Building Data"});
    file.Row({"Building number of zones:", std::to_string(zones.Count())});
    file.Row({"Building heated/cooled floor area (m2)", file.Number(conditionedArea, "0.00")});
    file.Row({"Building volume (m3)", file.Number(volume, "0.00")});
    file.Row({"Building external area (m2)", file.Number(externalArea, "0.00")});
    file.Row({"Building area-weighted average U-value (W/m2K)", file.Number(averageU, "0.000")});
    file.Row({"Building external surface area/Volume (m-1)", file.Number(areaToVolume, "0.000")});
}

void ActivitySection(const Zones& zones, ReportFile& file) {
    std::vector<std::pair<std::string, double>> activities;  // in order of first appearance
    double total = 0.0;
    for (const Zone& zone : zones) {
        auto it = activities.begin();
        while (it != activities.end() && it->first != zone.SBEMActivityName) ++it;
        if (it == activities.end()) it = activities.insert(it, {zone.SBEMActivityName, 0.0});
        it->second += zone.FloorArea;
        total += zone.FloorArea;
    }
    file.Blank();
    file.Heading({"Activity Area Summary"});
    file.Heading({"Activity", "Area (m2)"});
    for (const auto& [activity, area] : activities) file.Row({activity, file.Number(area, "0.00")});
    file.Row({"Total", file.Number(total, "0.00")});
}

void CasaClimaZoneTable(const Zones& zones, ReportFile& file) {
    file.Blank();
    file.Heading({"Zone", "Activity", "Gross Floor area (m2)", "Net Floor area (m2)",
                  "Gross Volume (m3)", "Net Volume (m3)", "Heated?", "Cooled?"});
    // The model holds one floor area and one volume per zone: both the
    // gross and the net columns carry them.
    for (const Zone& zone : zones)
        file.Row({std::to_string(zone.ReportId), zone.SBEMActivityName,
                  file.Number(zone.FloorArea, "0.000"), file.Number(zone.FloorArea, "0.000"),
                  file.Number(zone.Volume, "0.000"), file.Number(zone.Volume, "0.000"),
                  ReportFile::YesNo(zone.KlimaIsHeated), ReportFile::YesNo(zone.KlimaIsCooled)});
}

}  // namespace

void Zones::GenerateReport(ReportFile& file) const {
    if (state_.settings.reportType == kCasaClimaReport) {
        CasaClimaZoneTable(*this, file);
        for (const Zone& zone : items_) zone.GenerateCasaClimaReport(file);
        GenerateZoneMap(file);
        return;
    }
    BuildingSection(*this, file);
    ActivitySection(*this, file);
    for (const Zone& zone : items_) zone.GenerateReport(file);
}

}  // namespace kz7
