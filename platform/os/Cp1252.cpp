#include "platform/os/Cp1252.h"

#include "platform/os/Utf8.h"

#include <array>
#include <optional>

namespace {

// Code points of the bytes 0x80..0x9F.
constexpr std::array<char32_t, 32> HighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char32_t CodePointOfByte(unsigned char byte) {
    if (byte >= 0x80 && byte <= 0x9F) return HighControls[byte - 0x80];
    return byte;
}

std::optional<char> ByteOfCodePoint(char32_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<char>(c);
    for (std::size_t i = 0; i < HighControls.size(); ++i)
        if (HighControls[i] == c) return static_cast<char>(0x80 + i);
    return std::nullopt;
}

} // namespace

std::string Cp1252ToUtf8(std::string_view bytes) {
    std::string utf8;
    utf8.reserve(bytes.size() + bytes.size() / 4);
    for (const char byte : bytes) AppendUtf8(utf8, CodePointOfByte(static_cast<unsigned char>(byte)));
    return utf8;
}

std::string Utf8ToCp1252(std::string_view utf8, char replacement) {
    std::string bytes;
    bytes.reserve(utf8.size());
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        const char32_t c = DecodeUtf8(utf8, pos);
        bytes += ByteOfCodePoint(c).value_or(replacement);
    }
    return bytes;
}

bool IsCp1252Encodable(std::string_view utf8) {
    std::size_t pos = 0;
    while (pos < utf8.size())
        if (!ByteOfCodePoint(DecodeUtf8(utf8, pos))) return false;
    return true;
}
