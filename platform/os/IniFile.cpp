#include "platform/os/IniFile.h"

#include "platform/os/Cp1252.h"
#include "platform/os/FileIo.h"
#include "platform/os/OsError.h"
#include "platform/os/Utf8.h"

#include <charconv>
#include <climits>
#include <optional>
#include <set>

namespace {

constexpr std::string_view Bom = "\xEF\xBB\xBF";

bool Matches(std::string_view a, std::string_view b) {
    return FoldCase(a) == FoldCase(b);
}

// The section name of a header line, or false when the line is no header.
bool ParseHeader(std::string_view line, std::string& name) {
    const std::string_view trimmed = TrimBlanks(line);
    if (trimmed.empty() || trimmed.front() != '[') return false;
    const auto close = trimmed.find(']');
    if (close == std::string_view::npos) return false;
    name = std::string(TrimBlanks(trimmed.substr(1, close - 1)));
    return true;
}

// Key and raw value of a "key=value" line; false for comments and lines without "=".
bool ParseKeyLine(std::string_view line, std::string& key, std::string& value) {
    const std::string_view trimmed = TrimBlanks(line);
    if (trimmed.empty() || trimmed.front() == ';') return false;
    const auto equals = trimmed.find('=');
    if (equals == std::string_view::npos) return false;
    key = std::string(TrimBlanks(trimmed.substr(0, equals)));
    value = std::string(TrimBlanks(trimmed.substr(equals + 1)));
    return !key.empty();
}

bool IsQuoted(std::string_view value) {
    return value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
           value.back() == value.front();
}

std::string Unquote(const std::string& value) {
    return IsQuoted(value) ? value.substr(1, value.size() - 2) : value;
}

std::string HeaderLine(std::string_view section) {
    std::string line(1, '[');
    line.append(TrimBlanks(section));
    line += ']';
    return line;
}

std::string KeyLine(std::string_view key, std::string_view value) {
    std::string line(key);
    line += '=';
    line.append(value);
    return line;
}

bool HasLineBreak(std::string_view text) {
    return text.find_first_of("\r\n") != std::string_view::npos;
}

void CheckSectionName(std::string_view section) {
    if (TrimBlanks(section).empty() || section.find(']') != std::string_view::npos || HasLineBreak(section))
        throw EOsError("Invalid INI section name: \"" + std::string(section) + "\"");
}

void CheckKeyName(std::string_view ident) {
    const std::string_view key = TrimBlanks(ident);
    if (key.empty() || key.find('=') != std::string_view::npos || key.front() == ';' || key.front() == '[' ||
        HasLineBreak(key))
        throw EOsError("Invalid INI key: \"" + std::string(ident) + "\"");
}

std::optional<int> ParseInteger(std::string_view text) {
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    int base = 10;
    if (text.starts_with("$")) {
        base = 16;
        text.remove_prefix(1);
    } else if (text.starts_with("0x") || text.starts_with("0X")) {
        base = 16;
        text.remove_prefix(2);
    }
    long long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    if (negative) value = -value;
    if (value < INT_MIN || value > INT_MAX) return std::nullopt;
    return static_cast<int>(value);
}

} // namespace

TIniFile::TIniFile(std::string fileName) : fileName_(std::move(fileName)) {
    std::string text = ReadWholeFile(fileName_).value_or(std::string());
    if (text.starts_with(Bom)) {
        bom_ = true;
        text.erase(0, Bom.size());
    }
    if (!IsValidUtf8(text)) {
        text = Cp1252ToUtf8(text);
        cp1252_ = true;
    }
    std::size_t start = 0;
    while (start < text.size()) {
        auto end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
            crlf_ = true;
        }
        lines_.push_back(std::move(line));
        start = end + 1;
    }
}

bool TIniFile::FindSection(std::string_view section, TSectionRange& range) const {
    const std::string wanted = FoldCase(TrimBlanks(section));
    std::string name;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        if (!ParseHeader(lines_[i], name) || FoldCase(name) != wanted) continue;
        range.header = i;
        range.end = i + 1;
        while (range.end < lines_.size() && !ParseHeader(lines_[range.end], name)) ++range.end;
        return true;
    }
    return false;
}

std::vector<TIniFile::TKeyLine> TIniFile::KeysOf(const TSectionRange& range, bool firstOnly) const {
    std::vector<TKeyLine> keys;
    std::set<std::string> seen;
    TKeyLine entry;
    for (std::size_t i = range.header + 1; i < range.end; ++i) {
        if (!ParseKeyLine(lines_[i], entry.key, entry.value)) continue;
        if (firstOnly && !seen.insert(FoldCase(entry.key)).second) continue;
        entry.line = i;
        keys.push_back(entry);
    }
    return keys;
}

