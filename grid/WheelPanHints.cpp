// The pointer features of TVevIvizudEvar that are not clicks: the wheel (moving the current row,
// or zooming with Ctrl), panning with the middle button, cell and anchor hints, the hover timer
// that makes the current cell follow the pointer, and blinking text.
//
// The wheel moves the current row by the desktop's wheel scroll lines per notch (towards the user:
// down), within the data rows above any footer; with Ctrl held and IntelliZoom it zooms instead,
// and with EnableWheel off it does nothing else.
//
// Panning: a middle press starts it (not with IntelliPan ipNone, nor without data rows); while it
// lasts, every tick of a 10 ms timer moves the current cell one step towards the pointer when the
// pointer is more than 5 pixels from the press point in a direction IntelliPan allows. Any press
// ends it (that press does nothing else); a key ends it and is then handled as usual.
#include "grid/AdvancedGrid.h"

#include "grid/HTMLDraw.h"
#include "grid/HTMLHintWindow.h"
#include "grid/TextUtils.h"
#include "platform/ui/Glyphs.h"
#include "platform/ui/HintWindow.h"
#include "platform/ui/UiBoundary.h"

#include <QApplication>
#include <QHelpEvent>
#include <QKeyEvent>

// ---- Wheel and zoom -----------------------------------------------------------------------------------

bool TVevIvizudEvar::DoMouseWheel(TShiftState shift, int delta, TPoint pos) {
    const int lines = QApplication::wheelScrollLines();
    const bool down = delta < 0;
    if (shift.Contains(ssCtrl) && IntelliZoom) {
        Zoom(down ? lines : -lines);
        return true;
    }
    if (!EnableWheel || (RowCount() == 1 && FixedRowAlways)) return true;
    const int first = TBaseGrid::FixedRows(), last = DataRowEnd() - 1;
    if (last >= first) {
        const int oldLeft = LeftCol();
        const int row = std::clamp(Row() + (down ? lines : -lines), first, last);
        const int col = std::clamp(Col(), TBaseGrid::FixedCols(), ColCount() - 1);
        if (col != Col()) SetCol(col);
        if (row != Row()) SetCurrentRow(row);
        SnapToBaseCell();
        if (TBaseGrid::Options().Contains(goRowSelect) && Navigation.KeepHorizScroll && LeftCol() != oldLeft)
            SetLeftCol(oldLeft);
    }
    bool handled = false;
    const TMouseWheelUpDownEvent& event = down ? OnMouseWheelDown : OnMouseWheelUp;
    if (event) event(this, shift, pos, handled);
    return true;
}

void TVevIvizudEvar::Zoom(int step) {
    if (zoom_ + step > 10 || zoom_ + step < -10) return;
    zoom_ += step;
    BeginUpdate();
    struct TEnd {
        TVevIvizudEvar& Grid;
        ~TEnd() { Grid.EndUpdate(); }
    } end{*this};
    for (int c = 0; c < ColCount(); ++c)
        if (ColWidths(c) + step > 0) SetColWidths(c, ColWidths(c) + step);
    for (int r = 0; r < RowCount(); ++r)
        if (RowHeights(r) + step > 0) SetRowHeights(r, RowHeights(r) + step);
}

// ---- Panning --------------------------------------------------------------------------------------------

void TVevIvizudEvar::StartPan(int x, int y) {
    if (panning_ || IntelliPan == TIntelliPan::ipNone || RowCount() <= TBaseGrid::FixedRows()) return;
    if (!IsActiveControl()) setFocus(Qt::MouseFocusReason);
    panning_ = true;
    panSavedCursor_ = viewport()->cursor();
    ownCursorChange_ = true;
    viewport()->setCursor(GlyphCursor(8000));
    ownCursorChange_ = false;
    panOrigin_ = pointer_ = {x, y};
    HideHint();
    viewport()->grabMouse();
    panTimer_.start();
    InvalidateRect(Bounds(x - 16, y - 16, 32, 32));
}

