#include "ResultDatabase.h"

#include <fmt/format.h>
#include <unistd.h>

#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <optional>
#include <system_error>

#include "Sqlite.h"
#include "kz7/output/ZoneResultStore.h"

namespace kz7::app {

namespace fs = std::filesystem;

namespace {

// The tables and views of a result database, created in one transaction.
// One row of `records` holds one record of the engine: its values are a JSON
// array indexed by position, so that storing a record is one insert however
// many values it carries; the views unfold it into one row per value.
constexpr std::string_view kSchema = R"sql(
CREATE TABLE runs (
    id INTEGER PRIMARY KEY,
    command TEXT NOT NULL,
    model TEXT NOT NULL,
    weather TEXT NOT NULL,
    started_at TEXT NOT NULL,
    finished_at TEXT,
    status TEXT NOT NULL CHECK (status IN ('running', 'finished', 'cancelled', 'failed')),
    engine_version TEXT NOT NULL,
    note TEXT
);
CREATE TABLE zones (
    run INTEGER NOT NULL REFERENCES runs (id),
    zone INTEGER NOT NULL,
    key TEXT NOT NULL,
    name TEXT NOT NULL,
    PRIMARY KEY (run, zone)
);
CREATE TABLE variables (
    run INTEGER NOT NULL REFERENCES runs (id),
    record TEXT NOT NULL,
    position INTEGER NOT NULL,
    name TEXT NOT NULL,
    unit TEXT NOT NULL,
    aggregation TEXT NOT NULL,
    PRIMARY KEY (run, record, position)
);
CREATE TABLE intervals (
    code INTEGER PRIMARY KEY,
    name TEXT NOT NULL UNIQUE
);
CREATE TABLE records (
    id INTEGER PRIMARY KEY,
    run INTEGER NOT NULL REFERENCES runs (id),
    interval INTEGER NOT NULL,
    zone INTEGER NOT NULL,
    record TEXT NOT NULL,
    time REAL,
    vals TEXT NOT NULL
);
CREATE INDEX records_by_run_interval_zone_time ON records (run, interval, zone, time);
CREATE VIEW record_values AS
    SELECT r.id AS record_id, r.run, r.interval, r.zone, r.record, r.time,
           CAST(j.key AS INTEGER) AS position, CAST(j.value AS REAL) AS value
    FROM records AS r, json_each(r.vals) AS j;
CREATE VIEW results AS
    SELECT rv.run, coalesce(i.name, rv.interval) AS interval, rv.zone, z.name AS zone_name, rv.record, rv.time,
           strftime('%Y-%m-%d %H:%M:%S', rv.time + 2415018.5) AS time_text,
           rv.position, v.name AS variable, v.unit, v.aggregation, rv.value
    FROM record_values AS rv
    LEFT JOIN intervals AS i ON i.code = rv.interval
    LEFT JOIN zones AS z ON z.run = rv.run AND z.zone = rv.zone
    LEFT JOIN variables AS v
        ON v.run = rv.run AND v.record = rv.record AND v.position = rv.position
    WHERE v.name IS NOT NULL OR rv.value IS NOT NULL;
)sql";

constexpr double kMissingValue = -32768.0;

// The interval codes of the engine's records, by code.
constexpr std::array<std::string_view, kLastIntervalCode + 1> kIntervalNames{
    "", "step", "hour", "day", "month", "annual", "summary", "switch"};

std::string DescribeSqliteError(const SqliteError& error) {
    switch (error.Code()) {
        case SQLITE_NOTADB:
            return "not a SQLite database";
        case SQLITE_READONLY:
            return "the file is read-only";
        case SQLITE_CANTOPEN:
            return fmt::format("cannot open the file ({})", error.what());
        default:
            return error.what();
    }
}

std::string SystemReason() {
    return std::generic_category().message(errno);
}

// Removes a database file this process created, with its log files.
void RemoveCreatedFile(const fs::path& path) {
    std::error_code ignored;
    for (const char* suffix : {"", "-wal", "-shm", "-journal"}) {
        fs::remove(path.string() + suffix, ignored);
    }
}

// A value text the engine sent, read strictly: the whole text (blanks around
// it aside) must be a finite decimal number. The missing value is no number.
std::optional<double> ParseValueText(std::string_view text, char decimalSeparator,
                                     std::string& scratch) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    if (text.empty()) return std::nullopt;
    if (decimalSeparator != '.') {
        scratch.assign(text);
        for (char& c : scratch) {
            if (c == decimalSeparator) c = '.';
        }
        text = scratch;
    }
    double value = 0.0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    if (!std::isfinite(value) || value == kMissingValue) return std::nullopt;
    return value;
}

}  // namespace

