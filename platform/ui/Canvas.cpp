#include "platform/ui/Canvas.h"

#include <QStyleOption>
#include <algorithm>
#include <cmath>

namespace {

// The class library's Round: halves go to the even neighbour.
int RoundHalfEven(double value) {
    return int(std::nearbyint(value));
}

int Channel(int from, int to, int i, int steps) {
    return from + RoundHalfEven(double(i) * (to - from) / steps);
}

} // namespace

TCanvas::TCanvas(TCanvasDevice* device) : device_(device ? device : &nullDevice_) {
    font_.OnChange = [this] { current_ = nullptr; };
    brush_.OnChange = [this] {
        bkMode_ = brush_.Style() == TBrushStyle::bsSolid ? TBkMode::Opaque : TBkMode::Transparent;
    };
}

void TCanvas::SetDevice(TCanvasDevice* device) {
    device_ = device ? device : &nullDevice_;
    clip_.reset();
}

void TCanvas::SetBkMode(TBkMode mode) {
    bkMode_ = mode;
}

// Qt fonts are kept for the last few looks drawn with (a grid alternates between its cell and
// fixed fonts); a colour alone needs no other Qt font.
TCanvas::TFontEntry& TCanvas::CurrentEntry() const {
    if (current_) return *current_;
    auto sameLook = [this](const TFontEntry& e) {
        TFont key = font_;
        key.SetColor(e.Key.Color());
        return e.Key.SameLook(key);
    };
    auto found = std::find_if(fonts_.begin(), fonts_.end(), sameLook);
    if (found == fonts_.end()) {
        if (fonts_.size() >= 4) fonts_.pop_back();
        fonts_.push_front({font_, font_.ToQFont(), std::nullopt});
        found = fonts_.begin();
    }
    current_ = &*found;
    return *current_;
}

const QFont& TCanvas::CurrentQFont() const {
    return CurrentEntry().Font;
}

QFontMetrics TCanvas::Metrics() const {
    TFontEntry& entry = CurrentEntry();
    if (!entry.Metrics) entry.Metrics.emplace(entry.Font);
    return *entry.Metrics;
}

void TCanvas::LineTo(int x, int y) {
    device_->Line(penPos_, {x, y}, pen_);
    penPos_ = {x, y};
}

void TCanvas::Polyline(const std::vector<TPoint>& points) {
    if (points.size() >= 2) device_->Polyline(points, pen_);
}

void TCanvas::FillRect(const TRect& rect) {
    device_->FillRect(rect, brush_);
}

void TCanvas::FrameRect(const TRect& rect) {
    if (rect.IsEmpty()) return;
    device_->FillRect({rect.Left, rect.Top, rect.Right, rect.Top + 1}, brush_);
    device_->FillRect({rect.Left, rect.Bottom - 1, rect.Right, rect.Bottom}, brush_);
    device_->FillRect({rect.Left, rect.Top, rect.Left + 1, rect.Bottom}, brush_);
    device_->FillRect({rect.Right - 1, rect.Top, rect.Right, rect.Bottom}, brush_);
}

void TCanvas::Rectangle(const TRect& rect) {
    device_->Rectangle(rect, pen_, brush_);
}

void TCanvas::Polygon(const std::vector<TPoint>& points) {
    if (points.size() >= 2) device_->Polygon(points, pen_, brush_);
}

void TCanvas::Ellipse(const TRect& rect) {
    device_->Ellipse(rect, pen_, brush_);
}

void TCanvas::Pie(const TRect& rect, TPoint radial1, TPoint radial2) {
    device_->Pie(rect, radial1, radial2, pen_, brush_);
}

TTextDraw TCanvas::MakeTextDraw(const QString& text, const TRect& rect, unsigned flags) const {
    TTextDraw draw;
    draw.Text = text;
    draw.Rect = rect;
    draw.Flags = flags;
    draw.Font = font_;
    draw.QtFont = CurrentQFont();
    draw.Opaque = bkMode_ == TBkMode::Opaque && brush_.Paints();
    draw.Background = brush_.Color();
    return draw;
}

void TCanvas::TextOut(int x, int y, const QString& text) {
    TTextDraw draw = MakeTextDraw(text, {}, DT_NOPREFIX | DT_SINGLELINE | DT_NOCLIP);
    draw.Layout = LayoutText(text, Bounds(x, y, 0, 0), draw.Flags, Metrics());
    draw.Origin = {x, y};
    device_->Text(draw);
    penPos_ = {x + TextWidth(text), y};
}

void TCanvas::TextRect(const TRect& rect, int x, int y, const QString& text) {
    if (bkMode_ == TBkMode::Opaque && brush_.Paints()) device_->FillRect(rect, brush_);
    TTextDraw draw = MakeTextDraw(text, rect, DT_NOPREFIX | DT_SINGLELINE);
    draw.Layout = LayoutText(text, Bounds(x, y, 0, 0), draw.Flags, Metrics());
    draw.Opaque = false;
    draw.Clipped = true;
    draw.ClipRect = rect;
    draw.Origin = {x, y};
    device_->Text(draw);
}

