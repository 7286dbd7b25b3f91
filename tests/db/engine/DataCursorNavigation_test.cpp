// The cursor against an oracle (the rows sorted as each index orders them): scans both ways, record
// positions, bookmarks, exact, nearest and partial finds, ranges with partial keys and counts through
// them, in every index and in record order, under language 0 and Portuguese (Brazilian).
#include "CursorTestSupport.h"

#include "db/lib/DataTypes.h"
#include "db/lib/FileList.h"
#include "db/lib/LibraryGlobals.h"

#include <algorithm>
#include <map>
#include <numeric>

namespace vorsam::test {
namespace {

class CursorOrderTest : public TCursorTest {
protected:
    // A table of random rows, appended in random id order; a tenth of them deleted again and as many
    // appended after (reusing the deleted slots), so record order has gaps and differs from id order.
    void Build(uint16_t languageId, size_t count) {
        language_ = languageId;
        std::vector<int32_t> ids(count);
        std::iota(ids.begin(), ids.end(), 1);
        std::shuffle(ids.begin(), ids.end(), random_);
        for (int32_t id : ids) rows_[id] = RandomRow(random_, id);
        std::vector<TRow> rows;
        for (int32_t id : ids) rows.push_back(rows_[id]);
        cursor_ = CreateRows("ROWS" + std::to_string(languageId), languageId, rows);
        for (size_t i = 0; i < count / 10; ++i) {
            ASSERT_TRUE(FindId(*cursor_, ids[i]));
            cursor_->DeleteRecord();
            rows_.erase(ids[i]);
            TRow row = RandomRow(random_, int32_t(count + i + 1));
            std::vector<uint8_t> image = RowImage(*cursor_, row);
            cursor_->AppendRecord(image);
            rows_[row.Id] = row;
        }
        ASSERT_EQ(TableProblems(*cursor_), "");
    }

    std::vector<TRow> Sorted(const TIndexSpec& index) const {
        std::vector<TRow> rows;
        for (const auto& [id, row] : rows_) rows.push_back(row);
        std::stable_sort(rows.begin(), rows.end(), [&](const TRow& a, const TRow& b) {
            return CompareRows(a, b, index, language_) < 0;
        });
        return rows;
    }

    // The rows in record order, as read through the table itself.
    std::vector<TRow> InRecordOrder() {
        std::vector<TRow> rows;
        TTableRead read(cursor_->Table());
        cursor_->Table().DataFile().ForEachActiveRecord(
            [&](uint32_t, std::span<const uint8_t> image) { rows.push_back(RowOf(*cursor_, image)); });
        return rows;
    }

    // Positions, bookmarks and their comparison against the expected order.
    void CheckPositions(const std::vector<TRow>& expected, const TIndexSpec& index) {
        size_t n = expected.size();
        std::vector<std::vector<uint8_t>> marks;
        std::vector<size_t> at;
        for (int i = 0; i < 25; ++i) {
            size_t position = random_() % n;
            bool recordOrder = cursor_->IsUnsequenced();
            if (!recordOrder) {
                ASSERT_TRUE(cursor_->SetToRecordNo(uint32_t(position + 1)));
                EXPECT_EQ(cursor_->GetRecordPosition(), position + 1);
                EXPECT_EQ(CompareRows(CurrentRow(*cursor_), expected[position], index, language_), 0);
            } else {
                cursor_->SetToBegin();
                for (size_t k = 0; k <= position; ++k) ASSERT_EQ(cursor_->GetNextRecord(), 0);
            }
            marks.emplace_back(cursor_->GetBookmarkSize());
            cursor_->GetBookmark(marks.back());
            at.push_back(recordOrder ? cursor_->GetRecordPosition() : position);
        }
        for (size_t i = 0; i < marks.size(); ++i) {
            ASSERT_TRUE(cursor_->SetToBookmark(marks[i]));
            EXPECT_EQ(cursor_->GetRecordPosition(), cursor_->IsUnsequenced() ? at[i] : at[i] + 1);
            size_t j = random_() % marks.size();
            int expectedSign = (at[i] > at[j]) - (at[i] < at[j]);
            EXPECT_EQ(cursor_->CompareBookmarks(marks[i], marks[j]), expectedSign);
        }
        EXPECT_FALSE(cursor_->SetToRecordNo(0));
        EXPECT_EQ(cursor_->GetNextRecord(), 0);
    }

