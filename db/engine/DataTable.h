// TDataTable: the shared table. A process has one per table per database, used by every cursor on the
// table (a use count); it owns the table's three files (data ".DAT", index ".IDX", and blob ".BLB" when
// the table has BLOB fields), takes the locks through which processes share them (TableLocks.h),
// notices other processes' writes through the files' change counters, and writes what changed at the
// end of each write. Tables of the in-memory database use the same code on in-memory files.
//
// Opening: a restructure's swap of the table that a crash cut short is settled first (RestructureSwap.h,
// also by Create, Delete and Exists). The first Open opens the files and, holding a read level, reads
// every header again and validates them against each other (DataFileValidation.h, IndexDefinition.h,
// BlobFile.h); a further Open only counts a use. An exclusive open admits no other user (VORSAM_FILEINUSE:
// the file layer also refuses other processes); a table opened read-only that a user who writes opens
// too is read-write from then on (its files are open for writing whenever the folder allows), every cursor
// keeping to its own mode.
// Close ends a use; the last writes whatever is unwritten and closes the files.
//
// Kept open: a table of a database on disk that its directory holds (KeepOpenBetweenUses; not open
// exclusively, not in a transaction, not damaged, not a working table) keeps its files open when its last use
// ends, idle (FileList.h): it holds no lock at all meanwhile, not even the open-mode lock once its short
// grace is over (FileList.h, Open-mode grace: an exclusive open elsewhere waits that long), so another
// process may open it exclusively, restructure, repair, rename or delete it as if it were closed; its read
// batch is given up. A use that resumes it within the grace finds its files' open-mode locks as they were:
// no lock to take, no look for a restructure's swap; only their names are looked at (one stat each: a
// plain rename by any process may have put other files in their place), unless the folder's trusted stamp
// is the one with which they were last found (TTableOpenMode::Folder, FolderStamp.h). It keeps what it
// learned: the files' names (their case found), that the folder was cleared of stray working files, its
// headers and caches. The next Open that is not exclusive resumes it (read-only or not, as it asks): every
// file gets its open-mode lock back and must still be the file its name gives, no swap record may lie beside
// it, and the data header on disk must be the one this process knows (every write ends with a new one); when
// it is not, a read level runs the change check (which drops what another process's writes made stale and
// completes an interrupted write from its journal), after which it must be. When any of that fails the files
// are closed and the table opened afresh. Create, Delete, Repair and an exclusive Open close a kept table's
// files first.
//
// Lock levels. Calls of one level nest: its locks are taken at the first and released at the last. Every
// level but record runs the change check (below) once it has its locks. A table open exclusively takes
// none (no other process can have it open).
//
//   level    locks
//   read 1   one pair of read slots for both read levels: one in the index file and, with BLOB fields,
//   read 2   one in the blob file. Level 1 is for runs of reads, level 2 for record locks and a cursor's
//            change check.
//   write    the table lock (data file), then the write locks (index file, blob file)
//   whole    the table lock: other writers wait, readers do not
//   record   the record's lock byte, inside read level 2 unless the session's StrictChangeDetection is on
//
//   - Read slots: taken when a read level begins while the table holds none, no write locks and no whole
//     lock; released when both read levels have ended, or kept as a read batch (ReadBatches.h) when the
//     last to end was a cursor operation's. Read-only files are locked alike (shared locks), so no reader
//     sees another process's write half done.
//   - A write gives up this process's read slots (its locks cover them) and takes them back at its end,
//     as the end of a whole lock during a read level does; its end writes what changed (below) and
//     releases the locks in reverse order. A table opened read-only or with read-only files refuses to
//     write (VORSAM_OSEACCES). Every writer, and whoever takes the write locks, holds the table lock: a
//     table lock had at the first try while the read slots (whose taking ran the change check) were still
//     held needs no change check after the write locks, and a write that ended well takes the slots of a
//     read level still going back before it lets the table lock go, with no change check either.
//   - Under a whole lock, writes take no locks and their ends write nothing: the changes stay in the
//     caches (which grow up to the session's budget of changes, past which changed records and pages wait
//     in spill files, SpillFile.h), unseen by other processes, until UnlockTable writes them under the
//     write locks or DiscardBuffers forgets them.
//   - Record: in a transaction the table joins it first (rule 2). A refused try releases read level 2 and
//     is repeated after LockWaitTime ms, up to LockRetryCount times, then VORSAM_RECLOCKFAILED (at once
//     for record 0 or above 200,000,000); after success read level 2 stays held until the caller ends it.
//     A run of consecutive records may take one try at all their bytes (a run of writes to each); when
//     that is refused, the caller locks each record.
//
// Lock order: table lock, record locks, read slots, write locks. No process waits for a lock of a table
// while it holds a later one of that table, so no two wait for each other: the table lock's holder (a
// writer, a whole lock, a transaction) waits only for read slots, whose holders wait for nothing it
// holds. So:
//   1. The table lock is tried once keeping the read slots; a wait for it (BeginWrite, LockTable) is
//      without them, and the change check after it sees what was written meanwhile.
//   2. In a transaction of the database, locking a record (LockRecord, TryLockRecordRun) first makes the
//      table join it: the record is read under the transaction's table lock, after every other
//      transaction that changed it has committed, so that no update is lost.
//   3. A record lock is waited for without read slots; the write locks with the table lock held (a commit
//      takes those of all its tables at once or none).
//   4. A writer retries the write lock every few milliseconds; read slots given up (a walk's end, a read
//      batch's time over) less than a retry ago are taken again, while another process holds the table
//      lock, only after that retry (LockRetryWait and a millisecond): a walk keeps no writer waiting
//      beyond its batch.
//   5. A record lock taken outside a transaction before the table lock (an edit, then its write) can meet
//      a transaction that holds the table lock and waits for that record: the transaction's record lock
//      gives up after its retries (VORSAM_RECLOCKFAILED), and the edit's write goes on once it ends.
//   6. Across tables, every read batch of the process goes before it waits for any lock (ReadBatches.h);
//      a read level held (BeginRead) on one table while waiting for another's table lock stays, and can
//      keep another process's commit over both tables waiting until one side's lock times out.
//
// Failures: VORSAM_LOCKTIMEOUT (a lock not had within the session's LockTries tries), VORSAM_UNLOCKFAILED
// (a lock that cannot be released), VORSAM_RECLOCKFAILED.
//
// Change check (after each lock level is taken): when the index file's counter changed, its cached pages
// are dropped and the data header is read again, and the table counts as changed; otherwise, when the
// data file's counter changed, the table counts as changed. A changed table drops its record cache.
// Apart from that, a changed blob-file counter drops the block cache. The result says whether the
// table changed.
//
// Interrupted writes. A data header read with its write-in-progress mark (DataFileHeader.h +126) that
// is not this process's own write under way means that a writer died in the middle of a write (or
// failed in it). When a journal holds that mark for the table (CommitJournal.h: a journaled write past
// its commit point), the write is completed from it, under the table's write locks, before anything is
// read (the headers read again once the read slots are back: a write of another user may come between).
// A table opened read-only completes it too, through its own handles, once it holds those locks
// (its read slots given up meanwhile, as for any user); only when a file cannot be written by this
// process (its permissions, a read-only medium) is the table refused (VORSAM_OSEACCES, naming the
// file). Otherwise the files may disagree: every cache is dropped, every header read again, and the
// files are checked as the table check does (TableVerify.h: header against file sizes, free chain,
// every index against the active records, every blob chain). A table that passes is used as it is (once per
// state of the files: the check is not repeated until a change counter moves); the first user that holds the
// write locks (a write, or an exclusive open) then settles it: what the files hold beyond the ends their
// headers give (slots, pages or blocks appended but never counted) is cut, and the data header written
// without the mark; a write that ends the mark without having settled it (one whose lock needed no change
// check, a journaled write) cuts the same before its content, so that no file ends longer than its header
// counts. A table that fails is refused with VORSAM_WRITEINTERRUPTED at the open or lock, until Repair
// mends it.
//
// End of a write: when anything is to be written, the data header is first written with its
// write-in-progress mark; then the blob blocks, records and index pages; then the blocks of the blobs
// that were replaced or deleted join the free chain (BlobFile.h: only now that no record written names
// them); then the blob header, the index header and the descriptors; last the data header without the
// mark. Every file whose content was written gets a new header, so that other processes notice. With
// ForceBufferFlush, each file's writes are followed by a data sync before the next step. The end of a
// whole-table lock writes the same as one journaled write (CommitJournal.h), all or nothing. Then the caches
// are trimmed to their limits. A write that ends by an error (AbortWrite, at its outermost level; inside an
// enclosing write, that write decides) forgets what it changed in the caches and reads the headers again;
// when some of it had already reached the files, the mark stays and the files are checked as above: a table
// that fails counts as damaged (VORSAM_WRITEINTERRUPTED at every lock). An end of a write that fails keeps
// what it could not write in the caches: the next write of this process writes it and completes the table,
// unless another process wrote the table meanwhile (its changes then stand, and what was kept goes). A
// journaled write that fails forgets its changes instead (CommitJournal.h).
//
// Transactions (Transaction.h): a table made for a database (TDataDirectory) asks it, at the start of
// each outermost write, whether a transaction is open; the table's first write inside one makes it
// join: it locks itself whole and holds a use of itself until the transaction ends. Its changes then
// stay in the caches (as under any whole-table lock) until the transaction writes them at a commit (one
// journaled write of all its tables) or forgets them at a rollback. While a table is locked whole, no change
// may reach its files before the lock ends or a commit writes it: a write that would is refused with
// VORSAM_NOTSUPPORTED (sorting in place, which writes the record area directly, is one). A table that goes
// away during a transaction leaves it, its changes forgotten.
//
// Records: AppendRecord, ModifyRecord and DeleteRecord keep every index in step (the primary one unless
// the table is in record order, and each secondary one). Every new record gets a fresh +5 value (the
// next auto-increment value) unless the caller keeps its own, so the keys of a non-unique index, which
// end with it, are distinct. A unique index that already holds the key refuses the record with
// VORSAM_KEYVIOL before anything changes. Deleting a record frees the chains of its BLOB values.
//
// Content version: a number that changes whenever what the table holds may have changed under a
// cursor: a record appended, modified or deleted (by any cursor of the process), the table emptied,
// sorted or its indexes rebuilt, a write that was undone, or a change check that found another
// process's write. A cursor that remembers the version of its place in an index knows that place is
// still good while the version is the same, and finds its record again by key otherwise.
//
// A directory (DataDirectory.h) keeps one TDataTable per table as its shared table; the location then
// names the files by the directory's rules.
#pragma once

