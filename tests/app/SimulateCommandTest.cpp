// kz7 simulate, heatloss, heatgain, weather and make-tape run as the user runs
// them: exit codes, the stored rows, the printed summary and the one-line errors.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "CommandRun.h"
#include "TestSupport.h"
#include "JsonNumber.h"
#include "ResultDatabase.h"
#include "ResultDatabaseFixture.h"
#include "ResultReader.h"
#include "Sqlite.h"

namespace kz7::app {
namespace {

// Whether `text` holds a number with more than `digits` digits after its
// decimal point.
bool HasLongFraction(const std::string& text, size_t digits) {
    size_t run = 0;
    bool fraction = false;
    for (size_t k = 0; k < text.size(); ++k) {
        const char c = text[k];
        if (c == '.' && k > 0 && std::isdigit(static_cast<unsigned char>(text[k - 1]))) {
            fraction = true;
            run = 0;
        } else if (fraction && std::isdigit(static_cast<unsigned char>(c))) {
            if (++run >= digits) return true;
        } else {
            fraction = false;
        }
    }
    return false;
}

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
    // printed maximum is the stored summary record's, at single precision and
    // without the digits of its conversion to double.
    ASSERT_TRUE(zone["max_air_c"].is_number());
    EXPECT_GT(zone["max_air_c"].get<double>(), zone["min_air_c"].get<double>() + 10.0);
    EXPECT_EQ(zone["max_air_c"].get<double>(),
              ShortestSingle(QueryNumber("SELECT value FROM series_values "
                                         "WHERE interval = 6 AND position = 3")));
    EXPECT_FALSE(HasLongFraction(run.output, 9))
        << "a number with single-precision noise: " << run.output;
    // Without a terminal the engine's 365 day messages are not printed; its last one is.
    EXPECT_EQ(run.error.find("Simulating"), std::string::npos) << run.error;
    EXPECT_NE(run.error.find("finished"), std::string::npos) << run.error;
    // The cell's 48 m² give the figures per m² beside their own.
    EXPECT_EQ(zone["floor_area_m2"], 48.0);
    ASSERT_TRUE(zone["heating_kwh"].is_number() && zone["peak_heating_kw"].is_number());
    EXPECT_NEAR(zone["heating_kwh_m2"].get<double>(), zone["heating_kwh"].get<double>() / 48,
                1e-6 * zone["heating_kwh_m2"].get<double>());
    EXPECT_NEAR(zone["peak_heating_w_m2"].get<double>(),
                zone["peak_heating_kw"].get<double>() * 1000 / 48,
                1e-6 * zone["peak_heating_w_m2"].get<double>());
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
    // The cell has no cooler: a load of 0 and no month of its peak.
    EXPECT_EQ(gainJson["zones"][0]["peak_month"], 0);
    // The heat-gain run's summary carries the peak cooling load it prints.
    EXPECT_EQ(gainJson["zones"][0]["design_cooling_kw"].get<double>(),
              ShortestSingle(QueryNumber("SELECT value FROM series_values "
                                         "WHERE run = 2 AND interval = 6 AND position = 1")));
    const auto gainText = RunKz7("heatgain " + kCell + kSupport + Db() + " --quiet");
    EXPECT_NE(gainText.output.find("Test cell                        0.00      -\n"),
              std::string::npos)
        << gainText.output;
    EXPECT_EQ(gainText.output.find("Jan"), std::string::npos);

    // The heat-loss summary in CSV: its undated time and the extremes the
    // design run never records are empty cells, not 1899-12-30, 0 and 999.
    const std::string out = (folder / "csv").string();
    ASSERT_EQ(RunKz7("export-csv " + file.string() + " --run 1 --interval summary --out " + out)
                  .exitCode,
              0);
    const std::string csv = ReadFile(out + "/run1-summary-zones.csv");
    // zone, name, time, two peaks, three maxima, three minima.
    const size_t line = csv.rfind("\r\n1,Test cell,,");
    ASSERT_NE(line, std::string::npos) << csv;
    const std::string row = csv.substr(line + 2);
    const size_t peak = std::string("1,Test cell,,").size();
    const size_t peakEnd = row.find(',', peak);
    ASSERT_NE(peakEnd, std::string::npos) << csv;
    EXPECT_GT(peakEnd, peak) << csv;
    EXPECT_EQ(row.find_first_not_of("0123456789.", peak), peakEnd) << csv;
    EXPECT_EQ(row.substr(peakEnd), ",0,,,,,,\r\n") << csv;

