// The mini-HTML renderer, asserted on the recording canvas: layout, wrapping, tags, anchors, form
// controls, images and hit-testing.
#include "grid/HTMLDraw.h"
#include "TestPictures.h"
#include "grid/PictureContainer.h"
#include "grid/VisualStyles.h"
#include "platform/ui/GridAxis.h"
#include "platform/ui/RecordingDevice.h"

#include <QBuffer>
#include <QTemporaryDir>
#include <future>
#include <gtest/gtest.h>

namespace {

struct THTMLCall {
    QString Text;
    TRect Rect{0, 0, 300, 200};
    TPoint Point{-100, -100};
    int FocusLink = -1, HoverLink = 0;
    bool CheckOnly = false, MeasureOnly = false, KeepColors = false, BlinkVisible = true, HoverStyle = false,
         WordWrap = true, MouseDown = false;
    TColor HoverColor = clNone, HoverFontColor = clNone;
    const TImageList* Images = nullptr;
    THTMLPictureCache* Cache = nullptr;
    TPictureContainer* Container = nullptr;
};

THTMLDrawResult Render(TCanvas& canvas, const THTMLCall& c) {
    return HTMLDrawEx(canvas, c.Text, c.Rect, c.Images, c.Point.X, c.Point.Y, c.FocusLink, c.HoverLink, 2,
                      c.CheckOnly, c.MeasureOnly, false, c.KeepColors, c.BlinkVisible, c.HoverStyle,
                      c.WordWrap, c.MouseDown, 1.0, clBlue, c.HoverColor, c.HoverFontColor, clGray, c.Cache,
                      c.Container);
}

class HTMLDraw : public testing::Test {
protected:
    HTMLDraw() {
        canvas_.Font().SetSize(10);
        canvas_.Brush().SetColor(clWhite);
    }
    THTMLDrawResult Draw(const THTMLCall& call) {
        device_.Clear();
        return Render(canvas_, call);
    }
    THTMLDrawResult Draw(const QString& text) { return Draw(THTMLCall{text}); }
    int GH() const { return canvas_.TextHeight("gh"); }
    int W(const QString& text) const { return canvas_.TextWidth(text); }
    // The one text operation that drew the text.
    const TCanvasOp& Text(const QString& text) {
        const auto found = device_.TextsEqual(text);
        if (found.size() != 1) {
            ADD_FAILURE() << "text \"" << text.toStdString() << "\" drawn " << found.size() << " times";
            static const TCanvasOp none;
            return none;
        }
        return *found[0];
    }
    QString DrawnText() const {
        QString all;
        for (const TCanvasOp* op : device_.OfKind(TCanvasOpKind::Text)) all += op->Text;
        return all;
    }

