#include "platform/data/NumberText.h"

#include "platform/data/TextUtil.h"
#include "platform/os/FormatSettings.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace platform::data {

std::optional<std::int64_t> TryStrToInt64(std::string_view text) {
    std::string trimmed = Trim(text);
    std::string_view digits = trimmed;
    if (!digits.empty() && digits.front() == '+') digits.remove_prefix(1);
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (digits.empty() || error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
    return value;
}

std::optional<double> TryStrToFloat(std::string_view text) {
    std::string trimmed = Trim(text);
    const char separator = FormatSettings().DecimalSeparator;
    for (char& c : trimmed) {
        if (c == separator)
            c = '.';
        else if (c == '.')
            return std::nullopt; // only the configured separator is a decimal point
    }
    std::string_view number = trimmed;
    if (!number.empty() && number.front() == '+') number.remove_prefix(1);
    double value = 0;
    const auto [end, error] =
        std::from_chars(number.data(), number.data() + number.size(), value, std::chars_format::general);
    if (number.empty() || error != std::errc() || end != number.data() + number.size() ||
        !std::isfinite(value))
        return std::nullopt;
    return value;
}

namespace {

std::string WithSeparator(std::string text) {
    for (char& c : text)
        if (c == '.') c = FormatSettings().DecimalSeparator;
    return text;
}

// "1.5e-05" -> "1.5E-5", "1e+20" -> "1E20".
std::string CompactExponent(const std::string& text) {
    const auto e = text.find('e');
    if (e == std::string::npos) return text;
    std::string result = text.substr(0, e) + 'E';
    std::size_t i = e + 1;
    if (text[i] == '-') result += '-';
    if (text[i] == '-' || text[i] == '+') ++i;
    while (i + 1 < text.size() && text[i] == '0') ++i;
    return result + text.substr(i);
}

} // namespace

std::string FloatToStr(double value) {
    if (value == 0) return "0";
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%.15g", value);
    return WithSeparator(CompactExponent(buffer));
}

std::string FloatToStrFixed(double value, int decimals) {
    return FormatFixed(value, decimals, false);
}

std::string FloatToStrCurrency(double value) {
    const TFormatSettings& settings = FormatSettings();
    const std::string number = FormatFixed(std::fabs(value), settings.CurrencyDecimals, true);
    const bool negative = value < 0 && number.find_first_of("123456789") != std::string::npos;
    return (negative ? "-" : "") + settings.CurrencyString + " " + number;
}

} // namespace platform::data
