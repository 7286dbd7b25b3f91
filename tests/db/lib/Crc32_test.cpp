// The CRC-32 against zlib's: every length around the 16- and 64-byte blocks the folding takes, at every
// alignment, carried on from a value or begun afresh, and over a large buffer in uneven pieces.
#include "TestSupport.h"

#include "db/lib/Crc32.h"

#include <random>
#include <vector>
#include <zlib.h>

namespace vorsam::test {
namespace {

TEST(Crc32Test, EqualsZlibsAtEveryLengthAndAlignment) {
    std::mt19937 random(7);
    std::vector<uint8_t> bytes(1 << 20);
    for (uint8_t& byte : bytes) byte = uint8_t(random());
    for (size_t count = 0; count < 600; ++count)
        for (size_t offset = 0; offset < 16; offset += 3) {
            uint32_t from = count % 2 ? uint32_t(random()) : 0;
            ASSERT_EQ(Crc32(bytes.data() + offset, count, from),
                      uint32_t(crc32(from, bytes.data() + offset, uInt(count))))
                << count << " bytes at " << offset;
        }
    uint32_t pieces = 0;
    for (size_t at = 0, step = 1; at < bytes.size(); at += step, step = step * 3 + 1)
        pieces = Crc32(bytes.data() + at, std::min(step, bytes.size() - at), pieces);
    EXPECT_EQ(pieces, uint32_t(crc32(0, bytes.data(), uInt(bytes.size()))));
}

} // namespace
} // namespace vorsam::test
