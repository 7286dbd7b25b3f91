// The swap that ends a restructure: the new table, built complete under a working name
// ("_VT" + 8 hexadecimal digits, WorkingFiles.h) beside the old one, takes the old table's place, and the
// old files become the backup (".DBK", ".IBK", ".BBK"). A swap record beside the table makes it
// recoverable: whoever next opens, creates, deletes or looks for the table, in any process, finishes a
// swap that a crash cut short, so the table is always the old one or the new one, never neither.
//   1. older backups are deleted;
//   2. the swap record is written (with a flush, synced with its folder), and held open exclusively until
//      the swap is settled;
//   3. the old files go to the backup names, the data file first; the new files to the table's names,
//      the data file last;
//   4. the record's state becomes "swapped"; the backups are deleted when they are not to be kept;
//   5. the record is deleted.
// A step that fails in the process doing the swap puts back what it moved, deletes the record as soon as
// the old files are back, then the new files (the old table stays); when even that fails, the record
// stays for the next user. A record left by a crash is settled from the files as they are
// (SettleTableSwap): when every new file the record names is there (under its working name, a plain
// file, or in place already), forward: each old file still in place goes to its backup, each new file
// still under its working name goes into place, then step 4 and 5; otherwise back: the old files return
// from their backup names (the new ones in their places moved aside first) and the record is deleted. A
// record that is not whole was cut short before any file moved; one that names no data file or a working
// name that is not "_VT" and 8 hexadecimal digits is none this engine writes: both are deleted and the
// table left as it is. A record that is not a plain file (a link) is never acted on.
//
// Record: the data file's name with ".SWP" in place of its extension (integers little-endian):
//   +0   8    "TBLSWAP1"
//   +8   u8   the old table's files: bit 0 data, bit 1 index, bit 2 blob file
//   +9   u8   the new table's files, the same way
//   +10  u8   1: the backup goes once the swap is done
//   +11  u8   reserved, 0
//   +12  u16  length of the new table's working name, then the name (no folder, no extension)
//   then u32  CRC-32 of every byte before it
//   then u8   state: 1 swapping, 2 swapped
// Tables in memory swap the same way, with a record in memory.
#pragma once

#include <array>
#include <functional>
#include <string>

namespace vorsam {

// The files of a table and of its backup, by the directory's naming rules, and its swap record.
struct TSwapNames {
    std::array<std::string, 3> Files;   // ".DAT", ".IDX", ".BLB"
    std::array<std::string, 3> Backups; // ".DBK", ".IBK", ".BBK"
    std::string Record;                 // ".SWP"
    bool InMemory = false;
};

// The file of a table with an extension, by the table's naming rule.
using TSwapNamer = std::function<std::string(const char* extension)>;

// The names the rule gives; the record beside the data file.
TSwapNames SwapNamesBy(const TSwapNamer& name, bool inMemory);

// Swaps in the new table, whose files are the table's names with the base name `working` in the same
// folder, as above. `keepBackup` false deletes the old files once the swap is done.
void SwapRestructuredTable(const TSwapNames& names, const std::string& working, bool keepBackup, bool flush);

// Finishes a swap the record tells was cut short; nothing without a record, which costs one look beside
// the data file (and one by the naming rule while the data file is missing). VORSAM_FILEINUSE while
// another process holds the record (its swap is under way).
void SettleTableSwap(const TSwapNamer& name, bool inMemory);

// Settles every swap record of the folder that nobody holds; false when one is still held (a swap under
// way, whose working files are not stray) or cannot be settled now.
bool SettleSwapsIn(const std::string& folder) noexcept;

} // namespace vorsam
