#pragma once
// Asking the system to translate a range of the heap with huge pages, or
// for memory that it never backs with them.
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

// A block of `bytes` on the system's 4 kB pages, never on huge ones, for
// the buffers of megabytes a batch of results is gathered in, written once
// and read back once per batch. A first write to a fresh 2 MB page clears
// all of it, and on a virtual machine that hands its free memory back to
// the host, such a page is the host's to supply afresh: the clearing then
// took a quarter to a third of a stored run (docs/results.md). Pages of
// 4 kB are mostly ones the system has just had back from other processes. From 64 kB up
// the block is mapped on its own; smaller blocks come from the heap.
void* AllocateOnSmallPages(size_t bytes);
void FreeOnSmallPages(void* block, size_t bytes) noexcept;

// AllocateOnSmallPages as a container's allocator.
template <typename T>
class SmallPageAllocator {
  public:
    using value_type = T;

    SmallPageAllocator() = default;
    template <typename U>
    SmallPageAllocator(const SmallPageAllocator<U>&) noexcept {}

    T* allocate(std::size_t count) {
        return static_cast<T*>(AllocateOnSmallPages(count * sizeof(T)));
    }
    void deallocate(T* block, std::size_t count) noexcept {
        FreeOnSmallPages(block, count * sizeof(T));
    }

    template <typename U>
    bool operator==(const SmallPageAllocator<U>&) const noexcept {
        return true;
    }
};

}  // namespace kz7
