// What the grid's editor controls (GridEditors.h, ComboEditor.h, DateEditor.h) have in common.
//
// TGridEditorControl<TBase>: the control is made hidden and disabled on the grid's viewport; Tab
// reaches it when the grid has goTabs; losing the focus ends the edit (the grid writes the
// control's value into the cell before the control's own exit handling runs); hiding it gives
// the grid the focus first, since hiding the focused control would send the focus out of the grid.
//
// TGridTextEditor<TBase>, for the edits (spin, edit with button, unit edit, wide edit), adds the
// keys they answer alike. Escape shows the cell's text again, drops the edit's value and hands the
// key to the grid, which ends the edit without writing; with TCellKeys::PagesEnd PageUp and
// PageDown are handed over too, the text left as it is. Tab, Enter, Up and Down write the edit's
// text into the cell and pass the grid's validation: a refused text comes back from the cell with
// the caret at its end and the edit stays open; an accepted one is shown as the cell took it
// (unless KeepsAccepted) and the key goes on to the grid, which moves. The character of Enter
// (with SwallowsTab that of Tab too) never types into the edit.
//
// TGridComboEditor<TBase>, for the drop-down editors, adds their keys and completion. The keys it
// takes: while the list shows or the style is csDropDownList, Tab, Enter, Escape, Left and Right;
// otherwise Tab, Enter, Escape, PageUp, PageDown, End, Up and Down; never Alt+Down (it opens the
// list). Tab, Enter, Up and Down go to the grid once ValidateText lets them; Escape puts the
// cell's text back and drops the edit's value; a list editor hides before it hands the other keys
// over. Backspace and Delete turn completion off until the next other key. While the grid's
// Lookup is on, the text before the caret completes from the first item that begins with it
// (then from MoreCompletions), the completed part selected. With LookupHistory a text that is not
// yet an item becomes one when the editor is left. Selecting an item reports the change to the
// grid while the editor shows; closing the list reports the close-up.
#pragma once

#include "grid/VZGEdit.h"
#include "grid/VzgUni.h"
#include "grid/vzgcombo.h"
#include "grid/vzgspin.h"
#include "platform/ui/ControlAdapters.h"

class TVevIvizudEvar;

template <typename TBase> class TGridEditorControl : public TBase {
public:
    explicit TGridEditorControl(TVevIvizudEvar* grid);

    void DoExit() override;
    bool WantsTab() const override;
    void HideControl();

protected:
    TVevIvizudEvar* grid_;
};

// How an edit of the grid answers the keys of the cell (see above).
struct TCellKeys {
    // The cell is read and written as wide text.
    bool Wide = false;
    // PageUp and PageDown end the edit as Escape does, without putting the cell's text back.
    bool PagesEnd = false;
    // An accepted text stays as it was typed.
    bool KeepsAccepted = false;
    // Tab's character is dropped as well as Enter's.
    bool SwallowsTab = false;
};

template <typename TBase> class TGridTextEditor : public TGridEditorControl<TBase> {
public:
    TGridTextEditor(TVevIvizudEvar* grid, TCellKeys keys);

    void KeyDown(int& key, TShiftState shift) override;
    void KeyPress(QChar& key) override;

protected:
    // The keys above; true when the key was one of them (it is then consumed).
    bool CellKeyDown(int& key, TShiftState shift);
    // The edit's text as the cell takes it, and the cell's text shown in the edit.
    virtual QString ValueText() const { return this->Text(); }
    virtual void ShowCellText(const QString& text) { this->SetText(text); }

private:
    TCellKeys keys_;
};

template <typename TBase> class TGridComboEditor : public TGridEditorControl<TBase> {
public:
    explicit TGridComboEditor(TVevIvizudEvar* grid);

    TNotifyEvent OnReturnKey;
    void KeyDown(int& key, TShiftState shift) override;
    void KeyPress(QChar& key) override;
    void KeyUp(int& key, TShiftState shift) override;
    void DoExit() override;
    void AutoCompleteLookup();
    // Closes the list, then hides the editor.
    void HideControl();

protected:
    // The text of the cell being edited.
    virtual QString CellText() const = 0;
    // The item equal to the text (as the combo's items compare), -1 when none.
    virtual int IndexOfItem(const QString& text) const = 0;
    // Whether a key that leaves the cell may go on to the grid.
    virtual bool ValidateText() { return true; }
    // What completes the text after the combo's own items.
    virtual QStringList MoreCompletions() const { return {}; }
    // Shows the cell's text: its item selected, and the text itself in an editable combo.
    void RestoreFromCell();

private:
    bool autoComplete_ = true;
};

extern template class TGridEditorControl<TVzgSpinEdit>;
extern template class TGridEditorControl<TVzgEditBtn>;
extern template class TGridEditorControl<TVzgUnitEditBtn>;
extern template class TGridEditorControl<TVzgUniEdit>;
extern template class TGridEditorControl<TVzgComboBox>;
extern template class TGridEditorControl<TVzgUniComboBox>;
extern template class TGridEditorControl<TCheckBoxControl>;
extern template class TGridEditorControl<TButtonControl>;
extern template class TGridEditorControl<TDateTimePickerControl>;
extern template class TGridTextEditor<TVzgSpinEdit>;
extern template class TGridTextEditor<TVzgEditBtn>;
extern template class TGridTextEditor<TVzgUnitEditBtn>;
extern template class TGridTextEditor<TVzgUniEdit>;
extern template class TGridComboEditor<TVzgComboBox>;
extern template class TGridComboEditor<TVzgUniComboBox>;
