#include "grid/ClipboardTextFormat.h"

#include <algorithm>
#include <cassert>

namespace {

constexpr QChar kTab = u'\t', kCR = u'\r', kLF = u'\n', kQuote = u'"';

bool EndsCell(QChar c) {
    return c == kTab || c == kCR || c == kLF;
}

// The next place of a character, looked for once and kept while it lies ahead: the text is searched
// once for it, however many cells it holds.
struct TNext {
    QChar C;
    qsizetype At = -2; // -2 not looked for yet; -1 none further
    qsizetype From(QStringView s, qsizetype i) {
        if (At != -1 && At < i) At = s.indexOf(C, i);
        return At < 0 ? s.size() : At;
    }
};

// The quote that closes a quoted cell (see the header). The closing run found last is kept while it
// lies ahead: a cell's quote opens a run and is looked at from the end of that run, where no run
// starts in the middle, so that every search finds whole runs and no part of the text is searched
// twice.
class TQuoteCloser {
public:
    explicit TQuoteCloser(QStringView s) : s_(s) {}
    // The closing quote of the cell opened by the quote at opening, or -1.
    qsizetype For(qsizetype opening) {
        const qsizetype own = RunEnd(opening);
        if ((own - opening) % 2 == 1 && Closes(own)) return own;
        const qsizetype from = own + 1;
        if (next_ != -1 && next_ < from) {
            next_ = -1;
            for (qsizetype q = s_.indexOf(kQuote, from); q >= 0; q = s_.indexOf(kQuote, q)) {
                const qsizetype e = RunEnd(q);
                if ((e - q) % 2 == 0 && Closes(e)) {
                    next_ = e;
                    break;
                }
                q = e + 1;
            }
        }
        return next_;
    }

private:
    qsizetype RunEnd(qsizetype q) const {
        while (q + 1 < s_.size() && s_[q + 1] == kQuote) ++q;
        return q;
    }
    bool Closes(qsizetype e) const { return e + 1 == s_.size() || EndsCell(s_[e + 1]); }

    QStringView s_;
    qsizetype next_ = -2; // the last quote of the closing run found last; -1 none further
};

} // namespace

bool ClipboardCellQuoted(QStringView cell, bool lastAlone) {
    qsizetype first = 0; // spreadsheets pass over spaces before a quote that opens a cell
    while (first < cell.size() && cell[first] == u' ') ++first;
    return (first < cell.size() && cell[first] == kQuote) || (lastAlone && cell.isEmpty()) ||
           std::any_of(cell.begin(), cell.end(), [](QChar c) { return EndsCell(c); });
}

void AppendClipboardCell(QString& text, QStringView cell, bool lastAlone) {
    if (!ClipboardCellQuoted(cell, lastAlone)) {
        text += cell;
        return;
    }
    text += kQuote;
    for (qsizetype from = 0;;) {
        const qsizetype quote = cell.indexOf(kQuote, from);
        text += cell.sliced(from, (quote < 0 ? cell.size() : quote + 1) - from);
        if (quote < 0) break;
        text += kQuote; // doubled
        from = quote + 1;
    }
    text += kQuote;
}

void ReadClipboardText(QStringView s, const std::function<void(QStringView, bool)>& cell,
                       const std::function<void(bool)>& lineEnd) {
    const qsizetype n = s.size();
    TQuoteCloser closer(s);
    TNext tab{kTab}, cr{kCR}, lf{kLF};
    for (qsizetype i = 0; i < n;) {
        for (;;) {
            const qsizetype close = i < n && s[i] == kQuote ? closer.For(i) : -1;
            if (close >= 0) {
                cell(s.sliced(i + 1, close - i - 1), true);
                i = close + 1;
            } else {
                const qsizetype end = std::min({tab.From(s, i), cr.From(s, i), lf.From(s, i)});
                cell(s.sliced(i, end - i), false);
                i = end;
            }
            assert(i == n || EndsCell(s[i]));
            if (i == n || s[i] != kTab) break;
            ++i;
        }
        const bool ended = i < n;
        if (ended) i += s[i] == kCR && i + 1 < n && s[i + 1] == kLF ? 2 : 1;
        lineEnd(ended);
    }
}

QString ClipboardCellValue(QStringView written, bool quoted) {
    QString value = written.toString();
    if (quoted && value.contains(kQuote)) value.replace(QStringLiteral("\"\""), QString(kQuote));
    return value;
}

TClipboardTextSize MeasureClipboardText(QStringView text) {
    TClipboardTextSize size;
    if (!text.contains(kQuote)) { // no quoted cell: lines and their TABs, each found by one search
        TNext cr{kCR}, lf{kLF};
        for (qsizetype i = 0; i < text.size();) {
            const qsizetype end = std::min(cr.From(text, i), lf.From(text, i));
            ++size.Lines;
            size.Widest = std::max(size.Widest, 1 + text.sliced(i, end - i).count(kTab));
            if (end == text.size()) break;
            ++size.LineEnds;
            i = end + (text[end] == kCR && end + 1 < text.size() && text[end + 1] == kLF ? 2 : 1);
        }
        return size;
    }
    qint64 cells = 0;
    ReadClipboardText(
        text, [&](QStringView, bool) { ++cells; },
        [&](bool ended) {
            ++size.Lines;
            size.LineEnds += ended ? 1 : 0;
            size.Widest = std::max(size.Widest, cells);
            cells = 0;
        });
    return size;
}
