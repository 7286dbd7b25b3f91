// The commit journal: what makes one write of several tables (a transaction's commit), or of one table
// locked whole (the end of that lock), all or nothing against a crash at any moment. The table files keep
// their formats: the journal is a file of its own beside the tables, and a reader that knows nothing of
// it still reads the tables as before, once the write is complete.
//
// A journaled write (TCommitJournal::WriteTables) runs while it holds the write locks of all its tables:
//   1. each table's data header gets its write-in-progress mark (DataFileHeader.h +126): the header as the
//      file holds it, the mark set and the change counter one up; nothing else changes yet;
//   2. the journal's copies are opened, one file of the same name in the folder of each table on disk;
//   3. the tables' writes (truncations, blocks, records, pages, the blob and index headers, descriptors,
//      the data headers without the mark, in the order the end of a write makes them) are gathered
//      instead of reaching the files, into pieces of 1 MiB in memory. A big write hands each full piece
//      to the copies (after a blank header and the description of the tables) and frees it, so that it
//      never holds all its bytes; then the rest follows and the headers come last. A write that fits in
//      one piece writes each copy whole in one pass. Each file then gets room on disk for what the
//      writes add to it (TFileHandler::Reserve): a disk too full for them refuses the write here. Copies
//      are completed one after another, the first folder's last. The first folder's copy whole on disk is
//      the commit point;
//   4. the gathered writes go into the files, in their order (the bytes of freed pieces read back from
//      the first folder's copy);
//   5. the copies are emptied, the first folder's last; the empty files serve the next write.
// With a flush (the commit's flag or the session's ForceBufferFlush) the marks are synced before the
// journal, each copy and its folder before the next step, and the files where the end of a write syncs
// them; without, the steps rely on the order in which the system keeps writes (a killed process loses
// nothing it wrote).
//
// After a crash, a table that carries the mark as its journal holds it for that table, when the
// journal's first copy is whole, is completed from the journal (CommitJournalRecovery.cpp) by whoever
// next takes a lock of the table, in any process, under the table's write locks and before anything of
// it is read: its writes again, in their order (they only ever write what the write meant to), and the
// table is as after the write. A table whose mark no whole journal holds was not written beyond its mark
// (the crash came before the commit point): it is as before the write. A journal that no table awaits
// any more is deleted by whoever completes the last of its tables, or found stale later (not held open,
// older than WorkingFileGrace) and deleted by RemoveStaleJournals, as an empty one is; deleting a table
// deletes the journal named after it unless a table awaits it. Tables in memory are written as part
// of the write but have no place in the journal: they do not outlive their process.
//
// A table whose files are to be replaced or rewritten other than by a write (a repair, a restructure's
// swap, a delete, a create) would leave the journal disagreeing with it, so that its other tables could
// no longer be completed: the table is completed first, and every other table that a journal naming it
// still awaits (CommitsAwaitingBeside), or the operation is refused, saying why.
//
// The copies of a write that a folder holds under other names (a journal copied by hand) are the same
// journal: the one named as the writer names it is taken, the others are passed over and go once stale.
//
// A copy finds the tables of its own folder beside it, wherever that folder now is: a folder copied or
// moved after a crash completes its commits where it is. Another folder of the commit is taken to have
// moved with it when a copy of the same write lies where the same move would have put it (folders copied
// or moved together); else it is where it was. Only the first folder's copy tells that the commit point
// passed: a table of another folder whose first folder's copy is gone (moved away alone, or deleted once
// the first folder's tables were completed) cannot tell, and is refused as needing repair.
//
// Nothing of a journal is applied before the whole of it is checked against the tables it describes
// (CommitJournalCheck.cpp): each table on disk has its data file and its other files, plain files (no
// link), in one of the journal's folders, named as a table's files are, or none of them any more (the
// table was deleted since; a swap record beside it tells a restructure under way); its data header on
// disk awaits the journal or shows it completed (JournalCompleted); the table completed has exactly the
// files the journal names for it; the writes of a table that awaits the journal reach no further into a
// file than its size and the bytes they bring to it allow; no whole journal of another write in the
// folder holds the same mark. A journal that fails, or that names the table's data file while the
// table's header neither awaits nor shows it completed (unless another journal holds the mark), is
// refused as damaged: the open raises VORSAM_WRITEINTERRUPTED (the repair message), none of the journal
// is applied, and its copy in the table's folder is deleted, so that its other tables there all take it
// as never made, whichever of them comes first. A table whose files cannot be written by this process
// (their permissions, a read-only medium) cannot be completed: the open raises VORSAM_OSEACCES naming the
// file. Completing a journal deletes only its own copies (plain files holding the same write).
//
// What cannot be read is never taken for no journal. A table carrying the mark whose folder holds a
// journal's name that cannot be read (its permissions, a failing disk, a file held by another process
// past the lock tries), that is a symbolic link (never followed) or no plain file, or whose folder cannot
// be listed whole, cannot tell whether its write passed the commit point: every open, read and write of
// it raises the error naming what could not be read (VORSAM_OSEACCES for permissions), and its mark stays
// until a journal is read whole or the folder listed whole without one; so does a repair. The same holds
// when the first folder's copy, or another table of the journal, cannot be looked at or read, and for an
// operation that replaces or rewrites a table's files. A file too short for a journal's header holds
// none, whoever may read it.
//
// A write refuses (VORSAM_TABLEFULL, before its commit point) to make a journal longer than
// MaxJournalBytes or a description longer than MaxJournalDescriptionBytes, which a recovery would not
// take; a recovery reads a copy in pieces of JournalReadPiece bytes, holding only its description, and
// keeps the copy open from its check until its writes are applied.
//
// A write that fails before its commit point forgets the tables' changes (TDataTable::ForgetChanges:
// the caches dropped, the marks cleared), gives back the room it made and raises; after it, the write
// is done and says so (an engine error of its writes is not raised): the tables still to be completed
// are completed from the journal by their next lock, this process's too.
//
// File: the name of the write's first table on disk with ".JNL", in every folder; when that file is held
// by another process, is not a plain file or holds a journal that a table awaits, "_VJ" + 8 hexadecimal
// digits + ".JNL" (that one is deleted after use). Integers little-endian:
//   header, 48 bytes
//     +0   8    "TBLJRNL1"
//     +8   u32  flags: bit 0, the write waited for the disk (a completion syncs what it writes)
//     +12  u32  table count, 1 .. 65,535
//     +16  u64  the write's number, at random; the same in every copy
//     +24  u32  folder count, 1 .. table count
//     +28  u32  the copy's own folder: its place in the folder list plus one (0 from writers that did not
//               record it: such a copy completes its tables only where they were)
//     +32  u64  bytes after the header
//     +40  u32  CRC-32 of the bytes after the header
//     +44  u32  CRC-32 of bytes 0 .. 43
//   the folders: u16 length, the bytes; the first is the commit point's
//   per table: its data, index and blob file (absolute paths; u16 length, the bytes; length 0: none, or
//     a table in memory), then the 127 bytes of its data header as step 1 left it
//   the writes in their order, to the end: u16 table, u8 file (0 data, 1 index, 2 blob), u8 reserved 0,
//     u64 offset, u32 length, the length's bytes; length 0 cuts the file at the offset
// A copy is whole when ReadJournal finds nothing wrong with it: both checksums, every count and length,
// every write naming a file its table has, every table on disk with its data header written back.
#pragma once

