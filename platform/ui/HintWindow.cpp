#include "platform/ui/HintWindow.h"

#include "platform/ui/PainterDevice.h"
#include "platform/ui/UiBoundary.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

namespace {

TRect ScreenArea(QPoint at) {
    QScreen* screen = QGuiApplication::screenAt(at);
    if (!screen) screen = QGuiApplication::primaryScreen();
    return screen ? FromQRect(screen->availableGeometry()) : TRect{0, 0, 1 << 20, 1 << 20};
}

QPolygon ToQPolygon(const std::vector<TPoint>& points) {
    QPolygon polygon;
    for (TPoint p : points) polygon << ToQPoint(p);
    return polygon;
}

} // namespace

THintWindow::THintWindow(QWidget* parent)
    : QWidget(parent, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
}

void THintWindow::SetColor(TColor color) {
    color_ = color;
    update();
}

void THintWindow::SetCaption(const QString& caption) {
    caption_ = caption;
    update();
}

TRect THintWindow::CalcHintRect(int maxWidth, const QString& text) {
    TCanvas canvas;
    canvas.Font().SetColor(clInfoText);
    const TTextLayout layout =
        LayoutText(text, {0, 0, std::max(maxWidth, 1), 0}, DT_WORDBREAK | DT_NOPREFIX, canvas.Metrics());
    return {0, 0, layout.MaxWidth + 6, layout.Height + 2};
}

void THintWindow::ActivateHint(const TRect& screenRect, const QString& text) {
    caption_ = text;
    const TRect placed = KeepInside(screenRect, ScreenArea(ToQPoint(screenRect.TopLeft())));
    setGeometry(ToQRect(placed));
    show();
    raise();
    update();
}

void THintWindow::Paint(TCanvas& canvas) {
    canvas.Brush().SetColor(color_);
    canvas.Pen().SetColor(clBlack);
    const TRect client{0, 0, width(), height()};
    canvas.Rectangle(client);
    canvas.Font().SetColor(clInfoText);
    TRect text = client.Inflated(-2, -1);
    canvas.SetBkMode(TBkMode::Transparent);
    canvas.DrawText(caption_, text, DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
}

void THintWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    TPainterDevice device(painter);
    TCanvas canvas(&device);
    canvas.SetStyleWidget(this);
    GuardUi([&] { Paint(canvas); });
}

TRect KeepInside(const TRect& rect, const TRect& area, int margin) {
    TRect r = rect;
    auto shift = [](int start, int size, int low, int high, int m) {
        if (high - low < size + 2 * m) m = std::max(0, (high - low - size) / 2);
        if (start + size > high - m) start = high - m - size;
        if (start < low + m) start = low + m;
        return start;
    };
    const int left = shift(r.Left, r.Width(), area.Left, area.Right, margin);
    const int top = shift(r.Top, r.Height(), area.Top, area.Bottom, margin);
    return Bounds(left, top, r.Width(), r.Height());
}

TShapedPopup::TShapedPopup(const std::vector<TPoint>& polygon, TColor color, QWidget* parent)
    : QWidget(parent, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAutoFillBackground(true);
    SetColor(color);
    SetShape(polygon);
}

void TShapedPopup::SetShape(const std::vector<TPoint>& polygon) {
    polygon_ = polygon;
    const QPolygon shape = ToQPolygon(polygon);
    const QRect box = shape.boundingRect();
    resize(box.right() + 1, box.bottom() + 1);
    setMask(QRegion(shape, Qt::WindingFill));
}

void TShapedPopup::SetColor(TColor color) {
    QPalette p = palette();
    p.setColor(QPalette::Window, ToQColor(IsColorSet(color) ? color : clLime));
    setPalette(p);
}

void TShapedPopup::ShowAt(TPoint screen) {
    move(ToQPoint(screen));
    show();
    raise();
}