std::string_view RunStatusText(RunStatus status) {
    switch (status) {
        case RunStatus::Running:
            return "running";
        case RunStatus::Finished:
            return "finished";
        case RunStatus::Cancelled:
            return "cancelled";
        case RunStatus::Failed:
            return "failed";
    }
    return "failed";
}

std::string_view RecordKindText(RecordKind kind) {
    switch (kind) {
        case RecordKind::Zone:
            return "zone";
        case RecordKind::Building:
            return "building";
        case RecordKind::Summary:
            return "summary";
        case RecordKind::Annual:
            return "annual";
        case RecordKind::Weather:
            return "weather";
        case RecordKind::PlantSwitch:
            return "switch";
    }
    return "zone";
}

std::string_view IntervalName(int16_t code) {
    if (code < 1 || code > kLastIntervalCode) return {};
    return kIntervalNames[static_cast<size_t>(code)];
}

std::optional<int16_t> IntervalCode(std::string_view name) {
    for (int16_t code = 1; code <= kLastIntervalCode; ++code) {
        if (kIntervalNames[static_cast<size_t>(code)] == name) return code;
    }
    return std::nullopt;
}

RecordKind KindOfRecord(int16_t interval, int32_t zone) {
    if (zone == -1) return RecordKind::Weather;
    if (interval == 6) return RecordKind::Summary;
    if (interval == 5) return RecordKind::Annual;
    if (interval == kPlantSwitchInterval) return RecordKind::PlantSwitch;
    if (zone == 0) return RecordKind::Building;
    return RecordKind::Zone;
}

// ---------------------------------------------------------------------------

ResultDatabase::ResultDatabase(const fs::path& file, Access access) : file_(file) {
    if (file_.empty()) throw ResultDatabaseError("result database: no file name given");
    std::error_code error;
    const fs::file_status status = fs::status(file_, error);
    const bool existed = fs::exists(status);
    try {
        if (fs::is_directory(status)) throw Error("is a folder, not a file");
        // A device or a pipe would swallow the results or block the open.
        if (existed && !fs::is_regular_file(status)) throw Error("not a regular file");
        const fs::path folder = file_.has_parent_path() ? file_.parent_path() : fs::path(".");
        if (!existed) {
            if (access == Access::ReadOnly) throw Error("no such file");
            if (fs::exists(folder, error) && !fs::is_directory(folder, error))
                throw Error(fmt::format("{} is a file, not a folder", folder.string()));
            if (!fs::is_directory(folder, error)) {
                throw Error(fmt::format("the folder {} does not exist", folder.string()));
            }
        }
        if (access == Access::ReadWrite) {
            if (existed && ::access(file_.c_str(), W_OK) != 0) {
                throw Error(fmt::format("the file is read-only ({})", SystemReason()));
            }
            // The write-ahead log is a file beside the database.
            if (::access(folder.c_str(), W_OK) != 0) {
                throw Error(fmt::format("cannot write files in the folder {} ({})", folder.string(),
                                        SystemReason()));
            }
        }
        Open(access);
    } catch (const SqliteError& sqliteError) {
        connection_.reset();
        if (!existed) RemoveCreatedFile(file_);
        throw Error(DescribeSqliteError(sqliteError));
    } catch (const ResultDatabaseError&) {
        connection_.reset();
        if (!existed) RemoveCreatedFile(file_);
        throw;
    }
}

ResultDatabase::~ResultDatabase() = default;

ResultDatabaseError ResultDatabase::Error(std::string_view reason) const {
    return ResultDatabaseError(fmt::format("result database {}: {}", file_.string(), reason));
}

