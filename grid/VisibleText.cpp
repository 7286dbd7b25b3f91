#include "grid/VisibleText.h"

#include "grid/HTMLDraw.h"
#include "platform/ui/TextLayout.h"

#include <algorithm>

namespace {

// A cut between the two halves of a surrogate pair moves before the pair.
qsizetype CutAt(QStringView text, qsizetype at) {
    at = std::clamp<qsizetype>(at, 0, text.size());
    if (at > 0 && at < text.size() && text[at].isLowSurrogate() && text[at - 1].isHighSurrogate()) --at;
    return at;
}

QStringView Part(QStringView text, qsizetype from, qsizetype to) {
    from = CutAt(text, from);
    return text.sliced(from, CutAt(text, to) - from);
}

// What of one line shows: width characters from where the line shows.
QStringView LinePart(QStringView line, qsizetype width, unsigned flags) {
    if (line.size() <= width) return line;
    qsizetype from = 0;
    if (!(flags & (DT_END_ELLIPSIS | DT_PATH_ELLIPSIS | DT_WORD_ELLIPSIS))) {
        if (flags & DT_RIGHT)
            from = line.size() - width;
        else if (flags & DT_CENTER)
            from = (line.size() - width) / 2;
    }
    return Part(line, from, from + width);
}

// The line breaks of a text as the layout finds them (CR LF, CR, LF), searched once each kind.
class TBreaks {
public:
    explicit TBreaks(QStringView text) : text_(text) {}
    // The first break at or after from (its length in length), or the text's size.
    qsizetype Next(qsizetype from, qsizetype& length) {
        if (nextCR_ < from) nextCR_ = Find(u'\r', from);
        if (nextLF_ < from) nextLF_ = Find(u'\n', from);
        const qsizetype at = std::min(nextCR_, nextLF_);
        length = at == nextCR_ && at + 1 == nextLF_ ? 2 : 1;
        return at;
    }

private:
    qsizetype Find(char16_t c, qsizetype from) const {
        const qsizetype at = text_.indexOf(c, from);
        return at < 0 ? text_.size() : at;
    }
    QStringView text_;
    qsizetype nextCR_ = -1, nextLF_ = -1;
};

qsizetype LineCount(QStringView text) {
    return 1 + text.count(u'\r') + text.count(u'\n') - text.count(u"\r\n");
}

// The first line break within the first part of the range, or from.
qsizetype StartAfterBreak(QStringView text, qsizetype from, qsizetype within) {
    TBreaks breaks(text);
    qsizetype length = 0;
    const qsizetype at = breaks.Next(from, length);
    return at < std::min(from + within, text.size()) ? at + length : from;
}

// The characters a rectangle can hold on each line, and the lines it can show (and one more).
qsizetype PerLine(const TRect& rect) {
    return LineCapacity(rect.Width());
}

qsizetype Lines(const TRect& rect, int lineHeight) {
    return std::max(rect.Height(), 0) / std::max(lineHeight, 1) + 2;
}

} // namespace

// The scan reads the text as the renderer reads it once it is prepared (HTMLDrawEx): there the first
// "<#" loses its "<" and the first ">" after it is removed, so a tag runs on to the next ">". The
// text kept is the text as written, those two characters among it, so that the renderer prepares
// it alike: a tag that holds either is kept whole.
QString VisibleHTMLText(const QString& text, const TRect& rect, int lineHeight) {
    const qsizetype budget = (Lines(rect, lineHeight) + 2) * PerLine(rect);
    if (text.size() <= budget) return text;
    const qsizetype tagBudget = std::max(budget, kHTMLTagCharacters);
    const QStringView all(text);
    const qsizetype n = all.size();
    const qsizetype hash = all.indexOf(u"<#");
    const qsizetype hashClose = hash >= 0 ? all.indexOf(u'>', hash) : -1;
    auto closeAfter = [&](qsizetype from) {
        qsizetype close = all.indexOf(u'>', from);
        if (close >= 0 && close == hashClose) close = all.indexOf(u'>', close + 1);
        return close;
    };
    QString kept;
    qsizetype shown = 0, tags = 0, passedOver = 0;
    // Tags were passed over since the last character kept, and none kept after them.
    bool afterCharacter = false, split = false;
    for (qsizetype at = 0; at < n;) {
        if (all[at] == u'<' && at != hash) {
            const qsizetype close = closeAfter(at + 1);
            const QStringView tag = close < 0 ? all.sliced(at) : all.sliced(at, close + 1 - at);
            const bool holdsHash =
                (hash > at && hash <= at + tag.size() - 1) || (hashClose > at && hashClose < at + tag.size());
            if (close >= 0 && !holdsHash && !HTMLTagActs(tag)) {
                passedOver += tag.size();
                if (passedOver > kHTMLPassedOverCharacters) break;
                split = split || afterCharacter;
                at = close + 1;
                continue;
            }
            tags += tag.size();
            if (tags > tagBudget) break;
            kept += tag;
            afterCharacter = split = false;
            at += tag.size();
            continue;
        }
        if (++shown > budget) break;
        // An entity counts one; its characters go as they are.
        qsizetype end = at + 1;
        if (all[at] == u'&') {
            const QStringView name = all.sliced(at, std::min<qsizetype>(9, n - at));
            const qsizetype semicolon = name.indexOf(u';');
            if (semicolon > 0 && !name.first(semicolon).contains(u'<')) end = at + semicolon + 1;
        }
        end = CutAt(all, end);
        if (end <= at) end = at + 2;            // a surrogate pair goes whole
        if (split) kept += QLatin1String("<>"); // a tag that does nothing, as those passed over
        split = false;
        afterCharacter = true;
        kept += all.sliced(at, std::min(end, n) - at);
        at = std::min(end, n);
    }
    return kept;
}

QString VisibleText(const QString& text, const TRect& rect, unsigned flags, int lineHeight) {
    const qsizetype perLine = PerLine(rect);
    const qsizetype lines = (flags & DT_SINGLELINE) ? 1 : Lines(rect, lineHeight);
    if (text.size() <= (lines + 2) * perLine) return text;
    const QStringView all(text);
    if (flags & DT_SINGLELINE) return LinePart(all, perLine, flags).toString();

    if (flags & DT_WORDBREAK) {
        const qsizetype size = (lines + 2) * perLine;
        qsizetype from = 0;
        if (flags & DT_BOTTOM)
            from = text.size() - size;
        else if (flags & DT_VCENTER)
            from = (text.size() - size) / 2;
        if (from > 0) from = StartAfterBreak(all, from, 2 * perLine);
        return Part(all, from, from + size).toString();
    }

    // The lines the layout places in the rectangle: the first, the last, or those around the
    // middle (as many as the whole text has, less an even number, so that they fall where the
    // text's own would).
    qsizetype first = 0, count = lines;
    if (flags & (DT_BOTTOM | DT_VCENTER)) {
        const qsizetype all = LineCount(text);
        count = std::min(all, lines + ((all - lines) % 2 != 0 ? 1 : 0));
        first = flags & DT_BOTTOM ? all - count : (all - count) / 2;
    }
    TBreaks breaks(all);
    QString shown;
    qsizetype at = 0, length = 0;
    for (qsizetype line = 0; line < first + count && at <= text.size(); ++line) {
        const qsizetype end = breaks.Next(at, length);
        if (line >= first) {
            if (line > first) shown += u'\n';
            shown += LinePart(all.sliced(at, end - at), perLine, flags);
        }
        at = end + length;
    }
    return shown;
}
