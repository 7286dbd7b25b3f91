// Presses, releases, double and right clicks of TVevIvizudEvar, handled before the class library's
// grid sees them: cell controls and node glyphs, anchors and form controls in mini-HTML text,
// disjunct selections, the selection of whole rows, columns or the grid from the headers, the
// fixed-cell editor, the pressed look of fixed cells shown as buttons and the sort click.
//
// A "CELL://" anchor names a cell the way a spreadsheet labels it over the grid's headers: column
// letters (A is column 1, Z column 26, AA column 27, in either case) followed by the row number,
// so "CELL://B3" is column 2, row 3. A reference that names no data cell of the grid is ignored.
// Any other anchor is opened by the desktop only when it is an http, https, ftp or mailto
// address: a cell's text never starts a program or opens a local file.
#include "grid/AdvancedGrid.h"

#include "grid/HTMLControlEditors.h"
#include "grid/HTMLDraw.h"
#include "grid/HTMLHintWindow.h"
#include "grid/PopupWindows.h"
#include "grid/TextUtils.h"
#include "platform/ui/HintWindow.h"
#include "platform/ui/Keys.h"
#include "platform/ui/UiBoundary.h"
#include "platform/ui/UrlOpener.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStyle>

namespace {

// A line edit over a cell that tells how its editing ended: Enter and leaving it keep the text,
// Escape does not. It reports once per showing. A chord (Ctrl, Alt or Meta held) types nothing.
class TCellOverlayEdit : public QLineEdit {
public:
    explicit TCellOverlayEdit(QWidget* parent) : QLineEdit(parent) {
        setFrame(false);
        hide();
    }
    std::function<void(bool keep)> OnDone;
    void Open(const TRect& rect, const QString& text) {
        setGeometry(ToQRect(rect));
        setText(text);
        done_ = false;
        show();
        setFocus(Qt::MouseFocusReason);
        selectAll();
    }

protected:
    void keyPressEvent(QKeyEvent* e) override {
        if (e->key() == Qt::Key_Escape) return Done(false);
        if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) return Done(true);
        if (e->modifiers() & ChordModifiers) { // a command's key: its text is not typed
            QKeyEvent command(e->type(), e->key(), e->modifiers());
            return QLineEdit::keyPressEvent(&command);
        }
        QLineEdit::keyPressEvent(e);
    }
    void focusOutEvent(QFocusEvent* e) override {
        QLineEdit::focusOutEvent(e);
        if (e->reason() != Qt::PopupFocusReason) Done(true);
    }

private:
    void Done(bool keep) {
        if (done_ || !isVisible()) return;
        done_ = true;
        if (OnDone) GuardUi([&] { OnDone(keep); });
    }
    bool done_ = true;
};

// "A1" style: letters for the column (A = 1), digits for the row.
bool ParseCellReference(const QString& text, int& col, int& row) {
    qsizetype i = 0;
    long long c = 0;
    while (i < text.size() && text[i].isLetter() && text[i].unicode() < 128) {
        c = c * 26 + (text[i].toUpper().unicode() - 'A' + 1);
        if (c > 1 << 24) return false;
        ++i;
    }
    if (i == 0 || i == text.size()) return false;
    bool ok = false;
    const int r = text.mid(i).trimmed().toInt(&ok);
    if (!ok) return false;
    col = int(c);
    row = r;
    return true;
}

} // namespace

void TVevIvizudEvar::InitPointer() {
    defaultScrollWidth_ = scrollWidth_ = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    dragImage_ = new TPopupButton(this);
    for (int direction = 0; direction < 4; ++direction)
        dropMarkers_[direction] = new TArrowWindow(this, direction);
    dragRunner_ = std::make_unique<TQtDragRunner>();
    hoverTimer_.setInterval(500);
    connect(&hoverTimer_, &QTimer::timeout, this, [this] { GuardUi([this] { HoverTimerTick(); }); });
    hoverTimer_.start();
    panTimer_.setInterval(10);
    connect(&panTimer_, &QTimer::timeout, this, [this] { GuardUi([this] { PanTimerTick(); }); });
    for (QScrollBar* bar : {verticalScrollBar(), horizontalScrollBar()}) {
        const bool vertical = bar == verticalScrollBar();
        connect(bar, &QScrollBar::sliderMoved, this,
                [this, vertical](int value) { GuardUi([&] { ThumbTracking(vertical, value); }); });
        connect(bar, &QScrollBar::sliderReleased, this, [this] { GuardUi([this] { ThumbReleased(); }); });
    }
}

void TVevIvizudEvar::SetDragRunner(std::unique_ptr<TDragRunner> runner) {
    dragRunner_ = runner ? std::move(runner) : std::make_unique<TQtDragRunner>();
}

// ---- Qt's mouse events -------------------------------------------------------------------------------

void TVevIvizudEvar::mousePressEvent(QMouseEvent* e) {
    const TPoint p = FromQPoint(e->position().toPoint());
    const TShiftState shift = ShiftStateOf(*e);
    e->accept();
    if (panning_) {
        GuardUi([this] { EndPan(); });
        return;
    }
    mouseDown_ = true;
    htmlMouseDown_ = e->button() == Qt::LeftButton;
    bool passOn = true;
    if (e->button() == Qt::LeftButton) GuardUi([&] { passOn = LeftButtonDown(shift, p.X, p.Y); });
    if (e->button() == Qt::MiddleButton) {
        GuardUi([&] { StartPan(p.X, p.Y); });
        passOn = false;
    }
    if (passOn) TBaseGrid::mousePressEvent(e);
    if (e->button() == Qt::RightButton) GuardUi([&] { RightButtonDown(shift, p.X, p.Y); });
}

