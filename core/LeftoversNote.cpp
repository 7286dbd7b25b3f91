#include "core/LeftoversNote.h"

#include "core/TempTable.h"
#include "db/lib/SharedFile.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr std::size_t MaxNoteBytes = 1 << 20;
constexpr std::string_view TemporaryMark = ".tmp-";
constexpr std::size_t TemporaryLetters = 6; // mkstemp's XXXXXX

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
    bool scratch; // a file of the scratch table
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
    noted.scratch =
        std::ranges::find(TempTableFiles, name) != TempTableFiles.end() && noted.path.parent_path() == folder;
    if (!noted.scratch && !IsTemporaryName(name)) return std::nullopt;
    return noted;
}

std::string SystemError(const std::string& what, const fs::path& path) {
    return what + " " + path.string() + ": " + std::strerror(errno);
}

std::string Unlink(int folder, const std::string& name, const fs::path& path) {
    return ::unlinkat(folder, name.c_str(), 0) == 0 || errno == ENOENT ? ""
                                                                       : SystemError("cannot remove", path);
}

// A file descriptor closed with its owner.
struct TDescriptor {
    int fd;
    ~TDescriptor() {
        if (fd >= 0) ::close(fd);
    }
};

// Whether the name in the open folder gives the noted file, a regular one of this account: 1 it does, 0 it
// gives another file or none, -1 that cannot be told (errno set).
int Noted(int folder, const char* name, const TNotedFile& noted) {
    struct stat status {};
    if (::fstatat(folder, name, &status, AT_SYMLINK_NOFOLLOW) != 0) return errno == ENOENT ? 0 : -1;
    return S_ISREG(status.st_mode) && status.st_uid == ::geteuid() && status.st_dev == noted.device &&
           status.st_ino == noted.inode;
}

// Removes the noted file while it is the one noted (a scratch table's file only while no process has
// it open); "" when it is removed or not there as noted, else what could not be done.
std::string RemoveNoted(const TNotedFile& noted) {
    // The folder is held open, so that the name is looked at and removed in one and the same folder.
    const TDescriptor folder{::open(noted.path.parent_path().c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC)};
    if (folder.fd < 0)
        return errno == ENOENT || errno == ENOTDIR ? "" : SystemError("cannot look at", noted.path);
    const std::string name = noted.path.filename().string();
    if (const int found = Noted(folder.fd, name.c_str(), noted); found <= 0)
        return found == 0 ? "" : SystemError("cannot look at", noted.path);
    if (noted.scratch) {
        // The engine's exclusive open: refused while any process, of any account, has the file open.
        const TDescriptor table{
            ::openat(folder.fd, name.c_str(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC)};
        struct stat opened {};
        if (table.fd < 0 && errno == ENOENT) return ""; // gone meanwhile
        if (table.fd < 0 || ::fstat(table.fd, &opened) != 0) return SystemError("cannot open", noted.path);
        if (opened.st_dev != noted.device || opened.st_ino != noted.inode) return "";
        const int error = vorsam::SetDescriptorLock(table.fd, true, true, vorsam::OpenModeLockOffset, 1);
        if (error == EAGAIN) return ""; // a copy works on it
        errno = error;
        if (error != 0) return SystemError("cannot lock", noted.path);
        if (const int found = Noted(folder.fd, name.c_str(), noted); found <= 0)
            return found == 0 ? "" : SystemError("cannot look at", noted.path);
        return Unlink(folder.fd, name, noted.path); // while the lock holds
    }
    return Unlink(folder.fd, name, noted.path);
}

} // namespace

std::string NoteDistrust(const struct stat& status) {
    if (!S_ISREG(status.st_mode)) return "it is not a regular file";
    if (status.st_uid != ::geteuid()) return "it belongs to the account " + std::to_string(status.st_uid);
    if ((status.st_mode & (S_IWGRP | S_IWOTH)) != 0) return "other accounts may write it";
    if (status.st_nlink != 1) return "it has " + std::to_string(status.st_nlink) + " names";
    return "";
}

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

std::optional<std::string> ChangedNote(std::string_view bytes, const std::string& path,
                                       const struct stat* added) {
    std::string list;
    for (const std::string_view line : CompleteLines(bytes))
        if (PathOf(line) != path) list.append(line).push_back('\n');
    if (added)
        list += std::to_string(added->st_dev) + " " + std::to_string(added->st_ino) + " " + path + "\n";
    if (list.size() > MaxNoteBytes) return std::nullopt;
    return list;
}

std::string SweepNotedFiles(std::string_view bytes, const std::string& folder, const std::string& note) {
    std::vector<TNotedFile> noted;
    for (const std::string_view line : CompleteLines(bytes)) {
        std::optional<TNotedFile> file = ParseLine(line, folder);
        if (!file) return note + " holds a line the tool did not write: " + std::string(line.substr(0, 300));
        noted.push_back(std::move(*file));
    }
    std::string problem;
    for (const TNotedFile& file : noted) { // what cannot be removed stays
        const std::string failure = RemoveNoted(file);
        if (problem.empty()) problem = failure;
    }
    return problem;
}
