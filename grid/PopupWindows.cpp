#include "grid/PopupWindows.h"

#include "platform/ui/PainterDevice.h"
#include "platform/ui/UiBoundary.h"

#include <QPainter>

TArrowWindow::TArrowWindow(QWidget* parent, int direction)
    : TShapedPopup(ArrowShape(direction), clLime, parent), direction_(direction) {
    hide();
}

std::vector<TPoint> TArrowWindow::ArrowShape(int direction) {
    switch (direction) {
    case 0:
        return {{5, 0}, {10, 5}, {7, 5}, {7, 9}, {3, 9}, {3, 5}, {0, 5}};
    case 1:
        return {{3, 0}, {7, 0}, {7, 4}, {9, 4}, {5, 8}, {1, 4}, {3, 4}};
    case 2:
        return {{0, 3}, {0, 7}, {4, 7}, {4, 10}, {8, 5}, {4, 0}, {4, 3}};
    default:
        return {{0, 5}, {4, 10}, {4, 7}, {8, 7}, {8, 3}, {4, 3}, {4, 0}};
    }
}

TPopupButton::TPopupButton(QWidget* parent)
    : QWidget(parent, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    setEnabled(false);
    hide();
}

void TPopupButton::SetCaption(const QString& caption) {
    caption_ = caption;
    update();
}

void TPopupButton::Paint(TCanvas& canvas) {
    TRect r{0, 0, width(), height()};
    canvas.Brush().SetColor(clBtnFace);
    canvas.Brush().SetStyle(TBrushStyle::bsSolid);
    canvas.FillRect(r);
    if (IsColorSet(GradFrom))
        canvas.DrawGradient(GradFrom, IsColorSet(GradTo) ? GradTo : GradFrom, false, r, 64);
    if (!Flat) {
        canvas.Pen().SetWidth(1);
        canvas.Pen().SetColor(clWhite);
        canvas.Polyline({{r.Left, r.Bottom - 1}, {r.Left, r.Top}, {r.Right - 1, r.Top}});
        canvas.Pen().SetColor(clGray);
        canvas.Polyline({{r.Right - 1, r.Top}, {r.Right - 1, r.Bottom - 1}, {r.Left - 1, r.Bottom - 1}});
    }
    canvas.SetBkMode(TBkMode::Transparent);
    canvas.DrawText(caption_, r, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
}

void TPopupButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    TPainterDevice device(painter);
    TCanvas canvas(&device);
    canvas.SetStyleWidget(this);
    GuardUi([&] { Paint(canvas); });
}
