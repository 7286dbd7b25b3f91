#include "platform/ui/Canvas.h"
#include "platform/ui/PainterDevice.h"
#include "platform/ui/RecordingDevice.h"

#include <QImage>
#include <QPainter>
#include <QStyleOptionProgressBar>
#include <gtest/gtest.h>

namespace {

// A white image painted through a canvas; Pixel reads back $00BBGGRR.
class TRenderedCanvas {
public:
    explicit TRenderedCanvas(int width = 120, int height = 80) : image_(width, height, QImage::Format_RGB32) {
        image_.fill(Qt::white);
        painter_.emplace(&image_);
        device_.emplace(*painter_);
        canvas_.SetDevice(&*device_);
    }
    TCanvas& Canvas() { return canvas_; }
    TColor Pixel(int x, int y) {
        Finish();
        return FromQColor(image_.pixelColor(x, y));
    }
    void Finish() {
        if (painter_) {
            canvas_.SetDevice(nullptr);
            device_.reset();
            painter_->end();
            painter_.reset();
        }
    }
    QImage& Image() {
        Finish();
        return image_;
    }

private:
    QImage image_;
    std::optional<QPainter> painter_;
    std::optional<TPainterDevice> device_;
    TCanvas canvas_;
};

struct TLineCase {
    TPoint From, To, LastPainted, FirstLeftOut;
};

class LineEndPixel : public testing::TestWithParam<TLineCase> {};

TEST_P(LineEndPixel, LineLeavesItsEndPixelUnpainted) {
    const TLineCase c = GetParam();
    TRenderedCanvas r;
    r.Canvas().Pen().SetColor(clBlack);
    r.Canvas().MoveTo(c.From.X, c.From.Y);
    r.Canvas().LineTo(c.To.X, c.To.Y);
    EXPECT_EQ(r.Pixel(c.From.X, c.From.Y), clBlack);
    EXPECT_EQ(r.Pixel(c.LastPainted.X, c.LastPainted.Y), clBlack);
    EXPECT_EQ(r.Pixel(c.FirstLeftOut.X, c.FirstLeftOut.Y), clWhite);
    EXPECT_EQ(r.Canvas().PenPos(), c.To);
}

INSTANTIATE_TEST_SUITE_P(Directions, LineEndPixel,
                         testing::Values(TLineCase{{10, 10}, {20, 10}, {19, 10}, {20, 10}},
                                         TLineCase{{20, 10}, {10, 10}, {11, 10}, {10, 10}},
                                         TLineCase{{10, 10}, {10, 30}, {10, 29}, {10, 30}},
                                         TLineCase{{10, 30}, {10, 10}, {10, 11}, {10, 10}},
                                         TLineCase{{10, 10}, {20, 20}, {19, 19}, {20, 20}}));

} // namespace