void TVevIvizudEvar::mouseReleaseEvent(QMouseEvent* e) {
    const TPoint p = FromQPoint(e->position().toPoint());
    const TShiftState shift = ShiftStateOf(*e);
    e->accept();
    if (!(e->buttons() & (Qt::LeftButton | Qt::RightButton))) mouseDown_ = false;
    if (e->button() == Qt::LeftButton) htmlMouseDown_ = false;
    if (e->button() == Qt::LeftButton) {
        GuardUi([&] { LeftButtonUp(e, shift, p.X, p.Y); });
        return;
    }
    // A right button let go while a row or column is dragged belongs to the drag.
    if (e->button() == Qt::RightButton && dragCursor_) return;
    TBaseGrid::mouseReleaseEvent(e);
}

void TVevIvizudEvar::mouseDoubleClickEvent(QMouseEvent* e) {
    const TPoint p = FromQPoint(e->position().toPoint());
    e->accept();
    if (panning_) {
        GuardUi([this] { EndPan(); });
        return;
    }
    mouseDown_ = true;
    if (e->button() != Qt::LeftButton) {
        TBaseGrid::mouseDoubleClickEvent(e);
        return;
    }
    leftHeld_ = true;
    GuardUi([&] { DoubleClickAt(e, p.X, p.Y); });
}

// ---- Left button --------------------------------------------------------------------------------------

bool TVevIvizudEvar::LeftButtonDown(TShiftState shift, int x, int y) {
    leftHeld_ = true;
    if (!IsActiveControl()) setFocus(Qt::MouseFocusReason);
    const int fixedRows = TBaseGrid::FixedRows(), fixedCols = TBaseGrid::FixedCols();
    const TGridCoord cell = MouseCoord(x, y);
    // What the pointer is over, as the last move found it.
    TestFixedBorder(x, y, cell);
    UpdateHoverMode(x, y, cell);
    if (onFixedBorder_) {
        fixedSizing_ = true;
        fixedSizingX_ = x;
        InvalidateGrid();
        return false;
    }
    if (hoverMode_ == 5) {
        StartResizerDrag();
        return false;
    }
    moveTarget_ = {-1, -1};
    oleDragArmed_ = false;
    pressLeftCol_ = LeftCol();
    // The cell whose size a press on a border would change, for the sizing hint.
    sizedCell_ = cell.Y == 0   ? MouseCoord(x - 5, y)
                 : cell.X == 0 ? MouseCoord(x, y - 4)
                               : MouseCoord(x - 5, y - 4);
    const bool onCell = cell.X >= 0 && cell.Y >= 0;
    if (onCell && !IsButtonCellAt(cell)) {
        const TRect r = sizedCell_.X < 0 || sizedCell_.Y < 0 ? TRect{} : CellRect(sizedCell_.X, sizedCell_.Y);
        sizeOffset_ = {x - r.Right, y - r.Bottom};
    }
    moveOrigin_ = -1;
    if (onCell) {
        if (cell.Y < fixedRows && cell.X >= fixedCols)
            moveOrigin_ = cell.X;
        else if (cell.X < fixedCols && cell.Y >= fixedRows)
            moveOrigin_ = cell.Y;
        const TRect r = CellRect(cell.X, cell.Y);
        pressOffset_ = {x - r.Left, y - r.Top};
    }
    if (look_ == TGridLook::glListView && hotCell_.X >= 0 && hotCell_.Y >= 0)
        RepaintCell(hotCell_.X, hotCell_.Y);
    downPoint_ = {x, y};
    downCell_ = cell;
    if (!onCell) {
        EndPendingChange();
        return !FixedRowAlways;
    }
    if (NodeGlyphClick(cell, x) || RadioClickAt(cell, x, y)) return false;
    if (ArmOleDrag(cell, x)) return false;
    const TGridOptions options = TBaseGrid::Options();
    if (FixedAsButtons && (cell.X < fixedCols || cell.Y < fixedRows) && options.Contains(goFixedVertLine) &&
        options.Contains(goFixedHorzLine) && Ctl3D()) {
        pressedFixed_ = cell;
        RepaintCell(cell.X, cell.Y);
    }
    if (PressCellButton(cell, x, y)) return false;
    const bool ctrl = shift.Contains(ssCtrl);
    if (cell.Y >= fixedRows && cell.X >= fixedCols && MouseActions.DisjunctRowSelect())
        ToggleDisjunctLine(true, cell.Y, ctrl);
    if (cell.Y >= fixedRows && cell.X >= fixedCols && MouseActions.DisjunctColSelect())
        ToggleDisjunctLine(false, cell.X, ctrl);
    if (HTMLClick(cell, x, y)) return false;
    if (HeaderSelectClick(cell)) return false;
    if (CheckBoxClickAt(cell, x, y)) return false;
    return true;
}

void TVevIvizudEvar::LeftButtonUp(QMouseEvent* e, TShiftState shift, int x, int y) {
    leftHeld_ = false;
    mouseDown_ = false;
    headerAnchor_ = -1;
    struct TPlainClick {
        bool& Flag;
        ~TPlainClick() { Flag = false; }
    } plainClick{plainClick_};
    HideHint();
    if (fixedSizing_) {
        FinishFixedSizing(x);
        return;
    }
    if (pressedButton_.X >= 0) ReleaseCellButton(true);
    HideDropMarkers();
    if (resizerDrag_) {
        FinishResizerDrag();
        return;
    }
    const TGridState state = GridState();
    const bool moving = state == TGridState::gsColMoving || state == TGridState::gsRowMoving;
    if (moving && dragCursor_ && EnhRowColMove) FinishEnhancedMove(x, y);
    if (pressedFixed_.X >= 0) {
        const TGridCoord pressed = pressedFixed_;
        pressedFixed_ = {-1, -1};
        RepaintCell(pressed.X, pressed.Y);
    }
    TBaseGrid::mouseReleaseEvent(e);
    oleDragArmed_ = false;
    GraphicMouseUp(x, y);
    if (state == TGridState::gsNormal || state == TGridState::gsSelecting) SortClick(shift, x, y);
    autoSized_ = false;
}

