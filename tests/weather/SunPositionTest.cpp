#include <gtest/gtest.h>

#include <cmath>

#include "kz7/weather/SunPosition.h"

namespace kz7 {

namespace {
double Deg(double radians) {
    return radians / kDegreesToRadians;
}
}  // namespace

TEST(SunPosition, KnownPositionsSolarTimeAndNight) {
    const SunAngles morning = SunPosX(80, 8.0, 51.5, 0.0, 0.0);
    EXPECT_NEAR(Deg(morning.altitude), 17.10, 0.01);
    EXPECT_NEAR(Deg(morning.azimuth), 112.54, 0.01);
    EXPECT_NEAR(Deg(SunPosX(172, 12.0, 51.5, 0.0, 0.0).azimuth), 179.25, 0.01);
    EXPECT_NEAR(Deg(SunPosX(172, 12.0, -30.0, 0.0, 0.0).azimuth), 0.44, 0.01);
    const SunAngles afternoon = SunPosX(172, 16.0, 51.5, 0.0, 0.0);
    EXPECT_GT(Deg(afternoon.azimuth), 180.0);
    EXPECT_LT(Deg(afternoon.azimuth), 300.0);
    const SunAngles midnight = SunPosX(172, 0.5, 51.5, 0.0, 0.0);
    EXPECT_LT(midnight.altitude, 0.0);
    EXPECT_GE(midnight.azimuth, 0.0);
    EXPECT_LE(midnight.azimuth, 2.0 * M_PI);

    // The date form computes the day of year: 21 March 2003 is day 80.
    EXPECT_DOUBLE_EQ(SunPos(2003, 3, 21, 8.0, 51.5, 7.0, 7.0).altitude, morning.altitude);
    // A site 15° west of its standard meridian (both positive west) sees the
    // sun an hour later than one on the meridian.
    const SunAngles onMeridian = SunPosX(100, 10.0, 45.0, 0.0, 0.0);
    const SunAngles west = SunPosX(100, 11.0, 45.0, 15.0, 0.0);
    EXPECT_NEAR(west.altitude, onMeridian.altitude, 1e-9);
    EXPECT_NEAR(west.azimuth, onMeridian.azimuth, 1e-6);
}

TEST(SunPosition, SunAtTheZenithIsExactlyUpright) {
    // Scan round solar noon at the latitude of the June declination: some
    // step falls within the zenith band and gives exactly π/2; none exceeds it.
    bool exact = false;
    for (double time = 11.5; time <= 12.5; time += 0.0005) {
        const SunAngles sun = SunPosX(172, time, 23.45, 0.0, 0.0);
        EXPECT_LE(sun.altitude, 3.141592654 / 2.0);
        exact = exact || sun.altitude == 3.141592654 / 2.0;
    }
    EXPECT_TRUE(exact);
}

}  // namespace kz7
