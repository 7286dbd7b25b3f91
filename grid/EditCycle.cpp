// The edit cycle of TVevIvizudEvar: the cell and its text are noted when editing starts; when it
// ends, a changed text passes the cell checker and OnCellValidate. An accepted text is recorded
// for undo (with its final value) and reported as a change; a refused one keeps the user in the
// cell with the editor open on the text the handler gave back (or the text before editing).
#include "grid/AdvancedGrid.h"

#include "grid/ScopedFlag.h"
#include "grid/TextEditor.h"
#include "grid/TextUtils.h"

void TVevIvizudEvar::BeginEdit(int col, int row) {
    cycle_.Col = col;
    cycle_.Row = row;
    cycle_.Text =
        col >= 0 && row >= 0 && row < RowCount() ? GetGridCells(DisplToRealCol(col), row) : QString();
    DecodeWideCell(cycle_.Text, cycle_.Wide);
    cycle_.Editing = true;
}

bool TVevIvizudEvar::ValidateCell(QString& value) {
    if (!cycle_.Editing || cycle_.Validating) return true;
    cycle_.Editing = false;
    const TScopedFlag validating(cycle_.Validating);
    bool valid = true;
    const int col = cycle_.Col, row = cycle_.Row;
    const int realCol = DisplToRealCol(col);
    if (value != cycle_.Text || cycle_.Force) {
        const QString given = value;
        ColumnChanged(realCol);
        if (CellChecker && CellChecker->AutoCorrect) value = CellChecker->CorrectCell(realCol, row, value);
        CellValidate(realCol, row, value, valid);
        if (CellChecker && CellChecker->AutoMarkError)
            value = CellChecker->MarkCellErrors(realCol, row, value);
        if (valid && UndoRedo()) UndoRedo()->AddUndoStep(realCol, row, value, cycle_.Text);
        CellsChanged(Bounds(realCol, row, 0, 0));
        if (!valid) {
            SetGridCells(realCol, row, value != given ? value : cycle_.Text);
            cycle_.Editing = true;
            if (Col() != col || Row() != row) {
                SetCol(col);
                SetRow(row);
                setFocus(Qt::OtherFocusReason);
            }
            ShowEditorIfAllowed();
            return false;
        }
        SetGridCells(realCol, row, value);
    }
    BeginEdit(Col(), Row());
    return valid;
}

bool TVevIvizudEvar::ValidateCellWide(QString& value) {
    if (!cycle_.Editing || cycle_.Validating) return true;
    cycle_.Editing = false;
    const TScopedFlag validating(cycle_.Validating);
    bool valid = true;
    const int realCol = DisplToRealCol(cycle_.Col), row = cycle_.Row;
    if (value != cycle_.Wide || cycle_.Force) {
        const QString given = value;
        CellValidateWide(realCol, row, value, valid);
        CellsChanged(Bounds(realCol, row, 0, 0));
        if (!valid) {
            // As for narrow text: the cell gets the handler's value, or its text before editing.
            SetWideCell(realCol, row, value != given ? value : cycle_.Wide);
            cycle_.Editing = true;
            return false;
        }
        SetWideCell(realCol, row, value);
    }
    BeginEdit(Col(), Row());
    return valid;
}

void TVevIvizudEvar::CellsChanged(const TRect& cells) {
    DoCellsChanged(cells);
    for (const auto& listener : ChangeListeners) listener(cells);
    Recalculate(-1);
}

void TVevIvizudEvar::ColumnChanged(int col) {
    Recalculate(col);
}

void TVevIvizudEvar::EndPendingChange() {
    if (editorActive_) HideInplaceEdit();
}

void TVevIvizudEvar::ShowEditorIfAllowed() {
    if (!HasClickableGraphic(RealCol(), Row())) ShowEditor();
}

void TVevIvizudEvar::CellLook(int col, int row, TBrush& brush, TFont& font) {
    TGridDrawState state;
    TColor colorTo = clNone;
    TVAlignment vAlign;
    TAlignment hAlign;
    GetCellColors(col, row, vAlign, hAlign, font, colorTo, brush, true, false, false, state);
}

TColor TVevIvizudEvar::CellColor(int col, int row) const {
    const TCellProperties* p = CellProperties(col, row);
    return p ? p->BrushColor() : clNone;
}

bool TVevIvizudEvar::IsReadOnly(int col, int row) const {
    const TCellProperties* p = CellProperties(col, row);
    return p && p->ReadOnly;
}

QWidget* TVevIvizudEvar::CellControl(int col, int row) const {
    const TCellProperties* p = CellProperties(col, row);
    return p ? p->Control.data() : nullptr;
}

void TVevIvizudEvar::BeginUpdate() {
    TBaseGrid::BeginUpdate();
}

void TVevIvizudEvar::EndUpdate() {
    if (UpdateCount() == 0) {
        // After a reset the next end repaints at once.
        InvalidateGrid();
        RepaintFooter();
        return;
    }
    const bool last = UpdateCount() == 1;
    TBaseGrid::EndUpdate();
    if (last) RepaintFooter();
}

void TVevIvizudEvar::BeginUpdateQuiet() {
    TBaseGrid::BeginUpdate();
}

void TVevIvizudEvar::ResetUpdate() {
    ResetUpdateCount();
}

void TVevIvizudEvar::DoEnter() {
    TBaseGrid::DoEnter();
    if (!editorKey_) BeginEdit(Col(), Row());
    if (Navigation.AlwaysEdit && !CellRect(Col(), Row()).IsEmpty()) ShowEditorIfAllowed();
}

void TVevIvizudEvar::DoExit() {
    TBaseGrid::DoExit();
    ReleaseCellButton(false);
}
