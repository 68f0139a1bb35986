#include <gtest/gtest.h>

#include <chrono>
#include <sstream>
#include <string>
#include <vector>

#include "ExportTestSupport.h"
#include "kz7/engine/EngineState.h"
#include "kz7/engine/SimKZ7.h"
#include "kz7/export/SbemRun.h"
#include "kz7/input/LineReader.h"
#include "kz7/platform/OleDate.h"

namespace kz7 {
namespace {

using namespace test;

struct SavedRecord {
    int16_t interval;
    int32_t zone;
    ValueArray values;
    double date;
};

// Three figures per month row of a zone section; the last is the one read.
std::string ZoneSection(const std::string& heading, const std::string& zone, double base) {
    std::ostringstream text;
    text << heading << zone << ",,\n" << "Month,Part A,Total\n";
    const char* months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    for (int m = 0; m < 12; ++m) text << months[m] << ",0," << base + m << "\n";
    return text.str();
}

// A result file as the tool writes it, for the zones "Office" and "Store".
std::string SimCsv(const std::string& office = "Office") {
    std::string text = "SBEM result file\n\n";
    text += ZoneSection("REPORT- LD-I Details of Internal heat production for zone: ", office, 100);
    text += ZoneSection("REPORT- LD-C Details of Cooling demand for zone: ", office, 200);
    text += ZoneSection("REPORT- LD-H Details of Heating demand for zone: ", office, 300);
    text += ZoneSection("REPORT- LD-H Details of Heating demand for zone: ", "Store", 400);
    text += "\nREPORT- PEPS Project Energy Performance. Primary energy consumption\n";
    text += "Heating,120.5\nCooling,30.25\nTotal,150.75\n";
    return text;
}

class SbemRunTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_FALSE(root.path.empty());
        work = root.path / "work";
        bin = root.path / "bin";
        fs::create_directories(work);
        fs::create_directories(bin);
        state.settings.sbemPath = work.string() + "/";
        state.errorHandler = [this](const std::string& text) { errors.push_back(text); };
        state.message.onText = [this](std::string& text) { messages.push_back(text); };
        state.outputData.onSave = [this](int16_t& interval, int32_t& zone, ValueArray& values, double& date) {
            records.push_back({interval, zone, values, date});
        };
        state.yieldHandler = [this] { watchdog.Check(); };
    }

    // Writes a fake tool under `name` into the PATH folder: it records its
    // arguments (one per line) and, for SBEM itself, whether result files
    // were already there; checks the ini file it is given, then runs `body`
    // in the working folder.
    void FakeTool(const std::string& name, const std::string& body) {
        const std::string staleCheck = name != "sbem.exe" ? "" :
                          "for f in model.err model_sim.csv model_epc.inp EPCgen.log; do\n"
                          "  [ -e \"$f\" ] && echo \"stale $f\" >> \"$log\"\n"
                          "done\n";
        const fs::path script = bin / name;
        WriteFile(script, "#!/bin/sh\n"
                          "log=\"$PWD/" + name + ".calls\"\n"
                          "printf '%s\\n' \"$@\" > \"$log\"\n" + staleCheck +
                          "ini=\"$1\"; [ \"$1\" = /I ] && ini=\"$2\"\n"
                          "input=$(sed -n 2p \"$ini\" | tr -d '\\r')\n"
                          "[ -f \"$input\" ] || { echo \"missing input $input\" >> \"$log\"; exit 4; }\n" +
                              body + "\n");
        fs::permissions(script, fs::perms::owner_all);
    }
    void SucceedingSbem(const std::string& extra = "") {
        WriteFile(root.path / "sim.csv", SimCsv(officeName));
        FakeTool("sbem.exe", "printf 'SBEM 5.5\\r\\nNumber of errors:    0\\r\\n' > model.err\n"
                             "cp '" + (root.path / "sim.csv").string() + "' model_sim.csv\n" + extra);
    }

