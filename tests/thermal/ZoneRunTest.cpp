// Whole runs of free-running zones through the control.
#include <gtest/gtest.h>

#include <cmath>
#include <map>

#include "kz7/control/SimulateX.h"
#include "support/ModelText.h"

namespace kz7::test {
namespace {

std::string TwoZones() {
    ZoneText office;
    office.opaque = BoxElements() + Opaque("P", "PART", 15, 3, 0, 90, "2");
    office.glazed = Window("GLZ", 6, 180);
    office.airflow = Air("I", "100", 0.5);
    office.gains = Gain(800, 0.4);
    ZoneText store;
    store.key = "2";
    store.opaque = BoxElements() + Opaque("P", "PART", 15, 3, 0, 90, "1");
    store.airflow = Air("I", "100", 0.3);
    return ZoneRecord(office) + ZoneRecord(store);
}

// The two zones on the Denver weather file, read through the control.
bool ReadTwoZones(SimulateX& control) {
    control.SetSupportFilePath(KZ7_TEST_DATA);
    control.SetInputData(Library() + TwoZones() + "SimulationWeather\nUSA_CO_Denver.Intl.AP.725650_TMY3,4\nEnd\n");
    return control.ReadInputData();
}

TEST(ZoneRun, AnnualRunSendsEachZoneItsSummary) {
    Engine engine("");
    SimulateX control(engine.state);
    ASSERT_TRUE(ReadTwoZones(control));
    ASSERT_EQ(engine.state.zones->Count(), 2);
    std::map<int32_t, ValueArray> summaries;
    control.SaveSSData = [&](int16_t& interval, int32_t& zone, ValueArray& values, double&) {
        if (interval == 6) summaries[zone] = values;
    };
    engine.state.clock.SetTimeStep(10);
    engine.state.clock.period = SimulationPeriod{1, 1, 0, 31, 1, 0};
    control.Simulate();
    EXPECT_FALSE(engine.state.engine->Cancelled);
    ASSERT_EQ(summaries.size(), 2u);
    for (const auto& [zone, values] : summaries) {
        ASSERT_EQ(values.size(), 8u) << zone;
        const double maxAir = std::stod(values[3]);
        const double minAir = std::stod(values[6]);
        EXPECT_LE(minAir, maxAir);
        EXPECT_GT(minAir, 2.0);  // gains and sun keep every zone above the outdoor air
        EXPECT_LT(maxAir, 60.0);
    }
    EXPECT_GT(std::stod(summaries[1][3]), std::stod(summaries[2][3]));  // the office has the gains
}

TEST(ZoneRun, SteadyHeatLossRunSettlesWithoutGains) {
    Engine engine("");
    SimulateX control(engine.state);
    ASSERT_TRUE(ReadTwoZones(control));
    engine.SetWeather(-3.0f);
    control.HeatLoss();
    EXPECT_FALSE(engine.state.engine->Cancelled);
    const Zone& office = engine.zone("1");
    EXPECT_EQ(office.CM, 1e-07f);  // no stored heat in a steady design run
    EXPECT_EQ(office.K23, 0.0f);
    // Gains count for nothing in a heat-loss run: both zones free-float to
    // the outdoor air but for the ground below them.
    EXPECT_TRUE(std::isfinite(office.AirTemperature));
    EXPECT_LT(office.AirTemperature, 10.0f);
    EXPECT_GT(office.AirTemperature, -3.0f);
}

}  // namespace
}  // namespace kz7::test
