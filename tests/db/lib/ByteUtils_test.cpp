// Byte-run helpers: comparison signs, the 254 caps of the run counts, integer keys and buffer growth.
#include "db/lib/ByteUtils.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <random>

namespace vorsam {
namespace {

TEST(ByteUtilsTest, CompareMemoryIsUnsignedAndReversedWhenDescending) {
    const uint8_t a[] = {1, 0x80, 3}, b[] = {1, 0x7F, 9};
    EXPECT_EQ(CompareMemory(a, b, 3), 1);
    EXPECT_EQ(CompareMemory(b, a, 3), -1);
    EXPECT_EQ(CompareMemory(a, b, 3, true), -1);
    EXPECT_EQ(CompareMemory(a, b, 1), 0);
    EXPECT_EQ(CompareMemory(a, b, 0, true), 0);
}

struct TRunCase {
    size_t length;
    size_t equalOrZero; // leading equal bytes / trailing zero bytes in the data
    size_t expected;
};

class RunCountTest : public ::testing::TestWithParam<TRunCase> {};

TEST_P(RunCountTest, CommonPrefixLengthStopsAtTheFirstDifferenceTheLengthOr254) {
    const TRunCase& c = GetParam();
    std::vector<uint8_t> a(c.length + 1, 7), b(c.length + 1, 7);
    b[c.equalOrZero] = 8;
    EXPECT_EQ(CommonPrefixLength(a.data(), b.data(), c.length), c.expected);
}

TEST_P(RunCountTest, CountTrailingZeroBytesStopsAtTheFirstNonZeroTheLengthOr254) {
    const TRunCase& c = GetParam();
    std::vector<uint8_t> data(c.length + 1, 0);
    data[0] = 0xEE; // before the run: never counted
    if (c.equalOrZero < c.length) data[c.length - c.equalOrZero] = 5;
    EXPECT_EQ(CountTrailingZeroBytes(data.data() + 1, c.length), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Runs, RunCountTest,
                         ::testing::Values(TRunCase{0, 0, 0}, TRunCase{10, 3, 3}, TRunCase{10, 10, 10},
                                           TRunCase{254, 254, 254}, TRunCase{300, 300, 254},
                                           TRunCase{300, 253, 253}, TRunCase{600, 255, 254}));

TEST(ByteUtilsTest, IntegerKeysSortLikeTheirValues) {
    std::mt19937 random(1);
    std::vector<int32_t> values = {INT32_MIN, -1, 0, 1, INT32_MAX};
    for (int i = 0; i < 2000; ++i) values.push_back(int32_t(random()));
    std::vector<std::array<uint8_t, 4>> keys;
    for (int32_t v : values) EncodeIntegerKey(v, keys.emplace_back().data());
    for (size_t i = 0; i + 1 < values.size(); ++i)
        EXPECT_EQ(CompareMemory(keys[i].data(), keys[i + 1].data(), 4),
                  (values[i] > values[i + 1]) - (values[i] < values[i + 1]));
}

TEST(ByteUtilsTest, ReallocBufferGrowsAndShrinksInWholeStepsZeroingTheNewPart) {
    std::vector<uint8_t> buffer;
    ReallocBuffer(1, 4096, buffer);
    EXPECT_EQ(buffer.size(), 4096u);
    std::fill(buffer.begin(), buffer.end(), 0xAA);
    ReallocBuffer(4097, 4096, buffer);
    ASSERT_EQ(buffer.size(), 8192u);
    EXPECT_EQ(buffer[4095], 0xAA);
    EXPECT_TRUE(std::all_of(buffer.begin() + 4096, buffer.end(), [](uint8_t b) { return b == 0; }));
    ReallocBuffer(64, 64, buffer);
    EXPECT_EQ(buffer.size(), 64u);
    FreeMemAndNil(buffer);
    EXPECT_EQ(buffer.capacity(), 0u);
}

} // namespace
} // namespace vorsam
