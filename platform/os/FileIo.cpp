#include "platform/os/FileIo.h"

#include "platform/os/OsError.h"

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

std::function<void(const std::string&)>& BeforeRenameHook() {
    static std::function<void(const std::string&)> hook;
    return hook;
}

// Closes the descriptor on every path out of a function.
class TFileDescriptor {
public:
    explicit TFileDescriptor(int fd) : fd_(fd) {}
    TFileDescriptor(const TFileDescriptor&) = delete;
    TFileDescriptor& operator=(const TFileDescriptor&) = delete;
    ~TFileDescriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    int Get() const { return fd_; }
    int Release() { return std::exchange(fd_, -1); }

private:
    int fd_;
};

std::string FolderOf(const std::string& path) {
    const auto parent = std::filesystem::path(path).parent_path();
    return parent.empty() ? std::string(".") : parent.string();
}

void WriteAll(int fd, std::string_view contents, const std::string& path) {
    while (!contents.empty()) {
        const ssize_t written = ::write(fd, contents.data(), contents.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            RaiseOsError("Cannot write", path, errno);
        }
        contents.remove_prefix(static_cast<std::size_t>(written));
    }
}

void SyncFolder(const std::string& folder) {
    TFileDescriptor fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.Get() >= 0) ::fsync(fd.Get());
}

void WriteTemporary(int fd, const std::string& tempPath, std::string_view contents) {
    WriteAll(fd, contents, tempPath);
    if (::fsync(fd) != 0) RaiseOsError("Cannot flush", tempPath, errno);
}

} // namespace

std::optional<std::string> ReadWholeFile(const std::string& path, std::size_t maxBytes) {
    TFileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.Get() < 0) {
        if (errno == ENOENT) return std::nullopt;
        RaiseOsError("Cannot open", path, errno);
    }
    std::string contents;
    char buffer[16384];
    for (;;) {
        const ssize_t got = ::read(fd.Get(), buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR) continue;
            RaiseOsError("Cannot read", path, errno);
        }
        if (got == 0) break;
        if (contents.size() + static_cast<std::size_t>(got) > maxBytes)
            RaiseOsError("File too large", path, EFBIG);
        contents.append(buffer, static_cast<std::size_t>(got));
    }
    return contents;
}

void WriteFileAtomically(const std::string& path, std::string_view contents) {
    const std::string folder = FolderOf(path);
    std::string tempPath = path + ".tmp-XXXXXX";
    TFileDescriptor fd(::mkstemp(tempPath.data()));
    if (fd.Get() < 0) RaiseOsError("Cannot create a temporary file for", path, errno);
    try {
        WriteTemporary(fd.Get(), tempPath, contents);
        struct stat old {};
        const mode_t mode = ::stat(path.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644;
        ::fchmod(fd.Get(), mode);
        if (::close(fd.Release()) != 0) RaiseOsError("Cannot close", tempPath, errno);
        if (BeforeRenameHook()) BeforeRenameHook()(tempPath);
        if (::rename(tempPath.c_str(), path.c_str()) != 0) RaiseOsError("Cannot replace", path, errno);
    } catch (...) {
        ::unlink(tempPath.c_str());
        throw;
    }
    SyncFolder(folder);
}

void SetBeforeRenameHook(std::function<void(const std::string& tempPath)> hook) {
    BeforeRenameHook() = std::move(hook);
}

void CreateFolders(const std::string& path) {
    std::error_code error;
    std::filesystem::create_directories(path, error);
    if (error) RaiseOsError("Cannot create the folder", path, error.value());
}

bool FileExists(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool FolderExists(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

void DeleteFileIfPresent(const std::string& path) {
    if (::unlink(path.c_str()) != 0 && errno != ENOENT) RaiseOsError("Cannot delete", path, errno);
}
