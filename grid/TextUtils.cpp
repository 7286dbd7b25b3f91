#include "grid/TextUtils.h"

#include <QStringDecoder>

const QString kWideMarker = QStringLiteral("|\\");

int LimitValue(int value, int min, int max) {
    if (min == max) return value;
    if (max > 0 && value > max) return max;
    if (min > 0 && value < min) return min;
    return value;
}

int MaxInt2(int a, int b) {
    return a > b ? a : b;
}

int MinInt2(int a, int b) {
    return a < b ? a : b;
}

bool PointInGridRect(const TGridRect& rect, int x, int y) {
    return rect.Left <= x && x <= rect.Right && rect.Top <= y && y <= rect.Bottom;
}

int CharPos(QChar c, const QString& s, int& p) {
    const int found = int(s.indexOf(c)) + 1;
    if (found > 0) p = found;
    return found;
}

int CharPosFirst(QChar c, const QString& s) {
    return int(s.indexOf(c)) + 1;
}

int PosVar(const QString& sub, const QString& s, int& p) {
    p = int(s.indexOf(sub)) + 1;
    return p;
}

int PosUpper(const QString& sub, const QString& s) {
    QString upper = s;
    for (QChar& ch : upper)
        if (ch >= u'a' && ch <= u'z') ch = QChar(ch.unicode() - 32);
    return int(upper.indexOf(sub)) + 1;
}

QChar FirstCharInSet(const std::bitset<256>& set, const QString& s) {
    for (QChar ch : s)
        if (ch.unicode() < 256 && set.test(ch.unicode())) return ch;
    return QChar();
}

int ClosingCharPos(QChar c, const QString& s, int& p) {
    const int n = int(s.size());
    for (int i = 0; i < n;) {
        if (s[i] != c) {
            ++i;
            continue;
        }
        int run = 0;
        while (i + run < n && s[i + run] == c) ++run;
        const int last = i + run; // 1-based position of the run's last character
        if (last == n || run % 2 == 1) {
            p = last;
            return last;
        }
        i += run;
    }
    p = 0;
    return 0;
}

// ClosingCharPos found again and again on what follows each position it gives, in one walk: each
// run of c that is of odd length or ends the text closes once.
int CountSingleChar(QChar c, const QString& s) {
    const qsizetype n = s.size();
    int count = 0;
    for (qsizetype i = 0; i < n;) {
        if (s[i] != c) {
            ++i;
            continue;
        }
        qsizetype run = 0;
        while (i + run < n && s[i + run] == c) ++run;
        if (run % 2 == 1 || i + run == n) ++count;
        i += run;
    }
    return count;
}

int CountChar(QChar c, const QString& s) {
    return int(s.count(c));
}

QString UndoubleChar(QChar c, const QString& s) {
    if (!s.contains(c)) return s;
    QString r;
    r.reserve(s.size());
    for (int i = 0; i < s.size(); ++i) {
        if (s[i] != c) {
            r += s[i];
        } else if (i + 1 < s.size() && s[i + 1] == c) {
            r += c;
            ++i;
        }
    }
    return r;
}

void LFtoCRLF(QString& s) {
    if (s.contains(u'\n')) s.replace(u'\n', QStringLiteral("\r\n"));
}

void TildeToCRLF(QString& s) {
    s.replace(u'~', QStringLiteral("\r\n"));
}

QString RemoveCR(const QString& s) {
    QString r = s;
    r.remove(u'\r');
    return r;
}

void QuoteMultiLine(QString& s) {
    s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    s = u'"' + s + u'"';
}

void EscapedNewlineToCR(const QString& s, QString& r) {
    r = s;
    r.replace(QStringLiteral("\\n"), QStringLiteral("\r"));
}

int LineCount(const QString& s, bool multi) {
    return multi ? 1 + int(s.count(u'\r')) : 1;
}

void SplitFirstLine(QString& s, bool keepRest, QString& line) {
    const qsizetype cr = s.indexOf(u'\r');
    if (cr < 0) {
        line = s;
        s.clear();
        return;
    }
    line = s.left(cr);
    qsizetype cut = cr + 1;
    if (cut < s.size() && s[cut] == u'\n') ++cut;
    if (keepRest)
        s.remove(0, cut);
    else
        s.clear();
}

void FillChars(QString& s, QChar c) {
    s.fill(c);
}

QChar LowerChar(QChar c) {
    return c >= u'A' && c <= u'Z' ? QChar(c.unicode() + 32) : c;
}

