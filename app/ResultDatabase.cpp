#include "ResultDatabase.h"

#include <fcntl.h>
#include <fmt/format.h>
#include <stdio.h>
#include <unistd.h>

#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <system_error>

#include "ProcessIdentity.h"
#include "Sqlite.h"
#include "kz7/output/ZoneResultStore.h"

namespace kz7::app {

namespace fs = std::filesystem;

namespace {

// The tables of a result database (layout version 2). Values are
// stored as series: one row of `series` holds `steps` consecutive steps of
// one position of one zone's records of one interval, as little-endian
// float32 (NaN where there is no value), or as one value when they are all
// the same; `times` gives each step of an interval its time.
constexpr std::string_view kSchema = R"sql(
CREATE TABLE runs (
    id INTEGER PRIMARY KEY,
    command TEXT NOT NULL,
    model TEXT NOT NULL,
    weather TEXT NOT NULL,
    label TEXT NOT NULL,
    model_sha256 TEXT NOT NULL,
    started_at TEXT NOT NULL,
    finished_at TEXT,
    status TEXT NOT NULL CHECK (status IN ('running', 'finished', 'cancelled', 'failed')),
    engine_version TEXT NOT NULL,
    schema_version INTEGER NOT NULL,
    floor_area REAL,
    volume REAL,
    note TEXT
);
CREATE TABLE run_parameters (
    run INTEGER NOT NULL REFERENCES runs (id),
    name TEXT NOT NULL,
    value TEXT NOT NULL,
    PRIMARY KEY (run, name)
);
CREATE TABLE zones (
    run INTEGER NOT NULL REFERENCES runs (id),
    zone INTEGER NOT NULL,
    key TEXT NOT NULL,
    name TEXT NOT NULL,
    floor_area REAL,
    volume REAL,
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
CREATE TABLE times (
    run INTEGER NOT NULL REFERENCES runs (id),
    interval INTEGER NOT NULL,
    step INTEGER NOT NULL,
    time REAL,
    source_time REAL,
    PRIMARY KEY (run, interval, step)
) WITHOUT ROWID;
CREATE TABLE series (
    run INTEGER NOT NULL REFERENCES runs (id),
    interval INTEGER NOT NULL,
    zone INTEGER NOT NULL,
    position INTEGER NOT NULL,
    first_step INTEGER NOT NULL,
    steps INTEGER NOT NULL,
    vals BLOB NOT NULL
);
CREATE INDEX series_by_run_interval_zone_position
    ON series (run, interval, zone, position, first_step);
CREATE TABLE summaries (
    run INTEGER NOT NULL REFERENCES runs (id),
    zone INTEGER NOT NULL,
    figure TEXT NOT NULL,
    value REAL,
    PRIMARY KEY (run, zone, figure)
);
CREATE TABLE float32_scale (
    exponent INTEGER PRIMARY KEY,
    scale REAL
);
)sql";

// The process writing each run that is 'running' (ProcessIdentity), so
// that a later writer can tell a run whose process ended without finishing
// it from one still being written. Files made before it take it when next
// opened for writing.
constexpr std::string_view kRunWritersSql = R"sql(
CREATE TABLE IF NOT EXISTS run_writers (
    run INTEGER PRIMARY KEY REFERENCES runs (id),
    pid INTEGER NOT NULL,
    start_ticks INTEGER NOT NULL,
    boot_id TEXT NOT NULL
);
)sql";

// The blob literal of the bytes 0 to 255 in turn: where a byte of a value
// is found in it (instr on blobs compares bytes) is the byte's value + 1.
// Reading each byte so takes less than half the time of reading it from the
// hex text of the value, one digit at a time.
std::string EveryByteBlob() {
    std::string literal = "X'";
    for (int byte = 0; byte < 256; ++byte) literal += fmt::format("{:02X}", byte);
    return literal + "'";
}

// The views unfold the series into one row per value, decoding float32 in
// plain SQL so that they work in any SQLite tool. Both are made from one
// pipeline: `chunks` picks the series rows (with what a view needs beside
// them), and each chunk row is joined to its own steps only after `chunks`
// has been filtered: the CROSS JOINs keep the series rows in the outer loop,
// so that a query naming the variable, zone or interval decodes only the
// chunks it asks for. Steps are numbered in blocks of a batch's steps
// (`blocks` gives the first step of each block, `n` the steps within one),
// so that a chunk of one value standing for a year of steps unfolds without
// every other chunk scanning a year of step numbers. SQLite works out a
// column of `words` again wherever a view names it, so the two high bytes,
// which the sign, the exponent and the mantissa all take, are the numbers of
// rows of float32_scale (its 256 exponents number the bytes) joined on them:
// each is then found once per value, and a view reads it as often as it
// likes (a year of one variable at a third less time than finding each byte
// wherever it was named).
std::string UnfoldChunksSql() {
    return fmt::format(R"sql(
    blocks (first) AS (
        SELECT 0 UNION ALL SELECT first + {0} FROM blocks
        WHERE first + {0} < (SELECT coalesce(max(steps), 0) FROM series WHERE steps > {0})),
    n (i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i + 1 < {0}),
    bytes AS (
        SELECT chunks.*, chunks.first_step + blocks.first + n.i AS step,
               substr(vals, CASE WHEN length(vals) = 4 THEN 1
                                 ELSE 4 * (blocks.first + n.i) + 1 END, 4) AS h
        FROM chunks CROSS JOIN blocks ON blocks.first < chunks.steps
        CROSS JOIN n ON blocks.first + n.i < chunks.steps),
    words AS (
        SELECT bytes.*,
               instr({1}, substr(h, 1, 1)) - 1 AS b0,
               instr({1}, substr(h, 2, 1)) - 1 AS b1,
               byte2.exponent AS b2, byte3.exponent AS b3
        FROM bytes
        CROSS JOIN float32_scale AS byte2 ON byte2.exponent = instr({1}, substr(h, 3, 1)) - 1
        CROSS JOIN float32_scale AS byte3 ON byte3.exponent = instr({1}, substr(h, 4, 1)) - 1))sql",
                       RunWriter::kStepsPerBatch, EveryByteBlob());
}

