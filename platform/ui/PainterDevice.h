// Paints canvas operations with a QPainter (on a widget, an image or a printer), keeping the class
// library's pixel rules: end points of lines left out, right/bottom-exclusive rectangles, classic
// bevelled edges drawn by hand, frame controls and focus rectangles through QStyle.
//
// Every QStyle call runs between QPainter::save() and restore(), so a style that changes the
// clip, pen or brush cannot leak into later drawing.
#pragma once

#include "platform/ui/CanvasDevice.h"

#include <optional>

class QPainter;

class TPainterDevice : public TCanvasDevice {
public:
    explicit TPainterDevice(QPainter& painter);

    void Line(TPoint from, TPoint to, const TPen& pen) override;
    void Polyline(const std::vector<TPoint>& points, const TPen& pen) override;
    void FillRect(const TRect& rect, const TBrush& brush) override;
    void Rectangle(const TRect& rect, const TPen& pen, const TBrush& brush) override;
    void Polygon(const std::vector<TPoint>& points, const TPen& pen, const TBrush& brush) override;
    void Ellipse(const TRect& rect, const TPen& pen, const TBrush& brush) override;
    void Pie(const TRect& rect, TPoint radial1, TPoint radial2, const TPen& pen,
             const TBrush& brush) override;
    void Text(const TTextDraw& text) override;
    void Image(const TRect& dest, const TBitmap& bitmap, const TRect& source, TColor transparent) override;
    void Edge(const TRect& rect, unsigned edge, unsigned borders) override;
    void FrameControl(const TRect& rect, unsigned type, unsigned state) override;
    void FocusRect(const TRect& rect) override;
    void Style(TStyleKind kind, int element, const QStyleOption& option, const QWidget* widget) override;
    void SetClip(const TRect* clip) override;

private:
    void UsePen(const TPen& pen);
    void UseBrush(const TBrush& brush);
    void SolidLine(TPoint from, TPoint to, TColor color);
    void ApplyClip(const std::optional<TRect>& extra);

    QPainter& painter_;
    std::optional<TRect> clip_;
};
