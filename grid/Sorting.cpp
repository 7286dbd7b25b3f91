// Sorting the rows of TVevIvizudEvar: by one column, by the sort index list, inside the child rows
// of each expanded node, and putting the rows back in the order they had before sorting.
//
// The data rows (DataRowEnd: fixed rows and footer rows never move) are sorted as records, one per
// row, holding what the first compared column's cell compares by (its number, date or first code
// units), read once per row; the rows then take their places once (PermuteRows: texts, cell
// objects and heights, the cells of hidden columns with their row, as SwapRows exchanges them).
// The partition is the bounded Hoare partition: the middle row is the pivot, i and j walk towards
// each other without ever leaving the range, and two rows that compare equal are not exchanged;
// that fixes where rows with equal keys end. It recurses into the smaller part and loops on the
// larger one, so the depth stays below log2 of the row count whatever the input. The middle pivot
// splits sorted, reversed, random and all-equal input well, but organ-pipe input (rising then
// falling) loses only two rows per partition; a range that has been partitioned far more often
// than random input ever needs is finished by heapsort, so no input takes quadratic time. Only
// there may equal rows end in another (equally valid) order. A column of numbers or of texts
// throughout whose keys all differ has one sorted order, whatever the algorithm: it comes from a
// plain sort of the keys (by radix for many numbers).
//
// The comparison is not an ordering a library sort may be given: under ssAutomatic the style
// follows the contents of the two cells compared, so a column mixing numbers, dates and texts may
// compare intransitively. The bounded loops stay in range whatever the comparison answers.
//
// Merged blocks across the rows a sort reorders cannot follow their rows: they are split first
// (SplitBlocksRowOrderTears), as are blocks across the column that moves alone (SingleColumn) or
// stays (NormalCellsOnly); blocks within one row move with it. So Verify() holds after every sort.
//
// One sort asks OnGetFormat once per column and reads each cell's text, class and numeric, date or
// collation key once (a format handler with side effects sees fewer calls than there are
// comparisons). CompareCells called on its own asks the handler at every call.
//
// ssText and ssTextOrdinal compare UTF-16 code units. For texts that came from Windows-1252 bytes
// this differs from byte order only for the characters of 0x80-0x9F (the euro sign, typographic
// quotes and dashes, ...), which here sort after the accented letters instead of before them.
//
// UnsortedRowOrder holds, per real row, the row number the row there had before sorting. It starts
// as 0, 1, 2, ... with the first sort; SwapRows exchanges the entries of the two rows; a moved row
// (MoveRow, goRowMoving) takes its entry along; the structure operations report rows inserted or
// removed (a new row takes the place after the row above it); rows added at the end through
// RowCount join it at its end, for RestoreRowOrder, but a sort after RowCount changed takes the
// order afresh (its rows may hold other data by then). Hidden rows keep their entries while they
// are out of the grid.
#include "grid/AdvancedGrid.h"

#include "grid/GridError.h"
#include "grid/TextUtils.h"
#include "platform/data/DateTime.h"

#include <QCollator>
#include <QCollatorSortKey>
#include <QLocale>
#include <algorithm>
#include <bit>
#include <cassert>
#include <charconv>
#include <cmath>
#include <numeric>
#include <string_view>

