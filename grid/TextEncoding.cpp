#include "grid/TextEncoding.h"

#include <QChar>
#include <QStringDecoder>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <tuple>

void TUtf8Check::Add(QByteArrayView piece) {
    const char* const data = piece.data();
    const qsizetype n = piece.size();
    for (qsizetype i = 0; i < n && !failed_;) {
        if (needed_ == 0) { // runs of ASCII eight bytes at a time
            quint64 word = 0;
            while (i + 8 <= n && (std::memcpy(&word, data + i, 8), (word & 0x8080808080808080u) == 0)) i += 8;
            if (i == n) return;
        }
        const auto b = static_cast<unsigned char>(data[i++]);
        if (needed_ > 0) {
            failed_ = b < low_ || b > high_;
            --needed_;
            low_ = 0x80, high_ = 0xBF;
            continue;
        }
        if (b < 0x80) continue;
        // The lead byte gives the length and, for the second byte, the range that keeps the
        // sequence short, off the surrogates and within U+10FFFF.
        low_ = 0x80, high_ = 0xBF;
        if (b >= 0xC2 && b <= 0xDF) {
            needed_ = 1;
        } else if (b >= 0xE0 && b <= 0xEF) {
            needed_ = 2;
            if (b == 0xE0) low_ = 0xA0;
            if (b == 0xED) high_ = 0x9F;
        } else if (b >= 0xF0 && b <= 0xF4) {
            needed_ = 3;
            if (b == 0xF0) low_ = 0x90;
            if (b == 0xF4) high_ = 0x8F;
        } else {
            failed_ = true;
        }
    }
}

namespace {

bool IsLineEnd(char32_t c) {
    return c == u'\r' || c == u'\n';
}

// A character a text holds: no control but TAB, LF and CR, nothing unassigned, for private use or
// a noncharacter.
bool IsTextCharacter(char32_t c) {
    if (c < 0x20) return c == u'\t' || IsLineEnd(c);
    if (c >= 0x7F && c < 0xA0) return false;
    if ((c & 0xFFFE) == 0xFFFE || (c >= 0xFDD0 && c <= 0xFDEF)) return false;
    const QChar::Category category = QChar::category(c);
    return category != QChar::Other_NotAssigned && category != QChar::Other_PrivateUse &&
           category != QChar::Other_Surrogate;
}

// The scripts of the letters a text holds beyond what Latin text needs, scripts all texts share
// left out.
bool SharedScript(QChar::Script script) {
    return script == QChar::Script_Common || script == QChar::Script_Inherited ||
           script == QChar::Script_Unknown;
}

bool EastAsianScript(QChar::Script script) {
    return script == QChar::Script_Han || script == QChar::Script_Hiragana ||
           script == QChar::Script_Katakana || script == QChar::Script_Hangul ||
           script == QChar::Script_Bopomofo;
}

// A byte of 8-bit text as ASCII writes it: printable, a TAB or a line end.
bool AsciiTextByte(unsigned char b) {
    return (b >= 0x20 && b < 0x7F) || b == '\t' || b == '\r' || b == '\n';
}

// The start read in 16-bit units of one byte order.
struct TUnits {
    bool Text = true; // every unit a character of text (IsTextCharacter)
    qsizetype Count = 0, LineEnds = 0;
    qsizetype CrLf = 0;              // a CR unit followed by an LF unit
    qsizetype Latin = 0;             // units below U+0100: their high byte is zero
    qsizetype Wide = 0;              // the other units
    qsizetype Pairs = 0;             // wide units of two ASCII text bytes
    qsizetype LowZero = 0;           // wide units whose low byte is zero
    std::set<QChar::Script> Scripts; // of the letters among the wide units
    // The letters among the wide units are all Han, kana, Hangul or Bopomofo.
    bool EastAsian() const { return std::all_of(Scripts.begin(), Scripts.end(), EastAsianScript); }
};

TUnits ReadUnits(QByteArrayView start, bool littleEndian, bool cut) {
    TUnits r;
    const qsizetype n = start.size() / 2;
    char32_t previous = 0;
    for (qsizetype i = 0; i < n && r.Text; ++i) {
        const auto b0 = static_cast<unsigned char>(start[2 * i]),
                   b1 = static_cast<unsigned char>(start[2 * i + 1]);
        const unsigned char low = littleEndian ? b0 : b1, high = littleEndian ? b1 : b0;
        const char16_t unit = char16_t(high << 8 | low);
        char32_t c = unit;
        if (QChar::isHighSurrogate(unit)) {
            if (i + 1 == n) {
                r.Text = cut; // the start may end between the halves of a pair
                break;
            }
            const auto c0 = static_cast<unsigned char>(start[2 * i + 2]),
                       c1 = static_cast<unsigned char>(start[2 * i + 3]);
            const char16_t next = littleEndian ? char16_t(c1 << 8 | c0) : char16_t(c0 << 8 | c1);
            if (!QChar::isLowSurrogate(next)) {
                r.Text = false;
                break;
            }
            c = QChar::surrogateToUcs4(unit, next);
        }
        r.Text = IsTextCharacter(c);
        ++r.Count;
        r.LineEnds += IsLineEnd(c) ? 1 : 0;
        r.CrLf += c == u'\n' && previous == u'\r' ? 1 : 0;
        previous = c;
        if (high == 0) {
            ++r.Latin;
        } else {
            ++r.Wide;
            r.Pairs += AsciiTextByte(low) && AsciiTextByte(high) ? 1 : 0;
            r.LowZero += low == 0 ? 1 : 0;
            if (QChar::isLetter(c) && !SharedScript(QChar::script(c))) r.Scripts.insert(QChar::script(c));
        }
        if (c > 0xFFFF) ++i; // the low half of the pair
    }
    return r;
}

// The bytes are UTF-8 (but for a sequence the start cuts off) holding letters beyond ASCII, all of
// one script, and no combining mark that follows no letter: they read as 8-bit text.
bool ReadsAsUtf8(QByteArrayView start) {
    TUtf8Check check;
    check.Add(start);
    if (!check.ValidSoFar()) return false;
    const QString text = QStringDecoder(QStringDecoder::Utf8)(start);
    std::set<QChar::Script> scripts;
    bool afterLetter = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t c = text[i].unicode();
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(text[i], text[i + 1]);
            ++i;
        }
        if (QChar::isMark(c) && !afterLetter) return false;
        afterLetter = QChar::isLetter(c) || (afterLetter && QChar::isMark(c));
        if (c >= 0x80 && QChar::isLetter(c) && !SharedScript(QChar::script(c)))
            scripts.insert(QChar::script(c));
    }
    return scripts.size() == 1;
}

} // namespace

