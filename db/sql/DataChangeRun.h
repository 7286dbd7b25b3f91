// The frame of one run of a data change that works row by row (INSERT ... SELECT, UPDATE, DELETE): its
// transaction, the intermediate commits, progress with abort, and the row count it reports.
//
// Transaction. When the target's database is already in a transaction (the caller's), the run changes
// rows inside it and never commits or rolls back. Otherwise the run starts one of its own, commits it every
// `CommitInterval` rows (the transaction goes on; the cursor then takes the committed state as its own, so
// that its writes are not taken for another user's) and ends it with a last commit, also after an abort;
// an exception leaving the row loop rolls it back (rows committed at earlier intervals stay committed), and
// so does a commit that is refused (a lock not had, a write that failed): the run's transaction never
// outlives it. A commit done whose lock could not be let go after it (Transaction.h) counts its rows, and
// its error is raised.
// Without a COMMIT INTERVAL the interval follows what the rows really change: the records a transaction
// changes and the index pages they dirty stay in memory until its commit (past the session's budget of
// changes, in spill files, which stay open from one interval to the next), and a commit writes each of
// them once, twice with its journal, however many rows changed it: an interval of rows whose keys are
// spread over an index writes nearly every leaf of it, so that fewer, longer intervals cost less. An
// interval takes at least as many rows as changed records (with their room in the cache) fill half the
// budget (StatementCommitBytes), however small the session's record cache, or what the session's cache
// holds when that is more (2 x cache bytes / record size, at most the cache's record limit); it ends at
// the first row after that at which the changes held and spilled (the session's TChangeBytes) reach
// IntervalBudgets times the budget, so that a commit's journal and spill files stay within that many bytes
// on disk. Intermediate commits keep the caches as they grew (the statement's end gives them back).
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

// The bytes of changed records (with their room in the cache) of the shortest interval of a statement's own
// transaction without COMMIT INTERVAL: half the session's budget of changes (TBufferSizes::ChangeBudget).
uint32_t StatementCommitBytes(const TDataCursor& target);
// Such an interval ends once the changes held and spilled reach this many times the budget.
inline constexpr uint64_t IntervalBudgets = 64;

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
    // Before a row, or a set of rows, is written: the write level of the rows up to the next commit; and
    // whether the interval's changes reached its bytes, which ends it with the row (or set) to come.
    void RowWriting();
    // A row was written; `counted` adds it to the count. Then the commit rule, as decided before the row
    // (CommitsAtNextRow): the caller may hold records until then.
    void RowWritten(bool counted = true);
    // A set of `count` rows was written, each counted, holding nothing: the commit rule, the interval's
    // bytes looked at now. A set that failed part-way (`failed`) counts the rows it wrote and commits
    // nothing: its changes may be half made, and go with the run's rollback.
    void SetWritten(size_t count, bool failed = false);
    // SetWritten(count) commits.
    bool SetCommits(size_t count) const;
    // The next row written (and counted) ends with a commit.
    bool CommitsAtNextRow() const {
        return due_ || (!measured_ && interval_ > 0 && sinceCommit_ + 1 >= interval_);
    }
    // The rows still to be written (and counted) up to the next commit, that one included: at least 1; the
    // largest size_t when no count of rows decides it (the caller's transaction without COMMIT INTERVAL, or
    // an interval that its bytes end), which a caller takes as a limit and never adds to.
    size_t RowsBeforeCommit() const {
        if (due_) return 1;
        return interval_ > 0 && !measured_ ? size_t(std::max(interval_ - sinceCommit_, 1))
                                           : std::numeric_limits<size_t>::max();
    }
    bool Aborted() const { return aborted_; }
    int32_t Done() const { return done_; }
    int32_t CommitInterval() const { return interval_; }
    // The intervals are the run's own, ended by their bytes (no COMMIT INTERVAL).
    bool Measured() const { return measured_; }
    bool OwnTransaction() const { return own_; }

private:
    void Begin();
    bool BytesReached(size_t more = 0) const;
    void Counted(size_t count);
    void Commit();
    void CommitAndCount(bool ending);
    void End();
    void RollbackOwn() noexcept;
    void EndWriting();
    void AbortWriting() noexcept;
    void Report(uint16_t percent);

    TDataCursor& target_;
    TDataDirectory& database_;
    TChangeRunOptions options_;
    int32_t& rowsAffected_;
    int32_t interval_ = 1;  // rows: those of COMMIT INTERVAL, or the fewest of a measured interval
    bool measured_ = false; // the interval's bytes end it (above)
    bool due_ = false;      // the measured interval ends with the next row or set written
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