void TVevIvizudEvar::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    const TGridRect before = Selection();
    TBaseGrid::MouseDown(button, shift, x, y);
    StartMouseResize();
    if (!(Selection() == before)) {
        const TGridRect s = Selection();
        SelectionChanged(s.Left, s.Top, s.Right, s.Bottom);
    }
    const TGridCoord cell = MouseCoord(x, y);
    if (cell.X < 0 || cell.Y < 0 || shift.Contains(ssDouble)) return;
    const bool fixedRow = cell.Y < TBaseGrid::FixedRows(), fixedCol = cell.X < TBaseGrid::FixedCols();
    const TGridFixedCellEdit edit = fixedRow   ? MouseActions.FixedRowsEdit
                                    : fixedCol ? MouseActions.FixedColsEdit
                                               : TGridFixedCellEdit::fceNone;
    if ((button == TMouseButton::mbLeft && edit == TGridFixedCellEdit::fceLeftClick) ||
        (button == TMouseButton::mbRight && edit == TGridFixedCellEdit::fceRightClick))
        ShowFixedCellEditor(cell.X, cell.Y);
    else if (button == TMouseButton::mbLeft)
        ClickCell(cell.Y, DisplToRealCol(cell.X));
}

void TVevIvizudEvar::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    const TGridRect before = Selection();
    const TGridState state = GridState();
    if ((state == TGridState::gsColSizing && x > ClientWidth()) ||
        (state == TGridState::gsRowSizing && y > ClientHeight())) {
        SetGridState(TGridState::gsNormal);
        columnSizing_ = rowSizing_ = false;
        resizingCol_ = resizingRow_ = -1;
        InvalidateGrid();
    }
    if (button == TMouseButton::mbLeft && MouseActions.DisjunctCellSelect())
        DisjunctCellsOnRelease(shift, x, y);
    TBaseGrid::MouseUp(button, shift, x, y);
    EndMouseResize();
    if (!(Selection() == before)) {
        const TGridRect s = Selection();
        SelectionChanged(s.Left, s.Top, s.Right, s.Bottom);
    }
}

// ---- Double and right clicks --------------------------------------------------------------------------

void TVevIvizudEvar::DoubleClickAt(QMouseEvent* e, int x, int y) {
    const int fixedRows = TBaseGrid::FixedRows(), fixedCols = TBaseGrid::FixedCols();
    TGridCoord cell = MouseCoord(x, y);
    if (cell.X < 0 || cell.Y < 0) {
        if (FixedRowAlways) return;
        cell = {ColCount() - 1, 0};
    }
    const TRect r = CellRect(cell.X, cell.Y);
    if (cell.Y < fixedRows && TBaseGrid::Options().Contains(goColSizing) &&
        (std::abs(x - r.Left) <= 4 || std::abs(x - r.Right) <= 4)) {
        const int col = std::abs(x - r.Left) <= 4 ? cell.X - 1 : cell.X;
        if (col < 0) return;
        bool allow = true;
        DoColumnSize(col, allow);
        if (!allow) return;
        AutoSizeCol(col);
        autoSized_ = true;
        DoEndColumnSize(col);
        return;
    }
    TBaseGrid::mouseDoubleClickEvent(e);
    DblClickCell(cell.Y, DisplToRealCol(cell.X));
    const bool data = cell.X >= fixedCols && cell.Y >= fixedRows;
    if (MouseActions.RangeSelectAndEdit && data && Selection().Contains(cell.X, cell.Y)) {
        TGridOptions options = TBaseGrid::Options();
        options.Include(goEditing);
        TBaseGrid::SetOptions(options);
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(x, y), viewport()->mapToGlobal(QPointF(x, y)),
                          Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        TBaseGrid::mousePressEvent(&press);
    }
    const bool fixedRow = cell.Y < fixedRows, fixedCol = cell.X < fixedCols;
    if ((fixedRow && MouseActions.FixedRowsEdit == TGridFixedCellEdit::fceDblClick) ||
        (!fixedRow && fixedCol && MouseActions.FixedColsEdit == TGridFixedCellEdit::fceDblClick))
        ShowFixedCellEditor(cell.X, cell.Y);
}

void TVevIvizudEvar::RightButtonDown(TShiftState, int x, int y) {
    const TGridCoord cell = MouseCoord(x, y);
    if (cell.X < 0 || cell.Y < 0) return;
    const bool data = cell.X >= TBaseGrid::FixedCols() && cell.Y >= TBaseGrid::FixedRows();
    if (MouseActions.SelectOnRigthClick && data && !(cell == TGridCoord{Col(), Row()}))
        FocusCell(cell.X, cell.Y, true);
    const int real = DisplToRealCol(cell.X);
    RightClickCell(cell.Y, real);
    const QString text = GetGridCells(real, cell.Y);
    if (URLShow && URLEdit && data && CellTextKind(text, EnableHTML) != ctkHTML && IsURL(text)) {
        if (!(cell == TGridCoord{Col(), Row()})) FocusCell(cell.X, cell.Y, true);
        if (Col() == cell.X && Row() == cell.Y) ShowEditor();
    }
}

