// The item cache against a plain model of it: random reads, finds, appends, changes, releases, flushes,
// trims and drops, on a small cache and on one where few of many items are dirty, after each of which the
// cache must name the same oldest evictable item as a full search of the model's recency order, list the same
// dirty items, and write the same runs: with a bridge, runs joined across short gaps of cached, clean,
// unpinned items. A find on a cache below its capacity only marks the item; a search that meets a marked
// evictable item moves it to the newest end, unmarked.
#include "db/engine/ItemCache.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <list>
#include <map>
#include <random>
#include <span>

namespace vorsam {
namespace {

struct TFakeOwner {};

class TFakeItem : public TCachedItem {
public:
    using TOwner = TFakeOwner;
    static constexpr size_t PoolCapacity = 4;
    explicit TFakeItem(TFakeOwner&) {}
    void SetNumber(uint32_t number) { number_ = number; }
    void Clear() { ClearModified(); }
    void LoadFrom(const uint8_t*) { MarkClean(); }
    void StoreTo(uint8_t*) { MarkClean(); }
};

struct TModelItem {
    bool Dirty = false;
    int Pins = 0;
    bool Marked = false;
};

class ItemCacheModelTest : public testing::Test {
protected:
    void Run(uint32_t seed, int steps, size_t capacity) {
        random_.seed(seed);
        capacity_ = capacity;
        cache_.SetCapacity(capacity);
        for (int i = 0; i < steps; ++i) {
            Step();
            Check();
        }
        Drop();
    }

private:
    using TCache = TItemCache<TFakeItem>;

    void Step() {
        switch (random_() % 10) {
        case 0:
            Append();
            break;
        case 1:
            Read();
            break;
        case 2:
        case 3:
        case 4:
            Fetch();
            break;
        case 5:
            Change();
            break;
        case 6:
        case 7:
            Release();
            break;
        case 8:
            Flush();
            break;
        default:
            random_() % 8 == 0 ? Drop() : Trim();
            break;
        }
    }
    // A new item, unwritten and held, at the end of the file.
    void Append() {
        bool mayFlush = random_() % 4 == 0;
        uint32_t number = next_++;
        ModelMakeRoom(mayFlush);
        TFakeItem& item = cache_.NewItem(number, mayFlush, [&] { cache_.FlushRuns(NoKeep, Written); });
        item.SetUnwritten(true);
        Hold(item);
        recency_.push_back(number);
        model_[number] = {true, 1};
    }
    // A few items read from the file: clean and not held.
    void Read() {
        for (uint32_t count = random_() % 8; count-- > 0;) {
            bool mayFlush = random_() % 4 == 0;
            uint32_t number = next_++;
            ModelMakeRoom(mayFlush);
            uint8_t bytes[1] = {};
            cache_.Merge(number, bytes, mayFlush, [&] { cache_.FlushRuns(NoKeep, Written); });
            recency_.push_back(number);
            model_[number] = {false, 0};
        }
    }
    void Fetch() {
        if (model_.empty()) return;
        auto at = std::next(model_.begin(), ptrdiff_t(random_() % model_.size()));
        bool full = cache_.Full();
        TFakeItem* item = cache_.Find(at->first);
        ASSERT_NE(item, nullptr);
        Hold(*item);
        ++at->second.Pins;
        at->second.Marked = !full;
        if (full) MoveToNewest(at->first);
    }
    void Change() {
        if (held_.empty()) return;
        TFakeItem* item = held_[random_() % held_.size()];
        item->SetModified();
        model_[item->Number()].Dirty = true;
    }
    void Release() {
        if (held_.empty()) return;
        size_t which = random_() % held_.size();
        TFakeItem* item = held_[which];
        held_.erase(held_.begin() + ptrdiff_t(which));
        --model_[item->Number()].Pins;
        cache_.ReleaseItem(*item);
    }
    void Flush() {
        size_t bridge = random_() % 4;
        std::vector<std::vector<uint32_t>> expected;
        uint32_t last = 0;
        for (auto& [number, item] : model_) {
            if (!item.Dirty || item.Pins != 0) continue;
            if (!expected.empty() && Bridges(last, number, bridge)) {
                for (uint32_t n = last + 1; n <= number; ++n) expected.back().push_back(n);
            } else {
                expected.push_back({number});
            }
            last = number;
        }
        runs_.clear();
        cache_.FlushRuns(NoKeep, Written, bridge);
        EXPECT_EQ(runs_, expected);
        ModelFlush();
    }
    // The numbers between the two are at most `bridge`, all cached, clean and not held.
    bool Bridges(uint32_t from, uint32_t to, size_t bridge) const {
        if (to - from - 1 > bridge) return false;
        for (uint32_t n = from + 1; n < to; ++n) {
            auto at = model_.find(n);
            if (at == model_.end() || at->second.Dirty || at->second.Pins != 0) return false;
        }
        return true;
    }
    void Trim() {
        size_t limit = random_() % (capacity_ + 2);
        while (model_.size() > limit) {
            uint32_t victim = ModelOldestEvictable();
            if (!victim) break;
            Forget(victim);
        }
        cache_.Trim(limit, false, [] {});
    }
    void Drop() {
        cache_.Drop();
        for (TFakeItem* item : held_) cache_.ReleaseItem(*item);
        held_.clear();
        model_.clear();
        recency_.clear();
    }

