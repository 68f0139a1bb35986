#pragma once
// Counts the heap allocations this test program makes while armed; the
// global operator new of the test program (AllocationProbe.cpp) feeds it.

namespace kz7::test {

void ArmAllocationProbe();     // starts counting from zero
long DisarmAllocationProbe();  // stops and gives the count

}  // namespace kz7::test
