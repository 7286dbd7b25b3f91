// Recognising and converting the numbers and dates typed into cells. Separators come from the
// program's format settings (platform/os/FormatSettings.h), never from the machine's locale.
//
// Dates are the class library's date values: days since 30 December 1899 (1 January 1900 is 2),
// the time of day as the fraction.
#pragma once

#include "platform/os/FormatSettings.h"

#include <QDate>
#include <QString>

using TDateTime = double;

// 0 integer ('-' and digits only), 1 float (digits, '-', thousand and decimal separators, with
// thousand separators at least 3 apart and not first), 2 anything else; an empty text, or one
// with two '-' or two decimal separators, is 2.
int NumberKind(const QString& s, const TFormatSettings& settings = FormatSettings());
// The number in a cell's text made readable for conversion ('.' as the decimal point): see the
// rules in the implementation. Negative amounts may be written "(...)" or with a leading '-'.
void NumericText(const QString& s, QString& r, const TFormatSettings& settings = FormatSettings());
// p without thousand separators and with the decimal separator written as '.'.
void NormalizeDecimal(const QString& p, QString& s, const TFormatSettings& settings = FormatSettings());
// The three date-separated numbers of s read in the order of the short date format; true (and d
// set) when all convert, the day is at most 31 and the month at most 12.
bool TryParseDate(const QString& s, TDateTime& d, const TFormatSettings& settings = FormatSettings());
// Day-month-year (month-day-year) cut at the first '/', else '.', else '-'; a two-digit year above
// 25 is 19yy, otherwise 20yy. 0 when a part does not convert or the date does not exist.
TDateTime ParseDateDMY(const QString& s);
TDateTime ParseDateMDY(const QString& s);
// The date separator occurs after position 1, and again after position 1 in what follows it.
bool IsDateText(const QString& s, const TFormatSettings& settings = FormatSettings());
// Only dayDiff: value + dayDiff; only yearDiff: the same day yearDiff years on; only monthDiff:
// the same day monthDiff months on (wrapping once into the next or previous year); otherwise
// value + delta.
TDateTime IncDateParts(int yearDiff, int monthDiff, int dayDiff, double delta, TDateTime value);

// Conversions between dates and date values; an invalid date gives 0.
TDateTime EncodeDate(int year, int month, int day);
QDate DateOf(TDateTime value);
// The short date text of a date value (settings' format).
QString DateText(TDateTime value, const TFormatSettings& settings = FormatSettings());
