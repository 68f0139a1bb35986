// The report's reading of a result database: the run's facts, its zones with
// their floor areas, and the series of the few variables the report draws,
// all through the database's read interface.
#include "HtmlReportSource.h"

#include <fmt/format.h>

#include <cmath>
#include <map>
#include <string_view>

#include "ResultReader.h"
#include "kz7/output/ResultVariables.h"

namespace kz7::app {

namespace {

constexpr int16_t kSummaryRecords = 6;
constexpr int32_t kSummaryPositions = 8;

// The positions the report reads: zone temperatures, loads and occupancy;
// the building record adds the plant values.
constexpr int32_t kZonePositions[] = {
    static_cast<int32_t>(ZoneVariable::AirTemperature),
    static_cast<int32_t>(ZoneVariable::RadiantTemperature),
    static_cast<int32_t>(ZoneVariable::OutsideAirTemperature),
    static_cast<int32_t>(ZoneVariable::Heating),
    static_cast<int32_t>(ZoneVariable::Cooling),
    static_cast<int32_t>(ZoneVariable::OccupiedHours),
    static_cast<int32_t>(ZoneVariable::OccupiedComfortTemperature),
};
constexpr int32_t kFirstPlantRead = static_cast<int32_t>(PlantVariable::SystemFanElectricity);

bool IsReportedCommand(std::string_view command) {
    return command == "simulate" || command == "heatloss" || command == "heatgain";
}

RunFacts ReportedRun(ResultDatabase& database, ResultReader& reader, std::optional<int64_t> run) {
    if (run) return reader.Run(*run);
    const std::vector<RunFacts> runs = reader.Runs();
    for (auto it = runs.rbegin(); it != runs.rend(); ++it)
        if (IsReportedCommand(it->command)) return *it;
    throw database.Error("it holds no simulate, heatloss or heatgain run");
}

ReportRunFacts FactsOf(ResultDatabase& database, const RunFacts& run) {
    if (!IsReportedCommand(run.command))
        throw database.Error(
            fmt::format("run {} is a {} run; a report covers simulate, heatloss "
                        "and heatgain runs",
                        run.id, run.command));
    ReportRunFacts facts;
    facts.run = run.id;
    facts.command = run.command;
    facts.model = run.model;
    facts.weather = run.weather;
    facts.status = run.status;
    facts.note = run.note;
    facts.startedAt = run.startedAt;
    facts.finishedAt = run.finishedAt;
    facts.engineVersion = run.engineVersion;
    facts.label = run.label;
    facts.parameters = run.parameters;
    return facts;
}

std::optional<double> Area(double area) {
    return area > 0.0 ? std::optional<double>(area) : std::nullopt;
}

// The day an interval's step ends on: hour and step records carry the end of
// their interval, so an hour ending at midnight belongs to the day before.
double DayOf(double time, int16_t interval) {
    const bool endStamped = interval == kHourRecords || interval == kStepRecords;
    return std::floor(endStamped ? time - 1e-6 : time + 1e-6);
}

class SeriesReader {
  public:
    SeriesReader(ResultReader& reader, int64_t run, const RunFacts& facts)
        : reader_(reader), run_(run) {
        for (const ZoneInfo& info : reader.Zones(run)) {
            ReportZoneInput& zone = Zone(info.zone);
            zone.key = info.key;
            zone.name = info.name;
            zone.floorArea = Area(info.floorArea);
        }
        Zone(0).floorArea = facts.floorArea ? Area(*facts.floorArea) : std::nullopt;
    }

    // Every zone's series of `interval`; the interval's times, empty when the
    // run has none.
    std::vector<double> Read(int16_t interval) {
        std::vector<double> times = reader_.Times(run_, interval);
        if (times.empty()) return times;
        for (int32_t number : reader_.ZonesWithValues(run_, interval)) {
            if (number < 0) continue;  // weather rows
            ReportZoneInput& zone = Zone(number);
            for (int32_t position : Positions(number, interval))
                zone.series[{interval, position}] = Series(interval, number, position, times);
        }
        return times;
    }

