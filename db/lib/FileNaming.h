// How the file layer goes from a name to the file on disk it acts on: which symbolic links it follows,
// and how it makes a file new. The open-file list (FileList.h) keys, opens, creates and deletes files
// through these alone.
//
// Links: the folders along a name are followed as the system follows them. The name's last part is
// followed through a symbolic link only when the link is trusted: this account's own, or one of the
// account that owns the folder holding it while no other account may write that folder. A link in a
// folder others may write (a program folder two accounts share, /tmp) may have been put there by any
// of them: following it would let that account make this one open, write or delete a file of its
// choosing. The name of an untrusted link is the link itself, and an open of it is refused with EACCES
// (as the system's own protection of such folders answers).
//
// Only regular files are opened: an open of anything else (a FIFO, a device, a folder) is refused before
// any read or write, with ENXIO (a folder EISDIR), and a link that takes a name's place between the
// look at the name and its open is never followed.
//
// Made new: every file the engine creates (a table's files, a backup, a working or temporary file, a
// journal) is a new file, made with O_CREAT | O_EXCL | O_NOFOLLOW in its folder: never through a link,
// never an existing file taken over. A name already there is removed first, as the creation replaces
// it: a link or anything else but a regular file at once (what a link leads to stays as it is); a
// regular file only once its exclusive open-mode lock (SharedFile.h) is granted, which no process that
// has it open allows, and only while the name still gives that file.
#pragma once

#include <string>

namespace vorsam {

// The absolute, normal path by which the list keys the disk file of `name`: its folder with every link
// resolved, its last part followed through trusted links (`followLast`) or not at all.
std::string DiskFileKey(const std::string& name, bool followLast);

// Opens an existing file by its key, `flags` being O_RDWR or O_RDONLY, as above; -1 with errno set.
int OpenKeyedFile(const std::string& key, int flags);

// Makes the file of the key new as above and holds its exclusive open-mode lock; -1 with errno set:
// EAGAIN while the file that has the name is in use, or when another process took the name meanwhile;
// EEXIST when names keep coming back in its place.
int MakeNewFile(const std::string& key);

} // namespace vorsam