#include "db/engine/BlobFile.h"
#include "db/engine/DataDirectory.h"
#include "db/engine/DataFile.h"
#include "db/engine/IndexFile.h"
#include "db/engine/IndexKeys.h"
#include "db/engine/PendingKeys.h"
#include "db/engine/ReadBatches.h"
#include "db/engine/TableDefinition.h"
#include "db/engine/TableFileOwner.h"

#include <array>
#include <atomic>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace vorsam {

struct TAwaitingCommit;
struct TMadeShape;
struct TPendingJournal;

struct TTableLocation {
    std::string Directory;    // the table's folder; empty for the current one
    std::string Name;         // the table's name, with or without ".DAT"
    bool InMemory = false;    // a table of the in-memory database
    std::string DatabaseName; // the database's name, for the error context of in-memory tables
};

// The file of a table with an extension (".DAT", ".IDX", ".BLB").
using TTableFileNamer = std::function<std::string(std::string_view extension)>;

struct TTableOpenMode {
    bool Exclusive = false;
    bool ReadOnly = false;
    // The trusted stamp of the table's folder, just looked at, with which the folder was left clear
    // (TDataDirectory::RemoveStrayWorkingFilesIn, FolderStamp.h): while it stays, a kept table's files
    // are still those their names give, with no look at each.
    std::optional<TFolderStamp> Folder = std::nullopt;
};

