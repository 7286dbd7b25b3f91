#pragma once
// The note "CENTRPRG.SAV" in the program folder: the files a copy of the tool is writing, which a kill
// would leave behind, and the sweep that removes what killed copies left (core/ProgramFolderUse.h
// holds the folder's use lock, which says when a copy may sweep).
//
// A kill can leave:
//  - "<name>.tmp-XXXXXX" (six letters or digits): the temporary file of a safe write
//    (platform/os/FileIo.h) cut short, of the program folder's own files (the users, the settings,
//    the seeded defaults and help pages) or of a programming file saved, wherever it goes;
//  - "TEMPORAR.DAT", "TEMPORAR.IDX" and "TEMPORAR.BLB" in the program folder: the scratch table of
//    a data-aware screen (core/TempTable.h).
//
// Format: lines of "<device> <inode> <birth> <absolute path>\n", the device, inode and birth (decimal;
// the birth in nanoseconds since 1970, 0 where the file system does not tell it) those of the file when
// it was noted (a path with a line break is not noted). The birth tells a file from a later one that the
// file system gave the same inode numbers. At most 1 MiB; a line is added only while the note stays
// under half of that, room for the rewrite below.
//
// Changes, each under the list's lock (core/ProgramFolderUse.h), so that a kill at any moment keeps
// every complete line before it:
//  - a note that ends in a line without its "\n" (a kill cut it short) is cut back to its last complete
//    line first;
//  - a file is added by appending its line;
//  - a path is taken out by writing the new list (the lines of others as they stand, less any line
//    not of the form above) after the note's end, then over its start, then cutting the note to the
//    list's length. A kill in the middle leaves a line torn where the list's copy at the start ends,
//    the old lines after it (each noted before, and harmless to sweep again: the files they name are
//    gone or later ones), and the whole list at the end;
//  - the sweep empties the note in one step.
//
// Trust: a note is acted on, written or emptied only by the account that owns it, and only while no
// other account can write it (no write permission for the group or others) and it has no other name
// (no hard link makes another file of that account the note). A note a copy makes or trusts is
// -rw-r--r--, whatever the umask: readable by the copies of other accounts, which hold the folder's use
// through it. Another account's copy leaves such a note alone.
//
// The sweep removes only what the note names, and only while it is still that file: a regular file
// (no link) of the account that sweeps, with the noted device, inode and birth, whose name is of the
// kinds above (the scratch table's only in the program folder); never a file by its name alone. A file
// of the scratch table goes only when its birth was noted and the engine's exclusive open of it is
// granted (db/lib/SharedFile.h): any copy, of any account, that has the table open keeps it, whatever
// the note says, and a table that a copy without the note is making or has just made under the same
// names is a later file than the one noted, whatever inode numbers the file system gave it. A line not
// of the form above is passed over (a kill in a rewrite leaves one), the first of them named. A note
// that is larger than 1 MiB or that cannot be read is acted on not at all and emptied (only killed
// copies of the account wrote it).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <sys/stat.h>

inline constexpr char LeftoversNoteName[] = "CENTRPRG.SAV";
inline constexpr mode_t LeftoversNoteMode = 0644;

// Why the note with this status may not be trusted (see Trust), "" when it may.
std::string NoteDistrust(const struct stat& status);

// Which file a line names: a later file with the same numbers has another birth.
struct TNotedFileId {
    dev_t Device;
    ino_t Inode;
    std::uint64_t Birth; // nanoseconds since 1970; 0: the file system does not tell it
    bool operator==(const TNotedFileId&) const = default;
};
// The file that the name in the folder (a descriptor, or AT_FDCWD) gives, a link not followed, or the
// open file itself with an empty name: its id, and whether it is a regular file of this account;
// nullopt (errno set) when it cannot be looked at.
struct TNotedFileLook {
    TNotedFileId Id;
    bool OwnRegularFile;
};
std::optional<TNotedFileLook> LookAtNotedFile(int folder, const char* name);

// The note's bytes; nullopt (errno set) when they cannot be read or are too many.
std::optional<std::string> ReadNote(int fd);
// Empties the note in one step; false when the system refused.
bool EmptyNote(int fd);
// Adds a line for the file (an absolute path in its normal form) with the id, or, without one, takes
// the path's lines out, as Changes says; false when the system refused or the note would grow too long.
bool ChangeNote(int fd, const std::string& path, const TNotedFileId* added);

// Fault injection for tests: from now on, changes of the note stop as a kill would once they have
// written `bytes` more bytes (a cut counting as one), raising ENoteChangeStopped; nullopt: they run
// whole. Not for use by several threads at once.
struct ENoteChangeStopped {};
void StopNoteChangesAfter(std::optional<std::size_t> bytes);

// Removes what the bytes of the note (the file `note`) name as above, the program folder being `folder`
// (absolute, normal). Returns what could not be read or told ("" when nothing): a line the tool did not
// write, a noted file that could not be looked at or removed.
std::string SweepNotedFiles(std::string_view bytes, const std::string& folder, const std::string& note);
