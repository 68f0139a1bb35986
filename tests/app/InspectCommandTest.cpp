#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>

namespace {

struct CommandRun {
    int exitCode = -1;
    std::string output;
};

CommandRun RunKz7(const std::string& arguments) {
    CommandRun run;
    const std::string command = std::string(KZ7_BINARY) + " " + arguments + " 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return run;
    char buffer[4096];
    size_t read = 0;
    while ((read = fread(buffer, 1, sizeof buffer, pipe)) > 0) run.output.append(buffer, read);
    const int status = pclose(pipe);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

TEST(InspectCommandTest, JsonOfTheExampleModel) {
    const CommandRun run =
        RunKz7("inspect " KZ7_SOURCE_DIR "/examples/office.kz7 --support " KZ7_SOURCE_DIR
               "/support --json");
    ASSERT_EQ(run.exitCode, 0);
    const auto model = nlohmann::json::parse(run.output);
    EXPECT_TRUE(model["messages"].empty());
    ASSERT_EQ(model["zones"].size(), 2u);
    const auto& office = model["zones"][0];
    EXPECT_EQ(office["key"], "Z1");
    EXPECT_DOUBLE_EQ(office["floorArea"].get<double>(), 60.0);
    const auto& wall = office["elements"][0];
    EXPECT_EQ(wall["construction"], "CAVITY-WALL-FULL");
    EXPECT_DOUBLE_EQ(wall["orientation"].get<double>(), 180.0);
    EXPECT_DOUBLE_EQ(wall["slope"].get<double>(), 90.0);
    EXPECT_EQ(wall["IOS"], 1);
    // Constructions appear in reading order with their derived values.
    const auto& first = model["opaqueConstructions"][0];
    EXPECT_EQ(first["key"], "CAVITY-WALL-FULL");
    const double u = first["UValue"].get<double>();
    EXPECT_NEAR(u * first["RValue"].get<double>(), 1.0, 1e-9);
    EXPECT_EQ(first["layers"].size(), 4u);
    EXPECT_GT(first["nodeCount"].get<int>(), 4);
    bool louvre = false;
    for (const auto& glazing : model["glazedConstructions"])
        louvre |= glazing["louvre"] == "EX-LOUVRE";
    EXPECT_TRUE(louvre);
    EXPECT_EQ(model["profileGroups"][0]["profiles"].size(), 12u);
}

TEST(InspectCommandTest, ReportsProblemsAndMissingFiles) {
    const std::string path = testing::TempDir() + "kz7-inspect-bad.kz7";
    std::ofstream(path)
        << "Zone,Z1\nBroken\n10,30\n0,0\n0,0\nOpaqueElements\nW,NOPE,10,1,0,90\n}\n}\n";
    const CommandRun run = RunKz7("inspect " + path + " --json");
    ASSERT_EQ(run.exitCode, 0);
    const auto model = nlohmann::json::parse(run.output);
    ASSERT_EQ(model["messages"].size(), 1u);
    EXPECT_EQ(model["messages"][0], "Missing construction NOPE in Broken");
    EXPECT_EQ(RunKz7("inspect " + path + ".missing").exitCode, 1);
    EXPECT_EQ(RunKz7("inspect").exitCode, 2);
    std::remove(path.c_str());
}

}  // namespace