    TRecordingDevice device_;
    TCanvas canvas_{&device_};
};

TEST_F(HTMLDraw, EmptyTextHasNoWidthOneLineOfHeightAndNoAnchors) {
    const THTMLDrawResult r = Draw("");
    EXPECT_EQ(r.Width, 0);
    EXPECT_EQ(r.Height, GH());
    EXPECT_EQ(r.AnchorCount, 0);
    EXPECT_EQ(r.HitAnchor, -1);
    EXPECT_FALSE(r.Hit);
    EXPECT_TRUE(device_.OfKind(TCanvasOpKind::Text).empty());
}

struct TShownCase {
    const char* Text;
    const char* Shown; // what is drawn, and the plain text output
};

class HTMLEntities : public HTMLDraw, public testing::WithParamInterface<TShownCase> {};

TEST_P(HTMLEntities, ShowAsTheirCharacters) {
    const THTMLDrawResult r = Draw(QString::fromUtf8(GetParam().Text));
    const QString shown = QString::fromUtf8(GetParam().Shown);
    EXPECT_EQ(r.PlainText, shown);
    EXPECT_EQ(DrawnText(), QString(shown).remove(u'\r'));
}

INSTANTIATE_TEST_SUITE_P(
    Table, HTMLEntities,
    testing::Values(TShownCase{"&amp;lt;", "<"}, TShownCase{"<#5>", "#5"},
                    TShownCase{"&SECT;&permil;&reg;&copy;&para;&trade;&euro;", "§‰®©¶™€"},
                    TShownCase{"&quot;a&amp;amp;b&gt;", "\"a&b>"},
                    TShownCase{"Tom &amp; Jerry", "Tom & Jerry"}, TShownCase{"a&nbsp;b", "a b"},
                    TShownCase{"a\r\nb", "a\rb"}, TShownCase{"x<UNKNOWN>y<", "xy"}));

TEST_F(HTMLDraw, HiddenTextIsNeitherDrawnNorMeasured) {
    const THTMLDrawResult r = Draw("a<Z>hidden</Z>b<BR>c");
    EXPECT_EQ(DrawnText(), "abc");
    EXPECT_EQ(r.PlainText, "ahiddenb\rc");
    EXPECT_EQ(r.Width, W("a") + W("b"));
}

TEST_F(HTMLDraw, StopsAtTheFirstLineThatDoesNotFitUnlessOnlyMeasuring) {
    THTMLCall call{"a<BR>b<BR>c<BR>d"};
    call.Rect = {0, 0, 100, GH() * 5 / 2};
    THTMLDrawResult r = Draw(call);
    EXPECT_EQ(DrawnText(), "ab");
    EXPECT_EQ(r.Height, 2 * GH());
    call.MeasureOnly = true;
    r = Draw(call);
    EXPECT_TRUE(device_.Ops.empty());
    EXPECT_EQ(r.Height, 4 * GH());
    EXPECT_EQ(r.PlainText, "a\rb\rc\rd");
}

TEST_F(HTMLDraw, FontSizesOneToFiveAreStepsOthersArePoints) {
    Draw("<FONT SIZE=\"3\">a</FONT><FONT SIZE=\"9\">b</FONT><FONT SIZE=\"1\">c</FONT><FONT "
         "SIZE=\"x\">d</FONT>e");
    EXPECT_EQ(Text("a").Font.Size(), 12);
    EXPECT_EQ(Text("b").Font.Size(), 9);
    EXPECT_EQ(Text("c").Font.Size(), 8);
    EXPECT_EQ(Text("d").Font.Size(), 10); // not a size: the size stays
    EXPECT_EQ(Text("e").Font.Size(), 10);
}

TEST_F(HTMLDraw, ParagraphAlignmentHoldsForLaterLinesUntilChanged) {
    THTMLCall call{"<P ALIGN=\"RIGHT\">one<BR>two<BR><P ALIGN=\"CENTER\">three<BR><P ALIGN=\"left\">four"};
    call.Rect = {10, 0, 210, 200};
    Draw(call);
    EXPECT_EQ(Text("one").Rect.Right, 210);
    EXPECT_EQ(Text("one").Rect.Left, 210 - W("one"));
    EXPECT_EQ(Text("two").Rect.Right, 210);
    EXPECT_EQ(Text("three").Rect.Left, 11 + (199 - W("three")) / 2);
    EXPECT_EQ(Text("four").Rect.Left, 11);
}

TEST_F(HTMLDraw, ParagraphIndentMovesLinesAndNarrowsWrapping) {
    THTMLCall call{"<P INDENT=\"30\">aaa bbb"};
    call.Rect = {0, 0, 1 + 30 + W("aaa bbb") - 2, 200};
    const THTMLDrawResult r = Draw(call);
    EXPECT_EQ(Text("aaa ").Rect.Left, 31);
    EXPECT_EQ(Text("bbb").Rect.Left, 31);
    EXPECT_GT(Text("bbb").Rect.Top, Text("aaa ").Rect.Top);
    EXPECT_EQ(r.Width, 30 + std::max(W("aaa"), W("bbb")));
}

TEST_F(HTMLDraw, WrappingKeepsWideWordsAndWordsSplitByTags) {
    const int width = W("aaaa bbbb") - 2;
    THTMLCall call{"aaaa bbbb"};
    call.Rect = {0, 0, 1 + width, 200};
    THTMLDrawResult r = Draw(call);
    EXPECT_EQ(Text("bbbb").Rect.Left, 1); // the second word starts the next line
    EXPECT_EQ(Text("bbbb").Rect.Bottom, Text("aaaa ").Rect.Bottom + GH());
    EXPECT_EQ(r.Height, 2 * GH());
    EXPECT_EQ(r.Width, std::max(W("aaaa"), W("bbbb"))); // the trailing space does not count

    call.Text = "a wwwwwwwwwwwwwwwwwwwwwwwwwwwwww";
    call.Rect = {0, 0, 1 + W("wwwwwwwwww"), 200};
    Draw(call);
    EXPECT_EQ(Text("wwwwwwwwwwwwwwwwwwwwwwwwwwwwww").Rect.Bottom, Text("a ").Rect.Bottom);

    call.Text = "<B>aaaa</B>bbbb"; // no break inside a word
    call.Rect = {0, 0, 1 + W("aaaa") + W("bb"), 200};
    r = Draw(call);
    EXPECT_EQ(Text("bbbb").Rect.Bottom, Text("aaaa").Rect.Bottom);
    EXPECT_EQ(r.Height, GH());
}

TEST_F(HTMLDraw, WithoutWordWrapTheRunIsCutWithAnEllipsis) {
    THTMLCall call{"<B>x </B>aaa<BR>next"};
    call.WordWrap = false;
    call.Rect = {0, 0, 1 + W("aaa") + 2, 200};
    const THTMLDrawResult r = Draw(call);
    const TCanvasOp& run = Text("aaa");
    EXPECT_TRUE(run.Flags & DT_END_ELLIPSIS);
    EXPECT_EQ(run.Rect.Right, call.Rect.Right);
    EXPECT_TRUE(device_.TextsEqual("next").empty()); // the line held text: the rest is dropped
    EXPECT_EQ(r.Height, GH());
}

TEST_F(HTMLDraw, StyleTagsSetTheRunsFont) {
    Draw("<B>b</B><I>i</I><U>u</U><S>s</S>n<FONT FACE=\"DejaVu Serif\" COLOR=\"clRed\">f</FONT>"
         "<FONT COLOR=\"#00FF00\" BGCOLOR=\"clYellow\">g</FONT>");
    EXPECT_EQ(Text("b").Font.Style(), TFontStyles{TFontStyle::fsBold});
    EXPECT_EQ(Text("i").Font.Style(), TFontStyles{TFontStyle::fsItalic});
    EXPECT_EQ(Text("u").Font.Style(), TFontStyles{TFontStyle::fsUnderline});
    EXPECT_EQ(Text("s").Font.Style(), TFontStyles{TFontStyle::fsStrikeOut});
    EXPECT_TRUE(Text("n").Font.Style().Empty());
    EXPECT_EQ(Text("f").Font.Name(), "DejaVu Serif");
    EXPECT_EQ(Text("f").Font.Color(), clRed);
    EXPECT_EQ(Text("g").Font.Color(), clLime);
    EXPECT_EQ(Text("g").Color, clYellow); // drawn on the background colour
    EXPECT_EQ(canvas_.Font().Color(), clWindowText);
    EXPECT_EQ(canvas_.Brush().Color(), clWhite);
    EXPECT_EQ(canvas_.BkMode(), TBkMode::Opaque);
}

TEST_F(HTMLDraw, SuperscriptRisesAndSubscriptDrops) {
    Draw("a<SUP>b</SUP>c<SUB>d</SUB>");
    const int quarter = GH() / 4;
    EXPECT_EQ(Text("a").Rect.Bottom, GH() + quarter);
    EXPECT_EQ(Text("b").Rect.Bottom, GH());
    EXPECT_EQ(Text("d").Rect.Bottom, GH() + 2 * quarter);
}

TEST_F(HTMLDraw, ShadowIsDrawnFirstOffsetInTheShadowColour) {
    Draw("<SHAD>s</SHAD>");
    const auto texts = device_.TextsEqual("s");
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0]->Font.Color(), clGray);
    EXPECT_EQ(texts[0]->Rect, texts[1]->Rect.Offset(2, 2));
}

