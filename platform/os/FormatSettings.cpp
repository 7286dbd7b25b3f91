#include "platform/os/FormatSettings.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace {

TFormatSettings& CurrentSettings() {
    static TFormatSettings settings = TFormatSettings::BrazilianPortuguese();
    return settings;
}

std::string Padded(int value, int width) {
    std::string digits = std::to_string(value < 0 ? -value : value);
    if (static_cast<int>(digits.size()) < width) digits.insert(0, width - digits.size(), '0');
    return value < 0 ? "-" + digits : digits;
}

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool IsField(char lower) {
    return std::string_view("dmyhnsz").find(lower) != std::string_view::npos;
}

// Length of the run of the field letter at position i, either case.
int RunLength(std::string_view s, size_t i) {
    size_t n = 1;
    while (i + n < s.size() && Lower(s[i + n]) == Lower(s[i])) ++n;
    return static_cast<int>(n);
}

void AppendLiteral(std::vector<TPatternPiece>& pieces, std::string_view text) {
    if (pieces.empty() || pieces.back().Field != 0) pieces.emplace_back();
    pieces.back().Text += text;
}

std::string FieldText(const TPatternPiece& piece, const TDateParts& date, const TTimeParts& time) {
    const int width = piece.Count >= 2 ? 2 : 1;
    switch (piece.Field) {
    case 'd':
        return Padded(date.Day, width);
    case 'm':
        return Padded(date.Month, width);
    case 'y':
        return piece.Count > 2 ? Padded(date.Year, 4) : Padded(date.Year % 100, 2);
    case 'h':
        return Padded(time.Hour, width);
    case 'n':
        return Padded(time.Minute, width);
    case 's':
        return Padded(time.Second, width);
    default: // 'z'
        return Padded(time.Millisecond, piece.Count >= 3 ? 3 : 1);
    }
}

bool ReadInt(std::string_view text, int& value) {
    if (text.empty() || text.size() > 9) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return true;
}

std::vector<std::string_view> Split(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    for (size_t end = text.find(separator); end != std::string_view::npos; end = text.find(separator)) {
        parts.push_back(text.substr(0, end));
        text.remove_prefix(end + 1);
    }
    parts.push_back(text);
    return parts;
}

std::string_view Trimmed(std::string_view text) {
    constexpr std::string_view blanks = " \t\r\n";
    const size_t first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

// Order of day, month and year in a date pattern: a string such as "dmy".
std::string DateOrder(std::string_view format) {
    std::string order;
    for (char c : format) {
        const char lower = Lower(c);
        if ((lower == 'd' || lower == 'm' || lower == 'y') && order.find(lower) == std::string::npos)
            order += lower;
    }
    return order.size() == 3 ? order : "dmy";
}

} // namespace

TFormatSettings TFormatSettings::BrazilianPortuguese() {
    return {};
}

TFormatSettings TFormatSettings::Neutral() {
    TFormatSettings s;
    s.DecimalSeparator = '.';
    s.ThousandSeparator = ',';
    s.CurrencyString.assign(1, '$');
    s.ShortDateFormat = "mm/dd/yyyy";
    return s;
}

const TFormatSettings& FormatSettings() {
    return CurrentSettings();
}

void SetFormatSettings(const TFormatSettings& settings) {
    CurrentSettings() = settings;
}

TFormatSettingsScope::TFormatSettingsScope(const TFormatSettings& settings) : saved_(FormatSettings()) {
    SetFormatSettings(settings);
}

TFormatSettingsScope::~TFormatSettingsScope() {
    SetFormatSettings(saved_);
}

std::vector<TPatternPiece> SplitDateTimePattern(std::string_view format, const TFormatSettings& settings) {
    std::vector<TPatternPiece> pieces;
    for (size_t i = 0; i < format.size();) {
        const char c = format[i];
        if (IsField(Lower(c))) {
            const int run = RunLength(format, i);
            pieces.push_back({Lower(c), run, {}});
            i += run;
        } else if (c == '\'' || c == '"') {
            const size_t close = std::min(format.find(c, i + 1), format.size());
            AppendLiteral(pieces, format.substr(i + 1, close - i - 1));
            i = close + 1;
        } else {
            const char literal = c == '/' ? settings.DateSeparator : c == ':' ? settings.TimeSeparator : c;
            AppendLiteral(pieces, std::string_view(&literal, 1));
            ++i;
        }
    }
    return pieces;
}

std::string FormatDateTimeParts(std::string_view format, const TDateParts& date, const TTimeParts& time,
                                const TFormatSettings& settings) {
    std::string out;
    for (const TPatternPiece& piece : SplitDateTimePattern(format, settings))
        out += piece.Field ? FieldText(piece, date, time) : piece.Text;
    return out;
}

