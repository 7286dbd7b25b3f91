#pragma once
// The number, currency, date and time formats of field and value texts. One process-wide object,
// Brazilian Portuguese by default (',' decimal, '.' thousands, dd/mm/yyyy, hh:nn:ss, "R$").

#include <string>

namespace platform::data {

struct TFormatSettings {
    char DecimalSeparator = ',';
    char ThousandSeparator = '.';
    char DateSeparator = '/';
    char TimeSeparator = ':';
    // Date and time patterns: d dd m mm yy yyyy h hh n nn s ss z zzz; '/' and ':' stand for the
    // separators above; any other character is copied.
    std::string ShortDateFormat = "dd/mm/yyyy";
    std::string LongTimeFormat = "hh:nn:ss";
    std::string CurrencyString = "R$";
    int CurrencyDecimals = 2;
    // Two-digit years below this value belong to the 2000s, the others to the 1900s.
    int TwoDigitYearPivot = 50;
};

// The settings every conversion of this library uses; the application may change them at start-up.
TFormatSettings& FormatSettings();

} // namespace platform::data
