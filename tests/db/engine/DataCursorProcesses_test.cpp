// The cursor beside another process (the engine's test worker, driven through pipes): record locks
// conflict across processes and an edit's cancel releases its lock, runs of records locked as one too;
// after the other process inserts
// records before the current one, the cursor moves on from where it was.
#include "CursorTestSupport.h"

#include "WorkerProcess.h"

#include "db/lib/DataTypes.h"

namespace vorsam::test {
namespace {

class CursorProcessTest : public ::testing::Test {
protected:
    CursorProcessTest() : database_(session_.OpenDataDirectory("", dir_.Path())) {
        session_.SetLockRetryCount(0);
        TCreateTableArgs args = TableArgs({{"KEY", dtInteger}, {"VALUE", dtInteger}}, {1});
        args.Indexes.push_back(DescriptorOf({"ByValue", {2}, {false}}));
        args.SecondaryCount = 1;
        cursor_.SetTableName("SHARED");
        cursor_.CreateTable(args);
        cursor_.OpenCursor();
        for (int32_t key = 10; key <= 100; key += 10) Append(key, key);
        worker_.SendOk("topen " + dir_.Path() + " SHARED retries=0 tries=300");
    }

    void Append(int32_t key, int32_t value) {
        std::vector<uint8_t> image(cursor_.GetRecordSize());
        cursor_.InitEmptyRecord(image);
        cursor_.PutField(1, image, reinterpret_cast<const uint8_t*>(&key));
        cursor_.PutField(2, image, reinterpret_cast<const uint8_t*>(&value));
        cursor_.AppendRecord(image);
    }
    bool Find(int32_t key) {
        std::vector<uint8_t> image(cursor_.GetRecordSize());
        cursor_.InitEmptyRecord(image);
        cursor_.PutField(1, image, reinterpret_cast<const uint8_t*>(&key));
        return cursor_.Find(false, image.data(), 1, 0, false);
    }
    int32_t Key(uint16_t code) {
        EXPECT_EQ(code, 0);
        int32_t key = 0;
        bool null = true;
        cursor_.GetField(1, image_, null, reinterpret_cast<uint8_t*>(&key));
        return key;
    }
    int32_t Value() const {
        int32_t value = 0;
        bool null = true;
        cursor_.GetField(2, image_, null, reinterpret_cast<uint8_t*>(&value));
        return value;
    }
    // Keys and values from the first record on.
    std::vector<std::pair<int32_t, int32_t>> Walk() {
        std::vector<std::pair<int32_t, int32_t>> rows;
        cursor_.SetToBegin();
        while (cursor_.GetNextRecord(image_) == 0) rows.emplace_back(Key(0), Value());
        return rows;
    }
    int32_t Next() { return Key(cursor_.GetNextRecord(image_)); }
    int32_t Prior() { return Key(cursor_.GetPriorRecord(image_)); }

