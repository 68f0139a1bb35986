// The command line as a user meets it: no command, the man page and bash
// completion made from the help text, the support folder found without
// --support, and the program installed with `cmake --install`.
#include "CommandLine.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <nlohmann/json.hpp>
#include <string>

#include "CommandRun.h"
#include "ResultDatabaseFixture.h"

namespace kz7::app {
namespace {

using test::RunKz7;
using test::Shell;
namespace fs = std::filesystem;

const std::string kCell = KZ7_SOURCE_DIR "/examples/test-cell.kz7";

// The run's figures, without the fields that name the database and model.
nlohmann::json Figures(const test::CommandRun& run) {
    nlohmann::json json = nlohmann::json::parse(run.output);
    return {{"zones", json["zones"]}, {"building", json["building"]}};
}

class CommandLineTest : public ResultDatabaseFixture {};

TEST_F(CommandLineTest, NoCommandIsWrongUsage) {
    const auto run = RunKz7("");
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.output, "");
    EXPECT_NE(run.error.find("simulate"), std::string::npos) << run.error;
    EXPECT_EQ(RunKz7("--version").output.rfind("kz7 ", 0), 0u);
    // A misspelt command is named, with the command it most likely means.
    const auto misspelt = RunKz7("simulat model.kz7");
    EXPECT_EQ(misspelt.exitCode, 2);
    EXPECT_EQ(misspelt.error,
              "kz7: unknown command \"simulat\" (did you mean \"simulate\"?); kz7 --help lists "
              "the commands\n");
    EXPECT_NE(RunKz7("rep").error.find("(did you mean \"report\" or \"report-html\"?)"),
              std::string::npos);
    EXPECT_EQ(RunKz7("frobnicate").error.find("did you mean"), std::string::npos);
}

TEST_F(CommandLineTest, TheManPageAndCompletionFollowTheHelpText) {
    CLI::App app;
    ConfigureCommandLine(app);
    const std::string page = ManPage(app);
    EXPECT_EQ(page.rfind(".TH KZ7 1", 0), 0u);
    EXPECT_NE(page.find(".SS \"kz7 simulate\"\nRun the annual simulation"), std::string::npos);
    EXPECT_NE(page.find("\\fB\\-\\-verbose\\fR\nPrint the engine's message of every simulated day"),
              std::string::npos);
    EXPECT_NE(page.find("\\fB\\-\\-db\\fR \\fITEXT\\fR\n"), std::string::npos);
    EXPECT_NE(page.find("KZ7_SUPPORT"), std::string::npos);
    // Every command and option comes from the same walk of the command line:
    // one of each is checked. groff reads the page without a warning.
    WriteFile(folder / "kz7.1", page);
    EXPECT_EQ(Shell("groff -man -Tutf8 -ww -z " + (folder / "kz7.1").string() + " 2>&1"),
              std::make_pair(0, std::string()));

    // Completion in bash: commands, a command's options, files for values.
    WriteFile(folder / "kz7.bash", BashCompletion(app));
    WriteFile(folder / "office.kz7", "");
    auto complete = [&](const std::string& words) {
        return Shell("cd " + folder.string() + " && bash -c 'source kz7.bash; COMP_WORDS=(" +
                     words + "); COMP_CWORD=$((${#COMP_WORDS[@]} - 1)); _kz7; echo " +
                     "\"${COMPREPLY[*]}\"'");
    };
    EXPECT_EQ(complete("kz7 sim"), std::make_pair(0, std::string("simulate\n")));
    EXPECT_EQ(complete("kz7 heat"), std::make_pair(0, std::string("heatloss heatgain\n")));
    EXPECT_EQ(complete("kz7 simulate --ver"), std::make_pair(0, std::string("--verbose\n")));
    EXPECT_EQ(complete("kz7 simulate off"), std::make_pair(0, std::string("office.kz7\n")));
    EXPECT_EQ(complete("kz7 simulate x.kz7 --db off"),
              std::make_pair(0, std::string("office.kz7\n")));
    // A flag takes no value: the next word is an option again.
    EXPECT_EQ(complete("kz7 simulate x.kz7 --json --ver"),
              std::make_pair(0, std::string("--verbose\n")));
}

// Installed into a fresh prefix, kz7 finds its support folder beside itself:
// the test cell then runs as with --support. KZ7_SUPPORT comes first.
TEST_F(CommandLineTest, AnInstalledKz7FindsItsSupportFolder) {
    const fs::path prefix = folder / "prefix";
    const auto [installed, log] = Shell("cmake --install " KZ7_BUILD_DIR " --prefix " +
                                        prefix.string() + " 2>&1");
    ASSERT_EQ(installed, 0) << log;
    for (const char* file : {"bin/kz7", "share/kz7/support/Dbs.KZ7", "share/doc/kz7/cli.md",
                             "share/doc/kz7/README.md", "share/man/man1/kz7.1",
                             "share/bash-completion/completions/kz7"})
        EXPECT_TRUE(fs::is_regular_file(prefix / file)) << file;

    const std::string db = " --db " + (folder / "r.db").string() + " --json --quiet";
    const auto given = RunKz7("simulate " + kCell + " --support " KZ7_SOURCE_DIR "/support" + db);
    ASSERT_EQ(given.exitCode, 0) << given.error;
    const auto run = Shell("env -u KZ7_SUPPORT " + (prefix / "bin/kz7").string() + " simulate " +
                           kCell + db + " 2>&1");
    ASSERT_EQ(run.first, 0) << run.second;
    EXPECT_EQ(Figures({0, run.second, ""}), Figures(given));

    const auto fromVariable =
        RunKz7("simulate " + kCell + db, "KZ7_SUPPORT=" KZ7_SOURCE_DIR "/support");
    ASSERT_EQ(fromVariable.exitCode, 0) << fromVariable.error;
    EXPECT_EQ(Figures(fromVariable), Figures(given));
    const auto wrong = RunKz7("simulate " + kCell + db, "KZ7_SUPPORT=/nonexistent");
    EXPECT_EQ(wrong.exitCode, 1);
    EXPECT_EQ(wrong.error, "kz7: /nonexistent: support folder not found (named by KZ7_SUPPORT)\n");
}

}  // namespace
}  // namespace kz7::app
