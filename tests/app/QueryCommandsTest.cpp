// The commands that read a model without simulating it (read, inspect, partl,
// construction, report), run as a user runs them.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>

#include "CommandRun.h"
#include "ResultDatabaseFixture.h"
#include "support/ModelText.h"
#include "kz7/input/LineReader.h"

namespace kz7 {
namespace {

using app::ReadFile;
using test::CommandRun;
namespace fs = std::filesystem;

// Runs kz7 with its temporary folder in the fixture's scratch folder.
class QueryCommandsTest : public app::ResultDatabaseFixture {
  protected:
    CommandRun Run(const std::string& arguments) {
        return test::RunKz7(arguments, "TMPDIR='" + folder.string() + "'");
    }
    std::string Model(const std::string& name, const std::string& text) {
        app::WriteFile(folder / name, text);
        return (folder / name).string();
    }

    const std::string office_ = std::string(KZ7_TEST_DATA) + "/report/office.kz7";
    const std::string example_ = KZ7_SOURCE_DIR "/examples/office.kz7";
};

// What `read` prints of a model that reads is shown, and so run, in the docs.
TEST_F(QueryCommandsTest, ReadAndInspectShowTheModelAsRead) {
    const std::string none = (folder / "none.kz7").string();
    const CommandRun missing = Run("read " + none);
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_EQ(missing.error, "kz7: " + none + ": model file not found\n");
    EXPECT_EQ(missing.output, "");
    // A file that is no model: the reason goes with the failure, on the error output.
    const std::string binary = (folder / "binary.kz7").string();
    app::WriteFile(binary, std::string("Zone\0,1\n", 9));
    const CommandRun unread = Run("read " + binary);
    EXPECT_EQ(unread.exitCode, 1);
    EXPECT_EQ(unread.error, "kz7: " + binary + ": the model could not be read: " + binary +
                                " is not a model document: binary data at line 1\n");

    // inspect: what was read, with the values derived while reading.
    const CommandRun run =
        Run("inspect " + example_ + " --support " KZ7_SOURCE_DIR "/support --json");
    ASSERT_EQ(run.exitCode, 0) << run.error;
    const auto model = nlohmann::json::parse(run.output);
    EXPECT_EQ(model["errors"], 0) << model["messages"];  // a warning: its tape is not shipped
    ASSERT_EQ(model["zones"].size(), 2u);
    const auto& office = model["zones"][0];
    EXPECT_EQ(office["key"], "Z1");
    EXPECT_DOUBLE_EQ(office["floorArea"].get<double>(), 60.0);
    const auto& wall = office["elements"][0];
    EXPECT_EQ(wall["construction"], "CAVITY-WALL-FULL");
    EXPECT_DOUBLE_EQ(wall["orientation"].get<double>(), 180.0);
    EXPECT_EQ(wall["IOS"], 1);
    // Constructions appear in reading order with their derived values.
    const auto& first = model["opaqueConstructions"][0];
    EXPECT_EQ(first["key"], "CAVITY-WALL-FULL");
    // Printed at single precision, the engine's own.
    EXPECT_NEAR(first["UValue"].get<double>() * first["RValue"].get<double>(), 1.0, 1e-6);
    EXPECT_EQ(first["layers"].size(), 4u);
    EXPECT_GT(first["nodeCount"].get<int>(), 4);
    EXPECT_EQ(model["profileGroups"][0]["profiles"].size(), 12u);

    // A problem in a record is listed with the model; a missing model fails.
    const std::string broken = Model("broken.kz7",
                                     "Zone,Z1\nBroken\n10,30\n0,0\n0,0\nOpaqueElements\n"
                                     "W,NOPE,10,1,0,90\n}\n}\n");
    const CommandRun problems = Run("inspect " + broken + " --json");
    ASSERT_EQ(problems.exitCode, 3) << problems.error;
    const nlohmann::json expected = {
        {"severity", "error"},
        {"text", "Zone \"Z1\" at line 7 of " + broken +
                     ": Missing construction NOPE in Broken (no support folder was given or found: "
                     "add --support DIR or set KZ7_SUPPORT)"}};
    const nlohmann::json listed = nlohmann::json::parse(problems.output);
    EXPECT_EQ(listed["errors"], 1);
    EXPECT_EQ(listed["messages"][0], expected);
    const CommandRun gone = Run("inspect " + broken + ".missing");
    EXPECT_EQ(gone.exitCode, 1);
    EXPECT_EQ(gone.error, "kz7: " + broken + ".missing: model file not found\n");
}

TEST_F(QueryCommandsTest, PartLFiguresAsJsonAndAsATable) {
    const CommandRun result = Run("partl " + office_ + " --json");
    ASSERT_EQ(result.exitCode, 0) << result.error;
    const nlohmann::json json = nlohmann::json::parse(result.output);
    ASSERT_EQ(json["zones"].size(), 2u);
    EXPECT_TRUE(json["zones"][0]["heated"]);
    EXPECT_FALSE(json["zones"][1]["heated"]);
    // East glazing, 20 % frame: 4 m² × 205 × 0.7 × 0.8 / 10 m² of perimeter.
    EXPECT_NEAR(json["zones"][0]["solarLoad"].get<double>(), 45.92, 1e-3);
    EXPECT_FALSE(json["zones"][0]["passPartLAppendixH"]);
    EXPECT_DOUBLE_EQ(json["building"]["windowAreas"]["WallArea"].get<double>(), 30.0);
    EXPECT_TRUE(json["building"]["passPartL122"]);

    const CommandRun table = Run("partl " + office_);
    ASSERT_EQ(table.exitCode, 0);
    EXPECT_NE(table.output.find("solar-load test (Appendix H): fail"), std::string::npos);
}

TEST_F(QueryCommandsTest, ConstructionByPositionOrKey) {
    // The office's constructions, newest first: SPARE, FLOOR, WALL.
    const CommandRun result = Run("construction " + office_ + " --id 3 --json");
    ASSERT_EQ(result.exitCode, 0) << result.error;
    const nlohmann::json json = nlohmann::json::parse(result.output);
    EXPECT_EQ(json["key"], "WALL");
    EXPECT_NEAR(json["double"]["Thickness"].get<double>(), 0.2125, 1e-6);
    EXPECT_NEAR(json["single"]["UValue"].get<double>(), json["double"]["UValue"].get<double>(),
                1e-6);

    const CommandRun missing = Run("construction " + office_ + " --id 9");
    EXPECT_EQ(missing.exitCode, 1);
    // Said once, naming the model.
    EXPECT_EQ(missing.error,
              "kz7: " + office_ + ": no opaque construction at position 9 (the model has 3)\n");

    const CommandRun byKey = Run("construction " + office_ + " --key WALL --json");
    ASSERT_EQ(byKey.exitCode, 0) << byKey.error;
    EXPECT_EQ(nlohmann::json::parse(byKey.output), json);
    const CommandRun unknown = Run("construction " + office_ + " --key NONE");
    EXPECT_EQ(unknown.exitCode, 1);
    EXPECT_EQ(unknown.error,
              "kz7: " + office_ +
                  ": no opaque construction keyed NONE (kz7 inspect lists the model's)\n");
    EXPECT_EQ(Run("construction " + office_).exitCode, 2);  // neither --id nor --key
    EXPECT_EQ(Run("construction " + office_ + " --id 3 --key WALL").exitCode, 2);
}

TEST_F(QueryCommandsTest, ReportIsWrittenAndCopied) {
    const fs::path copy = folder / "copy.csv";
    const CommandRun result =
        Run("report " + office_ +
            " --type 2 --costs --separator ';' --currency EUR --rate 2 --out " + copy.string());
    ASSERT_EQ(result.exitCode, 0) << result.error;
    const std::string path = result.output.substr(0, result.output.find('\n'));
    EXPECT_EQ(fs::path(path).parent_path(), folder);
    const std::string report = ReadFile(path);
    EXPECT_EQ(ReadFile(copy), report);
    // The partition between the two zones is one wall: its construction cost
    // counts once, from the side that is not blocked.
    EXPECT_NE(report.find("\"Building Total Cost (EUR)\";\"65040\""), std::string::npos);

    // Only a regular file is replaced: never a pipe (nor a device or a link).
    const fs::path pipe = folder / "pipe.csv";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    const CommandRun toPipe = Run("report " + office_ + " -o " + pipe.string());
    EXPECT_EQ(toPipe.exitCode, 1);
    EXPECT_NE(toPipe.error.find(pipe.string() + ": is not a regular file"), std::string::npos)
        << toPipe.error;
    EXPECT_TRUE(fs::is_fifo(pipe));
}

// A model from an older tool in Windows-1252 reads as such, and every output
// carries its names in valid UTF-8.
TEST_F(QueryCommandsTest, AWindows1252ModelIsReadAndShownInUtf8) {
    const std::string text = ReplaceAll(ReadFile(office_), "\nBrick\n", "\nBrique \xE0 la chaux\n");
    const std::string model =
        Model("cp1252.kz7", ReplaceAll(text, "Zone,Z1\nOffice\n", "Zone,Z1\nTest cell 20\xB0" "C\n"));
    const std::string db = " --quiet --db " + file.string();
    for (const std::string command : {"inspect", "partl", "heatloss", "heatgain"}) {
        const CommandRun run =
            Run(command + " " + model + " --json" + (command.starts_with("heat") ? db : ""));
        EXPECT_EQ(run.exitCode, 0) << command << ": " << run.error;
        ASSERT_TRUE(nlohmann::json::accept(run.output)) << command;  // valid UTF-8 too
        if (command != "inspect") continue;
        const auto inspected = nlohmann::json::parse(run.output);
        EXPECT_EQ(inspected["zones"][0]["description"], "Test cell 20\u00B0C");
        EXPECT_NE(inspected.dump().find("Brique \u00E0 la chaux"), std::string::npos);
    }
}

TEST_F(QueryCommandsTest, BadModelsAndFoldersFailWithAMessage) {
    const std::string noZones = Model("no-zones.kz7", test::kLibrary);
    test::ZoneText empty{"EMPTY", "21", {}, {}};
    const std::string noElements =
        Model("no-elements.kz7", std::string(test::kLibrary) + empty.Text());
    test::ZoneText room{"ROOM", "21", {test::Opaque("W", "BARE", 10, 1, 0, 90)}, {}};
    const std::string noLayers =
        Model("no-layers.kz7", "OpaqueConstruction,BARE\nBare wall\nW,0,0.7,0.9,0.9,0,0,0\n-\n" +
                                   std::string(test::kLibrary) + room.Text());
    const struct {
        std::string model;
        std::string problem;
    } cases[] = {{noZones, "the model has no zones"},
                 {noElements, "zone EMPTY has no elements"},
                 {noLayers, "construction BARE has no layers"}};
    for (const auto& bad : cases) {
        for (const char* command : {"partl ", "report "}) {
            const CommandRun result = Run(command + bad.model);
            EXPECT_EQ(result.exitCode, 1) << command << bad.problem;
            EXPECT_NE(result.error.find(bad.problem), std::string::npos) << result.error;
            EXPECT_TRUE(result.output.empty()) << result.output;
        }
    }
    const CommandRun bare = Run("construction " + noLayers + " --id 7");  // read first, kept last
    EXPECT_EQ(bare.exitCode, 1);
    EXPECT_NE(bare.error.find("construction BARE has no layers"), std::string::npos);

    const CommandRun unwritable =
        Run("report " + office_ + " --temp-dir " + (folder / "missing").string());
    EXPECT_EQ(unwritable.exitCode, 1);
    EXPECT_NE(unwritable.error.find("the report could not be written"), std::string::npos);
    EXPECT_TRUE(unwritable.output.empty());

    EXPECT_EQ(Run("report " + office_ + " --separator '\"'").exitCode, 2);
    const std::string absent = (folder / "absent.kz7").string();
    const CommandRun missing = Run("partl " + absent);
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_EQ(missing.error, "kz7: " + absent + ": model file not found\n");
}

}  // namespace
}  // namespace kz7
