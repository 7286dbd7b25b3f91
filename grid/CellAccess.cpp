// Counts, the current cell and its events, fixed and editable cells, typed cell access and the
// row and column selection flags of TVevIvizudEvar.
#include "grid/AdvancedGrid.h"

#include "grid/ComboEditor.h"
#include "grid/FloatFormat.h"
#include "grid/GridError.h"
#include "grid/TextUtils.h"

#include <QCursor>

// ---- Counts --------------------------------------------------------------------------------------

void TVevIvizudEvar::SetRowCount(int count) {
    count = std::max(count, 1); // as the grid keeps one row at least
    ChangeRowCount(count);
}

void TVevIvizudEvar::ChangeRowCount(int count) {
    if (RowCount() == TBaseGrid::FixedRows() && FixedRowAlways) UnHideSelection();
    // Rows dropped from the end leave as removed rows do (see RowStructure.cpp).
    if (count < RowCount()) EraseDisplayRows(count, RowCount() - count);
    TBaseGrid::SetRowCount(count);
    if (FixedRowAlways && count > savedFixedRows_ && TBaseGrid::FixedRows() != savedFixedRows_ &&
        savedFixedRows_ < RowCount())
        TBaseGrid::SetFixedRows(savedFixedRows_);
    DisplTextRowLimit = RowCount();
    RepaintFooter();
}

void TVevIvizudEvar::SetColCount(int count) {
    count = std::max(count, 1); // as the grid keeps one column at least
    if (count < ColCount()) {
        // Hidden columns after the last column kept go with the dropped ones; blocks are cut to the
        // columns that remain. (Cells beyond the count stay in the store, as the string grid keeps
        // them.)
        TStructureChange change(*this);
        const int lastKept = DisplToRealCol(count - 1);
        std::vector<TMergedArea> areas = TakeMergedAreas(0, RowCount() - 1, lastKept + 1, AllColCount() - 1);
        for (int c = columns_.LastHidden(); c > lastKept; c = columns_.LastHidden())
            columns_.SetHidden(c, false);
        if (colSelect_.size() > size_t(count)) colSelect_.resize(size_t(count));
        TBaseGrid::SetColCount(count);
        PutMergedAreas(std::move(areas));
    }
    TBaseGrid::SetColCount(count);
    if (ColCount() >= 2 && FixedColAlways && TBaseGrid::FixedCols() != 1) TBaseGrid::SetFixedCols(1);
    RepaintFooter();
    if (integralHeight_) SetBounds(x(), y(), width(), height());
}

int TVevIvizudEvar::FixedRows() const {
    const int fixed = TBaseGrid::FixedRows();
    return fixed == 0 && FixedRowAlways ? 1 : fixed;
}

void TVevIvizudEvar::SetFixedRows(int count) {
    TBaseGrid::SetFixedRows(count);
    if (!loading_) savedFixedRows_ = count;
}

int TVevIvizudEvar::FixedCols() const {
    const int fixed = TBaseGrid::FixedCols();
    return fixed == 0 && FixedColAlways ? 1 : fixed;
}

void TVevIvizudEvar::SetFixedCols(int count) {
    TBaseGrid::SetFixedCols(count);
}

// ---- Current row ---------------------------------------------------------------------------------

void TVevIvizudEvar::NotifyRowUpdate(int row) {
    if (loading_ || row == lastNotifiedRow_ || UpdateCount() != 0) return;
    const int old = lastNotifiedRow_;
    lastNotifiedRow_ = row;
    RowUpdate(old, row);
}

void TVevIvizudEvar::SetCurrentRow(int row) {
    SetRow(row);
    NotifyRowUpdate(Row());
}

bool TVevIvizudEvar::RunCellChanging(int col, int row) {
    bool allow = true;
    if (col < 0 || row < 0) return allow;
    if (row != Row()) RowChanging(Row(), row, allow);
    if (col != Col()) ColChanging(Col(), col, allow);
    if ((col != Col() || row != Row()) && !cellChangingSuppressed_)
        CellChanging(Row(), Col(), row, col, allow);
    return allow;
}

// Editability is switched per cell by adding or removing goEditing.
void TVevIvizudEvar::SwitchEditing(int realCol, int row) {
    if (HasClickableGraphic(realCol, row)) return;
    const bool editing = TBaseGrid::Options().Contains(goEditing);
    const bool canEdit = CanEditCell(realCol, row, editing || editingSwitched_);
    if (canEdit) {
        editingSwitched_ = false;
        if (!editing) {
            if (!editorActive_) BeginEdit(Col(), Row());
            TBaseGrid::SetOptions(TBaseGrid::Options() + goEditing);
        }
    } else if (editing) {
        editingSwitched_ = true;
        TBaseGrid::SetOptions(TBaseGrid::Options() - goEditing);
    }
}

