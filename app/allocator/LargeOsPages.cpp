// Linked into the builds that allocate with mimalloc (kz7 and its
// benchmarks in Release): the main thread's heap, which holds the model,
// the zones the engine walks at every step and the buffers a run's records
// are gathered in, is backed by the system's 2 MB pages where it has them
// (transparent huge pages on request): fewer page faults, and fewer address
// translations at every step. The other threads' heaps (the result
// writer's and the log checkpointer's, mostly SQLite's pages) are committed
// as mimalloc does by default, in small pieces: on huge pages each of them
// cleared fresh 2 MB pages for a few hundred kilobytes of use, which on a
// virtual machine that returns its free memory to the host cost more than
// the page faults saved (docs/results.md).
#include <mimalloc.h>

#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "kz7/platform/HugePages.h"

namespace {

// Asks for huge pages on the mapping that holds `address`, as listed in
// /proc/self/maps; nothing where that cannot be read.
void AdviseMappingOf(const void* address) {
    std::FILE* maps = std::fopen("/proc/self/maps", "r");
    if (maps == nullptr) return;
    const auto at = reinterpret_cast<uintptr_t>(address);
    char line[512];
    while (std::fgets(line, sizeof line, maps) != nullptr) {
        uintptr_t first = 0, last = 0;
        if (std::sscanf(line, "%" SCNxPTR "-%" SCNxPTR, &first, &last) != 2) continue;
        if (at < first || at >= last) continue;
        kz7::AddressSpan mapping;
        mapping.Add(reinterpret_cast<const void*>(first), last - first);
        kz7::AskForHugePagesOnFirstWrite(mapping);
        break;
    }
    std::fclose(maps);
}

// mimalloc asks for huge pages on each segment it takes from the system
// once its option is set. It reads its options when the process starts,
// from the environment, and by then it has taken the main thread's first
// segment, which holds most of a run's memory: that one is advised here.
// A user's own MIMALLOC_LARGE_OS_PAGES stands.
[[maybe_unused]] const bool kLargeOsPages = [] {
    if (std::getenv("MIMALLOC_LARGE_OS_PAGES") != nullptr) return false;
    mi_option_enable(mi_option_large_os_pages);
    void* probe = mi_malloc(1);
    AdviseMappingOf(probe);
    mi_free(probe);
    return true;
}();

}  // namespace
