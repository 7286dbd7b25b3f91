// Formats one floating-point value with a format string of the class library's Format language,
// as the grid's FloatFormat ("%.2f") and the application's float formats are written. The format
// string is data (it may come from a screen or a handler), so it is interpreted here and never
// handed to printf:
//   %%                 a percent sign
//   %[-][width][.precision]type   type f (fixed), n (fixed with thousand separators),
//                      e (scientific), g (general), m (money); width pads with blanks (on the
//                      left, or on the right with '-'); f, n, m default to 2 decimals, e and g to
//                      15 significant digits
//   anything else      copied as it stands
// Separators and the currency symbol come from the format settings. A format with another type
// (d, s, x, p, ...), a '*' width, an argument index or more than one value raises EVozAvozError.
#pragma once

#include "platform/os/FormatSettings.h"

#include <QString>

QString FormatFloat(const QString& format, double value, const TFormatSettings& settings = FormatSettings());