bool TVevIvizudEvar::SelectCell(int col, int row) {
    if (!FooterAllowsCell(col, row)) return false;
    if (!RunCellChanging(col, row)) return false;
    if (HasNodes() && col == 0 && !TBaseGrid::Options().Contains(goRowSelect)) return false;
    if (editorActive_ && !textEditorInUse_ && !(col == Col() && row == Row())) {
        // An editor control is open: its text must pass the validation before the cell changes.
        QString value = EditorControlText();
        if (!ValidateCell(value)) return false;
    }
    if (editorActive_ && !(col == Col() && row == Row())) HideInplaceEdit();
    SwitchEditing(DisplToRealCol(col), row);
    const bool result = !IsFixedCellForDraw(col, row) && TBaseGrid::SelectCell(col, row);
    if (!result) return false;
    if (!RowIndicator.Empty() && TBaseGrid::FixedCols() > 0) {
        RepaintCell(0, Row());
        RepaintCell(0, row);
    }
    if (ActiveCellShow) {
        RepaintCell(Col(), 0);
        RepaintCell(col, 0);
        RepaintCell(0, Row());
        RepaintCell(0, row);
    }
    if (selectionRectangle_) InvalidateGridRect(Selection());
    NotifyRowUpdate(row);
    return true;
}

// ---- Fixed and editable cells ----------------------------------------------------------------------

bool TVevIvizudEvar::IsFixedCell(int col, int row) {
    bool fixed = (FixedRowAlways && row <= savedFixedRows_ && RowCount() == savedFixedRows_) ||
                 (FixedColAlways && col == 0 && ColCount() == 1) || col < TBaseGrid::FixedCols() ||
                 row < TBaseGrid::FixedRows();
    if (!fixed && OnIsFixedCell) OnIsFixedCell(this, row, col, fixed);
    return fixed;
}

bool TVevIvizudEvar::IsFixedCellForDraw(int col, int row) {
    const TGridCoord base = BaseCell(DisplToRealCol(col), row);
    if (base.Y >= DataRowEnd()) return true;
    if (fixedRightCols_ > 0 && base.X >= ColCount() - fixedRightCols_ + HiddenColCount()) return true;
    return IsFixedCell(base.X, base.Y);
}

bool TVevIvizudEvar::CanEditCell(int col, int row, bool canEdit) {
    if (const TCellProperties* p = CellProperties(col, row); p && canEdit) canEdit = !p->ReadOnly;
    // Editing the grid switched off itself (for a read-only cell) still counts as editing.
    const bool editing = TBaseGrid::Options().Contains(goEditing) || editingSwitched_;
    if (!editing && !MouseActions.RangeSelectAndEdit) canEdit = false;
    const TGridCoord base = BaseCell(col, row);
    if (OnCanEditCell) OnCanEditCell(this, base.Y, base.X, canEdit);
    return canEdit;
}

bool TVevIvizudEvar::IsEditableCell(int col, int row) {
    if (IsMergedCell(col, row) && !IsBaseCellAt(col, row)) return false;
    return CanEditCell(col, row, true) && !IsFixedCell(col, row);
}

// ---- Rows in the hidden-row store ------------------------------------------------------------------

// The store is ascending by real row, so the k-th stored row stands before display row Idx - k;
// both conversions are binary searches.
int TVevIvizudEvar::DisplToRealRow(int row) const {
    if (row < 0) return 0;
    size_t lo = 0, hi = hiddenRows_.size();
    while (lo < hi) {
        const size_t mid = (lo + hi) / 2;
        if (hiddenRows_[mid].Idx - int(mid) <= row)
            lo = mid + 1;
        else
            hi = mid;
    }
    return row + int(lo);
}

int TVevIvizudEvar::RealToDisplRow(int row) const {
    const auto before = std::lower_bound(hiddenRows_.begin(), hiddenRows_.end(), row,
                                         [](const TGridItem& item, int real) { return item.Idx < real; });
    return row - int(before - hiddenRows_.begin());
}

bool TVevIvizudEvar::IsHiddenRow(int row) const {
    const auto at = std::lower_bound(hiddenRows_.begin(), hiddenRows_.end(), row,
                                     [](const TGridItem& item, int real) { return item.Idx < real; });
    return at != hiddenRows_.end() && at->Idx == row;
}

