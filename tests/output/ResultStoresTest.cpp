#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "kz7/engine/EngineState.h"
#include "kz7/model/Zone.h"
#include "kz7/output/EnergySlots.h"
#include "kz7/output/ResultStores.h"
#include "kz7/platform/NumberText.h"

namespace kz7 {
namespace {

struct SavedRecord {
    int16_t interval;
    int32_t zone;
    ValueArray values;
    double date;
};

constexpr int32_t kGroupTemperatures = 1;
constexpr int32_t kGroupHeatingAndCooling = 2;

template <typename Variable>
size_t At(Variable variable) { return static_cast<size_t>(variable); }

// Drives the result stores the way the run loop does, with 10-minute steps.
class ResultStoresTest : public ::testing::Test {
  protected:
    ResultStoresTest() {
        state.errorHandler = [this](const std::string& text) { errors.push_back(text); };
        state.message.onText = [this](std::string& text) { messages.push_back(text); };
        state.outputData.onSave = [this](int16_t& interval, int32_t& zone, ValueArray& values,
                                         double& date) {
            saved.push_back({interval, zone, values, date});
        };
        state.clock.SetTimeStep(10);
        state.clock.date = 37622.0;  // 1 January 2003
    }

    Zone& AddZone(const std::string& key, float floorArea) {
        Zone* zone = state.zones->Add(key);
        zone->Key = key;
        zone->FloorArea = floorArea;
        return *zone;
    }

    void Open() {
        results().ZoneControl(0);
        results().ZoneControl(2);
        results().PlantControl(2);
    }

    // One step: every zone's values from `fill`, then the step's end.
    void Step(bool warmUp, const std::function<void(Zone&)>& fill) {
        for (Zone& zone : *state.zones) {
            zone.stepValues.Clear();
            if (fill) fill(zone);
        }
        if (!warmUp) {
            results().RecordZoneStep();
            results().RecordPlantStep();
        }
        EndInterval(warmUp, 1);
    }
    void Hour(bool warmUp, const std::function<void(Zone&)>& fill) {
        for (int32_t step = 0; step < 6; ++step) Step(warmUp, fill);
        EndInterval(warmUp, 2);
    }
    void Day(bool warmUp, const std::function<void(Zone&)>& fill) {
        for (int32_t hour = 0; hour < 24; ++hour) Hour(warmUp, fill);
        EndInterval(warmUp, 3);
    }
    void EndInterval(bool warmUp, int32_t k) {
        results().ZoneInterval(warmUp, k);
        results().PlantInterval(warmUp, k);
    }

    std::vector<SavedRecord> Saved(int16_t interval, int32_t zone) const {
        std::vector<SavedRecord> found;
        for (const SavedRecord& record : saved)
            if (record.interval == interval && record.zone == zone) found.push_back(record);
        return found;
    }

    ResultStores& results() { return *state.results; }

