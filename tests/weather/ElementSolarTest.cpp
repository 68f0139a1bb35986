// Sun and sky on the elements of a zone.
#include <gtest/gtest.h>

#include <cmath>

#include "kz7/model/Element.h"
#include "kz7/model/GlazedConstruction.h"
#include "kz7/weather/ElementSolar.h"
#include "support/ModelText.h"

namespace kz7::test {
namespace {

constexpr float kPi = 3.14159265f;
constexpr float kNoonAltitude = 0.6f;  // about 34.4°

// Elements 1..8: south wall, north wall, roof, opening, south window,
// north window, south windows with louvres at 50 % and 51 %.
std::string SunZone() {
    ZoneText text;
    text.opaque = Opaque("W", "WALL", 10, 1, 180, 90) + Opaque("W", "WALL", 10, 1, 0, 90) +
                  Opaque("R", "ROOF", 50, 1, 0, 0) + Opaque("O", "WALL", 2, 1, 180, 90);
    text.glazed = Window("GLZ", 4, 180, 7) + Window("GLZ", 4, 0, 8) + Window("GLZ50", 4, 180) + Window("GLZ51", 4, 180);
    return ZoneRecord(text);
}

struct SunnyEngine : Engine {
    SunnyEngine() : Engine(SunZone()) {
        Start();
        zone("1").InitTimeStep();
    }
    Element& element(int32_t i) { return zone("1").elements.Item(i); }
    void Noon() { SetWeather(20.0f, kNoonAltitude, kPi, 800.0f, 100.0f, 0); }
    void Solve() {
        zone("1").InitTimeStep();
        zone("1").SolveGains();
    }
};

TEST(ElementSolar, SunBelowTheHorizonGivesNothingAndAsksNothing) {
    SunnyEngine engine;
    int asked = 0;
    engine.state.settings.doShading = true;
    const ShadingData::FactorsHandler count = [&](int32_t&, float&, float&) { ++asked; };
    engine.state.shadingData.Listen(&count, nullptr);
    engine.SetWeather(10.0f, -0.01f, kPi, 300.0f, 50.0f);
    engine.Solve();
    for (int32_t i = 1; i <= engine.zone("1").elements.Count(); ++i) {
        const Element::Sun sun = engine.element(i).StepSun();
        EXPECT_EQ(sun.IRRAD, 0.0f) << i;
        EXPECT_EQ(sun.IWDDIR, 0.0f) << i;
        EXPECT_EQ(sun.IWDRTD, 0.0f) << i;
    }
    EXPECT_EQ(asked, 0);
    EXPECT_EQ(engine.zone("1").step.SolarGainKW, 0.0f);
}

TEST(ElementSolar, BeamFollowsTheAngleToTheSunAndLouvresDeployAboveHalf) {
    SunnyEngine engine;
    engine.Noon();
    engine.Solve();
    const float kt = 800.0f / 1353.0f;
    const float beamNormal = 800.0f + 100.0f * kt;  // circumsolar diffuse goes with the beam
    // A south wall at solar noon faces the sun's azimuth: cos θ = cos(altitude).
    const float southWindow = engine.element(5).StepSun().IRRAD;
    const float northWindow = engine.element(6).StepSun().IRRAD;
    EXPECT_NEAR(southWindow - northWindow, beamNormal * std::cos(kNoonAltitude), 0.01f);
    // Facing away: glazing keeps the diffuse, an opaque wall gets nothing.
    EXPECT_GT(northWindow, 0.0f);
    EXPECT_EQ(engine.element(2).StepSun().IRRAD, 0.0f);
    EXPECT_NEAR(engine.element(1).StepSun().IRRAD, southWindow, 0.01f);
    // A roof sees the beam at sin(altitude) and all of the sky.
    const float roof = engine.element(3).StepSun().IRRAD;
    EXPECT_NEAR(roof, beamNormal * std::sin(kNoonAltitude) + 100.0f * (1.0f - std::sin(kNoonAltitude) * kt), 0.01f);
    // An opening takes no part in solar.
    EXPECT_EQ(engine.element(4).StepSun().IRRAD, 0.0f);
    // What the glazing lets in reaches the zone whole: radiant and convective.
    const Zone& zone = engine.zone("1");
    const float admitted = zone.step.CNGN + zone.step.RDGN;
    EXPECT_NEAR(admitted, zone.step.SolarGainKW * 1000.0f, 0.01f);
    EXPECT_NEAR(zone.step.SIGKTA + zone.step.SIGKTE, admitted, 0.01f);

    // Louvres deploy above fifty percent (at exactly 50 they stay up: GlazingTest).
    const float coefficient = engine.element(8).Glazing->ShadingCoefficient(kNoonAltitude * 57.29578f);
    EXPECT_GT(coefficient, 0.3f);  // between the 30° and 45° values
    EXPECT_LT(coefficient, 0.4f);
    EXPECT_NEAR(engine.element(8).StepSun().IRRAD - northWindow,
                coefficient * (southWindow - northWindow), 0.01f);
}

TEST(ElementSolar, HostShadingScalesBeamAndDiffuseOnlyWhenAsked) {
    SunnyEngine engine;
    engine.Noon();
    engine.Solve();
    const float unshaded = engine.element(5).StepSun().IRRAD;
    const float diffuse = engine.element(6).StepSun().IRRAD;
    int asked = 0;
    const ShadingData::FactorsHandler answer = [&](int32_t& plane, float& direct, float& sky) {
        ++asked;
        direct = plane == 7 ? 0.5f : 7.0f;  // a factor beyond 1 is held to 1
        sky = 0.25f;
    };
    engine.state.shadingData.Listen(&answer, nullptr);
    engine.Solve();
    EXPECT_EQ(asked, 0);  // shading is off
    engine.state.settings.doShading = true;
    engine.Solve();
    EXPECT_EQ(asked, 4);  // the four windows
    EXPECT_NEAR(engine.element(5).StepSun().IRRAD, 0.5f * (unshaded - diffuse) + 0.25f * diffuse,
                0.01f);
    EXPECT_NEAR(engine.element(6).StepSun().IRRAD, 0.25f * diffuse, 0.01f);
}

TEST(ElementSolar, OutsideSunOfLightWallsAddsUpWhateverTheirOrder) {
    ZoneText first;
    first.key = "1";
    first.opaque = Opaque("W", "LIGHT", 10, 1, 180, 90) + Opaque("W", "LIGHT", 10, 1, 0, 90) + Opaque("R", "ROOF", 50, 1, 0, 0);
    ZoneText second = first;
    second.key = "2";
    second.opaque = Opaque("W", "LIGHT", 10, 1, 0, 90) + Opaque("W", "LIGHT", 10, 1, 180, 90) + Opaque("R", "ROOF", 50, 1, 0, 0);
    Engine engine(ZoneRecord(first) + ZoneRecord(second));
    engine.Start();
    engine.SetWeather(20.0f, kNoonAltitude, kPi, 800.0f, 100.0f, 0);
    for (Zone& zone : *engine.state.zones) zone.InitTimeStep();
    engine.zone("1").SolveGains();
    engine.zone("2").SolveGains();
    const float one = engine.zone("1").step.QSOLO;
    EXPECT_GT(std::fabs(one), 100.0f);
    EXPECT_NEAR(engine.zone("2").step.QSOLO, one, 1e-4f * std::fabs(one));
}

TEST(ElementSolar, GlazingBetweenZonesSeesTheSunFromEitherSide) {
    ZoneText text;
    text.key = "1";
    text.opaque = Opaque("W", "WALL", 10, 1, 0, 90);
    text.glazed = Glazed("G", "GLZ", 4, 6, 0, 90, "3,2");
    ZoneText other;
    other.key = "2";
    other.opaque = Opaque("W", "WALL", 10, 1, 0, 90);
    Engine engine(ZoneRecord(text) + ZoneRecord(other));
    engine.Start();
    engine.SetWeather(20.0f, kNoonAltitude, kPi, 800.0f, 100.0f, 0);
    for (Zone& zone : *engine.state.zones) zone.InitTimeStep();
    engine.zone("1").SolveGains();
    const Element& window = engine.zone("1").elements.Item(2);
    // Facing north with the sun in the south: the sun leaves through it.
    EXPECT_LT(window.StepSun().IRRAD, 0.0f);
    EXPECT_NEAR(window.StepSun().IRRAD,
                -(800.0f + 100.0f * 800.0f / 1353.0f) * std::cos(kNoonAltitude) * 0.7f, 0.01f);
    EXPECT_TRUE(engine.errors.empty());
    // With the sun in the window's plane neither side faces it.
    engine.SetWeather(20.0f, kNoonAltitude, kPi / 2.0f, 800.0f, 100.0f, 0);
    engine.zone("1").SolveGains();
    ASSERT_FALSE(engine.errors.empty());
    EXPECT_EQ(engine.errors.back(), "Invalid solar angle");

    const Element& first = engine.zone("1").elements.Item(1);
    const Element& second = engine.zone("2").elements.Item(1);
    bool after = false;
    first.ComesAfter(second, after);
    EXPECT_TRUE(after);
    second.ComesAfter(first, after);
    EXPECT_FALSE(after);
    first.ComesAfter(window, after);
    EXPECT_FALSE(after);  // the same zone
}

}  // namespace
}  // namespace kz7::test