enum class TReadLevel : uint8_t { First = 0, Second = 1 };

// What Repair tells as it goes: each step with how far it is (0 .. 100), and a line for each thing it
// found wrong and what it did about it.
struct TRepairEvents {
    std::function<void(const std::string& step, int percentDone)> Progress;
    std::function<void(const std::string& message)> Log;
};

// Called by a record's append or modify once the record has passed the key checks, before anything is
// written: it may change the record image's BLOB values (`old`: the record as it was; empty for an
// append).
using TRecordHook = std::function<void(std::span<uint8_t> record, std::span<const uint8_t> old)>;
// ModifyRecords: changes a copy of the record's image into the record's new image; true when the image
// keeps its own +5 value (ModifyRecord's keepAutoInc).
using TRecordChange = std::function<bool(uint32_t number, std::span<uint8_t> image)>;

// The shared table of a database's registry (TSharedTable) is the table itself.
class TDataTable : public TableFileOwner, public TSharedTable, private TReadBatchHolder {
public:
    // `database`: the database whose transactions the table's writes join; none for a table on its own.
    TDataTable(const EngineSettings& settings, TTableLocation location, TDataDirectory* database = nullptr);
    ~TDataTable() override;
    TDataTable(const TDataTable&) = delete;
    TDataTable& operator=(const TDataTable&) = delete;

    // --- Files (DataTableFiles.cpp) ---

    // Creates the table's files from the definition (the table closed): every field and index is
    // laid out and checked before any file exists; VORSAM_TABLEEXISTS when the data file exists. The
    // data file is written last, so a table whose creation broke off does not exist.
    void Create(const TTableDefinition& definition);
    // Create and Open({.Exclusive = true}) in one, for a table of memory files: no one else can have
    // written them between the two, so the files stay open holding what an open would read back.
    void CreateOpen(const TTableDefinition& definition);
    // Deletes the table's files (the table closed): refused with VORSAM_FILEINUSE, deleting nothing,
    // while anyone has any of them open.
    void Delete();
    bool Exists() const;
    // The table's directory names its files (the table closed); otherwise the location's folder and
    // name make the file names.
    void NameFilesBy(TTableFileNamer namer) {
        fileNamer_ = std::move(namer);
        memoryNames_.clear();
    }
    void Open(TTableOpenMode mode = {});
    // Unused with its files kept open (above); KeepOpenBetweenUses allows it (the table is a directory's).
    bool Kept() const override { return kept_; }
    // Every open file is still the one its name gives (one stat each).
    bool StillNamed() const override;
    void KeepOpenBetweenUses() { keepable_ = true; }
    // One more use of the open table.
    void IncUseCount();
    // Mends the closed table's files, opened exclusively (VORSAM_FILEINUSE while anyone has them open),
    // after an interrupted write or other damage (DataTableRepair.cpp): the record area and the data
    // header from the file's size and the records, the free chain, the blob file's blocks and free chain
    // (a broken chain is dropped: its field becomes NULL), a record whose key a unique index already
    // holds deleted, and every index built anew from the records. Damage to what defines the table (its
    // field descriptors, its index definitions, the blob file's format) cannot be mended: the error of
    // the check stands and nothing is written. The table is closed again. A repair cut short while it
    // writes leaves the table refused until it is repaired again (its last log line says so).
    void Repair(const TRepairEvents& events = {});
    // Before the table's files are replaced or rewritten other than by a write (Repair, a restructure's
    // swap, Delete, Create): every other table that a commit journal naming this one still awaits is
    // completed from it, opened on its own, or the operation is refused with that table's error, or with
    // VORSAM_OSENOENT naming the journal's first copy when that is gone (CommitJournal.h). With `settled`
    // (the table open exclusively, its own part completed), a journal no other table awaits goes now.
    void CompleteCommitsNamingIt(bool settled);
    void Close();
    uint32_t UseCount() const { return useCount_; }
    bool IsOpen() const { return useCount_ > 0; }