// The value of a row of `words` (as w), with the float32 scale joined as f.
constexpr std::string_view kDecodedValue = R"sql((1 - 2 * (w.b3 / 128))
           * (((w.b2 % 128) * 65536 + w.b1 * 256 + w.b0)
              + CASE WHEN (w.b3 % 128) * 2 + w.b2 / 128 > 0 THEN 8388608 ELSE 0 END)
           * f.scale)sql";
constexpr std::string_view kScaleJoin =
    "JOIN float32_scale AS f ON f.exponent = (w.b3 % 128) * 2 + w.b2 / 128";

// The kind of record of a series row s, as `variables` names it.
constexpr std::string_view kRecordKind = R"sql(CASE WHEN s.zone = -1 THEN 'weather' WHEN s.interval = 6 THEN 'summary'
                    WHEN s.interval = 5 THEN 'annual' WHEN s.interval = 7 THEN 'switch'
                    WHEN s.zone = 0 THEN 'building' ELSE 'zone' END)sql";

// UnitAt in SQL, for the `results` view.
constexpr std::string_view kUnitAtInterval =
    R"sql(CASE WHEN s.interval = 1 AND v.aggregation = 'sum' AND v.unit <> ''
                    THEN CASE WHEN substr(v.unit, 1, 3) = 'kWh' THEN 'kW' || substr(v.unit, 4)
                              ELSE v.unit || '/h' END ELSE v.unit END)sql";

// Words only the views of this kz7 have: its steps in blocks, and its two
// high bytes joined as rows of float32_scale. The views of the kz7 before
// found every byte again wherever a view named it, and take half as long
// again; those of an earlier one read each byte from two hex digits, and
// take more than three times as long; before that they joined every chunk
// to the step numbers of the longest chunk of all (a quarter longer once a
// steady series is a year of steps in one row), and the first views of
// this layout decoded every value of a run before they filtered. They are
// made again when the file is opened for writing.
constexpr std::string_view kCurrentViewsMark = "blocks (first)";
constexpr std::string_view kCurrentBytesMark = "float32_scale AS byte3";

// The views number steps in blocks of a batch's steps up to the longest
// chunk of the file, which is longer than a batch only when it is a steady
// series: this index of those chunks finds it at once. Without it, finding
// it read every series row, that is the whole file (20-30 ms of a year of
// one variable's 50 from a 170 MB file, and more with every run stored);
// an index of every row cost a run's writer 1 % more instructions. Files
// whose views are made again take it with them.
std::string LongestChunkIndexSql() {
    return fmt::format(
        "CREATE INDEX IF NOT EXISTS series_longer_than_a_batch ON series (steps) "
        "WHERE steps > {};",
        RunWriter::kStepsPerBatch);
}

std::string ViewsSql() {
    return fmt::format(R"sql(
CREATE VIEW series_values AS
WITH RECURSIVE
    chunks AS (SELECT run, interval, zone, position, first_step, steps, vals FROM series),{0}
SELECT w.run, w.interval, w.zone, w.position, w.step, {1} AS value
FROM words AS w {2};
CREATE VIEW results AS
WITH RECURSIVE
    chunks AS (
        SELECT s.run, s.interval AS code, coalesce(i.name, s.interval) AS interval, s.zone,
               z.name AS zone_name, {3} AS record, s.first_step, s.steps, s.vals,
               s.position, v.name AS variable, {4} AS unit, v.aggregation
        FROM series AS s
        LEFT JOIN intervals AS i ON i.code = s.interval
        LEFT JOIN zones AS z ON z.run = s.run AND z.zone = s.zone
        LEFT JOIN variables AS v
            ON v.run = s.run AND v.position = s.position AND v.record = {3}),{0}
SELECT w.run, w.interval, w.zone, w.zone_name, w.record, w.step, t.time,
       strftime('%Y-%m-%d %H:%M:%S', t.time + 2415018.5) AS time_text, t.source_time,
       w.position, w.variable, w.unit, w.aggregation, {1} AS value
FROM words AS w {2}
LEFT JOIN times AS t ON t.run = w.run AND t.interval = w.code AND t.step = w.step;
)sql",
                       UnfoldChunksSql(), kDecodedValue, kScaleJoin, kRecordKind, kUnitAtInterval);
}

