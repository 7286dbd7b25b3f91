// The base grid: cell properties, merged blocks (texts, drawing, keys), its own grid lines and
// the undo recorder.
#include "grid/BaseGrid.h"
#include "QtPrinters.h"
#include "platform/ui/GridFixture.h"
#include "platform/ui/RecordingDevice.h"

namespace {

class BaseGrid : public testing::Test {
protected:
    BaseGrid() : w_(6, 8) {}
    TBaseGrid& Grid() { return w_.Grid(); }
    std::vector<TCanvasOp> Render() {
        TRecordingDevice device;
        Grid().RenderTo(device);
        return device.Ops;
    }
    TGridWindow<TBaseGrid> w_;
};

TEST_F(BaseGrid, AMemberCellReadsAndWritesTheBaseCell) {
    Grid().SetGridCells(2, 2, "base");
    Grid().MergeCells(2, 2, 2, 3);
    EXPECT_EQ(Grid().GetGridCells(3, 4), "base");
    Grid().SetGridCells(3, 3, "changed");
    EXPECT_EQ(Grid().GetRawCell(2, 2), "changed");
    EXPECT_EQ(Grid().GetRawCell(3, 3), "");
    EXPECT_EQ(Grid().CellSpan(3, 4), (TGridCoord{1, 2}));
    EXPECT_EQ(Grid().BaseCell(3, 4), (TGridCoord{2, 2}));
    EXPECT_TRUE(Grid().IsMergedCell(2, 2));
    EXPECT_TRUE(Grid().Verify());
    Grid().SplitCells(3, 4);
    EXPECT_EQ(Grid().GetGridCells(3, 3), "");
    EXPECT_FALSE(Grid().IsMergedCell(2, 2));
    Grid().MergeCells(1, 1, 1, 1); // a 1 x 1 block is not merged
    EXPECT_FALSE(Grid().IsMergedCell(1, 1));
}

TEST_F(BaseGrid, MergedRectangleCoversTheBlock) {
    Grid().MergeCells(1, 1, 2, 2);
    const TRect a = Grid().CellRect(1, 1), b = Grid().CellRect(2, 2);
    EXPECT_EQ(Grid().CellRectEx(2, 1), UnionRect(a, b));
    EXPECT_EQ(Grid().CellRectEx(5, 5), Grid().CellRect(5, 5));
}

TEST_F(BaseGrid, DisplayTextAppliesBelowTheRowLimitOnly) {
    Grid().SetGridCells(1, 1, "a");
    Grid().SetGridCells(1, 5, "b");
    Grid().OnGetDisplText = [](QObject*, int, int row, QString& value) {
        value = value.toUpper() + QString::number(row);
    };
    Grid().DisplTextRowLimit = 3;
    EXPECT_EQ(Grid().GetGridCells(1, 1), "A1");
    EXPECT_EQ(Grid().GetGridCells(1, 5), "b");
}

TEST_F(BaseGrid, AMergedBlockIsDrawnOncePerPaint) {
    Grid().SetGridCells(2, 2, "BLOCK");
    Grid().MergeCells(2, 2, 3, 2);
    for (int paint = 0; paint < 2; ++paint) {
        const auto ops = Render();
        int count = 0;
        for (const TCanvasOp& op : ops)
            if (op.Kind == TCanvasOpKind::Text && op.Text == "BLOCK") {
                ++count;
                EXPECT_EQ(op.Rect, Grid().CellRectEx(2, 2).Inflated(-1, -1));
            }
        EXPECT_EQ(count, 1) << "paint " << paint;
    }
}

TEST_F(BaseGrid, NormalCellsGetNoLinesWithGridLineWidthZero) {
    Grid().SetGridLineWidth(0);
    const TRect fixedArea{0, 0, Grid().ClientWidth(), Grid().CellRect(1, 1).Top};
    const TRect fixedColumn{0, 0, Grid().CellRect(1, 1).Left, Grid().ClientHeight()};
    int lines = 0;
    for (const TCanvasOp& op : Render()) {
        if (op.Kind != TCanvasOpKind::Line) continue;
        ++lines;
        EXPECT_EQ(op.Pen.Color(), clGray);
        const TPoint p = op.Points[0];
        EXPECT_TRUE(fixedArea.Contains(p) || fixedColumn.Contains(p)) << p.X << "," << p.Y;
    }
    EXPECT_GT(lines, 0);
}

TEST_F(BaseGrid, NormalCellsDrawTheirOwnLinesInsideTheCell) {
    Grid().SetGridLineWidth(1);
    Grid().SetGridLineColor(clRed);
    const TRect cell = Grid().CellRect(2, 2);
    bool bottom = false, right = false;
    for (const TCanvasOp& op : Render()) {
        if (op.Kind != TCanvasOpKind::Line || op.Pen.Color() != clRed) continue;
        if (op.Points[0] == TPoint{cell.Left, cell.Bottom - 1} &&
            op.Points[1] == TPoint{cell.Right, cell.Bottom - 1})
            bottom = true;
        if (op.Points[0] == TPoint{cell.Right - 1, cell.Bottom - 1} &&
            op.Points[1] == TPoint{cell.Right - 1, cell.Top - 1})
            right = true;
    }
    EXPECT_TRUE(bottom);
    EXPECT_TRUE(right);
}

TEST_F(BaseGrid, RightAndDownStepOverABlock) {
    Grid().MergeCells(2, 1, 2, 2); // columns 2-3, rows 1-2
    w_.Key(Qt::Key_Right);
    EXPECT_EQ(Grid().Col(), 2);
    w_.Key(Qt::Key_Right);
    EXPECT_EQ(Grid().Col(), 4);
    Grid().SetCol(2);
    w_.Key(Qt::Key_Down);
    EXPECT_EQ(Grid().Row(), 3);
}

TEST_F(BaseGrid, LeftAndUpFromAMemberLandNextToTheBlock) {
    Grid().MergeCells(3, 2, 2, 2); // columns 3-4, rows 2-3
    Grid().SetCol(4);
    Grid().SetRow(3); // a click leaves a member current
    w_.Key(Qt::Key_Left);
    EXPECT_EQ(Grid().Col(), 2);
    EXPECT_EQ(Grid().Row(), 3);
    Grid().SetCol(4);
    w_.Key(Qt::Key_Up);
    EXPECT_EQ(Grid().Row(), 1);
    EXPECT_EQ(Grid().Col(), 4);
}

TEST_F(BaseGrid, LeftFromAMemberAtTheFirstColumnStaysInTheGrid) {
    Grid().MergeCells(1, 1, 2, 1);
    Grid().SetCol(2);
    w_.Key(Qt::Key_Left);
    EXPECT_EQ(Grid().Col(), 1);
    EXPECT_TRUE(Grid().Verify());
}

TEST(CellProperties, AssignKeepsTheTargetsGradientEndColour) {
    TCellProperties from(nullptr, 1, 1), to(nullptr, 2, 2);
    from.SetBrushColor(clRed);
    from.SetBrushColorTo(clBlue);
    from.ReadOnly = true;
    from.Alignment = TAlignment::taCenter;
    to.SetBrushColorTo(clLime);
    to.Assign(from);
    EXPECT_EQ(to.BrushColor(), clRed);
    EXPECT_EQ(to.BrushColorTo(), clLime);
    EXPECT_TRUE(to.ReadOnly);
    EXPECT_EQ(to.Alignment, TAlignment::taCenter);
    EXPECT_EQ(TCellProperties(nullptr, 0, 0).BrushColor(), clNone);
}

TEST(UndoRedo, MaxLevelKeepsTheLastSteps) {
    TVozAvozUndoRedo undo;
    undo.MaxLevel = 3;
    for (int i = 1; i <= 4; ++i) undo.AddUndoStep(1, i, QString::number(i), "");
    ASSERT_EQ(undo.Steps().size(), 3u);
    EXPECT_EQ(undo.Steps().front().Row, 2);
    EXPECT_EQ(undo.Position(), 3);
}

TEST_F(BaseGrid, ClearingCellsHandsTheirObjectsBack) {
    Grid().GetCellProperties(1, 3)->ReadOnly = true;
    Grid().SetGridCells(1, 3, "x");
    auto objects = Grid().ClearRowCells(3);
    ASSERT_EQ(objects.size(), 1u);
    EXPECT_TRUE(dynamic_cast<TCellProperties*>(objects[0].get())->ReadOnly);
    EXPECT_FALSE(Grid().HasCellProperties(1, 3));
    EXPECT_EQ(Grid().GetGridCells(1, 3), "");
}

} // namespace
