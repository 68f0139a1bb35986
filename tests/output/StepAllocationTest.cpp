// Checks that recording a time step's results allocates no memory: this test
// program's global operator new counts allocations while a probe is armed.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "AllocationProbe.h"
#include "kz7/engine/EngineState.h"
#include "kz7/model/Zone.h"
#include "kz7/output/EnergySlots.h"
#include "kz7/output/ResultStores.h"

namespace kz7 {
namespace {

TEST(StepAllocation, RecordingAStepAllocatesNothing) {
    EngineState state;
    state.clock.SetTimeStep(10);
    state.settings.outputDetailCode = 2;  // an unsent time-step handle, reset each step
    state.settings.hourlyResults = true;
    state.settings.dailyResults = true;
    for (auto& group : state.settings.plantOutputOptions) group[3] = 1;
    for (int32_t n = 1; n <= 100; ++n) {
        Zone* zone = state.zones->Add(std::to_string(n));
        zone->Key = std::to_string(n);
        zone->FloorArea = 50.0f;
        for (int32_t group = 1; group <= kZoneOutputGroupCount; ++group)
            state.zones->Item(n).Outputs[group - 1][4 - 1] = 1;
    }
    state.results->SetPlantItemCounts(3, 2);
    state.results->ZoneControl(0);
    state.results->ZoneControl(2);
    state.results->PlantControl(2);

    {
        test::AllocationProbe probe;
        for (int32_t step = 0; step < 6; ++step) {
            for (Zone& zone : *state.zones) {
                zone.stepValues.Clear();
                for (const ZoneVariableInfo& variable : ZoneVariables())
                    zone.stepValues.Set(static_cast<ZoneVariable>(variable.position), 1.0f);
            }
            state.energy.Set(EnergySlot::kHeatingDelivered, 2.0f);
            state.results->RecordZoneStep();
            state.results->RecordPlantStep();
            state.results->ZoneInterval(false, 1);
            state.results->PlantInterval(false, 1);
        }
        EXPECT_EQ(probe.Count(), 0);
    }

    // The probe does see allocations.
    {
        test::AllocationProbe probe;
        auto text = std::make_unique<std::string>(100, 'x');
        EXPECT_GE(probe.Count(), 1);
    }

    // Once the record texts have grown, sending an hour allocates nothing
    // either: values are written into the texts in place. The hour arrives whole.
    int32_t records = 0;
    state.outputData.onSave = [&](int16_t&, int32_t& zone, ValueArray& values, double&) {
        ++records;
        EXPECT_EQ(values[static_cast<size_t>(ZoneVariable::Heating)], zone == 0 ? "100" : "1");
    };
    state.results->ZoneInterval(false, 2);
    state.results->PlantInterval(false, 2);
    for (int32_t step = 0; step < 6; ++step) {
        state.results->RecordZoneStep();
        state.results->RecordPlantStep();
    }
    {
        test::AllocationProbe probe;
        state.results->ZoneInterval(false, 2);
        state.results->PlantInterval(false, 2);
        EXPECT_EQ(probe.Count(), 0);
    }
    EXPECT_EQ(records, 2 * 101);
}

}  // namespace
}  // namespace kz7
