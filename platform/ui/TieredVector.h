// A sequence with constant-time access by index whose insertions and removals in the middle cost
// in proportion to the square root of its length, not to the length: the rows of a grid, where a
// row hidden or shown in the middle of a million must not move all the others.
//
// The items live in chunks of kChunk items, each a ring (its first item at Head, wrapping round);
// every chunk but the last is full. Item i is item i % kChunk of chunk i / kChunk. An insertion
// shifts the items of its own chunk and then passes one item from the back of each later chunk to
// the front of the next by turning that chunk's ring one place; a removal does the reverse. The
// last chunk grows its capacity by doubling up to kChunk, so that short sequences stay small.
#pragma once

#include <algorithm>
#include <cassert>
#include <cstddef>
#include <memory>
#include <utility>
#include <vector>

template <typename T> class TTieredVector {
public:
    static constexpr unsigned kShift = 12;
    static constexpr size_t kChunk = size_t(1) << kShift;

    TTieredVector() = default;
    TTieredVector(TTieredVector&&) noexcept = default;
    TTieredVector& operator=(TTieredVector&&) noexcept = default;
    TTieredVector(const TTieredVector& other) {
        for (size_t i = 0; i < other.size(); ++i) push_back(other[i]);
    }
    TTieredVector& operator=(const TTieredVector& other) {
        if (this != &other) {
            clear();
            for (size_t i = 0; i < other.size(); ++i) push_back(other[i]);
        }
        return *this;
    }

    size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }

    T& operator[](size_t i) {
        assert(i < size_);
        TChunk& c = chunks_[i >> kShift];
        return c.Items[(c.Head + (i & (kChunk - 1))) & c.Mask];
    }
    const T& operator[](size_t i) const { return const_cast<TTieredVector&>(*this)[i]; }

    void clear() {
        chunks_.clear();
        size_ = 0;
    }

    // Items beyond the new size are destroyed; new items are T() (or value).
    void resize(size_t n) {
        while (size_ > n) pop_back();
        while (size_ < n) push_back(T());
    }
    void resize(size_t n, const T& value) {
        while (size_ > n) pop_back();
        while (size_ < n) push_back(value);
    }
    void fill(const T& value) {
        for (size_t i = 0; i < size_; ++i) (*this)[i] = value;
    }

    void push_back(T value) {
        MakeRoom();
        TChunk& last = chunks_.back();
        last.Items[(last.Head + LastCount()) & last.Mask] = std::move(value);
        ++size_;
    }
    void pop_back() {
        assert(size_ > 0);
        (*this)[size_ - 1] = T();
        --size_;
        if (size_ % kChunk == 0) chunks_.pop_back();
    }

    // count items T() before position at (0 <= at <= size()).
    void insert(size_t at, size_t count) {
        InsertWith(at, count, [] { return T(); });
    }
    void insert(size_t at, size_t count, const T& value) {
        InsertWith(at, count, [&] { return value; });
    }
    void erase(size_t at, size_t count) {
        count = std::min(count, size_ - std::min(at, size_));
        if (count == 0) return;
        if (at + count == size_) {
            while (count-- > 0) pop_back();
        } else if (count <= kFewItems) {
            while (count-- > 0) EraseOne(at);
        } else {
            std::vector<T> all = TakeAll();
            all.erase(all.begin() + std::ptrdiff_t(at), all.begin() + std::ptrdiff_t(at + count));
            PutAll(std::move(all));
        }
    }
    // The item at from goes to to; those between move one place towards from.
    void move(size_t from, size_t to) {
        if (from == to) return;
        const size_t distance = from < to ? to - from : from - to;
        if (distance <= kChunk) {
            T item = std::move((*this)[from]);
            if (from < to)
                for (size_t i = from; i < to; ++i) (*this)[i] = std::move((*this)[i + 1]);
            else
                for (size_t i = from; i > to; --i) (*this)[i] = std::move((*this)[i - 1]);
            (*this)[to] = std::move(item);
            return;
        }
        T item = std::move((*this)[from]);
        EraseOne(from);
        // Moved to the last place: after the removal that is one past the last item.
        if (to == size_)
            push_back(std::move(item));
        else
            InsertOne(to, std::move(item));
    }