void ResultDatabase::Open(Access access) {
    const int flags = access == Access::ReadOnly ? SQLITE_OPEN_READONLY
                                                 : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
    connection_ = std::make_unique<SqliteConnection>(file_.string(), flags | SQLITE_OPEN_NOMUTEX);
    // Another kz7 may be appending its own run: wait for its batch to commit.
    sqlite3_busy_timeout(connection_->Handle(), 10000);
    if (access == Access::ReadWrite && connection_->IsReadOnly()) {
        throw Error("the file is read-only");
    }
    CheckOrCreateSchema(access);
    if (access == Access::ReadWrite) {
        // WAL with synchronous NORMAL: a commit is one append without a sync,
        // and a crashed or killed writer never leaves a damaged file (a power
        // cut may lose the last batches, never the file's consistency).
        connection_->Execute("PRAGMA journal_mode = WAL; PRAGMA synchronous = NORMAL;");
    }
}

void ResultDatabase::CheckOrCreateSchema(Access access) {
    SqliteConnection& db = *connection_;
    const auto isOurs = [&db] {
        return db.QueryInteger("PRAGMA application_id") == kApplicationId;
    };
    if (!isOurs()) {
        if (db.QueryInteger("SELECT count(*) FROM sqlite_schema") != 0 ||
            db.QueryInteger("PRAGMA application_id") != 0) {
            throw Error("a SQLite database, but not a kz7 result database");
        }
        if (access == Access::ReadOnly) throw Error("an empty database without results");
        db.Execute("BEGIN IMMEDIATE");
        try {
            // Another kz7 may have created the tables since the check above.
            if (!isOurs()) {
                db.Execute(kSchema);
                SqliteStatement insertInterval(db, "INSERT INTO intervals VALUES (?, ?)");
                for (int16_t code = 1; code <= kLastIntervalCode; ++code) {
                    insertInterval.Bind(1, int64_t{code});
                    insertInterval.Bind(2, IntervalName(code));
                    insertInterval.Run();
                }
                db.Execute(fmt::format("PRAGMA application_id = {}; PRAGMA user_version = {};",
                                       kApplicationId, kSchemaVersion));
            }
            db.Execute("COMMIT");
        } catch (...) {
            sqlite3_exec(db.Handle(), "ROLLBACK", nullptr, nullptr, nullptr);
            throw;
        }
    }
    const int64_t version = db.QueryInteger("PRAGMA user_version");
    if (version > kSchemaVersion) {
        throw Error(fmt::format("written by a newer kz7 (layout version {})", version));
    }
}

// ---------------------------------------------------------------------------

RunWriter::RunWriter(ResultDatabase& database, const RunInfo& info)
    : database_(database), decimalSeparator_(info.decimalSeparator) {
    try {
        SqliteStatement insertRun(
            database.Connection(),
            "INSERT INTO runs (command, model, weather, started_at, status, engine_version) "
            "VALUES (?, ?, ?, strftime('%Y-%m-%dT%H:%M:%SZ', 'now'), 'running', ?)");
        insertRun.Bind(1, info.command);
        insertRun.Bind(2, info.model);
        insertRun.Bind(3, info.weather);
        insertRun.Bind(4, info.engineVersion);
        insertRun.Run();
        runId_ = database.Connection().LastInsertId();
        insertRecord_ = std::make_unique<SqliteStatement>(
            database.Connection(),
            "INSERT INTO records (run, interval, zone, record, time, vals) "
            "VALUES (?, ?, ?, ?, ?, ?)");
    } catch (const SqliteError& error) {
        throw database_.Error(DescribeSqliteError(error));
    }
    encoded_.reserve(4096);
}

RunWriter::~RunWriter() {
    if (!inBatch_) return;
    // Keep what was stored; errors cannot be reported from here.
    sqlite3_exec(database_.Connection().Handle(), "COMMIT", nullptr, nullptr, nullptr);
}

void RunWriter::CheckWritable() const {
    if (finished_) throw database_.Error(fmt::format("run {} is already finished", runId_));
}

void RunWriter::BeginBatch() {
    if (inBatch_) return;
    database_.Connection().Execute("BEGIN IMMEDIATE");
    inBatch_ = true;
    recordsInBatch_ = 0;
}

void RunWriter::CommitBatch() {
    if (!inBatch_) return;
    inBatch_ = false;
    database_.Connection().Execute("COMMIT");
}

