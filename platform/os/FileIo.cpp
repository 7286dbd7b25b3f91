#include "platform/os/FileIo.h"

#include "platform/os/OsError.h"

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

std::function<void(const std::string&)>& BeforeRenameHook() {
    static std::function<void(const std::string&)> hook;
    return hook;
}

std::function<int(const std::string&)>& WriteFaultHook() {
    static std::function<int(const std::string&)> hook;
    return hook;
}

struct TObserverSlot {
    std::mutex mutex;
    TTemporaryFileObserver observer;
};
TObserverSlot& ObserverSlot() {
    static TObserverSlot slot;
    return slot;
}

// Tells the observer, if any, that the temporary file exists or is gone.
void Observe(const std::string& tempPath, bool exists) {
    TTemporaryFileObserver observer;
    {
        const std::lock_guard lock(ObserverSlot().mutex);
        observer = ObserverSlot().observer;
    }
    if (!observer) return;
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(tempPath, error);
    observer(error ? tempPath : absolute.lexically_normal().string(), exists);
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
    if (WriteFaultHook())
        if (const int fault = WriteFaultHook()(path))
            RaiseOsError(TOsAction::Write, "Cannot write", path, fault);
    while (!contents.empty()) {
        const ssize_t written = ::write(fd, contents.data(), contents.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            RaiseOsError(TOsAction::Write, "Cannot write", path, errno);
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
    if (::fsync(fd) != 0) RaiseOsError(TOsAction::Write, "Cannot flush", tempPath, errno);
}

// Only a regular file is read: a FIFO would hold the open or the read for ever, a device do what
// its open does. A folder is refused with EISDIR, anything else with ENXIO.
void RequireRegularFile(const struct stat& status, const std::string& path) {
    if (!S_ISREG(status.st_mode))
        RaiseOsError(TOsAction::Read, "Not a regular file", path, S_ISDIR(status.st_mode) ? EISDIR : ENXIO);
}

} // namespace

std::optional<std::string> ReadWholeFile(const std::string& path, std::size_t maxBytes) {
    struct stat status {};
    if (::stat(path.c_str(), &status) == 0) RequireRegularFile(status, path); // before it is opened
    TFileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd.Get() < 0) {
        if (errno == ENOENT) return std::nullopt;
        RaiseOsError(TOsAction::Read, "Cannot open", path, errno);
    }
    if (::fstat(fd.Get(), &status) != 0) RaiseOsError(TOsAction::Read, "Cannot read", path, errno);
    RequireRegularFile(status, path); // what the name led to meanwhile
    std::string contents;
    char buffer[16384];
    for (;;) {
        const ssize_t got = ::read(fd.Get(), buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR) continue;
            RaiseOsError(TOsAction::Read, "Cannot read", path, errno);
        }
        if (got == 0) break;
        if (contents.size() + static_cast<std::size_t>(got) > maxBytes)
            RaiseOsError(TOsAction::Read, "File too large", path, EFBIG);
        contents.append(buffer, static_cast<std::size_t>(got));
    }
    return contents;
}

void WriteFileAtomically(const std::string& path, std::string_view contents) {
    const std::string target = FollowLinks(path);
    const std::string folder = FolderOf(target);
    std::string tempPath = target + ".tmp-XXXXXX";
    TFileDescriptor fd(::mkstemp(tempPath.data()));
    if (fd.Get() < 0) RaiseOsError(TOsAction::Write, "Cannot create a temporary file for", path, errno);
    Observe(tempPath, true);
    try {
        WriteTemporary(fd.Get(), tempPath, contents);
        struct stat old {};
        const mode_t mode = ::stat(target.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644;
        ::fchmod(fd.Get(), mode);
        if (::close(fd.Release()) != 0) RaiseOsError(TOsAction::Write, "Cannot close", tempPath, errno);
        if (BeforeRenameHook()) BeforeRenameHook()(tempPath);
        if (::rename(tempPath.c_str(), target.c_str()) != 0)
            RaiseOsError(TOsAction::Write, "Cannot replace", path, errno);
    } catch (const EOsError& error) {
        ::unlink(tempPath.c_str());
        Observe(tempPath, false);
        if (error.Path() != tempPath) throw;
        throw EOsError(error.Action(), path, error.ErrorNumber(), error.what()); // the file the caller named
    } catch (...) {
        ::unlink(tempPath.c_str());
        Observe(tempPath, false);
        throw;
    }
    Observe(tempPath, false);
    SyncFolder(folder);
}

std::string FollowLinks(const std::string& path) {
    constexpr int MaxLinks = 40; // as the system allows before ELOOP
    std::filesystem::path current(path);
    for (int link = 0; link < MaxLinks; ++link) {
        std::error_code error;
        if (!std::filesystem::is_symlink(current, error)) return current.string();
        const std::filesystem::path next = std::filesystem::read_symlink(current, error);
        if (error) RaiseOsError(TOsAction::Write, "Cannot follow the link", path, error.value());
        current = next.is_absolute() ? next : current.parent_path() / next;
    }
    RaiseOsError(TOsAction::Write, "Cannot follow the link", path, ELOOP);
}

void SetTemporaryFileObserver(TTemporaryFileObserver observer) {
    const std::lock_guard lock(ObserverSlot().mutex);
    ObserverSlot().observer = std::move(observer);
}

void SetWriteFaultHook(std::function<int(const std::string& tempPath)> hook) {
    WriteFaultHook() = std::move(hook);
}

void SetBeforeRenameHook(std::function<void(const std::string& tempPath)> hook) {
    BeforeRenameHook() = std::move(hook);
}

void CreateFolders(const std::string& path) {
    std::error_code error;
    std::filesystem::create_directories(path, error);
    if (error) RaiseOsError(TOsAction::CreateFolder, "Cannot create the folder", path, error.value());
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
    if (::unlink(path.c_str()) != 0 && errno != ENOENT)
        RaiseOsError(TOsAction::Delete, "Cannot delete", path, errno);
}
