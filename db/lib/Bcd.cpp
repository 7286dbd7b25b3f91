#include "db/lib/Bcd.h"

#include "db/lib/DataTypes.h"
#include "db/lib/TextUtils.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace vorsam {

namespace {

// Drops leading zeros of the integer part, keeping at least one integer digit.
void Normalize(TDecimal& value) {
    size_t integerDigits = value.Digits.size() - value.Scale;
    size_t drop = 0;
    while (drop + 1 < integerDigits && value.Digits[drop] == '0') ++drop;
    value.Digits.erase(0, drop);
    if (value.Digits.size() == value.Scale) value.Digits.insert(0, 1, '0');
    if (value.Digits.find_first_not_of('0') == std::string::npos) value.Negative = false;
}

// Adds one unit in the last place to a string of digits (which has room: a leading '0' is added first).
void Increment(std::string& digits) {
    for (size_t i = digits.size(); i-- > 0;) {
        if (digits[i] != '9') {
            ++digits[i];
            return;
        }
        digits[i] = '0';
    }
    digits.insert(0, 1, '1');
}

} // namespace

std::optional<TDecimal> DecodeBcd(const uint8_t* bcd) {
    TDecimal value;
    uint8_t precision = bcd[0];
    value.Negative = (bcd[1] & 0x80) != 0;
    value.Scale = bcd[1] & 0x3F;
    if (precision == 0 || precision > MaxBcdDigits || value.Scale > precision) return std::nullopt;
    value.Digits.assign(precision, '0');
    for (size_t i = 0; i < MaxBcdDigits; ++i) {
        uint8_t nibble = (i % 2 == 0) ? bcd[2 + i / 2] >> 4 : bcd[2 + i / 2] & 0x0F;
        if (i < precision) {
            if (nibble > 9) return std::nullopt;
            value.Digits[i] = char('0' + nibble);
        }
    }
    Normalize(value);
    return value;
}

bool EncodeBcd(const TDecimal& value, uint8_t* bcd) {
    TDecimal v = value;
    Normalize(v);
    if (v.Digits.size() > MaxBcdDigits) return false;
    std::memset(bcd, 0, BcdValueSize);
    bcd[0] = uint8_t(v.Digits.size());
    bcd[1] = uint8_t((v.Negative ? 0x80 : 0) | v.Scale);
    for (size_t i = 0; i < v.Digits.size(); ++i) {
        uint8_t digit = uint8_t(v.Digits[i] - '0');
        bcd[2 + i / 2] |= (i % 2 == 0) ? uint8_t(digit << 4) : digit;
    }
    return true;
}

std::optional<TDecimal> ParseDecimal(std::string_view text) {
    text = TrimBlanks(text);
    TDecimal value;
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
        value.Negative = text[0] == '-';
        text.remove_prefix(1);
    }
    size_t dot = text.find('.');
    std::string_view integer = text.substr(0, dot);
    std::string_view fraction = dot == std::string_view::npos ? std::string_view() : text.substr(dot + 1);
    auto allDigits = [](std::string_view s) {
        return std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
    };
    if (integer.size() + fraction.size() == 0 || !allDigits(integer) || !allDigits(fraction))
        return std::nullopt;
    if (fraction.size() > 63) return std::nullopt;
    value.Digits = std::string(integer) + std::string(fraction);
    value.Scale = uint8_t(fraction.size());
    Normalize(value);
    return value;
}

std::string FormatDecimal(const TDecimal& value) {
    TDecimal v = value;
    Normalize(v);
    std::string text = v.Negative ? "-" : "";
    size_t integerDigits = v.Digits.size() - v.Scale;
    text.append(v.Digits, 0, integerDigits);
    if (v.Scale > 0) text.append(".").append(v.Digits, integerDigits, std::string::npos);
    return text;
}

TDecimal RoundDecimal(const TDecimal& value, uint8_t scale) {
    TDecimal result = value;
    if (scale >= value.Scale) {
        result.Digits.append(scale - value.Scale, '0');
    } else {
        size_t keep = value.Digits.size() - (value.Scale - scale);
        bool roundUp = value.Digits[keep] >= '5';
        result.Digits.assign(1, '0'); // room for a carry
        result.Digits.append(value.Digits, 0, keep);
        if (roundUp) Increment(result.Digits);
    }
    result.Scale = scale;
    Normalize(result);
    return result;
}

bool DecimalToInt64(const TDecimal& value, int64_t& result) {
    std::string_view integer(value.Digits.data(), value.Digits.size() - value.Scale);
    uint64_t magnitude = 0;
    for (char c : integer) {
        if (magnitude > (std::numeric_limits<uint64_t>::max() - 9) / 10) return false;
        magnitude = magnitude * 10 + uint64_t(c - '0');
    }
    uint64_t limit = uint64_t(std::numeric_limits<int64_t>::max()) + (value.Negative ? 1 : 0);
    if (magnitude > limit) return false;
    result = value.Negative ? int64_t(0 - magnitude) : int64_t(magnitude);
    return true;
}

TDecimal Int64ToDecimal(int64_t value, uint8_t scale) {
    TDecimal result;
    result.Negative = value < 0;
    uint64_t magnitude = value < 0 ? 0 - uint64_t(value) : uint64_t(value);
    result.Digits = std::to_string(magnitude);
    if (result.Digits.size() <= scale) result.Digits.insert(0, scale + 1 - result.Digits.size(), '0');
    result.Scale = scale;
    Normalize(result);
    return result;
}

bool CurrencyToBcdValue(int64_t currency, uint8_t scale, uint8_t* bcd) {
    if (scale > 63) return false;
    return EncodeBcd(RoundDecimal(Int64ToDecimal(currency, CurrencyScale), scale), bcd);
}

bool BcdToCurrencyValue(const uint8_t* bcd, int64_t& currency) {
    // Straight from the nibbles (keys are built from it): the digits up to the fourth decimal, the next
    // one rounding half away from zero.
    uint8_t precision = bcd[0], scale = bcd[1] & 0x3F;
    bool negative = (bcd[1] & 0x80) != 0;
    if (precision == 0 || precision > MaxBcdDigits || scale > precision) return false;
    size_t kept = precision - (scale > CurrencyScale ? scale - CurrencyScale : 0);
    unsigned __int128 magnitude = 0;
    for (size_t i = 0; i < precision; ++i) {
        uint8_t digit = (i % 2 == 0) ? bcd[2 + i / 2] >> 4 : bcd[2 + i / 2] & 0x0F;
        if (digit > 9) return false;
        if (i < kept)
            magnitude = magnitude * 10 + digit;
        else if (i == kept && digit >= 5)
            magnitude += 1;
        if (magnitude > std::numeric_limits<uint64_t>::max()) return false;
    }
    for (size_t s = scale; s < CurrencyScale; ++s) magnitude *= 10;
    unsigned __int128 limit = uint64_t(std::numeric_limits<int64_t>::max()) + (negative ? 1u : 0u);
    if (magnitude > limit) return false;
    currency = negative ? int64_t(0 - uint64_t(magnitude)) : int64_t(uint64_t(magnitude));
    return true;
}

} // namespace vorsam
