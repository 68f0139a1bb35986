#pragma once
// Asking the system to translate a range of the heap with huge pages.
#include <cstddef>
#include <cstdint>

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

}  // namespace kz7
