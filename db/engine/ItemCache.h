// The cache that the data file keeps of its records and the blob file of its blocks: numbered items
// (TRecord, TBlock) held twice, in a list sorted by number (binary search) and in a recency chain from
// the newest (most recently used) to the oldest, with idle objects kept in a small pool (TItemStack).
// The cache does no I/O: its file reads and writes the items' bytes and tells it what to do.
//
// An item is clean when it is neither modified nor unwritten (a slot or block appended beyond the end of
// the file and not yet written). Pinned items are held by callers and are never evicted, reused or
// reloaded. Dropping the cache (another process changed the file) keeps the pinned items alive outside
// the cache until their last holder releases them (ReleaseItem), so a holder never sees its item vanish. The
// list's capacity is the cache limit: below it a new item takes a fresh object; at it, the oldest clean
// unpinned item is reused (the file flushes once first when none is clean and it may flush), or the capacity
// grows by 64.
//
// A scan evicts the lowest-numbered items one after another, so the list's vectors keep a dead prefix:
// removing or inserting at the front moves the start instead of shifting the rest, and the prefix is
// compacted away once it outgrows the live part (amortised constant work per removal). The list holds
// the items it owns as plain pointers, so that an insertion or removal in the middle (reads in random
// order) moves the rest in one block.
//
// Work stays proportional to what changed, also when a whole-table lock keeps thousands of appended items
// dirty until it ends:
// - the cache lists its dirty items apart (an item enters the list when it becomes dirty), so that a
//   flush and the checks for unwritten changes look at those only;
// - the search for the oldest evictable item resumes where the last one stopped: the items from the
//   oldest up to a mark are known to be dirty or pinned. Only the cache makes an item clean and unpinned
//   (a flush, a release; an unpinned item belongs to nobody outside the cache, so nothing else changes
//   it): when the mark had passed that item, it goes back to just before it. Items join the chain at
//   the newest end with a rising link order, so the chain runs in that order and "passed" is a compare.
#pragma once

#include <algorithm>
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <utility>
#include <vector>

namespace vorsam {

template <typename T> class TItemCache;

// What the cache keeps of each item, besides the item's own contents.
class TCachedItem {
public:
    uint32_t Number() const { return number_; }
    bool Modified() const { return modified_; }
    void SetModified() {
        modified_ = true;
        NoteDirty();
    }
    // Written at the next flush even when unmodified, and never evicted before.
    bool Unwritten() const { return unwritten_; }
    void SetUnwritten(bool value) {
        unwritten_ = value;
        if (value) NoteDirty();
    }
    bool Dirty() const { return modified_ || unwritten_; }
    bool Evictable() const { return !Dirty() && !Pinned(); }
    uint16_t PinCount() const { return pinCount_; }
    bool Pinned() const { return pinCount_ > 0; }
    void Pin() {
        assert(pinCount_ < UINT16_MAX);
        ++pinCount_;
    }
    void Unpin() {
        if (pinCount_ > 0) --pinCount_;
    }
    void ResetPins() { pinCount_ = 0; }

protected:
    TCachedItem() = default;
    ~TCachedItem() = default;
    TCachedItem(const TCachedItem&) = delete;
    TCachedItem& operator=(const TCachedItem&) = delete;

    // The contents match the file (just read or written): neither modified nor unwritten.
    void MarkClean() { modified_ = unwritten_ = false; }
    void ClearModified() { modified_ = false; }

    uint32_t number_ = 0;

private:
    template <typename T> friend class TItemCache;
    // Enters the dirty list of the cache that holds the item (none outside a cache).
    void NoteDirty() {
        if (!dirtyList_ || listedDirty_) return;
        listedDirty_ = true;
        dirtyList_->push_back(this);
    }

