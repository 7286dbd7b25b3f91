// Adding, inserting, removing and clearing rows of TVevIvizudEvar as the keyboard and the advance
// after Enter need them. Rows move with their cells, properties and heights. (The full structure
// operations with hidden columns, nodes and per-row state come with the grid's structure part.)
#include "grid/AdvancedGrid.h"

void TVevIvizudEvar::AddRow() {
    SetRowCount(RowCount() + 1);
    if (FloatingFooter.Visible && RowCount() >= 2) MoveRow(RowCount() - 1, RowCount() - 2);
}

void TVevIvizudEvar::InsertRows(int row, int count) {
    if (count <= 0) return;
    row = std::clamp(row, 0, RowCount());
    BeginUpdate();
    SetRowCount(RowCount() + count);
    for (int i = 0; i < count; ++i) MoveRow(RowCount() - 1, row);
    RowOrderRowsInserted(row, count);
    EndUpdate();
}

void TVevIvizudEvar::RemoveRows(int row, int count) {
    BeginUpdate();
    const int rowsBefore = RowCount();
    for (int i = 0; i < count && row < RowCount() && RowCount() > 1; ++i) DeleteRow(row);
    RowOrderRowsRemoved(row, rowsBefore - RowCount());
    DisplTextRowLimit = RowCount();
    EndUpdate();
}

void TVevIvizudEvar::ClearRows(int row, int count) {
    for (int r = row; r < row + count && r < RowCount(); ++r)
        for (int c = 0; c < AllColCount(); ++c) {
            SetGridCells(c, r, QString());
            if (Objects(c, r)) SetObjects(c, r, nullptr);
        }
}

void TVevIvizudEvar::AutoInsertRow(int row) {
    InsertRows(row, 1);
    DoAutoInsertRow(row);
}

void TVevIvizudEvar::AutoDeleteRow(int row) {
    if (RowCount() - TBaseGrid::FixedRows() - fixedFooters_ == 1 && !FixedRowAlways)
        ClearRows(row, 1);
    else
        RemoveRows(row, 1);
    DoAutoDeleteRow(row);
}
