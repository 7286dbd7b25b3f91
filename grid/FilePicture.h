// A picture a cell shows from a file: only the file's name is kept. The file is read whenever the
// picture is drawn or its size is first asked for, and only when it is a regular file of at most
// the size a picture may have (InputLimits.h); setting the name opens nothing, so that loading
// cells never waits on what a name from outside leads to.
#pragma once

#include "platform/ui/Canvas.h"

#include <QString>
#include <optional>

class TFilePicture {
public:
    const QString& Filename() const { return filename_; }
    void SetFilename(const QString& filename);
    // The picture's size, read from the file the first time it is asked for; 0 × 0 for a file
    // that cannot be read.
    int Width() const;
    int Height() const;
    void Assign(const TFilePicture& other);
    // Reads the file again and stretches the picture into the rectangle; a file that cannot be
    // read draws nothing.
    void Draw(TCanvas& canvas, const TRect& rect) const;

private:
    const QSize& Size() const;

    QString filename_;
    mutable std::optional<QSize> size_;
};
