// Documents that are missing, empty, binary, huge or full of odd numbers
// never crash or hang the reader; each gets a message naming the problem.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "kz7/control/SimulateX.h"
#include "kz7/engine/EngineState.h"
#include "kz7/model/Building.h"
#include "support/ModelText.h"

namespace kz7 {
namespace {

using test::EventLog;
using test::ScratchFolder;

class BadInputTest : public ::testing::Test {
  protected:
    BadInputTest() : control(state), log(control) {
        state.errorHandler = [this](const std::string& text) { errors.push_back(text); };
    }
    bool ReadFile(const std::string& name, const std::string& content) {
        control.SetInputFileName(scratch.Write(name, content).string());
        return control.ReadInputData();
    }
    bool MessagesMention(const std::string& text) const { return test::Mentions(log.messages, text); }
    bool ErrorsMention(const std::string& text) const { return test::Mentions(errors, text); }

    ScratchFolder scratch;
    EngineState state;
    SimulateX control;
    EventLog log;
    std::vector<std::string> errors;
};

// Each fails the read with a message naming it, and nothing of it is read.
TEST_F(BadInputTest, FilesThatAreNoModelDocumentsFailTheReadNamingTheFile) {
    std::string binary = "\x7f" "ELF\x02\x01\x01";
    binary += std::string(3, '\0');
    binary += "\n\x01\x02,\xff\xfe\nBuilding\nB1\nEnd\n";
    const std::pair<std::string, std::string> cases[] = {
        {(scratch.Path() / "absent.kz7").string(), "absent.kz7"},
        {scratch.Path().string(), scratch.Path().string()},  // a folder
        {"/dev/zero", "/dev/zero"},                          // would never end its first line
        {scratch.Write("image.bin", binary).string(), "image.bin is not a model document"},
    };
    for (const auto& [path, message] : cases) {
        SCOPED_TRACE(path);
        control.SetInputFileName(path);
        EXPECT_FALSE(control.ReadInputData());
        EXPECT_TRUE(MessagesMention(message));
        EXPECT_EQ(state.building->Key, "");
    }
}

TEST_F(BadInputTest, OddButReadableFilesReadWhatTheyHold) {
    EXPECT_TRUE(ReadFile("empty.kz7", ""));
    EXPECT_EQ(state.building->Key, "");
    EXPECT_TRUE(errors.empty());
    // A fifty-megabyte line is skipped and reading goes on.
    EXPECT_TRUE(ReadFile("long.kz7", std::string(50u << 20, 'x') + "\nBuilding\nB2\nEnd\n"));
    EXPECT_EQ(state.building->Key, "B2");
    // A million fields are read as far as the record needs.
    std::string fields = "20";
    for (int i = 0; i < 1000000; ++i) fields += ",1";
    EXPECT_TRUE(
        ReadFile("wide.kz7", "Unknown" + fields + "\nSimulationOptions\n" + fields + "\nEnd\n"));
    EXPECT_EQ(state.clock.timeStep, 20);
    EXPECT_EQ(state.clock.period.endMonth, 1);
}

TEST_F(BadInputTest, OddNumbersAreRefusedWithAMessageAndTheRunStillEnds) {
    ASSERT_TRUE(ReadFile("numbers.kz7", "SimulationOptions\n1e999,-,.,1e,1e999,1e999,-,.\nEnd\n"));
    EXPECT_EQ(state.clock.timeStep, 60);  // 1e999 is no step length
    EXPECT_TRUE(ErrorsMention("Record \"SimulationOptions\" at line 2 of"));
    EXPECT_TRUE(ErrorsMention("time step 32767 minutes"));
    EXPECT_TRUE(ErrorsMention("simulation period 0/0 to 1/32767"));
    EXPECT_TRUE(ErrorsMention("initial temperature is not a finite number"));
    EXPECT_EQ(state.clock.initialTemperature, 15.0f);
    EXPECT_EQ(state.settings.emitterControlValue, 0.0f);  // "-" reads as 0

    // "1e" reads as 1: a step of one minute is valid.
    ASSERT_TRUE(ReadFile("step.kz7", "SimulationOptions\n1e,1,1,31,1,1e1,0,0\nEnd\n"));
    EXPECT_EQ(state.clock.timeStep, 1);
    EXPECT_EQ(state.clock.initialTemperature, 10.0f);
    control.HeatLoss();
    EXPECT_EQ(log.messages.back(), "finished");
}

}  // namespace
}  // namespace kz7
