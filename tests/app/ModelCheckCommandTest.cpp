// `kz7 check`, and what every command that reads a model does with its
// errors: --strict stops before running (exit 1); without it the command runs
// and ends with their count (exit 3).
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>

#include "CommandRun.h"
#include "ResultDatabase.h"
#include "ResultDatabaseFixture.h"

namespace kz7 {
namespace {

using test::CommandRun;
using test::RunKz7;
namespace fs = std::filesystem;

const std::string kSource = KZ7_SOURCE_DIR;
const std::string kTestCell = kSource + "/examples/test-cell.kz7";
// The line of the test cell's one zone record.
constexpr int kTestCellZoneLine = 24;
const std::string kSupport = " --support " + kSource + "/support";

// A scratch folder for the databases the runs write.
class ModelCheckCommandTest : public app::ResultDatabaseFixture {};

std::string LastLine(const std::string& text) {
    const size_t end = text.find_last_not_of('\n');
    const size_t start = text.rfind('\n', end);
    return text.substr(start == std::string::npos ? 0 : start + 1, end - start);
}

// The test cell's constructions live in the support folder's database: read
// without it, every element misses its construction.
TEST_F(ModelCheckCommandTest, ErrorsAreListedCountedAndDecideTheExitCode) {
    const CommandRun check = RunKz7("check " + kTestCell);
    EXPECT_EQ(check.exitCode, 1);
    EXPECT_NE(check.output.find("Error: Zone \"1\" at line 30 of " + kTestCell +
                                ": Missing construction CAVITY-WALL-FULL in Test cell (no support "
                                "folder was given or found: add --support DIR or set KZ7_SUPPORT)"),
              std::string::npos)
        << check.output;
    EXPECT_EQ(LastLine(check.output), kTestCell + ": 8 errors, 0 warnings");

    const CommandRun clean = RunKz7("check " + kTestCell + kSupport + " --json");
    EXPECT_EQ(clean.exitCode, 0) << clean.output;
    const nlohmann::json json = nlohmann::json::parse(clean.output);
    EXPECT_EQ(json["errors"], 0);
    EXPECT_EQ(json["warnings"], 0);

    const std::string db = (folder / "results.db").string();
    const CommandRun strict = RunKz7("heatloss " + kTestCell + " --strict --quiet --db " + db);
    EXPECT_EQ(strict.exitCode, 1);
    EXPECT_EQ(LastLine(strict.error),
              "kz7: " + kTestCell + ": 8 errors, 0 warnings; not run (--strict)");
    EXPECT_FALSE(fs::exists(db));

    const CommandRun ran = RunKz7("heatloss " + kTestCell + " --quiet --db " + db);
    EXPECT_EQ(ran.exitCode, 3) << ran.error;
    EXPECT_EQ(
        LastLine(ran.error),
        "kz7: " + kTestCell + ": 8 errors, 0 warnings; it ran all the same (--strict stops it)");
    {
        // The stored run keeps the count and the first error in its note.
        app::ResultDatabase stored(db, app::ResultDatabase::Access::ReadOnly);
        const std::string note = app::Text(stored.Connection(), "SELECT note FROM runs");
        EXPECT_TRUE(note.starts_with("the model: 8 errors, 0 warnings, the first: ")) << note;
    }

    // A partition to a zone the model lacks stops a run with --strict, as check reports it.
    std::string office = app::ReadFile(kSource + "/examples/small-office.kz7");
    office.replace(office.find("weather/"), 8, kSource + "/examples/weather/");
    const std::string partition = "P,INTERNAL-PARTITION,36,3,0,90,2,";
    app::WriteFile(folder / "office.kz7",
                   office.replace(office.find(partition), partition.size(),
                                  "P,INTERNAL-PARTITION,36,3,0,90,9,"));
    const CommandRun dangling =
        RunKz7("simulate " + (folder / "office.kz7").string() + kSupport + " --strict --db " + db);
    EXPECT_EQ(dangling.exitCode, 1);
    EXPECT_NE(
        dangling.error.find("Error: Zone \"1\" at line 55 of " + (folder / "office.kz7").string() +
                            ": Element P of zone 1 names zone 9, which does not exist"),
        std::string::npos)
        << dangling.error;
    EXPECT_EQ(RunKz7("partl " + kTestCell + " --strict").exitCode, 1);
    const std::string designDb = (folder / "design.db").string();
    EXPECT_EQ(
        RunKz7("weather --design-heat-loss " + kTestCell + " --strict --db " + designDb).exitCode,
        1);
    EXPECT_FALSE(fs::exists(designDb));
}

// What a run meets is checked before it: a Location far from the EPW file's
// own position is only a warning (the sun is computed from the file's); a
// zone without volume, which a run refuses, and a misspelt number, errors.
TEST_F(ModelCheckCommandTest, TheWeatherAndTheZonesARunMeetsAreChecked) {
    std::string model = app::ReadFile(kTestCell);
    const std::string denver = "39.83,104.65,105,0.2,2";
    model.replace(model.find(denver), denver.size(), "51.5,0.1,0,0.2,2");
    model.replace(model.find("weather/"), 8, kSource + "/examples/weather/");
    const fs::path path = folder / "london-cell.kz7";
    app::WriteFile(path, model);
    // A number with a stray letter is read by its leading part, and is an error.
    std::string typo = model;
    const fs::path typoPath = folder / "typo-cell.kz7";
    app::WriteFile(typoPath, typo.replace(typo.find("48,129.6,"), 9, "48,129.6O,"));
    const CommandRun typoCheck = RunKz7("check " + typoPath.string() + kSupport);
    EXPECT_EQ(typoCheck.exitCode, 1);
    EXPECT_NE(typoCheck.output.find("\"129.6O\" is not a number; it is read as 129.6\n"),
              std::string::npos)
        << typoCheck.output;
    const fs::path flat = folder / "flat-cell.kz7";
    app::WriteFile(flat, model.replace(model.find("48,129.6,"), 9, "48,0,"));
    const CommandRun flatCheck = RunKz7("check " + flat.string() + kSupport);
    EXPECT_EQ(flatCheck.exitCode, 1);
    EXPECT_NE(flatCheck.output.find("Error: zone 1 has no volume\n"), std::string::npos)
        << flatCheck.output;
    const fs::path noWall = folder / "no-wall-cell.kz7";
    std::string noWallModel = model;
    const std::string wall = "W,CAVITY-WALL-FULL,16.2,";
    noWallModel.replace(noWallModel.find(wall), wall.size(), "W,CAVITY-WALL-FULL,0,");
    app::WriteFile(noWall, noWallModel);
    const CommandRun noWallCheck = RunKz7("check " + noWall.string() + kSupport);
    EXPECT_EQ(noWallCheck.exitCode, 1);
    EXPECT_NE(noWallCheck.output.find("Error: Zone \"1\" at line " +
                                      std::to_string(kTestCellZoneLine) + " of " + noWall.string() +
                                      ": element W (element 2) has area 0, so a run "
                                      "stops at setting up the zone's circuit\n"),
              std::string::npos)
        << noWallCheck.output;

    // A weather file of eight days, for a run from 20 December to 10 January.
    const std::string epw = "weather/USA_CO_Denver.Intl.AP.725650_TMY3.epw";
    const std::string year = app::ReadFile(kSource + "/examples/" + epw);
    size_t eightDays = 0;
    for (int line = 0; line < 8 + 8 * 24; ++line) eightDays = year.find('\n', eightDays) + 1;
    app::WriteFile(folder / "short.epw", year.substr(0, eightDays));
    std::string winter = app::ReadFile(kTestCell);
    winter.replace(winter.find(epw), epw.size(), (folder / "short.epw").string());
    const std::string period = "15,1,1,31,12,";
    winter.replace(winter.find(period), period.size(), "15,20,12,10,1,");
    app::WriteFile(folder / "winter.kz7", winter);
    const CommandRun winterCheck = RunKz7("check " + (folder / "winter.kz7").string() + kSupport);
    EXPECT_EQ(winterCheck.exitCode, 1);
    EXPECT_NE(winterCheck.output.find("short.epw lacks hours of 14 of the run's days (the first "
                                      "on 20/12)"),
              std::string::npos)
        << winterCheck.output;

    const CommandRun check = RunKz7("check " + path.string() + kSupport);
    EXPECT_EQ(check.exitCode, 0) << check.output;
    EXPECT_NE(check.output.find("Warning: Record \"Location\" at line 7 of " + path.string() +
                                ": latitude 51.5°, longitude 0.1° W differ by more than 1° from "),
              std::string::npos)
        << check.output;
    EXPECT_NE(check.output.find("(latitude 39.83°, longitude 104.65° W); the run uses the weather "
                                "file's position"),
              std::string::npos);
    EXPECT_EQ(LastLine(check.output), path.string() + ": 0 errors, 1 warning");

    // A storage heater charges only while its schedule is above 50: given a
    // set point of 21 °C it would never charge.
    const std::string house = kSource + "/examples/house.kz7";
    EXPECT_EQ(LastLine(RunKz7("check " + house + kSupport).output),
              house + ": 0 errors, 0 warnings");
    std::string setPoint = app::ReadFile(house);
    const std::string charge = "STORAGE-HEATER,-,NIGHT-CHARGE,";
    setPoint.replace(setPoint.find(charge), charge.size(),
                     "STORAGE-HEATER,-,HEATING-SETPOINT-OFFICE,");
    const fs::path setPointPath = folder / "house.kz7";
    app::WriteFile(setPointPath, setPoint);
    const CommandRun setPointCheck = RunKz7("check " + setPointPath.string() + kSupport);
    EXPECT_NE(setPointCheck.output.find("Warning: zone 1: the storage heater's schedule "
                                        "HEATING-SETPOINT-OFFICE is never above 50, so its core "
                                        "never charges"),
              std::string::npos)
        << setPointCheck.output;
}

}  // namespace
}  // namespace kz7
