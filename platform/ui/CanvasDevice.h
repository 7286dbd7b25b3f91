// What a canvas draws on. TCanvas turns the class library's drawing calls into these operations,
// in the class library's coordinates; a device either paints them (TPainterDevice, over a
// QPainter) or records them (TRecordingDevice, for tests that check exact coordinates).
//
// Coordinate rules every device keeps:
// - Line(from, to): the pixel at 'to' is not painted.
// - FillRect and Rectangle: right and bottom edges exclusive; Rectangle outlines with the pen
//   inside the rectangle and fills the inside with the brush.
// - Edge, FrameControl, FocusRect: the class library's DrawEdge, DrawFrameControl, DrawFocusRect.
#pragma once

#include "platform/ui/Bitmap.h"
#include "platform/ui/Geometry.h"
#include "platform/ui/Graphics.h"
#include "platform/ui/TextLayout.h"

#include <QFont>
#include <vector>

class QStyleOption;
class QWidget;

// DrawEdge edges and borders.
enum : unsigned {
    BDR_RAISEDOUTER = 0x1,
    BDR_SUNKENOUTER = 0x2,
    BDR_RAISEDINNER = 0x4,
    BDR_SUNKENINNER = 0x8,
    EDGE_RAISED = BDR_RAISEDOUTER | BDR_RAISEDINNER,
    EDGE_SUNKEN = BDR_SUNKENOUTER | BDR_SUNKENINNER,
    EDGE_ETCHED = BDR_SUNKENOUTER | BDR_RAISEDINNER,
    EDGE_BUMP = BDR_RAISEDOUTER | BDR_SUNKENINNER,
    BF_LEFT = 0x1,
    BF_TOP = 0x2,
    BF_RIGHT = 0x4,
    BF_BOTTOM = 0x8,
    BF_TOPLEFT = BF_TOP | BF_LEFT,
    BF_BOTTOMRIGHT = BF_BOTTOM | BF_RIGHT,
    BF_RECT = BF_LEFT | BF_TOP | BF_RIGHT | BF_BOTTOM,
    BF_MIDDLE = 0x800,
    BF_SOFT = 0x1000,
    BF_ADJUST = 0x2000,
    BF_FLAT = 0x4000,
    BF_MONO = 0x8000,
};

// DrawFrameControl types and states.
enum : unsigned {
    DFC_SCROLL = 3,
    DFC_BUTTON = 4,
    DFCS_BUTTONCHECK = 0x0,
    DFCS_BUTTONRADIO = 0x4,
    DFCS_BUTTONPUSH = 0x10,
    DFCS_SCROLLUP = 0x0,
    DFCS_SCROLLDOWN = 0x1,
    DFCS_SCROLLLEFT = 0x2,
    DFCS_SCROLLRIGHT = 0x3,
    DFCS_SCROLLCOMBOBOX = 0x5,
    DFCS_INACTIVE = 0x100,
    DFCS_PUSHED = 0x200,
    DFCS_CHECKED = 0x400,
    DFCS_HOT = 0x1000,
    DFCS_FLAT = 0x4000,
    DFCS_MONO = 0x8000,
};

// One DrawText, TextOut or TextRect call, laid out.
struct TTextDraw {
    QString Text; // the text as given
    TRect Rect;   // the formatting rectangle (TextOut: empty)
    unsigned Flags = 0;
    TTextLayout Layout;
    TFont Font;
    QFont QtFont;
    bool Opaque = false; // each run's box is filled with Background first
    TColor Background = clNone;
    bool Clipped = false; // drawing is clipped to ClipRect
    TRect ClipRect;
    TPoint Origin; // rotation centre for a font with an orientation
};

enum class TStyleKind { Primitive, Control, ComplexControl };

class TCanvasDevice {
public:
    virtual ~TCanvasDevice() = default;
    virtual void Line(TPoint from, TPoint to, const TPen& pen) = 0;
    virtual void Polyline(const std::vector<TPoint>& points, const TPen& pen) = 0;
    virtual void FillRect(const TRect& rect, const TBrush& brush) = 0;
    virtual void Rectangle(const TRect& rect, const TPen& pen, const TBrush& brush) = 0;
    virtual void Polygon(const std::vector<TPoint>& points, const TPen& pen, const TBrush& brush) = 0;
    virtual void Ellipse(const TRect& rect, const TPen& pen, const TBrush& brush) = 0;
    virtual void Pie(const TRect& rect, TPoint radial1, TPoint radial2, const TPen& pen,
                     const TBrush& brush) = 0;
    virtual void Text(const TTextDraw& text) = 0;
    // Copies the source part of the bitmap into dest (stretched); pixels of the transparent colour
    // are left out unless it is clNone.
    virtual void Image(const TRect& dest, const TBitmap& bitmap, const TRect& source, TColor transparent) = 0;
    virtual void Edge(const TRect& rect, unsigned edge, unsigned borders) = 0;
    virtual void FrameControl(const TRect& rect, unsigned type, unsigned state) = 0;
    virtual void FocusRect(const TRect& rect) = 0;
    // A QStyle call; the device restores every painter state the style changes.
    virtual void Style(TStyleKind kind, int element, const QStyleOption& option, const QWidget* widget) = 0;
    // The clip rectangle for the following operations; nullptr removes it.
    virtual void SetClip(const TRect* clip) = 0;
};

// Draws nothing: a canvas outside painting can still measure text.
class TNullDevice : public TCanvasDevice {
public:
    void Line(TPoint, TPoint, const TPen&) override {}
    void Polyline(const std::vector<TPoint>&, const TPen&) override {}
    void FillRect(const TRect&, const TBrush&) override {}
    void Rectangle(const TRect&, const TPen&, const TBrush&) override {}
    void Polygon(const std::vector<TPoint>&, const TPen&, const TBrush&) override {}
    void Ellipse(const TRect&, const TPen&, const TBrush&) override {}
    void Pie(const TRect&, TPoint, TPoint, const TPen&, const TBrush&) override {}
    void Text(const TTextDraw&) override {}
    void Image(const TRect&, const TBitmap&, const TRect&, TColor) override {}
    void Edge(const TRect&, unsigned, unsigned) override {}
    void FrameControl(const TRect&, unsigned, unsigned) override {}
    void FocusRect(const TRect&) override {}
    void Style(TStyleKind, int, const QStyleOption&, const QWidget*) override {}
    void SetClip(const TRect*) override {}
};
