#include "platform/ui/RecordingDevice.h"

#include <QStyleOption>

TCanvasOp& TRecordingDevice::Add(TCanvasOpKind kind) {
    TCanvasOp& op = Ops.emplace_back();
    op.Kind = kind;
    op.ActiveClip = clip_;
    return op;
}

TCanvasOp& TRecordingDevice::AddShape(TCanvasOpKind kind, const TRect& rect, const TPen& pen,
                                      const TBrush& brush) {
    TCanvasOp& op = Add(kind);
    op.Rect = rect;
    op.Pen = pen;
    op.Brush = brush;
    return op;
}

std::vector<const TCanvasOp*>
TRecordingDevice::Where(const std::function<bool(const TCanvasOp&)>& test) const {
    std::vector<const TCanvasOp*> found;
    for (const TCanvasOp& op : Ops)
        if (test(op)) found.push_back(&op);
    return found;
}

std::vector<const TCanvasOp*> TRecordingDevice::OfKind(TCanvasOpKind kind) const {
    return Where([kind](const TCanvasOp& op) { return op.Kind == kind; });
}

std::vector<const TCanvasOp*> TRecordingDevice::TextsEqual(const QString& text) const {
    return Where([&text](const TCanvasOp& op) { return op.Kind == TCanvasOpKind::Text && op.Text == text; });
}

void TRecordingDevice::Line(TPoint from, TPoint to, const TPen& pen) {
    TCanvasOp& op = Add(TCanvasOpKind::Line);
    op.Points = {from, to};
    op.Pen = pen;
    if (forward_) forward_->Line(from, to, pen);
}

void TRecordingDevice::Polyline(const std::vector<TPoint>& points, const TPen& pen) {
    TCanvasOp& op = Add(TCanvasOpKind::Polyline);
    op.Points = points;
    op.Pen = pen;
    if (forward_) forward_->Polyline(points, pen);
}

void TRecordingDevice::FillRect(const TRect& rect, const TBrush& brush) {
    TCanvasOp& op = Add(TCanvasOpKind::FillRect);
    op.Rect = rect;
    op.Brush = brush;
    if (forward_) forward_->FillRect(rect, brush);
}

void TRecordingDevice::Rectangle(const TRect& rect, const TPen& pen, const TBrush& brush) {
    AddShape(TCanvasOpKind::Rectangle, rect, pen, brush);
    if (forward_) forward_->Rectangle(rect, pen, brush);
}

void TRecordingDevice::Polygon(const std::vector<TPoint>& points, const TPen& pen, const TBrush& brush) {
    AddShape(TCanvasOpKind::Polygon, {}, pen, brush).Points = points;
    if (forward_) forward_->Polygon(points, pen, brush);
}

void TRecordingDevice::Ellipse(const TRect& rect, const TPen& pen, const TBrush& brush) {
    AddShape(TCanvasOpKind::Ellipse, rect, pen, brush);
    if (forward_) forward_->Ellipse(rect, pen, brush);
}

void TRecordingDevice::Pie(const TRect& rect, TPoint radial1, TPoint radial2, const TPen& pen,
                           const TBrush& brush) {
    AddShape(TCanvasOpKind::Pie, rect, pen, brush).Points = {radial1, radial2};
    if (forward_) forward_->Pie(rect, radial1, radial2, pen, brush);
}

void TRecordingDevice::Text(const TTextDraw& text) {
    TCanvasOp& op = Add(TCanvasOpKind::Text);
    op.Rect = text.Rect;
    op.Text = text.Text;
    op.Flags = text.Flags;
    op.Font = text.Font;
    op.Layout = text.Layout;
    op.Color = text.Opaque ? text.Background : clNone;
    if (forward_) forward_->Text(text);
}

void TRecordingDevice::Image(const TRect& dest, const TBitmap& bitmap, const TRect& source,
                             TColor transparent) {
    TCanvasOp& op = Add(TCanvasOpKind::Image);
    op.Rect = dest;
    op.Color = transparent;
    op.Points = {source.TopLeft(), source.BottomRight()};
    if (forward_) forward_->Image(dest, bitmap, source, transparent);
}

void TRecordingDevice::Edge(const TRect& rect, unsigned edge, unsigned borders) {
    TCanvasOp& op = Add(TCanvasOpKind::Edge);
    op.Rect = rect;
    op.Flags = edge;
    op.State = borders;
    if (forward_) forward_->Edge(rect, edge, borders);
}

void TRecordingDevice::FrameControl(const TRect& rect, unsigned type, unsigned state) {
    TCanvasOp& op = Add(TCanvasOpKind::FrameControl);
    op.Rect = rect;
    op.Flags = type;
    op.State = state;
    if (forward_) forward_->FrameControl(rect, type, state);
}

void TRecordingDevice::FocusRect(const TRect& rect) {
    Add(TCanvasOpKind::FocusRect).Rect = rect;
    if (forward_) forward_->FocusRect(rect);
}

void TRecordingDevice::Style(TStyleKind kind, int element, const QStyleOption& option,
                             const QWidget* widget) {
    TCanvasOp& op = Add(TCanvasOpKind::Style);
    op.StyleKind = kind;
    op.Flags = unsigned(element);
    op.State = unsigned(option.state);
    op.Rect = FromQRect(option.rect);
    if (forward_) forward_->Style(kind, element, option, widget);
}

void TRecordingDevice::SetClip(const TRect* clip) {
    TCanvasOp& op = Add(TCanvasOpKind::Clip);
    op.HasClip = clip != nullptr;
    if (clip) op.Rect = *clip;
    clip_ = clip ? std::optional<TRect>(*clip) : std::nullopt;
    if (forward_) forward_->SetClip(clip);
}
