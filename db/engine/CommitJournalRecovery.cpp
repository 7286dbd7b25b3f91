// The commit journal (CommitJournal.h), after a crash: finding the journal a table awaits, deleting
// journals no table awaits.
#include "db/engine/CommitJournal.h"

#include "db/engine/TableLocks.h"
#include "db/engine/WorkingFiles.h"
#include "db/lib/FileList.h"
#include "db/lib/LibraryGlobals.h"

#include <algorithm>
#include <cstring>
#include <filesystem>

namespace vorsam {

namespace fs = std::filesystem;

namespace {

// A journal's bytes are kept in memory while it is read: a larger file is not taken for one.
constexpr uint64_t MaxJournalBytes = uint64_t(1) << 31;

// The contents of the open file when it holds a whole journal.
bool ReadJournal(TFileHandler& file, TJournalContents& contents) {
    uint64_t size = file.GetFileSize();
    if (size == 0 || size > MaxJournalBytes) return false;
    std::vector<uint8_t> bytes(size);
    file.Seek(0);
    file.ReadBuffer(bytes.data(), bytes.size());
    return ParseJournal(std::move(bytes), contents).empty();
}

// The copy's contents when it is whole; false when it is not or cannot be read. A copy that another
// process holds open exclusively (a write making it, a check or delete of it) is tried again, 3 ms apart,
// up to `tries` times: it may be the very journal the caller awaits.
bool ReadCopy(const std::string& path, TJournalContents& contents, uint32_t tries = 1) {
    for (uint32_t attempt = 1;; ++attempt) {
        try {
            TFileHandler file;
            file.SetFileName(path);
            file.SetReadOnly(true);
            file.Open();
            return ReadJournal(file, contents);
        } catch (const EVORSAMEngineError& e) {
            if (e.ErrorCode != VORSAM_FILEINUSE || attempt >= tries) return false;
        }
        WaitBeforeRetry(LockRetryWait);
    }
}

std::string CopyIn(const std::string& folder, const std::string& path) {
    return folder + "/" + fs::path(path).filename().string();
}

// The commit point passed: the first folder's copy is whole and of the same write.
bool CommitPointPassed(const std::string& path, const TJournalContents& contents, uint32_t tries = 1) {
    std::error_code error;
    fs::path primary = CopyIn(contents.Folders.front(), path);
    if (fs::equivalent(primary, path, error)) return true;
    TJournalContents first;
    return ReadCopy(primary.string(), first, tries) && first.WriteId == contents.WriteId;
}

// The table's data file still awaits the journal (AwaitsJournal); true also when that cannot be told (the
// file held exclusively, a read that fails), so that the journal is kept.
bool StillAwaits(const TJournalContents& contents, size_t index) {
    const TJournalTable& table = contents.Tables[index];
    if (table.Files[0].empty()) return false;
    try {
        if (!GetFileList().Exists(table.Files[0], false)) return false;
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

bool SameFile(const std::string& a, const std::string& b) {
    std::error_code error;
    return fs::equivalent(a, b, error);
}

// The folder's journal files, their paths.
std::vector<std::string> JournalsIn(const std::string& folder) {
    std::vector<std::string> journals;
    std::error_code error;
    for (fs::directory_iterator it(folder.empty() ? "." : folder, error), end; !error && it != end;
         it.increment(error))
        if (IsJournalFileName(it->path().filename().string())) journals.push_back(it->path().string());
    return journals;
}

// Whether a table of the journal still awaits it.
bool AnyStillAwaits(const TJournalContents& contents) {
    for (size_t i = 0; i < contents.Tables.size(); ++i)
        if (StillAwaits(contents, i)) return true;
    return false;
}

void DeleteCopies(const std::string& path, const TJournalContents& contents) noexcept {
    // The first folder's copy last: while it stands, the others are not mistaken for stale ones.
    std::vector<std::string> folders = contents.Folders;
    std::rotate(folders.begin(), folders.begin() + 1, folders.end());
    for (const std::string& folder : folders) {
        try {
            TFileHandler file;
            file.SetFileName(CopyIn(folder, path));
            if (GetFileList().Exists(file.FileName(), false)) file.DeleteFile(); // refused while held open
        } catch (...) {
            return; // kept; found stale later
        }
    }
}

} // namespace

std::optional<TPendingJournal> FindPendingJournal(const std::string& dataFile, const TDataFileHeader& onDisk,
                                                  uint32_t tries) {
    if (!onDisk.WriteInProgress()) return std::nullopt;
    std::string folder = fs::absolute(dataFile).parent_path().string();
    for (const std::string& path : JournalsIn(folder)) {
        TJournalContents contents;
        if (!ReadCopy(path, contents, tries)) continue;
        for (size_t i = 0; i < contents.Tables.size(); ++i) {
            if (!AwaitsJournal(contents, i, onDisk.Bytes) || !SameFile(contents.Tables[i].Files[0], dataFile))
                continue;
            if (!CommitPointPassed(path, contents, tries)) return std::nullopt;
            return TPendingJournal{path, i, std::move(contents)};
        }
    }
    return std::nullopt;
}

void RemoveJournalIfSettled(const TPendingJournal& journal) noexcept {
    if (!AnyStillAwaits(journal.Contents)) DeleteCopies(journal.Path, journal.Contents);
}

bool JournalAwaited(TFileHandler& file) {
    TJournalContents contents;
    return ReadJournal(file, contents) && CommitPointPassed(file.FileName(), contents) &&
           AnyStillAwaits(contents);
}

void RemoveUnawaitedJournal(const std::string& path) noexcept {
    try {
        if (!GetFileList().Exists(path, false)) return;
        TFileHandler file; // refused while a write or a recovery holds it
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
