// The base of the editors' small speed buttons (VZGEdit.h, vzgspin.h): a widget that never takes
// the focus and follows the mouse itself. A left press holds it; while held it knows whether the
// mouse is over it; a left release ends the hold. MouseOver tells whether the mouse is over it at
// all. It paints through Paint on a canvas styled after the widget, in the widget's font. Its
// Glyph is a strip of NumGlyphs pictures side by side: the first shows, the second while disabled.
#pragma once

#include "platform/ui/Canvas.h"

#include <QWidget>

class TTrackingButton : public QWidget {
public:
    explicit TTrackingButton(QWidget* parent = nullptr);

    TBitmap Glyph;
    int NumGlyphs = 1;
    // Both repaint; the count is at least 1.
    void SetGlyph(const TBitmap& glyph);
    void SetNumGlyphs(int count);
    bool MouseOver() const { return hot_; }
    virtual void Paint(TCanvas& canvas) = 0;

protected:
    bool Held() const { return held_; }
    // Held with the mouse over the button.
    bool HeldOver() const { return held_ && over_; }
    // After a left press has started the hold.
    virtual void HoldStarted() {}
    // After a left release has ended the hold (the event tells where).
    virtual void HoldEnded(QMouseEvent&) {}
    // The face without a theme: flat, a one-pixel edge (sunken while pressed) over the button
    // colour unless transparent; otherwise a push-button frame.
    void DrawClassicFace(TCanvas& canvas, const TRect& r, bool flat, bool transparent, bool pressed) const;
    // The picture of a strip of NumGlyphs that shows now, centred in r and moved by shift pixels
    // both ways; nothing for an empty glyph.
    void DrawGlyph(TCanvas& canvas, const TBitmap& glyph, const TRect& r, int shift) const;

    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void enterEvent(QEnterEvent* e) override;
    void leaveEvent(QEvent* e) override;

private:
    bool held_ = false, over_ = false, hot_ = false;
};
