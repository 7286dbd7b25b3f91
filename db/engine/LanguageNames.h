// The engine's 99 collation language names, in their fixed order, each with its language id (table headers
// store the id; SQL language clauses and the table component name the language). Alphabetical but for
// "ANSI Standard" (id 0, bytewise) first and "Portuguese (Standard)" before "Portuguese (Brazilian)".
// Spellings are kept as they stand ("Faeroese", "Ukranian").
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace vorsam {

struct TLanguageName {
    std::string_view Name;
    uint16_t LanguageId;
};

std::span<const TLanguageName> LanguageNames();

// Lookups ignore case and take the first match; an unknown name gives id 0.
bool IsValidLanguageName(std::string_view name);
uint16_t GetLanguageIdByName(std::string_view name);

} // namespace vorsam
