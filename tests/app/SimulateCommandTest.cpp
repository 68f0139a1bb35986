// kz7 simulate, heatloss, heatgain, weather and make-tape run as the user runs
// them: exit codes, the stored rows, the printed summary and the one-line errors.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <thread>

#include "CommandRun.h"
#include "ResultDatabase.h"
#include "ResultDatabaseFixture.h"
#include "ResultReader.h"

namespace kz7::app {
namespace {

using test::RunKz7;
namespace fs = std::filesystem;

const std::string kSupport = " --support " KZ7_SOURCE_DIR "/support";
const std::string kCell = KZ7_SOURCE_DIR "/examples/test-cell.kz7";
const std::string kOffice = KZ7_SOURCE_DIR "/examples/small-office.kz7";
const std::string kDenver =
    KZ7_SOURCE_DIR "/examples/weather/USA_CO_Denver.Intl.AP.725650_TMY3.epw";

class SimulateCommandTest : public ResultDatabaseFixture {
  protected:
    std::string Db() const { return " --db " + file.string(); }
    std::string Query(const std::string& sql) {
        ResultDatabase database(file, ResultDatabase::Access::ReadOnly);
        return Text(database.Connection(), sql);
    }
    double QueryNumber(const std::string& sql) {
        ResultDatabase database(file, ResultDatabase::Access::ReadOnly);
        return Number(database.Connection(), sql);
    }
    // A copy of the test cell with `from` replaced by `to`.
    std::string CellWith(const std::string& from, const std::string& to) {
        std::string text = ReadFile(kCell);
        text.replace(text.find(from), from.size(), to);
        WriteFile(folder / "cell.kz7", text);
        return (folder / "cell.kz7").string();
    }
};

// Exit code 1 and one line on standard error: "kz7: <text>".
void ExpectOneLineError(const test::CommandRun& run, const std::string& text) {
    EXPECT_EQ(run.exitCode, 1) << run.error;
    EXPECT_EQ(run.error, "kz7: " + text + "\n");
    EXPECT_EQ(run.output, "");
}

TEST_F(SimulateCommandTest, AnAnnualRunStoresEveryHourWithItsTimeAndPrintsTheJsonSummary) {
    const auto run = RunKz7("simulate " + kCell + kSupport + Db() + " --json");
    ASSERT_EQ(run.exitCode, 0) << run.error;
    const nlohmann::json summary = nlohmann::json::parse(run.output);
    EXPECT_EQ(summary["run"], 1);
    EXPECT_EQ(summary["status"], "finished");
    ASSERT_EQ(summary["zones"].size(), 1u);
    const nlohmann::json& zone = summary["zones"][0];
    EXPECT_EQ(zone["name"], "Test cell");
    for (const char* key : {"peak_heating_kw", "peak_cooling_kw", "heating_kwh", "cooling_kwh",
                            "fuel_kwh", "carbon_kg", "max_air_c", "min_air_c", "max_comfort_c",
                            "min_comfort_c", "hours_above_25", "hours_above_28"}) {
        EXPECT_TRUE(zone.contains(key) && summary["building"].contains(key)) << key;
    }
    // A free-running cell in Denver: summer peaks well above winter lows; the
    // printed maximum is the stored summary record's.
    ASSERT_TRUE(zone["max_air_c"].is_number());
    EXPECT_GT(zone["max_air_c"].get<double>(), zone["min_air_c"].get<double>() + 10.0);
    EXPECT_DOUBLE_EQ(zone["max_air_c"].get<double>(),
                     QueryNumber("SELECT value FROM series_values "
                                 "WHERE interval = 6 AND position = 3"));
    // The cell's 48 m² give the figures per m² beside their own.
    EXPECT_EQ(zone["floor_area_m2"], 48.0);
    ASSERT_TRUE(zone["heating_kwh"].is_number() && zone["peak_heating_kw"].is_number());
    EXPECT_DOUBLE_EQ(zone["heating_kwh_m2"].get<double>(), zone["heating_kwh"].get<double>() / 48);
    EXPECT_DOUBLE_EQ(zone["peak_heating_w_m2"].get<double>(),
                     zone["peak_heating_kw"].get<double>() * 1000 / 48);
    EXPECT_EQ(Query("SELECT value FROM summaries WHERE zone = 0 AND figure = 'floor_area_m2'"),
              "48.0");

    EXPECT_EQ(Query("SELECT command || '|' || status FROM runs"), "simulate|finished");
    EXPECT_EQ(Query("SELECT count(*) FROM times WHERE interval = 2"), "8760");
    EXPECT_EQ(Query("SELECT group_concat(DISTINCT zone) FROM series WHERE interval = 2"), "0,1");
    EXPECT_EQ(Query("SELECT name FROM zones WHERE zone = 1"), "Test cell");
    EXPECT_EQ(Query("SELECT unit FROM variables WHERE record = 'zone' AND name = 'Heating'"),
              "kWh");
    // Each hour carries its own end: the first day's 24 hours are 01:00 ... 00:00
    // of 2 January. The typical year's months come from several years, yet the
    // run lies on one: every hour is on the hour, later than the one before,
    // within the first month's year, and keeps its month's own year beside it.
    EXPECT_EQ(Query("SELECT group_concat(strftime('%d %H', time + 2415018.5), ',') FROM (SELECT "
                    "time FROM times WHERE interval = 2 ORDER BY step LIMIT 24)"),
              "01 01,01 02,01 03,01 04,01 05,01 06,01 07,01 08,01 09,01 10,01 11,01 12,01 13,"
              "01 14,01 15,01 16,01 17,01 18,01 19,01 20,01 21,01 22,01 23,02 00");
    EXPECT_EQ(Query("SELECT count(*) FROM times WHERE interval = 2 AND "
                    "strftime('%M:%f', time + 2415018.5) <> '00:00.000'"),
              "0");
    EXPECT_EQ(Query("SELECT count(*) FROM times AS a JOIN times AS b ON b.run = a.run AND "
                    "b.interval = a.interval AND b.step = a.step + 1 WHERE b.time <= a.time"),
              "0");
    const std::string year = Query("SELECT strftime('%Y', time + 2415018.5) FROM times "
                                   "WHERE interval = 2 AND step = 0");
    EXPECT_EQ(Query("SELECT count(*) FROM times WHERE interval = 2 AND step < 8759 AND "
                    "strftime('%Y', time + 2415018.5) <> '" + year + "'"),
              "0");
    EXPECT_NE(Query("SELECT count(DISTINCT strftime('%Y', source_time + 2415018.5)) FROM times "
                    "WHERE interval = 2"),
              "1");

    // A second run appends; its day records keep the date of their day.
    ASSERT_EQ(RunKz7("simulate " + kCell + kSupport + Db() + " --daily --quiet").exitCode, 0);
    EXPECT_EQ(Query("SELECT group_concat(id || ':' || status) FROM runs"), "1:finished,2:finished");
    EXPECT_EQ(Query("SELECT count(*) FROM times WHERE run = 2 AND interval = 3"), "365");
    EXPECT_EQ(Query("SELECT strftime('%m-%d %H:%M', time + 2415018.5) FROM times "
                    "WHERE run = 2 AND interval = 3 AND step = 0"),
              "01-01 00:00");
    EXPECT_EQ(Query("SELECT count(*) FROM times WHERE run = 2 AND interval = 2"), "0");
}

TEST_F(SimulateCommandTest, DesignRunsStoreTheirStepsAndPrintEachZone) {
    const auto loss = RunKz7("heatloss " + kCell + kSupport + Db() + " --json");
    ASSERT_EQ(loss.exitCode, 0) << loss.error;
    EXPECT_TRUE(nlohmann::json::parse(loss.output)["zones"][0].contains("design_heating_kw"));

    const auto gain = RunKz7("heatgain " + kCell + kSupport + Db() + " --json");
    ASSERT_EQ(gain.exitCode, 0) << gain.error;
    const nlohmann::json gainJson = nlohmann::json::parse(gain.output);
    EXPECT_EQ(gainJson["run"], 2);
    EXPECT_TRUE(gainJson["zones"][0].contains("peak_month"));
    // The heat-gain run's summary carries the peak cooling load it prints.
    EXPECT_DOUBLE_EQ(gainJson["zones"][0]["design_cooling_kw"].get<double>(),
                     QueryNumber("SELECT value FROM series_values "
                                 "WHERE run = 2 AND interval = 6 AND position = 1"));

    EXPECT_EQ(Query("SELECT group_concat(command || ':' || status) FROM runs"),
              "heatloss:finished,heatgain:finished");
    // Only the last heat-loss design day is kept: 96 quarter-hour steps, each
    // with its own end, 00:15 to 24:00.
    EXPECT_EQ(Query("SELECT count(*) || ' ' || count(DISTINCT time) || ' ' || "
                    "round((min(time) - floor(min(time))) * 1440) || ' ' || "
                    "round((max(time) - min(time)) * 1440) FROM times "
                    "WHERE run = 1 AND interval = 1"),
              "96 96 15.0 1425.0");
    // Heat gain: the 15th design day of each of the twelve months.
    EXPECT_EQ(Query("SELECT count(*) FROM times WHERE run = 2 AND interval = 1"), "1152");
}

TEST_F(SimulateCommandTest, WeatherPrintsTheFileAndStoresItsRowsAndDesignDays) {
    const auto weather = RunKz7("weather " + kDenver + Db());
    ASSERT_EQ(weather.exitCode, 0) << weather.error;
    EXPECT_NE(weather.output.find("DENVER INTL AP, CO, USA"), std::string::npos);
    EXPECT_NE(weather.output.find("8760 hourly records, first day a Sunday"), std::string::npos);
    EXPECT_NE(weather.output.find("\nDec "), std::string::npos);
    EXPECT_EQ(Query("SELECT count(*) FROM times WHERE interval = 2"), "8760");
    EXPECT_EQ(Query("SELECT count(*) FROM times WHERE interval = 4"), "12");
    // The rows of the typical year lie on one time axis, in order.
    EXPECT_EQ(Query("SELECT count(*) FROM times AS a JOIN times AS b ON b.run = a.run AND "
                    "b.interval = a.interval AND b.step = a.step + 1 WHERE b.time <= a.time"),
              "0");
    // The first hour of the Denver file: dry bulb -18 °C.
    EXPECT_EQ(Query("SELECT value FROM series_values WHERE interval = 2 AND zone = -1 AND "
                    "position = 1 AND step = 0"),
              "-18.0");

    ASSERT_EQ(RunKz7("weather --design-heat-loss " + kCell + kSupport + Db()).exitCode, 0);
    EXPECT_EQ(Query("SELECT count(*) FROM times WHERE run = 2 AND interval = 1"), "48");
    // Every half-hour of the heating design day is the HeatLossWeather temperature.
    EXPECT_EQ(Query("SELECT group_concat(DISTINCT value) FROM series_values WHERE run = 2 AND "
                    "position = 1"),
              "-18.0");
    EXPECT_EQ(RunKz7("weather --design-heat-gain " + kCell).exitCode, 2);  // --db is needed
    EXPECT_EQ(RunKz7("weather /nonexistent.epw").exitCode, 1);
}

TEST_F(SimulateCommandTest, MakeTapeWritesTheTapeAndRefusesBadNames) {
    const std::string out = (folder / "tapes").string();
    ASSERT_EQ(RunKz7("make-tape " + kDenver + " denver --out " + out).exitCode, 0);
    const std::string tape = ReadFile(out + "/denver.rwt");
    EXPECT_EQ(std::count(tape.begin(), tape.end(), '\n'), 289);
    EXPECT_TRUE(fs::exists(out + "/denver.dcf"));
    EXPECT_EQ(RunKz7("make-tape " + kDenver + " ../escape --out " + out).exitCode, 2);
    EXPECT_FALSE(fs::exists(folder / "escape.rwt"));
    EXPECT_EQ(RunKz7("make-tape /nonexistent.epw x --out " + out).exitCode, 1);
}

// Bad models, weather and databases: one line naming the file and the
// reason, exit code 1, and no database written.
TEST_F(SimulateCommandTest, BadInputGivesOneLineAndLeavesNoDatabase) {
    const std::string missing = (folder / "none.kz7").string();
    ExpectOneLineError(RunKz7("simulate " + missing + Db()), missing + ": model file not found");
    const std::string noWeather = CellWith("weather/USA_CO", "weather/NONE_CO");
    const auto weatherRun = RunKz7("simulate " + noWeather + kSupport + Db());
    EXPECT_EQ(weatherRun.exitCode, 1);
    EXPECT_NE(weatherRun.error.find("NONE_CO"), std::string::npos) << weatherRun.error;
    EXPECT_NE(weatherRun.error.find("weather file not found (named by " + noWeather + ")\n"),
              std::string::npos)
        << weatherRun.error;
    const std::string binary = CellWith("Building,Test cell", std::string("Building,\0x", 11));
    ExpectOneLineError(RunKz7("simulate " + binary + kSupport + Db()),
                       binary + ": the model could not be read: " + binary +
                           " is not a model document: binary data at line 4");
    WriteFile(folder / "bad.epw", "not weather\n");
    EXPECT_EQ(RunKz7("weather " + (folder / "bad.epw").string() + Db()).exitCode, 1);
    EXPECT_FALSE(fs::exists(file));

    // Database paths that cannot be written, even by the superuser.
    const std::string inMissing = (folder / "no" / "r.db").string();
    ExpectOneLineError(RunKz7("heatloss " + kCell + kSupport + " --db " + inMissing),
                       "result database " + inMissing + ": the folder " + (folder / "no").string() +
                           " does not exist");
    WriteFile(folder / "plain", "a file\n");
    const std::string underFile = (folder / "plain" / "r.db").string();
    ExpectOneLineError(RunKz7("heatloss " + kCell + kSupport + " --db " + underFile),
                       "result database " + underFile + ": " + (folder / "plain").string() +
                           " is a file, not a folder");
    ExpectOneLineError(RunKz7("heatloss " + kCell + kSupport + " --db " + folder.string()),
                       "result database " + folder.string() + ": is a folder, not a file");
    const fs::path pipe = folder / "pipe.db";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    ExpectOneLineError(RunKz7("heatloss " + kCell + kSupport + " --db " + pipe.string()),
                       "result database " + pipe.string() + ": not a regular file");
    const auto proc = RunKz7("heatloss " + kCell + kSupport + " --db /proc/kz7-results.db");
    EXPECT_EQ(proc.exitCode, 1);
    EXPECT_EQ(proc.error.rfind("kz7: result database /proc/kz7-results.db: ", 0), 0u) << proc.error;
    EXPECT_EQ(std::count(proc.error.begin(), proc.error.end(), '\n'), 1) << proc.error;
    EXPECT_FALSE(fs::exists("/proc/kz7-results.db"));

    WriteFile(file, "not a database, just text\n");
    ExpectOneLineError(RunKz7("simulate " + kCell + kSupport + Db()),
                       "result database " + file.string() + ": not a SQLite database");
    EXPECT_EQ(ReadFile(file), "not a database, just text\n");
    EXPECT_FALSE(fs::exists(file.string() + "-wal"));

    EXPECT_EQ(RunKz7("simulate " + kCell + " --hourly --daily" + Db()).exitCode, 2);
    EXPECT_EQ(RunKz7("simulate").exitCode, 2);
    EXPECT_EQ(RunKz7("heatloss").exitCode, 2);
}

// File permissions bind only users other than the superuser, who writes
// anyway: the cases above cover what root cannot write.
TEST_F(SimulateCommandTest, AReadOnlyDatabaseOrFolderIsRefusedAndLeftAsItWas) {
    if (::geteuid() == 0) GTEST_SKIP() << "the superuser writes to read-only files";
    ASSERT_EQ(RunKz7("heatloss " + kCell + kSupport + Db() + " --quiet").exitCode, 0);
    fs::permissions(file, fs::perms::owner_read);
    const std::string before = ReadFile(file);
    const auto run = RunKz7("heatloss " + kCell + kSupport + Db());
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(
        run.error.rfind("kz7: result database " + file.string() + ": the file is read-only", 0), 0u)
        << run.error;
    EXPECT_EQ(ReadFile(file), before);

    const fs::path locked = folder / "locked";
    fs::create_directory(locked);
    fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_exec);
    const auto inLocked =
        RunKz7("heatloss " + kCell + kSupport + " --db " + (locked / "r.db").string());
    EXPECT_EQ(inLocked.exitCode, 1);
    EXPECT_NE(inLocked.error.find("cannot write files in the folder"), std::string::npos);
    EXPECT_TRUE(fs::is_empty(locked));
    fs::permissions(locked, fs::perms::owner_all);
}

// Runs the office simulation with time-step records as a child process and
// sends `signal` once its first batch of records is committed. Returns its
// exit code (128 + the signal that ended it), or -1 when it did not start or end.
int InterruptedRun(const fs::path& db, int signal) {
    const pid_t child = fork();
    if (child == 0) {
        freopen("/dev/null", "w", stdout);
        freopen("/dev/null", "w", stderr);
        execl(KZ7_BINARY, KZ7_BINARY, "simulate", kOffice.c_str(), "--support",
              KZ7_SOURCE_DIR "/support", "--db", db.c_str(), "--timestep", "--quiet",
              static_cast<char*>(nullptr));
        _exit(127);
    }
    bool started = false;
    for (int wait = 0; wait < 1500 && !started; ++wait) {  // 30 s
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        try {
            ResultDatabase database(db, ResultDatabase::Access::ReadOnly);
            started = Number(database.Connection(), "SELECT count(*) FROM series") > 0;
        } catch (const ResultDatabaseError&) {
        }
    }
    kill(child, started ? signal : SIGKILL);
    int status = 0;
    pid_t ended = 0;
    for (int wait = 0; wait < 500 && ended == 0; ++wait) {  // 10 s
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        ended = waitpid(child, &status, WNOHANG);
    }
    if (ended == 0) {
        kill(child, SIGKILL);
        waitpid(child, &status, 0);
    }
    if (!started || ended == 0) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

TEST_F(SimulateCommandTest, CtrlCEndsTheRunCancelledWithExitCode130) {
    ASSERT_EQ(InterruptedRun(file, SIGINT), 130);
    EXPECT_EQ(Query("SELECT status FROM runs"), "cancelled");
    EXPECT_NE(Query("SELECT finished_at FROM runs"), "<no row>");
    EXPECT_GT(std::stoi(Query("SELECT count(*) FROM series")), 0);
}

// Every committed batch stays, the one being written is wholly gone, and the
// run shows it did not finish.
TEST_F(SimulateCommandTest, ARunKilledPartWayLeavesADatabaseShowingItNotFinished) {
    ASSERT_EQ(InterruptedRun(file, SIGKILL), 128 + SIGKILL);
    EXPECT_EQ(Query("SELECT status || ' ' || ifnull(finished_at, '-') FROM runs"), "running -");
    EXPECT_EQ(Query("PRAGMA integrity_check"), "ok");
    // What was committed reads back whole.
    ResultDatabase database(file, ResultDatabase::Access::ReadOnly);
    const TimeSeries air = ResultReader(database).Series(1, 1, 1, "AirTemperature");
    EXPECT_GT(air.values.size(), 0u);
    EXPECT_FALSE(std::isnan(air.values.back()));
}

}  // namespace
}  // namespace kz7::app