    bool modified_ = false;
    bool unwritten_ = false;
    bool listedDirty_ = false;
    uint16_t pinCount_ = 0;
    uint64_t linkOrder_ = 0; // rises along the chain, from the oldest to the newest
    TCachedItem* older_ = nullptr;
    TCachedItem* newer_ = nullptr;
    std::vector<TCachedItem*>* dirtyList_ = nullptr;
};

// -1, 0 or 1 as the item's number is below, equal to or above the number.
inline int CompareItemNumber(const TCachedItem& item, int32_t number) {
    auto own = int32_t(item.Number());
    return own < number ? -1 : own > number ? 1 : 0;
}

struct TCacheStatistics {
    uint32_t CacheUses = 0; // items handed out from the cache or appended
    uint32_t ReadCalls = 0; // ranges asked of the disk
    uint32_t DiskReads = 0; // reads that reached the file
    uint32_t WriteRuns = 0; // writes of runs of consecutive items
};

// The byte range that a read is bringing into a cache; both 0 outside a read. A flush that runs during
// the read (to make room) leaves the items of that range alone.
struct TReadWindow {
    int64_t Start = 0;
    int32_t Length = 0;
    bool Covers(int64_t offset) const { return Length != 0 && offset >= Start && offset < Start + Length; }
};

// Sets a read window for a scope and clears it at the end, also when the read fails.
class TReadWindowScope {
public:
    TReadWindowScope(TReadWindow& window, int64_t start, int32_t length) : window_(window) {
        window_ = {start, length};
    }
    ~TReadWindowScope() { window_ = {}; }
    TReadWindowScope(const TReadWindowScope&) = delete;
    TReadWindowScope& operator=(const TReadWindowScope&) = delete;

private:
    TReadWindow& window_;
};

// The pool of idle items (T::PoolCapacity at most). T is constructed from its owning file and has
// Clear(), which sizes and zeroes it for the owner.
template <typename T> class TItemStack {
public:
    using TOwner = typename T::TOwner;
    explicit TItemStack(TOwner& owner) : owner_(owner) {}

    // An idle item, cleared, unpinned and sized for the owner, or a new one.
    std::unique_ptr<T> Pop() {
        if (idle_.empty()) return std::make_unique<T>(owner_);
        std::unique_ptr<T> item = std::move(idle_.back());
        idle_.pop_back();
        item->ResetPins();
        item->SetUnwritten(false);
        item->Clear();
        return item;
    }
    // Keeps the item while fewer than the capacity are idle, else frees it; the pointer is left empty.
    void Push(std::unique_ptr<T>& item) {
        if (idle_.size() < T::PoolCapacity) idle_.push_back(std::move(item));
        item.reset();
    }
    void Clear() { idle_.clear(); }
    size_t IdleCount() const { return idle_.size(); }

private:
    TOwner& owner_;
    std::vector<std::unique_ptr<T>> idle_;
};

template <typename T> class TItemCache {
public:
    using TOwner = typename T::TOwner;
    static constexpr size_t NewestProbeCount = T::NewestProbeCount; // looked at before the binary search
    static constexpr size_t CapacityStep = 64;

    explicit TItemCache(TOwner& owner) : pool_(owner) {}
    ~TItemCache() { Discard(); }
    TItemCache(const TItemCache&) = delete;
    TItemCache& operator=(const TItemCache&) = delete;

    size_t Count() const { return list_.size() - start_; }
    size_t Capacity() const { return capacity_; }
    void SetCapacity(size_t capacity) { capacity_ = capacity; }
    bool Full() const { return Count() >= capacity_; }
    void GrowCapacity() { capacity_ += CapacityStep; }

    // The cached item with the number, made the newest; nullptr when it is not cached.
    T* Find(uint32_t number) {
        TCachedItem* item = newest_;
        for (size_t i = 0; item && i < NewestProbeCount; ++i, item = item->older_)
            if (item->Number() == number) break;
        if (!item || item->Number() != number) {
            item = At(LowerBound(number));
            if (!item || item->Number() != number) return nullptr;
        }
        MakeNewest(*item);
        return static_cast<T*>(item);
    }
    // Position of the number in the sorted list: of its item, or where it would go. The search runs
    // over the items' numbers kept beside the list, not over the items themselves; when the cached
    // numbers run without gaps from the first (a table read whole), the position is the difference; a
    // number above the last (a read going on forward) goes behind it.
    size_t LowerBound(uint32_t number) const {
        const uint32_t* first = numbers_.data() + start_;
        size_t count = numbers_.size() - start_;
        if (count != 0 && number >= first[0]) {
            size_t guess = number - first[0];
            if (guess < count && first[guess] == number) return guess;
            if (number > first[count - 1]) return count;
        }
        return size_t(std::lower_bound(first, first + count, number) - first);
    }
    T* At(size_t position) const { return position < Count() ? list_[start_ + position] : nullptr; }

    // Puts the item at its sorted position (see LowerBound) and makes it the newest.
    T& Insert(size_t position, std::unique_ptr<T> item) {
        assert(position <= Count());
        assert(position == 0 || At(position - 1)->Number() < item->Number());
        assert(position == Count() || At(position)->Number() > item->Number());
        T& inserted = *item;
        if (position == 0 && start_ > 0) {
            --start_;
            numbers_[start_] = item->Number();
            list_[start_] = item.release();
        } else {
            auto at = ptrdiff_t(start_ + position);
            numbers_.insert(numbers_.begin() + at, item->Number());
            try {
                list_.insert(list_.begin() + at, item.get());
            } catch (...) {
                numbers_.erase(numbers_.begin() + at);
                throw;
            }
            (void)item.release(); // the list owns it
        }
        LinkNewest(inserted);
        inserted.dirtyList_ = &dirty_;
        if (inserted.Dirty()) inserted.NoteDirty();
        return inserted;
    }
    // Removes the item from the list and the chain; its former list position goes to `position`.
    std::unique_ptr<T> Remove(T& item, size_t& position) {
        position = LowerBound(item.Number());
        assert(At(position) == &item);
        std::unique_ptr<T> removed(list_[start_ + position]);
        list_[start_ + position] = nullptr;
        if (position == 0) {
            ++start_;
            if (start_ > Count()) Compact();
        } else {
            list_.erase(list_.begin() + ptrdiff_t(start_ + position));
            numbers_.erase(numbers_.begin() + ptrdiff_t(start_ + position));
        }
        Detach(item);
        return removed;
    }
    // Removes the item and returns it to the pool.
    void Evict(T& item) {
        assert(!item.Pinned());
        size_t position;
        std::unique_ptr<T> removed = Remove(item, position);
        pool_.Push(removed);
    }
    void MakeNewest(TCachedItem& item) {
        if (newest_ == &item) return;
        Unlink(item);
        LinkNewest(item);
    }
    // The oldest clean, unpinned item of the chain; nullptr when there is none.
    T* OldestEvictable() const {
        T* found = nullptr;
        VisitEvictable([&](T& item) {
            found = &item;
            return false;
        });
        return found;
    }
    // Calls `visit` with the clean, unpinned items, oldest first, while it answers true. The search
    // starts past the items known to be dirty or pinned and moves that mark over those it passes.
    template <typename Visit> void VisitEvictable(Visit&& visit) const {
        assert(PassedAreNotEvictable());
        bool leading = true; // no evictable item met yet: the mark follows
        for (TCachedItem* item = passed_ ? passed_->newer_ : oldest_; item; item = item->newer_) {
            if (!item->Evictable()) {
                if (leading) passed_ = item;
                continue;
            }
            leading = false;
            if (!visit(static_cast<T&>(*item))) return;
        }
    }
    // Returns every item to the pool and empties the chain (no item may be pinned).
    void Clear() {
        for (T*& item : Live()) {
            assert(!item->Pinned());
            Loosen(*item);
            std::unique_ptr<T> owned(std::exchange(item, nullptr));
            pool_.Push(owned);
        }
        Emptied();
    }
    // Empties the cache, pinned items included: those leave the cache but stay alive, apart, until their
    // holders release them (ReleaseItem); their contents no longer count.
    void Drop() {
        for (T*& item : Live()) {
            Loosen(*item);
            std::unique_ptr<T> owned(std::exchange(item, nullptr));
            if (owned->Pinned())
                orphans_.push_back(std::move(owned));
            else
                pool_.Push(owned);
        }
        Emptied();
    }
    // Unpins an item handed out; a dropped item goes to the pool with its last pin.
    void ReleaseItem(T& item) {
        item.Unpin();
        if (item.Evictable()) Uncover(item);
        if (orphans_.empty() || item.Pinned()) return;
        auto it =
            std::find_if(orphans_.begin(), orphans_.end(), [&](const auto& o) { return o.get() == &item; });
        if (it == orphans_.end()) return;
        pool_.Push(*it);
        orphans_.erase(it);
    }
    size_t DroppedCount() const { return orphans_.size(); }

    // Empties the cache, pinned items included (the file is closing: what a caller still holds is void).
    void Discard() {
        orphans_.clear();
        for (T* item : Live()) item->ResetPins();
        Clear();
    }
    // Empty, with fresh statistics and the capacity given: the cache of a file just opened.
    void Restart(size_t capacity) {
        Discard();
        Statistics = {};
        capacity_ = capacity;
    }
    // Empty, the pool too: the cache of a file that closes.
    void Release() {
        Discard();
        pool_.Clear();
    }

    // An object for item `number`, to stand at list position `position`, renumbered, cleared and made
    // the newest: a fresh one below the capacity; at it the oldest clean unpinned item (calling `flush`
    // once first when none is clean and `mayFlush`), or, when there is none, a fresh one after the
    // capacity grew.
    template <typename Flush> T& NewItem(uint32_t number, size_t position, bool mayFlush, Flush&& flush) {
        std::unique_ptr<T> object;
        if (Full()) {
            T* victim = OldestEvictable();
            if (!victim && mayFlush) {
                flush();
                victim = OldestEvictable();
            }
            if (victim) {
                size_t at;
                object = Remove(*victim, at);
                if (at < position) --position;
            } else {
                GrowCapacity();
            }
        }
        if (!object) object = pool_.Pop();
        object->SetNumber(number);
        object->Clear();
        return Insert(position, std::move(object));
    }

    // How many of `count` items a read can bring in without one of them evicting another: the free
    // capacity and the clean unpinned items; when that is short and `mayFlush`, `flush` runs first so
    // that the dirty items become clean. At least 1.
    template <typename Flush> uint32_t FitRead(uint32_t count, bool mayFlush, Flush&& flush) {
        auto room = [this, count] {
            size_t room = capacity_ > Count() ? capacity_ - Count() : 0;
            if (room < count) VisitEvictable([&](T&) { return ++room < count; });
            return room;
        };
        size_t available = room();
        if (available < count && mayFlush) {
            flush();
            available = room();
        }
        return uint32_t(std::clamp<size_t>(available, 1, count));
    }

    // Takes the bytes of item `number` just read from the file: a new item when it is not cached, a
    // reload when it is clean and unpinned; a modified or pinned item keeps what it holds.
    template <typename Flush>
    void Merge(uint32_t number, const uint8_t* bytes, bool mayFlush, Flush&& flush) {
        size_t position = LowerBound(number);
        T* cached = At(position);
        if (cached && cached->Number() == number) {
            if (!cached->Dirty() && !cached->Pinned()) cached->LoadFrom(bytes);
            return;
        }
        NewItem(number, position, mayFlush, flush).LoadFrom(bytes);
    }

    // Evicts clean, unpinned items, oldest first, down to `limit`, calling `flush` once when none is
    // clean and `mayFlush`; stops when nothing can be evicted. The capacity becomes max(count, limit).
    template <typename Flush> void Trim(size_t limit, bool mayFlush, Flush&& flush) {
        EvictOldest(limit);
        if (Count() > limit && mayFlush) {
            flush();
            EvictOldest(limit);
        }
        capacity_ = std::max(Count(), limit);
    }

    // Calls `writeRun` with every run of consecutive numbers among the dirty, unpinned items that `keep`
    // does not hold back, in number order; true when there was any. Its work follows the dirty items,
    // not the cache's size. With a `bridge`, two runs are joined across a gap of at most that many numbers
    // whose items are all cached, clean, unpinned and not held back: their bytes, the same as the file's,
    // are written along, which spares a write per run.
    template <typename Keep, typename WriteRun>
    bool FlushRuns(Keep&& keep, WriteRun&& writeRun, size_t bridge = 0) {
        assert(DirtyAreListed());
        TakeForFlush(keep);
        if (!flushList_.empty()) passed_ = nullptr; // what is written becomes evictable
        // A write that fails leaves its items, and those of the runs after it, dirty: they are listed again.
        struct TRelist {
            std::vector<T*>& Items;
            bool Done = false;
            ~TRelist() {
                if (!Done)
                    for (T* item : Items)
                        if (item->Dirty()) item->NoteDirty();
            }
        } relist{flushList_};
        auto bridged = [&](const T& from, const T& to) {
            uint32_t gap = to.Number() - from.Number() - 1;
            if (gap == 0) return true;
            if (gap > bridge) return false;
            size_t at = LowerBound(from.Number());
            if (LowerBound(to.Number()) - at != gap + 1) return false; // a number of the gap is not cached
            for (size_t i = at + 1; i <= at + gap; ++i)
                if (!At(i)->Evictable() || keep(*At(i))) return false;
            return true;
        };
        for (size_t start = 0, end; start < flushList_.size(); start = end) {
            for (end = start + 1; end < flushList_.size() && bridged(*flushList_[end - 1], *flushList_[end]);)
                ++end;
            if (flushList_[end - 1]->Number() - flushList_[start]->Number() == end - 1 - start) {
                writeRun(std::span<T* const>(flushList_).subspan(start, end - start));
                continue;
            }
            size_t from = LowerBound(flushList_[start]->Number());
            runItems_.assign(list_.begin() + ptrdiff_t(start_ + from),
                             list_.begin() +
                                 ptrdiff_t(start_ + LowerBound(flushList_[end - 1]->Number()) + 1));
            writeRun(std::span<T* const>(runItems_));
        }
        relist.Done = true;
        return !flushList_.empty();
    }

    // Stores the run's items one after another (`itemSize` bytes each) into `buffer` and hands the bytes
    // to `write`. When the write fails, the items stay dirty as they were.
    template <typename Write>
    static void StoreRun(std::span<T* const> run, size_t itemSize, std::vector<uint8_t>& buffer,
                         Write&& write) {
        if (buffer.size() < run.size() * itemSize) buffer.resize(run.size() * itemSize);
        std::vector<std::pair<bool, bool>> flags;
        for (T* item : run) flags.emplace_back(item->Modified(), item->Unwritten());
        try {
            for (size_t i = 0; i < run.size(); ++i) run[i]->StoreTo(&buffer[i * itemSize]);
            write(buffer.data(), run.size() * itemSize);
        } catch (...) {
            for (size_t i = 0; i < run.size(); ++i) {
                if (flags[i].first) run[i]->SetModified();
                run[i]->SetUnwritten(flags[i].second);
            }
            throw;
        }
    }

    bool AnyDirty() const {
        assert(DirtyAreListed());
        return std::any_of(dirty_.begin(), dirty_.end(),
                           [](const TCachedItem* item) { return item->Dirty(); });
    }

    bool AnyUnwritten() const {
        assert(DirtyAreListed());
        return std::any_of(dirty_.begin(), dirty_.end(),
                           [](const TCachedItem* item) { return item->Unwritten(); });
    }

    // The items in number order.
    std::span<T* const> Items() const { return {list_.data() + start_, Count()}; }
    T* Newest() const { return static_cast<T*>(newest_); }
    TItemStack<T>& Pool() { return pool_; }
    TCacheStatistics Statistics;

private:
    // Evicts the oldest clean, unpinned items until `limit` are left or none is evictable: those the
    // evictions one by one would take, removed from the list in one pass.
    void EvictOldest(size_t limit) {
        if (Count() <= limit) return;
        size_t excess = Count() - limit;
        victims_.clear();
        VisitEvictable([&](T& item) {
            victims_.push_back(&item);
            return victims_.size() < excess;
        });
        if (victims_.empty()) return;
        std::sort(victims_.begin(), victims_.end(), [](T* a, T* b) { return a->Number() < b->Number(); });
        for (T* victim : victims_) Detach(*victim);
        size_t kept = start_ + LowerBound(victims_.front()->Number());
        for (size_t at = kept, next = 0; at < list_.size(); ++at) {
            if (next < victims_.size() && list_[at] == victims_[next]) {
                std::unique_ptr<T> owned(std::exchange(list_[at], nullptr));
                pool_.Push(owned);
                ++next;
                continue;
            }
            if (kept != at) {
                list_[kept] = std::exchange(list_[at], nullptr);
                numbers_[kept] = numbers_[at];
            }
            ++kept;
        }
        list_.resize(kept);
        numbers_.resize(kept);
    }
    // Puts the dirty, unpinned items that `keep` does not hold back into the flush list, in number order,
    // and out of the dirty list (the clean ones leave it too). Few dirty items are taken from their list
    // and sorted; many, from the list in number order, which the dirty list is then made again from.
    template <typename Keep> void TakeForFlush(Keep& keep) {
        flushList_.clear();
        auto take = [&](T& item) {
            bool written = item.Dirty() && !item.Pinned() && !keep(item);
            if (written) flushList_.push_back(&item);
            return written;
        };
        if (dirty_.size() * 8 < Count()) {
            auto rest = std::remove_if(dirty_.begin(), dirty_.end(), [&](TCachedItem* listed) {
                bool leaves = take(static_cast<T&>(*listed)) || !listed->Dirty();
                if (leaves) listed->listedDirty_ = false;
                return leaves;
            });
            dirty_.erase(rest, dirty_.end());
            std::sort(flushList_.begin(), flushList_.end(),
                      [](T* a, T* b) { return a->Number() < b->Number(); });
            return;
        }
        dirty_.clear();
        for (T* item : Live()) {
            bool listed = !take(*item) && item->Dirty();
            if (listed) dirty_.push_back(item);
            if (item->listedDirty_ != listed) item->listedDirty_ = listed;
        }
    }
    // The item of the chain just became clean and unpinned: the mark goes back before it if it had passed it.
    void Uncover(TCachedItem& item) {
        if (passed_ && item.dirtyList_ == &dirty_ && item.linkOrder_ <= passed_->linkOrder_)
            passed_ = item.older_;
    }
    // Takes the item out of the chain and the dirty list; it no longer belongs to the cache.
    void Detach(TCachedItem& item) {
        Unlink(item);
        if (item.listedDirty_) dirty_.erase(std::find(dirty_.begin(), dirty_.end(), &item));
        Loosen(item);
    }
    static void Loosen(TCachedItem& item) {
        item.older_ = item.newer_ = nullptr;
        item.dirtyList_ = nullptr;
        item.listedDirty_ = false;
    }
    // After the list and the chain were emptied.
    void Emptied() {
        list_.clear();
        numbers_.clear();
        start_ = 0;
        dirty_.clear();
        newest_ = oldest_ = passed_ = nullptr;
    }
    // Checks of the invariants (linear; asserts only).
    bool PassedAreNotEvictable() const {
        if (!passed_) return true;
        for (TCachedItem* item = oldest_; item; item = item->newer_) {
            if (item->Evictable()) return false;
            if (item == passed_) return true;
        }
        return false; // the mark is not in the chain
    }
    bool DirtyAreListed() const {
        return std::all_of(Items().begin(), Items().end(),
                           [this](const auto& item) {
                               return item->dirtyList_ == &dirty_ && (!item->Dirty() || item->listedDirty_);
                           }) &&
               std::all_of(dirty_.begin(), dirty_.end(), [this](const TCachedItem* item) {
                   return item->listedDirty_ && item->dirtyList_ == &dirty_;
               });
    }

    // The list's items, past the dead prefix.
    std::span<T*> Live() { return {list_.data() + start_, Count()}; }
    // Drops the dead prefix of the list's vectors.
    void Compact() {
        assert(std::all_of(list_.begin(), list_.begin() + ptrdiff_t(start_),
                           [](const auto& item) { return !item; }));
        list_.erase(list_.begin(), list_.begin() + ptrdiff_t(start_));
        numbers_.erase(numbers_.begin(), numbers_.begin() + ptrdiff_t(start_));
        start_ = 0;
    }

    void Unlink(TCachedItem& item) {
        if (passed_ == &item) passed_ = item.older_;
        (item.older_ ? item.older_->newer_ : oldest_) = item.newer_;
        (item.newer_ ? item.newer_->older_ : newest_) = item.older_;
        item.older_ = item.newer_ = nullptr;
    }
    void LinkNewest(TCachedItem& item) {
        item.older_ = newest_;
        item.newer_ = nullptr;
        item.linkOrder_ = ++linkCount_;
        (newest_ ? newest_->newer_ : oldest_) = &item;
        newest_ = &item;
    }

    std::vector<T*> list_;          // owned: Remove, Clear, Drop and Discard give each up
    std::vector<uint32_t> numbers_; // the numbers of list_'s items, in the same order
    size_t start_ = 0;              // list_ and numbers_ hold the items from here on; before, empty slots
    size_t capacity_ = 0;
    TCachedItem* newest_ = nullptr;
    TCachedItem* oldest_ = nullptr;
    TItemStack<T> pool_;
    std::vector<std::unique_ptr<T>> orphans_; // dropped while pinned
    std::vector<TCachedItem*> dirty_;         // every dirty item of the list, and some made clean since
    // The items from the oldest up to this one are dirty or pinned; none known when nullptr.
    mutable TCachedItem* passed_ = nullptr;
    uint64_t linkCount_ = 0;
    std::vector<T*> flushList_;
    std::vector<T*> runItems_; // a run joined across clean items
    std::vector<T*> victims_;
};

// Holds a pinned item for a scope and releases it at the end, also when an error is raised. The item's
// kind says how (ReleasePinned, found next to the item's owner).
template <typename T> class TPinned {
public:
    TPinned() = default;
    explicit TPinned(T* item) : item_(item) {}
    ~TPinned() { Reset(); }
    TPinned(const TPinned&) = delete;
    TPinned& operator=(const TPinned&) = delete;

    void Reset(T* item = nullptr) {
        if (item_) ReleasePinned(*item_);
        item_ = item;
    }
    T* Get() const { return item_; }
    T* operator->() const { return item_; }
    T& operator*() const { return *item_; }
    explicit operator bool() const { return item_ != nullptr; }

private:
    T* item_ = nullptr;
};

} // namespace vorsam
