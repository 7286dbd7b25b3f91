#include "platform/ui/PainterDevice.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>
#include <QWidget>
#include <cmath>

namespace {

Qt::PenStyle QtPenStyle(TPenStyle style) {
    switch (style) {
    case TPenStyle::psDash:
        return Qt::DashLine;
    case TPenStyle::psDot:
        return Qt::DotLine;
    case TPenStyle::psDashDot:
        return Qt::DashDotLine;
    case TPenStyle::psDashDotDot:
        return Qt::DashDotDotLine;
    case TPenStyle::psClear:
        return Qt::NoPen;
    default:
        return Qt::SolidLine;
    }
}

Qt::BrushStyle QtBrushStyle(TBrushStyle style) {
    switch (style) {
    case TBrushStyle::bsClear:
        return Qt::NoBrush;
    case TBrushStyle::bsHorizontal:
        return Qt::HorPattern;
    case TBrushStyle::bsVertical:
        return Qt::VerPattern;
    case TBrushStyle::bsFDiagonal:
        return Qt::BDiagPattern;
    case TBrushStyle::bsBDiagonal:
        return Qt::FDiagPattern;
    case TBrushStyle::bsCross:
        return Qt::CrossPattern;
    case TBrushStyle::bsDiagCross:
        return Qt::DiagCrossPattern;
    default:
        return Qt::SolidPattern;
    }
}

QPainter::CompositionMode QtMode(TPenMode mode) {
    switch (mode) {
    case TPenMode::pmNot:
        return QPainter::RasterOp_NotDestination;
    case TPenMode::pmXor:
        return QPainter::RasterOp_SourceXorDestination;
    case TPenMode::pmNotXor:
        return QPainter::RasterOp_NotSourceXorDestination;
    default:
        return QPainter::CompositionMode_SourceOver;
    }
}

QBrush QtBrush(const TBrush& brush) {
    if (!brush.Paints()) return Qt::NoBrush;
    return QBrush(ToQColor(brush.Color()), QtBrushStyle(brush.Style()));
}

// Counter-clockwise angle of a point seen from the centre, in degrees (y grows downwards).
double AngleOf(QPointF centre, TPoint p) {
    return std::atan2(centre.y() - p.Y, p.X - centre.x()) * 180.0 / M_PI;
}

struct TEdgeColors {
    TColor Light, Dark;
};

TEdgeColors OuterColors(unsigned edge) {
    if (edge & BDR_RAISEDOUTER) return {cl3DLight, cl3DDkShadow};
    return {clBtnShadow, clBtnHighlight};
}

TEdgeColors InnerColors(unsigned edge) {
    if (edge & BDR_RAISEDINNER) return {clBtnHighlight, clBtnShadow};
    return {cl3DDkShadow, cl3DLight};
}

QImage TransparentCopy(const QImage& image, const QRect& source, TColor transparent) {
    QImage copy = image.copy(source).convertToFormat(QImage::Format_ARGB32);
    const QRgb key = ToQColor(transparent).rgb() & 0xFFFFFF;
    for (int y = 0; y < copy.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(copy.scanLine(y));
        for (int x = 0; x < copy.width(); ++x)
            if ((line[x] & 0xFFFFFF) == key) line[x] = 0;
    }
    return copy;
}

void PrepareOption(QStyleOption& option, const TRect& rect, const QWidget* widget) {
    if (widget)
        option.initFrom(widget);
    else
        option.palette = QApplication::palette();
    option.rect = ToQRect(rect);
}

} // namespace

TPainterDevice::TPainterDevice(QPainter& painter) : painter_(painter) {
    painter_.setRenderHint(QPainter::Antialiasing, false);
}

void TPainterDevice::UsePen(const TPen& pen) {
    if (!pen.Paints()) {
        painter_.setPen(Qt::NoPen);
        return;
    }
    QPen qpen(ToQColor(pen.Color()), pen.Width(), QtPenStyle(pen.Style()), Qt::FlatCap, Qt::MiterJoin);
    painter_.setPen(qpen);
    painter_.setCompositionMode(QtMode(pen.Mode()));
}

