// The dataset over a cursor walking a table: index orders, both ends, record numbers, bookmarks and
// block reading, checked against rows kept beside the table.
#include "VORSAMDataSetTestSupport.h"

#include "platform/data/DataLink.h"
#include "platform/data/DataSource.h"

#include <algorithm>
#include <climits>
#include <numeric>
#include <random>
#include <tuple>

namespace vorsam::test {
namespace {

using namespace platform::data;

std::vector<TRow> RandomRows(size_t count, uint32_t seed) {
    std::mt19937 random(seed);
    std::vector<TRow> rows;
    for (size_t i = 0; i < count; ++i) rows.push_back(RandomRow(random, int32_t(i + 1) * 3));
    return rows;
}

// Rows 1 .. count with the ID as code.
std::vector<TRow> NumberedRows(int32_t count) {
    std::vector<TRow> rows;
    for (int32_t id = 1; id <= count; ++id) rows.push_back(TRow{id, id, "n"});
    return rows;
}

std::vector<TRow> Sorted(std::vector<TRow> rows, const TIndexSpec& index) {
    std::stable_sort(rows.begin(), rows.end(),
                     [&](const TRow& a, const TRow& b) { return CompareRows(a, b, index, 0) < 0; });
    return rows;
}

// A data link showing several records at once, as a grid does.
class TGridLink : public TDataLink {
public:
    TGridLink(TDataSource& source, int rows) {
        SetDataSource(&source);
        SetBufferCount(rows);
    }
};

TEST_F(DataSetTest, WalksEveryIndexForwardAndBackwardInTheIndexOrder) {
    const std::vector<TRow> rows = RandomRows(60, 11);
    CreateRows("WALK", rows);
    auto dataSet = OpenTable("WALK");
    for (const TIndexSpec& index : RowIndexes()) {
        SCOPED_TRACE("index '" + index.Name + "'");
        dataSet->SetIndex(index.Name);
        const std::vector<TRow> expected = Sorted(rows, index);
        ExpectIndexOrder(Walk(*dataSet), expected, index, 0);
        std::vector<TRow> backward;
        for (dataSet->Last(); !dataSet->Bof(); dataSet->Prior()) backward.push_back(dataSet->Row());
        std::reverse(backward.begin(), backward.end());
        ExpectIndexOrder(backward, expected, index, 0);
        EXPECT_EQ(dataSet->RecordCount(), int(rows.size()));
    }
}

TEST_F(DataSetTest, RecordNumbersArePlacesInTheIndexOrder) {
    const std::vector<TRow> rows = RandomRows(30, 5);
    CreateRows("RECNO", rows);
    auto dataSet = OpenTable("RECNO");
    dataSet->SetIndex("ByCodeName");
    const std::vector<TRow> expected = Sorted(rows, RowIndexes()[4]);
    int place = 1;
    for (dataSet->First(); !dataSet->Eof(); dataSet->Next(), ++place) {
        EXPECT_EQ(dataSet->RecNo(), place);
        EXPECT_EQ(dataSet->ActiveRecordNumber(), place);
    }
    for (int target : {17, 1, 30, 2}) {
        dataSet->SetRecNo(target);
        EXPECT_EQ(dataSet->RecNo(), target);
        EXPECT_EQ(CompareRows(dataSet->Row(), expected[size_t(target - 1)], RowIndexes()[4], 0), 0);
    }
    dataSet->SetRecNo(99); // past the end: the last record
    EXPECT_EQ(dataSet->RecNo(), 30);
    dataSet->SetRecNo(0); // before the start: the first record
    EXPECT_EQ(dataSet->RecNo(), 1);
}

// A record's number through a filter is its place among the records the filter lets through, counted
// from the first: a walk must not count it for every record it reads (the filter would then judge the
// table's records again and again), and RecNo still gives it.
TEST_F(DataSetTest, AFilteredWalkJudgesEachRecordOnceAndRecNoCountsThePlaceWhenAsked) {
    const int32_t count = 300;
    CreateRows("FILTERED", NumberedRows(count));
    auto dataSet = OpenTable("FILTERED");
    int judged = 0;
    dataSet->SetOnFilterRecord([&](TDataSet& self, bool& accept) {
        ++judged;
        accept = self.FieldByName("CODE").AsInteger() % 3 == 0;
    });
    dataSet->SetFiltered(true);
    judged = 0;
    int seen = 0;
    for (dataSet->First(); !dataSet->Eof(); dataSet->Next()) ++seen;
    EXPECT_EQ(seen, count / 3);
    EXPECT_LE(judged, 2 * count) << "a walk of " << count << " records";

    int place = 1;
    for (dataSet->First(); !dataSet->Eof(); dataSet->Next(), ++place) {
        ASSERT_EQ(dataSet->RecNo(), place);
        ASSERT_EQ(dataSet->FieldByName("CODE").AsInteger(), place * 3); // the walk goes on from there
    }
    EXPECT_EQ(place, count / 3 + 1);
    dataSet->SetRecNo(40);
    EXPECT_EQ(dataSet->FieldByName("CODE").AsInteger(), 120);
    EXPECT_EQ(dataSet->RecNo(), 40);
}

TEST_F(DataSetTest, MovingPastEitherEndStopsThereWithoutRaising) {
    CreateRows("ENDS", {TRow{1, 10, "a"}, TRow{2, 20, "b"}, TRow{3, 30, "c"}});
    auto dataSet = OpenTable("ENDS");
    dataSet->First();
    dataSet->Next();
    dataSet->Next();
    EXPECT_FALSE(dataSet->Eof());
    dataSet->Next();
    dataSet->Next();
    EXPECT_TRUE(dataSet->Eof());
    EXPECT_EQ(dataSet->Row().Id, 3);
    EXPECT_EQ(dataSet->MoveBy(-10), -2);
    EXPECT_TRUE(dataSet->Bof());
    EXPECT_EQ(dataSet->Row().Id, 1);
    dataSet->Prior();
    EXPECT_TRUE(dataSet->Bof());
    EXPECT_EQ(dataSet->Row().Id, 1);
    EXPECT_EQ(dataSet->MoveBy(10), 2);
    EXPECT_TRUE(dataSet->Eof());
    EXPECT_EQ(dataSet->Row().Id, 3);
    // Reading past either end answers the end, also when errors are to be raised.
    EXPECT_EQ(dataSet->Read(gmNext, true), grEOF);
    EXPECT_EQ(dataSet->Read(gmNext, true), grEOF);
    dataSet->First();
    EXPECT_EQ(dataSet->Read(gmPrior, true), grBOF);
    EXPECT_EQ(dataSet->Read(gmPrior, true), grBOF);
}

TEST_F(DataSetTest, AnEmptyTableIsAtBothEndsAndRefusesNothingButEditing) {
    CreateRows("EMPTY", {});
    auto dataSet = OpenTable("EMPTY");
    EXPECT_TRUE(dataSet->IsEmpty());
    for (auto move : {&TDataSet::First, &TDataSet::Last, &TDataSet::Next, &TDataSet::Prior}) {
        ((*dataSet).*move)();
        EXPECT_TRUE(dataSet->Bof() && dataSet->Eof());
    }
    EXPECT_EQ(dataSet->MoveBy(5), 0);
    EXPECT_EQ(dataSet->RecNo(), -1);
    EXPECT_EQ(dataSet->RecordCount(), 0);
    EXPECT_TRUE(dataSet->Bookmark().empty());
    EXPECT_TRUE(dataSet->FieldByName("ID").IsNull());
    EXPECT_EQ(dataSet->Read(gmCurrent, true), grBOF);
    EXPECT_DATABASE_ERROR(dataSet->Delete(), "Cannot perform this operation on an empty dataset");
}

TEST_F(DataSetTest, TheBookmarkSizeAndTheBufferFollowTheActiveIndex) {
    CreateRows("MARKS", RandomRows(5, 2));
    auto dataSet = OpenTable("MARKS");
    // Bookmark: record number, index number, then the key. A key holds per field a null byte and the
    // value (a 32-bit ID 5 bytes, a NAME of 20 characters 22), and in a non-unique index the record's
    // number (4 bytes) after them.
    EXPECT_EQ(dataSet->Bookmark().size(), 5u + 5);
    const int primaryBuffer = dataSet->BufferSize();
    const int32_t id = dataSet->Row().Id;
    dataSet->SetIndex("ByNameNoCase");
    EXPECT_EQ(dataSet->Bookmark().size(), 5u + 22 + 4);
    EXPECT_EQ(dataSet->BufferSize(), primaryBuffer + 21);
    EXPECT_EQ(dataSet->Row().Id, id); // the same record stays current
    dataSet->SetIndex("ByCodeName");
    EXPECT_EQ(dataSet->Bookmark().size(), 5u + 5 + 22 + 4);
    dataSet->SetIndex("");
    EXPECT_EQ(dataSet->BufferSize(), primaryBuffer);
}

TEST_F(DataSetTest, BookmarksReturnToTheirRecordsAndCompareInTheIndexOrder) {
    const std::vector<TRow> rows = RandomRows(40, 3);
    CreateRows("GOTO", rows);
    auto dataSet = OpenTable("GOTO");
    for (const TIndexSpec& index : {RowIndexes()[0], RowIndexes()[4]}) {
        SCOPED_TRACE("index '" + index.Name + "'");
        dataSet->SetIndex(index.Name);
        // The bookmarks with their rows and places in the walk, in a random order.
        std::vector<std::tuple<TBookmark, TRow, int>> marks;
        for (dataSet->First(); !dataSet->Eof(); dataSet->Next())
            marks.emplace_back(dataSet->Bookmark(), dataSet->Row(), int(marks.size()));
        std::mt19937 random(9);
        std::shuffle(marks.begin(), marks.end(), random);
        for (size_t i = 0; i < marks.size(); ++i) {
            const auto& [mark, row, place] = marks[i];
            dataSet->GotoBookmark(mark);
            ASSERT_EQ(dataSet->Row(), row);
            const auto& [otherMark, otherRow, otherPlace] = marks[(i + 1) % marks.size()];
            EXPECT_EQ(dataSet->CompareBookmarks(mark, otherMark),
                      (place > otherPlace) - (place < otherPlace));
        }
        ExpectIndexOrder(
            [&] {
                std::sort(marks.begin(), marks.end(), [&](const auto& a, const auto& b) {
                    return dataSet->CompareBookmarks(std::get<0>(a), std::get<0>(b)) < 0;
                });
                std::vector<TRow> sorted;
                for (const auto& mark : marks) sorted.push_back(std::get<1>(mark));
                return sorted;
            }(),
            Sorted(rows, index), index, 0);
        EXPECT_EQ(dataSet->CompareBookmarks({}, {}), 0);
        EXPECT_EQ(dataSet->CompareBookmarks(std::get<0>(marks[0]), {}), -1);
        EXPECT_EQ(dataSet->CompareBookmarks({}, std::get<0>(marks[0])), 1);
    }
    // A bookmark of another order does not compare.
    dataSet->SetIndex("");
    const TBookmark primary = dataSet->Bookmark();
    dataSet->SetIndex("ByCode");
    EXPECT_EQ(dataSet->CompareBookmarks(primary, dataSet->Bookmark()), 0);
}

TEST_F(DataSetTest, ABookmarkOfADeletedRecordIsNoLongerValid) {
    CreateRows("GONE", {TRow{1, 1, "a"}, TRow{2, 2, "b"}, TRow{3, 3, "c"}});
    auto dataSet = OpenTable("GONE");
    dataSet->Next();
    const TBookmark second = dataSet->Bookmark();
    EXPECT_TRUE(dataSet->BookmarkValid(second));
    auto other = OtherCursor("GONE");
    ASSERT_TRUE(other->SetToRecordNo(2));
    other->DeleteRecord();
    EXPECT_FALSE(dataSet->BookmarkValid(second));
    dataSet->First();
    EXPECT_DATABASE_ERROR(dataSet->GotoBookmark(second), "Record not found");
    EXPECT_EQ(dataSet->Row().Id, 1);
}

TEST_F(DataSetTest, OnlyIndexOrdersAreSequenced) {
    CreateRows("KEYED", {TRow{1, 1, "a"}});
    CreateTable("UNKEYED", TableArgs({{"ID", dtInteger}}));
    EXPECT_TRUE(OpenTable("KEYED")->IsSequenced());
    EXPECT_FALSE(OpenTable("UNKEYED")->IsSequenced());
}

// ---- block reading ----

TEST_F(DataSetTest, BlockReadingReadsFullBlocksThenTheShortLastOneThenReportsTheEnd) {
    CreateRows("BLOCKS", NumberedRows(25));
    auto dataSet = OpenTable("BLOCKS");
    dataSet->SetBlockReadSize(INT_MAX); // capped, not multiplied out
    EXPECT_EQ(dataSet->BlockRecordCount(), 25u);
    dataSet->SetBlockReadSize(10); // a new size while reading starts again at the current record
    EXPECT_EQ(dataSet->State(), dsBlockRead);
    std::vector<int32_t> ids;
    std::vector<uint32_t> blocks;
    for (uint64_t read = 0; !dataSet->Eof(); dataSet->Next()) {
        ids.push_back(dataSet->FieldByName("ID").AsInteger());
        if (dataSet->BlockRecordsRead() != read) blocks.push_back(dataSet->BlockRecordCount());
        read = dataSet->BlockRecordsRead();
    }
    std::vector<int32_t> expected(25);
    std::iota(expected.begin(), expected.end(), 1);
    EXPECT_EQ(ids, expected);
    EXPECT_EQ(blocks, (std::vector<uint32_t>{10, 10, 5}));
    EXPECT_EQ(dataSet->FieldByName("ID").AsInteger(), 25); // the end keeps the last record
    dataSet->SetBlockReadSize(0);
    EXPECT_EQ(dataSet->State(), dsBrowse);
    EXPECT_EQ(dataSet->Row().Id, 25);
}

TEST_F(DataSetTest, EndingBlockReadingShowsTheRecordWhereReadingStopped) {
    CreateRows("STOP", NumberedRows(25));
    auto dataSet = OpenTable("STOP");
    dataSet->SetRecNo(5);
    dataSet->SetBlockReadSize(4);
    EXPECT_EQ(dataSet->FieldByName("ID").AsInteger(), 5); // reading begins on the active record
    for (int i = 0; i < 6; ++i) dataSet->Next();
    EXPECT_EQ(dataSet->FieldByName("ID").AsInteger(), 11);
    dataSet->SetBlockReadSize(0);
    EXPECT_EQ(dataSet->Row().Id, 11);
    dataSet->Next();
    EXPECT_EQ(dataSet->Row().Id, 12);
    // Another move while block reading ends the block: reading goes on one record at a time.
    dataSet->SetBlockReadSize(3);
    dataSet->First();
    dataSet->Next();
    EXPECT_EQ(dataSet->FieldByName("ID").AsInteger(), 2);
    EXPECT_EQ(dataSet->BlockRecordCount(), 0u);
}

TEST_F(DataSetTest, ADatasetShowingSeveralRecordsReadsOneRecordAtATime) {
    CreateRows("GRID", NumberedRows(8));
    auto dataSet = OpenTable("GRID");
    TDataSource source(dataSet.get());
    TGridLink grid(source, 3);
    dataSet->SetBlockReadSize(5);
    EXPECT_EQ(dataSet->BlockRecordCount(), 0u);
    EXPECT_EQ(dataSet->MoveBy(0), 0);
    std::vector<int32_t> ids;
    for (; !dataSet->Eof(); dataSet->Next()) ids.push_back(dataSet->FieldByName("ID").AsInteger());
    EXPECT_EQ(ids.size(), 8u);
}

} // namespace
} // namespace vorsam::test