    bool Run() {
        ReadModel(state, ReplaceAll(SmallModelText(SiteTexts({{39, "New build"}}), officeName),
                                    "Zone,1\n", "Zone," + officeKey + "\n"));
        PathPrefix path(bin);
        const bool loaded = state.engine->SBEM(parameters);
        EXPECT_FALSE(watchdog.fired) << "a tool had to be killed";
        return loaded;
    }
    std::string Calls(const std::string& tool) const { return ReadFile(work / (tool + ".calls")); }
    // A run that fails says so, delivers no record and leaves no run script.
    void ExpectFailedRun() {
        EXPECT_FALSE(Run());
        EXPECT_FALSE(fs::exists(work / "runprog.bat"));
        ASSERT_FALSE(messages.empty());
        EXPECT_EQ(messages.back(), "SBEM calculations cancel or error");
        EXPECT_TRUE(records.empty());
    }

    TempFolder root{"kz7-sbem"};
    fs::path work, bin;
    EngineState state;
    SbemRunParameters parameters;
    std::string officeName = "Office";
    std::string officeKey = "1";
    std::vector<std::string> errors, messages;
    std::vector<SavedRecord> records;
    Watchdog watchdog{std::chrono::seconds(20)};
};

// The office is keyed 0 and named with shell syntax, and the tool's folder is
// given relative to the working folder: the ini file names the folder in full,
// the name is only ever written into files (its record kept on one line) and
// still matches the results, and the office is sent under its position, not
// as the building.
TEST_F(SbemRunTest, DeliversMonthlyRecordsAndTheAnnualArray) {
    officeKey = "0";
    officeName = "Office; $(touch pwned1) `touch pwned2` | x";
    state.settings.sbemPath = fs::relative(work).string();
    SucceedingSbem();
    ASSERT_TRUE(Run()) << (messages.empty() ? "" : messages.back());
    EXPECT_EQ(Calls("sbem.exe"), "sbem.ini\n");  // no " pps=" without credentials
    EXPECT_FALSE(fs::exists(work / "runprog.bat"));
    EXPECT_FALSE(fs::exists(work / "epcgen.exe.calls"));
    EXPECT_EQ(ReadFile(work / "sbem.ini"), work.string() + "/\r\n" + (work / "model.inp").string() + "\r\n");
    EXPECT_EQ(messages, (std::vector<std::string>{"SBEM Calculation", "Loading results"}));
    EXPECT_TRUE(errors.empty()) << errors.front();
    EXPECT_NE(ReadFile(work / "model.inp").find("\r\n\"" + officeName + "\" = ZONE\r\n"),
              std::string::npos);
    for (const fs::path& where : {work, fs::current_path()})
        EXPECT_FALSE(fs::exists(where / "pwned1"));

    // Office (zone 1): all three figures; Store (zone 2): heating only.
    ASSERT_EQ(records.size(), 24u);
    for (int month = 1; month <= 12; ++month) {
        const SavedRecord& office = records[static_cast<size_t>(month - 1)];
        EXPECT_EQ(office.interval, 4);
        EXPECT_EQ(office.zone, 1);
        EXPECT_EQ(office.values, (ValueArray{std::to_string(99 + month), std::to_string(199 + month),
                                             std::to_string(299 + month)}));
        EXPECT_EQ(office.date, ToOleDate(2003, month, DaysInMonth(month, 2003)));
        const SavedRecord& store = records[static_cast<size_t>(month + 11)];
        EXPECT_EQ(store.zone, 2);
        EXPECT_EQ(store.values, (ValueArray{"-32768", "-32768", std::to_string(399 + month)}));
    }

    records.clear();
    state.engine->GetAnnualSBEM();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].interval, 5);
    EXPECT_EQ(records[0].zone, 0);
    EXPECT_EQ(records[0].values, (ValueArray{"120.5", "30.25", "150.75"}));
    EXPECT_EQ(records[0].date, ToOleDate(2003, 1, 1));
}

// Stale results from an earlier run are deleted before the tool starts; a
// tool that writes no results, reports errors or is not there fails the run.
TEST_F(SbemRunTest, FailedToolRunsDeliverNoResults) {
    for (const char* stale : {"model.err", "model_sim.csv", "model_epc.inp", "EPCgen.log", "model.inp", "model.bat"})
        WriteFile(work / stale, "Number of errors:    0\nstale\n");
    FakeTool("sbem.exe", "printf 'Number of errors:    0\\n' > model.err");
    ExpectFailedRun();
    EXPECT_EQ(Calls("sbem.exe"), "sbem.ini\n");  // none of the stale files was there

    WriteFile(root.path / "sim.csv", SimCsv());
    FakeTool("sbem.exe", "printf 'Number of errors:    2\\n' > model.err\ncp '" + (root.path / "sim.csv").string() +
                             "' model_sim.csv");
    state.engine->AnnualSBEMResults = {"from an earlier run"};
    ExpectFailedRun();
    state.engine->GetAnnualSBEM();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_TRUE(records[0].values.empty());
    records.clear();

    fs::remove(bin / "sbem.exe");
    ExpectFailedRun();
}

