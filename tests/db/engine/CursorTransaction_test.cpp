// A cursor's writes inside a transaction of its database join it: rollback forgets them (records,
// indexes and blobs, in memory and on disk), commit writes them, another session sees only what was
// committed, and a table's definition cannot change meanwhile.
#include "CursorBlobSupport.h"

#include <filesystem>
#include <fstream>
#include <functional>
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