#include "db/engine/DataFileHeader.h"
#include "db/engine/TableFile.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vorsam {

class TDataTable;

inline constexpr std::string_view JournalMagic = "TBLJRNL1";
inline constexpr size_t JournalHeaderSize = 48;
inline constexpr uint32_t JournalSyncedFlag = 1;
inline constexpr size_t JournalWriteHeaderSize = 16; // table, file, reserved, offset, length

// The CRC-32 of the bytes, carried on from `crc`.
uint32_t JournalChecksum(const uint8_t* bytes, size_t count, uint32_t crc = 0);

// True for the name of a journal file: ending in ".JNL", in any case.
bool IsJournalFileName(std::string_view name);

// The largest journal a write makes and a recovery takes, and the largest description of its tables.
inline constexpr uint64_t MaxJournalBytes = uint64_t(1) << 40;
inline constexpr uint64_t MaxJournalDescriptionBytes = uint64_t(64) << 20;
// The pieces in which a recovery reads a copy.
inline constexpr size_t JournalReadPiece = size_t(1) << 20;

struct TJournalTable {
    std::array<std::string, 3> Files; // data, index, blob file
    std::array<uint8_t, TDataFileHeader::Size> MarkedHeader{};
    // From its writes: the last one of the whole data header, and per file the bytes they bring and
    // the furthest end of one (or offset of a cut).
    std::array<uint8_t, TDataFileHeader::Size> WrittenHeader{};
    bool HeaderWritten = false;
    std::array<uint64_t, 3> Written{};
    std::array<uint64_t, 3> Reach{};
};

