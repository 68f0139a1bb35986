#pragma once
// One zone's values of the current time step, by zone variable position.
// The zone clears them where its solution starts (Zone::SolveKZ7: nothing
// earlier in the step writes them), sets or adds what it knows during the
// solution and its filing, and the zone result store reads them at the end of
// the step. A position left unset is not recorded for that
// step, so an interval in which it was never set reports the missing value.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "kz7/output/ResultVariables.h"

namespace kz7 {

class ZoneStepValues {
  public:
    void Clear() { set_ = 0; }

    void Set(ZoneVariable variable, float value) {
        const size_t i = Index(variable);
        values_[i] = value;
        set_ |= Bit(i);
    }
    // Accumulates within the step (an unset position counts as 0).
    void Add(ZoneVariable variable, float value) {
        const size_t i = Index(variable);
        values_[i] = (set_ & Bit(i)) != 0 ? values_[i] + value : value;
        set_ |= Bit(i);
    }
    // Marks the step's value as missing: the interval it falls in reports "-32768".
    void SetMissing(ZoneVariable variable) { Set(variable, kMissingValue); }

    // By position 1..54; positions outside read as unset.
    bool IsSet(int32_t position) const {
        return position >= 1 && position <= kZoneVariableCount &&
               (set_ & Bit(static_cast<size_t>(position))) != 0;
    }
    float Value(int32_t position) const {
        return IsSet(position) ? values_[static_cast<size_t>(position)] : 0.0f;
    }

    // The positions some open output handle collects for this zone, so that
    // filing can skip costly values nobody takes (relative humidity, the
    // sums of gains and element flows). Every position until the result
    // store says otherwise.
    static constexpr uint64_t kAllPositions = ~uint64_t{0};
    void SetWanted(uint64_t positions) { wanted_ = positions; }
    bool Wants(ZoneVariable variable) const { return (wanted_ & Bit(Index(variable))) != 0; }
    bool WantsAny(ZoneVariable first, ZoneVariable last) const {
        return (wanted_ & Bits(first, last)) != 0;
    }

    // Sums of a step kept in place: positions first..last start at 0 and are
    // marked set, and AddAt adds onto one of them; kNoPosition, which holds
    // no variable, takes what is added to none. SetSums gives positions
    // their whole sums at once.
    static constexpr size_t kNoPosition = 0;
    void StartSums(ZoneVariable first, ZoneVariable last) {
        std::fill(values_.begin() + static_cast<std::ptrdiff_t>(Index(first)),
                  values_.begin() + static_cast<std::ptrdiff_t>(Index(last)) + 1, 0.0f);
        values_[kNoPosition] = 0.0f;
        set_ |= Bits(first, last);
    }
    void AddAt(size_t position, float value) { values_[position] += value; }
    // Positions first, first + 1, ... take `sums` whole, and are marked set.
    void SetSums(ZoneVariable first, std::span<const float> sums) {
        std::copy(sums.begin(), sums.end(),
                  values_.begin() + static_cast<std::ptrdiff_t>(Index(first)));
        set_ |= Bits(first, static_cast<ZoneVariable>(Index(first) + sums.size() - 1));
    }

    // The whole step by position (index 0 no variable, then kPositions), for the
    // result store: the values, of which only those whose bit is set in
    // SetPositions() (bit p: position p) were given in this step.
    std::span<const float> Values() const { return values_; }
    uint64_t SetPositions() const { return set_; }

    // Positions 1..54 and unused ones up to the output store's whole rows
    // (kRecordRowCells), never set.
    static constexpr size_t kPositions = kRecordRowCells;

  private:
    static size_t Index(ZoneVariable variable) { return static_cast<size_t>(variable); }
    static uint64_t Bit(size_t position) { return uint64_t{1} << position; }
    // The bits of positions first..last.
    static uint64_t Bits(ZoneVariable first, ZoneVariable last) {
        return (~uint64_t{0} >> (63 - Index(last))) & (~uint64_t{0} << Index(first));
    }
    static_assert(kPositions < 64, "a position's set flag is one bit of a 64-bit word");

    std::array<float, kPositions + 1> values_{};
    // Bit p: position p was given in this step. One word, so that clearing
    // the step is one store and the store's row pass reads the flags at once.
    uint64_t set_ = 0;
    uint64_t wanted_ = kAllPositions;  // bit p: position p
};
static_assert(sizeof(ZoneStepValues) <= 4 * 64, "a zone's step values fill four cache lines");

}  // namespace kz7
