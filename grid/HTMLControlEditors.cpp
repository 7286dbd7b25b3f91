#include "grid/HTMLControlEditors.h"

#include "grid/AdvancedGrid.h"
#include "grid/HTMLDraw.h"
#include "platform/ui/InplaceEdit.h"
#include "platform/ui/Keys.h"

void TControlEditing::Start(QWidget& editor, const TRect& rect, const QString& id) {
    ControlID = id;
    editor.setGeometry(ToQRect(rect));
    editor.show();
    editor.raise();
    editor.setFocus(Qt::OtherFocusReason);
}

void TControlEditing::Finish(QWidget& editor, const QString& text, bool giveFocus) {
    if (finishing_ || editor.isHidden()) return;
    finishing_ = true;
    TVevIvizudEvar& grid = grid_;
    // A hidden in-place editor takes the text as well; one that is editing a cell keeps its own,
    // which it would otherwise write over that cell.
    if (TInplaceEdit* inplace = grid.InplaceEditor(); inplace && !inplace->isVisible())
        inplace->SetText(text);
    const int col = grid.RealCol(), row = grid.Row();
    QString cell = grid.GetGridCells(col, row);
    if (HTMLSetControlValue(cell, ControlID, text)) grid.SetGridCells(col, row, cell);
    grid.HideEditor();
    if (giveFocus) grid.setFocus(Qt::OtherFocusReason);
    editor.hide();
    finishing_ = false;
    if (OnEditDone) OnEditDone();
}

TControlEdit::TControlEdit(TVevIvizudEvar& grid) : TControlAdapter<QLineEdit>(&grid), TControlEditing(grid) {
    hide();
}

void TControlEdit::StartEdit(const TRect& rect, const QString& id, const QString& value) {
    setText(value);
    selectAll();
    Start(*this, rect, id);
}

void TControlEdit::KeyDown(int& key, TShiftState shift) {
    TControlAdapter<QLineEdit>::KeyDown(key, shift);
    if (key != VK_RETURN) return;
    key = 0;
    Finish(*this, text(), true);
}

void TControlEdit::KeyPress(QChar& key) {
    TControlAdapter<QLineEdit>::KeyPress(key);
    if (key == u'\r') key = QChar(); // Enter has ended the editing
}

void TControlEdit::DoExit() {
    TControlAdapter<QLineEdit>::DoExit();
    Finish(*this, text(), false);
}

TControlCombo::TControlCombo(TVevIvizudEvar& grid) : TVzgComboBox(&grid), TControlEditing(grid) {
    hide();
}

void TControlCombo::StartEdit(const TRect& rect, const QString& id, const QString& value) {
    const int index = Items().indexOf(value);
    if (index >= 0) SetItemIndex(index);
    if (Style() == TComboBoxStyle::csDropDown) SetText(value);
    Start(*this, rect, id);
}

void TControlCombo::KeyDown(int& key, TShiftState shift) {
    TVzgComboBox::KeyDown(key, shift);
    if (key != VK_RETURN) return;
    key = 0;
    Finish(*this, Text(), true);
}

void TControlCombo::KeyPress(QChar& key) {
    TVzgComboBox::KeyPress(key);
    if (key == u'\r') key = QChar(); // Enter has ended the editing
}

void TControlCombo::DoExit() {
    TVzgComboBox::DoExit();
    Finish(*this, Text(), false);
}
