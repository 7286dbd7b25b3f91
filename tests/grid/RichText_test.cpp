// The RTF reader and writer of rich-text cells, and a rich text drawn run by run.
#include "grid/RichText.h"
#include "platform/ui/RecordingDevice.h"

#include <QTextBlock>
#include <QTextDocument>
#include <gtest/gtest.h>
#include <set>

namespace {

// One run of the document: its text and look.
struct TRun {
    QString Text;
    bool Bold = false, Italic = false, Underline = false;
    double Points = 0; // 0: the document's size
    QColor Color;      // invalid: no colour of its own
    int Block = 0;
    bool operator==(const TRun&) const = default;
};

TRun MakeRun(const QString& text, bool bold = false, bool italic = false, bool underline = false,
             double points = 0, QColor color = {}, int block = 0) {
    return {text, bold, italic, underline, points, color, block};
}

std::vector<TRun> Runs(const QTextDocument& document) {
    std::vector<TRun> runs;
    int index = 0;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next(), ++index)
        for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat f = it.fragment().charFormat();
            runs.push_back(
                {it.fragment().text(), f.fontWeight() >= QFont::Bold, f.fontItalic(), f.fontUnderline(),
                 f.hasProperty(QTextFormat::FontPointSize) ? f.fontPointSize() : 0,
                 f.hasProperty(QTextFormat::ForegroundBrush) ? f.foreground().color() : QColor(), index});
        }
    return runs;
}

std::vector<TRun> Read(const QString& rtf) {
    QTextDocument document;
    RTFToDocument(rtf, document);
    return Runs(document);
}

TEST(RichTextReader, FormattingWordsSetTheRunsLook) {
    const auto runs = Read(R"({\rtf1\ansi{\colortbl ;\red255\green0\blue0;}plain \b bold\b0  )"
                           R"({\i\ul both}\fs36 big \cf1 red\cf0  back\par second\plain  reset})");
    const std::vector<TRun> expected{MakeRun("plain "),
                                     MakeRun("bold", true),
                                     MakeRun(" "),
                                     MakeRun("both", false, true, true),
                                     MakeRun("big ", false, false, false, 18),
                                     MakeRun("red", false, false, false, 18, QColor(255, 0, 0)),
                                     MakeRun(" back", false, false, false, 18),
                                     MakeRun("second", false, false, false, 18, {}, 1),
                                     MakeRun(" reset", false, false, false, 0, {}, 1)};
    EXPECT_EQ(runs, expected);
}

TEST(RichTextReader, EscapesAndCharactersBeyondAscii) {
    struct TCase {
        const char* Rtf;
        QString Text;
    };
    const TCase cases[] = {
        {R"({\rtf1 a\'e9b})", QString::fromUtf8("aéb")},
        {R"({\rtf1\ansicpg1251 \'c4\'e0})", QString::fromUtf8("Да")},
        {R"({\rtf1 \u8364?x})", QString::fromUtf8("€x")},                  // the fallback "?" is skipped
        {R"({\rtf1\uc2 \u-3913\'3f\'3fy})", QString(QChar(0xF0B7)) + "y"}, // two fallback bytes
        {R"({\rtf1 \\ \{ \} a\~b c\_d})", QString("\\ { } a") + QChar(0xA0) + "b c-d"},
        {"{\\rtf1 line\r\nends mean nothing}", "lineends mean nothing"},
        {R"({\rtf1 a\tab b\line c})", QString("a\tb") + QChar(QChar::LineSeparator) + "c"},
    };
    for (const TCase& c : cases) {
        QTextDocument document;
        RTFToDocument(QString::fromUtf8(c.Rtf), document);
        EXPECT_EQ(document.toRawText(), c.Text) << c.Rtf;
    }
}

TEST(RichTextReader, DestinationsWithoutTextAreSkipped) {
    const QString rtf = R"({\rtf1\ansi\deff0{\fonttbl{\f0\fswiss Arial;}{\f1 Courier;}})"
                        R"({\stylesheet{\s0 Normal;}}{\info{\author Someone}}{\*\generator Writer 5;})"
                        R"({\*\unknown {nested} text}{\pict\wmetafile8 0102ff}\pard\f0 kept {\b too}\par})";
    QTextDocument document;
    RTFToDocument(rtf, document);
    EXPECT_EQ(document.toPlainText(), "kept too");
    EXPECT_EQ(document.blockCount(), 1); // the final paragraph break adds no empty paragraph
}

TEST(RichTextReader, BrokenTextsEndWithoutHarm) {
    for (const char* rtf :
         {"{\\rtf1 unclosed {\\b group", "}}} stray closes", "{\\rtf1 \\", "{\\rtf1 \\'", "{\\rtf1 \\'4",
          "{\\rtf1 \\u", "{\\rtf1 \\fs-", "{\\rtf1 \\cf99 no such colour}"}) {
        QTextDocument document;
        RTFToDocument(rtf, document);
        EXPECT_FALSE(document.toPlainText().contains(u'\\')) << rtf;
    }
    QTextDocument document;
    RTFToDocument("{\\rtf1 \\cf99 no such colour}", document);
    EXPECT_EQ(Runs(document), std::vector<TRun>{MakeRun("no such colour")});
}

