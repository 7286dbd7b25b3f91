// TDataTable, its lock levels: read slots, the write level, the whole-table lock and record locks, the
// change check after each, and the end of a write that writes what changed.
#include "db/engine/DataTable.h"

#include "db/engine/CommitJournal.h"
#include "db/engine/TableLocks.h"
#include "db/engine/TableVerify.h"

#include <cassert>
#include <chrono>

namespace vorsam {

namespace {

// The change check of a lock level just taken; when it fails, `undo` gives the level up again.
template <typename Undo> bool CheckTakenLevel(TDataTable& table, Undo&& undo) {
    try {
        return table.CheckForChanges();
    } catch (...) {
        undo();
        throw;
    }
}

} // namespace

// ---- the locks of the files ----

bool TDataTable::NeedsReadSlots() const {
    return !mode_.Exclusive && !slotsHeld_ && !writeLocksHeld_ && wholeDepth_ == 0;
}

// A writer waiting for the slots holds the table lock and tries the write lock once per LockRetryWait:
// slots given up less than that ago wait one such turn for it (see Lock order).
void TDataTable::YieldToWaitingWriter() {
    if (tableLockHeld_) return; // no writer of another process holds it
    constexpr auto turn = LockRetryWait + std::chrono::milliseconds(1);
    if (TBatchClock::now() - slotsReleasedAt_ < turn && dataFile_.TableLockedElsewhere())
        WaitBeforeRetry(turn);
}

// Both slots or none: a blob slot not had gives the index slot back.
void TDataTable::TakeReadSlots() {
    YieldToWaitingWriter();
    if (!indexFile_.ReadLock(indexSlot_)) Raise(VORSAM_LOCKTIMEOUT);
    try {
        if (HasBlobFile() && !blobFile_.ReadLock(blobSlot_)) Raise(VORSAM_LOCKTIMEOUT);
    } catch (...) {
        indexFile_.ReadUnlock(indexSlot_); // one the system refuses to let go is tried again later
        throw;
    }
    std::lock_guard<std::mutex> guard(batchLock_);
    slotsHeld_ = true;
    slotsTakenAt_ = TBatchClock::now();
    batchOver_ = false;
    batchNoted_ = false;
}

// Also what the keeper runs on a batch it gives up (which ignores the result). Each slot is let go
// whatever became of the other: one the system refuses to let go is no longer held here, and the file
// layer tries it again at the file's next lock (FileHandler.h).
bool TDataTable::UnlockReadSlots() {
    bool released = !HasBlobFile() || blobFile_.ReadUnlock(blobSlot_);
    return indexFile_.ReadUnlock(indexSlot_) && released;
}

void TDataTable::ReleaseReadSlots() {
    if (!LetReadSlotsGo()) Raise(VORSAM_UNLOCKFAILED);
}

bool TDataTable::LetReadSlotsGo() {
    {
        std::lock_guard<std::mutex> guard(batchLock_);
        slotsHeld_ = false;
        slotsReleasedAt_ = TBatchClock::now();
    }
    return UnlockReadSlots();
}

bool TDataTable::HoldsReadSlots() const {
    std::lock_guard<std::mutex> guard(batchLock_);
    return slotsHeld_;
}

// ---- read batches ----

// Between levels only (MayKeepBatch): a batch kept becomes this thread's again, once a give-up of the
// keeper under way on it has ended.
void TDataTable::TakeBatchBack() {
    if (batchWatched_ && !batchKept_.exchange(false, std::memory_order_acquire))
        std::lock_guard<std::mutex> wait(batchLock_);
}

void TDataTable::EndReadBatch() noexcept {
    if (!MayKeepBatch()) return;
    TakeBatchBack();
    if (!slotsHeld_) return;
    try {
        ReleaseReadSlots();
    } catch (...) {
        // a slot that cannot be released is tried again at the file's next lock
    }
}

// A batch whose time is over when the next operation begins goes: that operation takes new slots.
void TDataTable::ResumeBatch() {
    TakeBatchBack();
    if (slotsHeld_ && BatchOver()) ReleaseReadSlots();
}

// At the end of the last read level: the slots stay as a batch when the level was an operation's, no
// write or whole-table lock holds the table and the batch's time is not over (the keeper says when: no
// clock is read for each operation), else they go. The keeper is told once when the slots are due.
void TDataTable::KeepOrReleaseSlots(bool keepAsBatch) {
    if (keepAsBatch && writeDepth_ == 0 && wholeDepth_ == 0 && !BatchOver() && (batchNoted_ || NoteBatch())) {
        batchKept_.store(true, std::memory_order_release);
        return;
    }
    ReleaseReadSlots();
}

bool TDataTable::NoteBatch() {
    if (!WalkReadBatchesEnabled() || WalkReadBatchTime().count() == 0) return false;
    try {
        if (!batchWatched_) WatchReadBatches(*this);
        batchWatched_ = true;
        NoteReadBatchDue(slotsTakenAt_ + WalkReadBatchTime());
    } catch (...) {
        return false; // no keeper to give the batch up: the slots go now
    }
    batchNoted_ = true;
    return true;
}

TBatchClock::time_point TDataTable::GiveUpBatch(TBatchClock::time_point now, bool all) noexcept {
    std::lock_guard<std::mutex> guard(batchLock_);
    constexpr TBatchClock::time_point none = TBatchClock::time_point::max();
    if (!slotsHeld_) return none;
    TBatchClock::time_point due = slotsTakenAt_ + WalkReadBatchTime();
    if (!all && now < due) return due;
    if (!batchKept_.exchange(false, std::memory_order_acquire)) {
        batchOver_ = true; // an operation under way: its end gives the slots up
        return none;
    }
    slotsHeld_ = false;
    slotsReleasedAt_ = now;
    try {
        UnlockReadSlots();
    } catch (...) {
        // a slot that cannot be released is tried again at the file's next lock
    }
    return none;
}

// Before the files close: the keeper lets the table go (after a give-up under way on it).
void TDataTable::StopBatches() noexcept {
    if (batchWatched_) UnwatchReadBatches(*this);
    batchWatched_ = false;
    batchKept_ = false;
}

// One try with the read slots kept; the wait that may follow is without them (see Lock order). True
// when the lock was had while this table held its read slots: no other process has written since the
// change check that their taking ran, and none can until this process lets the table lock go (every
// writer holds it, and the write locks, which a recovery takes too, only with it).
bool TDataTable::TakeTableLock() {
    if (tableLockHeld_ || mode_.Exclusive) return false;
    bool current = slotsHeld_;
    if (!dataFile_.LockTable(1)) {
        current = false;
        if (slotsHeld_) ReleaseReadSlots();
        if (!dataFile_.LockTable()) Raise(VORSAM_LOCKTIMEOUT);
    }
    tableLockHeld_ = true;
    return current;
}

bool TDataTable::ReleaseTableLockIfUnused() {
    if (!tableLockHeld_ || writeDepth_ > 0 || wholeDepth_ > 0) return true;
    tableLockHeld_ = false;
    return dataFile_.UnlockTable();
}

// The write locks of the index and blob files, each tried up to `tries` times; false, holding neither,
// when one is refused, and holding neither when one fails.
bool TDataTable::TryWriteLocks(uint32_t tries) {
    if (!indexFile_.WriteLock(tries)) return false;
    bool taken = false;
    try {
        taken = !HasBlobFile() || blobFile_.WriteLock(tries);
    } catch (...) {
        indexFile_.WriteUnlock();
        throw;
    }
    if (!taken) {
        indexFile_.WriteUnlock();
        return false;
    }
    writeLocksHeld_ = true;
    return true;
}

void TDataTable::TakeWriteLocks() {
    if (!TryWriteLocks(settings_.LockTries)) Raise(VORSAM_LOCKTIMEOUT);
}

bool TDataTable::ReleaseWriteLocks() {
    if (!writeLocksHeld_) return true;
    writeLocksHeld_ = false;
    bool released = !HasBlobFile() || blobFile_.WriteUnlock();
    return indexFile_.WriteUnlock() && released;
}

// After the last level of a write: the write locks, then the table lock unless the table is locked
// whole; then the read slots of a read level still going are taken again. After a write that ended
// well (`current`: the headers this process holds are the files'), they are taken before the table lock
// goes, so that no other process can have written in between and no change check is needed. A lock
// the system refuses to let go is no longer held here (FileHandler.h): the rest goes on, and the
// failure is raised last (VORSAM_UNLOCKFAILED), the write done.
void TDataTable::ReleaseWriteLevel(bool current) {
    bool released = ReleaseWriteLocks();
    bool retaken = false;
    if (current && tableLockHeld_ && wholeDepth_ == 0 && ReadLevelHeld() && NeedsReadSlots()) {
        try {
            TakeReadSlots();
        } catch (...) {
            ReleaseTableLockIfUnused();
            throw;
        }
        retaken = true;
    }
    released = ReleaseTableLockIfUnused() && released;
    if (!retaken) RetakeReadSlots();
    if (!released) Raise(VORSAM_UNLOCKFAILED, current ? "the write is done" : "");
}

// A read level still going gets its read slots back once no write lock or whole-table lock covers it.
void TDataTable::RetakeReadSlots() {
    if (!ReadLevelHeld() || !NeedsReadSlots()) return;
    TakeReadSlots();
    CheckForChanges();
}

// ---- the change check ----

void TDataTable::CheckNotDamaged() const {
    if (damaged_) Raise(VORSAM_WRITEINTERRUPTED, "a write of this process broke off half done");
}

bool TDataTable::CheckForChanges() {
    bool changed = false;
    if (indexFile_.CheckHeaderChanged()) {
        indexFile_.DropPages(false);
        dataFile_.ReadHeader();
        changed = true;
    } else {
        changed = dataFile_.CheckHeaderChanged();
    }
    if (changed && writeMarked_) {
        // What a failed end of a write of this process kept for its next write was overtaken by another
        // process's write: it is forgotten, pages, blocks and headers too.
        writeMarked_ = false;
        for (TTableFile* file : Files()) file->ForgetPendingTruncation();
        indexFile_.DropPages(false);
        if (HasBlobFile()) blobFile_.DropBlockCache();
        dataFile_.DropRecordCache();
        ReadHeaders();
    }
    if (changed) {
        dataFile_.DropRecordCache();
        NoteContentChanged();
    }
    if (HasBlobFile() && blobFile_.CheckHeaderChanged()) blobFile_.DropBlockCache();
    CheckWriteComplete();
    return changed;
}

// ---- read levels ----

bool TDataTable::BeginRead(TReadLevel level) {
    RequireOpen();
    CheckNotDamaged();
    if (MayKeepBatch()) ResumeBatch();
    bool take = NeedsReadSlots();
    if (take) TakeReadSlots();
    ++readDepth_[size_t(level)];
    return take && CheckTakenLevel(*this, [&] { EndRead(level); });
}

void TDataTable::EndRead(TReadLevel level, bool keepAsBatch) {
    uint32_t& depth = readDepth_[size_t(level)];
    assert(depth > 0 && "a read level ended that was not begun");
    if (depth == 0) return;
    --depth;
    if (readDepth_[0] == 0 && readDepth_[1] == 0 && slotsHeld_) KeepOrReleaseSlots(keepAsBatch);
}

// ---- the write level ----

bool TDataTable::BeginWrite() {
    RequireOpen();
    if (ReadOnly()) Raise(VORSAM_OSEACCES);
    CheckNotDamaged();
    if (MayKeepBatch()) TakeBatchBack();
    // The first write inside a transaction of the database locks the table whole for it.
    bool changed = writeDepth_ == 0 && JoinOpenTransaction();
    // Inside a write, in a table open exclusively and while the table is locked whole (its changes stay
    // in the caches, where no other process reads them), there is nothing to take.
    if (writeDepth_ > 0 || mode_.Exclusive || wholeDepth_ > 0) {
        ++writeDepth_;
        return changed;
    }
    bool current = false;
    try {
        current = TakeTableLock();
        // The write lock covers the slots, and takes over one the system refused to let go.
        if (slotsHeld_) LetReadSlotsGo();
        TakeWriteLocks();
    } catch (...) {
        ReleaseTableLockIfUnused();
        RetakeReadSlots();
        throw;
    }
    writeDepth_ = 1;
    return changed || (!current && CheckTakenLevel(*this, [&] {
               writeDepth_ = 0;
               ReleaseWriteLevel();
           }));
}

void TDataTable::EndWrite() {
    assert(writeDepth_ > 0 && "a write ended that was not begun");
    if (writeDepth_ > 1) {
        --writeDepth_;
        return;
    }
    try {
        if (wholeDepth_ == 0) WriteChanges();
    } catch (...) {
        // What was not written stays in the caches for the next write; the locks go.
        writeDepth_ = 0;
        try {
            ReleaseWriteLevel();
        } catch (...) {
            // the write's own error is the one to report
        }
        throw;
    }
    writeDepth_ = 0;
    ReleaseWriteLevel(true);
}

void TDataTable::AbortWrite() {
    if (writeDepth_ == 0 || --writeDepth_ > 0) return;
    // The error that ended the write is the one to report. Headers that cannot be read back leave the
    // table damaged; a lock the system refuses to let go is tried again at the file's next lock.
    try {
        if (wholeDepth_ == 0) ForgetChanges();
    } catch (...) {
    }
    try {
        ReleaseWriteLevel();
    } catch (...) {
    }
}

void TDataTable::BeforeWrite() {
    if (creating_ || !dataFile_.IsOpen()) return;
    // What is kept under a whole-table lock may be a transaction's: it reaches the files only when the
    // lock ends or a commit writes it, never half-way.
    if (wholeDepth_ > 0 && !committing_)
        Raise(VORSAM_NOTSUPPORTED, "a write to the files while the table is locked whole");
    if (writeMarked_) return;
    writeMarked_ = true;
    runsAtMark_ = {dataFile_.CacheStatistics().WriteRuns, indexFile_.Stats().WriteRuns,
                   HasBlobFile() ? blobFile_.CacheStatistics().WriteRuns : 0};
    dataFile_.WriteHeaderInProgress();
    if (SyncWanted()) dataFile_.FlushBuffers();
}

// Writes the changes in the order that lets a broken-off write be detected: the mark, the content, the
// blob and index headers and descriptors, the data header without the mark.
void TDataTable::WriteChanges() {
    if (writeMarked_ || HasUnwrittenChanges()) {
        if (endingWholeLock_ && !location_.InMemory) {
            TDataTable* self = this;
            TCommitJournal::WriteTables({&self, 1}, false);
        } else {
            BeforeWrite();
            WriteContent();
            WriteDataHeader();
        }
    }
    TrimCaches();
}

// After the mark: truncations, blocks, records and pages, then the headers of the blob and index files
// and the descriptors.
void TDataTable::WriteContent() {
    bool sync = SyncWanted();
    bool blobs = HasBlobFile();
    for (TTableFile* file : Files()) file->WritePendingTruncation();
    // An interrupted write that was accepted but never settled ends with this one: what it appended
    // beyond the ends the headers now give goes first, so that no file outlasts its header's count.
    if (dataFile_.WriteInterrupted()) CutTails();
    if (blobs) blobFile_.FlushBlocks();
    dataFile_.FlushRecords();
    indexFile_.FlushPages(false);
    indexFile_.FlushPages(true);
    if (blobs && !blobFile_.FreedBlocks().empty()) {
        // The blocks of replaced and deleted blobs are freed only once the records no longer name them.
        if (sync) SyncFiles(true, true, true);
        blobFile_.ReleaseFreedBlocks();
        blobFile_.FlushBlocks();
    }
    if (sync) SyncFiles(true, true, blobs);
    // A file whose content was written gets a new header, so that other processes drop what they
    // cached of it.
    bool blobWritten =
        blobs && (blobFile_.HeaderChanged() || blobFile_.CacheStatistics().WriteRuns != runsAtMark_[2]);
    bool indexWritten = indexFile_.HeaderChanged() || indexFile_.Stats().WriteRuns != runsAtMark_[1];
    if (blobWritten) blobFile_.WriteHeader(true);
    if (indexWritten) indexFile_.WriteHeader(true);
    bool descriptorsWritten = dataFile_.WriteFieldDescriptors();
    if (sync) SyncFiles(descriptorsWritten, indexWritten, blobWritten);
}

// The data header without the mark: the write is complete.
void TDataTable::WriteDataHeader() {
    dataFile_.WriteHeader(true);
    if (SyncWanted()) SyncFiles(true, false, false);
    writeMarked_ = false;
}

void TDataTable::SyncFiles(bool data, bool index, bool blob) {
    if (data) dataFile_.FlushBuffers();
    if (index) indexFile_.FlushBuffers();
    if (blob && HasBlobFile()) blobFile_.FlushBuffers();
}

void TDataTable::TrimCaches() {
    dataFile_.TrimRecordCache();
    indexFile_.TrimPageCache();
    if (HasBlobFile()) blobFile_.TrimBlockCache();
}

// Drops every cached change and reads the headers again, with the checks of an open. When a part of the
// write had already reached the files, the data header read back carries the write's mark: the files
// are then settled as after any interrupted write (DataTableRecovery.cpp), and the table counts as
// damaged when they fail, as it does when a header cannot be read again or fails its checks.
void TDataTable::ForgetChanges() {
    // Damaged until the headers are read again: a header copy that is not the file's is never written.
    damaged_ = true;
    for (TTableFile* file : Files()) file->ForgetPendingTruncation();
    ReloadHeaders();
    writeMarked_ = false;
    if (dataFile_.WriteInterrupted()) {
        try {
            CheckWriteComplete();
        } catch (const EVORSAMEngineError&) {
            return;
        }
    } else {
        ValidateHeaders();
    }
    damaged_ = false;
}

void TDataTable::DiscardBuffers() {
    TTableRead read(*this);
    ForgetChanges();
}

// ---- the whole table ----

bool TDataTable::LockTable() {
    RequireOpen();
    CheckNotDamaged();
    if (MayKeepBatch()) TakeBatchBack();
    if (wholeDepth_ > 0 || mode_.Exclusive) {
        ++wholeDepth_;
        return false;
    }
    bool heldByWrite = tableLockHeld_;
    try {
        TakeTableLock();
    } catch (...) {
        RetakeReadSlots();
        throw;
    }
    wholeDepth_ = 1;
    // Inside a write, the write's change check has run.
    return !heldByWrite && CheckTakenLevel(*this, [&] {
        wholeDepth_ = 0;
        ReleaseTableLockIfUnused();
    });
}

// One level of the whole-table lock ends without writing anything; the last gives up the table lock
// (unless a write holds it) and lets a read level still going take its read slots again.
void TDataTable::ReleaseWholeLevel() {
    --wholeDepth_;
    bool released = ReleaseTableLockIfUnused();
    RetakeReadSlots();
    if (!released) Raise(VORSAM_UNLOCKFAILED);
}

void TDataTable::UnlockTable() {
    assert(wholeDepth_ > 0 && "an unlock of the table that was not locked");
    // The first level of a table in a transaction is the transaction's: only its end releases it.
    if (inTransaction_ && wholeDepth_ == 1)
        Raise(VORSAM_UNLOCKFAILED, "the table's lock belongs to a transaction");
    if (wholeDepth_ > 1 || writeDepth_ > 0 || ReadOnly()) {
        // An enclosing write writes the changes at its end (a read-only table has none).
        ReleaseWholeLevel();
        return;
    }
    // The changes kept while the table was locked whole are written now, under the write locks, as one
    // journaled write.
    if (!mode_.Exclusive) {
        if (slotsHeld_) LetReadSlotsGo(); // as in BeginWrite
        try {
            TakeWriteLocks();
        } catch (...) {
            RetakeReadSlots();
            throw;
        }
    }
    writeDepth_ = 1;
    wholeDepth_ = 0;
    endingWholeLock_ = true;
    try {
        EndWrite();
    } catch (...) {
        endingWholeLock_ = false;
        throw;
    }
    endingWholeLock_ = false;
}

// ---- records ----

// Inside a transaction of the database the table joins it first (see Lock order).
bool TDataTable::JoinBeforeRecordLock() {
    return !ReadOnly() && writeDepth_ == 0 && JoinOpenTransaction();
}

bool TDataTable::LockRecord(uint32_t number) {
    RequireOpen();
    if (number == 0 || number > MaxRecordNumber) Raise(VORSAM_RECLOCKFAILED);
    bool changed = JoinBeforeRecordLock();
    bool level = !settings_.StrictChangeDetection;
    for (uint32_t failures = 0;;) {
        if (level) changed = BeginRead(TReadLevel::Second) || changed;
        if (LockRecordOnce(number, level)) return changed;
        if (level) EndRead(TReadLevel::Second);
        if (++failures > settings_.LockRetryCount) Raise(VORSAM_RECLOCKFAILED);
        WaitBeforeRetry(std::chrono::milliseconds(settings_.LockWaitTime));
    }
}

void TDataTable::UnlockRecord(uint32_t number) {
    if (!dataFile_.UnlockRecord(number)) Raise(VORSAM_UNLOCKFAILED);
}

bool TDataTable::TryLockRecordRun(uint32_t first, uint32_t count) {
    RequireOpen();
    if (first == 0 || count == 0 || first > MaxRecordNumber || count > MaxRecordNumber - first + 1)
        return false;
    JoinBeforeRecordLock();
    bool level = !settings_.StrictChangeDetection;
    if (level) BeginRead(TReadLevel::Second);
    bool locked = false;
    try {
        locked = dataFile_.LockRecordRun(first, count);
    } catch (...) {
        if (level) EndRead(TReadLevel::Second);
        throw;
    }
    if (!locked && level) EndRead(TReadLevel::Second);
    return locked;
}

// One try at the record's lock; a try that fails (not refused) gives the second read level up.
bool TDataTable::LockRecordOnce(uint32_t number, bool level) {
    try {
        return dataFile_.LockRecord(number);
    } catch (...) {
        if (level) EndRead(TReadLevel::Second);
        throw;
    }
}

void TDataTable::UnlockRecordRun(uint32_t first, uint32_t count) {
    if (!dataFile_.UnlockRecordRun(first, count)) Raise(VORSAM_UNLOCKFAILED);
}

} // namespace vorsam
