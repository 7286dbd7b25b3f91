// Values of the engine's data types in their native forms (DataTypes.h): constants as text, value to text,
// and conversions between types, for field descriptors (minimum, maximum, default texts), filters,
// expressions and the SQL engine.
//
// Constant texts: integers in decimal with an optional sign; floats with '.' and an optional exponent;
// BCD "[-]digits[.digits]"; booleans TRUE or FALSE (any case); dates, times and timestamps in ISO form
// (DateTimeValues.h); strings and byte values as they are. Blanks around a number, date or time are
// ignored. These texts never depend on the user's locale; the user interface formats values itself.
//
// Conversions (ConvertValue) cover every pair the engine and the SQL engine meet:
//   numeric to numeric (smallint, integer, word, largeint, float, BCD) with range checks; a float or a BCD
//   going to an integer type loses its decimals (towards zero), a value going to BCD is rounded half away
//   from zero to the target scale; boolean and the integer types (0 is false, anything else true);
//   anything to string (its text, which must fit the declared size); string to every type by its
//   constant text; date, time and timestamp to each other (a date is midnight of its day, a timestamp
//   gives its day or its time); string to bytes when it fits. A conversion that cannot be made (text
//   that is no constant of the type, a value out of the target's range, a text too long) returns false
//   and leaves the buffer unchanged; the caller raises its own message.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vorsam {

struct TValueKind {
    uint8_t DataType = 0;
    uint16_t Size = 0; // declared size of string, bytes, varbytes; BCD precision limit (0 = 64 digits)
    uint8_t Scale = 0; // BCD decimals
};

// Bytes of a value buffer of the kind (the physical size; a string's includes its terminating zero).
size_t ValueBufferSize(TValueKind kind);

// True when the text is empty or a valid constant of the type.
bool IsValidConstant(std::string_view text, uint8_t dataType);

// The constant's value into `destination` (ValueBufferSize(kind) bytes); false when it is none.
bool TextToValue(std::string_view text, TValueKind kind, uint8_t* destination);
// The value as constant text; empty for a malformed value (a BCD image with bad nibbles, a date out of
// range).
std::string ValueToText(const uint8_t* value, TValueKind kind);

// Date (2), time (10) or timestamp (11) from its text; false when the text is no such value.
bool TextToDateTimeValue(std::string_view text, uint8_t dataType, uint8_t* destination);

// Converts the value in `buffer` from one kind to another in place; `capacity` must hold both forms.
bool ConvertValue(TValueKind from, TValueKind to, uint8_t* buffer, size_t capacity);

} // namespace vorsam