int TCanvas::DrawText(const QString& text, TRect& rect, unsigned flags) {
    TTextDraw draw = MakeTextDraw(text, rect, flags);
    draw.Layout = LayoutText(text, rect, flags, Metrics());
    if (flags & DT_CALCRECT) {
        rect = draw.Layout.CalcRect;
        return draw.Layout.Result;
    }
    draw.Clipped = !(flags & DT_NOCLIP);
    draw.ClipRect = rect;
    draw.Origin = rect.TopLeft();
    device_->Text(draw);
    return draw.Layout.Result;
}

int TCanvas::TextWidth(const QString& text) const {
    return Metrics().horizontalAdvance(text);
}

int TCanvas::TextHeight(const QString&) const {
    return Metrics().height();
}

void TCanvas::Draw(int x, int y, const TBitmap& bitmap) {
    if (bitmap.Empty()) return;
    device_->Image(Bounds(x, y, bitmap.Width(), bitmap.Height()), bitmap,
                   Bounds(0, 0, bitmap.Width(), bitmap.Height()), clNone);
}

void TCanvas::StretchDraw(const TRect& rect, const TBitmap& bitmap) {
    if (bitmap.Empty() || rect.IsEmpty()) return;
    device_->Image(rect, bitmap, Bounds(0, 0, bitmap.Width(), bitmap.Height()), clNone);
}

void TCanvas::DrawTransparent(int x, int y, const TBitmap& bitmap, TColor transparent) {
    if (bitmap.Empty()) return;
    device_->Image(Bounds(x, y, bitmap.Width(), bitmap.Height()), bitmap,
                   Bounds(0, 0, bitmap.Width(), bitmap.Height()), transparent);
}

void TCanvas::DrawEdge(TRect& rect, unsigned edge, unsigned borders) {
    device_->Edge(rect, edge, borders);
    if (!(borders & BF_ADJUST)) return;
    int width = ((edge & (BDR_RAISEDOUTER | BDR_SUNKENOUTER)) ? 1 : 0) +
                ((edge & (BDR_RAISEDINNER | BDR_SUNKENINNER)) ? 1 : 0);
    if (borders & BF_LEFT) rect.Left += width;
    if (borders & BF_TOP) rect.Top += width;
    if (borders & BF_RIGHT) rect.Right -= width;
    if (borders & BF_BOTTOM) rect.Bottom -= width;
}

void TCanvas::DrawFrameControl(const TRect& rect, unsigned type, unsigned state) {
    device_->FrameControl(rect, type, state);
}

void TCanvas::DrawFocusRect(const TRect& rect) {
    device_->FocusRect(rect);
}

void TCanvas::DrawGradient(TColor from, TColor to, bool horizontal, const TRect& rect, int steps) {
    if (rect.IsEmpty()) return;
    if (steps <= 0) steps = 1;
    const TColor a = ColorToRGB(from), b = ColorToRGB(to);
    const int size = horizontal ? rect.Width() : rect.Height();
    const int length = RoundHalfEven(double(size) / steps) + 1;
    for (int i = 0; i < steps; ++i) {
        TBrush band(RGBColor(Channel(RedOf(a), RedOf(b), i, steps), Channel(GreenOf(a), GreenOf(b), i, steps),
                             Channel(BlueOf(a), BlueOf(b), i, steps)));
        const int start = RoundHalfEven(double(i) * size / steps);
        const int end = std::min(start + length, size);
        if (end <= start) continue;
        device_->FillRect(horizontal ? TRect{rect.Left + start, rect.Top, rect.Left + end, rect.Bottom}
                                     : TRect{rect.Left, rect.Top + start, rect.Right, rect.Top + end},
                          band);
    }
}

void TCanvas::DrawStylePrimitive(QStyle::PrimitiveElement element, const QStyleOption& option) {
    device_->Style(TStyleKind::Primitive, int(element), option, styleWidget_);
}

void TCanvas::DrawStyleControl(QStyle::ControlElement element, const QStyleOption& option) {
    device_->Style(TStyleKind::Control, int(element), option, styleWidget_);
}

void TCanvas::DrawStyleComplexControl(QStyle::ComplexControl control, const QStyleOption& option) {
    device_->Style(TStyleKind::ComplexControl, int(control), option, styleWidget_);
}

void TCanvas::SetClipRect(const TRect& rect) {
    clip_ = rect;
    device_->SetClip(&rect);
}

void TCanvas::ClearClip() {
    clip_.reset();
    device_->SetClip(nullptr);
}
