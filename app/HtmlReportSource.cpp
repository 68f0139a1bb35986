// The report's reading of a result database: the run's row, its zones, and
// the series of the few variables the report draws, taken from the JSON
// arrays of the `records` table.
#include "HtmlReportSource.h"

#include <fmt/format.h>

#include <charconv>
#include <cmath>
#include <map>
#include <string_view>

#include "Sqlite.h"
#include "kz7/output/ResultVariables.h"

namespace kz7::app {

namespace {

constexpr int16_t kSummaryRecords = 6;

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

// A record's values: a JSON array of numbers and nulls, as the store writes
// it. False for anything else.
bool ParseValues(std::string_view text, std::vector<double>& values) {
    values.clear();
    if (text.size() < 2 || text.front() != '[' || text.back() != ']') return false;
    const char* p = text.data() + 1;
    const char* end = text.data() + text.size() - 1;
    while (p < end) {
        if (std::string_view(p, static_cast<size_t>(end - p)).starts_with("null")) {
            values.push_back(std::nan(""));
            p += 4;
        } else {
            double value = 0.0;
            const auto [next, error] = std::from_chars(p, end, value);
            if (error != std::errc()) return false;
            values.push_back(value);
            p = next;
        }
        if (p < end && *p++ != ',') return false;
    }
    return true;
}

ReportRunFacts FactsOf(ResultDatabase& database, std::optional<int64_t> run) {
    SqliteConnection& db = database.Connection();
    if (!run) {
        SqliteStatement last(db,
                             "SELECT id FROM runs WHERE command IN ('simulate', 'heatloss', "
                             "'heatgain') ORDER BY id DESC LIMIT 1");
        if (!last.Step()) throw database.Error("it holds no simulate, heatloss or heatgain run");
        run = last.ColumnInteger(0);
    }
    SqliteStatement select(db,
                           "SELECT command, model, weather, status, coalesce(note, ''), "
                           "started_at, coalesce(finished_at, ''), engine_version "
                           "FROM runs WHERE id = ?1");
    select.Bind(1, *run);
    if (!select.Step()) throw database.Error(fmt::format("there is no run {}", *run));
    ReportRunFacts facts;
    facts.run = *run;
    facts.command = select.ColumnText(0);
    if (!IsReportedCommand(facts.command))
        throw database.Error(
            fmt::format("run {} is a {} run; a report covers simulate, heatloss "
                        "and heatgain runs",
                        *run, facts.command));
    facts.model = select.ColumnText(1);
    facts.weather = select.ColumnText(2);
    facts.status = select.ColumnText(3);
    facts.note = select.ColumnText(4);
    facts.startedAt = select.ColumnText(5);
    facts.finishedAt = select.ColumnText(6);
    facts.engineVersion = select.ColumnText(7);
    // The time step is not stored; step records show it by their spacing.
    SqliteStatement steps(db,
                          "SELECT time FROM records WHERE run = ?1 AND interval = 1 AND zone = "
                          "(SELECT min(zone) FROM records WHERE run = ?1 AND interval = 1) "
                          "AND time IS NOT NULL ORDER BY time LIMIT 2");
    steps.Bind(1, *run);
    if (steps.Step()) {
        const double first = steps.ColumnDouble(0);
        if (steps.Step())
            facts.timeStepMinutes = std::round((steps.ColumnDouble(0) - first) * 1440.0);
    }
    return facts;
}

// The day of the run's first or last record of `interval` in the order they
// arrived: a typical-year weather file gives each month its own year, so
// the record times alone do not tell the period.
std::optional<double> EndDay(SqliteConnection& db, int64_t run, int16_t interval, bool last) {
    SqliteStatement select(db, fmt::format("SELECT time FROM records WHERE run = ?1 AND "
                                           "interval = ?2 AND time IS NOT NULL ORDER BY id {} "
                                           "LIMIT 1",
                                           last ? "DESC" : "ASC"));
    select.Bind(1, run);
    select.Bind(2, int64_t{interval});
    if (!select.Step()) return std::nullopt;
    const double time = select.ColumnDouble(0);
    const bool endStamped = interval == kHourRecords || interval == kStepRecords;
    return std::floor(endStamped ? time - 1e-6 : time + 1e-6);
}

bool HasRecords(SqliteConnection& db, int64_t run, int16_t interval) {
    SqliteStatement select(db, "SELECT 1 FROM records WHERE run = ?1 AND interval = ?2 LIMIT 1");
    select.Bind(1, run);
    select.Bind(2, int64_t{interval});
    return select.Step();
}

class RecordReader {
  public:
    RecordReader(ResultDatabase& database, int64_t run) : database_(database), run_(run) {
        SqliteStatement select(database.Connection(),
                               "SELECT zone, key, name FROM zones WHERE run = ?1 ORDER BY zone");
        select.Bind(1, run);
        while (select.Step()) {
            ReportZoneInput& zone = Zone(static_cast<int32_t>(select.ColumnInteger(0)));
            zone.key = select.ColumnText(1);
            zone.name = select.ColumnText(2);
        }
    }

