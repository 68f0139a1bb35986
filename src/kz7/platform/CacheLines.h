#pragma once
// The cache line the step state is laid out for, and asking for a stretch
// of memory ahead of its use.
#include <cstddef>
#include <cstdint>

namespace kz7 {

inline constexpr size_t kCacheLine = 64;

// Asks for every cache line that [from, to) lies on.
inline void PrefetchRange(const void* from, const void* to) {
    const auto end = reinterpret_cast<uintptr_t>(to);
    for (auto line = reinterpret_cast<uintptr_t>(from) & ~uintptr_t{kCacheLine - 1}; line < end; line += kCacheLine)
        __builtin_prefetch(reinterpret_cast<const void*>(line));
}

}  // namespace kz7
