#include "grid/GridEditorControl.h"

#include "grid/AdvancedGrid.h"
#include "platform/ui/Keys.h"

#include <QLineEdit>

namespace {

// The keys that leave the cell.
bool IsLeaveKey(int key) {
    return key == VK_TAB || key == VK_RETURN || key == VK_UP || key == VK_DOWN;
}

} // namespace

// ---- Every editor control ----------------------------------------------------------------------

template <typename TBase>
TGridEditorControl<TBase>::TGridEditorControl(TVevIvizudEvar* grid) : TBase(grid->viewport()), grid_(grid) {
    this->hide();
    this->setEnabled(false);
}

template <typename TBase> void TGridEditorControl<TBase>::DoExit() {
    grid_->HideInplaceEdit();
    TBase::DoExit();
}

template <typename TBase> bool TGridEditorControl<TBase>::WantsTab() const {
    return grid_->Options().Contains(goTabs);
}

template <typename TBase> void TGridEditorControl<TBase>::HideControl() {
    if (IsWithin(QApplication::focusWidget(), this)) grid_->setFocus(Qt::OtherFocusReason);
    this->hide();
    this->setEnabled(false);
}

// ---- The edits ---------------------------------------------------------------------------------

template <typename TBase>
TGridTextEditor<TBase>::TGridTextEditor(TVevIvizudEvar* grid, TCellKeys keys)
    : TGridEditorControl<TBase>(grid), keys_(keys) {}

template <typename TBase> bool TGridTextEditor<TBase>::CellKeyDown(int& key, TShiftState shift) {
    TVevIvizudEvar* grid = this->grid_;
    if (key == VK_ESCAPE || (keys_.PagesEnd && (key == VK_PRIOR || key == VK_NEXT))) {
        const int handed = key;
        key = 0;
        if (handed == VK_ESCAPE) {
            ShowCellText(keys_.Wide ? grid->GetWideCell(grid->RealCol(), grid->Row())
                                    : grid->GetEditText(grid->Col(), grid->Row()));
            grid->DiscardEditorValue();
        }
        grid->EditorKeyToGrid(handed, shift);
        return true;
    }
    if (!IsLeaveKey(key)) return false;
    const int handed = key;
    key = 0;
    QString cell;
    const bool valid = grid->ValidateEditorValue(ValueText(), cell, keys_.Wide);
    if (!valid || !keys_.KeepsAccepted) ShowCellText(cell);
    if (!valid) {
        this->SetSel(int(this->EditText().size()), 0);
        return true;
    }
    grid->ControlKeyToGrid(handed, shift);
    return true;
}

template <typename TBase> void TGridTextEditor<TBase>::KeyDown(int& key, TShiftState shift) {
    if (!CellKeyDown(key, shift)) TBase::KeyDown(key, shift);
}

template <typename TBase> void TGridTextEditor<TBase>::KeyPress(QChar& key) {
    if (key.unicode() == 13 || (keys_.SwallowsTab && key.unicode() == 9)) {
        key = QChar();
        return;
    }
    TBase::KeyPress(key);
}

// ---- The drop-down editors ---------------------------------------------------------------------

template <typename TBase>
TGridComboEditor<TBase>::TGridComboEditor(TVevIvizudEvar* grid) : TGridEditorControl<TBase>(grid) {
    this->SetButtonWidth(16);
    this->OnChange = [this](QObject*, int index, const QString& text) {
        if (this->isVisible())
            this->grid_->ComboChange(this->grid_->RealCol(), this->grid_->Row(), index, text);
    };
    this->OnCloseUp = [this](QObject*) {
        this->grid_->ComboCloseUp(this->grid_->Row(), this->grid_->RealCol());
    };
}

template <typename TBase> void TGridComboEditor<TBase>::RestoreFromCell() {
    const QString text = CellText();
    const int index = IndexOfItem(text);
    if (index >= 0) this->SetItemIndex(index);
    if (this->Style() == TComboBoxStyle::csDropDown) this->SetText(text);
}

