// What a cell of the advanced grid shows of its text, by the text's kind: plain and formula texts,
// mini-HTML, rich text, wide text, addresses, passwords, sort glyphs and the selection's marks;
// asserted on the recording canvas, and a rich-text cell rendered once.
#include "GridTestSupport.h"
#include "grid/PictureContainer.h"
#include "grid/TextUtils.h"

#include "platform/ui/PainterDevice.h"

#include <QImage>
#include <QPainter>

namespace {

class CellContent : public testing::Test {
protected:
    CellContent() : w_(5, 6) {
        for (int c = 1; c < 5; ++c) Grid().SetGridCells(c, 0, QString("H%1").arg(c));
        Grid().SetRow(5); // keep the current cell away from the cells looked at
    }
    TVevIvizudEvar& Grid() { return w_.Grid(); }
    // The text area of a data cell: inside the grid line and the text offsets.
    TRect TextArea(int col, int row) {
        const TRect cell = Grid().CellRect(col, row);
        return {cell.Left + 3, cell.Top + 3, cell.Right - 3, cell.Bottom - 1};
    }
    // The lines of the colour that start within 5 pixels of the point (a sort glyph's).
    std::vector<std::pair<TPoint, TPoint>> LinesNear(const std::vector<TCanvasOp>& ops, int x, int y,
                                                     TColor color) {
        const TRect area{x - 5, y - 5, x + 6, y + 6};
        std::vector<std::pair<TPoint, TPoint>> lines;
        for (const TCanvasOp& op : ops)
            if (op.Kind == TCanvasOpKind::Line && op.Pen.Color() == color && area.Contains(op.Points[0]))
                lines.push_back({op.Points[0], op.Points[1]});
        return lines;
    }
    TAdvancedGridWindow w_;
};

TEST_F(CellContent, OneCharacterFormulaOrBraceIsPlainText) {
    Grid().SetGridCells(1, 1, "=");
    Grid().SetGridCells(1, 2, "{");
    Grid().SetGridCells(1, 3, "|");
    const auto ops = RenderOps(Grid());
    for (const char* text : {"=", "{", "|"}) {
        const auto drawn = TextOps(ops, text);
        ASSERT_EQ(drawn.size(), 1u) << text;
        EXPECT_EQ(drawn[0].Flags & DT_EXPANDTABS, unsigned(DT_EXPANDTABS)) << text; // the plain road
    }
}

TEST_F(CellContent, TagsGoThroughTheRendererOnlyWithEnableHTML) {
    Grid().SetGridCells(2, 1, "<B>bold</B> rest");
    auto ops = RenderOps(Grid());
    const auto bold = TextOps(ops, "bold");
    ASSERT_EQ(bold.size(), 1u);
    EXPECT_TRUE(bold[0].Font.Style().Contains(TFontStyle::fsBold));
    EXPECT_TRUE(TextOps(ops, "<B>bold</B> rest").empty());
    // The renderer draws from one pixel right of the text area.
    EXPECT_EQ(bold[0].Layout.Runs.at(0).X, TextArea(2, 1).Left);
    Grid().EnableHTML = false;
    ops = RenderOps(Grid());
    EXPECT_EQ(TextOps(ops, "<B>bold</B> rest").size(), 1u);
    EXPECT_TRUE(TextOps(ops, "bold").empty());
}

// Tags the renderer passes over (HTML's tables) take none of what a cell shows: words nested in
// 10,000 tables, in a wide cell and in a cell of the default size, show as they do in one table.
TEST_F(CellContent, WordsNestedDeepInTablesShowAsInOneTable) {
    const QString words =
        QStringLiteral("Ramal <b>201</b> da portaria, ramal 202 do almoxarifado. ").repeated(12);
    auto nested = [&](int depth) {
        return QStringLiteral("<TABLE border=\"1\"><TR><TD>").repeated(depth) + words +
               QStringLiteral("</TD></TR></TABLE>").repeated(depth);
    };
    Grid().SetColWidths(2, 300);
    Grid().SetRowHeights(2, 120);
    for (const int row : {1, 2}) {
        SCOPED_TRACE(row);
        auto shown = [&](const QString& text) {
            Grid().SetGridCells(2, row, text);
            const TRect r = Grid().CellRect(2, row);
            return w_.Viewport()->grab().toImage().copy(r.Left, r.Top, r.Width(), r.Height());
        };
        const QImage once = shown(nested(1));
        EXPECT_TRUE(once != shown(QString())); // the words show
        EXPECT_TRUE(shown(nested(10000)) == once);
    }
}

TEST_F(CellContent, AnHTMLImageComesFromThePictureContainer) {
    TPictureContainer container;
    TPictureItem& item = container.Items().Add();
    item.Name = "dot";
    item.Picture().LoadFromFile(":/grid-tests/green3x2.png");
    ASSERT_FALSE(item.Picture().GetEmpty());
    Grid().SetGridCells(2, 1, "<B>x</B><IMG SRC=\"dot\">");
    auto images = [&] {
        int count = 0;
        for (const TCanvasOp& op : RenderOps(Grid())) count += op.Kind == TCanvasOpKind::Image;
        return count;
    };
    EXPECT_EQ(images(), 0);
    Grid().PictureContainer = &container;
    EXPECT_EQ(images(), 1);
}

TEST_F(CellContent, AddressShowsWithoutProtocolUnderlinedInTheLinkColour) {
    Grid().URLShow = true;
    Grid().SetSelectionTextColor(clRed);
    Grid().SetGridCells(2, 1, "http://x.org");
    Grid().SetGridCells(3, 1, "mailto:a@x.org");
    auto look = [&](const char* text) {
        const auto drawn = TextOps(RenderOps(Grid()), text);
        EXPECT_EQ(drawn.size(), 1u) << text;
        return drawn.empty() ? std::make_pair(false, clNone)
                             : std::make_pair(drawn[0].Font.Style().Contains(TFontStyle::fsUnderline),
                                              drawn[0].Font.Color());
    };
    EXPECT_EQ(look("x.org"), std::make_pair(true, Grid().URLColor));
    EXPECT_EQ(look("a@x.org"), std::make_pair(true, Grid().URLColor));
    Grid().URLFull = true;
    EXPECT_EQ(look("http://x.org"), std::make_pair(true, Grid().URLColor));
    Grid().URLFull = false;
    Grid().SetCol(1);
    Grid().SetRow(1);
    w_.Key(Qt::Key_Right, Qt::ShiftModifier);
    w_.Key(Qt::Key_Right, Qt::ShiftModifier); // (2, 1) selected, (3, 1) current
    ASSERT_EQ(Grid().Col(), 3);
    EXPECT_EQ(look("x.org"), std::make_pair(true, clRed));
}

TEST_F(CellContent, WithoutWordWrapOnlyTheFirstLineShows) {
    Grid().SetGridCells(2, 1, "a\r\nb");
    Grid().SetWordWrap(false);
    auto first = [&] {
        const auto drawn = TextOps(RenderOps(Grid()), "a");
        EXPECT_EQ(drawn.size(), 1u);
        return drawn.empty() ? 0u : drawn[0].Flags;
    };
    EXPECT_TRUE(first() & DT_SINGLELINE);
    EXPECT_FALSE(first() & DT_END_ELLIPSIS);
    Grid().EnhTextSize = true;
    EXPECT_TRUE(first() & DT_END_ELLIPSIS);
    Grid().SetMultilinecells(true); // two lines then: the text is drawn whole
    EXPECT_EQ(TextOps(RenderOps(Grid()), "a\r\nb").size(), 1u);
}

TEST_F(CellContent, SortedCentredHeaderMakesRoomForItsGlyph) {
    Grid().SortSettings.SetShow(true);
    Grid().SortSettings.Column = 2;
    Grid().OnGetAlignment = [](QObject*, int row, int, TAlignment& h, TVAlignment&) {
        if (row == 0) h = TAlignment::taCenter;
    };
    const auto ops = RenderOps(Grid());
    const TRect sorted = Grid().CellRect(2, 0).Inflated(-1, -1),
                other = Grid().CellRect(3, 0).Inflated(-1, -1);
    const TRect text = TextOps(ops, "H2").at(0).Rect;
    // The margin of 2, 10 more for the centred glyph, and the 14 of the sorted header row.
    EXPECT_EQ(text.Left, sorted.Left + 2 + 10 + 14);
    EXPECT_EQ(TextOps(ops, "H3").at(0).Rect.Left, other.Left + 2);
    // The ascending glyph: a triangle 8 pixels right of the text area's left edge, at the top.
    const int x = sorted.Left + 8, y = sorted.Top + 8;
    EXPECT_EQ(LinesNear(ops, x, y, clWhite),
              (std::vector<std::pair<TPoint, TPoint>>{{{x - 4, y + 4}, {x + 4, y + 4}},
                                                      {{x + 4, y + 4}, {x, y - 4}}}));
    EXPECT_EQ(LinesNear(ops, x, y, clGray),
              (std::vector<std::pair<TPoint, TPoint>>{{{x, y - 4}, {x - 4, y + 4}}}));
}

TEST_F(CellContent, HTMLHeaderGlyphIsCentredVertically) {
    Grid().SortSettings.SetShow(true);
    Grid().SortSettings.Column = 2;
    Grid().SortSettings.Direction = TSortDirection::sdDescending;
    Grid().SetVAlignment(TVAlignment::vtaCenter);
    Grid().SetRowHeights(0, 40);
    Grid().SetGridCells(2, 0, "<B>Name</B>");
    const auto ops = RenderOps(Grid());
    const TRect r = Grid().CellRect(2, 0).Inflated(-1, -1);
    const TRect tr{r.Left + 2 - 1, r.Top + 2, r.Right - 2 - 10, r.Bottom};
    const int x = tr.Right + 2, y = tr.Top + (tr.Bottom - tr.Top) / 2;
    EXPECT_EQ(LinesNear(ops, x, y, clWhite),
              (std::vector<std::pair<TPoint, TPoint>>{{{x + 4, y - 4}, {x, y + 4}}}));
    EXPECT_EQ(TextOps(ops, "Name").size(), 1u);
}

TEST_F(CellContent, FloatFormatOfTheEventGoesThroughTheGridsFormatter) {
    TFormatSettingsScope scope(TFormatSettings::Neutral());
    Grid().SetGridCells(2, 1, "3");
    Grid().SetGridCells(2, 2, "<B>4</B>");
    Grid().OnGetFloatFormat = [&](QObject*, int, int, bool&, QString&) {};
    const auto ops = RenderOps(Grid());
    EXPECT_EQ(TextOps(ops, "3.00").size(), 1u);
    EXPECT_EQ(TextOps(ops, "4").size(), 1u); // mini-HTML is no number
}

TEST_F(CellContent, PasswordCellsShowStarsWhateverTheirKind) {
    QString wide;
    EncodeWideCell(QString::fromUtf8("Ωmega"), wide);
    Grid().SetGridCells(1, 1, "secret");
    Grid().SetGridCells(1, 2, R"({\rtf1 top {\b secret}})");
    Grid().SetGridCells(1, 3, wide);
    Grid().OnIsPasswordCell = [](QObject*, int, int col, bool& is) { is = col == 1; };
    const auto ops = RenderOps(Grid());
    EXPECT_EQ(TextOps(ops, "******").size(), 1u);
    EXPECT_EQ(TextOps(ops, "**********").size(), 1u); // "top secret"
    EXPECT_EQ(TextOps(ops, "*****").size(), 1u);
    for (const TCanvasOp& op : ops) {
        if (op.Kind != TCanvasOpKind::Text) continue;
        EXPECT_FALSE(op.Text.contains("secret") || op.Text.contains("mega")) << op.Text.toStdString();
    }
}

TEST_F(CellContent, SelectionRectangleAndResizer) {
    Grid().SetSelectionRectangle(true);
    Grid().SelectionResizer = true;
    Grid().SetSelection({2, 1, 3, 2});
    const auto ops = RenderOps(Grid());
    const TRect corner = Grid().CellRect(3, 2), tr = corner.Inflated(-1, -1);
    std::vector<TRect> squares;
    for (const TCanvasOp& op : ops)
        if (op.Kind == TCanvasOpKind::FillRect && op.Brush.Color() == clBlack) squares.push_back(op.Rect);
    EXPECT_EQ(squares, (std::vector<TRect>{{tr.Right - 4, tr.Bottom - 4, corner.Right, corner.Bottom}}));
    // The frame: 2 pixels wide along the selection's outer edges only.
    int frame = 0;
    for (const TCanvasOp& op : ops)
        if (op.Kind == TCanvasOpKind::Line && op.Pen.Color() == clBlack && op.Pen.Width() == 2) ++frame;
    EXPECT_EQ(frame, 8); // each of the four cells draws its two outer edges
}

TEST_F(CellContent, RichTextCellShowsItsRunsAndCopiesItsPlainText) {
    Grid().SetColWidths(2, 200);
    Grid().SetGridCells(2, 1, R"({\rtf1{\colortbl ;\red0\green128\blue0;}plain {\b bold} {\cf1 green}})");
    const auto ops = RenderOps(Grid());
    const auto bold = TextOps(ops, "bold");
    ASSERT_EQ(bold.size(), 1u);
    EXPECT_TRUE(bold[0].Font.Style().Contains(TFontStyle::fsBold));
    EXPECT_EQ(TextOps(ops, "green").at(0).Font.Color(), RGBColor(0, 128, 0));
    EXPECT_FALSE(TextOps(ops, "plain ").at(0).Font.Style().Contains(TFontStyle::fsBold));
    const TRect area = TextArea(2, 1);
    EXPECT_EQ(TextOps(ops, "plain ").at(0).Layout.Runs.at(0).X, area.Left + 2);
    Grid().SetSelection({1, 1, 2, 1});
    Grid().SetGridCells(1, 1, "a");
    QString text;
    Grid().GetSelectionText(text);
    EXPECT_EQ(text, "a\tplain bold green");
}

TEST_F(CellContent, RenderedRichTextCellShowsItsBoldRun) {
    Grid().SetColWidths(2, 200);
    Grid().SetGridCells(2, 1, R"({\rtf1 {\b word}word})");
    TRecordingDevice recording;
    Grid().RenderTo(recording);
    const auto words = TextOps(recording.Ops, "word");
    ASSERT_EQ(words.size(), 2u);
    ASSERT_TRUE(words[0].Font.Style().Contains(TFontStyle::fsBold));
    QImage image(Grid().viewport()->size(), QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        TPainterDevice device(painter);
        Grid().RenderTo(device);
    }
    // The same word drawn bold takes more ink.
    auto ink = [&](const TCanvasOp& op) {
        const TTextRun& run = op.Layout.Runs.at(0);
        int dark = 0;
        for (int x = run.X; x < run.X + run.Width; ++x)
            for (int y = run.Y; y < run.Y + op.Layout.LineHeight; ++y) dark += qGray(image.pixel(x, y)) < 128;
        return dark;
    };
    const int boldInk = ink(words[0]), plainInk = ink(words[1]);
    EXPECT_GT(plainInk, 10);
    EXPECT_GT(boldInk, plainInk * 6 / 5);
}

TEST_F(CellContent, TextMakesRoomForTheCellsGraphic) {
    TImageList images(16, 12);
    Grid().GridImages = &images;
    struct TCase {
        TCellType Type;
        TCellHAlign HAlign;
        int Shift; // how far the text moves right
        bool Shown;
    };
    const TCase cases[] = {
        {TCellType::ctBitmap, TCellHAlign::haBeforeText, 10, true},
        {TCellType::ctBitmap, TCellHAlign::haLeft, 0, true},
        {TCellType::ctImageList, TCellHAlign::haBeforeText, 16, true},
        {TCellType::ctDataImage, TCellHAlign::haBeforeText, 0, false},
    };
    for (const TCase& c : cases) {
        Grid().SetGridCells(2, 1, "text");
        TCellGraphic* graphic = Grid().CreateCellGraphic(2, 1);
        graphic->CellType = c.Type;
        graphic->CellHAlign = c.HAlign;
        if (c.Type == TCellType::ctBitmap) {
            auto bitmap = std::make_unique<TBitmap>();
            bitmap->SetSize(10, 8);
            graphic->SetObject(std::move(bitmap));
        }
        const auto drawn = TextOps(RenderOps(Grid()), "text");
        ASSERT_EQ(drawn.size(), c.Shown ? 1u : 0u) << int(c.Type);
        if (c.Shown) {
            EXPECT_EQ(drawn[0].Rect.Left, TextArea(2, 1).Left + c.Shift) << int(c.Type);
        }
        Grid().RemoveCellGraphic(2, 1);
    }
}

TEST_F(CellContent, ErrorMarksUnderlineTheMarkedCharacters) {
    Grid().SetGridCells(2, 1, "abcdef");
    TCellGraphic* graphic = Grid().CreateCellGraphic(2, 1);
    graphic->CellErrFrom = 3;
    graphic->CellErrLen = 2;
    const auto ops = RenderOps(Grid());
    std::vector<const TCanvasOp*> marks;
    for (const TCanvasOp& op : ops)
        if (op.Kind == TCanvasOpKind::Polyline && op.Pen.Color() == clRed) marks.push_back(&op);
    ASSERT_EQ(marks.size(), 1u);
    TCanvas canvas;
    canvas.Font() = Grid().Font();
    const int left = TextArea(2, 1).Left;
    EXPECT_EQ(marks[0]->Points.front().X, left + canvas.TextWidth("ab"));
    EXPECT_LE(marks[0]->Points.back().X, left + canvas.TextWidth("abcd") + 3);
    EXPECT_GE(marks[0]->Points.back().X, left + canvas.TextWidth("abcd") - 3);
}

TEST_F(CellContent, EditorShowsMiniHTMLWithoutTagsButKeepsOtherAngleBrackets) {
    Grid().SetOptions(Grid().Options() + goEditing);
    struct TCase {
        QString Cell, Shown;
        bool EnableHTML;
    };
    const TCase cases[] = {
        {"<B>bold</B> text", "bold text", true},
        {"x<y and z>w", "x<y and z>w", true},            // no mini-HTML: nothing is taken out
        {"<B>bold</B> text", "<B>bold</B> text", false}, // tags are plain text without EnableHTML
    };
    for (const TCase& c : cases) {
        Grid().EnableHTML = c.EnableHTML;
        Grid().SetGridCells(2, 2, c.Cell);
        Grid().SetCol(2);
        Grid().SetRow(2);
        w_.Key(Qt::Key_F2);
        ASSERT_TRUE(w_.EditorShown());
        EXPECT_EQ(w_.Editor()->Text(), c.Shown);
        w_.Key(Qt::Key_Escape);
        Grid().SetRow(5);
        EXPECT_EQ(Grid().GetGridCells(2, 2), c.Cell); // leaving without a change changes nothing
    }
    // A change is written as it shows: the edited mini-HTML text becomes plain text.
    Grid().EnableHTML = true;
    Grid().SetGridCells(2, 2, "<B>bold</B>");
    Grid().SetRow(2);
    w_.Key(Qt::Key_F2);
    w_.Key(Qt::Key_End);
    w_.Type("!");
    w_.Key(Qt::Key_Return);
    EXPECT_EQ(Grid().GetGridCells(2, 2), "bold!");
}

TEST_F(CellContent, FindRowByTextComparesThePlainTextsStart) {
    const char* const texts[] = {"xyz", "<B>ab</B>c", "abc", "a<b>c"};
    for (int r = 0; r < 4; ++r) Grid().SetGridCells(1, r + 1, texts[r]);
    EXPECT_EQ(Grid().FindRowByText("AB"), 2);  // the tags do not count; the case does not either
    EXPECT_EQ(Grid().FindRowByText("A<B"), 4); // angle brackets of a text without mini-HTML stay
    EXPECT_EQ(Grid().FindRowByText("Q"), -1);
    Grid().SortSettings.SetShow(true);
    Grid().SortSettings.Column = 2;
    EXPECT_EQ(Grid().FindRowByText("AB"), -1);
}

// A grid whose second column has a filter button in its header.
class TFilterGrid : public TVevIvizudEvar {
public:
    using TVevIvizudEvar::TVevIvizudEvar;
    bool ColumnHasFilterButton(int col) override { return col == 2; }
};

TEST(CellContentFilter, FilterGlyphStandsAtTheHeadersRightEdge) {
    TGridWindow<TFilterGrid> w(4, 4);
    w.Grid().SetGridCells(2, 0, "Plain");
    w.Grid().SetGridCells(2, 1, "data");
    const auto ops = RenderOps(w.Grid());
    const TRect r = w.Grid().CellRect(2, 0).Inflated(-1, -1);
    std::vector<TRect> images;
    for (const TCanvasOp& op : ops)
        if (op.Kind == TCanvasOpKind::Image) images.push_back(op.Rect);
    ASSERT_EQ(images.size(), 1u); // only the header of the column, not its data cells
    EXPECT_EQ(images[0].Left, r.Right - 16);
    EXPECT_EQ(images[0].Top, r.Top);
    EXPECT_EQ(TextOps(ops, "Plain").at(0).Rect.Right, r.Right - 2 - 16);
    EXPECT_EQ(TextOps(ops, "data").at(0).Rect.Right, w.Grid().CellRect(2, 1).Right - 3);
}

TEST_F(CellContent, WideTextShowsDecoded) {
    QString wide;
    EncodeWideCell(QString::fromUtf8("Ωx"), wide);
    Grid().SetGridCells(2, 1, wide);
    const auto drawn = TextOps(RenderOps(Grid()), QString::fromUtf8("Ωx"));
    ASSERT_EQ(drawn.size(), 1u);
    EXPECT_TRUE(drawn[0].Flags & DT_WORDBREAK);
    EXPECT_EQ(drawn[0].Rect, TextArea(2, 1));
    EXPECT_EQ(Grid().GetCellTextWide(2, 1), QString::fromUtf8("Ωx"));
}

} // namespace
