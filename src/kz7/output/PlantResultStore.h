#pragma once
// The plant result store: one output handle per collected interval with one
// record per plant output group, filled at every kept step from the building
// energy store, and at the end of each interval the building-and-plant
// record sent to the host.
#include <array>
#include <cstdint>
#include <vector>

#include "kz7/output/OutputSelection.h"
#include "kz7/output/OutputStore.h"
#include "kz7/output/ResultVariables.h"

namespace kz7 {

class EngineState;
class BuildingRecord;


class PlantResultStore {
  public:
    PlantResultStore(EngineState& state, OutputStore& store, BuildingRecord& building);

    // −999 initialise, 2 open the handles, 5 close them (0 does nothing).
    void Control(int32_t code);
    // End of interval k. `discard` (warm-up, cancelled run) resets its sums.
    void Interval(bool discard, int32_t interval);
    void RecordStep(const IntervalWeights& weights);

    // How many boilers and chillers the plant has: their fuel slots depend on
    // it, and fuel positions of plant items that do not exist stay missing.
    void SetPlantItemCounts(int32_t boilers, int32_t chillers);

    int32_t Handle(int32_t interval) const;

  private:
    // Where a plant variable lives in the handle: record = its plant output
    // group, variable = its place within the group.
    struct Place {
        int32_t record = 0;
        int32_t variable = 0;
    };

    // The handle's record of each plant output group 1..3 (entry 0 empty).
    using GroupRecords = std::array<OutputRecord, kPlantOutputGroupCount + 1>;
    GroupRecords Groups(int32_t handle);

    bool GroupSelected(int32_t group, int32_t interval) const;
    // The energy store slot of a plant variable now, 0 when it has none.
    int32_t SlotOf(const PlantVariableInfo& variable) const;
    void Open();
    void Close();
    void Send(int32_t interval);
    // Lists the cells RecordStep adds to, from the open handles' selections
    // and the plant item counts.
    void PlanSteps();

    // One selected plant variable of one open handle with a slot to read.
    struct StepCell {
        OutputRecord record;
        int32_t variable = 0;
        int32_t slot = 0;
        int32_t interval = 0;
    };

    EngineState& state_;
    OutputStore& store_;
    BuildingRecord& building_;
    std::array<Place, kPlantVariableCount> places_{};
    int32_t variablesPerRecord_ = 0;
    std::array<int32_t, kIntervalCount + 1> handles_{};
    int32_t boilers_ = 0;
    int32_t chillers_ = 0;
    std::vector<StepCell> stepCells_;
};

}  // namespace kz7
