#include "CsvExport.h"

#include <fmt/format.h>

#include <map>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <system_error>

#include "ResultTables.h"
#include "Sqlite.h"
#include "kz7/platform/CodePage.h"
#include "kz7/platform/OutputFile.h"

namespace kz7::app {

namespace fs = std::filesystem;

namespace {

// Excel reads a UTF-8 file as such ("°C") only when it starts with this mark.
constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";

bool HasZoneColumns(std::string_view record) {
    return record == "zone" || record == "summary" || record == "switch";
}

// "zones" for zone records, zone summaries and plant switches, else the
// record kind.
std::string_view FileWord(std::string_view record) {
    return HasZoneColumns(record) ? std::string_view("zones") : record;
}

// The interval's name; a code the engine does not send gets "interval<code>".
std::string IntervalFileWord(int16_t interval) {
    const std::string_view name = IntervalName(interval);
    return name.empty() ? fmt::format("interval{}", interval) : std::string(name);
}

// A zone summary's extremes the engine never recorded are its starting
// values, not temperatures: their cells stay empty.
void BlankUnrecordedExtremes(nlohmann::json& values) {
    for (const auto& [maximum, minimum] : kSummaryExtremes) {
        const auto max = static_cast<size_t>(maximum), min = static_cast<size_t>(minimum);
        if (min < values.size() && values[min].is_number() &&
            IsUnrecordedMinimum(values[min].get<double>())) {
            values[min] = nullptr;
            if (max < values.size()) values[max] = nullptr;
        }
    }
}

}  // namespace

CsvExport::CsvExport(ResultDatabase& database, CsvExportOptions options)
    : database_(database), options_(std::move(options)) {}

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

std::string CsvExport::ZoneFilter() const {
    return options_.zone ? " AND r.zone = ?4" : "";
}

std::vector<int64_t> CsvExport::SelectedRuns() {
    std::vector<int64_t> runs;
    SqliteStatement select(database_.Connection(),
                           "SELECT id FROM runs WHERE ?1 IS NULL OR id = ?1 ORDER BY id");
    if (options_.run) select.Bind(1, *options_.run);
    while (select.Step()) runs.push_back(select.ColumnInteger(0));
    if (options_.run && runs.empty()) {
        throw database_.Error(fmt::format("there is no run {}", *options_.run));
    }
    return runs;
}

std::vector<CsvExport::Table> CsvExport::TablesOf(int64_t run) {
    std::vector<Table> tables;
    SqliteStatement select(database_.Connection(),
                           "SELECT DISTINCT interval, record FROM records AS r WHERE run = ?1 "
                           "AND (?2 IS NULL OR interval = ?2)" +
                               ZoneFilter() + " ORDER BY interval, record");
    select.Bind(1, run);
    if (options_.interval) select.Bind(2, int64_t{*options_.interval});
    if (options_.zone) select.Bind(4, int64_t{*options_.zone});
    while (select.Step()) {
        tables.push_back(
            {run, static_cast<int16_t>(select.ColumnInteger(0)), select.ColumnText(1)});
    }
    return tables;
}

// The positions that carry a value anywhere in the table, headed with the
// variable's name and unit, or "position N" when the run named none.
std::vector<CsvExport::Column> CsvExport::ColumnsOf(const Table& table) {
    std::vector<Column> columns;
    SqliteStatement select(
        database_.Connection(),
        "WITH used AS (SELECT DISTINCT CAST(j.key AS INTEGER) AS position "
        "  FROM records AS r, json_each(r.vals) AS j "
        "  WHERE r.run = ?1 AND r.interval = ?2 AND r.record = ?3" +
            ZoneFilter() +
            " AND j.type <> 'null') "
            "SELECT u.position, v.name, v.unit FROM used AS u LEFT JOIN variables AS v "
            "ON v.run = ?1 AND v.record = ?3 AND v.position = u.position ORDER BY u.position");
    select.Bind(1, table.run);
    select.Bind(2, int64_t{table.interval});
    select.Bind(3, table.record);
    if (options_.zone) select.Bind(4, int64_t{*options_.zone});
    while (select.Step()) {
        const int64_t position = select.ColumnInteger(0);
        std::string heading =
            select.ColumnIsNull(1) ? fmt::format("position {}", position) : select.ColumnText(1);
        const std::string unit = select.ColumnText(2);
        if (!unit.empty()) heading += fmt::format(" ({})", unit);
        columns.push_back({position, std::move(heading)});
    }
    return columns;
}

CsvFile CsvExport::WriteTable(const Table& table) {
    const std::vector<Column> columns = ColumnsOf(table);
    const bool zoneColumns = HasZoneColumns(table.record);
    CsvFile file;
    file.path =
        options_.outFolder / fmt::format("run{}-{}-{}.csv", table.run,
                                         IntervalFileWord(table.interval), FileWord(table.record));
    OutputFile out;
    if (!out.Open(file.path)) throw std::runtime_error("cannot write " + out.Problem());

    out.Write(kUtf8ByteOrderMark);
    out.Write(zoneColumns ? "zone,zone_name,time" : "time");
    for (const Column& column : columns) {
        out.Write(",");
        out.Write(Field(column.heading));
    }
    out.Write("\r\n");

    // A time of 0, the first moment of the date scale, is no run's date: the
    // heat-loss design run sends its records undated, and its summary at 0.
    SqliteStatement select(
        database_.Connection(),
        "SELECT r.zone, z.name, CASE WHEN r.time <> 0 THEN "
        "strftime('%Y-%m-%d %H:%M:%S', r.time + 2415018.5) END, r.vals "
        "FROM records AS r LEFT JOIN zones AS z ON z.run = r.run AND z.zone = r.zone "
        "WHERE r.run = ?1 AND r.interval = ?2 AND r.record = ?3" +
            ZoneFilter() + " ORDER BY r.zone, r.time, r.id");
    select.Bind(1, table.run);
    select.Bind(2, int64_t{table.interval});
    select.Bind(3, table.record);
    if (options_.zone) select.Bind(4, int64_t{*options_.zone});
    while (select.Step()) {
        if (zoneColumns)
            out.Write(fmt::format("{},{},", select.ColumnInteger(0), Field(select.ColumnText(1))));
        out.Write(select.ColumnText(2));
        nlohmann::json values = nlohmann::json::parse(select.ColumnText(3));
        if (table.record == "summary") BlankUnrecordedExtremes(values);
        for (const Column& column : columns) {
            out.Write(",");
            const auto position = static_cast<size_t>(column.position);
            if (position < values.size() && values[position].is_number()) {
                out.Write(fmt::format("{}", values[position].get<double>()));
            }
        }
        out.Write("\r\n");
        ++file.rows;
    }
    if (!out.Commit()) throw std::runtime_error("cannot write " + out.Problem());
    return file;
}

std::vector<CsvFile> CsvExport::Write() {
    std::error_code error;
    fs::create_directories(options_.outFolder, error);
    if (error || !fs::is_directory(options_.outFolder)) {
        throw std::runtime_error(fmt::format("cannot create the folder {}: {}",
                                             options_.outFolder.string(),
                                             error ? error.message() : "not a folder"));
    }
    std::vector<CsvFile> files;
    try {
        for (int64_t run : SelectedRuns()) {
            for (const Table& table : TablesOf(run)) files.push_back(WriteTable(table));
        }
    } catch (const SqliteError& sqliteError) {
        throw database_.Error(sqliteError.what());
    } catch (const nlohmann::json::exception& jsonError) {
        throw database_.Error(fmt::format("a record's values are damaged ({})", jsonError.what()));
    }
    return files;
}

}  // namespace kz7::app
