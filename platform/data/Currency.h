#pragma once
// Currency: a fixed-point amount with four decimals, held as a 64-bit count of ten-thousandths.
//
// TBcd: a packed decimal of 34 bytes. Byte 0 is the precision (number of digits, 1 to 64); byte 1
// holds the sign in bit 7 (set when negative) and the scale (digits after the point) in bits 0-5;
// bytes 2 to 33 hold the digits as nibbles, the first digit in the high nibble of byte 2. The digits
// are the whole number left-padded with zeros: precision - scale integer digits, then scale decimals.

#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform::data {

class Currency {
public:
    static constexpr std::int64_t Scale = 10000;

    constexpr Currency() = default;
    static constexpr Currency FromScaled(std::int64_t scaled) {
        Currency result;
        result.fScaled = scaled;
        return result;
    }
    // Rounds half away from zero to four decimals; EConvertError when out of range.
    static Currency FromDouble(double value);
    constexpr std::int64_t Scaled() const { return fScaled; }
    double ToDouble() const { return static_cast<double>(fScaled) / Scale; }
    // Rounds half away from zero to whole units.
    std::int64_t Round() const;
    constexpr auto operator<=>(const Currency&) const = default;

private:
    std::int64_t fScaled = 0;
};

// Shortest text: "12,5", "-0,0001", "3" (decimal separator of FormatSettings()).
std::string CurrToStr(Currency value);
std::optional<Currency> TryStrToCurr(std::string_view text);

struct TBcd {
    std::uint8_t Precision = 0;
    std::uint8_t SignSpecialPlaces = 0;
    std::uint8_t Fraction[32] = {};
};
static_assert(sizeof(TBcd) == 34);

// EConvertError when the value needs more integer digits than precision - decimals leaves.
TBcd CurrToBCD(Currency value, int precision = 32, int decimals = 4);
// Decimals beyond four are rounded half away from zero; EConvertError when the value does not fit a
// Currency or the BCD is malformed.
Currency BCDToCurr(const TBcd& bcd);

} // namespace platform::data
