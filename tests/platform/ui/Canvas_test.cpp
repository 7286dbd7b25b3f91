#include "platform/ui/Canvas.h"
#include "platform/ui/PainterDevice.h"
#include "platform/ui/RecordingDevice.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QProxyStyle>
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

TEST(CanvasRendered, RectanglesFillInsideRightAndBottomExclusiveBounds) {
    TRenderedCanvas r;
    r.Canvas().Brush().SetColor(clRed);
    r.Canvas().Pen().SetColor(clBlack);
    r.Canvas().Rectangle(10, 10, 20, 15);
    r.Canvas().FillRect({30, 10, 40, 15});
    EXPECT_EQ(r.Pixel(10, 10), clBlack);
    EXPECT_EQ(r.Pixel(19, 14), clBlack); // the outline stays inside
    EXPECT_EQ(r.Pixel(20, 14), clWhite);
    EXPECT_EQ(r.Pixel(19, 15), clWhite);
    EXPECT_EQ(r.Pixel(11, 11), clRed);
    EXPECT_EQ(r.Pixel(39, 14), clRed);
    EXPECT_EQ(r.Pixel(40, 14), clWhite);
    EXPECT_EQ(r.Pixel(39, 15), clWhite);
}

TEST(CanvasRendered, WidePenOutlinesStayInsideTheRectangle) {
    TRenderedCanvas r;
    r.Canvas().Brush().SetStyle(TBrushStyle::bsClear);
    r.Canvas().Pen().SetWidth(3);
    r.Canvas().Rectangle(10, 10, 30, 30);
    EXPECT_EQ(r.Pixel(12, 20), clBlack);
    EXPECT_EQ(r.Pixel(13, 20), clWhite);
    EXPECT_EQ(r.Pixel(27, 20), clBlack);
    EXPECT_EQ(r.Pixel(30, 20), clWhite);
}

// Band i of 64 over 200 pixels from black to white starts at round(i * 200 / 64) and has the grey
// round(i * 255 / 64), halves rounded to even.
struct TBandCase {
    int Start, Grey;
};

class GradientBands : public testing::TestWithParam<TBandCase> {};

TEST_P(GradientBands, BandsHaveTheirColourAtTheirStart) {
    TRenderedCanvas r(220, 40);
    TRecordingDevice recorder;
    r.Canvas().DrawGradient(clBlack, clWhite, true, {0, 0, 200, 10}, 64);
    const TColor grey = RGBColor(GetParam().Grey, GetParam().Grey, GetParam().Grey);
    EXPECT_EQ(r.Pixel(GetParam().Start, 5), grey);
    EXPECT_EQ(r.Pixel(200, 5), clWhite); // nothing beyond the rectangle

    TCanvas recorded(&recorder);
    recorded.DrawGradient(clBlack, clWhite, true, {0, 0, 200, 10}, 64);
    const auto fills = recorder.OfKind(TCanvasOpKind::FillRect);
    ASSERT_EQ(fills.size(), 64u);
    const auto band = std::find_if(fills.begin(), fills.end(),
                                   [&](const TCanvasOp* op) { return op->Rect.Left == GetParam().Start; });
    ASSERT_NE(band, fills.end());
    EXPECT_EQ((*band)->Brush.Color(), grey);
    EXPECT_EQ((*band)->Rect.Width(),
              std::min(4, 200 - GetParam().Start)); // round(200 / 64) + 1, cut at the edge
}

INSTANTIATE_TEST_SUITE_P(Black64White, GradientBands,
                         testing::Values(TBandCase{0, 0}, TBandCase{3, 4}, TBandCase{100, 128},
                                         TBandCase{197, 251}));

