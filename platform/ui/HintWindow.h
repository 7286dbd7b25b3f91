// Small top-level windows that float over the program: the hint window (a tooltip that shows a
// text in a colour, placed by the program) and a popup shaped by a polygon (the arrows that mark
// where a moved row or column will land). Neither takes the focus.
#pragma once

#include "platform/ui/Canvas.h"

#include <QWidget>

class THintWindow : public QWidget {
public:
    explicit THintWindow(QWidget* parent = nullptr);

    TColor Color() const { return color_; }
    void SetColor(TColor color);
    const QString& Caption() const { return caption_; }
    // Changing the caption repaints the window; its size stays.
    void SetCaption(const QString& caption);
    // The size the text needs, word-wrapped at most maxWidth wide, as a rectangle at (0, 0).
    virtual TRect CalcHintRect(int maxWidth, const QString& text);
    // Shows the text over the rectangle (screen coordinates), moved inside the screen.
    virtual void ActivateHint(const TRect& screenRect, const QString& text);
    void ReleaseHandle() { hide(); }

protected:
    // Draws the hint; the canvas covers the window.
    virtual void Paint(TCanvas& canvas);
    void paintEvent(QPaintEvent* e) override;

private:
    TColor color_ = clInfoBk;
    QString caption_;
};

// Moves a rectangle so that it lies inside the area, keeping the margin from its edges where the
// area is large enough.
TRect KeepInside(const TRect& rect, const TRect& area, int margin = 0);

class TShapedPopup : public QWidget {
public:
    TShapedPopup(const std::vector<TPoint>& polygon, TColor color, QWidget* parent = nullptr);
    void SetShape(const std::vector<TPoint>& polygon);
    const std::vector<TPoint>& Shape() const { return polygon_; }
    void SetColor(TColor color);
    // Shows the popup with its top-left corner at the screen point.
    void ShowAt(TPoint screen);

private:
    std::vector<TPoint> polygon_;
};
