#pragma once
// An allocator that starts every block on a cache line, for the small blocks
// a time step reads of each zone (its elements' step flows and paths): the
// default heap aligns to 16 bytes, so that a block of 40 to 64 bytes would
// often straddle two lines and a step read both.
#include <cstddef>
#include <new>

#include "kz7/platform/CacheLines.h"

namespace kz7 {

template <typename T>
class CacheLineAllocator {
  public:
    using value_type = T;
    static constexpr std::align_val_t kAlignment{kCacheLine};

    CacheLineAllocator() = default;
    template <typename U>
    CacheLineAllocator(const CacheLineAllocator<U>&) noexcept {}

    T* allocate(std::size_t count) { return static_cast<T*>(::operator new(count * sizeof(T), kAlignment)); }
    void deallocate(T* block, std::size_t) noexcept { ::operator delete(block, kAlignment); }

    template <typename U>
    bool operator==(const CacheLineAllocator<U>&) const noexcept {
        return true;
    }
};

}  // namespace kz7