// The interval codes of the engine's records, by code.
constexpr std::array<std::string_view, kLastIntervalCode + 1> kIntervalNames{
    "", "step", "hour", "day", "month", "annual", "summary", "switch"};

std::string DescribeSqliteError(const SqliteError& error) {
    switch (error.Code()) {
        case SQLITE_NOTADB:
            return "not a SQLite database";
        case SQLITE_READONLY:
            return "the file is read-only";
        case SQLITE_BUSY:
            return fmt::format("another process kept the database busy for more than {} s",
                               ResultDatabase::kBusyTimeoutMs / 1000);
        case SQLITE_CANTOPEN:
            return fmt::format("cannot open the file ({})", error.what());
        default:
            return error.what();
    }
}

std::string SystemReason() {
    return std::generic_category().message(errno);
}

// A commit's pages are moved into the file on the checkpointer's thread once
// the log holds 8 MB (each commit of a run's values holds about that). Fewer
// and larger checkpoints would cost less processor time, but leave more for
// the close to wait for. Should that thread fall far behind (it cannot
// open the file, or another process's reader keeps the log), the writer
// moves them itself, as SQLite's own checkpoints would.
int CheckpointAfterCommit(void* checkpointer, sqlite3* db, const char* /*schema*/, int frames) {
    constexpr int kCheckpointFrames = 128;       // of kz7's 64 kB pages
    constexpr int kCheckpointHereFrames = 4096;
    if (frames >= kCheckpointHereFrames)
        SqliteConnection::CheckpointPassively(db);
    else if (frames >= kCheckpointFrames)
        static_cast<WalCheckpointer*>(checkpointer)->Nudge();
    return SQLITE_OK;
}

// The name SQLite is given: a relative name gets "./" in front, so that no
// name is ever taken as an SQLite URI ("file:...") or the in-memory
// database (":memory:"), whatever SQLite's URI default is.
std::string SqliteFileName(const fs::path& file) {
    return file.is_absolute() ? file.string() : "./" + file.string();
}

// An SQLite URI of `file` that says nobody changes it, percent-encoding what
// a URI would read otherwise.
std::string ImmutableUri(const fs::path& file) {
    std::string uri = "file:";
    for (const char c : fs::absolute(file).string()) {
        if (c == '%' || c == '?' || c == '#')
            uri += fmt::format("%{:02X}", static_cast<unsigned char>(c));
        else
            uri += c;
    }
    return uri + "?immutable=1";
}

// The folder `file` lies in.
fs::path FolderOf(const fs::path& file) {
    return file.has_parent_path() ? file.parent_path() : fs::path(".");
}

bool Writable(const fs::path& path) {
    return ::access(path.c_str(), W_OK) == 0;
}

// A run that is no longer 'running' needs no writer to be asked after.
void ForgetWriter(SqliteConnection& db, int64_t runId) {
    SqliteStatement forget(db, "DELETE FROM run_writers WHERE run = ?");
    forget.Bind(1, runId);
    forget.Run();
}

bool HasCurrentViews(SqliteConnection& db) {
    SqliteStatement views(db,
                          "SELECT count(*) FROM sqlite_schema WHERE type = 'view' AND "
                          "name IN ('series_values', 'results') AND instr(sql, ?) > 0 AND "
                          "instr(sql, ?) > 0");
    views.Bind(1, kCurrentViewsMark);
    views.Bind(2, kCurrentBytesMark);
    return views.Step() && views.ColumnInteger(0) == 2;
}

void CreateSchema(SqliteConnection& db) {
    db.Execute(kSchema);
    db.Execute(kRunWritersSql);
    db.Execute(LongestChunkIndexSql());
    db.Execute(ViewsSql());
    SqliteStatement insertInterval(db, "INSERT INTO intervals VALUES (?, ?)");
    for (int16_t code = 1; code <= kLastIntervalCode; ++code) {
        insertInterval.Bind(1, int64_t{code});
        insertInterval.Bind(2, IntervalName(code));
        insertInterval.Run();
    }
    // 2^(e − 150) for a float32 with biased exponent e (2^−149 for the
    // subnormals of e = 0); e = 255 (NaN) has no value.
    SqliteStatement insertScale(db, "INSERT INTO float32_scale VALUES (?, ?)");
    for (int exponent = 0; exponent <= 255; ++exponent) {
        insertScale.Bind(1, int64_t{exponent});
        if (exponent == 255)
            insertScale.BindNull(2);
        else
            insertScale.Bind(2, std::ldexp(1.0, std::max(exponent, 1) - 150));
        insertScale.Run();
    }
    db.Execute(fmt::format("PRAGMA application_id = {}; PRAGMA user_version = {};",
                           ResultDatabase::kApplicationId, ResultDatabase::kSchemaVersion));
}

