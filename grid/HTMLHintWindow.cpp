#include "grid/HTMLHintWindow.h"

#include "grid/HTMLDraw.h"
#include "grid/VisibleText.h"

#include <QGuiApplication>
#include <QScreen>

namespace {

// The measured size of a hint: its lines word-wrapped in the rectangle's width.
THTMLDrawResult Measure(const QString& text, const TRect& rect) {
    TCanvas canvas;
    return HTMLDrawEx(canvas, text, rect, nullptr, 0, 0, -1, 0, 1, false, true, false, false, false, false,
                      true, false, 0.0, 0xFF0000, clNone, clNone, clGray);
}

constexpr int kMeasureWidth = 1024 - 16;

// What of a text can show in a hint: what a window of its width and of a screen's height at most
// can hold (a hint of a cell's text may be given millions of characters).
QString Shown(const QString& text, int width) {
    TCanvas canvas;
    return VisibleHTMLText(text, {0, 0, std::max(width, kMeasureWidth), 4096},
                           canvas.TextHeight(QStringLiteral("gh")));
}

} // namespace

THTMLHintWindow::THTMLHintWindow(QWidget* parent) : THintWindow(parent) {}

TRect THTMLHintWindow::CalcHintRect(int maxWidth, const QString& text) {
    const THTMLDrawResult measured = Measure(Shown(text, maxWidth), {0, 0, maxWidth, 0});
    return {0, 0, measured.Width, measured.Height};
}

// The screen of the grid the hint belongs to, else the one under the point.
TRect THTMLHintWindow::ScreenArea(TPoint at) const {
    QScreen* screen = parentWidget() ? parentWidget()->screen() : nullptr;
    if (!screen) screen = QGuiApplication::screenAt(ToQPoint(at));
    if (!screen) screen = QGuiApplication::primaryScreen();
    return screen ? FromQRect(screen->geometry()) : TRect{0, 0, 1 << 20, 1 << 20};
}

void THTMLHintWindow::ActivateHint(const TRect& screenRect, const QString& whole) {
    const QString text = Shown(whole, kMeasureWidth);
    SetCaption(text);
    TRect r = screenRect;
    r.Right = r.Left + kMeasureWidth;
    const THTMLDrawResult measured = Measure(text, r);
    hintWidth_ = measured.Width;
    r.Right = r.Left + hintWidth_ + 16;
    hintHeight_ = measured.Height;
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

// The text is drawn word-wrapped, as it was measured: a hint of several lines shows all of them.
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
    HTMLDrawEx(canvas, Caption(), TextRect(), nullptr, 0, 0, -1, 0, 1, false, false, false, false, false,
               false, true, false, 0.0, 0xFF0000, clNone, clNone, clGray, nullptr, nullptr, this);
}