    EXPECT_EQ(Query("SELECT group_concat(command || ':' || status) FROM runs"),
              "heatloss:finished,heatgain:finished,heatgain:finished");
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

// Keys "1" and "01" are one number: the second zone is renumbered, said so,
// and its records stay apart from the first one's.
TEST_F(SimulateCommandTest, ZonesWhoseKeysShareANumberAreStoredApart) {
    std::string text = ReadFile(kCell);
    const std::string zone = text.substr(text.find("Zone,1\n"));
    text += "Zone,01" + zone.substr(zone.find('\n'));
    WriteFile(folder / "twins.kz7", text);
    const auto run = RunKz7("heatloss " + (folder / "twins.kz7").string() + kSupport + Db());
    ASSERT_EQ(run.exitCode, 0) << run.error;
    EXPECT_NE(run.error.find("Zone \"01\" has the result number 1 of an earlier zone; its results "
                             "are sent as zone 2"),
              std::string::npos)
        << run.error;
    EXPECT_EQ(Query("SELECT group_concat(zone || ':' || key, ' ') FROM zones"), "1:1 2:01");
    EXPECT_EQ(Query("SELECT group_concat(n, ' ') FROM (SELECT sum(steps) AS n FROM series "
                    "WHERE interval = 1 AND zone > 0 AND position = 1 GROUP BY zone "
                    "ORDER BY zone)"),
              "96 96");
}

TEST_F(SimulateCommandTest, WeatherPrintsTheFileAndStoresItsRowsAndDesignDays) {
    const auto weather = RunKz7("weather " + kDenver + Db());
    ASSERT_EQ(weather.exitCode, 0) << weather.error;
    EXPECT_NE(weather.output.find("DENVER INTL AP, CO, USA"), std::string::npos);
    EXPECT_NE(weather.output.find("01-01 to 12-31 of a typical year, 8760 hourly records, "
                                  "first day a Sunday"),
              std::string::npos);
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
    // Radiation is summed: kWh/m² in hour, day and month rows, kW/m² at half-hours.
    EXPECT_EQ(Query("SELECT group_concat(DISTINCT interval || ' ' || unit || ' ' || aggregation) "
                    "FROM results WHERE variable = 'DirectNormalRadiation'"),
              "hour kWh/m² sum,day kWh/m² sum,month kWh/m² sum,step kW/m² sum");
    EXPECT_EQ(RunKz7("weather --design-heat-gain " + kCell).exitCode, 2);  // --db is needed
    EXPECT_EQ(RunKz7("weather /nonexistent.epw").exitCode, 1);
}

// On a reduced tape each simulated day stands for several real ones: the
// summary's totals from hourly records count each day that often, and agree
// with the month records the engine weights itself. The month records come
// from a DefaultZoneOutputOptions record written before the zones. The tape
// is the one make-tape writes, which refuses names outside its folder and
// leaves no tape cut short.
TEST_F(SimulateCommandTest, MakeTapeAndAReducedTapeRunCountingEachDayForTheDaysItStandsFor) {
    // The tapes' folder serves the runs as their support folder.
    const fs::path tapes = folder / "tapes";
    const std::string out = " --out " + tapes.string();
    ASSERT_EQ(RunKz7("make-tape " + kDenver + " denver" + out).exitCode, 0);
    const std::string tape = ReadFile(tapes / "denver.rwt");
    EXPECT_EQ(std::count(tape.begin(), tape.end(), '\n'), 289);
    EXPECT_TRUE(fs::exists(tapes / "denver.dcf"));
    const auto escape = RunKz7("make-tape " + kDenver + " ../escape" + out);
    EXPECT_EQ(escape.exitCode, 2);
    EXPECT_EQ(escape.error, "kz7: the tape name \"../escape\" must be a plain file name\n");
    EXPECT_FALSE(fs::exists(folder / "escape.rwt"));
    const auto missing = RunKz7("make-tape /nonexistent.epw x" + out);
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_EQ(missing.error, "kz7: /nonexistent.epw: weather file not found\n");
    {
        test::FileSizeLimit full(8192);  // the day counts fit, the tape does not
        EXPECT_EQ(RunKz7("make-tape " + kDenver + " cut" + out).exitCode, 1);
    }
    EXPECT_FALSE(fs::exists(tapes / "cut.rwt"));

    fs::copy_file(KZ7_SOURCE_DIR "/support/Dbs.KZ7", tapes / "Dbs.KZ7");
    std::string house = ReadFile(KZ7_SOURCE_DIR "/examples/house.kz7");
    const std::string epw = "weather/USA_MA_Boston-Logan.Intl.AP.725090_TMY3.epw,4";
    house.replace(house.find(epw), epw.size(), "denver,3");
    WriteFile(folder / "hourly.kz7", house);
    std::string monthly = "DefaultZoneOutputOptions\n0\n";
    for (int group = 0; group < 10; ++group) monthly += "0,0,0,1\n";
    monthly += "End\nPlantOutputOptions\n0,0,0,1\n0,0,0,1\n0,0,0,1\nEnd\n";
    house.insert(house.find("Zone,1"), monthly);
    WriteFile(folder / "monthly.kz7", house);

    const std::string support = " --support " + tapes.string() + " --json --quiet";
    const auto hourly = RunKz7("simulate " + (folder / "hourly.kz7").string() + support + Db());
    ASSERT_EQ(hourly.exitCode, 0) << hourly.error;
    const auto monthlyRun =
        RunKz7("simulate " + (folder / "monthly.kz7").string() + support + Db());
    ASSERT_EQ(monthlyRun.exitCode, 0) << monthlyRun.error;
    EXPECT_EQ(Query("SELECT sum(steps) FROM series "
                    "WHERE run = 2 AND interval = 4 AND zone = 1 AND position = 1"),
              "12");
    EXPECT_EQ(Query("SELECT count(*) FROM series WHERE run = 1 AND interval = 4"), "0");

    const nlohmann::json fromHours = nlohmann::json::parse(hourly.output)["building"];
    const nlohmann::json fromMonths = nlohmann::json::parse(monthlyRun.output)["building"];
    const double heating = fromMonths["heating_kwh"].get<double>();
    ASSERT_GT(heating, 1000.0);  // a Denver winter in a heated house
    EXPECT_NEAR(fromHours["heating_kwh"].get<double>(), heating, heating * 0.001);
    EXPECT_NEAR(fromHours["fuel_kwh"].get<double>(), fromMonths["fuel_kwh"].get<double>(),
                heating * 0.001);
}

// With the output detail code 2 each zone's plant switching is stored at the
// steps of its own switches (not at the n-th switch of any zone), under the
// record kind "switch"; the CSV has a row per switch. A summed variable's
// step values are powers, and the results view says so.
TEST_F(SimulateCommandTest, PlantSwitchingIsStoredAtEachZonesOwnSteps) {
    std::string office = ReadFile(kOffice);
    const std::string weather = "weather/";
    office.replace(office.find(weather), weather.size(), KZ7_SOURCE_DIR "/examples/weather/");
    office.replace(office.find("15,1,1,31,12"), 12, "15,6,1,19,1");
    std::string switching = "DefaultZoneOutputOptions\n2\n";
    for (int group = 0; group < 10; ++group) switching += "0,1,0,0\n";
    office.insert(office.find("Zone,1"), switching + "End\n");
    WriteFile(folder / "office.kz7", office);
    const auto run = RunKz7("simulate " + (folder / "office.kz7").string() + kSupport +
                            " --timestep --quiet" + Db());
    ASSERT_EQ(run.exitCode, 0) << run.error;

    ResultDatabase database(file, ResultDatabase::Access::ReadOnly);
    int switches = 0;
    for (int zone = 1; zone <= 5; ++zone) {
        // The steps in which the zone's plant is on, from its heating and cooling.
        SqliteStatement steps(database.Connection(),
                              "SELECT time, max(value <> 0) FROM results WHERE interval = 'step' "
                              "AND zone = ? AND variable IN ('Heating', 'Cooling') "
                              "GROUP BY step ORDER BY time");
        steps.Bind(1, int64_t{zone});
        std::vector<std::pair<int64_t, int64_t>> expected;  // minute, +1 or -1
        bool on = false;
        while (steps.Step()) {
            if ((steps.ColumnInteger(1) != 0) == on) continue;
            on = !on;
            expected.emplace_back(std::llround(steps.ColumnDouble(0) * 1440.0), on ? 1 : -1);
        }
        SqliteStatement stored(database.Connection(),
                               "SELECT time, value, record, variable FROM results "
                               "WHERE interval = 'switch' AND zone = ? ORDER BY time");
        stored.Bind(1, int64_t{zone});
        std::vector<std::pair<int64_t, int64_t>> got;
        while (stored.Step()) {
            got.emplace_back(std::llround(stored.ColumnDouble(0) * 1440.0),
                             std::llround(stored.ColumnDouble(1)));
            EXPECT_EQ(stored.ColumnText(2) + " " + stored.ColumnText(3), "switch PlantSwitch");
        }
        EXPECT_GT(expected.size(), 4u) << "zone " << zone;
        EXPECT_EQ(got, expected) << "zone " << zone;
        switches += static_cast<int>(got.size());
    }
    EXPECT_EQ(Text(database.Connection(),
                   "SELECT group_concat(DISTINCT interval || ' ' || unit) FROM results "
                   "WHERE zone = 1 AND variable = 'Heating'"),
              "step kW,hour kWh");

    const auto csv = RunKz7("export-csv " + file.string() + " --interval switch --out " +
                            (folder / "csv").string());
    ASSERT_EQ(csv.exitCode, 0) << csv.error;
    const std::string table = ReadFile(folder / "csv" / "run1-switch-zones.csv");
    EXPECT_EQ(table.substr(0, table.find("\r\n")), "\xEF\xBB\xBFzone,zone_name,time,PlantSwitch");
    EXPECT_EQ(std::count(table.begin(), table.end(), '\n'), switches + 1);
}

// The engine's message of every simulated day is shown with --verbose only
// (the annual run shows it is not shown without).
TEST_F(SimulateCommandTest, DayMessagesAreShownWithVerbose) {
    std::string text = ReadFile(kCell);
    text.replace(text.find("15,1,1,31,12"), 12, "15,1,1,3,1");
    text.replace(text.find("weather/"), 8, KZ7_SOURCE_DIR "/examples/weather/");
    const std::string threeDays = (folder / "days.kz7").string();
    WriteFile(threeDays, text);
    const auto verbose = RunKz7("simulate " + threeDays + kSupport + Db() + " --verbose");
    ASSERT_EQ(verbose.exitCode, 0) << verbose.error;
    EXPECT_NE(verbose.error.find("Simulating 1/1\nSimulating 2/1\nSimulating 3/1\n"),
              std::string::npos)
        << verbose.error;
    EXPECT_EQ(RunKz7("simulate " + threeDays + " --verbose --quiet").exitCode, 2);
}

// Bad models, weather and databases: one line naming the file and the
// reason, exit code 1, and no database written.
TEST_F(SimulateCommandTest, BadInputGivesOneLineAndLeavesNoDatabase) {
    const std::string missing = (folder / "none.kz7").string();
    ExpectOneLineError(RunKz7("simulate " + missing + Db()), missing + ": model file not found");
    const std::string noWeather = CellWith("weather/USA_CO", "weather/NONE_CO");
    const auto weatherRun = RunKz7("simulate " + noWeather + kSupport + Db());
    EXPECT_EQ(weatherRun.exitCode, 1);
    // Every place looked in is named: the support folder, then beside the model.
    EXPECT_EQ(weatherRun.error,
              "kz7: " + noWeather +
                  ": weather file \"weather/NONE_CO_Denver.Intl.AP.725650_TMY3.epw\" not found; "
                  "looked for " KZ7_SOURCE_DIR
                  "/support/weather/NONE_CO_Denver.Intl.AP.725650_TMY3.epw, " +
                  folder.string() + "/weather/NONE_CO_Denver.Intl.AP.725650_TMY3.epw\n");
    const std::string binary = CellWith("Building\nTest cell", std::string("Building,\0x", 11));
    ExpectOneLineError(RunKz7("simulate " + binary + kSupport + Db()),
                       binary + ": the model could not be read: " + binary +
                           " is not a model document: binary data at line 4");
    const fs::path empty = folder / "empty.kz7";
    WriteFile(empty, "Building,Nothing yet\n");
    ExpectOneLineError(RunKz7("heatloss " + empty.string() + Db()),
                       empty.string() + ": the model has no zones");
    const std::string flat = CellWith("Test cell\n48,129.6,", "Test cell\n48,0,");
    ExpectOneLineError(RunKz7("heatgain " + flat + kSupport + Db()), flat + ": zone 1 has no volume");
    const std::string none = (folder / "none.epw").string();
    ExpectOneLineError(RunKz7("weather " + none + Db()), none + ": weather file not found");
    WriteFile(folder / "bad.epw", "not weather\n");
    EXPECT_EQ(RunKz7("weather " + (folder / "bad.epw").string() + Db()).exitCode, 1);
    EXPECT_FALSE(fs::exists(file));
    // A file cut off within a line: the rows are shown and stored all the
    // same, and the command ends as a run with errors does.
    std::string cut = ReadFile(kDenver);
    cut.resize(cut.find("\n", cut.find("1995,1,1,10,")) - 20);
    WriteFile(folder / "cut.epw", cut);
    const std::string cutFile = (folder / "cut.epw").string();
    const auto cutRun = RunKz7("weather " + cutFile + Db());
    EXPECT_EQ(cutRun.exitCode, 3);
    const auto said = [&cutRun](const std::string& line) {
        return cutRun.error.find(line) != std::string::npos;
    };
    EXPECT_TRUE(said("Error: Weather file " + cutFile + ": line 18 has ")) << cutRun.error;
    EXPECT_TRUE(said("kz7: " + cutFile + ": 1 error during the run; it ran all the same"))
        << cutRun.error;
    EXPECT_NE(cutRun.output.find("10 weather rows"), std::string::npos) << cutRun.output;
    fs::remove(file);

    // Database paths that cannot be written, even by the superuser.
    WriteFile(folder / "plain", "a file\n");
    ASSERT_EQ(::mkfifo((folder / "pipe.db").c_str(), 0600), 0);
    const std::string at = folder.string();
    for (const auto& [db, reason] : std::vector<std::pair<std::string, std::string>>{
             {at + "/no/r.db", "the folder " + at + "/no does not exist"},
             {at + "/plain/r.db", at + "/plain is a file, not a folder"},
             {at, "is a folder, not a file"},
             {at + "/pipe.db", "not a regular file"}})
        ExpectOneLineError(RunKz7("heatloss " + kCell + kSupport + " --db " + db),
                           "result database " + db + ": " + reason);
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

// The engine goes on past the hours a weather file lacks, each step keeping
// the last record it had, and says so for each of them: the run is stored,
// but ends with exit code 3, a few of those errors and their count.
TEST_F(SimulateCommandTest, AWeatherFileShortOfTheYearRunsAndEndsCountingItsErrors) {
    WriteFile(folder / "day.epw", test::EpwFirstDay(kDenver));
    const std::string cell = CellWith("weather/USA_CO_Denver.Intl.AP.725650_TMY3.epw",
                                      (folder / "day.epw").string());
    const auto run = RunKz7("simulate " + cell + kSupport + " --quiet" + Db());
    EXPECT_EQ(run.exitCode, 3) << run.error;
    // Stored as finished, its note telling it from a clean run: the count and
    // the first error.
    const std::string stored = Query("SELECT status || '|' || note FROM runs");
    EXPECT_TRUE(stored.starts_with("finished|")) << stored;
    EXPECT_NE(stored.find(" errors during the run, the first: No weather data for "),
              std::string::npos)
        << stored;
    // Its number and summary are printed all the same.
    EXPECT_TRUE(run.output.starts_with("Run 1 stored in ")) << run.output;
    const auto lines = [&run](const std::string& text) {
        size_t count = 0;
        for (size_t at = run.error.find(text); at != std::string::npos;
             at = run.error.find(text, at + 1))
            ++count;
        return count;
    };
    EXPECT_EQ(lines("Error: No weather data for "), 3u) << run.error;
    EXPECT_EQ(lines("more errors like \"No weather data for "), 1u) << run.error;
    // At least one for each hour past the file's first day.
    const std::string counted = " errors during the run; it ran all the same\n";
    ASSERT_TRUE(run.error.ends_with(counted)) << run.error;
    const size_t number = run.error.rfind(": ", run.error.size() - counted.size()) + 2;
    EXPECT_GE(std::stoi(run.error.substr(number)), 8760 - 24) << run.error;
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
    EXPECT_EQ(Query("SELECT count(*) FROM summaries"), "0") << "part of a year is no summary";
}

// A file-size limit fails a write as a full disk does: the run ends failed
// with the reason, not killed with its run left running.
TEST_F(SimulateCommandTest, AFileSizeLimitFailsTheRunWithItsReason) {
    const auto [code, output] = test::Shell("ulimit -f 3000; " KZ7_BINARY " simulate " + kCell +
                                            kSupport + " --timestep --quiet" + Db() + " 2>&1");
    EXPECT_EQ(code, 1) << output;
    EXPECT_EQ(Query("SELECT status || '|' || note FROM runs"),
              "failed|result database " + file.string() + ": disk I/O error");
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
