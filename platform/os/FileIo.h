#pragma once
// Whole-file reading and safe whole-file writing.
//
// WriteFileAtomically writes the new contents to a temporary file in the target's folder, flushes
// it to the disk, and renames it over the target, then flushes the folder: a crash at any moment
// leaves either the old file or the new one, never a mix. A failure removes the temporary file and
// raises EOsError naming the target; the target is then untouched. A target that is a symbolic
// link stays one: the file it leads to (through every link on the way) is the one replaced.
// The temporary file is "<target>.tmp-XXXXXX" (six letters or digits); an observer set with
// SetTemporaryFileObserver hears of it once it exists and again once it is gone (renamed over the
// target or removed), on the thread that writes.

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

// The whole file; std::nullopt when it does not exist. Any other failure, a file longer than
// maxBytes, or one that is no regular file (a folder: EISDIR; a FIFO, device or socket: ENXIO, and
// it is not opened) raises EOsError.
std::optional<std::string> ReadWholeFile(const std::string& path, std::size_t maxBytes = 64 << 20);

void WriteFileAtomically(const std::string& path, std::string_view contents);

// The file a path leads to through its symbolic links (the path itself when it is no link; the
// last link's target may not exist yet). Raises EOsError for a link that cannot be followed.
std::string FollowLinks(const std::string& path);

// exists: true once the temporary file (its absolute path) exists, false once it is gone. The
// observer must not raise. Empty = nobody observes.
using TTemporaryFileObserver = std::function<void(const std::string& tempPath, bool exists)>;
void SetTemporaryFileObserver(TTemporaryFileObserver observer);

// Fault injection for tests: called with the temporary file's path after it was written and
// flushed, just before the rename. A hook that throws makes the write fail as a failed rename
// would; a hook that ends the process stands for a crash at that point. Empty = no hook.
void SetBeforeRenameHook(std::function<void(const std::string& tempPath)> hook);
// Fault injection for tests: called before each write into a temporary file; a non-zero result
// is the system error that write fails with (ENOSPC for a full disk). Empty = no hook.
void SetWriteFaultHook(std::function<int(const std::string& tempPath)> hook);

// Creates the folder and its missing parents; an existing folder is fine.
void CreateFolders(const std::string& path);

bool FileExists(const std::string& path);
bool FolderExists(const std::string& path);

// Deletes the file when it exists; a missing file is not an error.
void DeleteFileIfPresent(const std::string& path);
