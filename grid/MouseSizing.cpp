// Sizing and moving rows and columns with the mouse in TVevIvizudEvar: the application's veto of
// a sizing or a move, the sizing hint ("cw=<b>74</b>": the width the column takes when let go),
// sizing of fixed columns, the drag image, drop markers and auto-scroll of a move, the selection
// resizer that stretches the selection and fills it from the clipboard. (Drags of cells or a column
// out of the grid: DragSource.cpp.)
#include "grid/AdvancedGrid.h"

#include "grid/PopupWindows.h"
#include "platform/ui/Glyphs.h"
#include "platform/ui/HintWindow.h"

#include <QApplication>
#include <QCursor>

// ---- Sizing ---------------------------------------------------------------------------------------------

// A border found by the class library is offered to the application: the column 6 pixels left of
// the pointer (the row 6 pixels above it) may refuse to be sized.
void TVevIvizudEvar::CalcSizingState(int x, int y, TGridState& state, int& index, int& sizingPos,
                                     int& sizingOfs) {
    TBaseGrid::CalcSizingState(x, y, state, index, sizingPos, sizingOfs);
    bool allow = true;
    if (state == TGridState::gsColSizing) {
        const TGridCoord c = MouseCoord(x - 6, y);
        if (c.X >= 0 && c.Y >= 0 && c.Y < TBaseGrid::FixedRows()) DoColumnSize(c.X, allow);
    } else if (state == TGridState::gsRowSizing) {
        const TGridCoord c = MouseCoord(x, y - 6);
        if (c.X >= 0 && c.Y >= 0 && c.X < TBaseGrid::FixedCols()) DoRowSize(c.Y, allow);
    }
    if (!allow) {
        state = TGridState::gsNormal;
        index = -1;
    }
}

// While a column or row is sized (or a fixed column), with HintShowSizing: the size it takes when
// let go, at the top-left corner of the sized cell.
void TVevIvizudEvar::ShowSizingHint(int x, int y) {
    if (!HintShowSizing) return;
    QString text;
    TGridCoord corner;
    const TGridState state = GridState();
    if (fixedSizing_) {
        text = QStringLiteral("cw=<b>%1</b>").arg(fixedSizingX_);
        corner = {0, 0};
    } else if (state == TGridState::gsColSizing) {
        corner = sizedCell_.X < 0 ? TGridCoord{ColCount() - 1, 0} : sizedCell_;
        const TRect r = UnclippedCellRect(corner.X, corner.Y);
        text = QStringLiteral("cw=<b>%1</b>").arg(x - r.Left - sizeOffset_.X);
    } else if (state == TGridState::gsRowSizing) {
        corner = sizedCell_.Y < 0 ? TGridCoord{0, RowCount() - 1} : sizedCell_;
        const TRect r = UnclippedCellRect(corner.X, corner.Y);
        text = QStringLiteral("rh=<b>%1</b>").arg(y - r.Top - sizeOffset_.Y);
    } else {
        return;
    }
    const TRect r = UnclippedCellRect(corner.X, corner.Y);
    ShowHintAt(text, FromQPoint(viewport()->mapToGlobal(QPoint(r.Left, r.Top))));
}

void TVevIvizudEvar::FinishFixedSizing(int x) {
    fixedSizing_ = false;
    const int col = fixedBorderCol_;
    InvalidateGrid();
    if (col < 0 || col >= ColCount()) return;
    int left = 0;
    for (int i = 0; i < col; ++i) left += ColWidths(i) + TCustomGrid::GridLineWidth();
    const int width = x - left;
    if (width > 0) SetColWidths(col, width);
    DoEndColumnSize(col);
}

// ---- Moving ---------------------------------------------------------------------------------------------

// Every move of the pointer during a row or column move asks the application; a refusal ends the
// move at once.
bool TVevIvizudEvar::VetoMove() {
    const bool columns = GridState() == TGridState::gsColMoving;
    bool allow = true;
    columns ? DoColumnMove(moveOrigin_, allow) : DoRowMove(moveOrigin_, allow);
    if (allow) return false;
    ScrollTimer().stop();
    SetGridState(TGridState::gsNormal);
    SetDragCursor(false);
    dragImage_->hide();
    HideDropMarkers();
    InvalidateGrid();
    return true;
}

