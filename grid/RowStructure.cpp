// Inserting, removing and clearing rows and columns of TVevIvizudEvar, and merging equal cells of
// a column.
//
// Rows are inserted and removed in one place each (InsertDisplayRows, EraseDisplayRows): every
// structure operation, the row count and the keyboard's row commands go through them. There the
// grid's per-row state moves with the rows: cells (texts and the properties and graphics they
// own, which move with their row and are destroyed only with it), heights, selection flags, the
// real numbers of hidden rows, node spans and merged blocks (see MergedAreas.cpp). Columns move
// likewise with their cells in every row, hidden rows included, their widths and hidden flags.
#include "grid/AdvancedGrid.h"

#include <algorithm>

namespace {

// How many of the ascending numbers are below the value, and how many lie in lo..hi.
int CountBelow(const std::vector<int>& sorted, int value) {
    return int(std::lower_bound(sorted.begin(), sorted.end(), value) - sorted.begin());
}

int CountIn(const std::vector<int>& sorted, int lo, int hi) {
    return hi < lo ? 0 : CountBelow(sorted, hi + 1) - CountBelow(sorted, lo);
}

} // namespace

// ---- Rows ------------------------------------------------------------------------------------------

void TVevIvizudEvar::InsertDisplayRows(int row, int count) {
    TStructureChange change(*this);
    const int realAt = RealInsertRow(row);
    const bool appended = row >= DataRowEnd(); // below the data rows, above any footer rows
    std::vector<TMergedArea> areas = TakeMergedAreas(row, row, 0, AllColCount() - 1);
    for (TMergedArea& area : areas) {
        if (area.Row < realAt && realAt <= area.Bottom())
            area.Rows += count; // rows inserted inside a block join it
        else if (area.Row >= realAt)
            area.Row += count;
    }
    if (nodeCount_ > 0)
        ForEachNode([&](int realRow, TCellGraphic& node) {
            if (node.CellIndex > 0 && realRow < realAt && realAt < realRow + node.CellIndex)
                node.CellIndex += count;
        });
    for (TGridItem& item : hiddenRows_)
        if (item.Idx >= realAt) item.Idx += count;
    std::vector<bool>& flags = rowSelect_;
    const int flagAt = MouseActions.RowSelectPersistent ? realAt : row;
    if (size_t(flagAt) < flags.size()) flags.insert(flags.begin() + flagAt, size_t(count), false);

    const int oldCount = RowCount();
    ChangeRowCount(oldCount + count); // empty rows at the end, moved to their place below
    CellStore().InsertRows(row, count);
    CellStore().EraseRows(oldCount + count, count);
    InsertLineSizes(false, row, count);
    PutMergedAreas(std::move(areas));
    RowOrderRowsInserted(realAt, count, appended);
}

void TVevIvizudEvar::EraseDisplayRows(int row, int count) {
    TStructureChange change(*this);
    std::vector<int> reals;
    for (int r = row; r < row + count; ++r) reals.push_back(DisplToRealRow(r));
    std::vector<TMergedArea> areas = TakeMergedAreas(row, row + count - 1, 0, AllColCount() - 1);
    for (TMergedArea& area : areas) {
        const int inside = CountIn(reals, area.Row, area.Bottom());
        area.Row -= CountBelow(reals, area.Row);
        area.Rows -= inside;
    }
    if (nodeCount_ > 0)
        ForEachNode([&](int realRow, TCellGraphic& node) {
            if (std::binary_search(reals.begin(), reals.end(), realRow))
                --nodeCount_; // goes with its row
            else if (node.CellIndex > 0)
                node.CellIndex -= CountIn(reals, realRow + 1, realRow + node.CellIndex - 1);
        });
    for (TGridItem& item : hiddenRows_) item.Idx -= CountBelow(reals, item.Idx);
    std::vector<bool>& flags = rowSelect_;
    if (MouseActions.RowSelectPersistent) {
        for (auto it = reals.rbegin(); it != reals.rend(); ++it)
            if (size_t(*it) < flags.size()) flags.erase(flags.begin() + *it);
    } else if (size_t(row) < flags.size()) {
        flags.erase(flags.begin() + row, flags.begin() + std::min(size_t(row + count), flags.size()));
    }

    const int newCount = RowCount() - count;
    CellStore().EraseRows(row, count);
    CellStore().InsertRows(newCount, count); // empty rows that the smaller count drops
    EraseLineSizes(false, row, count);
    TBaseGrid::SetRowCount(newCount);
    DisplTextRowLimit = RowCount();
    PutMergedAreas(std::move(areas));
    RowOrderRowsRemoved(reals);
}