    // Each zone's summary record: its last value at each position.
    void ReadSummaries() {
        const std::vector<double> times = reader_.Times(run_, kSummaryRecords);
        if (times.empty()) return;
        for (int32_t number : reader_.ZonesWithValues(run_, kSummaryRecords)) {
            if (number < 0) continue;
            std::array<double, kSummaryPositions> summary;
            summary.fill(std::nan(""));
            for (int32_t position = 0; position < kSummaryPositions; ++position) {
                const ReportSeries series = Series(kSummaryRecords, number, position, times);
                for (double value : series.values)
                    if (!std::isnan(value)) summary[static_cast<size_t>(position)] = value;
            }
            Zone(number).summary = summary;
        }
    }

    HtmlReportInput Take(ReportRunFacts facts) {
        HtmlReportInput input;
        input.facts = std::move(facts);
        for (auto& [number, zone] : zones_) {
            if (number == 0)
                input.building = std::move(zone);
            else
                input.zones.push_back(std::move(zone));
        }
        input.building.name = "Building";
        return input;
    }

  private:
    ReportZoneInput& Zone(int32_t number) {
        ReportZoneInput& zone = zones_[number];
        if (zone.key.empty()) {
            zone.zone = number;
            zone.key = std::to_string(number);
        }
        return zone;
    }

    static std::vector<int32_t> Positions(int32_t zone, int16_t interval) {
        std::vector<int32_t> positions(std::begin(kZonePositions), std::end(kZonePositions));
        if (zone != 0 || interval == kStepRecords) return positions;
        for (int32_t position = kFirstPlantRead; position <= kLastPlantPosition; ++position)
            positions.push_back(position);
        return positions;
    }

    // The values of one position on the interval's steps, dropping the steps
    // whose time is unknown.
    ReportSeries Series(int16_t interval, int32_t zone, int32_t position,
                        const std::vector<double>& times) {
        const std::vector<float> values =
            reader_.Values(run_, interval, zone, position, times.size());
        ReportSeries series;
        series.times.reserve(times.size());
        series.values.reserve(times.size());
        for (size_t step = 0; step < times.size(); ++step) {
            if (std::isnan(times[step])) continue;
            series.times.push_back(times[step]);
            series.values.push_back(values[step]);
        }
        return series;
    }

    ResultReader& reader_;
    int64_t run_;
    std::map<int32_t, ReportZoneInput> zones_;
};

}  // namespace

HtmlReportInput LoadHtmlReportInput(ResultDatabase& database, std::optional<int64_t> run) {
    ResultReader reader(database);
    const RunFacts stored = ReportedRun(database, reader, run);
    ReportRunFacts facts = FactsOf(database, stored);
    SeriesReader series(reader, facts.run, stored);
    // Annual runs are drawn from hours, days and months; design runs send
    // the time steps of their design days.
    const bool design = facts.command != "simulate";
    for (int16_t interval : {kStepRecords, kHourRecords, kDayRecords, kMonthRecords}) {
        if ((interval == kStepRecords) != design) continue;
        const std::vector<double> times = series.Read(interval);
        if (facts.firstDay || times.empty()) continue;
        facts.firstDay = DayOf(times.front(), interval);
        facts.lastDay = DayOf(times.back(), interval);
    }
    // The step length from the first two steps: an annual run's steps are
    // not drawn, but their length is one of its facts when they were stored.
    const std::vector<double> first = reader.FirstTimes(facts.run, kStepRecords, 2);
    if (first.size() == 2 && std::isfinite(first[1] - first[0]))
        facts.timeStepMinutes = std::round((first[1] - first[0]) * 1440.0);
    series.ReadSummaries();
    return series.Take(std::move(facts));
}

}  // namespace kz7::app
