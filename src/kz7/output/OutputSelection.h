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
