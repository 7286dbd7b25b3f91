// Sizing and moving rows and columns of the advanced grid with the mouse: the sizing hint and the
// application's veto, fixed columns sized from their border, the selection resizer's square, the
// veto of a move, the drop markers, the auto-scroll and the row height that travels with a row.
#include "PointerTestSupport.h"

#include "grid/PopupWindows.h"
#include "platform/ui/HintWindow.h"

namespace {

class MouseSizing : public testing::Test {
protected:
    MouseSizing() : w_(6, 40), mouse_(w_) {
        for (int c = 0; c < 6; ++c) Grid().SetGridCells(c, 0, QString("h%1").arg(c));
        for (int r = 1; r < 40; ++r) Grid().SetGridCells(0, r, QString("r%1").arg(r));
    }
    TVevIvizudEvar& Grid() { return w_.Grid(); }
    QPoint Centre(int col, int row) { return mouse_.Centre(col, row); }
    QPoint Global(int x, int y) { return Grid().viewport()->mapToGlobal(QPoint(x, y)); }

    TAdvancedGridWindow w_;
    TPointer mouse_;
};

TEST_F(MouseSizing, DraggingAColumnBorderShowsTheNewWidthAndSetsIt) {
    Grid().SetOptions(Grid().Options() + goColSizing);
    Grid().HintShowSizing = true;
    ASSERT_EQ(Grid().ColWidths(1), 64);
    const TRect header = mouse_.Rect(1, 0);
    const QPoint border(header.Right, 10);
    mouse_.Hover(border);
    EXPECT_EQ(Grid().viewport()->cursor().shape(), Qt::SplitHCursor);
    mouse_.Press(border);
    mouse_.Drag(border + QPoint(10, 0));
    ASSERT_TRUE(Grid().HintShowing());
    EXPECT_EQ(Grid().HintWindow()->Caption(), "cw=<b>74</b>");
    EXPECT_EQ(Grid().HintWindow()->pos(), Global(header.Left, header.Top));
    mouse_.Release(border + QPoint(10, 0));
    EXPECT_EQ(Grid().ColWidths(1), 74);
    EXPECT_FALSE(Grid().HintShowing());
}

TEST_F(MouseSizing, SizingLetGoBeyondTheGridIsCancelled) {
    Grid().SetOptions(Grid().Options() + goColSizing);
    const QPoint border(mouse_.Rect(1, 0).Right, 10);
    mouse_.Hover(border);
    mouse_.Press(border);
    const QPoint outside(Grid().ClientWidth() + 20, 10);
    mouse_.Drag(outside);
    mouse_.Release(outside);
    EXPECT_EQ(Grid().ColWidths(1), 64);
    EXPECT_EQ(Grid().GridState(), TGridState::gsNormal);
}

TEST_F(MouseSizing, ARefusedColumnIsNeitherDraggedNorAutosized) {
    Grid().SetOptions(Grid().Options() + goColSizing);
    std::vector<int> asked;
    Grid().OnColumnSize = [&](QObject*, int col, bool& allow) {
        asked.push_back(col);
        allow = false;
    };
    int ended = 0;
    Grid().OnEndColumnSize = [&](QObject*, int) { ++ended; };
    Grid().SetGridCells(2, 3, "a text much wider than sixty-four pixels");
    const QPoint border(mouse_.Rect(2, 0).Right, 10);
    mouse_.Hover(border);
    EXPECT_NE(Grid().viewport()->cursor().shape(), Qt::SplitHCursor);
    mouse_.Press(border);
    EXPECT_EQ(Grid().GridState(), TGridState::gsNormal);
    mouse_.Drag(border + QPoint(30, 0));
    mouse_.Release(border + QPoint(30, 0));
    mouse_.DoubleClick(border);
    EXPECT_EQ(Grid().ColWidths(2), 64);
    EXPECT_EQ(ended, 0);
    ASSERT_FALSE(asked.empty());
    EXPECT_EQ(asked.front(), 2);
}

TEST_F(MouseSizing, ADoubleClickOnAHeaderBorderSizesTheColumnToItsText) {
    Grid().SetOptions(Grid().Options() + goColSizing);
    Grid().SetGridCells(2, 3, "a text much wider than sixty-four pixels");
    std::vector<int> ended;
    Grid().OnEndColumnSize = [&](QObject*, int col) { ended.push_back(col); };
    mouse_.DoubleClick(QPoint(mouse_.Rect(2, 0).Right - 1, 10));
    const int fitted = Grid().ColWidths(2);
    EXPECT_GT(fitted, 150);
    ASSERT_FALSE(ended.empty());
    EXPECT_EQ(ended.back(), 2);
    // The left border of the next column is the same border.
    Grid().SetColWidths(2, 64);
    mouse_.DoubleClick(QPoint(mouse_.Rect(3, 0).Left + 1, 10));
    EXPECT_EQ(Grid().ColWidths(2), fitted);
}

// The pointer near the right border of a fixed column: less than 3 pixels away it may size it.
struct TBorderCase {
    int offset;
    bool split;
};

class FixedBorder : public MouseSizing, public testing::WithParamInterface<TBorderCase> {};

TEST_P(FixedBorder, ShowsTheSplitCursorOnlyCloseToTheBorder) {
    Grid().MouseActions.SizeFixedCol = true;
    mouse_.Hover(QPoint(Grid().ColWidths(0) + GetParam().offset, Centre(0, 3).y()));
    EXPECT_EQ(Grid().viewport()->cursor().shape() == Qt::SplitHCursor, GetParam().split) << GetParam().offset;
}

INSTANTIATE_TEST_SUITE_P(Offsets, FixedBorder,
                         testing::Values(TBorderCase{-3, false}, TBorderCase{-2, true}, TBorderCase{0, true},
                                         TBorderCase{2, true}, TBorderCase{3, false}));

TEST_F(MouseSizing, AFixedColumnIsSizedFromItsBorderWithAHint) {
    Grid().MouseActions.SizeFixedCol = true;
    Grid().HintShowSizing = true;
    std::vector<int> ended;
    Grid().OnEndColumnSize = [&](QObject*, int col) { ended.push_back(col); };
    const QPoint border(Grid().ColWidths(0) - 1, Centre(0, 3).y());
    mouse_.Hover(border);
    mouse_.Press(border);
    EXPECT_TRUE(Grid().FixedColSizing());
    mouse_.Drag(QPoint(90, border.y()));
    EXPECT_EQ(Grid().FixedSizingX(), 90);
    EXPECT_EQ(Grid().HintWindow()->Caption(), "cw=<b>90</b>");
    mouse_.Release(QPoint(90, border.y()));
    EXPECT_FALSE(Grid().FixedColSizing());
    EXPECT_EQ(Grid().ColWidths(0), 90);
    EXPECT_EQ(ended, std::vector<int>{0});
    // Without SizeFixedCol the class library's handling has the press: no sizing.
    Grid().MouseActions.SizeFixedCol = false;
    mouse_.Hover(QPoint(89, border.y()));
    mouse_.Press(QPoint(89, border.y()));
    EXPECT_FALSE(Grid().FixedColSizing());
    mouse_.Release(QPoint(89, border.y()));
}

TEST_F(MouseSizing, TheSelectionResizerIsTheSquareInsideTheBottomRightCorner) {
    Grid().SelectionResizer = true;
    Grid().SetSelectionRectangle(true);
    Grid().SetSelection({1, 1, 2, 2});
    const TRect r = Grid().CellRectEx(2, 2);
    for (int dx : {-5, -4, -1, 0})
        for (int dy : {-5, -4, -1, 0}) {
            const bool inside = dx >= -4 && dx <= -1 && dy >= -4 && dy <= -1;
            EXPECT_EQ(Grid().IsOverResizer(r.Right + dx, r.Bottom + dy), inside) << dx << "," << dy;
        }
    mouse_.Hover(QPoint(r.Right - 2, r.Bottom - 2));
    EXPECT_EQ(Grid().HoverMode(), 5);
    Grid().SetSelectionRectangle(false);
    EXPECT_FALSE(Grid().IsOverResizer(r.Right - 2, r.Bottom - 2));
}

TEST_F(MouseSizing, DraggingTheResizerFillsTheStretchedSelectionFromTheClipboard) {
    Grid().SelectionResizer = true;
    Grid().SetSelectionRectangle(true);
    Grid().Navigation.AllowSmartClipboard = true;
    Grid().SetOptions(Grid().Options() + goEditing); // the paste writes editable cells only
    Grid().SetGridCells(2, 2, "7");
    Grid().SetCol(2);
    Grid().SetRow(2);
    std::vector<TGridRect> resized;
    Grid().OnSelectionResize = [&](QObject*, int l, int t, int r, int b) {
        resized.push_back({l, t, r, b});
        EXPECT_EQ(Grid().GetGridCells(2, 4), "7"); // pasted before it is reported
    };
    const TRect corner = Grid().CellRectEx(2, 2);
    const QPoint square(corner.Right - 2, corner.Bottom - 2);
    mouse_.Hover(square);
    EXPECT_EQ(Grid().viewport()->cursor().shape(), Qt::BitmapCursor);
    mouse_.Press(square);
    EXPECT_TRUE(Grid().ResizerDragging());
    mouse_.Drag(Centre(2, 3));
    mouse_.Drag(Centre(2, 4));
    EXPECT_EQ(Grid().Selection(), (TGridRect{2, 2, 2, 4}));
    mouse_.Release(Centre(2, 4));
    EXPECT_FALSE(Grid().ResizerDragging());
    EXPECT_EQ(Grid().GetGridCells(2, 3), "7");
    EXPECT_EQ(Grid().GetGridCells(2, 4), "7");
    EXPECT_EQ(resized, (std::vector<TGridRect>{{2, 2, 2, 4}}));
}

// ---- Moving -----------------------------------------------------------------------------------------

TEST_F(MouseSizing, ARefusedColumnMoveEndsAtTheFirstMove) {
    Grid().SetOptions(Grid().Options() + goColMoving);
    std::vector<int> asked;
    Grid().OnColumnMove = [&](QObject*, int col, bool& allow) {
        asked.push_back(col);
        allow = false;
    };
    mouse_.Hover(Centre(2, 0));
    mouse_.Press(Centre(2, 0));
    EXPECT_EQ(Grid().GridState(), TGridState::gsColMoving);
    mouse_.Drag(Centre(3, 0));
    EXPECT_EQ(Grid().GridState(), TGridState::gsNormal);
    mouse_.Drag(Centre(4, 0));
    mouse_.Release(Centre(4, 0));
    EXPECT_EQ(asked, std::vector<int>{2});
    for (int c = 0; c < 6; ++c) EXPECT_EQ(Grid().GetGridCells(c, 0), QString("h%1").arg(c));
    EXPECT_FALSE(Grid().DragImage()->isVisible());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(MouseSizing, DropMarkersStandAtTheCellOfThePreviousMove) {
    Grid().SetOptions(Grid().Options() + goColMoving);
    mouse_.Hover(Centre(1, 0));
    mouse_.Press(Centre(1, 0));
    mouse_.Drag(Centre(2, 0));
    EXPECT_FALSE(Grid().DropMarker(0)->isVisible());
    EXPECT_FALSE(Grid().DropMarker(1)->isVisible());
    ASSERT_TRUE(Grid().DragImage()->isVisible());
    EXPECT_EQ(Grid().DragImage()->Caption(), "h1");
    EXPECT_EQ(Grid().DragImage()->size(), QSize(64, Grid().RowHeights(0)));
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::DragMoveCursor);
    mouse_.Drag(Centre(3, 0));
    const TRect target = mouse_.Rect(2, 0);
    ASSERT_TRUE(Grid().DropMarker(0)->isVisible());
    EXPECT_EQ(Grid().DropMarker(0)->pos(), Global(target.Left - 5 + 64, target.Bottom));
    EXPECT_EQ(Grid().DropMarker(1)->pos(), Global(target.Left - 5 + 64, target.Top - 8));
    mouse_.Release(Centre(3, 0));
    EXPECT_FALSE(Grid().DropMarker(0)->isVisible());
    EXPECT_FALSE(Grid().DragImage()->isVisible());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(Grid().GetGridCells(3, 0), "h1");
    EXPECT_EQ(Grid().GetGridCells(1, 0), "h2");
}

TEST_F(MouseSizing, AnEnhancedRowMoveBelowTheGridScrollsOneRowPerMoveToTheLastRow) {
    Grid().SetOptions(Grid().Options() + goRowMoving);
    mouse_.Hover(Centre(0, 3));
    mouse_.Press(Centre(0, 3));
    const QPoint below(Centre(0, 3).x(), Grid().ClientHeight() + 10);
    int top = Grid().TopRow();
    int moves = 0;
    while (Grid().TopRow() + Grid().VisibleRowCount() < Grid().RowCount()) {
        mouse_.Drag(below);
        ASSERT_EQ(Grid().TopRow(), ++top);
        ASSERT_LT(++moves, 40);
    }
    mouse_.Drag(below);
    EXPECT_EQ(Grid().TopRow(), top);
    EXPECT_GT(moves, 1);
    mouse_.Release(below);
    EXPECT_EQ(Grid().GetGridCells(0, 3), "r3");
}

TEST_F(MouseSizing, AMovedRowCarriesItsHeight) {
    Grid().SetOptions(Grid().Options() + goRowMoving);
    Grid().SetRowHeights(2, 40);
    mouse_.Hover(Centre(0, 2));
    mouse_.Press(Centre(0, 2));
    mouse_.Drag(Centre(0, 4));
    mouse_.Drag(Centre(0, 5));
    EXPECT_TRUE(Grid().DropMarker(2)->isVisible());
    mouse_.Release(Centre(0, 5));
    EXPECT_EQ(Grid().GetGridCells(0, 5), "r2");
    EXPECT_EQ(Grid().RowHeights(5), 40);
    EXPECT_EQ(Grid().RowHeights(2), Grid().DefaultRowHeight());
}

TEST_F(MouseSizing, ARowIsNotDroppedOnTheFloatingFooter) {
    Grid().SetRowCount(6);
    Grid().SetOptions(Grid().Options() + goRowMoving);
    Grid().FloatingFooter.Visible = true;
    mouse_.Hover(Centre(0, 2));
    mouse_.Press(Centre(0, 2));
    mouse_.Drag(Centre(0, 4));
    mouse_.Drag(Centre(0, 5));
    mouse_.Release(Centre(0, 5));
    EXPECT_EQ(Grid().GetGridCells(0, 2), "r2");
    EXPECT_EQ(Grid().GetGridCells(0, 5), "r5");
}

} // namespace
