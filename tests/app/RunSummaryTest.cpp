#include <gtest/gtest.h>

#include "RunSummary.h"

namespace kz7::app {
namespace {

// A zone record of 55 texts with the given positions set.
ValueArray ZoneRecord(std::initializer_list<std::pair<int, const char*>> set, size_t size = 55) {
    ValueArray values(size);
    for (const auto& [position, text] : set) values[static_cast<size_t>(position)] = text;
    return values;
}

// The record as the host receives it: the texts' numbers.
void Add(RunSummary& summary, int16_t interval, int32_t zone, const ValueArray& texts,
         double dayWeight = 1.0) {
    std::vector<float> values;
    for (const std::string& text : texts) values.push_back(ValueOfText(text));
    summary.Add({interval, zone, values, 0.0, 0.0}, dayWeight);
}

// Annual totals come from the coarsest interval stored, variable by
// variable. On a reduced tape each hour counts for the days its day stands
// for; a month record comes weighted by the engine, so the weight is not
// applied to it again.
TEST(RunSummaryTest, AnnualTotalsComeFromTheCoarsestIntervalEachTapeDayCountedForItsDays) {
    RunSummary summary({{1, "1", "Office"}});
    // A Wednesday standing for three days, a Sunday for one; the Sunday's
    // heating is missing and counts nothing.
    Add(summary, 2, 1, ZoneRecord({{8, "2"}, {9, "0.25"}, {46, "1"}, {48, "27"}}), 3.0);
    Add(summary, 2, 1, ZoneRecord({{8, "-32768"}, {9, "1"}, {46, "1"}, {48, "29"}}), 1.0);
    ValueArray plant(126);
    plant[73] = "5";
    plant[85] = "1";
    Add(summary, 2, 0, plant, 3.0);
    Add(summary, 4, 1, ZoneRecord({{9, "4"}}), 3.0);
    const SummaryFigures zone = summary.Zones().at(0).figures;
    EXPECT_DOUBLE_EQ(*zone.heating, 6.0);
    EXPECT_DOUBLE_EQ(*zone.cooling, 4.0);  // the month's, not the hours' 1.75
    EXPECT_FALSE(zone.fuel.has_value());
    EXPECT_DOUBLE_EQ(*zone.hoursAbove25, 4.0);
    EXPECT_DOUBLE_EQ(*zone.hoursAbove28, 1.0);
    EXPECT_DOUBLE_EQ(*summary.Building().fuel, 15.0);
    EXPECT_DOUBLE_EQ(*summary.Building().carbon, 3.0);
}

TEST(RunSummaryTest, OccupiedHoursAboveTheLimitsCountTheOccupiedPartOfEachHour) {
    RunSummary summary({{1, "1", "Office"}, {2, "2", "Store"}});
    Add(summary, 2, 1, ZoneRecord({{46, "1"}, {48, "26"}}));
    Add(summary, 2, 1, ZoneRecord({{46, "0.5"}, {48, "29"}}));
    Add(summary, 2, 1, ZoneRecord({{46, "1"}, {48, "25"}}));  // not above 25
    Add(summary, 2, 1, ZoneRecord({{46, "0"}, {48, "-32768"}}));
    Add(summary, 2, 2, ZoneRecord({{46, "1"}, {48, "30"}}));
    const auto zones = summary.Zones();
    EXPECT_DOUBLE_EQ(*zones[0].figures.hoursAbove25, 1.5);
    EXPECT_DOUBLE_EQ(*zones[0].figures.hoursAbove28, 0.5);
    EXPECT_DOUBLE_EQ(*zones[1].figures.hoursAbove28, 1.0);
    // The building shows its worst zone.
    EXPECT_DOUBLE_EQ(*summary.Building().hoursAbove25, 1.5);
    EXPECT_DOUBLE_EQ(*summary.Building().hoursAbove28, 1.0);
}

TEST(RunSummaryTest, PeaksAndExtremesComeFromTheZoneSummaries) {
    RunSummary summary({{1, "1", "Office"}, {2, "2", "Store"}, {3, "3", "Empty"}});
    Add(summary, 6, 1, {"2.5", "1", "27", "28", "26", "18", "17.5", "19"});
    Add(summary, 6, 2, {"1.5", "0", "24", "25", "23", "15", "14", "16"});
    // A zone never occupied keeps the starting extremes 0 and 999.
    Add(summary, 6, 3, {"0", "0", "0", "0", "0", "999", "999", "999"});
    const auto zones = summary.Zones();
    EXPECT_DOUBLE_EQ(*zones[0].figures.peakHeating, 2.5);
    EXPECT_DOUBLE_EQ(*zones[0].figures.maxAir, 28.0);
    EXPECT_DOUBLE_EQ(*zones[0].figures.minComfort, 18.0);
    EXPECT_FALSE(zones[2].figures.maxAir.has_value());
    EXPECT_FALSE(zones[2].figures.minComfort.has_value());
    const SummaryFigures building = summary.Building();
    EXPECT_DOUBLE_EQ(*building.peakHeating, 4.0);
    EXPECT_DOUBLE_EQ(*building.maxAir, 28.0);
    EXPECT_DOUBLE_EQ(*building.minAir, 14.0);
    EXPECT_FALSE(zones[0].figures.hoursAbove25.has_value());  // no hourly records
}

TEST(RunSummaryTest, FuelAndCarbonComeFromTheBuildingAndPlantRecord) {
    RunSummary summary({{1, "1", "Office", 50.0}});
    ValueArray plant(126);
    plant[8] = "10";
    plant[73] = "4";   // electricity
    plant[74] = "12";  // gas
    plant[85] = "3.25";
    Add(summary, 4, 0, plant);
    Add(summary, 4, 0, plant);
    const SummaryFigures building = summary.Building();
    EXPECT_DOUBLE_EQ(*building.heating, 20.0);
    EXPECT_DOUBLE_EQ(*building.fuel, 32.0);
    EXPECT_DOUBLE_EQ(*building.carbon, 6.5);
    const nlohmann::json json = summary.Json();
    EXPECT_EQ(json["building"]["fuel_kwh"], 32.0);
    // Per m² of the zones' 50 m² floor.
    EXPECT_DOUBLE_EQ(json["building"]["fuel_kwh_m2"].get<double>(), 32.0 / 50);
    EXPECT_DOUBLE_EQ(json["building"]["heating_kwh_m2"].get<double>(), 20.0 / 50);
    EXPECT_TRUE(json["zones"][0]["heating_kwh_m2"].is_null());  // no zone records
    EXPECT_TRUE(json["zones"][0]["fuel_kwh"].is_null());
    EXPECT_EQ(json["zones"][0]["name"], "Office");
}

}  // namespace
}  // namespace kz7::app
