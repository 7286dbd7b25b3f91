// Hidden rows and the filter: rows leave the grid with everything they hold and come back where
// they were, also around merged blocks, hidden columns, nodes, inserts and removals.
#include "PointerTestSupport.h"

namespace {

class HiddenRows : public testing::Test {
protected:
    HiddenRows() : w_(4, 8) {
        for (int r = 0; r < 8; ++r) Grid().SetGridCells(1, r, QString("r%1").arg(r));
    }
    TVevIvizudEvar& Grid() { return w_.Grid(); }
    QStringList Column(int col) { return ColumnTexts(Grid(), col); }
    TAdvancedGridWindow w_;
};

TEST_F(HiddenRows, HiddenColumnsCellsTravelWithAHiddenRow) {
    Grid().SetColCount(6);
    for (int r = 0; r < 8; ++r) {
        Grid().SetGridCells(4, r, QString("h4-%1").arg(r));
        Grid().SetGridCells(5, r, QString("h5-%1").arg(r));
    }
    Grid().HideColumn(4);
    Grid().HideColumn(5);
    ASSERT_EQ(Grid().ColCount(), 4);
    Grid().SetRowHeights(3, 33);
    Grid().HideRows(2, 3);
    EXPECT_EQ(Grid().GetGridCells(4, 2), "h4-4"); // the rows below moved up with their hidden cells
    Grid().UnHideRowsAll();
    Grid().UnHideColumn(4);
    Grid().UnHideColumn(5);
    for (int r = 0; r < 8; ++r) {
        EXPECT_EQ(Grid().GetGridCells(4, r), QString("h4-%1").arg(r));
        EXPECT_EQ(Grid().GetGridCells(5, r), QString("h5-%1").arg(r));
    }
    EXPECT_EQ(Grid().RowHeights(3), 33);
    EXPECT_TRUE(Grid().Verify());
}

// Hiding a row of a merged block, however it happens, never makes a cell read or write another
// block or the cell above; the block comes back whole.
enum class THideWay { MiddleRow, BaseRow, FilterOnMiddle };

class HiddenRowsInABlock : public HiddenRows, public testing::WithParamInterface<THideWay> {};

TEST_P(HiddenRowsInABlock, NeverReachTheCellAboveAndComeBackWhole) {
    for (int r = 2; r < 8; ++r) Grid().SetGridCells(1, r, "");
    Grid().SetGridCells(1, 0, "HEADER");
    Grid().SetGridCells(1, 1, "block");
    Grid().SetGridCells(1, 4, "after");
    Grid().SetGridCells(2, 2, "middle");
    Grid().MergeCells(1, 1, 1, 3);
    switch (GetParam()) {
    case THideWay::MiddleRow:
        Grid().HideRows(2, 2);
        break;
    case THideWay::BaseRow:
        Grid().HideRows(1, 1);
        break;
    case THideWay::FilterOnMiddle:
        Grid().Filter.push_back({2, "!middle", true, {}, {}, TFilterOperation::foNONE});
        Grid().SetFilterActive(true);
        break;
    }
    ASSERT_TRUE(Grid().Verify());
    for (int r = 1; r < Grid().RowCount(); ++r) {
        EXPECT_NE(Grid().GetGridCells(1, r), "HEADER") << r;
        Grid().SetGridCells(1, r, Grid().GetGridCells(1, r));
    }
    Grid().SetGridCells(1, 2, "typed");
    EXPECT_EQ(Grid().GetGridCells(1, 0), "HEADER");
    EXPECT_NE(Grid().GetGridCells(1, 3), "typed"); // "after" stays itself
    // The shown part of the block ends at its own last row, never below the grid.
    const TRect block = Grid().CellRectEx(1, 1);
    EXPECT_LE(block.Bottom, Grid().UnclippedCellRect(1, Grid().RowCount() - 1).Bottom);
    GetParam() == THideWay::FilterOnMiddle ? Grid().SetFilterActive(false) : Grid().UnHideRowsAll();
    ASSERT_TRUE(Grid().Verify());
    EXPECT_EQ(Grid().CellSpan(1, 3), (TGridCoord{0, 2}));
    EXPECT_EQ(Grid().GetGridCells(1, 0), "HEADER");
    EXPECT_EQ(Grid().GetGridCells(1, 4), "after");
    const QString base = Grid().GetGridCells(1, 1);
    EXPECT_EQ(Grid().GetGridCells(1, 3), base);
}

INSTANTIATE_TEST_SUITE_P(Ways, HiddenRowsInABlock,
                         testing::Values(THideWay::MiddleRow, THideWay::BaseRow, THideWay::FilterOnMiddle));

TEST_F(HiddenRows, ABlockWhoseLastRowsHideEndsAtTheLastRowShown) {
    Grid().MergeCells(1, 5, 2, 3);
    Grid().HideRows(6, 7);
    ASSERT_EQ(Grid().RowCount(), 6);
    EXPECT_EQ(Grid().CellSpan(1, 5), (TGridCoord{1, 0}));
    const std::vector<TCanvasOp> ops = RenderOps(Grid());
    EXPECT_EQ(TextOps(ops, "r5").size(), 1u);
    Grid().UnHideRowsAll();
    EXPECT_EQ(Grid().CellSpan(1, 7), (TGridCoord{1, 2}));
    EXPECT_TRUE(Grid().Verify());
}

TEST_F(HiddenRows, RowsShownAgainAfterAnInsertOrRemovalKeepTheirOrder) {
    Grid().HideRow(2);
    Grid().InsertRows(1, 1);
    Grid().SetGridCells(1, 1, "new");
    Grid().UnHideRowsAll();
    EXPECT_EQ(Column(1).mid(0, 5), (QStringList{"r0", "new", "r1", "r2", "r3"}));
    Grid().HideRow(4); // r3
    Grid().RemoveRows(1, 2);
    Grid().UnHideRowsAll();
    EXPECT_EQ(Column(1), (QStringList{"r0", "r2", "r3", "r4", "r5", "r6", "r7"}));
    EXPECT_TRUE(Grid().Verify());
}

// A row dragged with the mouse (goRowMoving) past a hidden row leaves it among its neighbours, and a
// contracted node dragged takes the rows it hides along.
TEST_F(HiddenRows, ARowDraggedPastHiddenRowsLeavesThemAmongTheirNeighbours) {
    Grid().SetOptions(Grid().Options() + goRowMoving);
    TPointer mouse(w_);
    auto drag = [&](int from, int to) {
        mouse.Hover(mouse.Centre(0, from));
        mouse.Press(mouse.Centre(0, from));
        mouse.Drag(mouse.Centre(0, (from + to) / 2));
        mouse.Drag(mouse.Centre(0, to));
        mouse.Release(mouse.Centre(0, to));
    };
    Grid().HideRow(3);
    drag(2, 6);
    EXPECT_EQ(Column(1), (QStringList{"r0", "r1", "r4", "r5", "r6", "r7", "r2"}));
    Grid().UnHideRowsAll();
    EXPECT_EQ(Column(1), (QStringList{"r0", "r1", "r3", "r4", "r5", "r6", "r7", "r2"}));
    Grid().AddNode(3, 3, 1); // r4, r5, r6
    Grid().ContractNode(3);
    drag(3, 1);
    Grid().UnHideRowsAll();
    EXPECT_EQ(Column(1), (QStringList{"r0", "r4", "r5", "r6", "r1", "r3", "r7", "r2"}));
    EXPECT_TRUE(Grid().Verify());
}

TEST_F(HiddenRows, TheInsertKeyUnderAFilterKeepsTheFilteredRowsInPlace) {
    Grid().SetOptions(Grid().Options() - goEditing);
    Grid().Navigation.AllowInsertRow = true;
    Grid().Filter.push_back({1, "!r3", true, {}, {}, TFilterOperation::foNONE});
    Grid().SetFilterActive(true);
    ASSERT_EQ(Grid().RowCount(), 7);
    Grid().SetCurrentRow(2); // r2; r3 is filtered out below it
    Grid().SetCol(1);
    w_.Key(Qt::Key_Insert);
    Grid().SetGridCells(1, 2, "new");
    Grid().SetFilterActive(false);
    EXPECT_EQ(Column(1), (QStringList{"r0", "r1", "new", "r2", "r3", "r4", "r5", "r6", "r7"}));
    EXPECT_TRUE(Grid().Verify());
}

TEST_F(HiddenRows, AControlInAHiddenRowHidesAndComesBackOnItsCell) {
    auto* control = new QLineEdit(Grid().viewport());
    Grid().GetCellProperties(1, 3)->Control = control;
    control->show();
    Grid().HideRows(3, 4);
    EXPECT_FALSE(control->isVisible());
    Grid().UnHideRows(3, 4);
    EXPECT_TRUE(control->isVisible());
    EXPECT_EQ(control->geometry(), ToQRect(Grid().CellRectEx(1, 3)));
}

// ---- The filter ----------------------------------------------------------------------------------

struct TCombination {
    TFilterOperation Operation;
    bool KeepsBoth, KeepsFirstOnly, KeepsSecondOnly, KeepsNeither;
};

class FilterCombination : public HiddenRows, public testing::WithParamInterface<TCombination> {};

// Column 2 matches "a" and column 3 matches "b" in the four combinations.
TEST_P(FilterCombination, CombinesTheSecondConditionWithTheFirst) {
    const TCombination c = GetParam();
    const char* second[] = {"b", "x", "b", "x"};
    const char* first[] = {"a", "a", "y", "y"};
    for (int i = 0; i < 4; ++i) {
        Grid().SetGridCells(2, i + 1, first[i]);
        Grid().SetGridCells(3, i + 1, second[i]);
    }
    Grid().Filter.push_back({2, "a", true, {}, {}, TFilterOperation::foNONE});
    Grid().Filter.push_back({3, "b", true, {}, {}, c.Operation});
    const bool expected[] = {c.KeepsBoth, c.KeepsFirstOnly, c.KeepsSecondOnly, c.KeepsNeither};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(Grid().MatchesFilter(i + 1), expected[i]) << i;
}

// A false first condition ends the test, whatever follows.
INSTANTIATE_TEST_SUITE_P(Operations, FilterCombination,
                         testing::Values(TCombination{TFilterOperation::foAND, true, false, false, false},
                                         TCombination{TFilterOperation::foXOR, false, true, false, false},
                                         TCombination{TFilterOperation::foOR, true, true, false, false},
                                         TCombination{TFilterOperation::foNONE, true, false, false, false}));

TEST_F(HiddenRows, PrefixAndSuffixAreRemovedBeforeMatching) {
    Grid().SetGridCells(2, 1, "R$ 10,00 un");
    Grid().SetGridCells(2, 2, "10,00");
    Grid().Filter.push_back({2, "10,00", true, "R$ ", " un", TFilterOperation::foNONE});
    EXPECT_TRUE(Grid().MatchesFilter(1));
    EXPECT_TRUE(Grid().MatchesFilter(2));
    Grid().Filter[0].Condition = "R$*";
    EXPECT_FALSE(Grid().MatchesFilter(1));
}

TEST_F(HiddenRows, ProgressIsRoundedAndEndsWithAHundred) {
    Grid().SetRowCount(4);
    std::vector<int> progress;
    Grid().OnFilterProgress = [&](QObject*, int p) { progress.push_back(p); };
    Grid().Filter.push_back({1, "*", true, {}, {}, TFilterOperation::foNONE});
    Grid().SetFilterActive(true);
    EXPECT_EQ(progress, (std::vector<int>{33, 67, 100, 100}));
}

TEST_F(HiddenRows, FilterOffShowsEveryRowAndGivesTheFixedRowsBack) {
    Grid().Filter.push_back({1, "nothing", true, {}, {}, TFilterOperation::foNONE});
    Grid().SetFilterActive(true);
    EXPECT_EQ(Grid().RowCount(), 1);
    EXPECT_EQ(Grid().FixedRows(), 0); // the heading is the only row left
    Grid().SetFilterActive(true);     // again while active: the fixed rows noted first are kept
    Grid().SetFilterActive(false);
    EXPECT_EQ(Grid().RowCount(), 8);
    EXPECT_EQ(Grid().FixedRows(), 1);
    EXPECT_EQ(Column(1).last(), "r7");
    EXPECT_TRUE(Grid().Verify());
}

TEST_F(HiddenRows, AFilterOverContractedNodesGivesEveryRowBackInPlace) {
    Grid().AddNode(1, 3); // r1 with r2, r3
    Grid().AddNode(4, 3); // r4 with r5, r6
    Grid().ContractNode(1);
    ASSERT_EQ(Column(1), (QStringList{"r0", "r1", "r4", "r5", "r6", "r7"}));
    Grid().Filter.push_back({1, "!r5", true, {}, {}, TFilterOperation::foNONE});
    Grid().SetFilterActive(true);
    ASSERT_EQ(Column(1), (QStringList{"r0", "r1", "r4", "r6", "r7"}));
    Grid().SetFilterActive(false);
    EXPECT_EQ(Column(1), (QStringList{"r0", "r1", "r2", "r3", "r4", "r5", "r6", "r7"}));
    EXPECT_FALSE(Grid().GetNodeState(1)); // every row shows: no node stays contracted
    EXPECT_TRUE(Grid().Verify());
}

// With persistent row marks a mark belongs to its row, wherever hiding and filtering move it, and
// marks made while rows are hidden land on the rows clicked.
TEST_F(HiddenRows, PersistentRowMarksStayWithTheirRows) {
    Grid().MouseActions.SetDisjunctRowSelect(true);
    Grid().MouseActions.RowSelectPersistent = true;
    TPointer mouse(w_);
    auto marked = [&] {
        QStringList texts;
        for (int r = 0; r < Grid().RowCount(); ++r)
            if (Grid().IsCellSelected(1, r)) texts << Grid().GetGridCells(1, r);
        return texts;
    };
    mouse.Click(mouse.Centre(1, 3), Qt::ControlModifier);
    mouse.Click(mouse.Centre(2, 6), Qt::ControlModifier);
    ASSERT_EQ(marked(), (QStringList{"r3", "r6"}));
    Grid().HideRows(1, 1); // before both marked rows
    Grid().HideRows(4, 5); // between them
    EXPECT_EQ(marked(), (QStringList{"r3", "r6"}));
    ASSERT_EQ(Grid().GetGridCells(1, 4), "r7");
    mouse.Click(mouse.Centre(1, 4), Qt::ControlModifier); // r7, while rows are hidden
    EXPECT_EQ(marked(), (QStringList{"r3", "r6", "r7"}));
    w_.Key(Qt::Key_Space); // and off again by the keyboard
    EXPECT_EQ(marked(), (QStringList{"r3", "r6"}));
    w_.Key(Qt::Key_Up, Qt::ShiftModifier); // r6 and r7 by the keyboard
    EXPECT_EQ(marked(), (QStringList{"r3", "r6", "r7"}));
    Grid().UnHideRowsAll();
    EXPECT_EQ(marked(), (QStringList{"r3", "r6", "r7"}));
    Grid().Filter.push_back({1, "!r2", true, {}, {}, TFilterOperation::foNONE});
    Grid().SetFilterActive(true);
    EXPECT_EQ(marked(), (QStringList{"r3", "r6", "r7"}));
    Grid().SetFilterActive(false);
    EXPECT_EQ(marked(), (QStringList{"r3", "r6", "r7"}));
    EXPECT_TRUE(Grid().Verify());
}

} // namespace
