// The cache that the data file keeps of its records and the blob file of its blocks: numbered items
// (TRecord, TBlock) held twice, in an index by number (NumberIndex.h: a hash table, constant time
// whatever the cache's size) and in a recency chain from the newest (most recently used) to the oldest,
// with idle objects kept in a small pool (TItemStack); an item read by a walk in scattered order joins
// the chain at the oldest end instead (MakeOldest). The cache does no I/O: its file reads and writes
// the items' bytes and tells it what to do.
//
// A use of an item (Find) makes it the newest only while the cache is full. Below its capacity nothing
// is evicted until a victim is sought, so the use only marks the item (a reference bit): the search for
// a victim, meeting a marked evictable item, moves it to the newest end, unmarked, and goes on. The
// chain is then the order of use that mattered, and a walk over a cache that holds a whole table does not
// write into two neighbours of every item it reads.
//
// An item is clean when it is neither modified nor unwritten (a slot or block appended beyond the end of
// the file and not yet written). Pinned items are held by callers and are never evicted, reused or
// reloaded. Dropping the cache (another process changed the file) keeps the pinned items alive outside
// the cache until their last holder releases them (ReleaseItem), so a holder never sees its item vanish. The
// capacity is the cache limit: below it a new item takes a fresh object; at it, the oldest clean
// unpinned item is reused (the file flushes once first when none is clean and it may flush), or the capacity
// grows by 64.
//
// Work stays proportional to what changed, also when a whole-table lock keeps thousands of appended items
// dirty until it ends:
// - the cache lists its dirty items apart (an item enters the list when it becomes dirty), so that a
//   flush and the checks for unwritten changes look at those only; a flush sorts the ones it writes;
// - the search for the oldest evictable item resumes where the last one stopped: the items from the
//   oldest up to a mark are known to be dirty or pinned. Only the cache makes an item clean and unpinned
//   (a flush, a release; an unpinned item belongs to nobody outside the cache, so nothing else changes
//   it): when the mark had passed that item, it goes back to just before it. Items join the chain at
//   the newest end with a rising link order, so the chain runs in that order and "passed" is a compare.
#pragma once

#include "db/engine/NumberIndex.h"

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

private:
    template <typename T> friend class TItemCache;
    // Enters the dirty list of the cache that holds the item (none outside a cache).
    void NoteDirty() {
        if (!dirtyList_ || listedDirty_) return;
        listedDirty_ = true;
        dirtyList_->push_back(this);
    }

    // The small fields last: an item's own small fields can fill the padding after them.
    TCachedItem* older_ = nullptr;
    TCachedItem* newer_ = nullptr;
    std::vector<TCachedItem*>* dirtyList_ = nullptr;
    uint32_t linkOrder_ = 0; // rises along the chain, from the oldest to the newest

protected:
    uint32_t number_ = 0;

private:
    uint16_t pinCount_ = 0;
    bool modified_ = false;
    bool unwritten_ = false;
    bool listedDirty_ = false;
    bool referenced_ = false; // used since it last moved in the chain (a cache below its capacity)
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