    // --- Locks (DataTableLocks.cpp); each Begin/Lock returns whether the change check found a change ---

    bool BeginRead(TReadLevel level = TReadLevel::First);
    // `keepAsBatch`: the level of a cursor operation, whose slots may stay as a read batch.
    void EndRead(TReadLevel level = TReadLevel::First, bool keepAsBatch = false);
    bool BeginWrite();
    void EndWrite();
    // Ends a write that failed: see above.
    void AbortWrite();
    bool LockTable();
    void UnlockTable();
    bool LockRecord(uint32_t number);
    void UnlockRecord(uint32_t number);
    // One try at the lock bytes of records first .. first + count - 1 together, inside the second read
    // level as LockRecord takes it (held after success until the caller ends it); false, holding nothing,
    // when any of them is locked elsewhere or a number lies outside 1 .. 200,000,000.
    bool TryLockRecordRun(uint32_t first, uint32_t count);
    void UnlockRecordRun(uint32_t first, uint32_t count);
    // The change check (above); also what a cursor's re-check runs once it holds a read level.
    bool CheckForChanges();
    // Forgets every cached change and reads the headers again (what a rollback does).
    void DiscardBuffers();
    TDataDirectory* Database() const { return database_; }
    // The table has joined the transaction of its database.
    bool InTransaction() const { return inTransaction_; }
    uint32_t ReadDepth(TReadLevel level) const { return readDepth_[size_t(level)]; }
    uint32_t WriteDepth() const { return writeDepth_; }
    bool HoldsReadSlots() const;
    // Gives up the read batch kept (ReadBatches.h), if any.
    void EndReadBatch() noexcept;

    // --- Records (DataTableRecords.cpp); each runs inside a write level of its own ---

    // Adds the record image (record size bytes; status and number are set) and returns its number. The
    // +5 value becomes the next auto-increment value unless `keepAutoInc`.
    uint32_t AppendRecord(std::span<const uint8_t> image, bool keepAutoInc = false,
                          const TRecordHook& hook = {});
    // Replaces active record `number` (VORSAM_KEYORRECDELETED when deleted) with the image; its +5 value
    // stays unless `keepAutoInc`. An image that keeps the bytes of every field an index keys (and no
    // hook) is written into the cached record without a key built.
    void ModifyRecord(uint32_t number, std::span<const uint8_t> image, bool keepAutoInc = false,
                      const TRecordHook& hook = {});
    // Changes the active records among `numbers` (others are passed over), in the order given, in one
    // write: each record pinned once (a run of them at a time, read in record order), its image copied,
    // changed by `change` and written as ModifyRecord writes it. `changed` counts the records written; a
    // failure (of `change` or of a record's write) leaves those written before it and raises. With
    // `keysInSets` the keys that the records change go into each index together at the end, in the index's
    // order (one descent per leaf), refused as one by one would refuse them: for a `change` that reads no
    // table meanwhile. For a table without blobs.
    void ModifyRecords(std::span<const uint32_t> numbers, const TRecordChange& change, uint32_t& changed,
                       bool keysInSets = false);
    // Deletes active record `number`, its keys and its blobs.
    void DeleteRecord(uint32_t number);
    // Records appended without the record cache can be had: the table is open exclusively, keeps no keys
    // and no blobs, and is not locked whole.
    bool AppendsStraight() const;
    // Appends the images (record size bytes each, one after another) as AppendRecord appends each, each
    // with a fresh +5 value, their slots written in one write (AppendsStraight must hold); the images
    // take their prefixes. Returns the first one's number.
    uint32_t AppendStraight(std::span<uint8_t> images);
    // Appends the images (record size bytes each, one after another) as AppendRecord appends each in turn
    // with fresh +5 values, in one write: the records are taken in order, and each index's keys go in in
    // its order, one descent per leaf page (TIndexTree::InsertSorted), or into an empty index as a tree
    // built whole. An image that an index refuses is refused as AppendRecord refuses it, with the images
    // before it appended and none after it. The images take their prefixes; returns how many were
    // appended (all of them, when nothing is raised). With `pending` the keys are held back there instead
    // (TPendingKeys): ApplyPendingKeys puts them in, before anything reads the indexes or commits. For a
    // table without blobs.
    size_t AppendRecords(std::span<uint8_t> images, TPendingKeys* pending = nullptr);
    // The keys held back go into their indexes, each index's in its order; `pending` is empty afterwards.
    void ApplyPendingKeys(TPendingKeys& pending);
    // Deletes the records among `numbers` that are active (others, and repeats, are passed over), each as
    // DeleteRecord does, in one write: the records are freed in record order, a run of them read at a time,
    // and the entries of each index go in the index's order, one descent per leaf page
    // (TIndexTree::DeleteSorted). Returns how many it deleted.
    uint32_t DeleteRecords(std::span<const uint32_t> numbers);
    // The record whose key in the index `slot` equals the key the image makes (in a non-unique index the
    // image's +5 value ends the key); 0 when none. VORSAM_INVALIDPARAM for a slot that keeps no keys
    // (KeySlots); VORSAM_OUTOFRANGE for an image not of the record size.
    uint32_t FindKey(uint8_t slot, std::span<const uint8_t> image);
    // Empties the table's three files.
    void EmptyTable();
    // Sorts the records in place (RecordSort.h; the table open exclusively, else VORSAM_FILEINUSE) and
    // builds the indexes anew from them; returns the number of records.
    uint32_t SortRecords(const TSortRequest& request);
    // Empties every index and builds each again from the keys of all active records.
    void RebuildIndexes();
    // The user indexes whose keys the table keeps: the primary (unless in record order), then the
    // secondary ones (text indexes aside).
    std::vector<uint8_t> KeySlots() const;
    TTableKeyInfo KeyInfo() const;
    // The order of the keys of the index in the slot (made once per descriptor).
    const TKeyComparator& KeyOrder(uint8_t slot) { return OrderOf(slot); }
    // The key of the record image in the index in the slot (KeyLength of its descriptor bytes).
    void BuildKeyOf(uint8_t slot, std::span<const uint8_t> image, uint8_t* destination) const;
    uint16_t KeyLengthOf(uint8_t slot) const { return indexFile_.GetIndexDesc(slot).KeyLength(); }