    EngineState state;
    std::vector<std::string> errors, messages;
    std::vector<SavedRecord> saved;
};

TEST_F(ResultStoresTest, SelectedIntervalsSendEveryZoneWithTheSelectedGroupsOnly) {
    AddZone("1", 10.0f);
    AddZone("2", 10.0f);  // selects nothing, but its hours are collected for zone 1
    for (int32_t interval : {2, 3})
        state.zones->Item(1).Outputs[kGroupHeatingAndCooling - 1][interval - 1] = 1;
    Open();
    // Zones file only what is collected, each for its record only.
    EXPECT_TRUE(state.zones->Item(1).stepValues.Wants(ZoneVariable::HeatingDuty));
    EXPECT_FALSE(state.zones->Item(1).stepValues.Wants(ZoneVariable::AirTemperature));
    EXPECT_FALSE(state.zones->Item(2).stepValues.WantsAny(ZoneVariable::AirTemperature,
                                                          ZoneVariable::CoolingHours));

    Day(false, [](Zone& zone) {
        zone.stepValues.Set(ZoneVariable::Heating, 100.0f);
        zone.stepValues.Set(ZoneVariable::HeatingDuty, 0.5f);
        zone.stepValues.Set(ZoneVariable::AirTemperature, 20.0f);  // group not selected
    });
    EndInterval(false, 4);

    const std::vector<SavedRecord> hours = Saved(2, 1);
    ASSERT_EQ(hours.size(), 24u);
    for (const SavedRecord& hour : hours) {
        ASSERT_EQ(hour.values.size(), 55u);
        EXPECT_EQ(hour.values[0], "");
        EXPECT_EQ(hour.values[At(ZoneVariable::Heating)], "100");
        EXPECT_EQ(hour.values[At(ZoneVariable::HeatingDuty)], "0.5");
        EXPECT_EQ(hour.values[At(ZoneVariable::Cooling)], "-32768");   // never added
        EXPECT_EQ(hour.values[At(ZoneVariable::AirTemperature)], "");  // not selected
        EXPECT_DOUBLE_EQ(hour.date, 37622.0 + 1.0 / 24.0);  // the end of the clock's hour 1
    }
    const std::vector<SavedRecord> days = Saved(3, 1);
    ASSERT_EQ(days.size(), 1u);
    EXPECT_EQ(days[0].values[At(ZoneVariable::Heating)], "2400");
    EXPECT_EQ(days[0].values[At(ZoneVariable::HeatingDuty)], "0.5");
    const std::vector<SavedRecord> second = Saved(2, 2);
    ASSERT_EQ(second.size(), 24u);
    for (const std::string& text : second[0].values) EXPECT_EQ(text, "");
    EXPECT_EQ(Saved(2, 0).size(), 24u);
    EXPECT_TRUE(Saved(1, 1).empty());  // no time-step or month output selected
    EXPECT_TRUE(Saved(4, 1).empty());
    EXPECT_EQ(results().Zones().Handle(4), 0);
    EXPECT_EQ(results().Store().RecordsSent(results().Zones().Handle(2)), 24);
    results().ZoneControl(5);
    EXPECT_TRUE(state.zones->Item(2).stepValues.Wants(ZoneVariable::AirTemperature));
}

TEST_F(ResultStoresTest, WarmUpSendsNothingAndTheSumsRestart) {
    AddZone("1", 10.0f);
    state.zones->Item(1).Outputs[kGroupHeatingAndCooling - 1][2 - 1] = 1;
    state.zones->Item(1).Outputs[kGroupHeatingAndCooling - 1][4 - 1] = 1;
    Open();

    // A warm-up hour whose values still reach the store (as the month's
    // partial sums would) must not leak into the first kept hour.
    for (int32_t step = 0; step < 3; ++step) {
        for (Zone& zone : *state.zones) zone.stepValues.Set(ZoneVariable::Heating, 50.0f);
        results().RecordZoneStep();
    }
    EndInterval(true, 1);
    EndInterval(true, 2);
    EndInterval(true, 4);
    EXPECT_TRUE(saved.empty());

    Hour(false, [](Zone& zone) { zone.stepValues.Set(ZoneVariable::Heating, 100.0f); });
    EndInterval(false, 4);
    ASSERT_EQ(Saved(2, 1).size(), 1u);
    EXPECT_EQ(Saved(2, 1)[0].values[At(ZoneVariable::Heating)], "100");
    ASSERT_EQ(Saved(4, 1).size(), 1u);
    EXPECT_EQ(Saved(4, 1)[0].values[At(ZoneVariable::Heating)], "100");
}

// The filing of a solved step gives each zone's humidity a zone late: every
// zone, the last one too, must still be recorded with its own.
TEST_F(ResultStoresTest, FilingASolvedStepRecordsEachZoneWithItsOwnValues) {
    constexpr int32_t kGroupMoisture = 7;
    float temperature = 0.0f;
    for (const char* key : {"1", "2", "3"}) {
        Zone& zone = AddZone(key, 10.0f);
        zone.Outputs[kGroupMoisture - 1][0] = 1;
        zone.AirTemperature = temperature += 6.0f;
        zone.step.GISP2 = 7.0f;
    }
    Open();
    results().FileZoneStep(*state.zones, 1.0f);
    EndInterval(false, 1);
    for (Zone& zone : *state.zones) {
        zone.stepValues.Clear();
        zone.FileStepValues();  // the zone filed on its own
        std::string humidity;
        AssignNumberText(humidity, zone.stepValues.Value(At(ZoneVariable::RelativeHumidity)), '.');
        const std::vector<SavedRecord> records = Saved(1, std::stoi(zone.Key));
        ASSERT_EQ(records.size(), 1u) << zone.Key;
        EXPECT_EQ(records[0].values[At(ZoneVariable::RelativeHumidity)], humidity) << zone.Key;
        EXPECT_EQ(records[0].values[At(ZoneVariable::MoistureContent)], "7") << zone.Key;
    }
}

TEST_F(ResultStoresTest, RecordsCarryDistinctZoneNumbersAndTheSettingsSeparator) {
    for (const char* key : {"Office", "12", " 7 ", "0", "1", "01", "5"}) AddZone(key, 10.0f);
    state.settings.hourlyResults = true;  // forces every group of the hour on
    state.settings.SetDecimalSeparator(',');
    Open();
    Hour(false, [](Zone& zone) { zone.stepValues.Set(ZoneVariable::AirTemperature, 20.25f); });

    std::vector<int32_t> zones;
    for (const SavedRecord& record : saved) zones.push_back(record.zone);
    // Zones in order, then the building-and-plant record as zone 0. A key
    // that is a positive number keeps it; "Office" would take its position
    // 1 but "1" holds it; "01" repeats the number of "1".
    EXPECT_EQ(zones, (std::vector<int32_t>{2, 12, 7, 4, 1, 6, 5, 0}));
    // The host hears at the run which zone goes by its position; the clashes
    // are for the reader to report.
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0],
              "Zone \"0\" has no positive whole-number key; its results are sent as zone 4");
    std::vector<std::string> renumbered;
    state.zones->ResultNumbers(&renumbered);
    ASSERT_EQ(renumbered.size(), 2u);
    EXPECT_NE(renumbered[0].find("\"Office\" has no positive whole-number key and its position 1 "
                                 "is another zone's number; its results are sent as zone 2"),
              std::string::npos);
    EXPECT_NE(renumbered[1].find("\"01\" has the result number 1 of an earlier zone; its results "
                                 "are sent as zone 6"),
              std::string::npos);
    EXPECT_EQ(saved[0].values[At(ZoneVariable::AirTemperature)], "20,25");
    EXPECT_EQ(saved[7].values[At(ZoneVariable::AirTemperature)], "20,25");  // building
}