TEST_F(HTMLDraw, ErrorMarkZigzagsUnderTheRun) {
    THTMLCall call{"<E>word</E>"};
    call.Rect = {8, 0, 300, 100};
    Draw(call);
    const auto lines = device_.OfKind(TCanvasOpKind::Polyline);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0]->Pen.Color(), clRed);
    const int bottom = Text("word").Rect.Bottom;
    const auto& points = lines[0]->Points;
    ASSERT_GE(points.size(), 2u);
    EXPECT_EQ(points.front(), (TPoint{8, bottom - 1})); // the run starts at 9
    for (size_t i = 0; i < points.size(); ++i) {
        EXPECT_EQ(points[i].X, 8 + 2 * int(i));
        EXPECT_EQ(points[i].Y, points[i].X % 4 == 0 ? bottom - 1 : bottom + 1);
    }
    EXPECT_GE(points.back().X, 9 + W("word") - 1);
}

TEST_F(HTMLDraw, AnchorUnderThePointGivesItsTargetNumberAndRectangle) {
    THTMLCall call{"go <A HREF=\"http://one\">here</A> or <A HREF=\"http://two\">there</A>"};
    const int left = 1 + W("go ");
    call.Point = {left + 2, GH() / 2};
    THTMLDrawResult r = Draw(call);
    EXPECT_TRUE(r.Hit);
    EXPECT_EQ(r.Anchor, "http://one");
    EXPECT_EQ(r.HitAnchor, 1);
    EXPECT_EQ(r.HitAnchorRect, (TRect{left, 0, left + W("here"), GH()}));
    EXPECT_EQ(r.AnchorCount, 2);
    EXPECT_EQ(Text("here").Font.Color(), clBlue);
    EXPECT_EQ(Text("or ").Font.Color(), clWindowText);

    call.Point = {left + W("here") + W(" ") + W("or ") + 2, GH() / 2};
    r = Draw(call);
    EXPECT_EQ(r.Anchor, "http://two");
    EXPECT_EQ(r.HitAnchor, 2);

    call.Point = {2, GH() / 2}; // on "go"
    r = Draw(call);
    EXPECT_FALSE(r.Hit);
    EXPECT_TRUE(r.Anchor.isEmpty());
    EXPECT_EQ(r.HitAnchor, -1);
}

