#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "kz7/engine/EngineState.h"
#include "kz7/output/EnergySlots.h"
#include "kz7/thermal/EnergyBooking.h"
#include "kz7/thermal/Plant.h"
#include "support/ModelText.h"

namespace kz7 {
namespace {

// A boiler or chiller record: timer, fuel code, capacity kW, part-load curve,
// auxiliary power, auxiliary curve, distribution loss %, unused %, standing
// loss %, conversion loss %.
struct UnitText {
    std::string timer = "100";
    int fuelCode = 1;
    std::string capacity = "10";
    std::string partLoadCurve = "100";
    std::string auxiliaryPower = "0";
    std::string auxiliaryCurve = "100";
    std::string distributionLoss = "0";
    std::string standingLoss = "0";
    std::string conversionLoss = "10";
};

std::string UnitRecord(const std::string& kind, const std::string& key, const UnitText& u) {
    std::ostringstream text;
    text << kind << ',' << key << '\n'
         << u.timer << ',' << u.fuelCode << ',' << u.capacity << ',' << u.partLoadCurve << ','
         << u.auxiliaryPower << ',' << u.auxiliaryCurve << ',' << u.distributionLoss << ",0,"
         << u.standingLoss << ',' << u.conversionLoss << "\nEnd\n";
    return text.str();
}

class PlantTest : public ::testing::Test {
  protected:
    PlantTest() {
        state.errorHandler = [this](const std::string& text) { errors.push_back(text); };
    }

    void Read(const std::string& text) { test::ReadModel(state, text); }
    Plant& plant() { return *state.plant; }
    float Slot(int32_t slot) const { return state.energy.Get(slot); }
    // One plant step with `load` kW booked on the named boiler.
    void StepWithBoilerLoad(const std::string& key, float load) {
        plant().InitTimeStep();
        plant().boilers.Item(key)->SMPHTACUM += load;
        plant().Solve();
    }
    void ExpectEveryslotFinite() const {
        for (int32_t slot = 1; slot <= BuildingEnergyStore::kSize; ++slot)
            EXPECT_TRUE(std::isfinite(Slot(slot))) << "slot " << slot;
    }

