#include "core/Language.h"

#include "platform/os/IniFile.h"
#include "platform/os/Utf8.h"

#include <map>
#include <optional>

namespace {

constexpr std::string_view ControlSection = "Controle";
constexpr std::string_view OriginKey = "LngOrigem";
constexpr std::string_view LabelsSection = "Labels";
constexpr std::string_view MissingSection = "Ausentes";

struct TTranslations {
    std::string origin;
    std::map<std::string, std::string, std::less<>> exact;  // first occurrence of each key
    std::map<std::string, std::string, std::less<>> folded; // keyed by the folded key

    void Add(const std::string& key, const std::string& value) {
        exact.emplace(key, value);
        folded.emplace(FoldCase(key), value);
    }

    std::optional<std::string> Find(std::string_view key) const {
        if (const auto it = exact.find(key); it != exact.end()) return it->second;
        if (const auto it = folded.find(FoldCase(key)); it != folded.end()) return it->second;
        return std::nullopt;
    }
};

TTranslations& Loaded() {
    static TTranslations translations;
    return translations;
}

void AddSection(const TIniFile& file, std::string_view section, TTranslations& into) {
    for (const std::string& line : file.ReadSectionValues(section)) {
        const auto equals = line.find('=');
        into.Add(line.substr(0, equals), line.substr(equals + 1));
    }
}

// The translation of the text with its end blanks put back; nullopt when the file lacks it.
std::optional<std::string> Translation(std::string_view text) {
    const std::string_view key = TrimBlanks(text);
    if (key.empty()) return std::nullopt;
    const auto found = Loaded().Find(key);
    if (!found) return std::nullopt;
    const std::size_t lead = static_cast<std::size_t>(key.data() - text.data());
    return std::string(text.substr(0, lead)) + *found + std::string(text.substr(lead + key.size()));
}

} // namespace

void OpenLanguageFile(const std::string& path) {
    const TIniFile file(path);
    TTranslations translations;
    translations.origin = file.ReadString(ControlSection, OriginKey, "");
    AddSection(file, LabelsSection, translations);
    AddSection(file, MissingSection, translations); // after [Labels]: the first key wins
    Loaded() = std::move(translations);
}

void CloseLanguageFile() {
    Loaded() = TTranslations{};
}

std::string LanguageOrigin() {
    return Loaded().origin;
}

std::string TranslateText(std::string_view text) {
    std::optional<std::string> result = Translation(text);
    if (!result) return std::string(text);
    if (const auto ampersand = result->find('&'); ampersand != std::string::npos) result->erase(ampersand, 1);
    return *result;
}

std::string LookupLabel(std::string_view text) {
    return Translation(text).value_or(std::string(text));
}

bool HasTranslation(std::string_view text) {
    return Translation(text).has_value();
}
