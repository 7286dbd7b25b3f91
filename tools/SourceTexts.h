#pragma once
// Finds the texts the sources pass to the translation routines, so that the shipped language
// file can be checked for completeness (and completed: see lngtexts).
//
// A text is a string literal (or adjacent literals, concatenated) that is the whole argument of
// TranslateText(...), LookupLabel(...), LngText(...), or their Qt forms TrText(...) and TrLabel(...).
// Texts passed elsewhere (message boxes, tables) are marked with LngText("..."). Comments, other literals and calls whose
// argument is not a literal are passed over.

#include <string>
#include <string_view>
#include <vector>

struct TSourceText {
    std::string text; // UTF-8, escapes decoded
    std::string file;
    int line = 0;
};

std::vector<TSourceText> ExtractTexts(std::string_view source, const std::string& file);

// Every .h and .cpp file below the root, but hidden folders, build folders and tests/.
std::vector<TSourceText> ExtractTextsFromTree(const std::string& root);

// The texts the language file does not translate (looked up as the tool looks them up), each once.
// Opens the language file for the lookup and closes it again.
std::vector<TSourceText> MissingTexts(const std::vector<TSourceText>& texts, const std::string& languageFile);
