#include "platform/ui/TextLayout.h"

#include <algorithm>

namespace {

const QString kEllipsis = QStringLiteral("...");

QString StripPrefixes(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != u'&')
            out += text[i];
        else if (++i < text.size())
            out += text[i]; // "&&" shows one '&', "&x" shows 'x'
    }
    return out;
}

QStringList SplitParagraphs(const QString& text) {
    QStringList lines;
    QString current;
    for (qsizetype i = 0; i < text.size(); ++i) {
        QChar c = text[i];
        if (c == u'\r' || c == u'\n') {
            lines << current;
            current.clear();
            if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
        } else {
            current += c;
        }
    }
    lines << current;
    return lines;
}

QString TrimRight(const QString& s) {
    qsizetype n = s.size();
    while (n > 0 && s[n - 1] == u' ') --n;
    return s.left(n);
}

// Tokens of a paragraph: each word with the blanks that follow it (leading blanks form a token).
QStringList Tokens(const QString& paragraph) {
    QStringList tokens;
    QString current;
    for (qsizetype i = 0; i < paragraph.size(); ++i) {
        QChar c = paragraph[i];
        if (c != u' ' && !current.isEmpty() && current.back() == u' ') {
            tokens << current;
            current.clear();
        }
        current += c;
    }
    if (!current.isEmpty()) tokens << current;
    return tokens;
}

// The largest n in 0..limit for which fits(n) holds, fits growing false from some n on and holding
// for 0: searched by doubling, then halving, so that the cost follows the answer rather than the
// limit (a line of a text from outside may be very long).
template <typename TFits> qsizetype LongestFitting(qsizetype limit, const TFits& fits) {
    qsizetype low = 0, high = 1; // fits(low) holds; fits(high) does not, when high <= limit
    while (high <= limit && fits(high)) low = high, high *= 2;
    high = std::min(high, limit + 1);
    while (high - low > 1) {
        const qsizetype middle = low + (high - low) / 2;
        (fits(middle) ? low : high) = middle;
    }
    return low;
}

// The longest start of the word (at least one character) that fits the width.
qsizetype FittingPrefix(QStringView word, int width, const QFontMetrics& metrics, int tabWidth) {
    return std::max<qsizetype>(1, LongestFitting(word.size(), [&](qsizetype n) {
                                   return MeasureLine(word.first(n).toString(), metrics, tabWidth) <= width;
                               }));
}

struct TWrapper {
    const QFontMetrics& Metrics;
    int Width;
    int TabWidth;
    bool BreakWords;
    QStringList Lines;

    int Measure(const QString& s) const { return MeasureLine(TrimRight(s), Metrics, TabWidth); }

    void Wrap(const QString& paragraph) {
        QString line;
        for (QString token : Tokens(paragraph)) {
            if (!line.isEmpty() && Measure(line + token) > Width) {
                Lines << TrimRight(line);
                line.clear();
            }
            // A word wider than the line is broken where it stops fitting; only the part that
            // fits is measured and copied each time, so a very long word costs about what
            // measuring it does.
            const qsizetype end = TrimRight(token).size();
            qsizetype from = 0;
            while (line.isEmpty() && BreakWords && token.size() - from > 1) {
                const qsizetype n =
                    FittingPrefix(QStringView(token).sliced(from, end - from), Width, Metrics, TabWidth);
                if (n >= end - from) break;
                Lines << token.sliced(from, n);
                from += n;
            }
            line += QStringView(token).sliced(from);
        }
        Lines << TrimRight(line);
    }
};

QString Elided(const QString& line, int width, const QFontMetrics& metrics, int tabWidth) {
    if (MeasureLine(line, metrics, tabWidth) <= width) return line;
    const qsizetype kept = LongestFitting(line.size(), [&](qsizetype n) {
        return MeasureLine(line.left(n) + kEllipsis, metrics, tabWidth) <= width;
    });
    return line.left(kept) + kEllipsis;
}

int HorizontalStart(const TRect& rect, int lineWidth, unsigned flags) {
    if (flags & DT_RIGHT) return rect.Right - lineWidth;
    if (flags & DT_CENTER) return rect.Left + (rect.Width() - lineWidth) / 2;
    return rect.Left;
}