    // Exact, nearest and partial searches with probes taken from the rows and made up.
    void CheckFinds(const std::vector<TRow>& expected, const TIndexSpec& index) {
        for (int i = 0; i < 120; ++i) {
            TRow probe = i % 3 == 0 ? RandomRow(random_, int32_t(random_() % (2 * rows_.size())))
                                    : expected[random_() % expected.size()];
            size_t fields = 1 + random_() % index.Fields.size(), partial = 0;
            if (fields < index.Fields.size() && index.Fields[fields] == NameField && probe.Name &&
                random_() % 2 == 0) {
                partial = 1 + random_() % 3;
                if (probe.Name->size() < partial) continue;
            }
            bool nearest = random_() % 2 == 0;
            // The first row equal to the probe; failing that, with `nearest`, the first not below it.
            auto compare = [&](const TRow& row) {
                return CompareRows(row, probe, index, language_, fields, partial);
            };
            auto lower = std::find_if(expected.begin(), expected.end(),
                                      [&](const TRow& row) { return compare(row) == 0; });
            bool equal = lower != expected.end();
            if (!equal)
                lower = std::find_if(expected.begin(), expected.end(),
                                     [&](const TRow& row) { return compare(row) >= 0; });
            cursor_->SetToBegin();
            std::vector<uint8_t> image = RowImage(*cursor_, probe);
            uint16_t wholeFields = uint16_t(fields), prefix = uint16_t(partial);
            ASSERT_EQ(cursor_->Find(false, image.data(), wholeFields, prefix, nearest), equal)
                << "index '" << index.Name << "' probe " << probe.Id;
            if (!equal && !nearest) {
                EXPECT_EQ(cursor_->GetCurrentRecord({}), VORSAM_BOF); // the position stayed
            } else if (lower == expected.end()) {
                EXPECT_EQ(cursor_->GetCurrentRecord({}), VORSAM_EOF);
            } else {
                EXPECT_EQ(cursor_->GetRecordPosition(), size_t(lower - expected.begin()) + 1);
                EXPECT_EQ(CompareRows(CurrentRow(*cursor_), *lower, index, language_), 0);
            }
        }
    }

