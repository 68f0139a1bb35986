// Steady states of a zone on constant weather.
#include <gtest/gtest.h>

#include <cstdio>

#include "thermal/ZoneTestModel.h"

namespace kz7::test {
namespace {

// Conductance of the circuit from the air node to the outside at steady
// state: air flows, and the air-to-environment link in series with the
// light elements and the mass path.
double CircuitConductance(const Zone& z) {
    auto series = [](double a, double b) { return 1.0 / (1.0 / a + 1.0 / b); };
    return z.SIGKA + z.K3 + series(z.K4, z.K5 + series(z.K2, z.K1));
}

TEST(ZoneSteadyState, FreeZoneSettlesAtOutdoorTemperature) {
    ZoneText text;
    text.opaque = Outside("W", "WALL", 20, 0, 90) + Outside("W", "WALL", 20, 180, 90) + Outside("R", "ROOF", 50, 0, 0);
    text.glazed = Window("GLZ", 4, 180);
    text.airflow = Air("I", "100", 0.5);
    Engine engine(ZoneRecord(text));
    engine.SetWeather(5.0f);
    engine.Start();
    engine.RunDays(60);
    const Zone& zone = engine.zone("1");
    std::printf("free zone after 60 days at 5 C: Ta %.5f Tr %.5f Tm %.5f\n", zone.AirTemperature,
                zone.RadiantTemperature, zone.Tm2);
    EXPECT_NEAR(zone.AirTemperature, 5.0f, 0.01f);
    EXPECT_NEAR(zone.RadiantTemperature, 5.0f, 0.01f);
    EXPECT_NEAR(zone.Tm2, 5.0f, 0.01f);
    EXPECT_FALSE(engine.state.engine->Cancelled);
}

TEST(ZoneSteadyState, ConvectiveGainBalancesTheZoneLoss) {
    ZoneText text;
    text.opaque = BoxElements().substr(0, BoxElements().rfind("S,"));  // no ground
    text.glazed = Window("GLZ", 6, 180);
    text.airflow = Air("I", "100", 0.5);
    text.gains = Gain(1000, 0.0);
    Engine engine(ZoneRecord(text));
    engine.SetWeather(0.0f);
    engine.Start();
    engine.RunDays(40);
    const Zone& zone = engine.zone("1");
    const double dT = zone.AirTemperature - 0.0;
    const double airFlow = zone.SIGKA;
    const double ua = zone.K6;
    const double dTua = 1000.0 / (ua + airFlow);
    const double dTcircuit = 1000.0 / CircuitConductance(zone);
    const double fabric = zone.K5 + 1.0 / (1.0 / zone.K2 + 1.0 / zone.K1);
    std::printf("fabric from the environmental node %.4f W/K against sum UA %.4f W/K; K4 %.2f\n", fabric, ua, zone.K4);
    std::printf("gain 1000 W: dT %.4f K; circuit steady state %.4f K; from sum UA %.3f + air %.3f W/K: %.4f K "
                "(difference %.2f %%)\n",
                dT, dTcircuit, ua, airFlow, dTua, 100.0 * (dT - dTua) / dTua);
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