    // --- Definitions (DataTableDefinitions.cpp) ---
    // Each runs in a write level of its own; none runs inside a transaction of the database or while
    // the table is locked whole, where a definition could not be undone: RequireDefinable refuses then
    // (VORSAM_NOTSUPPORTED).

    void RequireDefinable() const;

    // Adds a secondary index (the index file's rules, IndexFile.h; no text index: VORSAM_SEARCHCOLREQD)
    // and builds it from the active records in one pass (IndexTreeBuild.h); a unique index that would
    // hold a key twice refuses with VORSAM_KEYVIOL, adding nothing. Returns the index's slot.
    uint8_t AddIndex(const TIndexDefinition& definition);
    // Deletes the index in `slot` (0: the primary key: the table returns to the record order; nothing
    // when it is in record order). The index's pages go to its free list, which moves to the slot after
    // the last secondary index (when there is one) and is taken by the next index added there.
    void DeleteIndex(uint8_t slot);

    // --- Spare tables of the in-memory database (SpareTables.h, SpareTables.cpp) ---

    // Remembers the definition the table, just made and open, was made from, with its headers then.
    void NoteMadeFrom(TTableDefinition definition);
    // What NoteMadeFrom remembered; none for a table it was not called for.
    const TMadeShape* MadeShape() const { return made_.get(); }
    // In memory, made from a remembered definition without a password, open exclusively for one user,
    // without BLOB fields, not in a transaction, not damaged and holding no lock level.
    bool MayBeSpare() const;
    // Empties the table (when anything was written since it was made or last emptied) and answers
    // whether it is then, but for its change counters and write times, the table it was made: false for
    // one that may not be a spare or whose definition changed.
    bool ResetToMade();
    // The open files leave their names while the table is a spare (TFileList::Hide), and come back under
    // them: false, every one still hidden, while another file has one of the names.
    void HideFiles();
    bool UnhideFiles();

    // --- A table of a database server (DataTableRemote.cpp) ---

    // Takes the headers and field descriptors that a server sent for a client cursor (RemoteCursorReply.h):
    // the files stay closed and the table only answers what its headers say; it is never locked, read or
    // written (the cursor's requests go to the server). Index descriptors that do not fit the fields raise
    // as at an open (IndexFile.h).
    void FillFromServer(const TDataFileHeader& data, std::vector<TFieldDescriptor> fields,
                        const TIndexFileHeader& index, TTableOpenMode mode);

    // --- What the files and cursors read ---

    TDataFile& DataFile() { return dataFile_; }
    TIndexFile& IndexFile() { return indexFile_; }
    TBlobFile& BlobFile() { return blobFile_; }
    bool HasBlobFile() const { return blobFile_.IsOpen(); }
    const TTableLocation& Location() const { return location_; }
    std::string GetDatabaseName() const { return DatabaseName(); }
    uint16_t GetFieldCount() const { return dataFile_.GetFieldCount(); }
    bool GetFieldDescByNumber(uint16_t number, TFieldDescriptor& destination) const {
        return dataFile_.GetFieldDescByNumber(number, destination);
    }
    bool GetRecordOrder() const { return indexFile_.GetRecordOrder(); }
    bool IsEncrypted() const { return encrypted_; }
    bool IsRemote() const { return settings_.Remote; }
    void SetActiveRecords(uint32_t count) { indexFile_.SetActiveRecords(count); }
    bool Exclusive() const { return mode_.Exclusive; }
    bool ReadOnly() const { return mode_.ReadOnly || dataFile_.ReadOnlyAttribute(); }
    bool ReadOnlyAttribute() const { return dataFile_.ReadOnlyAttribute(); }
    bool Modified() const { return modified_; }
    void ClearModified() { modified_ = false; }
    // The content version (above); NoteContentChanged moves it on.
    uint64_t ContentVersion() const { return contentVersion_; }
    void NoteContentChanged() { ++contentVersion_; }
    // Some change of this process has not reached the files.
    bool HasUnwrittenChanges();
    // The counters of the three headers as this process last saw them (blob 0 without a blob file).
    std::array<uint32_t, 3> ChangeCounters() const;

