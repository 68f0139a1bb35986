#pragma once
// The building-and-plant record of each interval: texts 0..125, position 0
// empty, positions 1..54 the building values of the zone variables (filled by
// the zone result store), positions 66..125 the plant values (filled by the
// plant result store, which sends the record).
#include <array>
#include <cstdint>

#include <vector>

#include "kz7/output/RecordValues.h"
#include "kz7/output/ResultVariables.h"

namespace kz7 {

class BuildingRecord {
  public:
    static constexpr int32_t kSize = kLastPlantPosition + 1;

    BuildingRecord() {
        for (size_t slot = 0; slot < kSlots; ++slot) values_.emplace_back(kSize);
    }

    // The values of interval 1..4.
    RecordValues& Values(int32_t interval) { return values_[Slot(interval)]; }

    // Positions 1..125 emptied, texts kept only when `withTexts`, and the
    // building values marked absent.
    void Empty(int32_t interval, bool withTexts) {
        Values(interval).Begin(withTexts);
        hasBuildingValues_[Slot(interval)] = false;
    }

    // Whether the zone result store has put this interval's building values in.
    bool HasBuildingValues(int32_t interval) const { return hasBuildingValues_[Slot(interval)]; }
    void MarkBuildingValues(int32_t interval) { hasBuildingValues_[Slot(interval)] = true; }

  private:
    static constexpr size_t kSlots = 5;
    static size_t Slot(int32_t interval) {
        return interval >= 1 && interval <= 4 ? static_cast<size_t>(interval) : 0;
    }

    std::vector<RecordValues> values_;
    std::array<bool, kSlots> hasBuildingValues_{};
};

}  // namespace kz7
