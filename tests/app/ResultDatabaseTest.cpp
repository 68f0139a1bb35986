#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <optional>
#include <string>

#include "ResultDatabase.h"
#include "ResultDatabaseFixture.h"
#include "Sqlite.h"
#include "kz7/platform/OleDate.h"

namespace kz7::app {
namespace {

namespace fs = std::filesystem;

class ResultDatabaseTest : public ResultDatabaseFixture {};

// A zone record of the engine: 55 texts, position 0 empty.
ValueArray ZoneRecord(double airTemperature) {
    ValueArray values(55);
    values[1] = NumberToTextForTest(airTemperature);
    values[2] = "-32768";
    values[3] = "12abc";
    values[5] = "1.5E-05";
    values[6] = " 7 ";
    values[7] = "nan";
    return values;
}

TEST_F(ResultDatabaseTest, StoresRecordsAndReadsThemBack) {
    const double july1 = ToOleDate(2003, 7, 1, 13.0);
    int64_t runId = 0;
    {
        ResultDatabase database(file);
        RunWriter run(database, {"simulate", "office.kz7", "london.epw"});
        runId = run.RunId();
        run.AddZones({{3, "3", "Office north"}, {4, "4", "Core"}});
        run.AddVariables({{RecordKind::Zone, 1, "Air temperature", "°C", "mean"},
                          {RecordKind::Zone, 2, "Heating", "kW", "sum"},
                          {RecordKind::Weather, 1, "Dry-bulb temperature", "°C", "mean"},
                          {RecordKind::Summary, 0, "Peak heating load", "kW", "max"}});
        run.Store(2, 3, ZoneRecord(21.5), july1);
        run.Store(2, 4, ZoneRecord(19.25), july1);
        ValueArray building(126);
        building[1] = "20.375";
        building[66] = "3.5";
        run.Store(2, 0, building, july1);
        run.Store(2, -1, {"01/07/2003 13:00", "18.5", "12.1"}, july1);
        run.Store(6, 3, {"4.25", "3", "26", "27", "25", "19", "18", "17"}, july1 + 1);
        EXPECT_EQ(run.RecordCount(), 5);
        // Per zone record: 21.5, 1.5E-05, 7; building 2; weather 2; summary 8.
        EXPECT_EQ(run.ValueCount(), 3 + 3 + 2 + 2 + 8);
        run.Finish(RunStatus::Finished);
    }

    ResultDatabase database(file, ResultDatabase::Access::ReadOnly);
    SqliteConnection& db = database.Connection();
    EXPECT_EQ(Text(db, "SELECT status FROM runs WHERE id = " + std::to_string(runId)), "finished");
    EXPECT_EQ(Text(db,
                   "SELECT command || '|' || model || '|' || weather || '|' || engine_version "
                   "FROM runs"),
              std::string("simulate|office.kz7|london.epw|") + KZ7_VERSION);
    EXPECT_EQ(db.QueryInteger("SELECT count(*) FROM runs WHERE finished_at >= started_at"), 1);
    EXPECT_EQ(db.QueryInteger("SELECT count(*) FROM records"), 5);
    EXPECT_EQ(db.QueryInteger("SELECT count(*) FROM record_values WHERE value IS NOT NULL"), 18);

    // The known value, found the way a user asks for it.
    EXPECT_EQ(Number(db,
                     "SELECT value FROM results WHERE interval = 'hour' AND zone = 3 "
                     "AND variable = 'Air temperature' AND time_text = '2003-07-01 13:00:00'"),
              21.5);
    EXPECT_EQ(Text(db,
                   "SELECT zone_name || ' ' || unit || ' ' || aggregation FROM results "
                   "WHERE zone = 3 AND interval = 'hour' AND position = 1"),
              "Office north °C mean");
    // The missing value, junk, NaN and the weather row's date text are NULL.
    EXPECT_EQ(db.QueryInteger("SELECT count(*) FROM record_values WHERE zone = 3 AND interval = 2 "
                              "AND position IN (2, 3, 7) AND value IS NULL"),
              3);
    EXPECT_EQ(db.QueryInteger("SELECT count(*) FROM results WHERE zone = 3 AND variable = "
                              "'Heating' AND value IS NULL"),
              1);
    EXPECT_EQ(Number(db,
                     "SELECT value FROM record_values WHERE zone = 3 AND position = 6 "
                     "AND interval = 2"),
              7.0);
    EXPECT_EQ(db.QueryInteger("SELECT count(*) FROM record_values WHERE zone = -1 AND position = 0 "
                              "AND value IS NULL"),
              1);
    EXPECT_EQ(Number(db,
                     "SELECT value FROM results WHERE record = 'weather' AND variable = "
                     "'Dry-bulb temperature'"),
              18.5);
    EXPECT_EQ(Number(db,
                     "SELECT value FROM results WHERE interval = 'summary' AND variable = "
                     "'Peak heating load'"),
              4.25);
    EXPECT_EQ(Number(db, "SELECT value FROM record_values WHERE zone = 0 AND position = 66"), 3.5);
    EXPECT_EQ(Text(db,
                   "SELECT group_concat(record, ',') FROM (SELECT record FROM records "
                   "ORDER BY id)"),
              "zone,zone,building,weather,summary");
}

TEST_F(ResultDatabaseTest, ReadsValuesWithTheEnginesDecimalSeparator) {
    {
        ResultDatabase database(file);
        RunInfo info{"simulate", "m.kz7", ""};
        info.decimalSeparator = ',';
        RunWriter run(database, info);
        run.Store(3, 1, {"", "21,75", "-32768", "1.5.2"}, ToOleDate(2003, 1, 2));
        run.Finish(RunStatus::Finished);
    }
    ResultDatabase database(file, ResultDatabase::Access::ReadOnly);
    EXPECT_EQ(Number(database.Connection(), "SELECT value FROM record_values WHERE position = 1"),
              21.75);
    EXPECT_EQ(database.Connection().QueryInteger(
                  "SELECT count(*) FROM record_values WHERE value IS NULL"),
              3);
}

TEST_F(ResultDatabaseTest, ASecondRunAppendsAndStatusesAreKept) {
    for (RunStatus status : {RunStatus::Finished, RunStatus::Cancelled, RunStatus::Failed}) {
        ResultDatabase database(file);
        RunWriter run(database, {"heatloss", "house.kz7", ""});
        run.Store(2, 1, ZoneRecord(static_cast<double>(run.RunId())), 37622.0);
        run.Finish(status, status == RunStatus::Failed ? "the model failed to read" : "");
    }
    ResultDatabase database(file, ResultDatabase::Access::ReadOnly);
    SqliteConnection& db = database.Connection();
    EXPECT_EQ(Text(db, "SELECT group_concat(id || ':' || status, ',') FROM runs"),
              "1:finished,2:cancelled,3:failed");
    EXPECT_EQ(Text(db, "SELECT note FROM runs WHERE id = 3"), "the model failed to read");
    // Each run kept its own record, the first one untouched by the others.
    EXPECT_EQ(Number(db, "SELECT value FROM record_values WHERE run = 1 AND position = 1"), 1.0);
    EXPECT_EQ(db.QueryInteger("SELECT count(*) FROM records GROUP BY run HAVING count(*) = 1 "
                              "LIMIT 1"),
              1);
    EXPECT_EQ(db.QueryInteger("SELECT count(DISTINCT run) FROM records"), 3);
}

TEST_F(ResultDatabaseTest, AWriterDestroyedUnfinishedLeavesTheRunRunning) {
    const int64_t records = RunWriter::kRecordsPerCommit + 10;
    {
        ResultDatabase database(file);
        RunWriter run(database, {"simulate", "office.kz7", ""});
        for (int64_t i = 0; i < records; ++i) run.Store(2, 1, ZoneRecord(20.0), 37622.0 + i / 24.0);
        // A record with no usable date is kept, without a time.
        EXPECT_NO_THROW(
            run.Store(2, 1, ZoneRecord(20.0), std::numeric_limits<double>::quiet_NaN()));
    }
    ResultDatabase database(file);
    SqliteConnection& db = database.Connection();
    EXPECT_EQ(Text(db, "SELECT status FROM runs"), "running");
    EXPECT_EQ(db.QueryInteger("SELECT finished_at IS NULL FROM runs"), 1);
    EXPECT_EQ(db.QueryInteger("SELECT count(*) FROM records"), records + 1);
    EXPECT_EQ(db.QueryInteger("SELECT count(*) FROM records WHERE time IS NULL"), 1);
    EXPECT_EQ(Text(db, "PRAGMA integrity_check"), "ok");
}

// Records no engine sends are still stored whole, and readable.
TEST_F(ResultDatabaseTest, OddRecordsAreStoredAsTheyCame) {
    {
        ResultDatabase database(file);
        RunWriter run(database, {"simulate", "odd.kz7", ""});
        run.Store(9, 2, {"", "1"}, 37622.0);
        run.Store(2, 2, {}, 37622.0);
        ValueArray wide(5001, "0.5");
        run.Store(2, 3, wide, 37622.0);
        run.Finish(RunStatus::Finished);
    }
    ResultDatabase database(file, ResultDatabase::Access::ReadOnly);
    SqliteConnection& db = database.Connection();
    EXPECT_EQ(Text(db, "SELECT interval FROM results WHERE zone = 2"), "9");
    EXPECT_EQ(db.QueryInteger("SELECT count(*) FROM record_values WHERE zone = 3"), 5001);
    EXPECT_EQ(Number(db, "SELECT value FROM record_values WHERE zone = 3 AND position = 5000"),
              0.5);
    EXPECT_EQ(Text(db, "SELECT vals FROM records WHERE zone = 2 AND interval = 2"), "[]");
}

TEST_F(ResultDatabaseTest, StoringAfterFinishIsRefused) {
    ResultDatabase database(file);
    RunWriter run(database, {"simulate", "office.kz7", ""});
    run.Finish(RunStatus::Finished);
    EXPECT_THROW(run.Store(2, 1, ZoneRecord(20.0), 37622.0), ResultDatabaseError);
    EXPECT_THROW(run.Finish(RunStatus::Failed), ResultDatabaseError);
}

// A process killed while it writes leaves every committed batch and the run
// marked as running; the batch it was writing is gone as a whole.
TEST_F(ResultDatabaseTest, AKilledWriterLeavesAConsistentDatabase) {
    const int64_t committed = 2 * RunWriter::kRecordsPerCommit;
    const pid_t child = fork();
    ASSERT_NE(child, -1);
    if (child == 0) {
        ResultDatabase database(file);
        RunWriter run(database, {"simulate", "office.kz7", ""});
        for (int64_t i = 0; i < committed + 100; ++i) run.Store(2, 1, ZoneRecord(20.0), 37622.0);
        ::kill(::getpid(), SIGKILL);
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));

