#include "kz7/platform/HugePages.h"

#include <algorithm>

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
constexpr std::align_val_t kHugePageAlignment{kHugePage};
size_t WholeHugePages(size_t bytes) {
    return (bytes + kHugePage - 1) & ~(kHugePage - 1);
}
}  // namespace

void* AllocateOnHugePages(size_t bytes) {
    if (bytes < kHugePage) return ::operator new(bytes);
    const size_t whole = WholeHugePages(bytes);
    void* block = ::operator new(whole, kHugePageAlignment);
    AddressSpan span;
    span.Add(block, whole);
    AskForHugePagesOnFirstWrite(span);
    return block;
}

// Unsized: not every compiler declares the sized forms by default.
void FreeOnHugePages(void* block, size_t bytes) noexcept {
    if (bytes < kHugePage)
        ::operator delete(block);
    else
        ::operator delete(block, kHugePageAlignment);
}

}  // namespace kz7
