// Streams read out of compound documents written here (XlsFiles.h): whole, whatever the sector size
// and wherever the FAT is listed; a chain that loops, ends early or leaves the file refuses them.
#include "grid/CompoundFile.h"
#include "XlsFiles.h"

#include <functional>
#include <gtest/gtest.h>

namespace {

using namespace xlsfiles;

QByteArray Filler(qint64 size, int seed) {
    QByteArray bytes(size, '\0');
    for (qint64 i = 0; i < size; ++i) bytes[i] = char((i * 7 + seed) % 251);
    return bytes;
}

// "Workbook" spans more than one FAT sector of a 512-byte-sector document; "Small" lives in the
// mini stream. headerFat 109 lists every FAT sector in the header, less puts some in a DIFAT sector.
TCompound Document(int shift, int headerFat) {
    return CompoundDocument({{"Workbook", Filler(70'000, 1)}, {"Small", Filler(1'000, 2)}}, shift, headerFat);
}

TEST(CompoundFile, StreamsComeWholeWhateverTheSectorSizeAndWhereTheFatIsListed) {
    for (auto [shift, headerFat] : {std::pair{9, 109}, {9, 1}, {12, 109}, {12, 0}}) {
        SCOPED_TRACE(testing::Message() << "shift " << shift << ", header FAT entries " << headerFat);
        const TCompound doc = Document(shift, headerFat);
        EXPECT_EQ(ReadCompoundStream(doc.Bytes, {"workbook"}), Filler(70'000, 1));
        EXPECT_EQ(ReadCompoundStream(doc.Bytes, {"Absent", "Small"}), Filler(1'000, 2));
        EXPECT_EQ(ReadCompoundStream(doc.Bytes, {"Absent"}), std::nullopt);
    }
}

TEST(CompoundFile, AChainThatLoopsEndsEarlyOrLeavesTheFileRefusesTheDocument) {
    // Each case: its name, the sector shift (the FAT listed in a DIFAT sector at 12), the stream read.
    const std::vector<std::tuple<const char*, int, const char*, std::function<void(TCompound&)>>> cases = {
        {"a stream looping at its start", 9, "Workbook",
         [](auto& d) { d.Link(d.Streams[0][0], d.Streams[0][0]); }},
        {"a stream looping in the middle", 12, "Workbook",
         [](auto& d) { d.Link(d.Streams[0][10], d.Streams[0][4]); }},
        {"a stream ending early", 9, "Workbook", [](auto& d) { d.Link(d.Streams[0][50], kEndOfChain); }},
        {"a mini stream looping at its start", 9, "Small",
         [](auto& d) { d.Link(d.Streams[1][0], d.Streams[1][0], true); }},
        {"a mini stream looping in the middle", 12, "Small",
         [](auto& d) { d.Link(d.Streams[1][12], d.Streams[1][3], true); }},
        {"the mini stream's own chain looping", 9, "Small",
         [](auto& d) { d.Link(d.MiniStream[0], d.MiniStream[0]); }},
        {"the directory looping", 12, "Workbook", [](auto& d) { d.Link(d.Directory[0], d.Directory[0]); }},
        {"the DIFAT looping before it lists every FAT sector", 12, "Workbook",
         [](auto& d) {
             qToLittleEndian(quint32(2), d.Bytes.data() + 0x2C);
             qToLittleEndian(d.Difat[0], d.Bytes.data() + (d.Difat[0] + 2) * d.SectorSize - 4);
         }},
        {"a FAT sector listed twice", 9, "Workbook",
         [](auto& d) { qToLittleEndian(d.Fat[0], d.Bytes.data() + 0x50); }},
        {"a document cut within the mini stream", 12, "Small", [](auto& d) { d.Bytes.chop(4096 - 512); }},
        {"a second FAT sector, listed in the DIFAT, that the document cuts short", 12, "Workbook",
         [](auto& d) {
             qToLittleEndian(quint32(2), d.Bytes.data() + 0x2C);
             qToLittleEndian(quint32(d.Bytes.size() / 4096 - 1),
                             d.Bytes.data() + (d.Difat[0] + 1) * 4096 + 4);
             d.Bytes += QByteArray(100, '\0');
         }},
    };
    for (const auto& [name, shift, stream, damage] : cases) {
        SCOPED_TRACE(name);
        TCompound doc = Document(shift, shift == 12 ? 0 : 109);
        ASSERT_TRUE(ReadCompoundStream(doc.Bytes, {stream}));
        damage(doc);
        EXPECT_EQ(ReadCompoundStream(doc.Bytes, {stream}), std::nullopt);
    }
    // A last sector cut short holds what it has.
    TCompound cut = Document(12, 0);
    cut.Bytes.chop(512);
    EXPECT_EQ(ReadCompoundStream(cut.Bytes, {"Small"}), Filler(1'000, 2));
}

} // namespace
