#pragma once
// Counts heap allocations made while a probe is alive. The test program
// replaces the global operator new for this, once, in AllocationProbe.cpp.

namespace kz7::test {

class AllocationProbe {
  public:
    AllocationProbe();
    ~AllocationProbe();
    AllocationProbe(const AllocationProbe&) = delete;
    AllocationProbe& operator=(const AllocationProbe&) = delete;

    // Allocations since the probe was made.
    long Count() const;

  private:
    long start_;
};

}  // namespace kz7::test
