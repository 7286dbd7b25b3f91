// The virtual dispatchers through which TVevIvizudEvar fires its events: a derived grid overrides
// one to answer without a handler. Each fires its event when assigned, after what the grid itself
// decides where a dispatcher has an own behaviour (the active-cell look, the cell's colours).
#include "grid/AdvancedGrid.h"

void TVevIvizudEvar::GetCellHint(int col, int row, QString& hint) {
    if (OnGridHint) OnGridHint(this, row, col, hint);
}

void TVevIvizudEvar::ApplyActiveCellLook(int col, int row, TBrush& brush, TFont& font) {
    if (!ActiveCellShow) return;
    const int c = RealToDisplCol(col);
    const bool rowHead = row == Row() && c == 0 && TBaseGrid::FixedCols() > 0;
    const bool colHead = c == Col() && row == 0 && TBaseGrid::FixedRows() >= 1;
    if (!rowHead && !colHead) return;
    font = activeCellFont_;
    brush.SetColor(ActiveCellColor);
}

void TVevIvizudEvar::GetCellColor(int col, int row, TGridDrawState state, TBrush& brush, TFont& font) {
    ApplyActiveCellLook(col, row, brush, font);
    // A fixed cell keeps the fixed colours whatever its properties say.
    const TCellProperties* p = state.Contains(gdFixed) ? nullptr : CellProperties(col, row);
    if (p) {
        if (p->BrushColor() != clNone) brush.SetColor(p->BrushColor());
        if (p->FontColor != clNone) font.SetColor(p->FontColor);
        if (!p->FontStyle.Empty()) font.SetStyle(p->FontStyle);
        if (p->FontSize != 0) font.SetSize(p->FontSize);
        if (!p->FontName.isEmpty()) font.SetName(p->FontName);
    }
    if (OnGetCellColor) OnGetCellColor(this, row, col, state, brush, font);
}

void TVevIvizudEvar::GetCellPrintColor(int col, int row, TGridDrawState state, TBrush& brush, TFont& font) {
    if (OnGetCellPrintColor) OnGetCellPrintColor(this, row, col, state, brush, font);
}

void TVevIvizudEvar::GetCellBorder(int col, int row, TPen& pen, TCellBorders& borders) {
    if (OnGetCellBorder) OnGetCellBorder(this, row, col, pen, borders);
}

void TVevIvizudEvar::GetCellPrintBorder(int col, int row, TPen& pen, TCellBorders& borders) {
    if (OnGetCellPrintBorder) OnGetCellPrintBorder(this, row, col, pen, borders);
}

void TVevIvizudEvar::GetCellAlignment(int col, int row, TAlignment& hAlign, TVAlignment& vAlign) {
    if (OnGetAlignment) OnGetAlignment(this, row, col, hAlign, vAlign);
}

void TVevIvizudEvar::GetColFormat(int col, TSortStyle& style, QString& prefix, QString& suffix) {
    if (OnGetFormat) OnGetFormat(this, col, style, prefix, suffix);
}

void TVevIvizudEvar::GetCellEditor(int col, int row, TEditorType& editor) {
    if (OnGetEditorType) OnGetEditorType(this, col, row, editor);
}

bool TVevIvizudEvar::IsPasswordCell(int col, int row) {
    bool isPassword = false;
    if (OnIsPasswordCell) OnIsPasswordCell(this, row, col, isPassword);
    return isPassword;
}

bool TVevIvizudEvar::HasComboBox(int col, int row) {
    bool hasCombo = false;
    if (OnHasComboBox) OnHasComboBox(this, col, row, hasCombo);
    return hasCombo;
}

QString TVevIvizudEvar::GetCheckTrue(int col, int row) {
    QString value = CheckTrue;
    if (OnGetCheckTrue) OnGetCheckTrue(this, col, row, value);
    return value;
}

QString TVevIvizudEvar::GetCheckFalse(int col, int row) {
    QString value = CheckFalse;
    if (OnGetCheckFalse) OnGetCheckFalse(this, col, row, value);
    return value;
}

bool TVevIvizudEvar::CanAddRow() {
    bool canAdd = true;
    if (OnCanAddRow) OnCanAddRow(this, canAdd);
    return canAdd;
}

bool TVevIvizudEvar::CanInsertRow(int row) {
    bool canInsert = true;
    if (OnCanInsertRow) OnCanInsertRow(this, row, canInsert);
    return canInsert;
}

bool TVevIvizudEvar::CanDeleteRow(int row) {
    bool canDelete = true;
    if (OnCanDeleteRow) OnCanDeleteRow(this, row, canDelete);
    return canDelete;
}

void TVevIvizudEvar::UpdateColumnSize(int col, int& width) {
    if (OnUpdateColumnSize) OnUpdateColumnSize(this, col, width);
}

void TVevIvizudEvar::SelectionChanged(int left, int top, int right, int bottom) {
    if (OnSelectionChanged) OnSelectionChanged(this, left, top, right, bottom);
}

void TVevIvizudEvar::RowUpdate(int oldRow, int newRow) {
    if (OnRowUpdate) OnRowUpdate(this, oldRow, newRow);
}

