// TDataTable: a write that another process (or a failed write of this one) left unended, found by its
// mark on the data header (DataTable.h, "Interrupted writes"): completed from its journal when it was a
// journaled write past its commit point (CommitJournal.h), else checked, and settled by a user that
// holds the write locks.
#include "db/engine/DataTable.h"

#include "db/engine/CommitJournal.h"
#include "db/engine/TableVerify.h"

#include <array>
#include <functional>

namespace vorsam {

namespace {

// For a scope, the table's files take the journal's writes, those of a table opened read-only too.
class TJournalWrites {
public:
    explicit TJournalWrites(std::array<TTableFile*, 3> files) : files_(files) {
        for (TTableFile* file : files_) file->AllowWrites(true);
    }
    ~TJournalWrites() {
        for (TTableFile* file : files_) file->AllowWrites(false);
    }
    TJournalWrites(const TJournalWrites&) = delete;
    TJournalWrites& operator=(const TJournalWrites&) = delete;

private:
    std::array<TTableFile*, 3> files_;
};

} // namespace

// The table lock and the write locks for a recovery, taken as a write takes them (the read slots this
// process holds given up meanwhile) unless the table holds them already; Release gives back what was
// taken and takes the read slots again. Between tries of the table lock, `needed` tells whether the
// recovery is still to be done: a process that holds the table lock did it when it took the lock, and
// may hold it long (a whole-table lock), so the wait ends when the recovery is done (Held false).
class TDataTable::TRecoveryLocks {
public:
    TRecoveryLocks(TDataTable& table, const std::function<bool()>& needed) : table_(table) {
        if (table_.WritesLocked()) {
            held_ = true;
            return;
        }
        if (table_.slotsHeld_) {
            table_.ReleaseReadSlots();
            slots_ = true;
        }
        try {
            for (uint32_t tries = 1; !table_.tableLockHeld_ && !table_.dataFile_.TryLockTable(); ++tries) {
                if (!needed()) return;
                if (tries >= table_.settings_.LockTries) table_.Raise(VORSAM_LOCKTIMEOUT);
                WaitBeforeRetry(LockRetryWait);
            }
            if (!table_.tableLockHeld_) table_.tableLockHeld_ = tableLock_ = true;
            table_.TakeWriteLocks();
            writeLocks_ = held_ = true;
        } catch (...) {
            ReleaseQuietly();
            throw;
        }
    }
    ~TRecoveryLocks() { ReleaseQuietly(); }
    TRecoveryLocks(const TRecoveryLocks&) = delete;
    TRecoveryLocks& operator=(const TRecoveryLocks&) = delete;
    bool Held() const { return held_; }

    void Release() {
        bool released = !writeLocks_ || table_.ReleaseWriteLocks();
        writeLocks_ = false;
        if (tableLock_) {
            table_.tableLockHeld_ = tableLock_ = false;
            released = table_.dataFile_.UnlockTable() && released;
        }
        if (slots_) {
            slots_ = false;
            table_.TakeReadSlots();
        }
        if (!released) table_.Raise(VORSAM_UNLOCKFAILED);
    }

private:
    void ReleaseQuietly() noexcept {
        try {
            Release();
        } catch (...) {
            // what cannot be released goes with the files' handles
        }
    }