TEST(RichTextWriter, WhatItWritesReadsBackTheSame) {
    QTextDocument source;
    const QString rtf = QString::fromUtf8(
        R"({\rtf1{\colortbl ;\red0\green128\blue0;\red0\green0\blue255;}\fs20 one \b two\b0  {\cf1\i three}\par)"
        R"(\cf2\ul four\ulnone  \u20013?\u8364? \'e7 a\\b\{c\}\tab d\line e})");
    RTFToDocument(rtf, source);
    const QString written = DocumentToRTF(source);
    EXPECT_FALSE(written.contains(u'\n'));
    EXPECT_TRUE(written.startsWith("{\\rtf1"));
    for (const QChar ch : written) EXPECT_LT(ch.unicode(), 128) << written.toStdString();
    QTextDocument back;
    RTFToDocument(written, back);
    std::vector<TRun> expected = Runs(source);
    for (TRun& run : expected) run.Points = run.Points == 0 ? source.defaultFont().pointSizeF() : run.Points;
    EXPECT_EQ(Runs(back), expected);
    EXPECT_EQ(RTFToPlainText(written), QString::fromUtf8("one two three\r\nfour 中€ ç a\\b{c}\td\r\ne"));
}

TEST(RichTextDrawing, EachRunIsOneTextWithItsLook) {
    TRecordingDevice device;
    TCanvas canvas(&device);
    canvas.Font().SetSize(9);
    canvas.Font().SetColor(clNavy);
    QTextDocument document;
    PrepareRichText(document, R"({\rtf1{\colortbl ;\red255\green0\blue0;}a \b bold\b0  {\cf1 red}})",
                    canvas.Font());
    DrawRichText(canvas, document, {10, 20, 300, 60});
    std::vector<std::pair<QString, TFont>> texts;
    for (const TCanvasOp* op : device.OfKind(TCanvasOpKind::Text)) texts.push_back({op->Text, op->Font});
    ASSERT_EQ(texts.size(), 4u);
    EXPECT_EQ(texts[0].first, "a ");
    EXPECT_EQ(texts[1].first, "bold");
    EXPECT_TRUE(texts[1].second.Style().Contains(TFontStyle::fsBold));
    EXPECT_FALSE(texts[0].second.Style().Contains(TFontStyle::fsBold));
    EXPECT_EQ(texts[0].second.Color(), clNavy);
    EXPECT_EQ(texts[0].second.Size(), 9); // the canvas's size for text without one of its own
    EXPECT_EQ(texts[3].first, "red");
    EXPECT_EQ(texts[3].second.Color(), clRed);
    // The runs follow each other on one line from the rectangle's left edge.
    const auto ops = device.OfKind(TCanvasOpKind::Text);
    EXPECT_EQ(ops[0]->Layout.Runs[0].X, 10);
    EXPECT_GT(ops[1]->Layout.Runs[0].X, ops[0]->Layout.Runs[0].X);
    EXPECT_EQ(ops[0]->Layout.Runs[0].Y, ops[1]->Layout.Runs[0].Y);
    // The canvas keeps its font and clip.
    EXPECT_EQ(canvas.Font().Color(), clNavy);
    EXPECT_FALSE(canvas.ClipRect().has_value());
    // A colour given for the whole text replaces the runs' own.
    device.Clear();
    DrawRichText(canvas, document, {10, 20, 300, 60}, clWhite);
    for (const TCanvasOp* op : device.OfKind(TCanvasOpKind::Text)) EXPECT_EQ(op->Font.Color(), clWhite);
}

TEST(RichTextDrawing, LongTextWrapsInTheWidthAndIsCutAtTheBottom) {
    TRecordingDevice device;
    TCanvas canvas(&device);
    QTextDocument document;
    PrepareRichText(document, "{\\rtf1 one two three four five six seven eight nine ten}", canvas.Font());
    const QSize wide = RichTextSize(document, -1);
    const QSize narrow = RichTextSize(document, wide.width() / 3);
    EXPECT_GT(narrow.height(), 2 * wide.height());
    const int lineHeight = wide.height();
    DrawRichText(canvas, document, {0, 0, wide.width() / 3, lineHeight + 1});
    std::set<int> lines;
    for (const TCanvasOp* op : device.OfKind(TCanvasOpKind::Text)) {
        lines.insert(op->Layout.Runs[0].Y);
        EXPECT_EQ(op->ActiveClip, (TRect{0, 0, wide.width() / 3, lineHeight + 1}));
    }
    EXPECT_EQ(lines.size(), 2u); // the first line, and the second that starts inside the rectangle
}

} // namespace