TEST(CanvasText, CalcRectAgreesWithTheFontMetrics) {
    TCanvas canvas;
    const QFontMetrics metrics = canvas.Metrics();
    TRect rect{10, 20, 500, 400};
    const int height = canvas.DrawText("Número da Rota", rect, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    EXPECT_EQ(height, metrics.height());
    EXPECT_EQ(rect, (TRect{10, 20, 10 + metrics.horizontalAdvance("Número da Rota"), 20 + metrics.height()}));
    TRect prefixed{0, 0, 500, 100};
    canvas.DrawText("&Sim", prefixed, DT_CALCRECT | DT_SINGLELINE);
    EXPECT_EQ(prefixed.Right, metrics.horizontalAdvance("Sim"));
}

TEST(CanvasText, WordBreakWrapsBetweenWordsToTheRectangle) {
    TRecordingDevice recorder;
    TCanvas canvas(&recorder);
    const QFontMetrics metrics = canvas.Metrics();
    const int width = metrics.horizontalAdvance("alpha beta") + 1;
    TRect rect{0, 0, width, 200};
    TRect measured = rect;
    EXPECT_EQ(canvas.DrawText("alpha beta gamma", measured, DT_CALCRECT | DT_WORDBREAK),
              2 * metrics.height());
    // Wrapped text is as wide as its widest line.
    EXPECT_EQ(measured.Right, metrics.horizontalAdvance("alpha beta"));
    canvas.DrawText("alpha beta gamma", rect, DT_WORDBREAK | DT_CENTER);
    const TTextLayout& layout = recorder.Ops.back().Layout;
    ASSERT_EQ(layout.Runs.size(), 2u);
    EXPECT_EQ(layout.Runs[0].Text, "alpha beta");
    EXPECT_EQ(layout.Runs[1].Text, "gamma");
    EXPECT_EQ(layout.Runs[1].Y, metrics.height());
    EXPECT_EQ(layout.Runs[1].X, (width - metrics.horizontalAdvance("gamma")) / 2);
}

TEST(CanvasText, EditControlBreaksAWordWiderThanTheRectangle) {
    TCanvas canvas;
    const QFontMetrics metrics = canvas.Metrics();
    TRect rect{0, 0, metrics.horizontalAdvance("abcd"), 100};
    const TTextLayout plain = LayoutText("abcdefgh", rect, DT_WORDBREAK, metrics);
    EXPECT_EQ(plain.LineCount, 1);
    const TTextLayout broken = LayoutText("abcdefgh", rect, DT_WORDBREAK | DT_EDITCONTROL, metrics);
    EXPECT_EQ(broken.LineCount, 2);
    EXPECT_EQ(broken.Runs[0].Text, "abcd");
}

TEST(CanvasText, EndEllipsisCutsTheLineToTheWidth) {
    TRecordingDevice recorder;
    TCanvas canvas(&recorder);
    const QFontMetrics metrics = canvas.Metrics();
    TRect rect{0, 0, metrics.horizontalAdvance("Programação"), 20};
    canvas.DrawText("Programação de Ramais", rect, DT_SINGLELINE | DT_END_ELLIPSIS);
    const QString shown = recorder.Ops.back().Layout.Runs.at(0).Text;
    ASSERT_TRUE(shown.endsWith("..."));
    EXPECT_LE(metrics.horizontalAdvance(shown), rect.Width());
    const QString kept = shown.chopped(3);
    const QString longer = QString("Programação de Ramais").left(kept.size() + 1) + "...";
    EXPECT_GT(metrics.horizontalAdvance(longer), rect.Width());
    TRect wide{0, 0, 1000, 20};
    canvas.DrawText("curto", wide, DT_SINGLELINE | DT_END_ELLIPSIS);
    EXPECT_EQ(recorder.Ops.back().Layout.Runs.at(0).Text, "curto");
}

TEST(CanvasText, VerticalAndHorizontalCentringOfASingleLine) {
    TCanvas canvas;
    const QFontMetrics metrics = canvas.Metrics();
    const TRect rect{10, 10, 110, 40};
    const TTextLayout layout = LayoutText("Sim", rect, DT_CENTER | DT_VCENTER | DT_SINGLELINE, metrics);
    EXPECT_EQ(layout.Runs[0].X, 10 + (100 - metrics.horizontalAdvance("Sim")) / 2);
    EXPECT_EQ(layout.Runs[0].Y, 10 + (30 - metrics.height()) / 2);
    EXPECT_EQ(layout.Result, layout.Runs[0].Y - 10 + metrics.height());
}

// A style that leaves its clip, pen and brush changed, as some QStyle drawings do.
class TLeakyStyle : public QProxyStyle {
public:
    void drawPrimitive(PrimitiveElement, const QStyleOption* option, QPainter* painter,
                       const QWidget*) const override {
        painter->setClipRect(option->rect);
        painter->setPen(Qt::green);
        painter->setBrush(Qt::green);
        painter->drawRect(option->rect.adjusted(0, 0, -1, -1));
    }
};

TEST(CanvasRendered, AStyleCallDoesNotLeakItsClip) {
    QWidget styled;
    TLeakyStyle style;
    styled.setStyle(&style);
    TRenderedCanvas r;
    r.Canvas().SetStyleWidget(&styled);
    QStyleOption option;
    option.rect = QRect(0, 0, 10, 10);
    r.Canvas().DrawStylePrimitive(QStyle::PE_FrameFocusRect, option);
    r.Canvas().Brush().SetColor(clRed);
    r.Canvas().FillRect({50, 50, 60, 60});
    r.Canvas().Pen().SetColor(clBlue);
    r.Canvas().MoveTo(70, 70);
    r.Canvas().LineTo(80, 70);
    EXPECT_EQ(r.Pixel(5, 5), RGBColor(0, 255, 0));
    EXPECT_EQ(r.Pixel(55, 55), clRed);
    EXPECT_EQ(r.Pixel(75, 70), clBlue);
}

TEST(CanvasFonts, MeasuresWithTheCurrentLookWhileLooksAlternate) {
    TCanvas canvas;
    std::vector<TFont> looks(6);
    for (size_t i = 0; i < looks.size(); ++i) {
        looks[i].SetSize(6 + 3 * int(i));
        if (i % 2) looks[i].SetStyle({TFontStyle::fsBold});
    }
    const QString text = "Wide text";
    for (int round = 0; round < 3; ++round)
        for (const TFont& look : looks) {
            canvas.Font() = look;
            canvas.Font().SetColor(round % 2 ? clRed : clBlue); // a colour alone changes no measure
            EXPECT_EQ(canvas.TextWidth(text), QFontMetrics(look.ToQFont()).horizontalAdvance(text));
        }
}

TEST(CanvasRendered, FocusRectangleInvertsDotsOfItsFrameAndLeavesTheInside) {
    TRenderedCanvas r;
    r.Canvas().Brush().SetColor(RGBColor(0xB6, 0xCA, 0xEA));
    r.Canvas().FillRect({10, 10, 30, 20});
    r.Canvas().DrawFocusRect({10, 10, 30, 20});
    const TColor inverted = RGBColor(0xFF - 0xB6, 0xFF - 0xCA, 0xFF - 0xEA);
    EXPECT_EQ(r.Pixel(10, 10), inverted);
    EXPECT_EQ(r.Pixel(11, 10), RGBColor(0xB6, 0xCA, 0xEA));
    EXPECT_EQ(r.Pixel(12, 10), inverted);
    EXPECT_EQ(r.Pixel(29, 19), inverted);
    EXPECT_EQ(r.Pixel(20, 15), RGBColor(0xB6, 0xCA, 0xEA));
    EXPECT_EQ(r.Pixel(30, 10), clWhite);
}

TEST(CanvasRendered, ClipRectLimitsDrawingUntilCleared) {
    TRenderedCanvas r;
    r.Canvas().SetClipRect({0, 0, 20, 20});
    r.Canvas().Brush().SetColor(clRed);
    r.Canvas().FillRect({10, 10, 30, 30});
    EXPECT_EQ(r.Canvas().ClipRect(), std::optional<TRect>(TRect{0, 0, 20, 20}));
    r.Canvas().ClearClip();
    r.Canvas().FillRect({40, 40, 45, 45});
    EXPECT_EQ(r.Pixel(15, 15), clRed);
    EXPECT_EQ(r.Pixel(25, 25), clWhite);
    EXPECT_EQ(r.Pixel(42, 42), clRed);
}

TEST(CanvasRendered, RaisedEdgeIsLightTopLeftAndDarkBottomRight) {
    TRenderedCanvas r;
    TRect rect{10, 10, 30, 30};
    r.Canvas().DrawEdge(rect, BDR_RAISEDINNER, BF_RECT | BF_ADJUST);
    EXPECT_EQ(rect, (TRect{11, 11, 29, 29}));
    EXPECT_EQ(r.Pixel(10, 20), ColorToRGB(clBtnHighlight));
    EXPECT_EQ(r.Pixel(20, 10), ColorToRGB(clBtnHighlight));
    EXPECT_EQ(r.Pixel(29, 20), ColorToRGB(clBtnShadow));
    EXPECT_EQ(r.Pixel(20, 29), ColorToRGB(clBtnShadow));
}

TEST(CanvasText, OpaqueTextFillsItsBoxAndAClearBrushDoesNot) {
    TRecordingDevice recorder;
    TCanvas canvas(&recorder);
    canvas.Brush().SetColor(clYellow);
    canvas.TextOut(0, 0, "a");
    EXPECT_EQ(recorder.Ops.back().Color, clYellow);
    canvas.SetBkMode(TBkMode::Transparent);
    canvas.TextOut(0, 0, "b");
    EXPECT_EQ(recorder.Ops.back().Color, clNone);
    canvas.Brush().SetStyle(TBrushStyle::bsSolid); // choosing a brush again makes it opaque
    canvas.TextOut(0, 0, "c");
    EXPECT_EQ(recorder.Ops.back().Color, clYellow);
    EXPECT_EQ(canvas.PenPos(), (TPoint{canvas.TextWidth("c"), 0}));
}

TEST(Colors, NotSetNeverMapsToARealColour) {
    EXPECT_FALSE(ToQColor(clNone).isValid());
    EXPECT_EQ(ColorToRGB(clNone), clNone);
    EXPECT_EQ(ToQColor(RGBColor(1, 2, 3)), QColor(1, 2, 3));
    EXPECT_EQ(ColorToRGB(clBtnFace), FromQColor(QApplication::palette().color(QPalette::Button)));
    EXPECT_EQ(DarkenColor(RGBColor(200, 100, 51)), RGBColor(100, 50, 25));
    TBrush brush(clNone);
    EXPECT_FALSE(brush.Paints());
}

} // namespace

