// The sort of TRowSorter: the records of the first compared column, the partition and what
// finishes it (see RowSorter.h).
#include "grid/RowSorter.h"

#include "grid/GridError.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <numeric>

namespace gridsort {

namespace {

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

} // namespace

TRowSorter::TRowSorter(TVevIvizudEvar& grid, TComparer& comparer, int firstRow, int lastRow)
    : grid_(grid), comparer_(comparer), firstRow_(firstRow), lastRow_(lastRow),
      records_(size_t(lastRow - firstRow + 1)), columns_(size_t(grid.AllColCount())),
      singleColumn_(grid.SortSettings.SingleColumn), sortColumn_(grid.SortSettings.Column),
      descending_(grid.SortSettings.Direction == TSortDirection::sdDescending),
      full_(grid.SortSettings.Full) {
    for (size_t s = 0; s < records_.size(); ++s) records_[s].Slot = quint32(s);
}

bool TRowSorter::Read(int col) {
    for (size_t s = 0; s < records_.size(); ++s) records_[s] = TSortRecord{0, 0, quint32(s)};
    inMemoryOrder_ = false;
    return ReadFirstColumn(col);
}

void TRowSorter::SortByColumn(int col) {
    const int sign = descending_ ? -1 : 1;
    if (!eager_ && firstColumn_ == col && !grid_.SortSettings.IgnoreBlanks && SortDistinctKeys(sign)) return;
    InSlotOrder();
    if (ranked_ && full_) RankTies(col + 1);
    // A column of numbers or of texts throughout compares by the records alone: its comparison
    // is inlined into the partition (the ties go on through the other columns as usual).
    auto sortWith = [&](const auto& first) {
        Hoare(firstRow_, lastRow_, DepthLimit(), sign, true, [&](int a, int b) {
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
        Hoare(firstRow_, lastRow_, DepthLimit(), sign, true,
              [&](int a, int b) { return CompareRows(col, a, b); });
    }
}

void TRowSorter::SortByIndexes() {
    InSlotOrder();
    Hoare(firstRow_, lastRow_, DepthLimit(), 1, false, [&](int a, int b) { return CompareIndexed(a, b); });
}

std::vector<int> TRowSorter::Origin() const {
    if (!sorted_.empty()) return sorted_;
    std::vector<int> origin(records_.size());
    for (size_t p = 0; p < records_.size(); ++p) origin[p] = int(records_[p].Slot);
    return origin;
}

// Where the data of a column's cell compared at a row stands in the grid now.
int TRowSorter::DataRow(int col, int row) const {
    return eager_ || !Moves(col) ? row : firstRow_ + int(records_[size_t(Position(row))].Slot);
}

// The records of the first compared column: its texts read once, with what its style (and,
// for ssAutomatic, the style each cell calls for) compares.
bool TRowSorter::ReadFirstColumn(int col) {
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
        const int row = firstRow_ + int(cells.Slot);
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
void TRowSorter::RankTies(int tie) {
    if (tie >= int(columns_.size()) || grid_.SortSettings.IgnoreBlanks || singleColumn_ || eager_) return;
    const TColumnFormat& format = comparer_.Format(tie);
    const bool automatic = format.Style == TSortStyle::ssAutomatic;
    TSortStyle style = automatic ? TSortStyle::ssRaw : format.Style;
    if (style == TSortStyle::ssTextOrdinal) style = TSortStyle::ssText;
    if (!automatic && style != TSortStyle::ssText && style != TSortStyle::ssNumeric) return;
    std::vector<TSortKey*> keys(records_.size());
    for (size_t s = 0; s < keys.size(); ++s) {
        const int row = firstRow_ + int(s);
        TSortKey& k = *(keys[s] = &Key(tie, row));
        if (automatic) {
            const TSortStyle cls = comparer_.ClassOf(k, tie, DataRow(tie, row));
            if (style != TSortStyle::ssRaw && cls != style) return;
            style = cls;
        }
        if (style == TSortStyle::ssNumeric && (comparer_.NeedNumber(k, format, false), !k.NumberOk)) return;
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

// Every row's cells, in the order they lie in memory when that is not (almost) the rows'.
std::vector<TRowSorter::TRowCells> TRowSorter::RowCellsInMemoryOrder(bool& reordered) const {
    const TCellStore& store = grid_.CellStore();
    std::vector<TRowCells> rows(records_.size());
    size_t descents = 0;
    for (size_t s = 0; s < rows.size(); ++s) {
        const TGridLine& line = *store.Line(firstRow_ + int(s));
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
void TRowSorter::InSlotOrder() {
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
bool TRowSorter::SortDistinctKeys(int sign) {
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
bool TRowSorter::DatesThroughout() const {
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
quint64 TRowSorter::OrderedBits(double value) {
    const quint64 bits = std::bit_cast<quint64>(value == 0 ? 0.0 : value);
    return bits & (quint64(1) << 63) ? ~bits : bits | (quint64(1) << 63);
}

// Sorts by a 64-bit key, 16 bits at a time from the lowest (digits all items share are
// passed over); items of equal keys keep their order.
template <typename TItem, typename TKey>
void TRowSorter::SortByKey(std::vector<TItem>& items, const TKey& key) {
    if (items.size() >= kRadixItems)
        RadixSort(items, key);
    else
        std::stable_sort(items.begin(), items.end(),
                         [&](const TItem& a, const TItem& b) { return key(a) < key(b); });
}

template <typename TItem, typename TKey>
void TRowSorter::RadixSort(std::vector<TItem>& items, const TKey& key) {
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
int TRowSorter::CompareRecords(const TSortRecord& a, const TSortRecord& b, int direction) const {
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
        result =
            a.Head != b.Head ? (a.Head < b.Head ? -1 : 1) : CompareCodeUnits(texts_[a.Slot], texts_[b.Slot]);
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

TSortKey& TRowSorter::Key(int col, int row) {
    std::vector<TSortKey>& keys = columns_[size_t(col)];
    if (keys.empty()) {
        keys.resize(records_.size());
        for (int r = firstRow_; r <= lastRow_; ++r) {
            const size_t at = eager_ && Moves(col) ? Record(r).Slot : size_t(Position(r));
            SetKeyText(keys[at], grid_.GetGridCells(col, r));
        }
    }
    return keys[Moves(col) ? Record(row).Slot : size_t(Position(row))];
}

int TRowSorter::CompareCells(int col, int a, int b, int direction) {
    if (col == firstColumn_) return CompareRecords(Record(a), Record(b), direction);
    return comparer_.Compare(col, Key(col, a), DataRow(col, a), Key(col, b), DataRow(col, b), direction);
}

// A row compared with itself (the pivot met in its own place) is equal in every style.
int TRowSorter::CompareRows(int col, int a, int b) {
    if (a == b) return 0;
    const int result = CompareCells(col, a, b, descending_ ? 1 : 0);
    return result != 0 || !full_ ? result : CompareTies(col, a, b);
}

// Rows equal in column col: the columns after it decide (Full).
int TRowSorter::CompareTies(int col, int a, int b) {
    const int last = int(columns_.size()) - 1;
    int result = 0;
    if (col + 1 == tieColumn_) {
        const quint32 ra = Record(a).TieRank, rb = Record(b).TieRank;
        if (ra != rb) return ra < rb ? -1 : 1;
        ++col; // equal there too
    }
    while (result == 0 && col < last) result = CompareCells(++col, a, b, descending_ ? 1 : 0);
    return result;
}

int TRowSorter::CompareIndexed(int a, int b) {
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

void TRowSorter::Swap(int a, int b) {
    if (eager_) grid_.SwapRows(a, b);
    std::swap(Record(a), Record(b));
}

// Partitions a range may go through before heapsort finishes it: far more than random input
// needs (about 3 log2 n), so that only degenerate input (organ-pipe: each partition takes two
// rows off) ends in heapsort.
int TRowSorter::DepthLimit() const {
    int depth = 8;
    for (size_t n = records_.size(); n > 1; n /= 2) depth += 4;
    return depth;
}

// The bounded Hoare partition of rows l..r: i walks up while the pivot compares as sign
// against row i, j walks down while row j compares as sign against the pivot; rows i and j
// are exchanged unless they are the same row or (compareEqual) compare equal.
template <typename TCompare>
void TRowSorter::Hoare(int l, int r, int depth, int sign, bool compareEqual, const TCompare& compare) {
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
template <typename TCompare> void TRowSorter::HeapSort(int l, int r, int sign, const TCompare& compare) {
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

void PutColumnBack(TVevIvizudEvar& grid, int col, int firstRow, const std::vector<int>& origin) {
    TCellStore& store = grid.CellStore();
    TGridLine cells = store.TakeColumn(col);
    TGridLine back(cells.size());
    for (size_t r = 0; r < cells.size(); ++r)
        if (int(r) < firstRow || int(r) >= firstRow + int(origin.size())) back[r] = std::move(cells[r]);
    for (size_t p = 0; p < origin.size(); ++p)
        back[size_t(firstRow + origin[p])] = std::move(cells[size_t(firstRow) + p]);
    store.PutColumn(col, std::move(back));
}

bool KeepsFirstColumn(TVevIvizudEvar& grid) {
    const TSortSettings& s = grid.SortSettings;
    return s.NormalCellsOnly && grid.FixedCols() > 0 && (!s.SingleColumn || s.Column == 0);
}

int ColumnMovedAlone(TVevIvizudEvar& grid) {
    if (grid.SortSettings.SingleColumn) return grid.SortSettings.Column;
    return KeepsFirstColumn(grid) ? 0 : -1;
}

} // namespace gridsort
