#pragma once
// The mark of a text kept in a table for the language file: the sources are searched for the
// texts passed to TranslateText, LookupLabel, TrText, TrLabel and LngText, and the shipped
// language file must hold them all. Pass the marked text through a translation routine when
// showing it.

constexpr const char* LngText(const char* text) {
    return text;
}