// ---- Disjunct selections ------------------------------------------------------------------------------

void TVevIvizudEvar::ToggleDisjunctLine(bool rows, int index, bool ctrl) {
    if (!ctrl) {
        rows ? ClearRowSelect() : ClearColSelect();
        plainClick_ = true;
        return;
    }
    if (!rows) {
        SetColSelect(index, !ColSelect(index));
        return;
    }
    SetRowMark(index, !RowMarked(index));
}

void TVevIvizudEvar::DisjunctCellsOnRelease(TShiftState shift, int x, int y) {
    const TGridCoord cell = MouseCoord(x, y);
    if (cell.X < TBaseGrid::FixedCols() || cell.Y < TBaseGrid::FixedRows()) return;
    if (shift.Contains(ssCtrl)) {
        if (IsDisjunctCell(cell.X, cell.Y))
            disjunctCells_.erase({cell.X, cell.Y});
        else
            AddDisjunctCell(cell.X, cell.Y);
    } else {
        for (const auto& [c, r] : disjunctCells_) RepaintCell(c, r);
        ClearDisjunctCells();
        AddDisjunctCell(cell.X, cell.Y);
        const TGridRect sel = Selection();
        if (sel.Right > sel.Left || sel.Bottom > sel.Top)
            for (int r = sel.Top; r <= sel.Bottom; ++r)
                for (int c = sel.Left; c <= sel.Right; ++c) AddDisjunctCell(c, r);
    }
    for (const auto& [c, r] : disjunctCells_) RepaintCell(c, r);
    RepaintCell(cell.X, cell.Y);
}

// ---- Headers: selecting rows, columns, everything ------------------------------------------------------

bool TVevIvizudEvar::HeaderSelectClick(TGridCoord cell) {
    if (!TBaseGrid::Options().Contains(goRangeSelect)) return false;
    const int fixedRows = TBaseGrid::FixedRows(), fixedCols = TBaseGrid::FixedCols();
    TGridRect selection;
    if (hoverMode_ == 3 && MouseActions.AllSelect) {
        selection = {fixedCols, fixedRows, ColCount() - 1, RowCount() - 1};
    } else if (hoverMode_ == 2 && MouseActions.RowSelect) {
        selection = {fixedCols, cell.Y, ColCount() - 1, cell.Y};
        headerAnchor_ = cell.Y;
    } else if (hoverMode_ == 1 && MouseActions.ColSelect) {
        selection = {cell.X, fixedRows, cell.X, RowCount() - 1};
        headerAnchor_ = cell.X;
    } else {
        return false;
    }
    EndPendingChange();
    const TGridRect before = Selection();
    SetSelection(selection);
    if (!(before == selection))
        SelectionChanged(selection.Left, selection.Top, selection.Right, selection.Bottom);
    return true;
}

// ---- Node glyphs, radio groups, check boxes ------------------------------------------------------------

// A node glyph (within the node's indent in column 0) expands or contracts its node, as the
// application allows; a node glyph in a header row with NodeAllExpandContract does it to all nodes.
bool TVevIvizudEvar::NodeGlyphClick(TGridCoord cell, int x) {
    if (DisplToRealCol(cell.X) != 0 || !IsNode(cell.Y)) return false;
    const int inCell = x - CellRect(cell.X, cell.Y).Left;
    if (cell.Y < TBaseGrid::FixedRows()) {
        if (!MouseActions.NodeAllExpandContract || inCell < 0 || inCell >= CellNode.NodeIndent())
            return false;
        TCellGraphic* glyph = GetCellGraphic(0, cell.Y);
        glyph->CellBoolean ? ExpandAll() : ContractAll();
        glyph->CellBoolean = !glyph->CellBoolean;
        RepaintCell(cell.X, cell.Y);
        return true;
    }
    if (!IsNodeButtonHit(cell.Y, inCell)) return false;
    const int realRow = DisplToRealRow(cell.Y);
    bool allow = true;
    if (GetNodeState(cell.Y)) {
        BeforeExpandNode(cell.Y, allow);
        if (allow) {
            ExpandNode(realRow);
            DoExpandNode(cell.Y);
        }
    } else {
        BeforeContractNode(cell.Y, allow);
        if (allow) {
            ContractNode(realRow);
            DoContractNode(cell.Y);
        }
    }
    if (MouseActions.MoveRowOnNodeClick && cell.Y != Row()) SetCurrentRow(cell.Y);
    return true;
}

bool TVevIvizudEvar::OnNodeGlyph(TGridCoord cell, int x) {
    return DisplToRealCol(cell.X) == 0 && IsNode(cell.Y) &&
           IsNodeButtonHit(cell.Y, x - CellRect(cell.X, cell.Y).Left);
}

// The item of a radio group under the point: in a vertical group the items are one text line high
// each from the cell's top, in a horizontal one each is as wide as its text and its radio.
int TVevIvizudEvar::RadioItemAt(TGridCoord cell, int x, int y) {
    const TGridCoord base = BaseCell(DisplToRealCol(cell.X), cell.Y);
    const TCellGraphic* graphic = GetCellGraphic(base.X, base.Y);
    const QStringList* items = graphic ? graphic->Object<QStringList>() : nullptr;
    if (!items) return -1;
    TCanvas canvas;
    canvas.Font() = Font();
    if (zoom_ != 0) canvas.Font().SetSize(canvas.Font().Size() + zoom_);
    const TRect r = CellRectEx(cell.X, cell.Y);
    if (!graphic->CellBoolean) {
        const int line = std::max(canvas.TextHeight(QStringLiteral("gh")), 1);
        const int index = y >= r.Top ? (y - r.Top) / line : -1;
        return index < items->size() ? index : -1;
    }
    const TControlStyle style = ControlLook.ControlStyle;
    const int radio =
        style == TControlStyle::csClassic || style == TControlStyle::csFlat ? ControlLook.RadioSize : 16;
    int left = r.Left;
    for (int i = 0; i < items->size(); ++i) {
        const int right = left + canvas.TextWidth(items->at(i)) + radio;
        if (x >= left && x < right) return i;
        left = right;
    }
    return -1;
}

