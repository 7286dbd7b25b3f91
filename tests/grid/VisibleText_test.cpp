// The part of a long text that can show in a rectangle: drawn alone, it shows what the whole text
// shows there.
#include "grid/HTMLDraw.h"
#include "grid/VisibleText.h"
#include "platform/ui/Canvas.h"
#include "platform/ui/PainterDevice.h"
#include "platform/ui/RecordingDevice.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

namespace {

QImage Drawn(const QString& text, const TRect& rect, unsigned flags) {
    QImage image(rect.Right + 20, rect.Bottom + 20, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    TPainterDevice device(painter);
    TCanvas canvas(&device);
    TRect r = rect;
    canvas.DrawText(text, r, flags);
    return image;
}

// The runs of the lines the rectangle shows, laid out as the canvas lays them out.
std::vector<TTextRun> ShownRuns(const QString& text, const TRect& rect, unsigned flags) {
    TRecordingDevice recording;
    TCanvas canvas(&recording);
    TRect r = rect;
    canvas.DrawText(text, r, flags);
    std::vector<TTextRun> runs;
    for (const TTextRun& run : recording.Ops.at(0).Layout.Runs)
        if (run.Y + recording.Ops[0].Layout.LineHeight > rect.Top && run.Y < rect.Bottom &&
            run.X + run.Width > rect.Left && run.X < rect.Right)
            runs.push_back(run);
    return runs;
}

// Right-aligned lines show their ends, placed by the width of what is kept (glyphs may fall a
// fraction of a pixel apart); lines broken between words in the middle of a text are placed by
// chance.
TEST(VisibleText, WhatACutTextShowsIsWhatTheWholeTextShows) {
    const TRect rect{10, 10, 90, 60};
    const int lineHeight = TCanvas().TextHeight("gh");
    QString mixed;
    for (int i = 0; i < 300; ++i)
        mixed += (i % 3 == 0 ? QString(400, u'w') : QString("line %1").arg(i)) + "\r\n";
    const std::vector<std::pair<const char*, QString>> texts = {
        {"one word", QString(4000, u'y')},
        {"words", QStringLiteral("abcdefghi ").repeated(400)},
        {"short and long lines", mixed},
    };
    const std::vector<std::pair<const char*, unsigned>> kinds = {
        {"one line", DT_SINGLELINE},
        {"one line, ellipsis", DT_SINGLELINE | DT_END_ELLIPSIS},
        {"lines", DT_EDITCONTROL},
        {"lines broken between words", DT_WORDBREAK | DT_EDITCONTROL}};
    for (const auto& [textName, text] : texts)
        for (const auto& [kindName, kind] : kinds)
            for (const unsigned horizontal : {DT_LEFT, DT_RIGHT})
                for (const unsigned vertical : {DT_TOP, DT_VCENTER, DT_BOTTOM}) {
                    const unsigned flags = kind | horizontal | vertical | DT_NOPREFIX | DT_EXPANDTABS;
                    const bool paragraphs = textName == std::string("short and long lines");
                    if ((kind & DT_WORDBREAK) &&
                        (vertical == DT_VCENTER || (vertical == DT_BOTTOM && !paragraphs)))
                        continue;
                    SCOPED_TRACE(testing::Message() << textName << ", " << kindName << ", flags " << flags);
                    const QString cut = VisibleText(text, rect, flags, lineHeight);
                    EXPECT_LT(cut.size(), text.size() / 2);
                    if (horizontal == DT_LEFT) {
                        EXPECT_TRUE(Drawn(cut, rect, flags) == Drawn(text, rect, flags));
                        continue;
                    }
                    // Each shown line ends where it does whole, and what is kept of it reaches
                    // beyond the rectangle's left.
                    const std::vector<TTextRun> whole = ShownRuns(text, rect, flags),
                                                kept = ShownRuns(cut, rect, flags);
                    ASSERT_EQ(kept.size(), whole.size());
                    for (size_t i = 0; i < whole.size(); ++i) {
                        EXPECT_EQ(kept[i].Y, whole[i].Y);
                        EXPECT_EQ(kept[i].X + kept[i].Width, whole[i].X + whole[i].Width);
                        EXPECT_TRUE(whole[i].Text.endsWith(kept[i].Text));
                        EXPECT_TRUE(kept[i].X <= rect.Left || kept[i].Text == whole[i].Text);
                    }
                }
}

QImage DrawnHTML(const QString& text, const TRect& rect) {
    QImage image(rect.Right + 20, rect.Bottom + 20, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    TPainterDevice device(painter);
    TCanvas canvas(&device);
    HTMLDrawEx(canvas, text, rect, nullptr, 0, 0, -1, 0, 1, false, false, false, false, true, false, true,
               false, 0.0, clBlue, clNone, clNone, clGray);
    return image;
}

// Tags the renderer passes over are left out of the part kept, and a tag it shows as text ("<#")
// keeps the characters the renderer reads with it.
TEST(VisibleText, WhatACutMiniHTMLTextShowsIsWhatTheWholeTextShows) {
    const TRect rect{10, 10, 90, 60};
    const int lineHeight = TCanvas().TextHeight("gh");
    const QString deep = QStringLiteral("<table><tr><td>").repeated(5000) + "nested " +
                         QStringLiteral("abc def ").repeated(300) +
                         QStringLiteral("</td></tr></table>").repeated(5000);
    for (const QString& text :
         {"<B>bold</B> " + QStringLiteral("abc<I>def</I>ghi ").repeated(400),
          QStringLiteral("&amp;").repeated(3000), QString(4000, u'y') + "<FONT COLOR=\"clRed\">red</FONT>",
          deep, QStringLiteral("wo<t>rd <td><b>bo</tr>ld</b></td> x<x></table>y ").repeated(300),
          "<#a<td>b> <i>c</i> " + QStringLiteral("<tr>de<#f> ").repeated(1500),
          "<tr><u><#>x<b>y</b> " + QStringLiteral("z&lt;<td>w ").repeated(1500) + "<i unclosed"}) {
        SCOPED_TRACE(text.left(40).toStdString());
        const QString cut = VisibleHTMLText(text, rect, lineHeight);
        EXPECT_LT(cut.size(), text.size() / 2);
        EXPECT_TRUE(DrawnHTML(cut, rect) == DrawnHTML(text, rect));
    }
}

// Between two runs, a tag HTMLTagActs passes over draws as a tag that does nothing (the first "<#"
// of a text is no tag: it shows).
TEST(VisibleText, TagsThatDoNotActDrawNothing) {
    const TRect rect{0, 0, 200, 60};
    QStringList tags = {"<>", "</>", "<1>", "</1 x>", "<\u00DFx>", "<\u0131>", "</\u0131>"};
    for (char16_t letter = u'A'; letter <= u'Z'; ++letter)
        for (const char* form : {"<%1>", "<%1r>", "<%1x A=\"1\">", "<%1ONT SIZE=\"20\">", "<%1R>", "<%1I>",
                                 "<%1UB>", "</%1>", "</%1H>", "</%1x>"})
            for (const QChar c : {QChar(letter), QChar(letter).toLower()}) tags << QString(form).arg(c);
    int acting = 0;
    for (const QString& tag : tags) {
        SCOPED_TRACE(tag.toStdString());
        if (HTMLTagActs(tag)) {
            ++acting;
            continue;
        }
        const QString around = QStringLiteral("ab%1cd <B>ef</B> gh").arg(tag), empty = "ab<>cd <B>ef</B> gh";
        EXPECT_TRUE(DrawnHTML(around, rect) == DrawnHTML(empty, rect));
    }
    EXPECT_TRUE(HTMLTagActs(u"<b>") && HTMLTagActs(u"</Font>") && !HTMLTagActs(u"<TABLE>") &&
                !HTMLTagActs(u"</td>"));
    EXPECT_GT(acting, 100);
}

} // namespace
