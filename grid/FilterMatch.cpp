#include "grid/FilterMatch.h"

#include "grid/NumberDateUtils.h"

namespace {

bool IsJoin(QChar c) {
    return c == u'&' || c == u';' || c == u'^' || c == u'|';
}

// Trimmed, without the blanks directly before or after a joining character or '='.
QString Compact(const QString& condition) {
    const QString t = condition.trimmed();
    QString r;
    for (int i = 0; i < t.size(); ++i) {
        if (t[i] == u' ') {
            int j = i;
            while (j < t.size() && t[j] == u' ') ++j;
            const bool beforeJoin = j < t.size() && (IsJoin(t[j]) || t[j] == u'=');
            const bool afterJoin = !r.isEmpty() && (IsJoin(r.back()) || r.back() == u'=');
            if (beforeJoin || afterJoin) {
                i = j - 1;
                continue;
            }
        }
        r += t[i];
    }
    return r;
}

// The operand of a comparison that starts after position 'at' of the pattern.
QString Operand(const QString& pattern, qsizetype at, bool& orEqual) {
    orEqual = at < pattern.size() && pattern[at] == u'=';
    if (orEqual) ++at;
    while (at < pattern.size() && pattern[at] == u' ') ++at;
    qsizetype end = at;
    while (end < pattern.size() && pattern[end] != u' ' && pattern[end] != u'&' && pattern[end] != u'|')
        ++end;
    QString operand = pattern.mid(at, end - at);
    if (operand.startsWith(u'"')) operand.remove(0, 1);
    if (operand.endsWith(u'"')) operand.chop(1);
    return operand;
}

// Sign of text - operand: as numbers when both convert, else as dates, else as texts.
int Compare(const QString& text, const QString& operand, const TFormatSettings& settings) {
    QString a, b;
    NormalizeDecimal(text, a, settings);
    NormalizeDecimal(operand, b, settings);
    bool okA = false, okB = false;
    const double x = a.toDouble(&okA), y = b.toDouble(&okB);
    if (okA && okB) return x > y ? 1 : x < y ? -1 : 0;
    TDateTime da = 0, db = 0;
    if (TryParseDate(text, da, settings) && TryParseDate(operand, db, settings))
        return da > db ? 1 : da < db ? -1 : 0;
    const int c = QString::compare(text.left(255), operand.left(255), Qt::CaseSensitive);
    return c > 0 ? 1 : c < 0 ? -1 : 0;
}

} // namespace

bool MatchWildcard(const QString& pattern, const QString& text) {
    qsizetype p = 0, t = 0, star = -1, mark = 0;
    while (t < text.size()) {
        if (p < pattern.size() && (pattern[p] == u'?' || pattern[p] == text[t])) {
            ++p, ++t;
        } else if (p < pattern.size() && pattern[p] == u'*') {
            star = p++;
            mark = t;
        } else if (star >= 0) {
            p = star + 1;
            t = ++mark;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == u'*') ++p;
    return p == pattern.size();
}

bool MatchCondition(const QString& pattern, const QString& text, const TFormatSettings& settings) {
    bool greater = false, less = false;
    bool hasGreater = false, hasLess = false;
    const qsizetype gt = pattern.indexOf(u'>'), lt = pattern.indexOf(u'<');
    bool orEqual = false;
    if (gt >= 0) {
        hasGreater = true;
        const int c = Compare(text, Operand(pattern, gt + 1, orEqual), settings);
        greater = orEqual ? c >= 0 : c > 0;
    }
    if (lt >= 0) {
        hasLess = true;
        const int c = Compare(text, Operand(pattern, lt + 1, orEqual), settings);
        less = orEqual ? c <= 0 : c < 0;
    }
    const bool negated = pattern.contains(u'!');
    if (negated && gt < 0) hasGreater = true;
    if (negated && lt < 0) hasLess = true;
    if (pattern.contains(u'^') && (hasGreater || hasLess)) return greater || less;
    if (pattern.contains(u'&') && hasGreater && hasLess) return greater && less;
    if ((gt >= 0 && greater) || (lt >= 0 && less)) return true;
    // A wildcard pattern; '!' (negation) and '"' take no place in the text.
    QString wildcard = pattern;
    wildcard.remove(u'!');
    wildcard.remove(u'"');
    return MatchWildcard(wildcard, text) != negated;
}

bool MatchFilter(const QString& condition, const QString& text, bool caseSensitive,
                 const TFormatSettings& settings) {
    const QString compact = Compact(condition);
    const QString subject = caseSensitive ? text : text.toUpper();
    bool result = false;
    QChar join; // null for the first part
    qsizetype start = 0;
    for (qsizetype i = 0; i <= compact.size(); ++i) {
        if (i < compact.size() && !IsJoin(compact[i])) continue;
        QString part = compact.mid(start, i - start);
        if (!caseSensitive) part = part.toUpper();
        const bool match = MatchCondition(part, subject, settings);
        result = join.isNull() ? match : join == u'&' ? (result && match) : (result || match);
        if (i < compact.size()) join = compact[i];
        start = i + 1;
    }
    return result;
}
