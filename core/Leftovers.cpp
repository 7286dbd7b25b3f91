#include "core/Leftovers.h"

#include "core/TempTable.h"
#include "platform/os/FileIo.h"
#include "platform/os/OsError.h"

#include <algorithm>
#include <cassert>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <optional>
#include <string_view>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr std::size_t MaxNoteBytes = 1 << 20;
constexpr off_t UseByte = 0;
constexpr off_t ListByte = 1;
constexpr std::chrono::seconds ListWait{2};
constexpr std::string_view TemporaryMark = ".tmp-";
constexpr std::size_t TemporaryLetters = 6; // mkstemp's XXXXXX

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

// The note's bytes; nullopt (errno set) when they cannot be read or are too many.
std::optional<std::string> ReadNote(int fd) {
    struct stat status {};
    if (::fstat(fd, &status) != 0) return std::nullopt;
    if (status.st_size < 0 || static_cast<std::size_t>(status.st_size) > MaxNoteBytes) {
        errno = EFBIG;
        return std::nullopt;
    }
    std::string bytes(static_cast<std::size_t>(status.st_size), '\0');
    std::size_t got = 0;
    while (got < bytes.size()) {
        const ssize_t read = ::pread(fd, bytes.data() + got, bytes.size() - got, static_cast<off_t>(got));
        if (read < 0 && errno == EINTR) continue;
        if (read < 0) return std::nullopt;
        if (read == 0) break; // cut meanwhile
        got += static_cast<std::size_t>(read);
    }
    bytes.resize(got);
    return bytes;
}

// Empties the note and writes the bytes; false when the system refused.
bool WriteNote(int fd, std::string_view bytes) {
    if (::ftruncate(fd, 0) != 0) return false;
    for (std::size_t written = 0; written < bytes.size();) {
        const ssize_t wrote =
            ::pwrite(fd, bytes.data() + written, bytes.size() - written, static_cast<off_t>(written));
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) return false;
        written += static_cast<std::size_t>(wrote);
    }
    return true;
}

// The note's complete lines (a last line without its "\n" is dropped), each without its "\n".
std::vector<std::string_view> CompleteLines(std::string_view bytes) {
    std::vector<std::string_view> lines;
    for (std::size_t end; (end = bytes.find('\n')) != std::string_view::npos; bytes.remove_prefix(end + 1))
        lines.push_back(bytes.substr(0, end));
    return lines;
}

struct TNotedFile {
    dev_t device;
    ino_t inode;
    fs::path path;
};

std::string_view PathOf(std::string_view line) {
    const std::size_t first = line.find(' ');
    const std::size_t second = first == std::string_view::npos ? first : line.find(' ', first + 1);
    return second == std::string_view::npos ? std::string_view() : line.substr(second + 1);
}

template <typename T> bool ParseNumber(std::string_view text, T& value) {
    std::uint64_t number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) return false;
    value = static_cast<T>(number);
    return static_cast<std::uint64_t>(value) == number;
}

bool IsTemporaryName(const std::string& name) {
    const std::size_t mark = name.rfind(TemporaryMark);
    return mark != std::string::npos && mark > 0 &&
           name.size() == mark + TemporaryMark.size() + TemporaryLetters &&
           std::all_of(name.end() - TemporaryLetters, name.end(),
                       [](unsigned char c) { return std::isalnum(c) != 0; });
}

// A line of the note as the tool writes it: numbers, an absolute path in its normal form (no "." or
// ".." parts), naming a temporary file anywhere or the scratch table in the program folder.
std::optional<TNotedFile> ParseLine(std::string_view line, const fs::path& folder) {
    const std::size_t first = line.find(' ');
    const std::string_view path = PathOf(line);
    TNotedFile noted{};
    if (first == std::string_view::npos || path.empty() ||
        !ParseNumber(line.substr(0, first), noted.device) ||
        !ParseNumber(line.substr(first + 1, path.data() - line.data() - first - 2), noted.inode) ||
        path.find('\0') != std::string_view::npos)
        return std::nullopt;
    noted.path = fs::path(path);
    if (!noted.path.is_absolute() || noted.path.lexically_normal() != noted.path ||
        !noted.path.has_filename())
        return std::nullopt;
    const std::string name = noted.path.filename().string();
    const bool scratch =
        std::ranges::find(TempTableFiles, name) != TempTableFiles.end() && noted.path.parent_path() == folder;
    if (!scratch && !IsTemporaryName(name)) return std::nullopt;
    return noted;
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
        Sweep();
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
    fd_ = ::open(note_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0666);
    struct stat status {};
    if (fd_ >= 0 && ::fstat(fd_, &status) == 0 && S_ISREG(status.st_mode)) return true;
    problem_ = fd_ >= 0 ? note_ + " is not a regular file" : SystemError("cannot open", note_);
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    return false;
}

void TProgramFolderUse::Sweep() {
    const std::optional<std::string> bytes = ReadNote(fd_);
    std::vector<TNotedFile> noted;
    if (!bytes) problem_ = SystemError("cannot read", note_);
    for (const std::string_view line : bytes ? CompleteLines(*bytes) : std::vector<std::string_view>()) {
        std::optional<TNotedFile> file = ParseLine(line, folder_);
        if (!file) {
            problem_ = note_ + " holds a line the tool did not write: " + std::string(line.substr(0, 300));
            noted.clear();
            break;
        }
        noted.push_back(std::move(*file));
    }
    for (const TNotedFile& file : noted) {
        struct stat status {};
        if (::lstat(file.path.c_str(), &status) == 0 && S_ISREG(status.st_mode) &&
            status.st_dev == file.device && status.st_ino == file.inode)
            ::unlink(file.path.c_str()); // best effort: what cannot be removed stays
    }
    WriteNote(fd_, {});
    swept_ = problem_.empty();
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
    struct stat status {};
    if (add && ::lstat(absolute.c_str(), &status) != 0) return;
    const std::lock_guard lock(mutex_);
    if (!WaitForByte(fd_, ListByte, F_WRLCK, ListWait)) return;
    if (const std::optional<std::string> bytes = ReadNote(fd_)) {
        std::string list;
        for (const std::string_view line : CompleteLines(*bytes))
            if (PathOf(line) != absolute) list.append(line).push_back('\n');
        if (add)
            list +=
                std::to_string(status.st_dev) + " " + std::to_string(status.st_ino) + " " + absolute + "\n";
        if (list.size() <= MaxNoteBytes && list != *bytes) WriteNote(fd_, list);
    }
    LockByte(fd_, ListByte, F_UNLCK);
}

void NoteLeftover(const std::string& path) {
    Observe(path, true);
}

void ForgetLeftover(const std::string& path) {
    Observe(path, false);
}
