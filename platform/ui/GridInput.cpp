// Keyboard, mouse, wheel and focus handling of TCustomGrid.
#include "platform/ui/CustomGrid.h"

#include "platform/ui/ControlAdapter.h"
#include "platform/ui/InplaceEdit.h"
#include "platform/ui/UiBoundary.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>

namespace {

bool IsTabKey(const QKeyEvent* k) {
    return (k->key() == Qt::Key_Tab || k->key() == Qt::Key_Backtab) && !(k->modifiers() & ChordModifiers);
}

} // namespace

bool LiesInGrid(const QWidget* widget) {
    for (const QWidget* w = widget->parentWidget(); w != nullptr && !w->isWindow(); w = w->parentWidget())
        if (dynamic_cast<const TCustomGrid*>(w) != nullptr) return true;
    return false;
}

bool TCustomGrid::WantsEscape() const {
    return editorMode_ && inplaceEdit_ && inplaceEdit_->isVisible();
}

bool TCustomGrid::event(QEvent* e) {
    if (e->type() == QEvent::KeyPress && IsTabKey(static_cast<QKeyEvent*>(e)) && options_.Contains(goTabs) &&
        !options_.Contains(goRowSelect)) {
        keyPressEvent(static_cast<QKeyEvent*>(e));
        return true;
    }
    return QAbstractScrollArea::event(e);
}

bool TCustomGrid::focusNextPrevChild(bool next) {
    // The editor is a child: Tab from it belongs to the grid when the grid walks cells with Tab;
    // otherwise the focus moves on from the grid's place in the window, not from the editor's.
    const bool fromEditor = inplaceEdit_ && inplaceEdit_->HasFocus();
    if (fromEditor && options_.Contains(goTabs) && !options_.Contains(goRowSelect)) return false;
    if (fromEditor) setFocus(Qt::TabFocusReason);
    return QAbstractScrollArea::focusNextPrevChild(next);
}

void TCustomGrid::keyPressEvent(QKeyEvent* e) {
    if (IsCancelKey(*e) && !WantsEscape()) return e->ignore(); // the window's Cancel
    GuardUi([&] {
        int key = VirtualKey(*e);
        const QChar typed = TypedChar(*e);
        if (key != 0) KeyDown(key, ShiftStateOf(*e));
        if (!typed.isNull()) CharMessage(typed);
    });
    e->accept();
}

void TCustomGrid::keyReleaseEvent(QKeyEvent* e) {
    GuardUi([&] {
        int key = VirtualKey(*e);
        if (key != 0) KeyUp(key, ShiftStateOf(*e));
    });
    e->accept();
}

void TCustomGrid::KeyDown(int& key, TShiftState shift) {
    if (OnKeyDown) OnKeyDown(this, key, shift);
    if (!CanGridAcceptKey(key, shift)) key = 0;
    if (key != 0) KeyNavigate(key, shift);
}

void TCustomGrid::TabStep(TGridCoord& cell, bool backwards) const {
    if (backwards) {
        if (--cell.X < fixedCols_) {
            cell.X = ColCount() - 1;
            if (--cell.Y < fixedRows_) cell.Y = RowCount() - 1;
        }
    } else if (++cell.X >= ColCount()) {
        cell.X = fixedCols_;
        if (++cell.Y >= RowCount()) cell.Y = fixedRows_;
    }
}