// A file name beside `file` that this process has created exclusively.
fs::path CreateExclusiveBeside(const fs::path& file) {
    for (int attempt = 0; attempt < 1000; ++attempt) {
        const fs::path candidate =
            fs::path(fmt::format("{}.kz7-new-{}-{}", file.string(), ::getpid(), attempt));
        const int fd = ::open(candidate.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0666);
        if (fd >= 0) {
            ::close(fd);
            return candidate;
        }
        if (errno != EEXIST) break;
    }
    throw ResultDatabaseError(fmt::format("result database {}: cannot create a file beside it ({})",
                                          file.string(), SystemReason()));
}

// Puts `from` in place as `to` unless `to` exists; false when it does.
bool PlaceUnlessExists(const fs::path& from, const fs::path& to) {
    if (::link(from.c_str(), to.c_str()) == 0) return true;
    if (errno == EEXIST) return false;
    // A file system without hard links: a rename that never replaces.
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno == EEXIST) return false;
    throw ResultDatabaseError(
        fmt::format("result database {}: cannot create it ({})", to.string(), SystemReason()));
}

// The float32 values as stored: little-endian.
std::span<const float> LittleEndian(std::span<const float> values, std::vector<float>& scratch) {
    if constexpr (std::endian::native == std::endian::little) {
        return values;
    } else {
        scratch.resize(values.size());
        for (size_t i = 0; i < values.size(); ++i)
            scratch[i] = std::bit_cast<float>(__builtin_bswap32(std::bit_cast<uint32_t>(values[i])));
        return scratch;
    }
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

std::string UnitAt(const VariableInfo& variable, int16_t interval) {
    constexpr int16_t kStepInterval = 1;
    if (interval != kStepInterval || variable.aggregation != "sum" || variable.unit.empty())
        return variable.unit;
    if (variable.unit.starts_with("kWh")) return "kW" + variable.unit.substr(3);
    return variable.unit + "/h";
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
        const fs::path folder = FolderOf(file_);
        if (!existed) {
            if (access == Access::ReadOnly) throw Error("no such file");
            if (fs::exists(folder, error) && !fs::is_directory(folder, error))
                throw Error(fmt::format("{} is a file, not a folder", folder.string()));
            if (!fs::is_directory(folder, error)) {
                throw Error(fmt::format("the folder {} does not exist", folder.string()));
            }
        }
        if (access == Access::ReadWrite) {
            if (existed && !Writable(file_)) {
                throw Error(fmt::format("the file is read-only ({})", SystemReason()));
            }
            // The write-ahead log is a file beside the database.
            if (!Writable(folder)) {
                throw Error(fmt::format("cannot write files in the folder {} ({})", folder.string(),
                                        SystemReason()));
            }
            if (!existed) CreateFile();
        }
        Open(access);
    } catch (const SqliteError& sqliteError) {
        checkpointer_.reset();
        connection_.reset();
        throw Error(DescribeSqliteError(sqliteError));
    } catch (const ResultDatabaseError&) {
        checkpointer_.reset();
        connection_.reset();
        throw;
    }
}

ResultDatabase::~ResultDatabase() {
    if (connection_) sqlite3_wal_hook(connection_->Handle(), nullptr, nullptr);
    checkpointer_.reset();
}

void ResultDatabase::CheckpointAfterCommits() {
    checkpointer_ = std::make_unique<WalCheckpointer>(SqliteFileName(file_));
    sqlite3_wal_hook(connection_->Handle(), &CheckpointAfterCommit, checkpointer_.get());
}

ResultDatabaseError ResultDatabase::Error(std::string_view reason) const {
    return ResultDatabaseError(fmt::format("result database {}: {}", file_.string(), reason));
}

// A new database appears complete or not at all: it is built under a name of
// this process's own and put in place only if no other process has created
// the file meanwhile, in which case that one is used. No process ever sees
// half a schema, and no process removes a file another may be writing to.
void ResultDatabase::CreateFile() {
    const fs::path building = CreateExclusiveBeside(file_);
    std::error_code ignored;
    try {
        {
            SqliteConnection db(SqliteFileName(building), SQLITE_OPEN_READWRITE);
            // Large pages: a run writes a few hundred megabytes of series,
            // and each page is a write to the log and another to the file.
            db.Execute("PRAGMA page_size = 65536");
            db.Execute("BEGIN");
            CreateSchema(db);
            db.Execute("COMMIT");
            // The mode is kept in the file; the log files go with the last connection.
            db.Execute("PRAGMA journal_mode = WAL");
        }
        PlaceUnlessExists(building, file_);
    } catch (const SqliteError& sqliteError) {
        fs::remove(building, ignored);
        throw Error(DescribeSqliteError(sqliteError));
    } catch (...) {
        fs::remove(building, ignored);
        throw;
    }
    fs::remove(building, ignored);
}

