// The test program's global allocation functions, counting while armed.
#include "AllocationProbe.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
std::atomic<bool> probeArmed{false};
std::atomic<long> probedAllocations{0};
}  // namespace

void* operator new(std::size_t size) {
    if (probeArmed.load(std::memory_order_relaxed)) probedAllocations.fetch_add(1, std::memory_order_relaxed);
    if (void* memory = std::malloc(size == 0 ? 1 : size)) return memory;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return ::operator new(size); }
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete[](void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::size_t) noexcept { std::free(memory); }

namespace kz7::test {

void ArmAllocationProbe() {
    probedAllocations = 0;
    probeArmed = true;
}

long DisarmAllocationProbe() {
    probeArmed = false;
    return probedAllocations.load();
}

}  // namespace kz7::test