void TCustomGrid::KeyNavigate(int key, TShiftState shift) {
    const TDrawInfo info = CalcDrawInfo();
    const int pageWidth = std::max(info.Horz.LastFullVisibleCell - LeftCol(), 1);
    const int pageHeight = std::max(info.Vert.LastFullVisibleCell - TopRow(), 1);
    const bool rowSelect = options_.Contains(goRowSelect);
    TGridCoord cell = current_, topLeft = topLeft_;
    if (shift.Contains(ssCtrl)) {
        switch (key) {
        case VK_UP:
            --topLeft.Y;
            break;
        case VK_DOWN:
            ++topLeft.Y;
            break;
        case VK_LEFT:
            if (!rowSelect) cell.X -= pageWidth, topLeft.X -= pageWidth;
            break;
        case VK_RIGHT:
            if (!rowSelect) cell.X += pageWidth, topLeft.X += pageWidth;
            break;
        case VK_PRIOR:
            cell.Y = TopRow();
            break;
        case VK_NEXT:
            cell.Y = info.Vert.LastFullVisibleCell;
            break;
        case VK_HOME:
            cell = {fixedCols_, fixedRows_};
            break;
        case VK_END:
            cell = {ColCount() - 1, RowCount() - 1};
            break;
        default:
            break;
        }
    } else {
        switch (key) {
        case VK_UP:
            --cell.Y;
            break;
        case VK_DOWN:
            ++cell.Y;
            break;
        case VK_LEFT:
            rowSelect ? --topLeft.X : --cell.X;
            break;
        case VK_RIGHT:
            rowSelect ? ++topLeft.X : ++cell.X;
            break;
        case VK_NEXT:
            cell.Y += pageHeight, topLeft.Y += pageHeight;
            break;
        case VK_PRIOR:
            cell.Y -= pageHeight, topLeft.Y -= pageHeight;
            break;
        case VK_HOME:
            rowSelect ? (cell.Y = fixedRows_) : (cell.X = fixedCols_);
            break;
        case VK_END:
            rowSelect ? (cell.Y = RowCount() - 1) : (cell.X = ColCount() - 1);
            break;
        case VK_TAB:
            if (!shift.Contains(ssAlt)) {
                TabStep(cell, shift.Contains(ssShift));
                shift = {};
            }
            break;
        case VK_F2:
            SetEditorMode(true);
            break;
        default:
            break;
        }
    }
    const TGridCoord max = MaxTopLeft();
    topLeft = {std::clamp(topLeft.X, fixedCols_, std::max(max.X, fixedCols_)),
               std::clamp(topLeft.Y, fixedRows_, std::max(max.Y, fixedRows_))};
    MoveTopLeft(topLeft.X, topLeft.Y);
    cell = {std::clamp(cell.X, fixedCols_, ColCount() - 1), std::clamp(cell.Y, fixedRows_, RowCount() - 1)};
    if (!(cell == current_)) FocusCell(cell.X, cell.Y, !shift.Contains(ssShift));
}

void TCustomGrid::CharMessage(QChar ch) {
    if (options_.Contains(goEditing) && (ch.unicode() == 8 || ch.unicode() >= 32)) {
        ShowEditorChar(ch);
        return;
    }
    KeyPress(ch);
}

void TCustomGrid::KeyPress(QChar& key) {
    if (OnKeyPress) OnKeyPress(this, key);
    if (key.unicode() == 27 && editorMode_ && inplaceEdit_) {
        inplaceEdit_->RestoreStartText();
        UpdateText();
        if (!options_.Contains(goAlwaysShowEditor)) HideEditor();
        key = QChar();
    } else if (key.unicode() == 13 && !options_.Contains(goAlwaysShowEditor)) {
        if (editorMode_)
            HideEditor();
        else
            ShowEditor();
        key = QChar();
    }
}

void TCustomGrid::KeyUp(int& key, TShiftState shift) {
    if (OnKeyUp) OnKeyUp(this, key, shift);
}

bool TCustomGrid::CanGridAcceptKey(int, TShiftState) {
    return true;
}

void TCustomGrid::mousePressEvent(QMouseEvent* e) {
    lastMouse_ = FromQPoint(e->position().toPoint());
    TMouseButton button;
    if (!MouseButtonOf(e->button(), button)) return;
    GuardUi([&] { MouseDown(button, ShiftStateOf(*e), lastMouse_.X, lastMouse_.Y); });
}

