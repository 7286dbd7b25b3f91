// BLOBs through the cursor: random edits against an oracle with the table verified, cancelled edits,
// sequences, stale readers, blobs of two records, copies of records, nulled blobs, misuse, and the blob
// file block by block.
#include "CursorBlobSupport.h"

#include "db/engine/BlobFile.h"
#include "db/lib/ByteUtils.h"
#include "db/lib/DataTypes.h"

namespace vorsam::test {
namespace {

// The first block and sequence of a BLOB value as the image holds it.
std::pair<uint32_t, uint32_t> ChainOf(TDataCursor& cursor, std::span<const uint8_t> image, uint16_t field) {
    uint8_t value[8] = {};
    bool null = false;
    cursor.GetField(field, image, null, value);
    return {LoadLE32(value), LoadLE32(value + 4)};
}

class CursorBlobTest : public TCursorTest {
protected:
    CursorBlobTest() {
        Create("BLOBS", BlobTableArgs());
        cursor_ = Open("BLOBS");
    }
    void Append(const TBlobRow& row) {
        std::vector<uint8_t> image = BlobRowImage(*cursor_, row);
        cursor_->AppendRecord(image);
        oracle_[row.Id] = row;
    }
    void ExpectOracle() {
        ASSERT_EQ(TableProblems(*cursor_), "");
        ASSERT_EQ(BlobContents(*cursor_), oracle_);
        EXPECT_EQ(cursor_->OpenBlobCount(), 0u) << "every buffer was freed";
    }

