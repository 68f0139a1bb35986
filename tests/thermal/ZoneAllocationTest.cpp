// A time step of the zones allocates nothing: the run loop's cost is the
// physics, not the heap.
#include <gtest/gtest.h>

#include "AllocationProbe.h"
#include "support/ModelText.h"

namespace kz7::test {
namespace {

TEST(ZoneAllocation, StepsAllocateNothing) {
    ZoneText a;
    a.key = "1";
    a.opaque = BoxElements() + Opaque("P", "PART", 12, 3, 0, 90, "2") + Opaque("P", "LPART", 6, 3, 0, 90, "2");
    a.glazed = Window("GLZL", 4, 180, 2) + Window("GLZ", 3, 90);
    a.airflow = Air("I", "100", 0.5) + Air("M", "100", 2.0) + Air("A", "100", 1.0, "3,2");
    a.gains = Gain(500, 0.4);
    ZoneText b;
    b.key = "2";
    b.opaque = Opaque("W", "WALL", 20, 1, 0, 90) + Opaque("P", "PART", 12, 3, 0, 90, "1") +
               Opaque("P", "LPART", 6, 3, 0, 90, "1");
    Engine engine(ZoneRecord(a) + ZoneRecord(b));
    engine.state.settings.doShading = true;
    const ShadingData::FactorsHandler answer = [](int32_t&, float& direct, float&) { direct = 0.8f; };
    engine.state.shadingData.Listen(&answer, nullptr);
    engine.Start();
    engine.SetWeather(8.0f, 0.4f, 2.8f, 500.0f, 90.0f, 3);
    engine.Step();  // first use of everything outside the count
    AllocationProbe probe;
    for (int i = 0; i < 50; ++i) {
        engine.SetWeather(8.0f + 0.1f * i, 0.4f, 2.8f + 0.01f * i, 500.0f, 90.0f, 3);
        engine.Step();
    }
    EXPECT_EQ(probe.Count(), 0);
    EXPECT_GT(engine.zone("1").step.SolarGainKW, 0.0f);
}

}  // namespace
}  // namespace kz7::test