void TVevIvizudEvar::EndPan() {
    if (!panning_) return;
    panning_ = false;
    panTimer_.stop();
    viewport()->releaseMouse();
    ownCursorChange_ = true;
    viewport()->setCursor(panSavedCursor_);
    ownCursorChange_ = false;
    InvalidateRect(Bounds(panOrigin_.X - 16, panOrigin_.Y - 16, 32, 32));
}

void TVevIvizudEvar::PanTimerTick() {
    if (!panning_) return;
    const bool vertical = IntelliPan == TIntelliPan::ipVertical || IntelliPan == TIntelliPan::ipBoth;
    const bool horizontal = IntelliPan == TIntelliPan::ipHorizontal || IntelliPan == TIntelliPan::ipBoth;
    const int dx = pointer_.X - panOrigin_.X, dy = pointer_.Y - panOrigin_.Y;
    int row = Row(), col = Col();
    if (vertical && std::abs(dy) > 5)
        row = std::clamp(row + (dy > 0 ? 1 : -1), TBaseGrid::FixedRows(), DataRowEnd() - 1);
    if (horizontal && std::abs(dx) > 5)
        col = std::clamp(col + (dx > 0 ? 1 : -1), TBaseGrid::FixedCols(), ColCount() - fixedRightCols_ - 1);
    if (row == Row() && col == Col()) return;
    const TGridCoord topLeft{LeftCol(), TopRow()};
    if (col != Col()) SetCol(col);
    if (row != Row()) SetCurrentRow(row);
    if (!(topLeft == TGridCoord{LeftCol(), TopRow()})) InvalidateGrid(); // the mark is drawn again
}

void TVevIvizudEvar::keyPressEvent(QKeyEvent* e) {
    if (panning_) GuardUi([this] { EndPan(); });
    TBaseGrid::keyPressEvent(e);
}

// ---- Hints ----------------------------------------------------------------------------------------------

// The hint the pointer asks for: over an anchor with AnchorHint its target (after OnAnchorHint),
// shown below the anchor; with HintShowCells a data cell's text, with HintShowLargeText only a
// text wider than its column, stripped of its tags unless HTMLHint; OnGridHint may change it.
bool TVevIvizudEvar::CellHint(int x, int y, QString& hint, TPoint& where) {
    const TGridCoord cell = MouseCoord(x, y);
    if (cell.X < 0 || cell.Y < 0) return false;
    const int real = DisplToRealCol(cell.X);
    const QString text = GetGridCells(real, cell.Y);
    const TRect r = CellRectEx(cell.X, cell.Y);
    TPoint corner{r.Left, r.Top};
    hint.clear();
    if (AnchorHint && CellTextKind(text, EnableHTML) == ctkHTML) {
        const THTMLDrawResult hit = HitTestHTML(cell.X, cell.Y, x, y);
        if (hit.Hit && hit.ControlType.isEmpty() && !hit.Anchor.isEmpty()) {
            hint = hit.Anchor;
            GetAnchorHint(cell.Y, real, hint);
            corner = {hit.HitAnchorRect.Left, hit.HitAnchorRect.Bottom};
        }
    }
    const bool data = cell.X >= TBaseGrid::FixedCols() && cell.Y >= TBaseGrid::FixedRows();
    if (hint.isEmpty() && data && (HintShowCells || HintShowLargeText)) {
        hint = text;
        // Mini-HTML is measured as far as a hint of the column's width can show it (it is laid
        // out whole to be measured).
        const int kind = CellTextKind(text, EnableHTML);
        const QString measured = kind == ctkHTML ? HintShownPart(text, this, ColWidths(cell.X)) : text;
        if (HintShowLargeText && TextSizeOf(real, cell.Y, measured, kind, false).X <= ColWidths(cell.X))
            hint.clear();
    }
    if (!HTMLHint) hint = HTMLStrip(HintShownPart(hint, this)); // only what can show is stripped
    GetCellHint(real, cell.Y, hint);
    if (hint.isEmpty()) return false;
    hintCell_ = cell;
    where = FromQPoint(viewport()->mapToGlobal(QPoint(corner.X, corner.Y)));
    return true;
}

