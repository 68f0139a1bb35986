// The partl, construction and report commands, run as a user runs them.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>

#include "compliance/ModelText.h"

namespace kz7 {
namespace {

struct CommandResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// The path in single quotes, for the shell.
std::string Quoted(const std::string& path) {
    std::string text(1, '\'');
    text.append(path).push_back('\'');
    return text;
}

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream file(path);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

// Runs kz7 with `arguments` and the temporary folder `tmp`, in a scratch folder.
class QueryCommandsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "kz7-cli-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        folder_ = pattern;
    }
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }

    CommandResult Run(const std::string& arguments, const std::string& tmp = "") {
        const std::filesystem::path out = folder_ / "stdout", err = folder_ / "stderr";
        const std::string command = "TMPDIR='" + (tmp.empty() ? folder_.string() : tmp) + "' '" +
                                    KZ7_BINARY + "' " + arguments + " >'" + out.string() + "' 2>'" +
                                    err.string() + "'";
        const int status = std::system(command.c_str());
        CommandResult result;
        result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        result.out = ReadFile(out);
        result.err = ReadFile(err);
        return result;
    }
    std::string Model(const std::string& name, const std::string& text) {
        const std::filesystem::path path = folder_ / name;
        std::ofstream(path) << text;
        return Quoted(path.string());
    }

    std::filesystem::path folder_;
    const std::string office_ = Quoted(std::string(KZ7_TEST_DATA) + "/report/office.kz7");
};

TEST_F(QueryCommandsTest, PartLFiguresAsJson) {
    const CommandResult result = Run("partl " + office_ + " --json");
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const nlohmann::json json = nlohmann::json::parse(result.out);
    ASSERT_EQ(json["zones"].size(), 2u);
    EXPECT_EQ(json["zones"][0]["key"], "Z1");
    EXPECT_TRUE(json["zones"][0]["heated"]);
    EXPECT_FALSE(json["zones"][1]["heated"]);
    // East glazing, 20 % frame: 4 m² × 205 × 0.7 × 0.8 / 10 m² of perimeter.
    EXPECT_NEAR(json["zones"][0]["solarLoad"].get<double>(), 45.92, 1e-3);
    EXPECT_FALSE(json["zones"][0]["passPartLAppendixH"]);
    const nlohmann::json& building = json["building"];
    EXPECT_DOUBLE_EQ(building["windowAreas"]["WindowArea"].get<double>(), 4.0);
    EXPECT_DOUBLE_EQ(building["windowAreas"]["WallArea"].get<double>(),
                     30.0);  // outside and to the store
    EXPECT_TRUE(building["passPartL122"]);
    EXPECT_FALSE(building["passPartLAppendixH"]);

    const CommandResult table = Run("partl " + office_);
    ASSERT_EQ(table.exitCode, 0);
    EXPECT_NE(table.out.find("solar-load test (Appendix H): fail"), std::string::npos) << table.out;
}

TEST_F(QueryCommandsTest, ConstructionByPosition) {
    // The office's constructions, newest first: SPARE, FLOOR, WALL.
    const CommandResult result = Run("construction " + office_ + " --id 3 --json");
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const nlohmann::json json = nlohmann::json::parse(result.out);
    EXPECT_EQ(json["key"], "WALL");
    EXPECT_NEAR(json["double"]["Thickness"].get<double>(), 0.2125, 1e-6);
    EXPECT_NEAR(json["single"]["UValue"].get<double>(), json["double"]["UValue"].get<double>(),
                1e-6);

    const CommandResult missing = Run("construction " + office_ + " --id 9");
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.err.find("no opaque construction at position 9"), std::string::npos)
        << missing.err;
}

TEST_F(QueryCommandsTest, ReportIsWrittenAndCopied) {
    const std::filesystem::path copy = folder_ / "copy.csv";
    const CommandResult result = Run(
        "report " + office_ + " --type 2 --costs --separator ';' --currency EUR --rate 2 --out '" +
        copy.string() + "'");
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const std::string path = result.out.substr(0, result.out.find('\n'));
    EXPECT_EQ(std::filesystem::path(path).parent_path(), folder_);
    const std::string report = ReadFile(path);
    EXPECT_EQ(ReadFile(copy), report);
    // The partition between the two zones is one wall: its construction cost
    // counts once, from the side that is not blocked.
    EXPECT_NE(report.find("\"Building Total Cost (EUR)\";\"65040\""), std::string::npos);
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
            const CommandResult result = Run(command + bad.model);
            EXPECT_EQ(result.exitCode, 1) << command << bad.problem;
            EXPECT_NE(result.err.find(bad.problem), std::string::npos) << result.err;
            EXPECT_TRUE(result.out.empty()) << result.out;
        }
    }
    const CommandResult bare =
        Run("construction " + noLayers + " --id 7");  // read first, kept last
    EXPECT_EQ(bare.exitCode, 1);
    EXPECT_NE(bare.err.find("construction BARE has no layers"), std::string::npos) << bare.err;

    const CommandResult unwritable =
        Run("report " + office_ + " --temp-dir " + Quoted((folder_ / "missing").string()));
    EXPECT_EQ(unwritable.exitCode, 1);
    EXPECT_NE(unwritable.err.find("the report could not be written"), std::string::npos)
        << unwritable.err;
    EXPECT_TRUE(unwritable.out.empty());

    EXPECT_EQ(Run("report " + office_ + " --separator '\"'").exitCode, 2);
    EXPECT_EQ(Run("partl '" + (folder_ / "absent.kz7").string() + "'").exitCode, 1);
}

}  // namespace
}  // namespace kz7
