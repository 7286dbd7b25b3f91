// Dates, times and timestamps in the engine's native forms (DataTypes.h) and their ISO texts.
//
//   date       int32 day number, 0001-01-01 = 1, proleptic Gregorian calendar, years 1 .. 9999
//   time       int32 milliseconds since midnight, 0 .. 86,399,999
//   timestamp  double milliseconds since 0001-01-01 00:00 = (day - 1) x 86,400,000 + time
// Texts: date "YYYY-MM-DD" (month and day may have one digit), time "HH:MM[:SS[.fff]]" (24 hours),
// timestamp a date, a blank or 'T', and a time (the time may be left out). Blanks around are ignored.
// Formatting writes "YYYY-MM-DD", "HH:MM:SS" with ".fff" only when the milliseconds are not 0.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vorsam {

inline constexpr int32_t MillisecondsPerDay = 86400000;
inline constexpr int32_t MaxDayNumber = 3652059; // 9999-12-31

bool IsValidDate(int year, int month, int day);
// Day number of a valid date.
int32_t EncodeDate(int year, int month, int day);
// Year, month and day of a day number in 1 .. MaxDayNumber.
void DecodeDate(int32_t dayNumber, int& year, int& month, int& day);

std::optional<int32_t> ParseDate(std::string_view text);
std::optional<int32_t> ParseTime(std::string_view text);
std::optional<double> ParseTimeStamp(std::string_view text);

std::string FormatDate(int32_t dayNumber);
std::string FormatTime(int32_t milliseconds);
std::string FormatTimeStamp(double milliseconds);

// Splits a timestamp into its day number and time; false when it lies outside years 1 .. 9999.
bool SplitTimeStamp(double timestamp, int32_t& dayNumber, int32_t& milliseconds);
constexpr double MakeTimeStamp(int32_t dayNumber, int32_t milliseconds) {
    return (double(dayNumber) - 1) * MillisecondsPerDay +
           milliseconds; // no overflow at the lowest day number
}

} // namespace vorsam
