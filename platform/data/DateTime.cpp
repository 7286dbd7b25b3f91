#include "platform/data/DateTime.h"

#include "platform/data/Errors.h"
#include "platform/data/TextUtil.h"
#include "platform/os/FormatSettings.h"

#include <cmath>

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

// The parts of a value: its day, and its time of day rounded to whole milliseconds.
TDateParts DateParts(TDateTime value) {
    TDateParts date;
    DecodeDate(value, date.Year, date.Month, date.Day);
    return date;
}

TTimeParts TimeParts(TDateTime value) {
    TTimeParts time;
    DecodeTime(value, time.Hour, time.Minute, time.Second, time.Millisecond);
    return time;
}

} // namespace

bool TryEncodeDate(int year, int month, int day, TDateTime& result) {
    if (!IsValidDate(year, month, day)) return false;
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
    return FormatDateTimeParts(format, DateParts(value), TimeParts(value));
}

std::string DateToStr(TDateTime value) {
    return ShortDateText(DateParts(value));
}

std::string TimeToStr(TDateTime value) {
    return LongTimeText(TimeParts(value));
}

std::string DateTimeToStr(TDateTime value) {
    std::string text = DateToStr(value);
    if (DateTimeToTimeStamp(value).Time != 0) text += ' ' + TimeToStr(value);
    return text;
}

std::optional<TDateTime> TryStrToDate(std::string_view text) {
    TDateParts date;
    if (!ParseShortDate(text, date)) return std::nullopt;
    return EncodeDate(date.Year, date.Month, date.Day);
}

std::optional<TDateTime> TryStrToTime(std::string_view text) {
    TTimeParts time;
    if (!ParseTime(text, time)) return std::nullopt;
    return EncodeTime(time.Hour, time.Minute, time.Second, 0);
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
