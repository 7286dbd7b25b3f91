// Text helpers of the engine over single-byte (Windows-1252) strings: identifier characters, trimming,
// splitting at blanks and character sets.
#pragma once

#include <bitset>
#include <string>
#include <string_view>
#include <vector>

namespace vorsam {

// True for A-Z, a-z, '_' and the characters 128..254: what may start a field or index name.
constexpr bool IsIdentStartChar(char c) {
    auto u = static_cast<unsigned char>(c);
    return (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || u == '_' || (u >= 128 && u <= 254);
}

// The text without leading and trailing blanks.
std::string_view TrimBlanks(std::string_view text);

// Cuts every trailing occurrence of `c` off the text, in place (zero-terminated or std::string).
void TrimCharRight(char* text, char c);
void TrimCharRight(std::string& text, char c);

// The last n characters of the text; the whole text when it is shorter.
std::string CopyLastChars(std::string_view text, size_t n);

// Clears the list and adds the blank-separated words of the text, one per item.
void SplitAtBlanks(std::string_view text, std::vector<std::string>& list);

using TCharSet = std::bitset<256>;
// The set of the characters of the text.
TCharSet StrToCharSet(std::string_view text);

} // namespace vorsam
