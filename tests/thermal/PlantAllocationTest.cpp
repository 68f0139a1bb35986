// Emitters and plant allocate nothing within a time step.
#include <gtest/gtest.h>

#include "AllocationProbe.h"
#include "kz7/model/ProfileGroup.h"
#include "thermal/EmitterTestModel.h"

namespace kz7::test {
namespace {

TEST(PlantAllocation, HeatedAndCooledStepsAllocateNothing) {
    ZoneText text;
    text.opaque = BoxWithoutGround();
    text.gains = Gain(800, 0.3);
    PlantEngine engine("Profile,PL\n60,0\n100,1\n}\n" + AlwaysOnUnit("Boiler", "B1") +
                       AlwaysOnUnit("Chiller", "C1") + HeaterDefinitionRecord("H", 3000, 0.3) +
                       CoolerDefinitionRecord("C", 3.0, 0.2) + "DHW\n2,50,B1\n-\n" +
                       ZoneWithEmitters(text, HeaterLines("H", "20") + CoolerLines("C", "24") +
                                                  "SecondaryHeater\nH,-5,15,0.5,19,B1\nEnd\n"));
    ASSERT_TRUE(engine.errors.empty()) << engine.errors.front();
    engine.StartRun();
    engine.SetWeather(-5.0f);
    engine.PlantStep();  // first use of everything outside the count
    AllocationProbe probe;
    Zone& zone = engine.zone("1");
    for (int i = 0; i < 10; ++i) engine.PlantStep();
    const float heating = zone.PLNTHT1;
    // Set points that make the same zone call for cooling.
    zone.Heater->OperationPG->StaticValue = 5.0f;
    zone.Cooler->OperationPG->StaticValue = 15.0f;
    for (int i = 0; i < 10; ++i) engine.PlantStep();
    EXPECT_EQ(probe.Count(), 0);
    EXPECT_GT(heating, 0.0f);
    EXPECT_LT(zone.PLNTHT2, 0.0f);
}

}  // namespace
}  // namespace kz7::test
