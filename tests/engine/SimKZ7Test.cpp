#include <gtest/gtest.h>

#include "TestSupport.h"
#include "kz7/engine/EngineState.h"
#include "kz7/engine/SimKZ7.h"
#include "kz7/model/Building.h"

namespace kz7 {
namespace {

using test::EventLog;
using test::ScratchFolder;

TEST(MinuteMarks, AreTheWholeMinuteMidPointsOfEveryStepOfTheHour) {
    EXPECT_EQ(MinuteMarks(60), std::vector<int32_t>{30});
    EXPECT_EQ(MinuteMarks(10), (std::vector<int32_t>{5, 15, 25, 35, 45, 55}));
    EXPECT_EQ(MinuteMarks(20), (std::vector<int32_t>{10, 30, 50}));
    // Halves round to even, and the hour keeps all four of its steps.
    EXPECT_EQ(MinuteMarks(15), (std::vector<int32_t>{8, 22, 38, 52}));
    const std::vector<int32_t> three = MinuteMarks(3);
    ASSERT_EQ(three.size(), 20u);
    EXPECT_EQ(three.front(), 2);
    EXPECT_EQ(three.back(), 58);
    const std::vector<int32_t> one = MinuteMarks(1);
    ASSERT_EQ(one.size(), 60u);
    EXPECT_EQ(one.front(), 0);
    EXPECT_EQ(one.back(), 60);
    // Out-of-range steps never make an empty or endless hour.
    EXPECT_EQ(MinuteMarks(0).size(), 60u);
    EXPECT_EQ(MinuteMarks(-5).size(), 60u);
    EXPECT_EQ(MinuteMarks(500), std::vector<int32_t>{30});
}

SimulationPeriod Period(int32_t d1, int32_t m1, int32_t y1, int32_t d2, int32_t m2, int32_t y2) {
    return SimulationPeriod{d1, m1, y1, d2, m2, y2};
}

TEST(SimulationDayCount, CountsLeapYearsWrappedAndYearCrossingPeriods) {
    const CalendarDate first{2024, 1, 1};
    const CalendarDate last{2024, 12, 31};
    EXPECT_EQ(SimulationDayCount(Period(1, 1, 2024, 31, 12, 2024), first, last), 366);
    EXPECT_EQ(SimulationDayCount(Period(1, 1, 2023, 31, 12, 2023), {2023, 1, 1}, {2023, 12, 31}),
              365);
    EXPECT_EQ(SimulationDayCount(Period(1, 2, 2024, 29, 2, 2024), first, last), 29);
    EXPECT_EQ(SimulationDayCount(Period(15, 3, 2023, 15, 3, 2023), first, last), 1);
    // A period wrapping within a file whose records run 1 July 2023 to 30 June 2024.
    EXPECT_EQ(SimulationDayCount(Period(1, 10, 2023, 31, 3, 2022), {2023, 7, 1}, {2024, 6, 30}),
              (DaysBetween({2023, 10, 1}, {2024, 6, 30}) + 1) +
                  (DaysBetween({2023, 7, 1}, {2022, 3, 31}) + 1));
    // Crossing into the next year: 1 December to 31 January.
    EXPECT_EQ(SimulationDayCount(Period(1, 12, 2023, 31, 1, 2024), first, last), 31 + 31);
}

TEST(PeriodMonths, RunFromStartToEndAndWrapTheYearEnd) {
    EXPECT_EQ(PeriodMonths(Period(1, 1, 0, 31, 12, 0)).size(), 12u);
    EXPECT_EQ(PeriodMonths(Period(1, 6, 0, 31, 8, 0)), (std::vector<int32_t>{6, 7, 8}));
    EXPECT_EQ(PeriodMonths(Period(1, 11, 0, 28, 2, 0)), (std::vector<int32_t>{11, 12, 1, 2}));
    EXPECT_EQ(PeriodMonths(Period(1, 4, 0, 30, 4, 0)), std::vector<int32_t>{4});
}

class SimKZ7Test : public ::testing::Test {
  protected:
    SimKZ7Test() : control(state), log(control) {
        state.settings.temporaryFolder = scratch.Path().string();
        state.errorHandler = [this](const std::string& text) { errors.push_back(text); };
    }
    SimKZ7& engine() { return *state.engine; }

