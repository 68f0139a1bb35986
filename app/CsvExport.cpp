#include "CsvExport.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <stdexcept>

#include "ResultTables.h"
#include "Sqlite.h"
#include "kz7/platform/CodePage.h"
#include "kz7/platform/OutputFile.h"

namespace kz7::app {

namespace fs = std::filesystem;

namespace {

// Excel reads a UTF-8 file as such ("°C") only when it starts with this mark.
constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";

bool HasZoneColumns(RecordKind record) {
    return record == RecordKind::Zone || record == RecordKind::Summary ||
           record == RecordKind::PlantSwitch;
}

// "zones" for zone records, zone summaries and plant switches, else the
// record kind.
std::string_view FileWord(RecordKind record) {
    return HasZoneColumns(record) ? std::string_view("zones") : RecordKindText(record);
}

// The interval's name; a code the engine does not send gets "interval<code>".
std::string IntervalFileWord(int16_t interval) {
    const std::string_view name = IntervalName(interval);
    return name.empty() ? fmt::format("interval{}", interval) : std::string(name);
}

// A zone summary's extremes the engine never recorded are its starting
// values, not temperatures: their cells stay empty.
void BlankUnrecordedExtremes(const std::vector<int32_t>& positions,
                             std::vector<TimeSeries>& series) {
    auto find = [&](SummaryPosition position) -> std::vector<float>* {
        for (size_t k = 0; k < positions.size(); ++k)
            if (positions[k] == static_cast<int32_t>(position)) return &series[k].values;
        return nullptr;
    };
    for (const auto& [maximum, minimum] : kSummaryExtremes) {
        std::vector<float>* min = find(minimum);
        if (!min) continue;
        std::vector<float>* max = find(maximum);
        for (size_t step = 0; step < min->size(); ++step) {
            if (std::isnan((*min)[step]) || !IsUnrecordedMinimum((*min)[step])) continue;
            (*min)[step] = std::nanf("");
            if (max && step < max->size()) (*max)[step] = std::nanf("");
        }
    }
}

// A time of 0, the first moment of the date scale, is no run's date: the
// heat-loss design run sends its records undated, and its summary at 0.
std::string TimeText(double time) {
    return time == 0.0 ? std::string() : OleDateText(time);
}

}  // namespace

CsvExport::CsvExport(ResultDatabase& database, CsvExportOptions options)
    : database_(database), reader_(database), options_(std::move(options)) {}

std::string CsvExport::Field(std::string_view stored) {
    // Results stored from older models may hold Windows-1252 bytes.
    std::string text = ToUtf8(std::string(stored));
    // A spreadsheet runs a cell that starts with one of these as a formula;
    // the leading apostrophe makes it plain text, as typing it would.
    if (!text.empty() && std::string_view("=+-@\t\r").find(text.front()) != std::string_view::npos)
        text.insert(0, 1, '\'');
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + '"';
}

std::vector<RunFacts> CsvExport::SelectedRuns() {
    std::vector<RunFacts> runs;
    for (RunFacts& run : reader_.Runs())
        if (!options_.run || run.id == *options_.run) runs.push_back(std::move(run));
    if (options_.run && runs.empty()) {
        throw database_.Error(fmt::format("there is no run {}", *options_.run));
    }
    return runs;
}

// One table per interval and kind of record, in interval order, each with
// its zones.
std::vector<CsvExport::Table> CsvExport::TablesOf(int64_t run) {
    std::vector<Table> tables;
    for (int16_t interval = 1; interval <= kLastIntervalCode; ++interval) {
        if (options_.interval && *options_.interval != interval) continue;
        std::map<std::string_view, Table> byRecord;  // ordered by the kind's name
        for (int32_t zone : reader_.ZonesWithValues(run, interval)) {
            if (options_.zone && *options_.zone != zone) continue;
            const RecordKind kind = KindOfRecord(interval, zone);
            Table& table =
                byRecord.try_emplace(RecordKindText(kind), Table{run, interval, kind, {}})
                    .first->second;
            table.zones.push_back(zone);
        }
        for (auto& [name, table] : byRecord) tables.push_back(std::move(table));
    }
    return tables;
}

// The positions that carry a value anywhere in the table, headed with the
// variable's name and unit, or "position N" when the run named none.
std::vector<CsvExport::Column> CsvExport::ColumnsOf(const Table& table) {
    std::set<int32_t> positions;
    for (int32_t zone : table.zones)
        for (int32_t position : reader_.Positions(table.run, table.interval, zone))
            positions.insert(position);
    const std::vector<VariableInfo> variables = reader_.Variables(table.run);
    std::vector<Column> columns;
    for (int32_t position : positions) {
        std::string heading = fmt::format("position {}", position);
        for (const VariableInfo& variable : variables) {
            if (variable.record != table.record || variable.position != position) continue;
            heading = variable.name;
            const std::string unit = UnitAt(variable, table.interval);
            if (!unit.empty()) heading += fmt::format(" ({})", unit);
        }
        columns.push_back({position, std::move(heading)});
    }
    return columns;
}

// Rows zone by zone, each zone's in time order; a weather table also gives
// each row's own date (source_time). Plant switching has a row per switch
// of the zone, not per step any zone switched in.
CsvFile CsvExport::WriteTable(const Table& table) {
    const std::vector<Column> columns = ColumnsOf(table);
    const bool zoneColumns = HasZoneColumns(table.record);
    const bool weather = table.record == RecordKind::Weather;
    const bool events = table.record == RecordKind::PlantSwitch;
    CsvFile file;
    file.path =
        options_.outFolder / fmt::format("run{}-{}-{}.csv", table.run,
                                         IntervalFileWord(table.interval), FileWord(table.record));
    OutputFile out;
    if (!out.Open(file.path)) throw std::runtime_error("cannot write " + out.Problem());

    out.Write(kUtf8ByteOrderMark);
    out.Write(zoneColumns ? "zone,zone_name,time" : "time");
    if (weather) out.Write(",source_time");
    for (const Column& column : columns) {
        out.Write(",");
        out.Write(Field(column.heading));
    }
    out.Write("\r\n");

    std::map<int32_t, std::string> zoneNames;
    for (const ZoneInfo& zone : reader_.Zones(table.run)) zoneNames[zone.zone] = zone.name;
    const std::vector<double> times = reader_.Times(table.run, table.interval);
    const std::vector<double> sourceTimes =
        weather ? reader_.SourceTimes(table.run, table.interval) : std::vector<double>();
    for (int32_t zone : table.zones) {
        // The zone's rows run to its last value: zones may send fewer
        // records than the interval has steps (a weather row beside zones).
        std::vector<TimeSeries> series;
        std::vector<int32_t> positions;
        size_t steps = 0;
        for (const Column& column : columns) {
            positions.push_back(column.position);
            series.push_back(reader_.Series(table.run, table.interval, zone, column.position));
            const std::vector<float>& values = series.back().values;
            for (size_t step = values.size(); step > steps; --step)
                if (!std::isnan(values[step - 1])) steps = step;
        }
        if (table.record == RecordKind::Summary) BlankUnrecordedExtremes(positions, series);
        for (size_t step = 0; step < steps; ++step) {
            if (events && std::ranges::all_of(series, [step](const TimeSeries& values) {
                    return std::isnan(values.values[step]);
                }))
                continue;
            if (zoneColumns) out.Write(fmt::format("{},{},", zone, Field(zoneNames[zone])));
            out.Write(TimeText(times[step]));
            if (weather) {
                out.Write(",");
                out.Write(TimeText(step < sourceTimes.size() ? sourceTimes[step] : std::nan("")));
            }
            for (const TimeSeries& values : series) {
                out.Write(",");
                if (!std::isnan(values.values[step]))
                    out.Write(fmt::format("{}", values.values[step]));
            }
            out.Write("\r\n");
            ++file.rows;
        }
    }
    if (!out.Commit()) throw std::runtime_error("cannot write " + out.Problem());
    return file;
}

// The folder is made only when something matches, so that a selection of
// nothing leaves nothing behind.
std::vector<CsvFile> CsvExport::Write() {
    std::vector<CsvFile> files;
    try {
        std::vector<Table> tables;
        for (const RunFacts& run : SelectedRuns()) {
            std::vector<Table> ofRun = TablesOf(run.id);
            if (!ofRun.empty() && run.status != RunStatusText(RunStatus::Finished))
                unfinished_.push_back(run);
            for (Table& table : ofRun) tables.push_back(std::move(table));
        }
        if (tables.empty()) return files;
        MakeOutFolder();
        for (const Table& table : tables) files.push_back(WriteTable(table));
    } catch (const SqliteError& sqliteError) {
        throw database_.Error(sqliteError.what());
    }
    return files;
}

void CsvExport::MakeOutFolder() const {
    std::string problem;
    if (!MakeFolder(options_.outFolder, problem)) throw std::runtime_error(problem);
}

}  // namespace kz7::app
