// Crash safety under random work: random steps (RandomWork.h: single writes, transactions over two
// tables that commit or roll back, batches under a whole-table lock, memos of every size) are cut short
// at every one of their writes, as a crash would (the file layer stops there, keeping none or a part of
// that write). Each table then opens after the crash, at once or after its repair (OpenAfterCrash.h):
// never unusable. A table without the mark of an interrupted write holds the records from before or from
// after the step that was cut short, and tables that one step changes are then never left one before
// and one after; a table the step does not change opens as it was. A table opened as it was after an
// interrupted write of whole writes, or repaired, holds each record as before or after the step, its
// memo too. A commit or an unlock on disk is journaled: its tables open at once, all before the step or
// all after it.
#include "OpenAfterCrash.h"
#include "RandomWork.h"

#include "db/engine/TransactionTestSupport.h"

#include "db/lib/FileFaults.h"
#include "db/lib/FileList.h"
#include "db/lib/LibraryGlobals.h"

namespace vorsam::test {
namespace {

struct TReopened {
    bool Interrupted = false;
    bool Repaired = false;
    bool Before = false; // holds the records from before the step
    bool After = false;  // holds the records from after it
};

class RandomCrashTest : public TTransactionTest {
protected:
    const std::vector<std::string> names_ = {"PEOPLE", "OTHERS"};

    void Generate(uint32_t seed, size_t count) {
        TRandomWork work(seed, names_.size());
        states_ = {work.Oracle()};
        steps_.clear();
        for (size_t i = 0; i < count; ++i) {
            steps_.push_back(work.Next());
            states_.push_back(work.Oracle());
        }
    }

    std::vector<std::unique_ptr<TDataTable>> FreshTables() {
        std::vector<std::unique_ptr<TDataTable>> tables;
        for (const std::string& name : names_) {
            if (auto old = NewTable(name); old->Exists()) old->Delete();
            tables.push_back(Table(name, true));
        }
        return tables;
    }

    static std::vector<TDataTable*> Pointers(const std::vector<std::unique_ptr<TDataTable>>& tables) {
        std::vector<TDataTable*> pointers;
        for (auto& table : tables) pointers.push_back(table.get());
        return pointers;
    }

    // Runs every step; the number of writes they make.
    uint64_t Rehearse() {
        auto tables = FreshTables();
        uint64_t start = GetFileList().Faults().Count(TFileOperation::Write);
        for (const TStep& step : steps_) RunStep(step, Pointers(tables), database_);
        for (size_t i = 0; i < names_.size(); ++i) EXPECT_EQ(Contents(*tables[i]), states_.back()[i]);
        return GetFileList().Faults().Count(TFileOperation::Write) - start;
    }

    // Runs the steps, the file layer stopping at write n; returns the steps done before the stop.
    size_t RunUntilStopped(uint64_t n, size_t keepBytes) {
        auto tables = FreshTables();
        GetFileList().Faults().StopAtWrite(n, keepBytes);
        size_t done = 0;
        try {
            for (; done < steps_.size(); ++done) RunStep(steps_[done], Pointers(tables), database_);
        } catch (const ESimulatedCrash&) {
        }
        tables.clear(); // what a crash leaves: every later write is dropped
        if (database_.InTransaction()) database_.Rollback();
        GetFileList().Faults().Reset();
        return done;
    }

    TReopened Reopen(size_t i, size_t done, bool wholeWrites) {
        auto table = NewTable(names_[i]);
        TAfterCrash after = OpenAfterCrash(*table);
        if (!after.Contents) return {.Interrupted = true};
        const TContents& contents = *after.Contents;
        const TContents& next = done < steps_.size() ? states_[done + 1][i] : states_[done][i];
        TReopened reopened{after.Interrupted, after.Repaired, contents == states_[done][i],
                           done < steps_.size() && contents == next};
        if (!after.Interrupted) {
            EXPECT_TRUE(reopened.Before || reopened.After)
                << names_[i] << " holds the records neither from before nor from after the step";
        } else if (wholeWrites) {
            EXPECT_TRUE(EachRecordBeforeOrAfter(contents, states_[done][i], next))
                << names_[i] << " holds a record neither as before nor as after the step";
        }
        return reopened;
    }

