#include "platform/os/FormatSettings.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <vector>

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

// Length of the run of character c starting at position i.
size_t RunLength(const std::string& s, size_t i) {
    size_t n = 1;
    while (i + n < s.size() && s[i + n] == s[i]) ++n;
    return n;
}

std::string TokenText(char token, size_t count, const TDateParts& date, const TTimeParts& time) {
    const bool two = count >= 2;
    switch (token) {
    case 'd':
        return Padded(date.Day, two ? 2 : 1);
    case 'M':
        return Padded(date.Month, two ? 2 : 1);
    case 'y':
        return count >= 4 ? Padded(date.Year, 4) : Padded(date.Year % 100, 2);
    case 'H':
        return Padded(time.Hour, two ? 2 : 1);
    case 'm':
        return Padded(time.Minute, two ? 2 : 1);
    case 's':
        return Padded(time.Second, two ? 2 : 1);
    case 'z':
        return Padded(time.Millisecond, count >= 3 ? 3 : 1);
    default:
        return {};
    }
}

bool IsToken(char c) {
    return c == 'd' || c == 'M' || c == 'y' || c == 'H' || c == 'm' || c == 's' || c == 'z';
}

bool ReadInt(const std::string& text, int& value) {
    if (text.empty() || text.size() > 9) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    value = std::stoi(text);
    return true;
}

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts(1);
    for (char c : text) {
        if (c == separator)
            parts.emplace_back();
        else
            parts.back() += c;
    }
    return parts;
}

std::string Trimmed(const std::string& text) {
    size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    size_t last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

// Order of day, month and year in a date format: a string such as "DMY".
std::string DateOrder(const std::string& format) {
    std::string order;
    for (char c : format) {
        char k = c == 'd' ? 'D' : c == 'M' ? 'M' : c == 'y' ? 'Y' : 0;
        if (k && order.find(k) == std::string::npos) order += k;
    }
    return order.size() == 3 ? order : "DMY";
}

} // namespace

TFormatSettings TFormatSettings::BrazilianPortuguese() {
    TFormatSettings s;
    s.LongMonthNames = {"janeiro", "fevereiro", "março",    "abril",   "maio",     "junho",
                        "julho",   "agosto",    "setembro", "outubro", "novembro", "dezembro"};
    s.LongDayNames = {"domingo",      "segunda-feira", "terça-feira", "quarta-feira",
                      "quinta-feira", "sexta-feira",   "sábado"};
    return s;
}

TFormatSettings TFormatSettings::Neutral() {
    TFormatSettings s;
    s.DecimalSeparator = '.';
    s.ThousandSeparator = ',';
    s.ListSeparator = ',';
    s.CurrencyString.assign(1, '$');
    s.ShortDateFormat = "MM/dd/yyyy";
    s.LongDateFormat = "MM/dd/yyyy";
    s.LongMonthNames = {"January", "February", "March",     "April",   "May",      "June",
                        "July",    "August",   "September", "October", "November", "December"};
    s.LongDayNames = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
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

std::string FormatDateTimeParts(const std::string& format, const TDateParts& date, const TTimeParts& time) {
    std::string out;
    for (size_t i = 0; i < format.size();) {
        char c = format[i];
        if (c == '\'') {
            size_t close = format.find('\'', i + 1);
            if (close == std::string::npos) close = format.size();
            out += format.substr(i + 1, close - i - 1);
            i = close + 1;
        } else if (IsToken(c)) {
            size_t n = RunLength(format, i);
            out += TokenText(c, n, date, time);
            i += n;
        } else {
            out += c;
            ++i;
        }
    }
    return out;
}

std::string ShortDateText(const TDateParts& date, const TFormatSettings& settings) {
    return FormatDateTimeParts(settings.ShortDateFormat, date, {});
}

std::string LongTimeText(const TTimeParts& time, const TFormatSettings& settings) {
    return FormatDateTimeParts(settings.LongTimeFormat, {}, time);
}

int DaysInMonth(int year, int month) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) return 0;
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : days[month - 1];
}

bool IsValidDate(int year, int month, int day) {
    return year >= 1 && year <= 9999 && day >= 1 && day <= DaysInMonth(year, month);
}

bool ParseShortDate(const std::string& text, TDateParts& date, const TFormatSettings& settings) {
    std::vector<std::string> parts = Split(Trimmed(text), settings.DateSeparator);
    if (parts.size() != 3) return false;
    std::string order = DateOrder(settings.ShortDateFormat);
    TDateParts d;
    for (int i = 0; i < 3; ++i) {
        int value = 0;
        if (!ReadInt(parts[i], value)) return false;
        if (order[i] == 'D') d.Day = value;
        if (order[i] == 'M') d.Month = value;
        if (order[i] == 'Y') {
            if (parts[i].size() <= 2) value += value < settings.TwoDigitYearPivot ? 2000 : 1900;
            d.Year = value;
        }
    }
    if (!IsValidDate(d.Year, d.Month, d.Day)) return false;
    date = d;
    return true;
}

bool ParseTime(const std::string& text, TTimeParts& time, const TFormatSettings& settings) {
    std::vector<std::string> parts = Split(Trimmed(text), settings.TimeSeparator);
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
    bool negative = !plain.empty() && plain[0] == '-';
    if (negative) plain.erase(0, 1);
    size_t point = plain.find('.');
    std::string whole = plain.substr(0, point);
    std::string fraction = point == std::string::npos ? "" : plain.substr(point + 1);
    std::string grouped;
    for (size_t i = 0; i < whole.size(); ++i) {
        if (thousands && i > 0 && (whole.size() - i) % 3 == 0) grouped += settings.ThousandSeparator;
        grouped += whole[i];
    }
    if (negative && plain.find_first_not_of("0.") != std::string::npos)
        grouped = std::string(1, '-') + grouped;
    return fraction.empty() ? grouped : grouped + settings.DecimalSeparator + fraction;
}

bool ParseNumber(const std::string& text, double& value, const TFormatSettings& settings) {
    std::string s = Trimmed(text);
    std::string normal;
    size_t i = 0;
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) normal += s[i++];
    int digitsInGroup = 0, groups = 0;
    bool anyDigit = false;
    for (; i < s.size() && s[i] != settings.DecimalSeparator; ++i) {
        char c = s[i];
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