namespace {

enum TSortKind { kByColumn, kByIndexes, kNodeRows };

void CheckColumn(const TVevIvizudEvar& grid, int col) {
    if (col < 0 || col >= grid.AllColCount()) throw EVozAvozError("Invalid column accessed");
}

int Sign(double a, double b) {
    return a > b ? 1 : a < b ? -1 : 0;
}

int Sign(int value) {
    return value > 0 ? 1 : value < 0 ? -1 : 0;
}

// Case-sensitive comparison of QStringView compares UTF-16 code units.
int CompareCodeUnits(const QString& a, const QString& b) {
    return Sign(QStringView(a).compare(QStringView(b), Qt::CaseSensitive));
}

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

// The style ssAutomatic compares two cells by: the one both cells' contents call for, else the
// more particular of the two (check box, then number, then date, then text). So an empty cell
// (text) next to a number counts as 0, and a comparison gives the opposite answer with its cells
// the other way round, whatever the order in which a sort meets them.
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
void Renew(TSortKey& k) {
    k = TSortKey{};
}

void SetKeyText(TSortKey& k, QString text) {
    k.Head[0] = k.Head[1] = 0;
    const qsizetype n = std::min<qsizetype>(text.size(), 8);
    for (qsizetype i = 0; i < n; ++i) k.Head[i / 4] |= quint64(text[i].unicode()) << (48 - 16 * (i % 4));
    k.Text = std::move(text);
}

// Most texts differ within their first eight code units: their strings are not read then.
int CompareKeyTexts(const TSortKey& a, const TSortKey& b) {
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

// What a sort keeps of the first compared column's cell of each row, beside the row (Slot: its
// offset in the range when the sort began): enough to decide most comparisons of the usual styles
// without reaching for the text, the records lying side by side in memory.
struct TSortRecord {
    enum : quint8 { kNumberOk = 1, kEmpty = 2, kChecked = 4 };
    double Number = 0; // the number the cell reads as; the date of the date styles, the image of ssCellImage
    quint64 Head = 0;  // the first four code units of the compared text, as in TSortKey
    quint32 Slot = 0;
    TSortStyle Class = TSortStyle::ssText; // the style ssAutomatic takes from this cell
    quint8 Flags = 0;
    // Where the cell stands among the column's distinct values (equal cells, equal ranks), once
    // ranked; the same of the next column's cell, which decides the ties.
    quint32 Rank = 0, TieRank = 0;
};

// The styles whose comparisons the records decide.
bool RecordsDecide(TSortStyle style) {
    switch (style) {
    case TSortStyle::ssAutomatic:
    case TSortStyle::ssText:
    case TSortStyle::ssTextOrdinal:
    case TSortStyle::ssTextNoCase:
    case TSortStyle::ssHTMLText:
    case TSortStyle::ssNumeric:
    case TSortStyle::ssNumericGrouped:
    case TSortStyle::ssDateTime:
    case TSortStyle::ssDateDMY:
    case TSortStyle::ssDateMDY:
    case TSortStyle::ssCellImage:
    case TSortStyle::ssCheckBox:
        return true;
    default:
        return false;
    }
}

quint64 HeadOf(const QString& text) {
    quint64 head = 0;
    const qsizetype n = std::min<qsizetype>(text.size(), 4);
    for (qsizetype i = 0; i < n; ++i) head |= quint64(text[i].unicode()) << (48 - 16 * i);
    return head;
}

// Sorts the rows left..right of the grid with one comparer. The sort runs on the records, one per
// row, and the rows take their new places once at the end (PermuteRows); only when the first
// compared column goes by OnRawCompare, whose handler reads the grid at the rows it is given, are
// the rows exchanged as the sort goes. (A raw column compared for ties gets the rows where the
// compared rows' data stands while the rows wait to move.)
// The first compared column is read once into the records; the other columns (ties, index
// entries after the first) keep full keys, built when first compared: per data slot for the
// columns that move with their rows, per position for a column that stays (SingleColumn).
class TRowSorter {
public:
    TRowSorter(TVevIvizudEvar& grid, TComparer& comparer, int left, int right)
        : grid_(grid), comparer_(comparer), left_(left), right_(right), records_(size_t(right - left + 1)),
          columns_(size_t(grid.AllColCount())), singleColumn_(grid.SortSettings.SingleColumn),
          sortColumn_(grid.SortSettings.Column),
          direction_(grid.SortSettings.Direction == TSortDirection::sdDescending ? 1 : 0),
          full_(grid.SortSettings.Full) {
        for (size_t s = 0; s < records_.size(); ++s) records_[s].Slot = quint32(s);
    }

    // Reads the first compared column (the sort column, or the first index entry's) into the
    // records, again after blocks across the rows were split. Whether a cell of the rows holds an
    // object (a block can lie across them only then); true as well when the column is compared by
    // its keys instead.
    bool Read(int col) {
        for (size_t s = 0; s < records_.size(); ++s) records_[s] = TSortRecord{0, 0, quint32(s)};
        inMemoryOrder_ = false;
        return ReadFirstColumn(col);
    }

    void SortByColumn(int col) {
        const int sign = direction_ == 1 ? -1 : 1;
        if (!eager_ && firstColumn_ == col && !grid_.SortSettings.IgnoreBlanks && SortDistinctKeys(sign))
            return;
        InSlotOrder();
        if (ranked_ && full_) RankTies(col + 1);
        // A column of numbers or of texts throughout compares by the records alone: its comparison
        // is inlined into the partition (the ties go on through the other columns as usual).
        auto sortWith = [&](const auto& first) {
            Hoare(left_, right_, DepthLimit(), sign, true, [&](int a, int b) {
                if (a == b) return 0;
                const int result = first(Record(a), Record(b));
                return result != 0 || !full_ ? result : CompareTies(col, a, b);
            });
        };
        if (ranked_)
            return sortWith([](const TSortRecord& a, const TSortRecord& b) {
                return a.Rank < b.Rank ? -1 : int(a.Rank > b.Rank);
            });
        switch (firstColumn_ == col && !grid_.SortSettings.IgnoreBlanks ? uniformStyle_ : TSortStyle::ssRaw) {
        case TSortStyle::ssNumeric:
            sortWith([](const TSortRecord& a, const TSortRecord& b) {
                return !(a.Flags & TSortRecord::kNumberOk) && !(b.Flags & TSortRecord::kNumberOk)
                           ? 0
                           : Sign(a.Number, b.Number);
            });
            break;
        case TSortStyle::ssText:
            sortWith([&](const TSortRecord& a, const TSortRecord& b) {
                return a.Head != b.Head ? (a.Head < b.Head ? -1 : 1)
                                        : CompareCodeUnits(texts_[a.Slot], texts_[b.Slot]);
            });
            break;
        default:
            Hoare(left_, right_, DepthLimit(), sign, true,
                  [&](int a, int b) { return CompareRows(col, a, b); });
        }
    }
    void SortByIndexes() {
        InSlotOrder();
        Hoare(left_, right_, DepthLimit(), 1, false, [&](int a, int b) { return CompareIndexed(a, b); });
    }
    // Whether an exchange moves the column's cells.
    bool Moves(int col) const { return !singleColumn_ || col == sortColumn_; }
    // Per position of the range, the offset its row had when the sort began.
    std::vector<int> Origin() const {
        if (!sorted_.empty()) return sorted_;
        std::vector<int> origin(records_.size());
        for (size_t p = 0; p < records_.size(); ++p) origin[p] = int(records_[p].Slot);
        return origin;
    }
    // Whether the rows are in their places already (exchanged as the sort went).
    bool RowsMoved() const { return eager_; }

private:
    int Position(int row) const { return row - left_; }
    TSortRecord& Record(int row) { return records_[size_t(Position(row))]; }
    // Where the data of a column's cell compared at a row stands in the grid now.
    int DataRow(int col, int row) const {
        return eager_ || !Moves(col) ? row : left_ + int(records_[size_t(Position(row))].Slot);
    }

    // The records of the first compared column: its texts read once, with what its style (and,
    // for ssAutomatic, the style each cell calls for) compares.
    bool ReadFirstColumn(int col) {
        firstColumn_ = col;
        const TColumnFormat& format = comparer_.Format(col);
        firstStyle_ = format.Style;
        eager_ = firstStyle_ == TSortStyle::ssRaw && bool(grid_.OnRawCompare);
        if (!RecordsDecide(firstStyle_) || !Moves(col)) {
            firstColumn_ = -1; // its keys, as for any other column
            return true;
        }
        const bool automatic = firstStyle_ == TSortStyle::ssAutomatic;
        texts_.resize(records_.size());
        bool dates = false;
        // The style every pair of the column compares by, when one: ssNumeric for numbers, ssText
        // for texts compared as they stand (ssRaw: none).
        auto uniform = [](TSortStyle style) {
            switch (style) {
            case TSortStyle::ssNumeric:
            case TSortStyle::ssNumericGrouped:
                return TSortStyle::ssNumeric;
            case TSortStyle::ssText:
            case TSortStyle::ssTextOrdinal:
            case TSortStyle::ssTextNoCase:
            case TSortStyle::ssHTMLText:
                return TSortStyle::ssText;
            default:
                return TSortStyle::ssRaw;
            }
        };
        uniformStyle_ = automatic ? TSortStyle::ssAutomatic : uniform(firstStyle_);
        // A cell without object (no block, no graphic) is read from its row's line. The rows are
        // read in the order their cells lie in memory (after a sort they lie anywhere, and reading
        // them in row order would meet a new page at almost every row): records and texts are kept
        // in that order, each record knowing its slot, until the partition needs them by slot.
        const std::vector<TRowCells> rows = RowCellsInMemoryOrder(inMemoryOrder_);
        const bool displayed = bool(grid_.OnGetDisplText);
        bool objects = false;
        TSortKey k;
        for (size_t s = 0; s < records_.size(); ++s) {
            const TRowCells& cells = rows[s];
            const int row = left_ + int(cells.Slot);
            if (!objects) // the other cells of the line lie beside the one read
                for (quint32 c = 0; c < cells.Count; ++c) objects = objects || cells.Cells[c].Object;
            TSortRecord& r = records_[s];
            r.Slot = cells.Slot;
            const TGridCell* cell = size_t(col) < cells.Count ? &cells.Cells[col] : nullptr;
            const bool plain = !displayed && !(cell && cell->Object);
            Renew(k);
            k.Text = plain ? (cell ? cell->Text : QString()) : grid_.GetGridCells(col, row);
            if (k.Text.isEmpty()) r.Flags |= TSortRecord::kEmpty;
            TSortStyle style = firstStyle_;
            if (automatic) {
                r.Class = style = plain ? comparer_.ClassOf(k, false) : comparer_.ClassOf(k, col, row);
                if (s == 0 || uniformStyle_ != TSortStyle::ssRaw)
                    uniformStyle_ =
                        s == 0 || uniformStyle_ == uniform(style) ? uniform(style) : TSortStyle::ssRaw;
                comparer_.NeedNumber(k, format, false);
                dates = dates || style == TSortStyle::ssDateTime;
            }
            switch (style) {
            case TSortStyle::ssNumeric:
            case TSortStyle::ssNumericGrouped:
                comparer_.NeedNumber(k, format, style == TSortStyle::ssNumericGrouped);
                break;
            case TSortStyle::ssDateTime:
            case TSortStyle::ssDateDMY:
            case TSortStyle::ssDateMDY:
                if (!automatic) r.Number = comparer_.DateOf(k, style); // ssAutomatic's dates: below
                break;
            case TSortStyle::ssCellImage:
                r.Number = double(comparer_.ImageOf(k, col, row));
                break;
            case TSortStyle::ssCheckBox:
                if (comparer_.CheckedOf(k, col, row)) r.Flags |= TSortRecord::kChecked;
                break;
            case TSortStyle::ssTextNoCase:
            case TSortStyle::ssHTMLText:
                texts_[s] = comparer_.AltOf(k, style);
                break;
            default:
                break;
            }
            if (k.Have & TSortKey::kNumber) {
                r.Number = k.Number;
                if (k.NumberOk) r.Flags |= TSortRecord::kNumberOk;
            }
            if (!(k.Have & TSortKey::kAlt)) texts_[s] = std::move(k.Text);
            r.Head = HeadOf(texts_[s]);
        }
        // A text among dates compares as the date it reads as (mostly none: 0).
        dates_.clear();
        if (dates) {
            InSlotOrder();
            dates_.resize(records_.size());
            for (size_t s = 0; s < records_.size(); ++s) {
                Renew(k);
                k.Text = texts_[s];
                dates_[s] = comparer_.DateOf(k, TSortStyle::ssDateTime);
            }
        }
        return objects;
    }

    // Ranks the cells of the column that decides the first column's ties, when it compares them
    // in one consistent order: texts by code units, or numbers each read whole (ssAutomatic: when
    // every cell is of one of those classes). The records are in slot order.
    void RankTies(int tie) {
        if (tie >= int(columns_.size()) || grid_.SortSettings.IgnoreBlanks || singleColumn_ || eager_) return;
        const TColumnFormat& format = comparer_.Format(tie);
        const bool automatic = format.Style == TSortStyle::ssAutomatic;
        TSortStyle style = automatic ? TSortStyle::ssRaw : format.Style;
        if (style == TSortStyle::ssTextOrdinal) style = TSortStyle::ssText;
        if (!automatic && style != TSortStyle::ssText && style != TSortStyle::ssNumeric) return;
        std::vector<TSortKey*> keys(records_.size());
        for (size_t s = 0; s < keys.size(); ++s) {
            const int row = left_ + int(s);
            TSortKey& k = *(keys[s] = &Key(tie, row));
            if (automatic) {
                const TSortStyle cls = comparer_.ClassOf(k, tie, DataRow(tie, row));
                if (style != TSortStyle::ssRaw && cls != style) return;
                style = cls;
            }
            if (style == TSortStyle::ssNumeric && (comparer_.NeedNumber(k, format, false), !k.NumberOk))
                return;
            if (style != TSortStyle::ssNumeric && style != TSortStyle::ssText) return;
        }
        auto compare = [&](quint32 a, quint32 b) {
            return style == TSortStyle::ssNumeric ? Sign(keys[a]->Number, keys[b]->Number)
                                                  : CompareKeyTexts(*keys[a], *keys[b]);
        };
        std::vector<quint32> order(keys.size());
        std::iota(order.begin(), order.end(), 0);
        std::sort(order.begin(), order.end(), [&](quint32 a, quint32 b) { return compare(a, b) < 0; });
        quint32 rank = 0;
        for (size_t p = 0; p < order.size(); ++p)
            records_[order[p]].TieRank = rank += p > 0 && compare(order[p - 1], order[p]) == 0 ? 0 : 1;
        tieColumn_ = tie;
    }

    // Ranges from this many rows on are read in memory order (fewer fit the caches wherever they
    // lie); sorts by 64-bit keys of this many items and more go by radix.
    static constexpr size_t kScatteredRows = 1 << 12, kRadixItems = 1 << 16;
    // Where a row's cells lie: its line's cells and their count, and its slot.
    struct TRowCells {
        const TGridCell* Cells;
        quint32 Count, Slot;
    };
    // Every row's cells, in the order they lie in memory when that is not (almost) the rows'.
    std::vector<TRowCells> RowCellsInMemoryOrder(bool& reordered) const {
        const TCellStore& store = grid_.CellStore();
        std::vector<TRowCells> rows(records_.size());
        size_t descents = 0;
        for (size_t s = 0; s < rows.size(); ++s) {
            const TGridLine& line = *store.Line(left_ + int(s));
            rows[s] = {line.data(), quint32(line.size()), quint32(s)};
            descents += s > 0 && rows[s].Cells < rows[s - 1].Cells ? 1 : 0;
        }
        // A few rows fit the caches wherever they lie.
        reordered = rows.size() >= kScatteredRows && descents * 64 > rows.size();
        if (reordered)
            SortByKey(rows, [](const TRowCells& r) { return quint64(reinterpret_cast<quintptr>(r.Cells)); });
        return rows;
    }
    // The records and texts put by slot, as the partition and the keys of ties take them.
    void InSlotOrder() {
        if (!inMemoryOrder_) return;
        std::vector<TSortRecord> records(records_.size());
        std::vector<QString> texts(texts_.size());
        for (size_t k = 0; k < records_.size(); ++k) {
            records[records_[k].Slot] = records_[k];
            texts[records_[k].Slot] = std::move(texts_[k]);
        }
        records_ = std::move(records);
        texts_ = std::move(texts);
        inMemoryOrder_ = false;
    }

    // A column of numbers (each read whole), of dates or of texts throughout whose keys all differ
    // has one sorted order, the one the partition below ends in whatever order it meets the rows:
    // it is taken from a plain sort of the keys. False when two keys are equal (where the partition
    // leaves rows of equal keys is its own): the records then hold the ranks of their keys.
    bool SortDistinctKeys(int sign) {
        const size_t n = records_.size();
        std::vector<quint32> order(n);
        bool distinct = true;
        const bool dates = uniformStyle_ != TSortStyle::ssNumeric && DatesThroughout();
        if (uniformStyle_ == TSortStyle::ssNumeric || dates) {
            std::vector<std::pair<quint64, quint32>> keys(n);
            for (size_t s = 0; s < n; ++s) {
                if (!dates && !(records_[s].Flags & TSortRecord::kNumberOk)) return false;
                const double value = dates && !dates_.empty() ? dates_[records_[s].Slot] : records_[s].Number;
                if (std::isnan(value)) return false;
                keys[s] = {OrderedBits(value), quint32(s)};
            }
            SortByKey(keys, [](const auto& k) { return k.first; });
            quint32 rank = 0;
            for (size_t p = 0; p < n; ++p) {
                order[p] = records_[keys[p].second].Slot;
                const bool same = p > 0 && keys[p - 1].first == keys[p].first;
                distinct = distinct && !same;
                records_[keys[p].second].Rank = rank += same ? 0 : 1;
            }
        } else if (uniformStyle_ == TSortStyle::ssText) {
            // The first eight code units side by side; the texts only where those are equal.
            struct TTextKey {
                quint64 Head[2];
                quint32 At;
            };
            std::vector<TTextKey> keys(n);
            for (size_t k = 0; k < n; ++k) {
                TSortKey head;
                SetKeyText(head, texts_[k]);
                keys[k] = {{head.Head[0], head.Head[1]}, quint32(k)};
            }
            auto compare = [&](const TTextKey& a, const TTextKey& b) {
                if (a.Head[0] != b.Head[0]) return a.Head[0] < b.Head[0] ? -1 : 1;
                if (a.Head[1] != b.Head[1]) return a.Head[1] < b.Head[1] ? -1 : 1;
                return CompareCodeUnits(texts_[a.At], texts_[b.At]);
            };
            std::sort(keys.begin(), keys.end(),
                      [&](const TTextKey& a, const TTextKey& b) { return compare(a, b) < 0; });
            quint32 rank = 0;
            for (size_t p = 0; p < n; ++p) {
                order[p] = records_[keys[p].At].Slot;
                const bool same = p > 0 && compare(keys[p - 1], keys[p]) == 0;
                distinct = distinct && !same;
                records_[keys[p].At].Rank = rank += same ? 0 : 1;
            }
        } else {
            return false;
        }
        if (!distinct) return ranked_ = true, false;
        if (sign < 0) std::reverse(order.begin(), order.end());
        sorted_.assign(order.begin(), order.end());
        return true;
    }

    // Whether the first column compares by dates alone: a date style, or ssAutomatic with every
    // cell a date (two dates compare as the dates they read as).
    bool DatesThroughout() const {
        switch (firstStyle_) {
        case TSortStyle::ssDateTime:
        case TSortStyle::ssDateDMY:
        case TSortStyle::ssDateMDY:
            return true;
        case TSortStyle::ssAutomatic:
            return !dates_.empty() && std::all_of(records_.begin(), records_.end(), [](const TSortRecord& r) {
                return r.Class == TSortStyle::ssDateTime;
            });
        default:
            return false;
        }
    }

    // The bits of a number whose unsigned order is the numbers' order (0 and -0 alike).
    static quint64 OrderedBits(double value) {
        const quint64 bits = std::bit_cast<quint64>(value == 0 ? 0.0 : value);
        return bits & (quint64(1) << 63) ? ~bits : bits | (quint64(1) << 63);
    }
    // Sorts by a 64-bit key, 16 bits at a time from the lowest (digits all items share are
    // passed over); items of equal keys keep their order.
    template <typename TItem, typename TKey>
    static void SortByKey(std::vector<TItem>& items, const TKey& key) {
        if (items.size() >= kRadixItems)
            RadixSort(items, key);
        else
            std::stable_sort(items.begin(), items.end(),
                             [&](const TItem& a, const TItem& b) { return key(a) < key(b); });
    }
    template <typename TItem, typename TKey>
    static void RadixSort(std::vector<TItem>& items, const TKey& key) {
        std::vector<TItem> buffer(items.size());
        std::vector<size_t> start(65537);
        for (int shift = 0; shift < 64; shift += 16) {
            std::fill(start.begin(), start.end(), 0);
            for (const TItem& item : items) ++start[((key(item) >> shift) & 0xFFFF) + 1];
            if (std::find(start.begin(), start.end(), items.size()) != start.end()) continue;
            std::partial_sum(start.begin(), start.end(), start.begin());
            for (const TItem& item : items) buffer[start[(key(item) >> shift) & 0xFFFF]++] = item;
            items.swap(buffer);
        }
    }

    // As TComparer::Compare for the first column's records.
    int CompareRecords(const TSortRecord& a, const TSortRecord& b, int direction) const {
        TSortStyle style = firstStyle_;
        if (style == TSortStyle::ssAutomatic) style = AutomaticStyle(a.Class, b.Class);
        int result = 0;
        switch (style) {
        case TSortStyle::ssNumeric:
        case TSortStyle::ssNumericGrouped:
            result = !(a.Flags & TSortRecord::kNumberOk) && !(b.Flags & TSortRecord::kNumberOk)
                         ? 0
                         : Sign(a.Number, b.Number);
            break;
        case TSortStyle::ssDateTime:
        case TSortStyle::ssDateDMY:
        case TSortStyle::ssDateMDY:
            result = firstStyle_ == TSortStyle::ssAutomatic ? Sign(dates_[a.Slot], dates_[b.Slot])
                                                            : Sign(a.Number, b.Number);
            break;
        case TSortStyle::ssCellImage:
            result = Sign(a.Number, b.Number);
            break;
        case TSortStyle::ssCheckBox:
            result = int(bool(a.Flags & TSortRecord::kChecked)) - int(bool(b.Flags & TSortRecord::kChecked));
            break;
        default: // the text styles
            result = a.Head != b.Head ? (a.Head < b.Head ? -1 : 1)
                                      : CompareCodeUnits(texts_[a.Slot], texts_[b.Slot]);
            break;
        }
        if (grid_.SortSettings.IgnoreBlanks) {
            const bool last = grid_.SortSettings.BlankPos == TSortBlankPosition::blLast;
            const int flip = direction == 1 ? -1 : 1;
            const bool emptyA = a.Flags & TSortRecord::kEmpty, emptyB = b.Flags & TSortRecord::kEmpty;
            if (emptyA && !emptyB) result = (last ? 1 : -1) * flip;
            if (emptyB && !emptyA) result = (last ? -1 : 1) * flip;
        }
        return result;
    }

    TSortKey& Key(int col, int row) {
        std::vector<TSortKey>& keys = columns_[size_t(col)];
        if (keys.empty()) {
            keys.resize(records_.size());
            for (int r = left_; r <= right_; ++r) {
                const size_t at = eager_ && Moves(col) ? Record(r).Slot : size_t(Position(r));
                SetKeyText(keys[at], grid_.GetGridCells(col, r));
            }
        }
        return keys[Moves(col) ? Record(row).Slot : size_t(Position(row))];
    }
    int CompareCells(int col, int a, int b, int direction) {
        if (col == firstColumn_) return CompareRecords(Record(a), Record(b), direction);
        return comparer_.Compare(col, Key(col, a), DataRow(col, a), Key(col, b), DataRow(col, b), direction);
    }
    // A row compared with itself (the pivot met in its own place) is equal in every style.
    int CompareRows(int col, int a, int b) {
        if (a == b) return 0;
        const int result = CompareCells(col, a, b, direction_);
        return result != 0 || !full_ ? result : CompareTies(col, a, b);
    }
    // Rows equal in column col: the columns after it decide (Full).
    int CompareTies(int col, int a, int b) {
        const int last = int(columns_.size()) - 1;
        int result = 0;
        if (col + 1 == tieColumn_) {
            const quint32 ra = Record(a).TieRank, rb = Record(b).TieRank;
            if (ra != rb) return ra < rb ? -1 : 1;
            ++col; // equal there too
        }
        while (result == 0 && col < last) result = CompareCells(++col, a, b, direction_);
        return result;
    }
    int CompareIndexed(int a, int b) {
        if (a == b) return 0;
        const TSortIndexList& list = grid_.SortIndexList;
        for (int i = 0; i < list.Count(); ++i) {
            const int entry = list.Item(i);
            const bool descending = TSortIndexList::IsDescending(entry);
            const int result = CompareCells(TSortIndexList::ColumnOf(entry), a, b, descending ? 1 : 0);
            if (result != 0 || !full_) return descending ? -result : result;
        }
        return 0;
    }
    void Swap(int a, int b) {
        if (eager_) grid_.SwapRows(a, b);
        std::swap(Record(a), Record(b));
    }

    // Partitions a range may go through before heapsort finishes it: far more than random input
    // needs (about 3 log2 n), so that only degenerate input (organ-pipe: each partition takes two
    // rows off) ends in heapsort.
    int DepthLimit() const {
        int depth = 8;
        for (size_t n = records_.size(); n > 1; n /= 2) depth += 4;
        return depth;
    }

    // The bounded Hoare partition of rows l..r: i walks up while the pivot compares as sign
    // against row i, j walks down while row j compares as sign against the pivot; rows i and j
    // are exchanged unless they are the same row or (compareEqual) compare equal.
    template <typename TCompare>
    void Hoare(int l, int r, int depth, int sign, bool compareEqual, const TCompare& compare) {
        while (l < r) {
            if (depth-- == 0) return HeapSort(l, r, sign, compare);
            int pivot = l + (r - l) / 2; // the row holding the middle row's data
            int i = l, j = r;
            do {
                while (i < r && compare(pivot, i) == sign) ++i;
                while (j > l && compare(j, pivot) == sign) --j;
                if (i <= j) {
                    if (i != j && (!compareEqual || compare(i, j) != 0)) {
                        Swap(i, j);
                        if (pivot == i)
                            pivot = j;
                        else if (pivot == j)
                            pivot = i;
                    }
                    ++i;
                    --j;
                }
            } while (i <= j);
            // Rows l..j and i..r remain, both smaller than l..r: the smaller one by recursion.
            if (j - l < r - i) {
                if (l < j) Hoare(l, j, depth, sign, compareEqual, compare);
                l = i;
            } else {
                if (i < r) Hoare(i, r, depth, sign, compareEqual, compare);
                r = j;
            }
        }
    }

    // Heapsort of rows l..r: a row goes after another when it compares as sign against it. It
    // stays in range and ends whatever the comparison answers.
    template <typename TCompare> void HeapSort(int l, int r, int sign, const TCompare& compare) {
        const int n = r - l + 1;
        auto sift = [&](int root, int size) {
            for (;;) {
                int child = 2 * root + 1;
                if (child >= size) return;
                if (child + 1 < size && compare(l + child + 1, l + child) == sign) ++child;
                if (compare(l + child, l + root) != sign) return;
                Swap(l + root, l + child);
                root = child;
            }
        };
        for (int i = n / 2 - 1; i >= 0; --i) sift(i, n);
        for (int end = n - 1; end > 0; --end) {
            Swap(l, l + end);
            sift(0, end);
        }
    }

    TVevIvizudEvar& grid_;
    TComparer& comparer_;
    int left_, right_;
    std::vector<TSortRecord> records_;
    std::vector<QString> texts_; // per slot: the first column's compared texts
    std::vector<std::vector<TSortKey>> columns_;
    bool singleColumn_;
    int sortColumn_, direction_;
    bool full_, eager_ = false;
    int firstColumn_ = -1, tieColumn_ = -1; // tieColumn_: its cells ranked
    bool ranked_ = false;                   // the first column's cells ranked
    TSortStyle firstStyle_ = TSortStyle::ssText, uniformStyle_ = TSortStyle::ssRaw;
    std::vector<double> dates_;  // per slot, with ssAutomatic: the date each cell reads as
    std::vector<int> sorted_;    // the order taken from a plain sort of distinct keys
    bool inMemoryOrder_ = false; // records_ and texts_ in the order MemoryOrder read them
};

// Puts the cells of a column back in the rows they were in before rows left.. were exchanged
// (origin: per position, the offset of the row that was there).
void PutColumnBack(TVevIvizudEvar& grid, int col, int left, const std::vector<int>& origin) {
    TCellStore& store = grid.CellStore();
    TGridLine cells = store.TakeColumn(col);
    TGridLine back(cells.size());
    for (size_t r = 0; r < cells.size(); ++r)
        if (int(r) < left || int(r) >= left + int(origin.size())) back[r] = std::move(cells[r]);
    for (size_t p = 0; p < origin.size(); ++p)
        back[size_t(left + origin[p])] = std::move(cells[size_t(left) + p]);
    store.PutColumn(col, std::move(back));
}

bool KeepsFirstColumn(TVevIvizudEvar& grid) {
    const TSortSettings& s = grid.SortSettings;
    return s.NormalCellsOnly && grid.FixedCols() > 0 && (!s.SingleColumn || s.Column == 0);
}

// The column whose cells an exchange of rows moves apart from the rest of their rows (or keeps in
// place while the rest moves); -1 when rows move whole.
int ColumnMovedAlone(TVevIvizudEvar& grid) {
    if (grid.SortSettings.SingleColumn) return grid.SortSettings.Column;
    return KeepsFirstColumn(grid) ? 0 : -1;
}

// Sorts rows left..right by a column (col >= 0) or by the index list (col < 0); with keepFirst,
// column 0 stays where it was.
void SortRange(TVevIvizudEvar& grid, TComparer& comparer, int left, int right, int col, bool keepFirst) {
    if (left >= right) return;
    if (left < 0 || right >= grid.RowCount()) throw EVozAvozError("Invalid row accessed");
    TRowSorter sorter(grid, comparer, left, right);
    const int first = col >= 0 ? col : TSortIndexList::ColumnOf(grid.SortIndexList.Item(0));
    if (grid.SplitBlocksRowOrderTears(left, right, ColumnMovedAlone(grid), sorter.Read(first)))
        sorter.Read(first);
    if (col >= 0)
        sorter.SortByColumn(col);
    else
        sorter.SortByIndexes();
    const std::vector<int> origin = sorter.Origin();
    if (!sorter.RowsMoved()) grid.PermuteRows(left, origin);
    if (keepFirst && sorter.Moves(0)) PutColumnBack(grid, 0, left, origin);
}

} // namespace

// ---- Settings ------------------------------------------------------------------------------------

void TSortSettings::SetRow(int row) {
    if (grid_ && row > grid_->FixedRows())
        throw EVozAvozError("Sort row should be smaller than number of fixed rows");
    Store(row_, row);
}

// ---- Comparisons ---------------------------------------------------------------------------------

int TVevIvizudEvar::CompareCells(int col, int row1, int direction, int row2) {
    CheckColumn(*this, col);
    TComparer comparer(*this, false);
    TSortKey a, b;
    SetKeyText(a, GetGridCells(col, row1));
    SetKeyText(b, GetGridCells(col, row2));
    return comparer.Compare(col, a, row1, b, row2, direction);
}

int TVevIvizudEvar::CompareRowsByColumn(int col, int row1, int row2) {
    const int direction = SortSettings.Direction == TSortDirection::sdDescending ? 1 : 0;
    int result = CompareCells(col, row1, direction, row2);
    while (result == 0 && SortSettings.Full && col < AllColCount() - 1)
        result = CompareCells(++col, row1, direction, row2);
    return result;
}

int TVevIvizudEvar::CompareRowsByIndexes(int indexPos, int row1, int row2) {
    for (int i = indexPos; i < SortIndexList.Count(); ++i) {
        const int entry = SortIndexList.Item(i);
        const bool descending = TSortIndexList::IsDescending(entry);
        const int result = CompareCells(TSortIndexList::ColumnOf(entry), row1, descending ? 1 : 0, row2);
        if (result != 0 || !SortSettings.Full) return descending ? -result : result;
    }
    return 0;
}

// ---- Exchanging rows -----------------------------------------------------------------------------

void TVevIvizudEvar::SwapRows(int row1, int row2) {
    if (row1 < 0 || row2 < 0 || row1 >= RowCount() || row2 >= RowCount())
        throw EVozAvozError("Invalid row accessed");
    const size_t entries = unsortedRowOrder_.size();
    const size_t real1 = size_t(DisplToRealRow(row1)), real2 = size_t(DisplToRealRow(row2));
    if (real1 < entries && real2 < entries) std::swap(unsortedRowOrder_[real1], unsortedRowOrder_[real2]);
    TCellStore& store = CellStore();
    if (SortSettings.SingleColumn) {
        const int col = SortSettings.Column;
        CheckColumn(*this, col);
        const QString text1 = store.Text(col, row1), text2 = store.Text(col, row2);
        store.SetText(col, row1, text2);
        store.SetText(col, row2, text1);
        std::unique_ptr<TCellObject> object1 = store.DetachObject(col, row1);
        std::unique_ptr<TCellObject> object2 = store.DetachObject(col, row2);
        if (object2) store.SetObject(col, row1, std::move(object2));
        if (object1) store.SetObject(col, row2, std::move(object1));
        InvalidateCell(RealToDisplCol(col), row1);
        InvalidateCell(RealToDisplCol(col), row2);
        return;
    }
    store.SwapRows(row1, row2);
    if (const int h1 = RowHeights(row1), h2 = RowHeights(row2); h1 != h2) {
        SetRowHeights(row1, h2);
        SetRowHeights(row2, h1);
    }
    if (MouseActions.DisjunctRowSelect() && Navigation.MoveRowOnSort) {
        const size_t needed = size_t(std::max(row1, row2)) + 1;
        if (rowSelect_.size() < needed) rowSelect_.resize(needed, false);
        std::vector<bool>::swap(rowSelect_[size_t(row1)], rowSelect_[size_t(row2)]);
    }
    if (followRow_ == row1)
        followRow_ = row2;
    else if (followRow_ == row2)
        followRow_ = row1;
    InvalidateRow(row1);
    InvalidateRow(row2);
}

// SwapRows' exchanges all at once: position p of the range takes the row from first + origin[p].
void TVevIvizudEvar::PermuteRows(int first, const std::vector<int>& origin) {
    const int n = int(origin.size());
    if (n == 0) return;
    if (first < 0 || first + n > RowCount()) throw EVozAvozError("Invalid row accessed");
    auto permute = [&](auto& list, auto at) {
        std::vector<std::decay_t<decltype(list[at(0)])>> before(static_cast<size_t>(n));
        for (int p = 0; p < n; ++p) before[size_t(p)] = std::move(list[at(p)]);
        for (int p = 0; p < n; ++p) list[at(p)] = std::move(before[size_t(origin[size_t(p)])]);
    };
    if (!unsortedRowOrder_.empty()) {
        std::vector<size_t> reals(static_cast<size_t>(n));
        for (int p = 0; p < n; ++p)
            reals[size_t(p)] = size_t(hiddenRows_.empty() ? first + p : DisplToRealRow(first + p));
        if (reals.back() < unsortedRowOrder_.size())
            permute(unsortedRowOrder_, [&](int p) { return reals[size_t(p)]; });
    }
    TCellStore& store = CellStore();
    if (SortSettings.SingleColumn) {
        const int col = SortSettings.Column;
        CheckColumn(*this, col);
        std::vector<TGridCell> cells(static_cast<size_t>(n));
        for (int p = 0; p < n; ++p) {
            cells[size_t(p)].Text = store.Text(col, first + p);
            cells[size_t(p)].Object = store.DetachObject(col, first + p);
        }
        for (int p = 0; p < n; ++p) {
            TGridCell& cell = cells[size_t(origin[size_t(p)])];
            store.SetText(col, first + p, cell.Text);
            if (cell.Object || store.Object(col, first + p))
                store.SetObject(col, first + p, std::move(cell.Object));
        }
        InvalidateGrid();
        return;
    }
    store.PermuteRows(first, origin);
    bool sameHeights = true;
    for (int p = 1; p < n && sameHeights; ++p) sameHeights = RowHeights(first + p) == RowHeights(first);
    if (!sameHeights) {
        std::vector<int> heights = LineSizes(false);
        permute(heights, [&](int p) { return size_t(first + p); });
        SetLineSizes(false, heights);
    }
    if (MouseActions.DisjunctRowSelect() && Navigation.MoveRowOnSort && !rowSelect_.empty()) {
        if (rowSelect_.size() < size_t(first + n)) rowSelect_.resize(size_t(first + n), false);
        std::vector<bool> before(rowSelect_.begin() + first, rowSelect_.begin() + first + n);
        for (int p = 0; p < n; ++p) rowSelect_[size_t(first + p)] = before[size_t(origin[size_t(p)])];
    }
    if (followRow_ >= first && followRow_ < first + n)
        for (int p = 0; p < n; ++p)
            if (origin[size_t(p)] == followRow_ - first) {
                followRow_ = first + p;
                break;
            }
    InvalidateGrid();
}

// ---- Sorts ---------------------------------------------------------------------------------------

// What every sort does around its exchanges: the open editor writes its value first; the order
// before sorting is taken afresh when RowCount has changed since it was taken (rows added or
// dropped at the end through it, on balance); nothing repaints meanwhile; the current row then
// follows its data (node sorts, MoveRowOnSort) or stays on its row number, whose new data
// OnRowUpdate then reports.
void TVevIvizudEvar::SortWith(int kind, const std::function<void()>& sort) {
    EndPendingChange();
    if (rowCountDrift_ != 0 || unsortedRowOrder_.size() != size_t(RealRowCount())) ResetRowOrder();
    const int before = Row();
    followRow_ = before;
    {
        BeginUpdate();
        struct TEnd {
            TVevIvizudEvar& Grid;
            ~TEnd() { Grid.EndUpdate(); }
        } end{*this};
        sort();
        const bool follow = kind == kNodeRows || Navigation.MoveRowOnSort;
        const int current = follow ? followRow_ : before;
        if (current != Row() && current >= 0 && current < RowCount()) SetCurrentRow(current);
    }
    if (kind != kNodeRows && !Navigation.MoveRowOnSort) RowUpdate(before, Row());
}

void TVevIvizudEvar::SortByColumn() {
    const int col = SortSettings.Column;
    CheckColumn(*this, col);
    SortIndexList.Clear();
    SortWith(kByColumn, [&] {
        TComparer comparer(*this, true);
        SortRange(*this, comparer, FixedRows(), DataRowEnd() - 1, col, KeepsFirstColumn(*this));
    });
}

void TVevIvizudEvar::SortByIndexes() {
    if (SortIndexList.Count() == 0) throw EVozAvozError("No indexes specified for indexed sort");
    for (int i = 0; i < SortIndexList.Count(); ++i)
        CheckColumn(*this, TSortIndexList::ColumnOf(SortIndexList.Item(i)));
    SortWith(kByIndexes, [&] {
        TComparer comparer(*this, true);
        SortRange(*this, comparer, FixedRows(), DataRowEnd() - 1, -1, KeepsFirstColumn(*this));
    });
}

// The child rows of each expanded node sort among themselves; node rows keep their places, and so
// the rows of a node inside a node stay with it: each run of rows that belong directly to the same
// node (between its node rows and up to its end) sorts on its own.
void TVevIvizudEvar::SortNodeRows() {
    const int col = SortSettings.Column;
    CheckColumn(*this, col);
    SortWith(kNodeRows, [&] {
        TComparer comparer(*this, true);
        const bool keepFirst = KeepsFirstColumn(*this);
        const int last = DataRowEnd() - 1;
        struct TOpenNode {
            int Row, End; // display row, real row after its last row
            bool Contracted;
        };
        std::vector<TOpenNode> open; // the nodes the current row lies in, innermost last
        int runStart = -1, runNode = -1;
        auto closeRun = [&](int lastRow) {
            if (runStart >= 0 && lastRow > runStart)
                SortRange(*this, comparer, runStart, lastRow, col, keepFirst);
            runStart = -1;
        };
        for (int d = FixedRows(); d <= last; ++d) {
            const int real = DisplToRealRow(d);
            while (!open.empty() && open.back().End <= real) open.pop_back();
            const bool node = IsNode(d);
            if (node || open.empty() || open.back().Contracted || open.back().Row != runNode) closeRun(d - 1);
            if (node) {
                open.push_back({d, NodeEnd(d), GetNodeState(d)});
            } else if (!open.empty() && !open.back().Contracted && runStart < 0) {
                runStart = d;
                runNode = open.back().Row;
            }
        }
        closeRun(last);
    });
}

void TVevIvizudEvar::QuickSortRows(int col, int left, int right) {
    CheckColumn(*this, col);
    TComparer comparer(*this, true);
    SortRange(*this, comparer, left, right, col, false);
}

void TVevIvizudEvar::QuickSortRowsIndexed(int left, int right) {
    TComparer comparer(*this, true);
    SortRange(*this, comparer, left, right, -1, false);
}

// ---- The order before sorting --------------------------------------------------------------------
// Entries are kept by real row: rows hidden and shown again keep theirs, and an exchange of two
// shown rows exchanges the entries of their real rows.

void TVevIvizudEvar::ResetRowOrder() {
    rowCountDrift_ = 0;
    unsortedRowOrder_.resize(size_t(RealRowCount()));
    std::iota(unsortedRowOrder_.begin(), unsortedRowOrder_.end(), 0);
}

void TVevIvizudEvar::AlignRowOrder(int rows) {
    std::vector<int>& order = unsortedRowOrder_;
    const int have = int(order.size());
    rows = std::max(rows, 0);
    if (have < rows) {
        order.reserve(size_t(rows));
        for (int r = have; r < rows; ++r) order.push_back(r);
    } else if (have > rows) {
        std::vector<int> dropped;
        for (int r = rows; r < have; ++r) dropped.push_back(r);
        RowOrderRowsRemoved(dropped, false);
    }
}

// The new rows come right after the real row above them in the order before sorting; rows added
// after the last row come last, as rows that a larger row count adds do (and nothing has to make
// room for them, so that adding rows one by one stays linear); rows appended above footer rows
// come after every data row, before the footer rows' entries.
void TVevIvizudEvar::RowOrderRowsInserted(int realRow, int count, bool appended) {
    std::vector<int>& order = unsortedRowOrder_;
    if (order.empty() || count <= 0) return;
    AlignRowOrder(RealRowCount() - count);
    realRow = std::clamp(realRow, 0, int(order.size()));
    const int size = int(order.size());
    int first = realRow == size ? size : realRow > 0 ? order[size_t(realRow) - 1] + 1 : 0;
    if (appended && realRow < size) first = *std::min_element(order.begin() + realRow, order.end());
    if (first < size)
        for (int& v : order)
            if (v >= first) v += count;
    std::vector<int> fresh(static_cast<size_t>(count));
    std::iota(fresh.begin(), fresh.end(), first);
    order.insert(order.begin() + realRow, fresh.begin(), fresh.end());
}

void TVevIvizudEvar::RowOrderRowMoved(int from, int to) {
    if (unsortedRowOrder_.empty() || from == to) return;
    AlignRowOrder(RealRowCount());
    MoveAtDisplayRows(unsortedRowOrder_, from, to);
}

// The removed rows' entries leave; the others close up.
void TVevIvizudEvar::RowOrderRowsRemoved(const std::vector<int>& realRows, bool align) {
    std::vector<int>& order = unsortedRowOrder_;
    if (order.empty() || realRows.empty()) return;
    if (align) AlignRowOrder(RealRowCount() + int(realRows.size()));
    std::vector<char> gone(order.size(), 0);
    std::vector<int> below(order.size() + 1, 0); // below[v]: removed entries smaller than v
    for (int r : realRows)
        if (r >= 0 && size_t(r) < order.size() && !gone[size_t(r)]) {
            gone[size_t(r)] = 1;
            below[size_t(order[size_t(r)]) + 1] = 1;
        }
    std::partial_sum(below.begin(), below.end(), below.begin());
    size_t kept = 0;
    for (size_t r = 0; r < order.size(); ++r)
        if (!gone[r]) order[kept++] = order[r] - below[size_t(order[r])];
    order.resize(kept);
}

bool TVevIvizudEvar::VerifyRowOrder() const {
    std::vector<bool> seen(unsortedRowOrder_.size(), false);
    for (int v : unsortedRowOrder_) {
        if (v < 0 || size_t(v) >= seen.size() || seen[size_t(v)]) return false;
        seen[size_t(v)] = true;
    }
    return true;
}

// Every shown row goes back to its place, fixed and footer rows included (their entries are their
// own row numbers unless rows were inserted among them). Hidden rows stay where they are: the shown
// rows take the order of their entries among themselves.
void TVevIvizudEvar::RestoreRowOrder() {
    EndPendingChange();
    AlignRowOrder(RealRowCount());
    if (!VerifyRowOrder()) {
        assert(!"UnsortedRowOrder is not a permutation");
        ResetRowOrder();
        return;
    }
    // byEntry[k]: the row shown that goes to k.
    const int rows = RowCount();
    std::vector<int> byEntry(static_cast<size_t>(rows));
    std::iota(byEntry.begin(), byEntry.end(), 0);
    std::vector<int> entry(static_cast<size_t>(rows));
    for (int d = 0; d < rows; ++d) entry[size_t(d)] = unsortedRowOrder_[size_t(DisplToRealRow(d))];
    std::sort(byEntry.begin(), byEntry.end(),
              [&](int a, int b) { return entry[size_t(a)] < entry[size_t(b)]; });

    SplitBlocksRowOrderTears(0, rows - 1, ColumnMovedAlone(*this));
    BeginUpdate();
    struct TEnd {
        TVevIvizudEvar& Grid;
        ~TEnd() { Grid.EndUpdate(); }
    } end{*this};
    PermuteRows(0, byEntry);
    if (KeepsFirstColumn(*this)) PutColumnBack(*this, 0, 0, byEntry);
}
