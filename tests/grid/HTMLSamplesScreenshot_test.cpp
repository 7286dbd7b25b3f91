// A sample of every mini-HTML tag, rendered with the pinned look: each source text beside what it
// shows. With CENTRPRG_SCREENSHOTS naming a folder the sheet is saved there as html-tags.png:
//   CENTRPRG_SCREENSHOTS=docs/img build/ci/tests/grid/grid_tests --gtest_filter='*HTMLSamples*'
#include "grid/HTMLDraw.h"
#include "grid/PictureContainer.h"
#include "platform/ui/PainterDevice.h"

#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

namespace {

struct TSample {
    const char* Text;
    int FocusLink = -1;
};

const TSample kSamples[] = {
    {"<B>bold</B> <I>italic</I> <U>underline</U> <S>strike-out</S>"},
    {"<FONT FACE=\"DejaVu Serif\" SIZE=\"4\" COLOR=\"clRed\">font</FONT> "
     "<FONT BGCOLOR=\"#FFFF80\">background</FONT> <FONT SIZE=\"7\">size 7</FONT>"},
    {"an <A HREF=\"http://one\">anchor</A> and a <A HREF=\"two\">focused one</A>", 1},
    {"H<SUB>2</SUB>O and x<SUP>2</SUP> + y<SUP>2</SUP>"},
    {"<SHAD>shadow</SHAD> and <E>erro</E> marked"},
    {"<HI>highlighted</HI>, <BLINK>blinking</BLINK> and <Z>hidden </Z>text"},
    {"<P ALIGN=\"CENTER\">centred paragraph</P><P ALIGN=\"RIGHT\">right-aligned paragraph</P>"},
    {"<P BGCOLOR=\"clAqua\" INDENT=\"20\">paragraph with a background and an indent</P>"},
    {"<UL><LI>first level<UL><LI>second level</LI></UL></UL>"},
    {"start<IND x=\"120\">indented to 120 pixels"},
    {"a line<BR>break, then a rule<HR>below it"},
    {"<R ANGLE=\"10\">rotated text</R>"},
    {"list <IMG SRC=\"IDX:0\"> named <IMG SRC=\"logo\"> folder <IMG SRC=\"SSYS:/\"> "
     "<IMG SRC=\"logo\" WIDTH=\"32\" HEIGHT=\"12\" ALIGN=\"MIDDLE\"> middle"},
    {"<CONTROL TYPE=\"EDIT\" VALUE=\"edit\" WIDTH=\"60\"> <CONTROL TYPE=\"COMBO\" VALUE=\"combo\" "
     "WIDTH=\"80\"> "
     "<CONTROL TYPE=\"CHECK\" VALUE=\"TRUE\" WIDTH=\"16\"> <CONTROL TYPE=\"RADIO\" WIDTH=\"16\"> "
     "<CONTROL TYPE=\"BUTTON\" VALUE=\"Button\" WIDTH=\"60\">"},
    {"<BODY BGCOLOR=\"clSilver\">body colour"},
    {"&sect; &permil; &reg; &copy; &para; &trade; &euro; &amp; &quot; &lt;b&gt; <#5>"},
};

constexpr int kSourceWidth = 380, kShownWidth = 330, kMargin = 6;

TEST(HTMLSamples, EveryTagDrawsOnTheSampleSheet) {
    TImageList images;
    TBitmap dot;
    dot.SetSize(16, 16, clWhite);
    {
        QPainter p(&dot.Image());
        p.setRenderHint(QPainter::Antialiasing);
        p.setBrush(Qt::darkGreen);
        p.drawEllipse(2, 2, 12, 12);
    }
    images.Add(dot);
    TPictureContainer container;
    {
        QImage logo(24, 16, QImage::Format_RGB32);
        logo.fill(QColor(40, 80, 200));
        QPainter(&logo).fillRect(4, 4, 16, 8, QColor(250, 200, 40));
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        logo.save(&buffer, "PNG");
        buffer.close();
        buffer.open(QIODevice::ReadOnly);
        TPictureItem& item = container.Items().Add();
        item.Name = "Logo";
        item.Picture().LoadFromStream(buffer);
    }

    TCanvas measure;
    measure.Font().SetSize(9);
    std::vector<int> heights;
    int total = kMargin;
    for (const TSample& s : kSamples) {
        TRect source{0, 0, kSourceWidth - 2 * kMargin, 1000};
        measure.DrawText(QString::fromUtf8(s.Text), source, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
        const THTMLDrawResult r =
            HTMLDrawEx(measure, QString::fromUtf8(s.Text), {0, 0, kShownWidth, 1000}, &images, 0, 0, -1, 0, 1,
                       false, true, false, false, true, false, true, false, 0.0, clBlue, clNone, clNone,
                       clGray, nullptr, &container);
        heights.push_back(std::max(source.Height(), r.Height) + 2 * kMargin);
        total += heights.back();
    }

    QImage sheet(kSourceWidth + kShownWidth + kMargin, total, QImage::Format_RGB32);
    sheet.fill(Qt::white);
    QPainter painter(&sheet);
    TPainterDevice device(painter);
    TCanvas canvas(&device);
    canvas.Font().SetSize(9);
    int top = kMargin;
    for (size_t i = 0; i < std::size(kSamples); ++i) {
        const QString text = QString::fromUtf8(kSamples[i].Text);
        const int bottom = top + heights[i];
        canvas.Pen() = TPen(RGBColor(210, 210, 210));
        canvas.MoveTo(0, bottom - kMargin / 2);
        canvas.LineTo(sheet.width(), bottom - kMargin / 2);
        canvas.Font().SetColor(RGBColor(90, 90, 90));
        canvas.SetBkMode(TBkMode::Transparent);
        TRect source{kMargin, top, kSourceWidth - kMargin, bottom};
        canvas.DrawText(text, source, DT_WORDBREAK | DT_NOPREFIX);
        canvas.Font().SetColor(clWindowText);
        canvas.Brush().SetColor(clWhite);
        const TRect shown{kSourceWidth, top, kSourceWidth + kShownWidth, bottom - kMargin};
        const QImage before = sheet.copy(ToQRect(shown));
        HTMLDrawEx(canvas, text, shown, &images, 0, 0, kSamples[i].FocusLink, 0, 1, false, false, false,
                   false, true, false, true, false, 0.0, clBlue, clNone, clNone, clGray, nullptr, &container);
        EXPECT_NE(sheet.copy(ToQRect(shown)), before) << text.toStdString();
        top = bottom;
    }
    painter.end();

    const char* folder = std::getenv("CENTRPRG_SCREENSHOTS");
    if (folder == nullptr) return;
    QDir().mkpath(folder);
    EXPECT_TRUE(sheet.save(QDir(folder).filePath("html-tags.png")));
}

} // namespace
