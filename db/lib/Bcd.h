// BCD values (engine type 8) and their conversions to currency values and text.
//
// A BCD value is 34 bytes:
//   +0  precision: number of digits, 1 .. 64
//   +1  bit 7: sign (1 = negative); bits 0-5: scale, the number of decimals (<= precision)
//   +2  32 bytes of digit nibbles, 64 nibbles: digit i (0 = most significant) in byte 2 + i / 2, high
//       nibble when i is even; the first `precision` nibbles are the digits, the rest are 0.
// Value = the digits as an integer / 10^scale, negated when the sign is set. Negative zero reads as zero.
//
// A currency value is an int64 scaled by 10,000 (4 implied decimals), the form BCD keys take; BCD values
// beyond its range (about +/-922 trillion) have no currency form and are refused.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vorsam {

inline constexpr uint8_t MaxBcdDigits = 64;
inline constexpr uint8_t CurrencyScale = 4;

// A decimal number: its digits (no sign, at least one) of which the last `Scale` are decimals.
struct TDecimal {
    bool Negative = false;
    std::string Digits = "0";
    uint8_t Scale = 0;
};

// The decimal of a BCD image; nothing when the image is malformed (precision, scale or a nibble > 9).
std::optional<TDecimal> DecodeBcd(const uint8_t* bcd);
// Writes the decimal as a BCD image with the fewest digits (at least scale + 1); false beyond 64 digits.
bool EncodeBcd(const TDecimal& value, uint8_t* bcd);

// Parses "[+|-]digits[.digits]" (blanks around allowed); nothing when it is not such a number.
std::optional<TDecimal> ParseDecimal(std::string_view text);
// "-123.45": the digits with `Scale` decimals, no leading zeros, "-" only for a non-zero value.
std::string FormatDecimal(const TDecimal& value);
// The same value with exactly `scale` decimals, rounded half away from zero.
TDecimal RoundDecimal(const TDecimal& value, uint8_t scale);
// Integer digits of the value (decimals dropped); false when it does not fit an int64.
bool DecimalToInt64(const TDecimal& value, int64_t& result);
TDecimal Int64ToDecimal(int64_t value, uint8_t scale = 0);

// Currency (4 implied decimals) to a BCD image with the given scale, rounding half away from zero.
bool CurrencyToBcdValue(int64_t currency, uint8_t scale, uint8_t* bcd);
// BCD image to currency, rounding to 4 decimals; false when malformed or out of the currency range.
bool BcdToCurrencyValue(const uint8_t* bcd, int64_t& currency);

} // namespace vorsam