// Sizing, thumb and cell hints share one hint window.
void TVevIvizudEvar::ShowHintAt(const QString& text, TPoint screenTopLeft) {
    if (!hintWindow_) hintWindow_ = new THTMLHintWindow(this);
    hintWindow_->SetColor(HintColor);
    const TRect size = hintWindow_->CalcHintRect(200, text);
    hintWindow_->ActivateHint(Bounds(screenTopLeft.X, screenTopLeft.Y, size.Width(), size.Height()), text);
}

void TVevIvizudEvar::HideHint() {
    if (hintWindow_) hintWindow_->ReleaseHandle();
}

bool TVevIvizudEvar::HintShowing() const {
    return hintWindow_ && hintWindow_->isVisible();
}

// ---- Hover and blink ------------------------------------------------------------------------------------

void TVevIvizudEvar::HoverTimerTick() {
    if (Hovering && pointerInside_ && isVisible()) {
        const TGridCoord cell = MouseCoord(pointer_.X, pointer_.Y);
        if (cell.X >= TBaseGrid::FixedCols() && cell.Y >= TBaseGrid::FixedRows()) {
            if (!IsActiveControl()) setFocus(Qt::MouseFocusReason);
            if (!(cell == TGridCoord{Col(), Row()})) FocusCell(cell.X, cell.Y, true);
        }
    }
    if (EnableBlink) BlinkTick();
}

// Every cell that shows (fixed ones included) whose text blinks is painted again in the new phase.
void TVevIvizudEvar::BlinkTick() {
    blinkVisible_ = !blinkVisible_;
    const QString tag = QStringLiteral("<BLI");
    auto visibleRows = [this](const std::function<void(int)>& visit) {
        for (int r = 0; r < TBaseGrid::FixedRows() && r < RowCount(); ++r) visit(r);
        for (int r = TopRow(); r < RowCount() && !CellRect(0, r).IsEmpty(); ++r) visit(r);
    };
    std::vector<int> cols;
    for (int c = 0; c < TBaseGrid::FixedCols() && c < ColCount(); ++c) cols.push_back(c);
    for (int c = LeftCol(); c < ColCount() && !CellRect(c, 0).IsEmpty(); ++c) cols.push_back(c);
    visibleRows([&](int r) {
        for (int c : cols)
            if (GetGridCells(DisplToRealCol(c), r).contains(tag, Qt::CaseInsensitive)) RepaintCell(c, r);
    });
}

// ---- Events of the viewport and the window ---------------------------------------------------------------

bool TVevIvizudEvar::viewportEvent(QEvent* e) {
    switch (e->type()) {
    case QEvent::ToolTip: {
        const QPoint p = static_cast<QHelpEvent*>(e)->pos();
        GuardUi([&] {
            QString hint;
            TPoint where;
            if (!panning_ && CellHint(p.x(), p.y(), hint, where))
                ShowHintAt(hint, where);
            else
                HideHint();
        });
        return true;
    }
    case QEvent::Leave:
        GuardUi([this] { PointerLeft(); });
        break;
    case QEvent::CursorChange:
        // A cursor set from outside the grid's pointer handling ends the header's selecting look.
        if (!ownCursorChange_) hoverMode_ = 0;
        break;
    default:
        break;
    }
    return TBaseGrid::viewportEvent(e);
}

bool TVevIvizudEvar::eventFilter(QObject* watched, QEvent* e) {
    if (watched == form_ && e->type() == QEvent::Resize) {
        GuardUi([&] { FormResized(static_cast<QWidget*>(watched)->size()); });
    }
    return TBaseGrid::eventFilter(watched, e);
}
