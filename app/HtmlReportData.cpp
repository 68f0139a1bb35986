#include "HtmlReportData.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "kz7/output/ResultVariables.h"
#include "kz7/platform/OleDate.h"

namespace kz7::app {

namespace {

constexpr int32_t kAir = static_cast<int32_t>(ZoneVariable::AirTemperature);
constexpr int32_t kRadiant = static_cast<int32_t>(ZoneVariable::RadiantTemperature);
constexpr int32_t kOutside = static_cast<int32_t>(ZoneVariable::OutsideAirTemperature);
constexpr int32_t kHeating = static_cast<int32_t>(ZoneVariable::Heating);
constexpr int32_t kCooling = static_cast<int32_t>(ZoneVariable::Cooling);
constexpr int32_t kOccupied = static_cast<int32_t>(ZoneVariable::OccupiedHours);
constexpr int32_t kOccupiedComfort = static_cast<int32_t>(ZoneVariable::OccupiedComfortTemperature);

constexpr int32_t Plant(PlantVariable variable) {
    return static_cast<int32_t>(variable);
}

// Record dates from 1899-12-30 (the heat-loss design day is undated: day 0)
// to the year 9999; others are ignored.
bool UsableTime(double time) {
    return time >= 0.0 && time <= 2958465.0;
}

// Hour and step records carry the end of their interval, day and month
// records the day at 00:00: the day a record belongs to.
double RecordDay(double time, int16_t interval) {
    const bool endStamped = interval == kHourRecords || interval == kStepRecords;
    return std::floor(endStamped ? time - 1e-6 : time + 1e-6);
}

size_t MonthIndex(double day) {
    return static_cast<size_t>(std::clamp(FromOleDate(day).month, 1, 12) - 1);
}

template <typename Visit>
void ForEachValue(const ReportSeries& series, Visit visit) {
    const size_t count = std::min(series.times.size(), series.values.size());
    for (size_t i = 0; i < count; ++i)
        if (UsableTime(series.times[i]) && std::isfinite(series.values[i]))
            visit(series.times[i], series.values[i]);
}

// The coarsest interval that carries the variable gives its totals, as the
// run summary takes them.
const ReportSeries* Coarsest(const ReportZoneInput& zone, int32_t position, int16_t& interval) {
    for (int16_t candidate : {kMonthRecords, kDayRecords, kHourRecords}) {
        if (const ReportSeries* series = zone.Series(candidate, position)) {
            interval = candidate;
            return series;
        }
    }
    return nullptr;
}

std::optional<MonthValues> MonthlyOf(const ReportZoneInput& zone, int32_t position) {
    int16_t interval = 0;
    const ReportSeries* series = Coarsest(zone, position, interval);
    return series ? MonthlyTotals(*series, interval) : std::nullopt;
}

std::optional<double> Total(const std::optional<MonthValues>& months) {
    if (!months) return std::nullopt;
    return std::accumulate(months->begin(), months->end(), 0.0);
}

std::optional<MonthValues> MonthlyPeaks(const ReportSeries& series, int16_t interval) {
    MonthValues peaks{};
    bool any = false;
    ForEachValue(series, [&](double time, double value) {
        double& peak = peaks[MonthIndex(RecordDay(time, interval))];
        peak = std::max(peak, value);
        any = true;
    });
    return any ? std::optional<MonthValues>(peaks) : std::nullopt;
}

// Occupied hours above 25 and 28 °C from the hourly records, as the run
// summary counts them.
void AddHoursAbove(const ReportZoneInput& zone, SummaryFigures& figures) {
    const ReportSeries* occupied = zone.Series(kHourRecords, kOccupied);
    const ReportSeries* comfort = zone.Series(kHourRecords, kOccupiedComfort);
    if (!occupied || !comfort) return;
    double above25 = 0.0, above28 = 0.0;
    const size_t count = std::min(occupied->values.size(), comfort->values.size());
    for (size_t i = 0; i < count; ++i) {
        const double hours = occupied->values[i], temperature = comfort->values[i];
        if (!std::isfinite(hours) || !std::isfinite(temperature)) continue;
        above25 += OccupiedHoursAbove(hours, temperature, RunSummary::kWarmLimit);
        above28 += OccupiedHoursAbove(hours, temperature, RunSummary::kHotLimit);
    }
    figures.hoursAbove25 = above25;
    figures.hoursAbove28 = above28;
}

// Entry `index` of `series`: NaN when it has none.
double ValueAt(const ReportSeries* series, size_t index) {
    return series && index < series->values.size() ? series->values[index] : std::nan("");
}

// The zone's names, floor area and its summary record's figures.
ZoneReport ZoneHeading(const ReportZoneInput& input) {
    ZoneReport zone;
    zone.zone = input.zone;
    zone.key = input.key;
    zone.name = input.name;
    zone.floorArea = input.floorArea;
    if (input.summary) SetSummaryRecordFigures(*input.summary, zone.figures);
    return zone;
}

ZoneReport AnnualZone(const ReportZoneInput& input) {
    ZoneReport zone = ZoneHeading(input);
    zone.monthlyHeating = MonthlyOf(input, kHeating);
    zone.monthlyCooling = MonthlyOf(input, kCooling);
    zone.figures.heating = Total(zone.monthlyHeating);
    zone.figures.cooling = Total(zone.monthlyCooling);
    AddHoursAbove(input, zone.figures);
    if (const ReportSeries* air = input.Series(kHourRecords, kAir)) {
        zone.carpet = CarpetOf(*air);
        zone.airHistogram = HistogramOf(*air);
    }
    if (const ReportSeries* heating = input.Series(kHourRecords, kHeating))
        zone.heatingCurve = LoadCurveOf(*heating, 1.0);
    if (const ReportSeries* cooling = input.Series(kHourRecords, kCooling))
        zone.coolingCurve = LoadCurveOf(*cooling, 1.0);
    zone.peakHeatingDay = PeakDayOf(input, kHourRecords, kHeating);
    zone.peakCoolingDay = PeakDayOf(input, kHourRecords, kCooling);
    return zone;
}

// Design runs send the time steps of their design days.
ZoneReport DesignZone(const ReportZoneInput& input, ReportLayout layout) {
    ZoneReport zone = ZoneHeading(input);
    if (layout == ReportLayout::HeatLoss) {
        zone.peakHeatingDay = PeakDayOf(input, kStepRecords, kHeating);
    } else {
        zone.peakCoolingDay = PeakDayOf(input, kStepRecords, kCooling);
        if (const ReportSeries* cooling = input.Series(kStepRecords, kCooling))
            zone.monthlyPeakCooling = MonthlyPeaks(*cooling, kStepRecords);
    }
    return zone;
}

ZoneReport ZoneOf(const ReportZoneInput& input, ReportLayout layout) {
    return layout == ReportLayout::Annual ? AnnualZone(input) : DesignZone(input, layout);
}

std::optional<MonthValues> SumOfMonthly(const ReportZoneInput& building, int32_t first,
                                        int32_t last) {
    std::optional<MonthValues> sum;
    for (int32_t position = first; position <= last; ++position) {
        const std::optional<MonthValues> months = MonthlyOf(building, position);
        if (!months) continue;
        if (!sum) sum.emplace();
        for (size_t m = 0; m < 12; ++m) (*sum)[m] += (*months)[m];
    }
    return sum;
}

// Fuel by what it is used for, from the building-and-plant record. Fuel the
// uses do not account for (boilers and chillers beyond the 20th reported,
// for one) is shown as "Other".
std::optional<PlantReport> PlantOf(const ReportZoneInput& building) {
    PlantReport plant;
    const std::optional<MonthValues> total = SumOfMonthly(
        building, Plant(PlantVariable::ElectricityUse), Plant(PlantVariable::Fuel6Use));
    if (!total || *Total(total) <= 0.0) return std::nullopt;
    struct Use {
        const char* name;
        PlantVariable first, last;
    };
    const Use uses[] = {
        {"Heating plant", PlantVariable::Boiler1Fuel, PlantVariable::Boiler20Fuel},
        {"Cooling plant", PlantVariable::Chiller1Fuel, PlantVariable::Chiller20Fuel},
        {"Fans", PlantVariable::SystemFanElectricity, PlantVariable::SystemFanElectricity},
        {"Pumps and auxiliaries", PlantVariable::AuxiliaryElectricity,
         PlantVariable::AuxiliaryElectricity},
        {"Lighting and equipment", PlantVariable::GainsElectricityUse,
         PlantVariable::GainsFuel6Use},
    };
    MonthValues other = *total;
    for (const Use& use : uses) {
        const std::optional<MonthValues> months =
            SumOfMonthly(building, Plant(use.first), Plant(use.last));
        if (!months || *Total(months) <= 0.0) continue;
        plant.fuelByUse.emplace_back(use.name, *months);
        for (size_t m = 0; m < 12; ++m) other[m] -= (*months)[m];
    }
    if (*Total(other) > 0.005 * *Total(total)) {
        for (double& month : other) month = std::max(month, 0.0);
        plant.fuelByUse.emplace_back("Other", other);
    }
    const char* fuels[] = {"Electricity", "Fuel 2", "Fuel 3", "Fuel 4", "Fuel 5", "Fuel 6"};
    for (int32_t i = 0; i < 6; ++i) {
        const int32_t position = Plant(PlantVariable::ElectricityUse) + i;
        const std::optional<double> used = Total(MonthlyOf(building, position));
        if (used && *used > 0.0) plant.fuelByFuel.emplace_back(fuels[i], *used);
    }
    plant.carbon = MonthlyOf(building, Plant(PlantVariable::CarbonDioxide));
    return plant;
}

ReportLayout LayoutOf(const std::string& command) {
    if (command == "heatloss") return ReportLayout::HeatLoss;
    if (command == "heatgain") return ReportLayout::HeatGain;
    return ReportLayout::Annual;
}

}  // namespace

const ReportSeries* ReportZoneInput::Series(int16_t interval, int32_t position) const {
    const auto found = series.find({interval, position});
    return found == series.end() || found->second.times.empty() ? nullptr : &found->second;
}

std::optional<MonthValues> MonthlyTotals(const ReportSeries& series, int16_t interval) {
    MonthValues totals{};
    bool any = false;
    ForEachValue(series, [&](double time, double value) {
        totals[MonthIndex(RecordDay(time, interval))] += value;
        any = true;
    });
    return any ? std::optional<MonthValues>(totals) : std::nullopt;
}

Carpet CarpetOf(const ReportSeries& hourlyAir) {
    Carpet carpet;
    ForEachValue(hourlyAir, [&](double time, double value) {
        const double day = RecordDay(time, kHourRecords);
        const double hour = std::nearbyint((time - day) * 24.0) - 1.0;
        if (hour < 0.0 || hour > 23.0 || std::abs(value) > 1e6) return;
        const CalendarDate date = FromOleDate(day);
        const auto column = static_cast<size_t>(DayOfYear(2000, date.month, date.day) - 1);
        if (carpet.tenths.empty()) carpet.tenths.assign(Carpet::kDays * 24, Carpet::kNoCell);
        carpet.tenths[column * 24 + static_cast<size_t>(hour)] =
            static_cast<int32_t>(std::nearbyint(value * 10.0));
    });
    return carpet;
}

Histogram HistogramOf(const ReportSeries& series) {
    // Bands outside -50..80 °C hold nothing a building shows; values beyond
    // fall into the end bands.
    constexpr double kLowest = -50.0, kHighest = 79.0;
    Histogram histogram;
    std::optional<double> low, high;
    ForEachValue(series, [&](double, double value) {
        const double band = std::clamp(std::floor(value), kLowest, kHighest);
        low = std::min(low.value_or(band), band);
        high = std::max(high.value_or(band), band);
    });
    if (!low) return histogram;
    histogram.firstBand = static_cast<int32_t>(*low);
    histogram.hours.assign(static_cast<size_t>(*high - *low) + 1, 0.0);
    ForEachValue(series, [&](double, double value) {
        const double band = std::clamp(std::floor(value), kLowest, kHighest);
        histogram.hours[static_cast<size_t>(band - *low)] += 1.0;
    });
    return histogram;
}

LoadCurve LoadCurveOf(const ReportSeries& series, double hoursPerRecord) {
    std::vector<double> loads;
    ForEachValue(series, [&](double, double value) { loads.push_back(value); });
    std::sort(loads.begin(), loads.end(), std::greater<>());
    LoadCurve curve;
    if (loads.empty()) return curve;
    const size_t points = std::min(loads.size(), kLoadCurvePoints);
    for (size_t k = 0; k < points; ++k) {
        // Evenly spread ranks, the first (the peak) and the last always kept.
        const size_t rank = points == 1 ? 0 : k * (loads.size() - 1) / (points - 1);
        curve.hours.push_back(static_cast<double>(rank + 1) * hoursPerRecord);
        curve.load.push_back(loads[rank]);
    }
    return curve;
}

std::optional<DayProfile> PeakDayOf(const ReportZoneInput& zone, int16_t interval,
                                    int32_t loadPosition) {
    const ReportSeries* load = zone.Series(interval, loadPosition);
    if (!load) return std::nullopt;
    std::optional<double> peakTime;
    double peak = 0.0;
    ForEachValue(*load, [&](double time, double value) {
        if (value > peak) {
            peak = value;
            peakTime = time;
        }
    });
    if (!peakTime) return std::nullopt;
    DayProfile profile;
    profile.day = RecordDay(*peakTime, interval);
    const ReportSeries* air = zone.Series(interval, kAir);
    const ReportSeries* radiant = zone.Series(interval, kRadiant);
    const ReportSeries* outside = zone.Series(interval, kOutside);
    const size_t count = std::min(load->times.size(), load->values.size());
    for (size_t i = 0; i < count; ++i) {
        const double time = load->times[i];
        if (!UsableTime(time) || RecordDay(time, interval) != profile.day) continue;
        profile.hour.push_back((time - profile.day) * 24.0);
        profile.load.push_back(load->values[i]);
        profile.air.push_back(ValueAt(air, i));
        profile.radiant.push_back(ValueAt(radiant, i));
        profile.outside.push_back(ValueAt(outside, i));
    }
    return profile;
}

HtmlReportData BuildHtmlReportData(const HtmlReportInput& input) {
    HtmlReportData data;
    data.facts = input.facts;
    data.layout = LayoutOf(input.facts.command);
    const bool annual = data.layout == ReportLayout::Annual;
    data.building = ZoneOf(input.building, data.layout);
    data.building.figures.hoursAbove25.reset();
    data.building.figures.hoursAbove28.reset();
    double area = 0.0;
    bool everyArea = !input.zones.empty();
    for (const ReportZoneInput& zoneInput : input.zones) {
        data.zones.push_back(ZoneOf(zoneInput, data.layout));
        CombineZoneFigures(data.building.figures, data.zones.back().figures);
        everyArea = everyArea && zoneInput.floorArea && *zoneInput.floorArea > 0.0;
        if (everyArea) area += *zoneInput.floorArea;
    }
    if (everyArea) data.floorArea = data.building.floorArea = area;
    if (annual) {
        data.plant = PlantOf(input.building);
        if (data.plant) {
            data.building.figures.fuel =
                Total(SumOfMonthly(input.building, Plant(PlantVariable::ElectricityUse),
                                   Plant(PlantVariable::Fuel6Use)));
            data.building.figures.carbon = Total(data.plant->carbon);
        }
    }
    return data;
}

}  // namespace kz7::app