TEST_F(HTMLDraw, CheckOnlyDrawsNothingAndStillHitTests) {
    THTMLCall call{"<P ALIGN=\"RIGHT\"><A HREF=\"t\">link</A>"};
    call.CheckOnly = true;
    call.Point = {300 - 2, GH() / 2};
    const THTMLDrawResult r = Draw(call);
    EXPECT_TRUE(device_.Ops.empty());
    EXPECT_TRUE(r.Hit);
    EXPECT_EQ(r.Anchor, "t");
    EXPECT_EQ(r.HitAnchorRect, (TRect{300 - W("link"), 0, 300, GH()}));
    call.MeasureOnly = true; // measuring hit-tests nothing
    EXPECT_FALSE(Draw(call).Hit);
}

TEST_F(HTMLDraw, FocusedAnchorGetsItsTargetAndAFocusRectangle) {
    THTMLCall call{"<A HREF=\"a\">one</A> <A HREF=\"b\">two</A>"};
    call.FocusLink = 1;
    const THTMLDrawResult r = Draw(call);
    EXPECT_EQ(r.FocusAnchor, "b");
    const auto focus = device_.OfKind(TCanvasOpKind::FocusRect);
    ASSERT_EQ(focus.size(), 1u);
    const int left = 1 + W("one") + W(" ");
    EXPECT_EQ(focus[0]->Rect, (TRect{left - 1, 0, left + W("two") + 1, GH()}));
}

TEST_F(HTMLDraw, HoverStyleUnderlinesOnlyTheHoveredAnchor) {
    THTMLCall call{"<A HREF=\"a\">one</A> <A HREF=\"b\">two</A>"};
    call.HoverLink = 2;
    call.HoverFontColor = clRed;
    call.HoverColor = clYellow;
    Draw(call);
    EXPECT_TRUE(Text("one").Font.Style().Contains(TFontStyle::fsUnderline)); // every anchor
    EXPECT_TRUE(Text("two").Font.Style().Contains(TFontStyle::fsUnderline));
    call.HoverStyle = true;
    Draw(call);
    EXPECT_FALSE(Text("one").Font.Style().Contains(TFontStyle::fsUnderline));
    EXPECT_EQ(Text("one").Font.Color(), clBlue);
    EXPECT_TRUE(Text("two").Font.Style().Contains(TFontStyle::fsUnderline));
    EXPECT_EQ(Text("two").Font.Color(), clRed);
    EXPECT_EQ(Text("two").Color, clYellow);
    EXPECT_EQ(canvas_.Brush().Color(), clWhite);
}

