// The remote protocol's bytes without a connection: frames (compressed or not) and how reply bodies are
// read and refused, checked against the test server's own encoding of the protocol.
#include "db/lib/TestSupport.h"

#include "RemoteFakeServer.h"
#include "db/engine/RemoteProtocol.h"

#include <functional>
#include <random>

namespace vorsam::test {
namespace {

TBytes Repetitive(size_t size) {
    TBytes bytes(size);
    for (size_t i = 0; i < size; ++i) bytes[i] = uint8_t("Ramal 2001 categoria "[i % 21]);
    return bytes;
}

TBytes Random(size_t size, unsigned seed) {
    std::mt19937 random(seed);
    TBytes bytes(size);
    for (uint8_t& b : bytes) b = uint8_t(random());
    return bytes;
}

TEST(RemoteFrameTest, BodiesTravelAsTheyStandOrCompressedWhenThatIsSmaller) {
    struct TCase {
        const char* Name;
        TBytes Body;
        bool Compress;
        bool Compressed;
    };
    const std::vector<TCase> cases{
        {"small body, compression asked", Body(4, {Text("VENDAS")}), true, false},
        {"large repetitive body, LAN", Body(10, {Repetitive(5000)}), false, false},
        {"large repetitive body, internet", Body(10, {Repetitive(5000)}), true, true},
        {"large random body, internet", Body(10, {Random(5000, 7)}), true, false},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TBytes frame = EncodeFrame(c.Body, c.Compress);
        ASSERT_GE(frame.size(), FrameHeaderSize);
        EXPECT_EQ(frame[4], c.Compressed ? 1 : 0);
        if (c.Compressed) {
            EXPECT_LT(frame.size(), c.Body.size() / 4);
        } else {
            EXPECT_EQ(frame, Frame(c.Body, false)) << "header: sent length, flags, length";
        }

        TFrameHeader header = DecodeFrameHeader(std::span<const uint8_t, FrameHeaderSize>(frame.data(), 9));
        EXPECT_EQ(DecodeFrameBody(header, {frame.data() + 9, frame.size() - 9}), c.Body);
    }
    // A frame the test server compressed reads back too.
    TBytes body = Body(0, {Repetitive(3000)});
    TBytes theirs = Frame(body, true);
    TFrameHeader header = DecodeFrameHeader(std::span<const uint8_t, FrameHeaderSize>(theirs.data(), 9));
    EXPECT_EQ(DecodeFrameBody(header, {theirs.data() + 9, theirs.size() - 9}), body);
}

TEST(RemoteFrameTest, AFrameThatBreaksTheRulesIsRefusedCleanly) {
    const TBytes body = Body(0, {Repetitive(3000)});
    const TBytes good = Frame(body, true);
    const std::vector<std::pair<const char*, std::function<void(TBytes&)>>> spoils{
        {"a flipped byte in the deflate data", [](TBytes& f) { f[9 + (f.size() - 9) / 2] ^= 0x5A; }},
        {"cut short", [](TBytes& f) { f.resize(f.size() - 10), f[0] = uint8_t(f.size() - 9); }},
        {"inflates longer than stated", [](TBytes& f) { f[5] = uint8_t(f[5] - 1); }},
        {"inflates shorter than stated", [](TBytes& f) { f[5] = uint8_t(f[5] + 1); }},
        {"states 64 MiB and one byte", [](TBytes& f) { f[5] = 1, f[6] = 0, f[7] = 0, f[8] = 4; }},
        {"an unknown flag", [](TBytes& f) { f[4] = 3; }},
        {"plain body with two lengths", [](TBytes& f) { f[4] = 0; }},
    };
    for (const auto& [name, spoil] : spoils) {
        SCOPED_TRACE(name);
        TBytes frame = good;
        spoil(frame);
        EXPECT_ENGINE_ERROR(
            {
                TFrameHeader header =
                    DecodeFrameHeader(std::span<const uint8_t, FrameHeaderSize>(frame.data(), 9));
                DecodeFrameBody(header, {frame.data() + 9, frame.size() - 9});
            },
            VORSAM_UNCOMPRESS);
    }
}

TEST(RemoteReplyTest, ValuesAreReadInOrderAndAShortOrOversizedOneIsRefused) {
    TRemoteReply reply(Body(0, {U32(7), Text("Central"), U8(1), U16(513), Repetitive(10)}));
    EXPECT_EQ(reply.Code(), 0);
    EXPECT_EQ(reply.ReadU32(), 7u);
    EXPECT_EQ(reply.ReadText(), "Central");
    EXPECT_ENGINE_ERROR(reply.ReadU16(), VORSAM_UNCOMPRESS) << "a one-byte value is not read as two";
    EXPECT_TRUE(reply.ReadFlag()) << "a refused read leaves the position";
    uint8_t small[1];
    EXPECT_ENGINE_ERROR(reply.ReadValue(small), VORSAM_UNCOMPRESS) << "two bytes never go into one";
    EXPECT_EQ(reply.ReadU16(), 513);
    uint8_t room[16] = {};
    EXPECT_EQ(reply.ReadValue(room), 10);
    EXPECT_TRUE(reply.AtEnd());
    EXPECT_ENGINE_ERROR(reply.ReadU8(), VORSAM_UNCOMPRESS) << "past the last value";

    TBytes cut = Body(0, {Text("Central")});
    cut.pop_back();
    TRemoteReply shortReply(cut);
    EXPECT_ENGINE_ERROR(shortReply.ReadText(), VORSAM_UNCOMPRESS) << "a value cut short";
    EXPECT_ENGINE_ERROR(TRemoteReply(TBytes{0}), VORSAM_UNCOMPRESS) << "no room for a code";
    EXPECT_ENGINE_ERROR(TRemoteReply(Body(0, {Text(std::string(256, 't'))})).ReadText(), VORSAM_UNCOMPRESS);
}

} // namespace
} // namespace vorsam::test