    // --- TableFileOwner ---
    const EngineSettings& Settings() const override { return settings_; }
    std::string TableName() const override { return location_.Name; }
    std::string DatabaseName() const override;
    void MarkModified() override { modified_ = true; }
    void BeforeWrite() override;
    bool Encrypted() const override { return encrypted_; }
    bool Locked() const override;
    bool LockedWhole() const override { return wholeDepth_ > 0; }
    bool RecordOrder() const override { return indexFile_.GetRecordOrder(); }
    TTableWriteSink* WriteSink() const override { return writeSink_; }
    uint32_t ReaderCacheBytes() const override { return readerCacheHolders_ > 0 ? StatementCacheBytes : 0; }

    // --- Caches of a statement's reads (DataTableFiles.cpp) ---

    // The bytes of records, and of pages per index, that the caches keep room for while a statement holds
    // them, whatever the session's sizes: enough for a join's inner table of some ten thousand rows.
    static constexpr uint32_t StatementCacheBytes = uint32_t(2) << 20;
    // Counted: while any holder holds them, the caches keep StatementCacheBytes; when the last lets go,
    // they are trimmed back to the session's sizes (clean items go first).
    void HoldReaderCaches();
    void ReleaseReaderCaches() noexcept;

private:
    // Files
    std::array<TTableFile*, 3> Files() { return {&dataFile_, &indexFile_, &blobFile_}; }
    std::string FileName(const char* extension) const;
    void SettleSwap() const;
    void PrepareFiles(TTableOpenMode mode);
    void OpenFiles(); // the prepared files, the blob file when the table has one
    void ReadAndValidateHeaders();
    void ReadHeaders();
    void ValidateHeaders();
    void CloseFiles() noexcept;
    bool MayKeep() const;
    void Keep() noexcept;
    bool ResumeKept(TTableOpenMode mode);
    bool SwapRecordBeside() const;
    void CloseKept() noexcept;
    void RepairFiles(const TRepairEvents& events);
    void FinishUses();
    // Create up to the files made and written, left open (closed again when that fails).
    void MakeFiles(const TTableDefinition& definition);
    void CreateFiles(const TTableDefinition& definition, const std::vector<TFieldDescriptor>& fields);
    void DefineIndexes(TIndexFile& file, const TTableDefinition& definition,
                       const std::vector<TFieldDescriptor>& fields);
    [[noreturn]] void Raise(uint16_t code, const std::string& extraText = {}) const;
    void RequireOpen() const;

    // Locks
    bool NeedsReadSlots() const;
    void YieldToWaitingWriter();
    // Read batches (ReadBatches.h)
    // Only between levels can slots be a batch's.
    bool MayKeepBatch() const {
        return readDepth_[0] == 0 && readDepth_[1] == 0 && writeDepth_ == 0 && wholeDepth_ == 0;
    }
    void TakeBatchBack();
    void ResumeBatch();
    bool BatchOver() const { return batchOver_.load(std::memory_order_relaxed); }
    void KeepOrReleaseSlots(bool keepAsBatch);
    bool NoteBatch();
    TBatchClock::time_point GiveUpBatch(TBatchClock::time_point now, bool all) noexcept override;
    void StopBatches() noexcept;
    void TakeReadSlots();
    bool UnlockReadSlots();
    void ReleaseReadSlots();
    // The same without raising: false when the system refused to let one go (FileHandler.h).
    bool LetReadSlotsGo();
    bool TakeTableLock();
    bool JoinBeforeRecordLock();
    bool LockRecordOnce(uint32_t number, bool level);
    bool ReleaseTableLockIfUnused();
    bool TryWriteLocks(uint32_t tries);
    void TakeWriteLocks();
    bool ReleaseWriteLocks();
    void ReleaseWholeLevel();
    void ReleaseWriteLevel(bool current = false);
    bool ReadLevelHeld() const { return readDepth_[0] > 0 || readDepth_[1] > 0; }
    void RetakeReadSlots();
    void CheckNotDamaged() const;

    // Interrupted writes (DataTableRecovery.cpp)
    class TRecoveryLocks;
    bool WritesLocked() const;
    // Every cache dropped, every header read again.
    void ReloadHeaders();
    void CheckWriteComplete();
    bool CompleteFromJournal();
    std::optional<TPendingJournal> PendingJournal();
    void ApplyJournal(TPendingJournal& journal);
    void CompleteOwnCommit();
    void CompleteAwaitingTable(const TAwaitingCommit& commit, size_t index) const;
    [[noreturn]] void RaiseAbout(uint16_t code, const std::string& file, const std::string& extraText,
                                 int osError = 0) const;
    std::string InconsistencyAfterInterruptedWrite();
    void SettleInterruptedWrite();
    // Cuts what each file holds beyond the end its header gives.
    void CutTails();
    void WriteChanges();
    bool SyncWanted() const { return settings_.ForceBufferFlush || commitSync_; }
    void WriteContent();
    void WriteDataHeader();
    void SyncFiles(bool data, bool index, bool blob);
    void TrimCaches();
    void TrimReadCaches();
    void ForgetChanges();

