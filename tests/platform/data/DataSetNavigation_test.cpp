// Navigation and the record-buffer ring against a model (a vector of ids and a position), with a
// data link that shows several records at once; and bookmarks.

#include "DataSetFixture.h"

#include "platform/data/DataLink.h"
#include "platform/data/Errors.h"

#include <algorithm>
#include <random>

namespace platform::data::test {
namespace {

// What the dataset should show: the records in order, the current one, and the end flags.
struct TModel {
    std::vector<int> Ids;
    int Pos = 0;
    bool Bof = true;
    bool Eof = true;

    void Settle() { Bof = Eof = Ids.empty(); }
    int MoveBy(int distance) {
        if (distance == 0 || (distance > 0 && Eof) || (distance < 0 && Bof)) return 0;
        Bof = Eof = false;
        const int room = distance > 0 ? static_cast<int>(Ids.size()) - 1 - Pos : Pos;
        const int steps = std::min(std::abs(distance), room);
        Pos += distance > 0 ? steps : -steps;
        if (steps < std::abs(distance)) (distance > 0 ? Eof : Bof) = true;
        return distance > 0 ? steps : -steps;
    }
};

class TGridLink : public TDataLink {};

class Navigation : public ::testing::TestWithParam<int> {
protected:
    void Check(const char* step) {
        SCOPED_TRACE(step);
        ASSERT_EQ(dataSet->IsEmpty(), model.Ids.empty());
        EXPECT_EQ(dataSet->Bof(), model.Bof);
        EXPECT_EQ(dataSet->Eof(), model.Eof);
        if (model.Ids.empty()) return;
        ASSERT_EQ(CurrentId(*dataSet), model.Ids[static_cast<std::size_t>(model.Pos)]);
        EXPECT_EQ(dataSet->RecNo(), model.Pos + 1);
        // The link shows as many consecutive records as it can, the current one among them.
        const int shown = link.RecordCount();
        EXPECT_EQ(shown, std::min<int>(GetParam(), static_cast<int>(model.Ids.size())));
        const int active = link.ActiveRecord();
        ASSERT_TRUE(active >= 0 && active < shown);
        for (int i = 0; i < shown; ++i) {
            link.SetActiveRecord(i);
            const int index = model.Pos - active + i;
            ASSERT_TRUE(index >= 0 && index < static_cast<int>(model.Ids.size()));
            EXPECT_EQ(CurrentId(*dataSet), model.Ids[static_cast<std::size_t>(index)]) << "row " << i;
        }
        link.SetActiveRecord(active);
    }

    void AddRecord(bool append, bool post) {
        const int id = nextId++;
        append ? dataSet->Append() : dataSet->Insert();
        dataSet->FieldByName("ID").SetAsInteger(id);
        if (!post) {
            dataSet->Cancel();
            if (append && !model.Ids.empty()) model.Pos = static_cast<int>(model.Ids.size()) - 1;
            model.Bof = model.Eof = model.Ids.empty();
            return;
        }
        dataSet->Post();
        const int at = append ? static_cast<int>(model.Ids.size()) : std::max(model.Pos, 0);
        model.Ids.insert(model.Ids.begin() + at, id);
        model.Pos = at;
        model.Bof = model.Eof = false;
    }