    // Checks the tables after a stop within step `done` + 1.
    void CheckReopened(size_t done, bool wholeWrites) {
        std::vector<size_t> changed =
            done < steps_.size() ? steps_[done].ChangedTables() : std::vector<size_t>{};
        bool journaled = !InMemory() && done < steps_.size() &&
                         (steps_[done].Unit == TUnit::Transaction || steps_[done].Unit == TUnit::LockedBatch);
        bool before = false, after = false, interrupted = false;
        for (size_t i = 0; i < names_.size(); ++i) {
            SCOPED_TRACE(names_[i]);
            TReopened reopened = Reopen(i, done, wholeWrites);
            bool stepChanges = std::find(changed.begin(), changed.end(), i) != changed.end();
            if (!stepChanges) {
                EXPECT_FALSE(reopened.Interrupted) << "a table the step does not change was written";
                EXPECT_TRUE(reopened.Before) << "a table the step does not change changed";
                continue;
            }
            if (journaled) {
                EXPECT_FALSE(reopened.Repaired);
                EXPECT_TRUE(reopened.Before || reopened.After) << "a journaled step half done";
                reopened.Interrupted = false;
            }
            interrupted = interrupted || reopened.Interrupted;
            interrupted_ += reopened.Interrupted;
            repaired_ += reopened.Repaired;
            before = before || (reopened.Before && !reopened.After);
            after = after || (reopened.After && !reopened.Before);
        }
        EXPECT_FALSE(before && after && !interrupted)
            << "one table has the step and another not, without a word";
    }

    std::vector<TStep> steps_;
    std::vector<TTablesContents> states_; // before each step, and after the last
    size_t interrupted_ = 0;              // tables that carried the mark of an interrupted write
    size_t repaired_ = 0;                 // of them, those refused and repaired
};

TEST_P(RandomCrashTest, ACrashAtAnyWriteOfRandomWorkLeavesTablesThatOpenAtOnceOrAfterTheirRepair) {
    const size_t keeps[] = {0, 1, 100, 4096 + 100};
    // On disk every flushed commit syncs the files: one seed there, more in memory.
    const std::vector<uint32_t> seeds = GetParam() == TStorage::Disk
                                            ? std::vector<uint32_t>{11}
                                            : std::vector<uint32_t>{11, 12, 13, 14, 15, 16};
    for (uint32_t seed : seeds) {
        Generate(seed, 30);
        uint64_t writes = Rehearse();
        ASSERT_GT(writes, steps_.size());
        for (uint64_t n = 1; n <= writes + 1; ++n) {
            size_t keepBytes = keeps[(n + seed) % 4];
            size_t done = RunUntilStopped(n, keepBytes);
            SCOPED_TRACE("seed " + std::to_string(seed) + ", stopped at write " + std::to_string(n) +
                         " keeping " + std::to_string(keepBytes) + " bytes, in step " +
                         std::to_string(done + 1) + ": " +
                         (done < steps_.size() ? steps_[done].Text() : std::string("none")));
            CheckReopened(done, keepBytes == 0);
            if (HasFailure()) return;
        }
        EXPECT_EQ(RunUntilStopped(writes + 1, 0), steps_.size()) << "the run never stopped does every step";
    }
    EXPECT_GT(interrupted_, repaired_) << "tables opened as they were after an interrupted write";
    EXPECT_GT(repaired_, 0u);
}

INSTANTIATE_TEST_SUITE_P(Storage, RandomCrashTest, ::testing::Values(TStorage::Disk, TStorage::Memory),
                         StorageName);

} // namespace
} // namespace vorsam::test
