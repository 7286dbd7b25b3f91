// The class library's drawing surface: a pen, a brush, a font, a pen position and a clip, and the
// drawing calls the grid family uses. Everything goes to a TCanvasDevice (see CanvasDevice.h);
// without a device the canvas only measures.
#pragma once

#include "platform/ui/CanvasDevice.h"

#include <QFontMetrics>
#include <QStyle>
#include <list>
#include <optional>

// Whether text backgrounds are filled: Opaque fills each text box with the brush colour.
// Changing the brush makes the mode follow the brush style again (solid = opaque), as selecting
// a brush does in the class library.
enum class TBkMode { Transparent, Opaque };

class TCanvas {
public:
    explicit TCanvas(TCanvasDevice* device = nullptr);
    TCanvas(const TCanvas&) = delete;
    TCanvas& operator=(const TCanvas&) = delete;

    void SetDevice(TCanvasDevice* device);
    TCanvasDevice* Device() const { return device_; }
    // The widget whose palette and state the style calls take (may be null).
    void SetStyleWidget(const QWidget* widget) { styleWidget_ = widget; }
    const QWidget* StyleWidget() const { return styleWidget_; }

    TPen& Pen() { return pen_; }
    TBrush& Brush() { return brush_; }
    TFont& Font() { return font_; }
    const TPen& Pen() const { return pen_; }
    const TBrush& Brush() const { return brush_; }
    const TFont& Font() const { return font_; }

    TPoint PenPos() const { return penPos_; }
    void MoveTo(int x, int y) { penPos_ = {x, y}; }
    // Draws from the pen position to (x, y), leaving that end pixel out, and moves the pen there.
    void LineTo(int x, int y);
    // Each segment as LineTo; the pen position is neither used nor changed.
    void Polyline(const std::vector<TPoint>& points);

    void FillRect(const TRect& rect);
    // One pixel frame in the brush colour.
    void FrameRect(const TRect& rect);
    void Rectangle(const TRect& rect);
    void Rectangle(int left, int top, int right, int bottom) { Rectangle(TRect{left, top, right, bottom}); }
    void Polygon(const std::vector<TPoint>& points);
    void Ellipse(const TRect& rect);
    void Pie(const TRect& rect, TPoint radial1, TPoint radial2);

    void TextOut(int x, int y, const QString& text);
    // Text at (x, y) clipped to the rectangle; an opaque canvas fills the whole rectangle first.
    void TextRect(const TRect& rect, int x, int y, const QString& text);
    // The class library's DrawText (flags in TextLayout.h); DT_CALCRECT updates the rectangle.
    int DrawText(const QString& text, TRect& rect, unsigned flags);
    int TextWidth(const QString& text) const;
    int TextHeight(const QString& text) const;
    QFontMetrics Metrics() const;

    void Draw(int x, int y, const TBitmap& bitmap);
    void StretchDraw(const TRect& rect, const TBitmap& bitmap);
    // Draws the bitmap with the pixels of the given colour left out.
    void DrawTransparent(int x, int y, const TBitmap& bitmap, TColor transparent);

    // BF_ADJUST shrinks the rectangle by the edge drawn.
    void DrawEdge(TRect& rect, unsigned edge, unsigned borders);
    void DrawFrameControl(const TRect& rect, unsigned type, unsigned state);
    void DrawFocusRect(const TRect& rect);
    // Steps bands (0 taken as 1) across the width (horizontal) or the height: band i has, per
    // channel, from + round(i * (to - from) / steps), starts at round(i * size / steps) and is
    // round(size / steps) + 1 pixels long (cut at the rectangle's edge).
    void DrawGradient(TColor from, TColor to, bool horizontal, const TRect& rect, int steps);

    // QStyle drawing; the device puts the painter back as it was afterwards.
    void DrawStylePrimitive(QStyle::PrimitiveElement element, const QStyleOption& option);
    void DrawStyleControl(QStyle::ControlElement element, const QStyleOption& option);
    void DrawStyleComplexControl(QStyle::ComplexControl control, const QStyleOption& option);

    void SetClipRect(const TRect& rect);
    void ClearClip();
    std::optional<TRect> ClipRect() const { return clip_; }

    void SetBkMode(TBkMode mode);
    TBkMode BkMode() const { return bkMode_; }

private:
    TTextDraw MakeTextDraw(const QString& text, const TRect& rect, unsigned flags) const;
    const QFont& CurrentQFont() const;

    TCanvasDevice* device_;
    TNullDevice nullDevice_;
    const QWidget* styleWidget_ = nullptr;
    TPen pen_;
    TBrush brush_;
    TFont font_;
    TPoint penPos_;
    TBkMode bkMode_ = TBkMode::Opaque;
    std::optional<TRect> clip_;
    struct TFontEntry {
        TFont Key;
        QFont Font;
        std::optional<QFontMetrics> Metrics;
    };
    TFontEntry& CurrentEntry() const;
    // Qt fonts of the last looks used, most recent first; current_ is the one of font_ (null
    // when the font changed since).
    mutable std::list<TFontEntry> fonts_;
    mutable TFontEntry* current_ = nullptr;
};
