#pragma once
// The language file "CentrPrg.lng", through which every visible text passes.
//
// Format: an INI file (see platform/os/IniFile.h), UTF-8:
//   [Controle]  LngOrigem=<language of the source texts, e.g. pt-BR>
//   [Labels]    <source text>=<translation>, one line per text the tool shows
//   [Ausentes]  <source text>=<translation>: texts a translator has still to place; consulted
//               when [Labels] lacks a text. The tool never writes the file.
// A text is looked up exactly first and then ignoring case, so "RAMAL" and "Ramal" can carry
// different translations. Blanks at the ends of a text are not part of its key; they are kept
// around the translation.
//
// The file is opened once for the run (OpenLanguageFile). Before that, or for a text the file
// lacks, the text comes back unchanged.

#include "platform/os/LngText.h" // marks the texts kept in tables

#include <string>
#include <string_view>

// Reads the file; a missing file leaves every text unchanged. Raises EOsError when the file
// exists but cannot be read.
void OpenLanguageFile(const std::string& path);
void CloseLanguageFile();

// The key LngOrigem of [Controle]; empty without a language file.
std::string LanguageOrigin();

// The translation with its first "&" removed; a text missing from the file comes back unchanged.
std::string TranslateText(std::string_view text);
// The translation keeping its "&" (captions with an accelerator key).
std::string LookupLabel(std::string_view text);

// True when the language file translates the text (in [Labels] or [Ausentes]).
bool HasTranslation(std::string_view text);
