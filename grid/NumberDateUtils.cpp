#include "grid/NumberDateUtils.h"

#include <QStringList>
#include <cmath>

namespace {

// Julian day of 30 December 1899, day 0 of the date values.
constexpr qint64 kDateZero = 2415019;

QChar Sep(char c) {
    return QChar::fromLatin1(c);
}

} // namespace

int NumberKind(const QString& s, const TFormatSettings& settings) {
    if (s.isEmpty()) return 2;
    const QChar thousand = Sep(settings.ThousandSeparator), decimal = Sep(settings.DecimalSeparator);
    if (s.count(u'-') >= 2 || s.count(decimal) >= 2) return 2;
    bool integer = true;
    for (QChar c : s)
        if (c != u'-' && !c.isDigit()) integer = false;
    if (integer) return 0;
    int lastThousand = 0; // 1-based position of the previous thousand separator (0: none yet)
    for (int i = 0; i < s.size(); ++i) {
        const QChar c = s[i];
        if (c == thousand) {
            const int pos = i + 1;
            if (pos == 1 || (lastThousand > 0 && pos - lastThousand < 3)) return 2;
            lastThousand = pos;
        } else if (c != u'-' && c != decimal && !c.isDigit()) {
            return 2;
        }
    }
    return 1;
}

void NumericText(const QString& s, QString& r, const TFormatSettings& settings) {
    const QChar thousand = Sep(settings.ThousandSeparator), decimal = Sep(settings.DecimalSeparator);
    QString t = s.trimmed();
    bool negative = false;
    if (t.startsWith(u'(') && t.endsWith(u')')) {
        negative = true;
        t = t.mid(1, t.size() - 2);
    }
    int i = 0;
    for (; i < t.size(); ++i) {
        const QChar c = t[i];
        if (c.isDigit() || c == thousand || c == decimal) break;
        if (c == u'-') negative = true;
    }
    r.clear();
    for (; i < t.size(); ++i) {
        const QChar c = t[i];
        if (c == thousand) continue;
        if (c == decimal)
            r += u'.';
        else if (c.isDigit() || c == u'+' || c == u'-' || c == u'.' || c == u'E' || c == u'e')
            r += c;
        else
            break;
    }
    if (negative) r.prepend(u'-');
}

void NormalizeDecimal(const QString& p, QString& s, const TFormatSettings& settings) {
    s = p;
    s.remove(Sep(settings.ThousandSeparator));
    s.replace(Sep(settings.DecimalSeparator), u'.');
}

TDateTime EncodeDate(int year, int month, int day) {
    const QDate date(year, month, day);
    return date.isValid() ? TDateTime(date.toJulianDay() - kDateZero) : 0;
}

QDate DateOf(TDateTime value) {
    return QDate::fromJulianDay(kDateZero + qint64(std::floor(value)));
}

QString DateText(TDateTime value, const TFormatSettings& settings) {
    const QDate date = DateOf(value);
    return QString::fromStdString(ShortDateText({date.year(), date.month(), date.day()}, settings));
}

bool TryParseDate(const QString& s, TDateTime& d, const TFormatSettings& settings) {
    const QStringList parts = s.split(Sep(settings.DateSeparator));
    if (parts.size() != 3) return false;
    const QString format = QString::fromStdString(settings.ShortDateFormat).toUpper();
    QString order; // the order of D, M and Y in the format
    for (QChar c : format)
        if ((c == u'D' || c == u'M' || c == u'Y') && !order.contains(c)) order += c;
    if (order.size() != 3) return false;
    int day = 0, month = 0, year = 0;
    for (int i = 0; i < 3; ++i) {
        bool ok = false;
        const int value = parts[i].trimmed().toInt(&ok);
        if (!ok) return false;
        (order[i] == u'D' ? day : order[i] == u'M' ? month : year) = value;
    }
    if (day > 31 || month > 12) return false;
    if (year < 100) year += year < settings.TwoDigitYearPivot ? 2000 : 1900;
    const TDateTime value = EncodeDate(year, month, day);
    if (value == 0) return false;
    d = value;
    return true;
}

namespace {

TDateTime ParseDate3(const QString& s, bool dayFirst) {
    QChar sep;
    for (QChar candidate : {u'/', u'.', u'-'})
        if (s.contains(candidate)) {
            sep = candidate;
            break;
        }
    if (sep.isNull()) return 0;
    const QStringList parts = s.split(sep);
    if (parts.size() < 3) return 0;
    bool ok1 = false, ok2 = false, ok3 = false;
    const int a = parts[0].trimmed().toInt(&ok1), b = parts[1].trimmed().toInt(&ok2);
    int year = parts[2].trimmed().toInt(&ok3);
    if (!ok1 || !ok2 || !ok3) return 0;
    if (year < 100) year += year > 25 ? 1900 : 2000;
    return dayFirst ? EncodeDate(year, b, a) : EncodeDate(year, a, b);
}

} // namespace

TDateTime ParseDateDMY(const QString& s) {
    return ParseDate3(s, true);
}

TDateTime ParseDateMDY(const QString& s) {
    return ParseDate3(s, false);
}

bool IsDateText(const QString& s, const TFormatSettings& settings) {
    const QChar sep = Sep(settings.DateSeparator);
    const qsizetype first = s.indexOf(sep);
    if (first < 1) return false;
    const qsizetype second = s.mid(first + 1).indexOf(sep);
    return second >= 1;
}

TDateTime IncDateParts(int yearDiff, int monthDiff, int dayDiff, double delta, TDateTime value) {
    const double time = value - std::floor(value);
    const QDate date = DateOf(value);
    if (dayDiff != 0 && yearDiff == 0 && monthDiff == 0) return value + dayDiff;
    auto encode = [&](int year, int month) {
        const int day = std::min(date.day(), QDate(year, month, 1).daysInMonth());
        return EncodeDate(year, month, day) + time;
    };
    if (yearDiff != 0 && monthDiff == 0 && dayDiff == 0) return encode(date.year() + yearDiff, date.month());
    if (monthDiff != 0 && yearDiff == 0 && dayDiff == 0) {
        int month = date.month() + monthDiff, year = date.year();
        if (month > 12) month -= 12, ++year;
        if (month < 1) month += 12, --year;
        return encode(year, std::clamp(month, 1, 12));
    }
    return value + delta;
}
