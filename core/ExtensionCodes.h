#pragma once
// Extension numbers and position codes: the conversions every screen uses, and the program-wide
// sorted list of extension numbers. They read the numbering plan of the programming in memory
// (ProgrammingImage 832 + 2 x position) and the extension count of ModelCode.

#include "core/ImageLayout.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

// Blanks are removed; then:
//  - "" gives NoExtension (0xBB), ok true;
//  - "6" followed by one or more digits gives 112 + their value (0x70 for "60", 0x71..0x74 for
//    the groups "61".."64"), ok true; "6" alone, "6" with anything but digits, or a value that
//    does not fit a byte gives 0 with ok false;
//  - other digits give the first position (0 .. extensions - 1) whose number has that value,
//    ok true; a number no position has, or a text that is not a number, gives 0 with ok false.
// Callers must not use the code when ok is false.
PositionCode ExtensionCodeFromText(std::string_view text, bool& ok);

// The text of a position code; the argument is the code plus one (codePlusOne = code + 1):
//  - 187 and 188 give four blanks;
//  - a value whose bits 0x70 are all set gives the decimal of (value AND 15) + 59 (0x71 "60");
//  - a value - 1 that is a position of the model gives that position's number;
//  - anything else (a position beyond the model's extensions, 0, 256) gives four blanks.
std::string ExtensionTextFromCode(int codePlusOne);

// True when the number's decimal text begins with "2" or "3": the numbers the tool treats as
// extensions (others, such as 68, are programmed in the plan but have no extension screen).
bool BeginsWithTwoOrThree(std::uint16_t number);

// The program-wide list of extension numbers: entry 0 the marker 3999 (no extension), then the
// numbers of positions 0 .. extensions - 1 whose decimal text begins with "2" or "3", and with
// the access codes also 60 and 60 + g for every extension group g whose type is not empty; the
// entries after the marker ascending. ExtensionListCount includes the marker.
inline constexpr std::uint16_t ExtensionListMarker = 3999;
extern std::array<std::uint16_t, 1 + MaxPositions + 5> ExtensionList;
extern std::uint8_t ExtensionListCount;
void BuildExtensionList(bool withAccessCodes);
