#include "db/lib/FileNaming.h"

#include "db/lib/FileCalls.h"
#include "db/lib/FileList.h"
#include "db/lib/SharedFile.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace vorsam {

namespace {

namespace fs = std::filesystem;

constexpr int MaxLinks = 40;    // as the system follows before ELOOP
constexpr int MakeAttempts = 3; // names put back in the place of the removed one, before giving up

// A descriptor closed with its owner.
struct TDescriptor {
    int fd;
    ~TDescriptor() {
        if (fd >= 0) ::close(fd);
    }
};

bool TrustedLink(const struct stat& link, const struct stat& folder) {
    return link.st_uid == ::geteuid() ||
           (link.st_uid == folder.st_uid && (folder.st_mode & (S_IWGRP | S_IWOTH)) == 0);
}

// Whether the name in the folder gives the open file.
bool Names(int folder, const std::string& name, int fd) {
    struct stat named {
    }, open{};
    return ::fstatat(folder, name.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 && ::fstat(fd, &open) == 0 &&
           named.st_dev == open.st_dev && named.st_ino == open.st_ino;
}

// The exclusive open-mode lock, tried again for OpenModeWait as the list's exclusive opens are (another
// process's grace may be running out, FileList.h); 0 or an errno value.
int HoldExclusively(int fd) {
    const auto giveUp = std::chrono::steady_clock::now() + OpenModeWait;
    for (;;) {
        const int error = SetDescriptorLock(fd, true, true, OpenModeLockOffset, 1);
        if (error != EAGAIN || std::chrono::steady_clock::now() >= giveUp) return error;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

// Removes what has the name in the folder, as a creation replaces it (see Made new); 0 when it is gone
// or was looked at meanwhile, else an errno value.
int RemoveUnused(int folder, const std::string& name) {
    struct stat status {};
    if (::fstatat(folder, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0)
        return errno == ENOENT ? 0 : errno;
    if (S_ISREG(status.st_mode)) {
        const TDescriptor old{
            ::openat(folder, name.c_str(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC)};
        if (old.fd < 0) return errno == ENOENT || errno == ELOOP ? 0 : errno; // to be looked at again
        if (const int error = HoldExclusively(old.fd)) return error;
        if (!Names(folder, name, old.fd)) return 0; // another file has the name by now
    }
    return ::unlinkat(folder, name.c_str(), 0) == 0 || errno == ENOENT ? 0 : errno;
}

} // namespace

std::string DiskFileKey(const std::string& name, bool followLast) {
    std::error_code error;
    fs::path path = fs::absolute(name, error);
    path = (error ? fs::absolute(name) : path).lexically_normal();
    for (int link = 0; followLast && link < MaxLinks; ++link) {
        struct stat status {
        }, folder{};
        if (::lstat(path.c_str(), &status) != 0 || !S_ISLNK(status.st_mode) ||
            ::stat(path.parent_path().c_str(), &folder) != 0 || !TrustedLink(status, folder))
            break;
        const fs::path target = fs::read_symlink(path, error);
        if (error) break;
        path = (target.is_absolute() ? target : path.parent_path() / target).lexically_normal();
    }
    if (!path.has_filename()) return fs::weakly_canonical(path, error).string(); // a folder's name
    const fs::path folder = fs::weakly_canonical(path.parent_path(), error);
    return ((error ? path.parent_path() : folder) / path.filename()).string();
}

int OpenKeyedFile(const std::string& key, int flags) {
    const int fd = OpenByName(key, flags | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        // The key has no link in its last part but an untrusted one, or one put there since it was made.
        if (errno == ELOOP) errno = EACCES;
        return -1;
    }
    struct stat status {};
    const int error = ::fstat(fd, &status) != 0 ? errno
                      : S_ISREG(status.st_mode) ? 0
                      : S_ISDIR(status.st_mode) ? EISDIR
                                                : ENXIO;
    if (error == 0 && ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) == 0) return fd;
    ::close(fd);
    errno = error == 0 ? EIO : error;
    return -1;
}

int MakeNewFile(const std::string& key) {
    const fs::path path(key);
    const TDescriptor folder{::open(path.parent_path().c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC)};
    if (folder.fd < 0) return -1;
    const std::string name = path.filename().string();
    for (int attempt = 0; attempt < MakeAttempts; ++attempt) {
        const int fd =
            OpenInFolder(folder.fd, name, key, O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0) {
            // Another process making the same file may have removed this one before the lock held it.
            int error = SetDescriptorLock(fd, true, true, OpenModeLockOffset, 1);
            if (error == 0 && !Names(folder.fd, name, fd)) error = EAGAIN;
            if (error == 0) return fd;
            ::close(fd);
            errno = error;
            return -1;
        }
        if (errno != EEXIST) return -1;
        if (const int error = RemoveUnused(folder.fd, name)) {
            errno = error;
            return -1;
        }
    }
    errno = EEXIST;
    return -1;
}

} // namespace vorsam
