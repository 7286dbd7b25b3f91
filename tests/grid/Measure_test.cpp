// Measuring cell content, sizing columns and rows to it, turned text, column calculations and the
// selection as text.
#include "GridTestSupport.h"
#include "grid/GridError.h"
#include "grid/HTMLDraw.h"

#include <cmath>

namespace {

class Measure : public testing::Test {
protected:
    Measure() : w_(5, 6) {}
    TVevIvizudEvar& Grid() { return w_.Grid(); }
    void Rotate(int col, int row, int angle) {
        auto graphic = std::make_unique<TCellGraphic>();
        graphic->CellType = TCellType::ctRotated;
        graphic->CellAngle = angle;
        Grid().GetCellProperties(col, row)->CellGraphic = std::move(graphic);
    }
    TAdvancedGridWindow w_;
};

TEST_F(Measure, HTMLTextMeasuresAsTheRendererPlusTheMargins) {
    const QString text = "<B>bold</B> and <FONT SIZE=\"5\">big</FONT><BR>second line";
    Grid().SetGridCells(2, 1, text);
    TCanvas canvas;
    canvas.Font() = Grid().Font();
    const THTMLDrawResult measured =
        HTMLDrawEx(canvas, text, {0, 0, 65535, 65535}, nullptr, 0, 0, -1, 0, 1, false, true, false, true,
                   true, false, true, false, 0.0, Grid().URLColor, clNone, clNone, clGray);
    EXPECT_EQ(Grid().GetCellTextSize(2, 1, false), (TPoint{measured.Width + 2 + 4, measured.Height + 2 + 4}));
    // Within the column the text wraps: narrower, taller.
    const TPoint inColumn = Grid().GetCellTextSize(2, 1, true);
    EXPECT_GT(inColumn.Y, measured.Height + 6);
    EXPECT_LE(inColumn.X, Grid().ColWidths(2) + 6);
}

TEST_F(Measure, PlainTextMeasuresItsLongestLine) {
    Grid().SetGridCells(2, 1, "short\r\na much longer line");
    TCanvas canvas;
    canvas.Font() = Grid().Font();
    const int lineHeight = canvas.TextHeight("gh");
    EXPECT_EQ(Grid().GetCellTextSize(2, 1, false), (TPoint{canvas.TextWidth("short") + 4, lineHeight + 4}));
    Grid().SetMultilinecells(true);
    EXPECT_EQ(Grid().GetCellTextSize(2, 1, false),
              (TPoint{canvas.TextWidth("a much longer line") + 4, 2 * lineHeight + 4}));
    // Addresses are measured as they show.
    Grid().URLShow = true;
    Grid().SetGridCells(3, 1, "http://x.org");
    EXPECT_EQ(Grid().GetCellTextSize(3, 1, false).X, canvas.TextWidth("x.org") + 4);
}

TEST_F(Measure, TurnedTextTakesTheBoundingBoxOfItsTurnedExtent) {
    Grid().SetGridCells(2, 1, "turned text");
    const TPoint flat = Grid().GetCellTextSize(2, 1, false);
    struct TCase {
        int Angle;
        TPoint Size;
    };
    const double s45 = std::sin(M_PI / 4);
    const TCase cases[] = {
        {0, {flat.X + 12, flat.Y + 12}},
        {90, {flat.Y + 12, flat.X + 12}},
        {180, {flat.X + 12, flat.Y + 12}},
        // At 45 degrees both extents add up (they never cancel out).
        {45,
         {int(std::lround(flat.Y * s45)) + int(std::lround(flat.X * s45)) + 12,
          int(std::lround(flat.Y * s45)) + int(std::lround(flat.X * s45)) + 12}},
    };
    for (const TCase& c : cases) {
        Rotate(2, 1, c.Angle);
        EXPECT_EQ(Grid().GetCellTextSize(2, 1, false), c.Size) << c.Angle;
    }
}

TEST_F(Measure, RotatedTextOriginPutsTheTurnedBoxAtTheAlignedSide) {
    const QString text = "abc";
    const int w = Grid().Canvas().TextWidth(text + "w"), h = Grid().Canvas().TextHeight(text + "w");
    const TRect cell{10, 20, 210, 220}, inner{12, 22, 208, 218};
    struct TCase {
        int Angle;
        TAlignment H;
        TVAlignment V;
        TPoint Origin;
    };
    using A = TAlignment;
    using V = TVAlignment;
    const TCase cases[] = {
        {90, A::taLeftJustify, V::vtaBottom, {inner.Left, inner.Bottom}}, // reads upwards from the corner
        {90, A::taRightJustify, V::vtaTop, {inner.Right - h, inner.Top + w}},
        {0, A::taLeftJustify, V::vtaTop, {inner.Left, inner.Top}},
        {0, A::taRightJustify, V::vtaBottom, {inner.Right - w, inner.Bottom - h}},
        {0,
         A::taCenter,
         V::vtaCenter,
         {inner.Left + (inner.Width() - w) / 2, inner.Top + (inner.Height() - h) / 2}},
        {180, A::taLeftJustify, V::vtaTop, {inner.Left + w, inner.Top + h}},
        {270, A::taLeftJustify, V::vtaTop, {inner.Left + h, inner.Top}},
    };
    for (const TCase& c : cases) {
        TRect r = cell;
        Grid().RotatedTextOrigin(r, c.Angle, c.H, c.V, text);
        EXPECT_EQ((TPoint{r.Left, r.Top}), c.Origin) << c.Angle << " " << int(c.H) << " " << int(c.V);
        EXPECT_EQ((TPoint{r.Right, r.Bottom}), (TPoint{inner.Right, inner.Bottom}));
    }
}

TEST_F(Measure, ColumnCalculations) {
    for (int r = 1; r < 6; ++r) Grid().SetGridCells(1, r, QStringList{"5", "3", "9", "", "1"}[r - 1]);
    Grid().SetGridCells(2, 1, "1");
    Grid().SetGridCells(2, 2, "2");
    Grid().SetGridCells(3, 1, "x");
    EXPECT_EQ(Grid().ColumnAvg(1, 3, 2), 0); // an empty range
    EXPECT_EQ(Grid().ColumnAvg(2, 1, 3), 1); // 1, 2 and an empty cell
    EXPECT_EQ(Grid().ColumnMin(1, 1, 3), 3);
    EXPECT_EQ(Grid().ColumnMax(1, 1, 3), 9);
    EXPECT_EQ(Grid().ColumnMin(1, 1, 5), 0); // the empty cell counts 0
    EXPECT_EQ(Grid().ColumnSum(1, 1, 5), 18);
    EXPECT_EQ(Grid().ColumnMax(1, 4, 4), 0);
    try {
        Grid().ColumnSum(3, 1, 2);
        ADD_FAILURE() << "a text that is no number was summed";
    } catch (const EVozAvozError& error) {
        EXPECT_STREQ(error.what(), "Cell does not contain a float value");
    }
    EXPECT_THROW(Grid().ColumnMin(3, 1, 1), EVozAvozError);
}

class ColumnAutoSize : public Measure, public testing::WithParamInterface<int> {};

TEST_P(ColumnAutoSize, WidestCellPlusMarginAndLines) {
    const int lineWidth = GetParam();
    Grid().SetGridLineWidth(lineWidth);
    Grid().SetGridCells(2, 0, "H");
    Grid().SetGridCells(2, 1, "a rather long text");
    Grid().SetGridCells(2, 2, "short");
    const int widest = Grid().GetCellTextSize(2, 1, false).X;
    Grid().AutoSizeColumn(2, false);
    // 80 measured with a line width of 1 gives 86: the margin of 2 and (1 + 1) x 2.
    EXPECT_EQ(Grid().ColWidths(2), widest + 2 + (lineWidth + 1) * 2);
}

INSTANTIATE_TEST_SUITE_P(LineWidths, ColumnAutoSize, testing::Values(0, 1, 3));

TEST_F(Measure, AutoSizeLimitsOnlyGrowAndTheUpdateEvent) {
    Grid().SetGridCells(2, 1, "a rather long text");
    const int natural = Grid().GetCellTextSize(2, 1, false).X + 2 + 4;
    struct TCase {
        int Min, Max, Start;
        bool OnlyGrow;
        int Width;
    };
    const TCase cases[] = {
        {0, 0, 64, false, natural},  // no limits: exactly the measured size
        {0, 0, 300, false, natural}, // shrinks
        {0, 0, 300, true, 300},      // only grows: never shrinks
        {0, 0, 20, true, natural},   // but grows
        {natural + 10, 0, 64, false, natural + 10},
        {0, natural - 10, 64, false, natural - 10},
        {50, 50, 64, false, natural}, // equal limits leave the size alone
    };
    for (const TCase& c : cases) {
        Grid().MinColWidth = c.Min;
        Grid().MaxColWidth = c.Max;
        Grid().SetColWidths(2, c.Start);
        Grid().AutoSizeOnlyGrow = c.OnlyGrow;
        Grid().AutoSizeCol(2);
        EXPECT_EQ(Grid().ColWidths(2), c.Width) << c.Min << " " << c.Max << " " << c.Start;
    }
    Grid().MinColWidth = Grid().MaxColWidth = 0;
    Grid().AutoSizeOnlyGrow = false;
    std::vector<int> asked;
    Grid().OnUpdateColumnSize = [&](QObject*, int col, int& width) {
        asked.push_back(col);
        width += 7;
    };
    Grid().AutoSizeColumn(2, false);
    EXPECT_EQ(asked, std::vector<int>{2});
    EXPECT_EQ(Grid().ColWidths(2), natural + 7);
}

TEST_F(Measure, AutoSizeColumnsFromTheFixedOrTheFirstColumnWithPadding) {
    for (int c = 0; c < 5; ++c) Grid().SetGridCells(c, 1, QString(c + 3, u'x'));
    auto natural = [&](int col) { return Grid().GetCellTextSize(col, 1, false).X + 2 + 4; };
    Grid().AutoSizeColumns(false, 10);
    EXPECT_EQ(Grid().ColWidths(0), Grid().DefaultColWidth());
    for (int c = 1; c < 5; ++c) EXPECT_EQ(Grid().ColWidths(c), natural(c) + 10) << c;
    Grid().SetAutoSize(true);
    EXPECT_TRUE(Grid().AutoSize());
    for (int c = 0; c < 5; ++c) EXPECT_EQ(Grid().ColWidths(c), natural(c) + 10) << c;
}

TEST_F(Measure, RowAutoSize) {
    Grid().SetMultilinecells(true);
    Grid().SetGridCells(1, 1, "one\rtwo\rthree");
    Grid().SetGridCells(2, 1, "x");
    const int tallest = Grid().GetCellTextSize(1, 1, true).Y;
    Grid().AutoSizeRow(1);
    EXPECT_EQ(Grid().RowHeights(1), tallest + 2 + 2);
    EXPECT_EQ(Grid().MaxLinesInRow(1), 3);
    EXPECT_EQ(Grid().MaxLinesInRow(2), 1);
    // A block over two rows does not make one of them as tall as its text.
    Grid().SetGridCells(3, 2, "a\rb\rc\rd\re");
    Grid().MergeCells(3, 2, 1, 2);
    Grid().SetGridCells(1, 2, "x");
    Grid().AutoSizeRow(2);
    EXPECT_EQ(Grid().RowHeights(2), Grid().GetCellTextSize(1, 2, true).Y + 4);
    // Limits and only-grow.
    Grid().MaxRowHeight = 30;
    Grid().AutoSizeRow(1);
    EXPECT_EQ(Grid().RowHeights(1), 30);
    Grid().MaxRowHeight = 0;
    Grid().SetRowHeights(4, 50);
    Grid().AutoSizeRowEx(4, true);
    EXPECT_EQ(Grid().RowHeights(4), 50);
    Grid().AutoSizeRowEx(4, false);
    EXPECT_LT(Grid().RowHeights(4), 50);
}

TEST_F(Measure, RowHeightForLines) {
    TCanvas canvas;
    canvas.Font() = Grid().Font();
    const int line = canvas.TextHeight("gh");
    Grid().SetRowHeightForLines(2, 3, 4);
    EXPECT_EQ(Grid().RowHeights(2), 3 * (line + line / 8) + 4);
    Grid().MinRowHeight = 100;
    Grid().SetRowHeightForLines(2, 1, 0);
    EXPECT_EQ(Grid().RowHeights(2), 100);
}

TEST_F(Measure, CellSelectedByEachSelectionModel) {
    Grid().SetSelection({1, 1, 2, 2});
    EXPECT_TRUE(Grid().IsCellSelected(2, 2));
    EXPECT_FALSE(Grid().IsCellSelected(3, 2));
    EXPECT_FALSE(Grid().IsCellSelected(0, 1)); // fixed cells never
    Grid().MouseActions.SetDisjunctRowSelect(true);
    Grid().SetRowSelect(4, true);
    EXPECT_TRUE(Grid().IsCellSelected(3, 4));
    EXPECT_FALSE(Grid().IsCellSelected(2, 2));
    EXPECT_FALSE(Grid().IsCellSelected(0, 4));
    // Persistent marks are kept by real row: with row 2 hidden, display row 3 is real row 4.
    Grid().SetRowSelect(4, false);
    Grid().MouseActions.RowSelectPersistent = true;
    Grid().HideRow(2);
    Grid().SetRowSelect(4, true);
    EXPECT_TRUE(Grid().IsCellSelected(3, 3));
    EXPECT_FALSE(Grid().IsCellSelected(3, 4));
    Grid().UnHideRowsAll();
    Grid().MouseActions.SetDisjunctColSelect(true);
    Grid().SetColSelect(3, true);
    EXPECT_TRUE(Grid().IsCellSelected(3, 1));
    EXPECT_FALSE(Grid().IsCellSelected(2, 4));
}

TEST_F(Measure, SelectionTextJoinsCellsByTabAndRowsByCrLf) {
    for (int r = 0; r < 6; ++r)
        for (int c = 0; c < 5; ++c) Grid().SetGridCells(c, r, QString("%1%2").arg(QChar('a' + c)).arg(r));
    Grid().SetSelection({2, 1, 3, 2});
    QString text;
    Grid().GetSelectionText(text);
    EXPECT_EQ(text, "c1\td1\r\nc2\td2");
    Grid().DragDropSettings.OleEntireRows = true;
    Grid().GetSelectionText(text);
    EXPECT_EQ(text, "a1\tb1\tc1\td1\te1\r\na2\tb2\tc2\td2\te2");
    Grid().DragDropSettings.OleEntireRows = false;
    Grid().MouseActions.SetDisjunctRowSelect(true);
    Grid().SetRowSelect(1, true);
    Grid().SetRowSelect(4, true);
    Grid().GetSelectionText(text);
    EXPECT_EQ(text, "c1\td1\r\nc4\td4");
}

} // namespace
