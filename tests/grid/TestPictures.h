// Picture files made by the tests: GIFs with chosen frames (written byte by byte, with an
// uncompressed LZW stream), and PNG and JPEG files through Qt's writers.
#pragma once

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <algorithm>
#include <vector>

// A frame filled with one colour of the palette: 0 black, 1 red, 2 green, 3 blue.
struct TGifFrame {
    int Left = 0, Top = 0, Width = 1, Height = 1;
    int Color = 1;
};

inline QByteArray BuildGif(int screenWidth, int screenHeight, const std::vector<TGifFrame>& frames) {
    QByteArray gif("GIF89a");
    auto word = [&gif](int v) {
        gif.append(char(v & 0xFF));
        gif.append(char((v >> 8) & 0xFF));
    };
    word(screenWidth);
    word(screenHeight);
    gif.append(char(0x91)); // a global colour table of 4 entries
    gif.append(char(0));
    gif.append(char(0));
    const unsigned char palette[12] = {0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255};
    gif.append(reinterpret_cast<const char*>(palette), 12);
    for (const TGifFrame& f : frames) {
        const char control[] = {0x21, char(0xF9), 4, 4, 10, 0, 0, 0}; // keep the frame, 0.1 s
        gif.append(control, 8);
        gif.append(',');
        word(f.Left);
        word(f.Top);
        word(f.Width);
        word(f.Height);
        gif.append(char(0));
        gif.append(char(2)); // LZW minimum code size: 3-bit codes, clear 4, end 5
        QByteArray data;
        unsigned bits = 0;
        int count = 0;
        auto code = [&](unsigned c) {
            bits |= c << count;
            for (count += 3; count >= 8; count -= 8) {
                data.append(char(bits & 0xFF));
                bits >>= 8;
            }
        };
        // A clear code before every second pixel keeps the codes 3 bits wide.
        for (int i = 0; i < f.Width * f.Height; ++i) {
            if (i % 2 == 0) code(4);
            code(unsigned(f.Color));
        }
        code(5);
        if (count > 0) data.append(char(bits & 0xFF));
        for (qsizetype i = 0; i < data.size(); i += 255) {
            const qsizetype n = std::min<qsizetype>(255, data.size() - i);
            gif.append(char(n));
            gif.append(data.mid(i, n));
        }
        gif.append(char(0));
    }
    gif.append(char(0x3B));
    return gif;
}

inline QByteArray EncodeImage(const QImage& image, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

inline QImage SolidImage(int width, int height, Qt::GlobalColor color) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(color);
    return image;
}
