#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "WeatherTestSupport.h"
#include "kz7/weather/EnergyPlusWeather.h"
#include "kz7/weather/Location.h"
#include "kz7/weather/ReducedTape.h"
#include "kz7/weather/Weather.h"

namespace kz7 {

using testing::ErrorRecorder;
using testing::kDenver;
using testing::TempFolder;

namespace {

constexpr const char* kTapeProblem = "problem opening or reading reduced weather tape";

// A tape whose every hour of month m, hour h holds dry bulb 100m + h and
// pressure 1000, and a day-count file of 4s with type 1 of each month = m.
void WriteSyntheticTape(const TempFolder& folder, const std::string& name) {
    std::ostringstream tape;
    for (int m = 1; m <= 12; ++m)
        for (int h = 1; h <= 24; ++h)
            tape << 100 * m + h << ", " << h << " " << 10 * h << "," << 2 * h
                 << ",0.5,0.25,3,1000\n";
    tape << "\"C:\\Old\\Folder\\" << name << ".dcf\"\n";
    folder.Write(name + ".rwt", tape.str());
    std::ostringstream counts;
    counts << "\"Day counts, made by hand\"\n";
    for (int m = 1; m <= 12; ++m) counts << m << ",4,4,4,4,4,4\n";
    folder.Write(name + ".dcf", counts.str());
}

class ReducedTapeTest : public ::testing::Test {
  protected:
    ReducedTapeTest() { state.settings.supportFilePath = folder.Path(); }
    TempFolder folder;
    EngineState state;
    ErrorRecorder errors{state};
};

}  // namespace

TEST(ReducedTape, ItemsAreSeparatedByCommasBlanksAndLineEnds) {
    std::istringstream text("1, 2  3\n\"a b, c\",,4");
    TapeItems items(text);
    std::string item;
    std::vector<std::string> all;
    while (items.Next(item)) all.push_back(item);
    EXPECT_EQ(all, (std::vector<std::string>{"1", "2", "3", "a b, c", "", "4"}));
}

TEST_F(ReducedTapeTest, LoadsTableAndDayCountsAndInterpolatesSteps) {
    WriteSyntheticTape(folder, "synthetic");
    Weather& weather = *state.weather;
    weather.WeatherDbName = "synthetic";
    weather.WeatherFileType = 3;
    state.clock.weatherType = 3;
    weather.REDWET(1);
    ASSERT_TRUE(errors.texts.empty()) << errors.texts.front();
    EXPECT_FLOAT_EQ(weather.Table().At(7, 13).dryBulb, 713.0f);
    EXPECT_EQ(weather.iCloud, 4);
    EXPECT_EQ(state.clock.dayType, 6);
    // Day type 3 stands for Wednesday to Friday: 4 + 4 + 4.
    EXPECT_FLOAT_EQ(weather.DayWeight(5, 3), 12.0f);
    EXPECT_FLOAT_EQ(weather.DayWeight(5, 1), 5.0f);
    EXPECT_FLOAT_EQ(weather.DayWeight(5, 0), 4.0f);  // day type 0 counts as 7

    // 00:15 with 15-minute steps: a quarter of the way from hour 24 to hour 1.
    state.clock.month = 3;
    state.clock.hour = 1;
    state.clock.decimalHour = 0.25f;
    weather.REDWET(2);
    EXPECT_FLOAT_EQ(weather.Toa, 324.0f + 0.25f * (301.0f - 324.0f));
    EXPECT_FLOAT_EQ(weather.Idn, 240.0f + 0.25f * (10.0f - 240.0f));
    EXPECT_FLOAT_EQ(weather.PATMOS, 1000.0f);
    EXPECT_FLOAT_EQ(weather.Igh, std::sin(0.25f) * weather.Idn + weather.Ifh);

    // A clock correction of 1 in July: hour 1 reads the hour-23 and hour-24 records.
    state.location->LocalTimeCorrection[6] = 1;
    state.clock.month = 7;
    state.clock.hour = 1;
    state.clock.decimalHour = 1.0f;
    weather.REDWET(2);
    EXPECT_FLOAT_EQ(weather.Toa, 724.0f);
    state.clock.decimalHour = 0.5f;
    weather.REDWET(2);
    EXPECT_FLOAT_EQ(weather.Toa, 723.5f);
    // A negative correction wraps forward: hour 24 reads hour 1.
    state.location->LocalTimeCorrection[6] = -1;
    state.clock.hour = 24;
    state.clock.decimalHour = 24.0f;
    weather.REDWET(2);
    EXPECT_FLOAT_EQ(weather.Toa, 701.0f);
}

TEST_F(ReducedTapeTest, MakeTapeReadsBackTheMonthsMeanDay) {
    EngineState maker;
    EnergyPlusWeather epw(maker);
    ASSERT_TRUE(epw.OpenFile(kDenver));
    std::string problem;
    ASSERT_TRUE(MakeReducedTape(epw, "denver", folder.Path(), problem)) << problem;

    state.weather->WeatherDbName = "denver";
    state.weather->WeatherFileType = 3;
    state.clock.weatherType = 3;
    state.weather->REDWET(1);
    ASSERT_TRUE(errors.texts.empty()) << errors.texts.front();

    for (int32_t month : {1, 7}) {
        double fileMean = 0.0;
        int32_t hours = 0;
        for (const WeatherRecord& r : epw.Records())
            if (r.Month == month) fileMean += r.Tdb, ++hours;
        fileMean /= hours;
        double tapeMean = 0.0;
        for (int32_t hour = 1; hour <= 24; ++hour)
            tapeMean += state.weather->Table().At(month, hour).dryBulb / 24.0;
        EXPECT_NEAR(tapeMean, fileMean, 1e-4) << "month " << month;
    }
    // January 1995 of the file's count (Sunday start): 5 Sundays, Mondays and
    // Tuesdays, 4 of the rest; day type 3 carries Wednesday to Friday.
    EXPECT_FLOAT_EQ(state.weather->DayWeight(1, 7), 5.0f);
    EXPECT_FLOAT_EQ(state.weather->DayWeight(1, 1), 5.0f);
    EXPECT_FLOAT_EQ(state.weather->DayWeight(1, 3), 12.0f);
    EXPECT_FLOAT_EQ(state.weather->DayWeight(1, 6), 4.0f);
    // The sun of mid-July at 13:00 is high in the south; at 03:00 below the horizon.
    EXPECT_GT(state.weather->Table().At(7, 13).altitude, 1.0f);
    EXPECT_LT(state.weather->Table().At(7, 3).altitude, 0.0f);
    EXPECT_GT(state.weather->Table().At(7, 13).directNormal, 300.0f);
}

// A missing tape, one cut short or with text for a number, and a day-count
// file that is missing or short: each is reported, and what was read is kept.
TEST_F(ReducedTapeTest, MissingOrFaultyFilesAreReportedKeepingWhatWasRead) {
    std::string path;
    EXPECT_FALSE(state.weather->WTOPEN("O", "none", 4, path));  // an unknown type code
    EXPECT_TRUE(path.empty());
    EXPECT_FALSE(state.weather->WTOPEN("O", "none", 3, path));
    EXPECT_EQ(path, folder.File("none.rwt"));
    // Any other mode makes an empty tape for writing.
    EXPECT_TRUE(state.weather->WTOPEN("W", "fresh", 2, path));
    EXPECT_TRUE(std::filesystem::exists(folder.File("fresh.fwt")));
    const auto read = [&](const std::string& name) {
        state.weather->WeatherDbName = name;
        state.weather->REDWET(1);
        return errors.texts.empty() ? std::string() : errors.texts.back();
    };
    EXPECT_EQ(read("none").rfind(kTapeProblem, 0), 0u);
    EXPECT_NE(errors.texts.back().find("none.rwt"), std::string::npos);

    WriteSyntheticTape(folder, "cut");
    std::string text = testing::JoinLines(testing::ReadLines(folder.File("cut.rwt")));
    folder.Write("cut.rwt", text.substr(0, text.find("501,")));  // ends before May
    EXPECT_EQ(read("cut").rfind(kTapeProblem, 0), 0u);
    EXPECT_NE(errors.texts.back().find("month 5 hour 1"), std::string::npos);
    EXPECT_FLOAT_EQ(state.weather->Table().At(4, 24).dryBulb, 424.0f);
    EXPECT_FLOAT_EQ(state.weather->Table().At(6, 1).dryBulb, 0.0f);
    folder.Write("word.rwt", "12, 3, cold\n");
    EXPECT_NE(read("word").find("item 3 (\"cold\") is not a number"), std::string::npos);

    WriteSyntheticTape(folder, "tape");
    std::filesystem::remove(folder.File("tape.dcf"));
    EXPECT_NE(read("tape").find("cannot open the day-count file " + folder.File("tape.dcf")),
              std::string::npos);
    folder.Write("tape.dcf", "\"heading\"\n1,2,3\n4,5");
    EXPECT_EQ(read("tape").rfind(kTapeProblem, 0), 0u);
    EXPECT_NE(errors.texts.back().find("month 1"), std::string::npos);
    EXPECT_FALSE(state.weather->GINFODY(folder.File("tape.dcf")));
    EXPECT_EQ(errors.texts.size(), 5u);  // one message for each
}

}  // namespace kz7
