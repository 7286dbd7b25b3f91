// The commit journal (CommitJournal.h): a whole journal checked against the tables it describes, as
// they are on disk, before anything of it is applied.
#include "db/engine/CommitJournal.h"

#include "db/lib/FileCalls.h"
#include "db/lib/FileList.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <set>
#include <strings.h>
#include <sys/stat.h>

namespace vorsam {

namespace fs = std::filesystem;

namespace {

bool SameIgnoringCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && strcasecmp(a.c_str(), b.c_str()) == 0;
}

bool Exists(const std::string& path) {
    return !path.empty() && FileKindOf(path) != TFileKind::None;
}

[[noreturn]] void RaiseUnreadable(const std::string& file, const EVORSAMEngineError& error) {
    TErrorContext context = error.Context();
    context.Table = file;
    context.ExtraText = "a table of a journal that cannot be checked against it: " + error.ErrorMessage;
    RaiseEngineError(error.ErrorCode, context);
}

// How the journal names its tables' files: each table on disk with a data file, its files in one of the
// journal's folders with one base name and the extensions of a table's files, no data file twice, every
// folder once and with a table; its header as marked.
std::string NamingProblem(const TJournalContents& contents) {
    static constexpr const char* extensions[] = {".DAT", ".IDX", ".BLB"};
    std::set<std::string> folders(contents.Folders.begin(), contents.Folders.end()), used, dataFiles;
    if (folders.size() != contents.Folders.size()) return "a folder listed twice";
    for (size_t i = 0; i < contents.Tables.size(); ++i) {
        const TJournalTable& table = contents.Tables[i];
        const std::string what = "table " + std::to_string(i) + " ";
        if (table.Files[0].empty()) {
            if (!table.Files[1].empty() || !table.Files[2].empty()) return what + "without its data file";
            continue; // in memory
        }
        if (!TDataFileHeader::IsMarked(table.MarkedHeader)) return what + "without its mark";
        fs::path data(table.Files[0]);
        if (!data.is_absolute() || data.lexically_normal() != data ||
            !folders.count(data.parent_path().string()) || !dataFiles.insert(table.Files[0]).second)
            return what + table.Files[0];
        used.insert(data.parent_path().string());
        for (size_t role = 0; role < 3; ++role) {
            fs::path file(table.Files[role]);
            if (!table.Files[role].empty() &&
                (file.parent_path() != data.parent_path() ||
                 !SameIgnoringCase(file.stem().string(), data.stem().string()) ||
                 !SameIgnoringCase(file.extension().string(), extensions[role])))
                return what + table.Files[role];
        }
    }
    return used.size() == folders.size() ? std::string() : "a folder without a table";
}

// The table as it is on disk: all its files there, plain, or none (deleted since, or swapped by a
// restructure); when its data header awaits the journal, no write reaching past the file's size and the
// bytes the journal brings to it; when not, a header that shows the journal completed. A data file held
// open exclusively (by a repair of it, a restructure, an exclusive open: each completed the journal for
// it or refused it first) is taken as it then stood. A file that cannot be looked at or read otherwise
// tells nothing: the check raises its error (it is not the journal's fault).
std::string TableProblem(const TJournalContents& contents, size_t index) {
    const TJournalTable& table = contents.Tables[index];
    const std::string what = "table " + std::to_string(index) + " ";
    bool there = Exists(table.Files[0]);
    if (!there && Exists(fs::path(table.Files[0]).replace_extension(".SWP").string())) return {};
    for (const std::string& file : table.Files) {
        if (file.empty()) continue;
        if (Exists(file) != there) return what + "partly gone";
        if (there && FileKindOf(file) != TFileKind::Plain) return file + " is not a plain file";
    }
    if (!there) return {};
    std::array<uint8_t, TDataFileHeader::Size> header{};
    try {
        TFileHandler data;
        data.SetFileName(table.Files[0]);
        data.SetReadOnly(true);
        data.Open();
        // Shorter than a header: no state a write of the engine leaves, which that table's own open
        // refuses; it neither holds nor contradicts this journal.
        if (data.ReadBuffer(header.data(), header.size(), true) < header.size()) return {};
    } catch (const EVORSAMEngineError& e) {
        if (e.ErrorCode == VORSAM_FILEINUSE) return {};
        RaiseUnreadable(table.Files[0], e);
    }
    if (AwaitsJournal(contents, index, header)) {
        for (size_t role = 0; role < 3; ++role) {
            struct stat info {};
            if (!table.Files[role].empty() && StatusByName(table.Files[role], info, true) != 0) {
                const int error = errno;
                TErrorContext context;
                context.Table = table.Files[role];
                context.OSErrorCode = error;
                context.ExtraText =
                    std::string("a table of a journal whose size cannot be told: ") + std::strerror(error);
                RaiseOSError(error, VORSAM_OSERROR, context);
            }
            const uint64_t size = table.Files[role].empty() ? 0 : uint64_t(info.st_size);
            if (table.Reach[role] > size + table.Written[role])
                return what + "written beyond what its files allow";
        }
        return {};
    }
    if (JournalCompleted(contents, index, header)) return {};
    return what + "neither awaits the journal nor shows it completed";
}

} // namespace

bool SameTableFile(const std::string& a, const std::string& b) {
    if (a == b) return true;
    std::error_code error;
    if (fs::equivalent(a, b, error)) return true;
    if (!error || error.value() == ENOENT || error.value() == ENOTDIR) return false;
    TErrorContext context;
    context.Table = a;
    context.OSErrorCode = error.value();
    context.ExtraText = "whether it is the file " + b + " cannot be told: " + error.message();
    RaiseOSError(error.value(), VORSAM_OSERROR, context);
}

std::string JournalDisagreement(const TJournalContents& contents, size_t table,
                                const std::array<std::string, 3>& files) {
    if (std::string problem = NamingProblem(contents); !problem.empty()) return problem;
    const TJournalTable& completed = contents.Tables[table];
    for (size_t role = 0; role < 3; ++role)
        if (completed.Files[role].empty() != files[role].empty() ||
            (!files[role].empty() && !SameTableFile(completed.Files[role], files[role])))
            return "table " + std::to_string(table) + " named with files it does not have";
    for (size_t i = 0; i < contents.Tables.size(); ++i)
        if (std::string problem = TableProblem(contents, i); !problem.empty()) return problem;
    return {};
}

} // namespace vorsam
