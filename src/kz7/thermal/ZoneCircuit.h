#pragma once
// Complex parallel combinations used by the zone circuit's frequency views.
#include "kz7/thermal/Complex.h"

namespace kz7 {

// Z1 and Z2 in parallel; an impedance of 1e-20 or less is a short circuit
// and one of 1e20 or more an open circuit.
Complex ParallelZ(Complex Z1, Complex Z2);
// Z in parallel with a conductance K (W/K); K of 1e-20 or less adds nothing.
Complex ParallelK(Complex Z, double K);

}  // namespace kz7