// ---- Typed access ----------------------------------------------------------------------------------

int TVevIvizudEvar::Ints(int col, int row) {
    QString text = GetGridCells(col, row);
    if (text.isEmpty()) text = QStringLiteral("0");
    bool ok = false;
    const int value = text.toInt(&ok, 10);
    if (!ok) throw EVozAvozError("Cell does not contain integer value");
    return value;
}

void TVevIvizudEvar::SetInts(int col, int row, int value) {
    SetGridCells(col, row, QString::number(value));
}

double TVevIvizudEvar::Floats(int col, int row) {
    QString text = GetGridCells(col, row);
    if (text.isEmpty()) text = QStringLiteral("0");
    QString numeric;
    NumericText(text, numeric);
    bool ok = false;
    const double value = numeric.toDouble(&ok);
    if (!ok) throw EVozAvozError("Cell does not contain a float value");
    return value;
}

void TVevIvizudEvar::SetFloats(int col, int row, double value) {
    SetGridCells(col, row, FormatFloat(FloatFormat, value));
}

void TVevIvizudEvar::SetDates(int col, int row, TDateTime value) {
    if (!(value > 0) && !KeepZeroDates)
        SetGridCells(col, row, QString());
    else
        SetGridCells(col, row, DateText(value));
}

QString TVevIvizudEvar::GetWideCell(int col, int row) {
    QString wide;
    DecodeWideCell(GetGridCells(col, row), wide);
    return wide;
}

void TVevIvizudEvar::SetWideCell(int col, int row, const QString& text) {
    SetGridCells(col, row, text);
}

// ---- Row and column selection flags --------------------------------------------------------------

void TVevIvizudEvar::SetSelectionFlag(std::vector<bool>& flags, int index, int count, bool on,
                                      const char* error, bool rows) {
    if (index < 0 || index >= count) throw EVozAvozError(error);
    if (size_t(index) >= flags.size()) flags.resize(size_t(index) + 1, false);
    if (flags[size_t(index)] == on) return;
    flags[size_t(index)] = on;
    rows ? InvalidateRow(index) : InvalidateCol(index);
}

bool TVevIvizudEvar::RowSelect(int row) const {
    if (row < 0 || row >= RowCount()) throw EVozAvozError("Invalid row accessed");
    return size_t(row) < rowSelect_.size() && rowSelect_[size_t(row)];
}

void TVevIvizudEvar::SetRowSelect(int row, bool on) {
    SetSelectionFlag(rowSelect_, row, RowCount(), on, "Invalid row accessed", true);
}

bool TVevIvizudEvar::ColSelect(int col) const {
    if (col < 0 || col >= ColCount()) throw EVozAvozError("Invalid column accessed");
    return size_t(col) < colSelect_.size() && colSelect_[size_t(col)];
}

void TVevIvizudEvar::SetColSelect(int col, bool on) {
    SetSelectionFlag(colSelect_, col, ColCount(), on, "Invalid column accessed", false);
}

int TVevIvizudEvar::RowMarkIndex(int row) const {
    return MouseActions.RowSelectPersistent ? DisplToRealRow(row) : row;
}

void TVevIvizudEvar::SetRowMark(int row, bool on) {
    const int index = RowMarkIndex(row);
    if (index < 0 || RowSelectFlag(index) == on) return;
    if (size_t(index) >= rowSelect_.size()) rowSelect_.resize(size_t(index) + 1, false);
    rowSelect_[size_t(index)] = on;
    InvalidateRow(row);
}

void TVevIvizudEvar::ClearRowSelect() {
    const bool byRealRow = MouseActions.RowSelectPersistent;
    for (size_t r = 0; r < rowSelect_.size(); ++r)
        if (rowSelect_[r]) InvalidateRow(byRealRow ? RealToDisplRow(int(r)) : int(r));
    rowSelect_.assign(rowSelect_.size(), false);
}

void TVevIvizudEvar::ClearColSelect() {
    for (size_t c = 0; c < colSelect_.size(); ++c)
        if (colSelect_[c]) InvalidateCol(int(c));
    colSelect_.assign(colSelect_.size(), false);
}

void TVevIvizudEvar::SelectRowsInRange(bool all) {
    const TGridRect sel = Selection();
    for (int r = FixedRows(); r < RowCount(); ++r) {
        if (!all && (r < sel.Top || r > sel.Bottom)) continue;
        SetRowMark(r, r >= sel.Top && r <= sel.Bottom);
    }
}

