#pragma once
// The placement and state of the desktop's start button. The desktops of this system have no
// such button: the handle is 0, every getter answers 0 (Enabled and Visible false) and every
// setter does nothing, as when the button is not found.

#include "desktop/qvxComponents.h"

class TqvxStartButtonProperties : public TqvxComponent {
    Q_OBJECT
public:
    explicit TqvxStartButtonProperties(QObject* owner = nullptr);

    quintptr Handle() const { return 0; }

    int ButtonLeft();
    int ButtonTop();
    int ButtonWidth();
    int ButtonHeight();
    bool Enabled() const { return Handle() != 0; }
    bool Visible() const { return Handle() != 0; }
    void SetButtonLeft(int value);
    void SetButtonTop(int value);
    void SetButtonWidth(int value);
    void SetButtonHeight(int value);
    void SetEnabled(bool) {}
    void SetVisible(bool) {}

    // Reads the button's rectangle (all 0 without a button).
    virtual void ReadPlacement();
    // Moves and sizes the button unless nothing changed (nothing without a button).
    virtual void SetPlacement(int left, int top, int height, int width);

private:
    int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
};
