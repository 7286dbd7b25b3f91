#include "platform/ui/Bitmap.h"

#include <QImageReader>
#include <QPainter>

void TBitmap::SetSize(int width, int height, TColor fill) {
    image_ = QImage(std::max(width, 0), std::max(height, 0), QImage::Format_ARGB32_Premultiplied);
    image_.fill(ToQColor(IsColorSet(fill) ? fill : clWhite));
}

bool TBitmap::LoadFromFile(const QString& fileName) {
    QImageReader reader(fileName);
    QImage loaded = reader.read();
    if (loaded.isNull()) return false;
    image_ = loaded.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    return true;
}

TColor TBitmap::TransparentColor() const {
    return Pixel(0, 0);
}

TColor TBitmap::Pixel(int x, int y) const {
    if (!image_.valid(x, y)) return clNone;
    return FromQColor(image_.pixelColor(x, y));
}

int TImageList::Add(const TBitmap& bitmap) {
    TBitmap sized;
    sized.SetSize(width_, height_, bitmap.Empty() ? clWhite : bitmap.TransparentColor());
    if (!bitmap.Empty()) {
        QPainter painter(&sized.Image());
        painter.drawImage(0, 0, bitmap.Image());
    }
    images_.push_back(std::move(sized));
    return Count() - 1;
}

const TBitmap& TImageList::Image(int index) const {
    static const TBitmap empty;
    return index >= 0 && index < Count() ? images_[size_t(index)] : empty;
}
