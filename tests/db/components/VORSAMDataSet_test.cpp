// Opening and closing the dataset over a cursor through its database and session, and the sizes of
// its buffers.
#include "VORSAMDataSetTestSupport.h"

#include <climits>

namespace vorsam::test {
namespace {

using namespace platform::data;

// A dataset of a database whose CreateHandle makes no cursor.
class TNoHandleDataSet : public TVORSAMDBDataSet {
public:
    explicit TNoHandleDataSet(const std::string& databaseName) { SetDatabaseName(databaseName); }
    ~TNoHandleDataSet() override { Close(); }
};

TEST_F(DataSetTest, AnOpenDatasetJoinsItsDatabaseAndLeavesItWhenClosed) {
    CreateRows("JOIN", {TRow{1, 1, "a"}});
    const int references = database_->ReferenceCount();
    auto dataSet = OpenTable("JOIN");
    EXPECT_EQ(dataSet->Database(), database_);
    EXPECT_EQ(database_->ReferenceCount(), references + 1);
    EXPECT_EQ(database_->DataSets(), std::vector<TDataSet*>{dataSet.get()});
    EXPECT_DATABASE_ERROR(dataSet->SetDatabaseName("elsewhere"),
                          "Cannot perform this operation on an open dataset");
    EXPECT_DATABASE_ERROR(dataSet->SetSessionName("Other"),
                          "Cannot perform this operation on an open dataset");
    dataSet->Close();
    EXPECT_EQ(dataSet->Database(), nullptr);
    EXPECT_EQ(dataSet->Handle(), nullptr);
    EXPECT_EQ(database_->ReferenceCount(), references);
    EXPECT_TRUE(database_->DataSets().empty());
    // Closing the database closes its datasets.
    dataSet->Open();
    database_->Close();
    EXPECT_FALSE(dataSet->Active());
    EXPECT_EQ(dataSet->Database(), nullptr);
}

TEST_F(DataSetTest, FailingToOpenLeavesTheDatasetClosedAndTheDatabaseReleased) {
    const int references = database_->ReferenceCount();
    TNoHandleDataSet noHandle(dir_.Path());
    EXPECT_DATABASE_ERROR(noHandle.Open(), "Error creating table handle.");
    EXPECT_FALSE(noHandle.Active());
    TTableDataSet missing(dir_.Path(), "MISSING");
    EXPECT_ENGINE_ERROR(missing.Open(), VORSAM_OSENOENT);
    EXPECT_FALSE(missing.Active());
    EXPECT_EQ(missing.Database(), nullptr);
    TTableDataSet unknownSession(dir_.Path(), "MISSING");
    unknownSession.SetSessionName("Nobody");
    EXPECT_DATABASE_ERROR(unknownSession.Open(), "Session name Nobody is not valid.");
    EXPECT_EQ(database_->ReferenceCount(), references);
    EXPECT_TRUE(database_->DataSets().empty());
}

TEST_F(DataSetTest, AClosedDatasetReadsItsFieldDefinitionsThroughACursorOfItsOwn) {
    CreateRows("DEFS", {});
    const int references = database_->ReferenceCount();
    TTableDataSet dataSet(dir_.Path(), "DEFS");
    dataSet.FieldDefs().Update();
    ASSERT_EQ(dataSet.FieldDefs().Count(), 3);
    EXPECT_EQ(dataSet.FieldDefs()[2].Name, "NAME");
    EXPECT_EQ(dataSet.FieldDefs()[2].Size, 20);
    EXPECT_FALSE(dataSet.Active());
    EXPECT_EQ(dataSet.Handle(), nullptr);
    EXPECT_EQ(database_->ReferenceCount(), references);
}

TEST_F(DataSetTest, ADatasetWorksInTheSessionItNames) {
    CreateRows("NAMED", {TRow{1, 1, "a"}});
    TVORSAMSession other;
    other.SetSessionName("Other");
    other.SetLockRetryCount(0);
    TTableDataSet dataSet(dir_.Path(), "NAMED");
    dataSet.SetSessionName("Other");
    dataSet.Open();
    EXPECT_EQ(dataSet.Database()->Session(), &other);
    EXPECT_NE(dataSet.Database(), database_);
    EXPECT_EQ(dataSet.Row(), (TRow{1, 1, "a"}));
    dataSet.Close();
}

TEST_F(DataSetTest, AnAutoNamedSessionNamesTheDatasetsOfItsOwner) {
    TVORSAMOwner owner;
    TVORSAMSession session(&owner);
    session.SetName("Form");
    session.SetAutoSessionName(true);
    TTableDataSet dataSet(dir_.Path(), "ANY", &owner);
    EXPECT_EQ(dataSet.SessionName(), "Form_1");
}

// ---- buffer sizes ----

TEST(DataRecordBufferTest, SizesBeyondSixteenBitsDoNotWrapAndHugeOnesAreRefused) {
    // A 16-bit sum would wrap here and give a buffer smaller than its record.
    EXPECT_EQ(TRecordBufferLayout::Compute(65535, 65535, 1000).BufferSize, 65535u + 65535 + 8 + 1000);
    EXPECT_THROW(TRecordBufferLayout::Compute(UINT64_MAX, 1, 1), EDatabaseError);
    EXPECT_THROW(TRecordBufferLayout::Compute(1, UINT64_MAX, UINT64_MAX), EDatabaseError);
    EXPECT_THROW(TRecordBufferLayout::Compute(MaxRecordBufferSize, 0, 0), EDatabaseError);
}

TEST(DataRecordBufferTest, BlockSizesAreHeldWithinBoundsAndHoldAtLeastOneRecord) {
    struct TCase {
        int64_t Records;
        uint32_t RecordSize;
        uint64_t Bytes;
    };
    const TCase cases[] = {
        {10, 100, 1000},
        {INT_MAX, 100, 65500},                                 // the largest count: 64 KiB of whole records
        {INT_MAX, 70000, 70000},                               // ... but one record at least
        {INT_MAX - 1, 65535, (MaxBlockBytes / 65535) * 65535}, // capped, not multiplied out
        {0, 100, 100},
    };
    for (const TCase& c : cases) EXPECT_EQ(BlockBytes(c.Records, c.RecordSize), c.Bytes) << c.Records;
    EXPECT_EQ(GrownCapacity(100), 125u);
    EXPECT_EQ(GrownCapacity(UINT32_MAX), uint64_t(UINT32_MAX) + MaxGrowthSlack);
    EXPECT_EQ(GrownCapacity(UINT64_MAX), UINT64_MAX);
}

} // namespace
} // namespace vorsam::test
