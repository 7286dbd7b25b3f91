#pragma once
// Windows-1252 <-> UTF-8. The programming image keeps its names as single-byte Windows-1252 text
// (a name of 20 characters is 20 bytes); the user interface works in UTF-8 and converts here.
//
// Bytes 0x00..0x7F are ASCII, 0xA0..0xFF are U+00A0..U+00FF, and 0x80..0x9F follow the code
// page's table. The five bytes the code page leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) map
// to the control characters of the same value, so every byte string survives a round trip.

#include <string>
#include <string_view>

std::string Cp1252ToUtf8(std::string_view bytes);

// Characters the code page cannot hold, and malformed UTF-8 bytes, become the replacement byte.
std::string Utf8ToCp1252(std::string_view utf8, char replacement = '?');

// True when every character of the (well-formed) UTF-8 text has a Windows-1252 byte.
bool IsCp1252Encodable(std::string_view utf8);
