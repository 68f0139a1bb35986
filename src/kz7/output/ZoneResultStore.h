#pragma once
// The zone result store: one output handle per collected interval with one
// record per zone (the first 1000 zones), the zones' step values added at
// every kept step, and at the end of each interval the building values and
// one zone record per zone sent to the host.
#include <array>
#include <cstdint>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "kz7/control/OutputData.h"
#include "kz7/output/OutputSelection.h"
#include "kz7/output/OutputStore.h"
#include "kz7/output/RecordValues.h"
#include "kz7/output/ResultVariables.h"

namespace kz7 {

class EngineState;
class BuildingRecord;
class Zone;

// Interval code of the plant-switch record: a zone's emitters switching on
// or off in a step, sent with the output detail code 2.
constexpr int16_t kPlantSwitchInterval = 7;

class ZoneResultStore {
  public:
    ZoneResultStore(EngineState& state, OutputStore& store, BuildingRecord& building);

    // −999 initialise (also forgets the zone selections), 0 reset the
    // interval selection, 2 open the handles, 5 close them.
    void Control(int32_t code);
    // End of interval k. `discard` (warm-up, cancelled run) resets its sums.
    void Interval(bool discard, int32_t interval);
    // Every zone's step values into every open handle.
    void RecordStep(const IntervalWeights& weights);
    // One zone's step values (record number 1..) into every open handle.
    void RecordZone(int32_t record, const Zone& zone, const IntervalWeights& weights);
    // The zone's plant switched on (1) or off (−1) this step: one record
    // under the zone's record number, at the step's end.
    void SendPlantSwitch(const Zone& zone, int32_t change);

    // The open handle of interval 1..4 (0 when not collected), and whether
    // its records are sent.
    int32_t Handle(int32_t interval) const;
    bool IsSent(int32_t interval) const;
    bool HasOpenHandle() const;

  private:
    bool GroupSelected(int32_t zoneIndex, int32_t group, int32_t interval) const;
    bool IntervalSelected(int32_t interval, int32_t records) const;
    void Open();
    void Close();
    void FindZoneNumbers(int32_t records);
    uint64_t CollectedPositions(int32_t record) const;
    void SendZoneRecords(int32_t interval, bool withTexts);
    void WriteBuildingValues(int32_t interval, bool withTexts);

    // The building values of the zone variables as the zone records are
    // read (OutputRecord::TakeInterval, each zone weighted by its floor
    // area), cell v − 1 holding variable v.
    class BuildingTotals {
      public:
        void Clear() { cells_ = RecordTotals{}; }
        RecordTotals& Cells() { return cells_; }
        bool Selected(size_t cell) const { return ((cells_.selectedCells >> cell) & 1u) != 0; }
        IntervalValue Value(size_t cell, Aggregation aggregation) const;

      private:
        RecordTotals cells_;
    };

    EngineState& state_;
    OutputStore& store_;
    BuildingRecord& building_;
    std::array<int32_t, kIntervalCount + 1> handles_{};
    // Each open handle's zone records by record number − 1, looked up once
    // when opened rather than at every step of every zone.
    std::array<std::vector<OutputRecord>, kIntervalCount + 1> cells_{};
    // The intervals whose handles are open, in order: the ones each zone's
    // step goes into.
    std::vector<int32_t> collecting_;
    std::array<bool, kIntervalCount + 1> sent_{};
    int32_t records_ = 0;
    std::vector<int32_t> zoneNumbers_;  // the Zone argument of each record, by record
    std::unordered_map<const Zone*, int32_t> numberOfZone_;  // the same, by zone
    RecordValues values_;
    RecordReading reading_;  // scratch of SendZoneRecords
    BuildingTotals totals_;
};

}  // namespace kz7
