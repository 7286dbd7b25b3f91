// A combo box with the flat look: a thin border highlighted while the mouse is over it or, with
// FocusBorder, while it has the focus, and its own drop-down button, themed when a visual style
// is active; a button width kept within 14..32 pixels, and its colour kept while disabled.
#pragma once

#include "platform/ui/Canvas.h"
#include "platform/ui/ControlAdapters.h"

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
    // Widens the drop-down list to its widest item (measured with the canvas's font).
    void FitDropWidth(TCanvas& canvas);
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
