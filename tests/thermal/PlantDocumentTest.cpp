// The plant example of docs/plant.md reads and runs, so the page and the
// engine cannot drift apart.
#include <gtest/gtest.h>

#include <string>

#include "TestSupport.h"
#include "kz7/output/EnergySlots.h"
#include "support/ModelText.h"

namespace kz7::test {
namespace {

// The first fenced block of the page, with its elided zone body filled in.
std::string DocumentedPlant() {
    const std::string text = ReadFile(KZ7_SOURCE_DIR "/docs/plant.md");
    const size_t start = text.find("```\n") + 4;
    std::string block = text.substr(start, text.find("```", start) - start);
    ZoneText zone;
    zone.opaque = BoxWithoutGround();
    zone.airflow = Air("I", "100", 0.5);
    const std::string record = ZoneRecord(zone);
    const std::string elided = "Zone,1\n...\n";
    const size_t at = block.find(elided);
    if (at == std::string::npos) return "";
    return block.replace(at, elided.size(), record.substr(0, record.size() - 2));
}

TEST(PlantDocument, ExampleReadsAndRunsWithTheDocumentedFigures) {
    const std::string model = DocumentedPlant();
    ASSERT_FALSE(model.empty());
    PlantEngine engine(model);
    EXPECT_TRUE(engine.errors.empty()) << engine.errors.front();
    engine.SetWeather(-3.0f);
    engine.StartRun();
    EXPECT_TRUE(engine.errors.empty()) << engine.errors.front();
    engine.RunPlantDays(3);
    const BuildingEnergyStore& store = engine.state.energy;
    const Zone& zone = engine.zone("1");
    // Radiators hold 21 C; the secondary heater (set point 19) stays off.
    EXPECT_NEAR(engine.ControlTemperature(zone), 21.0f, 0.002f);
    EXPECT_EQ(zone.stepValues.Value(static_cast<int32_t>(ZoneVariable::SecondaryHeating)), 0.0f);
    // The boiler carries the radiators and 20 % of 3 kW of hot water, with
    // 5 % distribution and 1 % of 24 kW standing losses.
    const float load = (store.Get(EnergySlot::kHeatingDelivered) + 0.6f) * 1.05f + 0.24f;
    EXPECT_NEAR(store.Get(EnergySlot::kBoilerOutput), load, 0.002f);
    EXPECT_GT(store.Get(EnergySlot::BoilerFuel(1)),
              load / 0.92f);  // the part-load curve costs a little
    EXPECT_LT(store.Get(EnergySlot::BoilerFuel(1)), load / 0.92f / 0.85f);
    EXPECT_NEAR(store.Get(EnergySlot::kAuxiliaryElectricity), 0.15f + 0.4f, 1e-6f);

    // Hot days: the fan coils cool, the chiller at a COP of 3.
    engine.SetWeather(32.0f);
    engine.RunPlantDays(10);
    EXPECT_NEAR(engine.ControlTemperature(zone), 24.0f, 0.002f);
    const float cooling = store.Get(EnergySlot::kChillerOutput);
    EXPECT_GT(cooling, 0.0f);
    EXPECT_NEAR(store.Get(EnergySlot::ChillerFuel(1, 1)), cooling / 3.0f, 1e-5f);
}

}  // namespace
}  // namespace kz7::test
