// The commit journal (CommitJournal.h), after a crash: finding the journal a table awaits, deleting
// journals no table awaits.
#include "db/engine/CommitJournal.h"

#include "db/engine/TableLocks.h"
#include "db/engine/WorkingFiles.h"
#include "db/lib/ByteUtils.h"
#include "db/lib/FileCalls.h"
#include "db/lib/FileList.h"
#include "db/lib/LibraryGlobals.h"

#include <algorithm>
#include <cassert>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <strings.h>
#include <sys/stat.h>

namespace vorsam {

namespace fs = std::filesystem;

namespace {

// A journal's name, or the folder, that the engine cannot read as a journal or list: a table whose mark a
// journal there may hold cannot tell whether its commit passed, and is refused (CommitJournal.h).
struct TUnreadJournal {
    std::string Path; // empty: none
    uint16_t Code = 0;
    int OSError = 0;
    std::string Why;
    explicit operator bool() const { return !Path.empty(); }
};

// Keeps the first one met.
void NoteUnread(TUnreadJournal* unread, const std::string& path, uint16_t code, int osError,
                const std::string& why) {
    if (unread != nullptr && !*unread) *unread = {path, code, osError, why};
}

uint16_t CodeOfErrno(int error) {
    return error == EACCES || error == EPERM ? VORSAM_OSEACCES : VORSAM_OSERROR;
}

std::string ErrnoText(int error) {
    return error != 0 ? std::string(": ") + std::strerror(error) : std::string();
}

[[noreturn]] void RaiseUnread(const TUnreadJournal& unread, const std::string& consequence) {
    TErrorContext context;
    context.Table = unread.Path;
    context.OSErrorCode = unread.OSError;
    context.ExtraText = unread.Why + "; " + consequence;
    RaiseEngineError(unread.Code, context);
}

// Whether the two names give the same entry of a folder (a link is not the file it leads to).
bool SameEntry(const std::string& a, const std::string& b) {
    struct stat x {
    }, y{};
    return StatusByName(a, x, false) == 0 && StatusByName(b, y, false) == 0 && x.st_dev == y.st_dev &&
           x.st_ino == y.st_ino;
}

std::string CopyIn(const std::string& folder, const std::string& path) {
    return folder + "/" + fs::path(path).filename().string();
}

// Whether the plain file at `path` is a copy of the journal: its header names the same write and length.
// False also when that cannot be read: such a file is never deleted.
bool IsCopyOf(const std::string& path, const TJournalContents& contents) {
    if (!IsPlainFile(path)) return false;
    try {
        TFileHandler file;
        file.SetFileName(path);
        file.SetReadOnly(true);
        file.Open();
        std::array<uint8_t, JournalHeaderSize> head{};
        if (file.ReadBuffer(head.data(), head.size(), true) < head.size()) return false;
        return std::equal(JournalMagic.begin(), JournalMagic.end(), head.begin()) &&
               LoadLE32(&head[44]) == JournalChecksum(head.data(), 44) &&
               LoadLE64(&head[16]) == contents.WriteId &&
               LoadLE64(&head[32]) == contents.Size - JournalHeaderSize;
    } catch (const EVORSAMEngineError&) {
        return false;
    }
}

// The folder `folder` of the journal, and the tables in it, at `now`.
void MoveFolder(TJournalContents& contents, size_t folder, const std::string& now) {
    std::string& was = contents.Folders[folder];
    for (TJournalTable& table : contents.Tables)
        for (std::string& file : table.Files)
            if (!file.empty() && fs::path(file).parent_path().string() == was)
                file = (fs::path(now) / fs::path(file).filename()).string();
    was = now;
}

// The copy's own folder where the copy now is, with the tables of that folder beside it; when it moved,
// every other folder where the same move would have put it, if a copy of the same write lies there.
void PlaceAtCopy(TJournalContents& contents, const std::string& path) {
    if (contents.CopyFolder == 0) return;
    const size_t own = contents.CopyFolder - 1;
    const fs::path was = contents.Folders[own], here = fs::absolute(path).parent_path().lexically_normal();
    if (was == here) return;
    MoveFolder(contents, own, here.string());
    for (size_t folder = 0; folder < contents.Folders.size(); ++folder) {
        fs::path along =
            (here / fs::path(contents.Folders[folder]).lexically_relative(was)).lexically_normal();
        if (!along.has_filename()) along = along.parent_path(); // "a/b/.." is "a/"
        if (folder != own && IsCopyOf(CopyIn(along.string(), path), contents))
            MoveFolder(contents, folder, along.string());
    }
}

// Whether the journal's name gives a plain file, and its size; when it gives something else (a link, a
// folder) or cannot be looked at, `unread` says so. A name gone meanwhile gives nothing.
bool PlainJournal(const std::string& path, TUnreadJournal* unread, uint64_t& size) {
    struct stat info {};
    if (StatusByName(path, info, false) != 0) {
        if (errno != ENOENT && errno != ENOTDIR)
            NoteUnread(unread, path, CodeOfErrno(errno), errno,
                       "the journal cannot be looked at" + ErrnoText(errno));
        return false;
    }
    if (!S_ISREG(info.st_mode))
        NoteUnread(unread, path, VORSAM_OSERROR, 0,
                   S_ISLNK(info.st_mode) ? "a journal's name that is a symbolic link, which is never followed"
                                         : "a journal's name that is not a plain file");
    size = uint64_t(info.st_size);
    return S_ISREG(info.st_mode);
}

// The copy, open, when it is a whole one (its own folder's tables placed beside it); none when it is not,
// and then, in `unread`, why it could not be read when that is not known: a name that is a link or no
// plain file, a file that cannot be opened or read. A file too short for a journal's header holds none,
// whoever may read it. A copy that another process holds open exclusively (a write making it, a check or
// delete of it) is tried again, 3 ms apart, up to `tries` times: it may be the very journal the caller
// awaits.
std::unique_ptr<TFileHandler> ReadCopy(const std::string& path, TJournalContents& contents,
                                       uint32_t tries = 1, TUnreadJournal* unread = nullptr) {
    uint64_t size = 0;
    if (!PlainJournal(path, unread, size) || size < JournalHeaderSize) return nullptr;
    for (uint32_t attempt = 1;; ++attempt) {
        try {
            auto file = std::make_unique<TFileHandler>();
            file->SetFileName(path);
            file->SetReadOnly(true);
            file->Open();
            if (!ReadJournal(*file, contents).empty()) return nullptr;
            PlaceAtCopy(contents, path);
            return file;
        } catch (const EVORSAMEngineError& e) {
            if (e.ErrorCode == VORSAM_FILEINUSE && attempt < tries) {
                WaitBeforeRetry(LockRetryWait);
                continue;
            }
            NoteUnread(unread, path, e.ErrorCode, e.OSErrorCode,
                       e.ErrorCode == VORSAM_FILEINUSE
                           ? "the journal is held open by another process"
                           : "the journal cannot be read" + ErrnoText(e.OSErrorCode));
            return nullptr;
        }
    }
}

enum class TCommitPoint { Passed, NotPassed, Unknown };

// Whether the commit point passed: the first folder's copy is whole and of the same write. Unknown when
// that copy is gone: its folder was moved away, or its copy deleted once its tables were completed. A copy
// there that cannot be read, or a name there that is not a plain file, tells nothing: refused.
TCommitPoint CommitPointOf(const std::string& path, const TJournalContents& contents, uint32_t tries = 1) {
    std::string primary = CopyIn(contents.Folders.front(), path);
    if (contents.CopyFolder == 1 || SameEntry(primary, path)) return TCommitPoint::Passed;
    if (FileKindOf(primary) == TFileKind::None) return TCommitPoint::Unknown;
    TJournalContents first;
    TUnreadJournal unread;
    std::unique_ptr<TFileHandler> file = ReadCopy(primary, first, tries, &unread);
    if (unread)
        RaiseUnread(unread, "whether the commit of the journal " + path +
                                " passed its commit point cannot be told without it");
    return file && first.WriteId == contents.WriteId ? TCommitPoint::Passed : TCommitPoint::NotPassed;
}

// The table's data file still awaits the journal (AwaitsJournal); true also when that cannot be told (the
// file held exclusively or not a plain file, a read that fails), so that the journal is kept.
bool StillAwaits(const TJournalContents& contents, size_t index) {
    const TJournalTable& table = contents.Tables[index];
    if (table.Files[0].empty()) return false;
    try {
        if (!GetFileList().Exists(table.Files[0], false)) return false;
        if (!IsPlainFile(table.Files[0])) return true;
        TFileHandler file;
        file.SetFileName(table.Files[0]);
        file.SetReadOnly(true);
        file.Open();
        std::array<uint8_t, TDataFileHeader::Size> header{};
        return file.ReadBuffer(header.data(), header.size(), true) < header.size() ||
               AwaitsJournal(contents, index, header);
    } catch (const EVORSAMEngineError&) {
        return true;
    }
}

// The folder's journal files that are plain files, their paths; in `unread`, the first journal's name
// that is not one (a link, a folder) or cannot be looked at, or the folder when it cannot be listed whole.
std::vector<std::string> JournalsIn(const std::string& folder, TUnreadJournal* unread = nullptr) {
    std::vector<std::string> journals;
    const std::string listed = folder.empty() ? "." : folder;
    std::vector<TFolderEntry> entries;
    if (ListFolder(listed, entries) != 0) {
        const int error = errno;
        NoteUnread(unread, listed, CodeOfErrno(error), error,
                   "the folder cannot be listed" + ErrnoText(error));
        return journals;
    }
    for (const TFolderEntry& entry : entries) {
        const std::string path = (fs::path(listed) / entry.Name).string();
        uint64_t size = 0;
        if (IsJournalFileName(entry.Name) && PlainJournal(path, unread, size)) journals.push_back(path);
    }
    return journals;
}

// Whether a table of the journal, but the one in place `except`, still awaits it.
bool AnyStillAwaits(const TJournalContents& contents, size_t except = SIZE_MAX) {
    for (size_t i = 0; i < contents.Tables.size(); ++i)
        if (i != except && StillAwaits(contents, i)) return true;
    return false;
}

// Whether the copy's file name is one its writer gives: its first table on disk's name with ".JNL", or
// "_VJ", 8 hexadecimal digits and ".JNL" (CommitJournal.h).
bool NamedAsWritten(const std::string& path, const TJournalContents& contents) {
    const std::string name = fs::path(path).filename().string();
    if (name.size() == 15 && name.starts_with("_VJ") && IsJournalFileName(name) &&
        std::all_of(name.begin() + 3, name.begin() + 11, [](char c) { return std::isxdigit(uint8_t(c)); }))
        return true;
    for (const TJournalTable& table : contents.Tables)
        if (!table.Files[0].empty()) {
            const std::string named = fs::path(table.Files[0]).stem().string() + ".JNL";
            return name.size() == named.size() && strcasecmp(name.c_str(), named.c_str()) == 0;
        }
    return false;
}

// Whether two whole copies hold the same write.
bool SameWrite(const TJournalContents& a, const TJournalContents& b) {
    return a.WriteId == b.WriteId && a.Size == b.Size && a.Checksum == b.Checksum;
}

// The copies named as written first, in their order.
template <typename T> void NamedAsWrittenFirst(std::vector<T>& copies) {
    std::stable_partition(copies.begin(), copies.end(),
                          [](const T& copy) { return NamedAsWritten(copy.Path, copy.Contents); });
}

// Whether the commit point passed, from the first of the copies of one write (in that order) that can
// tell.
TCommitPoint CommitPointOfCopies(const std::vector<std::pair<std::string, const TJournalContents*>>& copies,
                                 size_t& teller, uint32_t tries) {
    for (teller = 0; teller < copies.size(); ++teller)
        if (TCommitPoint point = CommitPointOf(copies[teller].first, *copies[teller].second, tries);
            point != TCommitPoint::Unknown)
            return point;
    teller = 0;
    return TCommitPoint::Unknown;
}

// Deletes the journal's copies, and nothing else of that name.
void DeleteCopies(const std::string& path, const TJournalContents& contents) noexcept {
    // The first folder's copy last: while it stands, the others are not mistaken for stale ones.
    std::vector<std::string> folders = contents.Folders;
    std::rotate(folders.begin(), folders.begin() + 1, folders.end());
    for (const std::string& folder : folders) {
        try {
            TFileHandler file;
            file.SetFileName(CopyIn(folder, path));
            if (IsCopyOf(file.FileName(), contents)) file.DeleteFile(); // refused while held open
        } catch (...) {
            return; // kept; found stale later
        }
    }
}

} // namespace

std::optional<TPendingJournal> FindPendingJournal(const std::array<std::string, 3>& files,
                                                  const TDataFileHeader& onDisk, uint32_t tries) {
    if (!onDisk.WriteInProgress()) return std::nullopt;
    std::string folder = fs::absolute(files[0]).parent_path().string();
    // The whole journals that hold the table's mark, and the first one that names the table while its
    // header neither holds that journal's mark nor shows it completed.
    std::vector<TPendingJournal> holding;
    std::optional<TPendingJournal> disagreeing;
    TUnreadJournal unread;
    for (const std::string& path : JournalsIn(folder, &unread)) {
        TJournalContents contents;
        std::unique_ptr<TFileHandler> file = ReadCopy(path, contents, tries, &unread);
        if (!file) continue;
        for (size_t i = 0; i < contents.Tables.size(); ++i) {
            if (!SameTableFile(contents.Tables[i].Files[0], files[0])) continue;
            if (AwaitsJournal(contents, i, onDisk.Bytes))
                holding.push_back({path, i, std::move(contents), {}, false, {}, std::move(file)});
            else if (!disagreeing && !JournalCompleted(contents, i, onDisk.Bytes))
                disagreeing =
                    TPendingJournal{path, i,  std::move(contents), "the table's header disagrees with it",
                                    true, {}, std::move(file)};
            break;
        }
    }
    // What could not be read may hold the mark, or another mark like it: the table cannot tell whether
    // its write passed its commit point, and keeps its mark until that can be read.
    if (unread)
        RaiseUnread(unread,
                    "the table " + files[0] +
                        " carries the mark of a write whose journal this may be, and is refused until "
                        "it can be read");
    // A journal that does not hold the mark never stops the one that does; alone, it is refused.
    if (holding.empty()) return disagreeing;
    NamedAsWrittenFirst(holding);
    for (const TPendingJournal& other : holding)
        if (!SameWrite(other.Contents, holding.front().Contents)) {
            holding.front().Problem = "another journal, " + other.Path + ", holds the same mark";
            return std::move(holding.front());
        }
    std::vector<std::pair<std::string, const TJournalContents*>> copies;
    for (const TPendingJournal& copy : holding) copies.emplace_back(copy.Path, &copy.Contents);
    size_t teller = 0;
    TCommitPoint point = CommitPointOfCopies(copies, teller, tries);
    if (point == TCommitPoint::NotPassed) return std::nullopt;
    TPendingJournal found = std::move(holding[teller]);
    if (point == TCommitPoint::Unknown) {
        found.GoneCopy = CopyIn(found.Contents.Folders.front(), found.Path);
        found.Problem = "the copy of its first folder, " + found.GoneCopy + ", is gone";
        return found;
    }
    found.Problem = JournalDisagreement(found.Contents, found.Table, files);
    found.Damaged = !found.Problem.empty();
    return found;
}

std::vector<TAwaitingCommit> CommitsAwaitingBeside(const std::string& dataFile, uint32_t tries) {
    const fs::path data = fs::absolute(dataFile).lexically_normal();
    std::vector<TAwaitingCommit> found;
    TUnreadJournal unread;
    for (const std::string& path : JournalsIn(data.parent_path().string(), &unread)) {
        TJournalContents contents;
        if (!ReadCopy(path, contents, tries, &unread)) continue;
        for (size_t i = 0; i < contents.Tables.size(); ++i) {
            const std::string& named = contents.Tables[i].Files[0];
            if (!named.empty() && SameTableFile(named, data.string())) {
                found.push_back({path, std::move(contents), i, {}, {}});
                break;
            }
        }
    }
    if (unread)
        RaiseUnread(unread, "the files of the table " + data.string() +
                                " are not replaced or rewritten while a commit that this may hold could "
                                "await them");
    NamedAsWrittenFirst(found);
    std::vector<TAwaitingCommit> commits;
    for (TAwaitingCommit& commit : found) {
        if (std::any_of(commits.begin(), commits.end(), [&](const TAwaitingCommit& kept) {
                return SameWrite(kept.Contents, commit.Contents);
            }))
            continue;
        std::vector<std::pair<std::string, const TJournalContents*>> copies;
        for (const TAwaitingCommit& copy : found)
            if (SameWrite(copy.Contents, commit.Contents)) copies.emplace_back(copy.Path, &copy.Contents);
        size_t teller = 0;
        TCommitPoint point = CommitPointOfCopies(copies, teller, tries);
        if (point == TCommitPoint::NotPassed) continue;
        for (size_t i = 0; i < commit.Contents.Tables.size(); ++i)
            if (i != commit.Table && StillAwaits(commit.Contents, i)) commit.Awaiting.push_back(i);
        if (point == TCommitPoint::Unknown && !commit.Awaiting.empty())
            commit.GoneCopy = CopyIn(commit.Contents.Folders.front(), copies[teller].first);
        else if (!commit.Awaiting.empty() &&
                 !JournalDisagreement(commit.Contents, commit.Awaiting.front(),
                                      commit.Contents.Tables[commit.Awaiting.front()].Files)
                      .empty())
            continue; // its tables refuse it as damaged, each as it comes
        commits.push_back(std::move(commit));
    }
    return commits;
}

void RemoveJournalIfSettled(const TAwaitingCommit& commit, size_t settled) noexcept {
    try {
        if (!AnyStillAwaits(commit.Contents, settled)) DeleteCopies(commit.Path, commit.Contents);
    } catch (...) {
        // it stays, found stale later
    }
}

void RemoveDamagedJournal(const TPendingJournal& journal) noexcept {
    assert(!journal.File && "the copy is closed before it goes");
    try {
        TFileHandler file;
        file.SetFileName(journal.Path);
        if (IsCopyOf(journal.Path, journal.Contents)) file.DeleteFile(); // refused while held open
    } catch (...) {
        // held: it stays, and is checked again by the next table
    }
}

void RemoveJournalIfSettled(const TPendingJournal& journal) noexcept {
    assert(!journal.File && "the copy is closed before its copies go");
    if (!AnyStillAwaits(journal.Contents)) DeleteCopies(journal.Path, journal.Contents);
}

bool JournalAwaited(TFileHandler& file) {
    TJournalContents contents;
    if (!ReadJournal(file, contents).empty()) return false;
    PlaceAtCopy(contents, file.FileName());
    return CommitPointOf(file.FileName(), contents) != TCommitPoint::NotPassed && AnyStillAwaits(contents);
}

void RemoveUnawaitedJournal(const std::string& path) noexcept {
    try {
        if (!IsPlainFile(path)) return; // gone, or not the engine's to delete
        TFileHandler file;              // refused while a write or a recovery holds it
        file.SetFileName(path);
        file.SetExclusive(true);
        file.Open();
        if (!JournalAwaited(file)) file.DeleteFile();
    } catch (...) {
        // held, or gone meanwhile: it stays, or needs nothing
    }
}

void RemoveStaleJournals(const std::string& folder) noexcept {
    // What is not listed, or not a plain file, stays: none of it is deleted unseen.
    for (const std::string& path : JournalsIn(folder)) {
        struct stat info {};
        if (StatusByName(path, info, false) != 0) continue;
        const auto written = std::chrono::system_clock::time_point(
            std::chrono::seconds(info.st_mtim.tv_sec) + std::chrono::nanoseconds(info.st_mtim.tv_nsec));
        if (written <= std::chrono::system_clock::now() - WorkingFileGrace) RemoveUnawaitedJournal(path);
    }
}

} // namespace vorsam
