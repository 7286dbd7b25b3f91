// The frame of one run of a data change that works row by row (INSERT ... SELECT, UPDATE, DELETE): its
// transaction, the intermediate commits, progress with abort, and the row count it reports.
//
// Transaction. When the target's database is already in a transaction (the caller's), the run changes
// rows inside it and never commits or rolls back. Otherwise the run starts one of its own, commits it every
// `CommitInterval` rows (the transaction goes on; the cursor then takes the committed state as its own, so
// that its writes are not taken for another user's) and ends it with a last commit, also after an abort;
// an exception leaving the row loop rolls it back (rows committed at earlier intervals stay committed).
// Without a COMMIT INTERVAL the interval follows what the rows really hold: the records a transaction
// changes and the index pages they dirty stay in memory until its commit (past the session's budget of
// changes, in spill files), and a commit costs a fixed part (the journal's pages above the leaves, the
// headers) that fewer, longer intervals spread thinner. The first interval takes as many rows as changed
// records (with their room in the cache) fill half the budget (StatementCommitBytes), however small the
// session's record cache; a session whose cache holds more (2 x cache bytes / record size, at most the
// cache's record limit) keeps that many. Its commit measures what the rows held beyond the caches' sizes
// (the session's HeldChanges), and the later intervals take as many rows as fill three quarters of the
// budget, so that no interval spills; intermediate commits keep the caches as they grew (the statement's
// end gives them back).
//
// Row count (`RowsAffected`): inside the caller's transaction it follows every counted row; in a run of its
// own it moves at each commit (between commits it keeps its last value) and is the whole count at the end.
//
// Progress: a percentage of the rows read of the total is reported whenever it has grown by the session's
// progress step since the last report; the handler may ask to abort, which ends the loop after the row being
// changed. The end of a run reports 100 unless that was reported already.
//
// Writes: the rows written between two commits share one write level of the target's table (RowWriting),
// so that each row's own write takes nothing and checks nothing: from the run's first write on, the
// table is locked whole for the transaction (the run's or the caller's), and no other process writes it.
// A commit, and the end of the run, come with the level ended.
#pragma once

#include <cstdint>
#include <functional>
#include <limits>

namespace vorsam {

class TDataCursor;
class TDataDirectory;

// The bytes of changed records (with their room in the cache) of the first interval of a statement's own
// transaction without COMMIT INTERVAL: half the session's budget of changes (TBufferSizes::ChangeBudget), so
// that the index pages they change fit in the rest and nothing waits in a spill file before the commit.
uint32_t StatementCommitBytes(const TDataCursor& target);

// Told a percentage; sets the flag to abort the run.
using TChangeProgress = std::function<void(uint16_t percent, bool& abort)>;

struct TChangeRunOptions {
    bool CommitIntervalGiven = false;
    int32_t CommitInterval = 0; // rows; at least 1 when given
    bool CommitFlush = false;
    int32_t ProgressStep = 100; // percent between reports
    TChangeProgress Progress;   // none: no reports
};

class TDataChangeRun {
public:
    // `rowsAffected` is the block's count, set to 0 here and kept up to date by the run.
    TDataChangeRun(TDataCursor& target, const TChangeRunOptions& options, int32_t& rowsAffected);
    ~TDataChangeRun();
    TDataChangeRun(const TDataChangeRun&) = delete;
    TDataChangeRun& operator=(const TDataChangeRun&) = delete;

    // Runs the row loop inside the run's frame: the transaction set-up before, the end of the run after, a
    // rollback of the run's own transaction when `loop` throws. `total` is the number of rows the loop
    // reads, for progress.
    void Run(uint32_t total, const std::function<void(TDataChangeRun&)>& loop);

    // One more row read: the progress step (which may set the abort flag).
    void RowRead();
    // Before a row is written: the write level of the rows up to the next commit.
    void RowWriting();
    // A row was written; `counted` adds it to the count. Then the commit rule.
    void RowWritten(bool counted = true);
    // The next row written (and counted) ends with a commit.
    bool CommitsAtNextRow() const { return interval_ > 0 && sinceCommit_ + 1 >= interval_; }
    // The rows still to be written (and counted) up to the next commit, that one included: at least 1; the
    // largest size_t when no commit comes (the caller's transaction without COMMIT INTERVAL), which a caller
    // takes as a limit and never adds to.
    size_t RowsBeforeCommit() const {
        return interval_ > 0 ? size_t(std::max(interval_ - sinceCommit_, 1))
                             : std::numeric_limits<size_t>::max();
    }
    bool Aborted() const { return aborted_; }
    int32_t Done() const { return done_; }
    int32_t CommitInterval() const { return interval_; }
    bool OwnTransaction() const { return own_; }

private:
    void Begin();
    void Measure();
    void End();
    void EndWriting();
    void AbortWriting() noexcept;
    void Report(uint16_t percent);

    TDataCursor& target_;
    TDataDirectory& database_;
    TChangeRunOptions options_;
    int32_t& rowsAffected_;
    int32_t interval_ = 1;
    bool measured_ = false; // the interval follows what the next commit finds held
    int32_t sinceCommit_ = 0;
    bool own_ = false;     // the run's own transaction is open
    bool writing_ = false; // the write level of RowWriting is held
    int32_t done_ = 0;
    uint32_t counter_ = 1;
    uint32_t total_ = 0;
    int32_t lastReported_ = 0;
    bool reported100_ = false;
    bool aborted_ = false;
};

} // namespace vorsam