    ScratchFolder scratch;
    EngineState state;
    SimulateX control;
    EventLog log;
    std::vector<std::string> errors;
};

TEST_F(SimKZ7Test, AWinterPeriodOnTheTapeAndInDesignRunsWrapsTheYearEnd) {
    control.SetInputData("SimulationOptions\n60,1,11,28,2,18,0,0.5\nEnd\n");
    ASSERT_TRUE(control.ReadInputData());
    control.Simulate();
    EXPECT_EQ(log.Count("Simulating "), 4 * 6);
    EXPECT_EQ(log.messages.front(), "Simulating 6/11");
    EXPECT_EQ(log.messages[log.messages.size() - 2], "Simulating 11/2");
    control.HeatGain();
    EXPECT_EQ(log.Count("Summer design simulation"), 4 * 15);
    EXPECT_EQ(log.messages.back(), "finished");
}

// The day messages of a whole year are checked with the result events.
TEST_F(SimKZ7Test, CopyingTheResultsIsAnnouncedUnlessTheRunWasCancelled) {
    control.SetInputFileName("unused");  // connects the listeners through a failed read
    control.ReadInputData();
    log.messages.clear();
    engine().CopyResults();
    engine().Cancelled = true;
    engine().CopyResults();
    EXPECT_EQ(log.messages, std::vector<std::string>{"writing results to database"});
}

TEST_F(SimKZ7Test, ClearDataReadsTheDefaultDatabaseOfTheSupportFolder) {
    scratch.Write(
        "Dbs.KZ7",
        "Building\nFrom the database\nEnd\nSimulationOptions\n20,1,1,31,12,18,0,0.5\nEnd\n");
    control.SetSupportFilePath(scratch.Path().string());
    control.SetInputData("* the model sets nothing");
    ASSERT_TRUE(control.ReadInputData());
    EXPECT_EQ(state.building->Key, "From the database");
    EXPECT_EQ(state.clock.timeStep, 20);

    // A support folder without the database is silently skipped.
    control.SetSupportFilePath((scratch.Path() / "elsewhere").string());
    control.SetInputData("Building\nModel\nEnd");
    ASSERT_TRUE(control.ReadInputData());
    EXPECT_EQ(state.building->Key, "Model");
    EXPECT_TRUE(errors.empty());
}

TEST_F(SimKZ7Test, DiagnosticsAreAppendedOnlyWhenAFileIsNamed) {
    engine().WriteDiagnostics("nowhere");  // no file named: nothing happens
    const std::filesystem::path file = scratch.Path() / "diagnostics.txt";
    control.SetDiagnosticsFilename(file.string());
    engine().WriteDiagnostics("one");
    engine().WriteDiagnostics("two");
    EXPECT_EQ(test::ReadFile(file), "one\ntwo\n");
    control.SetDiagnosticsFilename((scratch.Path() / "no" / "such" / "folder.txt").string());
    engine().WriteDiagnostics("ignored");  // a file error is ignored
}

TEST_F(SimKZ7Test, WeatherGenerationSetsTheDesignRunFlagsAndTheAnnualRecordIsInterval5) {
    control.GenerateHLWeatherData();
    EXPECT_TRUE(state.clock.heatLossRun);
    EXPECT_FALSE(state.clock.heatGainRun);
    EXPECT_EQ(state.clock.heatLossDesignDays, 20);
    EXPECT_EQ(state.clock.day, 20);
    EXPECT_TRUE(control.GenerateWeatherDataEvents());
    control.GenerateHGWeatherData();
    EXPECT_TRUE(state.clock.heatGainRun);
    EXPECT_FALSE(state.clock.heatLossRun);
    EXPECT_EQ(state.clock.day, 15);
    control.GenerateWeatherData("ignored");
    EXPECT_FALSE(state.clock.heatGainRun || state.clock.heatLossRun);

    engine().AnnualSBEMResults = {"12.5", "3"};
    double date = 0.0;
    ValueArray received;
    state.outputData.onSave = [&](int16_t& interval, int32_t& zone, ValueArray& values,
                                  double& when) {
        EXPECT_EQ(interval, 5);
        EXPECT_EQ(zone, 0);
        received = values;
        date = when;
    };
    control.GetAnnualSBEM();
    EXPECT_EQ(received, engine().AnnualSBEMResults);
    EXPECT_EQ(date, ToOleDate(2003, 1, 1));
}

}  // namespace
}  // namespace kz7

namespace kz7 {
namespace {

// Days laid on a run's calendar keep month and day; the first keeps its year
// (unless its February is not the run's), and the year moves on only when
// the month goes back.
TEST(RunCalendarTest, ATypicalYearReadsAsOneYearAndAPeriodPastTheYearEndMovesOn) {
    RunCalendar calendar;
    EXPECT_FALSE(calendar.IsSet());
    EXPECT_EQ(calendar.Lay(1976, 11, 30), ToOleDate(1976, 11, 30));
    EXPECT_EQ(calendar.Lay(1988, 12, 31), ToOleDate(1976, 12, 31));
    EXPECT_EQ(calendar.Lay(1990, 1, 1), ToOleDate(1977, 1, 1));
    EXPECT_EQ(calendar.Lay(1983, 2, 1), ToOleDate(1977, 2, 1));
    calendar.Start();
    EXPECT_EQ(calendar.Lay(2003, 6, 1), ToOleDate(2003, 6, 1));
    // A February of 28 days is laid on a year without 29 February, one of
    // 29 on a leap year, however the records' years fall.
    calendar.Start();
    EXPECT_EQ(calendar.Lay(1976, 1, 1, 28), ToOleDate(1977, 1, 1));
    EXPECT_EQ(calendar.Lay(1976, 12, 31, 28), ToOleDate(1977, 12, 31));
    EXPECT_EQ(calendar.Lay(1991, 1, 1, 28), ToOleDate(1978, 1, 1));
    calendar.Start();
    EXPECT_EQ(calendar.Lay(1977, 2, 29, 29), ToOleDate(1980, 2, 29));
    EXPECT_EQ(calendar.Lay(1983, 3, 1, 29), ToOleDate(1980, 3, 1));
}

}  // namespace
}  // namespace kz7
