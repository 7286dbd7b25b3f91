// The dataset over a cursor editing a table: new records, post, cancel and delete, the record lock seen
// from another user's cursor, and a random session of moves and edits checked against a model.
#include "VORSAMDataSetTestSupport.h"

#include "platform/data/DataLink.h"
#include "platform/data/DataSource.h"

#include <iterator>
#include <map>
#include <optional>
#include <random>

namespace vorsam::test {
namespace {

using namespace platform::data;

// Tries to lock the record at the place in the other user's cursor: the error code, 0 when it locked
// (the lock is given up again at once).
uint16_t LockFromOther(TDataCursor& other, uint32_t place) {
    if (!other.SetToRecordNo(place)) return VORSAM_RECNOTFOUND;
    std::vector<uint8_t> image(other.GetRecordSize());
    const uint16_t code = ErrorCodeOf([&] { other.GetCurrentRecord(image, true); });
    other.CancelRecord();
    return code;
}

TEST_F(DataSetTest, ANewRecordIsNumberedMinusOneAndFlaggedInsertedUntilPosted) {
    CreateRows("NEW", {TRow{1, 1, "a"}, TRow{5, 5, "e"}});
    auto dataSet = OpenTable("NEW");
    dataSet->Insert();
    EXPECT_EQ(dataSet->ActiveRecordNumber(), -1);
    EXPECT_EQ(dataSet->ActiveFlag(), bfInserted);
    EXPECT_EQ(dataSet->RecNo(), -1);
    dataSet->SetRow(TRow{3, 3, "c"});
    EXPECT_EQ(dataSet->ActiveFlag(), bfInserted);
    dataSet->Post();
    EXPECT_EQ(dataSet->ActiveFlag(), bfCurrent);
    EXPECT_EQ(dataSet->RecNo(), 2); // placed by the primary index
    EXPECT_EQ(Walk(*dataSet), (std::vector<TRow>{TRow{1, 1, "a"}, TRow{3, 3, "c"}, TRow{5, 5, "e"}}));
}

TEST_F(DataSetTest, PostedEditsReachTheTableAndCancelledOnesDoNot) {
    CreateRows("EDITS", {TRow{1, 1, "a"}, TRow{2, 2, "b"}, TRow{3, 3, "c"}});
    auto dataSet = OpenTable("EDITS");
    dataSet->Next();
    dataSet->Edit();
    EXPECT_EQ(dataSet->FieldByName("NAME").OldValue().ToString(), "b");
    dataSet->FieldByName("NAME").SetAsString("changed");
    EXPECT_EQ(dataSet->FieldByName("NAME").OldValue().ToString(), "b");
    dataSet->Post();
    dataSet->Last();
    dataSet->Edit();
    dataSet->FieldByName("CODE").SetAsInteger(99);
    dataSet->Cancel();
    EXPECT_EQ(dataSet->Row(), (TRow{3, 3, "c"}));
    dataSet->Append();
    dataSet->SetRow(TRow{4, std::nullopt, std::nullopt});
    dataSet->Post();
    dataSet->First();
    dataSet->Delete();
    EXPECT_EQ(dataSet->Row().Id, 2); // the record after the deleted one
    auto other = OtherCursor("EDITS");
    EXPECT_EQ(Scan(*other), (std::vector<TRow>{TRow{2, 2, "changed"}, TRow{3, 3, "c"}, TRow{4, {}, {}}}));
    EXPECT_EQ(TableProblems(*other), "");
}

TEST_F(DataSetTest, CancellingAnEditReleasesTheRecordLockForAnotherUser) {
    CreateRows("LOCK", {TRow{1, 1, "a"}, TRow{2, 2, "b"}});
    auto dataSet = OpenTable("LOCK");
    auto other = OtherCursor("LOCK");
    dataSet->Next();
    dataSet->Edit();
    EXPECT_EQ(LockFromOther(*other, 2), VORSAM_RECLOCKFAILED);
    EXPECT_EQ(LockFromOther(*other, 1), 0); // only the edited record is locked
    dataSet->FieldByName("NAME").SetAsString("x");
    dataSet->Cancel();
    EXPECT_EQ(dataSet->Row(), (TRow{2, 2, "b"}));
    EXPECT_EQ(LockFromOther(*other, 2), 0);
    // Posting releases it as well.
    dataSet->Edit();
    dataSet->FieldByName("NAME").SetAsString("y");
    dataSet->Post();
    EXPECT_EQ(LockFromOther(*other, 2), 0);
    // A record another user holds cannot be edited.
    std::vector<uint8_t> image(other->GetRecordSize());
    ASSERT_TRUE(other->SetToRecordNo(2));
    other->GetCurrentRecord(image, true);
    EXPECT_ENGINE_ERROR(dataSet->Edit(), VORSAM_RECLOCKFAILED);
    EXPECT_EQ(dataSet->State(), dsBrowse);
    other->CancelRecord();
}

TEST_F(DataSetTest, AKeyViolationKeepsTheNewRecordForCorrectionAndTheTableUnchanged) {
    CreateRows("KEYS", {TRow{1, 1, "a"}, TRow{2, 2, "b"}});
    auto dataSet = OpenTable("KEYS");
    dataSet->Append();
    dataSet->SetRow(TRow{2, 7, "dup"});
    EXPECT_ENGINE_ERROR(dataSet->Post(), VORSAM_KEYVIOL);
    EXPECT_EQ(dataSet->State(), dsInsert);
    EXPECT_EQ(dataSet->FieldByName("NAME").AsString(), "dup");
    dataSet->FieldByName("ID").SetAsInteger(3);
    dataSet->Post();
    dataSet->First();
    dataSet->Edit();
    dataSet->FieldByName("ID").SetAsInteger(3);
    EXPECT_ENGINE_ERROR(dataSet->Post(), VORSAM_KEYVIOL);
    dataSet->Cancel();
    EXPECT_EQ(Walk(*dataSet), (std::vector<TRow>{TRow{1, 1, "a"}, TRow{2, 2, "b"}, TRow{3, 7, "dup"}}));
}

TEST_F(DataSetTest, EditingOrDeletingARecordAnotherUserDeletedTouchesNoNeighbour) {
    CreateRows("RACE", {TRow{1, 1, "a"}, TRow{2, 2, "b"}, TRow{3, 3, "c"}});
    auto dataSet = OpenTable("RACE");
    auto other = OtherCursor("RACE");
    dataSet->Next();
    ASSERT_TRUE(other->SetToRecordNo(2));
    other->DeleteRecord();
    EXPECT_ENGINE_ERROR(dataSet->Edit(), VORSAM_KEYORRECDELETED);
    EXPECT_EQ(LockFromOther(*other, 2), 0); // record 3, now second, is not left locked
    EXPECT_ENGINE_ERROR(dataSet->Delete(), VORSAM_KEYORRECDELETED);
    EXPECT_EQ(Scan(*other), (std::vector<TRow>{TRow{1, 1, "a"}, TRow{3, 3, "c"}}));
    dataSet->Refresh();
    EXPECT_EQ(Walk(*dataSet), (std::vector<TRow>{TRow{1, 1, "a"}, TRow{3, 3, "c"}}));
}

TEST_F(DataSetTest, CopyOnAppendStartsANewRecordFromTheCurrentOne) {
    CreateRows("COPY", {TRow{1, 10, "a"}, TRow{2, 20, "b"}});
    auto dataSet = OpenTable("COPY");
    dataSet->Next();
    dataSet->Insert();
    EXPECT_TRUE(dataSet->FieldByName("NAME").IsNull());
    dataSet->Cancel();
    EXPECT_EQ(dataSet->Row().Id, 2);
    dataSet->SetCopyOnAppend(true);
    dataSet->Insert();
    EXPECT_EQ(dataSet->Row(), (TRow{2, 20, "b"}));
    EXPECT_EQ(dataSet->FieldByName("CODE").OldValue().ToInt64(), 20);
    dataSet->FieldByName("ID").SetAsInteger(3);
    dataSet->Post();
    EXPECT_EQ(Walk(*dataSet).back(), (TRow{3, 20, "b"}));
}

TEST_F(DataSetTest, FieldsAreWrittenOnlyWhileEditing) {
    CreateRows("STATES", {TRow{1, 1, "a"}});
    auto dataSet = OpenTable("STATES");
    EXPECT_DATABASE_ERROR(dataSet->FieldByName("NAME").SetAsString("x"),
                          "Table is not in edit or insert mode.");
    dataSet->FieldByName("CODE").SetReadOnly(true);
    dataSet->Edit();
    EXPECT_DATABASE_ERROR(dataSet->FieldByName("CODE").SetAsInteger(5), "Field CODE cannot be modified.");
    dataSet->Cancel();
}

// ---- a random session against a model ----

// What the dataset should show: the rows by ID (the primary index), the current row and both ends.
struct TModel {
    std::map<int32_t, TRow> Rows;
    std::optional<int32_t> Current;
    bool Bof = true, Eof = true;

