// The grid's hint window for hints written in mini-HTML (HTMLDraw.h): a frameless tool tip that
// measures its text word-wrapped in 1008 pixels, takes the measured width + 16 and height + 4, is
// kept inside the screen it opens on (2 pixels from its right and bottom edges), and draws a thin
// 3D frame around the text centred on the measured height.
#pragma once

#include "platform/ui/HintWindow.h"

class THTMLHintWindow : public THintWindow {
public:
    explicit THTMLHintWindow(QWidget* parent = nullptr);

    // The size of the last hint activated.
    int HintWidth() const { return hintWidth_; }
    int HintHeight() const { return hintHeight_; }
    // The text measured word-wrapped in maxWidth, as a rectangle at (0, 0).
    TRect CalcHintRect(int maxWidth, const QString& text) override;
    // Shows the text with its top-left corner at the rectangle's (screen coordinates); the
    // rectangle's size is not used.
    void ActivateHint(const TRect& screenRect, const QString& text) override;
    // The rectangle the text is drawn into, in client coordinates.
    TRect TextRect() const;
    // Paints the window onto a device (a recording one in tests) as it paints itself.
    void RenderTo(TCanvasDevice& device);

protected:
    void Paint(TCanvas& canvas) override;

private:
    TRect ScreenArea(TPoint at) const;

    int hintWidth_ = 0, hintHeight_ = 0;
};
