#include "db/engine/WorkingFiles.h"

#include "db/engine/CommitJournal.h"
#include "db/engine/RestructureSwap.h"
#include "db/lib/FileCalls.h"
#include "db/lib/FileHandler.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <filesystem>
#include <vector>

namespace vorsam {

namespace fs = std::filesystem;

bool IsWorkingFileName(std::string_view name) {
    constexpr std::string_view prefix = "_VT";
    constexpr size_t digits = 8, length = 3 + digits + 4;
    if (name.size() != length || name.substr(0, 3) != prefix) return false;
    if (!std::all_of(name.begin() + 3, name.begin() + 3 + digits,
                     [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; }))
        return false;
    std::string extension(name.substr(3 + digits));
    for (char& c : extension) c = char(std::toupper(static_cast<unsigned char>(c)));
    return extension == ".DAT" || extension == ".IDX" || extension == ".BLB";
}

namespace {

// True also when that cannot be told: the file is then left alone.
bool WrittenLately(const fs::path& file) {
    struct stat info {};
    if (StatusByName(file.string(), info, false) != 0) return true;
    const auto written = std::chrono::system_clock::time_point(
        std::chrono::seconds(info.st_mtim.tv_sec) + std::chrono::nanoseconds(info.st_mtim.tv_nsec));
    return written > std::chrono::system_clock::now() - WorkingFileGrace;
}

} // namespace

bool RemoveStrayWorkingFiles(const std::string& folder) {
    bool swapsSettled = SettleSwapsIn(folder);
    RemoveStaleJournals(folder);
    if (!swapsSettled) return false;
    bool clear = true;
    // A folder that cannot be listed whole, or a name that cannot be looked at, is not left clear.
    std::vector<TFolderEntry> entries;
    if (ListFolder(folder, entries) != 0) return false;
    for (const TFolderEntry& entry : entries) {
        if (!IsWorkingFileName(entry.Name)) continue;
        // A link is none of the engine's files: deleting through it would delete the file it names.
        if (entry.Kind != TFolderEntry::TKind::Plain) continue;
        const fs::path path = fs::path(folder) / entry.Name;
        if (WrittenLately(path)) {
            clear = false;
            continue;
        }
        try {
            TFileHandler file;
            file.SetFileName(path.string());
            file.DeleteFile(); // refused while any handler of any process has it open
        } catch (...) {
            clear = false; // held, or gone meanwhile: it stays, or needs nothing
        }
    }
    return clear;
}

} // namespace vorsam
