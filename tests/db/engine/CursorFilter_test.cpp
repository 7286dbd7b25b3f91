// Cursor filters: filtered scans both ways, counts, record positions, bookmarks and finds against a
// reference predicate on random tables, in every order, with ranges; the pages a filter on an indexed
// column reads; refused expressions; callback filters in priority order; activating, deactivating and
// dropping; edits under a filter; which conditions the indexes serve.
#include "CursorTestSupport.h"

#include "db/lib/Collation.h"
#include "db/lib/DataTypes.h"
#include "db/lib/ExpressionEvaluator.h"
#include "db/lib/ExpressionParser.h"
#include "db/lib/ExpressionTypes.h"
#include "db/lib/FileList.h"
#include "db/lib/LibraryGlobals.h"

#include <algorithm>
#include <functional>
#include <map>
#include <numeric>

namespace vorsam::test {
namespace {

// What a filter text means, written out on the oracle's rows (NULL makes a comparison fail).
using TPredicate = std::function<bool(const TRow&)>;

struct TFilterCase {
    std::string Text;
    uint32_t Flags;
    TPredicate Accepts;
};

class CursorFilterTest : public TCursorTest {
protected:
    // Random rows appended in random id order; a tenth deleted, so record order has gaps.
    void Build(uint16_t languageId, size_t count) {
        language_ = languageId;
        rows_.clear();
        std::vector<int32_t> ids(count);
        std::iota(ids.begin(), ids.end(), 1);
        std::shuffle(ids.begin(), ids.end(), random_);
        std::vector<TRow> rows;
        for (int32_t id : ids) rows.push_back(rows_[id] = RandomRow(random_, id));
        cursor_ = CreateRows("FILTERED" + std::to_string(languageId), languageId, rows);
        for (size_t i = 0; i < count / 10; ++i) {
            ASSERT_TRUE(FindId(*cursor_, ids[i]));
            cursor_->DeleteRecord();
            rows_.erase(ids[i]);
        }
    }

    int CompareText(const std::string& a, const std::string& b, bool caseInsensitive) const {
        std::string x = caseInsensitive ? LocaleUpperCase(language_, 0, a) : a;
        std::string y = caseInsensitive ? LocaleUpperCase(language_, 0, b) : b;
        return LocaleCompareStrings(language_, 0, x.c_str(), y.c_str(), std::max(x.size(), y.size()) + 1);
    }

    std::vector<TFilterCase> Cases() const {
        auto code = [](const TRow& r, auto test) { return r.Code && test(*r.Code); };
        auto name = [](const TRow& r, auto test) { return r.Name && test(*r.Name); };
        auto upper = [this](const std::string& s) { return LocaleUpperCase(language_, 0, s); };
        return {
            {"CODE = 7", 0, [=](const TRow& r) { return code(r, [](int c) { return c == 7; }); }},
            {"CODE >= 10 AND CODE < 40", 0,
             [=](const TRow& r) { return code(r, [](int c) { return c >= 10 && c < 40; }); }},
            {"CODE <= -20", 0, [=](const TRow& r) { return code(r, [](int c) { return c <= -20; }); }},
            {"-45 > CODE OR NAME IS NULL", 0,
             [=](const TRow& r) { return !r.Name || code(r, [](int c) { return c < -45; }); }},
            {"NOT (CODE > 0)", 0, [=](const TRow& r) { return code(r, [](int c) { return !(c > 0); }); }},
            {"CODE IN (1, 2, 3) AND ID > 50", 0,
             [=](const TRow& r) { return r.Id > 50 && code(r, [](int c) { return c >= 1 && c <= 3; }); }},
            {"CODE BETWEEN -5 AND 5 AND NAME LIKE '%a%'", 0,
             [=](const TRow& r) {
                 return code(r, [](int c) { return c >= -5 && c <= 5; }) &&
                        name(r, [](const std::string& n) { return n.find('a') != std::string::npos; });
             }},
            {"ID * 2 > CODE + 100", 0,
             [=](const TRow& r) { return code(r, [&](int c) { return r.Id * 2 > c + 100; }); }},
            {"CODE > 40.5", 0, [=](const TRow& r) { return code(r, [](int c) { return c > 40; }); }},
            {"NAME = 'a*'", 0,
             [=](const TRow& r) { return name(r, [](const std::string& n) { return n.starts_with('a'); }); }},
            {"NAME = 'a*'", efNoPartialCompare,
             [=](const TRow& r) { return name(r, [](const std::string& n) { return n == "a*"; }); }},
            {"NAME = 'a*'", efCaseInsensitive,
             [=](const TRow& r) {
                 return name(r, [&](const std::string& n) { return upper(n.substr(0, 1)) == "A"; });
             }},
            {"NAME >= 'b' AND NAME < 'e'", efCaseInsensitive,
             [=, this](const TRow& r) {
                 return name(r, [&](const std::string& n) {
                     return CompareText(n, "b", true) >= 0 && CompareText(n, "e", true) < 0;
                 });
             }},
            {"NAME > 'C' AND CODE = 12", 0,
             [=, this](const TRow& r) {
                 return code(r, [](int c) { return c == 12; }) &&
                        name(r, [&](const std::string& n) { return CompareText(n, "C", false) > 0; });
             }},
            {"CODE = 3 AND NAME IS NOT NULL", 0,
             [=](const TRow& r) { return r.Name && code(r, [](int c) { return c == 3; }); }},
        };
    }

