// The result database as the commands use it: records in, the same values
// out through the read interface and through the SQL views, runs left
// consistent, and files it must not use refused.
#include <fmt/format.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <limits>
#include <string>
#include <thread>
#include <vector>

#include "ResultDatabase.h"
#include "ResultDatabaseFixture.h"
#include "ResultReader.h"
#include "Sqlite.h"
#include "kz7/platform/OleDate.h"

namespace kz7::app {
namespace {

namespace fs = std::filesystem;

constexpr float kNone = std::numeric_limits<float>::quiet_NaN();

class ResultDatabaseTest : public ResultDatabaseFixture {
  protected:
    // The error opening `path` gives; "<opened>" when it opens.
    static std::string OpenError(const fs::path& path, ResultDatabase::Access access) {
        try {
            ResultDatabase database(path, access);
            return "<opened>";
        } catch (const ResultDatabaseError& error) {
            return error.what();
        }
    }
};

// The values SQL users see for one series, NULL as NaN.
std::vector<double> ViewValues(SqliteConnection& db, int interval, int zone, int position) {
    SqliteStatement select(db, "SELECT value FROM series_values WHERE run = 1 AND interval = " +
                                   std::to_string(interval) + " AND zone = " +
                                   std::to_string(zone) + " AND position = " +
                                   std::to_string(position) + " ORDER BY step");
    std::vector<double> values;
    while (select.Step()) values.push_back(select.ColumnOptionalDouble(0).value_or(std::nan("")));
    return values;
}

// Hourly records of two zones, the building and weather over a few days, in
// batches small enough that every series spans several chunks; the values
// come back alike through the reader and through SQL, on their times.
TEST_F(ResultDatabaseTest, RecordsComeBackAsTheyWentInThroughReaderAndViews) {
    // Awkward floats: negative, subnormal, the largest, -0 and no value.
    const std::vector<float> odd{-3.5f, 1e-40f, 3.4e38f, -0.0f, kNone, 21.25f};
    const double start = ToOleDate(1976, 12, 31);
    RunInfo info{"simulate", "office.kz7", "london.epw", "base case", {{"ach", "0.5"}}, "ab12"};
    {
        ResultDatabase database(file);
        RunWriter run(database, info, 500);
        run.AddZones({{3, "3", "Office north", 20.0, 60.0}, {4, "4", "Core", 10.0, 30.0}});
        run.AddVariables({{RecordKind::Zone, 1, "AirTemperature", "°C", "mean"},
                          {RecordKind::Weather, 1, "DryBulbTemperature", "°C", "mean"}});
        for (int hour = 1; hour <= 72; ++hour) {
            const double time = start + hour / 24.0;
            std::vector<float> zone(55, kNone);
            zone[1] = odd[static_cast<size_t>(hour) % odd.size()];
            zone[2] = 7.0f;  // the same all along: one value stands for the chunk
            std::vector<float> wider(hour > 30 ? 60 : 55, kNone);  // records may widen
            wider[1] = static_cast<float>(hour);
            wider.back() = 1.0f;
            run.Store({2, 3, zone, time - 365.0, time});
            run.Store({2, 4, wider, time, time});
            std::vector<float> weather{static_cast<float>(time), 12.5f};
            run.Store({2, -1, weather, time - 1000.0, time});
        }
        run.SetSummary({{3, {{"heating_kwh", 12.5}, {"heating_kwh_m2", std::nullopt}}}});
        run.Finish(RunStatus::Finished);
    }

    ResultDatabase database(file, ResultDatabase::Access::ReadOnly);
    ResultReader reader(database);
    const RunFacts facts = reader.Run(1);
    EXPECT_EQ(facts.label + "|" + facts.weather + "|" + facts.modelSha256 + "|" + facts.status,
              "base case|london.epw|ab12|finished");
    EXPECT_EQ(facts.schemaVersion, ResultDatabase::kSchemaVersion);
    EXPECT_EQ(facts.parameters, info.parameters);
    EXPECT_EQ(facts.floorArea, 30.0);
    EXPECT_EQ(facts.volume, 90.0);
    EXPECT_EQ(reader.Zones(1)[1].floorArea, 10.0);
    EXPECT_THROW(reader.Run(2), ResultDatabaseError);

    const TimeSeries air = reader.Series(1, 2, 3, "AirTemperature");
    ASSERT_EQ(air.times.size(), 72u);
    EXPECT_DOUBLE_EQ(air.times[0], start + 1.0 / 24.0);
    EXPECT_DOUBLE_EQ(air.times[71], start + 3.0);
    SqliteConnection& db = database.Connection();
    const std::vector<double> viewed = ViewValues(db, 2, 3, 1);
    ASSERT_EQ(viewed.size(), 72u);
    for (size_t step = 0; step < 72; ++step) {
        const float expected = odd[(step + 1) % odd.size()];
        if (std::isnan(expected)) {
            EXPECT_TRUE(std::isnan(air.values[step]) && std::isnan(viewed[step])) << step;
        } else {
            EXPECT_EQ(std::bit_cast<uint32_t>(air.values[step]), std::bit_cast<uint32_t>(expected));
            EXPECT_EQ(viewed[step], static_cast<double>(expected)) << step;
        }
    }
    EXPECT_EQ(ViewValues(db, 2, 3, 2), std::vector<double>(72, 7.0));
    const TimeSeries widened = reader.Series(1, 2, 4, 59);
    EXPECT_TRUE(std::isnan(widened.values[29]));
    EXPECT_EQ(widened.values[30], 1.0f);
    EXPECT_EQ(reader.Series(1, 2, 4, 1).values[71], 72.0f);
    // A weather row's date at position 0 is its step's source time, not a value.
    EXPECT_EQ(reader.Positions(1, 2, -1), std::vector<int32_t>{1});
    EXPECT_DOUBLE_EQ(reader.SourceTimes(1, 2)[0], start + 1.0 / 24.0 - 365.0);
    EXPECT_THROW(reader.Series(1, 2, 3, "NoSuchVariable"), ResultDatabaseError);

    EXPECT_EQ(Text(db,
                   "SELECT zone_name || ' ' || variable || ' ' || unit || ' ' || value FROM "
                   "results WHERE interval = 'hour' AND zone = 3 AND position = 1 AND "
                   "time_text = '1976-12-31 06:00:00'"),
              "Office north AirTemperature °C -3.5");
    const std::vector<SummaryRow> summary = reader.Summary(1);
    ASSERT_EQ(summary.size(), 1u);
    EXPECT_EQ(summary[0].figures[0].second, 12.5);
    EXPECT_FALSE(summary[0].figures[1].second);
}

// A value that stays the same over many batches is one row from its first
// step to its last, handed on when the value changes or the run ends, and
// unfolds into every step through the views, also in a file whose views an
// earlier kz7 made (they are made again when it is opened for writing).
TEST_F(ResultDatabaseTest, ASteadyValueIsOneRowAndUnfoldsThroughTheViews) {
    constexpr int kHours = 1300;  // beyond two batches' steps, so several view blocks
    {
        ResultDatabase database(file);
        RunWriter run(database, {"simulate", "office.kz7"}, 100 * 55);
        run.AddVariables({{RecordKind::Zone, 1, "AirTemperature", "°C", "mean"}});
        for (int hour = 1; hour <= kHours; ++hour) {
            std::vector<float> zone(55, kNone);
            zone[1] = hour <= 1000 ? 19.5f : 20.0f;
            zone[2] = static_cast<float>(hour);
            run.Store({2, 1, zone, hour / 24.0, hour / 24.0});
        }
        run.Finish(RunStatus::Finished);
    }
    {
        SqliteConnection db(file.string(), SQLITE_OPEN_READWRITE);
        EXPECT_EQ(Text(db, "SELECT group_concat(first_step || '+' || steps, ' ') FROM series "
                           "WHERE position = 1 ORDER BY first_step"),
                  "0+1000 1000+300");
        // Steps in blocks, as the views of an earlier kz7 had them, but not
        // their bytes, nor the index of chunk lengths, nor runs' writers.
        db.Execute(
            "DROP VIEW series_values; DROP INDEX series_longer_than_a_batch; "
            "DROP TABLE run_writers; CREATE VIEW series_values AS SELECT 'blocks (first)' AS old;");
    }
    ResultDatabase database(file);
    SqliteConnection& db = database.Connection();
    EXPECT_EQ(Text(db,
                   "SELECT count(*) FROM sqlite_schema WHERE name IN "
                   "('series_longer_than_a_batch', 'run_writers')"),
              "2");
    std::vector<double> expected(kHours, 19.5);
    std::fill(expected.begin() + 1000, expected.end(), 20.0);
    EXPECT_EQ(ViewValues(db, 2, 1, 1), expected);
    const std::vector<double> counted = ViewValues(db, 2, 1, 2);
    ASSERT_EQ(counted.size(), static_cast<size_t>(kHours));
    EXPECT_EQ(counted.back(), kHours);
    EXPECT_EQ(Text(db, "SELECT count(*) || ' ' || sum(value) FROM results WHERE variable = "
                       "'AirTemperature' AND zone = 1"),
              "1300 25500.0");
}

// The records of an interval end come zone after zone; a batch ends only
// once every zone has had its record of the batch's last step.
TEST_F(ResultDatabaseTest, TheChunksOfEverySeriesEndAtOneStep) {
    {
        ResultDatabase database(file);
        RunWriter run(database, {"simulate", "office.kz7"});
        for (int hour = 1; hour <= 1300; ++hour) {
            for (int zone = 0; zone <= 2; ++zone) {
                std::vector<float> values(55, kNone);
                values[1] = static_cast<float>(hour + zone);
                run.Store({2, zone, values, hour / 24.0, hour / 24.0});
            }
        }
        run.Finish(RunStatus::Finished);
    }
    SqliteConnection db(file.string(), SQLITE_OPEN_READONLY);
    EXPECT_EQ(Text(db,
                   "SELECT group_concat(DISTINCT cuts) FROM (SELECT group_concat(first_step "
                   "|| '+' || steps, ' ') AS cuts FROM (SELECT * FROM series ORDER BY zone, "
                   "first_step) GROUP BY zone)"),
              "0+512 512+512 1024+276");
}

// A writer dropped before Finish (a killed process) leaves the run
// 'running' with the batches written so far (two per write here); Finish writes the rest and
// refuses to be called twice.
TEST_F(ResultDatabaseTest, RunsStayConsistentWhenNotFinished) {
    std::vector<float> values(55, 20.0f);
    {
        ResultDatabase database(file);
        RunWriter run(database, {"simulate", "office.kz7"}, 550, 1100);
        for (int hour = 1; hour <= 25; ++hour) run.Store({2, 1, values, hour / 24.0, hour / 24.0});
    }
    ResultDatabase database(file);
    SqliteConnection& db = database.Connection();
    EXPECT_EQ(Text(db, "SELECT status || (finished_at IS NULL) FROM runs"), "running1");
    EXPECT_EQ(db.QueryInteger("SELECT count(*) FROM times"), 20);
    RunWriter second(database, {"simulate", "office.kz7"});
    second.Store({2, 1, values, 1.0, 1.0});
    second.Finish(RunStatus::Cancelled);
    EXPECT_EQ(Text(db, "SELECT status FROM runs WHERE id = 2"), "cancelled");
    EXPECT_EQ(db.QueryInteger("SELECT count(*) FROM times WHERE run = 2"), 1);
    EXPECT_THROW(second.Store({2, 1, values, 1.0, 1.0}), ResultDatabaseError);
    EXPECT_THROW(second.Finish(RunStatus::Failed), ResultDatabaseError);
    EXPECT_EQ(Text(db, "PRAGMA integrity_check"), "ok");
}

// A run whose process ended without finishing it (killed outright) reads
// 'running' until the next writer of the file fails it, its end time left
// unknown; a run whose process is still there stays 'running'.
TEST_F(ResultDatabaseTest, ARunWhoseProcessEndedIsFailedByTheNextWriter) {
    const pid_t child = fork();
    if (child == 0) {
        try {
            ResultDatabase database(file);
            RunWriter run(database, {"simulate", "office.kz7"});
            _exit(0);  // as if killed: nothing finished, nothing closed
        } catch (...) {
            _exit(1);
        }
    }
    ASSERT_GT(child, 0);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    const std::string statuses =
        "SELECT group_concat(id || ' ' || status || ' ' || (finished_at IS NULL) || ' ' || "
        "coalesce(note, '-'), '; ') FROM runs";
    {
        ResultDatabase reader(file, ResultDatabase::Access::ReadOnly);
        EXPECT_EQ(Text(reader.Connection(), statuses), "1 running 1 -");
    }
    ResultDatabase database(file);
    RunWriter live(database, {"simulate", "office.kz7"});
    ResultDatabase next(file);
    EXPECT_EQ(Text(next.Connection(), statuses),
              fmt::format("1 failed 1 {}; 2 running 1 -", ResultDatabase::kAbandonedRunNote));
    EXPECT_EQ(next.Connection().QueryInteger("SELECT group_concat(run) FROM run_writers"), 2);
}

// A part of the values written while the engine goes on, and failing,
// stops the run at its next write with the database's reason; the run ends
// failed with its note, its values left out.
TEST_F(ResultDatabaseTest, AWriteThatFailsBehindTheRunStopsItAndFailsIt) {
    ResultDatabase database(file);
    database.Connection().Execute(
        "CREATE TRIGGER disk_full BEFORE INSERT ON series BEGIN SELECT RAISE(ABORT, 'disk full'); END");
    RunWriter run(database, {"simulate", "office.kz7"}, 550, 1100);
    std::vector<float> values(55);
    std::string failure;
    try {
        for (int hour = 1; hour <= 200; ++hour) {
            std::fill(values.begin(), values.end(), static_cast<float>(hour));
            run.Store({2, 1, values, hour / 24.0, hour / 24.0});
        }
    } catch (const ResultDatabaseError& error) {
        failure = error.what();
    }
    EXPECT_EQ(failure, "result database " + file.string() + ": disk full");
    run.Finish(RunStatus::Failed, failure);
    SqliteConnection& db = database.Connection();
    EXPECT_EQ(Text(db, "SELECT status || '|' || note FROM runs"), "failed|" + failure);
    EXPECT_EQ(db.QueryInteger("SELECT count(*) FROM series"), 0);
}

// A commit's pages reach the file while the writer still holds it open (its
// log is moved on a thread of its own), and the writer's close leaves the
// file complete and no log beside it.
TEST_F(ResultDatabaseTest, CommitsAreMovedIntoTheFileWhileTheWriterGoesOn) {
    constexpr int64_t kBlob = int64_t{12} << 20;  // more than a checkpoint's worth of log
    {
        ResultDatabase database(file);
        database.Connection().Execute("CREATE TABLE scratch (b BLOB)");
        database.Transaction([&] {
            database.Connection().Execute("INSERT INTO scratch VALUES (randomblob(" +
                                          std::to_string(kBlob) + "))");
        });
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (static_cast<int64_t>(fs::file_size(file)) < kBlob &&
               std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        EXPECT_GE(static_cast<int64_t>(fs::file_size(file)), kBlob);
        database.Transaction([&] { database.Connection().Execute("INSERT INTO scratch VALUES (x'01')"); });
    }
    EXPECT_FALSE(fs::exists(file.string() + "-wal"));
    ResultDatabase database(file, ResultDatabase::Access::ReadOnly);
    SqliteConnection& db = database.Connection();
    EXPECT_EQ(db.QueryInteger("SELECT sum(length(b)) FROM scratch"), kBlob + 1);
    EXPECT_EQ(Text(db, "PRAGMA integrity_check"), "ok");
}

// Files that are no result database of this layout are refused with a
// reason and left as they were; an empty file is made one; a name is always
// a file, never an SQLite URI or the in-memory database.
TEST_F(ResultDatabaseTest, FilesAreRefusedOrMadeResultDatabasesByWhatTheyHold) {
    const fs::path foreign = folder / "foreign.db";
    {
        SqliteConnection db(foreign.string(), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
        db.Execute("CREATE TABLE invoices (id INTEGER)");
    }
    const std::string foreignBytes = ReadFile(foreign);
    for (const auto access : {ResultDatabase::Access::ReadWrite, ResultDatabase::Access::ReadOnly})
        EXPECT_EQ(OpenError(foreign, access), "result database " + foreign.string() +
                                                  ": a SQLite database, but not a kz7 result "
                                                  "database");
    EXPECT_EQ(ReadFile(foreign), foreignBytes);

    for (const int version : {1, 3}) {
        const fs::path other = folder / ("v" + std::to_string(version) + ".db");
        {
            SqliteConnection db(other.string(), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
            db.Execute("CREATE TABLE records (id INTEGER); PRAGMA application_id = " +
                       std::to_string(ResultDatabase::kApplicationId) +
                       "; PRAGMA user_version = " + std::to_string(version) + ";");
        }
        const std::string error = OpenError(other, ResultDatabase::Access::ReadOnly);
        EXPECT_NE(error.find("layout version " + std::to_string(version)), std::string::npos)
            << error;
    }

    WriteFile(file, "");
    EXPECT_EQ(OpenError(file, ResultDatabase::Access::ReadOnly),
              "result database " + file.string() + ": an empty database without results");
    EXPECT_EQ(OpenError(file, ResultDatabase::Access::ReadWrite), "<opened>");
    EXPECT_EQ(OpenError(file, ResultDatabase::Access::ReadOnly), "<opened>");

    const fs::path here = fs::current_path();
    fs::current_path(folder);
    for (const std::string name : {"file::memory:", ":memory:", "file:x.db?mode=memory"}) {
        {
            ResultDatabase database(name);
            RunWriter(database, {"simulate", "m.kz7"}).Finish(RunStatus::Finished);
        }
        EXPECT_EQ(OpenError(name, ResultDatabase::Access::ReadOnly), "<opened>") << name;
        EXPECT_TRUE(fs::is_regular_file(folder / name)) << name;
    }
    fs::current_path(here);
    // Nothing is left behind of the files built before they were put in place,
    // nor the log files of a reader.
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        EXPECT_EQ(name.find(".kz7-new-"), std::string::npos) << name;
        EXPECT_FALSE(name.ends_with("-wal") || name.ends_with("-shm")) << name;
    }
}

}  // namespace
}  // namespace kz7::app