int VerticalStart(const TRect& rect, int height, unsigned flags) {
    if (flags & DT_BOTTOM) return rect.Bottom - height;
    if (flags & DT_VCENTER) return rect.Top + (rect.Height() - height) / 2;
    return rect.Top;
}

// Splits a line at its tabs into runs placed on the tab stops; width is the line's measure.
void AddRuns(std::vector<TTextRun>& runs, const QString& line, int x, int y, int width,
             const QFontMetrics& metrics, int tabWidth) {
    if (tabWidth <= 0 || !line.contains(u'\t')) {
        if (!line.isEmpty()) runs.push_back({line, x, y, width});
        return;
    }
    int offset = 0;
    for (const QString& piece : line.split(u'\t')) {
        if (!piece.isEmpty()) runs.push_back({piece, x + offset, y, metrics.horizontalAdvance(piece)});
        offset += metrics.horizontalAdvance(piece);
        offset = (offset / tabWidth + 1) * tabWidth;
    }
}

} // namespace

int MeasureLine(const QString& line, const QFontMetrics& metrics, int tabWidth) {
    if (tabWidth <= 0 || !line.contains(u'\t')) return metrics.horizontalAdvance(line);
    const QStringList pieces = line.split(u'\t');
    int offset = 0;
    for (qsizetype i = 0; i < pieces.size(); ++i) {
        offset += metrics.horizontalAdvance(pieces[i]);
        if (i + 1 < pieces.size()) offset = (offset / tabWidth + 1) * tabWidth;
    }
    return offset;
}

TTextLayout LayoutText(const QString& text, const TRect& rect, unsigned flags, const QFontMetrics& metrics) {
    const int tabWidth = (flags & DT_EXPANDTABS) ? 8 * metrics.averageCharWidth() : 0;
    const QString shown = (flags & DT_NOPREFIX) ? text : StripPrefixes(text);

    QStringList lines;
    if (flags & DT_SINGLELINE) {
        lines << shown;
    } else if (flags & DT_WORDBREAK) {
        TWrapper wrapper{metrics, rect.Width(), tabWidth, (flags & DT_EDITCONTROL) != 0, {}};
        for (const QString& paragraph : SplitParagraphs(shown)) wrapper.Wrap(paragraph);
        lines = wrapper.Lines;
    } else {
        lines = SplitParagraphs(shown);
    }

    TTextLayout layout;
    layout.LineHeight = metrics.height();
    layout.LineCount = int(lines.size());
    layout.Height = layout.LineCount * layout.LineHeight;
    // Each line is measured once (measuring shapes the whole text).
    std::vector<int> widths;
    widths.reserve(size_t(lines.size()));
    for (const QString& line : lines) {
        widths.push_back(MeasureLine(line, metrics, tabWidth));
        layout.MaxWidth = std::max(layout.MaxWidth, widths.back());
    }

    layout.CalcRect = rect;
    layout.CalcRect.Bottom = rect.Top + layout.Height;
    // As the class library's DrawText measures: the width shrinks to the widest line, also for
    // wrapped text (and grows for a word wider than the rectangle).
    layout.CalcRect.Right = rect.Left + layout.MaxWidth;

    const int top = VerticalStart(rect, layout.Height, flags);
    layout.Result = (flags & (DT_VCENTER | DT_BOTTOM)) && !(flags & DT_CALCRECT)
                        ? top - rect.Top + layout.Height
                        : layout.Height;
    if (flags & DT_CALCRECT) return layout;

    const bool ellipsis = flags & (DT_END_ELLIPSIS | DT_PATH_ELLIPSIS | DT_WORD_ELLIPSIS);
    for (int i = 0; i < layout.LineCount; ++i) {
        const int y = top + i * layout.LineHeight;
        if ((flags & DT_EDITCONTROL) && i > 0 && y + layout.LineHeight > rect.Bottom) break;
        QString line = lines[i];
        int width = widths[size_t(i)];
        if (ellipsis && width > rect.Width()) {
            line = Elided(line, rect.Width(), metrics, tabWidth);
            width = MeasureLine(line, metrics, tabWidth);
        }
        AddRuns(layout.Runs, line, HorizontalStart(rect, width, flags), y, width, metrics, tabWidth);
    }
    return layout;
}
