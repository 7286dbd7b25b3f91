// The text routines of the mini-HTML unit: stripping tags, rewriting a form control's value,
// colours by name and in hexadecimal, and the tag readers the renderer shares.
#include "grid/HTMLDraw.h"
#include "grid/HTMLTags.h"

#include <QHash>
#include <limits>

namespace HTMLTags {

bool QuotedValue(const QString& tag, qsizetype from, QString& value) {
    const qsizetype open = tag.indexOf(u'"', from);
    if (open < 0) return false;
    const qsizetype close = tag.indexOf(u'"', open + 1);
    if (close < 0) return false;
    value = tag.mid(open + 1, close - open - 1);
    return true;
}

bool TagValue(const QString& tag, const QString& upperTag, const QString& name, QString& value) {
    const qsizetype at = upperTag.indexOf(name);
    return at >= 0 && QuotedValue(tag, at + name.size(), value);
}

int LeadingNumber(const QString& s) {
    constexpr int kLimit = std::numeric_limits<int>::max() / 10 - 10;
    int n = 0;
    for (QChar c : s) {
        if (c < u'0' || c > u'9') break;
        n = std::min(n * 10 + (c.unicode() - u'0'), kLimit); // a huge number counts as a large one
    }
    return n;
}

int Number(const QString& s) {
    bool ok = false;
    const int n = s.trimmed().toInt(&ok);
    return ok ? n : LeadingNumber(s.trimmed());
}

TColor TagColor(const QString& value) {
    return value.startsWith(u'#') ? HTMLHexColor(value) : HTMLColorName(value);
}

QString UnescapeAngles(const QString& s) {
    QString out = s;
    out.replace(QLatin1String("&lt;"), QLatin1String("<"), Qt::CaseInsensitive);
    out.replace(QLatin1String("&gt;"), QLatin1String(">"), Qt::CaseInsensitive);
    return out;
}

TControlTag ReadControlTag(const QString& tag) {
    const QString upper = tag.toUpper();
    TControlTag control;
    if (TagValue(tag, upper, QStringLiteral("TYPE="), control.Type)) control.Type = control.Type.toUpper();
    control.HasWidth = TagValue(tag, upper, QStringLiteral("WIDTH="), control.Width);
    TagValue(tag, upper, QStringLiteral("ID="), control.ID);
    if (TagValue(tag, upper, QStringLiteral("VALUE="), control.Value))
        control.Value = UnescapeAngles(control.Value);
    return control;
}

} // namespace HTMLTags

QString HTMLStrip(const QString& text) {
    QString s = text;
    s.replace(QLatin1String("<BR>"), QLatin1String("\r\n"), Qt::CaseInsensitive);
    s.replace(QLatin1String("<HR>"), QLatin1String("\r\n"), Qt::CaseInsensitive);
    QString out;
    out.reserve(s.size());
    qsizetype i = 0;
    while (i < s.size()) {
        const qsizetype open = s.indexOf(u'<', i);
        const qsizetype close = open < 0 ? -1 : s.indexOf(u'>', open);
        if (close < 0) {
            out += QStringView(s).mid(i);
            break;
        }
        out += QStringView(s).mid(i, open - i);
        i = close + 1;
    }
    return out;
}

bool HTMLSetControlValue(QString& text, const QString& id, const QString& value) {
    QString escaped = value;
    escaped.replace(u'<', QLatin1String("&lt;"));
    escaped.replace(u'>', QLatin1String("&gt;"));
    const QString upper = text.toUpper();
    qsizetype from = 0;
    for (;;) {
        const qsizetype start = upper.indexOf(QLatin1String("<CONTROL "), from);
        if (start < 0) return false;
        const qsizetype end = text.indexOf(u'>', start);
        if (end < 0) return false;
        const HTMLTags::TControlTag control = HTMLTags::ReadControlTag(text.mid(start, end - start + 1));
        if (control.ID == id) {
            const QString tag = QStringLiteral("<CONTROL ID=\"%1\" VALUE=\"%2\" WIDTH=\"%3\" TYPE=\"%4\">")
                                    .arg(id, escaped, control.Width, control.Type);
            text.replace(start, end - start + 1, tag);
            return true;
        }
        from = end + 1;
    }
}

TColor HTMLColorName(const QString& name) {
    static const QHash<QString, TColor> colors = {
        {"clred", clRed},
        {"clblack", clBlack},
        {"clblue", clBlue},
        {"clgreen", clGreen},
        {"claqua", clAqua},
        {"clyellow", clYellow},
        {"clfuchsia", clFuchsia},
        {"clwhite", clWhite},
        {"cllime", clLime},
        {"clsilver", clSilver},
        {"clgray", clGray},
        {"clolive", clOlive},
        {"clnavy", clNavy},
        {"clpurple", clPurple},
        {"clteal", clTeal},
        {"clmaroon", clMaroon},
        {"clbackground", clBackground},
        {"clactivecaption", clActiveCaption},
        {"clinactivecaption", clInactiveCaption},
        {"clmenu", clMenu},
        {"clwindow", clWindow},
        {"clwindowframe", clWindowFrame},
        {"clmenutext", clMenuText},
        {"clwindowtext", clWindowText},
        {"clcaptiontext", clCaptionText},
        {"clactiveborder", clActiveBorder},
        {"clinactiveborder", clInactiveBorder},
        {"clappworkspace", clAppWorkSpace},
        {"clhighlight", clHighlight},
        {"clhighlighttext", clHighlightText},
        {"clbtnface", clBtnFace},
        {"clbtnshadow", clBtnShadow},
        {"clgraytext", clGrayText},
        {"clbtntext", clBtnText},
        {"clinactivecaptiontext", clInactiveCaptionText},
        {"clbtnhighlight", clBtnHighlight},
        {"cl3ddkshadow", cl3DDkShadow},
        {"cl3dlight", cl3DLight},
        {"clinfotext", clInfoText},
        {"clinfobk", clInfoBk},
    };
    return colors.value(name.toLower(), clBlack);
}

TColor HTMLHexColor(const QString& text) {
    auto digit = [&text](qsizetype i) {
        if (i >= text.size()) return 0;
        const QChar c = text[i];
        if (c >= u'0' && c <= u'9') return c.unicode() - u'0';
        if (c >= u'A' && c <= u'F') return c.unicode() - u'A' + 10;
        if (c >= u'a' && c <= u'f') return c.unicode() - u'a' + 10;
        return 0;
    };
    auto channel = [&digit](qsizetype at) { return digit(at) * 16 + digit(at + 1); };
    return RGBColor(channel(1), channel(3), channel(5));
}

int HTMLStringPos(const QString& sub, const QString& text) {
    if (sub.isEmpty()) return 0;
    return int(text.toUpper().indexOf(sub.toUpper())) + 1;
}
