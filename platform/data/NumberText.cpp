#include "platform/data/NumberText.h"

#include "platform/data/FormatSettings.h"
#include "platform/data/TextUtil.h"

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
    char buffer[400];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
    std::string text = buffer;
    if (text.find_first_not_of("-0.") == std::string::npos && text.front() == '-') text.erase(0, 1);
    return WithSeparator(text);
}

std::string InsertThousands(std::string_view fixedText) {
    std::string text(fixedText);
    const std::size_t start = !text.empty() && text.front() == '-' ? 1 : 0;
    std::size_t end = text.find(FormatSettings().DecimalSeparator);
    if (end == std::string::npos) end = text.size();
    for (std::size_t at = end; at > start + 3; at -= 3)
        text.insert(at - 3, 1, FormatSettings().ThousandSeparator);
    return text;
}

std::string FloatToStrCurrency(double value) {
    const TFormatSettings& settings = FormatSettings();
    std::string number = InsertThousands(FloatToStrFixed(std::fabs(value), settings.CurrencyDecimals));
    const bool negative = value < 0 && number.find_first_of("123456789") != std::string::npos;
    return (negative ? "-" : "") + settings.CurrencyString + " " + number;
}

} // namespace platform::data
