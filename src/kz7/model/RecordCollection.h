#pragma once
// A keyed collection of records that each read themselves: Read() makes a
// new item, has it read its record and inserts it under its key (before the
// first item; a duplicate key is dropped).
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "kz7/engine/EngineState.h"
#include "kz7/input/KeyedCollection.h"

namespace kz7 {

template <typename T>
class RecordCollection {
  public:
    explicit RecordCollection(EngineState& state) : state_(state) {}

    T* Read() {
        auto item = std::make_unique<T>(state_);
        item->Read();
        const std::string key = item->Key;
        T* added = items_.KeyedInsert(key, std::move(item));
        state_.recordOrigins.Note(state_, key, added != nullptr);
        return added;
    }
    void Clear() { items_.Clear(); }
    int32_t Count() const { return items_.Count(); }
    void Remove(std::string_view key) { items_.Remove(key); }
    // nullptr for an unknown key or position.
    T* Item(std::string_view key) const { return items_.Find(key); }
    T* Item(int32_t position) const { return items_.Find(position); }
    // The item named by a reference in another record; an unknown key is
    // reported as "Missing <what> <key> in <owner>" and gives nullptr. An
    // empty key names nothing and is not reported.
    T* Reference(std::string_view key, const std::string& what, const std::string& owner) const {
        if (key.empty()) return nullptr;
        T* found = items_.Find(key);
        if (found == nullptr)
            state_.ShowError("Missing " + what + " " + std::string(key) + " in " + owner);
        return found;
    }
    // 1-based position of `item` by identity; 0 when absent.
    int32_t Index(const T* item) const {
        int32_t position = 0;
        for (const T& candidate : items_) {
            ++position;
            if (&candidate == item) return position;
        }
        return 0;
    }
    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }

  protected:
    EngineState& state_;

  private:
    KeyedCollection<T> items_;
};

}  // namespace kz7
