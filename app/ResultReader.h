#pragma once
// Reading a result database back: the runs with their facts, a run's zones
// with their floor areas, its summary lines, and one variable of one zone as
// (time, value) arrays. This is the interface the reports and the Python
// package build on; the layout under it is in docs/results.md.
//
//     ResultDatabase database(path, ResultDatabase::Access::ReadOnly);
//     ResultReader reader(database);
//     for (const RunFacts& run : reader.Runs()) ...
//     TimeSeries air = reader.Series(run, 2, 3, "AirTemperature");  // hour, zone 3
//
// OleDateText(time) gives a time as "YYYY-MM-DD HH:MM:SS".
//
// Errors are ResultDatabaseError with a one-line reason.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "ResultDatabase.h"

namespace kz7::app {

struct RunFacts {
    int64_t id = 0;
    std::string command, model, weather, label, modelSha256;
    std::string startedAt, finishedAt;  // UTC, "2026-12-06T12:00:00Z"; finishedAt empty while running
    std::string status;                 // RunStatusText
    std::string engineVersion;
    int32_t schemaVersion = 0;
    std::optional<double> floorArea, volume;  // building totals, m² and m³
    std::string note;
    std::vector<std::pair<std::string, std::string>> parameters;  // by name
};

// One variable of one zone over a run: `times[i]` (OLE date on the run's
// calendar, the end of the interval) and `values[i]` (NaN where there is no
// value), in time order.
struct TimeSeries {
    std::vector<double> times;
    std::vector<float> values;
};

// An OLE date as "YYYY-MM-DD HH:MM:SS" (to the nearest second); empty for
// a time that is not a number.
std::string OleDateText(double time);

class ResultReader {
  public:
    explicit ResultReader(ResultDatabase& database) : database_(database) {}

    std::vector<RunFacts> Runs();
    RunFacts Run(int64_t run);  // throws when there is no such run
    std::vector<ZoneInfo> Zones(int64_t run);
    std::vector<VariableInfo> Variables(int64_t run);
    std::vector<SummaryRow> Summary(int64_t run);

    // The end of every step of `interval` on the run's calendar, by step.
    std::vector<double> Times(int64_t run, int16_t interval);
    // The same of the first `steps` steps alone.
    std::vector<double> FirstTimes(int64_t run, int16_t interval, int64_t steps);
    // The date the engine sent with each step (a weather row's own date).
    std::vector<double> SourceTimes(int64_t run, int16_t interval);
    // The series of one position of one zone's records of `interval`
    // (zone 0 the building and plant, -1 weather), on the interval's steps.
    TimeSeries Series(int64_t run, int16_t interval, int32_t zone, int32_t position);
    // The values alone, on `steps` steps of the interval (the length of its
    // Times): a caller reading many series of one interval reads its times once.
    std::vector<float> Values(int64_t run, int16_t interval, int32_t zone, int32_t position,
                              size_t steps);
    // The same by variable name; throws when the run has no such variable.
    TimeSeries Series(int64_t run, int16_t interval, int32_t zone, std::string_view variable);
    // The positions of `interval` and `zone` that hold any value.
    std::vector<int32_t> Positions(int64_t run, int16_t interval, int32_t zone);
    // The zones (record numbers) with values in `interval`, in order.
    std::vector<int32_t> ZonesWithValues(int64_t run, int16_t interval);

  private:
    // `steps` 0: every step.
    std::vector<double> TimeColumn(int64_t run, int16_t interval, std::string_view column,
                                   int64_t steps = 0);

    ResultDatabase& database_;
};

}  // namespace kz7::app
