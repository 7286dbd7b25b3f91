// Sorting the rows of TVevIvizudEvar: by one column, by the sort index list, inside the child rows
// of each expanded node, and putting the rows back in the order they had before sorting.
//
// Merged blocks across the rows a sort reorders cannot follow their rows: they are split first
// (SplitBlocksRowOrderTears), as are blocks across the column that moves alone (SingleColumn) or
// stays (NormalCellsOnly); blocks within one row move with it. So Verify() holds after every sort.
//
// How two cells compare: SortComparer.h; how a range of rows is sorted: RowSorter.h; the order
// before sorting and RestoreRowOrder: RowOrder.cpp.
#include "grid/AdvancedGrid.h"

#include "grid/GridError.h"
#include "grid/RowSorter.h"

#include <algorithm>

using namespace gridsort;

namespace {

enum TSortKind { kByColumn, kByIndexes, kNodeRows };

void CheckColumn(const TVevIvizudEvar& grid, int col) {
    if (col < 0 || col >= grid.AllColCount()) throw EVozAvozError("Invalid column accessed");
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

// What every sort does around its exchanges: the open editor writes its value first; the first sort
// takes the order before sorting, the others keep it (with the rows added at the end since);
// nothing repaints meanwhile; the current row then follows its data (node sorts, MoveRowOnSort) or
// stays on its row number, whose new data OnRowUpdate then reports.
void TVevIvizudEvar::SortWith(int kind, const std::function<void()>& sort) {
    EndPendingChange();
    if (unsortedRowOrder_.empty())
        ResetRowOrder();
    else
        AlignRowOrder(RealRowCount());
    const int before = Row();
    followRow_ = before;
    {
        BeginUpdate();
        struct TEnd {
            TVevIvizudEvar& Grid;
            ~TEnd() { Grid.EndUpdate(); }
        } end{*this};
        sort();
        KeepNodeSpansInside();
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
