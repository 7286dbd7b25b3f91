// Blob values through TBlobBuffer: random sizes round trip against an oracle with the file checked after
// every change, stale readers and writers of a blob another process replaced, and the cancel copy.
#include "BlobTestSupport.h"

#include <map>
#include <random>

namespace vorsam::test {
namespace {

class BlobBufferTest : public TBlobFileTest {};

size_t RandomSize(std::mt19937& random) {
    switch (random() % 4) {
    case 0:
        return 0;
    case 1:
        return random() % 2000;
    default:
        return random() % (1u << 20) + 1;
    }
}

TEST_P(BlobBufferTest, RandomSizesUpToOneMebibyteRoundTrip) {
    struct TSlot {
        uint32_t First = 0, Sequence = 0;
        TBytes Value;
    };
    std::mt19937 random(20240601);
    std::map<uint16_t, TSlot> oracle; // field -> blob
    auto references = [&] {
        std::vector<TBlobReference> result;
        for (const auto& [field, slot] : oracle)
            if (slot.First != 0) result.push_back({1, field, slot.First, slot.Sequence});
        return result;
    };
    owner_.IsLocked = true; // as a writer: blocks appended and not yet written may be read around
    auto file = Create();
    uint32_t sequence = 0;
    for (int step = 0; step < 24; ++step) {
        SCOPED_TRACE(step);
        TSlot& slot = oracle[uint16_t(random() % 5 + 1)];
        TBytes value = Pattern(RandomSize(random), uint32_t(step));
        slot.First = Save(*file, value, ++sequence, slot.First, slot.Sequence);
        slot.Sequence = sequence;
        slot.Value = value;
        EXPECT_EQ(Load(*file, slot.First, slot.Sequence), value);
        if (random() % 3 == 0) file = Reopen(std::move(file));
        TVerifyReport report = Verify(*file, references());
        ASSERT_TRUE(report.Ok()) << report.Problems.front();
        ASSERT_FALSE(AnyPinned(*file));
    }
    file = Reopen(std::move(file));
    for (const auto& [field, slot] : oracle) EXPECT_EQ(Load(*file, slot.First, slot.Sequence), slot.Value);
}

TEST_P(BlobBufferTest, ABlobReplacedElsewhereIsRefusedToStaleReadersAndWriters) {
    auto file = Create();
    uint32_t first = Save(*file, Pattern(1500, 1), 1);
    file = Reopen(std::move(file));
    TBlobBuffer stale(*file, 1, 1, first, 1);
    stale.ReadBlob(nullptr);

    // Another process saves a new value of the same blob under sequence 2, freeing its blocks.
    TFakeTableOwner otherOwner;
    auto other = NewFile(otherOwner);
    other->Open();
    uint32_t moved = Save(*other, Pattern(700, 2), 2, first, 1);
    other->FlushBlocks();
    other->WriteHeader();

    ASSERT_TRUE(file->CheckHeaderChanged());
    file->DropBlockCache();
    EXPECT_ENGINE_ERROR(Load(*file, first, 1), VORSAM_KEYORRECDELETED);
    stale.SetSize(10);
    stale.SetSequence(3);
    EXPECT_ENGINE_ERROR(stale.SaveBlob(), VORSAM_KEYORRECDELETED);
    EXPECT_FALSE(AnyPinned(*file));
    EXPECT_EQ(Load(*file, moved, 2), Pattern(700, 2)) << "the new value is read with the record's new value";
}

TEST_P(BlobBufferTest, ShrinkingRefusesToFreeABlockOfAnotherBlob) {
    auto file = Create();
    uint32_t first = Save(*file, Pattern(1000, 1), 7);
    file = Reopen(std::move(file));
    file->Close();
    PatchBlock(3, 10, 9); // the last block carries another blob's sequence
    file = NewFile();
    file->Open();
    EXPECT_ENGINE_ERROR(Save(*file, Pattern(100, 2), 8, first, 7), VORSAM_MEMOCORRUPT);
    EXPECT_TRUE(FreeList(*file).empty()) << "no block of the old chain was freed";
    TPinnedBlock third(file->GetBlock(nullptr, 3));
    EXPECT_EQ(third->Sequence(), 9u);
}

TEST_P(BlobBufferTest, CancelTakesBackTheValueAndFlagOfTheEditStart) {
    auto file = Create();
    uint32_t first = Save(*file, Pattern(800, 1), 1);
    TBlobBuffer blob(*file, 2, 5, first, 1);
    blob.AddOpen();
    blob.ReadBlob(nullptr);
    blob.SaveCopy();
    blob.SetSize(3);
    EXPECT_TRUE(blob.Modified());
    blob.RestoreCopy();
    EXPECT_FALSE(blob.Modified());
    EXPECT_EQ(TBytes(blob.GetData().begin(), blob.GetData().end()), Pattern(800, 1));
    EXPECT_EQ(blob.ReleaseOpen(), 0);
    EXPECT_EQ(blob.ReleaseOpen(), 0);
}

INSTANTIATE_TEST_SUITE_P(Storage, BlobBufferTest, ::testing::Values(TStorage::Disk, TStorage::Memory),
                         StorageName);

} // namespace
} // namespace vorsam::test