TEST_F(HTMLDraw, HorizontalRuleIsOneBlackLineToTheRightEdge) {
    THTMLCall call{"a<HR>b"};
    call.Rect = {5, 0, 150, 100};
    Draw(call);
    const auto lines = device_.OfKind(TCanvasOpKind::Line);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0]->Pen.Color(), clBlack);
    EXPECT_EQ(lines[0]->Points[0], (TPoint{6, GH()}));
    EXPECT_EQ(lines[0]->Points[1], (TPoint{150, GH()}));
    EXPECT_EQ(Text("b").Rect.Top, GH()); // the rule ends the line
}

TEST_F(HTMLDraw, ListBulletsAlternateByLevel) {
    const THTMLDrawResult r = Draw("<UL><LI>one</LI><UL><LI>two</LI></UL></UL>");
    const QString bullet = QStringLiteral("\u2022");
    const TCanvasOp& first = Text(bullet);
    EXPECT_EQ(first.Font.Name(), "Symbol");
    EXPECT_EQ(first.Rect.Left, 1 + 12);
    const TCanvasOp& second = Text("o");
    EXPECT_EQ(second.Font.Name(), "Symbol");
    EXPECT_EQ(second.Rect.Left, 1 + 24);
    EXPECT_EQ(Text("one").Rect.Left, 1 + 12 + first.Rect.Width() + 12);
    EXPECT_EQ(Text("two").Font.Name(), QString()); // the bullet's font does not stay
    EXPECT_EQ(r.PlainText, "onetwo");
}

TEST_F(HTMLDraw, BodyBackgroundColourFillsTheRectangle) {
    THTMLCall call{"<BODY BGCOLOR=\"clYellow\">x"};
    call.Rect = {3, 4, 120, 90};
    Draw(call);
    auto fills = device_.OfKind(TCanvasOpKind::FillRect);
    ASSERT_EQ(fills.size(), 1u);
    EXPECT_EQ(fills[0]->Rect, call.Rect);
    EXPECT_EQ(fills[0]->Brush.Color(), clYellow);
    call.Text = "<BODY BGCOLOR=\"#0000FF\">x";
    Draw(call);
    fills = device_.OfKind(TCanvasOpKind::FillRect);
    ASSERT_EQ(fills.size(), 1u);
    EXPECT_EQ(fills[0]->Brush.Color(), clBlue);
}

TEST_F(HTMLDraw, ParagraphBackgroundFillsEachLineAcrossTheRectangle) {
    THTMLCall call{"<P BGCOLOR=\"clAqua\">a<BR>b</P>c"};
    call.Rect = {0, 0, 100, 100};
    Draw(call);
    const auto fills = device_.OfKind(TCanvasOpKind::FillRect);
    ASSERT_EQ(fills.size(), 2u);
    EXPECT_EQ(fills[0]->Rect, (TRect{0, 0, 100, GH()}));
    EXPECT_EQ(fills[1]->Rect, (TRect{0, GH(), 100, 2 * GH()}));
    EXPECT_EQ(Text("b").Color, clAqua);
    EXPECT_EQ(Text("c").Color, clNone) << "the brush is restored after </P>";
}

// ---- Form controls -----------------------------------------------------------------------------

struct TControlCase {
    const char* Type;
    int Width, Height; // 0: the "gh" height + 6
};

class HTMLControls : public HTMLDraw, public testing::WithParamInterface<TControlCase> {};

TEST_P(HTMLControls, ControlUnderThePointGivesItsBoxAndAttributes) {
    const TControlCase& c = GetParam();
    THTMLCall call{QString("ab<CONTROL TYPE=\"%1\" ID=\"c1\" VALUE=\"x&lt;y\" WIDTH=\"80\">").arg(c.Type)};
    const int height = c.Height ? c.Height : GH() + 6;
    const int lineHeight = std::max(height, GH());
    call.Point = {1 + W("ab") + 1, lineHeight - 2};
    const THTMLDrawResult r = Draw(call);
    EXPECT_TRUE(r.Hit);
    EXPECT_EQ(r.Anchor, "ctrl");
    EXPECT_EQ(r.ControlRect, Bounds(1 + W("ab"), lineHeight - height, c.Width, height));
    EXPECT_EQ(r.ControlID, "c1");
    EXPECT_EQ(r.ControlValue, "x<y");
    EXPECT_EQ(r.ControlType, QString(c.Type).toUpper());
    EXPECT_EQ(r.Height, lineHeight);
    EXPECT_EQ(r.Width, W("ab") + c.Width);
}

