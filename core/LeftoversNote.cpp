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
#include <sys/sysmacros.h>
#include <unistd.h>
#include <unordered_set>
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
    TNotedFileId id;
    fs::path path;
    bool scratch; // a file of the scratch table
};

template <typename T> bool ParseNumber(std::string_view text, T& value) {
    std::uint64_t number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) return false;
    value = static_cast<T>(number);
    return static_cast<std::uint64_t>(value) == number;
}

// The id and path of a line: three numbers and a path, each after one space; the path is "" when the
// line is not of that form.
std::string_view ParseFields(std::string_view line, TNotedFileId& id) {
    std::string_view fields[3];
    for (std::string_view& field : fields) {
        const std::size_t space = line.find(' ');
        if (space == std::string_view::npos) return {};
        field = line.substr(0, space);
        line.remove_prefix(space + 1);
    }
    if (!ParseNumber(fields[0], id.Device) || !ParseNumber(fields[1], id.Inode) ||
        !ParseNumber(fields[2], id.Birth))
        return {};
    return line;
}

std::string_view PathOf(std::string_view line) {
    TNotedFileId id{};
    return ParseFields(line, id);
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
    TNotedFile noted{};
    const std::string_view path = ParseFields(line, noted.id);
    if (path.empty() || path.find('\0') != std::string_view::npos) return std::nullopt;
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
    const std::optional<TNotedFileLook> look = LookAtNotedFile(folder, name);
    if (!look) return errno == ENOENT ? 0 : -1;
    return look->OwnRegularFile && look->Id == noted.id;
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
        if (noted.id.Birth == 0) return ""; // a later table may have the numbers: the next build removes it
        // The engine's exclusive open: refused while any process, of any account, has the file open.
        const TDescriptor table{
            ::openat(folder.fd, name.c_str(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC)};
        if (table.fd < 0 && errno == ENOENT) return ""; // gone meanwhile
        if (table.fd < 0) return SystemError("cannot open", noted.path);
        const std::optional<TNotedFileLook> opened = LookAtNotedFile(table.fd, "");
        if (!opened) return SystemError("cannot open", noted.path);
        if (opened->Id != noted.id) return "";
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

std::optional<std::size_t>& StopBudget() {
    static std::optional<std::size_t> bytes;
    return bytes;
}

// How many of the bytes a change may write before the stop a test asked for (StopNoteChangesAfter).
std::size_t Allowed(std::size_t bytes) {
    std::optional<std::size_t>& budget = StopBudget();
    if (!budget) return bytes;
    if (*budget == 0) throw ENoteChangeStopped();
    bytes = std::min(bytes, *budget);
    *budget -= bytes;
    return bytes;
}

bool Cut(int fd, off_t size) {
    Allowed(1);
    return ::ftruncate(fd, size) == 0;
}

// Writes all the bytes at the offset; false (errno set) when the system refused.
bool WriteAt(int fd, std::string_view bytes, off_t offset) {
    const std::size_t allowed = Allowed(bytes.size());
    const bool stopped = allowed < bytes.size();
    bytes = bytes.substr(0, allowed);
    for (std::size_t written = 0; written < bytes.size();) {
        const ssize_t wrote = ::pwrite(fd, bytes.data() + written, bytes.size() - written,
                                       offset + static_cast<off_t>(written));
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) return false;
        written += static_cast<std::size_t>(wrote);
    }
    if (stopped) throw ENoteChangeStopped();
    return true;
}

// The note's bytes up to its last complete line; the note is cut there when a kill left more.
std::optional<std::string> CompleteNote(int fd) {
    std::optional<std::string> bytes = ReadNote(fd);
    if (!bytes) return std::nullopt;
    const std::size_t end = bytes->rfind('\n') + 1; // 0 without any
    if (end == bytes->size()) return bytes;
    if (!Cut(fd, static_cast<off_t>(end))) return std::nullopt;
    bytes->resize(end);
    return bytes;
}

} // namespace

std::string NoteDistrust(const struct stat& status) {
    if (!S_ISREG(status.st_mode)) return "it is not a regular file";
    if (status.st_uid != ::geteuid()) return "it belongs to the account " + std::to_string(status.st_uid);
    if ((status.st_mode & (S_IWGRP | S_IWOTH)) != 0) return "other accounts may write it";
    if (status.st_nlink != 1) return "it has " + std::to_string(status.st_nlink) + " names";
    return "";
}

std::optional<TNotedFileLook> LookAtNotedFile(int folder, const char* name) {
    struct statx status {};
    const int flags = AT_SYMLINK_NOFOLLOW | (*name == '\0' ? AT_EMPTY_PATH : 0);
    if (::statx(folder, name, flags, STATX_TYPE | STATX_UID | STATX_INO | STATX_BTIME, &status) != 0)
        return std::nullopt;
    TNotedFileLook look{};
    look.Id.Device = makedev(status.stx_dev_major, status.stx_dev_minor);
    look.Id.Inode = status.stx_ino;
    if ((status.stx_mask & STATX_BTIME) != 0 && status.stx_btime.tv_sec >= 0)
        look.Id.Birth =
            static_cast<std::uint64_t>(status.stx_btime.tv_sec) * 1'000'000'000u + status.stx_btime.tv_nsec;
    look.OwnRegularFile = S_ISREG(status.stx_mode) && status.stx_uid == ::geteuid();
    return look;
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

bool EmptyNote(int fd) {
    return Cut(fd, 0);
}

bool ChangeNote(int fd, const std::string& path, const TNotedFileId* added) {
    const std::optional<std::string> bytes = CompleteNote(fd);
    if (!bytes) return false;
    if (added) {
        const std::string line = std::to_string(added->Device) + " " + std::to_string(added->Inode) + " " +
                                 std::to_string(added->Birth) + " " + path + "\n";
        if (bytes->size() + line.size() > MaxNoteBytes / 2) return false;
        return WriteAt(fd, line, static_cast<off_t>(bytes->size()));
    }
    std::string list;
    std::unordered_set<std::string_view> kept; // a kill in a rewrite leaves lines twice
    for (const std::string_view line : CompleteLines(*bytes)) {
        const std::string_view noted = PathOf(line);
        if (!noted.empty() && noted != path && kept.insert(line).second) list.append(line).push_back('\n');
    }
    const bool changed = list.size() != bytes->size();
    if (!changed) return true;
    return WriteAt(fd, list, static_cast<off_t>(bytes->size())) && WriteAt(fd, list, 0) &&
           Cut(fd, static_cast<off_t>(list.size()));
}

void StopNoteChangesAfter(std::optional<std::size_t> bytes) {
    StopBudget() = bytes;
}

std::string SweepNotedFiles(std::string_view bytes, const std::string& folder, const std::string& note) {
    std::string problem;
    std::vector<TNotedFile> noted;
    for (const std::string_view line : CompleteLines(bytes)) {
        if (std::optional<TNotedFile> file = ParseLine(line, folder))
            noted.push_back(std::move(*file));
        else if (problem.empty())
            problem = note + " holds a line the tool did not write: " + std::string(line.substr(0, 300));
    }
    for (const TNotedFile& file : noted) { // what cannot be removed stays
        const std::string failure = RemoveNoted(file);
        if (problem.empty()) problem = failure;
    }
    return problem;
}
