#pragma once
// An output selection: for each output group, whether each interval (1 time
// step, 2 hour, 3 day, 4 month) is collected and sent.
#include <array>
#include <cstdint>

#include "kz7/engine/ProcessSettings.h"

namespace kz7 {

constexpr int32_t kIntervalCount = 4;
// The weight of a step in each interval 1..4 (entry 0 unused).
using IntervalWeights = std::array<float, kIntervalCount + 1>;

template <int32_t Groups>
class GroupSelection {
  public:
    // Groups 1..Groups, intervals 1..4; others are ignored and read as off.
    void Set(int32_t group, int32_t interval, bool on) {
        if (Inside(group, interval)) cells_[Cell(group, interval)] = on;
    }
    bool Get(int32_t group, int32_t interval) const {
        return Inside(group, interval) && cells_[Cell(group, interval)];
    }
    bool Any(int32_t interval) const {
        for (int32_t group = 1; group <= Groups; ++group)
            if (Get(group, interval)) return true;
        return false;
    }

  private:
    static bool Inside(int32_t group, int32_t interval) {
        return group >= 1 && group <= Groups && interval >= 1 && interval <= kIntervalCount;
    }
    static size_t Cell(int32_t group, int32_t interval) {
        return static_cast<size_t>((group - 1) * kIntervalCount + (interval - 1));
    }

    std::array<bool, static_cast<size_t>(Groups* kIntervalCount)> cells_{};
};

// The control's output flags force every group of their interval on:
// TimeSteplyResults the time step, HourlyResults the hour, DailyResults the day.
inline bool HostForcesInterval(const ProcessSettings& settings, int32_t interval) {
    switch (interval) {
        case 1:
            return settings.timeSteplyResults;
        case 2:
            return settings.hourlyResults;
        case 3:
            return settings.dailyResults;
        default:
            return false;
    }
}

// Steps per hour for the hour, day and month handles; 1 for the time-step
// handle. A time step that is not positive gives 0, which makes summed
// variables report their mean instead.
inline float IntervalScale(int32_t interval, int32_t timeStepMinutes) {
    if (interval == 1) return 1.0f;
    return timeStepMinutes > 0 ? 60.0f / static_cast<float>(timeStepMinutes) : 0.0f;
}

}  // namespace kz7
