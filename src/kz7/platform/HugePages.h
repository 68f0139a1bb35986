#pragma once
// Asking the system to translate a range of the heap with huge pages.
#include <cstddef>
#include <cstdint>
#include <new>

namespace kz7 {

// The addresses some objects take, grown object by object; an empty object
// or list adds nothing.
class AddressSpan {
  public:
    void Add(const void* object, size_t bytes);
    uintptr_t First() const { return first_; }
    uintptr_t Last() const { return last_; }
    bool Empty() const { return last_ <= first_; }

  private:
    uintptr_t first_ = UINTPTR_MAX;
    uintptr_t last_ = 0;
};

// Backs the whole 2 MB pages within `span` with huge pages at once, so that
// walking the objects there needs a few address translations instead of
// one per 4 kB page. The contents stay as they are. Best effort: true when
// the system did so, false where it cannot (another system, a kernel before
// 6.1, huge pages switched off) or the span holds no whole huge page.
bool AskForHugePages(const AddressSpan& span);

// Asks that the whole 2 MB pages within `span` be backed by huge pages as
// they are first written, rather than at once: for memory taken but not yet
// used. Best effort, as above: true when the system took the advice.
bool AskForHugePagesOnFirstWrite(const AddressSpan& span);

// A block of `bytes` for a buffer written soon after it is taken. From a
// huge page up, the block starts on one, spans whole ones and is asked to
// be backed by them as it is first written: one page fault per 2 MB rather
// than 512. Smaller blocks come from the heap as usual.
void* AllocateOnHugePages(size_t bytes);
void FreeOnHugePages(void* block, size_t bytes) noexcept;

// AllocateOnHugePages as a container's allocator, for the buffers of
// megabytes that a batch of results is gathered in.
template <typename T>
class HugePageAllocator {
  public:
    using value_type = T;

    HugePageAllocator() = default;
    template <typename U>
    HugePageAllocator(const HugePageAllocator<U>&) noexcept {}

    T* allocate(std::size_t count) { return static_cast<T*>(AllocateOnHugePages(count * sizeof(T))); }
    void deallocate(T* block, std::size_t count) noexcept { FreeOnHugePages(block, count * sizeof(T)); }

    template <typename U>
    bool operator==(const HugePageAllocator<U>&) const noexcept {
        return true;
    }
};

}  // namespace kz7
