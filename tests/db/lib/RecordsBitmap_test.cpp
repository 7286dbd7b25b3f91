// Record-number sets against std::set under random operations.
#include "db/lib/RecordsBitmap.h"

#include <gtest/gtest.h>
#include <random>
#include <set>

namespace vorsam {
namespace {

TEST(RecordsBitmapTest, AgreesWithASetUnderRandomOperations) {
    std::mt19937 random(5);
    TRecordsBitmap bitmap(300);
    std::set<uint32_t> oracle;
    uint32_t count = 300;
    for (int step = 0; step < 20000; ++step) {
        uint32_t n = random() % (count + 70);
        switch (random() % 8) {
        case 0:
        case 1:
        case 2:
            bitmap.SetBit(n);
            if (n > 0) oracle.insert(n), count = std::max(count, n);
            break;
        case 3:
        case 4:
            bitmap.SetBit(n, false), oracle.erase(n);
            break;
        case 5:
            count = random() % 400;
            bitmap.SetRecordCount(count);
            oracle.erase(oracle.upper_bound(count), oracle.end());
            break;
        default:
            break;
        }
        ASSERT_EQ(bitmap.RecordCount(), count);
        ASSERT_EQ(bitmap.GetBit(n), oracle.count(n) == 1) << n;
        ASSERT_EQ(bitmap.CountSetBits(), oracle.size());
        auto next = oracle.upper_bound(n);
        ASSERT_EQ(bitmap.NextSetBit(n), next == oracle.end() ? 0 : *next) << n;
        auto prior = oracle.lower_bound(n);
        ASSERT_EQ(bitmap.PriorSetBit(n), prior == oracle.begin() ? 0 : *std::prev(prior)) << n;
    }
}

TEST(RecordsBitmapTest, SetAllAndClearAllCoverExactlyTheRecords) {
    TRecordsBitmap bitmap(130);
    bitmap.SetAll();
    EXPECT_EQ(bitmap.CountSetBits(), 130u);
    EXPECT_FALSE(bitmap.GetBit(0));
    EXPECT_FALSE(bitmap.GetBit(131));
    EXPECT_EQ(bitmap.NextSetBit(130), 0u);
    EXPECT_EQ(bitmap.PriorSetBit(1000), 130u);
    bitmap.SetRecordCount(200);
    EXPECT_EQ(bitmap.CountSetBits(), 130u) << "new records start clear";
    bitmap.ClearAll();
    EXPECT_EQ(bitmap.NextSetBit(0), 0u);
}

} // namespace
} // namespace vorsam
