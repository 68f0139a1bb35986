#include <fmt/format.h>
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>

#include "CommandRun.h"
#include "Commands.h"
#include "HtmlReportAssets.h"
#include "HtmlReportData.h"
#include "HtmlReportPage.h"
#include "HtmlReportSource.h"
#include "ResultDatabaseFixture.h"
#include "kz7/output/ResultVariables.h"
#include "kz7/platform/OleDate.h"

namespace kz7::app {
namespace {

namespace fs = std::filesystem;

constexpr int32_t kAir = static_cast<int32_t>(ZoneVariable::AirTemperature);
constexpr int32_t kOutside = static_cast<int32_t>(ZoneVariable::OutsideAirTemperature);
constexpr int32_t kHeating = static_cast<int32_t>(ZoneVariable::Heating);
constexpr int32_t kCooling = static_cast<int32_t>(ZoneVariable::Cooling);

size_t Cell(int32_t month, int32_t day, int32_t hourEnding) {
    return static_cast<size_t>(DayOfYear(2000, month, day) - 1) * 24 +
           static_cast<size_t>(hourEnding - 1);
}

// Hourly records of a whole day; hour 24 carries 00:00 of the next day.
void AddDay(ReportSeries& series, int32_t year, int32_t month, int32_t day, double value) {
    for (int hour = 1; hour <= 24; ++hour) {
        series.times.push_back(ToOleDate(year, month, day, hour));
        series.values.push_back(value + hour);
    }
}

TEST(HtmlReportDataTest, HourlyRecordsFallInTheDayAndMonthTheyEnd) {
    ReportSeries air;
    AddDay(air, 2003, 1, 31, 10.0);  // its 24th hour is dated 1 February 00:00
    AddDay(air, 1976, 2, 29, 0.0);   // a leap day from a typical-year file
    air.times.push_back(ToOleDate(2003, 3, 1, 5));
    air.values.push_back(std::nan(""));

    const std::optional<MonthValues> months = MonthlyTotals(air, kHourRecords);
    ASSERT_TRUE(months);
    EXPECT_DOUBLE_EQ((*months)[0], 24 * 10.0 + 300.0);  // 11 + 12 + ... + 34
    EXPECT_DOUBLE_EQ((*months)[1], 300.0);
    EXPECT_DOUBLE_EQ((*months)[2], 0.0);  // the NaN adds nothing

    const Carpet carpet = CarpetOf(air);
    ASSERT_EQ(carpet.tenths.size(), Carpet::kDays * 24);
    EXPECT_EQ(carpet.tenths[Cell(1, 31, 1)], 110);
    EXPECT_EQ(carpet.tenths[Cell(1, 31, 24)], 340);
    EXPECT_EQ(carpet.tenths[Cell(2, 29, 24)], 240);
    EXPECT_EQ(carpet.tenths[Cell(2, 1, 1)], Carpet::kNoCell);
    EXPECT_EQ(carpet.tenths[Cell(3, 1, 5)], Carpet::kNoCell);

    // Daily and monthly records are dated at 00:00 of their own day.
    const ReportSeries monthly{{ToOleDate(2003, 1, 31), ToOleDate(2003, 2, 1)}, {5.0, 7.0}};
    EXPECT_DOUBLE_EQ((*MonthlyTotals(monthly, kMonthRecords))[1], 7.0);
    EXPECT_FALSE(MonthlyTotals(ReportSeries{{1.0e9}, {3.0}}, kMonthRecords));
}

TEST(HtmlReportDataTest, DistributionAndDurationCurveSurviveWildValues) {
    ReportSeries series;
    for (int i = 0; i < 8760; ++i) {
        series.times.push_back(ToOleDate(2003, 1, 1) + (i + 1) / 24.0);
        series.values.push_back(i % 10 == 0 ? 0.0 : 20.5 + (i % 3));
    }
    series.values[5] = 1e30;
    series.values[6] = -std::numeric_limits<double>::infinity();
    series.values[7] = std::nan("");

    const Histogram histogram = HistogramOf(series);
    EXPECT_EQ(histogram.firstBand, 0);
    ASSERT_EQ(histogram.hours.size(), 80u);  // 0 .. 79, the top band taking 1e30
    EXPECT_EQ(histogram.hours.back(), 1.0);
    EXPECT_EQ(histogram.hours[0], 876.0);
    double hours = 0.0;
    for (double h : histogram.hours) hours += h;
    EXPECT_EQ(hours, 8760.0 - 2.0);

    const LoadCurve curve = LoadCurveOf(series, 1.0);
    ASSERT_EQ(curve.load.size(), kLoadCurvePoints);
    EXPECT_EQ(curve.load.front(), 1e30);
    EXPECT_EQ(curve.hours.front(), 1.0);
    EXPECT_EQ(curve.load.back(), 0.0);
    EXPECT_EQ(curve.hours.back(), 8758.0);
    EXPECT_TRUE(std::is_sorted(curve.load.rbegin(), curve.load.rend()));
}

ReportZoneInput ZoneWithTwoDays() {
    ReportZoneInput zone;
    zone.zone = 3;
    zone.key = "3";
    zone.name = "South";
    for (int32_t position : {kAir, kOutside, kHeating, kCooling}) {
        ReportSeries& series = zone.series[{kHourRecords, position}];
        AddDay(series, 2003, 1, 10, position == kHeating ? 0.0 : 1.0);
        AddDay(series, 2003, 1, 11, position == kHeating ? 0.5 : 2.0);
    }
    zone.series[{kHourRecords, kCooling}].values.assign(48, 0.0);
    zone.summary = std::array<double, 8>{30.5, 0.0, 25.0, 26.0, 24.0, 999.0, 999.0, 999.0};
    return zone;
}

TEST(HtmlReportDataTest, PeakDayAndZoneFigures) {
    HtmlReportInput input;
    input.facts.command = "simulate";
    input.zones.push_back(ZoneWithTwoDays());
    input.zones[0].floorArea = 20.0;
    const HtmlReportData data = BuildHtmlReportData(input);
    ASSERT_EQ(data.zones.size(), 1u);
    const ZoneReport& zone = data.zones[0];

    ASSERT_TRUE(zone.peakHeatingDay);
    EXPECT_EQ(zone.peakHeatingDay->day, ToOleDate(2003, 1, 11));
    ASSERT_EQ(zone.peakHeatingDay->hour.size(), 24u);
    EXPECT_NEAR(zone.peakHeatingDay->hour.back(), 24.0, 1e-6);
    EXPECT_EQ(zone.peakHeatingDay->load.back(), 24.5);
    EXPECT_EQ(zone.peakHeatingDay->air.back(), 26.0);
    EXPECT_TRUE(std::isnan(zone.peakHeatingDay->radiant.back()));
    EXPECT_FALSE(zone.peakCoolingDay) << "no cooling above zero: no peak cooling day";

    EXPECT_EQ(zone.figures.peakHeating, 30.5);
    EXPECT_FALSE(zone.figures.minAir) << "999 marks a zone never occupied";
    EXPECT_DOUBLE_EQ(*zone.figures.heating, 300.0 + 24 * 0.5 + 300.0);
    EXPECT_EQ(data.floorArea, 20.0);
    EXPECT_EQ(data.building.figures.peakHeating, 30.5);
    EXPECT_FALSE(data.plant);
}

TEST(HtmlReportDataTest, FuelByUseKeepsWhatTheUsesDoNotAccountFor) {
    HtmlReportInput input;
    input.facts.command = "simulate";
    auto monthly = [&](PlantVariable variable, double january) {
        input.building.series[{kMonthRecords, static_cast<int32_t>(variable)}] =
            ReportSeries{{ToOleDate(2003, 1, 31)}, {january}};
    };
    monthly(PlantVariable::ElectricityUse, 100.0);
    monthly(PlantVariable::Fuel2Use, 400.0);
    monthly(PlantVariable::Boiler1Fuel, 300.0);
    monthly(PlantVariable::Boiler2Fuel, 50.0);
    monthly(PlantVariable::SystemFanElectricity, 60.0);
    monthly(PlantVariable::CarbonDioxide, 120.0);
    const HtmlReportData data = BuildHtmlReportData(input);
    ASSERT_TRUE(data.plant);
    const auto& uses = data.plant->fuelByUse;
    ASSERT_EQ(uses.size(), 3u);
    EXPECT_EQ(uses[0].first, "Heating plant");
    EXPECT_EQ(uses[0].second[0], 350.0);
    EXPECT_EQ(uses[1].first, "Fans");
    EXPECT_EQ(uses[2].first, "Other");
    EXPECT_EQ(uses[2].second[0], 500.0 - 350.0 - 60.0);
    ASSERT_EQ(data.plant->fuelByFuel.size(), 2u);
    EXPECT_EQ(data.building.figures.fuel, 500.0);
    EXPECT_EQ(data.building.figures.carbon, 120.0);
}

TEST(HtmlReportPageTest, PageIsSelfContainedAndNamesCannotBreakIt) {
    HtmlReportInput input;
    input.facts.command = "heatgain";
    input.facts.model = "a<b>&c.kz7";
    input.zones.push_back(ZoneWithTwoDays());
    input.zones[0].name = "</script><script>alert(1)</script>\xff";
    const std::string page = HtmlReportPage(BuildHtmlReportData(input));

    EXPECT_NE(page.find("<title>kz7 run 0 — a&lt;b&gt;&amp;c.kz7</title>"), std::string::npos);
    EXPECT_EQ(page.find("</script><script>alert"), std::string::npos);
    EXPECT_NE(page.find(R"(<\/script><script>alert(1)<\/script>)"), std::string::npos);
    EXPECT_NE(page.find("\xEF\xBF\xBD"), std::string::npos) << "a stray byte becomes U+FFFD";
    EXPECT_NE(page.find("\"layout\":\"heatgain\""), std::string::npos);
    EXPECT_EQ(page.find(" src="), std::string::npos);
    EXPECT_EQ(page.find("<link"), std::string::npos);
    EXPECT_NE(page.find(std::string(kChartJs.substr(0, 200))), std::string::npos);
    EXPECT_EQ(kChartJsVersion.substr(0, 2), "3.");
}

class HtmlReportSourceTest : public ResultDatabaseFixture {
  protected:
    void WriteRuns() {
        ResultDatabase database(file);
        {
            RunWriter run(database, {"simulate", "office.kz7", "london.epw"});
            run.AddZones({{1, "Z1", "North", 0.0, 0.0}});
            const float none = std::nanf("");
            for (int hour = 1; hour <= 3; ++hour) {
                const double time = ToOleDate(2003, 7, 1, hour);
                std::vector<float> values(55, none);
                values[kAir] = 20.5f + static_cast<float>(hour);
                values[kHeating] = hour == 2 ? none : 1.25f;
                run.Store({2, 1, values, time, time});
                if (hour != 1) continue;
                // Two 10-minute steps: an annual run's steps give its time step.
                for (const int minute : {10, 20}) {
                    const double step = ToOleDate(2003, 7, 1, 0) + minute / 1440.0;
                    run.Store({1, 1, values, step, step});
                }
                std::vector<float> building(126, none);
                building[static_cast<size_t>(PlantVariable::ElectricityUse)] = 4.0f;
                run.Store({2, 0, building, time, time});
                const std::vector<float> weather{none, 4.5f};
                run.Store({2, -1, weather, time, time});
            }
            const std::vector<float> summary{4.25f, 0.0f, none, 27.0f};
            run.Store({6, 1, summary, ToOleDate(2003, 12, 31), ToOleDate(2003, 12, 31)});
            run.Finish(RunStatus::Cancelled);
        }
        RunWriter weather(database, {"weather", "", "london.epw"});
        weather.Finish(RunStatus::Finished);
    }
};

TEST_F(HtmlReportSourceTest, ReadsTheLastModelRunAndRefusesOthers) {
    WriteRuns();
    {
        ResultDatabase database(file, ResultDatabase::Access::ReadOnly);
        const HtmlReportInput input = LoadHtmlReportInput(database, std::nullopt);
        EXPECT_EQ(input.facts.run, 1);
        EXPECT_EQ(input.facts.status, "cancelled");
        EXPECT_EQ(input.facts.firstDay, ToOleDate(2003, 7, 1));
        EXPECT_EQ(input.facts.timeStepMinutes, 10.0);
        ASSERT_EQ(input.zones.size(), 1u);
        const ReportZoneInput& zone = input.zones[0];
        EXPECT_EQ(zone.key, "Z1");
        const ReportSeries* heating = zone.Series(kHourRecords, kHeating);
        ASSERT_TRUE(heating);
        ASSERT_EQ(heating->values.size(), 3u);
        EXPECT_TRUE(std::isnan(heating->values[1]));
        EXPECT_EQ(zone.Series(kHourRecords, kAir)->values[2], 23.5);
        EXPECT_EQ((*zone.summary)[3], 27.0);
        EXPECT_TRUE(std::isnan((*zone.summary)[2]));
        EXPECT_EQ(input.building
                      .Series(kHourRecords, static_cast<int32_t>(PlantVariable::ElectricityUse))
                      ->values[0],
                  4.0);

        auto failure = [&](std::optional<int64_t> run) {
            try {
                LoadHtmlReportInput(database, run);
            } catch (const ResultDatabaseError& error) {
                return std::string(error.what());
            }
            return std::string("<no error>");
        };
        EXPECT_NE(failure(2).find("run 2 is a weather run"), std::string::npos) << failure(2);
        EXPECT_NE(failure(7).find("there is no run 7"), std::string::npos);
    }
    {
        SqliteConnection db(file.string(), SQLITE_OPEN_READWRITE);
        db.Execute("UPDATE series SET vals = x'0102' WHERE run = 1 AND zone = 1 AND position = " +
                   std::to_string(kAir));
    }
    const auto result = test::RunKz7(
        fmt::format("report-html {} -o {}", file.string(), (folder / "report.html").string()));
    EXPECT_EQ(result.exitCode, kExitFailed);
    EXPECT_NE(result.error.find("do not fit the run's times"), std::string::npos)
        << result.error;
    EXPECT_FALSE(fs::exists(folder / "report.html"));
}

// Writing the whole file or none is the output file's (OutputFileTest). A
// missing folder is made; a page that cannot be written is an error naming
// the path.
TEST_F(HtmlReportSourceTest, APageThatCannotBeWrittenIsAnErrorNamingTheFile) {
    WriteFileWhole(folder / "missing" / "report.html", "x");
    EXPECT_EQ(ReadFile(folder / "missing" / "report.html"), "x");
    WriteFile(folder / "notes", "");
    try {
        WriteFileWhole(folder / "notes" / "report.html", "x");
        ADD_FAILURE() << "no error for a folder that is a file";
    } catch (const std::runtime_error& error) {
        EXPECT_NE(std::string(error.what()).find("notes"), std::string::npos) << error.what();
    }
}

}  // namespace
}  // namespace kz7::app
