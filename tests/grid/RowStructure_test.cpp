// Inserting, removing and clearing rows and columns: the current row, hidden columns, merged
// blocks, cell objects and the changed area that is reported.
#include "GridTestSupport.h"

namespace {

// A graphic that counts its destructions.
struct TCountedGraphic : TCellGraphic {
    explicit TCountedGraphic(int& destroyed) : Destroyed(destroyed) {}
    ~TCountedGraphic() override { ++Destroyed; }
    int& Destroyed;
};

class RowStructure : public testing::Test {
protected:
    RowStructure() : w_(4, 6) {
        for (int r = 0; r < 6; ++r) Grid().SetGridCells(1, r, QString("r%1").arg(r));
    }
    TVevIvizudEvar& Grid() { return w_.Grid(); }
    QStringList Column(int col) { return ColumnTexts(Grid(), col); }
    TAdvancedGridWindow w_;
};

struct TRemoval {
    const char* Name;
    int Current, Row, Count, ExpectedRow;
    bool FixedRowAlways, SelectionShows;
};

class RemovingRows : public RowStructure, public testing::WithParamInterface<TRemoval> {};

TEST_P(RemovingRows, MoveTheCurrentRowAsAUserExpects) {
    const TRemoval t = GetParam();
    Grid().FixedRowAlways = t.FixedRowAlways;
    Grid().Loaded();
    Grid().SetCurrentRow(t.Current);
    Grid().RemoveRows(t.Row, t.Count);
    EXPECT_EQ(Grid().Row(), t.ExpectedRow);
    EXPECT_EQ(Grid().IsCellSelected(Grid().Col(), Grid().Row()), t.SelectionShows);
    EXPECT_TRUE(Grid().Verify());
}

INSTANTIATE_TEST_SUITE_P(Cases, RemovingRows,
                         testing::Values(TRemoval{"CurrentWithRowsBelow", 2, 2, 1, 2, false, true},
                                         TRemoval{"LastDataRows", 5, 4, 2, 3, false, true},
                                         TRemoval{"AllDataRows", 3, 1, 5, 0, true, false}),
                         [](const testing::TestParamInfo<TRemoval>& info) {
                             return std::string(info.param.Name);
                         });

TEST_F(RowStructure, ACountBelowOneChangesNothing) {
    for (int count : {0, -1}) {
        Grid().InsertRows(2, count);
        Grid().RemoveRows(2, count);
        Grid().InsertCols(1, count);
        Grid().RemoveCols(1, count);
    }
    Grid().RemoveRows(6, 1); // beyond the grid
    EXPECT_EQ(Grid().RowCount(), 6);
    EXPECT_EQ(Grid().ColCount(), 4);
    EXPECT_EQ(Column(1).last(), "r5");
}

TEST_F(RowStructure, HiddenColumnValuesStayWithTheirRows) {
    for (int r = 0; r < 6; ++r) Grid().SetGridCells(2, r, QString("h%1").arg(r));
    Grid().HideColumn(2);
    Grid().InsertRows(1, 2);
    Grid().RemoveRows(4, 1); // r2 and its hidden h2
    Grid().UnHideColumn(2);
    EXPECT_EQ(Column(1), (QStringList{"r0", "", "", "r1", "r3", "r4", "r5"}));
    EXPECT_EQ(Column(2), (QStringList{"h0", "", "", "h1", "h3", "h4", "h5"}));
    EXPECT_TRUE(Grid().Verify());
}

TEST_F(RowStructure, ColumnsInsertedAndRemovedAroundAHiddenOne) {
    for (int c = 0; c < 4; ++c) Grid().SetGridCells(c, 1, QString("c%1").arg(c));
    Grid().SetColWidths(3, 90);
    Grid().HideColumn(1);
    Grid().InsertCols(1, 1); // before c2, the hidden c1 stays before it
    Grid().SetGridCells(Grid().DisplToRealCol(1), 1, "new");
    EXPECT_EQ(Grid().ColWidths(3), 90);
    Grid().RemoveCols(0, 1);
    Grid().UnHideColumn(0);
    QStringList texts;
    for (int c = 0; c < Grid().ColCount(); ++c) texts << Grid().GetGridCells(c, 1);
    EXPECT_EQ(texts, (QStringList{"c1", "new", "c2", "c3"}));
    EXPECT_EQ(Grid().ColWidths(3), 90);
    EXPECT_TRUE(Grid().Verify());
}

TEST_F(RowStructure, MergeEqualCellsMergesEachRun) {
    const char* texts[] = {"A", "A", "B", "B", "B"};
    for (int r = 1; r < 6; ++r) Grid().SetGridCells(2, r, texts[r - 1]);
    Grid().MergeEqualCells(2, true);
    EXPECT_EQ(Grid().CellSpan(2, 1), (TGridCoord{0, 1}));
    EXPECT_EQ(Grid().CellSpan(2, 4), (TGridCoord{0, 2}));
    EXPECT_EQ(Grid().BaseCell(2, 5), (TGridCoord{2, 3}));
    // A column merged without AllRuns nests inside the runs of the column to its left.
    for (int r = 1; r < 6; ++r) Grid().SetGridCells(3, r, "x");
    Grid().MergeEqualCells(3, false);
    EXPECT_EQ(Grid().BaseCell(3, 2), (TGridCoord{3, 1}));
    EXPECT_EQ(Grid().BaseCell(3, 3), (TGridCoord{3, 3}));
    Grid().SplitColumnMerges(2);
    EXPECT_FALSE(Grid().IsMergedCell(2, 4));
    EXPECT_TRUE(Grid().Verify());
}

TEST_F(RowStructure, RemovingABlocksBaseRowLeavesNoCellReadingAbove) {
    Grid().MergeCells(1, 2, 1, 3);
    Grid().RemoveRows(2, 1);
    ASSERT_TRUE(Grid().Verify());
    EXPECT_NE(Grid().GetGridCells(1, 2), "r1");
    Grid().SetGridCells(1, 2, "typed");
    EXPECT_EQ(Grid().GetGridCells(1, 1), "r1");
    EXPECT_EQ(Grid().GetGridCells(1, 3), "typed"); // what is left of the block stays one cell
}

TEST_F(RowStructure, RowsInsertedInsideABlockJoinIt) {
    Grid().MergeCells(1, 1, 1, 3);
    Grid().InsertRows(2, 1);
    ASSERT_TRUE(Grid().Verify());
    EXPECT_EQ(Grid().CellSpan(1, 4), (TGridCoord{0, 3}));
    EXPECT_EQ(Grid().GetGridCells(1, 5), "r4");
    Grid().InsertRows(1, 1); // at the base: the block moves down whole
    EXPECT_EQ(Grid().BaseCell(1, 5), (TGridCoord{1, 2}));
    EXPECT_TRUE(Grid().Verify());
}

TEST_F(RowStructure, TheInsertKeyInsideABlockKeepsTheGridWhole) {
    Grid().Navigation.AllowInsertRow = true;
    Grid().Navigation.InsertPosition = TInsertPosition::pInsertAfter;
    Grid().MergeCells(2, 1, 1, 3);
    Grid().SetCol(1);
    Grid().SetCurrentRow(2);
    w_.Key(Qt::Key_Insert);
    EXPECT_EQ(Grid().RowCount(), 7);
    EXPECT_EQ(Grid().Row(), 3);
    EXPECT_EQ(Grid().GetGridCells(1, 3), "");
    EXPECT_TRUE(Grid().Verify());
}

TEST_F(RowStructure, MergingOutsideOrOverABlockNeverBreaksTheGrid) {
    Grid().MergeCells(3, 5, 3, 3); // runs past both edges: cut to the single cell, nothing merged
    EXPECT_FALSE(Grid().IsMergedCell(3, 5));
    EXPECT_TRUE(Grid().Verify());
    Grid().MergeCells(1, 1, 2, 2);
    Grid().MergeCells(2, 2, 2, 3); // overlaps the first: it is split
    EXPECT_TRUE(Grid().Verify());
    EXPECT_FALSE(Grid().IsMergedCell(1, 1));
    EXPECT_EQ(Grid().CellSpan(3, 4), (TGridCoord{1, 2}));
    Grid().SplitCells(3, 3);
    EXPECT_TRUE(Grid().Verify());
    for (int r = 1; r < 6; ++r)
        for (int c = 0; c < 4; ++c) EXPECT_FALSE(Grid().IsMergedCell(c, r));
}

TEST_F(RowStructure, TheChangedAreaOfARemovalLiesInsideTheGrid) {
    std::vector<TRect> changed;
    Grid().OnCellsChanged = [&](QObject*, TRect r) { changed.push_back(r); };
    Grid().RemoveRows(4, 2);
    Grid().RemoveCols(2, 2);
    ASSERT_EQ(changed.size(), 2u);
    EXPECT_EQ(changed[0], (TRect{0, 3, 3, 3}));
    EXPECT_EQ(changed[1], (TRect{1, 0, 1, 3}));
}

TEST_F(RowStructure, RemovedAndClearedCellsDestroyTheirOwnGraphicsOnceAndNoSharedOne) {
    int destroyed = 0;
    TCellGraphic shared;
    shared.CellType = TCellType::ctVirtCheckBox;
    for (int r = 1; r < 6; ++r) {
        Grid().SetCellGraphicObject(2, r, std::make_unique<TCountedGraphic>(destroyed));
        Grid().ShareCellGraphic(3, r, &shared);
    }
    Grid().InsertRows(2, 2);
    Grid().HideRows(4, 4);
    EXPECT_EQ(destroyed, 0);
    Grid().RemoveRows(1, 2); // one graphic row and one new row
    EXPECT_EQ(destroyed, 1);
    Grid().ClearRows(2, 1);
    EXPECT_EQ(destroyed, 2);
    Grid().UnHideRowsAll();
    Grid().ClearAll();
    EXPECT_EQ(destroyed, 5);
    EXPECT_EQ(shared.CellType, TCellType::ctVirtCheckBox); // still alive, still shown nowhere
    EXPECT_TRUE(Grid().Verify());
}

TEST_F(RowStructure, AutoDeleteRowClearsTheOnlyDataRowAndRemovesAnyOther) {
    std::vector<std::pair<int, int>> deleted; // row, row count when the event fired
    Grid().OnAutoDeleteRow = [&](QObject*, int row) { deleted.push_back({row, Grid().RowCount()}); };
    Grid().AutoDeleteRow(3);
    EXPECT_EQ(deleted.back(), (std::pair{3, 5}));
    Grid().SetRowCount(2);
    Grid().AutoDeleteRow(1);
    EXPECT_EQ(deleted.back(), (std::pair{1, 2}));
    EXPECT_EQ(Grid().GetGridCells(1, 1), "");
    Grid().FixedRowAlways = true;
    Grid().SetGridCells(1, 1, "kept?");
    Grid().AutoDeleteRow(1);
    EXPECT_EQ(deleted.back(), (std::pair{1, 1}));
}

TEST_F(RowStructure, AddRowStaysAboveAVisibleFooter) {
    Grid().FloatingFooter.Visible = true;
    Grid().SetGridCells(1, 5, "footer");
    Grid().AddRow();
    EXPECT_EQ(Grid().GetGridCells(1, 6), "footer");
    EXPECT_EQ(Grid().GetGridCells(1, 5), "");
}

// Rows keep their heights as rows come and go around them; new rows take the default height.
TEST_F(RowStructure, RowsKeepTheirHeightsAsRowsComeAndGo) {
    std::vector<int> heights;
    for (int r = 0; r < 6; ++r) {
        Grid().SetRowHeights(r, 30 + r);
        heights.push_back(30 + r);
    }
    const int fresh = Grid().DefaultRowHeight();
    auto check = [&](const char* step) {
        std::vector<int> now;
        for (int r = 0; r < Grid().RowCount(); ++r) now.push_back(Grid().RowHeights(r));
        EXPECT_EQ(now, heights) << step;
    };
    Grid().InsertRows(2, 2);
    heights.insert(heights.begin() + 2, 2, fresh);
    check("inserted in the middle");
    Grid().RemoveRows(1, 2);
    heights.erase(heights.begin() + 1, heights.begin() + 3);
    check("removed in the middle");
    Grid().AddRow();
    heights.push_back(fresh);
    check("added at the end");
    Grid().RemoveRows(Grid().RowCount() - 2, 2);
    heights.resize(heights.size() - 2);
    check("removed at the end");
    EXPECT_TRUE(Grid().Verify());
}

} // namespace
