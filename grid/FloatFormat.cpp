#include "grid/FloatFormat.h"

#include "grid/GridError.h"

#include <cmath>
#include <cstdio>

namespace {

[[noreturn]] void Refuse(const QString& format) {
    throw EVozAvozError("Format '" + format.toStdString() + "' invalid or incompatible with argument");
}

QString WithSeparators(const std::string& digits, bool thousands, const TFormatSettings& settings) {
    // digits is what "%.*f" gives: optional '-', integer digits, optional '.' and decimals.
    QString text = QString::fromStdString(digits);
    const bool negative = text.startsWith(u'-');
    if (negative) text.remove(0, 1);
    const qsizetype point = text.indexOf(u'.');
    QString whole = point < 0 ? text : text.left(point);
    const QString fraction = point < 0 ? QString() : text.mid(point + 1);
    if (thousands)
        for (qsizetype i = whole.size() - 3; i > 0; i -= 3)
            whole.insert(i, QChar::fromLatin1(settings.ThousandSeparator));
    QString r = whole;
    if (!fraction.isEmpty()) r += QChar::fromLatin1(settings.DecimalSeparator) + fraction;
    return negative ? u'-' + r : r;
}

std::string Printf(const char* pattern, int precision, double value) {
    char buffer[400];
    std::snprintf(buffer, sizeof buffer, pattern, precision, value);
    return buffer;
}

QString Scientific(double value, int precision, const TFormatSettings& settings) {
    // The class library's e: one digit before the point, precision digits in all, exponent sign
    // and at least three exponent digits.
    std::string s = Printf("%.*E", std::clamp(precision, 1, 18) - 1, value);
    const size_t e = s.find('E');
    std::string mantissa = s.substr(0, e), exponent = s.substr(e + 1);
    const char sign = exponent[0];
    std::string digits = exponent.substr(1);
    if (digits.size() < 3) digits.insert(0, 3 - digits.size(), '0');
    QString r = QString::fromStdString(mantissa);
    r.replace(u'.', QChar::fromLatin1(settings.DecimalSeparator));
    return r + u'E' + QChar::fromLatin1(sign) + QString::fromStdString(digits);
}

QString General(double value, int precision, const TFormatSettings& settings) {
    QString r = QString::fromStdString(Printf("%.*G", std::clamp(precision, 1, 18), value));
    r.replace(u'.', QChar::fromLatin1(settings.DecimalSeparator));
    return r;
}

QString Convert(QChar type, int precision, double value, const TFormatSettings& settings) {
    if (!std::isfinite(value)) return value != value ? QStringLiteral("NAN") : value > 0 ? "INF" : "-INF";
    switch (type.toLower().unicode()) {
    case 'f':
        return WithSeparators(Printf("%.*f", precision < 0 ? 2 : std::min(precision, 18), value), false,
                              settings);
    case 'n':
        return WithSeparators(Printf("%.*f", precision < 0 ? 2 : std::min(precision, 18), value), true,
                              settings);
    case 'm':
        return QString::fromStdString(settings.CurrencyString) + u' ' +
               WithSeparators(Printf("%.*f", precision < 0 ? 2 : std::min(precision, 18), value), true,
                              settings);
    case 'e':
        return Scientific(value, precision < 0 ? 15 : precision, settings);
    default:
        return General(value, precision < 0 ? 15 : precision, settings);
    }
}

int ReadNumber(const QString& format, qsizetype& i) {
    int n = 0;
    while (i < format.size() && format[i].isDigit() && n < 1000) n = n * 10 + format[i++].digitValue();
    return n;
}

} // namespace

QString FormatFloat(const QString& format, double value, const TFormatSettings& settings) {
    QString r;
    bool used = false;
    for (qsizetype i = 0; i < format.size(); ++i) {
        if (format[i] != u'%') {
            r += format[i];
            continue;
        }
        if (++i >= format.size()) Refuse(format);
        if (format[i] == u'%') {
            r += u'%';
            continue;
        }
        const bool left = format[i] == u'-';
        if (left) ++i;
        const int width = ReadNumber(format, i);
        int precision = -1;
        if (i < format.size() && format[i] == u'.') {
            ++i;
            precision = ReadNumber(format, i);
        }
        if (i >= format.size() || used || !QStringLiteral("fFnNmMeEgG").contains(format[i])) Refuse(format);
        used = true;
        const QString field = Convert(format[i], precision, value, settings);
        r += left ? field.leftJustified(width) : field.rightJustified(width);
    }
    return r;
}
