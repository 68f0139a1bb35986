#include <gtest/gtest.h>

#include <cmath>

#include "WeatherTestSupport.h"
#include "kz7/engine/SimKZ7.h"
#include "kz7/platform/NumberText.h"
#include "kz7/platform/OleDate.h"
#include "kz7/weather/Location.h"
#include "kz7/weather/Psychrometrics.h"
#include "kz7/weather/Weather.h"

namespace kz7 {

using testing::EditedDenver;
using testing::ErrorRecorder;
using testing::kBoston;
using testing::kDenver;
using testing::TempFolder;

namespace {

// Opens an EPW through the model's weather name, with the given period.
bool OpenEpw(EngineState& state, const std::string& path, int32_t startMonth = 1,
             int32_t startDay = 1, int32_t endMonth = 12, int32_t endDay = 31) {
    state.clock.period.startMonth = startMonth;
    state.clock.period.startDay = startDay;
    state.clock.period.endMonth = endMonth;
    state.clock.period.endDay = endDay;
    state.weather->WeatherDbName = path;
    state.weather->WeatherFileType = 4;
    state.clock.weatherType = 4;
    return state.weather->OpenWeatherDatabase();
}

void SetStep(RunClock& clock, int32_t month, int32_t day, int32_t hour, float decimalHour) {
    clock.month = month;
    clock.day = day;
    clock.hour = hour;
    clock.decimalHour = decimalHour;
}

}  // namespace

TEST(WeatherHourly, InterpolatesBetweenThePreviousAndTheCurrentHour) {
    EngineState state;
    ASSERT_TRUE(OpenEpw(state, kDenver));
    Weather& weather = *state.weather;
    const auto& records = weather.EpwSource().Records();

    // Hour 1 of the first record is its own previous record.
    SetStep(state.clock, 1, 1, 1, 0.5f);
    weather.ReadHourlyData();
    EXPECT_FLOAT_EQ(weather.Toa, records[0].Tdb);
    EXPECT_EQ(state.clock.year, 1995);
    EXPECT_EQ(state.clock.dayType, 7);

    // 01:15 is a quarter of the way from the 01:00 record to the 02:00 one.
    SetStep(state.clock, 1, 1, 2, 1.25f);
    weather.ReadHourlyData();
    EXPECT_FLOAT_EQ(weather.Toa, records[0].Tdb + 0.25f * (records[1].Tdb - records[0].Tdb));
    EXPECT_FLOAT_EQ(weather.Twb, records[0].Twb + 0.25f * (records[1].Twb - records[0].Twb));

    // A sunny summer noon: global = beam on the horizontal + diffuse, and
    // the moisture that of the file's dew point.
    SetStep(state.clock, 7, 10, 13, 12.5f);
    weather.ReadHourlyData();
    EXPECT_GT(weather.SunAltitude, 1.0f);
    EXPECT_FLOAT_EQ(weather.SinSunAltitude, std::sin(weather.SunAltitude));
    EXPECT_FLOAT_EQ(weather.Igh, weather.SinSunAltitude * weather.Idn + weather.Ifh);
    EXPECT_NEAR(weather.Goa, MoistureContent(weather.Toa, weather.Twb, weather.PATMOS) * 1000.0,
                1e-4);
    EXPECT_GT(weather.Goa, 1.0f);
    EXPECT_LT(weather.Goa, 20.0f);
}

TEST(WeatherHourly, CloudCoverComesFromTheFileInOktas) {
    EngineState state;
    ASSERT_TRUE(OpenEpw(state, kBoston));
    Weather& weather = *state.weather;
    int32_t overcastSteps = 0;
    int32_t clearSteps = 0;
    for (int32_t hour = 1; hour <= 24; ++hour) {
        for (int32_t day = 1; day <= 31; ++day) {
            SetStep(state.clock, 1, day, hour, static_cast<float>(hour) - 0.5f);
            weather.ReadHourlyData();
            ASSERT_GE(weather.iCloud, 0);
            ASSERT_LE(weather.iCloud, 8);
            overcastSteps += weather.iCloud == 8;
            clearSteps += weather.iCloud == 0;
        }
    }
    // A Boston January has both overcast and clear hours.
    EXPECT_GT(overcastSteps, 50);
    EXPECT_GT(clearSteps, 10);
    // 10 tenths read as 8 oktas.
    weather.ReadDataByIndex(1);  // Boston's first hour: 10 tenths
    EXPECT_EQ(weather.iCloud, 8);
    EXPECT_EQ(weather.iMonth, 1);
    EXPECT_EQ(weather.iHour, 1);
}

TEST(WeatherHourly, ModelNamesAreFoundInTheSupportFolderThenBesideTheModel) {
    TempFolder support;
    TempFolder model;
    std::filesystem::copy_file(kBoston, model.File("boston.epw"));
    EngineState state;
    state.settings.supportFilePath = support.Path();
    state.engine->DataFileName = model.File("office.kz7");
    EXPECT_EQ(state.weather->ResolveWeatherFile("boston"), model.File("boston.epw"));
    std::filesystem::copy_file(kBoston, support.File("boston.epw"));
    EXPECT_EQ(state.weather->ResolveWeatherFile("boston"), support.File("boston.epw"));
    EXPECT_EQ(state.weather->ResolveWeatherFile("boston.EPW"), support.File("boston.EPW"));
    EXPECT_EQ(state.weather->ResolveWeatherFile("/abs/x"), "/abs/x.epw");
    EXPECT_EQ(state.weather->ResolveWeatherFile("sub\\y"), support.File("sub/y.epw"));
    ASSERT_TRUE(OpenEpw(state, "boston"));
    EXPECT_EQ(state.weather->StartYear, 1976);
    EXPECT_EQ(state.weather->EndYear, 2003);
    EXPECT_EQ(state.weather->LastRecordDate().month, 12);
}

// A typical-year file (months of several years): one year's worth of days,
// every date found, weekdays counted from the file's stated start day.
TEST(WeatherTypicalYear, FullYearRunHas365DaysAndEveryHour) {
    EngineState state;
    ErrorRecorder errors(state);
    ASSERT_TRUE(OpenEpw(state, kDenver));
    Weather& weather = *state.weather;
    EXPECT_FALSE(weather.RecordsFormOneYear());
    EXPECT_EQ(weather.FebruaryDays(), 28);
    EXPECT_EQ(weather.TypicalYearPeriodDays(1, 1, 12, 31), 365);
    // October to March wraps round the year end: 31+30+31+31+28+31 days.
    EXPECT_EQ(weather.TypicalYearPeriodDays(10, 1, 3, 31), 182);
    EXPECT_EQ(weather.TypicalYearPeriodDays(5, 5, 5, 5), 1);

    // Walk the days as the run driver does, by the file's month lengths.
    RunClock& clock = state.clock;
    clock.month = 1;
    clock.day = 1;
    int32_t expectedDayType = 7;  // DATA PERIODS: Sunday
    for (int32_t dayIndex = 1; dayIndex <= 365; ++dayIndex) {
        if (dayIndex > 1 && ++clock.day > weather.DaysInRecordMonth(clock.month)) {
            clock.day = 1;
            clock.month = clock.month % 12 + 1;
        }
        for (int32_t hour = 1; hour <= 24; ++hour) {
            clock.hour = hour;
            clock.decimalHour = static_cast<float>(hour) - 0.5f;
            weather.ReadHourlyData();
            ASSERT_EQ(weather.ThisRecord.Hour, hour);
            ASSERT_EQ(weather.ThisRecord.DayOfMonth, clock.day);
        }
        ASSERT_EQ(clock.dayType, expectedDayType) << clock.day << "/" << clock.month;
        expectedDayType = expectedDayType % 7 + 1;
    }
    EXPECT_EQ(clock.month, 12);
    EXPECT_EQ(clock.day, 31);
    EXPECT_TRUE(errors.texts.empty()) << errors.texts.front();
}

TEST(WeatherTypicalYear, FebruaryOfALeapYearIsTakenAsTheFileHoldsIt) {
    TempFolder folder;
    // February from 1996 without its 29th.
    const std::string shortFebruary =
        EditedDenver(folder, "leap28.epw", [](std::vector<std::string>& f) {
            if (f[1] == "2") f[0] = "1996";
        });
    EngineState state;
    ErrorRecorder errors(state);
    state.settings.generateWeatherDataEvents = true;
    std::vector<ValueArray> months;
    state.outputData.onSave = [&](int16_t& interval, int32_t&, ValueArray& values, double&) {
        if (interval == 4) months.push_back(values);
    };
    ASSERT_TRUE(OpenEpw(state, shortFebruary));
    EXPECT_EQ(state.weather->FebruaryDays(), 28);
    EXPECT_EQ(state.weather->DaysInRecordMonth(2), 28);
    EXPECT_EQ(state.weather->TypicalYearPeriodDays(1, 1, 12, 31), 365);
    // Its monthly weather row is the mean of the days it holds; March stays apart.
    ASSERT_EQ(months.size(), 12u);
    double dryBulb = 0.0;
    for (const WeatherRecord& r : state.weather->EpwSource().Records())
        if (r.Month == 2) dryBulb += r.Tdb / (28.0 * 24.0);
    EXPECT_NEAR(ParseLeadingNumber(months[1][1]), dryBulb, 1e-4);
    EXPECT_EQ(FromOleDate(ParseLeadingNumber(months[1][0])).month, 2);
    EXPECT_EQ(FromOleDate(ParseLeadingNumber(months[2][0])).month, 3);

    // A file of one actual leap year keeps the calendar: 366 days.
    std::vector<std::string> lines = testing::ReadLines(kDenver);
    std::vector<std::string> leapYear(lines.begin(), lines.begin() + 8);
    for (size_t i = 8; i < lines.size(); ++i) {
        std::vector<std::string> f = testing::SplitFields(lines[i]);
        f[0] = "2004";
        leapYear.push_back(testing::JoinFields(f));
        if (f[1] == "2" && f[2] == "28") {
            f[2] = "29";
            leapYear.push_back(testing::JoinFields(f));
        }
    }
    EngineState leap;
    ASSERT_TRUE(OpenEpw(leap, folder.Write("leap2004.epw", testing::JoinLines(leapYear))));
    EXPECT_TRUE(leap.weather->RecordsFormOneYear());
    EXPECT_EQ(leap.weather->FebruaryDays(), 29);
    EXPECT_EQ(leap.weather->TypicalYearPeriodDays(1, 1, 12, 31), 366);
    // Its weekdays follow the calendar: 1 March 2004 was a Monday.
    SetStep(leap.clock, 3, 1, 1, 0.5f);
    leap.weather->ReadHourlyData();
    EXPECT_EQ(leap.clock.dayType, 1);
    EXPECT_TRUE(errors.texts.empty());
}

}  // namespace kz7
