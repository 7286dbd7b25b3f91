// Records canvas operations with their coordinates, pens, brushes and texts, so that tests can
// check what a painter drew without looking at pixels. It can pass every operation on to another
// device as well (to record and render at once).
#pragma once

#include "platform/ui/CanvasDevice.h"

#include <QStyle>
#include <functional>
#include <optional>

enum class TCanvasOpKind {
    Line,
    Polyline,
    FillRect,
    Rectangle,
    Polygon,
    Ellipse,
    Pie,
    Text,
    Image,
    Edge,
    FrameControl,
    FocusRect,
    Style,
    Clip
};

struct TCanvasOp {
    TCanvasOpKind Kind = TCanvasOpKind::Line;
    TRect Rect;                 // rectangles, the text's formatting rectangle, an image's target
    std::vector<TPoint> Points; // line ends (from, to), polyline and polygon points, pie radials
    TPen Pen;
    TBrush Brush;
    QString Text;
    unsigned Flags = 0; // DrawText flags, DrawEdge edge, frame control type, style element
    unsigned State = 0; // DrawEdge borders, frame control state, style state
    TFont Font;
    TTextLayout Layout;
    TColor Color = clNone; // an image's transparent colour, a text's background
    TStyleKind StyleKind = TStyleKind::Primitive;
    bool HasClip = false;            // Clip: whether a clip is set (Rect holds it)
    std::optional<TRect> ActiveClip; // the clip in force when the operation ran
};

class TRecordingDevice : public TCanvasDevice {
public:
    explicit TRecordingDevice(TCanvasDevice* forward = nullptr) : forward_(forward) {}

    std::vector<TCanvasOp> Ops;

    void Clear() { Ops.clear(); }
    std::vector<const TCanvasOp*> OfKind(TCanvasOpKind kind) const;
    std::vector<const TCanvasOp*> Where(const std::function<bool(const TCanvasOp&)>& test) const;
    // The text operations whose text is the given one.
    std::vector<const TCanvasOp*> TextsEqual(const QString& text) const;

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
    TCanvasOp& Add(TCanvasOpKind kind);
    TCanvasOp& AddShape(TCanvasOpKind kind, const TRect& rect, const TPen& pen, const TBrush& brush);

    TCanvasDevice* forward_;
    std::optional<TRect> clip_;
};
