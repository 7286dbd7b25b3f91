#include "platform/data/Currency.h"

#include "platform/data/Errors.h"
#include "platform/data/TextUtil.h"
#include "platform/os/FormatSettings.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace platform::data {
namespace {

constexpr int MaxBcdDigits = 64;

[[noreturn]] void BcdOverflow() {
    throw EConvertError("BCD overflow");
}

int Digit(const TBcd& bcd, int index) {
    const std::uint8_t byte = bcd.Fraction[index / 2];
    return index % 2 == 0 ? byte >> 4 : byte & 0x0F;
}

void SetDigit(TBcd& bcd, int index, int digit) {
    std::uint8_t& byte = bcd.Fraction[index / 2];
    byte = index % 2 == 0 ? static_cast<std::uint8_t>((byte & 0x0F) | (digit << 4))
                          : static_cast<std::uint8_t>((byte & 0xF0) | digit);
}

// |value| as unsigned, safe for the most negative value.
std::uint64_t Magnitude(std::int64_t value) {
    return value < 0 ? ~static_cast<std::uint64_t>(value) + 1 : static_cast<std::uint64_t>(value);
}

} // namespace

Currency Currency::FromDouble(double value) {
    const double scaled = std::round(value * Scale);
    if (!std::isfinite(scaled) || std::fabs(scaled) >= 9.2e18)
        throw EConvertError("Currency value out of range");
    return FromScaled(static_cast<std::int64_t>(scaled));
}

std::int64_t Currency::Round() const {
    const std::int64_t whole = fScaled / Scale;
    const std::int64_t rest = fScaled % Scale;
    if (rest >= Scale / 2) return whole + 1;
    if (rest <= -Scale / 2) return whole - 1;
    return whole;
}

std::string CurrToStr(Currency value) {
    const std::uint64_t magnitude = Magnitude(value.Scaled());
    std::string text = std::to_string(magnitude / Currency::Scale);
    std::string decimals = std::to_string(magnitude % Currency::Scale);
    decimals.insert(0, 4 - decimals.size(), '0');
    while (!decimals.empty() && decimals.back() == '0') decimals.pop_back();
    if (!decimals.empty()) text += FormatSettings().DecimalSeparator + decimals;
    return (value.Scaled() < 0 ? "-" : "") + text;
}

std::optional<Currency> TryStrToCurr(std::string_view text) {
    const std::string trimmed = Trim(text);
    std::string_view rest = trimmed;
    const bool negative = !rest.empty() && rest.front() == '-';
    if (!rest.empty() && (rest.front() == '-' || rest.front() == '+')) rest.remove_prefix(1);
    const auto point = rest.find(FormatSettings().DecimalSeparator);
    const std::string_view whole = rest.substr(0, point);
    const std::string_view fraction =
        point == std::string_view::npos ? std::string_view() : rest.substr(point + 1);
    if ((whole.empty() && fraction.empty()) || whole.size() > 15 || fraction.size() > 4 ||
        whole.find_first_not_of("0123456789") != std::string_view::npos ||
        fraction.find_first_not_of("0123456789") != std::string_view::npos)
        return std::nullopt;
    std::int64_t scaled = 0;
    for (char c : whole) scaled = scaled * 10 + (c - '0');
    for (std::size_t i = 0; i < 4; ++i) scaled = scaled * 10 + (i < fraction.size() ? fraction[i] - '0' : 0);
    return Currency::FromScaled(negative ? -scaled : scaled);
}

TBcd CurrToBCD(Currency value, int precision, int decimals) {
    if (precision < 1 || precision > MaxBcdDigits || decimals < 0 || decimals > precision || decimals > 63)
        throw EConvertError("Invalid BCD precision or scale");
    // The digits of |value| rounded to the wanted decimals (half away from zero), with four decimals.
    std::uint64_t magnitude = Magnitude(value.Scaled());
    if (decimals < 4) {
        std::uint64_t unit = 1;
        for (int i = decimals; i < 4; ++i) unit *= 10;
        magnitude = (magnitude + unit / 2) / unit * unit;
    }
    std::string digits = std::to_string(magnitude);
    if (digits.size() < 5) digits.insert(0, 5 - digits.size(), '0');
    std::string whole = digits.substr(0, digits.size() - 4);
    std::string fraction = digits.substr(digits.size() - 4);
    fraction.resize(static_cast<std::size_t>(decimals), '0');
    const auto firstDigit = whole.find_first_not_of('0');
    whole = firstDigit == std::string::npos ? std::string() : whole.substr(firstDigit);
    if (static_cast<int>(whole.size()) > precision - decimals) BcdOverflow();
    whole.insert(0, static_cast<std::size_t>(precision - decimals) - whole.size(), '0');
    TBcd bcd;
    bcd.Precision = static_cast<std::uint8_t>(precision);
    bcd.SignSpecialPlaces =
        static_cast<std::uint8_t>(decimals | (value.Scaled() < 0 && magnitude != 0 ? 0x80 : 0));
    const std::string all = whole + fraction;
    for (int i = 0; i < precision; ++i) SetDigit(bcd, i, all[static_cast<std::size_t>(i)] - '0');
    return bcd;
}

Currency BCDToCurr(const TBcd& bcd) {
    const int precision = bcd.Precision;
    const int scale = bcd.SignSpecialPlaces & 0x3F;
    if (precision > MaxBcdDigits || scale > precision) throw EConvertError("Invalid BCD value");
    constexpr std::uint64_t limit = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
    const int kept = precision - scale + std::min(scale, 4); // digits down to the fourth decimal
    std::uint64_t scaled = 0;
    for (int i = 0; i < kept; ++i) {
        const int digit = Digit(bcd, i);
        if (digit > 9) throw EConvertError("Invalid BCD value");
        if (scaled > (limit - digit) / 10) BcdOverflow();
        scaled = scaled * 10 + digit;
    }
    for (int i = scale; i < 4; ++i) {
        if (scaled > limit / 10) BcdOverflow();
        scaled *= 10;
    }
    if (kept < precision && Digit(bcd, kept) >= 5) {
        if (scaled == limit) BcdOverflow();
        ++scaled;
    }
    const auto signedValue = static_cast<std::int64_t>(scaled);
    return Currency::FromScaled((bcd.SignSpecialPlaces & 0x80) != 0 ? -signedValue : signedValue);
}

} // namespace platform::data