std::optional<QStringConverter::Encoding> GuessUtf16(QByteArrayView start, qint64 fileSize, bool oem) {
    if (fileSize % 2 != 0) return std::nullopt;
    const bool cut = fileSize > start.size();
    start = start.first(std::min(start.size(), kUtf16SampleBytes) & ~qsizetype(1));
    // What the bytes make as 8-bit text: its line ends, and bytes no 8-bit text holds (controls,
    // and where the bytes are no UTF-8, those Windows-1252 leaves undefined).
    TUtf8Check utf8;
    utf8.Add(start);
    qsizetype lineEndBytes = 0, oddBytes = 0;
    for (qsizetype i = 0; i < start.size(); ++i) {
        const auto b = static_cast<unsigned char>(start[i]);
        if (b == '\r' && i + 1 < start.size() && start[i + 1] == '\n') return std::nullopt; // an 8-bit CR LF
        if (b == '\r' || b == '\n')
            ++lineEndBytes;
        else if ((b < 0x20 && b != '\t' && b != 0) || b == 0x7F)
            ++oddBytes;
        else if (!oem && !utf8.ValidSoFar() &&
                 (b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D))
            ++oddBytes;
    }
    std::optional<bool> readsAsUtf8; // looked at only where it may decide
    // Of two byte orders that both read, the one with more line ends, else more Latin characters,
    // else letters of fewer scripts.
    std::optional<QStringConverter::Encoding> found;
    std::tuple<qsizetype, qsizetype, qsizetype> best{-1, -1, 0};
    for (const bool littleEndian : {true, false}) {
        const TUnits u = ReadUnits(start, littleEndian, cut);
        if (!u.Text || u.Count == 0) continue;
        const bool allLineEnds = u.LineEnds >= 2 && u.LineEnds == lineEndBytes;
        bool utf16 = u.CrLf > 0; // no 8-bit text ends its lines so
        if (!utf16) {
            // Line ends, if any, lie at 16-bit positions.
            const bool lineEndsFit = lineEndBytes == 0 || u.LineEnds > 0;
            const bool latin = lineEndsFit && u.Latin * 2 > u.Count && u.LowZero * 8 <= u.Latin;
            // 8-bit text makes wide units of ASCII pairs, most of them (CJK makes fewer than half).
            const bool odd = oddBytes > 0 && u.Pairs * 4 <= u.Wide * 3;
            // CJK characters may hold the byte of a CR or an LF.
            const bool eastAsian =
                u.Wide - u.Pairs >= 2 && u.Pairs * 4 < u.Wide * 3 && u.LowZero * 4 <= u.Wide && u.EastAsian();
            utf16 = allLineEnds || latin || odd || eastAsian;
            if (utf16) {
                if (!readsAsUtf8) readsAsUtf8 = ReadsAsUtf8(start);
                utf16 = !*readsAsUtf8;
            }
        }
        if (!utf16) continue;
        const std::tuple<qsizetype, qsizetype, qsizetype> rank{u.LineEnds, u.Latin,
                                                               -qsizetype(u.Scripts.size())};
        if (rank > best) {
            found = littleEndian ? QStringConverter::Utf16LE : QStringConverter::Utf16BE;
            best = rank;
        }
    }
    return found;
}
