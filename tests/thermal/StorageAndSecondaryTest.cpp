// Storage heaters, weather-compensated secondary emitters and emitters with
// faulty definitions.
#include <gtest/gtest.h>

#include <cmath>

#include "kz7/output/EnergySlots.h"
#include "support/ModelText.h"

namespace kz7::test {
namespace {

// Storage heater: 2 kW release at full boost, radiant 0.3, 3 kW charge, core
// 5 MJ/K, turn-downs 0.5 (charge) and 0.2 (boost), core set point 300 C;
// full charge at 0 C outside falling to half at 15 C; full boost below 100 C.
std::string StorageZone(const std::string& chargeSchedule,
                        const std::string& thermalCapacity = "5e6") {
    ZoneText text;
    text.opaque = BoxWithoutGround();
    text.airflow = Air("I", "100", 0.5);
    return AlwaysOnUnit("Boiler", "B1", "100", "0") + "HeaterDefinition,S\n1,2000,0.3,3000," +
           thermalCapacity + ",0.5,0.2,300\nEnd\n" +
           ZoneWithEmitters(text, HeaterLines("S", chargeSchedule, "B1", ",0,15,100,300"));
}

TEST(StorageHeater, CoreFollowsChargeMinusReleaseAndChargingStopsAtTheChargeSetting) {
    PlantEngine engine(StorageZone("100"));
    ASSERT_TRUE(engine.errors.empty()) << engine.errors.front();
    engine.SetWeather(7.5f);  // charge setting 0.75: the core charges to 225 C
    engine.StartRun();
    Zone& zone = engine.zone("1");
    const Heater& heater = *zone.Heater;
    const Boiler& boiler = *engine.state.plant->boilers.Item("B1");
    EXPECT_FLOAT_EQ(heater.CoreTemperature, 15.0f);  // the run's initial temperature
    const double stepSeconds = engine.state.clock.timeStepSeconds;
    int charging = 0, steps = 0;
    float hottest = 0.0f;
    for (int day = 0; day < 20; ++day)
        for (int step = 0; step < 144; ++step) {
            const float before = heater.CoreTemperature;
            engine.PlantStep();
            ++steps;
            const float charge =
                boiler.SMPHTACUM * 1000.0f;  // W; the boiler carries only the charge
            const float released = engine.state.energy.Get(EnergySlot::kHeatingDelivered) * 1000.0f;
            // The core gives up exactly what the room receives.
            ASSERT_NEAR((heater.CoreTemperature - before) * 5e6 / stepSeconds, charge - released,
                        1.5)
                << "day " << day << " step " << step;
            if (charge > 0.0f) {
                ++charging;
                EXPECT_FLOAT_EQ(charge, 3000.0f);
                EXPECT_LT(before, 0.75f * 300.0f);
            }
            hottest = std::max(hottest, heater.CoreTemperature);
        }
    EXPECT_GT(charging, 0);
    EXPECT_LT(charging, steps);
    EXPECT_LT(hottest, 225.0f + 0.4f);
    EXPECT_GT(heater.CoreTemperature, 220.0f);
    EXPECT_GT(zone.AirTemperature, 7.5f + 5.0f);  // the release heats the room
}

TEST(StorageHeater, OffScheduleNeverChargesAndTheHeatGainRunLeavesItOff) {
    PlantEngine engine(StorageZone("0"));
    engine.SetWeather(0.0f);
    engine.StartRun();
    engine.RunPlantDays(2);
    const Zone& zone = engine.zone("1");
    EXPECT_EQ(engine.state.plant->boilers.Item("B1")->SMPHTACUM, 0.0f);
    // The core gave its little heat to the cooling room.
    EXPECT_LT(zone.Heater->CoreTemperature, 15.0f);
    EXPECT_GT(zone.Heater->CoreTemperature, zone.AirTemperature);

    PlantEngine gain(StorageZone("100"));
    gain.state.clock.heatGainRun = true;
    gain.SetWeather(0.0f);
    gain.StartRun();
    gain.RunPlantDays(1);
    EXPECT_EQ(gain.zone("1").Heater->CoreTemperature, 15.0f);
    EXPECT_EQ(gain.zone("1").step.PLNTHT1, 0.0f);
}

TEST(SecondaryEmitters, CapacityFollowsTheOutdoorTemperatureAndCoolersWithoutPrimaryAreOrdinary) {
    ZoneText text;
    text.opaque = BoxWithoutGround();
    text.airflow = Air("I", "100", 0.5);
    PlantEngine engine(AlwaysOnUnit("Boiler", "B2") + HeaterDefinitionRecord("H", 400, 0.2) +
                       ZoneWithEmitters(text, "SecondaryHeater\nH,-5,15,0.5,20,B2\nEnd\n"));
    ASSERT_TRUE(engine.errors.empty()) << engine.errors.front();
    engine.StartRun();
    const Zone& zone = engine.zone("1");
    const Boiler& boiler = *engine.state.plant->boilers.Item("B2");
    // Below ToaMin the part-load capacity, then the line from full at ToaMin.
    for (auto [toa, watts] : {std::pair{-10.0f, 200.0f},
                              {-5.0f, 200.0f},
                              {-4.99f, 399.9f},
                              {5.0f, 300.0f},
                              {15.0f, 200.0f},
                              {15.01f, 0.0f}}) {
        engine.SetWeather(toa);
        engine.PlantStep();
        EXPECT_NEAR(zone.step.PLNTHT1, watts / 1000.0f, 1e-6f) << toa;
        EXPECT_NEAR(boiler.SMPHTACUM, watts / 1000.0f, 1e-6f) << toa;
        EXPECT_NEAR(zone.stepValues.Value(static_cast<int32_t>(ZoneVariable::SecondaryHeating)),
                    watts / 1000.0f, 1e-6f);
        EXPECT_EQ(zone.Duty(1), 0.0f);  // secondary emitters keep no duty
    }
    // Design runs leave secondary emitters alone.
    engine.state.clock.heatLossRun = true;
    engine.SetWeather(-10.0f);
    engine.PlantStep();
    EXPECT_EQ(zone.step.PLNTHT1, 0.0f);

    ZoneText warm;
    warm.opaque = BoxWithoutGround();
    warm.gains = Gain(3000, 0.0);
    PlantEngine cooled(AlwaysOnUnit("Chiller", "C2") + CoolerDefinitionRecord("C", 50.0, 0.2) +
                       ZoneWithEmitters(warm, "SecondaryCooler\nC,40,50,1,24,C2\nEnd\n"));
    cooled.SetWeather(25.0f);
    cooled.StartRun();
    cooled.RunPlantDays(3);
    const Zone& c = cooled.zone("1");
    EXPECT_NEAR(cooled.ControlTemperature(c), 24.0f, 0.002f);
    EXPECT_LT(c.step.PLNTHT2, 0.0f);
    EXPECT_NEAR(cooled.state.energy.Get(EnergySlot::kCoolingDelivered), -c.step.PLNTHT2, 1e-6f);
    EXPECT_NEAR(cooled.state.plant->chillers.Item("C2")->SMPHTACUM, -c.step.PLNTHT2, 1e-6f);
}

void ExpectFiniteStore(const EngineState& state) {
    for (int32_t slot = 1; slot <= BuildingEnergyStore::kSize; ++slot)
        EXPECT_TRUE(std::isfinite(state.energy.Get(slot))) << "slot " << slot;
}

TEST(EmitterBadInput, MissingReferencesLeaveEmittersOffWithAMessage) {
    ZoneText text;
    text.opaque = BoxWithoutGround();
    PlantEngine engine(AlwaysOnUnit("Boiler", "B1") + HeaterDefinitionRecord("H", 5000, 0.0) +
                       ZoneWithEmitters(text, HeaterLines("NODEF", "20") +
                                                  CoolerLines("NOCOOL", "24", "NOCHILL")));
    const std::vector<std::string> expected = {
        "Missing heater definition NODEF in heater of zone 1",
        "Missing cooler definition NOCOOL in cooler of zone 1",
        "Missing chiller NOCHILL in cooler of zone 1"};
    EXPECT_EQ(engine.errors, expected);
    engine.SetWeather(-5.0f);
    engine.StartRun();
    engine.RunPlantDays(1);
    EXPECT_EQ(engine.zone("1").step.PLNTHT1, 0.0f);

    // A heater without its boiler stays off in ordinary runs and heats, with
    // nothing to book on, in the heat-loss run.
    PlantEngine noBoiler(HeaterDefinitionRecord("H", 5000, 0.0) +
                         ZoneWithEmitters(text, HeaterLines("H", "20", "NOBOILER")));
    EXPECT_EQ(noBoiler.errors,
              std::vector<std::string>{"Missing boiler NOBOILER in heater of zone 1"});
    noBoiler.SetWeather(-5.0f);
    noBoiler.StartRun();
    noBoiler.PlantStep();
    EXPECT_EQ(noBoiler.zone("1").step.PLNTHT1, 0.0f);
    noBoiler.state.clock.heatLossRun = true;
    noBoiler.PlantStep();
    EXPECT_GT(noBoiler.zone("1").step.PLNTHT1, 0.0f);
    ExpectFiniteStore(noBoiler.state);
}

TEST(EmitterBadInput, UnsoundDefinitionsGiveNoHeatOrAMessageAndNeverANonNumber) {
    // Zones 1, 2 and 3 with heaters NEG, ALLRADIANT and TYPE3.
    std::string zones;
    const char* definitions[] = {"NEG", "ALLRADIANT", "TYPE3"};
    for (int i = 0; i < 3; ++i) {
        ZoneText zone;
        zone.key = std::to_string(i + 1);
        zone.opaque = BoxWithoutGround();
        zone.emitters = HeaterLines(definitions[i], "20");
        zones += zone.Text();
    }
    PlantEngine engine(AlwaysOnUnit("Boiler", "B1") + HeaterDefinitionRecord("NEG", -3000, 0.0) +
                       HeaterDefinitionRecord("ALLRADIANT", 1e6, 1.0) +
                       "HeaterDefinition,TYPE3\n3,1e6,0\nEnd\n" + zones);
    ASSERT_TRUE(engine.errors.empty());
    engine.SetWeather(-5.0f);
    engine.StartRun();
    const std::vector<std::string> expected = {
        "Heater definition TYPE3 has heater type 3 (0 or 1) and gives no heat",
        "Heater definition ALLRADIANT has a radiant fraction of 1; it is used as 0.99",
    };
    EXPECT_EQ(engine.errors, expected);
    engine.RunPlantDays(1);
    // A negative capacity gives nothing rather than cooling.
    EXPECT_EQ(engine.zone("1").step.PLNTHT1, 0.0f);
    EXPECT_EQ(engine.zone("1").step.PLNTHT2, 0.0f);
    // Nearly all radiant: holds the set point with finite output.
    EXPECT_NEAR(engine.ControlTemperature(engine.zone("2")), 20.0f, 0.002f);
    EXPECT_TRUE(std::isfinite(engine.zone("2").step.PLNTHT1));
    EXPECT_EQ(engine.zone("3").step.PLNTHT1, 0.0f);
    ExpectFiniteStore(engine.state);

    // A storage heater without thermal capacity neither charges nor releases.
    PlantEngine storage(StorageZone("100", "0"));
    storage.StartRun();
    EXPECT_EQ(storage.errors,
              std::vector<std::string>{"Heater definition S is a storage heater without a positive "
                                       "thermal capacity and core set point; it neither charges "
                                       "nor releases heat"});
    storage.RunPlantDays(1);
    EXPECT_EQ(storage.zone("1").step.PLNTHT1, 0.0f);
    EXPECT_EQ(storage.state.plant->boilers.Item("B1")->SMPHTACUM, 0.0f);
    EXPECT_EQ(storage.zone("1").Heater->CoreTemperature, 15.0f);
    ExpectFiniteStore(storage.state);
}

}  // namespace
}  // namespace kz7::test
