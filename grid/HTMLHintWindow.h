// The grid's hint window for hints written in mini-HTML (HTMLDraw.h): a frameless tool tip that
// measures its text word-wrapped in 1008 pixels, takes the measured width + 16 and height + 4, is
// kept inside the screen it opens on (2 pixels from its right and bottom edges), and draws a thin
// 3D frame around the text centred on the measured height.
//
// It is never larger than that screen: the text is measured in 1008 pixels or the screen's width
// less 20, whichever is less, and only the lines that fit whole in the screen's height less 8 are
// laid out (a cell's text may hold millions of characters); a line wider than that (a word longer
// than the width) is cut at the hint's edge. When lines are left out or cut, the last line's room
// goes to an ellipsis ("…") on a line of its own below the lines shown, and the hint's height
// counts it.
#pragma once

#include "platform/ui/HintWindow.h"

class THTMLHintWindow : public THintWindow {
public:
    explicit THTMLHintWindow(QWidget* parent = nullptr);

    // The size of the last hint activated.
    int HintWidth() const { return hintWidth_; }
    int HintHeight() const { return hintHeight_; }
    // The text measured word-wrapped in maxWidth, as a rectangle at (0, 0) (no taller than the
    // lines that fit in the screen).
    TRect CalcHintRect(int maxWidth, const QString& text) override;
    // Shows the text with its top-left corner at the rectangle's (screen coordinates); the
    // rectangle's size is not used.
    void ActivateHint(const TRect& screenRect, const QString& text) override;
    // Lines were left out of the last hint activated.
    bool Cut() const { return cut_; }
    // The rectangle the text is drawn into, in client coordinates.
    TRect TextRect() const;
    // Paints the window onto a device (a recording one in tests) as it paints itself.
    void RenderTo(TCanvasDevice& device);

protected:
    void Paint(TCanvas& canvas) override;

private:
    TRect ScreenArea(TPoint at) const;
    // The most width and height the text of a hint opening at the point may take.
    TPoint Room(TPoint at) const;

    int hintWidth_ = 0, hintHeight_ = 0, linesHeight_ = 0;
    bool cut_ = false;
};

// The start of a text that holds all that a hint over the widget (on its screen) can show, for
// work on a hint's text before it is shown (VisibleText.h: VisibleHTMLText); with a width, all
// that a hint no wider than that can show.
QString HintShownPart(const QString& text, const QWidget* widget, int width = 0);
