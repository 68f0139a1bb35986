#pragma once
// The compass sector of an orientation in degrees: 0 (north) for
// -22.5 < d <= 22.5, then 1 to 7 for each further 45° band up to 337.5, and 0
// above 337.5 or at or below -22.5 (and for NaN).
#include <cmath>
#include <cstdint>

namespace kz7 {

inline int32_t OrientationSector(double degrees) {
    if (!(degrees > -22.5) || degrees > 337.5) return 0;
    return static_cast<int32_t>(std::ceil((degrees - 22.5) / 45.0));
}

}  // namespace kz7