// A reader that may write the file and its folder opens it as a writer
// that only reads: like the last connection of any writer, it removes the
// log files beside the file when it closes, where a read-only connection
// would leave them behind (and, made by another user, in the way of the
// file's owner). One that may write neither, beside a file without log
// files, reads the file as one nobody changes: a read-only connection
// would have to make those files, and no writer can be at work, as it
// would have made them first.
std::unique_ptr<SqliteConnection> ResultDatabase::ReadingConnection() const {
    const fs::path folder = FolderOf(file_);
    constexpr int kNoMutex = SQLITE_OPEN_NOMUTEX;
    if (Writable(file_) && Writable(folder)) {
        auto connection = std::make_unique<SqliteConnection>(SqliteFileName(file_),
                                                             SQLITE_OPEN_READWRITE | kNoMutex);
        connection->Execute("PRAGMA query_only = ON");
        return connection;
    }
    std::error_code error;
    const bool logs =
        fs::exists(file_.string() + "-wal", error) || fs::exists(file_.string() + "-shm", error);
    if (!logs && !Writable(folder)) {
        return std::make_unique<SqliteConnection>(
            ImmutableUri(file_), SQLITE_OPEN_READONLY | SQLITE_OPEN_URI | kNoMutex);
    }
    return std::make_unique<SqliteConnection>(SqliteFileName(file_),
                                              SQLITE_OPEN_READONLY | kNoMutex);
}

void ResultDatabase::Open(Access access) {
    connection_ = access == Access::ReadOnly
                      ? ReadingConnection()
                      : std::make_unique<SqliteConnection>(
                            SqliteFileName(file_), SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX);
    // Other kz7 processes may be appending their own runs: wait for their
    // transactions rather than fail.
    sqlite3_busy_timeout(connection_->Handle(), kBusyTimeoutMs);
    if (access == Access::ReadWrite && connection_->IsReadOnly()) {
        throw Error("the file is read-only");
    }
    CheckOrCreateSchema(access);
    if (access == Access::ReadWrite) {
        // WAL with synchronous NORMAL: a commit is one append without a sync,
        // readers never block the writer, and a crashed or killed writer
        // never leaves a damaged file (a power cut may lose the last batches,
        // never the file's consistency). A database kz7 created is in WAL
        // already; an empty one it was given is switched now.
        connection_->Execute("PRAGMA synchronous = NORMAL;");
        bool wal = false;
        {
            SqliteStatement mode(*connection_, "PRAGMA journal_mode");
            wal = mode.Step() && mode.ColumnText(0) == "wal";
        }
        if (!wal) {
            try {
                SqliteStatement toWal(*connection_, "PRAGMA journal_mode = WAL");
                wal = toWal.Step() && toWal.ColumnText(0) == "wal";
            } catch (const SqliteError&) {
                // Another process holds the file; its rollback journal keeps
                // every commit just as safe, only readers wait for writers.
            }
        }
        if (wal) CheckpointAfterCommits();
        FailAbandonedRuns();
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
        // An empty file given by the user: the tables are made under an
        // exclusive lock, and a process that waited for it finds them made.
        Transaction([&] {
            if (!isOurs()) CreateSchema(db);
        });
    }
    const int64_t version = db.QueryInteger("PRAGMA user_version");
    if (version > kSchemaVersion) {
        throw Error(fmt::format("written by a newer kz7 (layout version {}; this kz7 reads {})",
                                version, kSchemaVersion));
    }
    if (version < kSchemaVersion) {
        throw Error(fmt::format(
            "written by an earlier kz7 (layout version {}, values as JSON text); this kz7 "
            "reads and writes layout version {} only: keep the file for the earlier kz7 and "
            "give new runs a new file",
            version, kSchemaVersion));
    }
    if (access == Access::ReadWrite &&
        db.QueryInteger("SELECT count(*) FROM sqlite_schema WHERE name = 'run_writers'") == 0)
        Transaction([&] { db.Execute(kRunWritersSql); });
    if (access == Access::ReadWrite && !HasCurrentViews(db)) {
        Transaction([&] {
            if (HasCurrentViews(db)) return;  // another writer was first
            db.Execute("DROP VIEW IF EXISTS series_values; DROP VIEW IF EXISTS results;");
            db.Execute(LongestChunkIndexSql());
            db.Execute(ViewsSql());
        });
    }
}

