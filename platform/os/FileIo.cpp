#include "platform/os/FileIo.h"

#include "platform/os/OsError.h"

#include <cassert>
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

TSafeWrite::TSafeWrite(const std::string& path, mode_t newFileMode)
    : path_(path), target_(FollowLinks(path)), temporary_(target_ + ".tmp-XXXXXX"),
      newFileMode_(newFileMode) {
    fd_ = ::mkostemp(temporary_.data(), O_CLOEXEC); // O_CREAT | O_EXCL: a new file, never through a link
    if (fd_ < 0) RaiseOsError(TOsAction::Write, "Cannot create a temporary file for", path, errno);
    pending_ = true;
    Observe(temporary_, true);
}

TSafeWrite::~TSafeWrite() {
    Abandon();
}

void TSafeWrite::Abandon() noexcept {
    if (fd_ >= 0) ::close(std::exchange(fd_, -1));
    if (!std::exchange(pending_, false)) return;
    ::unlink(temporary_.c_str());
    Observe(temporary_, false);
}

// Failures name the file the caller named, not the temporary one.
void TSafeWrite::Write(std::string_view contents) {
    assert(fd_ >= 0 && "written before its commit");
    try {
        WriteAll(fd_, contents, temporary_);
    } catch (const EOsError& error) {
        throw EOsError(error.Action(), path_, error.ErrorNumber(), error.what());
    }
}

void TSafeWrite::Commit() {
    assert(fd_ >= 0 && "committed once");
    try {
        if (::fsync(fd_) != 0) RaiseOsError(TOsAction::Write, "Cannot flush", path_, errno);
        struct stat old {}; // a link that is not followed gives its place, not its mode
        const bool replaced = ::lstat(target_.c_str(), &old) == 0 && S_ISREG(old.st_mode);
        ::fchmod(fd_, replaced ? (old.st_mode & 07777) : newFileMode_);
        if (::close(std::exchange(fd_, -1)) != 0)
            RaiseOsError(TOsAction::Write, "Cannot close", path_, errno);
        if (BeforeRenameHook()) BeforeRenameHook()(temporary_);
        if (::rename(temporary_.c_str(), target_.c_str()) != 0)
            RaiseOsError(TOsAction::Write, "Cannot replace", path_, errno);
    } catch (const EOsError& error) {
        Abandon();
        if (error.Path() != temporary_) throw;
        throw EOsError(error.Action(), path_, error.ErrorNumber(), error.what());
    } catch (...) {
        Abandon();
        throw;
    }
    pending_ = false;
    Observe(temporary_, false);
    SyncFolder(FolderOf(target_));
}

void WriteFileAtomically(const std::string& path, std::string_view contents, mode_t newFileMode) {
    TSafeWrite write(path, newFileMode);
    write.Write(contents);
    write.Commit();
}

std::string FollowLinks(const std::string& path) {
    constexpr int MaxLinks = 40; // as the system allows before ELOOP
    std::filesystem::path current(path);
    for (int link = 0; link < MaxLinks; ++link) {
        struct stat status {
        }, folder{};
        if (::lstat(current.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) return current.string();
        const std::filesystem::path parent = current.parent_path().empty() ? "." : current.parent_path();
        // As the file layer of the engine trusts links (db/lib/FileNaming.h).
        if (::stat(parent.c_str(), &folder) != 0 ||
            (status.st_uid != ::geteuid() &&
             (status.st_uid != folder.st_uid || (folder.st_mode & (S_IWGRP | S_IWOTH)) != 0)))
            return current.string();
        std::error_code error;
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