    void Check() {
        ASSERT_EQ(cache_.Count(), model_.size());
        uint32_t expected = ModelOldestEvictable();
        TFakeItem* oldest = cache_.OldestEvictable();
        EXPECT_EQ(oldest ? oldest->Number() : 0, expected);
        bool dirty = std::any_of(model_.begin(), model_.end(), [](const auto& m) { return m.second.Dirty; });
        EXPECT_EQ(cache_.AnyDirty(), dirty);
        // Numbers below, among, between and above the cached ones are found exactly when cached.
        std::vector<uint32_t> probes = {0, 1};
        for (const auto& [number, item] : model_)
            probes.insert(probes.end(), {number - 1, number, number + 1});
        for (uint32_t probe : probes) {
            TFakeItem* found = cache_.Peek(probe);
            ASSERT_EQ(found ? found->Number() : 0, model_.count(probe) ? probe : 0) << probe;
        }
        std::vector<uint32_t> numbers;
        for (TFakeItem* item : cache_.Items()) numbers.push_back(item->Number());
        std::vector<uint32_t> expectedNumbers;
        for (const auto& [number, item] : model_) expectedNumbers.push_back(number);
        ASSERT_EQ(numbers, expectedNumbers);
        ASSERT_TRUE(cache_.Consistent());
    }

    uint32_t ModelOldestEvictable() {
        for (auto at = recency_.begin(); at != recency_.end();) {
            uint32_t number = *at++;
            TModelItem& item = model_.at(number);
            if (item.Dirty || item.Pins != 0) continue;
            if (!item.Marked) return number;
            item.Marked = false;
            if (at == recency_.end()) return number;
            MoveToNewest(number);
        }
        return 0;
    }
    void MoveToNewest(uint32_t number) {
        recency_.remove(number);
        recency_.push_back(number);
    }
    // What the cache does before it takes a new item.
    void ModelMakeRoom(bool mayFlush) {
        if (!cache_.Full()) return;
        if (!ModelOldestEvictable() && mayFlush) ModelFlush();
        if (uint32_t victim = ModelOldestEvictable()) Forget(victim);
    }
    void ModelFlush() {
        for (auto& [number, item] : model_)
            if (item.Pins == 0) item.Dirty = false;
    }
    void Forget(uint32_t number) {
        model_.erase(number);
        recency_.remove(number);
    }
    void Hold(TFakeItem& item) {
        item.Pin();
        held_.push_back(&item);
    }

    static bool NoKeep(const TFakeItem&) { return false; }
    std::function<void(std::span<TFakeItem* const>)> Written = [this](std::span<TFakeItem* const> run) {
        uint8_t bytes[1];
        runs_.emplace_back();
        for (TFakeItem* item : run) {
            runs_.back().push_back(item->Number());
            item->StoreTo(bytes);
        }
    };

    TFakeOwner owner_;
    TCache cache_{owner_};
    std::mt19937 random_;
    size_t capacity_ = 0;
    uint32_t next_ = 1;
    std::map<uint32_t, TModelItem> model_;
    std::list<uint32_t> recency_; // oldest first
    std::vector<TFakeItem*> held_;
    std::vector<std::vector<uint32_t>> runs_;
};

TEST_F(ItemCacheModelTest, EvictsFlushesAndTrimsAsAFullSearchWould) {
    for (uint32_t seed = 1; seed <= 20; ++seed) {
        SCOPED_TRACE(seed);
        Run(seed, 2000, seed % 2 ? 8 : 64);
    }
}

TEST(ItemCacheTest, AWalkInScatteredOrderKeepsTheItemsItReadFirst) {
    TFakeOwner owner;
    TItemCache<TFakeItem> cache{owner};
    cache.SetCapacity(8);
    for (uint32_t n = 1; n <= 20; ++n) {
        cache.Merge(n, reinterpret_cast<const uint8_t*>("x"), false, [] {});
        cache.MakeOldest(*cache.Peek(n));
        ASSERT_TRUE(cache.Consistent());
    }
    for (uint32_t n : {1u, 2u, 7u, 20u}) EXPECT_NE(cache.Peek(n), nullptr) << n;
}

} // namespace
} // namespace vorsam
