// In-cell editing of TVevIvizudEvar: which editor a cell gets, showing the editor control over
// the cell, and writing the editor's value back into the cell when it closes.
//
// The plain text kinds (edNormal, edNumeric .. edPassword, edLowerCase, edUpperCase) edit in the
// grid's own text editor (TextEditor.h), which writes every change into the cell as it is typed;
// edRichEdit edits in the grid's rich-text editor (RichEditor.h). The drop-down kinds
// (edComboEdit, edComboList) and the date and time kinds edit in the controls of ComboEditor.h and
// DateEditor.h, every other kind in those of GridEditors.h (placed by EditorControls.cpp); a
// control gives its value back when it closes. edNone opens nothing; edDataCheckBox and an
// edCustom cell without an edit link open nothing either, but count as an open edit until the next
// close.
#include "grid/AdvancedGrid.h"

#include "grid/ComboEditor.h"
#include "grid/DateEditor.h"
#include "grid/TextEditor.h"
#include "grid/TextUtils.h"

namespace {

bool IsComboType(TEditorType type) {
    return type == TEditorType::edComboEdit || type == TEditorType::edComboList;
}

bool IsDateType(TEditorType type) {
    return type == TEditorType::edDateEdit || type == TEditorType::edDateEditUpDown ||
           type == TEditorType::edTimeEdit;
}

} // namespace

bool TVevIvizudEvar::CanEditShow() {
    if (!TBaseGrid::CanEditShow()) return false;
    if (editorActive_) return textEditorInUse_;
    const TGridCoord base = BaseCell(RealCol(), Row());
    if (HasClickableGraphic(base.X, base.Y)) return false;
    BeginEdit(Col(), Row());
    editorType_ = TEditorType::edNormal;
    GetCellEditor(base.X, base.Y, editorType_);
    if (editorType_ == TEditorType::edNone) return false;
    if (IsTextEditorType(editorType_)) {
        editorActive_ = textEditorInUse_ = true;
        return true;
    }
    textEditorInUse_ = false;
    if (editorType_ == TEditorType::edDataCheckBox) {
        editorActive_ = true; // the check box itself answers; the next close clears the flag
        return false;
    }
    editorActive_ = true;
    ShowInplaceEditor(base.X, base.Y);
    // The control edits the cell; the grid's own editor stays closed.
    TBaseGrid::HideEditor();
    return false;
}

void TVevIvizudEvar::ShowInplaceEditor(int col, int row) {
    TRect rect = CellRectEx(RealToDisplCol(col), row);
    if (rect.IsEmpty()) rect = CellRect(Col(), Row());
    const TRect editor = Bounds(rect.Left, rect.Top, rect.Width() - 1, rect.Height() - 1);
    TBrush brush;
    TFont font;
    CellLook(RealToDisplCol(col), row, brush, font);
    editCol_ = col;
    editRow_ = row;
    if (IsComboType(editorType_))
        PlaceCombo(editor, brush.Color());
    else if (IsDateType(editorType_))
        PlaceDatePicker(editor, brush.Color());
    else if (editorType_ == TEditorType::edRichEdit)
        PlaceRichEditor(editor, brush.Color());
    else
        PlaceEditorControl(editor, brush.Color(), font);
    pendingKey_ = QChar();
}

void TVevIvizudEvar::PostPendingKey(QWidget* control) {
    if (pendingKey_.isNull()) return;
    const QChar key = pendingKey_;
    pendingKey_ = QChar();
    if (auto* combo = dynamic_cast<TGridCombo*>(control)) combo->TypeKey(key);
}

void TVevIvizudEvar::PlaceCombo(const TRect& rect, TColor color) {
    TGridCombo& combo = *combo_;
    combo.SetDroppedDown(false);
    combo.SetStyle(editorType_ == TEditorType::edComboList ? TComboBoxStyle::csDropDownList
                                                           : TComboBoxStyle::csDropDown);
    combo.SetBoundsRect(rect);
    const QString text = GetEditText(RealToDisplCol(editCol_), editRow_);
    if (editorType_ == TEditorType::edComboList) {
        const int index = combo.Items().indexOf(text);
        combo.SetItemIndex(index >= 0 ? index : DefaultListIndex >= 0 ? DefaultListIndex : 0);
    } else {
        combo.SetText(text);
    }
    combo.SetFlat(look_ == TGridLook::glSoft || look_ == TGridLook::glVell || look_ == TGridLook::glXP ||
                  look_ == TGridLook::glListView);
    if (Navigation.AutoComboDropSize) combo.FitDropWidth(Canvas());
    combo.setEnabled(true);
    combo.SetColor(color);
    combo.show();
    combo.raise();
    combo.setFocus(Qt::OtherFocusReason);
    PostPendingKey(&combo);
    if (MouseActions.DirectComboDrop) combo.SetDroppedDown(true);
}

