// The frame of a row-by-row data change: its transaction, intermediate commits, row count, progress and
// abort. The oracle is the table's content read back afterwards.
#include "ChangeTestSupport.h"

#include "db/sql/DataChangeRun.h"

#include "db/engine/Record.h"
#include "db/lib/DataTypes.h"

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
                Append(id);
                r.RowWritten();
                if (seen) seen->push_back(rows_);
            }
        });
    }

    size_t Count() { return Rows("T").size(); }

    std::unique_ptr<TDataCursor> cursor_;
    std::vector<uint8_t> image_;
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

TEST_F(DataChangeRunTest, DefaultIntervalIsABudgetOfBytesHoweverSmallTheRecordCache) {
    TBufferSizes small;
    small.BufferSize = MinBufferBytes;
    cursor_->Directory().Session().SetBufferSizes(small);
    TDataChangeRun run(*cursor_, {}, rows_);
    run.Run(0, [&](TDataChangeRun& r) {
        uint32_t expected = StatementCommitBytes(*cursor_) / (cursor_->GetRecordSize() + sizeof(TRecord));
        EXPECT_EQ(r.CommitInterval(), int32_t(expected));
        EXPECT_TRUE(r.OwnTransaction());
    });
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

} // namespace
} // namespace vorsam::test
