// Heating and cooling of zones to their set points, within capacity.
#include <gtest/gtest.h>

#include <cmath>

#include "kz7/control/SimulateX.h"
#include "kz7/model/ProfileGroup.h"
#include "kz7/output/EnergySlots.h"
#include "support/ModelText.h"

namespace kz7::test {
namespace {

std::string HeatedBox(double maxHeatW, double radiantFraction, const std::string& setPoint = "20") {
    ZoneText text;
    text.opaque = BoxWithoutGround();
    text.glazed = Window("GLZ", 6, 180);
    text.airflow = Air("I", "100", 0.5);
    return AlwaysOnUnit("Boiler", "B1") + HeaterDefinitionRecord("H", maxHeatW, radiantFraction) +
           ZoneWithEmitters(text, HeaterLines("H", setPoint));
}

TEST(ZoneEmitters, IdealHeaterHoldsTheSetPointAndDeliversTheSteadyLoss) {
    PlantEngine engine(HeatedBox(1e6, 0.0));
    ASSERT_TRUE(engine.errors.empty()) << engine.errors.front();
    engine.state.settings.emitterControlValue = 0.0f;  // control on air temperature
    engine.SetWeather(-5.0f);
    engine.StartRun();
    engine.RunPlantDays(30);
    const Zone& zone = engine.zone("1");
    const double loss = CircuitConductance(zone) * 25.0 / 1000.0;  // kW
    const float delivered = engine.state.energy.Get(EnergySlot::kHeatingDelivered);
    EXPECT_NEAR(zone.AirTemperature, 20.0f, 0.001f);
    EXPECT_NEAR(delivered, loss, 0.0006);
    EXPECT_NEAR(zone.step.PLNTHT1, loss, 0.006);
    // The zone's heating is rounded to 0.01 kW, the store's to 0.001 kW.
    EXPECT_NEAR(zone.step.PLNTHT1 * 100.0f, std::round(zone.step.PLNTHT1 * 100.0f), 1e-3f);
    EXPECT_NEAR(delivered * 1000.0f, std::round(delivered * 1000.0f), 1e-3f);
    EXPECT_NEAR(zone.stepValues.Value(static_cast<int32_t>(ZoneVariable::Heating)),
                zone.step.PLNTHT1, 1e-6f);
    // The boiler turns the unrounded load into fuel at 90 %.
    EXPECT_NEAR(engine.state.energy.Get(EnergySlot::kBoilerOutput), loss, 0.0006);
    EXPECT_NEAR(engine.state.energy.Get(EnergySlot::BoilerFuel(1)), loss / 0.9, 0.001);
    EXPECT_NEAR(zone.Duty(1), delivered * 1000.0f / 1e6f, 1e-6f);
}

// The output QPA asks for brings the control temperature to the set point
// in the very step, whatever the radiant shares of the control and emitter.
TEST(ZoneEmitters, RequiredOutputReachesTheSetPointInOneStep) {
    for (float rf : {0.0f, 0.5f, 1.0f}) {
        for (double r : {0.0, 0.4}) {
            PlantEngine engine(HeatedBox(1e6, r));
            engine.state.settings.emitterControlValue = rf;
            engine.SetWeather(0.0f);
            engine.StartRun();  // from 15 C
            engine.PlantStep();
            const Zone& zone = engine.zone("1");
            EXPECT_NEAR(engine.ControlTemperature(zone), 20.0f, 0.002f)
                << "rf " << rf << " r " << r;
            EXPECT_GT(zone.step.PLNTHT1, 0.0f);
            // Air and radiant temperatures differ on the way, so the control
            // mix really matters.
            if (r > 0.0) {
                EXPECT_GT(std::fabs(zone.step.Ta2 - zone.step.Tr2), 0.1f);
            }
        }
    }
}

// The emitters control on the options' control radiant fraction; the comfort
// weight beside it moves the comfort temperature and nothing else.
TEST(ZoneEmitters, ControlFractionSteersTheEmittersAndComfortWeightOnlyTheComfortTemperature) {
    struct Step {
        float heating, air, radiant, comfort;
    };
    // Warm air over cold walls: a convective gain lifts the air above the
    // 20 C set point while the walls stay near the 15 C they start from.
    auto firstStep = [](float control, float comfort) {
        ZoneText text;
        text.opaque = BoxWithoutGround();
        text.gains = Gain(5000, 0.0);
        PlantEngine engine(AlwaysOnUnit("Boiler", "B1") + HeaterDefinitionRecord("H", 1e6, 0.0) +
                           ZoneWithEmitters(text, HeaterLines("H", "20")));
        engine.state.settings.emitterControlValue = control;
        engine.state.settings.resultStoreValue = comfort;
        engine.SetWeather(0.0f);
        engine.StartRun();
        engine.PlantStep();
        const Zone& zone = engine.zone("1");
        return Step{zone.step.PLNTHT1, zone.step.Ta2, zone.step.Tr2, zone.ComfortTemperature};
    };
    for (float comfort : {0.0f, 1.0f}) {
        const Step onAir = firstStep(0.0f, comfort);
        ASSERT_GT(onAir.air, 20.0f);
        ASSERT_LT(onAir.radiant, 20.0f);
        EXPECT_EQ(onAir.heating, 0.0f) << "comfort weight " << comfort;
        EXPECT_GT(firstStep(1.0f, comfort).heating, 0.0f) << "comfort weight " << comfort;
    }
    const Step airWeighted = firstStep(0.8f, 0.0f);
    const Step radiantWeighted = firstStep(0.8f, 1.0f);
    EXPECT_GT(airWeighted.heating, 0.0f);
    EXPECT_EQ(airWeighted.heating, radiantWeighted.heating);
    EXPECT_EQ(airWeighted.air, radiantWeighted.air);
    EXPECT_EQ(airWeighted.radiant, radiantWeighted.radiant);
    EXPECT_EQ(airWeighted.comfort, airWeighted.air);
    EXPECT_EQ(radiantWeighted.comfort, radiantWeighted.radiant);
}

TEST(ZoneEmitters, CapacityShortOfTheLoadRunsFlatOutBelowTheSetPoint) {
    PlantEngine engine(HeatedBox(300.0, 0.3));
    engine.SetWeather(-5.0f);
    engine.StartRun();
    engine.RunPlantDays(10);
    const Zone& zone = engine.zone("1");
    EXPECT_FLOAT_EQ(zone.step.PLNTHT1, 0.3f);
    EXPECT_FLOAT_EQ(zone.Duty(1), 1.0f);
    EXPECT_FLOAT_EQ(engine.state.energy.Get(EnergySlot::kHeatingDelivered), 0.3f);
    EXPECT_LT(engine.ControlTemperature(zone), 19.0f);
}

// Two zones whose second emitter follows the first's sensor: the follower's
// output shows whether its own mode selection turned it on.
struct FollowerZones {
    PlantEngine engine;
    explicit FollowerZones(const std::string& heaterTimer = "100")
        : engine(AlwaysOnUnit("Boiler", "B1", heaterTimer) + AlwaysOnUnit("Chiller", "C1") +
                 HeaterDefinitionRecord("H", 2000, 0.0) + CoolerDefinitionRecord("C", 2.0, 0.0) +
                 ZoneWithEmitters(Box("1"), HeaterLines("H", "20") + CoolerLines("C", "24")) +
                 ZoneWithEmitters(Box("2"), HeaterLines("H", "20") + CoolerLines("C", "24"))) {
        engine.StartRun();
        engine.PlantStep();
        Zone& follower = engine.zone("2");
        follower.Heater->SensorZone = &engine.zone("1");
        follower.Cooler->SensorZone = &engine.zone("1");
    }
    static ZoneText Box(const std::string& key) {
        ZoneText text;
        text.key = key;
        text.opaque = BoxWithoutGround();
        return text;
    }
    // The follower's emitters at control temperature `tc`, the sensor zone at 40 % duty.
    float FollowerOutput(float tc) {
        Zone& follower = engine.zone("2");
        engine.zone("1").SetDuty(1, 0.4f);
        engine.zone("1").SetDuty(2, 0.4f);
        follower.step.Ta2 = follower.step.Tr2 = tc;
        follower.step.PLNTHT1 = follower.step.PLNTHT2 = 0.0f;
        follower.SolveEmitters();
        return follower.step.PLNTHT1 + follower.step.PLNTHT2;
    }
};

TEST(ZoneEmitters, SetPointsAreInclusiveAndATimerOfFiftySwitchesEmittersOff) {
    FollowerZones zones;
    EXPECT_FLOAT_EQ(zones.FollowerOutput(20.0f), 0.8f);    // at the heating set point: heats
    EXPECT_FLOAT_EQ(zones.FollowerOutput(20.001f), 0.0f);  // between the set points: off
    EXPECT_FLOAT_EQ(zones.engine.zone("2").Duty(1), 0.0f);
    EXPECT_FLOAT_EQ(zones.FollowerOutput(24.0f), -0.8f);  // at the cooling set point: cools
    EXPECT_FLOAT_EQ(zones.engine.zone("2").Duty(2), 0.4f);

    // The boiler itself still runs at 50: its booking is checked with the plant.
    FollowerZones timed("50");
    EXPECT_FLOAT_EQ(timed.FollowerOutput(15.0f), 0.0f);
}

TEST(ZoneEmitters, CoolerHoldsItsSetPointAndBooksTheChiller) {
    ZoneText text;
    text.opaque = BoxWithoutGround();
    text.gains = Gain(3000, 0.0);
    PlantEngine engine(AlwaysOnUnit("Chiller", "C1", "100", "0") +
                       CoolerDefinitionRecord("C", 50.0, 0.2) +
                       ZoneWithEmitters(text, CoolerLines("C", "24")));
    engine.SetWeather(20.0f);
    engine.StartRun();
    engine.RunPlantDays(10);
    const Zone& zone = engine.zone("1");
    EXPECT_NEAR(engine.ControlTemperature(zone), 24.0f, 0.002f);
    const BuildingEnergyStore& store = engine.state.energy;
    EXPECT_LT(zone.step.PLNTHT2, 0.0f);
    EXPECT_NEAR(store.Get(EnergySlot::kCoolingDelivered), -zone.step.PLNTHT2, 0.006f);
    EXPECT_NEAR(store.Get(EnergySlot::kNetHeating), zone.step.PLNTHT2, 0.006f);
    EXPECT_NEAR(store.Get(EnergySlot::kChillerOutput), store.Get(EnergySlot::kCoolingDelivered),
                0.0006f);
    EXPECT_NEAR(store.Get(EnergySlot::ChillerFuel(1, 0)), store.Get(EnergySlot::kChillerOutput),
                1e-6f);
}

TEST(ZoneEmitters, PeaksComeFromTheLastDesignDayOrOccupiedSteps) {
    // Heat loss: colder early days must not set the peak.
    PlantEngine loss(HeatedBox(1e6, 0.0));
    RunClock& clock = loss.state.clock;
    clock.heatLossRun = true;
    clock.heatLossDesignDays = 50;
    loss.StartRun();
    loss.SetWeather(-10.0f);
    loss.RunPlantDays(49);
    EXPECT_EQ(loss.zone("1").PeakHeatingLoad, 0.0);
    const double coldDayLoad = loss.zone("1").step.PLNTHT1;
    loss.SetWeather(-2.0f);
    loss.RunPlantDays(1, 50);
    const Zone& lossZone = loss.zone("1");
    // Above the steady loss of day 50 (the mass is still cold from the days
    // before) but below the loads of those colder days.
    EXPECT_GT(lossZone.PeakHeatingLoad, CircuitConductance(lossZone) * 22.0 / 1000.0);
    EXPECT_LT(lossZone.PeakHeatingLoad, coldDayLoad - 0.1);

    // Heat gain: cooling peaks on day 15 only.
    ZoneText text;
    text.opaque = BoxWithoutGround();
    text.gains = Gain(2000, 0.0);
    text.airflow = Air("I", "100", 3.0);
    PlantEngine gain(AlwaysOnUnit("Chiller", "C1") + CoolerDefinitionRecord("C", 50.0, 0.0) +
                     ZoneWithEmitters(text, CoolerLines("C", "24")));
    gain.state.clock.heatGainRun = true;
    gain.state.clock.heatGainDesignDays = 15;
    gain.StartRun();
    gain.SetWeather(35.0f);
    gain.RunPlantDays(14);
    EXPECT_EQ(gain.zone("1").PeakCoolingLoad, 0.0);
    const double hotDayLoad = -gain.zone("1").step.PLNTHT2;
    gain.SetWeather(25.0f);
    gain.RunPlantDays(1, 15);
    EXPECT_GT(gain.zone("1").PeakCoolingLoad,
              2.0 + CircuitConductance(gain.zone("1")) * 1.0 / 1000.0);
    EXPECT_LT(gain.zone("1").PeakCoolingLoad, hotDayLoad - 0.1);

    // Ordinary runs: only occupied steps count.
    PlantEngine annual(HeatedBox(1e6, 0.0));
    annual.StartRun();
    annual.SetWeather(-5.0f);
    Zone& zone = annual.zone("1");
    zone.OCONOF = 0;
    annual.PlantStep();
    EXPECT_GT(zone.step.PLNTHT1, 0.0f);
    EXPECT_EQ(zone.PeakHeatingLoad, 0.0);
    zone.OCONOF = 1;
    annual.PlantStep();
    EXPECT_NEAR(zone.PeakHeatingLoad, zone.step.PLNTHT1, 0.006);
}

TEST(ZoneEmitters, IntermittentHeatLossRunHeatsFromPreheatToEndOfOccupancyWithTheTrialOutput) {
    PlantEngine engine(HeatedBox(1e6, 0.0));
    ProcessSettings& settings = engine.state.settings;
    settings.intermittent = true;
    settings.startOcc = 8.0f;
    settings.endOcc = 18.0f;
    settings.preheat = 2.0f;
    engine.state.clock.heatLossRun = true;
    engine.SetWeather(-5.0f);
    engine.StartRun();
    Zone& zone = engine.zone("1");
    zone.PreheatTrial = 400.0f;  // W, the output being sized
    engine.state.clock.day = 1;
    float heatedHours = 0.0f;
    for (int h = 0; h < 24; ++h)
        for (int s = 0; s < 6; ++s) {
            engine.state.clock.hour = h + 1;
            engine.state.clock.decimalHour = static_cast<float>(h) + (s + 0.5f) / 6.0f;
            engine.PlantStep();
            const bool heated = h >= 6 && h < 18;
            if (heated) {
                EXPECT_FLOAT_EQ(zone.step.PLNTHT1, 0.4f) << "hour " << h;
                EXPECT_FLOAT_EQ(zone.Duty(1), 1.0f);
                heatedHours += 1.0f / 6.0f;
            } else {
                EXPECT_EQ(zone.step.PLNTHT1, 0.0f) << "hour " << h;
            }
        }
    EXPECT_NEAR(heatedHours, 12.0f, 1e-4f);
}

// Through the control: the steady heat-loss design run stores no heat in the
// zone, heats it to its set point and keeps the peak of its last day.
TEST(ZoneEmitters, HeatLossRunThroughTheControlHeatsAndKeepsThePeak) {
    Engine engine("");
    SimulateX control(engine.state);
    control.SetInputData(Library() + HeatedBox(1e6, 0.0));
    ASSERT_TRUE(control.ReadInputData());
    engine.state.settings.emitterControlValue = 0.0f;  // control on air temperature
    control.HeatLoss();
    ASSERT_FALSE(engine.state.engine->Cancelled);
    EXPECT_EQ(engine.state.clock.day, 50);
    const Zone& zone = engine.zone("1");
    EXPECT_EQ(zone.CM, 1e-07f);
    EXPECT_EQ(zone.K23, 0.0f);
    EXPECT_NEAR(zone.AirTemperature, 20.0f, 0.001f);
    EXPECT_GT(zone.step.PLNTHT1, 0.5f);
    EXPECT_GE(zone.PeakHeatingLoad, zone.step.PLNTHT1 - 0.005);
}

}  // namespace
}  // namespace kz7::test