void TVevIvizudEvar::InsertRows(int row, int count) {
    if (count < 1) return;
    InsertDisplayRows(std::clamp(row, 0, RowCount()), count);
}

// The current row keeps its number while rows remain below it; else it goes to the new last data
// row, and without data rows the selection is hidden.
void TVevIvizudEvar::RemoveRows(int row, int count) {
    if (count < 1 || row < 0 || row >= RowCount()) return;
    count = std::min(count, RowCount() - row);
    TStructureChange change(*this);
    if (count == RowCount()) {
        // A grid keeps one row: the first is emptied instead of removed.
        ClearRows(0, 1);
        ++row, --count;
        if (count == 0) return;
    }
    const int current = Row(), top = TopRow(), col = Col();
    EraseDisplayRows(row, count);
    const int dataEnd = DataRowEnd();
    if (current < dataEnd) {
        SetSelection({col, current, col, current});
        SetTopRow(std::min(top, RowCount() - 1));
    } else if (dataEnd > FixedRows()) {
        SetSelection({col, dataEnd - 1, col, dataEnd - 1});
    } else {
        HideSelection();
    }
    CellsChanged({0, std::min(row, RowCount() - 1), ColCount() - 1, std::min(row + count, RowCount() - 1)});
    RepaintFooter();
}

void TVevIvizudEvar::DeleteRow(int row) {
    if (row < 0 || row >= RowCount()) throw EGridError("Grid index out of range");
    if (RowCount() > 1) EraseDisplayRows(row, 1); // a grid keeps one row
}

void TVevIvizudEvar::RemoveRowsShifted(int row, int count) {
    RemoveRows(row, count);
}

void TVevIvizudEvar::RemoveRowsFull(int row, int count) {
    RemoveRows(row, count);
}

void TVevIvizudEvar::RemoveSelectedRows() {
    TStructureChange change(*this);
    if (!MouseActions.DisjunctRowSelect()) {
        const TGridRect sel = Selection();
        for (int r = sel.Top; r <= sel.Bottom; ++r) {
            const int flag = MouseActions.RowSelectPersistent ? DisplToRealRow(r) : r;
            if (size_t(flag) >= rowSelect_.size()) rowSelect_.resize(size_t(flag) + 1, false);
            rowSelect_[size_t(flag)] = true;
        }
    }
    for (int r = TBaseGrid::FixedRows(); r < DataRowEnd();) {
        const int flag = MouseActions.RowSelectPersistent ? DisplToRealRow(r) : r;
        const bool marked = size_t(flag) < rowSelect_.size() && rowSelect_[size_t(flag)];
        if (!marked) {
            ++r;
            continue;
        }
        const int before = RowCount();
        RemoveRows(r, 1);
        if (RowCount() == before) break; // the last row was emptied, not removed
    }
}

void TVevIvizudEvar::AddRow() {
    InsertRows(DataRowEnd(), 1);
}

void TVevIvizudEvar::AutoInsertRow(int row) {
    InsertRows(row, 1);
    DoAutoInsertRow(row);
}

void TVevIvizudEvar::AutoDeleteRow(int row) {
    if (DataRowEnd() - TBaseGrid::FixedRows() == 1 && !FixedRowAlways)
        ClearRows(row, 1);
    else
        RemoveRows(row, 1);
    DoAutoDeleteRow(row);
}

// ---- Columns ---------------------------------------------------------------------------------------

