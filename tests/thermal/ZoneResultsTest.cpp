// A zone's step values as it files them for the result store, its gains'
// energy in the building energy store, and its temperature bands.
#include <gtest/gtest.h>

#include <cmath>

#include "kz7/output/EnergySlots.h"
#include "kz7/output/ResultStores.h"
#include "kz7/weather/Psychrometrics.h"
#include "kz7/weather/Weather.h"
#include "support/ModelText.h"

namespace kz7::test {
namespace {

float Value(const Zone& zone, ZoneVariable variable) {
    return zone.stepValues.Value(static_cast<int32_t>(variable));
}

// Each sum takes its flows in element order: with flows whose sums depend
// on the order, it has the bits of adding them up in turn.
void ExpectFlowsSummedInElementOrder(Zone& zone) {
    zone.elements.ClearStepFlows();
    float large = 3e7f;
    for (const auto& element : zone.elements) {
        const bool even = element->Position % 2 == 0;
        zone.elements.AddStepFlow(*element, even ? large : 1.25f);
        if (even) large *= -1.5f;
    }
    zone.FileStepValues();
    float orderedWalls = 0.0f, orderedFabric = 0.0f, orderedAir = 0.0f;
    for (const auto& element : zone.elements) {
        (element->Kind() == 'A' ? orderedAir : orderedFabric) += element->StepFlowKW();
        if (element->ElCode == "W") orderedWalls += element->StepFlowKW();
    }
    EXPECT_EQ(Value(zone, ZoneVariable::WallHeatFlow), orderedWalls);
    EXPECT_EQ(Value(zone, ZoneVariable::FabricHeatFlow), orderedFabric);
    EXPECT_EQ(Value(zone, ZoneVariable::AirExchangeHeatFlow), orderedAir);
}

// Occupants, lighting on gas (fuel index 2) and a gain of a code no output name has.
std::string ZoneWithGains() {
    ZoneText z;
    z.key = "1";
    z.opaque = BoxElements() + Opaque("D", "LIGHT", 2, 1, 0, 90);
    z.glazed = Window("GLZ", 6, 180);
    z.airflow = Air("I", "100", 0.5) + Air("V", "50", 1.0);
    z.gains = "PE,100,700,140,0.5,-1,0\nLI,100,300,0,0.6,1,2000\nXX,50,200,0,0.5,0,400\n";
    return ZoneRecord(z);
}

TEST(ZoneResults, GainsAndElementFlowsAreFiledByTheirOutputCodes) {
    Engine engine(ZoneWithGains());
    engine.Start();
    engine.state.energy.Clear();
    engine.Step();
    Zone& zone = engine.zone("1");
    zone.FileStepValues();

    EXPECT_FLOAT_EQ(Value(zone, ZoneVariable::OccupantGains), 0.7f);
    EXPECT_FLOAT_EQ(Value(zone, ZoneVariable::LightingGains), 0.3f);
    EXPECT_FLOAT_EQ(Value(zone, ZoneVariable::OtherGains), 0.1f);
    EXPECT_FLOAT_EQ(Value(zone, ZoneVariable::EquipmentGains), 0.0f);
    EXPECT_FLOAT_EQ(Value(zone, ZoneVariable::InternalGains), 1.1f);
    EXPECT_FLOAT_EQ(Value(zone, ZoneVariable::LatentGain), 0.14f);
    // Lighting 2 kW of fuel index 2 and the other gain 0.2 kW of electricity.
    EXPECT_FLOAT_EQ(Value(zone, ZoneVariable::GainsEnergyUse), 2.2f);
    const BuildingEnergyStore& energy = engine.state.energy;
    EXPECT_FLOAT_EQ(energy.Get(EnergySlot::GainsFuelUse(2)), 2.0f);
    EXPECT_FLOAT_EQ(energy.Get(EnergySlot::FuelUse(2)), 2.0f);
    EXPECT_FLOAT_EQ(energy.Get(EnergySlot::GainsFuelUse(1)), 0.2f);
    EXPECT_FLOAT_EQ(energy.Get(EnergySlot::FuelUse(1)), 0.2f);

    auto flowOf = [&zone](const std::string& code) {
        float sum = 0.0f;
        for (const auto& element : zone.elements)
            if (element->ElCode == code) sum += element->StepFlowKW();
        return sum;
    };
    const float walls = flowOf("W"), door = flowOf("D"), glazing = flowOf("G");
    const float infiltration = flowOf("I"), ventilation = flowOf("V");
    EXPECT_FLOAT_EQ(Value(zone, ZoneVariable::WallHeatFlow), walls);
    EXPECT_FLOAT_EQ(Value(zone, ZoneVariable::DoorHeatFlow), door);
    EXPECT_FLOAT_EQ(Value(zone, ZoneVariable::GlazingHeatFlow), glazing);
    EXPECT_FLOAT_EQ(Value(zone, ZoneVariable::InfiltrationHeatFlow), infiltration);
    EXPECT_FLOAT_EQ(Value(zone, ZoneVariable::NaturalVentilationHeatFlow), ventilation);
    float fabric = 0.0f, air = 0.0f;
    for (const auto& element : zone.elements) (element->Kind() == 'A' ? air : fabric) += element->StepFlowKW();
    EXPECT_NEAR(Value(zone, ZoneVariable::FabricHeatFlow), fabric, 1e-5f);
    EXPECT_NEAR(Value(zone, ZoneVariable::AirExchangeHeatFlow), air, 1e-5f);
    EXPECT_LT(door, 0.0f);  // a light element, 5 °C outside a 15 °C zone
    ExpectFlowsSummedInElementOrder(zone);
    // Opening a run's results forgets where the elements were filed: an
    // element whose output code changed since files under its new variable.
    for (const auto& element : zone.elements)
        if (element->ElCode == "D") element->HBELCODE = ElementOutputCode("P");
    engine.state.results->ZoneControl(2);
    zone.FileStepValues();
    engine.state.results->ZoneControl(5);
    EXPECT_EQ(Value(zone, ZoneVariable::PartitionHeatFlow), flowOf("D"));
    EXPECT_FLOAT_EQ(Value(zone, ZoneVariable::DoorHeatFlow), 0.0f);
    // An element code no output name has counts in the fabric total alone.
    EXPECT_EQ(ElementOutputCode("Q"), 0);
    for (const auto& element : zone.elements)
        if (element->ElCode == "D") element->HBELCODE = ElementOutputCode("Q");
    engine.state.results->ZoneControl(2);
    zone.FileStepValues();
    engine.state.results->ZoneControl(5);
    EXPECT_FLOAT_EQ(Value(zone, ZoneVariable::PartitionHeatFlow), 0.0f);
    EXPECT_FLOAT_EQ(Value(zone, ZoneVariable::DoorHeatFlow), 0.0f);
    float fabricWithDoor = 0.0f;
    for (const auto& element : zone.elements)
        if (element->Kind() != 'A') fabricWithDoor += element->StepFlowKW();
    EXPECT_EQ(Value(zone, ZoneVariable::FabricHeatFlow), fabricWithDoor);
    EXPECT_FLOAT_EQ(Value(zone, ZoneVariable::AirTemperature), zone.AirTemperature);
    EXPECT_FLOAT_EQ(Value(zone, ZoneVariable::OutsideAirTemperature), 5.0f);
    EXPECT_FLOAT_EQ(Value(zone, ZoneVariable::OccupiedHours), 1.0f);
    const double vapour = zone.step.GISP2 * static_cast<double>(engine.state.weather->PATMOS) /
                          (622.0 + zone.step.GISP2);
    EXPECT_FLOAT_EQ(Value(zone, ZoneVariable::RelativeHumidity),
                    100.0 * vapour / SaturationVapourPressure(zone.AirTemperature));

    // What no record collects is not worked out.
    zone.stepValues.Clear();
    zone.stepValues.SetWanted(uint64_t{1} << static_cast<int>(ZoneVariable::AirTemperature));
    zone.FileStepValues();
    EXPECT_TRUE(zone.stepValues.IsSet(static_cast<int32_t>(ZoneVariable::AirTemperature)));
    for (const ZoneVariable skipped : {ZoneVariable::RelativeHumidity, ZoneVariable::InternalGains,
                                       ZoneVariable::LatentGain, ZoneVariable::WallHeatFlow})
        EXPECT_FALSE(zone.stepValues.IsSet(static_cast<int32_t>(skipped)));
}

// A zone of dozens of elements, of kinds in no particular order, sums each
// variable's flows in element order too.
TEST(ZoneResults, ZonesOfManyElementsSumTheirFlowsInElementOrderToo) {
    ZoneText z;
    z.key = "1";
    for (int wall = 0; wall < 40; ++wall)
        z.opaque += Opaque(wall % 3 == 0 ? "R" : "W", "WALL", 2, 1, 0, 90);
    z.glazed = Window("GLZ", 6, 180);
    z.airflow = Air("I", "100", 0.5) + Air("V", "50", 1.0);
    Engine engine(ZoneRecord(z));
    engine.Start();
    engine.Step();
    ExpectFlowsSummedInElementOrder(engine.zone("1"));
}

TEST(ZoneResults, OccupiedStepsFillTheTemperatureBandOfTheirMonthButNotInDesignRuns) {
    Engine engine(ZoneWithGains(), 30);
    engine.Start();
    engine.Step();
    Zone& zone = engine.zone("1");
    engine.state.clock.month = 3;
    auto record = [&](float comfort, float dayWeight) {
        zone.ComfortTemperature = comfort;
        zone.TallyComfort(dayWeight);
    };
    record(21.0f, 2.0f);   // band 22: 21 ≤ t < 22; half an hour standing for two days
    record(21.99f, 1.0f);  // band 22
    record(-4.0f, 1.0f);   // colder than the table: band 1
    record(150.0f, 1.0f);  // hotter: band 100
    record(std::nanf(""), 1.0f);
    EXPECT_FLOAT_EQ(zone.COMHRS(22, 3), 1.5f);
    EXPECT_FLOAT_EQ(zone.COMHRS(21, 3), 0.0f);
    EXPECT_FLOAT_EQ(zone.COMHRS(1, 3), 1.0f);
    EXPECT_FLOAT_EQ(zone.COMHRS(100, 3), 0.5f);
    EXPECT_FLOAT_EQ(zone.COMHRS(22, 2), 0.0f);
    EXPECT_FLOAT_EQ(zone.MAXTRM, 150.0f);
    EXPECT_FLOAT_EQ(zone.MINTRM, -4.0f);

    // Design runs leave the bands alone and report no gains.
    engine.state.clock.heatLossRun = true;
    record(21.0f, 1.0f);
    EXPECT_FLOAT_EQ(zone.COMHRS(22, 3), 1.5f);
    engine.state.energy.Clear();
    engine.Step();
    zone.FileStepValues();
    EXPECT_EQ(Value(zone, ZoneVariable::InternalGains), 0.0f);
    EXPECT_EQ(Value(zone, ZoneVariable::GainsEnergyUse), 0.0f);
    EXPECT_EQ(engine.state.energy.Get(EnergySlot::FuelUse(2)), 0.0f);
}

}  // namespace
}  // namespace kz7::test