template <typename TBase> void TGridComboEditor<TBase>::KeyDown(int& key, TShiftState shift) {
    TVevIvizudEvar* grid = this->grid_;
    autoComplete_ = key != VK_BACK && key != VK_DELETE;
    const bool list = this->Style() == TComboBoxStyle::csDropDownList || this->DroppedDown();
    const bool altDown = key == VK_DOWN && shift.Contains(ssAlt);
    const bool wanted =
        !altDown &&
        (key == VK_TAB || key == VK_RETURN || key == VK_ESCAPE ||
         (list ? key == VK_LEFT || key == VK_RIGHT
               : key == VK_PRIOR || key == VK_NEXT || key == VK_END || key == VK_UP || key == VK_DOWN));
    if (!wanted) {
        TBase::KeyDown(key, shift);
        return;
    }
    const int handed = key;
    key = 0;
    if (IsLeaveKey(handed)) {
        if (ValidateText()) grid->ControlKeyToGrid(handed, shift);
        return;
    }
    if (handed == VK_ESCAPE) {
        RestoreFromCell();
        grid->DiscardEditorValue();
    } else if (list) {
        grid->HideInplaceEdit();
    }
    grid->EditorKeyToGrid(handed, shift);
}

template <typename TBase> void TGridComboEditor<TBase>::KeyPress(QChar& key) {
    if (key.unicode() == 13 && OnReturnKey) OnReturnKey(this);
    if (key.unicode() == 13 || key.unicode() == 9) {
        key = QChar();
        return;
    }
    TBase::KeyPress(key);
}

template <typename TBase> void TGridComboEditor<TBase>::KeyUp(int& key, TShiftState shift) {
    if (key != VK_RETURN) TBase::KeyUp(key, shift);
    AutoCompleteLookup();
}

// Completion compares wide texts: characters outside any 8-bit code page match only themselves.
template <typename TBase> void TGridComboEditor<TBase>::AutoCompleteLookup() {
    TVevIvizudEvar* grid = this->grid_;
    QLineEdit* edit = this->lineEdit();
    if (!autoComplete_ || !grid->Lookup || this->Style() != TComboBoxStyle::csDropDown || !edit) return;
    const int caret = edit->cursorPosition();
    if (caret == 0 || edit->hasSelectedText()) return;
    const Qt::CaseSensitivity cs = grid->LookupCaseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive;
    const QString prefix = edit->text().left(caret);
    auto complete = [&](const QString& item, int index) {
        if (!item.startsWith(prefix, cs) || item.size() <= prefix.size()) return false;
        if (index >= 0) this->SetItemIndex(index);
        edit->setText(prefix + item.mid(prefix.size(), 255));
        edit->setSelection(caret, int(edit->text().size()) - caret);
        return true;
    };
    for (int i = 0; i < this->count(); ++i)
        if (complete(this->itemText(i), i)) return;
    for (const QString& item : MoreCompletions())
        if (complete(item, -1)) return;
}

template <typename TBase> void TGridComboEditor<TBase>::DoExit() {
    const QString text = this->Text();
    if (this->grid_->LookupHistory && !text.isEmpty() && IndexOfItem(text) < 0) this->AddItem(text);
    TGridEditorControl<TBase>::DoExit();
}

template <typename TBase> void TGridComboEditor<TBase>::HideControl() {
    this->SetDroppedDown(false);
    TGridEditorControl<TBase>::HideControl();
}

template class TGridEditorControl<TVzgSpinEdit>;
template class TGridEditorControl<TVzgEditBtn>;
template class TGridEditorControl<TVzgUnitEditBtn>;
template class TGridEditorControl<TVzgUniEdit>;
template class TGridEditorControl<TVzgComboBox>;
template class TGridEditorControl<TVzgUniComboBox>;
template class TGridEditorControl<TCheckBoxControl>;
template class TGridEditorControl<TButtonControl>;
template class TGridEditorControl<TDateTimePickerControl>;
template class TGridTextEditor<TVzgSpinEdit>;
template class TGridTextEditor<TVzgEditBtn>;
template class TGridTextEditor<TVzgUnitEditBtn>;
template class TGridTextEditor<TVzgUniEdit>;
template class TGridComboEditor<TVzgComboBox>;
template class TGridComboEditor<TVzgUniComboBox>;
