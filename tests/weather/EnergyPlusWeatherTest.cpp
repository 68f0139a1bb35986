#include <gtest/gtest.h>

#include <cmath>

#include "WeatherTestSupport.h"
#include "kz7/engine/SimKZ7.h"
#include "kz7/platform/NumberText.h"
#include "kz7/weather/EnergyPlusWeather.h"
#include "kz7/weather/Psychrometrics.h"

namespace kz7 {

using testing::ErrorRecorder;
using testing::kBoston;
using testing::kDenver;
using testing::TempFolder;

class EnergyPlusWeatherTest : public ::testing::Test {
  protected:
    EngineState state;
    ErrorRecorder errors{state};
    EnergyPlusWeather epw{state};
    TempFolder folder;
};

TEST_F(EnergyPlusWeatherTest, ReadsTheDenverFileWithTheSunOfEachRecord) {
    ASSERT_TRUE(epw.OpenFile(kDenver));
    EXPECT_TRUE(errors.texts.empty());
    EXPECT_EQ(epw.RecordCount(), 8760);
    EXPECT_EQ(epw.City, "DENVER INTL AP");
    EXPECT_EQ(epw.StationNumber, "725650");
    EXPECT_FLOAT_EQ(epw.Latitude, 39.83f);
    EXPECT_FLOAT_EQ(epw.Longitude, -104.65f);
    EXPECT_FLOAT_EQ(epw.TimeZone, -7.0f);
    EXPECT_EQ(epw.StartDayOfWeek, 7);

    const WeatherRecord& first = epw.Records().front();
    EXPECT_EQ(first.Year, 1995);
    EXPECT_EQ(first.Index, 0);
    EXPECT_FLOAT_EQ(first.Tdb, -18.0f);
    EXPECT_FLOAT_EQ(first.PATMOS, 837.0f);
    // The wet bulb lies between dew point and dry bulb and carries the dew
    // point's vapour pressure.
    EXPECT_GT(first.Twb, -19.7f);
    EXPECT_LT(first.Twb, -18.0f);
    EXPECT_NEAR(VapourPressure(first.Tdb, first.Twb, first.PATMOS), SaturationVapourPressure(-19.7),
                1e-4);
    // Sky cover 2 tenths is 1.6, so 2 oktas.
    EXPECT_EQ(first.iCloud, 2);
    EXPECT_EQ(epw.Records().back().Index, 8759);

    // A Sunday start: the first day is type 7, the second type 1.
    EXPECT_EQ(epw.Records()[0].DayOfWeek, 7);
    EXPECT_EQ(epw.Records()[24].DayOfWeek, 1);
    EXPECT_EQ(state.clock.dayType, 7);
    EXPECT_EQ(state.clock.period.startYear, 1995);
    EXPECT_EQ(state.clock.period.endYear, 1994);
    EXPECT_EQ(epw.YearJan1, 1995);

    // The sun of each record uses the time zone's meridian. Noon records of 21 June (day 172): the sun stands high in the south.
    WeatherRecord noon;
    state.clock.month = 6;
    state.clock.day = 21;
    state.clock.hour = 12;
    ASSERT_TRUE(epw.ReadRecordFromSimDate(noon));
    EXPECT_NEAR(noon.Altitude / kDegreesToRadians, 73.0, 1.0);
    // Denver lies 0.35° east of its meridian: at 12:00 the sun is just past
    // south after the equation of time (about -1.5 min), so 175°..185°.
    EXPECT_GT(noon.Azimuth / kDegreesToRadians, 175.0);
    EXPECT_LT(noon.Azimuth / kDegreesToRadians, 185.0);
    // Hours of darkness have the sun below the horizon and no beam.
    const WeatherRecord& night = epw.Records()[2];
    EXPECT_LT(night.Altitude, 0.0f);
    EXPECT_EQ(night.Idn, 0.0f);
}

TEST_F(EnergyPlusWeatherTest, RecordsByIndexAndByDate) {
    ASSERT_TRUE(epw.OpenFile(kBoston));
    WeatherRecord record;
    ASSERT_TRUE(epw.ReadRecordFromIndex(25, record));
    EXPECT_EQ(record.Index, 24);
    EXPECT_EQ(record.DayOfMonth, 2);
    EXPECT_EQ(record.Hour, 1);
    // A record's own 0-based index fetches the one before it.
    WeatherRecord before;
    ASSERT_TRUE(epw.ReadRecordFromIndex(record.Index, before));
    EXPECT_EQ(before.DayOfMonth, 1);
    EXPECT_EQ(before.Hour, 24);
    EXPECT_FALSE(epw.ReadRecordFromIndex(0, before));
    EXPECT_FALSE(epw.ReadRecordFromIndex(8761, before));

    // No 29 February in this file: the record stays and one message names the hour.
    state.clock.month = 2;
    state.clock.day = 29;
    state.clock.hour = 5;
    record.HourFromStartJan1 = 77;
    EXPECT_FALSE(epw.ReadRecordFromSimDate(record));
    EXPECT_FALSE(epw.ReadRecordFromSimDate(record));
    EXPECT_EQ(record.Index, 24);
    ASSERT_EQ(errors.texts.size(), 1u);
    EXPECT_EQ(errors.texts[0], "No weather data for 5:00 29/2");
    // Copying keeps the destination's hour count.
    state.clock.day = 28;
    ASSERT_TRUE(epw.ReadRecordFromSimDate(record));
    EXPECT_EQ(record.HourFromStartJan1, 77);
    EXPECT_EQ(record.Month, 2);
}

TEST_F(EnergyPlusWeatherTest, WeatherRowsSumTheFile) {
    state.settings.generateWeatherDataEvents = true;
    std::vector<std::tuple<int16_t, std::vector<double>, double>> rows;
    state.outputData.onSave = [&](int16_t& interval, int32_t& zone, ValueArray& values,
                                  double& date) {
        EXPECT_EQ(zone, -1);
        ASSERT_EQ(values.size(), 10u);
        std::vector<double> numbers;
        for (const std::string& text : values) numbers.push_back(ParseLeadingNumber(text));
        rows.emplace_back(interval, numbers, date);
    };
    ASSERT_TRUE(epw.OpenFile(kDenver));

    std::vector<const std::vector<double>*> hours, days, months;
    for (const auto& [interval, numbers, date] : rows) {
        if (interval == 2) hours.push_back(&numbers);
        if (interval == 3) days.push_back(&numbers);
        if (interval == 4) months.push_back(&numbers);
    }
    ASSERT_EQ(hours.size(), 8760u);
    ASSERT_EQ(days.size(), 365u);
    ASSERT_EQ(months.size(), 12u);

    // The first hourly row: 1 January 1995, ending at 01:00.
    EXPECT_DOUBLE_EQ(std::get<2>(rows.front()), ToOleDate(1995, 1, 1, 1.0));
    EXPECT_DOUBLE_EQ((*hours[0])[0], ToOleDate(1995, 1, 1));
    EXPECT_DOUBLE_EQ((*hours[0])[1], -18.0);

    // Day 1: the mean of its 24 hourly dry bulbs, the total of its beam.
    double meanDryBulb = 0.0, beam = 0.0;
    for (size_t h = 0; h < 24; ++h) {
        meanDryBulb += (*hours[h])[1] / 24.0;
        beam += (*hours[h])[3];
    }
    EXPECT_NEAR((*days[0])[1], meanDryBulb, 1e-6);
    EXPECT_NEAR((*days[0])[3], beam, 1e-9);

    // January's direct-normal total (kWh/m²) is the sum of the file's column,
    // its mean dry bulb the mean of the file's hours (awk over the file's
    // January lines: 149.627 kWh/m², 0.788441 °C).
    EXPECT_NEAR((*months[0])[3], 149.627, 1e-6);
    EXPECT_NEAR((*months[0])[1], 0.788441, 1e-5);
}

// A read cancelled half way is read again by the next open; a finished one
// is only walked again for the run's start.
TEST_F(EnergyPlusWeatherTest, ACancelledReadIsReadAgainAndAFinishedOneIsNot) {
    std::vector<std::string> messages;
    state.message.onText = [&](std::string& text) { messages.push_back(text); };
    state.message.onProgress = [&](float& progress) {
        if (progress > 0.5f) state.engine->Cancelled = true;
    };
    EXPECT_FALSE(epw.OpenFile(kDenver));
    EXPECT_EQ(messages, std::vector<std::string>{"Cancelled"});
    EXPECT_TRUE(epw.FileName().empty());

    state.engine->Cancelled = false;
    int32_t progressEvents = 0;
    state.message.onProgress = [&](float&) { ++progressEvents; };
    ASSERT_TRUE(epw.OpenFile(kDenver));
    EXPECT_EQ(progressEvents, 8760);
    EXPECT_EQ(epw.RecordCount(), 8760);
    EXPECT_EQ(epw.SimStartRecordIndex, 0);

    state.clock.period.startMonth = 1;
    state.clock.period.startDay = 3;
    ASSERT_TRUE(epw.OpenFile(kDenver));
    EXPECT_EQ(progressEvents, 8760);  // not read again
    EXPECT_EQ(epw.SimStartRecordIndex, 48);
    EXPECT_EQ(state.clock.dayType, 2);  // 3 January follows a Sunday start: Tuesday

    // Another run kind gets nothing; another file is read.
    state.clock.runKind = 5;
    EXPECT_FALSE(epw.OpenFile(kDenver));
    state.clock.runKind = 2;
    ASSERT_TRUE(epw.OpenFile(kBoston));
    EXPECT_EQ(epw.City, "Boston Logan IntL Arpt");
}

// Files that hold no year of records: each cancels the run with a message
// naming the file and its fault.
TEST_F(EnergyPlusWeatherTest, FilesWithoutRecordsCancelTheRun) {
    const std::vector<std::string> lines = testing::ReadLines(kDenver);
    auto first = [&](size_t count) { return testing::JoinLines({lines.begin(), lines.begin() + count}); };
    // The whole file with one LOCATION field replaced (0-based field index).
    auto located = [&](size_t field, const std::string& value) {
        std::vector<std::string> edited = lines;
        std::vector<std::string> fields = testing::SplitFields(edited[0]);
        fields[field] = value;
        edited[0] = testing::JoinFields(fields);
        const char* names[] = {"lat.epw", "lon.epw", "zone.epw"};
        return folder.Write(names[field - 6], testing::JoinLines(edited));
    };
    const std::pair<std::string, std::string> cases[] = {
        {"/nonexistent/folder/x.epw", "Error opening /nonexistent/folder/x.epw"},
        {"", "Error opening "},
        {folder.Write("empty.epw", ""), "empty.epw is empty"},
        {folder.Write("header.epw", first(8)), "header.epw holds no hourly records"},
        {folder.Write("notepw.epw", "Hello,world\n1,2,3\n"), "line 1 is not LOCATION"},
        {folder.Write("short.epw", first(3)), "short.epw has no DATA PERIODS line"},
        {located(6, "1e999"), "lat.epw: the LOCATION latitude "},
        {located(7, "-200"), "lon.epw: the LOCATION longitude -200 is not between -180 and 180"},
        {located(8, "15"), "zone.epw: the LOCATION time zone 15 is not between -12 and 14"},
    };
    for (const auto& [path, message] : cases) {
        errors.texts.clear();
        state.engine->Cancelled = false;
        EXPECT_FALSE(epw.OpenFile(path)) << path;
        ASSERT_EQ(errors.texts.size(), 1u) << path;
        EXPECT_NE(errors.texts[0].find(message), std::string::npos) << errors.texts[0];
        EXPECT_TRUE(state.engine->Cancelled) << path;
        EXPECT_EQ(epw.RecordCount(), 0);
    }
}

// Faulty lines, a second year and an unknown start day: the file is read
// with one message for each fault.
TEST_F(EnergyPlusWeatherTest, FaultyFilesAreReadWithAMessageEach) {
    const std::vector<std::string> denver = testing::ReadLines(kDenver);
    std::vector<std::string> lines = denver;
    lines[8 + 5] = "1995,1,1,6,0,x,-12.5,-14";                 // line 14: too few fields
    lines[8 + 6].replace(lines[8 + 6].find(",-"), 1, ",abc");  // line 15: text for the dry bulb
    lines[8 + 7] = "1995,13,1,8,0";                            // line 16: no such month
    ASSERT_TRUE(epw.OpenFile(folder.Write("faulty.epw", testing::JoinLines(lines))));
    ASSERT_EQ(errors.texts.size(), 1u);
    EXPECT_NE(errors.texts[0].find("faulty.epw: line 14 has 8 of the 35 fields"),
              std::string::npos);
    EXPECT_NE(errors.texts[0].find("and 2 more lines"), std::string::npos);
    EXPECT_EQ(epw.RecordCount(), 8759);  // the line without a valid month is skipped
    const WeatherRecord& shortLine = epw.Records()[5];
    EXPECT_FLOAT_EQ(shortLine.Tdb, -12.5f);
    EXPECT_EQ(shortLine.Idn, 0.0f);
    // A pressure the line lacks is missing: the standard atmosphere at the
    // station's height, close to the file's own pressure of the hour before.
    EXPECT_NEAR(shortLine.PATMOS, epw.Records()[4].PATMOS, 15.0f);
    EXPECT_EQ(epw.Records()[6].Tdb, 0.0f);

    // A second year of data stops at the first repeated hour.
    std::vector<std::string> twoYears = denver;
    twoYears.insert(twoYears.end(), denver.begin() + 8, denver.end());
    ASSERT_TRUE(epw.OpenFile(folder.Write("two.epw", testing::JoinLines(twoYears))));
    EXPECT_EQ(epw.RecordCount(), 8760);
    ASSERT_EQ(errors.texts.size(), 2u);
    EXPECT_EQ(errors.texts[1],
              "Weather file " + folder.File("two.epw") +
                  ": line 8769 repeats the hour 1:00 1/1; only the first year of data is read");

    // An unknown start day counts from the first date: 1 January 1995 was a Sunday.
    lines = denver;
    lines[7] = "DATA PERIODS,1,1,Data,Funday, 1/ 1,12/31";
    ASSERT_TRUE(epw.OpenFile(folder.Write("funday.epw", testing::JoinLines(lines))));
    ASSERT_EQ(errors.texts.size(), 3u);
    EXPECT_NE(errors.texts[2].find("\"Funday\" is not a weekday"), std::string::npos);
    EXPECT_EQ(epw.StartDayOfWeek, 7);
    EXPECT_EQ(epw.Records()[24].DayOfWeek, 1);
}

}  // namespace kz7