void TCustomGrid::mouseDoubleClickEvent(QMouseEvent* e) {
    mousePressEvent(e);
}

void TCustomGrid::mouseMoveEvent(QMouseEvent* e) {
    lastMouse_ = FromQPoint(e->position().toPoint());
    GuardUi([&] { MouseMove(ShiftStateOf(*e), lastMouse_.X, lastMouse_.Y); });
}

void TCustomGrid::mouseReleaseEvent(QMouseEvent* e) {
    lastMouse_ = FromQPoint(e->position().toPoint());
    TMouseButton button;
    if (!MouseButtonOf(e->button(), button)) return;
    GuardUi([&] { MouseUp(button, ShiftStateOf(*e), lastMouse_.X, lastMouse_.Y); });
}

void TCustomGrid::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    HideEdit();
    if (!hasFocus()) setFocus(Qt::MouseFocusReason);
    if (button == TMouseButton::mbLeft && shift.Contains(ssDouble))
        DblClick();
    else if (button == TMouseButton::mbLeft)
        MouseDownLeft(shift, x, y);
    if (OnMouseDown) OnMouseDown(this, button, shift, x, y);
}

void TCustomGrid::MouseDownLeft(TShiftState shift, int x, int y) {
    TGridState state = TGridState::gsNormal;
    CalcSizingState(x, y, state, sizingIndex_, sizingPos_, sizingOfs_);
    if (state != TGridState::gsNormal) {
        gridState_ = state;
        InvalidateGrid();
        return;
    }
    const TDrawInfo info = CalcDrawInfo();
    const TGridCoord cell{CellAtPosition(cols_, info.Horz, x), CellAtPosition(rows_, info.Vert, y)};
    if (cell.X >= fixedCols_ && cell.Y >= fixedRows_) {
        if (options_.Contains(goEditing)) {
            if (cell == current_) {
                ShowEditor();
            } else {
                MoveCurrent(cell.X, cell.Y, true, true);
                UpdateEdit();
            }
            Click();
        } else {
            gridState_ = TGridState::gsSelecting;
            scrollTimer_.start();
            if (shift.Contains(ssShift))
                MoveAnchor(cell);
            else
                MoveCurrent(cell.X, cell.Y, true, true);
        }
        return;
    }
    const bool rowMove =
        options_.Contains(goRowMoving) && cell.X >= 0 && cell.X < fixedCols_ && cell.Y >= fixedRows_;
    const bool colMove =
        options_.Contains(goColMoving) && cell.Y >= 0 && cell.Y < fixedRows_ && cell.X >= fixedCols_;
    if (!rowMove && !colMove) return;
    moveIndex_ = movePos_ = rowMove ? cell.Y : cell.X;
    const bool begin =
        rowMove ? BeginRowDrag(moveIndex_, movePos_, {x, y}) : BeginColumnDrag(moveIndex_, movePos_, {x, y});
    if (!begin) return;
    gridState_ = rowMove ? TGridState::gsRowMoving : TGridState::gsColMoving;
    scrollTimer_.start();
    InvalidateGrid();
}