TEST_F(ResultStoresTest, DetailCodeTwoResetsTheUnsentTimeStepHandleEveryStep) {
    AddZone("1", 10.0f);
    state.settings.outputDetailCode = 2;
    state.zones->Item(1).Outputs[kGroupHeatingAndCooling - 1][2 - 1] = 1;
    Open();

    const int32_t stepHandle = results().Zones().Handle(1);
    ASSERT_NE(stepHandle, 0);
    EXPECT_FALSE(results().Zones().IsSent(1));
    const int32_t heating = static_cast<int32_t>(ZoneVariable::Heating);
    for (int32_t step = 0; step < 6; ++step) {
        for (Zone& zone : *state.zones) zone.stepValues.Set(ZoneVariable::Heating, 30.0f);
        results().RecordZoneStep();
        EXPECT_EQ(results().Store().Count(stepHandle, 1, heating), 1);  // this step only
        EndInterval(false, 1);
        EXPECT_EQ(results().Store().Count(stepHandle, 1, heating), 0);
    }
    EndInterval(false, 2);
    EXPECT_TRUE(Saved(1, 1).empty());
    ASSERT_EQ(Saved(2, 1).size(), 1u);
    EXPECT_EQ(Saved(2, 1)[0].values[At(ZoneVariable::Heating)], "30");

    // Without detail code 2 there is no time-step handle to keep.
    state.settings.outputDetailCode = 0;
    Open();
    EXPECT_EQ(results().Zones().Handle(1), 0);
}

