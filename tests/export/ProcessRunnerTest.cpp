#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "ExportTestSupport.h"
#include "kz7/engine/EngineState.h"
#include "kz7/export/ProcessRunner.h"
#include "kz7/export/ShellQuote.h"

namespace kz7 {
namespace {

using namespace test;

// A fresh folder per test, with a fresh engine whose error dialogs are
// recorded.
class ProcessRunnerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_FALSE(root.empty());
        state.errorHandler = [this](const std::string& text) { errors.push_back(text); };
    }

    // ShellAndWait with the host's argument shapes.
    bool Run(std::string command, std::string dir, bool pause = false, int32_t style = 0) {
        int32_t owner = 0;
        return runner.ShellAndWait(owner, command, dir, pause, output, style);
    }

    TempFolder temp{"kz7-runner"};
    const fs::path root = temp.path;
    const std::string folder = root.string() + "/";
    EngineState state;
    ProcessRunner runner{state};
    std::string output = "untouched";
    std::vector<std::string> errors;
};

// A folder given without its separator is still the working folder (with
// one, as the hostile folders below are given).
TEST_F(ProcessRunnerTest, CommandsRunInTheWorkingFolderGivenWithoutSeparator) {
    const fs::path sub = root / "work dir";
    fs::create_directory(sub);
    ASSERT_TRUE(Run("pwd", sub.string()));
    EXPECT_EQ(fs::path(output.substr(0, output.size() - 1)), fs::canonical(sub));
    EXPECT_TRUE(fs::exists(sub / ProcessRunner::kScriptName));
    EXPECT_FALSE(fs::exists(root / ("work dir" + std::string(ProcessRunner::kScriptName))));
}

// Output larger than the pipe arrives whole, standard error with it; exit
// codes are kept, and commands that cannot start report why.
TEST_F(ProcessRunnerTest, OutputArrivesWholeExitCodesAreKeptAndFailuresToStartReportWhy) {
    ASSERT_TRUE(Run("seq 1 100000; echo tail-on-error >&2", folder));
    std::string expected;
    for (int i = 1; i <= 100000; ++i) expected += std::to_string(i) + "\n";
    EXPECT_EQ(output, expected + "tail-on-error\n");  // over 500 kB
    EXPECT_EQ(runner.LastOutcome().exitCode, 0);
    EXPECT_TRUE(errors.empty());
    ASSERT_TRUE(Run("echo some; exit 3", folder));
    EXPECT_EQ(output, "some\n");
    EXPECT_EQ(runner.LastOutcome().exitCode, 3);
    ASSERT_TRUE(Run("kill -TERM $$", folder));
    EXPECT_EQ(runner.LastOutcome().exitCode, 128 + 15);
    // A tool that is not there: the shell's own message comes back.
    ASSERT_TRUE(Run("kz7-no-such-tool --flag", folder));
    EXPECT_NE(output.find("kz7-no-such-tool"), std::string::npos);
    EXPECT_NE(output.find("not found"), std::string::npos);
    EXPECT_EQ(runner.LastOutcome().exitCode, 127);

    // A child that cannot be created at all gives the failure text, which is
    // also logged.
    state.settings.diagnosticsFilename = (root / "diag.log").string();
    runner.shellProgram = (root / "missing-shell").string();
    ASSERT_TRUE(Run("echo never", folder));
    EXPECT_EQ(output.rfind("CreateProcess failed: 2 (", 0), 0u) << output;
    EXPECT_FALSE(runner.LastOutcome().started);
    EXPECT_EQ(ReadFile(root / "diag.log"), "CreatePipe succeded\n" + output + "\n");
}

// A script that cannot be written runs nothing; nor is one ever written
// through a link left in the folder.
TEST_F(ProcessRunnerTest, TheScriptIsWrittenOnlyAsAFileOfItsOwn) {
    state.settings.diagnosticsFilename = (root / "diag.log").string();
    EXPECT_FALSE(Run("touch " + ShellQuote((root / "ran").string()), folder + "no-such-folder/"));
    EXPECT_EQ(output, "untouched");
    EXPECT_FALSE(fs::exists(root / "ran"));
    EXPECT_FALSE(fs::exists(root / "diag.log"));

    const fs::path victim = root / "victim.txt";
    std::ofstream(victim) << "keep me";
    fs::create_symlink(victim, root / ProcessRunner::kScriptName);
    ASSERT_TRUE(Run("echo ran", folder));
    EXPECT_EQ(output, "ran\n");
    EXPECT_EQ(ReadFile(victim), "keep me");
    EXPECT_FALSE(fs::is_symlink(root / ProcessRunner::kScriptName));
    const auto perms = fs::status(root / ProcessRunner::kScriptName).permissions();
    EXPECT_EQ(perms & (fs::perms::group_all | fs::perms::others_all), fs::perms::none);
}

