#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>

#include "TestSupport.h"
#include "kz7/control/SimulateX.h"
#include "kz7/engine/EngineState.h"
#include "kz7/engine/SimKZ7.h"
#include "kz7/model/Building.h"
#include "kz7/model/Zone.h"
#include "kz7/weather/Weather.h"

namespace kz7 {
namespace {

using test::EventLog;
using test::ScratchFolder;

// A year of hourly steps on the reduced tape made from the Denver weather file.
constexpr const char* kHourlyYear =
    "SimulationOptions\n60,1,1,31,12,18,0,0.5\nEnd\nSimulationWeather\ndenver,3\nEnd\n";

class SimulateXTest : public ::testing::Test {
  protected:
    SimulateXTest() : control(state), log(control) {
        state.settings.temporaryFolder = scratch.Path().string();
        state.errorHandler = [this](const std::string& text) { errors.push_back(text); };
        control.SetSupportFilePath(KZ7_TEST_DATA);
    }
    bool ReadText(const std::string& text) {
        control.SetInputData(text);
        return control.ReadInputData();
    }

    ScratchFolder scratch;
    EngineState state;
    SimulateX control;
    EventLog log;
    std::vector<std::string> errors;
};

// A handler that throws ends the run with the control no longer simulating
// and without the weather reference, which only a run that returns sets. A
// cancel from a progress handler ends the run with the hour that saw it; the
// next run clears the flag and runs its year of tape days to the end.
TEST_F(SimulateXTest, AFailedOrCancelledRunEndsEarlyAndTheNextRunsAYearOfTapeDays) {
    ASSERT_TRUE(ReadText(kHourlyYear));
    control.SetOutputDbName("results.db");
    bool busyDuringRun = false;
    control.MessageChange = [&](std::string& text) {
        busyDuringRun = control.Simulating();
        if (text == "Simulating 8/1") throw std::runtime_error("host failure");
    };
    EXPECT_THROW(control.Simulate(), std::runtime_error);
    EXPECT_TRUE(busyDuringRun);
    EXPECT_FALSE(control.Simulating());
    EXPECT_EQ(state.engine->OutputDbName, "results.db");
    EXPECT_EQ(control.WeatherReference(), nullptr);

    control.MessageChange = [this](std::string& text) { log.messages.push_back(text); };
    control.ProgressChange = [this] {
        log.progress.push_back(control.Progress());
        if (control.Progress() >= 0.25f && control.Progress() < 1.0f) control.SetCancelled(true);
    };
    control.Simulate();
    EXPECT_EQ(log.messages.back(), "cancelled");
    EXPECT_EQ(log.Count("finished"), 0);
    EXPECT_EQ(log.Count("Simulating "), 18);  // 25 % of 72 days
    EXPECT_EQ(log.progress.back(), 1.0f);
    EXPECT_TRUE(control.Cancelled());

    control.ProgressChange = [this] { log.progress.push_back(control.Progress()); };
    log.messages.clear();
    log.progress.clear();
    control.Simulate();
    EXPECT_FALSE(control.Simulating());
    ASSERT_FALSE(log.messages.empty());
    EXPECT_EQ(log.messages.front(), "Simulating 6/1");
    EXPECT_EQ(log.messages.back(), "finished");
    EXPECT_EQ(log.Count("Simulating "), 12 * 6);
    EXPECT_EQ(log.Count("cancelled"), 0);
    // Two zeros (run set-up, zone set-up), one value per hour, then the finish.
    ASSERT_EQ(log.progress.size(), 2u + 1728u + 1u);
    EXPECT_EQ(log.progress[0], 0.0f);
    EXPECT_EQ(log.progress[1], 0.0f);
    EXPECT_LT(log.progress[2 + 1726], 1.0f);
    EXPECT_EQ(log.progress[2 + 1727], 1.0f);  // hour 1728
    EXPECT_TRUE(std::is_sorted(log.progress.begin(), log.progress.end()));
    EXPECT_EQ(control.Progress(), 1.0f);
    EXPECT_EQ(control.WeatherReference(), state.weather.get());
    EXPECT_TRUE(errors.empty());
}

TEST_F(SimulateXTest, DesignRunsTakeTheirDesignDaysAndStopOnCancel) {
    ASSERT_TRUE(ReadText("SimulationOptions\n60,1,6,31,8,18,0,0.5\nEnd\n"));
    control.HeatGain();
    EXPECT_EQ(log.Count("Summer design simulation"), 3 * 15);  // June to August
    EXPECT_EQ(log.messages.back(), "finished");
    EXPECT_EQ(log.progress[log.progress.size() - 2], 1.0f);  // last hour of the last day

    log.messages.clear();
    control.HeatLoss();
    EXPECT_EQ(log.messages.front(), "sizing heating system");
    EXPECT_EQ(log.Count("Steady-state heating design"), 50);
    EXPECT_EQ(log.messages.back(), "finished");

    log.messages.clear();
    control.SetIntermittent(true);
    control.MessageChange = [this](std::string& text) {
        log.messages.push_back(text);
        if (log.Count("Intermittent heating design") == 20) control.SetCancelled(true);
    };
    control.HeatLoss();
    EXPECT_EQ(log.Count("Intermittent heating design"), 20);
    EXPECT_EQ(log.messages.back(), "cancelled");
}

// The heat-gain run's filter (its 15th days only) is checked on whole runs in ResultEventsTest.
TEST_F(SimulateXTest, ResultRecordsAreRoutedByRunMode) {
    ASSERT_TRUE(ReadText(kHourlyYear));
    ValueArray values{"1", "2"};
    RunClock& clock = state.clock;
    clock.heatGainRun = true;
    clock.heatGainDesignDays = clock.day = 15;
    state.outputData.SaveData(2, 8, values, 0.0);
    clock.heatGainRun = false;
    clock.heatLossRun = true;
    state.outputData.SaveData(3, 9, values, 0.0);
    clock.heatLossRun = false;
    state.outputData.SaveData(4, 0, values, 0.0);

    ASSERT_EQ(log.results.size(), 3u);
    EXPECT_EQ(log.results[0].eventId, 4);
    EXPECT_EQ(log.results[0].zone, 8);
    EXPECT_EQ(log.results[1].eventId, 3);
    EXPECT_EQ(log.results[2].eventId, 5);
}

TEST_F(SimulateXTest, ShadingEventsLetTheHostWriteTheFactorsAndDoShadingAnnouncesTheSun) {
    ASSERT_TRUE(ReadText("SimulationOptions\n30,1,1,31,1,18,0,0.5\nEnd\nSimulationWeather\ndenver,3\nEnd\n"));
    std::vector<float> altitudes;
    control.GetShadingData = [](int32_t& plane, float& direct, float& diffuse) {
        direct = 0.25f * static_cast<float>(plane);
        diffuse = 0.5f;
    };
    control.SetCurrentSolarPosition = [&](float& altitude, float&) { altitudes.push_back(altitude); };
    int32_t eraseCount = 0;
    control.EraseData = [&](int16_t&, int32_t&) { ++eraseCount; };

    float direct = 1.0f, diffuse = 1.0f;
    state.shadingData.GetShadingFactors(2, direct, diffuse);
    EXPECT_EQ(direct, 0.5f);
    EXPECT_EQ(diffuse, 0.5f);
    state.shadingData.SetCurrentSolPos(0.0f, 1.0f);   // sun on the horizon: nothing
    state.shadingData.SetCurrentSolPos(-0.1f, 1.0f);  // below: nothing
    state.shadingData.SetCurrentSolPos(0.3f, 1.0f);
    EXPECT_EQ(altitudes, std::vector<float>{0.3f});
    state.outputData.EraseData(1, 3);
    EXPECT_EQ(eraseCount, 1);

    altitudes.clear();
    control.SetDoShading(true);
    control.Simulate();
    // Six tape days of two steps an hour; only the daylight steps are announced
    // (a January day at Denver has between 8 and 12 hours of sun).
    EXPECT_GE(altitudes.size(), 6u * 2u * 8u);
    EXPECT_LE(altitudes.size(), 6u * 2u * 12u);
    EXPECT_TRUE(std::all_of(altitudes.begin(), altitudes.end(), [](float a) { return a > 0.0f; }));
}

TEST_F(SimulateXTest, ReadStepsReturnFalseOnFailureAndUseTemporaryFiles) {
    EXPECT_FALSE(control.ReadInputData());
    EXPECT_EQ(control.BZones(), nullptr);
    EXPECT_EQ(control.ErrorMessage(), "Error reading data");  // files that fail: BadInputTest

    ASSERT_TRUE(ReadText("Building\nB1\nEnd"));
    EXPECT_EQ(control.InputFileName(), "");
    EXPECT_EQ(control.BZones(), state.zones.get());
    // Each read works from its own copy of the text and removes it afterwards;
    // a name already taken is passed over and left alone.
    std::ofstream(scratch.Path() / "KZ7.tmp") << "someone else's";
    ASSERT_TRUE(control.ReadInputData());
    EXPECT_EQ(state.building->Key, "B1");
    EXPECT_TRUE(std::filesystem::exists(scratch.Path() / "KZ7.tmp"));
    EXPECT_FALSE(std::filesystem::exists(scratch.Path() / "KZ71.tmp"));

    // A construction-only read reads only construction records and leaves the
    // zone-set reference alone.
    SimulateX other(state);
    other.SetInputData("Building\nB2\nEnd\nSimulationOptions\n20,1,1,31,12,18,0,0.5\nEnd\n");
    EXPECT_TRUE(other.ReadXMLConstructionData(XmlElement(), XmlElement()));
    EXPECT_EQ(other.BZones(), nullptr);
    EXPECT_EQ(state.building->Key, "B1");
    EXPECT_EQ(state.clock.timeStep, 60);
}

// Object properties refuse assignment; held properties tell the container
// they changed; of the version switches at most one is set.
TEST_F(SimulateXTest, PropertiesRefuseNotifyOrKeepOneVersionSwitch) {
    const auto codeOf = [](const std::function<void()>& assign) {
        try {
            assign();
        } catch (const AutomationError& error) {
            return error.Code();
        }
        return 0;
    };
    EXPECT_EQ(codeOf([&] { control.SetBZones(nullptr); }), 382);
    EXPECT_EQ(codeOf([&] { control.SetFuels(std::any(1)); }), 382);
    control.DesignMode = true;
    EXPECT_EQ(codeOf([&] { control.SetBoilers(std::any()); }), 387);
    EXPECT_EQ(codeOf([&] { control.SetChillers(std::any()); }), 387);
    EXPECT_FALSE(control.Boilers().has_value());

    std::vector<std::string> changed;
    control.PropertyChanged = [&](const std::string& name) { changed.push_back(name); };
    control.SetSupportFilePath("/support");
    control.SetOutputDbName("results.db");
    control.SetInputFileName("model.kz7");
    control.SetInputData("text");
    control.SetScenerioTable("table");
    control.SetProgress(0.5f);
    control.SetHourlyResults(true);  // a process-wide setting: no notification
    EXPECT_EQ(changed, (std::vector<std::string>{"SupportFilePath", "OutputDbName", "InputFileName",
                                                 "InputData", "ScenerioTable", "Progress"}));
    EXPECT_EQ(state.settings.supportFilePath, "/support");
    control.InitProperties();
    EXPECT_EQ(control.SupportFilePath(), "");
    EXPECT_EQ(control.OutputDbName(), "");
    EXPECT_EQ(control.InputFileName(), "");
    EXPECT_EQ(control.Progress(), 0.0f);
    EXPECT_EQ(control.InputData(), "text");  // not part of the initialisation

    control.SetIsV5Flag(true);
    control.SetIsV5_F_Flag(true);
    EXPECT_FALSE(state.settings.isV5);
    EXPECT_TRUE(state.settings.isV5F);
    control.SetIsV4Flag(false);
    EXPECT_TRUE(state.settings.isV5F);
    control.SetIsV5Flag(true);
    EXPECT_TRUE(state.settings.isV5);
    EXPECT_FALSE(state.settings.isV5F);
    control.SetIsV4Flag(true);
    EXPECT_FALSE(state.settings.isV5);
    EXPECT_FALSE(state.settings.isV5F);
}

TEST_F(SimulateXTest, BuildingAverageTemperatureIsAreaWeighted) {
    EXPECT_FALSE(control.BuildingAverageTemperature().has_value());
    Zone* a = state.zones->Add("1");
    Zone* b = state.zones->Add("2");
    a->FloorArea = 30.0f;
    a->ComfortTemperature = 20.0f;
    b->FloorArea = 10.0f;
    b->ComfortTemperature = 24.0f;
    ASSERT_TRUE(control.BuildingAverageTemperature().has_value());
    EXPECT_FLOAT_EQ(*control.BuildingAverageTemperature(), 21.0f);
    b->ComfortHoursTable[2][5] = 7.0f;
    EXPECT_EQ(control.TemperatureBands("2", 3, 6), 7.0f);
    EXPECT_EQ(control.TemperatureBands("2", 101, 6), 0.0f);
}

TEST(SimulateXSharing, ControlsShareTheProcessEngineAndADestroyedControlFallsSilent) {
    EngineState state;
    std::vector<std::string> first;
    {
        SimulateX a(state);
        a.MessageChange = [&](std::string& text) { first.push_back(text); };
        a.SetInputFileName("/nonexistent/model.kz7");
        EXPECT_FALSE(a.ReadInputData());
    }
    const size_t seen = first.size();
    state.message.SendTextMessage("after");  // the control is gone: nothing may run
    EXPECT_EQ(first.size(), seen);
    float direct = 1.0f, diffuse = 1.0f;
    state.shadingData.GetShadingFactors(1, direct, diffuse);
    state.shadingData.SetCurrentSolPos(0.5f, 1.0f);

    // The shading events stay with the control that read last, whichever goes first.
    int asked = 0;
    auto reader = std::make_unique<SimulateX>(state);
    SimulateX later(state);
    for (SimulateX* control : {reader.get(), &later}) {
        control->GetShadingData = [&asked](int32_t&, float& d, float&) { d = 0.5f, ++asked; };
        control->SetInputFileName("/nonexistent/model.kz7");
    }
    EXPECT_FALSE(reader->ReadInputData());
    EXPECT_FALSE(later.ReadInputData());
    reader.reset();
    state.shadingData.GetShadingFactors(1, direct, diffuse);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(direct, 0.5f);

    SimulateX one;
    SimulateX two;
    one.SetCancelled(true);
    EXPECT_TRUE(two.Cancelled());
    EXPECT_EQ(&one.State(), &two.State());
    one.SetCancelled(false);
}

// The control hands a command to the process runner: it runs in its folder
// and its output comes back.
TEST_F(SimulateXTest, ShellAndWaitRunsTheCommandInItsFolder) {
    int32_t owner = 0;
    std::string command = "pwd", folder = scratch.Path().string(), output;
    bool pause = false;
    ASSERT_TRUE(control.ShellAndWait(owner, command, folder, pause, output));
    EXPECT_EQ(output, std::filesystem::canonical(scratch.Path()).string() + "\n");
}

}  // namespace
}  // namespace kz7
