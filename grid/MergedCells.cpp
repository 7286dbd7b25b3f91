// Merging and splitting blocks, and how the current cell moves around them (keys, wheel,
// selection, scrolling) in TBaseGrid.
#include "grid/BaseGrid.h"

// The block is cut to the grid; blocks it overlaps are split first, so blocks never overlap and
// no member points outside the grid. A block that is cut to a single cell merges nothing.
void TBaseGrid::MergeCells(int col, int row, int numCols, int numRows) {
    if (numCols < 1 || numRows < 1) return;
    const int left = std::max(col, 0), top = std::max(row, 0);
    const int right = std::min(col + numCols, AllColCount()) - 1;
    const int bottom = std::min(row + numRows, RowCount()) - 1;
    if (right < left || bottom < top) return;
    const bool cut = left != col || top != row || right - left + 1 != numCols || bottom - top + 1 != numRows;
    if (cut && right == left && bottom == top) return;
    for (int r = top; r <= bottom; ++r)
        for (int c = left; c <= right; ++c)
            if (IsMergedCell(c, r)) SplitCells(c, r);
    SetMergedBlock(left, top, right - left + 1, bottom - top + 1);
}

void TBaseGrid::SplitCells(int col, int row) {
    if (!HasCellProperties(col, row)) return;
    ClearMergedBlock(col, row);
}

void TBaseGrid::SetMergedBlock(int col, int row, int numCols, int numRows) {
    for (int r = row; r < row + numRows; ++r)
        for (int c = col; c < col + numCols; ++c) {
            TCellProperties* p = GetCellProperties(c, r);
            p->IsBaseCell = c == col && r == row;
            p->CellSpanX = p->IsBaseCell ? numCols - 1 : c - col;
            p->CellSpanY = p->IsBaseCell ? numRows - 1 : r - row;
        }
    for (int r = row; r < row + numRows; ++r)
        for (int c = col; c < col + numCols; ++c) RepaintStoreCell(c, r);
}

void TBaseGrid::ClearMergedBlock(int col, int row) {
    const TGridCoord base = BaseCell(col, row);
    const TGridCoord span = CellSpan(col, row);
    for (int r = base.Y; r <= base.Y + span.Y && r < RowCount(); ++r)
        for (int c = base.X; c <= base.X + span.X; ++c) {
            TCellProperties* p = CellProperties(c, r);
            if (!p) continue;
            p->IsBaseCell = true;
            p->CellSpanX = p->CellSpanY = -1;
            RepaintStoreCell(c, r);
        }
}

bool TBaseGrid::RowsShareMerge(int row1, int row2) const {
    bool any = false;
    for (int c = 0; c < AllColCount(); ++c) {
        if (!IsVertMerged(c, row1) || !IsVertMerged(c, row2)) continue;
        any = true;
        if (BaseCell(c, row1).Y != BaseCell(c, row2).Y) return false;
    }
    return any;
}

// The current cell is a shown column, the block is kept by store columns.
void TBaseGrid::SnapToBaseCell() {
    const int storeCol = StoreCol(Col());
    if (!HasCellProperties(storeCol, Row())) return;
    const TGridCoord base = BaseCell(storeCol, Row());
    if (base.X != storeCol) SetCol(ShownCol(base.X));
    if (base.Y != Row()) SetRow(base.Y);
}

// Before the inherited key handling: a key that would land inside a block is moved so that the
// inherited step lands beside it. A block never spans a hidden column, so it shows as many
// columns as it holds.
void TBaseGrid::StepBeforeKey(int key) {
    if (key == VK_NEXT) {
        if (TopRow() + VisibleRowCount() - FixedRows() == RowCount() - 1 && LastRowIsFooter &&
            RowCount() >= 2)
            SetRow(RowCount() - 2);
        return;
    }
    const int storeCol = StoreCol(Col());
    if (!HasCellProperties(storeCol, Row())) return;
    const TGridCoord storeBase = BaseCell(storeCol, Row());
    const TCellProperties* b = CellProperties(storeBase.X, storeBase.Y);
    const int spanX = b ? std::max(b->CellSpanX, 0) : 0, spanY = b ? std::max(b->CellSpanY, 0) : 0;
    const TGridCoord base{ShownCol(storeBase.X), storeBase.Y};
    switch (key) {
    case VK_LEFT:
        // From a member the step starts at the base column, so it lands just left of the block.
        if (base.X < Col() && Col() > FixedCols() && base.X > 0) SetCol(std::max(base.X, FixedCols()));
        break;
    case VK_UP:
        if (base.Y < Row() && Row() > FixedRows() && base.Y > 0) SetRow(std::max(base.Y, FixedRows()));
        break;
    case VK_RIGHT:
        if (base.X + spanX >= Col() && Col() < ColCount() - 1 && base.X < ColCount() - 1)
            SetCol(std::min(base.X + spanX, ColCount() - 1));
        break;
    case VK_DOWN:
        if (base.Y + spanY >= Row() && Row() < RowCount() - 1 && base.Y < RowCount() - 1)
            SetRow(std::min(base.Y + spanY, RowCount() - 1));
        break;
    default:
        break;
    }
}

void TBaseGrid::KeyDown(int& key, TShiftState shift) {
    StepBeforeKey(key);
    TStringGrid::KeyDown(key, shift);
    SnapToBaseCell();
}

bool TBaseGrid::DoMouseWheelDown(TShiftState shift, TPoint pos) {
    const bool result = TStringGrid::DoMouseWheelDown(shift, pos);
    if (VisibleRowCount() < Row() - TopRow() && Row() < RowCount() - 1 && LastRowIsFooter)
        SetTopRow(TopRow() + 1);
    SnapToBaseCell();
    return result;
}

bool TBaseGrid::DoMouseWheelUp(TShiftState shift, TPoint pos) {
    const bool result = TStringGrid::DoMouseWheelUp(shift, pos);
    SnapToBaseCell();
    return result;
}

bool TBaseGrid::SelectCell(int col, int row) {
    RepaintCell(Col(), Row());
    const bool result = TStringGrid::SelectCell(col, row);
    RepaintCell(col, row);
    return result;
}

void TBaseGrid::RepaintMergedCellsAtEdges() {
    const int lastCol = std::min(LeftCol() + VisibleColCount(), ColCount() - 1);
    const int lastRow = std::min(TopRow() + VisibleRowCount(), RowCount() - 1);
    for (int r = 0; r < FixedRows(); ++r)
        for (int c = LeftCol(); c <= lastCol; ++c)
            if (IsMergedCell(StoreCol(c), r)) RepaintCell(c, r);
    for (int c = 0; c < FixedCols(); ++c)
        for (int r = TopRow(); r <= lastRow; ++r)
            if (IsMergedCell(StoreCol(c), r)) RepaintCell(c, r);
}

void TBaseGrid::TopLeftChanged() {
    TStringGrid::TopLeftChanged();
    RepaintMergedCellsAtEdges();
}
