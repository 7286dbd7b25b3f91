// Comparing two cells of a grid column by the column's sort style (TSortStyle), for the sorts of
// TVevIvizudEvar: TComparer, and the keys (TSortKey) in which it keeps what it derived of a cell.
//
// One sort asks OnGetFormat once per column and reads each cell's text, class and numeric, date or
// collation key once (a format handler with side effects sees fewer calls than there are
// comparisons). CompareCells called on its own asks the handler at every call.
//
// ssText and ssTextOrdinal compare UTF-16 code units. For texts that came from Windows-1252 bytes
// this differs from byte order only for the characters of 0x80-0x9F (the euro sign, typographic
// quotes and dashes, ...), which here sort after the accented letters instead of before them.
#pragma once

#include "grid/AdvancedGrid.h"

#include <QCollatorSortKey>
#include <algorithm>
#include <optional>
#include <vector>

namespace gridsort {

inline int Sign(double a, double b) {
    return a > b ? 1 : a < b ? -1 : 0;
}

inline int Sign(int value) {
    return value > 0 ? 1 : value < 0 ? -1 : 0;
}

// Case-sensitive comparison of QStringView compares UTF-16 code units.
inline int CompareCodeUnits(const QString& a, const QString& b) {
    return Sign(QStringView(a).compare(QStringView(b), Qt::CaseSensitive));
}

// The style ssAutomatic compares two cells by: the one both cells' contents call for, else the
// more particular of the two (check box, then number, then date, then text). So an empty cell
// (text) next to a number counts as 0, and a comparison gives the opposite answer with its cells
// the other way round, whatever the order in which a sort meets them.
TSortStyle AutomaticStyle(TSortStyle a, TSortStyle b);

struct TColumnFormat {
    TSortStyle Style = TSortStyle::ssText;
    QString Prefix, Suffix;
};

// What the comparisons need of one cell, each part derived when first needed. Within one sort a
// column has one style, so each part has one meaning per column.
struct TSortKey {
    enum : quint8 {
        kClass = 1,
        kNumber = 2,
        kDate = 4,
        kAlt = 8,
        kCollation = 16,
        kImage = 32,
        kChecked = 64
    };
    QString Text;
    // The first eight code units of Text, packed so that comparing the words compares them as
    // the texts would (a shorter text counts as padded with code unit 0).
    quint64 Head[2] = {0, 0};
    QString Alt; // upper-cased or HTML-free text
    std::optional<QCollatorSortKey> Collation;
    double Number = 0, Date = 0;
    qint64 Image = -1;
    quint8 Have = 0;
    TSortStyle Class = TSortStyle::ssText; // the style ssAutomatic takes from this cell
    bool NumberOk = false, Checked = false;
};

// A key used again for another cell: every part is derived afresh.
inline void Renew(TSortKey& k) {
    k = TSortKey{};
}

inline void SetKeyText(TSortKey& k, QString text) {
    k.Head[0] = k.Head[1] = 0;
    const qsizetype n = std::min<qsizetype>(text.size(), 8);
    for (qsizetype i = 0; i < n; ++i) k.Head[i / 4] |= quint64(text[i].unicode()) << (48 - 16 * (i % 4));
    k.Text = std::move(text);
}

// Most texts differ within their first eight code units: their strings are not read then.
inline int CompareKeyTexts(const TSortKey& a, const TSortKey& b) {
    if (a.Head[0] != b.Head[0]) return a.Head[0] < b.Head[0] ? -1 : 1;
    if (a.Head[1] != b.Head[1]) return a.Head[1] < b.Head[1] ? -1 : 1;
    return CompareCodeUnits(a.Text, b.Text);
}

// Compares two cells of a column by the column's style.
class TComparer {
public:
    // keepFormats: ask OnGetFormat once per column (a sort), else at every comparison.
    TComparer(TVevIvizudEvar& grid, bool keepFormats) : grid_(grid), keepFormats_(keepFormats) {}

    // -1, 0 or 1 as CompareCells answers; a and b are the keys of (col, rowA) and (col, rowB).
    int Compare(int col, TSortKey& a, int rowA, TSortKey& b, int rowB, int direction);

    // The parts of a key the styles compare, each derived once.
    const TColumnFormat& Format(int col);
    TSortStyle ClassOf(TSortKey& k, int col, int row);
    TSortStyle ClassOf(TSortKey& k, bool checkBox); // whether the cell shows a check box
    void NeedNumber(TSortKey& k, const TColumnFormat& format, bool grouped);
    double DateOf(TSortKey& k, TSortStyle style);
    const QString& AltOf(TSortKey& k, TSortStyle style);
    const QCollatorSortKey& CollationOf(TSortKey& k, TSortStyle style);
    qint64 ImageOf(TSortKey& k, int col, int row);
    bool CheckedOf(TSortKey& k, int col, int row);

private:
    TVevIvizudEvar& grid_;
    bool keepFormats_;
    std::vector<std::optional<TColumnFormat>> formats_;
    TColumnFormat asked_;
};

} // namespace gridsort
