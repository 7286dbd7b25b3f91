// A cursor's writes inside a transaction of its database join it: rollback forgets them (records,
// indexes and blobs, in memory and on disk), commit writes them, another session sees only what was
// committed, and a table's definition cannot change meanwhile.
#include "CursorBlobSupport.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>

namespace vorsam::test {
namespace {

class CursorTransactionTest : public TCursorTest {
protected:
    CursorTransactionTest() {
        Create("BLOBS", BlobTableArgs());
        cursor_ = Open("BLOBS");
        for (int i = 0; i < 30; ++i) RandomBlobEdit(*cursor_, oracle_, random_, nextId_);
    }
    // The bytes of the table's files (none in memory).
    std::string FileBytes() const {
        std::string bytes;
        if (InMemory()) return bytes;
        for (const char* extension : {".DAT", ".IDX", ".BLB"}) {
            std::ifstream file(std::filesystem::path(dir_.Path()) / (std::string("BLOBS") + extension),
                               std::ios::binary);
            std::ostringstream content;
            content << file.rdbuf();
            bytes += content.str();
        }
        return bytes;
    }
    void ExpectContents(TDataCursor& cursor, const TBlobRows& expected) {
        ASSERT_EQ(TableProblems(cursor), "");
        ASSERT_EQ(BlobContents(cursor), expected);
    }
    // A cursor of another session on the same files.
    std::unique_ptr<TDataCursor> Outsider(TDataSession& session) {
        TDataDirectory& other =
            InMemory() ? session.OpenDataDirectory("Memory", "") : session.OpenDataDirectory("", dir_.Path());
        auto cursor = std::make_unique<TDataCursor>(other);
        cursor->SetTableName("BLOBS");
        cursor->OpenCursor();
        return cursor;
    }

