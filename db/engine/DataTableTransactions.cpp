// TDataTable, its side of a transaction (Transaction.h): joining at the first write, the steps of a
// commit, and leaving at the end.
#include "db/engine/DataTable.h"

#include <exception>

namespace vorsam {

bool TDataTable::JoinOpenTransaction() {
    if (inTransaction_ || database_ == nullptr || !database_->InTransaction()) return false;
    return database_->JoinTransaction(*this);
}

// Locks the table whole for the transaction and holds a use of it until the transaction ends; returns
// what the lock's change check found.
bool TDataTable::EnterTransaction() {
    bool changed = LockTable();
    ++useCount_;
    inTransaction_ = true;
    return changed;
}

// With `discard`, the changes kept for the transaction are forgotten first (the headers read again).
// The table then gives up the transaction's lock level and use; the last use closes it.
void TDataTable::LeaveTransaction(bool discard) {
    inTransaction_ = false;
    std::exception_ptr error;
    auto step = [&](auto&& action) {
        try {
            action();
        } catch (...) {
            if (!error) error = std::current_exception();
        }
    };
    if (discard) step([&] { ForgetChanges(); }); // a failure leaves the table damaged: nothing is written
    step([&] { ReleaseWholeLevel(); });
    step([&] { Close(); });
    if (error) std::rethrow_exception(error);
}

bool TDataTable::HasTransactionChanges() {
    return writeMarked_ || HasUnwrittenChanges();
}

// One try at the write locks (the table lock is held since the table joined); false when refused.
bool TDataTable::TryLockForCommit() {
    if (mode_.Exclusive || writeLocksHeld_) return true;
    // The write lock covers the slots, and takes over one the system refuses to let go.
    if (slotsHeld_) LetReadSlotsGo();
    commitLocked_ = TryWriteLocks(1);
    return commitLocked_;
}

bool TDataTable::UnlockAfterCommit() noexcept {
    if (!commitLocked_) return true;
    commitLocked_ = false;
    try {
        return ReleaseWriteLocks();
    } catch (...) {
        return false;
    }
}

// The mark: what follows is written by WriteContent and WriteDataHeader, gathered by the commit's
// journal (CommitJournal.h).
void TDataTable::BeginCommit(bool flush) {
    committing_ = true;
    commitSync_ = flush;
    BeforeWrite();
}

void TDataTable::EndJournaledWrite(bool failed) noexcept {
    committing_ = commitSync_ = false;
    if (!failed) return;
    try {
        ForgetChanges();
    } catch (...) {
        // the table counts as damaged
    }
}

bool TDataTable::EndCommit(bool trim) noexcept {
    committing_ = commitSync_ = false;
    bool released = UnlockAfterCommit();
    try {
        if (trim) TrimCaches();
    } catch (...) {
        // a trim that fails is retried at the next write
    }
    return released;
}

} // namespace vorsam
