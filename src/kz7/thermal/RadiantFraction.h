#pragma once
// The radiant share of an emitter's output as the emitter control uses it.

namespace kz7 {

// Emitters split their output as convective q and radiant q·r/(1 − r), which
// has no finite value at r = 1; the share is therefore held within
// [0, kLargestRadiantFraction]. Definitions outside [0, 1) are reported before
// a run.
constexpr float kLargestRadiantFraction = 0.99f;

inline float UsableRadiantFraction(float r) {
    if (!(r > 0.0f)) return 0.0f;  // also a NaN
    return r < kLargestRadiantFraction ? r : kLargestRadiantFraction;
}

inline bool RadiantFractionInRange(float r) {
    return r >= 0.0f && r < 1.0f;
}

}  // namespace kz7
