#include "kz7/platform/HugePages.h"

#include <algorithm>
#include <atomic>
#include <new>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace kz7 {

namespace {
constexpr uintptr_t kHugePage = uintptr_t{2} << 20;
#if defined(__linux__)
// Linux 6.1 and later; older C libraries do not name it.
constexpr int kCollapse = 25;  // MADV_COLLAPSE
constexpr int kOnFirstWrite = MADV_HUGEPAGE;
#else
constexpr int kCollapse = 0;
constexpr int kOnFirstWrite = 0;
#endif

// Gives `advice` for the whole huge pages within `span`, if any.
bool AdviseWholeHugePages(const AddressSpan& span, [[maybe_unused]] int advice) {
    if (span.Empty()) return false;
    const uintptr_t first = (span.First() + kHugePage - 1) & ~(kHugePage - 1);
    const uintptr_t last = span.Last() & ~(kHugePage - 1);
    if (last <= first) return false;
#if defined(__linux__)
    return madvise(reinterpret_cast<void*>(first), last - first, advice) == 0;
#else
    return false;
#endif
}
}  // namespace

void AddressSpan::Add(const void* object, size_t bytes) {
    // An empty list has no address (often none at all).
    if (object == nullptr || bytes == 0) return;
    const auto address = reinterpret_cast<uintptr_t>(object);
    first_ = std::min(first_, address);
    last_ = std::max(last_, address + bytes);
}

bool AskForHugePages(const AddressSpan& span) {
    return AdviseWholeHugePages(span, kCollapse);
}

bool AskForHugePagesOnFirstWrite(const AddressSpan& span) {
    return AdviseWholeHugePages(span, kOnFirstWrite);
}

namespace {
constexpr size_t kMappedOnItsOwn = size_t{64} << 10;
constexpr uintptr_t kSmallPage = 4096;
constexpr uintptr_t kCacheLine = 64;

// Where the next mapped block starts within its first page, a cache line
// further each time. Blocks that all started on a page would put the same
// place of each (the next record of every stream) in the same set of the
// first-level cache, which holds a dozen lines of a set: a hundred streams
// written in turn would throw each other's lines out before they are used.
uintptr_t NextColour() {
    static std::atomic<uintptr_t> blocks{0};
    return (blocks.fetch_add(1, std::memory_order_relaxed) * kCacheLine) % kSmallPage;
}
}  // namespace

void* AllocateOnSmallPages(size_t bytes) {
#if defined(__linux__)
    if (bytes >= kMappedOnItsOwn) {
        const uintptr_t colour = NextColour();
        void* mapping = mmap(nullptr, bytes + colour, PROT_READ | PROT_WRITE,
                             MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (mapping == MAP_FAILED) throw std::bad_alloc();
        // Where huge pages are given unasked, this mapping still takes none.
        madvise(mapping, bytes + colour, MADV_NOHUGEPAGE);
        return static_cast<char*>(mapping) + colour;
    }
#endif
    return ::operator new(bytes);
}

void FreeOnSmallPages(void* block, size_t bytes) noexcept {
#if defined(__linux__)
    if (bytes >= kMappedOnItsOwn) {
        const uintptr_t colour = reinterpret_cast<uintptr_t>(block) % kSmallPage;
        munmap(static_cast<char*>(block) - colour, bytes + colour);
        return;
    }
#endif
    ::operator delete(block);
}

}  // namespace kz7