void TCustomGrid::MouseMove(TShiftState shift, int x, int y) {
    const TDrawInfo info = CalcDrawInfo();
    switch (gridState_) {
    case TGridState::gsSelecting: {
        const TGridCoord cell{CellAtPosition(cols_, info.Horz, x), CellAtPosition(rows_, info.Vert, y)};
        if (cell.X >= fixedCols_ && cell.Y >= fixedRows_ && cell.X <= info.Horz.LastFullVisibleCell + 1 &&
            cell.Y <= info.Vert.LastFullVisibleCell + 1 && !(cell == anchor_))
            MoveAnchor(cell);
        break;
    }
    case TGridState::gsColMoving:
        MoveAndScroll(x, CellAtPosition(cols_, info.Horz, x), true);
        break;
    case TGridState::gsRowMoving:
        MoveAndScroll(y, CellAtPosition(rows_, info.Vert, y), false);
        break;
    case TGridState::gsColSizing:
    case TGridState::gsRowSizing:
        sizingPos_ = (gridState_ == TGridState::gsRowSizing ? y : x) + sizingOfs_;
        InvalidateGrid();
        break;
    case TGridState::gsNormal: {
        TGridState hover = TGridState::gsNormal;
        int index = 0, pos = 0, ofs = 0;
        CalcSizingState(x, y, hover, index, pos, ofs);
        if (hover == TGridState::gsColSizing)
            viewport()->setCursor(Qt::SplitHCursor);
        else if (hover == TGridState::gsRowSizing)
            viewport()->setCursor(Qt::SplitVCursor);
        else
            viewport()->unsetCursor();
        break;
    }
    }
    if (OnMouseMove) OnMouseMove(this, shift, x, y);
}

void TCustomGrid::MoveAndScroll(int mouse, int cell, bool columns) {
    const TDrawInfo info = CalcDrawInfo();
    const TGridAxisInfo& axis = columns ? info.Horz : info.Vert;
    if (cell == movePos_ || (movePos_ == axis.FixedCount && mouse < axis.FixedBoundary) ||
        (movePos_ == axis.CellCount - 1 && mouse > axis.GridBoundary))
        return;
    const TGridCoord topLeft = topLeft_;
    if (mouse < axis.FixedBoundary) {
        if (movePos_ > axis.FixedCount)
            columns ? MoveTopLeft(std::max(topLeft.X - 1, fixedCols_), topLeft.Y)
                    : MoveTopLeft(topLeft.X, std::max(topLeft.Y - 1, fixedRows_));
        cell = columns ? LeftCol() : TopRow();
    } else if (mouse >= axis.FullVisBoundary) {
        if (movePos_ == axis.LastFullVisibleCell && movePos_ < axis.CellCount - 1) {
            const TGridCoord max = MaxTopLeft();
            columns ? MoveTopLeft(std::min(topLeft.X + 1, max.X), topLeft.Y)
                    : MoveTopLeft(topLeft.X, std::min(topLeft.Y + 1, max.Y));
        }
        const TDrawInfo moved = CalcDrawInfo();
        cell = (columns ? moved.Horz : moved.Vert).LastFullVisibleCell;
    } else if (cell < 0) {
        cell = movePos_;
    }
    const bool allowed =
        columns ? CheckColumnDrag(moveIndex_, cell, lastMouse_) : CheckRowDrag(moveIndex_, cell, lastMouse_);
    if (allowed) movePos_ = cell;
    InvalidateGrid();
}

void TCustomGrid::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    const TGridState state = gridState_;
    struct TReset {
        TCustomGrid& Grid;
        ~TReset() { Grid.gridState_ = TGridState::gsNormal; }
    } reset{*this};
    switch (state) {
    case TGridState::gsSelecting:
        MouseMove(shift, x, y);
        scrollTimer_.stop();
        UpdateEdit();
        Click();
        break;
    case TGridState::gsColSizing:
    case TGridState::gsRowSizing:
        FinishSizing();
        break;
    case TGridState::gsColMoving:
    case TGridState::gsRowMoving:
        FinishMoving({x, y});
        break;
    case TGridState::gsNormal:
        UpdateEdit();
        break;
    }
    if (OnMouseUp) OnMouseUp(this, button, shift, x, y);
}

void TCustomGrid::FinishSizing() {
    InvalidateGrid();
    const TDrawInfo info = CalcDrawInfo();
    const bool columns = gridState_ == TGridState::gsColSizing;
    const TGridAxisInfo& axis = columns ? info.Horz : info.Vert;
    const int newSize = sizingPos_ - int(UnclippedStart(columns ? cols_ : rows_, axis, sizingIndex_));
    gridState_ = TGridState::gsNormal;
    if (newSize <= 1 || sizingIndex_ < 0) return;
    if (columns && sizingIndex_ < ColCount()) SetColWidths(sizingIndex_, newSize);
    if (!columns && sizingIndex_ < RowCount()) SetRowHeights(sizingIndex_, newSize);
}

