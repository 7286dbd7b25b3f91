#pragma once
// Integer and floating-point numbers as text, with the decimal separator of FormatSettings().

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform::data {

// Decimal digits with an optional sign; blanks around are allowed.
std::optional<std::int64_t> TryStrToInt64(std::string_view text);
// Plain or exponent notation with the decimal separator; blanks around are allowed.
std::optional<double> TryStrToFloat(std::string_view text);

// General format: at most 15 significant digits, exponent form ("1E20", "1,5E-5") for very large or
// small values.
std::string FloatToStr(double value);
// Fixed format with the given number of decimals and no thousands separators ("1234,50").
std::string FloatToStrFixed(double value, int decimals);
// Currency format: CurrencyString, a blank, thousands separators and CurrencyDecimals decimals
// ("R$ 1.234,50", "-R$ 0,25").
std::string FloatToStrCurrency(double value);

} // namespace platform::data
