#pragma once
// The keyed, 1-based ordered collection that every model collection wraps.
#include <cstdint>
#include <deque>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>

namespace kz7 {

template <typename T>
class KeyedCollection {
public:
    using Storage = std::deque<std::unique_ptr<T>>;

    int32_t Count() const { return static_cast<int32_t>(items_.size()); }
    bool Empty() const { return items_.empty(); }

    // Appends under `key`; a duplicate key drops the item and returns nullptr.
    T* Append(std::string key, std::unique_ptr<T> item) { return Insert(std::move(key), std::move(item), false); }

    // The readers' keyed insert: into an empty collection at the end, into a
    // non-empty one before the first item; a duplicate key drops the item.
    T* KeyedInsert(std::string key, std::unique_ptr<T> item) {
        return Insert(std::move(key), std::move(item), !items_.empty());
    }

    // By 1-based position; nullptr outside 1..Count.
    T* Find(int32_t position) const {
        if (position < 1 || position > Count()) return nullptr;
        return items_[static_cast<size_t>(position - 1)].get();
    }
    // By key; nullptr when no item has it.
    T* Find(std::string_view key) const {
        auto it = byKey_.find(std::string(key));
        return it == byKey_.end() ? nullptr : it->second;
    }
    bool Contains(std::string_view key) const { return Find(key) != nullptr; }

    // By position or key; a missing item is an error of the caller.
    T& Item(int32_t position) const {
        if (T* found = Find(position)) return *found;
        throw std::out_of_range("No item at position " + std::to_string(position));
    }
    T& Item(std::string_view key) const {
        if (T* found = Find(key)) return *found;
        throw std::out_of_range("No item with key \"" + std::string(key) + "\"");
    }

    void Remove(std::string_view key) {
        auto it = byKey_.find(std::string(key));
        if (it == byKey_.end()) return;
        T* target = it->second;
        byKey_.erase(it);
        for (auto item = items_.begin(); item != items_.end(); ++item) {
            if (item->get() == target) {
                items_.erase(item);
                return;
            }
        }
    }
    void Remove(int32_t position) {
        T* target = Find(position);
        if (target == nullptr) return;
        for (auto it = byKey_.begin(); it != byKey_.end(); ++it) {
            if (it->second == target) {
                byKey_.erase(it);
                break;
            }
        }
        items_.erase(items_.begin() + (position - 1));
    }

    void Clear() {
        items_.clear();
        byKey_.clear();
    }

    // Enumeration in collection order, yielding T&.
    class Iterator {
    public:
        explicit Iterator(typename Storage::const_iterator it) : it_(it) {}
        T& operator*() const { return **it_; }
        T* operator->() const { return it_->get(); }
        Iterator& operator++() {
            ++it_;
            return *this;
        }
        bool operator==(const Iterator& other) const { return it_ == other.it_; }
        bool operator!=(const Iterator& other) const { return it_ != other.it_; }

    private:
        typename Storage::const_iterator it_;
    };
    Iterator begin() const { return Iterator(items_.begin()); }
    Iterator end() const { return Iterator(items_.end()); }

private:
    T* Insert(std::string key, std::unique_ptr<T> item, bool atFront) {
        if (!item || byKey_.count(key) != 0) return nullptr;
        T* raw = item.get();
        if (atFront)
            items_.push_front(std::move(item));
        else
            items_.push_back(std::move(item));
        byKey_.emplace(std::move(key), raw);
        return raw;
    }

    Storage items_;
    std::unordered_map<std::string, T*> byKey_;
};

}  // namespace kz7
