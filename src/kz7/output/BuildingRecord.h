#pragma once
// The building-and-plant record of each interval: texts 0..125, position 0
// empty, positions 1..54 the building values of the zone variables (filled by
// the zone result store), positions 66..125 the plant values (filled by the
// plant result store, which sends the record).
#include <array>
#include <cstdint>

#include "kz7/control/OutputData.h"
#include "kz7/output/ResultVariables.h"

namespace kz7 {

class BuildingRecord {
  public:
    static constexpr int32_t kSize = kLastPlantPosition + 1;

    BuildingRecord() {
        for (ValueArray& texts : texts_) texts.resize(kSize);
    }

    // The texts of interval 1..4.
    ValueArray& Texts(int32_t interval) { return texts_[Slot(interval)]; }

    // Positions 1..125 emptied, and the building values marked absent.
    void Empty(int32_t interval) {
        ValueArray& texts = Texts(interval);
        texts.resize(kSize);  // the host may have changed the array it was lent
        for (std::string& text : texts) text.clear();
        hasBuildingValues_[Slot(interval)] = false;
    }

    // Whether the zone result store has put this interval's building values in.
    bool HasBuildingValues(int32_t interval) const { return hasBuildingValues_[Slot(interval)]; }
    void MarkBuildingValues(int32_t interval) { hasBuildingValues_[Slot(interval)] = true; }

  private:
    static size_t Slot(int32_t interval) {
        return interval >= 1 && interval <= 4 ? static_cast<size_t>(interval) : 0;
    }

    std::array<ValueArray, 5> texts_;
    std::array<bool, 5> hasBuildingValues_{};
};

}  // namespace kz7