// Certificate run with the 32-bit tool features and proxy credentials that
// hold shell syntax: every argument arrives whole, nothing else runs, and the
// credentials are left in no file behind (the runner's log leaves them out:
// ProcessRunnerTest).
TEST_F(SbemRunTest, CertificateRunWithCredentialsRunsNothingElseAndLeavesNoSecret) {
    const std::string password = "p'a;ss $(touch pwned1) `touch pwned2` \"q\" & touch pwned3";
    parameters.EPCType = 2;
    parameters.SBEM32bFeatures = true;
    parameters.ProxyServerUsername = "bob";
    parameters.ProxyServerPassword = password;
    SucceedingSbem("touch model_epc.inp\necho 'tool error stream' >&2");
    FakeTool("epcgen.exe", "touch EPCgen.log");

    ASSERT_TRUE(Run()) << (messages.empty() ? "" : messages.back());
    EXPECT_EQ(Calls("sbem.exe"), "/I\nsbem.ini\npps=bob:" + password + "\n");
    EXPECT_EQ(ReadFile(work / "model_SBEM.err"), "tool error stream\n");
    EXPECT_EQ(Calls("epcgen.exe"), "/I\nEPCgen.ini\npps=bob:" + password + "\n");
    EXPECT_EQ(ReadFile(work / "EPCgen.ini"), work.string() + "/\r\n" + (work / "model_epc.inp").string() + "\r\n");

    EXPECT_FALSE(fs::exists(work / "runprog.bat"));
    for (const fs::path& where : {root.path, work, bin, fs::current_path()}) {
        for (const char* pwned : {"pwned1", "pwned2", "pwned3"}) EXPECT_FALSE(fs::exists(where / pwned)) << where;
    }
}

TEST_F(SbemRunTest, ACertificateWithoutItsInputEndsTheRun) {
    parameters.EPCType = 1;
    SucceedingSbem();  // writes no model_epc.inp
    FakeTool("epcgen.exe", "");
    ExpectFailedRun();
    EXPECT_EQ(errors, std::vector<std::string>{"SBEM Terminated before writing input file for EPCGenerator"});
    EXPECT_FALSE(fs::exists(work / "epcgen.exe.calls"));
}

TEST_F(SbemRunTest, TheIrishCertificateGetsTheLodgementCode) {
    parameters.EPCType = 5;
    parameters.EAActivationCode = "EA-42;x";
    SucceedingSbem("touch model_ber.inp");
    FakeTool("bergen.exe", "");
    ASSERT_TRUE(Run());
    EXPECT_EQ(Calls("bergen.exe"), "/I\nBERgen.ini\neac=EA-42;x\n");
    EXPECT_FALSE(fs::exists(work / "runprog.bat"));  // it held the code
}

TEST_F(SbemRunTest, AnIniFileThatCannotBeWrittenEndsTheRun) {
    fs::create_directories(work / "sbem.ini");  // a folder where the file should go
    SucceedingSbem();
    EXPECT_FALSE(Run());
    EXPECT_EQ(errors, std::vector<std::string>{"Error: unable to create sbem.ini file"});
    EXPECT_FALSE(fs::exists(work / "sbem.exe.calls"));

    // Nor is it written through a link someone planted there.
    fs::remove(work / "sbem.ini");
    WriteFile(root.path / "victim", "keep");
    fs::create_symlink(root.path / "victim", work / "sbem.ini");
    EXPECT_FALSE(Run());
    EXPECT_EQ(ReadFile(root.path / "victim"), "keep");
    EXPECT_FALSE(fs::exists(work / "sbem.exe.calls"));
}

}  // namespace
}  // namespace kz7
