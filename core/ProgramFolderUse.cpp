#include "core/ProgramFolderUse.h"

#include "core/LeftoversNote.h"
#include "platform/os/FileIo.h"
#include "platform/os/OsError.h"

#include <cassert>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <optional>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr off_t UseByte = 0;
constexpr off_t ListByte = 1;
constexpr std::chrono::seconds ListWait{2};

// The use of this process, for the safe writes' observer and the scratch table.
std::mutex currentMutex;
TProgramFolderUse* current = nullptr;

void Observe(const std::string& path, bool exists) {
    const std::lock_guard lock(currentMutex);
    if (current == nullptr) return;
    if (exists)
        current->Note(path);
    else
        current->Forget(path);
}

// Locks one byte of the open file description: shared, exclusive or unlocked (F_RDLCK, F_WRLCK,
// F_UNLCK), without waiting. A lock held already is changed in one step.
bool LockByte(int fd, off_t byte, short type) {
    struct flock lock {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = byte;
    lock.l_len = 1;
    while (::fcntl(fd, F_OFD_SETLK, &lock) != 0)
        if (errno != EINTR) return false;
    return true;
}

// Takes the lock once the process that holds the byte lets go; false (errno set) when it does not
// within `wait` (a sweep or a change of the list takes far less).
bool WaitForByte(int fd, off_t byte, short type, std::chrono::milliseconds wait) {
    const auto giveUp = std::chrono::steady_clock::now() + wait;
    while (!LockByte(fd, byte, type)) {
        if ((errno != EAGAIN && errno != EACCES) || std::chrono::steady_clock::now() >= giveUp) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

// The absolute, normal form of a path (as given when the working folder cannot be read).
std::string AbsolutePath(const std::string& path) {
    std::error_code error;
    const fs::path absolute = fs::absolute(path, error);
    return error ? path : absolute.lexically_normal().string();
}

std::string SystemError(const std::string& what, const std::string& path) {
    return what + " " + path + ": " + std::strerror(errno);
}

} // namespace

TProgramFolderUse::TProgramFolderUse(const std::string& folder, std::chrono::milliseconds sweepWait)
    : folder_(AbsolutePath(folder)), note_((fs::path(folder_) / LeftoversNoteName).string()) {
    if (!Open()) return;
    bool locked = LockByte(fd_, UseByte, F_WRLCK);
    if (locked) {
        if (const std::optional<std::string> bytes = ReadNote(fd_))
            problem_ = SweepNotedFiles(*bytes, folder_, note_);
        else
            problem_ = SystemError("cannot read", note_);
        EmptyNote(fd_);
        swept_ = problem_.empty();
        LockByte(fd_, UseByte, F_RDLCK);             // from exclusive to shared in one step
    } else if (errno == EAGAIN || errno == EACCES) { // another copy uses the folder
        locked = WaitForByte(fd_, UseByte, F_RDLCK, sweepWait);
    }
    if (!locked) {
        problem_ = SystemError("cannot lock", note_);
        ::close(fd_);
        fd_ = -1;
        return;
    }
    const std::lock_guard lock(currentMutex);
    assert(current == nullptr && "one use of a program folder at a time");
    current = this;
    SetTemporaryFileObserver(Observe);
}

TProgramFolderUse::~TProgramFolderUse() {
    if (fd_ < 0) return;
    {
        const std::lock_guard lock(currentMutex);
        if (current == this) {
            SetTemporaryFileObserver({});
            current = nullptr;
        }
    }
    ::close(fd_); // the locks go with the description
}

bool TProgramFolderUse::Open() {
    try {
        CreateFolders(folder_);
    } catch (const EOsError& error) {
        problem_ = error.what();
        return false;
    }
    // Made readable by all and writable by this account alone (see Trust): the mode the umask leaves a
    // new note, or one made so by an earlier copy, is set right once the note is trusted.
    fd_ = ::open(note_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK,
                 LeftoversNoteMode);
    if (fd_ < 0 && errno == EEXIST) fd_ = ::open(note_.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    struct stat status {};
    if (fd_ < 0 || ::fstat(fd_, &status) != 0) {
        problem_ = SystemError(fd_ < 0 ? "cannot open" : "cannot look at", note_);
    } else if (const std::string distrust = NoteDistrust(status); !distrust.empty()) {
        problem_ = note_ + " is left alone: " + distrust;
    } else if ((status.st_mode & 07777) != LeftoversNoteMode && ::fchmod(fd_, LeftoversNoteMode) != 0) {
        problem_ = SystemError("cannot make readable by all", note_); // as the umask made it
    } else {
        return true;
    }
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    return false;
}

void TProgramFolderUse::Note(const std::string& path) {
    Change(path, true);
}

void TProgramFolderUse::Forget(const std::string& path) {
    Change(path, false);
}

// Best effort: a file that cannot be noted is not swept should a kill leave it (nor one whose path
// holds a line break, which no line of the note can hold).
void TProgramFolderUse::Change(const std::string& path, bool add) {
    if (fd_ < 0) return;
    const std::string absolute = AbsolutePath(path);
    if (absolute.find('\n') != std::string::npos) return;
    std::optional<TNotedFileLook> look;
    if (add && !(look = LookAtNotedFile(AT_FDCWD, absolute.c_str()))) return;
    const std::lock_guard lock(mutex_);
    if (!WaitForByte(fd_, ListByte, F_WRLCK, ListWait)) return;
    ChangeNote(fd_, absolute, look ? &look->Id : nullptr);
    LockByte(fd_, ListByte, F_UNLCK);
}

void NoteLeftover(const std::string& path) {
    Observe(path, true);
}

void ForgetLeftover(const std::string& path) {
    Observe(path, false);
}
