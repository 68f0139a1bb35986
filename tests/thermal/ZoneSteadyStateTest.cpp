// Steady states of a zone on constant weather.
#include <gtest/gtest.h>

#include "support/ModelText.h"

namespace kz7::test {
namespace {

TEST(ZoneSteadyState, ConvectiveGainBalancesTheZoneLoss) {
    ZoneText text;
    text.opaque = BoxWithoutGround();  // no ground
    text.glazed = Window("GLZ", 6, 180);
    text.airflow = Air("I", "100", 0.5);
    text.gains = Gain(1000, 0.0);
    Engine engine(ZoneRecord(text));
    engine.SetWeather(5.0f);  // off zero, so that an outdoor term left out would show
    engine.Start();
    engine.RunDays(40);
    const Zone& zone = engine.zone("1");
    const double dT = zone.AirTemperature - 5.0;
    const double airFlow = zone.step.SIGKA;
    const double ua = zone.K6;
    const double dTua = 1000.0 / (ua + airFlow);
    const double dTcircuit = 1000.0 / CircuitConductance(zone);
    const double fabric = zone.K5 + 1.0 / (1.0 / zone.K2 + 1.0 / zone.K1);
    // The fit reproduces the fabric's steady loss seen from the
    // environmental node exactly ...
    EXPECT_NEAR(fabric, ua, 1e-4 * ua);
    // ... the stepping reaches the circuit's steady state ...
    EXPECT_NEAR(dT, dTcircuit, 0.01);
    // ... and a gain at the air node crosses the air-to-surface link K4 before
    // the fabric: Σ U·A plus air flow is reached through that link.
    const double throughLink = 1000.0 / (airFlow + 1.0 / (1.0 / zone.K4 + 1.0 / ua));
    EXPECT_NEAR(dT, throughLink, 0.01);
    EXPECT_GT(dT, dTua);
}

}  // namespace
}  // namespace kz7::test
