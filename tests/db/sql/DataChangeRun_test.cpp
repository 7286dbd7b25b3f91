// The frame of a row-by-row data change: its transaction, intermediate commits, row count, progress and
// abort. The oracle is the table's content read back afterwards.
#include "ChangeTestSupport.h"

#include "WorkerProcess.h"

#include "db/sql/DataChangeRun.h"
#include "db/sql/QueryStatement.h"

#include "db/engine/Record.h"
#include "db/lib/DataTypes.h"
#include "db/lib/FileList.h"
#include "db/lib/LibraryGlobals.h"

#include <cstring>

namespace vorsam::test {
namespace {

class DataChangeRunTest : public TChangeTest {
protected:
    DataChangeRunTest() {
        CreateTable("T", {{"ID", dtInteger}}, {1});
        cursor_ = Open("T");
        image_.resize(cursor_->GetRecordSize());
    }

    void Append(int32_t id) {
        cursor_->InitRecordBuffer(image_);
        cursor_->PutField(1, image_, reinterpret_cast<const uint8_t*>(&id));
        cursor_->AppendRecord(image_);
    }

    // Appends rows 1..count inside a run; `seen` receives the row count after each row.
    void AppendRun(const TChangeRunOptions& options, int32_t count, std::vector<int32_t>* seen = nullptr,
                   int32_t failAt = 0) {
        TDataChangeRun run(*cursor_, options, rows_);
        run.Run(uint32_t(count), [&](TDataChangeRun& r) {
            for (int32_t id = 1; id <= count && !r.Aborted(); ++id) {
                r.RowRead();
                if (id == failAt) RaiseEngineError(VORSAM_KEYVIOL, "stop");
                r.RowWriting();
                Append(ids_.empty() ? id : ids_[size_t(id - 1)]);
                r.RowWritten();
                if (seen) seen->push_back(rows_);
            }
        });
    }

    size_t Count() { return Rows(table_).size(); }

