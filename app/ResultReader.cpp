#include "ResultReader.h"

#include <fmt/format.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>

#include "Sqlite.h"
#include "kz7/platform/OleDate.h"

namespace kz7::app {

namespace {

constexpr std::string_view kRunColumns =
    "SELECT id, command, model, weather, label, model_sha256, started_at, finished_at, status, "
    "engine_version, schema_version, floor_area, volume, note FROM runs";

RunFacts RunFactsOf(const SqliteStatement& row) {
    RunFacts run;
    run.id = row.ColumnInteger(0);
    run.command = row.ColumnText(1);
    run.model = row.ColumnText(2);
    run.weather = row.ColumnText(3);
    run.label = row.ColumnText(4);
    run.modelSha256 = row.ColumnText(5);
    run.startedAt = row.ColumnText(6);
    run.finishedAt = row.ColumnText(7);
    run.status = row.ColumnText(8);
    run.engineVersion = row.ColumnText(9);
    run.schemaVersion = static_cast<int32_t>(row.ColumnInteger(10));
    run.floorArea = row.ColumnOptionalDouble(11);
    run.volume = row.ColumnOptionalDouble(12);
    run.note = row.ColumnText(13);
    return run;
}

// Copies stored little-endian float32 values into `out`.
void CopyFloats(std::span<const std::byte> bytes, float* out, size_t count) {
    std::memcpy(out, bytes.data(), count * sizeof(float));
    if constexpr (std::endian::native != std::endian::little) {
        for (size_t i = 0; i < count; ++i)
            out[i] = std::bit_cast<float>(__builtin_bswap32(std::bit_cast<uint32_t>(out[i])));
    }
}

template <typename Read>
auto Guarded(ResultDatabase& database, Read read) -> decltype(read()) {
    try {
        return read();
    } catch (const SqliteError& error) {
        throw database.Error(error.what());
    }
}

}  // namespace

std::vector<RunFacts> ResultReader::Runs() {
    return Guarded(database_, [&] {
        std::vector<RunFacts> runs;
        SqliteStatement select(database_.Connection(), std::string(kRunColumns) + " ORDER BY id");
        while (select.Step()) runs.push_back(RunFactsOf(select));
        SqliteStatement parameters(database_.Connection(),
                                   "SELECT name, value FROM run_parameters WHERE run = ? "
                                   "ORDER BY name");
        for (RunFacts& run : runs) {
            parameters.Bind(1, run.id);
            while (parameters.Step())
                run.parameters.emplace_back(parameters.ColumnText(0), parameters.ColumnText(1));
            parameters.Reset();
        }
        return runs;
    });
}

RunFacts ResultReader::Run(int64_t run) {
    for (RunFacts& facts : Runs())
        if (facts.id == run) return facts;
    throw database_.Error(fmt::format("there is no run {}", run));
}

std::vector<ZoneInfo> ResultReader::Zones(int64_t run) {
    return Guarded(database_, [&] {
        std::vector<ZoneInfo> zones;
        SqliteStatement select(database_.Connection(),
                               "SELECT zone, key, name, floor_area, volume FROM zones "
                               "WHERE run = ? ORDER BY zone");
        select.Bind(1, run);
        while (select.Step())
            zones.push_back({static_cast<int32_t>(select.ColumnInteger(0)), select.ColumnText(1),
                             select.ColumnText(2), select.ColumnDouble(3), select.ColumnDouble(4)});
        return zones;
    });
}

std::vector<VariableInfo> ResultReader::Variables(int64_t run) {
    return Guarded(database_, [&] {
        std::vector<VariableInfo> variables;
        SqliteStatement select(database_.Connection(),
                               "SELECT record, position, name, unit, aggregation FROM variables "
                               "WHERE run = ? ORDER BY record, position");
        select.Bind(1, run);
        while (select.Step()) {
            VariableInfo variable;
            const std::string record = select.ColumnText(0);
            for (RecordKind kind :
                 {RecordKind::Zone, RecordKind::Building, RecordKind::Summary, RecordKind::Annual,
                  RecordKind::Weather, RecordKind::PlantSwitch})
                if (RecordKindText(kind) == record) variable.record = kind;
            variable.position = static_cast<int32_t>(select.ColumnInteger(1));
            variable.name = select.ColumnText(2);
            variable.unit = select.ColumnText(3);
            variable.aggregation = select.ColumnText(4);
            variables.push_back(std::move(variable));
        }
        return variables;
    });
}

std::vector<SummaryRow> ResultReader::Summary(int64_t run) {
    return Guarded(database_, [&] {
        std::vector<SummaryRow> rows;
        // The building (zone 0) comes last, as in the printed summary.
        SqliteStatement select(database_.Connection(),
                               "SELECT zone, figure, value FROM summaries WHERE run = ? "
                               "ORDER BY zone = 0, zone, rowid");
        select.Bind(1, run);
        while (select.Step()) {
            const auto zone = static_cast<int32_t>(select.ColumnInteger(0));
            if (rows.empty() || rows.back().zone != zone) rows.push_back({zone, {}});
            rows.back().figures.emplace_back(select.ColumnText(1), select.ColumnOptionalDouble(2));
        }
        return rows;
    });
}

std::string OleDateText(double time) {
    if (!std::isfinite(time) || std::fabs(time) > 3e6) return {};
    double days = std::floor(time);
    double seconds = std::nearbyint((time - days) * 86400.0);
    if (seconds >= 86400.0) {
        days += 1.0;
        seconds = 0.0;
    }
    const CalendarDate date = FromOleDate(days);
    const auto whole = static_cast<int32_t>(seconds);
    return fmt::format("{:04}-{:02}-{:02} {:02}:{:02}:{:02}", date.year, date.month, date.day,
                       whole / 3600, whole / 60 % 60, whole % 60);
}

std::vector<double> ResultReader::Times(int64_t run, int16_t interval) {
    return TimeColumn(run, interval, "time");
}

std::vector<double> ResultReader::FirstTimes(int64_t run, int16_t interval, int64_t steps) {
    return steps > 0 ? TimeColumn(run, interval, "time", steps) : std::vector<double>{};
}

std::vector<double> ResultReader::SourceTimes(int64_t run, int16_t interval) {
    return TimeColumn(run, interval, "source_time");
}

std::vector<double> ResultReader::TimeColumn(int64_t run, int16_t interval, std::string_view column,
                                             int64_t steps) {
    return Guarded(database_, [&] {
        std::vector<double> times;
        SqliteStatement select(
            database_.Connection(),
            fmt::format("SELECT step, {} FROM times WHERE run = ? AND "
                        "interval = ? ORDER BY step{}",
                        column, steps > 0 ? fmt::format(" LIMIT {}", steps) : ""));
        select.Bind(1, run);
        select.Bind(2, int64_t{interval});
        while (select.Step()) {
            const int64_t step = select.ColumnInteger(0);
            if (step < 0 || step > std::numeric_limits<int32_t>::max()) continue;
            if (static_cast<size_t>(step) >= times.size())
                times.resize(static_cast<size_t>(step) + 1, std::nan(""));
            times[static_cast<size_t>(step)] =
                select.ColumnOptionalDouble(1).value_or(std::nan(""));
        }
        return times;
    });
}

TimeSeries ResultReader::Series(int64_t run, int16_t interval, int32_t zone, int32_t position) {
    TimeSeries series;
    series.times = Times(run, interval);
    series.values = Values(run, interval, zone, position, series.times.size());
    return series;
}

std::vector<float> ResultReader::Values(int64_t run, int16_t interval, int32_t zone,
                                        int32_t position, size_t steps) {
    std::vector<float> values(steps, std::numeric_limits<float>::quiet_NaN());
    Guarded(database_, [&] {
        SqliteStatement select(database_.Connection(),
                               "SELECT first_step, steps, vals FROM series WHERE run = ? AND "
                               "interval = ? AND zone = ? AND position = ? ORDER BY first_step");
        select.Bind(1, run);
        select.Bind(2, int64_t{interval});
        select.Bind(3, int64_t{zone});
        select.Bind(4, int64_t{position});
        while (select.Step()) {
            const int64_t first = select.ColumnInteger(0);
            const int64_t steps = select.ColumnInteger(1);
            const std::span<const std::byte> bytes = select.ColumnBlob(2);
            const size_t count = bytes.size() / sizeof(float);
            // A chunk beyond the steps that have times, or whose values do not
            // fit its steps, is a damaged file.
            if (first < 0 || steps < 0 ||
                static_cast<uint64_t>(first) + static_cast<uint64_t>(steps) > values.size() ||
                (count != 1 && count != static_cast<size_t>(steps)))
                throw database_.Error(fmt::format(
                    "run {}: the values of zone {} position {} do not fit the run's times", run,
                    zone, position));
            float* out = values.data() + first;
            CopyFloats(bytes, out, count);
            if (count == 1) std::fill(out + 1, out + steps, out[0]);
        }
        return 0;
    });
    return values;
}

TimeSeries ResultReader::Series(int64_t run, int16_t interval, int32_t zone,
                                std::string_view variable) {
    const RecordKind kind = KindOfRecord(interval, zone);
    for (const VariableInfo& info : Variables(run))
        if (info.record == kind && info.name == variable)
            return Series(run, interval, zone, info.position);
    throw database_.Error(
        fmt::format("run {} has no {} variable \"{}\"", run, RecordKindText(kind), variable));
}

std::vector<int32_t> ResultReader::Positions(int64_t run, int16_t interval, int32_t zone) {
    return Guarded(database_, [&] {
        std::vector<int32_t> positions;
        SqliteStatement select(database_.Connection(),
                               "SELECT DISTINCT position FROM series WHERE run = ? AND "
                               "interval = ? AND zone = ? ORDER BY position");
        select.Bind(1, run);
        select.Bind(2, int64_t{interval});
        select.Bind(3, int64_t{zone});
        while (select.Step()) positions.push_back(static_cast<int32_t>(select.ColumnInteger(0)));
        return positions;
    });
}

std::vector<int32_t> ResultReader::ZonesWithValues(int64_t run, int16_t interval) {
    return Guarded(database_, [&] {
        std::vector<int32_t> zones;
        SqliteStatement select(database_.Connection(),
                               "SELECT DISTINCT zone FROM series WHERE run = ? AND interval = ? "
                               "ORDER BY zone");
        select.Bind(1, run);
        select.Bind(2, int64_t{interval});
        while (select.Step()) zones.push_back(static_cast<int32_t>(select.ColumnInteger(0)));
        return zones;
    });
}

}  // namespace kz7::app
