#include <cmath>
#include <fmt/format.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "CommandRun.h"
#include "Commands.h"
#include "ResultDatabase.h"
#include "ResultDatabaseFixture.h"
#include "kz7/platform/OleDate.h"

namespace kz7::app {
namespace {

namespace fs = std::filesystem;

using test::RunKz7;

class ExportCsvCommandTest : public ResultDatabaseFixture {
  protected:
    // Run 1: two zones with two hours, a building record, a summary and a
    // weather row. Run 2: one daily record.
    void WriteTwoRuns() {
        constexpr float kNone = std::numeric_limits<float>::quiet_NaN();
        ResultDatabase database(file);
        const auto store = [](RunWriter& run, int16_t interval, int32_t zone,
                              std::vector<float> values, double time) {
            run.Store({interval, zone, values, time - 0.5, time});
        };
        {
            RunWriter run(database, {"simulate", "office.kz7", "london.epw"});
            run.AddZones({{1, "1", "North, ground"}, {2, "2", "Core"}});
            run.AddVariables({{RecordKind::Zone, 1, "Air temperature", "°C", "mean"},
                              {RecordKind::Zone, 3, "Heating", "kW", "sum"},
                              {RecordKind::Summary, 0, "Peak heating load", "kW", "max"}});
            for (int hour = 1; hour <= 2; ++hour) {
                for (int zone = 1; zone <= 2; ++zone) {
                    std::vector<float> values(55, kNone);
                    values[1] = 20.5f + static_cast<float>(zone);
                    values[3] = zone == 1 ? kNone : 1.25f;
                    store(run, 2, zone, values, ToOleDate(2003, 1, 1, hour));
                }
                std::vector<float> building(126, kNone);
                building[1] = 21.0f;
                building[70] = 0.75f;
                store(run, 2, 0, building, ToOleDate(2003, 1, 1, hour));
            }
            store(run, 2, -1, {37622.0f, 4.5f}, ToOleDate(2003, 1, 1, 1));
            store(run, 6, 1, {4.25f, 0.0f}, ToOleDate(2003, 12, 31));
            run.Finish(RunStatus::Finished);
        }
        RunWriter second(database, {"heatloss", "house.kz7", ""});
        store(second, 3, 1, {kNone, 18.0f}, ToOleDate(2003, 1, 2));
        second.Finish(RunStatus::Cancelled);
    }
};

TEST_F(ExportCsvCommandTest, WritesOneWideFilePerRunIntervalAndKindAndSelects) {
    WriteTwoRuns();
    const fs::path out = folder / "csv";
    auto result = RunKz7(fmt::format("export-csv {} --out {}", file.string(), out.string()));
    ASSERT_EQ(result.exitCode, kExitOk) << result.error;

    const std::string bom = "\xEF\xBB\xBF";
    EXPECT_EQ(ReadFile(out / "run1-hour-zones.csv"),
              bom +
                  "zone,zone_name,time,Air temperature (°C),Heating (kW)\r\n"
                  "1,\"North, ground\",2003-01-01 01:00:00,21.5,\r\n"
                  "1,\"North, ground\",2003-01-01 02:00:00,21.5,\r\n"
                  "2,Core,2003-01-01 01:00:00,22.5,1.25\r\n"
                  "2,Core,2003-01-01 02:00:00,22.5,1.25\r\n");
    EXPECT_EQ(ReadFile(out / "run1-hour-building.csv"),
              bom +
                  "time,position 1,position 70\r\n2003-01-01 01:00:00,21,0.75\r\n"
                  "2003-01-01 02:00:00,21,0.75\r\n");
    // Weather rows also give the date the weather file has for them.
    EXPECT_EQ(ReadFile(out / "run1-hour-weather.csv"),
              bom +
                  "time,source_time,position 1\r\n"
                  "2003-01-01 01:00:00,2002-12-31 13:00:00,4.5\r\n");
    EXPECT_EQ(ReadFile(out / "run1-summary-zones.csv"),
              bom +
                  "zone,zone_name,time,Peak heating load (kW),position 1\r\n"
                  "1,\"North, ground\",2003-12-31 00:00:00,4.25,0\r\n");
    EXPECT_EQ(ReadFile(out / "run2-day-zones.csv"),
              bom + "zone,zone_name,time,position 1\r\n1,,2003-01-02 00:00:00,18\r\n");
    EXPECT_NE(result.output.find("run1-hour-zones.csv (4 rows)"), std::string::npos)
        << result.output;
    EXPECT_EQ(std::distance(fs::directory_iterator(out), fs::directory_iterator()),
              5);  // no .partial
    // The files do not show that run 2 stopped short; the command says so.
    EXPECT_NE(result.error.find("run 2 was cancelled: its records stop where it ended"),
              std::string::npos)
        << result.error;
    EXPECT_EQ(result.error.find("run 1"), std::string::npos) << result.error;

    // A selection narrows the files and their rows.
    const fs::path selected = folder / "selected";
    result = RunKz7(fmt::format("export-csv {} --run 1 --interval hour --zone 2 -o {}",
                                file.string(), selected.string()));
    ASSERT_EQ(result.exitCode, kExitOk) << result.error;
    EXPECT_EQ(ReadFile(selected / "run1-hour-zones.csv"),
              "\xEF\xBB\xBF"
              "zone,zone_name,time,Air temperature (°C),Heating (kW)\r\n"
              "2,Core,2003-01-01 01:00:00,22.5,1.25\r\n"
              "2,Core,2003-01-01 02:00:00,22.5,1.25\r\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(selected), fs::directory_iterator()), 1);
    EXPECT_EQ(result.error.find("cancelled"), std::string::npos) << result.error;

    result = RunKz7(fmt::format("export-csv {} --run 9 --out {}", file.string(), out.string()));
    EXPECT_EQ(result.exitCode, kExitFailed);
    EXPECT_NE(result.error.find("there is no run 9"), std::string::npos) << result.error;
    // A selection of nothing makes no folder.
    const fs::path none = folder / "none";
    result = RunKz7(fmt::format("export-csv {} --zone 7 --out {}", file.string(), none.string()));
    EXPECT_EQ(result.exitCode, kExitFailed);
    EXPECT_NE(result.error.find("no records"), std::string::npos) << result.error;
    EXPECT_FALSE(fs::exists(none));
}

TEST_F(ExportCsvCommandTest, NamesReadSafelyInASpreadsheetAndPlantedLinksAreRefused) {
    {
        ResultDatabase database(file);
        RunWriter run(database, {"simulate", "old.kz7", ""});
        // A formula, and a name stored as Windows-1252 by an older version.
        run.AddZones({{1, "1", "=HYPERLINK(\"http://x\")"}, {2, "2", "Brique \xE0 -1"}});
        const std::vector<float> values{std::nanf(""), 18.0f};
        const double day = ToOleDate(2003, 1, 2);
        for (int zone = 1; zone <= 2; ++zone) run.Store({3, zone, values, day, day});
        run.Finish(RunStatus::Finished);
    }
    const fs::path out = folder / "csv";
    auto result = RunKz7(fmt::format("export-csv {} --out {}", file.string(), out.string()));
    ASSERT_EQ(result.exitCode, kExitOk) << result.error;
    EXPECT_EQ(ReadFile(out / "run1-day-zones.csv"),
              "\xEF\xBB\xBFzone,zone_name,time,position 1\r\n"
              "1,\"'=HYPERLINK(\"\"http://x\"\")\",2003-01-02 00:00:00,18\r\n"
              "2,Brique \xC3\xA0 -1,2003-01-02 00:00:00,18\r\n");

    // An output name that is a link is not written through (a dangling one
    // neither: OutputFileTest); the command says which file.
    const fs::path outside = folder / "outside.txt";
    WriteFile(outside, "keep");
    fs::remove(out / "run1-day-zones.csv");
    fs::create_symlink(outside, out / "run1-day-zones.csv");
    result = RunKz7(fmt::format("export-csv {} --out {}", file.string(), out.string()));
    EXPECT_EQ(result.exitCode, kExitFailed);
    EXPECT_NE(result.error.find("run1-day-zones.csv: is a link"), std::string::npos) << result.error;
    EXPECT_EQ(ReadFile(outside), "keep");
}

TEST_F(ExportCsvCommandTest, BadDatabasesAndUsageGiveTheirExitCodes) {
    auto result = RunKz7(fmt::format("export-csv {}", file.string()));
    EXPECT_EQ(result.exitCode, kExitFailed);
    EXPECT_EQ(result.error,
              fmt::format("kz7 export-csv: result database {}: no such file\n", file.string()));
    EXPECT_FALSE(fs::exists(file));

    WriteFile(file, "not a database at all\n");
    result = RunKz7(fmt::format("export-csv {} --out {}", file.string(), folder.string()));
    EXPECT_EQ(result.exitCode, kExitFailed);
    EXPECT_NE(result.error.find("not a SQLite database"), std::string::npos) << result.error;

    EXPECT_EQ(RunKz7(fmt::format("export-csv {} --interval fortnight", file.string())).exitCode,
              kExitUsage);
}

}  // namespace
}  // namespace kz7::app
