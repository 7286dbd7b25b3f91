// A commit of two tables cut short at every one of its writes, as a crash would (the file layer stops
// there, keeping none or a part of that write). Both tables then open at once, never refused, and both
// hold the records from before the commit or both those from after it; once they were opened, no journal
// is awaited any more.
#include "TransactionTestSupport.h"

#include "WorkerProcess.h"

#include "db/engine/CommitJournal.h"
#include "db/engine/TableLocks.h"
#include "db/lib/FileFaults.h"
#include "db/lib/FileList.h"
#include "db/lib/LibraryGlobals.h"

#include <filesystem>
#include <fstream>
#include <set>

namespace vorsam::test {
namespace {

class TransactionCrashTest : public TCommitCrashTest {
protected:
    // The writes of the whole commit.
    uint64_t CommitWrites() {
        auto tables = Prepare();
        uint64_t start = GetFileList().Faults().Count(TFileOperation::Write);
        database_.Commit(true, true);
        return GetFileList().Faults().Count(TFileOperation::Write) - start;
    }

    // A journal of the folder that a table still awaits.
    bool AnyJournalAwaited() const {
        for (const auto& entry : std::filesystem::recursive_directory_iterator(dir_.Path())) {
            if (entry.path().extension() != ".JNL") continue;
            TFileHandler file;
            file.SetFileName(entry.path().string());
            file.Open();
            if (JournalAwaited(file)) return true;
        }
        return false;
    }