void TVevIvizudEvar::InsertRealColumns(int realCol, int count, int displayCol) {
    TStructureChange change(*this);
    std::vector<TMergedArea> areas = TakeMergedAreas(0, RowCount() - 1, realCol, realCol);
    for (TMergedArea& area : areas) {
        if (area.Col < realCol && realCol <= area.Right())
            area.Cols += count;
        else if (area.Col >= realCol)
            area.Col += count;
    }
    CellStore().InsertColumns(realCol, count);
    for (TGridItem& item : hiddenRows_)
        if (realCol < int(item.Items.size()))
            for (int i = 0; i < count; ++i) item.Items.insert(item.Items.begin() + realCol, TGridCell());
    columns_.Insert(realCol, count);
    if (size_t(displayCol) < colSelect_.size())
        colSelect_.insert(colSelect_.begin() + displayCol, size_t(count), false);
    std::vector<int> widths = LineSizes(true);
    widths.insert(widths.begin() + displayCol, size_t(count), DefaultColWidth());
    TBaseGrid::SetColCount(ColCount() + count);
    SetLineSizes(true, widths);
    PutMergedAreas(std::move(areas));
}

void TVevIvizudEvar::EraseRealColumns(const std::vector<int>& realCols, const std::vector<int>& displayCols) {
    TStructureChange change(*this);
    std::vector<TMergedArea> areas = TakeMergedAreas(0, RowCount() - 1, realCols.front(), realCols.back());
    for (TMergedArea& area : areas) {
        const int inside = CountIn(realCols, area.Col, area.Right());
        area.Col -= CountBelow(realCols, area.Col);
        area.Cols -= inside;
    }
    for (auto it = realCols.rbegin(); it != realCols.rend(); ++it) {
        if (*it == 0) {
            // Nodes live in the first column: they go with it.
            for (int r = 0; r < RowCount(); ++r)
                if (GetCellType(0, r) == TCellType::ctNode) --nodeCount_;
            for (const TGridItem& item : hiddenRows_) {
                const auto* p = item.Items.empty()
                                    ? nullptr
                                    : dynamic_cast<const TCellProperties*>(item.Items[0].Object.get());
                if (p && p->CellGraphic && p->CellGraphic->CellType == TCellType::ctNode) --nodeCount_;
            }
        }
        CellStore().EraseColumns(*it, 1);
        for (TGridItem& item : hiddenRows_)
            if (*it < int(item.Items.size())) item.Items.erase(item.Items.begin() + *it);
        columns_.Erase(*it, 1);
    }
    std::vector<int> widths = LineSizes(true);
    for (auto it = displayCols.rbegin(); it != displayCols.rend(); ++it) {
        widths.erase(widths.begin() + *it);
        if (size_t(*it) < colSelect_.size()) colSelect_.erase(colSelect_.begin() + *it);
    }
    TBaseGrid::SetColCount(int(widths.size()));
    SetLineSizes(true, widths);
    PutMergedAreas(std::move(areas));
}

void TVevIvizudEvar::InsertCols(int col, int count) {
    if (count < 1) return;
    col = std::clamp(col, 0, ColCount());
    InsertRealColumns(col < ColCount() ? DisplToRealCol(col) : AllColCount(), count, col);
}

void TVevIvizudEvar::RemoveCols(int col, int count) {
    if (count < 1 || col < 0 || col >= ColCount()) return;
    count = std::min(count, ColCount() - col);
    if (count == ColCount()) {
        // A grid keeps one column: the first is emptied instead of removed.
        ClearCols(0, 1);
        ++col, --count;
        if (count == 0) return;
    }
    std::vector<int> reals, displays;
    for (int c = col; c < col + count; ++c) {
        reals.push_back(DisplToRealCol(c));
        displays.push_back(c);
    }
    EraseRealColumns(reals, displays);
    CellsChanged({std::min(col, ColCount() - 1), 0, std::min(col + count, ColCount() - 1), RowCount() - 1});
    RepaintFooter();
}

// ---- Clearing --------------------------------------------------------------------------------------

