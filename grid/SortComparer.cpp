// The comparisons of TComparer, style by style (see SortComparer.h).
#include "grid/SortComparer.h"

#include "grid/TextUtils.h"
#include "platform/data/DateTime.h"

#include <QCollator>
#include <QLocale>
#include <charconv>
#include <cmath>

namespace gridsort {

namespace {

bool IsAsciiDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

// The standard text-to-float conversion: leading blanks, a sign, digits with at most one '.', an
// exponent. True when the whole text converts; value is what was read before the first character
// that does not fit (0 when no digit was read).
bool ValFloat(const QString& s, double& value) {
    const qsizetype n = s.size();
    qsizetype i = 0;
    while (i < n && s[i] == u' ') ++i;
    bool negative = false;
    if (i < n && (s[i] == u'+' || s[i] == u'-')) negative = s[i++] == u'-';
    // A whole text of up to 18 digits is an integer read exactly; its double is the one the
    // conversion below gives (both round the exact value to the nearest double).
    if (i < n && n - i <= 18) {
        qint64 whole = 0;
        qsizetype k = i;
        for (; k < n && IsAsciiDigit(s[k]); ++k) whole = whole * 10 + (s[k].unicode() - u'0');
        if (k == n) {
            value = negative ? -double(whole) : double(whole);
            return true;
        }
    }
    std::string digits;
    bool any = false;
    for (; i < n && IsAsciiDigit(s[i]); ++i, any = true) digits += char(s[i].unicode());
    if (i < n && s[i] == u'.') {
        digits += '.';
        for (++i; i < n && IsAsciiDigit(s[i]); ++i, any = true) digits += char(s[i].unicode());
    }
    bool tinyExponent = false;
    if (any && i < n && (s[i] == u'e' || s[i] == u'E')) {
        qsizetype k = i + 1;
        std::string exponent = "e";
        if (k < n && (s[k] == u'+' || s[k] == u'-')) exponent += char(s[k++].unicode());
        if (k < n && IsAsciiDigit(s[k])) {
            for (; k < n && IsAsciiDigit(s[k]); ++k) exponent += char(s[k].unicode());
            tinyExponent = exponent[1] == '-';
            digits += exponent;
            i = k;
        }
    }
    value = 0;
    if (any) {
        const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
        if (error == std::errc::result_out_of_range) value = tinyExponent ? 0.0 : HUGE_VAL;
        if (negative) value = -value;
    }
    return any && i == n;
}

QString UpperAscii(QString s) {
    for (QChar& c : s)
        if (c >= u'a' && c <= u'z') c = QChar(c.unicode() - (u'a' - u'A'));
    return s;
}

// The first date separator stands at the second or third character, before the last one, with a
// digit on each side.
bool LooksLikeDate(const QString& s) {
    const qsizetype p = s.indexOf(QChar::fromLatin1(FormatSettings().DateSeparator));
    return (p == 1 || p == 2) && p + 1 < s.size() && IsAsciiDigit(s[p - 1]) && IsAsciiDigit(s[p + 1]);
}

// The comparison of the user's locale (the application's default locale), case-sensitive or not.
const QCollator& UserCollator(bool ignoreCase) {
    static QString name;
    static std::optional<QCollator> exact, noCase;
    const QLocale locale;
    if (!exact || name != locale.name()) {
        name = locale.name();
        exact.emplace(locale);
        noCase.emplace(locale);
        noCase->setCaseSensitivity(Qt::CaseInsensitive);
    }
    return ignoreCase ? *noCase : *exact;
}

} // namespace

TSortStyle AutomaticStyle(TSortStyle a, TSortStyle b) {
    auto rank = [](TSortStyle style) {
        switch (style) {
        case TSortStyle::ssCheckBox:
            return 3;
        case TSortStyle::ssNumeric:
            return 2;
        case TSortStyle::ssDateTime:
            return 1;
        default:
            return 0;
        }
    };
    return rank(a) >= rank(b) ? a : b;
}

const TColumnFormat& TComparer::Format(int col) {
    auto ask = [&](TColumnFormat& f) {
        f.Style = grid_.SortSettings.AutoFormat ? TSortStyle::ssAutomatic : TSortStyle::ssText;
        f.Prefix.clear();
        f.Suffix.clear();
        grid_.GetColFormat(col, f.Style, f.Prefix, f.Suffix);
    };
    if (!keepFormats_) {
        ask(asked_);
        return asked_;
    }
    if (size_t(col) >= formats_.size()) formats_.resize(size_t(col) + 1);
    std::optional<TColumnFormat>& format = formats_[size_t(col)];
    if (!format) ask(format.emplace());
    return *format;
}

TSortStyle TComparer::ClassOf(TSortKey& k, int col, int row) {
    return (k.Have & TSortKey::kClass) ? k.Class : ClassOf(k, IsCheckBoxGraphic(grid_.GetCellType(col, row)));
}

TSortStyle TComparer::ClassOf(TSortKey& k, bool checkBox) {
    if (!(k.Have & TSortKey::kClass)) {
        k.Have |= TSortKey::kClass;
        if (checkBox)
            k.Class = TSortStyle::ssCheckBox;
        else if (NumberKind(k.Text) <= 1)
            k.Class = TSortStyle::ssNumeric;
        else if (LooksLikeDate(k.Text))
            k.Class = TSortStyle::ssDateTime;
        else
            k.Class = TSortStyle::ssText;
    }
    return k.Class;
}

void TComparer::NeedNumber(TSortKey& k, const TColumnFormat& format, bool grouped) {
    if (k.Have & TSortKey::kNumber) return;
    k.Have |= TSortKey::kNumber;
    QString t = k.Text;
    for (const QString& part : {format.Prefix, format.Suffix})
        if (!part.isEmpty())
            if (const qsizetype p = t.indexOf(part); p >= 0) t.remove(p, part.size());
    const TFormatSettings& settings = FormatSettings();
    if (grouped) t.remove(QChar::fromLatin1(settings.ThousandSeparator));
    if (settings.DecimalSeparator != '.')
        if (const qsizetype p = t.indexOf(QChar::fromLatin1(settings.DecimalSeparator)); p >= 0) t[p] = u'.';
    k.NumberOk = ValFloat(t, k.Number);
    if (!k.NumberOk && k.Text.isEmpty()) k.Number = 0, k.NumberOk = true;
}

double TComparer::DateOf(TSortKey& k, TSortStyle style) {
    if (k.Have & TSortKey::kDate) return k.Date;
    k.Have |= TSortKey::kDate;
    if (style == TSortStyle::ssDateDMY)
        k.Date = ParseDateDMY(k.Text);
    else if (style == TSortStyle::ssDateMDY)
        k.Date = ParseDateMDY(k.Text);
    else if (!k.Text.isEmpty())
        k.Date = platform::data::TryStrToDateTime(k.Text.toStdString()).value_or(0.0);
    return k.Date;
}

const QString& TComparer::AltOf(TSortKey& k, TSortStyle style) {
    if (!(k.Have & TSortKey::kAlt)) {
        k.Have |= TSortKey::kAlt;
        k.Alt = style == TSortStyle::ssHTMLText ? grid_.StripHTML(k.Text) : UpperAscii(k.Text);
    }
    return k.Alt;
}

const QCollatorSortKey& TComparer::CollationOf(TSortKey& k, TSortStyle style) {
    if (!(k.Have & TSortKey::kCollation)) {
        k.Have |= TSortKey::kCollation;
        const bool ignoreCase = style != TSortStyle::ssLocaleText;
        QString text = k.Text;
        if (style == TSortStyle::ssWideText) DecodeWideCell(k.Text, text);
        const QCollator& collator = UserCollator(ignoreCase);
        // The C locale's keys are plain code points whatever the case setting.
        if (ignoreCase && collator.locale().language() == QLocale::C) text = text.toCaseFolded();
        k.Collation.emplace(collator.sortKey(text));
    }
    return *k.Collation;
}

// The picture a cell shows, as an integer: the image index of an image-list cell, the identity of
// the bitmap or icon of a bitmap or icon cell (cells sharing a picture compare equal), -1 for any
// other cell.
qint64 TComparer::ImageOf(TSortKey& k, int col, int row) {
    if (!(k.Have & TSortKey::kImage)) {
        k.Have |= TSortKey::kImage;
        const TCellGraphic* graphic = grid_.GetCellGraphic(col, row);
        const TCellType type = graphic ? graphic->CellType : TCellType::ctNone;
        if (type == TCellType::ctImageList)
            k.Image = graphic->CellIndex;
        else if (type == TCellType::ctBitmap)
            k.Image = qint64(reinterpret_cast<quintptr>(graphic->Object<TBitmap>()));
        else if (type == TCellType::ctIcon)
            k.Image = qint64(reinterpret_cast<quintptr>(graphic->Icon<TBitmap>()));
    }
    return k.Image;
}

bool TComparer::CheckedOf(TSortKey& k, int col, int row) {
    if (!(k.Have & TSortKey::kChecked)) {
        k.Have |= TSortKey::kChecked;
        const TCellGraphic* graphic = grid_.GetCellGraphic(col, row);
        const TCellType type = graphic ? graphic->CellType : TCellType::ctNone;
        if (type == TCellType::ctCheckBox)
            k.Checked = graphic->CellBoolean;
        else if (type == TCellType::ctDataCheckBox || type == TCellType::ctVirtCheckBox)
            k.Checked = k.Text == grid_.GetCheckTrue(col, row);
    }
    return k.Checked;
}

int TComparer::Compare(int col, TSortKey& a, int rowA, TSortKey& b, int rowB, int direction) {
    const TColumnFormat& format = Format(col);
    TSortStyle style = format.Style;
    if (style == TSortStyle::ssAutomatic)
        style = AutomaticStyle(ClassOf(a, col, rowA), ClassOf(b, col, rowB));
    int result = 0;
    switch (style) {
    case TSortStyle::ssAutomatic: // ClassOf never answers it
    case TSortStyle::ssText:
    case TSortStyle::ssTextOrdinal:
        result = CompareKeyTexts(a, b);
        break;
    case TSortStyle::ssNumeric:
    case TSortStyle::ssNumericGrouped: {
        const bool grouped = style == TSortStyle::ssNumericGrouped;
        NeedNumber(a, format, grouped);
        NeedNumber(b, format, grouped);
        result = !a.NumberOk && !b.NumberOk ? 0 : Sign(a.Number, b.Number);
        break;
    }
    case TSortStyle::ssDateTime:
    case TSortStyle::ssDateDMY:
    case TSortStyle::ssDateMDY:
        result = Sign(DateOf(a, style), DateOf(b, style));
        break;
    case TSortStyle::ssTextNoCase:
    case TSortStyle::ssHTMLText:
        result = CompareCodeUnits(AltOf(a, style), AltOf(b, style));
        break;
    case TSortStyle::ssCustom:
        if (grid_.OnCustomCompare) grid_.OnCustomCompare(&grid_, a.Text, b.Text, result);
        result = Sign(result);
        break;
    case TSortStyle::ssLocaleText:
    case TSortStyle::ssLocaleTextNoCase:
    case TSortStyle::ssWideText:
        result = Sign(CollationOf(a, style).compare(CollationOf(b, style)));
        break;
    case TSortStyle::ssRaw:
        if (grid_.OnRawCompare) grid_.OnRawCompare(&grid_, col, rowA, rowB, result);
        result = Sign(result);
        break;
    case TSortStyle::ssCellImage:
        result = Sign(double(ImageOf(a, col, rowA)), double(ImageOf(b, col, rowB)));
        break;
    case TSortStyle::ssCheckBox:
        result = int(CheckedOf(a, col, rowA)) - int(CheckedOf(b, col, rowB));
        break;
    }
    // Empty cells go first or last whatever the direction.
    if (grid_.SortSettings.IgnoreBlanks) {
        const bool last = grid_.SortSettings.BlankPos == TSortBlankPosition::blLast;
        const int flip = direction == 1 ? -1 : 1;
        if (a.Text.isEmpty() && !b.Text.isEmpty()) result = (last ? 1 : -1) * flip;
        if (b.Text.isEmpty() && !a.Text.isEmpty()) result = (last ? -1 : 1) * flip;
    }
    return result;
}

} // namespace gridsort
