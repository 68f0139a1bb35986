// Zones built from input that makes no physical sense: the run ends or goes
// on as the engine says, never with a crash, a hang or a temperature that is
// not a number.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "kz7/model/Element.h"
#include "support/ModelText.h"

namespace kz7::test {
namespace {

void ExpectFinite(const Zone& zone) {
    EXPECT_TRUE(std::isfinite(zone.AirTemperature)) << zone.Key;
    EXPECT_TRUE(std::isfinite(zone.RadiantTemperature)) << zone.Key;
    EXPECT_TRUE(std::isfinite(zone.ComfortTemperature)) << zone.Key;
    EXPECT_TRUE(std::isfinite(zone.step.Tm2)) << zone.Key;
}

// Zones side by side in one run, each with one fault: none may stop the run
// or another zone.
TEST(ZoneBadInput, ZonesWithoutElementsMassPartnerOrSensibleAirSettle) {
    ZoneText empty;
    ZoneText airOnly;
    airOnly.key = "2";
    airOnly.airflow = Air("I", "100", 1.0);
    ZoneText massless;
    massless.key = "3";
    massless.opaque = Opaque("W", "LIGHT", 40, 1, 0, 90) + Opaque("W", "LIGHT", 40, 1, 180, 90) +
                      Opaque("P", "LPART", 10, 3, 0, 90, "3");
    massless.glazed = Window("GLZ", 4, 180);
    massless.airflow = Air("I", "100", 0.5);
    ZoneText orphan;  // partitions to a zone that does not exist
    orphan.key = "4";
    orphan.opaque = Opaque("W", "WALL", 20, 1, 0, 90) + Opaque("P", "PART", 15, 3, 0, 90, "9") +
                    Opaque("P", "LPART", 5, 3, 0, 90, "9");
    orphan.gains = Gain(300, 0.5);
    ZoneText swept;
    swept.key = "5";
    swept.opaque = BoxElements();
    swept.airflow = Air("I", "100", 1e7) + Air("V", "100", -5) + Air("I", "100", 1e40);
    Engine engine(ZoneRecord(empty) + ZoneRecord(airOnly) + ZoneRecord(massless) +
                  ZoneRecord(orphan) + ZoneRecord(swept));
    EXPECT_TRUE(Mentions(engine.errors, "Zone 1 has no elements"));
    EXPECT_TRUE(Mentions(engine.errors, "Airflow V in zone 5 has an invalid rate"));
    EXPECT_EQ(engine.state.zones->CheckReferences(), 2);
    engine.Start();
    EXPECT_EQ(engine.zone("3").SUMC, 0.0f);
    EXPECT_LT(engine.zone("3").K1, 1e-10f);
    EXPECT_EQ(engine.zone("4").elements.Item(2).AdjacentZone, nullptr);
    engine.RunDays(5);
    EXPECT_FALSE(engine.state.engine->Cancelled);
    for (const char* key : {"1", "2", "3", "4", "5"}) ExpectFinite(engine.zone(key));
    EXPECT_NEAR(engine.zone("1").AirTemperature, 15.0f, 1e-3f);  // nothing couples it to anything
    EXPECT_NEAR(engine.zone("2").AirTemperature, 5.0f, 1e-3f);   // only outdoor air reaches it
    EXPECT_NEAR(engine.zone("3").AirTemperature, 5.0f, 0.01f);
    EXPECT_GT(engine.zone("4").AirTemperature, 5.0f);
    EXPECT_NEAR(engine.zone("5").AirTemperature, 5.0f, 0.01f);  // the outdoor air sweeps the zone
}

TEST(ZoneBadInput, ZeroAreaCancelsTheSetUp) {
    ZoneText text;
    text.opaque = Opaque("W", "WALL", 20, 1, 0, 90) + Opaque("W", "WALL", 0, 1, 90, 90);
    ZoneText next = text;
    next.key = "2";
    Engine engine(ZoneRecord(text) + ZoneRecord(next));
    int progressCalls = 0;
    engine.state.message.onProgress = [&](float&) { ++progressCalls; };
    engine.Start();
    EXPECT_TRUE(engine.state.engine->Cancelled);
    EXPECT_EQ(std::count(engine.errors.begin(), engine.errors.end(), "Zero area setting up KZ7 circuits"), 1);
    EXPECT_EQ(std::count(engine.errors.begin(), engine.errors.end(),
                         "Element W (element 2 of zone 1) has area 0"),
              1);
    EXPECT_EQ(progressCalls, 1);  // the progress 0 only: the set-up stopped at the first zone
}

TEST(ZoneBadInput, NonPhysicalThirdNodeFitsAreHeld) {
    ZoneText text;
    text.opaque = BoxElements();
    text.glazed = Window("GLZ", 6, 180);
    Engine engine(ZoneRecord(text));
    engine.Start();
    Zone& zone = engine.zone("1");
    // Fits against circuits they cannot match (negative stored heat, a mass
    // path far stronger or weaker than the fabric, no circuit at all): the
    // third node is held to a small positive store and conductance, and the
    // zone then steps on its own circuit with finite temperatures.
    const float k1 = zone.K1, k2 = zone.K2, k5 = zone.K5, sumc = zone.SUMC, cm = zone.CM;
    const float cases[][4] = {{k1, k2, k5, -sumc}, {k1 * 1e6f, k2, k5, sumc}, {k1, k2 * 1e-6f, k5, sumc},
                              {k1, k2, k5 * 1e8f, sumc * 1e6f}, {1e-20f, 1e-20f, 1e-20f, 0.0f}};
    for (const auto& c : cases) {
        zone.K1 = c[0];
        zone.K2 = c[1];
        zone.K5 = c[2];
        zone.SUMC = c[3];
        zone.CM = cm;
        engine.state.clock.SetTimeStep(10);
        zone.CAL3RD();
        EXPECT_GE(zone.CM2, 1e-20f);
        EXPECT_GE(zone.K23, 1e-20f);
        EXPECT_TRUE(std::isfinite(zone.CM2) && std::isfinite(zone.K23) && std::isfinite(zone.CM));
        EXPECT_GT(zone.CM, 0.0f);
        EXPECT_GE(engine.state.clock.timeStep, 2);
        zone.K1 = k1;
        zone.K2 = k2;
        zone.K5 = k5;
        zone.SUMC = sumc;
        engine.RunDays(1);
        EXPECT_FALSE(engine.state.engine->Cancelled);
        ExpectFinite(zone);
        EXPECT_GT(zone.AirTemperature, 0.0f);
        EXPECT_LT(zone.AirTemperature, 20.0f);
    }
}

TEST(ZoneBadInput, RunawayPartitionMassCancelsTheRun) {
    ZoneText text;
    text.opaque = Opaque("W", "WALL", 20, 1, 0, 90) + Opaque("S", "PART", 50, 5, 0, 180, "5000");
    Engine engine(ZoneRecord(text));
    engine.Start();
    engine.RunDays(30);
    EXPECT_TRUE(engine.state.engine->Cancelled);
    EXPECT_TRUE(Mentions(engine.errors, "partition mass temperature beyond 200"));
    EXPECT_LE(std::fabs(engine.zone("1").elements.Item(2).TMPart()), 5000.0f);
    ExpectFinite(engine.zone("1"));
}

}  // namespace
}  // namespace kz7::test