    std::unique_ptr<TDataCursor> cursor_;
    TBlobRows oracle_;
    std::mt19937 random_{4206};
};

TEST_P(CursorBlobTest, RandomEditsAgreeWithTheOracleAndTheTableVerifies) {
    int32_t nextId = 1;
    for (int step = 0; step < 240; ++step) {
        SCOPED_TRACE("step " + std::to_string(step));
        RandomBlobEdit(*cursor_, oracle_, random_, nextId);
        if (step % 12 == 0) ExpectOracle();
    }
    ExpectOracle();
    cursor_.reset();
    cursor_ = Open("BLOBS");
    ExpectOracle();
}

TEST_P(CursorBlobTest, AnEditThenCancelRestoresTheOldValue) {
    Append({1, "one", "the old memo", ""});
    ASSERT_TRUE(FindBlobRow(*cursor_, 1));
    std::vector<uint8_t> image = CurrentImage(*cursor_, true);
    WriteBlob(*cursor_, image, MemoField, BlobValue(2000, 5));
    EXPECT_EQ(cursor_->GetBlobSize(MemoField, image), 2000u);
    cursor_->CancelRecord();
    EXPECT_EQ(cursor_->GetBlobSize(MemoField, image), 12u) << "the buffer took back its old value";
    cursor_->FreeRecordBlobs(image);
    EXPECT_EQ(ReadBlob(*cursor_, image, MemoField), "the old memo")
        << "the image names the record's blob again";
    ExpectOracle();
}

TEST_P(CursorBlobTest, EachSaveTakesANewSequenceAndOtherChangesKeepTheBlob) {
    Append({1, "one", BlobValue(1200, 1), ""});
    ASSERT_TRUE(FindBlobRow(*cursor_, 1));
    auto [first, sequence] = ChainOf(*cursor_, CurrentImage(*cursor_), MemoField);
    for (int save = 0; save < 3; ++save) {
        std::vector<uint8_t> image = CurrentImage(*cursor_, true);
        WriteBlob(*cursor_, image, MemoField, oracle_[1].Memo = BlobValue(1100 + save, unsigned(save)));
        cursor_->ModifyRecord(image);
        auto [nextFirst, nextSequence] = ChainOf(*cursor_, CurrentImage(*cursor_), MemoField);
        EXPECT_GT(nextSequence, sequence);
        EXPECT_EQ(nextSequence, cursor_->Table().DataFile().Header().LastBlobSequence());
        EXPECT_NE(nextFirst, first) << "the value goes into a new chain, the old one is freed";
        EXPECT_LE(cursor_->GetBlobBlockCount(), 6) << "the freed blocks are taken again";
        first = nextFirst;
        sequence = nextSequence;
    }
    std::vector<uint8_t> image = CurrentImage(*cursor_, true);
    cursor_->PutField(BlobNameField, image, reinterpret_cast<const uint8_t*>("renamed"));
    oracle_[1].Name = "renamed";
    cursor_->ModifyRecord(image);
    EXPECT_EQ(ChainOf(*cursor_, CurrentImage(*cursor_), MemoField), std::make_pair(first, sequence));
    ExpectOracle();
}

// A reader holding a record whose blob another user replaced: in the same database (the blocks in the
// shared cache) or in another session (the files' change counters).
TEST_P(CursorBlobTest, AStaleReaderGetsKeyOrRecDeletedAndTheNewValueAfterRefresh) {
    for (bool otherSession : {false, true}) {
        SCOPED_TRACE(otherSession ? "another session" : "the same database");
        Append({1, "one", "first value", ""});
        TDataSession session;
        TDataDirectory& other =
            InMemory() ? session.OpenDataDirectory("Memory", "") : session.OpenDataDirectory("", dir_.Path());
        auto reader = std::make_unique<TDataCursor>(otherSession ? other : *database_);
        reader->SetTableName("BLOBS");
        reader->OpenCursor();
        ASSERT_TRUE(FindBlobRow(*reader, 1));
        std::vector<uint8_t> stale = CurrentImage(*reader);
        ASSERT_EQ(ReadBlob(*reader, stale, MemoField), "first value");

        ASSERT_TRUE(FindBlobRow(*cursor_, 1));
        std::vector<uint8_t> image = CurrentImage(*cursor_, true);
        WriteBlob(*cursor_, image, MemoField, "second value");
        cursor_->ModifyRecord(image);

        EXPECT_EQ(reader->OpenBlob(MemoField, stale, TBlobOpenMode::Read), VORSAM_KEYORRECDELETED);
        EXPECT_EQ(reader->OpenBlobCount(), 0u);
        reader->Refresh();
        std::vector<uint8_t> fresh = CurrentImage(*reader);
        EXPECT_EQ(ReadBlob(*reader, fresh, MemoField), "second value");
        reader.reset();
        cursor_->DeleteRecord();
    }
}

TEST_P(CursorBlobTest, AWriterWhoseBlobWasReplacedMeanwhileWritesNothing) {
    Append({1, "one", "first value", ""});
    auto other = cursor_->CloneCursor();
    ASSERT_TRUE(FindBlobRow(*cursor_, 1));
    std::vector<uint8_t> late = CurrentImage(*cursor_); // no lock taken: edited optimistically
    WriteBlob(*cursor_, late, MemoField, "late value");
    ASSERT_TRUE(FindBlobRow(*other, 1));
    std::vector<uint8_t> image = CurrentImage(*other, true);
    WriteBlob(*other, image, MemoField, oracle_[1].Memo = "other value");
    other->ModifyRecord(image);
    EXPECT_ENGINE_ERROR(cursor_->ModifyRecord(late), VORSAM_KEYORRECDELETED);
    cursor_->FreeRecordBlobs(late);
    other.reset();
    ExpectOracle();
}

TEST_P(CursorBlobTest, TwoModifiedBlobsOfDifferentRecordsRaiseMemoCorruptAndWriteNothing) {
    Append({1, "one", "memo one", ""});
    Append({2, "two", "memo two", ""});
    ASSERT_TRUE(FindBlobRow(*cursor_, 1));
    std::vector<uint8_t> one = CurrentImage(*cursor_);
    ASSERT_TRUE(FindBlobRow(*cursor_, 2));
    std::vector<uint8_t> two = CurrentImage(*cursor_, true);
    WriteBlob(*cursor_, one, MemoField, "changed one");
    WriteBlob(*cursor_, two, MemoField, "changed two");
    EXPECT_ENGINE_ERROR(cursor_->ModifyRecord(two), VORSAM_MEMOCORRUPT);
    EXPECT_ENGINE_ERROR(cursor_->SaveBlobs(), VORSAM_MEMOCORRUPT);
    cursor_->CancelRecord();
    cursor_->FreeAllBlobs();
    ExpectOracle();
}

TEST_P(CursorBlobTest, AnAppendedCopyOfARecordGetsChainsOfItsOwn) {
    Append({1, "one", BlobValue(1000, 1), BlobValue(600, 2)});
    ASSERT_TRUE(FindBlobRow(*cursor_, 1));
    for (int32_t id : {2, 3}) {
        std::vector<uint8_t> copy(cursor_->GetRecordSize());
        ASSERT_TRUE(cursor_->CloneCurrentRecord(copy));
        cursor_->PutField(BlobIdField, copy, reinterpret_cast<const uint8_t*>(&id));
        oracle_[id] = oracle_[1];
        oracle_[id].Id = id;
        if (id == 3) WriteBlob(*cursor_, copy, PictureField, oracle_[id].Picture = "a picture of its own");
        cursor_->AppendRecord(copy);
        ASSERT_TRUE(FindBlobRow(*cursor_, 1));
        EXPECT_NE(ChainOf(*cursor_, copy, MemoField).first,
                  ChainOf(*cursor_, CurrentImage(*cursor_), MemoField).first);
    }
    ExpectOracle();
    ASSERT_TRUE(FindBlobRow(*cursor_, 1));
    cursor_->DeleteRecord(); // its chains go, the copies' stay
    oracle_.erase(1);
    ExpectOracle();
}

TEST_P(CursorBlobTest, ANulledOrEmptiedBlobFreesItsChainForReuse) {
    Append({1, "one", BlobValue(1400, 1), BlobValue(1400, 2)});
    int32_t blocks = cursor_->GetBlobBlockCount();
    ASSERT_TRUE(FindBlobRow(*cursor_, 1));
    std::vector<uint8_t> image = CurrentImage(*cursor_, true);
    cursor_->PutField(MemoField, image, nullptr);
    ASSERT_EQ(cursor_->OpenBlob(PictureField, image), 0);
    ASSERT_EQ(cursor_->TruncateBlob(PictureField, image, 0), 0);
    cursor_->ModifyRecord(image);
    oracle_[1].Memo = oracle_[1].Picture = "";
    bool null = false;
    cursor_->GetField(MemoField, image, null, nullptr);
    EXPECT_TRUE(null);
    cursor_->GetField(PictureField, image, null, nullptr);
    EXPECT_TRUE(null);
    ExpectOracle();
    Append({2, "two", BlobValue(2800, 3), ""});
    EXPECT_EQ(cursor_->GetBlobBlockCount(), blocks) << "the freed blocks were taken again";
    ExpectOracle();
}

TEST_P(CursorBlobTest, MisuseIsRefusedWithItsCode) {
    Append({1, "one", "0123456789", ""});
    ASSERT_TRUE(FindBlobRow(*cursor_, 1));
    std::vector<uint8_t> image = CurrentImage(*cursor_);
    ASSERT_EQ(cursor_->OpenBlob(MemoField, image, TBlobOpenMode::Read), 0);
    EXPECT_TRUE(cursor_->IsBlobOpen(MemoField, image));
    uint8_t data[16] = {};
    uint32_t count = 0;
    EXPECT_EQ(cursor_->GetBlob(MemoField, image, 6, 10, data, count), VORSAM_ENDOFBLOB);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(data), count), "6789");
    EXPECT_EQ(cursor_->GetBlob(MemoField, image, 40, 10, data, count), VORSAM_ENDOFBLOB);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(cursor_->PutBlob(MemoField, image, 0, 1, data), VORSAM_INVALIDPARAM) << "open for reading";

