// A picture a cell shows from a file: only the file's name and the picture's size are kept; the
// file is read again whenever the picture is drawn.
#pragma once

#include "platform/ui/Canvas.h"

#include <QString>

class TFilePicture {
public:
    const QString& Filename() const { return filename_; }
    // Reads the file once for its width and height; a file that cannot be read gives 0 × 0.
    void SetFilename(const QString& filename);
    int Width() const { return width_; }
    int Height() const { return height_; }
    void Assign(const TFilePicture& other);
    // Reads the file again and stretches the picture into the rectangle; a file that cannot be
    // read draws nothing.
    void Draw(TCanvas& canvas, const TRect& rect) const;

private:
    QString filename_;
    int width_ = 0, height_ = 0;
};
