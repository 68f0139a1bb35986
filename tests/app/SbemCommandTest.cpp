#include <gtest/gtest.h>

#include <string>

#include "CommandRun.h"
#include "TestSupport.h"
#include "export/ExportTestSupport.h"
#include "kz7/export/ShellQuote.h"

namespace kz7 {
namespace {

using namespace test;

// `command` with its working folder `option` under the file `model`: a
// folder that cannot be made, named in the one error.
void ExpectFolderRefused(const std::string& command, const fs::path& model,
                         const std::string& option) {
    const fs::path folder = model / "work";
    const CommandRun blocked = RunKz7(command + " " + ShellQuote(model.string()) + " " + option +
                                      " " + ShellQuote(folder.string()));
    EXPECT_EQ(blocked.exitCode, 1);
    EXPECT_NE(blocked.error.find("kz7 " + command + ": cannot make the folder " + folder.string() +
                                 ": Not a directory\n"),
              std::string::npos)
        << blocked.error;
}

// The command makes its working folder, runs the tool found on the PATH,
// prints the monthly and annual records, and passes the proxy password from
// the environment.
TEST(SbemCommandTest, RunsTheToolAndPrintsTheRecords) {
    TempFolder root("kz7-sbem-command");
    ASSERT_FALSE(root.path.empty());
    const fs::path work = root.path / "new" / "work", bin = root.path / "bin",
                   model = root.path / "model.kz7";
    fs::create_directories(bin);
    WriteFile(model, SmallModelText(SiteTexts({{39, "New build"}})));
    WriteFile(bin / "sbem.exe",
              "#!/bin/sh\nprintf '%s\\n' \"$@\" > sbem.calls\n"
              "printf 'Number of errors:    0\\n' > model.err\n"
              "printf 'REPORT- LD-H Details of Heating demand for zone: Store\\nFeb,7.5\\n"
              "REPORT- PEPS Project Energy Performance. Primary energy consumption\\nTotal,99\\n' "
              "> model_sim.csv\n");
    fs::permissions(bin / "sbem.exe", fs::perms::owner_all);

    const CommandRun run =
        RunKz7("sbem " + ShellQuote(model.string()) + " --sbem-path " + ShellQuote(work.string()) +
                   " --proxy-user ann",
               "KZ7_PROXY_PASSWORD='s3cret x' PATH=" + ShellQuote(bin.string()) + ":\"$PATH\"");
    ASSERT_EQ(run.exitCode, 0) << run.output;
    EXPECT_EQ(ReadFile(work / "sbem.calls"), "sbem.ini\npps=ann:s3cret x\n");
    EXPECT_NE(run.output.find("4,2,2003-02-28,-32768,-32768,7.5\n"), std::string::npos)
        << run.output;
    EXPECT_NE(run.output.find("5,0,2003-01-01,99\n"), std::string::npos) << run.output;

    // A tool that reports errors fails the command.
    WriteFile(bin / "sbem.exe", "#!/bin/sh\necho 'Number of errors:    1' > model.err\n");
    const CommandRun failed =
        RunKz7("sbem " + ShellQuote(model.string()) + " --sbem-path " + ShellQuote(work.string()),
               "PATH=" + ShellQuote(bin.string()) + ":\"$PATH\"");
    EXPECT_EQ(failed.exitCode, 1);
    EXPECT_EQ(failed.output, "");

    // A working folder that cannot be made is named.
    ExpectFolderRefused("sbem", model, "--sbem-path");
}

// The command makes the folder of the input file when it is missing.
TEST(KlimaCommandTest, WritesTheInputFile) {
    TempFolder root("kz7-klima-command");
    ASSERT_FALSE(root.path.empty());
    const fs::path model = root.path / "model.kz7", folder = root.path / "new" / "klima";
    WriteFile(model, SmallModelText());
    const CommandRun run = RunKz7("klima " + ShellQuote(model.string()) + " --klima-path " +
                                  ShellQuote(folder.string()));
    ASSERT_EQ(run.exitCode, 0) << run.error;
    EXPECT_EQ(run.output, (folder / "in.inp").string() + "\n");
    EXPECT_EQ(ReadFile(folder / "in.inp").rfind("[Building]\r\nVolumeLordo = 1200.000\r\n", 0), 0u);

    ExpectFolderRefused("klima", model, "--klima-path");

    // A write cut short (a full disk) fails the command and leaves no file.
    const auto size = fs::file_size(folder / "in.inp");
    {
        FileSizeLimit full(size / 2);
        const CommandRun cut = RunKz7("klima " + ShellQuote(model.string()) + " --klima-path " +
                                      ShellQuote(folder.string()));
        EXPECT_EQ(cut.exitCode, 1);
        EXPECT_EQ(cut.output, "");
    }
    EXPECT_FALSE(fs::exists(folder / "in.inp"));
}

}  // namespace
}  // namespace kz7
