// How the advanced grid paints its cells: recorded operations for exact geometry and colours,
// rendered pixels for the look.
#include "GridTestSupport.h"
#include "grid/GridError.h"

#include <QImage>

namespace {

class Painting : public testing::Test {
protected:
    Painting() : w_(5, 6) {
        for (int c = 1; c < 5; ++c) Grid().SetGridCells(c, 0, QString("H%1").arg(c));
        for (int r = 1; r < 6; ++r) Grid().SetGridCells(1, r, QString("r%1").arg(r));
    }
    TVevIvizudEvar& Grid() { return w_.Grid(); }
    std::vector<TColor> FillsOf(const std::vector<TCanvasOp>& ops, int col, int row) {
        return CellFills(Grid(), ops, col, row);
    }
    TAdvancedGridWindow w_;
};

TEST_F(Painting, AFixedCellIgnoresItsPropertiesBrushColour) {
    Grid().GetCellProperties(2, 0)->SetBrushColor(clRed);
    Grid().GetCellProperties(2, 3)->SetBrushColor(clRed);
    const auto ops = RenderOps(Grid());
    EXPECT_EQ(FillsOf(ops, 2, 0), std::vector<TColor>{Grid().FixedColor()});
    EXPECT_EQ(FillsOf(ops, 2, 3), std::vector<TColor>{clRed});
}

TEST_F(Painting, AlignmentEventReachesTheTextFlags) {
    Grid().OnGetAlignment = [](QObject*, int row, int col, TAlignment& h, TVAlignment& v) {
        if (col == 1 && row == 2) h = TAlignment::taRightJustify, v = TVAlignment::vtaCenter;
        if (col == 1 && row == 3) h = TAlignment::taCenter;
    };
    const auto ops = RenderOps(Grid());
    const auto right = TextOps(ops, "r2"), centre = TextOps(ops, "r3"), left = TextOps(ops, "r4");
    ASSERT_EQ(right.size(), 1u);
    ASSERT_EQ(centre.size(), 1u);
    ASSERT_EQ(left.size(), 1u);
    EXPECT_TRUE(right[0].Flags & DT_RIGHT);
    EXPECT_TRUE(right[0].Flags & DT_VCENTER);
    EXPECT_TRUE(centre[0].Flags & DT_CENTER);
    EXPECT_FALSE(left[0].Flags & (DT_RIGHT | DT_CENTER));
    // The text area is the cell less the line and the text offset of 2 pixels.
    const TRect cell = Grid().CellRect(1, 4);
    EXPECT_EQ(left[0].Rect, (TRect{cell.Left + 3, cell.Top + 3, cell.Right - 3, cell.Bottom - 1}));
}

TEST_F(Painting, FocusRectangleFramesTheCurrentCell) {
    Grid().SetCol(2);
    Grid().SetRow(3);
    ASSERT_TRUE(Grid().hasFocus());
    const TRect cell = Grid().CellRect(2, 3);
    std::vector<TRect> focus;
    for (const TCanvasOp& op : RenderOps(Grid()))
        if (op.Kind == TCanvasOpKind::FocusRect) focus.push_back(op.Rect);
    EXPECT_EQ(focus, (std::vector<TRect>{{cell.Left, cell.Top, cell.Right - 1, cell.Bottom - 1}}));
    Grid().HideFocusRect = true;
    for (const TCanvasOp& op : RenderOps(Grid())) EXPECT_NE(op.Kind, TCanvasOpKind::FocusRect);
}

TEST_F(Painting, NoFocusRectangleInRowSelectMode) {
    Grid().SetOptions(Grid().Options() + goRowSelect);
    for (const TCanvasOp& op : RenderOps(Grid())) EXPECT_NE(op.Kind, TCanvasOpKind::FocusRect);
}

TEST_F(Painting, GradientTowardsTheCellsSecondColour) {
    Grid().GetCellProperties(3, 2)->SetBrushColor(clWhite);
    Grid().GetCellProperties(3, 2)->SetBrushColorTo(clBlue);
    const TRect cell = Grid().CellRect(3, 2);
    int bands = 0;
    for (const TCanvasOp& op : RenderOps(Grid()))
        if (op.Kind == TCanvasOpKind::FillRect && op.Rect.Top == cell.Top && op.Rect.Bottom == cell.Bottom &&
            op.Rect.Left >= cell.Left && op.Rect.Right <= cell.Right && op.Rect.Width() < cell.Width())
            ++bands;
    EXPECT_GE(bands, 30); // 64 bands two pixels long, cut at the cell's edge
}

TEST_F(Painting, BordersAskedForAreDrawnInsideTheCell) {
    Grid().OnGetCellBorder = [](QObject*, int row, int col, TPen& pen, TCellBorders& borders) {
        if (row != 2 || col != 3) return;
        pen.SetColor(clRed);
        pen.SetWidth(3);
        borders = {TCellBorder::cbLeft, TCellBorder::cbBottom};
    };
    const TRect cell = Grid().CellRect(3, 2);
    std::vector<std::pair<TPoint, TPoint>> lines;
    for (const TCanvasOp& op : RenderOps(Grid()))
        if (op.Kind == TCanvasOpKind::Line && op.Pen.Color() == clRed)
            lines.push_back({op.Points[0], op.Points[1]});
    const TRect inner = cell.Inflated(-2, -2);
    EXPECT_EQ(lines, (std::vector<std::pair<TPoint, TPoint>>{
                         {{inner.Left - 1, inner.Top}, {inner.Left - 1, inner.Bottom}},
                         {{inner.Left, inner.Bottom - 1}, {inner.Right, inner.Bottom - 1}}}));
}

TEST_F(Painting, ACellThatCannotShowItsNumberShowsWhatItHolds) {
    Grid().SetGridCells(2, 1, "3");
    Grid().SetGridCells(2, 2, "1-2");
    Grid().OnGetFloatFormat = [](QObject*, int, int row, bool&, QString& format) {
        if (row == 1) format = "%d"; // not a format for a number
    };
    const auto ops = RenderOps(Grid());
    EXPECT_EQ(TextOps(ops, "3").size(), 1u);
    EXPECT_EQ(TextOps(ops, "1-2").size(), 1u);
    EXPECT_THROW(Grid().GetDisplayText(2, 2), EVozAvozError);
}

TEST_F(Painting, MultiLineCellsOfOneGridLeaveOtherGridsAlone) {
    TAdvancedGridWindow other(3, 3);
    Grid().SetMultilinecells(true);
    RenderOps(Grid());
    RenderOps(other.Grid());
    EXPECT_EQ(Grid().NoWrapFlag(), 0u);
    EXPECT_EQ(other.Grid().NoWrapFlag(), unsigned(DT_SINGLELINE));
}

// A grid with node rows, to paint the tree lines.
class TNodeGrid : public TVevIvizudEvar {
public:
    using TVevIvizudEvar::TVevIvizudEvar;
    int NodeCount() const override { return 1; }
};

TEST(PaintingNodes, PaintingCreatesNoCellProperties) {
    TGridWindow<TNodeGrid> w(3, 6);
    w.Grid().SetFixedCols(0);
    w.Grid().GetCellProperties(0, 3)->NodeLevel = 1;
    RenderOps(w.Grid());
    for (int r = 0; r < 6; ++r)
        for (int c = 0; c < 3; ++c)
            EXPECT_EQ(w.Grid().HasCellProperties(c, r), c == 0 && r == 3) << c << "," << r;
}

TEST_F(Painting, DisjunctCellsAreKeyedByColumnAndRow) {
    Grid().SetColCount(5);
    Grid().MouseActions.SetDisjunctCellSelect(true);
    Grid().AddDisjunctCell(65536 + 4, 0); // once keyed as column + row x 65536, this was cell (4, 1)
    Grid().AddDisjunctCell(3, 3);
    Grid().SetRow(5);
    EXPECT_FALSE(Grid().IsDisjunctCell(4, 1));
    const auto ops = RenderOps(Grid());
    EXPECT_EQ(FillsOf(ops, 4, 1), std::vector<TColor>{Grid().Color()});
    EXPECT_EQ(FillsOf(ops, 3, 3), std::vector<TColor>{Grid().SelectionColor()});
}

TEST_F(Painting, FlatBorderOfTheXpLook) {
    ASSERT_TRUE(Grid().IsThemed());
    const QImage image = Grid().grab().toImage();
    const int h = Grid().height();
    EXPECT_EQ(image.pixelColor(1, h / 2), ToQColor(0xB99D7F));
    EXPECT_EQ(image.pixelColor(Grid().width() - 2, h / 2), ToQColor(0xB99D7F));
    Grid().SetFlat(true); // a flat grid keeps the plain frame
    EXPECT_NE(Grid().grab().toImage().pixelColor(1, h / 2), ToQColor(0xB99D7F));
}

TEST_F(Painting, RenderedSelectionAndFixedHeader) {
    Grid().SetCol(2);
    Grid().SetRow(2);
    w_.Key(Qt::Key_Right, Qt::ShiftModifier); // cells (2,2) and (3,2) selected
    QApplication::processEvents();
    const QImage image = Grid().viewport()->grab().toImage();
    const QColor selection(0xB6, 0xCA, 0xEA);
    for (int col : {2, 3}) {
        const TRect cell = Grid().CellRect(col, 2);
        EXPECT_EQ(image.pixelColor(cell.Right - 4, cell.Bottom - 4), selection) << col;
    }
    const TRect plain = Grid().CellRect(4, 4);
    EXPECT_EQ(image.pixelColor(plain.Right - 4, plain.Bottom - 4), ToQColor(clWindow));
    const TRect header = Grid().CellRect(3, 0);
    const QColor top = image.pixelColor(header.Right - 4, header.Top + 2);
    const QColor bottom = image.pixelColor(header.Right - 4, header.Bottom - 3);
    const QColor face = ToQColor(clBtnFace);
    EXPECT_EQ(top, QColor(Qt::white));
    EXPECT_GT(top.lightness(), bottom.lightness());
    EXPECT_LE(std::abs(bottom.red() - face.red()), 12);
    EXPECT_LE(std::abs(bottom.blue() - face.blue()), 12);
}

} // namespace
