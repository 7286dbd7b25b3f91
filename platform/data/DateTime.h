#pragma once
// Date and time values of fields and parameters.
//
// TDateTime is a double: the integer part counts days since 1899-12-30 (negative before), the
// fraction is the time of day (for negative values its absolute value: -1.25 is 1899-12-29 06:00).
// TTimeStamp is the split form: Date counts days with 0001-01-01 = 1, Time milliseconds since
// midnight; as milliseconds, a stamp is Date * 86400000 + Time.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform::data {

using TDateTime = double;

struct TTimeStamp {
    std::int32_t Time = 0;
    std::int32_t Date = 0;
    bool operator==(const TTimeStamp&) const = default;
};

inline constexpr std::int32_t DateDelta = 693594; // TTimeStamp.Date of 1899-12-30
inline constexpr std::int32_t MSecsPerDay = 86400000;

bool TryEncodeDate(int year, int month, int day, TDateTime& result);
bool TryEncodeTime(int hour, int minute, int second, int msec, TDateTime& result);
TDateTime EncodeDate(int year, int month, int day);               // EConvertError when invalid
TDateTime EncodeTime(int hour, int minute, int second, int msec); // EConvertError when invalid
void DecodeDate(TDateTime value, int& year, int& month, int& day);
void DecodeTime(TDateTime value, int& hour, int& minute, int& second, int& msec);

// Rounds the time of day to whole milliseconds (carrying into the next day).
TTimeStamp DateTimeToTimeStamp(TDateTime value);
TDateTime TimeStampToDateTime(const TTimeStamp& stamp);
double TimeStampToMSecs(const TTimeStamp& stamp);
TTimeStamp MSecsToTimeStamp(double msecs);

// Patterns as TFormatSettings describes them; quoted text ('...' or "...") is copied as it stands.
std::string FormatDateTime(std::string_view format, TDateTime value);
std::string DateToStr(TDateTime value);
std::string TimeToStr(TDateTime value);
// The date, then a blank and the time unless the time is midnight.
std::string DateTimeToStr(TDateTime value);

// Dates: day, month and year in the order of ShortDateFormat, separated by DateSeparator; times:
// hours and minutes with optional seconds, separated by TimeSeparator; a date-time text is a date, a
// time, or a date, blanks and a time.
std::optional<TDateTime> TryStrToDate(std::string_view text);
std::optional<TDateTime> TryStrToTime(std::string_view text);
std::optional<TDateTime> TryStrToDateTime(std::string_view text);

} // namespace platform::data
