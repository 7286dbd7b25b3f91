// The two small windows that follow a row or column the user moves with the mouse: the drag image
// (a button-like popup that shows the moved header's text under the pointer) and the drop markers
// (lime arrows that point at the place where the row or column will land). Both float over the
// program without taking the focus; the grid creates them hidden and shows them while moving.
#pragma once

#include "platform/ui/Canvas.h"
#include "platform/ui/HintWindow.h"

#include <QWidget>

// A lime arrow shaped by a 7-point polygon: direction 0 points up, 1 down, 2 right, 3 left.
class TArrowWindow : public TShapedPopup {
public:
    TArrowWindow(QWidget* parent, int direction);
    int Direction() const { return direction_; }
    static std::vector<TPoint> ArrowShape(int direction);

private:
    int direction_;
};

// The drag image: a raised frame (unless Flat), a 64-band gradient from GradFrom to GradTo when
// GradFrom is set, and the caption centred with an end ellipsis.
class TPopupButton : public QWidget {
public:
    explicit TPopupButton(QWidget* parent);
    const QString& Caption() const { return caption_; }
    void SetCaption(const QString& caption);
    bool Flat = false;
    TColor GradFrom = clNone, GradTo = clNone;
    // Draws the window onto a canvas of its size.
    void Paint(TCanvas& canvas);

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    QString caption_;
};
