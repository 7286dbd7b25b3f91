// The commit journal (CommitJournal.h), after a crash: finding the journal a table awaits, deleting
// journals no table awaits.
#include "db/engine/CommitJournal.h"

#include "db/engine/TableLocks.h"
#include "db/engine/WorkingFiles.h"
#include "db/lib/ByteUtils.h"
#include "db/lib/FileList.h"
#include "db/lib/LibraryGlobals.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <filesystem>

namespace vorsam {

namespace fs = std::filesystem;

namespace {

bool SameFile(const std::string& a, const std::string& b) {
    std::error_code error;
    return fs::equivalent(a, b, error);
}

std::string CopyIn(const std::string& folder, const std::string& path) {
    return folder + "/" + fs::path(path).filename().string();
}

// Whether the plain file at `path` is a copy of the journal: its header names the same write and length.
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

// The copy, open, when it is a whole one (its own folder's tables placed beside it); none when it is not,
// is not a plain file or cannot be read. A copy that another process holds open exclusively (a write
// making it, a check or delete of it) is tried again, 3 ms apart, up to `tries` times: it may be the very
// journal the caller awaits.
std::unique_ptr<TFileHandler> ReadCopy(const std::string& path, TJournalContents& contents,
                                       uint32_t tries = 1) {
    if (!IsPlainFile(path)) return nullptr;
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
            if (e.ErrorCode != VORSAM_FILEINUSE || attempt >= tries) return nullptr;
        }
        WaitBeforeRetry(LockRetryWait);
    }
}

enum class TCommitPoint { Passed, NotPassed, Unknown };

// Whether the commit point passed: the first folder's copy is whole and of the same write. Unknown when
// that copy is gone: its folder was moved away, or its copy deleted once its tables were completed.
TCommitPoint CommitPointOf(const std::string& path, const TJournalContents& contents, uint32_t tries = 1) {
    std::string primary = CopyIn(contents.Folders.front(), path);
    if (contents.CopyFolder == 1 || SameFile(primary, path)) return TCommitPoint::Passed;
    std::error_code error;
    if (!fs::exists(fs::symlink_status(primary, error))) return TCommitPoint::Unknown;
    TJournalContents first;
    return ReadCopy(primary, first, tries) && first.WriteId == contents.WriteId ? TCommitPoint::Passed
                                                                                : TCommitPoint::NotPassed;
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

// The folder's journal files that are plain files, their paths.
std::vector<std::string> JournalsIn(const std::string& folder) {
    std::vector<std::string> journals;
    std::error_code error;
    for (fs::directory_iterator it(folder.empty() ? "." : folder, error), end; !error && it != end;
         it.increment(error))
        if (IsJournalFileName(it->path().filename().string()) &&
            it->symlink_status(error).type() == fs::file_type::regular)
            journals.push_back(it->path().string());
    return journals;
}

// Whether a table of the journal still awaits it.
bool AnyStillAwaits(const TJournalContents& contents) {
    for (size_t i = 0; i < contents.Tables.size(); ++i)
        if (StillAwaits(contents, i)) return true;
    return false;
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
    std::optional<TPendingJournal> found;
    for (const std::string& path : JournalsIn(folder)) {
        TJournalContents contents;
        std::unique_ptr<TFileHandler> file = ReadCopy(path, contents, tries);
        if (!file) continue;
        for (size_t i = 0; i < contents.Tables.size(); ++i) {
            if (!SameFile(contents.Tables[i].Files[0], files[0])) continue;
            if (!AwaitsJournal(contents, i, onDisk.Bytes)) {
                if (JournalCompleted(contents, i, onDisk.Bytes)) continue;
                return TPendingJournal{
                    path,           i, std::move(contents), "the table's header disagrees with it", true,
                    std::move(file)};
            }
            if (found) {
                found->Problem = "another journal holds the same write";
                return found;
            }
            found = TPendingJournal{path, i, std::move(contents), {}, false, std::move(file)};
            break;
        }
    }
    if (!found) return std::nullopt;
    switch (CommitPointOf(found->Path, found->Contents, tries)) {
    case TCommitPoint::NotPassed:
        return std::nullopt;
    case TCommitPoint::Unknown:
        found->Problem = "the copy of its first folder is gone";
        return found;
    case TCommitPoint::Passed:
        break;
    }
    found->Problem = JournalDisagreement(found->Contents, found->Table, files);
    found->Damaged = !found->Problem.empty();
    return found;
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
    for (const std::string& path : JournalsIn(folder)) {
        std::error_code error;
        fs::file_time_type written = fs::last_write_time(path, error);
        if (!error && written <= fs::file_time_type::clock::now() - WorkingFileGrace)
            RemoveUnawaitedJournal(path);
    }
}

} // namespace vorsam
