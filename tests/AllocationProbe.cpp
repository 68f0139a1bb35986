#include "AllocationProbe.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
std::atomic<int> armedProbes{0};
std::atomic<long> allocations{0};
}  // namespace

// Counting replacements of the global allocation functions. Kept out of
// line: inlined into a caller, the compiler could pair its malloc and free
// with the caller's new and delete and drop them.
[[gnu::noinline]] void* operator new(std::size_t size) {
    if (armedProbes.load(std::memory_order_relaxed) > 0)
        allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* memory = std::malloc(size == 0 ? 1 : size)) return memory;
    throw std::bad_alloc();
}
[[gnu::noinline]] void* operator new[](std::size_t size) {
    return ::operator new(size);
}
// The no-throw forms (std::stable_sort's buffer) must come from the same
// heap as the deletes below.
[[gnu::noinline]] void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return ::operator new(size);
    } catch (...) {
        return nullptr;
    }
}
[[gnu::noinline]] void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return ::operator new(size, std::nothrow);
}
[[gnu::noinline]] void operator delete(void* memory, const std::nothrow_t&) noexcept {
    std::free(memory);
}
[[gnu::noinline]] void operator delete[](void* memory, const std::nothrow_t&) noexcept {
    std::free(memory);
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

AllocationProbe::AllocationProbe() : start_(allocations.load()) {
    armedProbes.fetch_add(1);
}
AllocationProbe::~AllocationProbe() {
    armedProbes.fetch_sub(1);
}
long AllocationProbe::Count() const {
    return allocations.load() - start_;
}

}  // namespace kz7::test