// Found by the next writer that opens the file. The run's end time stays
// empty: when its writer ended is not known.
void ResultDatabase::FailAbandonedRuns() {
    SqliteConnection& db = *connection_;
    const auto abandonedRuns = [&db] {
        std::vector<int64_t> abandoned;
        SqliteStatement running(db,
                                "SELECT w.run, w.pid, w.start_ticks, w.boot_id FROM run_writers "
                                "AS w JOIN runs AS r ON r.id = w.run WHERE r.status = 'running'");
        while (running.Step()) {
            const ProcessIdentity writer{running.ColumnInteger(1), running.ColumnInteger(2),
                                         running.ColumnText(3)};
            if (IsRunning(writer) == false) abandoned.push_back(running.ColumnInteger(0));
        }
        return abandoned;
    };
    // Housekeeping only: should it fail (the disk full, the file locked
    // too long), the writer's own work goes on and meets the problem
    // itself, and the next writer tries again.
    try {
        if (abandonedRuns().empty()) return;
        // Again under the write lock, which a run's start holds until its
        // row and its writer's are both there.
        Transaction([&] {
            SqliteStatement fail(db, "UPDATE runs SET status = 'failed', note = ? WHERE id = ?");
            for (const int64_t id : abandonedRuns()) {
                fail.Bind(1, kAbandonedRunNote);
                fail.Bind(2, id);
                fail.Run();
                ForgetWriter(db, id);
            }
        });
    } catch (const SqliteError&) {
    }
}

void ResultDatabase::Transaction(const std::function<void()>& write) {
    connection_->Execute("BEGIN IMMEDIATE");
    try {
        write();
        connection_->Execute("COMMIT");
    } catch (...) {
        if (!sqlite3_get_autocommit(connection_->Handle()))
            sqlite3_exec(connection_->Handle(), "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
}

// ---------------------------------------------------------------------------

namespace {

void InsertRun(SqliteConnection& db, const RunInfo& info, int64_t& runId) {
    SqliteStatement insertRun(
        db,
        "INSERT INTO runs (command, model, weather, label, model_sha256, started_at, "
        "status, engine_version, schema_version) VALUES (?, ?, ?, ?, ?, "
        "strftime('%Y-%m-%dT%H:%M:%SZ', 'now'), 'running', ?, ?)");
    insertRun.Bind(1, info.command);
    insertRun.Bind(2, info.model);
    insertRun.Bind(3, info.weather);
    insertRun.Bind(4, info.label);
    insertRun.Bind(5, info.modelHash);
    insertRun.Bind(6, info.engineVersion);
    insertRun.Bind(7, int64_t{ResultDatabase::kSchemaVersion});
    insertRun.Run();
    runId = db.LastInsertId();
    // In the same transaction: no other writer finds the row without its writer.
    if (const std::optional<ProcessIdentity> writer = ThisProcess()) {
        SqliteStatement insertWriter(
            db, "INSERT INTO run_writers (run, pid, start_ticks, boot_id) VALUES (?, ?, ?, ?)");
        insertWriter.Bind(1, runId);
        insertWriter.Bind(2, writer->pid);
        insertWriter.Bind(3, writer->startTicks);
        insertWriter.Bind(4, writer->bootId);
        insertWriter.Run();
    }
    SqliteStatement insertParameter(
        db, "INSERT OR REPLACE INTO run_parameters (run, name, value) VALUES (?, ?, ?)");
    for (const auto& [name, value] : info.parameters) {
        insertParameter.Bind(1, runId);
        insertParameter.Bind(2, name);
        insertParameter.Bind(3, value);
        insertParameter.Run();
    }
}

void InsertSeries(SqliteConnection& db, const RunPart& part, int64_t runId) {
    SqliteStatement insertTime(db,
                               "INSERT OR REPLACE INTO times (run, interval, step, time, "
                               "source_time) VALUES (?, ?, ?, ?, ?)");
    const auto bindTime = [&insertTime](int index, double time) {
        if (std::isfinite(time))
            insertTime.Bind(index, time);
        else
            insertTime.BindNull(index);  // a date that is no number has no time
    };
    for (const StepTime& time : part.times) {
        insertTime.Bind(1, runId);
        insertTime.Bind(2, int64_t{time.interval});
        insertTime.Bind(3, time.step);
        bindTime(4, time.time);
        bindTime(5, time.sourceTime);
        insertTime.Run();
    }
    SqliteStatement insertChunk(db,
                                "INSERT INTO series (run, interval, zone, position, first_step, "
                                "steps, vals) VALUES (?, ?, ?, ?, ?, ?, ?)");
    for (const RunPart::Chunk& chunk : part.chunks) {
        insertChunk.Bind(1, runId);
        insertChunk.Bind(2, int64_t{chunk.interval});
        insertChunk.Bind(3, int64_t{chunk.zone});
        insertChunk.Bind(4, int64_t{chunk.position});
        insertChunk.Bind(5, chunk.firstStep);
        insertChunk.Bind(6, chunk.steps);
        insertChunk.BindBlob(7, part.values.data() + chunk.offset, chunk.count * sizeof(float));
        insertChunk.Run();
    }
}

void InsertSummary(SqliteConnection& db, const std::vector<SummaryRow>& summary, int64_t runId) {
    SqliteStatement insert(db,
                           "INSERT OR REPLACE INTO summaries (run, zone, figure, value) "
                           "VALUES (?, ?, ?, ?)");
    for (const SummaryRow& row : summary) {
        for (const auto& [figure, value] : row.figures) {
            insert.Bind(1, runId);
            insert.Bind(2, int64_t{row.zone});
            insert.Bind(3, figure);
            if (value && std::isfinite(*value))
                insert.Bind(4, *value);
            else
                insert.BindNull(4);
            insert.Run();
        }
    }
}

void UpdateStatus(SqliteConnection& db, RunStatus status, std::string_view note, int64_t runId) {
    SqliteStatement update(db,
                           "UPDATE runs SET status = ?, note = ?, "
                           "finished_at = strftime('%Y-%m-%dT%H:%M:%SZ', 'now') WHERE id = ?");
    update.Bind(1, RunStatusText(status));
    if (note.empty()) {
        update.BindNull(2);
    } else {
        update.Bind(2, note);
    }
    update.Bind(3, runId);
    update.Run();
    ForgetWriter(db, runId);
}

// One transaction of `part`'s run, timed; the run's id once it commits.
void WriteTimed(ResultDatabase& database, RunPart& part,
                const std::function<void(SqliteConnection&, int64_t&)>& write) {
    RunWrites& run = *part.run;
    int64_t runId = run.id;
    AddTimeOf(run.writeTimes,
              [&] { database.Transaction([&] { write(database.Connection(), runId); }); });
    run.id = runId;
}

}  // namespace

size_t RunPart::Bytes() const {
    return values.size() * sizeof(float) + chunks.size() * sizeof(Chunk) +
           times.size() * sizeof(StepTime);
}

void WriteRunPart(ResultDatabase& database, RunPart& part) {
    try {
        WriteTimed(database, part, [&part](SqliteConnection& db, int64_t& runId) {
            if (part.start) InsertRun(db, *part.start, runId);
            for (const auto& insertRows : part.rows) insertRows(db, runId);
            InsertSeries(db, part, runId);
            InsertSummary(db, part.summary, runId);
            if (part.status) UpdateStatus(db, *part.status, part.note, runId);
        });
    } catch (const SqliteError& error) {
        if (part.status != RunStatus::Failed || part.run->id == 0)
            throw database.Error(DescribeSqliteError(error));
        // The values could not be written: a failed run keeps its reason.
        try {
            WriteTimed(database, part, [&part](SqliteConnection& db, int64_t& runId) {
                UpdateStatus(db, RunStatus::Failed, part.note, runId);
            });
        } catch (const SqliteError& again) {
            throw database.Error(DescribeSqliteError(again));
        }
    }
}

DirectRunWrites::~DirectRunWrites() {
    // The part being written hands its buffer to spareValues_ first.
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return !writing_; });
        closing_ = true;
    }
    changed_.notify_all();
    if (thread_.joinable()) thread_.join();
}