    auto other = cursor_->CloneCursor();
    EXPECT_ENGINE_ERROR(other->GetBlobSize(MemoField, image), VORSAM_MEMOCORRUPT);
    EXPECT_EQ(other->OpenBlob(MemoField, image), VORSAM_MEMOCORRUPT);
    EXPECT_ENGINE_ERROR(other->ModifyRecord(image), VORSAM_MEMOCORRUPT);

    ASSERT_EQ(cursor_->OpenBlob(MemoField, image), 0) << "opened once more, now for writing";
    ASSERT_EQ(cursor_->PutBlob(MemoField, image, 14, 2, reinterpret_cast<const uint8_t*>("XY")), 0);
    EXPECT_EQ(cursor_->GetBlobSize(MemoField, image), 16u);
    EXPECT_EQ(cursor_->GetBlob(MemoField, image, 0, 16, data, count), 0);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(data), 16), std::string("0123456789\0\0\0\0XY", 16));
    cursor_->FreeBlob(MemoField, image);
    EXPECT_TRUE(cursor_->IsBlobOpen(MemoField, image)) << "opened twice, freed once";
    cursor_->FreeBlob(MemoField, image);
    EXPECT_FALSE(cursor_->IsBlobOpen(MemoField, image));
    EXPECT_EQ(ReadBlob(*cursor_, image, MemoField), "0123456789");

    other.reset();
    cursor_.reset();
    auto reader = std::make_unique<TDataCursor>(*database_);
    reader->SetTableName("BLOBS");
    reader->SetReadOnly(true);
    reader->OpenCursor();
    EXPECT_EQ(reader->OpenBlob(MemoField, image), VORSAM_OSEACCES);
    EXPECT_EQ(reader->OpenBlob(BlobNameField, image, TBlobOpenMode::Read), VORSAM_INVALIDPARAM);
}

TEST_P(CursorBlobTest, BlockWrappersWalkTheChainTheRecordNames) {
    Append({1, "one", BlobValue(1000, 9), ""});
    EXPECT_EQ(cursor_->GetBlockDataSize(), 494);
    EXPECT_EQ(cursor_->BlocksForBytes(1000), 3u);
    EXPECT_EQ(cursor_->GetBlobBlockCount(), 3);
    ASSERT_TRUE(FindBlobRow(*cursor_, 1));
    auto [first, sequence] = ChainOf(*cursor_, CurrentImage(*cursor_), MemoField);
    std::string data;
    for (uint32_t number = first; number != 0;) {
        TBlock* block = nullptr;
        ASSERT_TRUE(cursor_->GetBlobBlock(number, true, 3, block));
        EXPECT_EQ(block->Sequence(), sequence);
        data.append(reinterpret_cast<const char*>(block->Data().data()), block->Used());
        number = block->Next();
        cursor_->ReleaseBlobBlock(*block);
    }
    EXPECT_EQ(data, oracle_[1].Memo);
    uint32_t chain = first;
    EXPECT_ENGINE_ERROR(cursor_->FreeBlobChain(chain, sequence + 1, 1, false), VORSAM_MEMOCORRUPT);
    EXPECT_EQ(chain, first);
    ExpectOracle();
}

INSTANTIATE_TEST_SUITE_P(Storage, CursorBlobTest, ::testing::Values(TStorage::Memory, TStorage::Disk),
                         StorageName);

} // namespace
} // namespace vorsam::test
