// Data sources and data links: what links hear, DisableControls, master and detail, circular links
// and destruction in any order.

#include "DataSetFixture.h"

#include "platform/data/DBConsts.h"
#include "platform/data/DataLink.h"
#include "platform/data/Errors.h"

#include <optional>

namespace platform::data::test {
namespace {

class TCountingLink : public TDataLink {
public:
    int Activations = 0, Changes = 0, Scrolls = 0, RecordChanges = 0, EditingChanges = 0, Layouts = 0,
        Updates = 0;
    std::optional<std::string> PendingName; // what a control would write back on UpdateData
    TField* Focused = nullptr;

    int Total() const { return Activations + Changes + Scrolls + RecordChanges + EditingChanges + Layouts; }
    void Reset() { Activations = Changes = Scrolls = RecordChanges = EditingChanges = Layouts = Updates = 0; }

protected:
    void ActiveChanged() override { ++Activations; }
    void DataSetChanged() override { ++Changes; }
    void DataSetScrolled(int) override { ++Scrolls; }
    void RecordChanged(TField*) override { ++RecordChanges; }
    void EditingChanged() override { ++EditingChanges; }
    void LayoutChanged() override { ++Layouts; }
    void FocusControl(TField* field) override { Focused = field; }
    void UpdateData() override {
        ++Updates;
        if (PendingName)
            DataSet()->FieldByName("NAME").SetAsString(*std::exchange(PendingName, std::nullopt));
    }
};

class Links : public ::testing::Test {
protected:
    void SetUp() override {
        dataSet->Open();
        FillPeople(*dataSet, 5);
        link.SetDataSource(&source);
        link.Reset();
    }
    std::unique_ptr<TVectorDataSet> dataSet = PeopleDataSet();
    TDataSource source{dataSet.get()};
    TCountingLink link;
};

TEST_F(Links, HearScrollsEditsAndStateChanges) {
    dataSet->Next();
    EXPECT_EQ(link.Scrolls, 1);
    dataSet->Edit();
    EXPECT_EQ(link.EditingChanges, 1);
    EXPECT_TRUE(link.Editing());
    dataSet->FieldByName("NAME").SetAsString("x");
    EXPECT_EQ(link.RecordChanges, 2) << "one for entering edit mode, one for the field";
    dataSet->Post();
    EXPECT_FALSE(link.Editing());
    dataSet->Close();
    EXPECT_FALSE(link.Active());
    EXPECT_EQ(link.Activations, 1);
}

TEST_F(Links, DisableControlsSilencesLinksUntilTheLastEnableControls) {
    dataSet->DisableControls();
    dataSet->DisableControls();
    dataSet->Next();
    dataSet->Last();
    dataSet->Delete();
    EXPECT_EQ(link.Total(), 0);
    dataSet->EnableControls();
    EXPECT_EQ(link.Total(), 0) << "still disabled once";
    dataSet->EnableControls();
    EXPECT_EQ(link.Changes, 1);
    EXPECT_EQ(link.Total(), 1);
    EXPECT_FALSE(dataSet->ControlsDisabled());
}

TEST_F(Links, AfterEditsWhileDisabledTheLinksReadTheLayoutAgain) {
    dataSet->DisableControls();
    dataSet->Edit();
    dataSet->FieldByName("NAME").SetAsString("quiet");
    dataSet->Post();
    EXPECT_EQ(link.Total(), 0);
    dataSet->EnableControls();
    EXPECT_EQ(link.Layouts, 1);
    EXPECT_EQ(link.Total(), 1);
}

TEST_F(Links, AStateLeftChangedWhileDisabledIsReportedOnEnable) {
    dataSet->DisableControls();
    dataSet->Edit();
    EXPECT_EQ(link.Total(), 0);
    EXPECT_FALSE(link.Editing());
    dataSet->EnableControls();
    EXPECT_EQ(link.EditingChanges, 1);
    EXPECT_TRUE(link.Editing());
    EXPECT_EQ(link.Layouts, 1);
    dataSet->Cancel();
}

TEST_F(Links, ClosingWhileDisabledStillDeactivatesTheLinks) {
    dataSet->DisableControls();
    dataSet->Close();
    EXPECT_FALSE(link.Active()) << "links must not read buffers of a closed dataset";
    dataSet->EnableControls();
    EXPECT_FALSE(link.Active());
    EXPECT_EQ(source.State(), dsInactive);
    dataSet->Open();
    EXPECT_TRUE(link.Active());
}

TEST_F(Links, ChangesMadeThroughALinkArePostedBeforeMoving) {
    EXPECT_TRUE(link.Edit());
    link.PendingName = "typed";
    dataSet->Next();
    EXPECT_EQ(link.Updates, 2) << "once to see whether to post, once by the post";
    dataSet->Prior();
    EXPECT_EQ(dataSet->FieldByName("NAME").AsString(), "typed");
    link.SetReadOnly(true);
    EXPECT_FALSE(link.Edit());
    EXPECT_EQ(dataSet->State(), dsBrowse);
}

TEST_F(Links, DataSourceReportsStateAndDataChangesAndEditsOnlyWithAutoEdit) {
    std::vector<std::string> seen;
    source.OnStateChange = [&](TDataSource& s) { seen.push_back(StateName(s.State())); };
    source.OnDataChange = [&](TDataSource&, TField* field) {
        seen.push_back(field ? field->FieldName() : "-");
    };
    source.Edit();
    dataSet->FieldByName("NAME").SetAsString("y");
    dataSet->Post();
    EXPECT_EQ(seen, (std::vector<std::string>{"edit", "-", "NAME", "browse", "-"}));
    source.SetAutoEdit(false);
    source.Edit();
    EXPECT_EQ(dataSet->State(), dsBrowse);
    source.SetEnabled(false);
    EXPECT_FALSE(link.Active());
    EXPECT_EQ(source.State(), dsInactive);
}

TEST_F(Links, BlockReadingReadsOnWithoutTellingTheLinks) {
    dataSet->SetBlockReadSize(10);
    EXPECT_EQ(dataSet->State(), dsBlockRead);
    int read = 1;
    for (dataSet->Next(); !dataSet->Eof(); dataSet->Next()) ++read;
    EXPECT_EQ(read, 5);
    EXPECT_EQ(link.Total(), 0);
    dataSet->SetBlockReadSize(0);
    EXPECT_EQ(dataSet->State(), dsBrowse);
    dataSet->Close();
    EXPECT_THROW(dataSet->SetBlockReadSize(1), EDatabaseError);
}

TEST_F(Links, AFieldAsksTheLinksForTheFocus) {
    dataSet->FieldByName("NAME").FocusControl();
    EXPECT_EQ(link.Focused, &dataSet->FieldByName("NAME"));
}

TEST(LinkLifetime, WhicheverGoesFirstDetachesItself) {
    auto dataSet = PeopleDataSet();
    auto source = std::make_unique<TDataSource>(dataSet.get());
    TCountingLink link;
    link.SetDataSource(source.get());
    dataSet->Open();
    EXPECT_TRUE(link.Active());
    dataSet.reset();
    EXPECT_EQ(source->DataSet(), nullptr);
    EXPECT_FALSE(link.Active());
    source.reset();
    EXPECT_EQ(link.DataSource(), nullptr);
    auto other = std::make_unique<TDataSource>();
    {
        TCountingLink shortLived;
        shortLived.SetDataSource(other.get());
        shortLived.SetDataSourceFixed(true);
        EXPECT_THROW(shortLived.SetDataSource(nullptr), EDatabaseError);
    }
    other.reset();
}

// A master of people and a detail of their orders, linked by ORDERS.MASTER = PEOPLE.ID.
class MasterDetail : public ::testing::Test {
protected:
    void SetUp() override {
        master->Open();
        FillPeople(*master, 3);
        detail->Open();
        const std::vector<std::pair<int, int>> orders = {{1, 1}, {2, 1}, {3, 2}, {4, 3}, {5, 3}, {6, 3}};
        for (const auto& [id, owner] : orders) detail->AppendRecord({id, owner, 't' + std::to_string(id)});
        detail->SetMasterSource(&masterSource);
        detail->SetMasterFields("ID", "MASTER");
        master->First();
    }
    std::vector<int> DetailIds() {
        std::vector<int> ids;
        const TBookmark here = detail->Bookmark();
        for (detail->First(); !detail->Eof(); detail->Next()) ids.push_back(CurrentId(*detail));
        detail->GotoBookmark(here);
        return ids;
    }