void DirectRunWrites::Take(RunPart part) {
    WaitForWrite();
    if (timing_ == Timing::InTurn || part.start || part.status) return Write(part);
    // Started before the part is handed over: a thread that cannot be made
    // throws here and leaves no part waiting for it.
    if (!thread_.joinable()) thread_ = std::thread([this] { WriteHandedParts(); });
    {
        std::lock_guard lock(mutex_);
        handed_ = std::move(part);
        writing_ = true;
    }
    changed_.notify_all();
}

void DirectRunWrites::WriteHandedParts() {
    std::unique_lock lock(mutex_);
    while (true) {
        changed_.wait(lock, [this] { return handed_.has_value() || closing_; });
        if (!handed_) return;
        RunPart part = std::move(*handed_);
        handed_.reset();
        lock.unlock();
        std::exception_ptr failure;
        try {
            Write(part);
        } catch (...) {
            failure = std::current_exception();
        }
        lock.lock();
        failure_ = failure;
        writing_ = false;
        changed_.notify_all();
    }
}

void DirectRunWrites::Write(RunPart& part) {
    WriteRunPart(database_, part);
    spareValues_ = std::move(part.values);
}

void DirectRunWrites::WaitForWrite() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !writing_; });
    if (failure_) std::rethrow_exception(std::exchange(failure_, nullptr));
}

RunWriter::RunWriter(ResultDatabase& database, const RunInfo& info, int64_t valuesPerBatch,
                     int64_t valuesPerWrite)
    : direct_(std::make_unique<DirectRunWrites>(database, DirectRunWrites::Timing::Overlapped)),
      sink_(*direct_),
      database_(&database),
      valuesPerBatch_(valuesPerBatch),
      valuesPerWrite_(valuesPerWrite) {
    held_.NumberStepsByTime(kPlantSwitchInterval);
    RunPart part;
    part.start = info;
    HandOver(std::move(part));
}