namespace {

bool IsWordBreak(QChar c) {
    return c == u' ' || c == u'\'' || c == u',' || c == u'-' || c == u'.';
}

} // namespace

void MixedCase(const QString& s, QString& r) {
    r = s;
    bool wordStart = true;
    bool afterMc = false;
    for (int i = 0; i < r.size(); ++i) {
        const QChar c = r[i];
        if (IsWordBreak(c)) {
            wordStart = true;
            afterMc = false;
            continue;
        }
        r[i] = (wordStart || afterMc) ? c.toUpper() : c.toLower();
        // "Mc" at the start of a word: the letter after it is upper-case too.
        afterMc = !wordStart && i >= 1 && r[i - 1] == u'M' && r[i].toLower() == u'c' &&
                  (i < 2 || IsWordBreak(r[i - 2]));
        wordStart = false;
    }
    for (const QString& roman : {QStringLiteral(" II"), QStringLiteral(" I")}) {
        if (s.toUpper().endsWith(roman)) {
            r.chop(roman.size());
            r += roman;
            break;
        }
    }
}

namespace {

// Whether the text holds the character lead followed by one of those of next. The texts looked
// at while painting may be very long: the lead alone is searched for, which is quick.
bool HoldsPair(QStringView s, QChar lead, QStringView next) {
    for (qsizetype at = s.indexOf(lead); at >= 0 && at + 1 < s.size(); at = s.indexOf(lead, at + 1))
        if (next.contains(s[at + 1])) return true;
    return false;
}

} // namespace

bool IsURL(const QString& s) {
    // "://" or "mailto:", found by their colon.
    const QStringView text(s);
    for (qsizetype at = text.indexOf(u':'); at >= 0; at = text.indexOf(u':', at + 1))
        if (text.sliced(at + 1).startsWith(u"//") || text.first(at).endsWith(u"mailto")) return true;
    return false;
}

void StripURLProtocol(QString& s) {
    const qsizetype kept = WithoutURLProtocol(s).size();
    if (kept < s.size()) s.remove(0, s.size() - kept);
}

QString UpToZero(QString text) {
    if (const qsizetype zero = text.indexOf(QChar(0)); zero >= 0) text.truncate(zero);
    return text;
}

QStringView WithoutURLProtocol(QStringView s) {
    const qsizetype scheme = s.indexOf(u"://");
    if (scheme >= 0) return s.sliced(scheme + 3);
    const qsizetype mail = s.indexOf(u"mailto:");
    return mail >= 0 ? s.sliced(mail + 7) : s;
}

bool ParseRCRef(const QString& s, TGridCoord& cell) {
    if (s.size() < 4 || s[0] != u'R') return false;
    const qsizetype c = s.indexOf(u'C');
    if (c < 0) return false;
    bool rowOk = false, colOk = false;
    const int row = s.mid(1, c - 1).toInt(&rowOk);
    const int col = s.mid(c + 1).toInt(&colOk);
    if (!rowOk || !colOk) return false;
    cell = {col, row};
    return true;
}

int CellTextKind(const QString& s, bool htmlEnabled) {
    if (s.size() < 2) return ctkPlain;
    if (s[0] == u'=') return ctkFormula;
    if (s.startsWith(kWideMarker)) return ctkWide;
    if (s.startsWith(QStringLiteral("{\\"))) return ctkRichText;
    if (htmlEnabled && HoldsPair(s, u'<', u"/BI")) return ctkHTML; // "</", "<B" or "<I"
    return ctkPlain;
}

void EncodeWideCell(const QString& w, QString& s) {
    s = kWideMarker;
    s.reserve(2 + 2 * w.size());
    for (QChar unit : w) {
        s += QChar(unit.unicode() >> 8);
        s += QChar(unit.unicode() & 0xFF);
    }
}

void DecodeWideCell(const QString& s, QString& w) {
    if (!s.startsWith(kWideMarker)) {
        w = s;
        return;
    }
    w.clear();
    for (qsizetype i = kWideMarker.size(); i + 1 < s.size(); i += 2)
        w += QChar(char16_t(((s[i].unicode() & 0xFF) << 8) | (s[i + 1].unicode() & 0xFF)));
}

void OemToAnsiText(QString& s) {
    QStringDecoder decode("IBM850");
    if (!decode.isValid()) return;
    s = decode(s.toLatin1());
}
