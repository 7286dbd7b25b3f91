#include "desktop/qvxColorPicker.h"

#include <QCursor>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>

TqvxColorPicker::TqvxColorPicker(QObject* owner) : TqvxCustomTimer(owner) {
    SetInterval(100);
}

QColor TqvxColorPicker::GetColor() const {
    return qvxScreenPixelColor(QCursor::pos());
}

QColor qvxScreenPixelColor(QPoint globalPosition) {
    QScreen* screen = QGuiApplication::screenAt(globalPosition);
    if (screen == nullptr) return {};
    const QPoint local = globalPosition - screen->geometry().topLeft();
    const QImage pixel = screen->grabWindow(0, local.x(), local.y(), 1, 1).toImage();
    if (pixel.isNull() || pixel.width() < 1 || pixel.height() < 1) return {};
    return pixel.pixelColor(0, 0);
}
