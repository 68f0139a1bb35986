// The kz7 read command, run as a user runs it.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <string>

#include "TestSupport.h"

namespace {

struct CommandResult {
    int exitCode;
    std::string output;
};

CommandResult RunKz7(const std::string& arguments) {
    const std::string command = std::string(KZ7_BINARY) + " " + arguments + " 2>&1";
    CommandResult result{-1, {}};
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return result;
    char buffer[4096];
    size_t count = 0;
    while ((count = fread(buffer, 1, sizeof buffer, pipe)) > 0) result.output.append(buffer, count);
    const int status = pclose(pipe);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

TEST(ReadCommand, ReportsWhatTheExampleHoldsAndFailsOnAMissingModel) {
    const CommandResult read =
        RunKz7(std::string("read ") + KZ7_SOURCE_DIR + "/examples/starter.kz7");
    EXPECT_EQ(read.exitCode, 0) << read.output;
    EXPECT_NE(read.output.find("building: Starter office"), std::string::npos) << read.output;
    EXPECT_NE(read.output.find("zones: 0"), std::string::npos);
    EXPECT_NE(read.output.find("time step: 10 min"), std::string::npos);

    kz7::test::ScratchFolder scratch;
    const CommandResult missing = RunKz7("read " + (scratch.Path() / "none.kz7").string());
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.output.find("none.kz7"), std::string::npos);
    EXPECT_NE(missing.output.find("Error reading data"), std::string::npos);

    const CommandResult version = RunKz7("--version");
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.output.rfind("kz7 ", 0), 0u) << version.output;
}

}  // namespace