    ResultDatabase database(file);
    SqliteConnection& db = database.Connection();
    EXPECT_EQ(Text(db, "PRAGMA integrity_check"), "ok");
    EXPECT_EQ(Text(db, "SELECT status FROM runs"), "running");
    EXPECT_EQ(db.QueryInteger("SELECT count(*) FROM records"), committed);
    // The next run appends after it.
    RunWriter next(database, {"simulate", "office.kz7", ""});
    EXPECT_EQ(next.RunId(), 2);
}

// One-line errors naming the file, and no file left behind.
TEST_F(ResultDatabaseTest, BadPathsGiveAOneLineErrorNamingTheFile) {
    const auto expectError = [](const fs::path& path, ResultDatabase::Access access,
                                const std::string& reason) {
        try {
            ResultDatabase database(path, access);
            ADD_FAILURE() << path << " opened";
        } catch (const ResultDatabaseError& error) {
            const std::string text = error.what();
            EXPECT_NE(text.find(path.string()), std::string::npos) << text;
            EXPECT_NE(text.find(reason), std::string::npos) << text;
            EXPECT_EQ(text.find('\n'), std::string::npos) << text;
        }
    };
    const auto readWrite = ResultDatabase::Access::ReadWrite;
    const auto readOnly = ResultDatabase::Access::ReadOnly;

    const fs::path inMissingFolder = folder / "no-such-folder" / "r.db";
    expectError(inMissingFolder, readWrite, "does not exist");
    EXPECT_FALSE(fs::exists(inMissingFolder.parent_path()));

    expectError(folder, readWrite, "is a folder");
    expectError(file, readOnly, "no such file");
    EXPECT_FALSE(fs::exists(file));
    expectError("/proc/kz7-results.db", readWrite, "/proc");

    const std::string notSqlite = "zone,temperature\n3,21.5\n";
    WriteFile(file, notSqlite);
    expectError(file, readWrite, "not a SQLite database");
    expectError(file, readOnly, "not a SQLite database");
    EXPECT_EQ(ReadFile(file), notSqlite);

    const fs::path other = folder / "other.db";
    {
        SqliteConnection db(other.string(), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
        db.Execute("CREATE TABLE invoices (id INTEGER)");
    }
    expectError(other, readWrite, "not a kz7 result database");

    if (::geteuid() != 0) {  // the superuser writes to read-only files
        const fs::path readOnlyFile = folder / "read-only.db";
        { ResultDatabase database(readOnlyFile); }
        fs::permissions(readOnlyFile, fs::perms::owner_read);
        expectError(readOnlyFile, readWrite, "read-only");
    }
}

}  // namespace
}  // namespace kz7::app
