// The drop-down editors of the grid.
//
// TVzgComboBox: a combo box with the flat look (a thin border highlighted while the mouse is over
// it or, with FocusBorder, while it has the focus, and its own drop-down button, themed when a
// visual style is active), a button width kept within 14..32 pixels, and its colour kept while
// disabled.
//
// TGridCombo: the editor of the edComboEdit and edComboList cells. Tab, Enter, Up and Down (the
// keys that leave the cell) write its text into the cell, pass the grid's validation and hand the
// key back to the grid; Escape first puts the cell's text back. Losing the focus ends the edit.
// Its text completes from its items, then from the grid's LookupItems, while Navigation.Lookup is
// on. The wheel steps through the items.
#pragma once

#include "platform/ui/Canvas.h"
#include "platform/ui/ControlAdapters.h"

class TVevIvizudEvar;

class TVzgComboBox : public TComboBoxControl {
public:
    explicit TVzgComboBox(QWidget* parent = nullptr);

    bool AutoFocus = false, Etched = false, FocusBorder = false;
    int DropWidth = 0;
    int ButtonWidth() const { return buttonWidth_; }
    // Widths outside 14..32 are ignored.
    void SetButtonWidth(int width);
    bool Flat() const { return flat_; }
    void SetFlat(bool on);
    bool MouseInControl() const { return mouseIn_; }
    // Whether the flat border shows highlighted now.
    bool BorderHighlighted() const { return mouseIn_ || (FocusBorder && hasFocus()); }

protected:
    void paintEvent(QPaintEvent* e) override;
    void enterEvent(QEnterEvent* e) override;
    void leaveEvent(QEvent* e) override;
    void changeEvent(QEvent* e) override;

private:
    int buttonWidth_ = 18;
    bool flat_ = true, mouseIn_ = false;
    TColor savedColor_ = clWindow;
};

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
    // Widens the drop-down list to its widest item (measured with the canvas's font).
    void FitDropWidth(TCanvas& canvas);
    void AutoCompleteLookup();

protected:
    void wheelEvent(QWheelEvent* e) override;

private:
    bool ValidateText();
    void RestoreFromCell();
    TVevIvizudEvar* grid_;
    bool autoComplete_ = true;
};
