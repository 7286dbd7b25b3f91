#pragma once
// Whole-file reading and safe whole-file writing.
//
// WriteFileAtomically writes the new contents to a temporary file in the target's folder, flushes
// it to the disk, and renames it over the target, then flushes the folder: a crash at any moment
// leaves either the old file or the new one, never a mix. A failure removes the temporary file and
// raises EOsError naming the target; the target is then untouched. A target that is a symbolic
// link this account may trust stays one: the file it leads to (through every such link on the way)
// is the one replaced. A link is trusted when it is this account's, or that of the account that owns
// its folder while no other account may write that folder; any other link (one another account may
// have put in a shared folder) is replaced itself, and what it leads to stays as it is.
// The temporary file is "<target>.tmp-XXXXXX" (six letters or digits), always a new file (never
// reached through a link, never one that was there), readable by its account alone until it takes
// the target's place; an observer set with SetTemporaryFileObserver hears of it once it exists and
// again once it is gone (renamed over the target or removed), on the thread that writes.

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>

// The whole file; std::nullopt when it does not exist. Any other failure, a file longer than
// maxBytes, or one that is no regular file (a folder: EISDIR; a FIFO, device or socket: ENXIO, and
// it is not opened) raises EOsError.
std::optional<std::string> ReadWholeFile(const std::string& path, std::size_t maxBytes = 64 << 20);

// The new file has the mode newFileMode; a file replaced keeps its mode.
void WriteFileAtomically(const std::string& path, std::string_view contents, mode_t newFileMode = 0644);

// The temporary file of a safe write as above, for a writer that writes it itself: made at once,
// removed when destroyed before Commit.
class TSafeWrite {
public:
    explicit TSafeWrite(const std::string& path, mode_t newFileMode = 0644);
    ~TSafeWrite();
    TSafeWrite(const TSafeWrite&) = delete;
    TSafeWrite& operator=(const TSafeWrite&) = delete;

    // The temporary file's descriptor, open for writing.
    int Descriptor() const { return fd_; }
    void Write(std::string_view contents);
    // Flushes the temporary file and puts it in the target's place as above.
    void Commit();
    // Removes the temporary file now; the target stays as it is.
    void Abandon() noexcept;

private:
    std::string path_, target_, temporary_;
    mode_t newFileMode_;
    int fd_ = -1;
    bool pending_ = false; // the temporary file is there
};

// The file a path leads to through the symbolic links this account may trust, as above (the path
// itself when it is no such link; the last link's target may not exist yet). Raises EOsError for a
// link that cannot be followed.
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
