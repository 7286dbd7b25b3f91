// The calls to the system that name a file or a folder rather than read or write an open one: opens,
// status calls (a look at what a name gives) and folder listings, made by the file layer and the engine.
// Each passes the file-fault injector first (FileFaults.h), so that a test can fail it as the system
// would: it then answers the error the test chose, and nothing reaches the system. Each answers as the
// system call does: a descriptor or 0 on success, -1 with errno set on failure.
#pragma once

#include <string>
#include <sys/stat.h>
#include <sys/types.h>
#include <vector>

namespace vorsam {

// open(2); an open that may write (or create, or truncate) tells the injector so (TFileEvent::Writing).
int OpenByName(const std::string& path, int flags, mode_t mode = 0);
// openat(2) of `name` in the open folder `folder`; `path` is the name the injector is told.
int OpenInFolder(int folder, const std::string& name, const std::string& path, int flags, mode_t mode = 0);
// stat(2), or lstat(2) without `followLinks`.
int StatusByName(const std::string& path, struct stat& info, bool followLinks);
// access(2).
int AccessByName(const std::string& path, int mode);

// One name a folder holds, with what it gives as the listing tells it (a symbolic link is not followed).
struct TFolderEntry {
    enum class TKind : uint8_t { Plain, Link, Folder, Other };
    std::string Name;
    TKind Kind;
};

// The folder's names but "." and "..", all of them: -1 with errno when the folder cannot be listed whole
// (the entries read so far are then no listing).
int ListFolder(const std::string& folder, std::vector<TFolderEntry>& entries);

} // namespace vorsam