    std::unique_ptr<TVectorDataSet> master = PeopleDataSet();
    std::unique_ptr<TVectorDataSet> detail = std::make_unique<TVectorDataSet>(
        std::vector<TColumn>{{"ID", ftInteger}, {"MASTER", ftInteger}, {"TEXT", ftString, 10}});
    TDataSource masterSource{master.get()};
};

TEST_F(MasterDetail, TheDetailShowsTheRecordsOfTheCurrentMaster) {
    EXPECT_EQ(DetailIds(), (std::vector<int>{1, 2}));
    master->Next();
    EXPECT_EQ(DetailIds(), (std::vector<int>{3}));
    master->Last();
    EXPECT_EQ(DetailIds(), (std::vector<int>{4, 5, 6}));
    master->Prior();
    EXPECT_EQ(DetailIds(), (std::vector<int>{3}));
}

TEST_F(MasterDetail, EditingTheMasterKeyMovesTheDetailAndCancellingMovesItBack) {
    master->Next();
    master->Edit();
    master->FieldByName("ID").SetAsInteger(3);
    EXPECT_EQ(DetailIds(), (std::vector<int>{4, 5, 6}));
    master->FieldByName("NAME").SetAsString("not a key");
    EXPECT_EQ(DetailIds(), (std::vector<int>{4, 5, 6}));
    master->Cancel();
    EXPECT_EQ(DetailIds(), (std::vector<int>{3}));
}

TEST_F(MasterDetail, ANewDetailRecordTakesTheMasterKey) {
    master->Next();
    detail->AppendRecord({7});
    EXPECT_EQ(detail->FieldByName("MASTER").AsInteger(), 2);
    EXPECT_EQ(DetailIds(), (std::vector<int>{3, 7}));
}

TEST_F(MasterDetail, APendingDetailEditIsPostedBeforeTheMasterMoves) {
    detail->Edit();
    detail->FieldByName("TEXT").SetAsString("saved");
    master->Next();
    EXPECT_EQ(detail->State(), dsBrowse);
    master->Prior();
    EXPECT_EQ(detail->FieldByName("TEXT").AsString(), "saved");
}

TEST_F(MasterDetail, ClosingTheMasterShowsEveryDetailRecord) {
    master->Close();
    EXPECT_EQ(DetailIds(), (std::vector<int>{1, 2, 3, 4, 5, 6}));
    master->Open();
    EXPECT_EQ(DetailIds(), (std::vector<int>{1, 2}));
}

TEST_F(MasterDetail, TheDetailWaitsWhileTheMasterHasItsControlsDisabled) {
    master->DisableControls();
    master->Last();
    EXPECT_EQ(DetailIds(), (std::vector<int>{1, 2}));
    master->EnableControls();
    EXPECT_EQ(DetailIds(), (std::vector<int>{4, 5, 6}));
}

TEST_F(MasterDetail, CircularLinksAreRefused) {
    TDataSource detailSource(detail.get());
    auto expectCircular = [](auto&& action) {
        try {
            action();
            ADD_FAILURE() << "a circular link was accepted";
        } catch (const EDatabaseError& e) {
            EXPECT_STREQ(e.what(), SCircularDataLink);
        }
    };
    expectCircular([&] { detail->SetMasterSource(&detailSource); });
    expectCircular([&] { master->SetMasterSource(&detailSource); });
    TDataSource loose;
    master->SetMasterSource(&loose);
    expectCircular([&] { loose.SetDataSet(detail.get()); });
    EXPECT_EQ(loose.DataSet(), nullptr);
    EXPECT_TRUE(master->IsLinkedTo(&detailSource)) << "the detail's source leads back to the master";
    EXPECT_FALSE(detail->IsLinkedTo(&masterSource));
}

} // namespace
} // namespace platform::data::test
