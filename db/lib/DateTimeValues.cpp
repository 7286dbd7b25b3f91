#include "db/lib/DateTimeValues.h"

#include "db/lib/TextUtils.h"

#include <cmath>
#include <cstdio>

namespace vorsam {

namespace {

constexpr int64_t DaysFromCivil(int64_t y, int64_t m, int64_t d) {
    y -= m <= 2;
    int64_t era = (y >= 0 ? y : y - 399) / 400;
    int64_t yoe = y - era * 400;
    int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468; // days since 1970-01-01
}

constexpr int64_t DayNumberOffset = 1 - DaysFromCivil(1, 1, 1);

// Reads 1 .. maxDigits digits at `pos` into `value`.
bool ReadNumber(std::string_view text, size_t& pos, size_t maxDigits, int& value) {
    size_t start = pos;
    value = 0;
    while (pos < text.size() && pos - start < maxDigits && text[pos] >= '0' && text[pos] <= '9')
        value = value * 10 + (text[pos++] - '0');
    return pos > start;
}

bool Expect(std::string_view text, size_t& pos, char c) {
    if (pos >= text.size() || text[pos] != c) return false;
    ++pos;
    return true;
}

bool ReadDate(std::string_view text, size_t& pos, int32_t& dayNumber) {
    int y, m, d;
    if (!ReadNumber(text, pos, 4, y) || !Expect(text, pos, '-') || !ReadNumber(text, pos, 2, m) ||
        !Expect(text, pos, '-') || !ReadNumber(text, pos, 2, d) || !IsValidDate(y, m, d))
        return false;
    dayNumber = EncodeDate(y, m, d);
    return true;
}

bool ReadTime(std::string_view text, size_t& pos, int32_t& milliseconds) {
    int h, m, s = 0, ms = 0;
    if (!ReadNumber(text, pos, 2, h) || !Expect(text, pos, ':') || !ReadNumber(text, pos, 2, m)) return false;
    if (pos < text.size() && text[pos] == ':') {
        ++pos;
        if (!ReadNumber(text, pos, 2, s)) return false;
        if (pos < text.size() && text[pos] == '.') {
            size_t start = ++pos;
            if (!ReadNumber(text, pos, 3, ms)) return false;
            for (size_t digits = pos - start; digits < 3; ++digits) ms *= 10;
        }
    }
    if (h > 23 || m > 59 || s > 59) return false;
    milliseconds = ((h * 60 + m) * 60 + s) * 1000 + ms;
    return true;
}

// The value a reader takes from the whole text (blanks around it ignored).
std::optional<int32_t> ParseWhole(std::string_view text,
                                  bool (*reader)(std::string_view, size_t&, int32_t&)) {
    text = TrimBlanks(text);
    size_t pos = 0;
    int32_t value;
    if (!reader(text, pos, value) || pos != text.size()) return std::nullopt;
    return value;
}

} // namespace

bool IsValidDate(int year, int month, int day) {
    static constexpr int DaysInMonth[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1) return false;
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return day <= DaysInMonth[month - 1] + (month == 2 && leap);
}

int32_t EncodeDate(int year, int month, int day) {
    return int32_t(DaysFromCivil(year, month, day) + DayNumberOffset);
}

void DecodeDate(int32_t dayNumber, int& year, int& month, int& day) {
    int64_t z = int64_t(dayNumber) - DayNumberOffset + 719468;
    int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    int64_t doe = z - era * 146097;
    int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    int64_t mp = (5 * doy + 2) / 153;
    day = int(doy - (153 * mp + 2) / 5 + 1);
    month = int(mp < 10 ? mp + 3 : mp - 9);
    year = int(yoe + era * 400 + (month <= 2));
}

std::optional<int32_t> ParseDate(std::string_view text) {
    return ParseWhole(text, ReadDate);
}

std::optional<int32_t> ParseTime(std::string_view text) {
    return ParseWhole(text, ReadTime);
}

std::optional<double> ParseTimeStamp(std::string_view text) {
    text = TrimBlanks(text);
    size_t pos = 0;
    int32_t day, ms = 0;
    if (!ReadDate(text, pos, day)) return std::nullopt;
    if (pos < text.size()) {
        if (text[pos] != ' ' && text[pos] != 'T') return std::nullopt;
        ++pos;
        if (!ReadTime(text, pos, ms)) return std::nullopt;
    }
    if (pos != text.size()) return std::nullopt;
    return MakeTimeStamp(day, ms);
}

std::string FormatDate(int32_t dayNumber) {
    int y, m, d;
    DecodeDate(dayNumber, y, m, d);
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", y, m, d);
    return text;
}

std::string FormatTime(int32_t milliseconds) {
    int32_t s = milliseconds / 1000, ms = milliseconds % 1000;
    char text[20];
    int n = std::snprintf(text, sizeof text, "%02d:%02d:%02d", s / 3600, s / 60 % 60, s % 60);
    if (ms != 0) std::snprintf(text + n, sizeof text - size_t(n), ".%03d", ms);
    return text;
}

bool SplitTimeStamp(double timestamp, int32_t& dayNumber, int32_t& milliseconds) {
    if (!std::isfinite(timestamp) || timestamp < 0) return false;
    double rounded = std::round(timestamp);
    if (rounded >= double(MaxDayNumber) * MillisecondsPerDay) return false;
    auto total = int64_t(rounded);
    dayNumber = int32_t(total / MillisecondsPerDay + 1);
    milliseconds = int32_t(total % MillisecondsPerDay);
    return true;
}

std::string FormatTimeStamp(double milliseconds) {
    int32_t day, ms;
    if (!SplitTimeStamp(milliseconds, day, ms)) return {};
    return FormatDate(day) + " " + FormatTime(ms);
}

} // namespace vorsam
