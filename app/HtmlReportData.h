#pragma once
// What the HTML report of a run shows, and how it is worked out from the
// run's stored series. HtmlReportInput is what a result database gives
// (HtmlReportSource.h fills it); BuildHtmlReportData reduces it to the
// figures and the few thousand points per zone the page draws.
#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "RunSummary.h"

namespace kz7::app {

// Interval codes of the records a report reads.
constexpr int16_t kStepRecords = 1;
constexpr int16_t kHourRecords = 2;
constexpr int16_t kDayRecords = 3;
constexpr int16_t kMonthRecords = 4;

// One variable of one zone and interval over a run: the OLE dates the
// records carry and the values, NaN where a record has none. The series of
// one zone and interval come from the same records, index by index.
struct ReportSeries {
    std::vector<double> times;
    std::vector<double> values;
};

struct ReportRunFacts {
    int64_t run = 0;
    std::string command;  // "simulate", "heatloss", "heatgain"
    std::string model, weather;
    std::string status;  // "finished", "running", "cancelled", "failed"
    std::string note;    // why a run failed
    std::string startedAt, finishedAt, engineVersion;
    std::string label;                                            // empty when none
    std::vector<std::pair<std::string, std::string>> parameters;  // name, value
    // The days of the run's first and last records (OLE dates at 00:00).
    std::optional<double> firstDay, lastDay;
    std::optional<double> timeStepMinutes;
};

struct ReportZoneInput {
    int32_t zone = 0;  // 0: the building and plant record
    std::string key, name;
    std::optional<double> floorArea;  // m²
    // Keyed by interval code and position in the record.
    std::map<std::pair<int16_t, int32_t>, ReportSeries> series;
    // The zone summary record (interval 6), NaN where it has no value.
    std::optional<std::array<double, 8>> summary;

    const ReportSeries* Series(int16_t interval, int32_t position) const;
};

struct HtmlReportInput {
    ReportRunFacts facts;
    ReportZoneInput building;  // zone 0
    std::vector<ReportZoneInput> zones;
};

enum class ReportLayout { Annual, HeatLoss, HeatGain };

using MonthValues = std::array<double, 12>;  // January .. December

// A day hour by hour (or step by step): hour of day at each record's end,
// the temperatures in °C and the load in kW.
struct DayProfile {
    double day = 0.0;  // OLE date of the day at 00:00
    std::vector<double> hour, air, radiant, outside, load;
};

// Air temperature by day of the year (columns 1 January .. 31 December,
// numbered as in a leap year so that 29 February has its own column) and
// hour of day (rows), in tenths of a degree; hours without a value hold
// kNoCell. A run over more than a year shows the last value of each cell.
struct Carpet {
    static constexpr int32_t kNoCell = INT32_MIN;
    static constexpr size_t kDays = 366;
    std::vector<int32_t> tenths;  // kDays × 24, day by day; empty when no value
};

// Hours per 1 K band: band i covers firstBand + i ≤ t < firstBand + i + 1.
struct Histogram {
    int32_t firstBand = 0;
    std::vector<double> hours;
};

// A load duration curve: the load (kW) exceeded for the given number of hours.
struct LoadCurve {
    std::vector<double> hours, load;
};

struct ZoneReport {
    int32_t zone = 0;
    std::string key, name;
    std::optional<double> floorArea;
    SummaryFigures figures;
    std::optional<MonthValues> monthlyHeating, monthlyCooling;  // kWh
    std::optional<MonthValues> monthlyPeakCooling;              // kW, heat-gain runs
    Carpet carpet;
    Histogram airHistogram;
    LoadCurve heatingCurve, coolingCurve;
    std::optional<DayProfile> peakHeatingDay, peakCoolingDay;
};

struct PlantReport {
    std::vector<std::pair<std::string, MonthValues>> fuelByUse;  // kWh
    std::vector<std::pair<std::string, double>> fuelByFuel;      // kWh over the run
    std::optional<MonthValues> carbon;                           // kg
};

struct HtmlReportData {
    ReportRunFacts facts;
    ReportLayout layout = ReportLayout::Annual;
    std::optional<double> floorArea;  // m², when every zone has one
    ZoneReport building;
    std::vector<ZoneReport> zones;
    std::optional<PlantReport> plant;
};

// Points a load duration curve keeps at most: enough for its shape at any
// screen width, few enough for a hundred zones.
constexpr size_t kLoadCurvePoints = 300;

HtmlReportData BuildHtmlReportData(const HtmlReportInput& input);

// The pieces, for tests.
std::optional<MonthValues> MonthlyTotals(const ReportSeries& series, int16_t interval);
Carpet CarpetOf(const ReportSeries& hourlyAir);
Histogram HistogramOf(const ReportSeries& series);
LoadCurve LoadCurveOf(const ReportSeries& series, double hoursPerRecord);
// The day holding the largest load of `load` (none when no load is above 0),
// with the temperatures of that day from the zone's other series.
std::optional<DayProfile> PeakDayOf(const ReportZoneInput& zone, int16_t interval,
                                    int32_t loadPosition);

}  // namespace kz7::app
