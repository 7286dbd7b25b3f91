// TNumberIndex: the items of a cache found by their number (records, blob blocks, index pages) in
// constant time whatever the cache's size. An open-addressing hash table of item pointers (the item
// knows its number: T::Number()), probed linearly from a hash of the number (groups of eight
// consecutive numbers kept together), at most half full; a removal shifts the items after it back, so
// no slot is ever marked deleted. Numbers are unique and never 0. The index does not own the items; it
// has no order: whoever needs the items in number order sorts them.
#pragma once

#include "db/engine/ItemArena.h"
#include "db/engine/Prefetch.h"

#include <algorithm>
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace vorsam {

template <typename T> class TNumberIndex {
public:
    size_t Count() const { return count_; }
    bool Empty() const { return count_ == 0; }

    // The item with the number; nullptr when none. At the first number of a group, the group after it
    // is fetched into the processor's cache: a walk in number order finds it there.
    T* Find(uint32_t number) const {
        if (slots_.empty()) return nullptr;
        if ((number & 7) == 0) PrefetchLine(&slots_[Home(number + 8)]);
        for (size_t at = Home(number);; at = Next(at)) {
            T* item = slots_[at];
            if (!item) return nullptr;
            if (item->Number() == number) return item;
        }
    }
    // The item where the number's probe starts, without looking at it (which would wait for it): likely
    // the number's, else another's or null. For hints only (a caller that knows which numbers it looks
    // for next brings their items towards the processor): looking up many numbers so, one after
    // another, the processor fetches their slots side by side.
    const T* Candidate(uint32_t number) const { return slots_.empty() ? nullptr : slots_[Home(number)]; }
    // Adds an item whose number is not in the index yet.
    void Add(T* item) {
        assert(item && item->Number() != 0 && !Find(item->Number()));
        if ((count_ + 1) * 2 > slots_.size()) Rehash(std::max<size_t>(16, slots_.size() * 2));
        size_t at = Home(item->Number());
        while (slots_[at]) at = Next(at);
        slots_[at] = item;
        ++count_;
    }
    // Removes the item, which must be in the index.
    void Remove(const T* item) {
        assert(item && Find(item->Number()) == item);
        size_t hole = Home(item->Number());
        while (slots_[hole] != item) hole = Next(hole);
        // The items after the hole up to the next empty slot move back into it when their probe
        // sequence passes it (their home lies cyclically outside (hole, at]).
        for (size_t at = Next(hole); slots_[at]; at = Next(at)) {
            size_t home = Home(slots_[at]->Number());
            bool movable = hole <= at ? (home <= hole || home > at) : (home <= hole && home > at);
            if (movable) {
                slots_[hole] = slots_[at];
                hole = at;
            }
        }
        slots_[hole] = nullptr;
        --count_;
    }
    // Forgets every item; the table shrinks back when it was large.
    void Clear() {
        count_ = 0;
        if (slots_.size() > 64) {
            decltype(slots_)().swap(slots_);
        } else {
            std::fill(slots_.begin(), slots_.end(), nullptr);
        }
    }
    // Calls `visit` with every item, in no particular order; `visit` must not change the index.
    template <typename Visit> void ForEach(Visit&& visit) const {
        for (T* item : slots_)
            if (item) visit(item);
    }
    // The items sorted by number.
    std::vector<T*> Sorted() const {
        std::vector<T*> items;
        items.reserve(count_);
        ForEach([&](T* item) { items.push_back(item); });
        std::sort(items.begin(), items.end(), [](T* a, T* b) { return a->Number() < b->Number(); });
        return items;
    }
    // Every item sits where its probe sequence finds it and the count is right (linear; asserts).
    bool Consistent() const {
        size_t seen = 0;
        for (T* item : slots_)
            if (item && ++seen && Find(item->Number()) != item) return false;
        return seen == count_ && count_ * 2 <= std::max<size_t>(slots_.size(), 1);
    }

private:
    // Numbers that differ only in their last three bits share a group of eight slots (one cache line),
    // so that consecutive numbers (a walk in record order) stay side by side; the groups are scattered
    // by a multiplicative hash.
    size_t Home(uint32_t number) const {
        size_t group = size_t(((number >> 3) * 0x9E3779B97F4A7C15ull) >> shift_) & ~size_t(7);
        return group | (number & 7);
    }
    size_t Next(size_t at) const { return (at + 1) & (slots_.size() - 1); }
    void Rehash(size_t size) {
        assert((size & (size - 1)) == 0);
        decltype(slots_) old(size, nullptr);
        old.swap(slots_);
        shift_ = 64 - unsigned(__builtin_ctzll(size));
        for (T* item : old) {
            if (!item) continue;
            size_t at = Home(item->Number());
            while (slots_[at]) at = Next(at);
            slots_[at] = item;
        }
    }

    std::vector<T*, THugePageAllocator<T*>> slots_; // a power of two of them, or none
    size_t count_ = 0;
    unsigned shift_ = 64; // 64 - log2(slots)
};

} // namespace vorsam
