// Linked into the builds that allocate with mimalloc (kz7 and its
// benchmarks in Release): the heap is backed by the system's 2 MB pages
// where it has them (transparent huge pages on request), so that a run's
// buffers of megabytes are paged in 2 MB at a time rather than 4 kB, a
// page fault each. A stored 100-zone hourly year took some 6,700 page
// faults, mostly on the buffers its records are gathered in and SQLite's
// page cache, and takes about 800 so, with 2–6 % less processor time
// (docs/results.md).
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
    // Other threads' first segments too, which mimalloc would otherwise
    // commit piece by piece and not advise: the result writer's and the
    // log checkpointer's SQLite pages, about 1,000 faults of a stored
    // 100-zone year.
    mi_option_set(mi_option_eager_commit_delay, 0);
    void* probe = mi_malloc(1);
    AdviseMappingOf(probe);
    mi_free(probe);
    return true;
}();

}  // namespace
