// kz7 simulate, heatloss, heatgain and weather --db run as the user runs
// them: exit codes, the stored rows and the JSON summary.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <thread>

#include "CommandRun.h"
#include "ResultDatabase.h"
#include "ResultDatabaseFixture.h"

namespace kz7::app {
namespace {

using test::RunKz7;

const std::string kSupport = KZ7_SOURCE_DIR "/support";
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
    // A copy of the test cell with `from` replaced by `to`.
    std::string CellWith(const std::string& from, const std::string& to) {
        std::string text = ReadFile(kCell);
        text.replace(text.find(from), from.size(), to);
        const std::filesystem::path path = folder / "cell.kz7";
        WriteFile(path, text);
        return path.string();
    }
};

TEST_F(SimulateCommandTest, AnAnnualRunStoresEveryHourlyRecordAndPrintsTheJsonSummary) {
    const auto run = RunKz7("simulate " + kCell + " --support " + kSupport + Db() + " --json");
    ASSERT_EQ(run.exitCode, 0);
    const nlohmann::json summary = nlohmann::json::parse(run.output);
    EXPECT_EQ(summary["run"], 1);
    EXPECT_EQ(summary["status"], "finished");
    ASSERT_EQ(summary["zones"].size(), 1u);
    const nlohmann::json& zone = summary["zones"][0];
    EXPECT_EQ(zone["zone"], 1);
    EXPECT_EQ(zone["name"], "Test cell");
    for (const char* key : {"peak_heating_kw", "peak_cooling_kw", "heating_kwh", "cooling_kwh",
                            "fuel_kwh", "carbon_kg", "max_air_c", "min_air_c", "max_comfort_c",
                            "min_comfort_c", "hours_above_25", "hours_above_28"}) {
        EXPECT_TRUE(zone.contains(key)) << key;
        EXPECT_TRUE(summary["building"].contains(key)) << key;
    }
    // A free-running cell in Denver: summer peaks well above winter lows.
    ASSERT_TRUE(zone["max_air_c"].is_number());
    EXPECT_GT(zone["max_air_c"].get<double>(), zone["min_air_c"].get<double>() + 10.0);

    EXPECT_EQ(Query("SELECT command || '|' || status FROM runs"), "simulate|finished");
    EXPECT_EQ(Query("SELECT count(*) FROM records WHERE interval = 2 AND record = 'zone'"), "8760");
    EXPECT_EQ(Query("SELECT count(*) FROM records WHERE interval = 2 AND record = 'building'"),
              "8760");
    EXPECT_EQ(Query("SELECT count(*) FROM records WHERE interval = 6"), "1");
    EXPECT_EQ(Query("SELECT name FROM zones WHERE zone = 1"), "Test cell");
    EXPECT_EQ(Query("SELECT count(*) FROM variables WHERE record = 'building'"), "114");
    EXPECT_EQ(Query("SELECT unit FROM variables WHERE record = 'zone' AND name = 'Heating'"),
              "kWh");
    // The summary's maximum air temperature is the stored summary record's.
    const double stored =
        std::stod(Query("SELECT json_extract(vals, '$[3]') FROM records WHERE interval = 6"));
    EXPECT_NEAR(zone["max_air_c"].get<double>(), stored, 1e-9);

    // A second run appends.
    ASSERT_EQ(
        RunKz7("simulate " + kCell + " --support " + kSupport + Db() + " --daily --quiet").exitCode,
        0);
    EXPECT_EQ(Query("SELECT group_concat(id || ':' || status) FROM runs"), "1:finished,2:finished");
    EXPECT_EQ(Query("SELECT count(*) FROM records WHERE run = 2 AND interval = 3 AND zone = 1"),
              "365");
    EXPECT_EQ(Query("SELECT count(*) FROM records WHERE run = 2 AND interval = 2"), "0");
}

TEST_F(SimulateCommandTest, DesignRunsStoreTheirRecordsAndPrintEachZone) {
    const auto loss = RunKz7("heatloss " + kCell + " --support " + kSupport + Db() + " --json");
    ASSERT_EQ(loss.exitCode, 0);
    const nlohmann::json lossJson = nlohmann::json::parse(loss.output);
    ASSERT_EQ(lossJson["zones"].size(), 1u);
    EXPECT_TRUE(lossJson["zones"][0].contains("design_heating_kw"));

    const auto gain = RunKz7("heatgain " + kCell + " --support " + kSupport + Db() + " --json");
    ASSERT_EQ(gain.exitCode, 0);
    const nlohmann::json gainJson = nlohmann::json::parse(gain.output);
    EXPECT_EQ(gainJson["run"], 2);
    EXPECT_TRUE(gainJson["zones"][0].contains("peak_month"));
    // The heat-gain run's summary carries the peak cooling load it prints.
    EXPECT_NEAR(gainJson["zones"][0]["design_cooling_kw"].get<double>(),
                std::stod(Query("SELECT json_extract(vals, '$[1]') FROM records WHERE run = 2 "
                                "AND interval = 6")),
                1e-9);

    EXPECT_EQ(Query("SELECT group_concat(command || ':' || status) FROM runs"),
              "heatloss:finished,heatgain:finished");
    // Only the last heat-loss design day is kept: 96 quarter-hour steps.
    EXPECT_EQ(Query("SELECT count(*) FROM records WHERE run = 1 AND interval = 1 AND zone = 1"),
              "96");
    // Heat gain: the 15th design day of each of the twelve months.
    EXPECT_EQ(Query("SELECT count(*) FROM records WHERE run = 2 AND interval = 1 AND zone = 1"),
              "1152");
}

TEST_F(SimulateCommandTest, WeatherRowsAndDesignDaysAreStored) {
    ASSERT_EQ(RunKz7("weather " + kDenver + Db()).exitCode, 0);
    EXPECT_EQ(Query("SELECT count(*) FROM records WHERE interval = 2 AND zone = -1"), "8760");
    EXPECT_EQ(Query("SELECT count(*) FROM records WHERE interval = 4 AND record = 'weather'"),
              "12");
    // The first hour of the Denver file: dry bulb -18 °C.
    EXPECT_EQ(Query("SELECT json_extract(vals, '$[1]') FROM records ORDER BY id LIMIT 1"), "-18");

    ASSERT_EQ(
        RunKz7("weather --design-heat-loss " + kCell + " --support " + kSupport + Db()).exitCode,
        0);
    EXPECT_EQ(Query("SELECT count(*) FROM records WHERE run = 2 AND interval = 1"), "48");
    // Every half-hour of the heating design day is the HeatLossWeather temperature.
    EXPECT_EQ(Query("SELECT DISTINCT json_extract(vals, '$[1]') FROM records WHERE run = 2"),
              "-18");
    EXPECT_EQ(RunKz7("weather --design-heat-gain " + kCell).exitCode, 2);  // --db is needed
}

TEST_F(SimulateCommandTest, BadInputGivesAOneLineErrorAndLeavesNoDatabase) {
    const std::string db = Db();
    EXPECT_EQ(RunKz7("simulate " + (folder / "none.kz7").string() + db).exitCode, 1);
    EXPECT_EQ(RunKz7("simulate " + CellWith("weather/USA_CO", "weather/NONE_CO") + " --support " +
                     kSupport + db)
                  .exitCode,
              1);
    const std::string unreadable = CellWith("Building,Test cell", std::string("Building,\0x", 11));
    EXPECT_EQ(RunKz7("simulate " + unreadable + " --support " + kSupport + db).exitCode, 1);
    WriteFile(folder / "bad.epw", "not weather\n");
    EXPECT_EQ(RunKz7("weather " + (folder / "bad.epw").string() + db).exitCode, 1);
    EXPECT_FALSE(std::filesystem::exists(file));

    EXPECT_EQ(RunKz7("simulate " + kCell + " --support " + kSupport + " --db " +
                     (folder / "missing" / "r.db").string())
                  .exitCode,
              1);
    WriteFile(file, "not a database, just text\n");
    EXPECT_EQ(RunKz7("simulate " + kCell + " --support " + kSupport + db).exitCode, 1);
    EXPECT_EQ(ReadFile(file), "not a database, just text\n");

    EXPECT_EQ(RunKz7("simulate " + kCell + " --hourly --daily" + db).exitCode, 2);
    EXPECT_EQ(RunKz7("simulate").exitCode, 2);
    EXPECT_EQ(RunKz7("heatloss").exitCode, 2);
}

// Standard error of a kz7 run (RunKz7 drops it).
std::string ErrorOutput(const std::string& arguments) {
    FILE* pipe =
        popen((std::string(KZ7_BINARY) + " " + arguments + " 2>&1 >/dev/null").c_str(), "r");
    std::string text;
    char buffer[512];
    size_t read = 0;
    while (pipe != nullptr && (read = fread(buffer, 1, sizeof buffer, pipe)) > 0)
        text.append(buffer, read);
    if (pipe != nullptr) pclose(pipe);
    return text;
}

TEST_F(SimulateCommandTest, TheErrorIsOneLineNamingTheFileAndTheReason) {
    const std::string missing = (folder / "none.kz7").string();
    EXPECT_EQ(ErrorOutput("simulate " + missing), "kz7: " + missing + ": model file not found\n");
    const std::string binary = CellWith("Building,Test cell", std::string("Building,\0x", 11));
    EXPECT_EQ(ErrorOutput("simulate " + binary + Db()),
              "kz7: " + binary + ": the model could not be read: " + binary +
                  " is not a model document: binary data at line 4\n");
    EXPECT_EQ(ErrorOutput("heatloss " + kCell + " --support " + kSupport + " --db " +
                          (folder / "no" / "r.db").string()),
              "kz7: result database " + (folder / "no" / "r.db").string() + ": the folder " +
                  (folder / "no").string() + " does not exist\n");
}

// Runs the office simulation with time-step records as a child process and
// sends `signal` once its first batch of records is committed.
int InterruptedRun(const std::filesystem::path& db, int signal) {
    const pid_t child = fork();
    if (child == 0) {
        freopen("/dev/null", "w", stdout);
        freopen("/dev/null", "w", stderr);
        execl(KZ7_BINARY, KZ7_BINARY, "simulate", kOffice.c_str(), "--support", kSupport.c_str(),
              "--db", db.c_str(), "--timestep", "--quiet", static_cast<char*>(nullptr));
        _exit(127);
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    bool started = false;
    while (!started && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        try {
            ResultDatabase database(db, ResultDatabase::Access::ReadOnly);
            started = Number(database.Connection(), "SELECT count(*) FROM records") > 0;
        } catch (const ResultDatabaseError&) {
        }
    }
    kill(child, started ? signal : SIGKILL);
    int status = 0;
    while (waitpid(child, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline + std::chrono::seconds(10)) {
            kill(child, SIGKILL);
            waitpid(child, &status, 0);
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (!started) return -2;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

TEST_F(SimulateCommandTest, CtrlCEndsTheRunCancelledWithExitCode130) {
    ASSERT_EQ(InterruptedRun(file, SIGINT), 130);
    EXPECT_EQ(Query("SELECT status FROM runs"), "cancelled");
    EXPECT_NE(Query("SELECT finished_at FROM runs"), "<no row>");
    EXPECT_GT(std::stoi(Query("SELECT count(*) FROM records")), 0);
}

TEST_F(SimulateCommandTest, ARunKilledPartWayLeavesADatabaseShowingItNotFinished) {
    ASSERT_EQ(InterruptedRun(file, SIGKILL), 128 + SIGKILL);
    EXPECT_EQ(Query("SELECT status FROM runs"), "running");
    EXPECT_EQ(Query("PRAGMA integrity_check"), "ok");
    EXPECT_EQ(Query("SELECT count(*) % 4096 FROM records"), "0");
}

}  // namespace
}  // namespace kz7::app