    std::unique_ptr<TVectorDataSet> dataSet = PeopleDataSet();
    TDataSource source{dataSet.get()};
    TGridLink link;
    TModel model;
    int nextId = 1;
};

TEST_P(Navigation, FollowsTheModelThroughRandomMovesAndChanges) {
    link.SetBufferCount(GetParam());
    link.SetDataSource(&source);
    dataSet->Open();
    std::mt19937 random(20240611u + static_cast<unsigned>(GetParam()));
    std::vector<TBookmark> bookmarks;
    std::vector<int> bookmarkIds;
    for (int step = 0; step < 2500; ++step) {
        const int n = static_cast<int>(model.Ids.size());
        switch (std::uniform_int_distribution<int>(0, 11)(random)) {
        case 0:
            dataSet->First();
            model.Pos = 0;
            model.Settle();
            model.Bof = true;
            Check("First");
            break;
        case 1:
            dataSet->Last();
            model.Pos = std::max(n - 1, 0);
            model.Settle();
            model.Eof = true;
            Check("Last");
            break;
        case 2:
        case 3: {
            const int distance = std::uniform_int_distribution<int>(-4, 4)(random);
            EXPECT_EQ(dataSet->MoveBy(distance), model.MoveBy(distance));
            Check("MoveBy");
            break;
        }
        case 4:
            if (n < 30) AddRecord(false, true);
            Check("Insert");
            break;
        case 5:
            if (n < 30) AddRecord(true, true);
            Check("Append");
            break;
        case 6:
            AddRecord(std::uniform_int_distribution<int>(0, 1)(random) == 1, false);
            Check("Cancel");
            break;
        case 7:
            if (n == 0) break;
            dataSet->Delete();
            model.Ids.erase(model.Ids.begin() + model.Pos);
            model.Pos = std::min(model.Pos, static_cast<int>(model.Ids.size()) - 1);
            model.Bof = model.Eof = model.Ids.empty();
            Check("Delete");
            break;
        case 8:
            if (n == 0) break;
            dataSet->Edit();
            dataSet->FieldByName("NAME").SetAsString("e" + std::to_string(step));
            dataSet->Post();
            model.Bof = model.Eof = false;
            Check("Edit");
            break;
        case 9:
            if (n == 0) break;
            bookmarks.push_back(dataSet->Bookmark());
            bookmarkIds.push_back(CurrentId(*dataSet));
            break;
        case 10: {
            if (bookmarks.empty()) break;
            const std::size_t pick =
                std::uniform_int_distribution<std::size_t>(0, bookmarks.size() - 1)(random);
            const auto found = std::find(model.Ids.begin(), model.Ids.end(), bookmarkIds[pick]);
            EXPECT_EQ(dataSet->BookmarkValid(bookmarks[pick]), found != model.Ids.end());
            if (found == model.Ids.end()) {
                EXPECT_THROW(dataSet->GotoBookmark(bookmarks[pick]), EDatabaseError);
            } else {
                dataSet->GotoBookmark(bookmarks[pick]);
                model.Pos = static_cast<int>(found - model.Ids.begin());
                model.Bof = model.Eof = false;
            }
            Check("GotoBookmark");
            break;
        }
        case 11:
            if (n == 0) break;
            model.Pos = std::uniform_int_distribution<int>(0, n - 1)(random);
            dataSet->SetRecNo(model.Pos + 1);
            model.Bof = model.Eof = false;
            Check("RecNo");
            break;
        }
        if (HasFatalFailure()) return;
    }
}

INSTANTIATE_TEST_SUITE_P(BufferCounts, Navigation, ::testing::Values(1, 2, 3, 7));

class Bookmarks : public ::testing::Test {
protected:
    void SetUp() override {
        dataSet->Open();
        FillPeople(*dataSet, 6);
    }
    TBookmark BookmarkOfId(int id) {
        dataSet->First();
        while (CurrentId(*dataSet) != id) dataSet->Next();
        return dataSet->Bookmark();
    }
    std::unique_ptr<TVectorDataSet> dataSet = PeopleDataSet();
};

TEST_F(Bookmarks, LeadBackToTheirRecordWithScrollEvents) {
    const TBookmark third = BookmarkOfId(3);
    dataSet->Last();
    std::vector<std::string> events;
    dataSet->BeforeScroll = [&](TDataSet&) { events.push_back("before"); };
    dataSet->AfterScroll = [&](TDataSet& ds) { events.push_back("after " + std::to_string(CurrentId(ds))); };
    dataSet->GotoBookmark(third);
    EXPECT_EQ(events, (std::vector<std::string>{"before", "after 3"}));
    EXPECT_FALSE(dataSet->Bof() || dataSet->Eof());
    dataSet->GotoBookmark(TBookmark());
    EXPECT_EQ(CurrentId(*dataSet), 3) << "an absent bookmark goes nowhere";
}

TEST_F(Bookmarks, CompareByPositionAndAnAbsentOneComesFirst) {
    const TBookmark second = BookmarkOfId(2);
    const TBookmark fifth = BookmarkOfId(5);
    EXPECT_LT(dataSet->CompareBookmarks(second, fifth), 0);
    EXPECT_GT(dataSet->CompareBookmarks(fifth, second), 0);
    EXPECT_EQ(dataSet->CompareBookmarks(fifth, fifth), 0);
    EXPECT_EQ(dataSet->CompareBookmarks(TBookmark(), TBookmark()), 0);
    EXPECT_EQ(dataSet->CompareBookmarks(TBookmark(), second), -1);
}

TEST_F(Bookmarks, AreKeptWhileEditingButAbsentWhileInserting) {
    const TBookmark second = BookmarkOfId(2);
    dataSet->Edit();
    EXPECT_EQ(dataSet->Bookmark(), second);
    dataSet->Cancel();
    dataSet->Insert();
    EXPECT_EQ(dataSet->Bookmark(), TBookmark());
    dataSet->Cancel();
    EXPECT_EQ(dataSet->Bookmark(), second);
}

} // namespace
} // namespace platform::data::test
