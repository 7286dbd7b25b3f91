// A commit of two tables cut short at every one of its writes, as a crash would (the file layer stops
// there, keeping none or a part of that write). Each table then opens at once or after its repair
// (OpenAfterCrash.h). A table without the mark of an interrupted write holds the records from before or
// from after the commit, and two such tables are never one old and one new; a table with the mark,
// opened as it was after whole writes, holds each record as before or after.
#include "TransactionTestSupport.h"

#include "../robustness/OpenAfterCrash.h"

#include "db/lib/FileFaults.h"
#include "db/lib/FileList.h"
#include "db/lib/LibraryGlobals.h"

namespace vorsam::test {
namespace {

enum class TReopened { Before, After, Interrupted };

class TransactionCrashTest : public TTransactionTest {
protected:
    const std::vector<std::string> names_ = {"PEOPLE", "OTHERS"};

    // Fresh tables with records of their own (their state before), then a transaction over both, not
    // yet committed; the oracle gets the state after.
    std::vector<std::unique_ptr<TDataTable>> Prepare() {
        std::vector<std::unique_ptr<TDataTable>> tables;
        random_.seed(7);
        for (size_t i = 0; i < names_.size(); ++i) {
            auto table = NewTable(names_[i]);
            if (table->Exists()) table->Delete();
            tables.push_back(Table(names_[i], true));
            before_[i] = after_[i] = {};
            for (int n = 0; n < 25; ++n) RandomEdit(*tables[i], before_[i]);
        }
        database_.StartTransaction();
        for (size_t i = 0; i < names_.size(); ++i) {
            after_[i] = before_[i];
            for (int n = 0; n < 25; ++n) RandomEdit(*tables[i], after_[i]);
        }
        return tables;
    }

    // The writes of the whole commit.
    uint64_t CommitWrites() {
        auto tables = Prepare();
        uint64_t start = GetFileList().Faults().Count(TFileOperation::Write);
        database_.Commit(true, true);
        return GetFileList().Faults().Count(TFileOperation::Write) - start;
    }

    // The commit cut short at its write n, then everything dropped as a crash would.
    void CrashAt(uint64_t n, size_t keepBytes) {
        auto tables = Prepare();
        GetFileList().Faults().StopAtWrite(n, keepBytes);
        try {
            database_.Commit(true, true);
        } catch (const ESimulatedCrash&) {
        }
        tables.clear();
        if (database_.InTransaction()) database_.Rollback();
        GetFileList().Faults().Reset();
    }

    TReopened Reopen(size_t i, bool wholeWrites) {
        auto table = NewTable(names_[i]);
        TAfterCrash reopened = OpenAfterCrash(*table);
        if (!reopened.Contents) return TReopened::Interrupted; // unusable: the failure is reported
        const TContents& contents = *reopened.Contents;
        if (reopened.Interrupted) {
            if (wholeWrites) {
                EXPECT_TRUE(EachRecordBeforeOrAfter(contents, before_[i], after_[i], reopened.Repaired))
                    << names_[i] << " holds a record neither as before nor as after the commit";
            }
            return TReopened::Interrupted;
        }
        if (contents == before_[i]) return TReopened::Before;
        EXPECT_EQ(contents, after_[i]) << names_[i] << " holds neither the state before nor after";
        return TReopened::After;
    }

    std::array<TContents, 2> before_, after_;
};

TEST_P(TransactionCrashTest, ACrashAtAnyWriteOfACommitLeavesEachTableWholeOrMarkedAndUsable) {
    uint64_t writes = CommitWrites();
    ASSERT_GT(writes, 12u);
    std::map<std::pair<TReopened, TReopened>, size_t> seen;
    for (size_t keepBytes : {size_t(0), size_t(100)}) {
        for (uint64_t n = 1; n <= writes + 1; ++n) {
            SCOPED_TRACE("stopped at write " + std::to_string(n) + " keeping " + std::to_string(keepBytes));
            CrashAt(n, keepBytes);
            std::pair<TReopened, TReopened> state{Reopen(0, keepBytes == 0), Reopen(1, keepBytes == 0)};
            ++seen[state];
            bool mixed = (state.first == TReopened::Before && state.second == TReopened::After) ||
                         (state.first == TReopened::After && state.second == TReopened::Before);
            EXPECT_FALSE(mixed) << "one table committed and the other not, without a word";
            if (HasFatalFailure()) return;
        }
    }
    EXPECT_TRUE(seen.count({TReopened::Before, TReopened::Before}));
    EXPECT_TRUE(seen.count({TReopened::Interrupted, TReopened::Interrupted}));
    EXPECT_TRUE(seen.count({TReopened::After, TReopened::After})) << "the last run is never stopped";
}

INSTANTIATE_TEST_SUITE_P(Storage, TransactionCrashTest, ::testing::Values(TStorage::Disk, TStorage::Memory),
                         StorageName);

} // namespace
} // namespace vorsam::test