    TTempDir dir_;
    TDataSession session_;
    TDataDirectory& database_;
    TDataCursor cursor_{database_};
    std::vector<uint8_t> image_ = std::vector<uint8_t>(64);
    worker::TWorkerProcess worker_;
};

TEST_F(CursorProcessTest, RecordLocksConflictAcrossProcessesAndCancelReleasesThem) {
    ASSERT_TRUE(Find(30));
    ASSERT_EQ(cursor_.GetCurrentRecord(image_, true), 0);
    std::string number = std::to_string(cursor_.Position().Record);
    EXPECT_EQ(worker_.Send("tlockrecord " + number).rfind("error " + std::to_string(VORSAM_RECLOCKFAILED), 0),
              0u);
    cursor_.CancelRecord();
    EXPECT_EQ(worker_.Send("tlockrecord " + number).rfind("ok", 0), 0u);
    EXPECT_ENGINE_ERROR(cursor_.GetCurrentRecord(image_, true), VORSAM_RECLOCKFAILED);
    // The worker's lock leaves its second read level held until it ends it.
    worker_.SendOk("tend read2");
    worker_.SendOk("tunlockrecord " + number);
    ASSERT_EQ(cursor_.GetCurrentRecord(image_, true), 0);
    int32_t value = 31;
    cursor_.PutField(2, image_, reinterpret_cast<const uint8_t*>(&value));
    cursor_.ModifyRecord(image_);
    EXPECT_EQ(worker_.Send("tget 30"), "ok 31");
}

// A run of records locked as one: every record of the run is locked for the other process while the run
// is held, none outside it; the run's records are edited and written without locks of their own; a run
// with a record the other process holds is refused whole, and that record's own lock is refused as before.
TEST_F(CursorProcessTest, ARecordRunLocksEachOfItsRecordsAgainstAnotherProcess) {
    auto refused = [&](uint32_t record) {
        return worker_.Send("tlockrecord " + std::to_string(record)).rfind("error", 0) == 0;
    };
    ASSERT_TRUE(cursor_.HoldRecordRun(3, 4)); // the records of keys 30 .. 60
    for (uint32_t record : {3u, 4u, 5u, 6u}) EXPECT_TRUE(refused(record)) << record;
    EXPECT_FALSE(refused(7));
    worker_.SendOk("tunlockrecord 7");
    worker_.SendOk("tend read2");
    ASSERT_TRUE(Find(50));
    ASSERT_EQ(cursor_.GetCurrentRecord(image_, true), 0);
    int32_t value = 51;
    cursor_.PutField(2, image_, reinterpret_cast<const uint8_t*>(&value));
    cursor_.ModifyRecord(image_);
    EXPECT_TRUE(refused(5)); // the write ended the edit, not the run
    cursor_.ReleaseRecordRun();
    EXPECT_EQ(worker_.Send("tget 50"), "ok 51");
    EXPECT_FALSE(refused(5));
    EXPECT_FALSE(cursor_.HoldRecordRun(4, 3));
    EXPECT_FALSE(cursor_.HoldRecordRun(5, 1));
    EXPECT_TRUE(cursor_.HoldRecordRun(1, 4)); // beside the held record
    cursor_.ReleaseRecordRun();
    ASSERT_TRUE(Find(50));
    EXPECT_ENGINE_ERROR(cursor_.GetCurrentRecord(image_, true), VORSAM_RECLOCKFAILED);
    worker_.SendOk("tunlockrecord 5");
    worker_.SendOk("tend read2");
    EXPECT_TRUE(cursor_.HoldRecordRun(4, 3));
    cursor_.ReleaseRecordRun();
}

// An edit that read a record another process's uncommitted transaction changed is refused at its write.
TEST_F(CursorProcessTest, AnEditOfARecordChangedByAnUncommittedTransactionIsRefusedAtItsWrite) {
    worker_.SendOk("tstart");
    worker_.SendOk("tput 30 5");
    ASSERT_TRUE(Find(30));
    ASSERT_EQ(cursor_.GetCurrentRecord(image_, true), 0);
    EXPECT_EQ(Value(), 30) << "the committed value";
    worker_.SendOk("tcommit");
    int32_t value = Value() + 1;
    cursor_.PutField(2, image_, reinterpret_cast<const uint8_t*>(&value));
    EXPECT_ENGINE_ERROR(cursor_.ModifyRecord(image_), VORSAM_KEYORRECDELETED);
    EXPECT_EQ(worker_.Send("tget 30"), "ok 5");
}

TEST_F(CursorProcessTest, NextAndPriorContinueAfterAnotherProcessInsertsBeforeTheCurrentRecord) {
    ASSERT_TRUE(Find(50));
    EXPECT_EQ(cursor_.GetRecordPosition(), 5u);
    for (int key : {5, 45, 47, 15, 55}) worker_.SendOk("tput " + std::to_string(key) + " 0");
    worker_.SendOk("tdelete 60");
    EXPECT_EQ(cursor_.GetRecordPosition(), 9u); // 5 10 15 20 30 40 45 47 50
    EXPECT_EQ(Next(), 55);
    EXPECT_EQ(Next(), 70);
    EXPECT_EQ(Prior(), 55);
    EXPECT_EQ(Prior(), 50);
    EXPECT_EQ(Prior(), 47);
    EXPECT_EQ(cursor_.GetRecordCount(), 14u);
    // The current record deleted by the other process: the cursor lies where it was.
    worker_.SendOk("tdelete 47");
    EXPECT_EQ(Next(), 50);
    worker_.SendOk("tdelete 50");
    EXPECT_EQ(Prior(), 45);
    EXPECT_EQ(TableProblems(cursor_), "");
}

// A filter that the primary index serves while the cursor reads in the order of the values: the records
// it gathered, with what it read of them, give way to the other process's changes, during a walk too.
TEST_F(CursorProcessTest, AFilteredWalkInAnotherOrderSeesTheOtherProcessesChanges) {
    using TRows = std::vector<std::pair<int32_t, int32_t>>;
    cursor_.SetIndexNumber(1);
    cursor_.ActivateFilter(cursor_.AddFilter("KEY >= 30 AND KEY <= 70"));
    EXPECT_EQ(Walk(), (TRows{{30, 30}, {40, 40}, {50, 50}, {60, 60}, {70, 70}}));
    for (const char* command : {"tput 50 5", "tput 40 80", "tdelete 60", "tput 35 1", "tput 80 3"})
        worker_.SendOk(command);
    EXPECT_EQ(Walk(), (TRows{{35, 1}, {50, 5}, {30, 30}, {70, 70}, {40, 80}}));
    cursor_.SetToBegin();
    EXPECT_EQ(Next(), 35);
    worker_.SendOk("tput 50 2");
    EXPECT_EQ(Next(), 50);
    EXPECT_EQ(Value(), 2);
    EXPECT_EQ(TableProblems(cursor_), "");
}

} // namespace
} // namespace vorsam::test
