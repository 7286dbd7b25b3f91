// Whole-buffer compression against zlib's own one-call routines: what one side packs the other unpacks,
// and input that is not one intact stream, or that would inflate beyond its limit, is refused.
#include "TestSupport.h"

#include "db/lib/Compression.h"

#include <random>
#include <zlib.h>

namespace vorsam::test {
namespace {

using TBytes = std::vector<uint8_t>;

TBytes Sample(size_t size, unsigned seed) {
    std::mt19937 random(seed);
    TBytes bytes(size);
    // Runs of a few symbols: compressible, but not trivially.
    for (size_t i = 0; i < size;) {
        uint8_t symbol = uint8_t('a' + random() % 6);
        for (size_t run = 1 + random() % 9; run > 0 && i < size; --run) bytes[i++] = symbol;
    }
    return bytes;
}

TBytes ZlibCompress(const TBytes& data) {
    uLongf size = compressBound(uLong(data.size()));
    TBytes packed(size);
    compress2(packed.data(), &size, data.data(), uLong(data.size()), 9);
    packed.resize(size);
    return packed;
}

TBytes ZlibUncompress(const TBytes& packed, size_t size) {
    TBytes data(size);
    uLongf length = size;
    EXPECT_EQ(uncompress(data.data(), &length, packed.data(), uLong(packed.size())), Z_OK);
    data.resize(length);
    return data;
}

TEST(CompressionTest, RoundTripsWithZlibBothWays) {
    for (size_t size : {size_t(0), size_t(1), size_t(100), size_t(70000)}) {
        SCOPED_TRACE(size);
        TBytes data = Sample(size, unsigned(size));
        TBytes packed = CompressBuffer(data);
        ASSERT_GE(packed.size(), 2u);
        EXPECT_EQ(packed[0] & 0x0F, 8) << "zlib stream of deflate data";
        EXPECT_EQ(packed[1] >> 6, 3) << "header says the best compression";
        EXPECT_EQ(ZlibUncompress(packed, size), data);
        EXPECT_EQ(DecompressBuffer(ZlibCompress(data), size), data) << "exactly at the limit";
        EXPECT_EQ(DecompressBuffer(packed, size * 3 + 1), data) << "the output grows as needed";
    }
}

TEST(CompressionTest, BrokenStreamsAndOversizedOutputAreRefused) {
    const TBytes data = Sample(20000, 3);
    const TBytes packed = ZlibCompress(data);
    TBytes flipped = packed;
    flipped[flipped.size() / 2] ^= 0x20;
    TBytes tail = packed;
    tail.push_back(0);
    TBytes cut(packed.begin(), packed.end() - 5);
    for (const TBytes& broken : {flipped, tail, cut, TBytes{}, TBytes{0x78}, TBytes(50, 0x41)})
        EXPECT_ENGINE_ERROR(DecompressBuffer(broken, data.size()), VORSAM_UNCOMPRESS);
    EXPECT_ENGINE_ERROR(DecompressBuffer(packed, data.size() - 1), VORSAM_UNCOMPRESS)
        << "one byte beyond the limit";
    const TBytes bomb = ZlibCompress(TBytes(8u << 20, 0));
    EXPECT_LT(bomb.size(), 10000u);
    EXPECT_ENGINE_ERROR(DecompressBuffer(bomb, 1u << 20), VORSAM_UNCOMPRESS) << "stops at the limit";
}

} // namespace
} // namespace vorsam::test