// The pool of idle items (T::PoolCapacity at most). T is made for its owning file (T::Make, when T has
// it, else its constructor) and has Clear(), which sizes and zeroes it for the owner; a T that has
// Fits() is reused only while it answers true.
template <typename T> class TItemStack {
public:
    using TOwner = typename T::TOwner;
    explicit TItemStack(TOwner& owner) : owner_(owner) {}

    static bool Reusable(const T& item) {
        if constexpr (requires { item.Fits(); })
            return item.Fits();
        else
            return true;
    }

    // An idle item, cleared, unpinned and sized for the owner, or a new one.
    std::unique_ptr<T> Pop() {
        while (!idle_.empty() && !Reusable(*idle_.back())) idle_.pop_back();
        if (idle_.empty()) {
            if constexpr (requires { T::Make(owner_); })
                return T::Make(owner_);
            else
                return std::make_unique<T>(owner_);
        }
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
    static constexpr size_t CapacityStep = 64;

    explicit TItemCache(TOwner& owner) : pool_(owner) {}
    ~TItemCache() { Discard(); }
    TItemCache(const TItemCache&) = delete;
    TItemCache& operator=(const TItemCache&) = delete;

    size_t Count() const { return index_.Count(); }
    size_t Capacity() const { return capacity_; }
    void SetCapacity(size_t capacity) { capacity_ = capacity; }
    bool Full() const { return Count() >= capacity_; }
    void GrowCapacity() { capacity_ += CapacityStep; }

    // The cached item with the number, used: made the newest when the cache is full, else marked;
    // nullptr when it is not cached.
    T* Find(uint32_t number) {
        T* item = Peek(number);
        if (!item) return nullptr;
        if (Full())
            MakeNewest(*item);
        else if (!item->referenced_) // a walk that comes again writes nothing
            item->referenced_ = true;
        return item;
    }
    // The cached item with the number, left where it stands in the chain; nullptr when it is not cached.
    T* Peek(uint32_t number) const {
        if (newest_ && newest_->Number() == number) return static_cast<T*>(newest_);
        return index_.Find(number);
    }

    // Where the item with the number likely lies, for hints (TNumberIndex::Candidate).
    const T* Candidate(uint32_t number) const { return index_.Candidate(number); }

    // Takes the item (its number not cached yet) and makes it the newest.
    T& Insert(std::unique_ptr<T> item) {
        assert(!Peek(item->Number()));
        T& inserted = *item;
        index_.Add(item.get());
        (void)item.release(); // the cache owns it
        LinkNewest(inserted);
        inserted.dirtyList_ = &dirty_;
        if (inserted.Dirty()) inserted.NoteDirty();
        return inserted;
    }
    // Removes the item from the index and the chain and hands it back.
    std::unique_ptr<T> Remove(T& item) {
        assert(Peek(item.Number()) == &item);
        index_.Remove(&item);
        Detach(item);
        return std::unique_ptr<T>(&item);
    }
    // Removes the item and returns it to the pool.
    void Evict(T& item) {
        assert(!item.Pinned());
        std::unique_ptr<T> removed = Remove(item);
        pool_.Push(removed);
    }
    void MakeNewest(TCachedItem& item) {
        item.referenced_ = false;
        if (newest_ == &item) return;
        Unlink(item);
        LinkNewest(item);
    }
    // Moves the item to the oldest end of the chain, where a full cache takes the next object it needs
    // from, unless items at that end are known to be dirty or pinned (then it stays). For an item read by
    // a walk in scattered order: over a table larger than the cache, such a walk would otherwise evict
    // each item before the next walk comes back to it, and the cache would serve none; so the items read
    // first stay, and are found by the next walk, which makes them the newest.
    void MakeOldest(TCachedItem& item) {
        item.referenced_ = false;
        if (oldest_ == &item || passed_) return;
        Unlink(item);
        if (oldest_->linkOrder_ <= 1) Renumber(uint32_t(Count()));
        item.older_ = nullptr;
        item.newer_ = oldest_;
        item.linkOrder_ = oldest_->linkOrder_ - 1;
        oldest_->older_ = &item;
        oldest_ = &item;
    }
    // The oldest clean, unpinned item of the chain that is not marked as used (those met before it become
    // the newest, unmarked); nullptr when there is none.
    T* OldestEvictable() {
        T* found = nullptr;
        VisitEvictable([&](T& item) {
            found = &item;
            return false;
        });
        return found;
    }
    // Calls `visit` with the clean, unpinned items, oldest first, while it answers true. The search
    // starts past the items known to be dirty or pinned and moves that mark over those it passes; an
    // evictable item marked as used is not visited but made the newest, unmarked (the search meets it
    // again at the end of the chain).
    template <typename Visit> void VisitEvictable(Visit&& visit) {
        assert(PassedAreNotEvictable());
        bool leading = true; // no evictable item met yet: the mark follows
        for (TCachedItem *item = passed_ ? passed_->newer_ : oldest_, *next; item; item = next) {
            next = item->newer_;
            if (!item->Evictable()) {
                if (leading) passed_ = item;
                continue;
            }
            if (item->referenced_) {
                MakeNewest(*item);
                if (!next) next = item; // it was the newest already
                continue;
            }
            leading = false;
            if (!visit(static_cast<T&>(*item))) return;
        }
    }
    // Returns every item to the pool and empties the chain (no item may be pinned).
    void Clear() {
        assert(Consistent());
        index_.ForEach([&](T* item) {
            assert(!item->Pinned());
            Loosen(*item);
            std::unique_ptr<T> owned(item);
            pool_.Push(owned);
        });
        Emptied();
    }
    // Empties the cache, pinned items included: those leave the cache but stay alive, apart, until their
    // holders release them (ReleaseItem); their contents no longer count.
    void Drop() {
        index_.ForEach([&](T* item) {
            Loosen(*item);
            std::unique_ptr<T> owned(item);
            if (owned->Pinned())
                orphans_.push_back(std::move(owned));
            else
                pool_.Push(owned);
        });
        Emptied();
    }
    // Empties the cache of clean, unpinned items without freeing them: their owner frees their memory as
    // a whole (the arena they all lie in), and their destruction must do nothing.
    void Abandon() {
        assert(NoneListedDirty() && !AnyPinned() && Consistent());
        Emptied();
    }
    // Some cached item is pinned (linear: through the index, whose items the processor fetches side by
    // side, where the chain would wait on each in turn).
    bool AnyPinned() const {
        bool pinned = false;
        index_.ForEach([&](const T* item) { pinned |= item->Pinned(); });
        return pinned;
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
        index_.ForEach([](T* item) { item->ResetPins(); });
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

    // An object for item `number` (not cached), renumbered, cleared and made the newest: a fresh one
    // below the capacity; at it the oldest clean unpinned item (calling `flush` once first when none is
    // clean and `mayFlush`), or, when there is none, a fresh one after the capacity grew.
    template <typename Flush> T& NewItem(uint32_t number, bool mayFlush, Flush&& flush) {
        std::unique_ptr<T> object;
        if (Full()) {
            T* victim = OldestEvictable();
            if (!victim && mayFlush) {
                flush();
                victim = OldestEvictable();
            }
            if (victim) {
                object = Remove(*victim);
                if (!TItemStack<T>::Reusable(*object)) object.reset();
            } else
                GrowCapacity();
        }
        if (!object) object = pool_.Pop();
        object->SetNumber(number);
        object->Clear();
        return Insert(std::move(object));
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
        if (T* cached = Peek(number)) {
            if (!cached->Dirty() && !cached->Pinned()) cached->LoadFrom(bytes);
            return;
        }
        NewItem(number, mayFlush, flush).LoadFrom(bytes);
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
        assert(Consistent());
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
        ReleaseSpare(dirty_);
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
            for (uint32_t n = from.Number() + 1; n < to.Number(); ++n) {
                const T* between = Peek(n);
                if (!between || !between->Evictable() || keep(*between)) return false;
            }
            return true;
        };
        for (size_t start = 0, end; start < flushList_.size(); start = end) {
            for (end = start + 1; end < flushList_.size() && bridged(*flushList_[end - 1], *flushList_[end]);)
                ++end;
            if (flushList_[end - 1]->Number() - flushList_[start]->Number() == end - 1 - start) {
                writeRun(std::span<T* const>(flushList_).subspan(start, end - start));
                continue;
            }
            runItems_.clear();
            for (uint32_t n = flushList_[start]->Number(); n <= flushList_[end - 1]->Number(); ++n)
                runItems_.push_back(Peek(n));
            writeRun(std::span<T* const>(runItems_));
        }
        relist.Done = true;
        bool any = !flushList_.empty();
        flushList_.clear();
        ReleaseSpare(flushList_);
        return any;
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

    // No item became dirty since the last flush took them: every cached item is as its file holds it
    // (constant time; AnyDirty may say no where this does not).
    bool NoneListedDirty() const { return dirty_.empty(); }

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

    // The items in number order (sorted on each call).
    std::vector<T*> Items() const { return index_.Sorted(); }
    T* Newest() const { return static_cast<T*>(newest_); }
    TItemStack<T>& Pool() { return pool_; }
    TCacheStatistics Statistics;

    // The index holds exactly the items of the chain, each under its own number (linear; asserts).
    bool Consistent() const {
        size_t chained = 0;
        for (const TCachedItem* item = oldest_; item; item = item->newer_, ++chained)
            if (index_.Find(item->Number()) != item || item->dirtyList_ != &dirty_ ||
                (item->older_ && item->older_->linkOrder_ >= item->linkOrder_))
                return false;
        return chained == Count() && index_.Consistent();
    }

private:
    // Evicts the oldest clean, unpinned items until `limit` are left or none is evictable.
    void EvictOldest(size_t limit) {
        if (Count() <= limit) return;
        size_t excess = Count() - limit;
        victims_.clear();
        VisitEvictable([&](T& item) {
            victims_.push_back(&item);
            return victims_.size() < excess;
        });
        for (T* victim : victims_) Evict(*victim);
    }
    // Puts the dirty, unpinned items that `keep` does not hold back into the flush list, in number order,
    // and out of the dirty list (the clean ones leave it too).
    template <typename Keep> void TakeForFlush(Keep& keep) {
        flushList_.clear();
        flushList_.reserve(dirty_.size());
        auto rest = std::remove_if(dirty_.begin(), dirty_.end(), [&](TCachedItem* listed) {
            T& item = static_cast<T&>(*listed);
            bool written = item.Dirty() && !item.Pinned() && !keep(item);
            if (written) flushList_.push_back(&item);
            bool leaves = written || !item.Dirty();
            if (leaves) listed->listedDirty_ = false;
            return leaves;
        });
        dirty_.erase(rest, dirty_.end());
        // Items changed in number order, either way round (a walk's changes, appends from the free chain),
        // are listed in it already.
        auto before = [](T* a, T* b) { return a->Number() < b->Number(); };
        if (std::is_sorted(flushList_.begin(), flushList_.end(), [&](T* a, T* b) { return before(b, a); }))
            std::reverse(flushList_.begin(), flushList_.end());
        else if (!std::is_sorted(flushList_.begin(), flushList_.end(), before))
            std::sort(flushList_.begin(), flushList_.end(), before);
    }
    // A list that held many items (a whole-table lock's appends) gives its memory back once it holds few.
    template <typename Item> static void ReleaseSpare(std::vector<Item>& list) {
        if (list.capacity() > 4096 && list.size() * 4 < list.capacity()) list.shrink_to_fit();
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
        item.referenced_ = false;
    }
    // After the index and the chain were emptied.
    void Emptied() {
        index_.Clear();
        dirty_.clear();
        newest_ = oldest_ = passed_ = nullptr;
    }
    // Checks of the invariants (linear; asserts only). The items before the mark are looked at whole in a
    // cache of a few thousand items; in a larger one only the mark's own, since a search that meets a
    // long run of changed records would otherwise cost the whole run each time.
    bool PassedAreNotEvictable() const {
        if (!passed_) return true;
        if (Count() > 4096) return !passed_->Evictable();
        for (TCachedItem* item = oldest_; item; item = item->newer_) {
            if (item->Evictable()) return false;
            if (item == passed_) return true;
        }
        return false; // the mark is not in the chain
    }
    bool DirtyAreListed() const {
        bool listed = true;
        index_.ForEach([&](const T* item) {
            listed = listed && item->dirtyList_ == &dirty_ && (!item->Dirty() || item->listedDirty_);
        });
        return listed && std::all_of(dirty_.begin(), dirty_.end(), [this](const TCachedItem* item) {
                   return item->listedDirty_ && item->dirtyList_ == &dirty_;
               });
    }

    // The link orders run out: the chain is numbered afresh from `base` + 1, in its order.
    void Renumber(uint32_t base = 0) {
        linkCount_ = base;
        for (TCachedItem* item = oldest_; item; item = item->newer_) item->linkOrder_ = ++linkCount_;
    }
    void Unlink(TCachedItem& item) {
        if (passed_ == &item) passed_ = item.older_;
        (item.older_ ? item.older_->newer_ : oldest_) = item.newer_;
        (item.newer_ ? item.newer_->older_ : newest_) = item.older_;
        item.older_ = item.newer_ = nullptr;
    }
    void LinkNewest(TCachedItem& item) {
        if (linkCount_ == UINT32_MAX) Renumber();
        item.older_ = newest_;
        item.newer_ = nullptr;
        item.linkOrder_ = ++linkCount_;
        (newest_ ? newest_->newer_ : oldest_) = &item;
        newest_ = &item;
    }

    TNumberIndex<T> index_; // owns its items: Remove, Clear, Drop and Discard give each up
    size_t capacity_ = 0;
    TCachedItem* newest_ = nullptr;
    TCachedItem* oldest_ = nullptr;
    TItemStack<T> pool_;
    std::vector<std::unique_ptr<T>> orphans_; // dropped while pinned
    std::vector<TCachedItem*> dirty_;         // every dirty item of the cache, and some made clean since
    // The items from the oldest up to this one are dirty or pinned; none known when nullptr.
    TCachedItem* passed_ = nullptr;
    uint32_t linkCount_ = 0;
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
