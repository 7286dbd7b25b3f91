#include "platform/data/DateTime.h"

#include "platform/data/Errors.h"
#include "platform/data/FormatSettings.h"
#include "platform/data/NumberText.h"
#include "platform/data/TextUtil.h"

#include <cmath>
#include <vector>

namespace platform::data {
namespace {

constexpr std::int32_t UnixEpochDate = 719163; // TTimeStamp.Date of 1970-01-01

// Days since 1970-01-01 of a proleptic Gregorian date, and back.
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void CivilFromDays(std::int64_t z, int& year, int& month, int& day) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(static_cast<std::int64_t>(yoe) + era * 400 + (month <= 2));
}

bool IsLeapYear(int year) {
    return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

int DaysInMonth(int year, int month) {
    static constexpr int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : days[month - 1];
}

std::string Padded(int value, int width) {
    std::string text = std::to_string(value);
    if (static_cast<int>(text.size()) < width) text.insert(0, width - text.size(), '0');
    return text;
}

struct NumberPart {
    int Value = 0;
    std::size_t Digits = 0;
};

// Splits the text at the separator into parts of one to five digits.
std::optional<std::vector<NumberPart>> NumberParts(std::string_view text, char separator) {
    std::vector<NumberPart> parts;
    while (true) {
        const auto end = text.find(separator);
        const std::string_view digits = text.substr(0, end);
        if (digits.empty() || digits.size() > 5 ||
            digits.find_first_not_of("0123456789") != std::string_view::npos)
            return std::nullopt;
        parts.push_back({static_cast<int>(*TryStrToInt64(digits)), digits.size()});
        if (end == std::string_view::npos) return parts;
        text.remove_prefix(end + 1);
    }
}

// The order of day, month and year in ShortDateFormat, as the letters 'd', 'm' and 'y'.
std::string DateOrder() {
    std::string order;
    for (char c : FormatSettings().ShortDateFormat) {
        const char lower = static_cast<char>(c | 0x20);
        if ((lower == 'd' || lower == 'm' || lower == 'y') && order.find(lower) == std::string::npos)
            order += lower;
    }
    return order.size() == 3 ? order : "dmy";
}

// The year as typed: two digits or fewer take the century of the pivot rule.
int ExpandYear(int year, std::size_t digits) {
    if (digits > 2) return year;
    return year < FormatSettings().TwoDigitYearPivot ? 2000 + year : 1900 + year;
}

} // namespace

bool TryEncodeDate(int year, int month, int day, TDateTime& result) {
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month))
        return false;
    result = static_cast<double>(DaysFromCivil(year, month, day) + UnixEpochDate - DateDelta);
    return true;
}

bool TryEncodeTime(int hour, int minute, int second, int msec, TDateTime& result) {
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 || msec < 0 ||
        msec > 999)
        return false;
    result = ((hour * 60 + minute) * 60 + second) * 1000.0 + msec;
    result /= MSecsPerDay;
    return true;
}

TDateTime EncodeDate(int year, int month, int day) {
    TDateTime result = 0;
    if (!TryEncodeDate(year, month, day, result)) throw EConvertError("Invalid argument to date encode");
    return result;
}

TDateTime EncodeTime(int hour, int minute, int second, int msec) {
    TDateTime result = 0;
    if (!TryEncodeTime(hour, minute, second, msec, result))
        throw EConvertError("Invalid argument to time encode");
    return result;
}

void DecodeDate(TDateTime value, int& year, int& month, int& day) {
    CivilFromDays(static_cast<std::int64_t>(DateTimeToTimeStamp(value).Date) - UnixEpochDate, year, month,
                  day);
}

void DecodeTime(TDateTime value, int& hour, int& minute, int& second, int& msec) {
    std::int32_t ms = DateTimeToTimeStamp(value).Time;
    msec = ms % 1000;
    ms /= 1000;
    second = ms % 60;
    ms /= 60;
    minute = ms % 60;
    hour = ms / 60;
}

TTimeStamp DateTimeToTimeStamp(TDateTime value) {
    const double days = std::trunc(value);
    auto time = static_cast<std::int64_t>(std::llround(std::fabs(value - days) * MSecsPerDay));
    auto date = static_cast<std::int64_t>(days) + DateDelta;
    if (time >= MSecsPerDay) {
        time -= MSecsPerDay;
        ++date;
    }
    return {static_cast<std::int32_t>(time), static_cast<std::int32_t>(date)};
}

