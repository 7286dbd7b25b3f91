// The cursor's other state: shared tables of the database, auto-increment values, block reads and
// read-ahead, clones, index switches, emptying, read levels held across operations, and the context of
// the errors it raises.
#include "CursorTestSupport.h"

#include "db/lib/DataTypes.h"

#include <numeric>

namespace vorsam::test {
namespace {

class CursorStateTest : public TCursorTest {
protected:
    std::vector<TRow> Rows(int32_t count, bool shuffled = false) {
        std::vector<TRow> rows;
        for (int32_t id = 1; id <= count; ++id) rows.push_back(RandomRow(random_, id));
        if (shuffled) std::shuffle(rows.begin(), rows.end(), random_);
        return rows;
    }
    std::mt19937 random_{5};
};

TEST_P(CursorStateTest, CursorsOfATableShareOneTableOfTheDatabase) {
    CreateRows("Shared", 0, Rows(3)).reset();
    EXPECT_EQ(database_->SharedTableCount(), 0u);
    auto first = Open("Shared");
    auto second = Open(InMemory() ? "SHARED" : "Shared.dat");
    EXPECT_EQ(&first->Table(), &second->Table());
    EXPECT_EQ(first->Table().UseCount(), 2u);
    auto clone = first->CloneCursor();
    EXPECT_EQ(first->Table().UseCount(), 3u);
    std::vector<uint8_t> image = RowImage(*second, TRow{4, 4, "d"});
    second->AppendRecord(image);
    EXPECT_EQ(first->GetRecordCount(), 4u);
    second.reset();
    clone.reset();
    EXPECT_EQ(database_->SharedTableCount(), 1u);
    first->CloseCursor();
    EXPECT_EQ(database_->SharedTableCount(), 0u);
    // A table open here can be neither made again nor deleted.
    first->OpenCursor();
    TDataCursor other(*database_);
    other.SetTableName("Shared");
    EXPECT_ENGINE_ERROR(other.CreateTable(RowTableArgs(0)), VORSAM_FILEINUSE);
    EXPECT_ENGINE_ERROR(other.DeleteTable(), VORSAM_FILEINUSE);
    first->CloseCursor();
    EXPECT_ENGINE_ERROR(other.CreateTable(RowTableArgs(0)), VORSAM_TABLEEXISTS);
}

TEST_P(CursorStateTest, AutoIncrementValuesAreFreshUnlessSuppressed) {
    TCreateTableArgs args = TableArgs({{"N", dtInteger, 0, stAutoInc}, {"V", dtInteger}}, {1});
    Create("COUNTER", args);
    auto cursor = Open("COUNTER");
    std::vector<uint8_t> image(cursor->GetRecordSize());
    auto counter = [&] {
        int32_t stored = 0;
        bool null = true;
        cursor->GetField(1, image, null, reinterpret_cast<uint8_t*>(&stored));
        EXPECT_FALSE(null);
        return stored;
    };
    auto append = [&](int32_t n, int32_t v) {
        cursor->InitRecordBuffer(image);
        cursor->PutField(1, image, reinterpret_cast<const uint8_t*>(&n));
        cursor->PutField(2, image, reinterpret_cast<const uint8_t*>(&v));
        cursor->AppendRecord(image);
        return counter();
    };
    EXPECT_EQ(append(0, 1), 1);
    EXPECT_EQ(append(50, 2), 2); // a value of the buffer counts only when suppressed
    cursor->SuppressAutoInc(true);
    EXPECT_EQ(append(100, 3), 100);
    EXPECT_EQ(append(0, 4), 101);
    cursor->SuppressAutoInc(false);
    EXPECT_EQ(append(7, 5), 102);
    // A modify keeps the record's value unless suppressed.
    ASSERT_EQ(cursor->GetCurrentRecord(image, true), 0);
    int32_t changed = 500;
    cursor->PutField(1, image, reinterpret_cast<const uint8_t*>(&changed));
    cursor->ModifyRecord(image);
    EXPECT_EQ(counter(), 102);
    cursor->SuppressAutoInc(true);
    ASSERT_EQ(cursor->GetCurrentRecord(image, true), 0);
    cursor->PutField(1, image, reinterpret_cast<const uint8_t*>(&changed));
    cursor->ModifyRecord(image);
    EXPECT_EQ(counter(), 500);
    EXPECT_EQ(TableProblems(*cursor), "");
}

TEST_P(CursorStateTest, BlocksAndReadAheadFollowTheOrder) {
    auto cursor = CreateRows("BLOCKS", 0, Rows(25));
    std::vector<uint8_t> block(10 * cursor->GetRecordSize());
    std::vector<uint32_t> counts;
    std::vector<uint16_t> codes;
    cursor->SetToBegin();
    for (int i = 0; i < 4; ++i) {
        uint32_t count = 0;
        codes.push_back(cursor->ReadRecordBlock(count, block));
        counts.push_back(count);
    }
    EXPECT_EQ(counts, (std::vector<uint32_t>{10, 10, 5, 0}));
    EXPECT_EQ(codes, (std::vector<uint16_t>{0, 0, VORSAM_EOF, VORSAM_EOF}));
    EXPECT_EQ(RowOf(*cursor, std::span(block).first(cursor->GetRecordSize())).Id, 21);
    // Appended in id order, the primary index's records run consecutively; in record order the
    // following records count.
    ASSERT_TRUE(FindId(*cursor, 3));
    EXPECT_EQ(cursor->GetReadAheadCount(100, 1), 23);
    EXPECT_EQ(cursor->GetReadAheadCount(100, -1), 3);
    EXPECT_EQ(cursor->GetReadAheadCount(4, 1), 4);
    cursor->SetIndexNumber(RecordOrderIndex);
    EXPECT_EQ(cursor->GetRecordPosition(), 3u);
    EXPECT_EQ(cursor->GetReadAheadCount(100, 1), 23);
    cursor->SetToBegin();
    EXPECT_EQ(cursor->GetReadAheadCount(100, 1), 0); // not on a record
    // Shuffled ids break the runs of the primary index.
    auto shuffled = CreateRows("SHUFFLED", 0, Rows(25, true));
    ASSERT_TRUE(FindId(*shuffled, 3));
    EXPECT_LT(shuffled->GetReadAheadCount(100, 1), 5);
}

TEST_P(CursorStateTest, ClonesIndexSwitchesAndOtherCursorsKeepTheCurrentRecord) {
    auto cursor = CreateRows("SWITCH", 0, Rows(200, true));
    ASSERT_TRUE(FindId(*cursor, 77));
    TRow row = CurrentRow(*cursor);
    cursor->SetIndexName("BYNAMENOCASE"); // names ignore case
    EXPECT_EQ(cursor->IndexNumber(), 2);
    EXPECT_EQ(CurrentRow(*cursor), row);
    auto clone = cursor->CloneCursor();
    EXPECT_EQ(clone->IndexNumber(), 2);
    EXPECT_EQ(CurrentRow(*clone), row);
    EXPECT_EQ(clone->GetRecordPosition(), cursor->GetRecordPosition());
    clone->SetIndexNumber(RecordOrderIndex);
    EXPECT_TRUE(clone->IsUnsequenced());
    EXPECT_EQ(CurrentRow(*clone), row);
    ASSERT_EQ(clone->GetNextRecord(), 0);
    cursor->SetToCursor(*clone);
    EXPECT_EQ(CurrentRow(*cursor), CurrentRow(*clone));
    EXPECT_EQ(clone->GetIndexDesc(RecordOrderIndex).Bytes, TIndexDescriptor().Bytes);

    uint16_t code = 0;
    try {
        cursor->SetIndexName("NoSuchIndex");
    } catch (const EVORSAMEngineError& e) {
        code = e.ErrorCode;
        EXPECT_EQ(e.ErrorIndexName, "NoSuchIndex");
        EXPECT_EQ(e.ErrorTableName, "SWITCH");
        EXPECT_EQ(e.ErrorDatabaseName, InMemory() ? "Memory" : database_->Folder());
    }
    EXPECT_EQ(code, VORSAM_INVALIDINDEXNAME);
    EXPECT_ENGINE_ERROR(clone->Find(false, nullptr, 1, 0, false), VORSAM_INVALIDPARAM); // record order
}

TEST_P(CursorStateTest, EmptyingAndCloningRecords) {
    auto cursor = CreateRows("EMPTY", 0, Rows(30));
    auto other = Open("EMPTY");
    ASSERT_TRUE(FindId(*other, 12));
    ASSERT_TRUE(FindId(*cursor, 12));
    std::vector<uint8_t> copy(cursor->GetRecordSize());
    ASSERT_TRUE(cursor->CloneCurrentRecord(copy));
    EXPECT_EQ(size_t(std::count(copy.begin(), copy.begin() + RecordPrefixSize, 0)), RecordPrefixSize);
    TRow row = RowOf(*cursor, copy);
    EXPECT_EQ(row.Id, 12);
    row.Id = 31;
    std::vector<uint8_t> image = RowImage(*cursor, row);
    cursor->AppendRecord(image);
    EXPECT_EQ(cursor->GetRecordCount(), 31u);
    cursor->EmptyTable();
    EXPECT_EQ(cursor->GetRecordCount(), 0u);
    EXPECT_EQ(other->GetRecordCount(), 0u);
    EXPECT_EQ(other->GetCurrentRecord({}), VORSAM_EOF); // its record went
    EXPECT_EQ(other->GetPriorRecord(), VORSAM_BOF);
    EXPECT_FALSE(cursor->CloneCurrentRecord(copy));
    EXPECT_EQ(TableProblems(*cursor), "");
}

TEST_P(CursorStateTest, ReadLevelsHeldAcrossOperationsEndWithTheCursor) {
    auto cursor = CreateRows("READS", 0, Rows(5));
    cursor->BeginRead();
    cursor->BeginRead();
    EXPECT_EQ(cursor->Table().ReadDepth(TReadLevel::First), 2u);
    EXPECT_EQ(Scan(*cursor).size(), 5u);
    cursor->EndRead();
    cursor->EndRead();
    EXPECT_ENGINE_ERROR(cursor->EndRead(), VORSAM_INVALIDPARAM);
    auto other = Open("READS");
    other->BeginRead();
    EXPECT_EQ(other->Table().ReadDepth(TReadLevel::First), 1u);
    other->CloseCursor(); // ends the read level it began
    EXPECT_EQ(cursor->Table().ReadDepth(TReadLevel::First), 0u);
    EXPECT_FALSE(cursor->Table().HoldsReadSlots());
}

INSTANTIATE_TEST_SUITE_P(Storage, CursorStateTest, ::testing::Values(TStorage::Memory, TStorage::Disk),
                         StorageName);

} // namespace
} // namespace vorsam::test
