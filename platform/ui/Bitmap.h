// Pictures held in memory: a bitmap (one image) and an image list (equal-sized images by index).
#pragma once

#include "platform/ui/Color.h"

#include <QImage>
#include <QString>
#include <vector>

class TBitmap {
public:
    TBitmap() = default;
    explicit TBitmap(QImage image) : image_(std::move(image)) {}

    bool Empty() const { return image_.isNull(); }
    int Width() const { return image_.width(); }
    int Height() const { return image_.height(); }
    // A new image of the size, filled with the colour (white when not given).
    void SetSize(int width, int height, TColor fill = clWhite);
    // False (and the bitmap left as it was) when the file cannot be read as a picture.
    bool LoadFromFile(const QString& fileName);
    void Clear() { image_ = QImage(); }

    // The colour of the top-left pixel: the one drawn transparently by the class library's
    // transparent drawing routines.
    TColor TransparentColor() const;
    // The pixel as $00BBGGRR; clNone outside the picture.
    TColor Pixel(int x, int y) const;

    const QImage& Image() const { return image_; }
    QImage& Image() { return image_; }

private:
    QImage image_;
};

class TImageList {
public:
    TImageList(int width = 16, int height = 16) : width_(width), height_(height) {}
    int Width() const { return width_; }
    int Height() const { return height_; }
    int Count() const { return int(images_.size()); }
    // Adds the picture cut or padded to the list's size; returns its index.
    int Add(const TBitmap& bitmap);
    void Clear() { images_.clear(); }
    // The image at the index; an empty bitmap outside the list.
    const TBitmap& Image(int index) const;

private:
    int width_, height_;
    std::vector<TBitmap> images_;
};