TEST_F(ResultStoresTest, BuildingValuesWeighAveragesByFloorAreaAndTotalSums) {
    AddZone("1", 10.0f);
    AddZone("2", 30.0f);
    AddZone("3", 0.0f);  // no floor area: no weight in the building mean
    AddZone("4", 60.0f);
    for (int32_t zone = 1; zone <= 3; ++zone) {
        state.zones->Item(zone).Outputs[kGroupTemperatures - 1][2 - 1] = 1;
        state.zones->Item(zone).Outputs[kGroupHeatingAndCooling - 1][2 - 1] = 1;
    }
    state.zones->Item(4).Outputs[kGroupHeatingAndCooling - 1][2 - 1] = 1;  // no temperatures
    Open();

    Hour(false, [](Zone& zone) {
        const float n = static_cast<float>(std::stoi(zone.Key));
        zone.stepValues.Set(ZoneVariable::AirTemperature, n == 1 ? 20.0f : n == 2 ? 24.0f : 99.0f);
        zone.stepValues.Set(ZoneVariable::Heating, n);
        if (n != 2) zone.stepValues.Set(ZoneVariable::RadiantTemperature, 21.0f);
        if (n == 3) zone.stepValues.Set(ZoneVariable::ThirdMassTemperature, 5.0f);
        zone.stepValues.Set(ZoneVariable::MassTemperature, 19.0f);
    });
    // One missing step of zone 2's mass temperature.
    for (Zone& zone : *state.zones) zone.stepValues.Clear();
    state.zones->Item(2).stepValues.SetMissing(ZoneVariable::MassTemperature);
    results().RecordZoneStep();
    Hour(false, [](Zone& zone) { zone.stepValues.Set(ZoneVariable::Heating, 1.0f); });

    const std::vector<SavedRecord> building = Saved(2, 0);
    ASSERT_EQ(building.size(), 2u);
    const ValueArray& first = building[0].values;
    ASSERT_EQ(first.size(), 126u);
    EXPECT_EQ(first[At(ZoneVariable::AirTemperature)], "23");  // (20·10 + 24·30) / 40
    EXPECT_EQ(first[At(ZoneVariable::Heating)], "10");         // 1 + 2 + 3 + 4
    // Zone 2 never gave a radiant temperature: the mean is of the others.
    EXPECT_EQ(first[At(ZoneVariable::RadiantTemperature)], "21");
    // Only zone 3, without floor area, has it: its plain value.
    EXPECT_EQ(first[At(ZoneVariable::ThirdMassTemperature)], "5");
    EXPECT_EQ(first[At(ZoneVariable::ComfortTemperature)], "-32768");  // selected, never added
    EXPECT_EQ(first[At(ZoneVariable::Cooling)], "-32768");
    EXPECT_EQ(first[At(ZoneVariable::SolarGain)], "");               // not selected in any zone
    EXPECT_EQ(first[static_cast<size_t>(kFirstPlantPosition)], "");  // no plant selected

    const ValueArray& second = building[1].values;
    EXPECT_EQ(second[At(ZoneVariable::MassTemperature)], "-32768");  // zone 2 missing
    EXPECT_EQ(second[At(ZoneVariable::Heating)], "4");
    EXPECT_EQ(second[At(ZoneVariable::AirTemperature)], "-32768");

    ASSERT_EQ(Saved(2, 2).size(), 2u);
    EXPECT_EQ(Saved(2, 2)[1].values[At(ZoneVariable::MassTemperature)], "-32768");
    EXPECT_EQ(Saved(2, 1)[1].values[At(ZoneVariable::MassTemperature)], "-32768");
    EXPECT_EQ(Saved(2, 4)[0].values[At(ZoneVariable::AirTemperature)], "");
}

