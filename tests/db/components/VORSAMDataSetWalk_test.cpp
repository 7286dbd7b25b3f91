// A dataset walk keeps the read slots of its moves across them: the table's read slots are taken once for
// the batch, given up at either end of the walk, when the dataset closes, when ReleaseWalkReads runs (the
// user interface's event loop, before it waits), at the first move after the batch's time, or by a keeper;
// meanwhile writes of this process and, once the batch is given up, of another process reach the walk,
// which reads what they wrote. The batches last an hour here unless a test says otherwise, so that no
// check depends on the machine's speed.
#include "VORSAMDataSetTestSupport.h"

#include "WorkerProcess.h"

#include "db/lib/EngineErrors.h"
#include "db/lib/FileList.h"
#include "db/lib/LibraryGlobals.h"

namespace vorsam::test {
namespace {

class DataSetWalkTest : public DataSetTest {
protected:
    void SetUp() override {
        DataSetTest::SetUp();
        SetWalkReadBatchTime(std::chrono::hours(1));
        EnableWalkReadBatches(true);
        for (int32_t id = 1; id <= 40; ++id) rows_.push_back({id * 10, id, "row " + std::to_string(id)});
        CreateRows("WALK", rows_);
        dataSet_ = OpenTable("WALK");
    }
    void TearDown() override {
        dataSet_.reset();
        SetWalkReadBatchTime(std::chrono::milliseconds(20));
        EnableWalkReadBatches(true);
        DataSetTest::TearDown();
    }
    TDataTable& Table() { return dataSet_->Handle()->Table(); }
    // Moves on `count` records, collecting their rows.
    void Next(int count, std::vector<TRow>& seen) {
        for (int i = 0; i < count && !dataSet_->Eof(); ++i) {
            dataSet_->Next();
            if (!dataSet_->Eof()) seen.push_back(dataSet_->Row());
        }
    }

    std::vector<TRow> rows_;
    std::unique_ptr<TTableDataSet> dataSet_;
};

TEST_F(DataSetWalkTest, AWalkTakesItsReadSlotsOnceAndGivesThemUpAtEitherEnd) {
    dataSet_->First();
    EXPECT_TRUE(Table().HoldsReadSlots());
    std::vector<TRow> seen{dataSet_->Row()};
    auto locks = [] {
        const TFileFaults& faults = GetFileList().Faults();
        return faults.Count(TFileOperation::Lock) + faults.Count(TFileOperation::Unlock);
    };
    const uint64_t before = locks();
    Next(10, seen);
    EXPECT_EQ(locks(), before) << "no lock taken or released";
    Next(100, seen);
    EXPECT_TRUE(dataSet_->Eof());
    EXPECT_EQ(seen, rows_);
    EXPECT_FALSE(Table().HoldsReadSlots());

    dataSet_->Last();
    dataSet_->Prior();
    EXPECT_TRUE(Table().HoldsReadSlots());
    while (!dataSet_->Bof()) dataSet_->Prior();
    EXPECT_FALSE(Table().HoldsReadSlots()) << "the start of the records ends a backward walk";
}

TEST_F(DataSetWalkTest, WithoutBatchesEveryMoveGivesItsSlotsUpBeforeItReturns) {
    EnableWalkReadBatches(false);
    std::vector<TRow> seen;
    dataSet_->First();
    Next(5, seen);
    EXPECT_FALSE(Table().HoldsReadSlots()) << "a program stopped between two moves holds no writer";
}

TEST_F(DataSetWalkTest, ReleasingWalkReadsAndClosingGiveTheSlotsUp) {
    dataSet_->First();
    dataSet_->Next();
    ASSERT_TRUE(Table().HoldsReadSlots());
    ReleaseWalkReads();
    EXPECT_FALSE(Table().HoldsReadSlots());
    dataSet_->Next();
    EXPECT_TRUE(Table().HoldsReadSlots()) << "the next move begins a new batch";
    EXPECT_EQ(dataSet_->Row(), rows_[2]);
    TDataTable& table = Table();
    auto other = OtherCursor("WALK"); // keeps the table open after the dataset closes
    dataSet_->Close();
    EXPECT_FALSE(table.HoldsReadSlots());
    EXPECT_EQ(table.ReadDepth(TReadLevel::First), 0u);
}

// While this process waits for the worker's answer, only the keeper can let the worker's write through.
TEST_F(DataSetWalkTest, TheKeeperGivesUpTheBatchOfAProgramThatStoppedBetweenTwoMoves) {
    SetWalkReadBatchTime(std::chrono::milliseconds(20));
    worker::TWorkerProcess worker;
    worker.SendOk("topen " + dir_.Path() + " WALK retries=0 tries=2000");
    dataSet_->First();
    dataSet_->Next();
    worker.SendOk("tput 25 7");
    EXPECT_FALSE(Table().HoldsReadSlots());
    dataSet_->Next();
    EXPECT_EQ(dataSet_->Row().Id, 25);
}

// Writes in the middle of a walk, through the walking dataset and through another cursor of the process,
// give the read slots up for the write and take them again: the walk goes on over what they wrote.
TEST_F(DataSetWalkTest, WritesOfThisProcessInTheMiddleOfAWalkReachIt) {
    std::vector<TRow> seen;
    dataSet_->First();
    seen.push_back(dataSet_->Row());
    Next(4, seen);
    dataSet_->Edit();
    dataSet_->FieldByName("NAME").SetAsString("edited");
    dataSet_->Post();
    seen.back().Name = "edited";
    auto other = OtherCursor("WALK");
    std::vector<uint8_t> image = RowImage(*other, {65, 99, "appended"});
    other->AppendRecord(image);
    Next(1, seen);
    Next(100, seen);
    std::vector<TRow> expected = rows_;
    expected[4].Name = "edited";
    expected.insert(expected.begin() + 6, TRow{65, 99, "appended"});
    EXPECT_EQ(seen, expected);
    EXPECT_FALSE(Table().HoldsReadSlots());
}

// Another process cannot write while a walk's batch holds the read level; once it is given up the write
// goes through, and the walk's next batch sees it.
TEST_F(DataSetWalkTest, AnotherProcessWritesOnceTheBatchIsGivenUpAndTheWalkReadsIt) {
    worker::TWorkerProcess worker;
    worker.SendOk("topen " + dir_.Path() + " WALK retries=0 tries=1");
    std::vector<TRow> seen;
    dataSet_->First();
    seen.push_back(dataSet_->Row());
    Next(2, seen);
    EXPECT_EQ(worker.Send("tput 35 7").rfind("error " + std::to_string(VORSAM_LOCKTIMEOUT), 0), 0u)
        << "the batch holds the read level";
    ReleaseWalkReads();
    worker.SendOk("tput 35 7");
    worker.SendOk("tput 50 8");
    Next(100, seen);
    ASSERT_GE(seen.size(), 5u);
    EXPECT_EQ(seen[3].Id, 35);
    EXPECT_EQ(seen[3].Code, 7);
    EXPECT_EQ(seen[5].Id, 50);
    EXPECT_EQ(seen[5].Code, 8);
    EXPECT_EQ(seen.size(), rows_.size() + 1);
}

} // namespace
} // namespace vorsam::test
