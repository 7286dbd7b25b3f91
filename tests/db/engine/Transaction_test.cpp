// Transactions of a database in one process: what rollback and commit leave against an oracle, in the
// caches and in the files; emptying a table inside one; writes that cannot wait for the commit; the
// order of a commit's writes and syncs; the database's own rules; tables that go away meanwhile.
#include "TransactionTestSupport.h"

#include "db/lib/FileList.h"
#include "db/lib/LibraryGlobals.h"

namespace vorsam::test {
namespace {

class TransactionTest : public TTransactionTest {};

TEST_P(TransactionTest, RollbackRestoresRecordsIndexesAndBlobsAndTheFilesNeverChange) {
    // Small caches, which the transaction's changes outgrow.
    settings_.RecordCacheLimit = 40;
    settings_.BlobBufferLimit = 16;
    auto table = Table("PEOPLE", true);
    TContents oracle;
    for (int i = 0; i < 200; ++i) RandomEdit(*table, oracle, 300);
    auto files = FileBytes();

    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        database_.StartTransaction();
        TContents changed = oracle;
        for (int i = 0; i < 300; ++i) RandomEdit(*table, changed, 300);
        EXPECT_EQ(Contents(*table), changed) << "the transaction sees its own changes";
        EXPECT_EQ(Problems(*table), "");
        EXPECT_EQ(FileBytes(), files) << "nothing reached the files";
        database_.Rollback();
        EXPECT_FALSE(table->InTransaction());
        EXPECT_EQ(Contents(*table), oracle);
        EXPECT_EQ(Problems(*table), "");
        EXPECT_EQ(FileBytes(), files);
    }
    table.reset();
    auto reopened = NewTable();
    reopened->Open();
    EXPECT_EQ(Contents(*reopened), oracle);
    EXPECT_EQ(Problems(*reopened), "");
}

TEST_P(TransactionTest, CommitsWriteWhatTheOracleHoldsAndRollbackForgetsOnlySinceTheLast) {
    auto table = Table("PEOPLE", true);
    auto other = OpenPeople(); // another user of the files, outside the database
    TContents oracle;
    database_.StartTransaction();
    for (int i = 0; i < 80; ++i) RandomEdit(*table, oracle);
    EXPECT_EQ(Contents(*other), TContents()) << "uncommitted data stays unseen";
    database_.Commit(false, false); // the transaction goes on
    EXPECT_TRUE(table->InTransaction());
    EXPECT_EQ(Contents(*other), oracle);
    EXPECT_EQ(Problems(*other), "");

    TContents later = oracle;
    for (int i = 0; i < 40; ++i) RandomEdit(*table, later);
    database_.Rollback();
    EXPECT_EQ(Contents(*table), oracle);
    EXPECT_EQ(Contents(*other), oracle);

    database_.StartTransaction();
    for (int i = 0; i < 40; ++i) RandomEdit(*table, oracle);
    database_.Commit(true, false);
    EXPECT_FALSE(database_.InTransaction());
    EXPECT_EQ(database_.TransactionTables().size(), 0u);
    EXPECT_EQ(Contents(*other), oracle);
    EXPECT_EQ(Problems(*other), "");
    PutPerson(*other, {999, 1, "after"}); // the table is free again
    EXPECT_EQ(Contents(*table).count(999), 1u);
}

TEST_P(TransactionTest, OnlyTablesThatWriteJoinAndOnlyTheyAreLocked) {
    auto written = Table("PEOPLE", true), read = Table("OTHERS", true);
    settings_.LockTries = 3;
    database_.StartTransaction();
    Contents(*read);
    PutPerson(*written, {1, 1, "a"});
    EXPECT_EQ(database_.TransactionTables(), std::vector<TDataTable*>{written.get()});
    auto readElsewhere = OpenPeople();
    EXPECT_ENGINE_ERROR(PutPerson(*readElsewhere, {2, 2, "b"}), VORSAM_LOCKTIMEOUT);
    auto others = NewTable("OTHERS");
    others->Open();
    PutPerson(*others, {3, 3, "c"}); // a table the transaction only read stays free
    EXPECT_ENGINE_ERROR(written->UnlockTable(), VORSAM_UNLOCKFAILED) << "the lock is the transaction's";
    database_.Rollback();
    EXPECT_EQ(Contents(*read).size(), 1u);
}

TEST_P(TransactionTest, AWholeTableLockOfATableTheTransactionDoesNotWriteEndsWithoutJoiningIt) {
    auto written = Table("PEOPLE", true), locked = Table("OTHERS", true);
    settings_.LockTries = 3;
    auto elsewhere = NewTable("OTHERS"); // another user of the files, outside the database
    elsewhere->Open();
    locked->LockTable();
    PutPerson(*locked, {1, 1, "before the transaction"});
    database_.StartTransaction();
    locked->UnlockTable(); // writes what was kept under the lock, which no transaction owns
    EXPECT_EQ(Contents(*elsewhere).size(), 1u);
    PutPerson(*written, {2, 2, "joins"});
    for (int round = 0; round < 2; ++round) {
        locked->LockTable();
        EXPECT_EQ(Contents(*locked).size(), 1u);
        locked->UnlockTable();
    }
    EXPECT_FALSE(locked->InTransaction());
    EXPECT_EQ(database_.TransactionTables(), std::vector<TDataTable*>{written.get()});
    PutPerson(*elsewhere, {3, 3, "free"}); // the table is unlocked
    database_.Commit(true, false);
    locked->LockTable();
    PutPerson(*locked, {4, 4, "locked again"});
    locked->UnlockTable();
    EXPECT_EQ(Contents(*elsewhere).size(), 3u);
    EXPECT_EQ(Problems(*elsewhere), "");
}

TEST_P(TransactionTest, EmptyingATableWaitsForTheCommitAndARollbackBringsItAllBack) {
    auto table = Table("PEOPLE", true);
    TContents oracle;
    for (int i = 0; i < 50; ++i) RandomEdit(*table, oracle);
    auto files = FileBytes();
    auto other = OpenPeople();
    for (bool commit : {false, true}) {
        SCOPED_TRACE(commit ? "commit" : "rollback");
        database_.StartTransaction();
        PutPerson(*table, {1, 1, "joins"});
        table->EmptyTable();
        PutPerson(*table, {7, 70, "only", std::string(900, 'o')});
        table->RebuildIndexes();
        EXPECT_EQ(Contents(*table).size(), 1u);
        EXPECT_EQ(FileBytes(), files);
        EXPECT_EQ(Contents(*other), oracle);
        if (commit) {
            database_.Commit(true, false);
            oracle = {{7, TPerson{7, 70, "only", std::string(900, 'o')}}};
        } else {
            database_.Rollback();
        }
        EXPECT_EQ(Contents(*table), oracle);
        EXPECT_EQ(Contents(*other), oracle);
        EXPECT_EQ(Problems(*other), "");
    }
    EXPECT_LT(FileBytes()[0].size(), files[0].size()) << "the files were cut at the commit";
}

TEST_P(TransactionTest, AWriteThatCannotWaitForTheCommitIsRefused) {
    auto table = Table("PEOPLE", true, {.Exclusive = true});
    PutPerson(*table, {2, 2, "b"});
    database_.StartTransaction();
    PutPerson(*table, {1, 1, "a"});
    TSortRequest request;
    request.Fields = {table->DataFile().FieldDescriptors()[1]};
    EXPECT_ENGINE_ERROR(table->SortRecords(request), VORSAM_NOTSUPPORTED);
    database_.Rollback();
    EXPECT_EQ(Contents(*table).size(), 1u);
    EXPECT_EQ(Problems(*table), "");
}

// The writes and syncs of one commit, as the file layer sees them.
struct TCommitEvent {
    TFileOperation Operation;
    std::string File;
    uint64_t Offset;
    uint64_t Length;
    bool DataHeader() const {
        return Operation == TFileOperation::Write && File.ends_with(".DAT") && Offset == 0;
    }
    std::string Table() const { return File.substr(0, File.size() - 4); }
};

TEST_P(TransactionTest, ACommitMarksEveryTableFirstThenWritesItsJournalThenTheTablesAndSyncsWhenAsked) {
    auto people = Table("PEOPLE", true), others = Table("OTHERS", true);
    std::vector<TCommitEvent> events;
    GetFileList().Faults().SetObserver([&](const TFileEvent& e) {
        if (e.Operation == TFileOperation::Write || e.Operation == TFileOperation::Flush)
            events.push_back({e.Operation, std::string(e.FileName), e.Offset, e.Length});
    });
    for (bool flush : {false, true}) {
        SCOPED_TRACE(flush ? "flush" : "no flush");
        database_.StartTransaction();
        TContents a, b;
        for (int i = 0; i < 30; ++i) RandomEdit(*people, a), RandomEdit(*others, b);
        events.clear();
        database_.Commit(true, flush);

        std::map<std::string, size_t> mark, last; // per table: its first and last data header write
        for (size_t i = 0; i < events.size(); ++i)
            if (events[i].DataHeader()) mark.emplace(events[i].Table(), i), last[events[i].Table()] = i;
        ASSERT_EQ(mark.size(), 2u);
        size_t marks = std::max(mark.begin()->second, mark.rbegin()->second);
        size_t finals = std::min(last.begin()->second, last.rbegin()->second);
        size_t writes = 0, journalWrites = 0, firstContent = events.size();
        bool journalSynced = false;
        for (size_t i = 0; i < events.size(); ++i) {
            const TCommitEvent& e = events[i];
            if (e.File.ends_with(".JNL")) {
                if (e.Operation == TFileOperation::Write && e.Length == 0) continue; // emptied for the next
                journalWrites += e.Operation == TFileOperation::Write;
                journalSynced = journalSynced || e.Operation == TFileOperation::Flush;
                EXPECT_GT(i, marks) << "the journal was written before every table was marked";
                EXPECT_LT(i, firstContent) << "a table's content was written before its journal";
                continue;
            }
            if (e.Operation != TFileOperation::Write) continue;
            ++writes;
            if (e.DataHeader()) continue;
            firstContent = std::min(firstContent, i);
            EXPECT_GT(i, marks) << "content written before every table was marked: " << e.File;
            EXPECT_LT(i, finals) << "content written after a table was completed: " << e.File;
            // With flush, each write is synced before its table's data header completes the commit.
            bool synced = false;
            for (size_t j = i + 1; j < last[e.Table()] && !synced; ++j)
                synced = events[j].Operation == TFileOperation::Flush && events[j].File == e.File;
            EXPECT_EQ(synced, flush) << e.File << " at " << e.Offset;
        }
        EXPECT_GT(writes, 8u);
        EXPECT_EQ(journalWrites > 0, !InMemory()) << "the in-memory database needs no journal";
        EXPECT_EQ(journalSynced, flush && !InMemory());
        size_t flushes = std::count_if(events.begin(), events.end(),
                                       [](auto& e) { return e.Operation == TFileOperation::Flush; });
        EXPECT_EQ(flushes > 0, flush);
        for (auto [table, at] : last) {
            bool synced = std::any_of(events.begin() + at + 1, events.end(), [&](const TCommitEvent& e) {
                return e.Operation == TFileOperation::Flush && e.File == table + ".DAT";
            });
            EXPECT_EQ(synced, flush) << "the completed data header of " << table;
        }
    }
    GetFileList().Faults().SetObserver(nullptr);
}

TEST_P(TransactionTest, TheDatabaseRefusesTransactionsOutOfTurn) {
    EXPECT_ENGINE_ERROR(database_.Commit(true, false), VORSAM_INVALIDPARAM);
    EXPECT_ENGINE_ERROR(database_.Rollback(), VORSAM_INVALIDPARAM);
    database_.StartTransaction();
    EXPECT_ENGINE_ERROR(database_.StartTransaction(), VORSAM_INVALIDPARAM);
    EXPECT_TRUE(database_.InTransaction());
    database_.Commit(true, true); // nothing written, nothing to sync
    EXPECT_FALSE(database_.InTransaction());
}

TEST_P(TransactionTest, ATableThatGoesAwayLeavesTheTransactionWithItsChangesForgotten) {
    auto table = Table("PEOPLE", true);
    PutPerson(*table, {1, 1, "kept"});
    database_.StartTransaction();
    PutPerson(*table, {2, 2, "forgotten"});
    table.reset();
    EXPECT_EQ(database_.TransactionTables().size(), 0u);
    database_.Commit(true, false);
    EXPECT_EQ(Contents(*OpenPeople()).size(), 1u);
}

// A table the database's registry holds (as cursors share it) stays alive for the transaction after
// its last cursor is gone; closing the database rolls back what is open.
TEST_P(TransactionTest, ARegisteredTableLivesUntilTheTransactionEnds) {
    Table("PEOPLE", true).reset();
    for (bool commit : {true, false}) {
        SCOPED_TRACE(commit ? "commit" : "close the database");
        TDataSession session;
        TDataDirectory& database = session.OpenDataDirectory("", dir_.Path());
        auto open = [&](const std::string&) {
            auto made = std::make_unique<TDataTable>(settings_, Location(), &database);
            made->Open();
            return made;
        };
        auto& table = static_cast<TDataTable&>(database.AcquireTable("PEOPLE", InMemory(), open));
        database.StartTransaction();
        PutPerson(table, {commit ? 1 : 2, 1, "x"});
        EXPECT_EQ(database.TableUseCount(table), 2u);
        database.ReleaseTable(table); // its last cursor goes
        EXPECT_EQ(database.SharedTableCount(), 1u);
        EXPECT_TRUE(table.IsOpen());
        if (commit) {
            database.Commit(true, false);
            EXPECT_EQ(database.SharedTableCount(), 0u);
        }
        session.CloseDataDirectory(database);
    }
    EXPECT_EQ(Contents(*OpenPeople()), (TContents{{1, TPerson{1, 1, "x"}}}));
}

INSTANTIATE_TEST_SUITE_P(Storage, TransactionTest, ::testing::Values(TStorage::Disk, TStorage::Memory),
                         StorageName);

} // namespace
} // namespace vorsam::test
