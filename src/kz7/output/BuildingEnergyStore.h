#pragma once
// The building energy store: 300 single-precision slots indexed from 1,
// cleared at the start of every time step. Gains and plant book into it;
// the plant result writer reports from it.
#include <array>
#include <cstddef>
#include <cstdint>

namespace kz7 {

class BuildingEnergyStore {
public:
    static constexpr int32_t kSize = 300;

    void Clear() { slots_.fill(0.0f); }
    // Slots outside 1..300 are ignored on write and read as 0.
    void Add(int32_t slot, float value) {
        if (slot >= 1 && slot <= kSize) slots_[static_cast<size_t>(slot)] += value;
    }
    void Set(int32_t slot, float value) {
        if (slot >= 1 && slot <= kSize) slots_[static_cast<size_t>(slot)] = value;
    }
    float Get(int32_t slot) const {
        return slot >= 1 && slot <= kSize ? slots_[static_cast<size_t>(slot)] : 0.0f;
    }

private:
    std::array<float, kSize + 1> slots_{};
};

}  // namespace kz7