    std::vector<TRow> Sorted(const TIndexSpec& index, const TPredicate& accepts) const {
        std::vector<TRow> rows;
        for (const auto& [id, row] : rows_)
            if (accepts(row)) rows.push_back(row);
        std::stable_sort(rows.begin(), rows.end(), [&](const TRow& a, const TRow& b) {
            return CompareRows(a, b, index, language_) < 0;
        });
        return rows;
    }

    std::vector<TRow> InRecordOrder(const TPredicate& accepts) {
        std::vector<TRow> rows;
        TTableRead read(cursor_->Table());
        cursor_->Table().DataFile().ForEachActiveRecord([&](uint32_t, std::span<const uint8_t> image) {
            TRow row = RowOf(*cursor_, image);
            if (accepts(row)) rows.push_back(row);
        });
        return rows;
    }

    void ExpectScans(const std::vector<TRow>& expected, const TIndexSpec* index) {
        std::vector<TRow> forward = Scan(*cursor_), backward = Scan(*cursor_, false);
        std::reverse(backward.begin(), backward.end());
        for (const std::vector<TRow>* actual : {&forward, &backward}) {
            if (index)
                ExpectIndexOrder(*actual, expected, *index, language_);
            else
                EXPECT_EQ(*actual, expected);
        }
        EXPECT_EQ(cursor_->GetRecordCount(), expected.size());
    }

    // Positions by number and back, and bookmarks, among the accepted rows of an index order.
    void ExpectPositions(const std::vector<TRow>& expected, const TIndexSpec& index) {
        for (int i = 0; i < 3 && !expected.empty(); ++i) {
            size_t k = random_() % expected.size();
            ASSERT_TRUE(cursor_->SetToRecordNo(uint32_t(k + 1)));
            EXPECT_EQ(CompareRows(CurrentRow(*cursor_), expected[k], index, language_), 0);
            EXPECT_EQ(cursor_->GetRecordPosition(), k + 1);
            std::vector<uint8_t> mark(cursor_->GetBookmarkSize());
            cursor_->GetBookmark(mark);
            cursor_->SetToEnd();
            ASSERT_TRUE(cursor_->SetToBookmark(mark));
            EXPECT_EQ(cursor_->GetRecordPosition(), k + 1);
        }
        EXPECT_FALSE(cursor_->SetToRecordNo(uint32_t(expected.size() + 1)));
    }

