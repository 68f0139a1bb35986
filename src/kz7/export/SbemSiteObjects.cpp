#include "kz7/export/SbemSiteObjects.h"

#include <array>
#include <optional>
#include <vector>

#include "kz7/export/NCMData.h"
#include "kz7/export/SbemSyntax.h"
#include "kz7/export/WriteToFile.h"
#include "kz7/platform/NumberText.h"

namespace kz7 {

namespace {

template <typename T>
struct SiteRow {
    const char* keyword;
    std::optional<std::string> (*value)(const T&, const NCMData&);
};

using Value = std::optional<std::string>;

Value Quoted(const std::string& text) { return SbemQuoted(text); }
Value Fixed(double value, const char* pattern = "0.000") { return FormatPattern(value, pattern); }
Value Label(double degrees) { return std::string(OrientationLabel(degrees)); }
Value YesNo(bool yes) { return std::string(yes ? "YES" : "NO"); }

template <typename T>
std::string NameOf(const T& item) {
    return item.Name.empty() ? item.Key : item.Name;
}

template <typename T, size_t N>
void WriteObject(clsWriteToFile& writer, const NCMData& ncm, const std::string& name, const char* kind,
                 const T& item, const std::array<SiteRow<T>, N>& rows) {
    writer.WriteData("");
    writer.WriteData(SbemHeader(name, kind));
    for (const SiteRow<T>& row : rows) {
        if (Value value = row.value(item, ncm)) writer.WriteData(SbemProperty(row.keyword, *value));
    }
    writer.WriteData(kSbemObjectEnd);
}

constexpr std::array<SiteRow<NCMDHWSystem>, 8> kDHWRows = {{
    {"TYPE", [](const NCMDHWSystem& s, const NCMData&) { return Quoted(s.GeneratorType); }},
    {"FUEL-TYPE", [](const NCMDHWSystem& s, const NCMData&) { return Quoted(s.Fuel); }},
    {"GEN-SEFF", [](const NCMDHWSystem& s, const NCMData&) { return Fixed(s.Efficiency); }},
    {"STORAGE", [](const NCMDHWSystem& s, const NCMData&) { return YesNo(s.StorageVolume > 0.0f); }},
    {"STORAGE-VOLUME", [](const NCMDHWSystem& s, const NCMData&) { return s.StorageVolume > 0.0f ? Fixed(s.StorageVolume, "0.00") : Value(); }},
    {"STORAGE-LOSSES", [](const NCMDHWSystem& s, const NCMData&) { return s.StorageVolume > 0.0f ? Fixed(s.StorageLoss, "0.0000") : Value(); }},
    {"SECONDARY-CIRC", [](const NCMDHWSystem& s, const NCMData&) { return YesNo(s.HasSecondaryCirculation); }},
    {"CIRC-LENGTH", [](const NCMDHWSystem& s, const NCMData&) { return s.HasSecondaryCirculation ? Fixed(s.CirculationLength, "0.00") : Value(); }},
}};

constexpr std::array<SiteRow<NCMPVSystem>, 6> kPVRows = {{
    {"TYPE", [](const NCMPVSystem& s, const NCMData&) { return Quoted(s.PanelType); }},
    {"AREA", [](const NCMPVSystem& s, const NCMData&) { return Fixed(s.Area, "0.00"); }},
    {"ORIENTATION", [](const NCMPVSystem& s, const NCMData&) { return Label(s.Orientation); }},
    {"INCLINATION", [](const NCMPVSystem& s, const NCMData&) { return Fixed(s.Inclination, "0.00"); }},
    {"VENTILATION", [](const NCMPVSystem& s, const NCMData&) { return Quoted(s.Ventilation); }},
    {"OVERSHADING", [](const NCMPVSystem& s, const NCMData&) { return Quoted(s.Overshading); }},
}};

constexpr std::array<SiteRow<NCMCHP>, 4> kCHPRows = {{
    {"FUEL-TYPE", [](const NCMCHP& s, const NCMData&) { return Quoted(s.Fuel); }},
    {"HEAT-EFF", [](const NCMCHP& s, const NCMData&) { return Fixed(s.HeatEfficiency); }},
    {"ELEC-EFF", [](const NCMCHP& s, const NCMData&) { return Fixed(s.PowerEfficiency); }},
    {"BUILDING-HEAT-PERCENT", [](const NCMCHP& s, const NCMData&) { return Fixed(s.HeatFraction * 100.0, "0.00"); }},
}};

constexpr std::array<SiteRow<NCMWindGenerator>, 4> kWindRows = {{
    {"TERRAIN-TYPE", [](const NCMWindGenerator& s, const NCMData&) { return Quoted(s.TerrainType); }},
    {"DIAMETER", [](const NCMWindGenerator& s, const NCMData&) { return Fixed(s.RotorDiameter, "0.00"); }},
    {"HUB-HEIGHT", [](const NCMWindGenerator& s, const NCMData&) { return Fixed(s.HubHeight, "0.00"); }},
    {"POWER", [](const NCMWindGenerator& s, const NCMData&) { return Fixed(s.RatedPower, "0.00"); }},
}};

template <typename T>
std::string SystemName(const std::vector<T>& systems, const std::string& key);

constexpr std::array<SiteRow<NCMSolarCollector>, 7> kSolarCollectorRows = {{
    {"AREA", [](const NCMSolarCollector& s, const NCMData&) { return Fixed(s.Area, "0.00"); }},
    {"ORIENTATION", [](const NCMSolarCollector& s, const NCMData&) { return Label(s.Orientation); }},
    {"INCLINATION", [](const NCMSolarCollector& s, const NCMData&) { return Fixed(s.Inclination, "0.00"); }},
    {"ZERO-LOSS-EFF", [](const NCMSolarCollector& s, const NCMData&) { return Fixed(s.ZeroLossEfficiency); }},
    {"FIRST-ORDER-COEF", [](const NCMSolarCollector& s, const NCMData&) { return Fixed(s.FirstOrderCoefficient); }},
    {"SECOND-ORDER-COEF", [](const NCMSolarCollector& s, const NCMData&) { return Fixed(s.SecondOrderCoefficient, "0.0000"); }},
    {"DHW-GENERATOR",
     [](const NCMSolarCollector& s, const NCMData& ncm) {
         return s.DHWSystem.empty() ? Value() : Quoted(SystemName(ncm.DHWSystems, s.DHWSystem));
     }},
}};

constexpr std::array<SiteRow<NCMHVACSystem>, 9> kHVACRows = {{
    {"TYPE", [](const NCMHVACSystem& s, const NCMData&) { return Quoted(s.SystemType); }},
    {"HEAT-SOURCE", [](const NCMHVACSystem& s, const NCMData&) { return Quoted(s.HeatSource); }},
    {"FUEL-TYPE", [](const NCMHVACSystem& s, const NCMData&) { return Quoted(s.HeatingFuel); }},
    {"COOL-FUEL-TYPE", [](const NCMHVACSystem& s, const NCMData&) { return Quoted(s.CoolingFuel); }},
    {"HEAT-GEN-SEFF", [](const NCMHVACSystem& s, const NCMData&) { return Fixed(s.HeatingEfficiency); }},
    {"COOL-GEN-SEER", [](const NCMHVACSystem& s, const NCMData&) { return Fixed(s.CoolingSEER); }},
    {"SFP", [](const NCMHVACSystem& s, const NCMData&) { return Fixed(s.SpecificFanPower); }},
    {"HEAT-REC-TYPE", [](const NCMHVACSystem& s, const NCMData&) { return Quoted(s.HeatRecovery); }},
    {"HEAT-REC-EFF", [](const NCMHVACSystem& s, const NCMData&) { return Fixed(s.HeatRecoveryEfficiency); }},
}};

constexpr std::array<SiteRow<NCMRecommendation>, 2> kRecommendationRows = {{
    {"CATEGORY", [](const NCMRecommendation& s, const NCMData&) { return Quoted(s.Category); }},
    {"TEXT", [](const NCMRecommendation& s, const NCMData&) { return Quoted(s.Text); }},
}};

template <typename T>
std::string SystemName(const std::vector<T>& systems, const std::string& key) {
    for (const T& system : systems) {
        if (system.Key == key) return NameOf(system);
    }
    return key;
}

}  // namespace

std::string SbemHVACSystemName(const NCMData& ncm, const std::string& key) { return SystemName(ncm.HVACSystems, key); }
std::string SbemDHWSystemName(const NCMData& ncm, const std::string& key) { return SystemName(ncm.DHWSystems, key); }

void WriteSbemSiteObjects(const NCMData& ncm, clsWriteToFile& writer) {
    for (const NCMDHWSystem& system : ncm.DHWSystems) WriteObject(writer, ncm, NameOf(system), "DHW-GENERATOR", system, kDHWRows);
    for (const NCMPVSystem& pv : ncm.PVSystems) WriteObject(writer, ncm, pv.Name, "PVS", pv, kPVRows);
    if (ncm.CHP.IsOn) WriteObject(writer, ncm, ncm.CHP.Name, "CHP-GENERATOR", ncm.CHP, kCHPRows);
    if (ncm.WindGenerator.IsOn)
        WriteObject(writer, ncm, ncm.WindGenerator.Name, "WIND-GENERATOR", ncm.WindGenerator, kWindRows);
    for (const NCMSolarCollector& collector : ncm.SolarCollectors) {
        WriteObject(writer, ncm, NameOf(collector), "SES", collector, kSolarCollectorRows);
    }
    for (const NCMHVACSystem& system : ncm.HVACSystems) WriteObject(writer, ncm, NameOf(system), "HVAC-SYSTEM", system, kHVACRows);
    for (const NCMRecommendation& recommendation : ncm.Recommendations) {
        WriteObject(writer, ncm, recommendation.Code, "REC-USER", recommendation, kRecommendationRows);
    }
}

}  // namespace kz7
