#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <string>

#include "../weather/WeatherTestSupport.h"

namespace kz7 {

namespace {

struct CommandResult {
    int exitCode = -1;
    std::string output;
};

CommandResult RunKz7(const std::string& arguments) {
    CommandResult result;
    const std::string command = std::string(KZ7_BINARY) + " " + arguments + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return result;
    char buffer[4096];
    while (size_t n = fread(buffer, 1, sizeof buffer, pipe)) result.output.append(buffer, n);
    const int status = pclose(pipe);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

size_t Count(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

}  // namespace

TEST(WeatherCommand, PrintsSitePeriodAndMonthlyMeans) {
    const CommandResult result = RunKz7("weather '" + testing::kBoston + "'");
    ASSERT_EQ(result.exitCode, 0) << result.output;
    EXPECT_NE(result.output.find("Boston Logan IntL Arpt, MA, USA"), std::string::npos);
    EXPECT_NE(
        result.output.find("1976-01-01 to 2003-12-31, 8760 hourly records, first day a Sunday"),
        std::string::npos);
    EXPECT_NE(result.output.find("typical year"), std::string::npos);
    for (const char* month : {"\nJan ", "\nJun ", "\nDec "})
        EXPECT_EQ(Count(result.output, month), 1u) << month;

    const CommandResult missing = RunKz7("weather /nonexistent.epw");
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.output.find("Error opening /nonexistent.epw"), std::string::npos);
}

TEST(MakeTapeCommand, WritesTheTapeAndRefusesBadNames) {
    testing::TempFolder folder;
    const std::string out = folder.File("tapes");
    const CommandResult made =
        RunKz7("make-tape '" + testing::kDenver + "' denver --out '" + out + "'");
    ASSERT_EQ(made.exitCode, 0) << made.output;
    EXPECT_EQ(testing::ReadLines(out + "/denver.rwt").size(), 289u);
    EXPECT_EQ(testing::ReadLines(out + "/denver.dcf").size(), 13u);

    EXPECT_EQ(RunKz7("make-tape '" + testing::kDenver + "' ../escape --out '" + out + "'").exitCode,
              2);
    EXPECT_FALSE(std::filesystem::exists(folder.File("escape.rwt")));
    EXPECT_EQ(RunKz7("make-tape /nonexistent.epw x --out '" + out + "'").exitCode, 1);
}

}  // namespace kz7
