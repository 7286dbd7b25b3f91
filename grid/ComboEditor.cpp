#include "grid/ComboEditor.h"

#include "grid/AdvancedGrid.h"

#include <QLineEdit>
#include <QWheelEvent>

TGridCombo::TGridCombo(TVevIvizudEvar* grid) : TVzgComboBox(grid->viewport()), grid_(grid) {
    SetButtonWidth(16);
    hide();
    setEnabled(false);
    OnChange = [this](QObject*, int index, const QString& text) {
        if (!isVisible()) return;
        grid_->ComboChange(grid_->RealCol(), grid_->Row(), index, text);
    };
    OnCloseUp = [this](QObject*) { grid_->ComboCloseUp(grid_->Row(), grid_->RealCol()); };
}

bool TGridCombo::WantsTab() const {
    return grid_->Options().Contains(goTabs);
}

void TGridCombo::RestoreFromCell() {
    const QString text = grid_->GetGridCells(grid_->RealCol(), grid_->Row());
    const int index = Items().indexOf(text);
    if (index >= 0) SetItemIndex(index);
    if (Style() == TComboBoxStyle::csDropDown) SetText(text);
}

// The combo's text goes into the cell and through the grid's validation; a refused text is
// replaced by the cell's.
bool TGridCombo::ValidateText() {
    QString value = Text();
    grid_->SetCellValue(grid_->RealCol(), grid_->Row(), value);
    const bool valid = grid_->ValidateCell(value);
    RestoreFromCell();
    if (!valid && lineEdit()) lineEdit()->setCursorPosition(int(lineEdit()->text().size()));
    return valid;
}

void TGridCombo::KeyDown(int& key, TShiftState shift) {
    autoComplete_ = key != VK_BACK && key != VK_DELETE;
    const bool list = Style() == TComboBoxStyle::csDropDownList || DroppedDown();
    const bool altDown = key == VK_DOWN && shift.Contains(ssAlt);
    const bool wanted =
        !altDown &&
        (key == VK_TAB || key == VK_RETURN || key == VK_ESCAPE ||
         (list ? key == VK_LEFT || key == VK_RIGHT
               : key == VK_PRIOR || key == VK_NEXT || key == VK_END || key == VK_UP || key == VK_DOWN));
    if (!wanted) {
        TVzgComboBox::KeyDown(key, shift);
        return;
    }
    const int handed = key;
    key = 0;
    if (handed == VK_TAB || handed == VK_RETURN || handed == VK_UP || handed == VK_DOWN) {
        if (ValidateText()) grid_->ControlKeyToGrid(handed, shift);
        return;
    }
    if (handed == VK_ESCAPE) {
        RestoreFromCell();
        grid_->DiscardEditorValue();
        grid_->EditorKeyToGrid(handed, shift);
        return;
    }
    if (list) {
        grid_->HideInplaceEdit();
        grid_->EditorKeyToGrid(handed, shift);
        return;
    }
    grid_->EditorKeyToGrid(handed, shift);
}

void TGridCombo::KeyPress(QChar& key) {
    if (key.unicode() == 13 && OnReturnKey) OnReturnKey(this);
    if (key.unicode() == 13 || key.unicode() == 9) {
        key = QChar();
        return;
    }
    TVzgComboBox::KeyPress(key);
}

void TGridCombo::KeyUp(int& key, TShiftState shift) {
    if (key != VK_RETURN) TVzgComboBox::KeyUp(key, shift);
    AutoCompleteLookup();
}

void TGridCombo::AutoCompleteLookup() {
    if (!autoComplete_ || !grid_->Lookup || Style() != TComboBoxStyle::csDropDown || !lineEdit()) return;
    QLineEdit* edit = lineEdit();
    const int caret = edit->cursorPosition();
    if (caret == 0 || edit->hasSelectedText()) return;
    const Qt::CaseSensitivity cs = grid_->LookupCaseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive;
    const QString prefix = edit->text().left(caret);
    auto complete = [&](const QString& item, int index) {
        if (!item.startsWith(prefix, cs) || item.size() <= prefix.size()) return false;
        if (index >= 0) SetItemIndex(index);
        edit->setText(prefix + item.mid(prefix.size(), 255));
        edit->setSelection(caret, int(edit->text().size()) - caret);
        return true;
    };
    const QStringList items = Items();
    for (int i = 0; i < items.size(); ++i)
        if (complete(items[i], i)) return;
    for (const QString& item : grid_->LookupItems)
        if (complete(item, -1)) return;
}

void TGridCombo::DoExit() {
    if (grid_->LookupHistory && !Text().isEmpty() && !Items().contains(Text())) AddItem(Text());
    grid_->HideInplaceEdit();
    TVzgComboBox::DoExit();
}

void TGridCombo::TypeKey(QChar key) {
    if (lineEdit()) lineEdit()->selectAll();
    TypeChar(key);
}

void TGridCombo::HideControl() {
    SetDroppedDown(false);
    // The grid takes the focus first: hiding the focused control would send it out of the grid.
    if (IsWithin(QApplication::focusWidget(), this)) grid_->setFocus(Qt::OtherFocusReason);
    hide();
    setEnabled(false);
}

void TGridCombo::wheelEvent(QWheelEvent* e) {
    e->accept();
    GuardUi([&] {
        const int index = ItemIndex();
        if (e->angleDelta().y() < 0 && index + 1 < count())
            SetItemIndex(index + 1);
        else if (e->angleDelta().y() > 0 && index >= 1)
            SetItemIndex(index - 1);
        else
            return;
        const int now = ItemIndex();
        grid_->ComboChange(grid_->RealCol(), grid_->Row(), now, itemText(now));
        grid_->ComboObjectChange(grid_->RealCol(), grid_->Row(), now, itemText(now), nullptr);
    });
}