    // Exact and nearest searches find the first accepted row equal to (not below) the probe.
    void ExpectFinds(const std::vector<TRow>& expected, const TIndexSpec& index) {
        for (int i = 0; i < 8; ++i) {
            TRow probe = i % 2 == 0 && !expected.empty() ? expected[random_() % expected.size()]
                                                         : RandomRow(random_, int32_t(random_() % 2000));
            bool nearest = i % 3 != 0;
            auto equal = std::find_if(expected.begin(), expected.end(), [&](const TRow& row) {
                return CompareRows(row, probe, index, language_, 1) == 0;
            });
            auto notBelow = std::find_if(expected.begin(), expected.end(), [&](const TRow& row) {
                return CompareRows(row, probe, index, language_, 1) >= 0;
            });
            std::vector<uint8_t> image = RowImage(*cursor_, probe);
            cursor_->SetToBegin();
            ASSERT_EQ(cursor_->Find(false, image.data(), 1, 0, nearest), equal != expected.end());
            auto at = equal != expected.end() ? equal : notBelow;
            if (!nearest && equal == expected.end())
                EXPECT_EQ(cursor_->GetCurrentRecord({}), VORSAM_BOF);
            else if (at == expected.end())
                EXPECT_EQ(cursor_->GetCurrentRecord({}), VORSAM_EOF);
            else
                EXPECT_EQ(CompareRows(CurrentRow(*cursor_), *at, index, language_), 0);
        }
    }

    // Every order of the table, then two orders under a range of codes.
    void CheckCase(const TFilterCase& filter) {
        const std::vector<TIndexSpec>& indexes = RowIndexes();
        for (size_t slot = 0; slot < indexes.size(); ++slot) {
            SCOPED_TRACE("index '" + indexes[slot].Name + "'");
            cursor_->SetIndexNumber(uint8_t(slot));
            std::vector<TRow> expected = Sorted(indexes[slot], filter.Accepts);
            ExpectScans(expected, &indexes[slot]);
            ExpectPositions(expected, indexes[slot]);
            ExpectFinds(expected, indexes[slot]);
        }
        cursor_->SetIndexNumber(RecordOrderIndex);
        ExpectScans(InRecordOrder(filter.Accepts), nullptr);
        for (uint8_t slot : {uint8_t(1), uint8_t(4)}) {
            cursor_->SetIndexNumber(slot);
            int32_t low = int32_t(random_() % 100) - 40, high = low + 30;
            TRow start, end;
            start.Code = low;
            end.Code = high;
            std::vector<uint8_t> startKey(cursor_->GetKeyLength()), endKey(cursor_->GetKeyLength());
            cursor_->BuildKey(RowImage(*cursor_, start), startKey.data());
            cursor_->BuildKey(RowImage(*cursor_, end), endKey.data());
            cursor_->SetRange(startKey.data(), 1, endKey.data(), 1);
            SCOPED_TRACE("index '" + indexes[slot].Name + "', codes " + std::to_string(low) + " .. " +
                         std::to_string(high));
            std::vector<TRow> expected = Sorted(indexes[slot], [&](const TRow& row) {
                return row.Code && *row.Code >= low && *row.Code <= high && filter.Accepts(row);
            });
            ExpectScans(expected, &indexes[slot]);
            ExpectPositions(expected, indexes[slot]);
            ExpectFinds(expected, indexes[slot]);
            cursor_->ResetRange();
        }
        cursor_->SetIndexNumber(PrimaryIndexSlot);
    }

