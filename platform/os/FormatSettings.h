// The one object that holds the user-facing number, currency, date and time formats of the whole
// program, and the routines that write and read texts in those formats.
//
// The tool is Brazilian Portuguese throughout: ',' decimal separator, '.' thousands separator,
// dd/mm/yyyy dates, hh:nn:ss times and "R$" amounts, whatever the machine's locale says. Every
// routine that shows or reads a number or a date asks FormatSettings() instead of the operating
// system, and tests pin a profile with TFormatSettingsScope so that their results never depend on
// the host.
//
// Date and time patterns (the language of the grid's user formats and of the fields' display
// formats) use these tokens, upper or lower case alike: d dd (day), m mm (month), yy yyyy (year; a
// run of more than two letters gives four digits), h hh (hour 0-23), n nn (minute), s ss (second),
// z zzz (milliseconds). '/' stands for the date separator and ':' for the time separator; text
// between single or double quotes, and any other character, is copied as it stands.
#pragma once

#include <string>
#include <string_view>
#include <vector>

struct TFormatSettings {
    char DecimalSeparator = ',';
    char ThousandSeparator = '.';
    char DateSeparator = '/';
    char TimeSeparator = ':';
    std::string ShortDateFormat = "dd/mm/yyyy";
    std::string LongTimeFormat = "hh:nn:ss";
    std::string CurrencyString = "R$";
    int CurrencyDecimals = 2;
    // Two-digit years below this value are taken as 20yy, the others as 19yy.
    int TwoDigitYearPivot = 50;

    // The program's own profile (pt-BR).
    static TFormatSettings BrazilianPortuguese();
    // A neutral profile with '.' decimals and ',' thousands (mm/dd/yyyy), used to test that code
    // really reads the settings instead of assuming one separator.
    static TFormatSettings Neutral();
};

// The process-wide settings (GUI thread only); pt-BR until someone installs another profile.
const TFormatSettings& FormatSettings();
void SetFormatSettings(const TFormatSettings& settings);

// Installs a profile for the lifetime of the object and puts the previous one back afterwards.
class TFormatSettingsScope {
public:
    explicit TFormatSettingsScope(const TFormatSettings& settings);
    ~TFormatSettingsScope();
    TFormatSettingsScope(const TFormatSettingsScope&) = delete;
    TFormatSettingsScope& operator=(const TFormatSettingsScope&) = delete;

private:
    TFormatSettings saved_;
};

struct TDateParts {
    int Year = 0, Month = 0, Day = 0;
};
struct TTimeParts {
    int Hour = 0, Minute = 0, Second = 0, Millisecond = 0;
};

// One piece of a date/time pattern: a field (Field is one of the lower-case tokens d m y h n s z and
// Count the length of its run) or, when Field is 0, literal Text with the separators filled in.
struct TPatternPiece {
    char Field = 0;
    int Count = 0;
    std::string Text;
};
std::vector<TPatternPiece> SplitDateTimePattern(std::string_view format,
                                                const TFormatSettings& settings = FormatSettings());

// Formats with an explicit pattern (see the token list above).
std::string FormatDateTimeParts(std::string_view format, const TDateParts& date, const TTimeParts& time,
                                const TFormatSettings& settings = FormatSettings());
std::string ShortDateText(const TDateParts& date, const TFormatSettings& settings = FormatSettings());
std::string LongTimeText(const TTimeParts& time, const TFormatSettings& settings = FormatSettings());

// Reads a date written in the order of the settings' short date format (day, month and year
// separated by the date separator; a year of one or two digits follows TwoDigitYearPivot). False
// when the text is not a valid calendar date; the parts are then left alone.
bool ParseShortDate(std::string_view text, TDateParts& date,
                    const TFormatSettings& settings = FormatSettings());
// Reads h:n or h:n:s with the settings' time separator. False when out of range.
bool ParseTime(std::string_view text, TTimeParts& time, const TFormatSettings& settings = FormatSettings());

// Fixed-point text of a number with the settings' separators ("1.234,50" for 1234.5, 2, true); a
// value that rounds to zero has no sign.
std::string FormatFixed(double value, int decimals, bool thousands,
                        const TFormatSettings& settings = FormatSettings());
// Reads a number written with the settings' separators (thousands separators allowed between
// groups of three digits). False for anything else; the value is then left alone.
bool ParseNumber(std::string_view text, double& value, const TFormatSettings& settings = FormatSettings());

bool IsValidDate(int year, int month, int day); // years 1 to 9999 of the Gregorian calendar
int DaysInMonth(int year, int month);
