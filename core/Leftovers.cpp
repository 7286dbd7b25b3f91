#include "core/Leftovers.h"

#include "core/ProgramFolder.h"
#include "core/TempTable.h"
#include "platform/os/FileIo.h"
#include "platform/os/OsError.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <optional>
#include <string_view>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr std::size_t MaxNoteBytes = 4096;
constexpr std::string_view TemporaryMark = ".tmp-";
constexpr std::size_t TemporaryLetters = 6; // mkstemp's XXXXXX

// Removes the regular files of the folder whose names are temporaries of a base the filter takes.
void RemoveTemporaries(const fs::path& folder, const std::function<bool(const std::string& base)>& takes) {
    std::error_code error;
    for (fs::directory_iterator entry(folder, error), end; !error && entry != end; entry.increment(error)) {
        const std::string name = entry->path().filename().string();
        const std::size_t mark = name.rfind(TemporaryMark);
        if (mark == std::string::npos || !IsTemporaryOf(name, name.substr(0, mark))) continue;
        std::error_code ignored;
        if (takes(name.substr(0, mark)) && entry->symlink_status(ignored).type() == fs::file_type::regular)
            fs::remove(entry->path(), ignored);
    }
}

// The file the note names, when the note is one this tool wrote: an absolute path of a file.
std::optional<fs::path> NotedSave() {
    std::optional<std::string> note;
    try {
        note = ReadWholeFile(ProgramFilePath(SaveNoteName), MaxNoteBytes);
    } catch (const EOsError&) {
        return std::nullopt;
    }
    if (!note || note->empty() || note->find_first_of(std::string("\n\0", 2)) != std::string::npos)
        return std::nullopt;
    const fs::path file(*note);
    if (!file.is_absolute() || !file.has_filename() || file.filename() == "." || file.filename() == "..")
        return std::nullopt;
    return file;
}

} // namespace

bool IsTemporaryOf(const std::string& name, const std::string& base) {
    if (base.empty() || name.size() != base.size() + TemporaryMark.size() + TemporaryLetters ||
        name.compare(0, base.size(), base) != 0 ||
        name.compare(base.size(), TemporaryMark.size(), TemporaryMark) != 0)
        return false;
    return std::all_of(name.end() - TemporaryLetters, name.end(),
                       [](unsigned char c) { return std::isalnum(c) != 0; });
}

void WithSaveNote(const std::string& path, const std::function<void()>& save) {
    const std::string note = ProgramFilePath(SaveNoteName);
    bool noted = false;
    if (!ProgramFolder().empty()) {
        try {
            WriteFileAtomically(note, fs::absolute(FollowLinks(path)).lexically_normal().string());
            noted = true;
        } catch (const std::exception&) { // EOsError, or a path the system cannot make absolute
        }
    }
    const auto removeNote = [&] {
        if (!noted) return;
        try {
            DeleteFileIfPresent(note);
        } catch (const EOsError&) {
        }
    };
    try {
        save();
    } catch (...) {
        removeNote(); // a failed save removed its temporary file itself
        throw;
    }
    removeNote();
}

void SweepLeftovers() {
    if (ProgramFolder().empty()) return;
    const fs::path folder(ProgramFolder());
    if (const std::optional<fs::path> saved = NotedSave())
        RemoveTemporaries(saved->parent_path(),
                          [&](const std::string& base) { return base == saved->filename(); });
    std::vector<std::string> own = DefaultFolderFiles();
    own.insert(own.end(), {UsersFileName, SaveNoteName});
    RemoveTemporaries(folder,
                      [&](const std::string& base) { return std::ranges::find(own, base) != own.end(); });
    RemoveTemporaries(folder / HelpFolderName,
                      [](const std::string& base) { return base.ends_with(".html"); });
    try {
        DeleteFileIfPresent(ProgramFilePath(SaveNoteName));
        DeleteTempTable();
    } catch (const EOsError&) {
    }
}