bool TVevIvizudEvar::RadioClickAt(TGridCoord cell, int x, int y) {
    if (cell.X < TBaseGrid::FixedCols() || cell.Y < TBaseGrid::FixedRows()) return false;
    const int real = DisplToRealCol(cell.X);
    const TGridCoord base = BaseCell(real, cell.Y);
    TCellGraphic* graphic = GetCellGraphic(base.X, base.Y);
    if (!graphic || graphic->CellType != TCellType::ctRadio) return false;
    const int index = RadioItemAt(cell, x, y);
    if (index < 0) return true;
    if (graphic->CellIndex < 0)
        SetGridCells(base.X, base.Y, graphic->Object<QStringList>()->at(index));
    else
        SetRadioIndex(base.X, base.Y, index);
    RepaintCell(cell.X, cell.Y);
    RadioClick(real, cell.Y, index);
    return true;
}

// A check box the user may edit toggles (only on its glyph with PreciseCheckBoxCheck); in a header
// row with CheckAllCheck every check box of the column below takes the new state.
bool TVevIvizudEvar::CheckBoxClickAt(TGridCoord cell, int x, int y) {
    const int real = DisplToRealCol(cell.X);
    const TGridCoord base = BaseCell(real, cell.Y);
    if (!HasCheckBox(base.X, base.Y)) return false;
    const bool editing =
        TBaseGrid::Options().Contains(goEditing) || editingSwitched_ || MouseActions.RangeSelectAndEdit;
    if (!CanEditCell(base.X, base.Y, editing) || !IsCheckBoxHit(real, cell.Y, x, y)) return false;
    ToggleCheckBox(base.X, base.Y, false);
    bool state = false;
    GetCheckBoxState(base.X, base.Y, state);
    if (MouseActions.CheckAllCheck && cell.Y < TBaseGrid::FixedRows())
        for (int r = TBaseGrid::FixedRows(); r < RowCount(); ++r)
            if (HasCheckBox(real, r)) SetCheckBoxState(real, r, state);
    RepaintCell(cell.X, cell.Y);
    CheckBoxClick(real, cell.Y, state);
    return true;
}

void TVevIvizudEvar::GraphicMouseUp(int x, int y) {
    const TGridCoord cell = MouseCoord(x, y);
    if (cell.X < 0 || cell.Y < 0) return;
    const int real = DisplToRealCol(cell.X);
    const TGridCoord base = BaseCell(real, cell.Y);
    bool state = false;
    int index = -1;
    if (GetCheckBoxState(base.X, base.Y, state)) {
        CheckBoxMouseUp(real, cell.Y, state);
    } else if (IsRadio(base.X, base.Y)) {
        const TCellGraphic* graphic = GetCellGraphic(base.X, base.Y);
        const QStringList* items = graphic->Object<QStringList>();
        index = graphic->CellIndex >= 0 ? graphic->CellIndex
                                        : (items ? int(items->indexOf(GetGridCells(base.X, base.Y))) : -1);
        RadioMouseUp(real, cell.Y, index);
    }
}

// ---- Cell buttons, drags out of the grid ---------------------------------------------------------------

bool TVevIvizudEvar::IsButtonCellAt(TGridCoord cell) const {
    if (cell.X < 0 || cell.Y < 0) return false;
    const TGridCoord base = BaseCell(DisplToRealCol(cell.X), cell.Y);
    const TCellType type = GetCellType(base.X, base.Y);
    return type == TCellType::ctButton || type == TCellType::ctBitButton;
}

// The button of a button cell lies where the painting placed it (its offset from the cell kept in
// the graphic), so it is found wherever the cell has scrolled to; a button not painted yet takes
// the whole cell.
bool TVevIvizudEvar::PressCellButton(TGridCoord cell, int x, int y) {
    if (cell.X < TBaseGrid::FixedCols() || cell.Y < TBaseGrid::FixedRows() || !IsButtonCellAt(cell))
        return false;
    const TGridCoord base = BaseCell(DisplToRealCol(cell.X), cell.Y);
    TRect button;
    GetButtonRect(base.X, base.Y, button);
    if (!button.IsEmpty() && !button.Contains({x, y})) return false;
    HideEditor();
    if (!(cell == TGridCoord{Col(), Row()})) FocusCell(cell.X, cell.Y, true);
    if (!(cell == TGridCoord{Col(), Row()})) return true; // the move was refused
    pressedButton_ = cell;
    buttonCaptured_ = true;
    GetCellGraphic(base.X, base.Y)->CellBoolean = true; // drawn pressed
    RepaintCell(cell.X, cell.Y);
    ClickCell(cell.Y, DisplToRealCol(cell.X));
    return true;
}

void TVevIvizudEvar::ReleaseCellButton(bool fire) {
    const TGridCoord pressed = pressedButton_;
    if (pressed.X < 0) return;
    pressedButton_ = {-1, -1};
    buttonCaptured_ = false;
    if (pressed.X < ColCount() && pressed.Y < RowCount()) {
        const TGridCoord base = BaseCell(DisplToRealCol(pressed.X), pressed.Y);
        if (TCellGraphic* graphic = GetCellGraphic(base.X, base.Y); graphic && IsButtonCellAt(pressed))
            graphic->CellBoolean = false;
        RepaintCell(pressed.X, pressed.Y);
    }
    if (fire) ButtonClick(DisplToRealCol(pressed.X), pressed.Y);
}