private:
    // Insertions and removals of more items than this rebuild the sequence (linear in its length).
    static constexpr size_t kFewItems = 16;

    struct TChunk {
        explicit TChunk(size_t capacity) : Items(std::make_unique<T[]>(capacity)), Mask(capacity - 1) {}
        std::unique_ptr<T[]> Items;
        size_t Head = 0, Mask;
    };

    size_t LastCount() const { return size_ - (chunks_.size() - 1) * kChunk; }
    T& Slot(TChunk& c, size_t k) { return c.Items[(c.Head + k) & c.Mask]; }

    // The last chunk, not full, doubles its capacity (its ring unrolled from Head).
    void Grow(TChunk& c) {
        const size_t count = c.Mask + 1;
        TChunk bigger(std::min(count * 2, kChunk));
        for (size_t k = 0; k < count; ++k) bigger.Items[k] = std::move(Slot(c, k));
        c = std::move(bigger);
    }

    template <typename TMake> void InsertWith(size_t at, size_t count, const TMake& make) {
        at = std::min(at, size_);
        if (count == 0) return;
        if (at == size_) {
            while (count-- > 0) push_back(make());
        } else if (count <= kFewItems) {
            for (size_t k = 0; k < count; ++k) InsertOne(at + k, make());
        } else {
            std::vector<T> all = TakeAll();
            std::vector<T> fresh;
            fresh.reserve(count);
            for (size_t k = 0; k < count; ++k) fresh.push_back(make());
            all.insert(all.begin() + std::ptrdiff_t(at), std::make_move_iterator(fresh.begin()),
                       std::make_move_iterator(fresh.end()));
            PutAll(std::move(all));
        }
    }

    // Room for one more item at the end: a new chunk, or a last chunk of larger capacity.
    void MakeRoom() {
        if (chunks_.empty() || LastCount() == kChunk)
            chunks_.emplace_back(chunks_.empty() ? 8 : kChunk);
        else if (LastCount() == chunks_.back().Mask + 1)
            Grow(chunks_.back());
    }

    void InsertOne(size_t at, T value) {
        assert(at < size_);
        MakeRoom();
        ++size_; // the last item's slot is free
        const size_t c = at >> kShift, last = chunks_.size() - 1;
        // From the last chunk back: each turns its ring back one place (its free slot, or the one
        // after its items, comes to the front) and takes there the back item of the chunk before.
        for (size_t j = last; j > c; --j) {
            TChunk& into = chunks_[j];
            into.Head = (into.Head + into.Mask) & into.Mask;
            Slot(into, 0) = std::move(Slot(chunks_[j - 1], kChunk - 1));
        }
        TChunk& own = chunks_[c];
        const size_t end = c == last ? LastCount() - 1 : kChunk - 1, k = at & (kChunk - 1);
        for (size_t i = end; i > k; --i) Slot(own, i) = std::move(Slot(own, i - 1));
        Slot(own, k) = std::move(value);
    }

    void EraseOne(size_t at) {
        assert(at < size_);
        const size_t c = at >> kShift, last = chunks_.size() - 1;
        TChunk& own = chunks_[c];
        const size_t end = c == last ? LastCount() - 1 : kChunk - 1;
        for (size_t i = at & (kChunk - 1); i < end; ++i) Slot(own, i) = std::move(Slot(own, i + 1));
        Slot(own, end) = T();
        // Each later chunk gives its front item to the back of the chunk before and turns its ring
        // on one place (the emptied front goes round behind its items).
        for (size_t j = c + 1; j <= last; ++j) {
            TChunk& from = chunks_[j];
            Slot(chunks_[j - 1], kChunk - 1) = std::move(Slot(from, 0));
            Slot(from, 0) = T();
            from.Head = (from.Head + 1) & from.Mask;
        }
        --size_;
        if (size_ % kChunk == 0) chunks_.pop_back();
    }

    std::vector<T> TakeAll() {
        std::vector<T> all;
        all.reserve(size_);
        for (size_t i = 0; i < size_; ++i) all.push_back(std::move((*this)[i]));
        clear();
        return all;
    }
    void PutAll(std::vector<T>&& all) {
        for (T& item : all) push_back(std::move(item));
    }

    std::vector<TChunk> chunks_;
    size_t size_ = 0;
};