void TCustomGrid::FinishMoving(TPoint mouse) {
    scrollTimer_.stop();
    InvalidateGrid();
    const bool columns = gridState_ == TGridState::gsColMoving;
    gridState_ = TGridState::gsNormal;
    const bool end =
        columns ? EndColumnDrag(moveIndex_, movePos_, mouse) : EndRowDrag(moveIndex_, movePos_, mouse);
    if (end && moveIndex_ != movePos_) {
        if (columns)
            MoveColumn(moveIndex_, movePos_);
        else
            MoveRow(moveIndex_, movePos_);
    }
    UpdateEdit();
}

void TCustomGrid::ScrollTimerTick() {
    const TDrawInfo info = CalcDrawInfo();
    const TPoint p = lastMouse_;
    switch (gridState_) {
    case TGridState::gsColMoving:
        MoveAndScroll(p.X, CellAtPosition(cols_, info.Horz, p.X), true);
        return;
    case TGridState::gsRowMoving:
        MoveAndScroll(p.Y, CellAtPosition(rows_, info.Vert, p.Y), false);
        return;
    case TGridState::gsSelecting:
        break;
    default:
        return;
    }
    TGridCoord anchor = anchor_;
    if (p.X < info.Horz.FixedBoundary && anchor.X > fixedCols_) --anchor.X;
    if (p.X > info.Horz.FullVisBoundary && anchor.X < ColCount() - 1) ++anchor.X;
    if (p.Y < info.Vert.FixedBoundary && anchor.Y > fixedRows_) --anchor.Y;
    if (p.Y > info.Vert.FullVisBoundary && anchor.Y < RowCount() - 1) ++anchor.Y;
    if (!(anchor == anchor_)) MoveAnchor(anchor);
}

void TCustomGrid::CalcSizingState(int x, int y, TGridState& state, int& index, int& sizingPos,
                                  int& sizingOfs) {
    state = TGridState::gsNormal;
    index = -1;
    const TDrawInfo info = CalcDrawInfo();
    auto axisState = [&](const TGridAxis& axis, const TGridAxisInfo& a, int pos, TGridState newState) {
        int range = a.LineWidth, back = 0;
        if (range < 7) {
            range = 7;
            back = (range - a.LineWidth) / 2;
        }
        int line = a.FixedBoundary;
        for (int i = a.FirstCell; i < a.CellCount; ++i) {
            line += axis.Size(i);
            if (line > a.GridBoundary) break;
            if (pos >= line - back && pos <= line - back + range) {
                state = newState;
                sizingPos = line;
                sizingOfs = line - pos;
                index = i;
                return;
            }
            line += a.LineWidth;
        }
        if (a.GridBoundary == a.Extent && pos >= a.Extent - back && pos <= a.Extent) {
            state = newState;
            sizingPos = a.Extent;
            sizingOfs = a.Extent - pos;
            index = a.LastFullVisibleCell + 1;
        }
    };
    if (x > info.Horz.FixedBoundary && options_.Contains(goColSizing)) {
        if (y < info.Vert.FixedBoundary) axisState(cols_, info.Horz, x, TGridState::gsColSizing);
    } else if (y > info.Vert.FixedBoundary && options_.Contains(goRowSizing)) {
        if (x < info.Horz.FixedBoundary) axisState(rows_, info.Vert, y, TGridState::gsRowSizing);
    }
}