bool TVevIvizudEvar::ArmOleDrag(TGridCoord cell, int x) {
    const int fixedRows = TBaseGrid::FixedRows(), fixedCols = TBaseGrid::FixedCols();
    const TGridOptions options = TBaseGrid::Options();
    if (!DragDropSettings.OleDropSource || options.Contains(goEditing) || MouseActions.ColSelect ||
        MouseActions.AllSelect)
        return false;
    const bool data = cell.X >= fixedCols && cell.Y >= fixedRows;
    const int selRow = MouseActions.RowSelectPersistent ? DisplToRealRow(cell.Y) : cell.Y;
    const bool selected =
        data && (Selection().Contains(cell.X, cell.Y) ||
                 (MouseActions.DisjunctRowSelect() && RowSelectFlag(selRow)) ||
                 (MouseActions.DisjunctColSelect() && ColSelectFlag(DisplToRealCol(cell.X))));
    const bool header = cell.Y < fixedRows && !EnhRowColMove;
    if (!selected && !header) return false;
    const TRect r = CellRect(cell.X, cell.Y);
    if (options.Contains(goColSizing) && (x - r.Left < 4 || r.Right - x < 4)) return false;
    oleDragArmed_ = true;
    ClickCell(cell.Y, DisplToRealCol(cell.X));
    return true;
}

// ---- Mini-HTML anchors and form controls --------------------------------------------------------------

THTMLDrawResult TVevIvizudEvar::HitTestHTML(int col, int row, int x, int y) {
    const int real = DisplToRealCol(col);
    TRect r = CellRectEx(col, row);
    r.Left += 3;
    r.Top += 3;
    const TGridCoord base = BaseCell(real, row);
    if (IsCheckBoxGraphic(GetCellType(base.X, base.Y))) r.Left += ControlLook.CheckSize;
    TCanvas canvas;
    const bool fixed = col < TBaseGrid::FixedCols() || row < TBaseGrid::FixedRows();
    canvas.Font() = fixed ? fixedFont_ : Font();
    TBrush brush;
    GetCellColor(real, row, fixed ? TGridDrawState{gdFixed} : TGridDrawState{}, brush, canvas.Font());
    if (zoom_ != 0) canvas.Font().SetSize(canvas.Font().Size() + zoom_);
    return HTMLDrawEx(canvas, GetGridCells(real, row), r, GridImages, x, y, -1, 0, 1, true, false, false,
                      true, true, false, !EnhTextSize, false, 0.0, URLColor, clNone, clNone, 0x808080,
                      pictureCache_.get(), PictureContainer, this);
}

bool TVevIvizudEvar::HTMLClick(TGridCoord cell, int x, int y) {
    const int real = DisplToRealCol(cell.X);
    QString text = GetGridCells(real, cell.Y);
    if (!EnableHTML && CellTextKind(text, true) != ctkHTML) return false;
    const THTMLDrawResult hit = HitTestHTML(cell.X, cell.Y, x, y);
    if (!hit.Hit) return false;
    if (hit.ControlType.isEmpty()) {
        if (hit.Anchor.isEmpty()) return false;
        FollowAnchor(cell.Y, real, hit.Anchor);
        return true;
    }
    if (hit.ControlType == QLatin1String("CHECK")) {
        const QString value =
            hit.ControlValue.compare(QLatin1String("TRUE"), Qt::CaseInsensitive) == 0 ? "FALSE" : "TRUE";
        if (HTMLSetControlValue(text, hit.ControlID, value)) SetGridCells(real, cell.Y, text);
        RepaintCell(cell.X, cell.Y);
        ControlClick(cell.Y, real, hit.ControlID, hit.ControlType, value);
    } else if (hit.ControlType == QLatin1String("BUTTON")) {
        ControlClick(cell.Y, real, hit.ControlID, hit.ControlType, hit.ControlValue);
    } else if (hit.ControlType == QLatin1String("EDIT") || hit.ControlType == QLatin1String("COMBO")) {
        EditFormControl(cell, hit);
    } else {
        return false;
    }
    return true;
}

void TVevIvizudEvar::FollowAnchor(int row, int col, const QString& anchor) {
    bool autoHandle = true;
    AnchorClick(row, col, anchor, autoHandle);
    if (!autoHandle) return;
    const QString marker = QStringLiteral("CELL://");
    const qsizetype at = anchor.indexOf(marker, 0, Qt::CaseInsensitive);
    if (at < 0) {
        OpenUrl(anchor);
        return;
    }
    int targetCol = 0, targetRow = 0;
    if (!ParseCellReference(anchor.mid(at + marker.size()), targetCol, targetRow)) return;
    if (targetCol < TBaseGrid::FixedCols() || targetCol >= ColCount() || targetRow < TBaseGrid::FixedRows() ||
        targetRow >= RowCount())
        return;
    FocusCell(targetCol, targetRow, true);
    ClampInView({Col(), Row()});
}