// What a journal copy holds, read back: all but the writes' bytes, which stay in the file.
struct TJournalContents {
    uint32_t Flags = 0;
    uint64_t WriteId = 0;
    uint32_t CopyFolder = 0; // +28 above
    uint32_t Checksum = 0;   // +40 above: the same in every copy of the write
    std::vector<std::string> Folders;
    std::vector<TJournalTable> Tables;
    uint64_t WritesAt = 0; // where the writes begin in the copy
    uint64_t Size = 0;     // of the copy
};

// Reads the copy, open, in pieces of JournalReadPiece bytes and checks it whole (above): the first thing
// wrong, empty for a whole copy, whose contents are then filled in.
std::string ReadJournal(TFileHandler& file, TJournalContents& contents);

// Hands the writes of table `table` of the whole copy read into `contents` to `apply(file, offset, bytes,
// count)` in their order, a write of more than JournalReadPiece bytes in consecutive parts, a cut with
// no bytes. A run of cuts of one file comes as two: at the lowest offset, then at the last (the same
// file, the same zeros past the lowest).
using TJournalApply = std::function<void(uint8_t file, uint64_t offset, const uint8_t* bytes, size_t count)>;
void VisitJournalWrites(TFileHandler& file, const TJournalContents& contents, size_t table,
                        const TJournalApply& apply);

// Whether a data header on disk awaits the journal's writes of table `table`: it is the header with the
// mark as the journal holds it, or that header partly overwritten by the journal's last write of it
// (a write cut short).
bool AwaitsJournal(const TJournalContents& contents, size_t table, std::span<const uint8_t> header);

// Whether a data header on disk shows the journal's writes of table `table` done: the journal's last
// header write as it stands, or a later header (a change counter past that write's; past it by at least
// one when marked again).
bool JournalCompleted(const TJournalContents& contents, size_t table, std::span<const uint8_t> header);

// Bytes gathered one after another in pieces of at least 1 MiB, so that what was gathered never moves
// and growing never holds the bytes twice; each Append lands whole in one piece. The bytes are the
// pieces' used parts one after another. Pieces can be handed on (to the journal's copies) in order:
// the full ones, which then leave memory, or, at the end, the rest, which stay.
class TGatheredBytes {
public:
    static constexpr size_t PieceBytes = 1 << 20;

    // Copies the bytes in and answers where they now lie (until their piece is handed on and freed).
    const uint8_t* Append(const uint8_t* bytes, size_t count);
    size_t Size() const { return size_; }
    // The bytes at the front that left memory.
    uint64_t Released() const { return released_; }
    // Calls `visit(data, count)` with each piece not handed on yet, in order: with `all`, every one (they
    // stay); else those before the last, which is still filling (they are freed).
    template <typename Visit> void Hand(bool all, Visit&& visit) {
        for (size_t end = all ? pieces_.size() : pieces_.size() - std::min<size_t>(pieces_.size(), 1);
             handed_ < end; ++handed_) {
            TPiece& piece = pieces_[handed_];
            visit(piece.Bytes.get(), piece.Used);
            if (all) continue;
            piece.Bytes.reset();
            released_ += piece.Used;
        }
    }

private:
    struct TPiece {
        std::unique_ptr<uint8_t[]> Bytes;
        size_t Capacity;
        size_t Used;
    };
    std::vector<TPiece> pieces_;
    size_t size_ = 0;
    size_t handed_ = 0;     // pieces handed on
    uint64_t released_ = 0; // bytes of the pieces freed
};

class TCommitJournal final : public TTableWriteSink {
public:
    // Writes the tables' changes as one journaled write (above). Each table holds its write locks and
    // has changes to write.
    static void WriteTables(std::span<TDataTable* const> tables, bool flush);

    // TTableWriteSink
    void Write(TTableFile& file, uint64_t offset, const uint8_t* bytes, size_t count) override;
    void Sync(TTableFile& file) override;

private:
    struct TGathered {
        TTableFile* File;
        uint64_t Offset;
        const uint8_t* Bytes; // in payload_, or kept_ for a table in memory
        uint64_t PayloadAt;   // where the bytes lie in the payload (journaled)
        size_t Length;        // 0: a cut
        bool Sync;
        bool Journaled;
    };
    struct TCopy {
        std::unique_ptr<TFileHandler> Handle;
        bool Created;    // a new file: its folder entry is synced too
        uint32_t Folder; // its folder's place in folders_
    };

    explicit TCommitJournal(bool flush) : flush_(flush) {}
    void AddTable(TDataTable& table);
    std::vector<uint8_t> Describe();
    std::array<uint8_t, JournalHeaderSize> Head() const;
    std::optional<TCopy> OpenCopy(const std::string& path) const;
    void OpenCopies();
    void ReserveRoom();
    void ReleaseRoom() noexcept;
    void SpillPayload(const uint8_t* bytes, size_t count);
    void WriteCopies();
    void Apply();
    void EmptyCopies();