void TVevIvizudEvar::PlaceDatePicker(const TRect& rect, TColor color) {
    TGridDatePicker& picker = *datePicker_;
    picker.LoadFromCell(editorType_, GetGridCells(editCol_, editRow_));
    picker.SetBoundsRect(rect);
    picker.setEnabled(true);
    picker.SetColor(color);
    picker.show();
    picker.raise();
    picker.setFocus(Qt::OtherFocusReason);
    if (MouseActions.DirectDateDrop) {
        // F4 opens the calendar.
        QKeyEvent f4(QEvent::KeyPress, Qt::Key_F4, Qt::NoModifier);
        QApplication::sendEvent(&picker, &f4);
    }
}

QString TVevIvizudEvar::EditorControlText() const {
    if (IsComboType(editorType_)) return combo_->Text();
    if (IsDateType(editorType_)) return datePicker_->CellText();
    if (editorType_ == TEditorType::edRichEdit) return RichEditorText();
    return EditorControlValue();
}

// An editor control follows its cell when the grid scrolls, and closes when the cell scrolls out.
void TVevIvizudEvar::TopLeftChanged() {
    RepaintFooter(); // the footer follows the columns scrolled
    TBaseGrid::TopLeftChanged();
    if (BackGround.Display == TBackGroundDisplay::bdFixed && !BackGround.Bitmap.Empty()) InvalidateGrid();
    if (!editorActive_ || textEditorInUse_) return;
    const TRect rect = CellRectEx(RealToDisplCol(editCol_), editRow_);
    QWidget* control = ActiveEditorControl();
    if (!control) return;
    const TRect editor = Bounds(rect.Left, rect.Top, rect.Width() - 1, rect.Height() - 1);
    if (CellRect(RealToDisplCol(editCol_), editRow_).IsEmpty())
        HideInplaceEdit();
    else if (IsComboType(editorType_) || IsDateType(editorType_))
        control->setGeometry(ToQRect(editor));
    else
        MoveEditorControl(editor);
}

void TVevIvizudEvar::HideInplaceEdit() {
    if (!editorActive_) return;
    if (textEditorInUse_) TBaseGrid::HideEditor();
    EditorToCell();
    SwitchEditing(RealCol(), Row());
}

bool TVevIvizudEvar::EditorToCell() {
    pendingKey_ = QChar();
    const bool wasActive = editorActive_;
    const bool write = wasActive && !discardValue_;
    const bool control = !textEditorInUse_;
    discardValue_ = false;
    // Cleared first: hiding a control moves the focus, and its exit must find the edit closed.
    editorActive_ = textEditorInUse_ = false;
    if (control && IsComboType(editorType_)) {
        if (write) SetCellValue(editCol_, editRow_, combo_->Text());
        combo_->HideControl();
    } else if (control && IsDateType(editorType_)) {
        if (write) SetCellValue(editCol_, editRow_, datePicker_->CellText());
        datePicker_->HideControl();
    } else if (control && editorType_ == TEditorType::edRichEdit) {
        HideRichEditor(write);
    } else if (control) {
        WriteEditorControl(write);
    }
    if (wasActive) DoEditingDone();
    return wasActive;
}

void TVevIvizudEvar::DiscardEditorValue() {
    discardValue_ = true;
}

void TVevIvizudEvar::FinishEditing() {
    if (!editorActive_) return;
    editorActive_ = false;
    textEditorInUse_ = false;
    DoEditingDone();
}

void TVevIvizudEvar::SetCellValue(int col, int row, const QString& value) {
    SetEditText(RealToDisplCol(col), row, value);
    SetGridCells(col, row, value);
}

QString TVevIvizudEvar::GetEditText(int col, int row) {
    const int real = DisplToRealCol(col);
    if (TVozErivuzaRive* editor = TextEditor()) {
        const TCellProperties* p = CellProperties(real, row);
        editor->SetVAlign(p && p->VAlignment() == TVAlignment::vtaCenter);
    }
    const TGridCoord base = BaseCell(real, row);
    QString value = EditorShownText(GetRawCell(base.X, base.Y));
    if (OnGetEditText) OnGetEditText(this, col, row, value);
    return value;
}

// Without EditWithTags a mini-HTML text is edited without its tags; other texts as they are.
QString TVevIvizudEvar::EditorShownText(const QString& cellText) {
    if (EditWithTags || CellTextKind(cellText, EnableHTML) != ctkHTML) return cellText;
    return StripHTML(cellText);
}

// The cell keeps its text (tags included) until the editor shows something else than it gave.
void TVevIvizudEvar::SetEditText(int col, int row, const QString& value) {
    const int real = DisplToRealCol(col);
    const TGridCoord base = BaseCell(real, row);
    const QString& cell = GetRawCell(base.X, base.Y);
    if (cell != value && EditorShownText(cell) != value) SetGridCells(real, row, value);
    TDrawGrid::SetEditText(col, row, value);
}

QString TVevIvizudEvar::GetEditMask(int col, int row) {
    return TBaseGrid::GetEditMask(col, row);
}
