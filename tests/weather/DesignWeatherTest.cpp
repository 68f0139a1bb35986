#include <gtest/gtest.h>

#include <cmath>

#include "WeatherTestSupport.h"
#include "kz7/weather/DirectBeamTable.h"
#include "kz7/weather/Location.h"
#include "kz7/weather/SunPosition.h"
#include "kz7/weather/Weather.h"

namespace kz7 {

using testing::ErrorRecorder;

namespace {

// Reads a model fragment through the document reader, as the keyword
// dispatch does: the keyword line first, then the owner's Read.
template <typename ReadFn>
void ReadRecord(EngineState& state, const std::string& text, ReadFn read) {
    state.reader.OpenText(text);
    state.reader.NextLine();  // the keyword line
    read();
}

struct SavedRow {
    int16_t interval;
    int32_t zone;
    ValueArray values;
    double date;
};

}  // namespace

// The Location record, with the outside coefficients of its exposure class,
// and the design-weather records.
TEST(Location, RecordsOfTheModelAndExposureClasses) {
    EngineState state;
    ReadRecord(state, "Location\n0,0,1,1,1,1,1,1,1,1,0,0\n51.5, 0.1, 0, 0.25, 3\nEnd\nNext\n",
               [&] { state.location->Read(); });
    const Location& site = *state.location;
    EXPECT_EQ(site.CorrectionOf(3), 1);
    EXPECT_EQ(site.CorrectionOf(11), 0);
    EXPECT_EQ(site.CorrectionOf(13), 0);
    EXPECT_FLOAT_EQ(site.Latitude, 51.5f);
    EXPECT_FLOAT_EQ(site.Longitude, 0.1f);
    EXPECT_FLOAT_EQ(site.GroundReflectance, 0.25f);
    EXPECT_EQ(site.XPOSUR, 3);
    EXPECT_FLOAT_EQ(state.settings.outsideConvectiveWall, 28.2f);
    EXPECT_FLOAT_EQ(state.settings.outsideConvectiveRoof, 44.87f);
    // The closing line was consumed: the next line is the next keyword.
    state.reader.NextLine();
    EXPECT_EQ(state.reader.NextString(), "Next");

    EXPECT_FLOAT_EQ(Location::GHCO(1).vertical, 7.37f);
    EXPECT_FLOAT_EQ(Location::GHCO(1).horizontal, 9.16f);
    EXPECT_FLOAT_EQ(Location::GHCO(2).vertical, 11.54f);
    EXPECT_FLOAT_EQ(Location::GHCO(2).horizontal, 19.87f);
    EXPECT_FLOAT_EQ(Location::GHCO(9).vertical, 28.2f);
    EXPECT_FLOAT_EQ(Location::GHCO(1.5f).vertical, (7.37f + 11.54f) / 2);
    // Below class 1 the sheltered values hold; no negative coefficient.
    EXPECT_FLOAT_EQ(Location::GHCO(0).horizontal, 9.16f);
    EXPECT_FLOAT_EQ(Location::GHCO(-4).vertical, 7.37f);

    Weather& weather = *state.weather;
    ReadRecord(state, "HeatLossWeather\n-3.5, 4, 225\nEnd\n", [&] { weather.ReadHeatLoss(); });
    EXPECT_FLOAT_EQ(weather.OutsideDesignTemperature, -3.5f);
    EXPECT_FLOAT_EQ(weather.WindSpeed, 4.0f);
    EXPECT_FLOAT_EQ(weather.WindDirection, 225.0f);
    ReadRecord(state, "SimulationWeather\nLondon, 4\nEnd\n", [&] { weather.ReadSimulation(); });
    EXPECT_EQ(weather.WeatherDbName, "London");
    EXPECT_EQ(weather.WeatherFileType, 4);
    EXPECT_EQ(state.clock.weatherType, 4);
}

TEST(DesignWeather, HeatGainDayFollowsTheDailyRangeAndTheClearSky) {
    EngineState state;
    ErrorRecorder errors(state);
    Weather& weather = *state.weather;
    ReadRecord(state, "HeatGainWeather\n28, 14, 1.0, 5, 0\nEnd\n", [&] { weather.ReadHeatGain(); });
    state.location->Latitude = 51.5f;
    state.clock.heatGainRun = true;
    state.clock.day = 15;
    state.clock.month = 4;
    weather.REDWET(0);
    EXPECT_EQ(state.clock.month, 4);  // the clock is given back

    const MonthHourTable& table = weather.Table();
    EXPECT_FLOAT_EQ(table.At(7, 5).dryBulb, 14.0f);   // minimum at hour 5
    EXPECT_FLOAT_EQ(table.At(7, 17).dryBulb, 28.0f);  // maximum 12 h later
    EXPECT_FLOAT_EQ(table.At(7, 11).dryBulb, 21.0f);
    EXPECT_FLOAT_EQ(table.At(7, 11).wetBulb, 0.0f);
    EXPECT_FLOAT_EQ(table.At(1, 1).pressure, 1013.25f);
    // Night: sun below the horizon, no irradiance.
    EXPECT_LT(table.At(7, 1).altitude, 0.0f);
    EXPECT_EQ(table.At(7, 1).directNormal, 0.0f);
    EXPECT_EQ(table.At(7, 1).diffuseHorizontal, 0.0f);
    // Noon in July: the diffuse from the altitude, the beam from the table
    // between its 60° and 65° rows at sea level.
    const TapeHour& noon = table.At(7, 12);
    const double altitudeDegrees = noon.altitude / kDegreesToRadians;
    ASSERT_GT(altitudeDegrees, 60.0);
    ASSERT_LT(altitudeDegrees, 65.0);
    EXPECT_NEAR(noon.diffuseHorizontal, 3.155 * std::sqrt(18.0 * altitudeDegrees), 1e-3);
    const double f = (altitudeDegrees - 60.0) / 5.0;
    EXPECT_NEAR(noon.directNormal, 1362 * 0.927 * ((1 - f) * 0.78553 + f * 0.79056), 0.05);

    EXPECT_FLOAT_EQ(weather.DayWeight(3, 3), 12.0f);
    EXPECT_EQ(weather.DesignDayCount, 25);
    EXPECT_EQ(weather.PreconditioningDays, 14);
    EXPECT_EQ(state.clock.dayType, 6);
    EXPECT_TRUE(errors.texts.empty());
}

// The beam coefficients: the sun at the zenith uses the table's top row,
// height above sea level raises the beam, and reads beyond the table give 0
// with a message.
TEST(DesignWeather, BeamCoefficientTableFromTheZenithToItsLimits) {
    EngineState state;
    Weather& weather = *state.weather;
    ReadRecord(state, "HeatGainWeather\n30, 20, 1.0, 5, 0\nEnd\n", [&] { weather.ReadHeatGain(); });
    // Put the sun overhead: latitude at the June declination, near solar noon.
    state.location->Latitude = 23.45f;
    state.clock.year = 2003;
    state.clock.month = 6;
    state.clock.day = 21;
    double best = 0.0;
    float bestTime = 12.0f;
    for (float time = 11.8f; time <= 12.2f; time += 0.0005f) {
        state.clock.decimalHour = time;
        weather.GetSunPosition();
        if (weather.SunAltitude > best) best = weather.SunAltitude, bestTime = time;
    }
    state.clock.decimalHour = bestTime;
    weather.CalcDesignWeather();
    ASSERT_FLOAT_EQ(weather.SunAltitude, static_cast<float>(3.141592654 / 2));
    EXPECT_NEAR(weather.Idn, 1362 * 0.927 * 0.80098, 0.01);

    ReadRecord(state, "HeatGainWeather\n30, 20, 1.0, 5, 1000\nEnd\n",
               [&] { weather.ReadHeatGain(); });
    weather.CalcDesignWeather();
    EXPECT_NEAR(weather.Idn, 1362 * 0.927 * (-1.181e-09 * 1e6 + 2.0256e-05 * 1000 + 0.80098), 0.01);

    ErrorRecorder errors(state);
    EXPECT_DOUBLE_EQ(COFF(state, 19, 3, 1), 0.80098);
    EXPECT_DOUBLE_EQ(COFF(state, 1, 1, 1), 1.408e-09);
    EXPECT_TRUE(errors.texts.empty());
    EXPECT_EQ(COFF(state, 5, 3, 26), 0.0);
    EXPECT_EQ(errors.texts, std::vector<std::string>{"ERROR MAX WV = .06"});
    EXPECT_EQ(COFF(state, 5, 3, 2), 0.0);
    EXPECT_EQ(errors.texts.size(), 2u);
}

TEST(DesignWeather, DesignDaysReachTheHostHalfHourly) {
    EngineState state;
    Weather& weather = *state.weather;
    std::vector<SavedRow> rows;
    state.outputData.onSave = [&](int16_t& interval, int32_t& zone, ValueArray& values,
                                  double& date) {
        rows.push_back({interval, zone, values, date});
    };
    ReadRecord(state, "HeatLossWeather\n-4, 4, 225\nEnd\n", [&] { weather.ReadHeatLoss(); });
    state.clock.heatLossRun = true;
    weather.REDWET(0);
    EXPECT_TRUE(rows.empty());  // only when the host asks for weather rows
    state.settings.generateWeatherDataEvents = true;
    weather.REDWET(0);
    ASSERT_EQ(rows.size(), 48u);
    EXPECT_EQ(rows[0].interval, 1);
    EXPECT_EQ(rows[0].zone, -1);
    EXPECT_DOUBLE_EQ(rows[0].date, 1.0 / 48.0);
    EXPECT_DOUBLE_EQ(rows[47].date, 1.0);
    EXPECT_EQ(rows[5].values,
              (ValueArray{"0", "-4", "0", "0", "0", "0", "0", "1013.25", "0", "0"}));

    rows.clear();
    state.clock.heatLossRun = false;
    state.clock.heatGainRun = true;
    state.location->Latitude = 51.5f;
    ReadRecord(state, "HeatGainWeather\n28, 14, 1.0, 5, 0\nEnd\n", [&] { weather.ReadHeatGain(); });
    weather.REDWET(0);
    ASSERT_EQ(rows.size(), 48u);
    // July: the 05:00 row is the minimum, 04:30 the mean of hours 4 and 5.
    EXPECT_EQ(rows[9].values[1], "14");
    const float hour4 = weather.Table().At(7, 4).dryBulb;
    EXPECT_FLOAT_EQ(std::stof(rows[8].values[1]), (hour4 + 14.0f) / 2);
    EXPECT_FLOAT_EQ(std::stof(rows[33].values[1]), 28.0f);
}

}  // namespace kz7
