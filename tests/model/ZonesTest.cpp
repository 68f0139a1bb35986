#include <gtest/gtest.h>

#include <vector>

#include "kz7/engine/EngineState.h"
#include "kz7/engine/SimKZ7.h"
#include "kz7/model/Building.h"
#include "kz7/model/Zone.h"

namespace kz7 {
namespace {

class ZonesTest : public ::testing::Test {
  protected:
    ZonesTest() {
        state.message.onProgress = [this](float& progress) { progress_.push_back(progress); };
    }
    Zones& zones() { return *state.zones; }
    void AddZones(int count) {
        for (int i = 1; i <= count; ++i) zones().Add(std::to_string(i));
    }

    EngineState state;
    std::vector<float> progress_;
};

// Without zones every stage does nothing and heat loss never converges; with
// zones it converges as soon as one zone has settled.
TEST_F(ZonesTest, StagesWithoutZonesDoNothingAndHeatLossConvergesOnTheFirstSettledZone) {
    zones().InitSimulation();
    EXPECT_EQ(progress_, std::vector<float>{0.0f});
    int yields = 0;
    state.yieldHandler = [&] { ++yields; };
    zones().InitDay();
    zones().InitTimeStep();
    zones().SimulateStep();
    zones().EndStep();
    zones().SendSummaryResultsEvents();
    EXPECT_EQ(yields, 0);
    EXPECT_EQ(zones().FloorArea(), 0.0f);
    bool converged = true;
    zones().CheckHeatLossConverged(converged);
    EXPECT_FALSE(converged);

    AddZones(2);
    zones().Item(1).AirTemperature = 20.0f;  // far from its last value
    zones().Item(2).AirTemperature = 0.005f;
    zones().CheckHeatLossConverged(converged);
    EXPECT_TRUE(converged);
    zones().Item(2).PeakHeatingLoad = 1.0;
    zones().CheckHeatLossConverged(converged);
    EXPECT_FALSE(converged);
}

TEST_F(ZonesTest, SetUpReportsProgressPerZoneAndStopsAtACancel) {
    AddZones(4);
    zones().InitSimulation();
    EXPECT_EQ(progress_, (std::vector<float>{0.0f, 0.25f, 0.5f, 0.75f, 1.0f}));

    progress_.clear();
    state.message.onProgress = [this](float& progress) {
        progress_.push_back(progress);
        if (progress >= 0.5f) state.engine->Cancelled = true;
    };
    zones().InitSimulation();
    EXPECT_EQ(progress_, (std::vector<float>{0.0f, 0.25f, 0.5f}));
}

TEST_F(ZonesTest, ACancelDuringTheGainsStopsTheWalkAndSkipsTheSolution) {
    AddZones(5);
    for (Zone& zone : zones()) {
        zone.FloorArea = 10.0f;
        zone.Volume = 30.0f;
    }
    zones().InitSimulation();
    int yields = 0;
    state.yieldHandler = [&] { ++yields; };
    zones().SimulateStep();
    EXPECT_EQ(yields, 5);  // one yield per zone

    // The host cancels in the yield after zone 2: zone 3's gains are the
    // last evaluated and no zone yields again. The zones not reached still
    // start their step, as the step's records read them.
    yields = 0;
    state.yieldHandler = [&] {
        if (++yields == 2) state.engine->Cancelled = true;
    };
    zones().Item(5).step.SIGKTA = 1.0f;
    zones().SimulateStep();
    EXPECT_EQ(yields, 2);
    EXPECT_EQ(zones().Item(5).step.SIGKTA, 0.0f);
}

TEST_F(ZonesTest, OccupancyBookkeepingFollowsTheOutputDetailCode) {
    AddZones(2);
    state.settings.outputDetailCode = 2;
    zones().OCCINI(1);
    EXPECT_EQ(zones().Item(1).OCONOF, 0);
    state.settings.outputDetailCode = 1;
    zones().OCCINI(1);
    EXPECT_EQ(zones().Item(1).OCONOF, 1);
    EXPECT_EQ(zones().Item(1).OCONOFN1, 0);

    // With code 1 every step asks the zone; an unoccupied zone goes off and
    // the previous state is kept in OCONOFN1.
    zones().InitTimeStep();
    EXPECT_EQ(zones().Item(2).OCONOFN1, 1);
    EXPECT_EQ(zones().Item(2).OCONOF, 0);
    zones().InitTimeStep();
    EXPECT_EQ(zones().Item(2).OCONOFN1, 0);

    // Other codes leave occupancy on.
    state.settings.outputDetailCode = 0;
    zones().OCCINI(2);
    EXPECT_EQ(zones().Item(2).OCONOF, 1);
}

TEST_F(ZonesTest, FloorAreasAndGTOTFALeaveOutLowZones) {
    Zone* low = zones().Add("low");
    low->FloorArea = 10.0f;
    low->Volume = 16.0f;  // height exactly 1.6: left out
    Zone* tall = zones().Add("tall");
    tall->FloorArea = 10.0f;
    tall->Volume = 16.1f;
    EXPECT_EQ(zones().Add("tall"), nullptr);  // duplicate key dropped
    EXPECT_EQ(zones().Item(1).Key, "low");    // zones keep reading order
    EXPECT_FLOAT_EQ(zones().FloorArea(), 20.0f);
    float area = -1.0f;
    float volume = -1.0f;
    zones().GTOTFA(area, volume);
    EXPECT_FLOAT_EQ(area, 10.0f);
    EXPECT_FLOAT_EQ(volume, 16.1f);

    // The building's own zone set gives its totals.
    Building& building = *state.building;
    EXPECT_EQ(building.TotalFloorArea(), 0.0f);
    Zone* own = building.BuildingZones().Add("b");
    own->FloorArea = 5.0f;
    own->Volume = 15.0f;
    EXPECT_FLOAT_EQ(building.TotalFloorArea(), 5.0f);
    EXPECT_FLOAT_EQ(building.OccupiedFloorArea(), 5.0f);
    EXPECT_FLOAT_EQ(building.Volume(), 15.0f);
}

}  // namespace
}  // namespace kz7
