#include "grid/FilePicture.h"

#include "grid/InputLimits.h"
#include "grid/RegularFile.h"

#include <QBuffer>
#include <QImageReader>

namespace {

// The picture in the file; a null image when it cannot be read.
QImage ReadPicture(const QString& fileName, bool sizeOnly, QSize& size) {
    std::optional<QByteArray> bytes = ReadRegularFile(fileName, inputlimits::kMaxPictureBytes);
    if (!bytes) return {};
    QBuffer buffer(&*bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    size = reader.size();
    return sizeOnly ? QImage() : reader.read();
}

} // namespace

void TFilePicture::SetFilename(const QString& filename) {
    filename_ = filename;
    size_.reset();
}

const QSize& TFilePicture::Size() const {
    if (!size_) {
        QSize size;
        ReadPicture(filename_, true, size);
        size_ = size.isValid() ? size : QSize(0, 0);
    }
    return *size_;
}

int TFilePicture::Width() const {
    return Size().width();
}

int TFilePicture::Height() const {
    return Size().height();
}

void TFilePicture::Assign(const TFilePicture& other) {
    filename_ = other.filename_;
    size_ = other.size_;
}

void TFilePicture::Draw(TCanvas& canvas, const TRect& rect) const {
    if (filename_.isEmpty()) return;
    QSize size;
    QImage image = ReadPicture(filename_, false, size);
    if (!image.isNull())
        canvas.StretchDraw(rect, TBitmap(image.convertToFormat(QImage::Format_ARGB32_Premultiplied)));
}