    uint16_t language_ = 0;
    std::mt19937 random_{20240611};
    std::map<int32_t, TRow> rows_;
    std::unique_ptr<TDataCursor> cursor_;
};

TEST_P(CursorOrderTest, ScansPositionsBookmarksAndFindsAgreeWithTheOracleInEveryOrder) {
    for (uint16_t language : {uint16_t(0), PortugueseBrazilian}) {
        SCOPED_TRACE("language " + std::to_string(language));
        rows_.clear();
        Build(language, InMemory() ? 2500 : 800);
        const std::vector<TIndexSpec>& indexes = RowIndexes();
        for (size_t slot = 0; slot < indexes.size(); ++slot) {
            cursor_->SetIndexNumber(uint8_t(slot));
            std::vector<TRow> expected = Sorted(indexes[slot]);
            ExpectIndexOrder(Scan(*cursor_), expected, indexes[slot], language_);
            std::vector<TRow> backward = Scan(*cursor_, false);
            std::reverse(backward.begin(), backward.end());
            ExpectIndexOrder(backward, expected, indexes[slot], language_);
            EXPECT_EQ(cursor_->GetRecordCount(), expected.size());
            CheckPositions(expected, indexes[slot]);
            CheckFinds(expected, indexes[slot]);
        }
        cursor_->SetIndexNumber(RecordOrderIndex);
        std::vector<TRow> expected = InRecordOrder();
        EXPECT_EQ(Scan(*cursor_), expected);
        std::vector<TRow> backward = Scan(*cursor_, false);
        std::reverse(backward.begin(), backward.end());
        EXPECT_EQ(backward, expected);
        EXPECT_EQ(cursor_->GetRecordCount(), expected.size());
        CheckPositions(expected, indexes[0]);
        cursor_.reset();
    }
}

// A walk over records stored out of the index's order reads them through a view of the file once the
// cache is too small: it meets every change made since the last walk, by this cursor or another user.
TEST_P(CursorOrderTest, ScatteredWalksMeetEveryChangeMadeSinceTheLastWalk) {
    if (InMemory()) GTEST_SKIP() << "another user needs the table on disk";
    Build(0, 1500);
    TDataSession otherSession;
    TDataCursor other(otherSession.OpenDataDirectory("", dir_.Path()));
    other.SetTableName("ROWS0");
    other.OpenCursor();
    auto expectWalk = [&](const char* after) {
        SCOPED_TRACE(after);
        ExpectIndexOrder(Scan(*cursor_), Sorted(RowIndexes()[0]), RowIndexes()[0], 0);
    };
    expectWalk("nothing: this walk makes the view");
    cursor_->Table().LockTable();
    for (const auto& [id, row] : std::map(rows_))
        if (id % 5 == 0) PutRow(*cursor_, rows_, RandomRow(random_, id));
    expectWalk("changes of this cursor in its cache");
    cursor_->Table().UnlockTable();
    expectWalk("changes of this cursor written");
    for (const auto& [id, row] : std::map(rows_))
        if (id % 7 == 0) DeleteRow(other, rows_, id);
    for (int32_t id = 5000; id < 5200; ++id) PutRow(other, rows_, RandomRow(random_, id));
    for (const auto& [id, row] : std::map(rows_))
        if (id % 3 == 0) PutRow(other, rows_, RandomRow(random_, id));
    expectWalk("another user's writes");
    other.EmptyTable();
    rows_.clear();
    for (int i = 0; i < 900; ++i) PutRow(other, rows_, RandomRow(random_, int32_t(random_() % 100000)));
    expectWalk("the table emptied and filled again");
    other.CloseCursor();
}

// A walk meets what changes between its steps, made by another cursor of this process or by another
// user, rows just ahead of it and behind it and its current row changed, deleted and added: over records
// stored in the index's
// order (read a leaf at a time) and out of it, with caches that hold the table and with default ones.
TEST_P(CursorOrderTest, AWalkMeetsChangesMadeBetweenItsSteps) {
    if (InMemory()) GTEST_SKIP() << "another user needs the table on disk";
    for (int variant = 0; variant < 4; ++variant) {
        bool inOrder = variant % 2 == 0, wholeCaches = variant >= 2;
        SCOPED_TRACE("records in the index's order " + std::to_string(inOrder) + ", whole caches " +
                     std::to_string(wholeCaches));
        TBufferSizes sizes;
        if (wholeCaches) sizes.BufferSize = sizes.IndexBufferSize = 64u << 20;
        session_.SetBufferSizes(sizes);
        rows_.clear();
        std::vector<TRow> rows;
        for (int32_t id = 2; id <= 4000; id += 2) rows.push_back(rows_[id] = RandomRow(random_, id));
        if (!inOrder) std::shuffle(rows.begin(), rows.end(), random_);
        std::string name = "WALK" + std::to_string(variant);
        cursor_ = CreateRows(name, 0, rows);
        auto second = Open(name);
        TDataSession otherSession;
        TDataCursor other(otherSession.OpenDataDirectory("", dir_.Path()));
        other.SetTableName(name);
        other.OpenCursor();
        std::vector<uint8_t> image(cursor_->GetRecordSize());
        int32_t last = 0;
        int steps = 0;
        for (cursor_->SetToBegin(); cursor_->GetNextRecord(image) == 0; ++steps) {
            auto expected = rows_.upper_bound(last);
            ASSERT_NE(expected, rows_.end()) << "after " << last;
            ASSERT_EQ(RowOf(*cursor_, image), expected->second) << "after " << last;
            last = expected->first;
            if (steps % 29 != 0) continue;
            TDataCursor& writer = steps % 58 == 0 ? other : *second;
            if (rows_.count(last + 4)) PutRow(writer, rows_, RandomRow(random_, last + 4));
            if (rows_.count(last + 8)) DeleteRow(writer, rows_, last + 8);
            if (rows_.count(last - 2)) DeleteRow(writer, rows_, last - 2);
            PutRow(writer, rows_, RandomRow(random_, last + 3));
            PutRow(writer, rows_, RandomRow(random_, last));
            ASSERT_EQ(cursor_->GetCurrentRecord(image), 0);
            ASSERT_EQ(RowOf(*cursor_, image), rows_[last]) << "the current row " << last;
        }
        EXPECT_EQ(rows_.upper_bound(last), rows_.end()) << "the walk ended at " << last;
        EXPECT_GT(steps, 1000);
        cursor_.reset();
    }
}

TEST_P(CursorOrderTest, RangesOfPartialKeysLimitScansCountsPositionsAndFinds) {
    Build(PortugueseBrazilian, 1500);
    const TIndexSpec& byCodeName = RowIndexes()[4];
    cursor_->SetIndexNumber(4);
    std::vector<TRow> all = Sorted(byCodeName);
    for (int i = 0; i < 12; ++i) {
        std::optional<int32_t> low = int32_t(random_() % 200) - 60, high = *low + int32_t(random_() % 40);
        if (i % 4 == 1) low.reset();
        if (i % 4 == 2) high.reset();
        // A row without a code sorts below every code.
        std::vector<TRow> expected;
        std::copy_if(all.begin(), all.end(), std::back_inserter(expected), [&](const TRow& row) {
            bool fromLow = !low || (row.Code && *row.Code >= *low);
            bool toHigh = !high || !row.Code || *row.Code <= *high;
            return fromLow && toHigh;
        });
        TRow start, end;
        start.Code = low;
        end.Code = high;
        std::vector<uint8_t> startKey(cursor_->GetKeyLength()), endKey(cursor_->GetKeyLength());
        cursor_->BuildKey(RowImage(*cursor_, start), startKey.data());
        cursor_->BuildKey(RowImage(*cursor_, end), endKey.data());
        cursor_->SetRange(low ? startKey.data() : nullptr, 1, high ? endKey.data() : nullptr, 1);
        SCOPED_TRACE("range " + (low ? std::to_string(*low) : "-") + " .. " +
                     (high ? std::to_string(*high) : "-"));
        EXPECT_EQ(cursor_->GetRecordCount(), expected.size());
        ExpectIndexOrder(Scan(*cursor_), expected, byCodeName, language_);
        std::vector<TRow> backward = Scan(*cursor_, false);
        std::reverse(backward.begin(), backward.end());
        ExpectIndexOrder(backward, expected, byCodeName, language_);
        if (!expected.empty()) {
            size_t k = random_() % expected.size();
            ASSERT_TRUE(cursor_->SetToRecordNo(uint32_t(k + 1)));
            EXPECT_EQ(CompareRows(CurrentRow(*cursor_), expected[k], byCodeName, language_), 0);
            EXPECT_EQ(cursor_->GetRecordPosition(), k + 1);
        }
        EXPECT_FALSE(cursor_->SetToRecordNo(uint32_t(expected.size() + 1)));
        // A row outside the range is not found; a nearest search below the range lands on its first row.
        TRow outside = all.front();
        std::vector<uint8_t> image = RowImage(*cursor_, outside);
        bool inside = std::any_of(expected.begin(), expected.end(), [&](const TRow& row) {
            return CompareRows(row, outside, byCodeName, language_) == 0;
        });
        EXPECT_EQ(cursor_->Find(false, image.data(), 0, 0, true), inside);
        if (!expected.empty()) {
            EXPECT_EQ(CompareRows(CurrentRow(*cursor_), expected.front(), byCodeName, language_), 0);
        }
    }
    cursor_->ResetRange();
    EXPECT_EQ(cursor_->GetRecordCount(), all.size());
}

// Counts of the rows of a key, over each index's first one or more fields, from the index alone: probes
// in key order (each count may start in the leaf the last one ended in), in random order, keys with more
// than a few rows (NULL codes: counted from the subtree counts, or stepped over in the index without
// them), keys no row has; and again after the table changed under the leaf the last count ended in.
TEST_P(CursorOrderTest, CountKeysCountsTheRowsOfAKeyInEveryIndexWithoutReadingRecords) {
    Build(PortugueseBrazilian, InMemory() ? 1500 : 600);
    const std::vector<TIndexSpec>& indexes = RowIndexes();
    auto check = [&](uint8_t slot, size_t fields, const TRow& probe) {
        const TIndexSpec& index = indexes[slot];
        size_t expected = 0;
        for (const auto& [id, row] : rows_)
            expected += CompareRows(row, probe, index, language_, fields) == 0;
        uint32_t reads = cursor_->Table().DataFile().CacheStatistics().ReadCalls;
        ASSERT_EQ(cursor_->CountKeys(slot, RowImage(*cursor_, probe), uint16_t(fields)), expected)
            << "index '" << index.Name << "' fields " << fields << " probe " << probe.Id;
        EXPECT_EQ(cursor_->Table().DataFile().CacheStatistics().ReadCalls, reads);
    };
    for (int round = 0; round < 2; ++round) {
        for (uint8_t slot = 0; slot < indexes.size(); ++slot) {
            for (size_t fields = 1; fields <= indexes[slot].Fields.size(); ++fields) {
                std::vector<TRow> sorted = Sorted(indexes[slot]);
                for (size_t i = 0; i < sorted.size(); i += 1 + random_() % 7) check(slot, fields, sorted[i]);
                for (int i = 0; i < 40; ++i) {
                    TRow probe = i % 2 ? RandomRow(random_, 0) : sorted[random_() % sorted.size()];
                    check(slot, fields, probe);
                }
            }
        }
        // The leaf the last count ended in changes under it.
        for (int i = 0; i < 30; ++i) {
            auto victim = std::next(rows_.begin(), ptrdiff_t(random_() % rows_.size()));
            ASSERT_TRUE(FindId(*cursor_, victim->first));
            cursor_->DeleteRecord();
            TRow row = victim->second;
            rows_.erase(victim);
            check(1, 1, row);
            row.Id = int32_t(100000 + round * 100 + i);
            std::vector<uint8_t> image = RowImage(*cursor_, row);
            cursor_->AppendRecord(image);
            rows_[row.Id] = row;
            check(1, 1, row);
        }
    }
    EXPECT_ENGINE_ERROR(cursor_->CountKeys(uint8_t(indexes.size()), RowImage(*cursor_, {}), 1),
                        VORSAM_INVALIDPARAM);
    EXPECT_ENGINE_ERROR(cursor_->CountKeys(1, RowImage(*cursor_, {}), 2), VORSAM_INVALIDPARAM);
}

// Ranges of one key after another, as a join sets them (each starts where the last walk ended when that
// leaf still holds it): keys rising, falling, and rising while leaves split, merge and are freed between.
TEST_P(CursorOrderTest, RangesOfOneKeyAfterAnotherGiveTheirRowsAsTheTableChanges) {
    Build(PortugueseBrazilian, 1500);
    cursor_->SetIndexNumber(1); // CODE
    std::vector<uint8_t> key(cursor_->GetKeyLength());
    int32_t nextId = 100000;
    for (int pass = 0; pass < 3; ++pass)
        for (int32_t i = 0; i < 140; ++i) {
            TRow probe;
            probe.Code = pass == 1 ? 130 - i : i - 10;
            cursor_->BuildKey(RowImage(*cursor_, probe), key.data());
            cursor_->SetRange(key.data(), 1, key.data(), 1);
            std::vector<TRow> expected;
            for (const auto& [id, row] : rows_)
                if (row.Code == probe.Code) expected.push_back(row);
            SCOPED_TRACE("pass " + std::to_string(pass) + ", code " + std::to_string(*probe.Code));
            ASSERT_NO_FATAL_FAILURE(
                ExpectIndexOrder(Scan(*cursor_), expected, RowIndexes()[1], PortugueseBrazilian));
            if (pass != 2 || i % 10 != 0) continue;
            cursor_->SetIndexNumber(PrimaryIndexSlot);
            for (int k = 0; k < 150; ++k) {
                DeleteRow(*cursor_, rows_,
                          std::next(rows_.begin(), ptrdiff_t(random_() % rows_.size()))->first);
                PutRow(*cursor_, rows_, RandomRow(random_, nextId++));
            }
            cursor_->SetIndexNumber(1);
        }
}

INSTANTIATE_TEST_SUITE_P(Storage, CursorOrderTest, ::testing::Values(TStorage::Memory, TStorage::Disk),
                         StorageName);

class CursorCountTest : public TCursorTest {};

// A count through a range descends twice from the root: it reads about as many pages as the tree is
// deep, not the leaves between.
TEST_P(CursorCountTest, CountThroughARangeReadsAboutTheTreesDepthInPages) {
    TCreateTableArgs args = TableArgs({{"NAME", dtString, 120}, {"N", dtInteger}}, {1});
    Create("WIDE", args);
    auto cursor = Open("WIDE", true);
    cursor->Table().LockTable();
    std::vector<uint8_t> image(cursor->GetRecordSize());
    for (int32_t i = 0; i < 6000; ++i) {
        char name[121] = {};
        std::snprintf(name, sizeof name, "%06d %s", i, std::string(100, 'x').c_str());
        cursor->InitEmptyRecord(image);
        cursor->PutField(1, image, reinterpret_cast<const uint8_t*>(name));
        cursor->PutField(2, image, reinterpret_cast<const uint8_t*>(&i));
        cursor->AppendRecord(image);
    }
    cursor->Table().UnlockTable();
    cursor.reset();
    cursor = Open("WIDE", true); // fresh caches
    std::vector<uint8_t> low(cursor->GetKeyLength()), high(cursor->GetKeyLength());
    auto key = [&](const char* text, std::vector<uint8_t>& destination) {
        cursor->InitEmptyRecord(image);
        cursor->PutField(1, image, reinterpret_cast<const uint8_t*>(text));
        cursor->BuildKey(image, destination.data());
    };
    key("001000", low);
    key("004999 z", high);
    cursor->SetRange(low.data(), 1, high.data(), 1);
    TFileFaults& faults = GetFileList().Faults();
    uint64_t before = faults.Count(TFileOperation::Read);
    EXPECT_EQ(cursor->GetRecordCount(), 4000u);
    uint64_t reads = faults.Count(TFileOperation::Read) - before;
    size_t depth = cursor->IndexPath().Depth();
    EXPECT_GE(depth, 3u);
    EXPECT_LE(reads, 2 * depth + 2) << "tree depth " << depth; // the range spans some 250 leaves
}

INSTANTIATE_TEST_SUITE_P(Storage, CursorCountTest, ::testing::Values(TStorage::Memory), StorageName);

} // namespace
} // namespace vorsam::test
