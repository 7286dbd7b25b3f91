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
//      one piece writes each copy whole in one pass. Copies are completed one after another, the first
//      folder's last. The first folder's copy whole on disk is the commit point;
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
// A write that fails before its commit point forgets the tables' changes (TDataTable::ForgetChanges:
// the caches dropped, the marks cleared) and raises; after it, the write counts as done: the tables
// still to be completed are completed from the journal by their next lock, this process's too.
//
// File: the name of the write's first table on disk with ".JNL", in every folder; when that file is held
// by another process or holds a journal that a table awaits, "_VJ" + 8 hexadecimal digits + ".JNL" (that
// one is deleted after use). Integers little-endian:
//   header, 48 bytes
//     +0   8    "TBLJRNL1"
//     +8   u32  flags: bit 0, the write waited for the disk (a completion syncs what it writes)
//     +12  u32  table count, 1 .. 65,535
//     +16  u64  the write's number, at random; the same in every copy
//     +24  u32  folder count, 1 .. table count
//     +28  u32  reserved, 0
//     +32  u64  bytes after the header
//     +40  u32  CRC-32 of the bytes after the header
//     +44  u32  CRC-32 of bytes 0 .. 43
//   the folders: u16 length, the bytes; the first is the commit point's
//   per table: its data, index and blob file (absolute paths; u16 length, the bytes; length 0: none, or
//     a table in memory), then the 127 bytes of its data header as step 1 left it
//   the writes in their order, to the end: u16 table, u8 file (0 data, 1 index, 2 blob), u8 reserved 0,
//     u64 offset, u32 length, the length's bytes; length 0 cuts the file at the offset
// A copy is whole when ParseJournal finds nothing wrong with it: both checksums, every count and length,
// every write naming a file its table has.
#pragma once

#include "db/engine/DataFileHeader.h"
#include "db/engine/TableFile.h"

#include <array>
#include <cstdint>
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

// True for the name of a journal file: ending in ".JNL", in any case.
bool IsJournalFileName(std::string_view name);

struct TJournalTable {
    std::array<std::string, 3> Files; // data, index, blob file
    std::array<uint8_t, TDataFileHeader::Size> MarkedHeader{};
};

struct TJournalWrite {
    uint16_t Table = 0;
    uint8_t File = 0;
    uint64_t Offset = 0;
    std::span<const uint8_t> Bytes; // into TJournalContents::Bytes; empty: a cut
};

// What a journal copy holds, read back.
struct TJournalContents {
    uint32_t Flags = 0;
    uint64_t WriteId = 0;
    std::vector<std::string> Folders;
    std::vector<TJournalTable> Tables;
    std::vector<TJournalWrite> Writes;
    std::vector<uint8_t> Bytes; // the copy
};

// The consistency check of a copy's bytes (above): the first thing wrong, empty for a whole copy, whose
// contents are then filled in (the writes point into contents.Bytes, which takes the bytes over).
std::string ParseJournal(std::vector<uint8_t> bytes, TJournalContents& contents);

// Whether a data header on disk awaits the journal's writes of table `table`: it is the header with the
// mark as the journal holds it, or that header partly overwritten by the journal's last write of it
// (a write cut short).
bool AwaitsJournal(const TJournalContents& contents, size_t table, std::span<const uint8_t> header);

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
        bool Created; // a new file: its folder entry is synced too
    };

    explicit TCommitJournal(bool flush) : flush_(flush) {}
    void AddTable(TDataTable& table);
    std::vector<uint8_t> Describe() const;
    std::array<uint8_t, JournalHeaderSize> Head() const;
    std::optional<TCopy> OpenCopy(const std::string& path) const;
    void OpenCopies();
    void SpillPayload(const uint8_t* bytes, size_t count);
    void WriteCopies();
    void Apply();
    void EmptyCopies();

    bool flush_;
    std::vector<TDataTable*> tables_;
    std::vector<TJournalTable> described_;
    TGatheredBytes payload_; // the writes of tables on disk as the file holds them
    TGatheredBytes kept_;    // the bytes of writes to tables in memory
    std::vector<TGathered> gathered_;
    std::vector<uint8_t> description_; // a blank header, the folders and the tables
    uint32_t crc_ = 0;                 // of the description after the header and the payload handed on
    bool spilled_ = false;             // pieces of the payload went to the copies ahead of the rest
    std::string name_;                 // the copies' file name
    bool randomName_ = false;          // not the first table's: deleted after use
    std::vector<TCopy> copies_;        // the first folder's last
};

// --- Recovery (CommitJournalRecovery.cpp) ---

// A whole journal whose commit point passed and that awaits the table: the data file `dataFile`, whose
// header on disk is `onDisk` (carrying the mark the journal holds for it).
struct TPendingJournal {
    std::string Path; // the copy in the table's folder
    size_t Table = 0; // the table's place in it
    TJournalContents Contents;
};

// Looks for such a journal among the journals of the data file's folder. A journal file that another
// process holds open a moment (making, checking or deleting it) is tried again, up to `tries` times 3 ms
// apart, before it is passed over.
std::optional<TPendingJournal> FindPendingJournal(const std::string& dataFile, const TDataFileHeader& onDisk,
                                                  uint32_t tries);

// After a table was completed from the journal: when none of its tables still carries the mark the
// journal holds for it, its copies are deleted (those that nobody holds open).
void RemoveJournalIfSettled(const TPendingJournal& journal) noexcept;

// Whether the journal file (open) holds a whole journal past its commit point that a table awaits.
bool JournalAwaited(TFileHandler& file);

// Deletes the journal file unless another process holds it or a table awaits it.
void RemoveUnawaitedJournal(const std::string& path) noexcept;

// Deletes the folder's journals that nobody holds open, last written more than WorkingFileGrace ago, and
// that no table awaits: empty, not whole, their commit point not passed, or every table past its mark.
void RemoveStaleJournals(const std::string& folder) noexcept;

} // namespace vorsam
