#pragma once
// The values of one result record as a store sends it: numbers always, and
// the texts of the text form only while a listener wants them, so that a
// host taking numbers costs no formatting.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>
#include <span>
#include <string>
#include <vector>

#include "kz7/control/OutputData.h"
#include "kz7/output/OutputStore.h"
#include "kz7/platform/CacheLineAllocator.h"

namespace kz7 {

class RecordValues {
  public:
    // Numbers have room for a whole record row after position 0 however
    // few positions the record has (see RowNumbers).
    explicit RecordValues(size_t size)
        : size_(size),
          numbers_(kLead + std::max(size, static_cast<size_t>(OutputStore::kRowCells) + 1), kNone),
          texts_(size) {}

    // Every position empty (NaN, empty text); texts are kept from here on
    // only when `withTexts`.
    void Begin(bool withTexts) {
        withTexts_ = withTexts;
        std::fill_n(Positions(), size_, kNone);
        if (!withTexts) return;
        texts_.resize(size_);  // the host may have changed the array it was lent
        for (std::string& text : texts_) text.clear();
    }

    // The position's value as the host receives it: its number (NaN when
    // missing or not collected) and, when texts are kept, its text.
    void Set(size_t position, const IntervalValue& value, char decimalSeparator) {
        if (position >= size_) return;
        Positions()[position] = value.state == IntervalValue::State::Present
                                 ? static_cast<float>(value.value)
                                 : kNone;
        if (withTexts_) AssignIntervalText(texts_[position], value, decimalSeparator);
    }
    // The numbers of positions 1.. for a pass over a whole record row
    // (OutputRecord::TakeInterval): OutputStore::kRowCells of them, those
    // past the record's positions never sent.
    float* RowNumbers() { return Positions() + 1; }
    // The texts of positions 1.. from a record's reading, position v + 1
    // from cell v: as Set for every selected cell; a cell not selected stays
    // empty. Nothing when texts are not kept.
    void SetTexts(const RecordReading& reading, char decimalSeparator) {
        if (!withTexts_) return;
        const size_t cells = std::min(reading.cells, size_ > 0 ? size_ - 1 : 0);
        for (size_t cell = 0; cell < cells; ++cell)
            if (reading.selected[cell] != 0)
                AssignIntervalText(texts_[cell + 1], reading.ValueOf(cell), decimalSeparator);
    }
    // A position not collected for this record: empty.
    void Clear(size_t position) {
        if (position >= size_) return;
        Positions()[position] = kNone;
        if (withTexts_) texts_[position].clear();
    }

    std::span<const float> Numbers() const { return {Positions(), size_}; }
    // The texts, or null when they are not kept.
    ValueArray* Texts() { return withTexts_ ? &texts_ : nullptr; }

  private:
    static constexpr float kNone = std::numeric_limits<float>::quiet_NaN();

    // Position 1 starts a cache line, so that the row pass's wide stores
    // each fill one line rather than straddle two.
    static constexpr size_t kLead = kCacheLine / sizeof(float) - 1;
    float* Positions() { return numbers_.data() + kLead; }
    const float* Positions() const { return numbers_.data() + kLead; }

    size_t size_;
    std::vector<float, CacheLineAllocator<float>> numbers_;
    ValueArray texts_;
    bool withTexts_ = true;
};

}  // namespace kz7