// An edit or combo control is edited over its place in the cell, which becomes the current cell
// (the editors write into the current cell's text when the editing ends).
void TVevIvizudEvar::EditFormControl(TGridCoord cell, const THTMLDrawResult& hit) {
    if (!(cell == TGridCoord{Col(), Row()})) FocusCell(cell.X, cell.Y, true);
    if (!(cell == TGridCoord{Col(), Row()})) return;
    const int real = DisplToRealCol(cell.X);
    formControl_ = {cell, hit.ControlID, hit.ControlType};
    const TRect rect = hit.ControlRect.Offset(viewport()->x(), viewport()->y());
    if (hit.ControlType == QLatin1String("EDIT")) {
        if (!controlEdit_) {
            controlEdit_ = new TControlEdit(*this);
            controlEdit_->OnEditDone = [this] { FormControlDone(controlEdit_->text()); };
        }
        controlEdit_->StartEdit(rect, hit.ControlID, hit.ControlValue);
        return;
    }
    if (!controlCombo_) {
        controlCombo_ = new TControlCombo(*this);
        controlCombo_->OnEditDone = [this] { FormControlDone(controlCombo_->Text()); };
    }
    QStringList items;
    bool edit = false;
    ControlComboList(cell.Y, real, hit.ControlID, hit.ControlValue, items, edit);
    controlCombo_->SetStyle(edit ? TComboBoxStyle::csDropDown : TComboBoxStyle::csDropDownList);
    controlCombo_->SetItems(items);
    controlCombo_->StartEdit(rect, hit.ControlID, hit.ControlValue);
    controlCombo_->SetDroppedDown(true);
}

// The editor has written the value into the cell's text and hidden itself.
void TVevIvizudEvar::FormControlDone(const QString& value) {
    const TFormControl control = formControl_;
    if (control.Cell.X < 0) return;
    formControl_ = {};
    const int real = DisplToRealCol(control.Cell.X);
    RepaintCell(control.Cell.X, control.Cell.Y);
    ControlEditDone(control.Cell.Y, real, control.ID, control.Type, value);
}

// ---- The fixed-cell editor ----------------------------------------------------------------------------

bool TVevIvizudEvar::FixedCellEditAllowed(int col, int row) {
    bool allow = true;
    if (OnCanEditCell) OnCanEditCell(this, row, col, allow);
    return allow;
}

void TVevIvizudEvar::ShowFixedCellEditor(int col, int row) {
    if (col < 0 || row < 0 || col >= ColCount() || row >= RowCount()) return;
    const int real = DisplToRealCol(col);
    if (!FixedCellEditAllowed(real, row)) return;
    const TRect rect = CellRectEx(col, row);
    if (rect.IsEmpty()) return;
    if (!fixedEditor_) {
        auto* edit = new TCellOverlayEdit(viewport());
        edit->OnDone = [this](bool keep) { FinishFixedCellEditor(keep); };
        fixedEditor_ = edit;
    }
    EndPendingChange();
    fixedEditorCell_ = {col, row};
    static_cast<TCellOverlayEdit*>(fixedEditor_)->Open(rect.Inflated(-1, -1), GetGridCells(real, row));
}

void TVevIvizudEvar::FinishFixedCellEditor(bool keep) {
    const TGridCoord cell = fixedEditorCell_;
    if (cell.X < 0) return;
    fixedEditorCell_ = {-1, -1};
    const QString text = fixedEditor_->text();
    const bool hadFocus = fixedEditor_->hasFocus();
    fixedEditor_->hide();
    if (hadFocus) setFocus(Qt::OtherFocusReason);
    if (!keep || cell.X >= ColCount() || cell.Y >= RowCount()) return;
    SetGridCells(DisplToRealCol(cell.X), cell.Y, text);
    RepaintCell(cell.X, cell.Y);
}

// ---- The sort click -----------------------------------------------------------------------------------

bool TVevIvizudEvar::HeaderEdgeClick(int) {
    return false;
}

// A plain click on a header of SortSettings.Row (press and release on the same cell) sorts by its
// column: a click on the sorted column reverses the order, and with UndoSort the click after that
// puts the rows back in their order before sorting (Column becomes -1); with IndexShow the clicks
// build an index of columns, Shift adding a column or reversing one in it. Fixed columns sort only
// with SortSettings.FixedCols. OnCanSort may refuse; OnClickSort reports the sort done.
bool TVevIvizudEvar::SortClick(TShiftState shift, int x, int y) {
    if (autoSized_) return false;
    const TGridCoord cell = MouseCoord(x, y);
    if (cell.X < 0 || cell.Y < 0 || !(cell == downCell_)) return false;
    const TRect r = CellRect(cell.X, cell.Y);
    if (cell.Y == 0 && TBaseGrid::Options().Contains(goColSizing) &&
        (std::abs(x - r.Left) <= 4 || std::abs(x - r.Right) <= 4))
        return false;
    const int real = DisplToRealCol(cell.X);
    if (cell.Y < TBaseGrid::FixedRows() && r.Right - x <= 16 && HeaderEdgeClick(real)) return false;
    const bool sortable = cell.Y == SortSettings.Row() && TBaseGrid::FixedRows() > 0 && SortSettings.Show() &&
                          RowCount() >= 3 && (cell.X >= TBaseGrid::FixedCols() || SortSettings.FixedCols);
    if (!sortable) return false;
    bool doSort = true;
    CanSort(real, doSort);
    if (!doSort) {
        RepaintCell(cell.X, cell.Y);
        return false;
    }
    QElapsedTimer timer;
    timer.start();
    EndPendingChange();
    if (SortSettings.AutoColumnMerge)
        for (int i = 0; i < MergedColumns.Count(); ++i)
            if (const int col = MergedColumns.Item(i); col >= 0 && col < AllColCount())
                SplitColumnMerges(col);
    const int oldLeft = LeftCol();
    const bool keepLeft = TBaseGrid::Options().Contains(goRowSelect) && Navigation.KeepHorizScroll;
    if (keepLeft) BeginUpdate();
    const bool ascending = SortSettings.InitSortDirection == TSortDirection::sdAscending;
    auto flip = [](TSortDirection d) {
        return d == TSortDirection::sdAscending ? TSortDirection::sdDescending : TSortDirection::sdAscending;
    };
    if (SortSettings.IndexShow) {
        const int at = SortIndexList.FindIndex(real);
        if (shift.Contains(ssShift)) {
            if (at >= 0)
                SortIndexList.Toggle(real);
            else
                SortIndexList.Add(real, ascending);
        } else if (SortIndexList.Count() == 1 && at == 0) {
            SortIndexList.Toggle(real);
        } else {
            SortIndexList.Clear();
            SortIndexList.Add(real, ascending);
        }
        SortByIndexes();
    } else if (real == SortSettings.Column) {
        const TSortDirection before = SortSettings.Direction;
        SortSettings.Direction = flip(before);
        if (SortSettings.UndoSort && before != SortSettings.InitSortDirection) {
            RestoreRowOrder();
            SortSettings.Column = -1;
        } else {
            NodeCount() > 0 ? SortNodeRows() : SortByColumn();
        }
    } else {
        SortSettings.Direction = SortSettings.InitSortDirection;
        SortSettings.Column = real;
        NodeCount() > 0 ? SortNodeRows() : SortByColumn();
    }
    if (keepLeft) {
        SetLeftCol(oldLeft);
        EndUpdate();
    }
    if (SortSettings.AutoColumnMerge) MergeListedColumns();
    InvalidateGrid();
    sortTime_ = int(timer.elapsed());
    ClickSort(SortSettings.Column);
    return true;
}

