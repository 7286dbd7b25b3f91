// Drags out of TVevIvizudEvar: the selected cells as text, or a header cell as its column, run
// through the grid's drag runner, and what a move does to the cells afterwards.
//
// A drag of cells offers the selection's text (GetSelectionText). Rich text goes with it only when
// a single cell is dragged: a drop that takes the rich text writes one cell, so a move of several
// cells through it would lose the others. After a move, with OleRemoveRows in row-select mode the
// dragged rows are removed, else (unless OleCopyAlways) the dragged cells are emptied, the cells
// that cannot be pasted into left as they are. A drop of the cells into this grid itself is never
// undone by that: the rows followed through the rows it inserted, and the cells it wrote, stay.
// When the move would leave some of the dragged cells where they are (cells that cannot be
// written, OleCopyAlways), the drag offers a copy only and reports a copy.
// A drag of a column carries no cells: whatever its effect, the grid's cells stay.
#include "grid/AdvancedGrid.h"
#include "grid/GridDragDrop.h"
#include "grid/PopupWindows.h"

#include <QCursor>

void TGridDropSource::CurrentEffect(TDragEffect effect) {
    lastEffect_ = effect;
}

void TGridDropSource::QueryDrag() {
    TPopupButton* image = grid_.DragImage();
    if (image->isVisible() && image->pos() != QCursor::pos()) image->move(QCursor::pos());
}

void TVevIvizudEvar::StartOleDrag(TGridCoord cell) {
    const int real = DisplToRealCol(cell.X);
    bool allow = true;
    OleDrag(cell.Y, real, GetGridCells(real, cell.Y), allow);
    if (!allow) {
        // The press selects from its cell as an ordinary press would have.
        if (GridState() == TGridState::gsNormal && downCell_.X >= TBaseGrid::FixedCols() &&
            downCell_.Y >= TBaseGrid::FixedRows()) {
            MoveCurrent(downCell_.X, downCell_.Y, true, true);
            SetGridState(TGridState::gsSelecting);
            ScrollTimer().start();
        }
        return;
    }
    leftHeld_ = mouseDown_ = false;
    TGridDropSource source(*this);
    OleDragStart(cell.Y, real);
    const Qt::DropActions allowed = Qt::CopyAction | Qt::MoveAction;
    TDragEffect effect = TDragEffect::deNone;
    if (cell.Y < TBaseGrid::FixedRows() && DragDropSettings.OleColumnDragDrop) {
        dragImage_->SetCaption(GetGridCells(real, 0));
        dragImage_->resize(ColWidths(cell.X), RowHeights(0));
        dragImage_->GradFrom = look_ == TGridLook::glVell ? 0xC0C0C0
                               : look_ == TGridLook::glXP ? 0xFFFFFF
                                                          : clNone;
        dragImage_->GradTo = look_ == TGridLook::glVell ? 0xFFFFFF
                             : look_ == TGridLook::glXP ? ColorToRGB(clBtnFace)
                                                        : clNone;
        dragImage_->move(QCursor::pos());
        dragImage_->show();
        dragImage_->raise();
        struct THide {
            TVevIvizudEvar& Grid;
            ~THide() {
                Grid.dragImage_->hide();
                Grid.dropMarkers_[0]->hide();
                Grid.dropMarkers_[1]->hide();
            }
        } hide{*this};
        effect = StartColumnDrag(DragRunner(), this, real, allowed, source);
    } else {
        effect = RunCellDrag(source);
    }
    OleDragStop(effect);
}