    uint16_t language_ = 0;
    std::mt19937 random_{1207};
    std::map<int32_t, TRow> rows_;
    std::unique_ptr<TDataCursor> cursor_;
};

TEST_P(CursorFilterTest, FilteredReadsAgreeWithAReferencePredicateInEveryOrderAndRange) {
    for (uint16_t language : {uint16_t(0), PortugueseBrazilian}) {
        Build(language, 900);
        for (const TFilterCase& filter : Cases()) {
            SCOPED_TRACE("language " + std::to_string(language) + ", filter " + filter.Text + ", flags " +
                         std::to_string(filter.Flags));
            uint32_t handle = cursor_->AddFilter(filter.Text, filter.Flags);
            cursor_->ActivateFilter(handle);
            CheckCase(filter);
            cursor_->DropFilter(handle);
            if (HasFatalFailure()) return;
        }
        cursor_.reset();
    }
}

// A callback filter beside an expression filter: both must accept.
TEST_P(CursorFilterTest, ExpressionAndCallbackFiltersTogetherAcceptWhatBothAccept) {
    Build(PortugueseBrazilian, 500);
    uint32_t codes = cursor_->AddFilter("CODE BETWEEN 0 AND 60");
    uint32_t odd = cursor_->AddFilter(
        [&](std::span<const uint8_t> image, TExpToken*) { return RowOf(*cursor_, image).Id % 2 == 1; }, 1);
    cursor_->ActivateFilter(0);
    TFilterCase both{"", 0,
                     [](const TRow& r) { return r.Id % 2 == 1 && r.Code && *r.Code >= 0 && *r.Code <= 60; }};
    CheckCase(both);
    cursor_->DeactivateFilter(codes);
    TFilterCase oddOnly{"", 0, [](const TRow& r) { return r.Id % 2 == 1; }};
    cursor_->SetIndexNumber(2);
    ExpectScans(Sorted(RowIndexes()[2], oddOnly.Accepts), &RowIndexes()[2]);
    cursor_->DropFilter(odd);
    EXPECT_FALSE(cursor_->HasActiveFilters());
}

// Writes under a filter served by another index than the cursor's, the cursor's own and another
// user's: the records gathered from that index are read again after every change of the table.
TEST_P(CursorFilterTest, EditsUnderAFilterAreSeenByTheNextMoves) {
    Build(0, 600);
    auto other = Open("FILTERED0");
    cursor_->ActivateFilter(cursor_->AddFilter("CODE >= 0 AND CODE <= 30"));
    TPredicate accepts = [](const TRow& r) { return r.Code && *r.Code >= 0 && *r.Code <= 30; };
    // Moves every visited row out of the filter and appends one that passes, while walking on.
    std::vector<uint8_t> image(cursor_->GetRecordSize());
    cursor_->SetToBegin();
    size_t visited = 0, expectedVisits = Sorted(RowIndexes()[0], accepts).size();
    int32_t nextId = 5000;
    while (cursor_->GetNextRecord(image) == 0) {
        TRow row = RowOf(*cursor_, image);
        ASSERT_TRUE(accepts(row));
        ++visited;
        ASSERT_EQ(cursor_->GetCurrentRecord(image, true), 0);
        row.Code = 1000 + row.Id;
        image = RowImage(*cursor_, row);
        cursor_->ModifyRecord(image);
        rows_[row.Id] = row;
        if (visited % 10 == 0) {
            // Another user appends a row that passes; its higher id comes later in this walk.
            TRow added{nextId++, 15, std::string("novo")};
            std::vector<uint8_t> addedImage = RowImage(*other, added);
            other->AppendRecord(addedImage);
            rows_[added.Id] = added;
            ++expectedVisits;
        }
    }
    EXPECT_EQ(visited, expectedVisits);
    ExpectScans(Sorted(RowIndexes()[0], accepts), &RowIndexes()[0]);
    EXPECT_EQ(TableProblems(*cursor_), "");
}

// The cursor's own appends, modifications and deletions under a filter served by another index: the
// records gathered from that index follow each write (an appended or renamed row takes its place in the
// cursor's order).
TEST_P(CursorFilterTest, OwnWritesKeepTheGatheredRecordsInStep) {
    Build(0, 600);
    const TIndexSpec& byNameDesc = RowIndexes()[3];
    cursor_->SetIndexNumber(3);
    cursor_->ActivateFilter(cursor_->AddFilter("CODE BETWEEN 10 AND 20"));
    TPredicate accepts = [](const TRow& r) { return r.Code && *r.Code >= 10 && *r.Code <= 20; };
    ExpectScans(Sorted(byNameDesc, accepts), &byNameDesc);
    for (int32_t i = 0; i < 30; ++i) {
        TRow row = RandomRow(random_, 1000 + i);
        row.Code = 5 + int32_t(random_() % 20);
        std::vector<uint8_t> image = RowImage(*cursor_, row);
        cursor_->AppendRecord(image);
        rows_[row.Id] = row;
        if (i % 3 == 1 && accepts(row)) {
            ASSERT_EQ(cursor_->GetCurrentRecord(image, true), 0);
            row = RandomRow(random_, row.Id);
            row.Code = 12;
            image = RowImage(*cursor_, row);
            cursor_->ModifyRecord(image);
            rows_[row.Id] = row;
        } else if (i % 3 == 2 && accepts(row)) {
            cursor_->DeleteRecord();
            rows_.erase(row.Id);
        }
        SCOPED_TRACE("write " + std::to_string(i));
        ExpectScans(Sorted(byNameDesc, accepts), &byNameDesc);
    }
}

INSTANTIATE_TEST_SUITE_P(Storage, CursorFilterTest, ::testing::Values(TStorage::Memory), StorageName);

// ---- single behaviours on a small table ----

class CursorFilterBehaviourTest : public TCursorTest {
protected:
    void SetUp() override {
        std::vector<TRow> rows;
        for (int32_t id = 1; id <= 40; ++id)
            rows.push_back(
                {id, id % 10 == 0 ? std::nullopt : std::optional<int32_t>(id % 7), 'n' + std::to_string(id)});
        cursor_ = CreateRows("SMALL", 0, rows);
    }
    std::vector<int32_t> Ids() {
        std::vector<int32_t> ids;
        for (const TRow& row : Scan(*cursor_)) ids.push_back(row.Id);
        return ids;
    }
    static std::vector<int32_t> IdsWhere(const std::function<bool(int32_t)>& test) {
        std::vector<int32_t> ids;
        for (int32_t id = 1; id <= 40; ++id)
            if (test(id)) ids.push_back(id);
        return ids;
    }
    std::unique_ptr<TDataCursor> cursor_;
};

TEST_P(CursorFilterBehaviourTest, RefusedExpressionsRaiseTheParserAndCheckerTextsAndAddNothing) {
    struct TRefusal {
        const char* Text;
        uint16_t Code;
        const char* Message;
    };
    const TRefusal refusals[] = {
        {"", VORSAM_SQLPARSE, ""},
        {"CODE =", VORSAM_SQLPARSE, ""},
        {"CODE = 1 2", VORSAM_SQLPARSE, ""},
        {"NOPE = 1", VORSAM_SQLPARSE,
         "Invalid column name 'NOPE' or table correlation name '' specified in filter expression"},
        {"CODE + 1", VORSAM_SQLPARSE, "Filter expression must be a boolean expression"},
        {"COUNT(*) > 1", VORSAM_SQLPARSE, "Aggregate functions are not allowed in filter expression"},
        {"CODE = ?", VORSAM_SQLPARSE, "Parameters are not allowed in filter expression"},
        {"CODE = 'abc' AND NAME = 1", VORSAM_SQLPARSE, ""},
    };
    for (const TRefusal& refusal : refusals) {
        SCOPED_TRACE(refusal.Text);
        try {
            cursor_->AddFilter(refusal.Text);
            ADD_FAILURE() << "accepted";
        } catch (const EVORSAMEngineError& e) {
            EXPECT_EQ(e.ErrorCode, refusal.Code);
            if (*refusal.Message) {
                EXPECT_EQ(e.ErrorMessage, refusal.Message);
            }
        }
    }
    // None of them left a filter behind: the next handle is the first.
    EXPECT_EQ(cursor_->AddFilter("CODE = 1"), 1u);
    EXPECT_ENGINE_ERROR(cursor_->ActivateFilter(2), VORSAM_INVALIDPARAM);
    EXPECT_ENGINE_ERROR(cursor_->DropFilter(7), VORSAM_INVALIDPARAM);
}

TEST_P(CursorFilterBehaviourTest, CallbackFiltersRunByPriorityAfterExpressionsAndStopAtTheFirstRefusal) {
    std::vector<std::string> calls;
    auto callback = [&](std::string name, std::function<bool(int32_t)> accepts) {
        return [this, &calls, name, accepts](std::span<const uint8_t> image, TExpToken*) {
            int32_t id = RowOf(*cursor_, image).Id;
            calls.push_back(name + std::to_string(id));
            return accepts(id);
        };
    };
    cursor_->AddFilter(callback("c", [](int32_t id) { return id % 3 != 0; }), 3);
    cursor_->AddFilter(callback("a", [](int32_t id) { return id % 2 == 0; }), 1);
    cursor_->AddFilter(callback("b", [](int32_t) { return true; }), 2);
    cursor_->AddFilter(callback("b'", [](int32_t) { return true; }), 2);
    cursor_->AddFilter("ID <= 6");
    cursor_->ActivateFilter(0);
    EXPECT_EQ(Ids(), (std::vector<int32_t>{2, 4}));
    std::vector<std::string> forward(calls.begin(), calls.begin() + 14);
    EXPECT_EQ(forward, (std::vector<std::string>{"a1", "a2", "b2", "b'2", "c2", "a3", "a4", "b4", "b'4", "c4",
                                                 "a5", "a6", "b6", "b'6"}))
        << "the expression filter (ID <= 6) runs first: no callback sees records 7 .. 40";
}

TEST_P(CursorFilterBehaviourTest, DeactivatingAndDroppingFiltersRestoresUnfilteredReads) {
    std::vector<int32_t> all = IdsWhere([](int32_t) { return true; });
    uint32_t small = cursor_->AddFilter("ID < 20");
    uint32_t even = cursor_->AddFilter(
        [this](std::span<const uint8_t> image, TExpToken*) { return RowOf(*cursor_, image).Id % 2 == 0; }, 5);
    EXPECT_EQ(Ids(), all) << "added filters are inactive";
    cursor_->ActivateFilter(small);
    cursor_->ActivateFilter(even);
    EXPECT_EQ(Ids(), IdsWhere([](int32_t id) { return id < 20 && id % 2 == 0; }));
    EXPECT_EQ(cursor_->GetRecordCount(), 9u);
    EXPECT_TRUE(cursor_->IsUnsequenced());
    cursor_->DeactivateFilter(small);
    EXPECT_EQ(Ids(), IdsWhere([](int32_t id) { return id % 2 == 0; }));
    cursor_->DeactivateFilter(0);
    EXPECT_EQ(Ids(), all);
    EXPECT_EQ(cursor_->GetRecordCount(), 40u);
    EXPECT_FALSE(cursor_->IsUnsequenced());
    cursor_->ActivateFilter(0);
    cursor_->DropFilter(even);
    EXPECT_EQ(Ids(), IdsWhere([](int32_t id) { return id < 20; }));
    EXPECT_ENGINE_ERROR(cursor_->ActivateFilter(even), VORSAM_INVALIDPARAM);
    cursor_->DropFilter(0);
    EXPECT_EQ(Ids(), all);
    EXPECT_EQ(cursor_->GetRecordCount(), 40u);
    EXPECT_ENGINE_ERROR(cursor_->ActivateFilter(small), VORSAM_INVALIDPARAM);
}

// As a join does for each outer row: one filter whose condition is replaced, and a callback filter
// that evaluates its own condition (replaced alike) over the record.
TEST_P(CursorFilterBehaviourTest, ReplacedConditionsTakeEffectAtTheNextMove) {
    TExpressionParser parser;
    TExpTree condition = parser.ParseExpressionText("CODE = 0", epExtendedPredicates);
    uint32_t join = cursor_->AddFilter(*condition);
    cursor_->ActivateFilter(join);
    for (int32_t value = 0; value < 7; ++value) {
        condition->Right()->Assign(*parser.ParseExpressionText(std::to_string(value), 0));
        cursor_->SetFilterRecords(join, *condition);
        EXPECT_EQ(Ids(), IdsWhere([&](int32_t id) { return id % 10 != 0 && id % 7 == value; })) << value;
    }
    cursor_->DropFilter(join);
    // A callback filter's condition bound by its owner, with columns read by the owner.
    auto bind = [this](TExpToken& column) {
        TFieldDescriptor field;
        if (!cursor_->GetFieldDescByName(column.ColumnName, field)) return false;
        column.FieldNumber = field.FieldNumber();
        SetExpType(column, {field.DataType(), 0, 0, 0});
        return true;
    };
    TExpTree own = parser.ParseExpressionText("ID > 35", epExtendedPredicates);
    CheckExpTypes(*own, bind, "test");
    uint32_t correlated = cursor_->AddFilter(
        [this](std::span<const uint8_t> image, TExpToken* condition) {
            TEvaluationContext context;
            context.ColumnValue = [&](TExpToken& column) {
                column.SetValueSize(4);
                cursor_->GetField(column.FieldNumber, image, column.IsNull, column.Value.data());
                return true;
            };
            return EvaluatePredicate(*condition, context);
        },
        1, own.get());
    cursor_->ActivateFilter(correlated);
    EXPECT_EQ(Ids(), (std::vector<int32_t>{36, 37, 38, 39, 40}));
    own = parser.ParseExpressionText("ID < 3", epExtendedPredicates);
    CheckExpTypes(*own, bind, "test");
    cursor_->SetFilterRecords(correlated, *own);
    EXPECT_EQ(Ids(), (std::vector<int32_t>{1, 2}));
    EXPECT_ENGINE_ERROR(cursor_->SetFilterRecords(correlated + 1, *own), VORSAM_INVALIDPARAM);
}

// A layout of the cursor's own, with a computed field behind the record and without it again, while a
// filter served by another index than the cursor's is active: the filter accepts the same rows.
TEST_P(CursorFilterBehaviourTest, FiltersAcceptTheSameRowsUnderALayoutWithComputedFields) {
    cursor_->SetIndexNumber(3); // NAME descending; the filter's range lies in CODE's index
    cursor_->ActivateFilter(cursor_->AddFilter("CODE BETWEEN 2 AND 4 AND NAME LIKE 'n1%'"));
    std::vector<int32_t> expected = IdsWhere([](int32_t id) {
        return id % 10 != 0 && id % 7 >= 2 && id % 7 <= 4 && std::to_string(id).starts_with('1');
    });
    auto sortedIds = [&] {
        std::vector<int32_t> ids = Ids();
        std::sort(ids.begin(), ids.end());
        return ids;
    };
    std::vector<TFieldDescriptor> fields(4);
    for (uint16_t number = 1; number <= 3; ++number)
        ASSERT_TRUE(cursor_->GetFieldDesc(number, fields[number - 1]));
    fields[3] = fields[CodeField - 1];
    fields[3].SetName("CODE2");
    fields[3].SetComputed(true);
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        EXPECT_EQ(sortedIds(), expected);
        if (round == 0) cursor_->SetFieldDescs(fields);
        if (round == 1) cursor_->SetFieldDescs({});
    }
    EXPECT_EQ(cursor_->GetRecordCount(), expected.size());
}

TEST_P(CursorFilterBehaviourTest, IndexesServeComparisonsOfLeadingKeyFieldsWithConstants) {
    cursor_.reset();
    Create("SERVED", RowTableArgs(PortugueseBrazilian));
    auto cursor = Open("SERVED");
    struct TCase {
        const char* Text;
        uint32_t Flags;
        bool Served;
    };
    const TCase cases[] = {
        {"CODE = 5", 0, true},                   // ByCode
        {"5 < CODE", 0, true},                   // mirrored
        {"ID >= 3 AND NAME LIKE '%x'", 0, true}, // the primary index
        {"NAME = 'abc'", efCaseInsensitive, true},
        {"NAME > 'abc'", 0, true},  // ByNameDesc orders case-sensitively
        {"NAME = 'ab*'", 0, false}, // a prefix under a locale
        {"CODE <> 5", 0, false},
        {"CODE = 5 OR CODE = 6", 0, false},
        {"NOT (CODE = 5)", 0, false},
        {"CODE + 1 = 6", 0, false},
        {"CODE = 5.5", 0, false}, // not an integer
        {"CODE = NULL", 0, false},
        {"NAME = 'a name longer than twenty'", 0, false},
        {"NAME LIKE '%b'", 0, false},
    };
    TExpressionParser parser;
    for (const TCase& c : cases) {
        TExpTree tree = parser.ParseExpressionText(c.Text, epExtendedPredicates);
        EXPECT_EQ(cursor->OptimizeExpression(*tree, c.Flags), c.Served) << c.Text;
    }
    // A condition over columns the table lacks is not served, and not refused either.
    EXPECT_FALSE(cursor->OptimizeExpression(*parser.ParseExpressionText("OTHER = 1", epExtendedPredicates)));
}

INSTANTIATE_TEST_SUITE_P(Storage, CursorFilterBehaviourTest,
                         ::testing::Values(TStorage::Memory, TStorage::Disk), StorageName);

// ---- what a filter on an indexed column reads ----

class CursorFilterPagesTest : public TCursorTest {
protected:
    static constexpr int32_t Rows = 20000, Codes = 2000;

