// Crash safety of the shared table: a scripted run of appends, updates and deletes (with memos) is cut
// short at every one of its writes, as a crash would (the file layer stops there, keeping none or a part
// of that write). Reopening then either raises a clean corruption error, or the table verifies and
// holds exactly the records before or after the operation that was cut short: never a crash, a hang or a
// silent wrong answer.
#include "TableTestSupport.h"

#include "db/lib/FileFaults.h"
#include "db/lib/FileList.h"
#include "db/lib/LibraryGlobals.h"

#include <functional>

namespace vorsam::test {
namespace {

using TContents = std::map<int32_t, TPerson>;
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
    void CheckReopened(size_t done, const std::string& trace) {
        SCOPED_TRACE(trace);
        auto table = NewTable();
        try {
            table->Open();
        } catch (const EVORSAMEngineError& e) {
            EXPECT_TRUE(e.ErrorCode == VORSAM_FILECORRUPT || e.ErrorCode == VORSAM_HEADERCORRUPT ||
                        e.ErrorCode == VORSAM_INDEXCORRUPT || e.ErrorCode == VORSAM_MEMOCORRUPT)
                << e.what();
            ++detected_;
            return;
        }
        ASSERT_EQ(Problems(*table), "");
        TContents contents = Contents(*table);
        bool before = contents == states_[done];
        bool after = done + 1 < states_.size() && contents == states_[done + 1];
        EXPECT_TRUE(before || after) << "the records are neither those before nor after step " << done + 1;
    }

    std::vector<TStep> script_ = Script();
    std::vector<TContents> states_;
    uint64_t writes_ = 0;
    size_t detected_ = 0;
};

TEST_P(TableCrashTest, ACrashAtAnyWriteIsDetectedOrLeavesAWholeState) {
    Rehearse();
    ASSERT_GT(writes_, script_.size() * 3);
    for (size_t keepBytes : {size_t(0), size_t(4096 + 100)}) {
        for (uint64_t n = 1; n <= writes_ + 1; ++n) {
            size_t done = RunUntilStopped(n, keepBytes);
            CheckReopened(done, "stopped at write " + std::to_string(n) + " keeping " +
                                    std::to_string(keepBytes) + " bytes, after " + std::to_string(done) +
                                    " steps");
            if (HasFatalFailure()) return;
        }
    }
    EXPECT_GT(detected_, 0u);
    // The run that was never stopped ends with the whole script done.
    EXPECT_EQ(RunUntilStopped(writes_ + 1, 0), script_.size());
}

INSTANTIATE_TEST_SUITE_P(Storage, TableCrashTest, ::testing::Values(TStorage::Disk, TStorage::Memory),
                         StorageName);

} // namespace
} // namespace vorsam::test
