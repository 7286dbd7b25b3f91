#pragma once
// TSettingsStore: the user's settings, kept where the tool once used the system registry (the
// grid's column widths are its first user).
//
// A key is a path of parts separated by "\" ("Software\Orvalista\Grid\PlanoNum"); each key holds
// named string values. The store is one INI file: each key with values is a section named by its
// normalised path (no empty parts, no "\" at either end), each value a "name=value" line. Keys
// and names are matched ignoring case. A key exists when it has a section or when a deeper key
// does. The default file is $XDG_CONFIG_HOME/centrprg/settings.ini (~/.config/... when the
// variable is unset); its folder is created on the first write. Failures raise EOsError.

#include "platform/os/IniFile.h"

#include <string>
#include <string_view>
#include <vector>

class TSettingsStore {
public:
    explicit TSettingsStore(std::string fileName = DefaultFileName());

    static std::string DefaultFileName();

    std::string ReadString(std::string_view key, std::string_view name, std::string_view def) const;
    void WriteString(std::string_view key, std::string_view name, std::string_view value);
    int ReadInteger(std::string_view key, std::string_view name, int def) const;
    void WriteInteger(std::string_view key, std::string_view name, int value);

    bool KeyExists(std::string_view key) const;
    bool ValueExists(std::string_view key, std::string_view name) const;
    std::vector<std::string> ValueNames(std::string_view key) const;
    std::vector<std::string> SubKeyNames(std::string_view key) const; // direct children, once each

    void DeleteValue(std::string_view key, std::string_view name);
    void DeleteKey(std::string_view key); // with its values and every deeper key

    // "a\\b\" -> "a\b"; an empty path raises EOsError.
    static std::string NormaliseKey(std::string_view key);

private:
    void EnsureFolder();

    TIniFile ini_;
};