    void SetUp() override {
        // Caches that hold the rows of a tenth of the codes, as a table's reader would give them.
        TBufferSizes sizes;
        sizes.BufferSize = 1u << 20;
        session_.SetBufferSizes(sizes);
        TCreateTableArgs args =
            TableArgs({{"ID", dtInteger}, {"CODE", dtInteger}, {"PAD", dtString, 80}}, {1});
        TIndexDescriptor byCode = DescriptorOf({"ByCode", {2}, {false}});
        args.Indexes.push_back(byCode);
        args.SecondaryCount = 1;
        Create("PAGES", args);
        auto cursor = Open("PAGES", true);
        cursor->Table().LockTable();
        std::vector<uint8_t> image(cursor->GetRecordSize());
        std::string pad(80, 'p');
        for (int32_t id = 1; id <= Rows; ++id) {
            int32_t code = id % Codes;
            cursor->InitEmptyRecord(image);
            cursor->PutField(1, image, reinterpret_cast<const uint8_t*>(&id));
            cursor->PutField(2, image, reinterpret_cast<const uint8_t*>(&code));
            cursor->PutField(3, image, reinterpret_cast<const uint8_t*>(pad.c_str()));
            cursor->AppendRecord(image);
        }
        cursor->Table().UnlockTable();
    }

