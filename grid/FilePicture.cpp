#include "grid/FilePicture.h"

#include <QImageReader>

void TFilePicture::SetFilename(const QString& filename) {
    filename_ = filename;
    const QSize size = QImageReader(filename).size();
    width_ = size.isValid() ? size.width() : 0;
    height_ = size.isValid() ? size.height() : 0;
}

void TFilePicture::Assign(const TFilePicture& other) {
    filename_ = other.filename_;
    width_ = other.width_;
    height_ = other.height_;
}

void TFilePicture::Draw(TCanvas& canvas, const TRect& rect) const {
    if (filename_.isEmpty()) return;
    TBitmap picture;
    if (picture.LoadFromFile(filename_)) canvas.StretchDraw(rect, picture);
}