void TPainterDevice::UseBrush(const TBrush& brush) {
    painter_.setBrush(QtBrush(brush));
}

namespace {

// The pixel before 'to' on the way from 'from': the last one a class-library line paints.
TPoint LastPainted(TPoint from, TPoint to) {
    const int dx = to.X - from.X, dy = to.Y - from.Y;
    const int n = std::max(std::abs(dx), std::abs(dy));
    auto step = [n](int start, int delta) { return start + int(std::lround(double(delta) * (n - 1) / n)); };
    return {step(from.X, dx), step(from.Y, dy)};
}

} // namespace

void TPainterDevice::Line(TPoint from, TPoint to, const TPen& pen) {
    if (!pen.Paints() || from == to) return;
    UsePen(pen);
    if (pen.Width() == 1) {
        // Both ends of an aliased one-pixel line with a square cap are painted, whatever the
        // direction; so the line is drawn to the pixel before its end.
        QPen qpen = painter_.pen();
        qpen.setCapStyle(Qt::SquareCap);
        painter_.setPen(qpen);
        const TPoint last = LastPainted(from, to);
        if (last == from)
            painter_.drawPoint(ToQPoint(from));
        else
            painter_.drawLine(ToQPoint(from), ToQPoint(last));
    } else {
        painter_.drawLine(ToQPoint(from), ToQPoint(to));
    }
    painter_.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

void TPainterDevice::SolidLine(TPoint from, TPoint to, TColor color) {
    Line(from, to, TPen(color));
}

void TPainterDevice::Polyline(const std::vector<TPoint>& points, const TPen& pen) {
    for (size_t i = 1; i < points.size(); ++i) Line(points[i - 1], points[i], pen);
}

void TPainterDevice::FillRect(const TRect& rect, const TBrush& brush) {
    if (rect.IsEmpty() || !brush.Paints()) return;
    painter_.fillRect(ToQRect(rect), QtBrush(brush));
}

void TPainterDevice::Rectangle(const TRect& rect, const TPen& pen, const TBrush& brush) {
    if (rect.IsEmpty()) return;
    FillRect(rect, brush);
    if (!pen.Paints()) return;
    if (pen.Style() != TPenStyle::psSolid && pen.Style() != TPenStyle::psInsideFrame) {
        UsePen(pen);
        painter_.setBrush(Qt::NoBrush);
        painter_.drawRect(QRect(rect.Left, rect.Top, rect.Width() - 1, rect.Height() - 1));
        painter_.setCompositionMode(QPainter::CompositionMode_SourceOver);
        return;
    }
    // A solid outline is four bands of the pen's width inside the rectangle, none overlapping.
    const int w = std::min({pen.Width(), rect.Width(), rect.Height()});
    painter_.setCompositionMode(QtMode(pen.Mode()));
    const QBrush band(ToQColor(pen.Color()));
    painter_.fillRect(QRect(rect.Left, rect.Top, rect.Width(), w), band);
    if (rect.Height() > w) painter_.fillRect(QRect(rect.Left, rect.Bottom - w, rect.Width(), w), band);
    if (rect.Height() > 2 * w) {
        painter_.fillRect(QRect(rect.Left, rect.Top + w, w, rect.Height() - 2 * w), band);
        if (rect.Width() > w)
            painter_.fillRect(QRect(rect.Right - w, rect.Top + w, w, rect.Height() - 2 * w), band);
    }
    painter_.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

void TPainterDevice::Polygon(const std::vector<TPoint>& points, const TPen& pen, const TBrush& brush) {
    QPolygon polygon;
    for (TPoint p : points) polygon << ToQPoint(p);
    UsePen(pen);
    UseBrush(brush);
    painter_.drawPolygon(polygon, Qt::WindingFill);
    painter_.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

void TPainterDevice::Ellipse(const TRect& rect, const TPen& pen, const TBrush& brush) {
    if (rect.IsEmpty()) return;
    UsePen(pen);
    UseBrush(brush);
    painter_.drawEllipse(QRect(rect.Left, rect.Top, rect.Width() - 1, rect.Height() - 1));
    painter_.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

void TPainterDevice::Pie(const TRect& rect, TPoint radial1, TPoint radial2, const TPen& pen,
                         const TBrush& brush) {
    if (rect.IsEmpty()) return;
    const QRect box(rect.Left, rect.Top, rect.Width() - 1, rect.Height() - 1);
    const QPointF centre = QRectF(box).center();
    const double start = AngleOf(centre, radial1);
    double span = AngleOf(centre, radial2) - start;
    while (span <= 0) span += 360.0;
    UsePen(pen);
    UseBrush(brush);
    painter_.drawPie(box, int(std::lround(start * 16)), int(std::lround(span * 16)));
    painter_.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

void TPainterDevice::ApplyClip(const std::optional<TRect>& extra) {
    if (!extra) return;
    TRect area = clip_ ? IntersectRect(*clip_, *extra) : *extra;
    painter_.setClipRect(ToQRect(area), Qt::ReplaceClip);
}

void TPainterDevice::Text(const TTextDraw& text) {
    painter_.save();
    if (text.Clipped) ApplyClip(text.ClipRect);
    const int angle = text.Font.Orientation();
    TPoint shift{0, 0};
    if (angle != 0) {
        painter_.translate(text.Origin.X, text.Origin.Y);
        painter_.rotate(-angle / 10.0);
        shift = {-text.Origin.X, -text.Origin.Y};
    }
    painter_.setFont(text.QtFont);
    const QColor color = IsColorSet(text.Font.Color()) ? ToQColor(text.Font.Color()) : QColor(Qt::black);
    const int ascent = QFontMetrics(text.QtFont).ascent();
    // Lines wholly outside the clip are not drawn: a long text laid out in a small cell costs what
    // its visible lines do.
    const QRectF clip = angle == 0 && painter_.hasClipping() ? painter_.clipBoundingRect() : QRectF();
    for (const TTextRun& run : text.Layout.Runs) {
        const int x = run.X + shift.X, y = run.Y + shift.Y;
        if (!clip.isNull() && !clip.intersects(QRectF(x, y, std::max(run.Width, 1), text.Layout.LineHeight)))
            continue;
        if (text.Opaque)
            painter_.fillRect(QRect(x, y, run.Width, text.Layout.LineHeight), ToQColor(text.Background));
        painter_.setPen(color);
        painter_.drawText(QPoint(x, y + ascent), run.Text);
    }
    painter_.restore();
}

void TPainterDevice::Image(const TRect& dest, const TBitmap& bitmap, const TRect& source,
                           TColor transparent) {
    if (bitmap.Empty() || dest.IsEmpty()) return;
    if (IsColorSet(transparent))
        painter_.drawImage(ToQRect(dest), TransparentCopy(bitmap.Image(), ToQRect(source), transparent));
    else
        painter_.drawImage(ToQRect(dest), bitmap.Image(), ToQRect(source));
}

void TPainterDevice::Edge(const TRect& rect, unsigned edge, unsigned borders) {
    auto side = [&](const TRect& r, TEdgeColors colors) {
        if (borders & BF_FLAT) colors = {clBtnShadow, clBtnShadow};
        if (borders & BF_MONO) colors = {clWindowFrame, clWindowFrame};
        if (borders & BF_LEFT) SolidLine({r.Left, r.Top}, {r.Left, r.Bottom}, colors.Light);
        if (borders & BF_TOP) SolidLine({r.Left, r.Top}, {r.Right, r.Top}, colors.Light);
        if (borders & BF_RIGHT) SolidLine({r.Right - 1, r.Top}, {r.Right - 1, r.Bottom}, colors.Dark);
        if (borders & BF_BOTTOM) SolidLine({r.Left, r.Bottom - 1}, {r.Right, r.Bottom - 1}, colors.Dark);
    };
    TRect r = rect;
    if (edge & (BDR_RAISEDOUTER | BDR_SUNKENOUTER)) {
        side(r, OuterColors(edge));
        r = r.Inflated(-1, -1);
    }
    if (edge & (BDR_RAISEDINNER | BDR_SUNKENINNER)) {
        side(r, InnerColors(edge));
        r = r.Inflated(-1, -1);
    }
    if (borders & BF_MIDDLE) FillRect(r, TBrush(clBtnFace));
}

void TPainterDevice::FrameControl(const TRect& rect, unsigned type, unsigned state) {
    QStyleOptionButton option;
    PrepareOption(option, rect, nullptr);
    option.state = QStyle::State_Raised;
    if (!(state & DFCS_INACTIVE)) option.state |= QStyle::State_Enabled;
    // The style greys a control by the palette it is given.
    if (state & DFCS_INACTIVE) option.palette.setCurrentColorGroup(QPalette::Disabled);
    if (state & DFCS_PUSHED) option.state |= QStyle::State_Sunken;
    if (state & DFCS_HOT) option.state |= QStyle::State_MouseOver;
    option.state |= (state & DFCS_CHECKED) ? QStyle::State_On : QStyle::State_Off;
    if (type == DFC_BUTTON) {
        const unsigned kind = state & 0x1F;
        QStyle::PrimitiveElement element = kind == DFCS_BUTTONPUSH    ? QStyle::PE_PanelButtonCommand
                                           : kind == DFCS_BUTTONRADIO ? QStyle::PE_IndicatorRadioButton
                                                                      : QStyle::PE_IndicatorCheckBox;
        Style(TStyleKind::Primitive, element, option, nullptr);
        return;
    }
    if (type != DFC_SCROLL) return;
    if (!(state & DFCS_FLAT)) Style(TStyleKind::Primitive, QStyle::PE_PanelButtonTool, option, nullptr);
    const unsigned kind = state & 0x1F;
    QStyle::PrimitiveElement arrow = kind == DFCS_SCROLLUP      ? QStyle::PE_IndicatorArrowUp
                                     : kind == DFCS_SCROLLLEFT  ? QStyle::PE_IndicatorArrowLeft
                                     : kind == DFCS_SCROLLRIGHT ? QStyle::PE_IndicatorArrowRight
                                                                : QStyle::PE_IndicatorArrowDown;
    Style(TStyleKind::Primitive, arrow, option, nullptr);
}

// The class library's focus rectangle: a dotted frame whose dots invert what is under them (so
// drawing it twice removes it); the inside is left as it is.
void TPainterDevice::FocusRect(const TRect& rect) {
    if (rect.IsEmpty()) return;
    painter_.save();
    painter_.setRenderHint(QPainter::Antialiasing, false);
    painter_.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    painter_.setPen(QPen(Qt::white, 0));
    std::vector<QPoint> dots;
    auto dot = [&](int x, int y) {
        if ((x + y) % 2 == 0) dots.emplace_back(x, y);
    };
    for (int x = rect.Left; x < rect.Right; ++x) {
        dot(x, rect.Top);
        if (rect.Bottom - 1 > rect.Top) dot(x, rect.Bottom - 1);
    }
    for (int y = rect.Top + 1; y < rect.Bottom - 1; ++y) {
        dot(rect.Left, y);
        if (rect.Right - 1 > rect.Left) dot(rect.Right - 1, y);
    }
    painter_.drawPoints(dots.data(), int(dots.size()));
    painter_.restore();
}

void TPainterDevice::Style(TStyleKind kind, int element, const QStyleOption& option, const QWidget* widget) {
    QStyle* style = widget ? widget->style() : QApplication::style();
    painter_.save();
    switch (kind) {
    case TStyleKind::Primitive:
        style->drawPrimitive(QStyle::PrimitiveElement(element), &option, &painter_, widget);
        break;
    case TStyleKind::Control:
        style->drawControl(QStyle::ControlElement(element), &option, &painter_, widget);
        break;
    case TStyleKind::ComplexControl:
        if (auto* complex = qstyleoption_cast<const QStyleOptionComplex*>(&option))
            style->drawComplexControl(QStyle::ComplexControl(element), complex, &painter_, widget);
        break;
    }
    painter_.restore();
}

void TPainterDevice::SetClip(const TRect* clip) {
    if (clip) {
        clip_ = *clip;
        painter_.setClipRect(ToQRect(*clip), Qt::ReplaceClip);
    } else {
        clip_.reset();
        painter_.setClipping(false);
    }
}
