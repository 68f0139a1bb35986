// Heating and cooling of a zone within the step.
#include "kz7/model/Zone.h"

namespace kz7 {

// Called by SolveKZ7 after the free-running node update (SOLVT), with the
// step coefficients set. The zone's heater and cooler decide from Ta2/Tr2
// against their set points whether to act; an emitter that acts adds its
// convective output to SIGKTA and its radiant output to SIGKTE (W), solves
// the nodes again (SOLVT), books its output in PLNTHT1 (heating, kW,
// positive) or PLNTHT2 (cooling, kW, negative), sets Duty(1)/Duty(2) and
// the peak loads, and ends with the secondary emitters in ordinary runs.
// Without emitters the zone runs free, which is what this body leaves.
void Zone::SolveEmitters() {}

}  // namespace kz7