bool TCustomGrid::BeginColumnDrag(int&, int&, TPoint) {
    return true;
}
bool TCustomGrid::CheckColumnDrag(int&, int&, TPoint) {
    return true;
}
bool TCustomGrid::EndColumnDrag(int&, int&, TPoint) {
    return true;
}
bool TCustomGrid::BeginRowDrag(int&, int&, TPoint) {
    return true;
}
bool TCustomGrid::CheckRowDrag(int&, int&, TPoint) {
    return true;
}
bool TCustomGrid::EndRowDrag(int&, int&, TPoint) {
    return true;
}

void TCustomGrid::wheelEvent(QWheelEvent* e) {
    wheelRemainder_ += e->angleDelta().y();
    const TPoint pos = FromQPoint(e->position().toPoint());
    const TShiftState shift = ShiftStateOf(e->modifiers(), e->buttons());
    GuardUi([&] {
        while (std::abs(wheelRemainder_) >= 120) {
            const int notch = wheelRemainder_ > 0 ? 120 : -120;
            wheelRemainder_ -= notch;
            DoMouseWheel(shift, notch, pos);
        }
    });
    e->accept();
}

bool TCustomGrid::DoMouseWheel(TShiftState shift, int delta, TPoint pos) {
    return delta < 0 ? DoMouseWheelDown(shift, pos) : DoMouseWheelUp(shift, pos);
}

bool TCustomGrid::DoMouseWheelDown(TShiftState shift, TPoint pos) {
    return WheelStep(true, shift, pos);
}

bool TCustomGrid::DoMouseWheelUp(TShiftState shift, TPoint pos) {
    return WheelStep(false, shift, pos);
}

bool TCustomGrid::WheelStep(bool down, TShiftState shift, TPoint pos) {
    bool handled = false;
    const TMouseWheelUpDownEvent& event = down ? OnMouseWheelDown : OnMouseWheelUp;
    if (event) event(this, shift, pos, handled);
    if (handled) return true;
    if (down && Row() < RowCount() - 1) SetRow(Row() + 1);
    if (!down && Row() > fixedRows_) SetRow(Row() - 1);
    return true;
}

void TCustomGrid::Click() {
    if (OnClick) OnClick(this);
}

void TCustomGrid::DblClick() {
    if (OnDblClick) OnDblClick(this);
}

void TCustomGrid::FocusNextControl(bool forward) {
    if (inplaceEdit_ && inplaceEdit_->HasFocus()) setFocus(Qt::TabFocusReason);
    QAbstractScrollArea::focusNextPrevChild(forward);
}

bool TCustomGrid::IsActiveControl() const {
    return IsWithin(QApplication::focusWidget(), this);
}

void TCustomGrid::FocusChanged(QWidget* old, QWidget* now) {
    const bool nowWithin = IsWithin(now, this);
    if (nowWithin && !focusWithin_) {
        focusWithin_ = true;
        DoEnter();
    } else if (!nowWithin && now != nullptr && focusWithin_) {
        focusWithin_ = false;
        DoExit();
    }
    const bool fromEditor = inplaceEdit_ && IsWithin(old, inplaceEdit_);
    if (now == this && !fromEditor) {
        InvalidateGridRect(Selection());
        UpdateEdit();
    }
    if (old == this || (fromEditor && !nowWithin)) InvalidateGridRect(Selection());
}

void TCustomGrid::DoEnter() {
    if (OnEnter) OnEnter(this);
}

void TCustomGrid::DoExit() {
    if (OnExit) OnExit(this);
    if (!options_.Contains(goAlwaysShowEditor)) HideEditor();
}

void TCustomGrid::resizeEvent(QResizeEvent* e) {
    QAbstractScrollArea::resizeEvent(e);
    GuardUi([this] {
        UpdateScrollRange();
        if (editorMode_ && inplaceEdit_) inplaceEdit_->UpdateLoc(CellRect(Col(), Row()));
    });
}

void TCustomGrid::showEvent(QShowEvent* e) {
    QAbstractScrollArea::showEvent(e);
    GuardUi([this] { UpdateScrollRange(); });
}