    TDataTable& table_;
    bool held_ = false;
    bool slots_ = false;
    bool tableLock_ = false;
    bool writeLocks_ = false;
};

bool TDataTable::WritesLocked() const {
    return mode_.Exclusive || writeLocksHeld_;
}

void TDataTable::ReloadHeaders() {
    NoteContentChanged();
    dataFile_.DropRecordCache();
    indexFile_.DropPages(false);
    if (HasBlobFile()) blobFile_.DropBlockCache();
    ReadHeaders();
}

// A mark on the data header that is not this process's write under way. A journaled write past its
// commit point is completed; any other is checked once for this state of the files, and refused when
// they disagree; a user that holds the write locks then settles it.
void TDataTable::CheckWriteComplete() {
    if (!dataFile_.WriteInterrupted() || writeMarked_) return;
    bool settles = WritesLocked() && !ReadOnly();
    if (acceptedCounters_ == ChangeCounters() && !settles) return;
    if (CompleteFromJournal() && !dataFile_.WriteInterrupted()) return;
    if (acceptedCounters_ != ChangeCounters()) {
        std::string problem = InconsistencyAfterInterruptedWrite();
        if (!problem.empty()) Raise(VORSAM_WRITEINTERRUPTED, problem);
        acceptedCounters_ = ChangeCounters();
    }
    if (settles) SettleInterruptedWrite();
}

// The journal that holds this table's mark, when its commit point passed: checked whole, its writes of
// this table go into the files under the write locks, unless another user completed them meanwhile.
// False when there is no such journal; one that fails its check refuses the table (CommitJournal.h).
bool TDataTable::CompleteFromJournal() {
    if (location_.InMemory) return false;
    std::array<std::string, 3> files;
    for (size_t i = 0; i < 3; ++i)
        if (Files()[i]->IsOpen()) files[i] = Files()[i]->FileName();
    std::optional<TPendingJournal> journal =
        FindPendingJournal(files, dataFile_.FileHeader(), settings_.LockTries);
    if (!journal) return false;
    if (!journal->Problem.empty()) {
        journal->File.reset();
        if (journal->Damaged) RemoveDamagedJournal(*journal);
        Raise(VORSAM_WRITEINTERRUPTED, "its journal " + journal->Path + " is refused: " + journal->Problem);
    }
    // A reader completes it as a writer would, unless this process cannot write one of the files.
    for (TTableFile* file : Files())
        if (file->IsOpen() && file->ReadOnlyAttribute())
            Raise(VORSAM_WRITEINTERRUPTED,
                  "a write of another process awaits its completion from its journal");
    auto awaits = [&](const TDataFileHeader& header) {
        return AwaitsJournal(journal->Contents, journal->Table, header.Bytes);
    };
    TRecoveryLocks locks(*this, [&] { return awaits(dataFile_.OnDiskHeader()); });
    if (locks.Held()) {
        ReloadHeaders();
        if (awaits(dataFile_.FileHeader())) {
            TJournalWrites writes(Files());
            VisitJournalWrites(*journal->File, journal->Contents, journal->Table,
                               [&](uint8_t file, uint64_t offset, const uint8_t* bytes, size_t count) {
                                   Files()[file]->ApplyWrite(offset, bytes, count);
                               });
            journal->File.reset();
            if (journal->Contents.Flags & JournalSyncedFlag) SyncFiles(true, true, HasBlobFile());
            ReloadHeaders();
            RemoveJournalIfSettled(*journal);
        }
    }
    journal->File.reset();
    locks.Release();
    // Unless this user still holds the write locks, the headers are read again under the read slots:
    // as the user who completed the journal left them, or as another user's write between the release
    // of the write locks and the slots taken again left them (the file sizes follow that write).
    if (!WritesLocked()) ReloadHeaders();
    if (!dataFile_.WriteInterrupted()) ValidateHeaders();
    return true;
}

// The first thing wrong with the files, as they are on disk, after a write that never ended; empty
// when they agree. Every cache is dropped and every header read again first.
std::string TDataTable::InconsistencyAfterInterruptedWrite() {
    // What the writer wrote before its end may be pages or blocks under headers that did not change.
    try {
        ReloadHeaders();
        ValidateHeaders();
        TVerifyReport report;
        VerifyTableFiles(*this, report);
        if (report.Ok()) VerifyCountersAfterInterruptedWrite(dataFile_, report);
        return report.Ok() ? std::string() : report.Problems.front();
    } catch (const EVORSAMEngineError& e) {
        return e.what();
    }
}

// The files agree: what an interrupted write left beyond the ends their headers give (slots, pages or
// blocks appended but never counted) is cut, and the data header written without the mark.
void TDataTable::SettleInterruptedWrite() {
    dataFile_.CutTail(dataFile_.ContentEnd());
    indexFile_.CutTail(indexFile_.ContentEnd());
    if (HasBlobFile()) blobFile_.CutTail(blobFile_.ContentEnd());
    dataFile_.ClearWriteInterrupted();
    if (settings_.ForceBufferFlush) SyncFiles(true, true, HasBlobFile());
    acceptedCounters_.reset();
}

} // namespace vorsam
