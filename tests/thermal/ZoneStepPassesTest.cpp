// The zone set works each zone's step in one pass: its step starts in its
// own turn or that of a zone whose partitions add to its sums, and it is
// solved right after its gains unless a later zone's gains read it or its
// emitters follow a later zone. Across partitions, air between zones and
// emitters that follow another zone this must give exactly what starting
// every zone first, then all gains, then all solutions gives.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <string>
#include <vector>

#include "kz7/output/EnergySlots.h"
#include "support/ModelText.h"

namespace kz7::test {
namespace {

// Zone 1's partitions couple zone 2 (zone 2 starts in zone 1's turn), and
// zone 1 takes air from the later zone 3. Each of three couplings holds a
// zone's solution back by one turn: zone 2 takes air from zone 1, zone 4's
// glazing adds to zone 3's sums, zone 5's heater follows zone 6's duty.
std::string CoupledZones() {
    const std::string heater = HeaterLines("H", "21");
    ZoneText one;
    one.key = "1";
    one.opaque = BoxElements() + Opaque("P", "PART", 12, 3, 0, 90, "2") + Opaque("P", "LPART", 6, 3, 0, 90, "2");
    one.glazed = Window("GLZ", 4, 180);
    one.airflow = Air("I", "100", 0.5) + Air("A", "100", 1.0, "3,3");
    one.gains = Gain(900, 0.4);
    ZoneText two;
    two.key = "2";
    two.opaque = Opaque("W", "WALL", 20, 1, 0, 90) + Opaque("P", "PART", 12, 3, 0, 90, "1") +
                 Opaque("P", "LPART", 6, 3, 0, 90, "1");
    two.airflow = Air("A", "100", 2.0, "3,1");
    ZoneText three;
    three.key = "3";
    three.opaque = BoxWithoutGround();
    ZoneText four;
    four.key = "4";
    four.opaque = BoxWithoutGround();
    four.glazed = Window("GLZ", 6, 90) + Glazed("G", "GLZ", 3, 6, 0, 90, "-1,3");
    ZoneText five;
    five.key = "5";
    five.opaque = BoxElements();
    five.gains = Gain(300, 0.2);
    ZoneText six;
    six.key = "6";
    six.opaque = BoxWithoutGround();
    std::string zones;
    for (ZoneText* zone : {&one, &two, &three, &four, &five, &six}) {
        zone->emitters = heater;
        zones += ZoneRecord(*zone);
    }
    return AlwaysOnUnit("Boiler", "B1") + HeaterDefinitionRecord("H", 1500, 0.3) + zones;
}

const char* const kZones[] = {"1", "2", "3", "4", "5", "6"};

std::vector<uint32_t> StepState(Engine& engine) {
    std::vector<uint32_t> bits;
    for (const char* key : kZones) {
        const Zone& zone = engine.zone(key);
        for (const float value : {zone.Ta2, zone.Te2, zone.Tm2, zone.Tr2, zone.GISP2, zone.SIGKTP, zone.SIGKP,
                                  static_cast<float>(zone.MaxAirTemperature), static_cast<float>(zone.MinComfortTemperature),
                                  zone.PLNTHT1, zone.Duty(1)})
            bits.push_back(std::bit_cast<uint32_t>(value));
        for (const float flow : zone.elements.StepFlows()) bits.push_back(std::bit_cast<uint32_t>(flow));
    }
    for (const int32_t slot : {EnergySlot::kHeatingDelivered, EnergySlot::kNetHeating})
        bits.push_back(std::bit_cast<uint32_t>(engine.state.energy.Get(slot)));
    return bits;
}

TEST(ZoneStepPasses, OnePassOverTheZonesChangesNoBit) {
    Engine fused(CoupledZones());
    Engine separate(CoupledZones());
    for (Engine* engine : {&fused, &separate}) {
        engine->zone("5").Heater->SensorZone = &engine->zone("6");
        engine->Start();
    }
    EXPECT_EQ(fused.state.zones->StepPlan().solvesInTurn, (std::vector<uint32_t>{0, 2, 0, 2, 0, 2}));
    for (int step = 0; step < 200; ++step) {
        const float toa = 2.0f + 0.05f * static_cast<float>(step);
        for (Engine* engine : {&fused, &separate})
            engine->SetWeather(toa, 0.4f, 2.8f + 0.002f * static_cast<float>(step), 400.0f, 90.0f, 3);
        fused.Step();
        for (Zone& zone : *separate.state.zones) zone.InitTimeStep();
        for (Zone& zone : *separate.state.zones) {
            zone.SolveGains();
            zone.Acum();
        }
        for (Zone& zone : *separate.state.zones) zone.SolveKZ7();
        for (Zone& zone : *separate.state.zones) zone.EndStep();
        ASSERT_EQ(StepState(fused), StepState(separate)) << "step " << step;
    }
    // The couplings carry something: the partitions, the glazing, zone 6's heating.
    EXPECT_NE(fused.zone("2").SIGKP, 0.0f);
    EXPECT_NE(fused.zone("3").SIGKP, 0.0f);
    EXPECT_GT(fused.zone("6").Duty(1), 0.0f);
}

}  // namespace
}  // namespace kz7::test