TEST_F(ProcessRunnerTest, APauseWaitsForItsAnswerAndKeepsTheExitStatus) {
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    runner.childInput = ends[0];
    std::atomic<bool> answered{false};
    std::thread answer([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
        answered = true;
        EXPECT_EQ(::write(ends[1], "\n", 1), 1);
        ::close(ends[1]);
    });
    const bool result = Run("echo before; (exit 4)", folder, true);
    const bool returnedAfterAnswer = answered;
    answer.join();
    ::close(ends[0]);
    ASSERT_TRUE(result);
    EXPECT_TRUE(returnedAfterAnswer);
    EXPECT_EQ(output, "before\nPress Enter to continue . . . ");
    EXPECT_EQ(runner.LastOutcome().exitCode, 4);
    const std::string script = ReadFile(root / ProcessRunner::kScriptName);
    EXPECT_EQ(script.substr(script.size() - 6), "pause\n");

    // Nobody to answer (input at its end): the pause gives way instead of
    // hanging the host.
    const int nothing = ::open("/dev/null", O_RDONLY);
    runner.childInput = nothing;
    ASSERT_TRUE(Run("echo alone", folder, true));
    ::close(nothing);
    EXPECT_EQ(output, "alone\nPress Enter to continue . . . ");

    ASSERT_TRUE(Run("echo plain", folder, false));
    EXPECT_EQ(ReadFile(root / ProcessRunner::kScriptName).find("pause"), std::string::npos);
}

TEST_F(ProcessRunnerTest, OnlyAHiddenWindowCapturesAndBadStylesRunHidden) {
    for (int32_t style : {1, 2, 3, 4, 6}) {
        const std::string marker = "shown-" + std::to_string(style);
        ASSERT_TRUE(Run("touch " + marker, folder, false, style));
        EXPECT_EQ(output, "") << style;
        EXPECT_TRUE(fs::exists(root / marker)) << style;
    }
    EXPECT_TRUE(errors.empty());
    for (int32_t style : {5, 7, -1}) {
        ASSERT_TRUE(Run("echo captured", folder, false, style));
        EXPECT_EQ(output, "captured\n") << style;
    }
    EXPECT_EQ(errors, (std::vector<std::string>{"Invalid window style 5", "Invalid window style 7",
                                                "Invalid window style -1"}));
}

// The host yields while the child runs; a background grandchild that keeps
// the pipe open for seconds does not hold the run past the child's end.
TEST_F(ProcessRunnerTest, TheHostYieldsWhileTheChildRunsAndNoLongerThanThat) {
    int yields = 0;
    state.yieldHandler = [&] { ++yields; };
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(Run("sleep 6 & sleep 0.3; echo done", folder));
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(output, "done\n");
    EXPECT_GT(yields, 3);
    EXPECT_LT(elapsed, std::chrono::seconds(4));
}

TEST_F(ProcessRunnerTest, TheLogHasProgressLinesButNoCredentials) {
    state.settings.diagnosticsFilename = (root / "diag.log").string();
    const std::string command =
        ShellCommandLine({"printf", "%s\\n", "sbem.exe", "sbem.ini", "pps=proxyuser:s3cr3t-pw"});
    ASSERT_TRUE(Run(command, folder));
    EXPECT_EQ(output, "sbem.exe\nsbem.ini\npps=proxyuser:s3cr3t-pw\n");
    const std::string log = ReadFile(root / "diag.log");
    EXPECT_EQ(log, "CreatePipe succeded\nCreateProcess succeded\n");
    EXPECT_EQ(log.find("s3cr3t"), std::string::npos);
    EXPECT_EQ(log.find("proxyuser"), std::string::npos);

    // A log that cannot be written is skipped; the run goes on.
    state.settings.diagnosticsFilename = (root / "no-such-folder" / "diag.log").string();
    ASSERT_TRUE(Run("echo still", folder));
    EXPECT_EQ(output, "still\n");
}

// Texts that would run something if they reached the shell unquoted. Each
// tries to create the marker file.
std::vector<std::string> HostileTexts(const fs::path& marker) {
    const std::string m = marker.string();
    return {
        "a\"; touch " + m + "; echo \"",
        "b'; touch " + m + "; echo '",
        "c`touch " + m + "`",
        "d$(touch " + m + ")",
        "e\ntouch " + m + "\n",
        "f; touch " + m,
        "g && touch " + m + " || touch " + m,
        "h|touch " + m,
        "$HOME ~ * ? [a] {x,y} \\ > " + m,
        "",
        "A=b",
        "-n",
    };
}

// Hostile texts reach the program unchanged as arguments, and name working
// folders, without running anything.
TEST_F(ProcessRunnerTest, HostileNamesAndFoldersRunNothing) {
    const fs::path marker = root / "marker";
    for (const auto& text : HostileTexts(marker)) {
        SCOPED_TRACE(text);
        ASSERT_TRUE(Run(ShellCommandLine({"printf", "[%s]", text}), folder));
        EXPECT_EQ(output, "[" + text + "]");
        if (text.empty() || text == "-n") continue;
        // Slashes in the payload make nested folders; that is still one path.
        const fs::path dir = root / "w" / (text + "-end");
        std::error_code error;
        fs::create_directories(dir, error);
        ASSERT_FALSE(error);
        ASSERT_TRUE(Run("pwd", dir.string() + "/"));
        EXPECT_EQ(output, fs::canonical(dir).string() + "\n");
        EXPECT_FALSE(fs::exists(marker));
    }
    EXPECT_EQ(ShellQuote(std::string("x\0y", 3)), "xy");
    EXPECT_EQ(ShellQuote("sbem.exe"), "sbem.exe");
}

}  // namespace
}  // namespace kz7
