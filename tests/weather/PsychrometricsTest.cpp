#include <gtest/gtest.h>

#include <cmath>

#include "kz7/weather/Psychrometrics.h"

namespace kz7 {

TEST(Psychrometrics, SaturationPressureOverWaterAndIce) {
    EXPECT_NEAR(SaturationVapourPressure(20.0), 23.4, 0.05);
    EXPECT_NEAR(SaturationVapourPressure(100.0), 1013.0, 15.0);
    // Over ice below 0 °C, continuous with the water branch at 0 °C.
    EXPECT_NEAR(SaturationVapourPressure(-10.0), 2.6, 0.05);
    EXPECT_NEAR(SaturationVapourPressure(0.0), SaturationVapourPressure(1e-9), 0.01);
    EXPECT_EQ(SaturationVapourPressure(-274.0), 0.0);
}

TEST(Psychrometrics, MoistureAndDensityArePhysicalAndMoistureNeverNegative) {
    // Saturated air at 20 °C and sea-level pressure holds about 14.7 g/kg.
    EXPECT_NEAR(MoistureContent(20.0, 20.0, 1013.25) * 1000.0, 14.7, 0.2);
    const MoistAir air = MOIST(20.0, 20.0, 1013.25);
    EXPECT_NEAR(air.moisture, 14.7, 0.3);
    EXPECT_NEAR(air.density, 1.19, 0.02);
    // The guarded exponential keeps an absurd wet bulb finite.
    EXPECT_TRUE(std::isfinite(MOIST(20.0, -260.0, 1013.25).moisture));
    // A wet bulb far below the dry bulb would give a negative vapour pressure.
    EXPECT_EQ(MoistureContent(40.0, -5.0, 1013.25), 0.0);
    // Below 0 °C the ice constant of the psychrometer equation applies.
    const double pv = VapourPressure(2.0, -1.0, 1000.0);
    EXPECT_NEAR(pv, SaturationVapourPressure(-1.0) - 3.0 * 1000.0 * 0.000594, 1e-12);
    EXPECT_NEAR(VapourPressure(2.0, 1.0, 1000.0), SaturationVapourPressure(1.0) - 0.666, 1e-12);
}

TEST(Psychrometrics, WetBulbFromDewPointMatchesTheVapourPressure) {
    // Dry bulb 20 °C, dew point 10 °C at sea level: wet bulb about 14 °C
    // (the engine's psychrometer constant puts it a little above the
    // thermodynamic 13.9 °C), and the moisture that of air saturated at 10 °C,
    // about 7.7 g/kg, where the dew point taken as wet bulb gives under 4.
    const double wetBulb = WetBulbFromDewPoint(20.0, 10.0, 1013.25);
    EXPECT_NEAR(wetBulb, 14.0, 0.3);
    EXPECT_NEAR(VapourPressure(20.0, wetBulb, 1013.25), SaturationVapourPressure(10.0), 1e-6);
    EXPECT_NEAR(MoistureContent(20.0, wetBulb, 1013.25) * 1000.0, 7.7, 0.15);
    EXPECT_LT(MoistureContent(20.0, 10.0, 1013.25) * 1000.0, 4.0);
    // Saturated or inconsistent input gives the dry bulb.
    EXPECT_EQ(WetBulbFromDewPoint(15.0, 15.0, 1000.0), 15.0);
    EXPECT_EQ(WetBulbFromDewPoint(15.0, 18.0, 1000.0), 15.0);
    EXPECT_EQ(WetBulbFromDewPoint(15.0, std::nan(""), 1000.0), 15.0);
}

}  // namespace kz7
