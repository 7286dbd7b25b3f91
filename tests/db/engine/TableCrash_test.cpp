// Crash safety of the shared table: a scripted run of appends, updates and deletes (with memos) is cut
// short at every one of its writes, as a crash would (the file layer stops there, keeping none or a part
// of that write). The table then opens at once or after its repair (OpenAfterCrash.h), never a crash, a
// hang or an unusable table. Without the mark of an interrupted write it holds exactly the records before
// or after the operation that was cut short; opened as it was after an interrupted write of whole
// writes, or repaired, each record as before or after, its memo too.
#include "TableTestSupport.h"

#include "../robustness/OpenAfterCrash.h"

#include "db/lib/FileFaults.h"
#include "db/lib/FileList.h"
#include "db/lib/LibraryGlobals.h"

#include <functional>

namespace vorsam::test {
namespace {

using TStep = std::function<void(TDataTable&)>;

// The script: each step is one complete write of the table.
std::vector<TStep> Script() {
    std::vector<TStep> steps;
    auto put = [&](TPerson person) { steps.push_back([=](TDataTable& t) { PutPerson(t, person); }); };
    auto remove = [&](int32_t key) { steps.push_back([=](TDataTable& t) { DeletePerson(t, key); }); };
    for (int32_t key = 10; key < 16; ++key) put({key, key, "name " + std::to_string(key % 3)});
    put({20, 1, "with memo", std::string(1500, 'm')});
    put({12, 120, "renamed"});                        // a key of the secondary index moves
    put({20, 2, "with memo", std::string(300, 'n')}); // the memo shrinks
    remove(11);
    remove(20);                                       // its blob is freed
    put({21, 3, "reuses", std::string(900, 'r')});    // slots and blocks come back
    put({13, 130, "Name 1", std::string(2000, 'q')}); // a memo where there was none
    remove(10);
    put({22, 4, "last"});
    return steps;
}

class TableCrashTest : public TTableTest {
protected:
    // A fresh table with a few records of its own.
    std::unique_ptr<TDataTable> FreshTable() {
        auto table = NewTable();
        if (table->Exists()) table->Delete();
        table->Create(PeopleDefinition(true));
        table->Open();
        for (int32_t key = 1; key <= 3; ++key) PutPerson(*table, {key, key, "base", std::string(600, 'b')});
        return table;
    }

    // The contents after each number of steps (0 .. all), and the writes the whole script makes.
    void Rehearse() {
        auto table = FreshTable();
        uint64_t before = GetFileList().Faults().Count(TFileOperation::Write);
        states_.push_back(Contents(*table));
        for (const TStep& step : script_) {
            step(*table);
            states_.push_back(Contents(*table));
        }
        writes_ = GetFileList().Faults().Count(TFileOperation::Write) - before;
    }

    // Runs the script, the file layer stopping at write n; returns the steps done before the stop.
    size_t RunUntilStopped(uint64_t n, size_t keepBytes) {
        auto table = FreshTable();
        GetFileList().Faults().StopAtWrite(n, keepBytes);
        size_t done = 0;
        try {
            for (const TStep& step : script_) {
                step(*table);
                ++done;
            }
        } catch (const ESimulatedCrash&) {
        }
        table.reset(); // what a crash leaves: every later write is dropped
        GetFileList().Faults().Reset();
        return done;
    }

    // Reopens the table after a stop within step `done` + 1.
    void CheckReopened(size_t done, bool wholeWrites, const std::string& trace) {
        SCOPED_TRACE(trace);
        auto table = NewTable();
        TAfterCrash after = OpenAfterCrash(*table);
        ASSERT_TRUE(after.Contents) << "the table is unusable";
        interrupted_ += after.Interrupted;
        repaired_ += after.Repaired;
        const TContents& contents = *after.Contents;
        const TContents& next = done + 1 < states_.size() ? states_[done + 1] : states_[done];
        if (!after.Interrupted) {
            EXPECT_TRUE(contents == states_[done] || contents == next)
                << "the records are neither those before nor after step " << done + 1;
        } else if (wholeWrites) {
            EXPECT_TRUE(EachRecordBeforeOrAfter(contents, states_[done], next))
                << "a record is neither as before nor as after step " << done + 1;
        }
    }

    std::vector<TStep> script_ = Script();
    std::vector<TContents> states_;
    uint64_t writes_ = 0;
    size_t interrupted_ = 0; // reopened with the mark of an interrupted write
    size_t repaired_ = 0;    // of them, refused and repaired
};

TEST_P(TableCrashTest, ACrashAtAnyWriteLeavesATableThatOpensAtOnceOrAfterItsRepair) {
    Rehearse();
    ASSERT_GT(writes_, script_.size() * 3);
    for (size_t keepBytes : {size_t(0), size_t(4096 + 100)}) {
        for (uint64_t n = 1; n <= writes_ + 1; ++n) {
            size_t done = RunUntilStopped(n, keepBytes);
            CheckReopened(done, keepBytes == 0,
                          "stopped at write " + std::to_string(n) + " keeping " + std::to_string(keepBytes) +
                              " bytes, after " + std::to_string(done) + " steps");
            if (HasFatalFailure()) return;
        }
    }
    EXPECT_GT(interrupted_, repaired_);
    EXPECT_GT(repaired_, 0u);
    // The run that was never stopped ends with the whole script done.
    EXPECT_EQ(RunUntilStopped(writes_ + 1, 0), script_.size());
}

INSTANTIATE_TEST_SUITE_P(Storage, TableCrashTest, ::testing::Values(TStorage::Disk, TStorage::Memory),
                         StorageName);

} // namespace
} // namespace vorsam::test
