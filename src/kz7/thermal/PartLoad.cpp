#include "kz7/thermal/PartLoad.h"

#include <cmath>

#include "kz7/model/Profile.h"

namespace kz7 {

namespace {
constexpr float kSmallestReference = 0.00001f;
constexpr float kSmallestFactor = 0.001f;
}  // namespace

float PartLoadFactor(const Profile* curve, float load, float reference) {
    if (reference <= kSmallestReference || curve == nullptr) return 1.0f;
    const float percent = curve->Value(std::fabs(load / reference));
    // fmax drops a NaN from a broken curve in favour of the floor.
    return std::fmax(percent * 0.01f, kSmallestFactor);
}

}  // namespace kz7