RunWriter::RunWriter(RunPartSink& sink, const RunInfo& info, int64_t valuesPerBatch,
                     int64_t valuesPerWrite)
    : sink_(sink), valuesPerBatch_(valuesPerBatch), valuesPerWrite_(valuesPerWrite) {
    held_.NumberStepsByTime(kPlantSwitchInterval);
    RunPart part;
    part.start = info;
    HandOver(std::move(part));
}

RunWriter::~RunWriter() = default;

void RunWriter::CheckWritable() const {
    if (!finished_) return;
    const std::string reason = fmt::format("run {} is already finished", RunId());
    throw database_ ? database_->Error(reason) : ResultDatabaseError("result database: " + reason);
}

void RunWriter::HandOver(RunPart part) {
    part.run = stored_;
    AddTimeOf(handOverTimes_, [&] { sink_.Take(std::move(part)); });
}

void RunWriter::AddZones(const std::vector<ZoneInfo>& zones) {
    CheckWritable();
    heldRows_.push_back([zones](SqliteConnection& db, int64_t runId) {
        SqliteStatement insert(db,
                               "INSERT OR REPLACE INTO zones (run, zone, key, name, "
                               "floor_area, volume) VALUES (?, ?, ?, ?, ?, ?)");
        double floorArea = 0.0;
        double volume = 0.0;
        for (const ZoneInfo& zone : zones) {
            insert.Bind(1, runId);
            insert.Bind(2, int64_t{zone.zone});
            insert.Bind(3, zone.key);
            insert.Bind(4, zone.name);
            insert.Bind(5, zone.floorArea);
            insert.Bind(6, zone.volume);
            insert.Run();
            floorArea += zone.floorArea;
            volume += zone.volume;
        }
        SqliteStatement totals(db, "UPDATE runs SET floor_area = ?, volume = ? WHERE id = ?");
        totals.Bind(1, floorArea);
        totals.Bind(2, volume);
        totals.Bind(3, runId);
        totals.Run();
    });
}

void RunWriter::AddVariables(const std::vector<VariableInfo>& variables) {
    CheckWritable();
    heldRows_.push_back([variables](SqliteConnection& db, int64_t runId) {
        SqliteStatement insert(db,
                               "INSERT OR REPLACE INTO variables (run, record, position, "
                               "name, unit, aggregation) VALUES (?, ?, ?, ?, ?, ?)");
        for (const VariableInfo& variable : variables) {
            insert.Bind(1, runId);
            insert.Bind(2, RecordKindText(variable.record));
            insert.Bind(3, int64_t{variable.position});
            insert.Bind(4, variable.name);
            insert.Bind(5, variable.unit);
            insert.Bind(6, variable.aggregation);
            insert.Run();
        }
    });
}

void RunWriter::Store(const ResultRecord& record) {
    CheckWritable();
    // Position 0 of a weather row repeats the row's date, which the step's
    // source time holds.
    ResultRecord stored = record;
    if (record.zone == -1 && !record.values.empty()) {
        weatherRow_.assign(record.values.begin(), record.values.end());
        weatherRow_[0] = std::numeric_limits<float>::quiet_NaN();
        stored.values = weatherRow_;
    }
    // A batch ends before a series would take a step past it: by then every
    // series has had its record of the batch's last step, so the chunks of
    // all of them end at one step (ended with the record that filled the
    // first series, the others' chunks were a step shorter).
    if (held_.PendingValues() >= valuesPerBatch_ ||
        held_.PendingStepsOf(record.interval, record.zone) >= kStepsPerBatch) {
        held_.Seal();
        if (held_.HeldValues() >= valuesPerWrite_) HandOver(TakeHeld(SeriesBuffer::Steady::Hold));
    }
    held_.Add(stored);
    ++recordCount_;
}

RunPart RunWriter::TakeHeld(SeriesBuffer::Steady steady) {
    RunPart part;
    // First: a failure of the part being written leaves what is held in place.
    if (direct_) part.values = direct_->SpareValues();
    part.rows = std::move(heldRows_);
    heldRows_.clear();
    part.values.reserve(static_cast<size_t>(held_.HeldValues()));
    std::vector<float> scratch;
    held_.Drain(
        [&part](const StepTime& time) { part.times.push_back(time); },
        [&](const SeriesChunk& chunk) {
            valueCount_ += chunk.numbers;
            const std::span<const float> values = LittleEndian(chunk.values, scratch);
            part.chunks.push_back({chunk.interval, chunk.zone, chunk.position, chunk.firstStep,
                                   chunk.steps, part.values.size(), values.size()});
            part.values.insert(part.values.end(), values.begin(), values.end());
        },
        steady);
    return part;
}

void RunWriter::Finish(RunStatus status, std::string_view note) {
    CheckWritable();
    RunPart part = TakeHeld(SeriesBuffer::Steady::Release);
    if (status == RunStatus::Finished) part.summary = std::move(summary_);
    part.status = status;
    part.note = note;
    HandOver(std::move(part));
    finished_ = true;
}

}  // namespace kz7::app