    std::unique_ptr<TDataCursor> cursor_;
    std::vector<uint8_t> image_;
    std::vector<int32_t> ids_; // the IDs appended in turn; none: 1, 2, ...
    std::string table_ = "T";
    int32_t rows_ = -1;
};

TEST_F(DataChangeRunTest, OwnTransactionMovesTheCountAtEachCommitAndEndsWithTheWholeCount) {
    TChangeRunOptions options;
    options.CommitIntervalGiven = true;
    options.CommitInterval = 100;
    std::vector<int32_t> seen;
    AppendRun(options, 250, &seen);
    EXPECT_EQ(seen[98], 0);
    EXPECT_EQ(seen[99], 100);
    EXPECT_EQ(seen[198], 100);
    EXPECT_EQ(seen[199], 200);
    EXPECT_EQ(seen[248], 200);
    EXPECT_EQ(rows_, 250);
    EXPECT_FALSE(database_->InTransaction());
    EXPECT_EQ(Count(), 250u);
}

TEST_F(DataChangeRunTest, AFailureRollsBackOnlyWhatTheLastIntervalChanged) {
    TChangeRunOptions options;
    options.CommitIntervalGiven = true;
    options.CommitInterval = 2;
    EXPECT_ENGINE_ERROR(AppendRun(options, 10, nullptr, 6), VORSAM_KEYVIOL);
    EXPECT_FALSE(database_->InTransaction());
    EXPECT_EQ(Count(), 4u);
}

TEST_F(DataChangeRunTest, InsideTheCallersTransactionNothingIsCommittedOrRolledBack) {
    database_->StartTransaction();
    std::vector<int32_t> seen;
    AppendRun({}, 3, &seen);
    EXPECT_EQ(seen, (std::vector<int32_t>{1, 2, 3}));
    EXPECT_TRUE(database_->InTransaction());
    EXPECT_ENGINE_ERROR(AppendRun({}, 9, nullptr, 5), VORSAM_KEYVIOL); // rows 1..3 again: key violation
    EXPECT_TRUE(database_->InTransaction());
    database_->Rollback();
    EXPECT_EQ(Count(), 0u);
}

// The smallest caches: the interval takes the rows whose records half the budget holds, however small the
// record cache, and keys in random order that dirty a page each row never make it shorter.
TEST_F(DataChangeRunTest, DefaultIntervalNeverShrinksBelowTheRowsTheBudgetHolds) {
    cursor_->Directory().Session().SetBufferSizes(
        {.BufferSize = MinBufferBytes, .ChangeBudget = MinBufferBytes});
    CreateTable("P", {{"ID", dtInteger}, {"PAD", dtString, 250}}, {1});
    cursor_ = Open(table_ = "P");
    image_.resize(cursor_->GetRecordSize());
    const auto fewest = int32_t(
        std::max<size_t>(StatementCommitBytes(*cursor_) / (cursor_->GetRecordSize() + sizeof(TRecord)),
                         2 * MinBufferBytes / uint32_t(cursor_->GetRecordSize())));
    TDataChangeRun run(*cursor_, {}, rows_);
    run.Run(0, [&](TDataChangeRun& r) {
        EXPECT_EQ(r.CommitInterval(), fewest);
        EXPECT_TRUE(r.OwnTransaction());
    });
    for (int32_t id = 1; id <= 4000; ++id) ids_.push_back(id * 7919 % 4001);
    std::vector<int32_t> seen;
    AppendRun({}, 4000, &seen);
    std::vector<int32_t> commits;
    for (size_t i = 1; i < seen.size(); ++i)
        if (seen[i] != seen[i - 1]) commits.push_back(seen[i]);
    EXPECT_GT(commits.size(), 3u);
    for (size_t i = 1; i < commits.size(); ++i) EXPECT_GE(commits[i] - commits[i - 1], fewest) << i;
    EXPECT_EQ(Count(), 4000u);
}

TEST_F(DataChangeRunTest, AbortFromProgressEndsTheLoopAndKeepsTheRowsDone) {
    TChangeRunOptions options;
    options.ProgressStep = 10;
    std::vector<uint16_t> reports;
    options.Progress = [&](uint16_t percent, bool& abort) {
        reports.push_back(percent);
        abort = percent >= 50;
    };
    AppendRun(options, 100);
    EXPECT_EQ(Count(), 50u);
    EXPECT_EQ(rows_, 50);
    EXPECT_EQ(reports, (std::vector<uint16_t>{10, 20, 30, 40, 50, 100}));
}

TEST_F(DataChangeRunTest, AnEmptyRunCommitsAndReportsOneHundred) {
    std::vector<uint16_t> reports;
    TChangeRunOptions options;
    options.Progress = [&](uint16_t percent, bool&) { reports.push_back(percent); };
    AppendRun(options, 0);
    EXPECT_EQ(reports, (std::vector<uint16_t>{100}));
    EXPECT_EQ(rows_, 0);
    EXPECT_FALSE(database_->InTransaction());
}

// Two tables of one session, TA with a blob file, a row (1, 0) in each; what a fresh process (the test
// worker, whose table's first two fields are the key and the value) reads of them.
class RefusedCommitTest : public TChangeTest {
protected:
    RefusedCommitTest() {
        const_cast<EngineSettings&>(session_.Settings()).LockTries = 20; // 60 ms of tries
        CreateTable("TA", {{"ID", dtInteger}, {"VER", dtInteger}, {"NOTE", dtBlob, 0, stMemo}}, {1});
        CreateTable("TB", {{"ID", dtInteger}, {"VER", dtInteger}}, {1});
        RunSql("INSERT INTO TA (ID, VER) VALUES (1, 0)");
        RunSql("INSERT INTO TB (ID, VER) VALUES (1, 0)");
    }
    std::string FreshView(const std::string& table) const {
        worker::TWorkerProcess fresh;
        fresh.SendOk("topen " + dir_.Path() + " " + table);
        return fresh.SendOk("tget 1");
    }
};

// The statement's own commit refused: another process holds a read slot of TA's blob file past the lock
// tries, or the commit's lock call fails. The statement's transaction is rolled back: the session's next
// statements commit their own changes, and a fresh process reads those, never the refused one.
TEST_F(RefusedCommitTest, AStatementWhoseCommitIsRefusedLeavesNoTransactionBehind) {
    const std::string blobFile = dir_.File("TA.BLB");
    int32_t ver = 0;
    for (int error : {EAGAIN, ENOLCK, EIO, EINTR}) {
        SCOPED_TRACE(error);
        worker::TWorkerProcess holder;
        const std::string handle = holder.SendOk("open " + blobFile);
        if (error == EAGAIN)
            ASSERT_EQ(holder.Send("lock " + handle + " 4294967290 1"), "ok"); // read slot 5
        else
            GetFileList().Faults().FailWhere(
                TFileOperation::Lock,
                [](const TFileEvent& e) { return e.FileName.ends_with("TA.BLB") && e.Length == 65536; },
                error);
        try {
            RunSql("UPDATE TA SET VER = VER + 1 WHERE ID = 1");
            ADD_FAILURE() << "the commit was not refused";
        } catch (const EVORSAMEngineError& e) {
            EXPECT_EQ(e.ErrorCode, error == EAGAIN ? VORSAM_LOCKTIMEOUT : VORSAM_OSERROR) << e.what();
        }
        GetFileList().Faults().Reset();
        holder.SendOk("close " + handle);
        EXPECT_FALSE(database_->InTransaction());
        EXPECT_EQ(Rows("TA"), (std::vector<TRowText>{"1|" + std::to_string(ver) + "|NULL"}));
        EXPECT_EQ(RunSql("UPDATE TA SET VER = VER + 10 WHERE ID = 1"), 1);
        EXPECT_EQ(RunSql("UPDATE TB SET VER = VER + 10 WHERE ID = 1"), 1);
        ver += 10;
        EXPECT_EQ(FreshView("TA"), std::to_string(ver));
        EXPECT_EQ(FreshView("TB"), std::to_string(ver));
    }
}

// The statement's own commit done, a lock of the table not let go after it: the statement says so
// (VORSAM_UNLOCKFAILED, "the commit is done") and counts its rows, and nothing of it is left open.
TEST_F(RefusedCommitTest, AStatementWhoseCommitIsDoneButALockIsNotLetGoSaysSoAndCountsItsRows) {
    GetFileList().Faults().FailWhere(
        TFileOperation::Unlock,
        [](const TFileEvent& e) { return e.FileName.ends_with("TA.DAT") && e.Offset == 0xFFFFFFFF; }, EIO);
    TQueryStatement statement(*database_);
    statement.Prepare("UPDATE TA SET VER = VER + 1");
    try {
        statement.Execute({}, false);
        ADD_FAILURE() << "nothing said";
    } catch (const EVORSAMEngineError& e) {
        EXPECT_EQ(e.ErrorCode, VORSAM_UNLOCKFAILED);
        EXPECT_NE(e.ErrorMessage.find("the commit is done"), std::string::npos) << e.what();
    }
    GetFileList().Faults().Reset();
    EXPECT_EQ(statement.MasterQuery->RowsAffected, 1);
    EXPECT_FALSE(database_->InTransaction());
    EXPECT_EQ(RunSql("UPDATE TA SET VER = VER + 10"), 1);
    EXPECT_EQ(FreshView("TA"), "11");
}

} // namespace
} // namespace vorsam::test