void RunWriter::Fail(const SqliteError& error) {
    // Some errors (a full disk, an I/O error) roll the whole batch back.
    if (sqlite3_get_autocommit(database_.Connection().Handle())) inBatch_ = false;
    throw database_.Error(DescribeSqliteError(error));
}

void RunWriter::AddZones(const std::vector<ZoneInfo>& zones) {
    CheckWritable();
    try {
        BeginBatch();
        SqliteStatement insert(database_.Connection(),
                               "INSERT OR REPLACE INTO zones (run, zone, key, name) "
                               "VALUES (?, ?, ?, ?)");
        for (const ZoneInfo& zone : zones) {
            insert.Bind(1, runId_);
            insert.Bind(2, int64_t{zone.zone});
            insert.Bind(3, zone.key);
            insert.Bind(4, zone.name);
            insert.Run();
        }
    } catch (const SqliteError& error) {
        Fail(error);
    }
}

void RunWriter::AddVariables(const std::vector<VariableInfo>& variables) {
    CheckWritable();
    try {
        BeginBatch();
        SqliteStatement insert(
            database_.Connection(),
            "INSERT OR REPLACE INTO variables (run, record, position, name, unit, aggregation) "
            "VALUES (?, ?, ?, ?, ?, ?)");
        for (const VariableInfo& variable : variables) {
            insert.Bind(1, runId_);
            insert.Bind(2, RecordKindText(variable.record));
            insert.Bind(3, int64_t{variable.position});
            insert.Bind(4, variable.name);
            insert.Bind(5, variable.unit);
            insert.Bind(6, variable.aggregation);
            insert.Run();
        }
    } catch (const SqliteError& error) {
        Fail(error);
    }
}

void RunWriter::EncodeValues(RecordKind kind, const ValueArray& values) {
    encoded_.assign(1, '[');
    for (size_t position = 0; position < values.size(); ++position) {
        if (position > 0) encoded_ += ',';
        // Position 0 of a weather row repeats the row's date, which the time
        // column already holds.
        const bool isDate = kind == RecordKind::Weather && position == 0;
        const std::optional<double> value =
            isDate ? std::nullopt : ParseValueText(values[position], decimalSeparator_, number_);
        if (!value) {
            encoded_ += "null";
            continue;
        }
        char text[32];
        const auto result = std::to_chars(text, text + sizeof text, *value);
        encoded_.append(text, result.ptr);
        ++valueCount_;
    }
    encoded_ += ']';
}

void RunWriter::Store(int16_t interval, int32_t zone, const ValueArray& values, double oleDate) {
    CheckWritable();
    const RecordKind kind = KindOfRecord(interval, zone);
    EncodeValues(kind, values);
    try {
        BeginBatch();
        insertRecord_->Bind(1, runId_);
        insertRecord_->Bind(2, int64_t{interval});
        insertRecord_->Bind(3, int64_t{zone});
        insertRecord_->Bind(4, RecordKindText(kind), false);
        // A date that is not a finite number has no time; the record is kept.
        if (std::isfinite(oleDate)) {
            insertRecord_->Bind(5, oleDate);
        } else {
            insertRecord_->BindNull(5);
        }
        insertRecord_->Bind(6, encoded_, false);
        insertRecord_->Run();
        ++recordCount_;
        if (++recordsInBatch_ >= kRecordsPerCommit) CommitBatch();
    } catch (const SqliteError& error) {
        Fail(error);
    }
}

void RunWriter::Finish(RunStatus status, std::string_view note) {
    CheckWritable();
    try {
        BeginBatch();
        SqliteStatement update(database_.Connection(),
                               "UPDATE runs SET status = ?, note = ?, "
                               "finished_at = strftime('%Y-%m-%dT%H:%M:%SZ', 'now') WHERE id = ?");
        update.Bind(1, RunStatusText(status));
        if (note.empty()) {
            update.BindNull(2);
        } else {
            update.Bind(2, note);
        }
        update.Bind(3, runId_);
        update.Run();
        CommitBatch();
        finished_ = true;
    } catch (const SqliteError& error) {
        Fail(error);
    }
}

}  // namespace kz7::app