    bool flush_;
    std::vector<TDataTable*> tables_;
    std::vector<TJournalTable> described_;
    std::vector<std::string> folders_; // of the tables on disk, in the order of the description
    TGatheredBytes payload_;           // the writes of tables on disk as the file holds them
    TGatheredBytes kept_;              // the bytes of writes to tables in memory
    std::vector<TGathered> gathered_;
    std::vector<uint8_t> description_; // a blank header, the folders and the tables
    uint32_t crc_ = 0;                 // of the description after the header and the payload handed on
    bool spilled_ = false;             // pieces of the payload went to the copies ahead of the rest
    std::string name_;                 // the copies' file name
    bool randomName_ = false;          // not the first table's: deleted after use
    std::vector<TCopy> copies_;        // the first folder's last
    std::vector<std::pair<TTableFile*, uint64_t>> reserved_; // files given room, up to the end
};

// --- Recovery (CommitJournalRecovery.cpp, CommitJournalCheck.cpp) ---

// A whole journal whose commit point passed and that awaits the table, or that holds its mark but is
// refused (Problem).
struct TPendingJournal {
    std::string Path; // the copy in the table's folder
    size_t Table = 0; // the table's place in it
    TJournalContents Contents;
    std::string Problem;                // why it is refused; empty when it is to be completed
    bool Damaged = false;               // refused as damaged: never to be completed by any table
    std::string GoneCopy;               // the first folder's copy, when it is gone (Problem says so)
    std::unique_ptr<TFileHandler> File; // the copy, open until its writes are applied
};

// Looks for such a journal among the journals of the folder of the table whose data, index and blob file
// are `files` (empty: none) and whose data header on disk is `onDisk` (carrying the mark), and checks it
// whole against the tables. A journal file that another process holds open a moment (making, checking or
// deleting it) is tried again, up to `tries` times 3 ms apart, before it is passed over.
std::optional<TPendingJournal> FindPendingJournal(const std::array<std::string, 3>& files,
                                                  const TDataFileHeader& onDisk, uint32_t tries);

// Whether the two names give the same table file (links followed); false when either gives nothing.
// Raises when that cannot be told (a name that cannot be looked at).
bool SameTableFile(const std::string& a, const std::string& b);

// The check of a whole journal against the tables it describes, the table `table` to be completed
// (whose files are `files`), before anything of it is applied: the first disagreement, empty when none.
std::string JournalDisagreement(const TJournalContents& contents, size_t table,
                                const std::array<std::string, 3>& files);

// After a table refused the journal as damaged: its copy in the table's folder is deleted (unless held
// open), so that the journal's other tables there take it as never made, as the refused one is now.
void RemoveDamagedJournal(const TPendingJournal& journal) noexcept;

// After a table was completed from the journal: when none of its tables still carries the mark the
// journal holds for it, its copies are deleted (those that nobody holds open).
void RemoveJournalIfSettled(const TPendingJournal& journal) noexcept;

// A whole journal of the folder of a table that names the table, past its commit point or unknown to be
// (its first folder's copy gone), one per write.
struct TAwaitingCommit {
    std::string Path; // the copy in the table's folder
    TJournalContents Contents;
    size_t Table = 0;             // the table's place in it
    std::vector<size_t> Awaiting; // the other tables that still await it
    std::string GoneCopy;         // the first folder's copy, when it is gone: none can be completed
};

// Those journals for the table whose data file is `dataFile` (there or not), but for journals that their
// tables refuse as damaged: what an operation that replaces or rewrites the table's files completes
// first. A copy that another process holds a moment is tried up to `tries` times, as FindPendingJournal
// does.
std::vector<TAwaitingCommit> CommitsAwaitingBeside(const std::string& dataFile, uint32_t tries);

// The copies of the commit's journal are deleted when no table but its `settled` one (none: SIZE_MAX)
// still awaits it.
void RemoveJournalIfSettled(const TAwaitingCommit& commit, size_t settled) noexcept;

// Whether the journal file (open) holds a whole journal past its commit point that a table awaits.
bool JournalAwaited(TFileHandler& file);

// Deletes the journal file unless another process holds it or a table awaits it.
void RemoveUnawaitedJournal(const std::string& path) noexcept;

// Deletes the folder's journals that nobody holds open, last written more than WorkingFileGrace ago, and
// that no table awaits: empty, not whole, their commit point not passed, or every table past its mark.
void RemoveStaleJournals(const std::string& folder) noexcept;

} // namespace vorsam
