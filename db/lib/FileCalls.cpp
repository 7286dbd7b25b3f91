#include "db/lib/FileCalls.h"

#include "db/lib/FileList.h"
#include "db/lib/LibraryGlobals.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <unistd.h>

namespace vorsam {

namespace {

// False, errno set, when the injector fails the call.
bool Proceeds(TFileOperation operation, const std::string& name, bool writing = false) {
    if (!LibraryGlobalsInitialized()) return true;
    TFileFaults& faults = GetFileList().Faults();
    if (faults.Before({operation, name, false, 0, 0, writing}) != TFaultAction::Fail) return true;
    errno = faults.FailError(operation);
    return false;
}

TFolderEntry::TKind KindOf(mode_t mode) {
    return S_ISREG(mode)   ? TFolderEntry::TKind::Plain
           : S_ISLNK(mode) ? TFolderEntry::TKind::Link
           : S_ISDIR(mode) ? TFolderEntry::TKind::Folder
                           : TFolderEntry::TKind::Other;
}

} // namespace

int OpenByName(const std::string& path, int flags, mode_t mode) {
    const bool writing = (flags & O_ACCMODE) != O_RDONLY || (flags & (O_CREAT | O_TRUNC)) != 0;
    if (!Proceeds(TFileOperation::Open, path, writing)) return -1;
    return ::open(path.c_str(), flags, mode);
}

int OpenInFolder(int folder, const std::string& name, const std::string& path, int flags, mode_t mode) {
    const bool writing = (flags & O_ACCMODE) != O_RDONLY || (flags & (O_CREAT | O_TRUNC)) != 0;
    if (!Proceeds(TFileOperation::Open, path, writing)) return -1;
    return ::openat(folder, name.c_str(), flags, mode);
}

int StatusByName(const std::string& path, struct stat& info, bool followLinks) {
    if (!Proceeds(TFileOperation::Status, path)) return -1;
    return followLinks ? ::stat(path.c_str(), &info) : ::lstat(path.c_str(), &info);
}

int AccessByName(const std::string& path, int mode) {
    if (!Proceeds(TFileOperation::Status, path)) return -1;
    return ::access(path.c_str(), mode);
}

int ListFolder(const std::string& folder, std::vector<TFolderEntry>& entries) {
    entries.clear();
    if (!Proceeds(TFileOperation::List, folder)) return -1;
    std::unique_ptr<DIR, int (*)(DIR*)> listing(::opendir(folder.c_str()), ::closedir);
    if (!listing) return -1;
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(listing.get());
        if (entry == nullptr) return errno == 0 ? 0 : -1;
        const std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        TFolderEntry::TKind kind = entry->d_type == DT_REG   ? TFolderEntry::TKind::Plain
                                   : entry->d_type == DT_LNK ? TFolderEntry::TKind::Link
                                   : entry->d_type == DT_DIR ? TFolderEntry::TKind::Folder
                                                             : TFolderEntry::TKind::Other;
        if (entry->d_type == DT_UNKNOWN) {
            struct stat info {};
            if (::fstatat(::dirfd(listing.get()), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0)
                kind = KindOf(info.st_mode);
            else if (errno != ENOENT) // a name gone meanwhile is no longer listed
                return -1;
            else
                continue;
        }
        entries.push_back({name, kind});
    }
}

} // namespace vorsam
