// The result database as the commands use it: records in, the same values
// out through the tables and views, runs left consistent.
#include <gtest/gtest.h>

#include <filesystem>
#include <limits>
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
ValueArray ZoneRecord(const std::string& airTemperature) {
    ValueArray values(55);
    values[1] = airTemperature;
    values[2] = "-32768";
    values[3] = "12abc";
    values[5] = "1.5E-05";
    values[6] = " 7 ";
    values[7] = "nan";
    return values;
}

TEST_F(ResultDatabaseTest, StoresRecordsAndReadsThemBack) {
    const double july1 = ToOleDate(2003, 7, 1, 13.0);
    {
        ResultDatabase database(file);
        RunWriter run(database, {"simulate", "office.kz7", "london.epw"});
        run.AddZones({{3, "3", "Office north"}, {4, "4", "Core"}});
        run.AddVariables({{RecordKind::Zone, 1, "Air temperature", "°C", "mean"},
                          {RecordKind::Weather, 1, "Dry-bulb temperature", "°C", "mean"},
                          {RecordKind::Summary, 0, "Peak heating load", "kW", "max"}});
        run.Store(2, 3, ZoneRecord("21.5"), july1);
        run.Store(2, 4, ZoneRecord("19.25"), july1);
        ValueArray building(126);
        building[66] = "3.5";
        run.Store(2, 0, building, july1);
        run.Store(2, -1, {"01/07/2003 13:00", "18.5"}, july1);
        run.Store(6, 3, {"4.25", "3", "26", "27", "25", "19", "18", "17"}, july1 + 1);
        // Per zone record: 21.5, 1.5E-05, 7; building 1; weather 1; summary 8.
        EXPECT_EQ(run.ValueCount(), 3 + 3 + 1 + 1 + 8);
        run.Finish(RunStatus::Finished);
    }

    ResultDatabase database(file, ResultDatabase::Access::ReadOnly);
    SqliteConnection& db = database.Connection();
    EXPECT_EQ(Text(db,
                   "SELECT command || '|' || model || '|' || weather || '|' || engine_version || "
                   "'|' || status || '|' || (finished_at >= started_at) FROM runs"),
              std::string("simulate|office.kz7|london.epw|") + KZ7_VERSION + "|finished|1");
    EXPECT_EQ(Text(db,
                   "SELECT group_concat(record, ',') FROM (SELECT record FROM records "
                   "ORDER BY id)"),
              "zone,zone,building,weather,summary");
    EXPECT_EQ(db.QueryInteger("SELECT count(*) FROM record_values WHERE value IS NOT NULL"), 16);
    // The known value, found the way a user asks for it, with its names.
    EXPECT_EQ(Text(db,
                   "SELECT value || ' ' || zone_name || ' ' || unit || ' ' || aggregation FROM "
                   "results WHERE interval = 'hour' AND zone = 3 AND variable = 'Air "
                   "temperature' AND time_text = '2003-07-01 13:00:00'"),
              "21.5 Office north °C mean");
    // Numbers are read strictly: the missing value, junk and NaN are NULL, as
    // is the weather row's date text; blanks around a number are no matter.
    EXPECT_EQ(Text(db,
                   "SELECT group_concat(ifnull(value, 'null')) FROM (SELECT value FROM "
                   "record_values WHERE zone = 3 AND interval = 2 AND position BETWEEN 1 AND 7 "
                   "ORDER BY position)"),
              "21.5,null,null,null,1.5e-05,7.0,null");
    EXPECT_EQ(Text(db,
                   "SELECT group_concat(ifnull(value, 'null')) FROM (SELECT value FROM "
                   "record_values WHERE zone = -1 ORDER BY position)"),
              "null,18.5");
    EXPECT_EQ(Number(db, "SELECT value FROM results WHERE variable = 'Peak heating load'"), 4.25);
    EXPECT_EQ(Number(db, "SELECT value FROM record_values WHERE zone = 0 AND position = 66"), 3.5);
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

TEST_F(ResultDatabaseTest, AWriterDestroyedUnfinishedLeavesTheRunRunning) {
    const int64_t records = RunWriter::kRecordsPerCommit + 10;
    {
        ResultDatabase database(file);
        RunWriter run(database, {"simulate", "office.kz7", ""});
        for (int64_t i = 0; i < records; ++i) run.Store(2, 1, ZoneRecord("20"), 37622.0 + i / 24.0);
        // A record with no usable date is kept, without a time.
        EXPECT_NO_THROW(
            run.Store(2, 1, ZoneRecord("20"), std::numeric_limits<double>::quiet_NaN()));
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
    EXPECT_THROW(run.Store(2, 1, ZoneRecord("20"), 37622.0), ResultDatabaseError);
    EXPECT_THROW(run.Finish(RunStatus::Failed), ResultDatabaseError);
}

// A SQLite file of another application is refused, in both modes, and left
// as it was. (Paths that cannot be written are run through the commands.)
TEST_F(ResultDatabaseTest, AnotherApplicationsDatabaseIsRefusedAndLeftAlone) {
    const auto expectError = [](const fs::path& path, ResultDatabase::Access access,
                                const std::string& reason) {
        try {
            ResultDatabase database(path, access);
            ADD_FAILURE() << path << " opened";
        } catch (const ResultDatabaseError& error) {
            EXPECT_EQ(error.what(), "result database " + path.string() + ": " + reason);
        }
    };
    {
        SqliteConnection db(file.string(), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
        db.Execute("CREATE TABLE invoices (id INTEGER)");
    }
    const std::string foreign = ReadFile(file);
    for (const auto access : {ResultDatabase::Access::ReadWrite, ResultDatabase::Access::ReadOnly})
        expectError(file, access, "a SQLite database, but not a kz7 result database");
    EXPECT_EQ(ReadFile(file), foreign);
}

}  // namespace
}  // namespace kz7::app
