// Locale collation of the engine's strings (Windows-1252 bytes) on ICU.
//
// A table's collation is a language id (16 bits: sub-language x 1024 + primary language) and a sort id.
// Language 0 ("ANSI Standard") compares bytewise; each of the other 98 languages of the engine's language
// list maps to an ICU locale and compares with ICU's collator for it at tertiary strength (case-sensitive).
// ICU's order is not the order of other systems' locale functions: an index built elsewhere under a
// non-zero language must be rebuilt here. The only sort name is "Default" (sort id 0) for every language.
//
// Collators and per-locale upper-case maps are cached in the library globals (LibraryGlobals.h), so these
// routines need InitializeLibraryGlobals; an unknown language raises VORSAM_CANNOTLOADLDDRV.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vorsam {

// Language id of the upper-casing under language 0.
inline constexpr uint16_t DefaultUpperCaseLanguageId = 0x0409;

constexpr uint16_t MakeLanguageId(uint16_t primaryLanguage, uint16_t subLanguage) {
    return uint16_t(subLanguage * 1024 + (primaryLanguage & 0xFF));
}
constexpr uint32_t MakeLocaleId(uint16_t languageId, uint16_t sortId) {
    return uint32_t(sortId) * 65536 + languageId;
}

// True when the locale's language is one of the engine's languages and its sort id is known (0).
bool IsValidLocaleId(uint32_t localeId);

// The ICU locale of a language id; empty for language 0 and for unknown ids (see IsValidLocaleId).
std::string_view IcuLocaleOfLanguage(uint16_t languageId);

// -1, 0 or 1 comparing two zero-terminated strings of at most `length` bytes each: bytewise (unsigned) for
// language 0, else under the locale of the language and sort ids.
int LocaleCompareStrings(uint16_t languageId, uint16_t sortId, const char* a, const char* b, size_t length);
// The same for two texts, each up to its first zero byte (or whole), without copying either.
int LocaleCompareTexts(uint16_t languageId, uint16_t sortId, std::string_view a, std::string_view b);

// Upper-cases `length` bytes (stopping at a zero byte) in place, character by character under the locale
// (language 0: the locale of language 0x0409); a character whose upper case is not one Windows-1252
// character keeps its simple upper case, or itself.
void LocaleUpperCase(uint16_t languageId, uint16_t sortId, char* text, size_t length);
std::string LocaleUpperCase(uint16_t languageId, uint16_t sortId, std::string_view text);
// Whether two texts upper-cased so are the same, without making either.
bool LocaleSameUpperCase(uint16_t languageId, uint16_t sortId, std::string_view a, std::string_view b);
// Lower-cases the same way.
void LocaleLowerCase(uint16_t languageId, uint16_t sortId, char* text, size_t length);

// Sort names of a language: only "Default" (id 0) exists; names compare ignoring case.
bool IsValidSortName(uint16_t languageId, std::string_view name);
uint16_t GetSortIdByName(uint16_t languageId, std::string_view name);

} // namespace vorsam