void TVevIvizudEvar::RowChanging(int oldRow, int newRow, bool& allow) {
    if (OnRowChanging) OnRowChanging(this, oldRow, newRow, allow);
}

void TVevIvizudEvar::ColChanging(int oldCol, int newCol, bool& allow) {
    if (OnColChanging) OnColChanging(this, oldCol, newCol, allow);
}

void TVevIvizudEvar::CellChanging(int oldRow, int oldCol, int newRow, int newCol, bool& allow) {
    if (OnCellChanging) OnCellChanging(this, oldRow, oldCol, newRow, newCol, allow);
}

void TVevIvizudEvar::DoAutoAddRow(int row) {
    if (OnAutoAddRow) OnAutoAddRow(this, row);
}

void TVevIvizudEvar::DoAutoInsertRow(int row) {
    if (OnAutoInsertRow) OnAutoInsertRow(this, row);
}

void TVevIvizudEvar::DoAutoDeleteRow(int row) {
    if (OnAutoDeleteRow) OnAutoDeleteRow(this, row);
}

void TVevIvizudEvar::DoAutoInsertCol(int col) {
    if (OnAutoInsertCol) OnAutoInsertCol(this, col);
}

void TVevIvizudEvar::DoEndColumnSize(int col) {
    if (OnEndColumnSize) OnEndColumnSize(this, col);
}

void TVevIvizudEvar::DoEndRowSize(int row) {
    if (OnEndRowSize) OnEndRowSize(this, row);
}

void TVevIvizudEvar::GetFloatFormat(int col, int row, bool& isFloat, QString& format) {
    if (OnGetFloatFormat) OnGetFloatFormat(this, col, row, isFloat, format);
}

void TVevIvizudEvar::DrawCellEvent(int col, int row, const TRect& rect, TGridDrawState state) {
    if (OnDrawCell) OnDrawCell(this, col, row, rect, state);
}

void TVevIvizudEvar::CustomCellDraw(TCanvas& canvas, int col, int row, TGridDrawState state,
                                    const TRect& rect, bool printing) {
    if (OnCustomCellDraw) OnCustomCellDraw(this, canvas, col, row, state, rect, printing);
}

void TVevIvizudEvar::GetCellBorderProp(int col, int row, TPen& left, TPen& top, TPen& right, TPen& bottom) {
    if (OnGetCellBorderProp) OnGetCellBorderProp(this, row, col, left, top, right, bottom);
}

void TVevIvizudEvar::CellValidate(int col, int row, QString& value, bool& valid) {
    if (OnCellValidate) OnCellValidate(this, col, row, value, valid);
}

void TVevIvizudEvar::CellValidateWide(int col, int row, QString& value, bool& valid) {
    if (OnCellValidateWide) OnCellValidateWide(this, col, row, value, valid);
}

void TVevIvizudEvar::DoCellsChanged(const TRect& cells) {
    if (OnCellsChanged) OnCellsChanged(this, cells);
}

void TVevIvizudEvar::DoEditingDone() {
    if (OnEditingDone) OnEditingDone(this);
}

void TVevIvizudEvar::ComboChange(int col, int row, int index, const QString& text) {
    if (OnComboChange) OnComboChange(this, col, row, index, text);
}

void TVevIvizudEvar::ComboObjectChange(int col, int row, int index, const QString& text, QObject* object) {
    if (OnComboObjectChange) OnComboObjectChange(this, col, row, index, text, object);
}

void TVevIvizudEvar::ComboCloseUp(int row, int col) {
    if (OnComboCloseUp) OnComboCloseUp(this, row, col);
}

void TVevIvizudEvar::DoClipboardCopy(bool& allow) {
    if (OnClipboardCopy) OnClipboardCopy(this, allow);
}

void TVevIvizudEvar::DoClipboardCut(bool& allow) {
    if (OnClipboardCut) OnClipboardCut(this, allow);
}

void TVevIvizudEvar::DoClipboardPaste(bool& allow) {
    if (OnClipboardPaste) OnClipboardPaste(this, allow);
}

void TVevIvizudEvar::ClipboardBeforePasteCell(int col, int row, QString& value, bool& allow) {
    if (OnClipboardBeforePasteCell) OnClipboardBeforePasteCell(this, col, row, value, allow);
}

void TVevIvizudEvar::DblClickCell(int row, int col) {
    if (OnDblClickCell) OnDblClickCell(this, row, col);
}

void TVevIvizudEvar::FilterProgress(int progress) {
    if (OnFilterProgress) OnFilterProgress(this, progress);
}

void TVevIvizudEvar::CheckBoxClick(int col, int row, bool state) {
    if (OnCheckBoxClick) OnCheckBoxClick(this, col, row, state);
}

void TVevIvizudEvar::RadioClick(int col, int row, int index) {
    if (OnRadioClick) OnRadioClick(this, col, row, index);
}

void TVevIvizudEvar::ButtonClick(int col, int row) {
    if (OnButtonClick) OnButtonClick(this, col, row);
}

void TVevIvizudEvar::DoResize() {
    if (OnResize) OnResize(this);
}

QString TVevIvizudEvar::EllipsClick(const QString& value) {
    QString result = value;
    if (OnEllipsClick) OnEllipsClick(this, RealCol(), Row(), result);
    return result;
}