void TVevIvizudEvar::SelectColsInRange(bool all) {
    const TGridRect sel = Selection();
    for (int c = FixedCols(); c < ColCount(); ++c) {
        if (!all && (c < sel.Left || c > sel.Right)) continue;
        SetColSelect(c, c >= sel.Left && c <= sel.Right);
    }
}

// ---- Combo items, scrolling, selection --------------------------------------------------------------

void TVevIvizudEvar::ClearComboItems() {
    combo_->ClearItems();
}

int TVevIvizudEvar::AddComboItem(const QString& item) {
    return combo_->AddItem(item);
}

void TVevIvizudEvar::ScrollToCell(int col, int row) {
    if (col >= ColCount() || row >= RowCount() || col < 0 || row < 0) return;
    int left = LeftCol(), top = TopRow();
    if (col < LeftCol() || col >= LeftCol() + VisibleColCount()) {
        SetCol(col);
        left = std::max(col - VisibleColCount() / 2, FixedCols());
    }
    if (row < TopRow() || row >= TopRow() + VisibleRowCount()) {
        SetCurrentRow(row);
        top = std::max(row - VisibleRowCount() / 2, FixedRows());
    }
    left = std::max(std::min(left, ColCount() - (VisibleColCount() + FixedCols())), FixedCols());
    top = std::max(std::min(top, RowCount() - (VisibleRowCount() + FixedRows())), FixedRows());
    SetLeftCol(left);
    SetTopRow(top);
}

void TVevIvizudEvar::HideSelection() {
    savedSelection_ = Selection();
    selectionHidden_ = true;
    InvalidateGrid();
}

void TVevIvizudEvar::UnHideSelection() {
    selectionHidden_ = false;
    if (savedSelection_ && savedSelection_->Right < ColCount() && savedSelection_->Bottom < RowCount()) {
        SetSelection(*savedSelection_);
    } else {
        const int firstRow =
            FixedRowAlways && TBaseGrid::FixedRows() == RowCount() ? 0 : TBaseGrid::FixedRows();
        const int firstCol =
            FixedColAlways && TBaseGrid::FixedCols() == ColCount() ? 0 : TBaseGrid::FixedCols();
        if (firstRow < RowCount() && firstCol < ColCount())
            SetSelection({firstCol, firstRow, firstCol, firstRow});
    }
    savedSelection_.reset();
    InvalidateGrid();
}

// The whole grid counts as data area (the flag that would limit it to the non-fixed cells is on).
int TVevIvizudEvar::FirstDataCol() const {
    return 0;
}

int TVevIvizudEvar::FirstDataRow() const {
    return 0;
}

int TVevIvizudEvar::LastDataCol() const {
    return ColCount() - 1;
}

int TVevIvizudEvar::LastDataRow() const {
    return RowCount() - 1;
}

TGridCoord TVevIvizudEvar::CellFromScreen(TPoint screen) const {
    const QPoint p = viewport()->mapFromGlobal(ToQPoint(screen));
    return MouseCoord(p.x(), p.y());
}

bool TVevIvizudEvar::IsSizingPos(int x, int y) const {
    const TGridCoord cell = MouseCoord(x, y);
    if (cell.X < 0 || cell.Y < 0) return false;
    const TRect r = CellRectEx(cell.X, cell.Y);
    bool result = false;
    if (cell.Y <= TBaseGrid::FixedRows() && TBaseGrid::Options().Contains(goColSizing))
        result = std::abs(x - r.Left) < 4 || std::abs(x - r.Right) < 4;
    if (cell.X <= TBaseGrid::FixedCols() && TBaseGrid::Options().Contains(goRowSizing))
        result = std::abs(y - r.Top) < 4 || std::abs(y - r.Bottom) < 4;
    return result;
}

// ---- Graphics ---------------------------------------------------------------------------------------

TCellGraphic* TVevIvizudEvar::GetCellGraphic(int col, int row) const {
    return GetCellGraphicObject(col, row);
}

TCellType TVevIvizudEvar::GetCellType(int col, int row) const {
    const TCellGraphic* graphic = GetCellGraphic(col, row);
    return graphic ? graphic->CellType : TCellType::ctEmpty;
}

bool TVevIvizudEvar::HasClickableGraphic(int col, int row) const {
    const TGridCoord base = BaseCell(col, row);
    return IsClickableGraphic(GetCellType(base.X, base.Y));
}

int TVevIvizudEvar::GetNodeIndent(int row) {
    if (!HasNodes()) return 0;
    const TCellProperties* p = CellProperties(0, row);
    return p ? p->Level() * CellNode.NodeIndent() : 0;
}
