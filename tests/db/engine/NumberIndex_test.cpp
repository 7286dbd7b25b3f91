// The number index against a std::map: random additions and removals, in a small range of numbers (so
// that probe sequences collide, wrap around the table's end and are shifted back on removal) and in a
// wide one, finding every number exactly when the map has it and listing the items sorted.
#include "db/engine/NumberIndex.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <random>

namespace vorsam {
namespace {

struct TNumbered {
    uint32_t number;
    uint32_t Number() const { return number; }
};

TEST(NumberIndexTest, FindsExactlyTheNumbersAMapHoldsThroughAdditionsAndRemovals) {
    for (uint32_t range : {40u, 5000u, 4000000000u}) {
        SCOPED_TRACE(range);
        std::mt19937 random(range);
        TNumberIndex<TNumbered> index;
        std::map<uint32_t, std::unique_ptr<TNumbered>> model;
        for (int step = 0; step < 20000; ++step) {
            uint32_t number = 1 + uint32_t(random() % range);
            auto at = model.find(number);
            if (at != model.end()) {
                index.Remove(at->second.get());
                model.erase(at);
            } else if (random() % 3 != 0) {
                auto item = std::make_unique<TNumbered>(TNumbered{number});
                index.Add(item.get());
                model.emplace(number, std::move(item));
            }
            ASSERT_EQ(index.Find(number) != nullptr, model.count(number) != 0);
            if (step % 97 == 0) {
                ASSERT_TRUE(index.Consistent());
            }
            if (step % 5000 == 2499) {
                index.Clear();
                model.clear();
            }
        }
        ASSERT_EQ(index.Count(), model.size());
        ASSERT_TRUE(index.Consistent());
        for (uint32_t probe = 1; probe <= std::min(range, 6000u); ++probe)
            ASSERT_EQ(index.Find(probe), model.count(probe) ? model[probe].get() : nullptr) << probe;
        std::vector<TNumbered*> sorted = index.Sorted();
        ASSERT_EQ(sorted.size(), model.size());
        auto expected = model.begin();
        for (TNumbered* item : sorted) ASSERT_EQ(item, (expected++)->second.get());
    }
}

} // namespace
} // namespace vorsam