    // Reads of the file layer while a fresh cursor (empty caches) in the index's order reads every
    // record it sees through the filter; the rows seen go to `rows`.
    uint64_t ScanReads(uint8_t index, const std::string& filter, size_t& rows) {
        auto cursor = Open("PAGES", true);
        cursor->SetIndexNumber(index);
        if (!filter.empty()) cursor->ActivateFilter(cursor->AddFilter(filter));
        TFileFaults& faults = GetFileList().Faults();
        uint64_t before = faults.Count(TFileOperation::Read);
        std::vector<uint8_t> image(cursor->GetRecordSize());
        rows = 0;
        for (cursor->SetToBegin(); cursor->GetNextRecord(image) == 0;) ++rows;
        return faults.Count(TFileOperation::Read) - before;
    }
};

// In the order of the index that serves the filter (ByCode) the cursor walks that index's range; in
// another order (the primary index) it reads the range's records in record order first. Either way it
// reads about the range's index pages and records, against the whole table in the same order.
TEST_P(CursorFilterPagesTest, AFilterOnAnIndexedColumnReadsAboutItsRangeNotTheTable) {
    for (uint8_t index : {PrimaryIndexSlot, uint8_t(1)}) {
        SCOPED_TRACE("index " + std::to_string(index));
        size_t rows = 0;
        uint64_t whole = ScanReads(index, "", rows);
        ASSERT_EQ(rows, size_t(Rows));
        ASSERT_GE(whole, 150u); // a leaf of records lying together is read at once
        // Ten rows scattered over the table: a descent, a leaf, ten record reads.
        uint64_t one = ScanReads(index, "CODE = 77", rows);
        EXPECT_EQ(rows, 10u);
        EXPECT_LE(one, 20u) << "of " << whole << " for the whole table";
        // A tenth of the codes: runs of 200 rows every 2,000, scattered in ByCode's order.
        uint64_t tenth = ScanReads(index, "CODE >= 100 AND CODE < 300", rows);
        EXPECT_EQ(rows, size_t(Rows / 10));
        EXPECT_LE(tenth, whole / 5) << "of " << whole << " for the whole table";
        EXPECT_LE(tenth, uint64_t(Rows / 10 + 50));
        // Not served: every record is read.
        uint64_t scanned = ScanReads(index, "CODE + 0 = 77", rows);
        EXPECT_EQ(rows, 10u);
        EXPECT_GE(scanned, whole / 2);
    }
}

INSTANTIATE_TEST_SUITE_P(Storage, CursorFilterPagesTest, ::testing::Values(TStorage::Memory), StorageName);

} // namespace
} // namespace vorsam::test