    // What ReadJournal finds wrong with the copy at `path`.
    static std::string JournalProblem(const std::string& path) {
        TFileHandler file;
        file.SetFileName(path);
        file.Open();
        TJournalContents contents;
        return ReadJournal(file, contents);
    }
};

// The tables in one folder, and in two (the journal then has a copy in each); a copy of the folder taken
// after the crash, its journal and the second folder with it, holds the commit whole or not at all too.
TEST_P(TransactionCrashTest, ACrashAtAnyWriteOfACommitLeavesBothTablesBeforeItOrBothAfter) {
    std::filesystem::create_directory(dir_.File("other"));
    for (std::string second : {std::string("OTHERS"), dir_.File("other") + "/OTHERS"}) {
        names_[1] = second;
        SCOPED_TRACE(second);
        uint64_t writes = CommitWrites();
        ASSERT_GT(writes, 12u);
        std::set<TReopened> seen;
        for (size_t keepBytes : {size_t(0), size_t(100)}) {
            for (uint64_t n = 1; n <= writes + 1; ++n) {
                SCOPED_TRACE("stopped at write " + std::to_string(n) + " keeping " +
                             std::to_string(keepBytes));
                CrashAt(n, keepBytes);
                TTempDir copy;
                std::filesystem::copy(dir_.Path(), copy.Path(), std::filesystem::copy_options::recursive);
                TReopened first = Reopen(0, copy.Path()), second = Reopen(1, copy.Path());
                EXPECT_EQ(first, second) << "one table of the copy committed and the other not";
                EXPECT_EQ(Reopen(0), first);
                EXPECT_EQ(Reopen(1), first);
                seen.insert(first);
                EXPECT_FALSE(AnyJournalAwaited())
                    << "a journal is still awaited once both tables were opened";
                if (HasFatalFailure()) return;
            }
        }
        EXPECT_EQ(seen, (std::set<TReopened>{TReopened::Before, TReopened::After}));
    }
}

// A journal damaged on disk is never completed from: the tables stay as before the commit.
TEST_P(TransactionCrashTest, ADamagedJournalIsNeverTakenForAWholeOne) {
    for (int64_t damage : {0, 20, 60, -1, -2}) { // magic, header, names, last byte, a byte cut off
        SCOPED_TRACE(damage);
        CrashAt(0, 0);
        std::string path = dir_.File("PEOPLE.JNL");
        ASSERT_EQ(JournalProblem(path), "") << "the journal the crash left is whole";
        std::vector<uint8_t> bytes(std::filesystem::file_size(path));
        std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
        file.read(reinterpret_cast<char*>(bytes.data()), std::streamsize(bytes.size()));
        if (damage == -2) {
            std::filesystem::resize_file(path, bytes.size() - 1);
        } else {
            size_t at = damage < 0 ? bytes.size() - 1 : size_t(damage);
            file.seekp(std::streamoff(at));
            file.put(char(bytes[at] ^ 0x5A));
        }
        file.close();
        EXPECT_NE(JournalProblem(path), "");
        EXPECT_EQ(Reopen(0), TReopened::Before);
        EXPECT_EQ(Reopen(1), TReopened::Before);
    }
}

// Completing a journal gives up the write locks before the read slots come back: a write of another
// user in between is read, not refused as a corrupt header.
TEST_P(TransactionCrashTest, AWriteOfAnotherUserRightAfterAJournalIsCompletedIsSeenNotRefused) {
    CrashAt(0, 0);
    const TPerson added{500, 5, "added", std::string(600, 'z')};
    int tableLocks = 0; // taken and given up: the slots are next, on the index file
    GetFileList().Faults().SetObserver([&](const TFileEvent& e) {
        if ((e.Operation != TFileOperation::Lock && e.Operation != TFileOperation::Unlock) || tableLocks > 2)
            return;
        tableLocks += e.FileName.ends_with("PEOPLE.DAT") && e.Offset == TableLockOffset;
        if (tableLocks == 2 && e.FileName.ends_with("PEOPLE.IDX") && ++tableLocks) PutPerson(*Table(), added);
    });
    after_[0][added.Key] = added;
    EXPECT_EQ(Reopen(0), TReopened::After);
    GetFileList().Faults().Reset();
    EXPECT_EQ(tableLocks, 3) << "no completion from the journal";
}

// A commit whose journal outgrows what it holds in memory hands pieces to the journal ahead of its
// header: cut short anywhere (every write of the journal, then a sample of the rest), it still leaves
// both tables before or after it, in one folder and in two.
TEST_P(TransactionCrashTest, ABigCommitCutShortLeavesBothTablesBeforeItOrBothAfter) {
    edits_ = 2000;
    keys_ = 4000;
    std::filesystem::create_directory(dir_.File("other"));
    for (std::string second : {std::string("OTHERS"), dir_.File("other") + "/OTHERS"}) {
        names_[1] = second;
        SCOPED_TRACE(second);
        uint64_t journalBytes = 0;
        GetFileList().Faults().SetObserver([&](const TFileEvent& e) {
            if (e.Operation == TFileOperation::Write && e.FileName.ends_with(".JNL"))
                journalBytes = std::max<uint64_t>(journalBytes, e.Offset);
        });
        uint64_t writes = CommitWrites();
        GetFileList().Faults().Reset();
        ASSERT_GT(journalBytes, TGatheredBytes::PieceBytes) << "the journal fits in one piece";
        EXPECT_EQ(Reopen(0), TReopened::After);
        EXPECT_EQ(Reopen(1), TReopened::After);
        std::set<TReopened> seen;
        for (uint64_t n = 1; n <= writes + 1; n += n < 12 ? 1 : std::max<uint64_t>(1, writes / 12)) {
            SCOPED_TRACE("stopped at write " + std::to_string(n));
            CrashAt(n, 100);
            TReopened first = Reopen(0), second = Reopen(1);
            EXPECT_EQ(first, second) << "one table committed and the other not";
            seen.insert(first);
            EXPECT_FALSE(AnyJournalAwaited());
            if (HasFatalFailure()) return;
        }
        EXPECT_EQ(seen, (std::set<TReopened>{TReopened::Before, TReopened::After}));
    }
}

// The in-memory database does not outlive its process: only tables on disk need the journal.
// A two-table commit whose unlocks fail after its commit point (the write locks of either table, at an
// intermediate commit too, or the table lock of either at the end): it is done and says so
// (VORSAM_UNLOCKFAILED, "the commit is done"), never that it failed; fresh opens find it.
TEST_P(TransactionCrashTest, ACommitWhoseUnlocksFailAfterItsCommitPointSaysItIsDone) {
    const std::pair<std::string, uint64_t> failing[] = {{"OTHERS.DAT", TableLockOffset},
                                                        {"PEOPLE.DAT", TableLockOffset},
                                                        {"OTHERS.IDX", WriteLockOffset},
                                                        {"PEOPLE.BLB", WriteLockOffset}};
    for (const auto& [file, offset] : failing)
        for (bool ending : {true, false}) {
            if (!ending && offset == TableLockOffset) continue; // held until the transaction ends
            SCOPED_TRACE(file + (ending ? " at the end" : " at an intermediate commit"));
            auto tables = Prepare();
            GetFileList().Faults().FailWhere(
                TFileOperation::Unlock,
                [&](const TFileEvent& e) { return e.FileName.ends_with(file) && e.Offset == offset; }, EIO);
            try {
                database_.Commit(ending, false);
                ADD_FAILURE() << "nothing said";
            } catch (const EVORSAMEngineError& e) {
                EXPECT_EQ(e.ErrorCode, VORSAM_UNLOCKFAILED);
                EXPECT_NE(e.ErrorMessage.find("the commit is done"), std::string::npos) << e.what();
            }
            GetFileList().Faults().Reset();
            EXPECT_EQ(database_.InTransaction(), !ending);
            if (!ending) database_.Commit(true, false);
            tables.clear();
            for (size_t table : {0, 1}) EXPECT_EQ(Reopen(table), TReopened::After);
        }
}

// A commit whose lock call fails for the second table (no lock records left) gives back the first
// table's write locks: another process reads it meanwhile, and the commit done afterwards is whole.
TEST_P(TransactionCrashTest, ACommitWhoseLockCallFailsGivesBackTheLocksItTook) {
    auto tables = Prepare();
    GetFileList().Faults().FailWhere(
        TFileOperation::Lock,
        [](const TFileEvent& e) { return e.FileName.ends_with("OTHERS.IDX") && e.Offset == WriteLockOffset; },
        ENOLCK);
    EXPECT_ENGINE_ERROR(database_.Commit(true, false), VORSAM_OSERROR);
    GetFileList().Faults().Reset();
    EXPECT_TRUE(database_.InTransaction()) << "refused before its write, the transaction goes on";
    worker::TWorkerProcess reader;
    EXPECT_EQ(reader.Send("topen " + dir_.Path() + " PEOPLE tries=5"), "ok") << "PEOPLE's locks given back";
    EXPECT_EQ(reader.Send("tcount"), "ok " + std::to_string(before_[0].size()));
    reader.Send("tclose");
    database_.Commit(true, false);
    tables.clear();
    for (size_t table : {0, 1}) EXPECT_EQ(Reopen(table), TReopened::After);
}

// A table that holds read slots when its commit comes (a read level taken before the transaction): the
// system refusing to let one go does not refuse the commit, whose write lock takes the slot over.
TEST_P(TransactionCrashTest, ASlotThatCannotBeLetGoBeforeTheCommitsWriteDoesNotRefuseIt) {
    auto tables = Prepare();
    database_.Rollback();
    tables[0]->BeginRead();
    database_.StartTransaction();
    for (auto& table : tables) PutPerson(*table, {777, 7, "seven"});
    ASSERT_TRUE(tables[0]->HoldsReadSlots());
    GetFileList().Faults().FailWhere(
        TFileOperation::Unlock,
        [](const TFileEvent& e) { return e.FileName.ends_with("PEOPLE.IDX") && e.Length == 1; }, EIO);
    EXPECT_NO_THROW(database_.Commit(true, false));
    GetFileList().Faults().Reset();
    tables[0]->EndRead();
    for (auto& table : tables) EXPECT_EQ(Contents(*table).count(777), 1u);
}

INSTANTIATE_TEST_SUITE_P(Storage, TransactionCrashTest, ::testing::Values(TStorage::Disk), StorageName);

} // namespace
} // namespace vorsam::test