std::string ShortDateText(const TDateParts& date, const TFormatSettings& settings) {
    return FormatDateTimeParts(settings.ShortDateFormat, date, {}, settings);
}

std::string LongTimeText(const TTimeParts& time, const TFormatSettings& settings) {
    return FormatDateTimeParts(settings.LongTimeFormat, {}, time, settings);
}

int DaysInMonth(int year, int month) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) return 0;
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : days[month - 1];
}

bool IsValidDate(int year, int month, int day) {
    return year >= 1 && year <= 9999 && day >= 1 && day <= DaysInMonth(year, month);
}

bool ParseShortDate(std::string_view text, TDateParts& date, const TFormatSettings& settings) {
    const std::vector<std::string_view> parts = Split(Trimmed(text), settings.DateSeparator);
    if (parts.size() != 3) return false;
    const std::string order = DateOrder(settings.ShortDateFormat);
    TDateParts d;
    for (int i = 0; i < 3; ++i) {
        int value = 0;
        if (!ReadInt(parts[i], value)) return false;
        if (order[i] == 'd') d.Day = value;
        if (order[i] == 'm') d.Month = value;
        if (order[i] == 'y') {
            if (parts[i].size() <= 2) value += value < settings.TwoDigitYearPivot ? 2000 : 1900;
            d.Year = value;
        }
    }
    if (!IsValidDate(d.Year, d.Month, d.Day)) return false;
    date = d;
    return true;
}

bool ParseTime(std::string_view text, TTimeParts& time, const TFormatSettings& settings) {
    const std::vector<std::string_view> parts = Split(Trimmed(text), settings.TimeSeparator);
    if (parts.size() < 2 || parts.size() > 3) return false;
    int values[3] = {0, 0, 0};
    for (size_t i = 0; i < parts.size(); ++i)
        if (!ReadInt(parts[i], values[i])) return false;
    if (values[0] > 23 || values[1] > 59 || values[2] > 59) return false;
    time = {values[0], values[1], values[2], 0};
    return true;
}

std::string FormatFixed(double value, int decimals, bool thousands, const TFormatSettings& settings) {
    if (!std::isfinite(value)) return std::isnan(value) ? "NAN" : value > 0 ? "INF" : "-INF";
    if (decimals < 0) decimals = 0;
    if (decimals > 18) decimals = 18;
    char buffer[400];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
    std::string plain = buffer;
    const bool negative = !plain.empty() && plain[0] == '-';
    if (negative) plain.erase(0, 1);
    const size_t point = plain.find('.');
    const std::string whole = plain.substr(0, point);
    const std::string fraction = point == std::string::npos ? "" : plain.substr(point + 1);
    std::string grouped;
    for (size_t i = 0; i < whole.size(); ++i) {
        if (thousands && i > 0 && (whole.size() - i) % 3 == 0) grouped += settings.ThousandSeparator;
        grouped += whole[i];
    }
    if (negative && plain.find_first_not_of("0.") != std::string::npos) grouped.insert(0, 1, '-');
    return fraction.empty() ? grouped : grouped + settings.DecimalSeparator + fraction;
}

bool ParseNumber(std::string_view text, double& value, const TFormatSettings& settings) {
    const std::string_view s = Trimmed(text);
    std::string normal;
    size_t i = 0;
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) normal += s[i++];
    int digitsInGroup = 0, groups = 0;
    bool anyDigit = false;
    for (; i < s.size() && s[i] != settings.DecimalSeparator; ++i) {
        const char c = s[i];
        if (c >= '0' && c <= '9') {
            normal += c;
            ++digitsInGroup;
            anyDigit = true;
        } else if (c == settings.ThousandSeparator && anyDigit && (groups == 0 || digitsInGroup == 3)) {
            ++groups;
            digitsInGroup = 0;
        } else {
            return false;
        }
    }
    if (groups > 0 && digitsInGroup != 3) return false;
    if (i < s.size()) {
        if (i + 1 == s.size()) return false; // a separator needs digits after it
        normal += '.';
        for (++i; i < s.size(); ++i) {
            if (s[i] < '0' || s[i] > '9') return false;
            normal += s[i];
            anyDigit = true;
        }
    }
    if (!anyDigit) return false;
    double result = 0;
    const char* first = normal.data() + (normal[0] == '+' ? 1 : 0);
    auto [end, error] = std::from_chars(first, normal.data() + normal.size(), result);
    if (error != std::errc() || end != normal.data() + normal.size()) return false;
    value = result;
    return true;
}
