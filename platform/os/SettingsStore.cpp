#include "platform/os/SettingsStore.h"

#include "platform/os/FileIo.h"
#include "platform/os/OsError.h"
#include "platform/os/Utf8.h"

#include <cstdlib>
#include <filesystem>
#include <set>

namespace {

// The rest of a section name below the key, or false when the section is not below it.
bool BelowKey(const std::string& section, const std::string& key, std::string& rest) {
    const std::string prefix = FoldCase(key) + "\\";
    if (FoldCase(section).rfind(prefix, 0) != 0) return false;
    rest = section.substr(prefix.size());
    return true;
}

} // namespace

TSettingsStore::TSettingsStore(std::string fileName) : ini_(std::move(fileName)) {}

std::string TSettingsStore::DefaultFileName() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    std::filesystem::path base;
    if (config != nullptr && *config == '/') {
        base = config;
    } else {
        const char* home = std::getenv("HOME");
        base = std::filesystem::path(home != nullptr ? home : ".") / ".config";
    }
    return (base / "centrprg" / "settings.ini").string();
}

std::string TSettingsStore::NormaliseKey(std::string_view key) {
    std::string normalised;
    std::size_t start = 0;
    while (start <= key.size()) {
        auto end = key.find('\\', start);
        if (end == std::string_view::npos) end = key.size();
        const std::string_view part = TrimBlanks(key.substr(start, end - start));
        if (!part.empty()) {
            if (!normalised.empty()) normalised += '\\';
            normalised += part;
        }
        start = end + 1;
    }
    if (normalised.empty()) throw EOsError("Empty settings key");
    return normalised;
}

void TSettingsStore::EnsureFolder() {
    const auto folder = std::filesystem::path(ini_.FileName()).parent_path();
    if (!folder.empty()) CreateFolders(folder.string());
}

std::string TSettingsStore::ReadString(std::string_view key, std::string_view name,
                                       std::string_view def) const {
    return ini_.ReadString(NormaliseKey(key), name, def);
}

void TSettingsStore::WriteString(std::string_view key, std::string_view name, std::string_view value) {
    EnsureFolder();
    ini_.WriteString(NormaliseKey(key), name, value);
}

int TSettingsStore::ReadInteger(std::string_view key, std::string_view name, int def) const {
    return ini_.ReadInteger(NormaliseKey(key), name, def);
}

void TSettingsStore::WriteInteger(std::string_view key, std::string_view name, int value) {
    WriteString(key, name, std::to_string(value));
}

bool TSettingsStore::KeyExists(std::string_view key) const {
    const std::string normalised = NormaliseKey(key);
    if (ini_.SectionExists(normalised)) return true;
    std::string rest;
    for (const std::string& section : ini_.ReadSections())
        if (BelowKey(section, normalised, rest)) return true;
    return false;
}

bool TSettingsStore::ValueExists(std::string_view key, std::string_view name) const {
    return ini_.ValueExists(NormaliseKey(key), name);
}

std::vector<std::string> TSettingsStore::ValueNames(std::string_view key) const {
    return ini_.ReadSection(NormaliseKey(key));
}

std::vector<std::string> TSettingsStore::SubKeyNames(std::string_view key) const {
    const std::string normalised = NormaliseKey(key);
    std::vector<std::string> names;
    std::set<std::string> seen;
    std::string rest;
    for (const std::string& section : ini_.ReadSections()) {
        if (!BelowKey(section, normalised, rest)) continue;
        const std::string child = rest.substr(0, rest.find('\\'));
        if (seen.insert(FoldCase(child)).second) names.push_back(child);
    }
    return names;
}

void TSettingsStore::DeleteValue(std::string_view key, std::string_view name) {
    ini_.DeleteKey(NormaliseKey(key), name);
}

void TSettingsStore::DeleteKey(std::string_view key) {
    const std::string normalised = NormaliseKey(key);
    std::string rest;
    for (const std::string& section : ini_.ReadSections())
        if (BelowKey(section, normalised, rest)) ini_.EraseSection(section);
    ini_.EraseSection(normalised);
}