    // Transactions (DataTableTransactions.cpp; TTransaction drives them) and journaled writes
    // (CommitJournal.h)
    friend class TTransaction;
    friend class TCommitJournal;
    // After a journaled write: the commit's flags cleared; when it failed, its changes forgotten.
    void EndJournaledWrite(bool failed) noexcept;
    bool JoinOpenTransaction();
    bool EnterTransaction();
    void LeaveTransaction(bool discard);
    bool HasTransactionChanges();
    bool TryLockForCommit();
    // The write locks a commit took; false when the system refused to let one go (FileHandler.h).
    bool UnlockAfterCommit() noexcept;
    void BeginCommit(bool flush);
    // `trim`: the caches go back to their sizes. False when a write lock could not be let go.
    bool EndCommit(bool trim) noexcept;

    // Definitions
    // Builds the empty indexes of the slots from the active records' keys.
    void BuildIndexes(std::span<const uint8_t> slots);

    // Records
    struct TCachedOrder {
        TIndexDescriptor Descriptor; // the descriptor the order was made from
        TKeyComparator Order;
    };
    const TKeyComparator& OrderOf(uint8_t slot);
    std::vector<uint8_t> KeyOf(uint8_t slot, std::span<const uint8_t> image) const;
    // The slots KeySlots lists, without a heap allocation.
    struct TKeySlotList {
        std::array<uint8_t, IndexSlotCount> Slots{};
        uint8_t Count = 0;
        const uint8_t* begin() const { return Slots.data(); }
        const uint8_t* end() const { return Slots.data() + Count; }
    };
    TKeySlotList KeySlotList() const;
    // The keys of one written image in every index the table keeps, and of the image it replaces
    // (DataTableRecords.cpp); the keys of a set of records in one index (DataTableRecordSets.cpp).
    class TWriteKeys;
    class TSetKeys;
    // Per row of a set changed, bit i: the key of the i-th slot of KeySlotList changed. A table keeps the
    // keys of its primary index and of at most MaxSecondaryIndexes others, which the bits have room for.
    using TMovedKeys = uint32_t;
    static_assert(1 + MaxSecondaryIndexes <= 8 * sizeof(TMovedKeys), "a bit for every index that keeps keys");
    struct TAppendKeys;
    class TChangedSet;
    TRecord& ActiveRecord(uint32_t number);
    // ModifyRecord's write of the image into the active record `slot` (pinned by the caller).
    void ModifyPinned(TRecord& slot, std::span<const uint8_t> image, bool keepAutoInc,
                      const TRecordHook& hook);
    bool ManyRecords(size_t count) const;
    // The steps of AppendRecords, ModifyRecords and DeleteRecords (DataTableRecordSets.cpp).
    void StampAppends(std::span<uint8_t> images, size_t count) const;
    void FindAppendRefusals(const TKeySlotList& slots, std::span<const uint8_t> images, size_t count,
                            const TPendingKeys* pending, TAppendKeys& keys);
    std::exception_ptr AllocateAppends(std::span<uint8_t> images, size_t count,
                                       std::vector<uint32_t>& numbers);
    void PutAppendedKeys(const TKeySlotList& slots, TAppendKeys& keys, std::span<const uint32_t> numbers,
                         TPendingKeys* pending);
    void ForEachPinned(std::span<const uint32_t> numbers,
                       const std::function<void(uint32_t number, TRecord& record)>& visit);
    std::exception_ptr ModifyEach(std::span<const uint32_t> numbers, const TRecordChange& change,
                                  uint32_t& changed);
    std::exception_ptr EditSet(std::span<const uint32_t> numbers, TChangedSet& set);
    void TakeDeletedKeys(const TKeySlotList& slots, std::vector<TSetKeys>& keys, const TRecord& slot,
                         uint32_t place) const;
    void FreeWithBlobs(std::span<const uint32_t> numbers, const TKeySlotList& slots,
                       std::vector<TSetKeys>& keys, std::vector<bool>& deleted);
    void FreeInRecordOrder(std::span<const uint32_t> numbers, const TKeySlotList& slots,
                           std::vector<TSetKeys>& keys, std::vector<bool>& deleted);
    uint32_t DeleteSetKeys(std::span<const uint32_t> numbers, const TKeySlotList& slots,
                           std::vector<TSetKeys>& keys, const std::vector<bool>& deleted);
    // AppendRecords: calls `held(k)` for each of the keys (in the index's order) that runs held back hold.
    void HeldBack(const TPendingKeys& pending, size_t i, std::span<const uint8_t> keys,
                  const std::function<void(size_t)>& held);
    // The keys held back in memory go to their spill file, each index's in one run (PendingKeys.h).
    void SpillPendingKeys(TPendingKeys& pending);
    // Slot i's keys held back, every run merged in the index's order (the earlier run's first among equal
    // keys), to `put` a piece at a time.
    void MergePendingKeys(
        const TPendingKeys& pending, size_t i,
        const std::function<void(const uint8_t* keys, const uint32_t* values, size_t count)>& put);
    // ModifyRecords' keys of a set (DataTableRecordSets.cpp): `rows` the records changed in turn, `moved` per
    // row the bits of the slots whose keys it changed, `before` the images before of the rows from
    // `beforeFrom` on (the first that changed a key); the rows that stay changed.
    size_t ApplySetKeys(const TKeySlotList& slots, std::span<const uint32_t> rows,
                        std::span<const TMovedKeys> moved, size_t beforeFrom, std::span<const uint8_t> before,
                        std::vector<TSetKeys>& oldKeys, std::vector<TSetKeys>& newKeys);
    bool KeysKept(std::span<const uint8_t> record, std::span<const uint8_t> image, bool keepAutoInc) const;
    void CheckImageSize(std::span<const uint8_t> image) const;
    void CheckUniqueKeys(const TWriteKeys& keys, uint32_t number);
    void FreeRecordBlobs(std::span<const uint8_t> image);
    [[noreturn]] void RaiseIndexError(uint16_t code, uint8_t slot) const;