// Texts become empty and properties (with the graphics they own) are destroyed; a block the cleared
// cells belong to is split first, so no member is left without its base.
void TVevIvizudEvar::ClearRealRect(int col1, int row1, int col2, int row2) {
    col1 = std::max(col1, 0), row1 = std::max(row1, 0);
    col2 = std::min(col2, AllColCount() - 1), row2 = std::min(row2, RowCount() - 1);
    if (col2 < col1 || row2 < row1) return;
    TStructureChange change(*this);
    for (int r = row1; r <= row2; ++r)
        for (int c = col1; c <= col2; ++c)
            if (IsMergedCell(c, r)) SplitCells(c, r);
    for (int r = row1; r <= row2; ++r)
        for (int c = col1; c <= col2; ++c) {
            if (Objects(c, r)) {
                if (c == 0 && GetCellType(0, r) == TCellType::ctNode) --nodeCount_;
                SetObjects(c, r, nullptr);
            }
            if (!Cells(c, r).isEmpty()) SetCells(c, r, QString());
        }
}

void TVevIvizudEvar::ClearRect(int col1, int row1, int col2, int row2) {
    col1 = std::max(col1, 0), row1 = std::max(row1, 0);
    col2 = std::min(col2, ColCount() - 1), row2 = std::min(row2, RowCount() - 1);
    if (col2 < col1 || row2 < row1) return;
    {
        TStructureChange change(*this);
        for (int c = col1; c <= col2; ++c) {
            const int real = DisplToRealCol(c);
            ClearRealRect(real, row1, real, row2);
        }
    }
    CellsChanged({col1, row1, col2, row2});
}

void TVevIvizudEvar::ClearRows(int row, int count) {
    if (count < 1 || row < 0 || row >= RowCount()) return;
    const int last = std::min(row + count, RowCount()) - 1;
    ClearRealRect(0, row, AllColCount() - 1, last);
    CellsChanged({0, row, ColCount() - 1, last});
}

void TVevIvizudEvar::ClearCols(int col, int count) {
    if (count < 1) return;
    ClearRect(col, 0, col + count - 1, RowCount() - 1);
}

void TVevIvizudEvar::ClearAll() {
    TStructureChange change(*this);
    if (NodeCount() > 0) RemoveAllNodes();
    ClearRealRect(0, 0, AllColCount() - 1, RowCount() - 1);
    CellsChanged({0, 0, ColCount() - 1, RowCount() - 1});
}

// ---- Merging equal cells of a column ---------------------------------------------------------------

void TVevIvizudEvar::SplitColumnMerges(int col) {
    TStructureChange change(*this);
    for (int r = 0; r < DataRowEnd(); ++r) {
        if (!IsMergedCell(col, r) || !IsBaseCellAt(col, r)) continue;
        const int span = CellSpan(col, r).Y;
        SplitCells(col, r);
        r += span;
    }
}

// Runs of equal texts below the fixed rows become merged cells. Without allRuns a run also ends
// where the rows stop sharing a merged cell in the columns to the left (so the merges of a column
// nest inside those of the columns before it).
void TVevIvizudEvar::MergeEqualCells(int col, bool allRuns) {
    TStructureChange change(*this);
    const int first = TBaseGrid::FixedRows(), last = DataRowEnd() - 1;
    auto merge = [&](int start, int end) {
        if (end > start) MergeCells(col, start, 1, end - start + 1);
    };
    auto sameAreaToTheLeft = [&](int upper, int lower) {
        bool shared = false;
        for (int c = 0; c < col; ++c) {
            const bool a = IsVertMerged(c, upper), b = IsVertMerged(c, lower);
            if (a != b) return false;
            if (!a) continue;
            if (BaseCell(c, upper) != BaseCell(c, lower)) return false;
            shared = true;
        }
        return shared;
    };
    int start = first;
    for (int r = first + 1; r <= last; ++r) {
        const bool equal = GetGridCells(col, r) == GetGridCells(col, r - 1);
        if (equal && (allRuns || sameAreaToTheLeft(r - 1, r))) continue;
        merge(start, r - 1);
        start = r;
    }
    merge(start, last);
}

bool TVevIvizudEvar::StartsWithRichText(int col, int row) {
    return GetGridCells(col, row).startsWith(QStringLiteral("{\\"));
}