INSTANTIATE_TEST_SUITE_P(Types, HTMLControls,
                         testing::Values(TControlCase{"edit", 80, 0}, TControlCase{"COMBO", 80, 25},
                                         TControlCase{"Check", 16, 16}, TControlCase{"RADIO", 16, 16},
                                         TControlCase{"BUTTON", 80, 18}, TControlCase{"OTHER", 80, 0}),
                         [](const auto& info) { return std::string(info.param.Type); });

TEST_F(HTMLDraw, ControlWithoutWidthIsIgnoredAndABadWidthKeepsTheLastOne) {
    const THTMLDrawResult r = Draw("<CONTROL TYPE=\"EDIT\" ID=\"a\"><CONTROL TYPE=\"EDIT\" "
                                   "WIDTH=\"30\"><CONTROL TYPE=\"EDIT\" WIDTH=\"x\">");
    EXPECT_EQ(r.Width, 60);
}

TEST_F(HTMLDraw, ClassicControlsUseFrameControlsThemedOnesTheStyle) {
    VisualStyles::SetThemeActive(false);
    THTMLCall call{"<CONTROL TYPE=\"CHECK\" VALUE=\"True\" WIDTH=\"1\"><CONTROL TYPE=\"RADIO\" WIDTH=\"1\">"
                   "<CONTROL TYPE=\"BUTTON\" VALUE=\"Go\" WIDTH=\"40\"><CONTROL TYPE=\"EDIT\" VALUE=\"e\" "
                   "WIDTH=\"40\">"};
    call.Point = {1 + 32 + 5, 10};
    call.MouseDown = true;
    Draw(call);
    VisualStyles::SetThemeActive(true);
    const auto frames = device_.OfKind(TCanvasOpKind::FrameControl);
    ASSERT_EQ(frames.size(), 3u);
    const int bottom = std::max(GH() + 6, 18);
    EXPECT_EQ(frames[0]->Rect, Bounds(1, bottom - 15, 15, 15));
    EXPECT_EQ(frames[0]->State, unsigned(DFCS_BUTTONCHECK | DFCS_FLAT | DFCS_CHECKED));
    EXPECT_EQ(frames[1]->State, unsigned(DFCS_BUTTONRADIO | DFCS_FLAT));
    EXPECT_EQ(frames[2]->Rect, Bounds(33, bottom - 18, 40, 18));
    EXPECT_EQ(frames[2]->State, unsigned(DFCS_BUTTONPUSH | DFCS_PUSHED));
    Text("Go");
    const auto boxes = device_.OfKind(TCanvasOpKind::Rectangle);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0]->Pen.Color(), clGray);
    EXPECT_EQ(boxes[0]->Rect, (TRect{73, bottom - (GH() + 6) + 3, 113, bottom + 1}));
    EXPECT_TRUE(device_.OfKind(TCanvasOpKind::Style).empty());

    Draw(call);
    EXPECT_TRUE(device_.OfKind(TCanvasOpKind::FrameControl).empty());
    EXPECT_EQ(device_.OfKind(TCanvasOpKind::Style).size(), 3u);
}

// ---- Images ------------------------------------------------------------------------------------

class HTMLImages : public HTMLDraw {
protected:
    HTMLImages() {
        TBitmap red;
        red.SetSize(16, 16, clRed);
        images_.Add(red);
        for (const auto& [name, image] :
             {std::pair{"Logo", SolidImage(20, 10, Qt::blue)}, {"Dot", SolidImage(1, 1, Qt::blue)}}) {
            QByteArray png = EncodeImage(image, "PNG");
            QBuffer buffer(&png);
            buffer.open(QIODevice::ReadOnly);
            TPictureItem& item = container_.Items().Add();
            item.Name = name;
            item.Picture().LoadFromStream(buffer);
        }
    }
    THTMLCall Call(const QString& text) {
        THTMLCall call{text};
        call.Images = &images_;
        call.Container = &container_;
        call.Cache = &cache_;
        return call;
    }
    TImageList images_;
    TPictureContainer container_;
    THTMLPictureCache cache_;
};

