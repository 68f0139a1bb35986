#pragma once
// The part-load factor of a plant curve: the curve gives a percentage as a
// function of the ratio of a load to a reference.

namespace kz7 {

class Profile;

// 1 when the reference is 0.00001 or less (or no curve is given); otherwise the
// curve's value at |load / reference| as a fraction, never below 0.001, so a
// fuel division by it stays finite.
float PartLoadFactor(const Profile* curve, float load, float reference);

}  // namespace kz7
