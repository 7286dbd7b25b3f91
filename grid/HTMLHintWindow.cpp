#include "grid/HTMLHintWindow.h"

#include "grid/HTMLDraw.h"
#include "grid/VisibleText.h"

#include <QGuiApplication>
#include <QScreen>

namespace {

constexpr int kMeasureWidth = 1024 - 16;
const QString kEllipsis = QStringLiteral("\u2026");

// The size of a hint's lines word-wrapped in the rectangle's width, as many as fit whole in its
// height.
THTMLDrawResult Measure(const QString& text, const TRect& rect) {
    TCanvas canvas;
    return HTMLMeasureWithin(canvas, text, rect, true, 0xFF0000);
}

int LineHeight() {
    TCanvas canvas;
    return canvas.TextHeight(QStringLiteral("gh"));
}

// What of a text a hint of that width and height can show (a hint of a cell's text may be given
// millions of characters).
QString Shown(const QString& text, int width, int height) {
    return VisibleHTMLText(text, {0, 0, width, height}, LineHeight());
}

// The screen of the widget, else the one under the point, else the primary one.
TRect ScreenOf(const QWidget* widget, TPoint at) {
    QScreen* screen = widget ? widget->screen() : nullptr;
    if (!screen) screen = QGuiApplication::screenAt(ToQPoint(at));
    if (!screen) screen = QGuiApplication::primaryScreen();
    return screen ? FromQRect(screen->geometry()) : TRect{0, 0, 1 << 20, 1 << 20};
}

// The most width and height a hint's text may take on a screen: the window takes 16 pixels more
// in width and 4 in height, and keeps 2 pixels from each edge.
TPoint RoomOn(const TRect& screen) {
    return {std::clamp(screen.Width() - 20, 1, kMeasureWidth), std::max(screen.Height() - 8, 1)};
}

} // namespace

QString HintShownPart(const QString& text, const QWidget* widget, int width) {
    const TPoint room = RoomOn(ScreenOf(widget, {0, 0}));
    return Shown(text, width > 0 ? std::min(width, room.X) : room.X, room.Y);
}

THTMLHintWindow::THTMLHintWindow(QWidget* parent) : THintWindow(parent) {}

TRect THTMLHintWindow::CalcHintRect(int maxWidth, const QString& text) {
    const int height = Room({0, 0}).Y;
    const THTMLDrawResult measured = Measure(Shown(text, maxWidth, height), {0, 0, maxWidth, height});
    return {0, 0, std::min(measured.Width, maxWidth), measured.Height};
}

// The screen of the grid the hint belongs to, else the one under the point.
TRect THTMLHintWindow::ScreenArea(TPoint at) const {
    return ScreenOf(parentWidget(), at);
}

TPoint THTMLHintWindow::Room(TPoint at) const {
    return RoomOn(ScreenArea(at));
}

void THTMLHintWindow::ActivateHint(const TRect& screenRect, const QString& whole) {
    const TPoint room = Room(screenRect.TopLeft());
    const int lineHeight = LineHeight();
    const QString text = Shown(whole, room.X, room.Y);
    SetCaption(text);
    TRect r = screenRect;
    r.Right = r.Left + room.X;
    // The lines that fit, less one for the ellipsis that follows them when some do not.
    const THTMLDrawResult measured =
        Measure(text, {r.Left, r.Top, r.Right, r.Top + std::max(room.Y - lineHeight, 1)});
    // A word wider than the room stays on its line (lines break between words): it is cut at the
    // hint's edge.
    cut_ = measured.Cut || text.size() < whole.size() || measured.Width > room.X;
    hintWidth_ = std::min(measured.Width, room.X);
    r.Right = r.Left + hintWidth_ + 16;
    linesHeight_ = measured.Height;
    hintHeight_ = linesHeight_ + (cut_ ? lineHeight : 0);
    r.Bottom = r.Top + hintHeight_ + 4;
    const TRect screen = ScreenArea(r.TopLeft());
    if (screen.Right < r.Right) {
        r.Left -= r.Right - screen.Right + 2;
        r.Right = r.Left + hintWidth_ + 16;
    }
    if (screen.Bottom < r.Bottom) {
        r.Bottom = screen.Bottom - 2;
        r.Top = r.Bottom - hintHeight_ - 4;
    }
    // A cell that starts left of (above) its grid's screen: the hint starts at its edge.
    r = r.Offset(std::max(screen.Left - r.Left, 0), std::max(screen.Top - r.Top, 0));
    setGeometry(ToQRect(r));
    show();
    raise();
    update();
}

TRect THTMLHintWindow::TextRect() const {
    const TRect c{0, 0, width(), height()};
    const int top = c.Top + (c.Height() - hintHeight_) / 2;
    return {c.Left + 4, top, c.Right - 4, top + hintHeight_ + 8};
}

void THTMLHintWindow::RenderTo(TCanvasDevice& device) {
    TCanvas canvas(&device);
    canvas.SetStyleWidget(this);
    Paint(canvas);
}

// The text is drawn word-wrapped, as it was measured: a hint of several lines shows all of them, and
// an ellipsis on a line of its own below them when the text went on.
void THTMLHintWindow::Paint(TCanvas& canvas) {
    const TRect c{0, 0, width(), height()};
    canvas.Brush().SetColor(Color());
    canvas.Brush().SetStyle(TBrushStyle::bsSolid);
    canvas.FillRect(c);
    canvas.Pen().SetWidth(1);
    canvas.Pen().SetColor(cl3DLight);
    canvas.Polyline({{c.Left, c.Bottom - 2}, {c.Left, c.Top}, {c.Right - 1, c.Top}});
    canvas.Pen().SetColor(cl3DDkShadow);
    canvas.Polyline({{c.Left, c.Bottom - 1}, {c.Right - 1, c.Bottom - 1}, {c.Right - 1, c.Top - 1}});
    canvas.Brush().SetColor(Color());
    TRect text = TextRect();
    if (cut_) text.Bottom = text.Top + linesHeight_; // the lines measured, then the ellipsis
    HTMLDrawEx(canvas, Caption(), text, nullptr, 0, 0, -1, 0, 1, false, false, false, false, false, false,
               true, false, 0.0, 0xFF0000, clNone, clNone, clGray, nullptr, nullptr, this);
    if (cut_) {
        canvas.SetBkMode(TBkMode::Transparent);
        canvas.TextOut(text.Left + 1, text.Bottom, kEllipsis);
    }
}
