#pragma once
// Clear-sky direct-beam coefficients: transmittance c1·Z² + c2·Z + c3 at site
// height Z (m), for sun altitudes 0°, 5°, ..., 90° (rows 1..19).
#include <cstdint>

namespace kz7 {

class EngineState;

// Precipitable-water levels of the full table: w = 0, 0.0025, ..., 0.06 give
// columns 1..25. The engine's design days use zero precipitable water, and
// column 1 is the one held.
constexpr int32_t kPrecipitableWaterColumns = 25;

// Coefficient c_j (j = 1..3) of altitude row i (1..19) in column k. A column
// beyond the table (k > 25) reports "ERROR MAX WV = .06"; a column the
// engine does not hold (2..25) is reported too; both give 0.
double COFF(EngineState& state, int32_t i, int32_t j, int32_t k);

// The held column, for the design-day calculation.
double DryAirBeamCoefficient(int32_t i, int32_t j);

}  // namespace kz7
