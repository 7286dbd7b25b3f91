// The mini-HTML renderer measuring and drawing a tagged text of about 1 kB (bold, italic,
// underline, colours, line breaks) 10^4 times into a 400 pixel wide rectangle of an image, beside
// Qt's own rich text (QTextDocument reading the same text as HTML and drawing it), in the same run.
// Both read the whole text again for every draw, as a grid does for each cell it paints. Texts of
// a quarter and of four times the size, drawn 4 x 10^4 and 2.5 x 10^3 times, show whether the
// cost grows with the square of the text.
#include "GridBenchSupport.h"
#include "grid/HTMLDraw.h"
#include "platform/ui/PainterDevice.h"

#include <QAbstractTextDocumentLayout>
#include <QPainter>
#include <QTextDocument>

namespace {

using namespace gridbench;

// Draws of a text of the size: 10^7 characters in all.
int Draws(int bytes) {
    return 10000000 / bytes;
}

// About 1 kB of text: the same sentence with its tags, over and over; tags as mini-HTML writes
// them (upper case) or as HTML does.
QString TaggedText(bool html, int bytes) {
    const QString piece =
        html ? QStringLiteral("Ramal <b>%1</b> em <i>uso</i>, <font color=\"#ff0000\">alarme</font> "
                              "<u>ativo</u> desde %1.<br>")
             : QStringLiteral("Ramal <B>%1</B> em <I>uso</I>, <FONT COLOR=\"clRed\">alarme</FONT> "
                              "<U>ativo</U> desde %1.<BR>");
    QString text;
    for (int i = 0; text.size() < bytes; ++i) text += piece.arg(200 + i);
    return text;
}

void MiniHTML_MeasureAndDraw(benchmark::State& state) {
    const int draws = Draws(int(state.range(0)));
    const QString text = TaggedText(false, int(state.range(0)));
    QImage image(400, 1200, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&image);
    TPainterDevice device(painter);
    TCanvas canvas(&device);
    const TRect rect{0, 0, 400, 1200};
    for (auto _ : state) {
        for (int i = 0; i < draws; ++i) {
            const THTMLDrawResult size =
                HTMLDrawEx(canvas, text, rect, nullptr, 0, 0, -1, 0, 1, false, true, false, false, true,
                           false, true, false, 1.0, clBlue, clNone, clNone, clGray);
            benchmark::DoNotOptimize(size.Height);
            HTMLDrawEx(canvas, text, rect, nullptr, 0, 0, -1, 0, 1, false, false, false, false, true, false,
                       true, false, 1.0, clBlue, clNone, clNone, clGray);
        }
    }
    state.SetItemsProcessed(state.iterations() * draws);
    state.counters["bytes"] = double(text.size());
}

void QtRichText_MeasureAndDraw(benchmark::State& state) {
    const int draws = Draws(int(state.range(0)));
    const QString text = TaggedText(true, int(state.range(0)));
    QImage image(400, 1200, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&image);
    for (auto _ : state) {
        for (int i = 0; i < draws; ++i) {
            QTextDocument document;
            document.setHtml(text);
            document.setTextWidth(400);
            benchmark::DoNotOptimize(document.size().height());
            document.drawContents(&painter, QRectF(0, 0, 400, 1200));
        }
    }
    state.SetItemsProcessed(state.iterations() * draws);
    state.counters["bytes"] = double(text.size());
}

} // namespace

BENCHMARK(MiniHTML_MeasureAndDraw)->Arg(250)->Arg(1000)->Arg(4000)->Unit(benchmark::kMillisecond);
BENCHMARK(QtRichText_MeasureAndDraw)->Arg(250)->Arg(1000)->Arg(4000)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    return RunBenchmarks(argc, argv);
}
