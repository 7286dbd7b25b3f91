// Scrambling of table contents: reversible, length-keeping, restarting from the seeds at every call.
#include "db/lib/Scramble.h"

#include <gtest/gtest.h>
#include <random>
#include <vector>

namespace vorsam {
namespace {

std::vector<uint8_t> RandomBytes(std::mt19937& random, size_t n) {
    std::vector<uint8_t> bytes(n);
    for (auto& b : bytes) b = uint8_t(random());
    return bytes;
}

TEST(ScrambleTest, UnscrambleRestoresEveryBufferUnderEverySeedPair) {
    std::mt19937 random(7);
    for (int i = 0; i < 300; ++i) {
        auto seed1 = uint8_t(random()), seed2 = uint8_t(random());
        std::vector<uint8_t> plain = RandomBytes(random, random() % 700), data = plain;
        ScrambleBuffer(data.data(), data.size(), seed1, seed2);
        UnscrambleBuffer(data.data(), data.size(), seed1, seed2);
        ASSERT_EQ(data, plain);
    }
}

TEST(ScrambleTest, EachCallStartsFromTheSeedsSoPiecesUnscrambleAlone) {
    std::vector<uint8_t> a(100, 'A'), b(100, 'A');
    ScrambleBuffer(a.data(), a.size(), TableDataSeed1, TableDataSeed2);
    ScrambleBuffer(b.data(), 50, TableDataSeed1, TableDataSeed2);
    ScrambleBuffer(b.data() + 50, 50, TableDataSeed1, TableDataSeed2);
    EXPECT_TRUE(std::equal(a.begin(), a.begin() + 50, b.begin()));
    EXPECT_TRUE(std::equal(b.begin(), b.begin() + 50, b.begin() + 50))
        << "same input, same seeds, same output";
    UnscrambleBuffer(b.data() + 50, 50, TableDataSeed1, TableDataSeed2);
    EXPECT_EQ(std::vector<uint8_t>(b.begin() + 50, b.end()), std::vector<uint8_t>(50, 'A'));
}

TEST(ScrambleTest, OutputHidesRunsAndDependsOnTheSeeds) {
    std::vector<uint8_t> zeros(64, 0), a = zeros, b = zeros;
    ScrambleBuffer(a.data(), a.size(), DescriptionSeed1, DescriptionSeed2);
    ScrambleBuffer(b.data(), b.size(), DescriptionSeed2, DescriptionSeed1);
    EXPECT_NE(a, b);
    EXPECT_GT(std::count_if(a.begin(), a.end(), [](uint8_t x) { return x != 0; }), 56);
    EXPECT_NE(std::vector<uint8_t>(a.begin(), a.begin() + 8),
              std::vector<uint8_t>(a.begin() + 8, a.begin() + 16));
}

} // namespace
} // namespace vorsam