namespace {

TEST(CanvasText, TabsExpandToStopsOfEightAverageCharacters) {
    TCanvas canvas;
    const QFontMetrics metrics = canvas.Metrics();
    const int stop = 8 * metrics.averageCharWidth();
    const TTextLayout layout = LayoutText("a\tb", {0, 0, 500, 50}, DT_EXPANDTABS | DT_SINGLELINE, metrics);
    ASSERT_EQ(layout.Runs.size(), 2u);
    EXPECT_EQ(layout.Runs[1].X, stop);
    EXPECT_EQ(MeasureLine("a\tb", metrics, stop), stop + metrics.horizontalAdvance("b"));
}

TEST(CanvasText, PrefixesAndPartlyShownLines) {
    TCanvas canvas;
    const QFontMetrics metrics = canvas.Metrics();
    EXPECT_EQ(LayoutText("A&&B&C", {0, 0, 500, 50}, DT_SINGLELINE, metrics).Runs[0].Text, "A&BC");
    EXPECT_EQ(LayoutText("A&&B", {0, 0, 500, 50}, DT_SINGLELINE | DT_NOPREFIX, metrics).Runs[0].Text, "A&&B");
    const TRect twoAndAHalf{0, 0, 500, metrics.height() * 5 / 2};
    EXPECT_EQ(LayoutText("1\n2\n3", twoAndAHalf, 0, metrics).Runs.size(), 3u);
    EXPECT_EQ(LayoutText("1\n2\n3", twoAndAHalf, DT_EDITCONTROL, metrics).Runs.size(), 2u);
    EXPECT_EQ(LayoutText("1\r\n2\r3", twoAndAHalf, 0, metrics).LineCount, 3);
}

TEST(Pictures, BadFilesLeaveTheBitmapAndImageListsPadToTheirSize) {
    TBitmap bitmap;
    bitmap.SetSize(3, 2, clRed);
    EXPECT_FALSE(bitmap.LoadFromFile(CENTRPRG_SOURCE_DIR "/CMakeLists.txt"));
    EXPECT_EQ(bitmap.Width(), 3);
    EXPECT_EQ(bitmap.TransparentColor(), clRed);
    EXPECT_EQ(bitmap.Pixel(5, 5), clNone);
    TImageList list(4, 4);
    EXPECT_EQ(list.Add(bitmap), 0);
    EXPECT_EQ(list.Image(0).Width(), 4);
    EXPECT_EQ(list.Image(0).Pixel(3, 3), clRed); // padded with the picture's transparent colour
    EXPECT_TRUE(list.Image(7).Empty());
}

TEST(CanvasRecorded, ShapesAreRecordedWithTheirPensAndBrushes) {
    TRecordingDevice recorder;
    TCanvas canvas(&recorder);
    canvas.Pen().SetColor(clNavy);
    canvas.Brush().SetColor(clYellow);
    canvas.Ellipse({0, 0, 10, 10});
    canvas.Pie({0, 0, 20, 20}, {20, 10}, {10, 0});
    canvas.Polygon({{0, 0}, {5, 5}, {0, 5}});
    canvas.FrameRect({0, 0, 4, 4});
    ASSERT_EQ(recorder.OfKind(TCanvasOpKind::Ellipse).size(), 1u);
    EXPECT_EQ(recorder.Ops[0].Pen.Color(), clNavy);
    EXPECT_EQ(recorder.Ops[1].Points, (std::vector<TPoint>{{20, 10}, {10, 0}}));
    EXPECT_EQ(recorder.Ops[2].Brush.Color(), clYellow);
    EXPECT_EQ(recorder.OfKind(TCanvasOpKind::FillRect).size(), 4u); // the frame's four sides
}

} // namespace
