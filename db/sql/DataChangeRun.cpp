#include "db/sql/DataChangeRun.h"

#include "db/engine/DataCursor.h"
#include "db/engine/DataDirectory.h"
#include "db/engine/DataTable.h"
#include "db/engine/Record.h"
#include "db/lib/EngineErrors.h"

#include <algorithm>
#include <limits>

namespace vorsam {

uint32_t StatementCommitBytes(const TDataCursor& target) {
    return std::max<uint32_t>(target.Settings().ChangeBudget / 2, 1);
}

namespace {

int32_t RowsOf(uint64_t rows) {
    return int32_t(std::clamp<uint64_t>(rows, 1, std::numeric_limits<int32_t>::max()));
}

// The fewest rows of a measured interval: as many as changed records of the target (each record with its
// room in the cache) fit in StatementCommitBytes, or what the session's record cache holds when that is
// more: 2 x cache bytes / record size, at most the cache's record limit.
int32_t FirstInterval(const TDataCursor& target) {
    const EngineSettings& settings = target.Settings();
    uint64_t size = std::max<uint32_t>(target.GetRecordSize(), 1);
    uint64_t cached = std::min<uint64_t>(2 * uint64_t(settings.BufferSize) / size, settings.RecordCacheLimit);
    return RowsOf(std::max<uint64_t>(StatementCommitBytes(target) / (size + sizeof(TRecord)), cached));
}

} // namespace

TDataChangeRun::TDataChangeRun(TDataCursor& target, const TChangeRunOptions& options, int32_t& rowsAffected)
    : target_(target), database_(target.Directory()), options_(options), rowsAffected_(rowsAffected) {
    rowsAffected_ = 0;
}

TDataChangeRun::~TDataChangeRun() {
    AbortWriting();
    RollbackOwn();
}

// The run's own transaction, while it is open, is rolled back: no statement after the run's runs in it.
void TDataChangeRun::RollbackOwn() noexcept {
    if (!own_) return;
    own_ = false;
    if (!database_.InTransaction()) return; // a commit that failed ended it
    try {
        database_.Rollback();
    } catch (...) {
        // the transaction ended all the same; the error that left the run is the one to report
    }
}

void TDataChangeRun::Run(uint32_t total, const std::function<void(TDataChangeRun&)>& loop) {
    total_ = total;
    Begin();
    try {
        loop(*this);
    } catch (...) {
        AbortWriting();
        RollbackOwn();
        throw;
    }
    try {
        End();
    } catch (...) {
        RollbackOwn();
        throw;
    }
}

void TDataChangeRun::Begin() {
    if (database_.InTransaction()) {
        interval_ = options_.CommitIntervalGiven ? std::max(options_.CommitInterval, 1) : 0;
        return;
    }
    measured_ = !options_.CommitIntervalGiven;
    interval_ = options_.CommitIntervalGiven ? std::max(options_.CommitInterval, 1) : FirstInterval(target_);
    database_.StartTransaction();
    own_ = true;
}

void TDataChangeRun::RowRead() {
    if (total_ != 0) {
        auto percent = int32_t(std::min<uint64_t>(uint64_t(counter_) * 100 / total_, 100));
        if (percent >= int64_t(lastReported_) + options_.ProgressStep) Report(uint16_t(percent));
    }
    if (counter_ < std::numeric_limits<uint32_t>::max()) ++counter_;
}

// A measured interval has taken its fewest rows (with `more` rows counted), and its changes held and spilled
// reach its bytes.
bool TDataChangeRun::BytesReached(size_t more) const {
    if (!measured_ || uint64_t(sinceCommit_) + more < uint64_t(interval_)) return false;
    const EngineSettings& settings = target_.Settings();
    return settings.HeldChanges.Held + settings.HeldChanges.Spilled >=
           IntervalBudgets * std::max<uint64_t>(settings.ChangeBudget, 1);
}

void TDataChangeRun::RowWriting() {
    due_ = due_ || BytesReached();
    if (writing_) return;
    target_.Table().BeginWrite();
    writing_ = true;
}

void TDataChangeRun::EndWriting() {
    if (!writing_) return;
    writing_ = false;
    target_.Table().EndWrite();
}

// Under the table's whole lock an aborted write forgets nothing: the transaction's rollback, or its caller,
// decides what becomes of the rows.
void TDataChangeRun::AbortWriting() noexcept {
    if (!writing_) return;
    writing_ = false;
    try {
        target_.Table().AbortWrite();
    } catch (...) {
        // the level goes with the table; the error that ended the run is the one to report
    }
}

// A table holds fewer records than the count can tell; the count still never wraps.
void TDataChangeRun::Counted(size_t count) {
    auto room = [](int32_t value) { return size_t(std::numeric_limits<int32_t>::max() - value); };
    done_ += int32_t(std::min(count, room(done_)));
    sinceCommit_ += int32_t(std::min(count, room(sinceCommit_)));
    if (!own_) rowsAffected_ = done_;
}

void TDataChangeRun::RowWritten(bool counted) {
    if (!counted) return;
    bool commit = CommitsAtNextRow();
    Counted(1);
    if (commit) Commit();
}

bool TDataChangeRun::SetCommits(size_t count) const {
    return count > 0 &&
           (due_ || BytesReached(count) ||
            (!measured_ && interval_ > 0 && uint64_t(sinceCommit_) + count >= uint64_t(interval_)));
}

void TDataChangeRun::SetWritten(size_t count, bool failed) {
    bool commit = !failed && SetCommits(count);
    Counted(count);
    if (commit) Commit();
}

// An intermediate commit: of the run's own transaction, or with COMMIT INTERVAL of the caller's, which goes
// on.
void TDataChangeRun::Commit() {
    EndWriting();
    due_ = false;
    CommitAndCount(false);
    target_.SaveChangeCounts();
    sinceCommit_ = 0;
}

// The run's last commit; a commit refused leaves the run's transaction to RollbackOwn.
void TDataChangeRun::End() {
    EndWriting();
    if (own_) {
        CommitAndCount(true);
        own_ = false;
    }
    rowsAffected_ = done_;
    if (!reported100_) Report(100);
}

// A commit done counts the rows, also when a lock could not be let go after it (Transaction.h), which is
// then raised.
void TDataChangeRun::CommitAndCount(bool ending) {
    try {
        database_.Commit(ending, options_.CommitFlush);
    } catch (const EVORSAMEngineError& e) {
        if (e.ErrorCode != VORSAM_UNLOCKFAILED) throw;
        rowsAffected_ = done_;
        if (ending) own_ = false;
        throw;
    }
    rowsAffected_ = done_;
}

void TDataChangeRun::Report(uint16_t percent) {
    lastReported_ = percent;
    reported100_ = percent >= 100;
    if (options_.Progress) options_.Progress(percent, aborted_);
}

} // namespace vorsam
