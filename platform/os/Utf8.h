#pragma once
// UTF-8 helpers shared by the text conversions and the INI reader: validation, decoding one code
// point at a time, encoding, and the case folding used to match INI sections and keys.

#include <cstddef>
#include <string>
#include <string_view>

inline constexpr char32_t InvalidCodePoint = 0xFFFFFFFF;

// True when the bytes are well-formed UTF-8 (no overlongs, no surrogates, at most U+10FFFF).
bool IsValidUtf8(std::string_view text);

// Decodes the code point that starts at text[pos] and advances pos past it. A malformed sequence
// gives InvalidCodePoint and advances pos by one byte.
char32_t DecodeUtf8(std::string_view text, std::size_t& pos);

// Appends the UTF-8 encoding of a code point (at most U+10FFFF, no surrogates).
void AppendUtf8(std::string& out, char32_t codePoint);

// Folds letters to lower case for case-insensitive matching: ASCII and the Latin-1 letters
// (À..Þ to à..þ, except ×). Other characters, and malformed bytes, are kept as they are.
std::string FoldCase(std::string_view text);

// The text without the blanks and tabs at both ends.
std::string_view TrimBlanks(std::string_view text);