    int Place() const { return int(std::distance(Rows.begin(), Rows.find(*Current))) + 1; }
    void Show(std::optional<int32_t> id) {
        Current = id;
        Bof = Eof = !id.has_value();
    }
    void ShowFirst(bool fromStart) {
        if (Rows.empty()) return Show(std::nullopt);
        Current = fromStart ? Rows.begin()->first : Rows.rbegin()->first;
        Bof = fromStart;
        Eof = !fromStart;
    }
    void MoveBy(int distance) {
        if (distance == 0 || (distance > 0 && Eof) || (distance < 0 && Bof)) return;
        Bof = Eof = false;
        auto at = Rows.find(*Current);
        for (; distance > 0; --distance) {
            if (std::next(at) == Rows.end()) {
                Eof = true;
                break;
            }
            ++at;
        }
        for (; distance < 0; ++distance) {
            if (at == Rows.begin()) {
                Bof = true;
                break;
            }
            --at;
        }
        Current = at->first;
    }
    void ShowPlace(int place) {
        if (Rows.empty()) return Show(std::nullopt);
        place = std::clamp(place, 1, int(Rows.size()));
        Show(std::next(Rows.begin(), place - 1)->first);
    }
    // After a delete: the next row, else the last one.
    void ShowAfter(int32_t id) {
        auto next = Rows.upper_bound(id);
        Show(next != Rows.end() ? next->first
             : Rows.empty()     ? std::optional<int32_t>()
                                : Rows.rbegin()->first);
    }
};

class DataSetSessionTest : public DataSetTest, public ::testing::WithParamInterface<int> {};

// A grid showing several records, so that the dataset's records move through a ring of buffers.
class TRowsLink : public TDataLink {
public:
    TRowsLink(TDataSource& source, int rows) {
        SetDataSource(&source);
        SetBufferCount(rows);
    }
};

TEST_P(DataSetSessionTest, ARandomSessionOfMovesAndEditsAgreesWithTheModel) {
    std::mt19937 random(1234 + uint32_t(GetParam()));
    TModel model;
    std::vector<TRow> initial;
    for (int32_t id = 2; id <= 60; id += 2) {
        initial.push_back(RandomRow(random, id));
        model.Rows[id] = initial.back();
    }
    CreateRows("SESSION", initial);
    auto dataSet = OpenTable("SESSION");
    TDataSource source(dataSet.get());
    TRowsLink rows(source, GetParam());
    auto other = OtherCursor("SESSION");
    model.ShowFirst(true);
    std::optional<std::pair<int32_t, TBookmark>> saved;
    auto pick = [&](int n) { return int(random() % uint32_t(n)); };
    auto freshId = [&] { return int32_t(1 + pick(120)); };

    auto edit = [&](bool appendNew, bool insertNew) {
        const bool adding = appendNew || insertNew;
        const std::optional<int32_t> before = model.Current;
        if (appendNew) dataSet->Append();
        if (insertNew) dataSet->Insert();
        if (!adding) dataSet->Edit();
        TRow row = RandomRow(random, adding || pick(4) == 0 ? freshId() : *model.Current);
        dataSet->SetRow(row);
        const bool clash = model.Rows.count(row.Id) != 0 && (adding || row.Id != *model.Current);
        if (pick(5) == 0 || clash) {
            if (clash) {
                EXPECT_ENGINE_ERROR(dataSet->Post(), VORSAM_KEYVIOL);
            }
            const bool checkLock = !adding && pick(2) == 0;
            if (checkLock) {
                EXPECT_EQ(LockFromOther(*other, uint32_t(model.Place())), VORSAM_RECLOCKFAILED);
            }
            dataSet->Cancel();
            if (checkLock) {
                EXPECT_EQ(LockFromOther(*other, uint32_t(model.Place())), 0);
            }
            // A cancelled append shows the last record, a cancelled insert the record it stood before.
            model.Show(appendNew && !model.Rows.empty() ? model.Rows.rbegin()->first : before);
            return;
        }
        dataSet->Post();
        if (saved && !adding && saved->first == *model.Current) saved.reset();
        if (!adding) model.Rows.erase(*model.Current);
        model.Rows[row.Id] = row;
        model.Show(row.Id);
    };

    for (int step = 0; step < 1500; ++step) {
        SCOPED_TRACE("step " + std::to_string(step));
        const bool empty = model.Rows.empty();
        switch (pick(12)) {
        case 0:
            dataSet->First();
            model.ShowFirst(true);
            break;
        case 1:
            dataSet->Last();
            model.ShowFirst(false);
            break;
        case 2:
        case 3: {
            const int distance = pick(11) - 5;
            dataSet->MoveBy(distance);
            if (!empty) model.MoveBy(distance);
            break;
        }
        case 4: {
            const int place = pick(int(model.Rows.size()) + 3);
            const bool same = !empty && place == model.Place();
            dataSet->SetRecNo(place);
            if (!same) model.ShowPlace(place);
            break;
        }
        case 5:
            if (!empty && pick(2) == 0) {
                saved.emplace(*model.Current, dataSet->Bookmark());
            } else if (saved && model.Rows.count(saved->first)) {
                dataSet->GotoBookmark(saved->second);
                model.Show(saved->first);
            }
            break;
        case 6:
        case 7:
            if (!empty) edit(false, false);
            break;
        case 8:
            edit(true, false);
            break;
        case 9:
            edit(false, true);
            break;
        case 10:
            if (!empty) {
                const int32_t id = *model.Current;
                if (saved && saved->first == id) saved.reset();
                dataSet->Delete();
                model.Rows.erase(id);
                model.ShowAfter(id);
            }
            break;
        default:
            dataSet->Next();
            if (!empty) model.MoveBy(1);
            break;
        }
        ASSERT_EQ(dataSet->Bof(), model.Bof);
        ASSERT_EQ(dataSet->Eof(), model.Eof);
        ASSERT_EQ(dataSet->IsEmpty(), !model.Current.has_value());
        if (model.Current) {
            ASSERT_EQ(dataSet->Row(), model.Rows.at(*model.Current));
            ASSERT_EQ(dataSet->RecNo(), model.Place());
        }
        ASSERT_EQ(dataSet->RecordCount(), int(model.Rows.size()));
    }
    std::vector<TRow> expected;
    for (const auto& [id, row] : model.Rows) expected.push_back(row);
    EXPECT_EQ(Walk(*dataSet), expected);
    EXPECT_EQ(Scan(*other), expected);
    EXPECT_EQ(TableProblems(*other), "");
}

INSTANTIATE_TEST_SUITE_P(Buffers, DataSetSessionTest, ::testing::Values(1, 4),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return std::to_string(info.param) + "Buffers";
                         });

} // namespace
} // namespace vorsam::test