    // Records are read in the order they were stored, within the rows of
    // the run and interval: a sequential pass over the table, where reading
    // through the index would visit its pages zone by zone.
    void Read(int16_t interval) {
        SqliteStatement select(
            database_.Connection(),
            "SELECT id, zone, time, vals FROM records WHERE id BETWEEN "
            "(SELECT min(id) FROM records WHERE run = ?1 AND interval = ?2) AND "
            "(SELECT max(id) FROM records WHERE run = ?1 AND interval = ?2) "
            "AND +run = ?1 AND +interval = ?2 AND zone >= 0 AND time IS NOT NULL "
            "ORDER BY id");
        select.Bind(1, run_);
        select.Bind(2, int64_t{interval});
        while (select.Step()) {
            const std::string text = select.ColumnText(3);
            if (!ParseValues(text, values_))
                throw database_.Error(fmt::format("the values of record {} of run {} are damaged",
                                                  select.ColumnInteger(0), run_));
            ReportZoneInput& zone = Zone(static_cast<int32_t>(select.ColumnInteger(1)));
            if (interval == kSummaryRecords)
                StoreSummary(zone);
            else
                Store(zone, interval, select.ColumnDouble(2));
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

    // The series a record of `zone` and `interval` adds to, looked up once
    // per zone and interval rather than once per value.
    using Targets = std::vector<std::pair<int32_t, ReportSeries*>>;
    const Targets& TargetsOf(ReportZoneInput& zone, int16_t interval) {
        Targets& targets = targets_[{zone.zone, interval}];
        if (!targets.empty()) return targets;
        for (int32_t position : kZonePositions)
            targets.emplace_back(position, &zone.series[{interval, position}]);
        if (zone.zone != 0 || interval == kStepRecords) return targets;
        for (int32_t position = kFirstPlantRead; position <= kLastPlantPosition; ++position)
            targets.emplace_back(position, &zone.series[{interval, position}]);
        return targets;
    }

    void Store(ReportZoneInput& zone, int16_t interval, double time) {
        for (auto [position, series] : TargetsOf(zone, interval)) {
            series->times.push_back(time);
            const auto index = static_cast<size_t>(position);
            series->values.push_back(index < values_.size() ? values_[index] : std::nan(""));
        }
    }

    void StoreSummary(ReportZoneInput& zone) {
        std::array<double, 8> summary;
        for (size_t i = 0; i < summary.size(); ++i)
            summary[i] = i < values_.size() ? values_[i] : std::nan("");
        zone.summary = summary;
    }

    ResultDatabase& database_;
    int64_t run_;
    std::map<int32_t, ReportZoneInput> zones_;
    std::vector<double> values_;
    std::map<std::pair<int32_t, int16_t>, Targets> targets_;
};

}  // namespace

HtmlReportInput LoadHtmlReportInput(ResultDatabase& database, std::optional<int64_t> run) {
    ReportRunFacts facts = FactsOf(database, run);
    RecordReader reader(database, facts.run);
    SqliteConnection& db = database.Connection();
    // Annual runs are drawn from hours, days and months; design runs send
    // the time steps of their design days.
    const bool design = facts.command != "simulate";
    for (int16_t interval : {kStepRecords, kHourRecords, kDayRecords, kMonthRecords}) {
        if ((interval == kStepRecords) != design) continue;
        if (!HasRecords(db, facts.run, interval)) continue;
        reader.Read(interval);
        if (facts.firstDay) continue;
        facts.firstDay = EndDay(db, facts.run, interval, false);
        facts.lastDay = EndDay(db, facts.run, interval, true);
    }
    reader.Read(kSummaryRecords);
    return reader.Take(std::move(facts));
}

}  // namespace kz7::app