    EngineState state;
    std::vector<std::string> errors;
};

TEST_F(PlantTest, BoilerBooksFuelByEfficiencyCarbonByFuelAndAuxiliaryAlways) {
    UnitText boiler;
    boiler.fuelCode = 1;            // fuel index 2
    boiler.auxiliaryPower = "500";  // W, held in kW
    Read(UnitRecord("Boiler", "B1", boiler));
    ASSERT_TRUE(errors.empty());
    plant().InitSimulation();
    EXPECT_TRUE(errors.empty());

    StepWithBoilerLoad("B1", 9.0f);
    EXPECT_FLOAT_EQ(Slot(EnergySlot::BoilerFuel(1)), 10.0f);  // 9 / 0.9
    EXPECT_FLOAT_EQ(Slot(EnergySlot::FuelUse(2)), 10.0f);
    EXPECT_FLOAT_EQ(Slot(EnergySlot::kBoilerOutput), 9.0f);
    EXPECT_FLOAT_EQ(Slot(EnergySlot::kAuxiliaryElectricity), 0.5f);
    EXPECT_FLOAT_EQ(Slot(EnergySlot::FuelUse(1)), 0.5f);
    EXPECT_FLOAT_EQ(Slot(EnergySlot::kCarbonDioxide), 10.0f * 0.195f + 0.5f * 0.685f);

    StepWithBoilerLoad("B1", 0.0f);
    EXPECT_EQ(Slot(EnergySlot::BoilerFuel(1)), 0.0f);
    EXPECT_EQ(Slot(EnergySlot::kBoilerOutput), 0.0f);
    EXPECT_FLOAT_EQ(Slot(EnergySlot::kAuxiliaryElectricity), 0.5f);
    EXPECT_FLOAT_EQ(Slot(EnergySlot::kCarbonDioxide), 0.5f * 0.685f);

    // The next step starts from an empty store and no load.
    plant().InitTimeStep();
    EXPECT_EQ(plant().boilers.Item("B1")->SMPHTACUM, 0.0f);
    EXPECT_EQ(Slot(EnergySlot::kAuxiliaryElectricity), 0.0f);
}

TEST_F(PlantTest, CarbonFactorsFollowTheFuelIndex) {
    const float factors[] = {0.685f, 0.195f, 0.273f, 0.34f, 0.195f, 0.685f};
    for (int32_t index = 1; index <= 6; ++index) {
        state.energy.Clear();
        BookFuel(state.energy, index, 2.0f);
        EXPECT_FLOAT_EQ(Slot(EnergySlot::FuelUse(index)), 2.0f);
        EXPECT_FLOAT_EQ(Slot(EnergySlot::kCarbonDioxide), 2.0f * factors[index - 1]) << index;
    }
    // Outside the table: no fuel slot is touched and no carbon is counted.
    for (int32_t index : {0, 7}) {
        state.energy.Clear();
        BookFuel(state.energy, index, 2.0f);
        for (int32_t slot = 1; slot <= BuildingEnergyStore::kSize; ++slot)
            EXPECT_EQ(Slot(slot), 0.0f);
    }
    state.energy.Clear();
    BookAuxiliaryElectricity(state.energy, 1.0f);
    EXPECT_FLOAT_EQ(Slot(EnergySlot::kAuxiliaryElectricity), 1.0f);
    EXPECT_FLOAT_EQ(Slot(EnergySlot::FuelUse(1)), 1.0f);
    EXPECT_FLOAT_EQ(Slot(EnergySlot::kCarbonDioxide), 0.685f);
}

TEST_F(PlantTest, LossesAddToTheLoadWhichTheCapacityLimits) {
    UnitText boiler;
    boiler.distributionLoss = "10";
    boiler.standingLoss = "2";  // of 10 kW
    boiler.conversionLoss = "0";
    Read(UnitRecord("Boiler", "B1", boiler));

    StepWithBoilerLoad("B1", 5.0f);
    EXPECT_FLOAT_EQ(Slot(EnergySlot::kBoilerOutput), 5.0f * 1.1f + 0.2f);
    StepWithBoilerLoad("B1", 20.0f);
    EXPECT_FLOAT_EQ(Slot(EnergySlot::kBoilerOutput), 10.0f);
    EXPECT_FLOAT_EQ(Slot(EnergySlot::BoilerFuel(1)), 10.0f);
    // No load, no standing loss.
    StepWithBoilerLoad("B1", 0.00005f);
    EXPECT_NEAR(Slot(EnergySlot::kBoilerOutput), 0.000055f, 1e-9f);
}

TEST_F(PlantTest, TimerOfFiftyRunsThePlantAndBelowItNothingIsBooked) {
    UnitText on;
    on.timer = "50";
    on.auxiliaryPower = "1000";
    UnitText off = on;
    off.timer = "49.9";
    Read(UnitRecord("Boiler", "ON", on) + UnitRecord("Boiler", "OFF", off));
    plant().InitTimeStep();
    plant().boilers.Item("ON")->SMPHTACUM = 0.9f;
    plant().boilers.Item("OFF")->SMPHTACUM = 0.9f;
    plant().Solve();
    // Records go in before the first one, so OFF is boiler 1 and ON boiler 2.
    ASSERT_EQ(plant().boilers.Index(plant().boilers.Item("ON")), 2);
    EXPECT_EQ(Slot(EnergySlot::BoilerFuel(1)), 0.0f);
    EXPECT_FLOAT_EQ(Slot(EnergySlot::BoilerFuel(2)), 1.0f);
    EXPECT_FLOAT_EQ(Slot(EnergySlot::kBoilerOutput), 0.9f);
    EXPECT_FLOAT_EQ(Slot(EnergySlot::kAuxiliaryElectricity), 1.0f);
}

TEST_F(PlantTest, ChillerSlotsFollowAtLeastSixBoilerSlots) {
    for (int boilers : {2, 8}) {
        EngineState local;
        std::string text;
        for (int b = 1; b <= boilers; ++b)
            text += UnitRecord("Boiler", std::to_string(100 + b), UnitText{});
        UnitText chiller;
        chiller.conversionLoss = "0";
        text += UnitRecord("Chiller", "C2", chiller) + UnitRecord("Chiller", "C1", chiller);
        test::ReadModel(local, text);
        Plant& p = *local.plant;
        p.InitTimeStep();
        p.chillers.Item("C1")->SMPHTACUM = 3.0f;  // C1 is chiller 1: read last, inserted first
        p.chillers.Item("C2")->SMPHTACUM = 4.0f;
        p.Solve();
        const int32_t first = boilers < 6 ? 36 : 38;
        EXPECT_EQ(EnergySlot::ChillerFuel(1, boilers), first);
        EXPECT_FLOAT_EQ(local.energy.Get(first), 3.0f) << boilers << " boilers";
        EXPECT_FLOAT_EQ(local.energy.Get(first + 1), 4.0f) << boilers << " boilers";
        EXPECT_FLOAT_EQ(local.energy.Get(EnergySlot::kChillerOutput), 7.0f);
        EXPECT_FLOAT_EQ(local.energy.Get(EnergySlot::FuelUse(2)), 7.0f);
        // The single-unit path finds its own place in the plant.
        p.InitTimeStep();
        p.chillers.Item("C2")->SMPHTACUM = 4.0f;
        p.chillers.Item("C2")->Solve();
        EXPECT_FLOAT_EQ(local.energy.Get(first + 1), 4.0f);
    }
}

TEST_F(PlantTest, PartLoadAndAuxiliaryCurvesRunOnTheirOwnRatios) {
    // Efficiency modifier: 50 % at no load rising to 100 % at full load.
    const std::string curves = "Profile,PL\n50,0\n100,1\n}\nProfile,ZERO\n0,0\n0,1\n}\n";
    UnitText boiler;
    boiler.partLoadCurve = "PL";
    boiler.conversionLoss = "0";
    boiler.auxiliaryPower = "2000";  // 2 kW
    boiler.auxiliaryCurve = "PL";
    UnitText dead = boiler;
    dead.partLoadCurve = "ZERO";
    dead.auxiliaryCurve = "ZERO";
    Read(curves + UnitRecord("Boiler", "B1", boiler) + UnitRecord("Boiler", "DEAD", dead));
    ASSERT_TRUE(errors.empty()) << errors.front();

    StepWithBoilerLoad("B1", 5.0f);  // half load: 75 %
    const int32_t b1 = plant().boilers.Index(plant().boilers.Item("B1"));
    EXPECT_FLOAT_EQ(Slot(EnergySlot::BoilerFuel(b1)), 5.0f / 0.75f);
    // Auxiliary at the ratio of the load to the auxiliary power: 5 / 2 lies
    // beyond the curve's last point, on its way back to 50 % at 24.01.
    const float auxiliaryPercent = 100.0f + (2.5f - 1.0f) * (50.0f - 100.0f) / (24.01f - 1.0f);
    const float deadAuxiliary = 2.0f * 0.001f;  // a curve at zero counts 0.1 %
    EXPECT_NEAR(Slot(EnergySlot::kAuxiliaryElectricity),
                2.0f * auxiliaryPercent / 100.0f + deadAuxiliary, 1e-5f);

    StepWithBoilerLoad("DEAD", 5.0f);
    const int32_t deadIndex = plant().boilers.Index(plant().boilers.Item("DEAD"));
    EXPECT_FLOAT_EQ(Slot(EnergySlot::BoilerFuel(deadIndex)), 5.0f / 0.001f);
    ExpectEveryslotFinite();
}

TEST_F(PlantTest, HotWaterDemandIsInKilowatts) {
    UnitText boiler;
    boiler.conversionLoss = "0";
    Read(UnitRecord("Boiler", "B1", boiler) + "DHW\n2,50,B1\nEnd\n");
    ASSERT_TRUE(errors.empty());
    EXPECT_FLOAT_EQ(plant().dhw.ANCMXHT, 2.0f);
    plant().InitTimeStep();
    plant().Solve();
    EXPECT_FLOAT_EQ(Slot(EnergySlot::kBoilerOutput), 1.0f);  // 50 % of 2 kW
    EXPECT_FLOAT_EQ(Slot(EnergySlot::BoilerFuel(1)), 1.0f);

    plant().dhw.Clear();
    plant().InitTimeStep();
    plant().Solve();
    EXPECT_EQ(Slot(EnergySlot::kBoilerOutput), 0.0f);
}

TEST_F(PlantTest, UnsoundPlantValuesAreReportedAndNeverReachTheStoreAsNonNumbers) {
    UnitText zeroCapacity;
    zeroCapacity.capacity = "0";
    zeroCapacity.standingLoss = "5";
    UnitText negativeCapacity;
    negativeCapacity.capacity = "-5";
    UnitText noEfficiency;
    noEfficiency.conversionLoss = "100";
    UnitText negativeEfficiency;
    negativeEfficiency.conversionLoss = "150";
    UnitText badFuel;
    badFuel.fuelCode = 9;
    Read(UnitRecord("Boiler", "ZERO", zeroCapacity) +
         UnitRecord("Boiler", "NEG", negativeCapacity) +
         UnitRecord("Boiler", "NOEFF", noEfficiency) +
         UnitRecord("Boiler", "NEGEFF", negativeEfficiency) +
         UnitRecord("Chiller", "FUEL", badFuel) + "DHW\n2,100,NOBOILER\nEnd\n");
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0], "Missing boiler NOBOILER in hot water");
    errors.clear();
    plant().InitSimulation();
    const std::vector<std::string> expected = {
        "Boiler NEGEFF has a conversion loss of 100 % or more; its fuel is not booked",
        "Boiler NOEFF has a conversion loss of 100 % or more; its fuel is not booked",
        "Boiler NEG has a capacity of -5 kW and delivers nothing",
        "Boiler ZERO has a capacity of 0 kW and delivers nothing",
        "Chiller FUEL has fuel code 9 (0 to 5); its fuel counts under no fuel and no carbon",
    };
    EXPECT_EQ(errors, expected);

    plant().InitTimeStep();
    for (Boiler& boiler : plant().boilers) boiler.SMPHTACUM = 3.0f;
    plant().chillers.Item("FUEL")->SMPHTACUM = 0.9f;
    plant().Solve();
    ExpectEveryslotFinite();
    // Only the two sound boilers (3 kW each) deliver; the chiller's fuel has
    // its own slot but no fuel index.
    EXPECT_FLOAT_EQ(Slot(EnergySlot::kBoilerOutput), 6.0f);
    EXPECT_FLOAT_EQ(Slot(EnergySlot::FuelUse(2)), 0.0f);
    EXPECT_FLOAT_EQ(Slot(EnergySlot::ChillerFuel(1, 4)), 1.0f);
    EXPECT_FLOAT_EQ(Slot(EnergySlot::kCarbonDioxide), 0.0f);
}

}  // namespace
}  // namespace kz7