void TVevIvizudEvar::EnhancedMove(int x, int y, TGridCoord cell) {
    const bool columns = GridState() == TGridState::gsColMoving;
    const int fixedRows = TBaseGrid::FixedRows(), fixedCols = TBaseGrid::FixedCols();
    // The drag image keeps the place the pressed header had under the pointer.
    if (columns && moveOrigin_ >= fixedCols) {
        dragImage_->SetCaption(GetGridCells(DisplToRealCol(moveOrigin_), 0));
        dragImage_->resize(ColWidths(moveOrigin_), RowHeights(0));
    } else if (!columns && moveOrigin_ >= fixedRows) {
        dragImage_->SetCaption(GetGridCells(0, moveOrigin_));
        dragImage_->resize(ColWidths(0), RowHeights(moveOrigin_));
    }
    dragImage_->update();
    dragImage_->move(viewport()->mapToGlobal(QPoint(x - pressOffset_.X, y - pressOffset_.Y)));
    PlaceDropMarkers(columns);
    moveTarget_ = cell;
    AutoScrollMove(columns, x, y);
    if (!dragImage_->isVisible()) {
        if (look_ == TGridLook::glVell) {
            dragImage_->GradFrom = 0xC0C0C0;
            dragImage_->GradTo = 0xFFFFFF;
        } else if (look_ == TGridLook::glXP) {
            dragImage_->GradFrom = 0xFFFFFF;
            dragImage_->GradTo = ColorToRGB(clBtnFace);
        } else {
            dragImage_->GradFrom = dragImage_->GradTo = clNone;
        }
        dragImage_->show();
    }
    dragImage_->setEnabled(true);
    SetDragCursor(true);
}

// The markers point at the cell that was under the pointer at the previous move.
void TVevIvizudEvar::PlaceDropMarkers(bool columns) {
    const int fixedRows = TBaseGrid::FixedRows(), fixedCols = TBaseGrid::FixedCols();
    const TGridCoord target = moveTarget_;
    auto screen = [this](int col, int row) {
        const TRect r = CellRect(col, row);
        const QPoint p = viewport()->mapToGlobal(QPoint(r.Left, r.Top));
        return Bounds(p.x(), p.y(), r.Width(), r.Height());
    };
    if (columns) {
        const bool shown = target.X >= fixedCols && target.X - LeftCol() < VisibleColCount() &&
                           !CellRect(target.X, 0).IsEmpty();
        if (shown) {
            const TRect r = screen(target.X, 0);
            const int left = target.X < moveOrigin_ ? r.Left - 5 : r.Left - 5 + ColWidths(target.X);
            dropMarkers_[0]->move(left, r.Bottom);
            dropMarkers_[1]->move(left, r.Top - 8);
        }
        dropMarkers_[0]->setVisible(shown);
        dropMarkers_[1]->setVisible(shown);
        return;
    }
    if (target.Y >= DataRowEnd()) return;
    const bool shown =
        target.Y >= fixedRows && target.Y - TopRow() < VisibleRowCount() && !CellRect(0, target.Y).IsEmpty();
    if (shown) {
        const TRect r = screen(0, target.Y);
        const int top = target.Y < moveOrigin_ ? r.Top - 5 : r.Top - 5 + RowHeights(target.Y);
        dropMarkers_[2]->move(r.Left - 10, top);
        dropMarkers_[3]->move(r.Right, top);
    }
    dropMarkers_[2]->setVisible(shown);
    dropMarkers_[3]->setVisible(shown);
}

// One step per move of the pointer beyond the right (bottom) edge until the last column (row)
// shows; the step back past the fixed columns (rows) comes from the class library's move handling,
// which the pointer's move reaches next, and both get the class library's timer besides.
void TVevIvizudEvar::AutoScrollMove(bool columns, int x, int y) {
    if (columns) {
        if (VisibleColCount() < ColCount() && x > ClientWidth() &&
            LeftCol() + VisibleColCount() < ColCount()) {
            SetLeftCol(LeftCol() + 1);
            viewport()->repaint();
        }
    } else if (VisibleRowCount() < RowCount() && y > ClientHeight() &&
               TopRow() + VisibleRowCount() < RowCount()) {
        SetTopRow(TopRow() + 1);
        viewport()->repaint();
    }
}