// ---- Dispatchers --------------------------------------------------------------------------------------

void TVevIvizudEvar::ClickCell(int row, int col) {
    if (OnClickCell) OnClickCell(this, row, col);
}

void TVevIvizudEvar::RightClickCell(int row, int col) {
    if (OnRightClickCell) OnRightClickCell(this, row, col);
}

void TVevIvizudEvar::CheckBoxMouseUp(int col, int row, bool state) {
    if (OnCheckBoxMouseUp) OnCheckBoxMouseUp(this, col, row, state);
}

void TVevIvizudEvar::RadioMouseUp(int col, int row, int index) {
    if (OnRadioMouseUp) OnRadioMouseUp(this, col, row, index);
}

void TVevIvizudEvar::BeforeExpandNode(int row, bool& allow) {
    if (OnBeforeExpandNode) OnBeforeExpandNode(this, row, allow);
}

void TVevIvizudEvar::BeforeContractNode(int row, bool& allow) {
    if (OnBeforeContractNode) OnBeforeContractNode(this, row, allow);
}

void TVevIvizudEvar::DoExpandNode(int row) {
    if (OnExpandNode) OnExpandNode(this, row);
}

void TVevIvizudEvar::DoContractNode(int row) {
    if (OnContractNode) OnContractNode(this, row);
}

void TVevIvizudEvar::AnchorClick(int row, int col, const QString& anchor, bool& autoHandle) {
    if (OnAnchorClick) OnAnchorClick(this, row, col, anchor, autoHandle);
}

void TVevIvizudEvar::AnchorEnter(int row, int col, const QString& anchor) {
    if (OnAnchorEnter) OnAnchorEnter(this, row, col, anchor);
}

void TVevIvizudEvar::AnchorExit(int row, int col, const QString& anchor) {
    if (OnAnchorExit) OnAnchorExit(this, row, col, anchor);
}

void TVevIvizudEvar::GetAnchorHint(int row, int col, QString& anchor) {
    if (OnAnchorHint) OnAnchorHint(this, row, col, anchor);
}

void TVevIvizudEvar::DoColumnMove(int col, bool& allow) {
    if (OnColumnMove) OnColumnMove(this, col, allow);
}

void TVevIvizudEvar::DoRowMove(int row, bool& allow) {
    if (OnRowMove) OnRowMove(this, row, allow);
}

void TVevIvizudEvar::DoColumnSize(int col, bool& allow) {
    if (OnColumnSize) OnColumnSize(this, col, allow);
}

void TVevIvizudEvar::DoRowSize(int row, bool& allow) {
    if (OnRowSize) OnRowSize(this, row, allow);
}

void TVevIvizudEvar::ControlClick(int row, int col, const QString& id, const QString& type,
                                  const QString& value) {
    if (OnControlClick) OnControlClick(this, row, col, id, type, value);
}

void TVevIvizudEvar::ControlEditDone(int row, int col, const QString& id, const QString& type,
                                     const QString& value) {
    if (OnControlEditDone) OnControlEditDone(this, row, col, id, type, value);
}

void TVevIvizudEvar::ControlComboList(int row, int col, const QString& id, const QString& value,
                                      QStringList& items, bool& edit) {
    if (OnControlComboList) OnControlComboList(this, row, col, id, value, items, edit);
}

void TVevIvizudEvar::SelectionResize(int left, int top, int right, int bottom) {
    if (OnSelectionResize) OnSelectionResize(this, left, top, right, bottom);
}

void TVevIvizudEvar::CanSort(int col, bool& doSort) {
    if (OnCanSort) OnCanSort(this, col, doSort);
}

void TVevIvizudEvar::ClickSort(int col) {
    if (OnClickSort) OnClickSort(this, col);
}

void TVevIvizudEvar::ScrollHint(int rowCol, QString& hint) {
    if (OnScrollHint) OnScrollHint(this, rowCol, hint);
}

void TVevIvizudEvar::OleDrag(int row, int col, const QString& data, bool& allow) {
    if (OnOleDrag) OnOleDrag(this, row, col, data, allow);
}
