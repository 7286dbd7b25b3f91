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
// Format: lines of "<device> <inode> <absolute path>\n", the device and inode (decimal) those of the
// file when it was noted (a path with a line break is not noted). A change empties the note and writes
// the whole list again, so that a kill leaves at most its last line without its "\n": such a line is
// ignored. Writers keep the lines of others as they stand. At most 1 MiB.
//
// Trust: a note is acted on, written or emptied only by the account that owns it, and only while no
// other account can write it (no write permission for the group or others) and it has no other name
// (no hard link makes another file of that account the note). A note made by a copy is readable by all
// and writable by its account alone, whatever the umask. Another account's copy leaves such a note
// alone.
//
// The sweep removes only what the note names, and only while it is still that file: a regular file
// (no link) of the account that sweeps, with the noted device and inode, whose name is of the kinds
// above (the scratch table's only in the program folder); never a file by its name alone. A file of the
// scratch table goes only when the engine's exclusive open of it is granted (db/lib/SharedFile.h): any
// copy, of any account, that has the table open keeps it, whatever the note says (a copy that runs
// without the note makes its table under the same names, and the file system may give it the inode
// numbers of the table a killed copy noted). A note that is larger than 1 MiB, that cannot be read, or
// one of whose lines is not of that form is acted on not at all and emptied (only killed copies of the
// account wrote it).

#include <optional>
#include <string>
#include <string_view>
#include <sys/stat.h>

inline constexpr char LeftoversNoteName[] = "CENTRPRG.SAV";
inline constexpr mode_t LeftoversNoteMode = 0644;

// Why the note with this status may not be trusted (see Trust), "" when it may.
std::string NoteDistrust(const struct stat& status);

// The note's bytes; nullopt (errno set) when they cannot be read or are too many.
std::optional<std::string> ReadNote(int fd);
// Empties the note and writes the bytes; false when the system refused.
bool WriteNote(int fd, std::string_view bytes);

// The note's bytes with the line of the file (an absolute path in its normal form) taken out and, when
// `added` is given, a line for it with that status at the end; nullopt when the list would be too long.
std::optional<std::string> ChangedNote(std::string_view bytes, const std::string& path,
                                       const struct stat* added);

// Removes what the bytes of the note (the file `note`) name as above, the program folder being `folder`
// (absolute, normal). Returns what could not be read or told ("" when nothing): a line the tool did not
// write (then nothing is removed), a noted file that could not be looked at or removed.
std::string SweepNotedFiles(std::string_view bytes, const std::string& folder, const std::string& note);
