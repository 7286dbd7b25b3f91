// Moving on to the next cell after Enter (TVevIvizudEvar::CommitAndAdvance): row-wise or
// column-wise, stepping over merged blocks, wrapping at the end of the data area or growing the
// grid by a row or a column, and skipping cells that cannot be edited.
#include "grid/AdvancedGrid.h"

void TVevIvizudEvar::AdvanceTarget(int& col, int& row, bool forward) {
    const TGridCoord span = CellSpan(DisplToRealCol(col), row);
    const int firstCol = FirstSelectableCol(), firstRow = TBaseGrid::FixedRows();
    const bool leftRight = Navigation.AdvanceDirection == TAdvanceDirection::adLeftRight;
    const int lastCol = ColCount() - 1 - (forward && leftRight ? VisibleRightFixedCols() : fixedRightCols_);
    const int lastRow = DataRowEnd() - 1;
    if (forward && leftRight) {
        if (col + span.X >= lastCol) {
            if (row >= lastRow) {
                if (!Navigation.AdvanceInsert) {
                    col = firstCol, row = firstRow;
                    return;
                }
                const bool canAdd = CanAddRow();
                col = firstCol;
                if (canAdd) {
                    AddRow();
                    ++row;
                    DoAutoAddRow(DataRowEnd() - 1);
                }
            } else {
                col = firstCol, ++row;
            }
        } else {
            col += 1 + span.X;
        }
    } else if (forward) {
        if (row >= lastRow) {
            if (col >= lastCol) {
                if (!Navigation.AdvanceInsert) {
                    col = firstCol, row = firstRow;
                    return;
                }
                SetColCount(ColCount() + 1);
                col += 1 + span.X;
                row = firstRow;
                DoAutoInsertCol(ColCount() - 1 - fixedRightCols_);
            } else {
                col += 1 + span.X;
                row = firstRow;
                if (col >= ColCount()) col = firstCol;
            }
            InvalidateGrid();
        } else {
            ++row;
        }
    } else if (leftRight) {
        if (col > firstCol)
            --col;
        else if (row > firstRow)
            col = lastCol, --row;
        else
            col = lastCol, row = lastRow;
    } else {
        if (row > firstRow)
            --row;
        else if (col > firstCol)
            row = lastRow, --col;
        else
            col = lastCol, row = lastRow;
    }
    col = std::clamp(col, 0, ColCount() - 1);
    row = std::clamp(row, 0, RowCount() - 1);
}

void TVevIvizudEvar::CommitAndAdvance(int col, int row, bool forward, bool keepEditing, bool force) {
    if (!Navigation.AdvanceOnEnter && !force) return;
    if (MouseActions.RangeSelectAndEdit && !TBaseGrid::Options().Contains(goEditing))
        TBaseGrid::SetOptions(TBaseGrid::Options() + goEditing);
    // While the grid edits, cells that cannot be edited are skipped (a grid that does not edit has
    // no such cells to skip). The walk ends where it began when no cell can be edited, and after
    // the grid has grown once.
    const bool editing =
        TBaseGrid::Options().Contains(goEditing) || editingSwitched_ || MouseActions.RangeSelectAndEdit;
    int c = col, r = row;
    for (int tries = ColCount() * RowCount() + 1; tries > 0; --tries) {
        const int rows = RowCount(), cols = ColCount();
        AdvanceTarget(c, r, forward);
        const bool grew = RowCount() != rows || ColCount() != cols;
        if (!editing || grew || IsEditableCell(DisplToRealCol(c), r) || (c == col && r == row)) break;
    }
    bool allow = true;
    cellChangingSuppressed_ = true;
    if (c != Col() || r != Row()) CellChanging(Row(), Col(), r, c, allow);
    if (allow) {
        SetCol(c);
        SetCurrentRow(r);
    } else {
        SwitchEditing(RealCol(), Row());
    }
    cellChangingSuppressed_ = false;
    if ((keepEditing || HasClickableGraphic(DisplToRealCol(c), r)) && IsEditableCell(DisplToRealCol(c), r) &&
        !HasClickableGraphic(DisplToRealCol(c), r))
        ShowEditor();
}