TDragEffect TVevIvizudEvar::RunCellDrag(TVzgDropSource& source) {
    const TGridRect sel = Selection();
    cellDrag_ = TCellDrag();
    if (MouseActions.DisjunctRowSelect()) {
        for (int r = TBaseGrid::FixedRows(); r < RowCount(); ++r)
            if (IsMarkedRow(r)) cellDrag_.Rows.push_back(r);
    } else {
        for (int r = sel.Top; r <= sel.Bottom; ++r) cellDrag_.Rows.push_back(r);
    }
    cellDrag_.FirstCol = DragDropSettings.OleEntireRows ? 0 : sel.Left;
    cellDrag_.LastCol = DragDropSettings.OleEntireRows ? ColCount() - 1 : sel.Right;
    QString text, richText;
    GetSelectionText(text);
    if (cellDrag_.Rows.size() == 1 && cellDrag_.FirstCol == cellDrag_.LastCol)
        richText = GetGridCells(DisplToRealCol(cellDrag_.FirstCol), cellDrag_.Rows.front());

    // A move is offered only when it takes the cells away: rows that go, or cells that can all be
    // emptied. Otherwise the drag is a copy, also when a target takes it as a move.
    const bool removeRows = DragDropSettings.OleRemoveRows && TBaseGrid::Options().Contains(goRowSelect);
    const bool movable = removeRows || (!DragDropSettings.OleCopyAlways && DraggedCellsClearable());
    cellDrag_.Running = true;
    struct TEnd {
        TCellDrag& Drag;
        ~TEnd() { Drag.Running = false; }
    } end{cellDrag_};
    TDragEffect effect = StartTextDrag(DragRunner(), this, text, richText, DragDropSettings.OleDropRTF,
                                       movable ? Qt::CopyAction | Qt::MoveAction : Qt::CopyAction, source);
    if (effect == TDragEffect::deMove && !movable) effect = TDragEffect::deCopy;
    if (effect == TDragEffect::deMove) {
        if (removeRows)
            RemoveDraggedRows();
        else
            ClearDraggedCells();
    }
    return effect;
}

bool TVevIvizudEvar::DraggedCellsClearable() {
    for (int r : cellDrag_.Rows)
        for (int c = cellDrag_.FirstCol; c <= cellDrag_.LastCol; ++c)
            if (!MayPasteInto(c, r)) return false;
    return true;
}

void TVevIvizudEvar::DragRowsInserted(int row, int count) {
    if (!cellDrag_.Running) return;
    for (int& r : cellDrag_.Rows)
        if (r >= row) r += count;
}

// Bottom up, each run of neighbouring rows at once.
void TVevIvizudEvar::RemoveDraggedRows() {
    std::vector<int> rows;
    for (int r : cellDrag_.Rows)
        if (!(cellDrag_.Dropped && r >= cellDrag_.Dropped->Top && r <= cellDrag_.Dropped->Bottom))
            rows.push_back(r);
    BeginUpdate();
    struct TEnd {
        TVevIvizudEvar& Grid;
        ~TEnd() { Grid.EndUpdate(); }
    } end{*this};
    for (size_t last = rows.size(); last > 0;) {
        size_t first = last - 1;
        while (first > 0 && rows[first - 1] == rows[first] - 1) --first;
        RemoveRows(rows[first], int(last - first));
        last = first;
    }
}

void TVevIvizudEvar::ClearDraggedCells() {
    if (cellDrag_.Rows.empty()) return;
    BeginUpdate();
    struct TEnd {
        TVevIvizudEvar& Grid;
        ~TEnd() { Grid.EndUpdate(); }
    } end{*this};
    for (int r : cellDrag_.Rows)
        for (int c = cellDrag_.FirstCol; c <= cellDrag_.LastCol; ++c)
            if (!(cellDrag_.Dropped && cellDrag_.Dropped->Contains(c, r)) && MayPasteInto(c, r))
                SetDisplayCell(c, r, QString());
    const int lastRow = std::min(cellDrag_.Rows.back(), RowCount() - 1);
    CellsChanged({DisplToRealCol(cellDrag_.FirstCol), cellDrag_.Rows.front(),
                  DisplToRealCol(cellDrag_.LastCol), lastRow});
}

// ---- Dispatchers ----------------------------------------------------------------------------------

void TVevIvizudEvar::OleDragStart(int row, int col) {
    if (OnOleDragStart) OnOleDragStart(this, row, col);
}

void TVevIvizudEvar::OleDragStop(TDragEffect effect) {
    if (OnOleDragStop) OnOleDragStop(this, effect);
}
