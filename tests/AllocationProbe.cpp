// The test program's global allocation functions, counting while armed. They
// are kept out of line: inlined into a caller, the compiler would pair their
// malloc/free with the caller's new/delete.
#include "AllocationProbe.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
std::atomic<bool> probeArmed{false};
std::atomic<long> probedAllocations{0};
}  // namespace

[[gnu::noinline]] void* operator new(std::size_t size) {
    if (probeArmed.load(std::memory_order_relaxed))
        probedAllocations.fetch_add(1, std::memory_order_relaxed);
    if (void* memory = std::malloc(size == 0 ? 1 : size)) return memory;
    throw std::bad_alloc();
}
[[gnu::noinline]] void* operator new[](std::size_t size) {
    return ::operator new(size);
}
[[gnu::noinline]] void operator delete(void* memory) noexcept {
    std::free(memory);
}
[[gnu::noinline]] void operator delete[](void* memory) noexcept {
    std::free(memory);
}
[[gnu::noinline]] void operator delete(void* memory, std::size_t) noexcept {
    std::free(memory);
}
[[gnu::noinline]] void operator delete[](void* memory, std::size_t) noexcept {
    std::free(memory);
}

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