TDateTime TimeStampToDateTime(const TTimeStamp& stamp) {
    const double days = static_cast<double>(stamp.Date) - DateDelta;
    const double time = static_cast<double>(stamp.Time) / MSecsPerDay;
    return days < 0 ? days - time : days + time;
}

double TimeStampToMSecs(const TTimeStamp& stamp) {
    return static_cast<double>(stamp.Date) * MSecsPerDay + stamp.Time;
}

TTimeStamp MSecsToTimeStamp(double msecs) {
    const double date = std::floor(msecs / MSecsPerDay);
    return {static_cast<std::int32_t>(msecs - date * MSecsPerDay), static_cast<std::int32_t>(date)};
}

std::string FormatDateTime(std::string_view format, TDateTime value) {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, msec = 0;
    DecodeDate(value, year, month, day);
    DecodeTime(value, hour, minute, second, msec);
    const TFormatSettings& settings = FormatSettings();
    std::string result;
    std::size_t i = 0;
    while (i < format.size()) {
        const char c = format[i];
        std::size_t run = 1;
        while (i + run < format.size() && (format[i + run] | 0x20) == (c | 0x20)) ++run;
        switch (c | 0x20) {
        case 'd':
            result += Padded(day, run >= 2 ? 2 : 1);
            break;
        case 'm':
            result += Padded(month, run >= 2 ? 2 : 1);
            break;
        case 'y':
            result += run > 2 ? Padded(year, 4) : Padded(year % 100, 2);
            break;
        case 'h':
            result += Padded(hour, run >= 2 ? 2 : 1);
            break;
        case 'n':
            result += Padded(minute, run >= 2 ? 2 : 1);
            break;
        case 's':
            result += Padded(second, run >= 2 ? 2 : 1);
            break;
        case 'z':
            result += Padded(msec, run >= 3 ? 3 : 1);
            break;
        default:
            run = 1;
            if (c == '/')
                result += settings.DateSeparator;
            else if (c == ':')
                result += settings.TimeSeparator;
            else if (c == '\'' || c == '"') {
                const auto close = format.find(c, i + 1);
                const auto end = close == std::string_view::npos ? format.size() : close;
                result += format.substr(i + 1, end - i - 1);
                run = end - i + 1;
            } else {
                result += c;
            }
        }
        i += run;
    }
    return result;
}

std::string DateToStr(TDateTime value) {
    return FormatDateTime(FormatSettings().ShortDateFormat, value);
}
std::string TimeToStr(TDateTime value) {
    return FormatDateTime(FormatSettings().LongTimeFormat, value);
}

std::string DateTimeToStr(TDateTime value) {
    std::string text = DateToStr(value);
    if (DateTimeToTimeStamp(value).Time != 0) text += " " + TimeToStr(value);
    return text;
}

std::optional<TDateTime> TryStrToDate(std::string_view text) {
    const std::string trimmed = Trim(text);
    const auto parts = NumberParts(trimmed, FormatSettings().DateSeparator);
    if (!parts || parts->size() != 3) return std::nullopt;
    const std::string order = DateOrder();
    int day = 0, month = 0, year = 0;
    for (std::size_t i = 0; i < 3; ++i) {
        const NumberPart& part = (*parts)[i];
        if (order[i] == 'd')
            day = part.Value;
        else if (order[i] == 'm')
            month = part.Value;
        else
            year = ExpandYear(part.Value, part.Digits);
    }
    TDateTime result = 0;
    if (!TryEncodeDate(year, month, day, result)) return std::nullopt;
    return result;
}

std::optional<TDateTime> TryStrToTime(std::string_view text) {
    const auto parts = NumberParts(Trim(text), FormatSettings().TimeSeparator);
    if (!parts || parts->size() < 2 || parts->size() > 3) return std::nullopt;
    TDateTime result = 0;
    const int second = parts->size() == 3 ? (*parts)[2].Value : 0;
    if (!TryEncodeTime((*parts)[0].Value, (*parts)[1].Value, second, 0, result)) return std::nullopt;
    return result;
}

std::optional<TDateTime> TryStrToDateTime(std::string_view text) {
    const std::string trimmed = Trim(text);
    const auto blank = trimmed.find(' ');
    if (blank == std::string::npos) {
        if (trimmed.find(FormatSettings().DateSeparator) == std::string::npos) return TryStrToTime(trimmed);
        return TryStrToDate(trimmed);
    }
    const auto date = TryStrToDate(trimmed.substr(0, blank));
    const auto time = TryStrToTime(trimmed.substr(blank + 1));
    if (!date || !time) return std::nullopt;
    return *date < 0 ? *date - *time : *date + *time;
}

} // namespace platform::data