TEST_F(HTMLImages, ImagesTakeTheirRoomAndAreDrawnAtTheLineTop) {
    const THTMLDrawResult r =
        Draw(Call("x<IMG SRC=\"IDX:0\">y<IMG SRC=\"logo\" ALT=\"ignored\">z<IMG SRC=\"idx:4\">"));
    const auto drawn = device_.OfKind(TCanvasOpKind::Image);
    ASSERT_EQ(drawn.size(), 2u);
    EXPECT_EQ(drawn[0]->Rect, Bounds(1 + W("x"), 0, 16, 16));
    EXPECT_EQ(drawn[1]->Rect, Bounds(1 + W("x") + 16 + W("y"), 0, 20, 10));
    EXPECT_EQ(r.Width, W("x") + 16 + W("y") + 20 + W("z"));
    EXPECT_EQ(r.Height, std::max(16, GH()));
    EXPECT_EQ(Text("x").Rect.Bottom, r.Height); // text stands on the line's bottom
}

TEST_F(HTMLImages, SizedPicturesAreStretchedAndAlignTopRaisesTheText) {
    const THTMLDrawResult r = Draw(Call("<IMG SRC=\"LOGO\" WIDTH=\"40\" HEIGHT=\"50\" ALIGN=\"TOP\">t"));
    const auto drawn = device_.OfKind(TCanvasOpKind::Image);
    ASSERT_EQ(drawn.size(), 1u);
    EXPECT_EQ(drawn[0]->Rect, Bounds(1, 0, 40, 50));
    EXPECT_EQ(r.Height, 50);
    EXPECT_EQ(Text("t").Rect.Bottom, GH());
}

TEST_F(HTMLImages, AnimatedPictureFillsItsFrameAreaAndDrawsTheFrameAtItsPlace) {
    QByteArray gif = BuildGif(20, 10, {{0, 0, 20, 10, 1}, {5, 2, 6, 4, 2}});
    QBuffer buffer(&gif);
    buffer.open(QIODevice::ReadOnly);
    TPictureItem& anim = container_.Items().Add();
    anim.Name = "anim";
    anim.Picture().LoadFromStream(buffer);
    anim.Picture().SetFrame(2);
    Draw(Call("<IMG SRC=\"anim\">"));
    const auto fills = device_.OfKind(TCanvasOpKind::FillRect);
    ASSERT_EQ(fills.size(), 1u);
    EXPECT_EQ(fills[0]->Rect, Bounds(1, 0, 20, 10));
    EXPECT_EQ(fills[0]->Brush.Color(), clWhite);
    const auto drawn = device_.OfKind(TCanvasOpKind::Image);
    ASSERT_EQ(drawn.size(), 1u);
    EXPECT_EQ(drawn[0]->Rect, Bounds(1 + 5, 2, 6, 4));
}

TEST_F(HTMLImages, URLPicturesAreKeptInTheCache) {
    QTemporaryDir dir;
    const QString path = dir.filePath("p.png");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(EncodeImage(SolidImage(7, 3, Qt::red), "PNG"));
    file.close();
    const QString text = "<IMG SRC=\"file://" + path + "\"><IMG SRC=\"http://host/a.png\">";
    const THTMLDrawResult r = Draw(Call(text));
    EXPECT_EQ(r.Width, 7); // the network picture stays empty and takes no room
    ASSERT_EQ(cache_.Count(), 2);
    EXPECT_EQ(cache_.Items(1).URL(), "http://host/a.png");
    Draw(Call(text)); // found again, not added
    EXPECT_EQ(cache_.Count(), 2);
    EXPECT_EQ(device_.OfKind(TCanvasOpKind::Image).size(), 1u);
}

TEST_F(HTMLImages, DesktopIconsForPathsAndNothingForNumbers) {
    QTemporaryDir dir;
    const THTMLDrawResult r = Draw(Call("<IMG SRC=\"SSYS:" + dir.path() +
                                        "\"><IMG SRC=\"LSYS:/no/such/file.txt\"><IMG SRC=\"SSYS:3\">"));
    const auto drawn = device_.OfKind(TCanvasOpKind::Image);
    ASSERT_EQ(drawn.size(), 2u);
    EXPECT_EQ(drawn[0]->Rect, Bounds(1, 0, 16, 16));
    EXPECT_EQ(drawn[1]->Rect, Bounds(17, 0, 32, 32));
    EXPECT_EQ(r.Width, 48);
}