void TVevIvizudEvar::FinishEnhancedMove(int x, int y) {
    const bool columns = GridState() == TGridState::gsColMoving;
    SetDragCursor(false);
    dragImage_->setEnabled(false);
    dragImage_->hide();
    ScrollTimer().stop();
    SetGridState(TGridState::gsNormal);
    InvalidateGrid();
    const TGridCoord cell = MouseCoord(x, y);
    const int origin = moveOrigin_;
    if (columns) {
        if (cell.X >= TBaseGrid::FixedCols() && cell.X != origin && origin >= 0) MoveColumn(origin, cell.X);
        return;
    }
    if (cell.Y >= TBaseGrid::FixedRows() && cell.Y < DataRowEnd() && cell.Y != origin && origin >= 0)
        MoveRow(origin, cell.Y);
}

// The footer rows stay last: none of them starts a move, and none is a move's target.
bool TVevIvizudEvar::BeginRowDrag(int& origin, int& destination, TPoint mouse) {
    if (origin >= DataRowEnd()) return false;
    return TBaseGrid::BeginRowDrag(origin, destination, mouse);
}

bool TVevIvizudEvar::EndRowDrag(int& origin, int& destination, TPoint mouse) {
    if (origin >= DataRowEnd() || destination >= DataRowEnd()) return false;
    return TBaseGrid::EndRowDrag(origin, destination, mouse);
}

void TVevIvizudEvar::HideDropMarkers() {
    for (TArrowWindow* marker : dropMarkers_) marker->hide();
}

// The drag cursor is the screen's while a row or column is dragged.
void TVevIvizudEvar::SetDragCursor(bool on) {
    if (on == dragCursor_) return;
    dragCursor_ = on;
    if (on)
        QApplication::setOverrideCursor(Qt::DragMoveCursor);
    else
        QApplication::restoreOverrideCursor();
}

// ---- The selection resizer ----------------------------------------------------------------------------

// The selection is copied when its resizer is pressed; dragging stretches it from its top-left
// cell to the cell under the pointer, and letting go pastes the copy over the new selection.
void TVevIvizudEvar::StartResizerDrag() {
    EndPendingChange();
    dragSelection_ = Selection();
    CopyToClipboard();
    resizerDrag_ = true;
}

void TVevIvizudEvar::ResizerMove(int x, int y) {
    const TGridCoord cell = MouseCoord(x, y);
    if (cell.X < TBaseGrid::FixedCols() || cell.Y < TBaseGrid::FixedRows()) return;
    const TGridRect stretched{dragSelection_.Left, dragSelection_.Top, std::max(cell.X, dragSelection_.Left),
                              std::max(cell.Y, dragSelection_.Top)};
    if (stretched == Selection()) return;
    SetSelection(stretched);
    InvalidateGrid();
}

void TVevIvizudEvar::FinishResizerDrag() {
    resizerDrag_ = false;
    const TGridRect sel = Selection();
    if (sel == dragSelection_) return;
    PasteFromClipboard();
    InvalidateGrid();
    SelectionResize(sel.Left, sel.Top, sel.Right, sel.Bottom);
}

// ---- What the pointer handling paints over the cells ---------------------------------------------------

void TVevIvizudEvar::PaintPointerOverlay() {
    TCanvas& canvas = Canvas();
    if (pressedFixed_.X >= 0) {
        TRect r = CellRect(pressedFixed_.X, pressedFixed_.Y);
        if (!r.IsEmpty()) canvas.DrawEdge(r, BDR_SUNKENINNER, BF_RECT);
    }
    if (fixedSizing_) DrawSizingLine(fixedSizingX_);
    if (panning_) {
        const char* mark = IntelliPan == TIntelliPan::ipBoth         ? "INTLI1"
                           : IntelliPan == TIntelliPan::ipHorizontal ? "INTLI2"
                                                                     : "INTLI3";
        canvas.DrawTransparent(panOrigin_.X - 16, panOrigin_.Y - 16, GlyphBitmap(QString::fromLatin1(mark)),
                               clWhite);
    }
}
