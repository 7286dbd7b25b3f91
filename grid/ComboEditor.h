// The drop-down editor of the grid.
//
// TGridCombo: the editor of the edComboEdit and edComboList cells. Tab, Enter, Up and Down (the
// keys that leave the cell) write its text into the cell, pass the grid's validation and hand the
// key back to the grid; Escape first puts the cell's text back. Losing the focus ends the edit.
// Its text completes from its items, then from the grid's LookupItems, while Navigation.Lookup is
// on. The wheel steps through the items.
#pragma once

#include "grid/vzgcombo.h"

class TVevIvizudEvar;

class TGridCombo : public TVzgComboBox {
public:
    explicit TGridCombo(TVevIvizudEvar* grid);

    TNotifyEvent OnReturnKey;
    void KeyDown(int& key, TShiftState shift) override;
    void KeyPress(QChar& key) override;
    void KeyUp(int& key, TShiftState shift) override;
    void DoExit() override;
    bool WantsTab() const override;
    // The key that opened the editor, typed into it.
    void TypeKey(QChar key);
    void HideControl();
    void AutoCompleteLookup();

protected:
    void wheelEvent(QWheelEvent* e) override;

private:
    bool ValidateText();
    void RestoreFromCell();
    TVevIvizudEvar* grid_;
    bool autoComplete_ = true;
};