bool TIniFile::FindKey(const TSectionRange& range, std::string_view ident, TKeyLine& found) const {
    const std::string_view wanted = TrimBlanks(ident);
    for (std::size_t i = range.header + 1; i < range.end; ++i) {
        if (ParseKeyLine(lines_[i], found.key, found.value) && Matches(found.key, wanted)) {
            found.line = i;
            return true;
        }
    }
    return false;
}

std::string TIniFile::ReadString(std::string_view section, std::string_view ident,
                                 std::string_view def) const {
    TSectionRange range;
    TKeyLine key;
    if (FindSection(section, range) && FindKey(range, ident, key)) return Unquote(key.value);
    return std::string(def);
}

std::string TIniFile::FormatValue(std::string_view value) {
    if (HasLineBreak(value)) throw EOsError("Invalid INI value: it holds a line break");
    std::string formatted;
    const bool quote = IsQuoted(value) || TrimBlanks(value).size() != value.size();
    if (quote) formatted += '"';
    formatted.append(value);
    if (quote) formatted += '"';
    return formatted;
}

void TIniFile::WriteString(std::string_view section, std::string_view ident, std::string_view value) {
    CheckSectionName(section);
    CheckKeyName(ident);
    const std::string formatted = FormatValue(value);
    TSectionRange range;
    TKeyLine key;
    if (!FindSection(section, range)) {
        if (!lines_.empty() && !TrimBlanks(lines_.back()).empty()) lines_.emplace_back();
        lines_.push_back(HeaderLine(section));
        lines_.push_back(KeyLine(TrimBlanks(ident), formatted));
    } else if (FindKey(range, ident, key)) {
        lines_[key.line] = KeyLine(key.key, formatted);
    } else {
        std::size_t insertAt = range.end;
        while (insertAt > range.header + 1 && TrimBlanks(lines_[insertAt - 1]).empty()) --insertAt;
        lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insertAt),
                      KeyLine(TrimBlanks(ident), formatted));
    }
    UpdateFile();
}

int TIniFile::ReadInteger(std::string_view section, std::string_view ident, int def) const {
    return ParseInteger(ReadString(section, ident, "")).value_or(def);
}

void TIniFile::WriteInteger(std::string_view section, std::string_view ident, int value) {
    WriteString(section, ident, std::to_string(value));
}

bool TIniFile::ReadBool(std::string_view section, std::string_view ident, bool def) const {
    return ReadInteger(section, ident, def ? 1 : 0) != 0;
}

void TIniFile::WriteBool(std::string_view section, std::string_view ident, bool value) {
    WriteString(section, ident, value ? "1" : "0");
}

std::vector<std::string> TIniFile::ReadSection(std::string_view section) const {
    std::vector<std::string> keys;
    TSectionRange range;
    if (FindSection(section, range))
        for (const TKeyLine& key : KeysOf(range, true)) keys.push_back(key.key);
    return keys;
}

std::vector<std::string> TIniFile::ReadSections() const {
    std::vector<std::string> names;
    std::set<std::string> seen;
    std::string name;
    for (const std::string& line : lines_)
        if (ParseHeader(line, name) && seen.insert(FoldCase(name)).second) names.push_back(name);
    return names;
}

std::vector<std::string> TIniFile::ReadSectionValues(std::string_view section) const {
    std::vector<std::string> values;
    TSectionRange range;
    if (FindSection(section, range))
        for (const TKeyLine& key : KeysOf(range, false)) values.push_back(key.key + "=" + Unquote(key.value));
    return values;
}

bool TIniFile::SectionExists(std::string_view section) const {
    TSectionRange range;
    return FindSection(section, range);
}

bool TIniFile::ValueExists(std::string_view section, std::string_view ident) const {
    TSectionRange range;
    TKeyLine key;
    return FindSection(section, range) && FindKey(range, ident, key);
}

void TIniFile::DeleteKey(std::string_view section, std::string_view ident) {
    TSectionRange range;
    TKeyLine key;
    if (!FindSection(section, range) || !FindKey(range, ident, key)) return;
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(key.line));
    UpdateFile();
}

void TIniFile::EraseSection(std::string_view section) {
    TSectionRange range;
    if (!FindSection(section, range)) return;
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(range.header),
                 lines_.begin() + static_cast<std::ptrdiff_t>(range.end));
    UpdateFile();
}

void TIniFile::UpdateFile() {
    const std::string_view lineEnd = crlf_ ? "\r\n" : "\n";
    std::string text = bom_ ? std::string(Bom) : std::string();
    for (const std::string& line : lines_) {
        text += line;
        text += lineEnd;
    }
    // A file read as Windows-1252 is written back so, unless a text in it has no such character.
    if (cp1252_ && IsCp1252Encodable(text)) text = Utf8ToCp1252(text);
    WriteFileAtomically(fileName_, text);
}