    std::unique_ptr<TDataCursor> cursor_;
    TBlobRows oracle_;
    std::mt19937 random_{24};
    int32_t nextId_ = 1;
};

TEST_P(CursorTransactionTest, RollbackForgetsWhatTheCursorWroteBlobsIncludedAndOnlyACommitIsSeen) {
    std::string files = FileBytes();
    TDataSession session;
    session.SetLockRetryCount(0);
    auto outsider = Outsider(session);
    for (bool commit : {false, false, true}) {
        SCOPED_TRACE(commit ? "commit" : "rollback");
        database_->StartTransaction();
        TBlobRows changed = oracle_;
        for (int i = 0; i < 60; ++i) RandomBlobEdit(*cursor_, changed, random_, nextId_);
        EXPECT_TRUE(cursor_->Table().InTransaction()) << "the cursor's writes joined the transaction";
        ExpectContents(*cursor_, changed);
        ExpectContents(*outsider, oracle_);
        EXPECT_EQ(FileBytes(), files) << "nothing reached the files";
        if (commit) {
            database_->Commit(true, true);
            oracle_ = changed;
            outsider->Refresh();
        } else {
            database_->Rollback();
            EXPECT_EQ(FileBytes(), files);
            EXPECT_EQ(cursor_->OpenBlobCount(), 0u);
        }
        ExpectContents(*cursor_, oracle_);
        ExpectContents(*outsider, oracle_);
    }
    cursor_.reset();
    cursor_ = Open("BLOBS");
    ExpectContents(*cursor_, oracle_);
}

// Past the session's budget of changes, a transaction's changed records and pages wait in spill files: the
// cursors read them back, another session sees none, a rollback forgets them and a commit writes them all.
TEST_P(CursorTransactionTest, ChangesPastTheBudgetAreReadBackForgottenAtRollbackAndWrittenAtCommit) {
    session_.SetBufferSizes({.ChangeBudget = MinBufferBytes});
    std::map<int32_t, TRow> rows;
    std::vector<TRow> initial;
    for (int32_t id = 1; id <= 3000; ++id) initial.push_back(rows[id] = RandomRow(random_, id));
    std::shuffle(initial.begin(), initial.end(), random_);
    auto table = CreateRows("ROWS", PortugueseBrazilian, initial);
    std::string files = FileBytes();
    TDataSession session;
    session.SetLockRetryCount(0);
    auto outsider = Outsider(session);
    auto expectRows = [&](const std::map<int32_t, TRow>& expected) {
        ASSERT_EQ(TableProblems(*table), "");
        for (uint8_t slot = 0; slot < RowIndexes().size(); ++slot) {
            table->SetIndexNumber(slot);
            std::vector<TRow> sorted;
            for (const auto& [id, row] : expected) sorted.push_back(row);
            std::stable_sort(sorted.begin(), sorted.end(), [&](const TRow& a, const TRow& b) {
                return CompareRows(a, b, RowIndexes()[slot], PortugueseBrazilian) < 0;
            });
            ExpectIndexOrder(Scan(*table), sorted, RowIndexes()[slot], PortugueseBrazilian);
        }
        table->SetIndexNumber(PrimaryIndexSlot);
    };
    int32_t nextRowId = 3001;
    for (bool commit : {false, true}) {
        SCOPED_TRACE(commit ? "commit" : "rollback");
        database_->StartTransaction();
        TBlobRows changedBlobs = oracle_;
        std::map<int32_t, TRow> changed = rows;
        for (int i = 0; i < 40; ++i) RandomBlobEdit(*cursor_, changedBlobs, random_, nextId_);
        for (int i = 0; i < 2500; ++i) {
            int32_t id = std::next(changed.begin(), std::ptrdiff_t(random_() % changed.size()))->first;
            if (i % 3 == 2)
                DeleteRow(*table, changed, id);
            else
                PutRow(*table, changed, RandomRow(random_, i % 3 == 0 ? nextRowId++ : id));
        }
        if (!InMemory()) {
            const TDataFile& data = table->Table().DataFile();
            EXPECT_LE(data.RecordCache().Capacity(), data.CacheLimit() + 2 * TRecordCache::CapacityStep +
                                                         MinBufferBytes / data.GetRecordSize())
                << "the changes do not stay in memory";
        }
        expectRows(changed);
        ExpectContents(*cursor_, changedBlobs);
        ExpectContents(*outsider, oracle_);
        EXPECT_EQ(FileBytes(), files) << "nothing reached the files";
        if (commit) {
            database_->Commit(true, false);
            oracle_ = changedBlobs;
            rows = changed;
            outsider->Refresh();
        } else {
            database_->Rollback();
            EXPECT_EQ(FileBytes(), files);
        }
        expectRows(rows);
        ExpectContents(*cursor_, oracle_);
        ExpectContents(*outsider, oracle_);
    }
    table.reset();
    table = Open("ROWS");
    expectRows(rows);
}

TEST_P(CursorTransactionTest, DefinitionsWaitForTheTransactionsEnd) {
    TIndexDescriptor byName = DescriptorOf(TIndexSpec{"ByName", {BlobNameField}, {false}});
    cursor_->AddSecondaryIndex(byName);
    TDataCursor closed(*database_);
    closed.SetTableName("BLOBS");
    TRestructureArgs same;
    static_cast<TCreateTableArgs&>(same) = BlobTableArgs();
    const std::vector<std::pair<const char*, std::function<void()>>> definitions = {
        {"add an index",
         [&] {
             cursor_->AddSecondaryIndex(DescriptorOf(TIndexSpec{"ById", {BlobIdField}, {false}}));
         }},
        {"delete an index", [&] { cursor_->DeleteIndex("ByName"); }},
        {"drop the primary key", [&] { cursor_->DeleteIndex(""); }},
        {"sort", [&] { cursor_->SortRecords({}); }},
        {"restructure",
         [&] {
             cursor_.reset(); // the table's only user
             closed.RestructureTable(same);
         }},
    };
    database_->StartTransaction();
    for (const auto& [what, definition] : definitions) {
        SCOPED_TRACE(what);
        EXPECT_ENGINE_ERROR(definition(), VORSAM_NOTSUPPORTED);
    }
    EXPECT_FALSE(closed.IsOpen());
    cursor_ = Open("BLOBS");
    EXPECT_TRUE(cursor_->IndexExists("ByName"));
    EXPECT_FALSE(cursor_->IsDefaultPrimaryIndex());
    database_->Rollback();
    cursor_->DeleteIndex("ByName");
    EXPECT_FALSE(cursor_->IndexExists("ByName"));
    ExpectContents(*cursor_, oracle_);
}

INSTANTIATE_TEST_SUITE_P(Storage, CursorTransactionTest, ::testing::Values(TStorage::Memory, TStorage::Disk),
                         StorageName);

} // namespace
} // namespace vorsam::test
