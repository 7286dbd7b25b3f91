// TDataTable: a write that another process (or a failed write of this one) left unended, found by its
// mark on the data header (DataTable.h, "Interrupted writes"): completed from its journal when it was a
// journaled write past its commit point (CommitJournal.h), else checked, and settled by a user that
// holds the write locks.
#include "db/engine/DataTable.h"

#include "db/engine/CommitJournal.h"
#include "db/engine/TableVerify.h"

#include <array>
#include <cerrno>
#include <cstdint>
#include <filesystem>
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
            // a lock the system refuses to let go is tried again at the file's next lock
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
    std::optional<TPendingJournal> journal = PendingJournal();
    if (!journal) return false;
    if (!journal->Problem.empty()) {
        journal->File.reset();
        if (journal->Damaged) RemoveDamagedJournal(*journal);
        Raise(VORSAM_WRITEINTERRUPTED, "its journal " + journal->Path + " is refused: " + journal->Problem);
    }
    // A reader completes it as a writer would, unless this process cannot write one of the files.
    for (TTableFile* file : Files())
        if (file->IsOpen() && file->ReadOnlyAttribute())
            RaiseAbout(VORSAM_OSEACCES, file->FileName(),
                       "the commit of the journal " + journal->Path + " awaits its completion in the file",
                       EACCES);
    ApplyJournal(*journal);
    if (!dataFile_.WriteInterrupted()) ValidateHeaders();
    return true;
}

std::optional<TPendingJournal> TDataTable::PendingJournal() {
    if (location_.InMemory) return std::nullopt;
    std::array<std::string, 3> files;
    for (size_t i = 0; i < 3; ++i)
        if (Files()[i]->IsOpen()) files[i] = Files()[i]->FileName();
    return FindPendingJournal(files, dataFile_.FileHeader(), settings_.LockTries);
}

void TDataTable::ApplyJournal(TPendingJournal& journal) {
    auto awaits = [&](const TDataFileHeader& header) {
        return AwaitsJournal(journal.Contents, journal.Table, header.Bytes);
    };
    TRecoveryLocks locks(*this, [&] { return awaits(dataFile_.OnDiskHeader()); });
    if (locks.Held()) {
        ReloadHeaders();
        if (awaits(dataFile_.FileHeader())) {
            TJournalWrites writes(Files());
            VisitJournalWrites(*journal.File, journal.Contents, journal.Table,
                               [&](uint8_t file, uint64_t offset, const uint8_t* bytes, size_t count) {
                                   Files()[file]->ApplyWrite(offset, bytes, count);
                               });
            journal.File.reset();
            if (journal.Contents.Flags & JournalSyncedFlag) SyncFiles(true, true, HasBlobFile());
            ReloadHeaders();
            RemoveJournalIfSettled(journal);
        }
    }
    journal.File.reset();
    locks.Release();
    // Unless this user still holds the write locks, the headers are read again under the read slots:
    // as the user who completed the journal left them, or as another user's write between the release
    // of the write locks and the slots taken again left them (the file sizes follow that write).
    if (!WritesLocked()) ReloadHeaders();
}

// Before a repair (the table open exclusively, its headers read): the commit that it awaits is completed
// first. One refused as damaged was never made (its copy goes, and the repair mends the table as after
// any interrupted write); one whose commit point cannot be told, or that another journal contradicts,
// refuses the repair and says why.
void TDataTable::CompleteOwnCommit() {
    if (!dataFile_.WriteInterrupted()) return;
    std::optional<TPendingJournal> journal = PendingJournal();
    if (!journal) return;
    if (!journal->GoneCopy.empty())
        RaiseAbout(VORSAM_OSENOENT, journal->GoneCopy,
                   "a commit of the table in the journal " + journal->Path +
                       " cannot be told made or not without that copy");
    if (!journal->Problem.empty()) {
        journal->File.reset();
        if (!journal->Damaged)
            Raise(VORSAM_WRITEINTERRUPTED,
                  "its journal " + journal->Path + " is refused: " + journal->Problem);
        RemoveDamagedJournal(*journal);
        return;
    }
    ApplyJournal(*journal);
}

void TDataTable::CompleteCommitsNamingIt(bool settled) {
    if (location_.InMemory) return;
    const std::string data = dataFile_.IsOpen() ? dataFile_.FileName() : FileName(".DAT");
    for (const TAwaitingCommit& commit : CommitsAwaitingBeside(data, settings_.LockTries)) {
        if (!commit.GoneCopy.empty())
            RaiseAbout(VORSAM_OSENOENT, commit.GoneCopy,
                       "a commit of the journal " + commit.Path + " that names the table " + TableName() +
                           " cannot be told made or not without that copy");
        for (size_t table : commit.Awaiting) CompleteAwaitingTable(commit, table);
        RemoveJournalIfSettled(commit, settled ? commit.Table : SIZE_MAX);
    }
}

// The other table in place `index` of the commit, completed from its journal by an open of its own.
void TDataTable::CompleteAwaitingTable(const TAwaitingCommit& commit, size_t index) const {
    const std::array<std::string, 3>& files = commit.Contents.Tables[index].Files;
    const std::filesystem::path data(files[0]);
    TDataTable other(settings_, {data.parent_path().string(), data.stem().string(), false, ""});
    other.NameFilesBy([&files, data](std::string_view extension) {
        constexpr std::string_view roles[] = {".DAT", ".IDX", ".BLB"};
        for (size_t role = 0; role < 3; ++role)
            if (extension == roles[role] && !files[role].empty()) return files[role];
        return (data.parent_path() / (data.stem().string() + std::string(extension))).string();
    });
    try {
        other.Open();
        other.Close();
    } catch (const EVORSAMEngineError& e) {
        TErrorContext context = e.Context();
        context.ExtraText = "the commit of the journal " + commit.Path +
                            " awaits this table before the table " + TableName() + " is changed" +
                            (e.ErrorMessage.empty() ? "" : ": " + e.ErrorMessage);
        RaiseEngineError(e.ErrorCode, context);
    }
}

void TDataTable::RaiseAbout(uint16_t code, const std::string& file, const std::string& extraText,
                            int osError) const {
    TErrorContext context;
    context.Table = file;
    context.Database = DatabaseName();
    context.ExtraText = extraText;
    context.OSErrorCode = osError;
    RaiseEngineError(code, context);
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
        if (!IsDamage(e)) throw; // what cannot be read is refused as that, not as damage
        return e.what();
    }
}

void TDataTable::CutTails() {
    dataFile_.CutTail(dataFile_.ContentEnd());
    indexFile_.CutTail(indexFile_.ContentEnd());
    if (HasBlobFile()) blobFile_.CutTail(blobFile_.ContentEnd());
}

// The files agree: what an interrupted write left beyond the ends their headers give (slots, pages or
// blocks appended but never counted) is cut, and the data header written without the mark.
void TDataTable::SettleInterruptedWrite() {
    CutTails();
    dataFile_.ClearWriteInterrupted();
    if (settings_.ForceBufferFlush) SyncFiles(true, true, HasBlobFile());
    acceptedCounters_.reset();
}

} // namespace vorsam
