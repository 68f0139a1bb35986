#include "ResultTables.h"

#include <array>
#include <string>

#include "kz7/engine/EngineState.h"
#include "kz7/model/Zone.h"
#include "kz7/output/ResultVariables.h"
#include "kz7/output/ZoneResultStore.h"

namespace kz7::app {

namespace {

std::string AggregationText(Aggregation aggregation) {
    return aggregation == Aggregation::Summed ? "sum" : "mean";
}

void AddZoneVariables(RecordKind kind, std::vector<VariableInfo>& rows) {
    for (const ZoneVariableInfo& variable : ZoneVariables())
        rows.push_back({kind, variable.position, std::string(variable.name),
                        std::string(variable.unit), AggregationText(variable.aggregation)});
}

void AddSummaryVariables(std::vector<VariableInfo>& rows) {
    struct Entry {
        const char* name;
        const char* unit;
        const char* aggregation;
    };
    static constexpr std::array<Entry, 8> kEntries{{
        {"PeakHeatingLoad", "kW", "max"},
        {"PeakCoolingLoad", "kW", "max"},
        {"MaxComfortTemperature", "°C", "max"},
        {"MaxAirTemperature", "°C", "max"},
        {"MaxRadiantTemperature", "°C", "max"},
        {"MinComfortTemperature", "°C", "min"},
        {"MinAirTemperature", "°C", "min"},
        {"MinRadiantTemperature", "°C", "min"},
    }};
    int32_t position = 0;
    for (const Entry& entry : kEntries)
        rows.push_back(
            {RecordKind::Summary, position++, entry.name, entry.unit, entry.aggregation});
}

// The weather rows (docs/weather.md, "Weather rows"): hourly values, daily and
// monthly means with radiation totals. Radiation is summed as the zones'
// energies are: an hour's mean kW/m² is its kWh/m², a day or month holds its
// total, and a design day's half-hours the rate (UnitAt).
void AddWeatherVariables(std::vector<VariableInfo>& rows) {
    struct Entry {
        int32_t position;
        const char* name;
        const char* unit;
        const char* aggregation = "mean";
    };
    static constexpr std::array<Entry, 9> kEntries{{
        {1, "DryBulbTemperature", "°C"},
        {2, "WetBulbTemperature", "°C"},
        {3, "DirectNormalRadiation", "kWh/m²", "sum"},
        {4, "DiffuseHorizontalRadiation", "kWh/m²", "sum"},
        {5, "WindSpeed", "m/s"},
        {6, "WindDirection", "°"},
        {7, "AtmosphericPressure", "hPa"},
        {8, "SunAltitude", "°"},
        {9, "SunAzimuth", "°"},
    }};
    for (const Entry& entry : kEntries)
        rows.push_back(
            {RecordKind::Weather, entry.position, entry.name, entry.unit, entry.aggregation});
}

}  // namespace

std::vector<VariableInfo> ResultVariableRows() {
    std::vector<VariableInfo> rows;
    AddZoneVariables(RecordKind::Zone, rows);
    AddZoneVariables(RecordKind::Building, rows);
    for (const PlantVariableInfo& variable : PlantVariables())
        rows.push_back({RecordKind::Building, variable.position, std::string(variable.name),
                        std::string(variable.unit), "sum"});
    AddSummaryVariables(rows);
    AddWeatherVariables(rows);
    rows.push_back({RecordKind::PlantSwitch, 1, "PlantSwitch", "", "event"});
    return rows;
}

std::vector<ZoneInfo> ZoneRows(const EngineState& state) {
    std::vector<ZoneInfo> rows;
    const std::vector<int32_t> numbers = state.zones->ResultNumbers();
    size_t position = 0;
    for (const Zone& zone : *state.zones)
        rows.push_back({numbers[++position], zone.Key, zone.Description,
                        static_cast<double>(zone.FloorArea), static_cast<double>(zone.Volume)});
    return rows;
}

}  // namespace kz7::app