TEST_F(ResultStoresTest, RunsThatEndWithoutACloseDoNotUseUpHandles) {
    AddZone("1", 10.0f);
    state.settings.timeSteplyResults = true;
    state.settings.hourlyResults = true;
    state.settings.dailyResults = true;
    state.zones->Item(1).Outputs[kGroupTemperatures - 1][4 - 1] = 1;
    for (auto& group : state.settings.plantOutputOptions) group[3] = 1;
    for (int32_t run = 0; run < 3; ++run) Open();
    EXPECT_TRUE(errors.empty());
    EXPECT_EQ(results().Store().OpenHandleCount(), 8);

    results().ZoneControl(5);
    results().PlantControl(5);
    EXPECT_EQ(results().Store().OpenHandleCount(), 0);
}

TEST_F(ResultStoresTest, PlantValuesComeFromTheEnergyStoreSlots) {
    AddZone("1", 10.0f);
    for (auto& group : state.settings.plantOutputOptions) group[1] = 1;  // hourly
    state.zones->Item(1).Outputs[kGroupHeatingAndCooling - 1][3 - 1] = 1;     // daily zones only
    results().SetPlantItemCounts(2, 1);
    Open();

    auto bookStep = [this](Zone&) {
        state.energy.Clear();
        state.energy.Set(EnergySlot::kHeatingDelivered, 6.0f);
        state.energy.Set(EnergySlot::BoilerFuel(1), 3.0f);
        state.energy.Set(EnergySlot::BoilerFuel(3), 99.0f);  // no third boiler
        state.energy.Set(EnergySlot::ChillerFuel(1, 2), 1.5f);
    };
    Day(false, bookStep);

    // Heating, carbon and fuel totals are checked against a whole run in
    // ResultEventsTest; here the boiler and chiller slots and the plant items
    // that do not exist.
    const std::vector<SavedRecord> hours = Saved(2, 0);
    ASSERT_EQ(hours.size(), 24u);
    const ValueArray& hour = hours[0].values;
    ASSERT_EQ(hour.size(), 126u);
    EXPECT_EQ(hour[At(PlantVariable::Boiler1Fuel)], "3");
    EXPECT_EQ(hour[At(PlantVariable::Boiler2Fuel)], "0");
    EXPECT_EQ(hour[At(PlantVariable::Boiler3Fuel)], "-32768");
    EXPECT_EQ(hour[At(PlantVariable::Chiller1Fuel)], "1.5");
    EXPECT_EQ(hour[At(PlantVariable::Chiller2Fuel)], "-32768");
    EXPECT_EQ(hour[At(ZoneVariable::Heating)], "");  // zones not collected hourly
    EXPECT_TRUE(Saved(2, 1).empty());

    // The day's building values travel although no plant group is selected for the day.
    const std::vector<SavedRecord> days = Saved(3, 0);
    ASSERT_EQ(days.size(), 1u);
    EXPECT_EQ(days[0].values[At(ZoneVariable::Cooling)], "-32768");
    EXPECT_EQ(days[0].values[At(PlantVariable::HeatingDelivered)], "");
}

TEST_F(ResultStoresTest, MonthWeightsCountEachSimulatedDayAsSeveral) {
    AddZone("1", 10.0f);
    for (int32_t group : {kGroupTemperatures, kGroupHeatingAndCooling})
        state.zones->Item(1).Outputs[group - 1][4 - 1] = 1;
    Open();
    results().SetIntervalWeight(4, std::nanf(""));  // ignored: such steps count for nothing
    Step(false, [](Zone& zone) { zone.stepValues.Set(ZoneVariable::Heating, 1000.0f); });
    results().SetIntervalWeight(4, 4.0f);
    Day(false, [](Zone& zone) {
        zone.stepValues.Set(ZoneVariable::Heating, 1.0f);
        zone.stepValues.Set(ZoneVariable::AirTemperature, 20.0f);
    });
    EndInterval(false, 4);
    const std::vector<SavedRecord> months = Saved(4, 1);
    ASSERT_EQ(months.size(), 1u);
    EXPECT_EQ(months[0].values[At(ZoneVariable::Heating)], "96");  // 24 kWh a day, 4 such days
    EXPECT_EQ(months[0].values[At(ZoneVariable::AirTemperature)], "20");
}

}  // namespace
}  // namespace kz7