TEST_F(HTMLImages, AnImageInsideAnAnchorIsHit) {
    THTMLCall call = Call("<A HREF=\"pic\"><IMG SRC=\"IDX:0\"></A>");
    call.Point = {5, 12};
    THTMLDrawResult r = Draw(call);
    EXPECT_TRUE(r.Hit);
    EXPECT_EQ(r.Anchor, "pic");
    call.Text = "<IMG SRC=\"IDX:0\">";
    r = Draw(call);
    EXPECT_FALSE(r.Hit);
}

TEST_F(HTMLImages, AnImageThatDoesNotFitStartsTheNextLine) {
    THTMLCall call = Call("abc<IMG SRC=\"IDX:0\">");
    call.Rect = {0, 0, 1 + W("abc") + 8, 200};
    const THTMLDrawResult r = Draw(call);
    const auto drawn = device_.OfKind(TCanvasOpKind::Image);
    ASSERT_EQ(drawn.size(), 1u);
    EXPECT_EQ(drawn[0]->Rect, Bounds(1, GH(), 16, 16));
    EXPECT_EQ(r.Height, GH() + 16);
}

// A line that holds nothing takes the image even when an indent leaves no room for it; otherwise
// the text would never get shorter.
TEST_F(HTMLImages, AnImageAfterAnIndentWiderThanTheRectangleEnds) {
    THTMLCall call = Call("<P INDENT=\"500\"><IMG SRC=\"IDX:0\"><CONTROL TYPE=\"EDIT\" WIDTH=\"20\">x");
    call.Rect = {0, 0, 100, 100};
    call.MeasureOnly = true;
    TCanvas measuring; // no device: usable outside the test's thread
    measuring.Font().SetSize(10);
    auto done = std::async(std::launch::async, [&] { return Render(measuring, call); });
    if (done.wait_for(std::chrono::seconds(60)) != std::future_status::ready) {
        ADD_FAILURE() << "the layout does not end";
        std::quick_exit(1);
    }
    const THTMLDrawResult r = done.get();
    EXPECT_EQ(r.Width, 500 + 20 + W("x"));
    EXPECT_EQ(r.Height, GH() + 16 + GH() + 6);
}

// Huge sizes stay within the grid's bounds, and what shows no more than the rectangle costs few
// draws: a zigzag has points for the rectangle's width, a tiny picture's background few tiles.
TEST_F(HTMLImages, WhatATextSizesIsBoundedAndCostsWhatShows) {
    const char* const cases[] = {
        R"(<CONTROL TYPE="COMBO" WIDTH="99999999" ID="a"><CONTROL TYPE="EDIT" WIDTH="2000000000">)",
        R"(<IMG SRC="logo" WIDTH="99999999" HEIGHT="99999999">)",
        R"(<IND x="99999999">x<P INDENT="-2000000000">y)",
        R"(<E><FONT SIZE="99999999">x</FONT><FONT SIZE="20000">xxxxxxxxxxxxxxxxxxxxxxxx</FONT></E>)",
        R"(<BODY BACKGROUND="dot">x)",
    };
    constexpr int kMax = TGridAxis::kMaxSize;
    for (const char* text : cases) {
        SCOPED_TRACE(text);
        THTMLCall call = Call(text);
        call.Rect = {0, 0, 600, 400};
        call.Point = {10, 10};
        EXPECT_LE(Draw(call).ControlRect.Width(), kMax);
        EXPECT_LE(device_.Ops.size(), 40u);
        for (const TCanvasOp& op : device_.Ops) {
            EXPECT_LE(op.Kind == TCanvasOpKind::Text ? 0 : std::max(op.Rect.Width(), op.Rect.Height()), kMax);
            EXPECT_LE(op.Points.size(), 310u);
            EXPECT_LE(op.Font.Size(), kMax);
        }
        call.MeasureOnly = true;
        const THTMLDrawResult measured = Draw(call);
        EXPECT_LE(std::max(measured.Width, measured.Height), kMax);
    }
}

} // namespace