    const EngineSettings& settings_;
    TTableLocation location_;
    TDataDirectory* database_;
    TTableFileNamer fileNamer_;
    // The namer's names of an in-memory table's files by extension: they depend on nothing but the name.
    mutable std::vector<std::pair<std::string, std::string>> memoryNames_;
    TTableOpenMode mode_;
    uint32_t useCount_ = 0;
    bool encrypted_ = false;
    bool modified_ = false;
    bool creating_ = false;
    bool keepable_ = false;
    bool kept_ = false;
    std::optional<TFolderStamp> namesFoundAt_; // the folder's stamp when the files were last found by name
    uint32_t readerCacheHolders_ = 0;
    uint64_t contentVersion_ = 1;
    TDataFile dataFile_;
    TIndexFile indexFile_;
    TBlobFile blobFile_;

    // Lock state.
    std::array<uint32_t, 2> readDepth_{};
    uint32_t writeDepth_ = 0;
    uint32_t wholeDepth_ = 0;
    bool slotsHeld_ = false; // written under batchLock_
    uint16_t indexSlot_ = 0;
    uint16_t blobSlot_ = 0;
    // Read batch. While batchKept_ is set the slots are the batch's, which the keeper may give up under
    // batchLock_; this thread takes them back first (TakeBatchBack).
    mutable std::mutex batchLock_;
    std::atomic<bool> batchKept_ = false;
    std::atomic<bool> batchOver_ = false;     // set by the keeper when the slots are due (under batchLock_)
    TBatchClock::time_point slotsTakenAt_;    // written under batchLock_
    TBatchClock::time_point slotsReleasedAt_; // written under batchLock_
    bool batchWatched_ = false;               // the keeper watches the table
    bool batchNoted_ = false;                 // the keeper knows when the slots held are due
    bool tableLockHeld_ = false;
    bool writeLocksHeld_ = false;
    bool writeMarked_ = false; // the data header carries the write-in-progress mark of this write
    bool damaged_ = false;     // a write of this process broke off, leaving the files inconsistent
    // The change counters of the files when they last passed the check after an interrupted write.
    std::optional<std::array<uint32_t, 3>> acceptedCounters_;
    std::array<uint64_t, 3> runsAtMark_{}; // write runs of the data, index and blob file at the mark

    // Transaction state.
    bool inTransaction_ = false;
    bool committing_ = false; // a commit is writing the changes kept under the whole-table lock
    bool commitSync_ = false; // that commit syncs each file as the end of a write does with ForceBufferFlush
    bool commitLocked_ = false;            // the commit took the write locks
    bool endingWholeLock_ = false;         // the write under way ends a whole-table lock: journaled
    TTableWriteSink* writeSink_ = nullptr; // a journaled write gathering the files' writes

    std::array<std::optional<TCachedOrder>, IndexSlotCount> orders_;
    std::unique_ptr<TMadeShape> made_; // what the table was made from (NoteMadeFrom)
};

// A write level for a scope: ended by End, or aborted (AbortWrite) when the scope is left by an error.
class TTableWrite {
public:
    explicit TTableWrite(TDataTable& table) : table_(table) { Changed = table_.BeginWrite(); }
    ~TTableWrite() {
        if (!ended_) table_.AbortWrite();
    }
    TTableWrite(const TTableWrite&) = delete;
    TTableWrite& operator=(const TTableWrite&) = delete;
    void End() {
        ended_ = true;
        table_.EndWrite();
    }
    bool Changed = false;

private:
    TDataTable& table_;
    bool ended_ = false;
};

// A read level for a scope; `batch`: a cursor operation's, whose slots may stay as a read batch.
class TTableRead {
public:
    explicit TTableRead(TDataTable& table, TReadLevel level = TReadLevel::First, bool batch = false)
        : table_(table), level_(level), batch_(batch) {
        Changed = table_.BeginRead(level_);
    }
    ~TTableRead() {
        try {
            table_.EndRead(level_, batch_);
        } catch (...) {
            // a slot the system refuses to let go is tried again at the file's next lock (FileHandler.h)
        }
    }
    TTableRead(const TTableRead&) = delete;
    TTableRead& operator=(const TTableRead&) = delete;
    // The slots go with the level after all (a walk that reached its end).
    void KeepNoBatch() { batch_ = false; }
    bool Changed = false;

private:
    TDataTable& table_;
    TReadLevel level_;
    bool batch_;
};

} // namespace vorsam
