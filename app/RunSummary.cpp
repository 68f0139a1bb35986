#include "RunSummary.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <utility>

#include "JsonNumber.h"
#include "ResultTables.h"
#include "kz7/output/ResultVariables.h"

namespace kz7::app {

namespace {

constexpr int16_t kHourInterval = 2;
constexpr int16_t kMonthInterval = 4;
constexpr int16_t kSummaryInterval = 6;

// The value at `position`; empty for a missing position or a value the
// record does not have (NaN).
std::optional<double> ValueAt(std::span<const float> values, int32_t position) {
    if (position < 0 || static_cast<size_t>(position) >= values.size()) return std::nullopt;
    const float value = values[static_cast<size_t>(position)];
    if (!std::isfinite(value)) return std::nullopt;
    return value;
}

std::optional<double> ValueAt(std::span<const float> values, ZoneVariable variable) {
    return ValueAt(values, static_cast<int32_t>(variable));
}

std::optional<double> Combine(std::optional<double> a, std::optional<double> b,
                              double (*combine)(double, double)) {
    if (!a) return b;
    if (!b) return a;
    return combine(*a, *b);
}

double Sum(double a, double b) {
    return a + b;
}
double Larger(double a, double b) {
    return std::max(a, b);
}
double Smaller(double a, double b) {
    return std::min(a, b);
}

std::string Cell(std::optional<double> value, int decimals, int width) {
    if (!value) return fmt::format("{:>{}}", "-", width);
    return fmt::format("{:>{}.{}f}", *value, width, decimals);
}

nlohmann::json JsonValue(std::optional<double> value) {
    return value ? JsonNumber(*value) : nlohmann::json(nullptr);
}

// A figure per m² of the zone's (or building's) floor area; `factor` 1000
// turns kW into W/m².
std::optional<double> PerArea(const SummaryFigures& figures, std::optional<double> value,
                              double factor = 1.0) {
    if (!value || !figures.floorArea || *figures.floorArea <= 0.0) return std::nullopt;
    return *value * factor / *figures.floorArea;
}

// The figures by name, in the order they are printed: each per-m² figure
// beside its own.
std::vector<std::pair<std::string, std::optional<double>>> NamedFigures(const SummaryFigures& f) {
    return {
        {"floor_area_m2", f.floorArea},
        {"peak_heating_kw", f.peakHeating},
        {"peak_heating_w_m2", PerArea(f, f.peakHeating, 1000.0)},
        {"peak_cooling_kw", f.peakCooling},
        {"peak_cooling_w_m2", PerArea(f, f.peakCooling, 1000.0)},
        {"heating_kwh", f.heating},
        {"heating_kwh_m2", PerArea(f, f.heating)},
        {"cooling_kwh", f.cooling},
        {"cooling_kwh_m2", PerArea(f, f.cooling)},
        {"fuel_kwh", f.fuel},
        {"fuel_kwh_m2", PerArea(f, f.fuel)},
        {"carbon_kg", f.carbon},
        {"max_air_c", f.maxAir},
        {"min_air_c", f.minAir},
        {"max_comfort_c", f.maxComfort},
        {"min_comfort_c", f.minComfort},
        {"hours_above_25", f.hoursAbove25},
        {"hours_above_28", f.hoursAbove28},
    };
}

std::string TableLine(const std::string& zone, const std::string& name, const SummaryFigures& f) {
    return fmt::format("{:<6} {:<20.20} {} {} {} {} {} {} {} {} {} {} {} {} {} {} {} {} {}\n", zone,
                       name, Cell(f.floorArea, 0, 7), Cell(f.peakHeating, 2, 8),
                       Cell(PerArea(f, f.peakHeating, 1000.0), 1, 6), Cell(f.peakCooling, 2, 8),
                       Cell(PerArea(f, f.peakCooling, 1000.0), 1, 6), Cell(f.heating, 0, 9),
                       Cell(PerArea(f, f.heating), 1, 7), Cell(f.cooling, 0, 9),
                       Cell(PerArea(f, f.cooling), 1, 7), Cell(f.fuel, 0, 9),
                       Cell(f.carbon, 0, 8), Cell(f.maxAir, 1, 6), Cell(f.minAir, 1, 6),
                       Cell(f.maxComfort, 1, 6), Cell(f.minComfort, 1, 6),
                       Cell(f.hoursAbove25, 0, 6), Cell(f.hoursAbove28, 0, 6));
}

}  // namespace

nlohmann::json FiguresJson(const SummaryFigures& figures) {
    nlohmann::json json = nlohmann::json::object();
    for (const auto& [name, value] : NamedFigures(figures)) json[name] = JsonValue(value);
    return json;
}

void SetSummaryRecordFigures(const std::array<double, 8>& summary, SummaryFigures& figures) {
    auto at = [&](SummaryPosition position) -> std::optional<double> {
        const double value = summary[static_cast<size_t>(position)];
        return std::isnan(value) ? std::nullopt : std::optional<double>(value);
    };
    figures.peakHeating = at(SummaryPosition::PeakHeatingLoad);
    figures.peakCooling = at(SummaryPosition::PeakCoolingLoad);
    figures.maxAir = at(SummaryPosition::MaxAirTemperature);
    figures.minAir = at(SummaryPosition::MinAirTemperature);
    figures.maxComfort = at(SummaryPosition::MaxComfortTemperature);
    figures.minComfort = at(SummaryPosition::MinComfortTemperature);
    // A zone never occupied keeps the engine's starting extremes (0 and
    // 999): there is no temperature to show.
    if (figures.minAir && *figures.minAir >= 999.0) figures.minAir.reset();
    if (figures.minComfort && *figures.minComfort >= 999.0) figures.minComfort.reset();
    if (!figures.minAir) figures.maxAir.reset();
    if (!figures.minComfort) figures.maxComfort.reset();
}

double OccupiedHoursAbove(double occupiedHours, double occupiedComfort, double limit) {
    return occupiedHours > 0.0 && occupiedComfort > limit ? occupiedHours : 0.0;
}

void CombineZoneFigures(SummaryFigures& building, const SummaryFigures& f) {
    building.peakHeating = Combine(building.peakHeating, f.peakHeating, Sum);
    building.peakCooling = Combine(building.peakCooling, f.peakCooling, Sum);
    building.maxAir = Combine(building.maxAir, f.maxAir, Larger);
    building.minAir = Combine(building.minAir, f.minAir, Smaller);
    building.maxComfort = Combine(building.maxComfort, f.maxComfort, Larger);
    building.minComfort = Combine(building.minComfort, f.minComfort, Smaller);
    building.hoursAbove25 = Combine(building.hoursAbove25, f.hoursAbove25, Larger);
    building.hoursAbove28 = Combine(building.hoursAbove28, f.hoursAbove28, Larger);
}

void IntervalTotal::Add(int16_t interval, double value) {
    if (interval < kHourInterval || interval > kMonthInterval) return;
    const auto index = static_cast<size_t>(interval - kHourInterval);
    sums_[index] += value;
    seen_[index] = true;
}

std::optional<double> IntervalTotal::Total() const {
    for (size_t index = seen_.size(); index-- > 0;)
        if (seen_[index]) return sums_[index];
    return std::nullopt;
}

RunSummary::RunSummary(std::vector<ZoneInfo> zones)
    : zones_(std::move(zones)), totals_(zones_.size()) {}

// Zones are listed by number from 1, so zone n is found at once in place
// n − 1; a list in another order is searched.
RunSummary::ZoneTotals* RunSummary::TotalsOf(int32_t zone) {
    const auto place = static_cast<size_t>(zone - 1);
    if (zone < 1 || place >= zones_.size() || zones_[place].zone != zone) {
        const auto found = std::ranges::find(zones_, zone, &ZoneInfo::zone);
        if (found == zones_.end()) return nullptr;
        return &totals_[static_cast<size_t>(found - zones_.begin())];
    }
    return &totals_[place];
}

void RunSummary::Add(const ResultRecord& record, double dayWeight) {
    const int16_t interval = record.interval;
    const int32_t zone = record.zone;
    const Values values = record.values;
    if (zone < 0) return;  // weather rows
    const double weight = interval < kMonthInterval ? dayWeight : 1.0;
    if (interval == kSummaryInterval) {
        AddSummary(zone, values);
        return;
    }
    if (zone == 0) {
        AddZoneRecord(interval, building_, values, weight);
        AddPlantValues(interval, values, weight);
        return;
    }
    if (ZoneTotals* totals = TotalsOf(zone)) AddZoneRecord(interval, *totals, values, weight);
}

void RunSummary::AddSummary(int32_t zone, Values values) {
    std::array<double, 8> summary{};
    for (size_t position = 0; position < summary.size(); ++position)
        summary[position] = ValueAt(values, static_cast<int32_t>(position)).value_or(std::nan(""));
    for (const auto& [maximum, minimum] : kSummaryExtremes) {
        if (IsUnrecordedMinimum(summary[static_cast<size_t>(minimum)]))
            summary[static_cast<size_t>(maximum)] = summary[static_cast<size_t>(minimum)] =
                std::nan("");
    }
    if (ZoneTotals* totals = TotalsOf(zone)) {
        totals->summary = summary;
        totals->sent = true;
    }
}

// Summed variables give kWh in hour, day and month records; the occupied
// hours above 25 and 28 °C count an hour's occupied part (OccupiedHours) when
// its mean occupied comfort temperature is above the limit.
void RunSummary::AddZoneRecord(int16_t interval, ZoneTotals& totals, Values values,
                               double weight) {
    totals.sent = true;
    if (auto heating = ValueAt(values, ZoneVariable::Heating))
        totals.heating.Add(interval, *heating * weight);
    if (auto cooling = ValueAt(values, ZoneVariable::Cooling))
        totals.cooling.Add(interval, *cooling * weight);
    if (interval != kHourInterval) return;
    const auto occupied = ValueAt(values, ZoneVariable::OccupiedHours);
    if (!occupied) return;
    totals.hourly = true;
    const auto comfort = ValueAt(values, ZoneVariable::OccupiedComfortTemperature);
    if (!comfort) return;
    totals.hoursAbove25 += OccupiedHoursAbove(*occupied, *comfort, kWarmLimit) * weight;
    totals.hoursAbove28 += OccupiedHoursAbove(*occupied, *comfort, kHotLimit) * weight;
}

void RunSummary::AddPlantValues(int16_t interval, Values values, double weight) {
    double fuel = 0.0;
    bool anyFuel = false;
    for (int32_t position = static_cast<int32_t>(PlantVariable::ElectricityUse);
         position <= static_cast<int32_t>(PlantVariable::Fuel6Use); ++position) {
        if (auto value = ValueAt(values, position)) {
            fuel += *value;
            anyFuel = true;
        }
    }
    if (anyFuel) building_.fuel.Add(interval, fuel * weight);
    if (auto carbon = ValueAt(values, static_cast<int32_t>(PlantVariable::CarbonDioxide)))
        building_.carbon.Add(interval, *carbon * weight);
}

SummaryFigures RunSummary::ZoneFigures(const ZoneTotals& totals) const {
    SummaryFigures figures;
    if (totals.summary) SetSummaryRecordFigures(*totals.summary, figures);
    figures.heating = totals.heating.Total();
    figures.cooling = totals.cooling.Total();
    figures.fuel = totals.fuel.Total();
    figures.carbon = totals.carbon.Total();
    if (totals.hourly) {
        figures.hoursAbove25 = totals.hoursAbove25;
        figures.hoursAbove28 = totals.hoursAbove28;
    }
    return figures;
}

std::vector<ZoneSummary> RunSummary::Zones() const {
    std::vector<ZoneSummary> zones;
    for (size_t place = 0; place < zones_.size(); ++place) {
        const ZoneInfo& zone = zones_[place];
        const ZoneTotals& totals = totals_[place];
        zones.push_back({zone, totals.sent ? ZoneFigures(totals) : SummaryFigures{}});
        zones.back().figures.floorArea = zone.floorArea;
    }
    return zones;
}

// The building: peaks are the sum of the zones' peaks (not coincident),
// extremes the extremes over the zones, hours above a limit those of the
// worst zone; heating, cooling, fuel and carbon come from the building and
// plant record (zone 0).
SummaryFigures RunSummary::Building() const {
    SummaryFigures building = ZoneFigures(building_);
    building.hoursAbove25.reset();
    building.hoursAbove28.reset();
    building.floorArea = 0.0;
    for (const ZoneSummary& zone : Zones()) {
        const SummaryFigures& f = zone.figures;
        if (f.floorArea && *f.floorArea > 0.0) *building.floorArea += *f.floorArea;
        CombineZoneFigures(building, f);
    }
    return building;
}

std::string RunSummary::Table() const {
    constexpr std::string_view kHeading =
        "{:<6} {:<20} {:>7} {:>8} {:>6} {:>8} {:>6} {:>9} {:>7} {:>9} {:>7} {:>9} {:>8} {:>6} "
        "{:>6} {:>6} {:>6} {:>6} {:>6}\n";
    std::string table = fmt::format(
        fmt::runtime(kHeading), "Zone", "Name", "Floor", "Peak", "Peak", "Peak", "Peak",
        "Heating", "Heating", "Cooling", "Cooling", "Fuel", "Carbon", "Air", "Air", "Comf.",
        "Comf.", "Hours", "Hours");
    table += fmt::format(fmt::runtime(kHeading), "", "", "m²", "heat kW", "W/m²", "cool kW",
                         "W/m²", "kWh", "kWh/m²", "kWh", "kWh/m²", "kWh", "kg CO2", "max", "min",
                         "max", "min", ">25°C", ">28°C");
    for (const ZoneSummary& zone : Zones())
        table += TableLine(zone.zone.key, zone.zone.name, zone.figures);
    table += TableLine("All", "Building", Building());
    return table;
}

nlohmann::json RunSummary::Json() const {
    nlohmann::json zones = nlohmann::json::array();
    for (const ZoneSummary& zone : Zones()) {
        nlohmann::json entry = {
            {"zone", zone.zone.zone}, {"key", zone.zone.key}, {"name", zone.zone.name}};
        entry.update(FiguresJson(zone.figures));
        zones.push_back(std::move(entry));
    }
    return {{"zones", std::move(zones)}, {"building", FiguresJson(Building())}};
}

std::vector<SummaryRow> RunSummary::Rows() const {
    std::vector<SummaryRow> rows;
    for (const ZoneSummary& zone : Zones())
        rows.push_back({zone.zone.zone, NamedFigures(zone.figures)});
    rows.push_back({0, NamedFigures(Building())});
    return rows;
}

}  // namespace kz7::app
