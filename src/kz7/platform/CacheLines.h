#pragma once
// The cache line the step state is laid out for, and asking for a stretch
// of memory ahead of its use.
#include <cstddef>
#include <cstdint>

namespace kz7 {

inline constexpr size_t kCacheLine = 64;

enum class PrefetchFor { Reading, Writing };

// Asks for every cache line that [from, to) lies on, for reading or, ahead
// of stores, for writing. A prefetch never faults: the range may reach
// past the memory it starts in.
inline void PrefetchRange(const void* from, const void* to, PrefetchFor use = PrefetchFor::Reading) {
    const auto end = reinterpret_cast<uintptr_t>(to);
    for (auto line = reinterpret_cast<uintptr_t>(from) & ~uintptr_t{kCacheLine - 1}; line < end;
         line += kCacheLine) {
        if (use == PrefetchFor::Writing)
            __builtin_prefetch(reinterpret_cast<const void*>(line), 1);
        else
            __builtin_prefetch(reinterpret_cast<const void*>(line));
    }
}

}  // namespace kz7
