// The one object that holds the user-facing number, date and time formats of the whole program.
//
// The tool is Brazilian Portuguese throughout: ',' decimal separator, '.' thousands separator,
// dd/MM/yyyy dates and HH:mm:ss times, whatever the machine's locale says. Every routine that
// shows or reads a number or a date asks FormatSettings() instead of the operating system, and
// tests pin a profile with TFormatSettingsScope so that their results never depend on the host.
//
// Date and time format strings use these tokens (anything else, and text between single quotes,
// is copied as it stands): d dd (day), M MM (month), yy yyyy (year), H HH (hour 0-23),
// m mm (minute), s ss (second), z zzz (milliseconds).
#pragma once

#include <array>
#include <string>

struct TFormatSettings {
    char DecimalSeparator = ',';
    char ThousandSeparator = '.';
    char DateSeparator = '/';
    char TimeSeparator = ':';
    char ListSeparator = ';';
    std::string CurrencyString = "R$";
    std::string ShortDateFormat = "dd/MM/yyyy";
    std::string LongDateFormat = "dd/MM/yyyy";
    std::string ShortTimeFormat = "HH:mm";
    std::string LongTimeFormat = "HH:mm:ss";
    std::array<std::string, 12> LongMonthNames{};
    std::array<std::string, 7> LongDayNames{}; // Sunday first
    // Two-digit years below this value are taken as 20yy, the others as 19yy.
    int TwoDigitYearPivot = 50;

    // The program's own profile (pt-BR).
    static TFormatSettings BrazilianPortuguese();
    // A neutral profile with '.' decimals and ',' thousands (MM/dd/yyyy), used to test that code
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

// Formats with an explicit format string (see the token list above).
std::string FormatDateTimeParts(const std::string& format, const TDateParts& date, const TTimeParts& time);
std::string ShortDateText(const TDateParts& date, const TFormatSettings& settings = FormatSettings());
std::string LongTimeText(const TTimeParts& time, const TFormatSettings& settings = FormatSettings());

// Reads a date written in the order of the settings' short date format (day, month and year
// separated by the date separator; a two-digit year follows TwoDigitYearPivot). False when the
// text is not a valid calendar date.
bool ParseShortDate(const std::string& text, TDateParts& date,
                    const TFormatSettings& settings = FormatSettings());
// Reads H:m or H:m:s with the settings' time separator. False when out of range.
bool ParseTime(const std::string& text, TTimeParts& time, const TFormatSettings& settings = FormatSettings());

// Fixed-point text of a number with the settings' separators ("1.234,50" for 1234.5, 2, true).
std::string FormatFixed(double value, int decimals, bool thousands,
                        const TFormatSettings& settings = FormatSettings());
// Reads a number written with the settings' separators (thousands separators allowed between
// groups of three digits). False for anything else; the value is then left alone.
bool ParseNumber(const std::string& text, double& value, const TFormatSettings& settings = FormatSettings());

bool IsValidDate(int year, int month, int day);
int DaysInMonth(int year, int month);
