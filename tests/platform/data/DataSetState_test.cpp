// States, events and refusals of the dataset for browse, edit, insert, post, cancel and delete.

#include "DataSetFixture.h"

#include "platform/data/DBConsts.h"
#include "platform/data/Errors.h"
#include "platform/data/NumericFields.h"
#include "platform/data/StringField.h"

#include <functional>

namespace platform::data::test {
namespace {

using Events = std::vector<std::string>;

class DataSetStates : public ::testing::Test {
protected:
    void SetUp() override {
        dataSet->Open();
        FillPeople(*dataSet, 5);
        log.Take();
    }
    std::vector<int> Ids() {
        std::vector<int> ids;
        for (dataSet->First(); !dataSet->Eof(); dataSet->Next()) ids.push_back(CurrentId(*dataSet));
        return ids;
    }

    std::unique_ptr<TVectorDataSet> dataSet = PeopleDataSet();
    TDataSource source;
    TEventLog log{*dataSet, source};
};

TEST_F(DataSetStates, OpenAndCloseRaiseTheirEventsAroundTheStateChange) {
    dataSet->Close();
    EXPECT_EQ(log.Take(), (Events{"BeforeClose", "state:inactive", "AfterClose"}));
    dataSet->Open();
    EXPECT_EQ(log.Take(), (Events{"BeforeOpen", "state:browse", "AfterOpen", "AfterScroll"}));
    EXPECT_TRUE(dataSet->Bof());
    EXPECT_EQ(CurrentId(*dataSet), 1);
}

TEST_F(DataSetStates, AnEmptyDataSetOpensWithoutScrollingAndAtBothEnds) {
    TVectorDataSet empty({{"ID", ftInteger}});
    TDataSource emptySource;
    TEventLog emptyLog(empty, emptySource);
    empty.Open();
    EXPECT_EQ(emptyLog.Take(), (Events{"BeforeOpen", "state:browse", "AfterOpen"}));
    EXPECT_TRUE(empty.Bof() && empty.Eof() && empty.IsEmpty());
    EXPECT_TRUE(empty.FieldByName("ID").IsNull());
    EXPECT_EQ(empty.MoveBy(1), 0);
    EXPECT_EQ(empty.Bookmark(), TBookmark());
}

TEST_F(DataSetStates, EditThenPostKeepsTheValueAndTheRecord) {
    dataSet->Next();
    dataSet->Next();
    log.Take();
    dataSet->Edit();
    EXPECT_EQ(log.Take(), (Events{"BeforeEdit", "state:edit", "AfterEdit"}));
    dataSet->FieldByName("NAME").SetAsString("changed");
    EXPECT_TRUE(dataSet->Modified());
    EXPECT_EQ(dataSet->FieldByName("NAME").OldValue(), Variant("n3"));
    dataSet->Post();
    EXPECT_EQ(log.Take(), (Events{"BeforePost", "state:browse", "AfterPost"}));
    EXPECT_EQ(CurrentId(*dataSet), 3);
    dataSet->First();
    dataSet->MoveBy(2);
    EXPECT_EQ(dataSet->FieldByName("NAME").AsString(), "changed");
}

TEST_F(DataSetStates, CancelOfAnEditRestoresTheRecord) {
    dataSet->Edit();
    dataSet->FieldByName("NAME").SetAsString("lost");
    log.Take();
    dataSet->Cancel();
    EXPECT_EQ(log.Take(), (Events{"BeforeCancel", "state:browse", "AfterCancel"}));
    EXPECT_EQ(dataSet->FieldByName("NAME").AsString(), "n1");
}

TEST_F(DataSetStates, InsertPutsTheNewRecordBeforeTheCurrentOne) {
    dataSet->MoveBy(2);
    log.Take();
    dataSet->Insert();
    EXPECT_EQ(log.Take(), (Events{"BeforeInsert", "BeforeScroll", "state:insert", "OnNewRecord",
                                  "AfterInsert", "AfterScroll"}));
    EXPECT_TRUE(dataSet->FieldByName("ID").IsNull());
    EXPECT_EQ(dataSet->Bookmark(), TBookmark()) << "a record not yet posted has no bookmark";
    EXPECT_EQ(dataSet->RecNo(), -1);
    dataSet->FieldByName("ID").SetAsInteger(99);
    dataSet->Post();
    EXPECT_EQ(log.Take(), (Events{"BeforePost", "state:browse", "AfterPost"}));
    EXPECT_EQ(CurrentId(*dataSet), 99);
    EXPECT_EQ(dataSet->RecNo(), 3);
    EXPECT_EQ(Ids(), (std::vector<int>{1, 2, 99, 3, 4, 5}));
}

TEST_F(DataSetStates, CancelOfAnInsertReturnsToTheRecordItWasInsertedBefore) {
    dataSet->MoveBy(3);
    dataSet->Insert();
    dataSet->FieldByName("ID").SetAsInteger(77);
    log.Take();
    dataSet->Cancel();
    EXPECT_EQ(log.Take(),
              (Events{"BeforeCancel", "BeforeScroll", "state:browse", "AfterCancel", "AfterScroll"}));
    EXPECT_EQ(CurrentId(*dataSet), 4);
    EXPECT_EQ(dataSet->RecordCount(), 5);
}

TEST_F(DataSetStates, DeleteMovesToTheNextRecordOrAtTheEndToThePriorOne) {
    dataSet->Next();
    log.Take();
    dataSet->Delete();
    EXPECT_EQ(log.Take(), (Events{"BeforeDelete", "BeforeScroll", "AfterDelete", "AfterScroll"}));
    EXPECT_EQ(CurrentId(*dataSet), 3);
    dataSet->Last();
    dataSet->Delete();
    EXPECT_EQ(CurrentId(*dataSet), 4);
    EXPECT_EQ(Ids(), (std::vector<int>{1, 3, 4}));
    while (!dataSet->IsEmpty()) dataSet->Delete();
    EXPECT_TRUE(dataSet->Bof() && dataSet->Eof());
    EXPECT_THROW(
        try { dataSet->Delete(); } catch (const EDatabaseError& e) {
            EXPECT_STREQ(e.what(), SDataSetEmpty);
            throw;
        },
        EDatabaseError);
}

TEST_F(DataSetStates, DeleteWhileInsertingCancelsTheInsert) {
    dataSet->Insert();
    dataSet->Delete();
    EXPECT_EQ(dataSet->State(), dsBrowse);
    EXPECT_EQ(dataSet->RecordCount(), 5);
}

TEST_F(DataSetStates, MovingOnPostsAChangedRecordAndCancelsAnUnchangedOne) {
    dataSet->Edit();
    log.Take();
    dataSet->Next();
    EXPECT_EQ(log.Take(),
              (Events{"BeforeCancel", "state:browse", "AfterCancel", "BeforeScroll", "AfterScroll"}));
    dataSet->Edit();
    dataSet->FieldByName("NAME").SetAsString("kept");
    log.Take();
    dataSet->Next();
    EXPECT_EQ(log.Take(), (Events{"BeforePost", "state:browse", "AfterPost", "BeforeScroll", "AfterScroll"}));
    dataSet->Prior();
    EXPECT_EQ(dataSet->FieldByName("NAME").AsString(), "kept");
}

TEST_F(DataSetStates, EditOfAnEmptyDataSetInserts) {
    while (!dataSet->IsEmpty()) dataSet->Delete();
    dataSet->Edit();
    EXPECT_EQ(dataSet->State(), dsInsert);
}

TEST_F(DataSetStates, ClosedDataSetRefusesWhatNeedsRecords) {
    dataSet->Close();
    const std::vector<std::pair<const char*, std::function<void()>>> actions = {
        {"First", [&] { dataSet->First(); }},
        {"Last", [&] { dataSet->Last(); }},
        {"Next", [&] { dataSet->Next(); }},
        {"Edit", [&] { dataSet->Edit(); }},
        {"Insert", [&] { dataSet->Insert(); }},
        {"Append", [&] { dataSet->Append(); }},
        {"Delete", [&] { dataSet->Delete(); }},
        {"Refresh", [&] { dataSet->Refresh(); }},
        {"RecordCount", [&] { dataSet->RecordCount(); }}};
    for (const auto& [name, action] : actions) {
        try {
            action();
            ADD_FAILURE() << name << " was accepted";
        } catch (const EDatabaseError& e) {
            EXPECT_STREQ(e.what(), SDataSetClosed) << name;
        }
    }
    EXPECT_THROW(dataSet->Post(), EDatabaseError);
    EXPECT_NO_THROW(dataSet->Cancel());
    EXPECT_EQ(log.Take(), (Events{"BeforeClose", "state:inactive", "AfterClose"}));
}

TEST_F(DataSetStates, OpenDataSetRefusesChangesToItsFields) {
    auto field = std::make_unique<TIntegerField>("X");
    try {
        dataSet->AddField(std::move(field));
        FAIL();
    } catch (const EDatabaseError& e) {
        EXPECT_STREQ(e.what(), SDataSetOpen);
    }
    EXPECT_THROW(dataSet->FieldByName("NAME").SetSize(5), EDatabaseError);
}

TEST_F(DataSetStates, ReadOnlyDataSetRefusesEveryChange) {
    dataSet->SetReadOnly(true);
    for (const auto& action :
         std::vector<std::function<void()>>{[&] { dataSet->Edit(); }, [&] { dataSet->Insert(); },
                                            [&] { dataSet->Append(); }, [&] { dataSet->Delete(); }}) {
        try {
            action();
            ADD_FAILURE() << "a change was accepted";
        } catch (const EDatabaseError& e) {
            EXPECT_STREQ(e.what(), SDataSetReadOnly);
        }
    }
    EXPECT_EQ(dataSet->State(), dsBrowse);
    EXPECT_EQ(log.Take(), Events{});
}

TEST_F(DataSetStates, WritingAFieldOutsideEditIsRefused) {
    EXPECT_THROW(dataSet->FieldByName("NAME").SetAsString("x"), EDatabaseError);
    EXPECT_EQ(dataSet->FieldByName("NAME").AsString(), "n1");
}

TEST(DataSetRequired, PostOfARequiredFieldWithoutValueFailsAndKeepsTheEdit) {
    TVectorDataSet dataSet({{"ID", ftInteger, 0, true}, {"NAME", ftString, 10}});
    dataSet.Open();
    dataSet.Append();
    dataSet.FieldByName("NAME").SetAsString("x");
    try {
        dataSet.Post();
        FAIL();
    } catch (const EDatabaseError& e) {
        EXPECT_STREQ(e.what(), "Field 'ID' must have a value");
    }
    EXPECT_EQ(dataSet.State(), dsInsert);
    dataSet.FieldByName("ID").SetAsInteger(1);
    dataSet.Post();
    EXPECT_EQ(dataSet.RecordCount(), 1);
}

TEST_F(DataSetStates, AFailingOnNewRecordLeavesTheDataSetBrowsingWhereItWas) {
    dataSet->MoveBy(2);
    dataSet->OnNewRecord = [](TDataSet&) { throw EDatabaseError("refused"); };
    EXPECT_THROW(dataSet->Insert(), EDatabaseError);
    EXPECT_EQ(dataSet->State(), dsBrowse);
    EXPECT_EQ(CurrentId(*dataSet), 3);
    EXPECT_EQ(dataSet->RecordCount(), 5);
}

TEST_F(DataSetStates, OnValidateSeesTheNewValueAndCanRefuseIt) {
    TField& name = dataSet->FieldByName("NAME");
    std::string seen;
    name.OnValidate = [&](TField& field) {
        seen = field.AsString();
        if (seen == "bad") throw EDatabaseError("bad name");
    };
    dataSet->Edit();
    EXPECT_THROW(name.SetAsString("bad"), EDatabaseError);
    EXPECT_EQ(seen, "bad");
    EXPECT_EQ(name.AsString(), "n1");
    EXPECT_FALSE(dataSet->Modified());
    name.SetAsString("good");
    EXPECT_EQ(name.AsString(), "good");
}

TEST_F(DataSetStates, InsertRecordAndAppendRecordAssignValuesInFieldOrder) {
    dataSet->MoveBy(1);
    dataSet->InsertRecord({10, "ten"});
    EXPECT_EQ(dataSet->FieldByName("NAME").AsString(), "ten");
    dataSet->AppendRecord({11, Variant()});
    EXPECT_TRUE(dataSet->FieldByName("NAME").IsNull());
    EXPECT_EQ(Ids(), (std::vector<int>{1, 10, 2, 3, 4, 5, 11}));
    EXPECT_THROW(dataSet->AppendRecord({1, "a", "too many"}), EDatabaseError);
    dataSet->Cancel();
}

TEST(DataSetCalculatedFields, FollowTheRecordAndChangesOfDataFields) {
    TVectorDataSet dataSet({{"ID", ftInteger}, {"NAME", ftString, 10}});
    dataSet.AddField(std::make_unique<TIntegerField>("ID"));
    auto twice = std::make_unique<TIntegerField>("TWICE");
    twice->SetFieldKind(fkCalculated);
    dataSet.AddField(std::move(twice));
    int calculations = 0;
    dataSet.OnCalcFields = [&](TDataSet& ds) {
        ++calculations;
        if (!ds.FieldByName("ID").IsNull())
            ds.FieldByName("TWICE").SetAsInteger(ds.FieldByName("ID").AsInteger() * 2);
    };
    dataSet.Open();
    EXPECT_EQ(dataSet.FindField("NAME"), nullptr) << "persistent fields replace the default ones";
    dataSet.AppendRecord({4});
    dataSet.AppendRecord({7});
    dataSet.First();
    EXPECT_EQ(dataSet.FieldByName("TWICE").AsInteger(), 8);
    dataSet.Next();
    EXPECT_EQ(dataSet.FieldByName("TWICE").AsInteger(), 14);
    dataSet.Edit();
    dataSet.FieldByName("ID").SetAsInteger(10);
    EXPECT_EQ(dataSet.FieldByName("TWICE").AsInteger(), 20);
    dataSet.Cancel();
    EXPECT_EQ(dataSet.FieldByName("TWICE").AsInteger(), 14);
    dataSet.Insert();
    EXPECT_TRUE(dataSet.FieldByName("TWICE").IsNull());
    dataSet.Cancel();
    EXPECT_GT(calculations, 0);
}

TEST(DataSetPersistentFields, AFieldOfAnotherTypeOrSizeThanItsDefinitionIsRefused) {
    TVectorDataSet wrongType({{"ID", ftInteger}});
    wrongType.AddField(std::make_unique<TStringField>("ID", 4));
    EXPECT_THROW(wrongType.Open(), EDatabaseError);
    EXPECT_FALSE(wrongType.Active());
    TVectorDataSet wrongSize({{"NAME", ftString, 10}});
    wrongSize.AddField(std::make_unique<TStringField>("NAME", 4));
    try {
        wrongSize.Open();
        FAIL();
    } catch (const EDatabaseError& e) {
        EXPECT_STREQ(e.what(), "Size mismatch for field 'NAME', expecting: 4 actual: 10");
    }
    TVectorDataSet missing({{"ID", ftInteger}});
    missing.AddField(std::make_unique<TIntegerField>("OTHER"));
    EXPECT_THROW(missing.Open(), EDatabaseError);
}

TEST_F(DataSetStates, FilteringSkipsRejectedRecordsInEveryDirection) {
    dataSet->SetOnFilterRecord(
        [](TDataSet& ds, bool& accept) { accept = ds.FieldByName("ID").AsInteger() % 2 == 1; });
    dataSet->SetFiltered(true);
    EXPECT_EQ(Ids(), (std::vector<int>{1, 3, 5}));
    dataSet->Last();
    dataSet->Prior();
    EXPECT_EQ(CurrentId(*dataSet), 3);
    EXPECT_EQ(dataSet->RecNo(), 2);
    EXPECT_EQ(dataSet->RecordCount(), 3);
    dataSet->SetFiltered(false);
    EXPECT_EQ(dataSet->RecordCount(), 5);
}

} // namespace
} // namespace platform::data::test
