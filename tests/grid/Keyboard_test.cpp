// Keys of the advanced grid: the Tab walk, fixed cells skipped, advancing after Enter, rows
// inserted and deleted, Home and End by rows.
#include "GridTestSupport.h"

namespace {

class Keyboard : public testing::Test {
protected:
    Keyboard() : w_(4, 4) {}
    TVevIvizudEvar& Grid() { return w_.Grid(); }
    TGridCoord Current() { return {Grid().Col(), Grid().Row()}; }
    TAdvancedGridWindow w_;
};

// One key from one cell of the 4 x 4 grid (a fixed row and column): Tab walks with goTabs,
// Enter advances with AdvanceOnEnter, each in its direction, wrapping at the end in the grid.
struct TWalkCase {
    const char* what;
    bool advanceOnEnter;
    TAdvanceDirection direction;
    TGridCoord from;
    Qt::Key key;
    TGridCoord to;
};

class KeyWalk : public Keyboard, public testing::WithParamInterface<TWalkCase> {};

TEST_P(KeyWalk, LandsOnTheNextCellAndKeepsTheFocus) {
    const TWalkCase& c = GetParam();
    Grid().SetOptions(Grid().Options() + goTabs);
    Grid().Navigation.AdvanceOnEnter = c.advanceOnEnter;
    Grid().Navigation.AdvanceDirection = c.direction;
    Grid().Navigation.TabAdvanceDirection = c.direction;
    Grid().SetCol(c.from.X);
    Grid().SetRow(c.from.Y);
    w_.Key(c.key, c.key == Qt::Key_Backtab ? Qt::ShiftModifier : Qt::NoModifier);
    EXPECT_EQ(Current(), c.to);
    EXPECT_TRUE(Grid().hasFocus());
}

constexpr auto LeftRight = TAdvanceDirection::adLeftRight, TopBottom = TAdvanceDirection::adTopBottom;

INSTANTIATE_TEST_SUITE_P(
    Walks, KeyWalk,
    testing::Values(TWalkCase{"tab", false, LeftRight, {1, 1}, Qt::Key_Tab, {2, 1}},
                    TWalkCase{"tab to the next row", false, LeftRight, {3, 1}, Qt::Key_Tab, {1, 2}},
                    TWalkCase{"tab wraps", false, LeftRight, {3, 3}, Qt::Key_Tab, {1, 1}},
                    TWalkCase{"backtab wraps", false, LeftRight, {1, 1}, Qt::Key_Backtab, {3, 3}},
                    TWalkCase{"tab down the columns", false, TopBottom, {1, 3}, Qt::Key_Tab, {2, 1}},
                    TWalkCase{"enter stays", false, LeftRight, {1, 1}, Qt::Key_Return, {1, 1}},
                    TWalkCase{"advance", true, LeftRight, {1, 1}, Qt::Key_Return, {2, 1}},
                    TWalkCase{"advance to the next row", true, LeftRight, {3, 1}, Qt::Key_Return, {1, 2}},
                    TWalkCase{"advance wraps", true, LeftRight, {3, 3}, Qt::Key_Return, {1, 1}},
                    TWalkCase{"advance down", true, TopBottom, {1, 1}, Qt::Key_Return, {1, 2}},
                    TWalkCase{
                        "advance to the next column", true, TopBottom, {1, 3}, Qt::Key_Return, {2, 1}}));

TEST_F(Keyboard, TabPastTheLastCellMovesTheFocusOnWithTabToNextAtEnd) {
    Grid().SetOptions(Grid().Options() + goTabs);
    Grid().Navigation.TabToNextAtEnd = true;
    Grid().SetCol(3);
    Grid().SetRow(3);
    w_.Key(Qt::Key_Tab);
    EXPECT_EQ(Current(), (TGridCoord{1, 1}));
    EXPECT_TRUE(w_.Other().hasFocus());
}

TEST_F(Keyboard, TabFromTheEditorWalksOnAndTabSkipsAMergedBlock) {
    Grid().SetOptions(Grid().Options() + goTabs + goEditing);
    Grid().MergeCells(2, 2, 2, 1);
    Grid().SetRow(2);
    w_.Type("a");
    ASSERT_TRUE(w_.EditorShown());
    w_.Key(Qt::Key_Tab);
    EXPECT_EQ(Current(), (TGridCoord{2, 2}));
    EXPECT_EQ(Grid().GetGridCells(1, 2), "a");
    w_.Key(Qt::Key_Tab);
    EXPECT_EQ(Current(), (TGridCoord{1, 3}));
}

TEST_F(Keyboard, ArrowsSkipAColumnMarkedFixed) {
    Grid().SetColCount(5);
    Grid().OnIsFixedCell = [](QObject*, int, int col, bool& fixed) { fixed = col == 2; };
    w_.Key(Qt::Key_Right);
    EXPECT_EQ(Grid().Col(), 3);
    w_.Key(Qt::Key_Left);
    EXPECT_EQ(Grid().Col(), 1);
    Grid().OnIsFixedCell = [](QObject*, int, int col, bool& fixed) { fixed = col == 1; };
    Grid().SetCol(2);
    w_.Key(Qt::Key_Left); // every cell to the left is fixed: the key is used up
    EXPECT_EQ(Grid().Col(), 2);
    Grid().Navigation.SkipFixedCells = false;
    Grid().OnIsFixedCell = nullptr;
    w_.Key(Qt::Key_Left);
    EXPECT_EQ(Grid().Col(), 1);
}

TEST_F(Keyboard, AdvanceInsertAddsARowAtTheEnd) {
    Grid().Navigation.AdvanceOnEnter = true;
    Grid().Navigation.AdvanceInsert = true;
    std::vector<int> added;
    Grid().OnAutoAddRow = [&](QObject*, int row) { added.push_back(row); };
    bool canAdd = true;
    Grid().OnCanAddRow = [&](QObject*, bool& can) { can = canAdd; };
    Grid().SetCol(3);
    Grid().SetRow(3);
    w_.Key(Qt::Key_Return);
    EXPECT_EQ(Grid().RowCount(), 5);
    EXPECT_EQ(Current(), (TGridCoord{1, 4}));
    EXPECT_EQ(added, std::vector<int>{4});
    canAdd = false;
    Grid().SetCol(3);
    w_.Key(Qt::Key_Return);
    EXPECT_EQ(Grid().RowCount(), 5);
    EXPECT_EQ(Current(), (TGridCoord{1, 4}));
}

TEST_F(Keyboard, AdvanceSkipsAReadOnlyCellAndNeverEntersTheFooter) {
    Grid().SetOptions(Grid().Options() + goEditing);
    Grid().Navigation.AdvanceOnEnter = true;
    Grid().GetCellProperties(2, 1)->ReadOnly = true;
    w_.Key(Qt::Key_Return);
    EXPECT_EQ(Current(), (TGridCoord{3, 1}));
    Grid().SetFixedFooters(1);
    Grid().SetCol(3);
    Grid().SetRow(2);
    w_.Key(Qt::Key_Return);
    EXPECT_EQ(Current(), (TGridCoord{1, 1}));
}

TEST_F(Keyboard, EnterInTheEditorAdvancesAndKeepsEditing) {
    Grid().SetOptions(Grid().Options() + goEditing);
    Grid().Navigation.AdvanceOnEnter = true;
    w_.Type("x");
    w_.Key(Qt::Key_Return);
    EXPECT_EQ(Grid().GetGridCells(1, 1), "x");
    EXPECT_EQ(Current(), (TGridCoord{2, 1}));
}

TEST_F(Keyboard, InsertAndDeleteRows) {
    Grid().Navigation.AllowInsertRow = true;
    Grid().Navigation.AllowDeleteRow = true;
    for (int r = 1; r < 4; ++r) Grid().SetGridCells(1, r, QString::number(r));
    std::vector<int> inserted, deleted;
    Grid().OnAutoInsertRow = [&](QObject*, int row) { inserted.push_back(row); };
    Grid().OnAutoDeleteRow = [&](QObject*, int row) { deleted.push_back(row); };
    Grid().SetRow(2);
    w_.Key(Qt::Key_Insert);
    EXPECT_EQ(Grid().RowCount(), 5);
    EXPECT_EQ(Grid().GetGridCells(1, 2), "");
    EXPECT_EQ(Grid().GetGridCells(1, 3), "2");
    EXPECT_EQ(inserted, std::vector<int>{2});
    w_.Key(Qt::Key_Delete);
    EXPECT_EQ(Grid().RowCount(), 4);
    EXPECT_EQ(Grid().GetGridCells(1, 2), "2");
    EXPECT_EQ(deleted, std::vector<int>{2});
    Grid().SetRowCount(2); // one data row left: Delete clears it
    Grid().SetRow(1);
    w_.Key(Qt::Key_Delete);
    EXPECT_EQ(Grid().RowCount(), 2);
    EXPECT_EQ(Grid().GetGridCells(1, 1), "");
}

TEST_F(Keyboard, HomeAndEndByRows) {
    Grid().Navigation.HomeEndKey = THomeEndAction::heFirstLastRow;
    Grid().SetFixedFooters(1);
    int keys = 0;
    Grid().OnKeyDown = [&](QObject*, int& key, TShiftState) { keys += key == VK_END || key == VK_HOME; };
    w_.Key(Qt::Key_End);
    EXPECT_EQ(Grid().Row(), 2);
    w_.Key(Qt::Key_Home);
    EXPECT_EQ(Grid().Row(), 1);
    EXPECT_EQ(keys, 2);
}

TEST_F(Keyboard, SpaceOnACheckBoxNeedsEditing) {
    int clicks = 0;
    Grid().OnCheckBoxClick = [&](QObject*, int, int, bool) { ++clicks; };
    auto graphic = std::make_unique<TCellGraphic>();
    graphic->CellType = TCellType::ctCheckBox;
    Grid().SetCellGraphicObject(1, 1, std::move(graphic));
    w_.Key(Qt::Key_Space);
    EXPECT_EQ(clicks, 0);
    Grid().SetOptions(Grid().Options() + goEditing);
    w_.Key(Qt::Key_Space);
    EXPECT_EQ(clicks, 1);
    EXPECT_FALSE(w_.EditorShown()); // no editor opens on a check box
}

// Keys over a merged block while a column hides: the block is merged by real columns and the keys
// walk the columns that show, so a block right of a hidden column (or one inside a hidden column)
// must be met where it shows. The grid has 8 x 7 cells with a fixed row and column.
struct TBlockKeyCase {
    const char* what;
    int blockCol, blockRow, blockCols, blockRows; // real columns
    int hiddenCol;                                // real column hidden after merging
    TGridCoord from;                              // shown columns from here on
    Qt::Key key;
    TGridCoord to;
};

void PrintTo(const TBlockKeyCase& c, std::ostream* os) {
    *os << c.what;
}

class BlockKeys : public testing::TestWithParam<TBlockKeyCase> {
protected:
    BlockKeys() : w_(8, 7, QSize(600, 300)) {}
    TAdvancedGridWindow w_;
};

TEST_P(BlockKeys, MeetTheBlockWhereItShows) {
    const TBlockKeyCase& c = GetParam();
    TVevIvizudEvar& grid = w_.Grid();
    grid.SetOptions(grid.Options() + goTabs);
    grid.MergeCells(c.blockCol, c.blockRow, c.blockCols, c.blockRows);
    grid.HideColumn(c.hiddenCol);
    ASSERT_EQ(grid.ColCount(), 7);
    grid.SetCol(c.from.X);
    grid.SetRow(c.from.Y); // a click may leave a member current
    w_.Key(c.key, c.key == Qt::Key_Backtab ? Qt::ShiftModifier : Qt::NoModifier);
    EXPECT_EQ((TGridCoord{grid.Col(), grid.Row()}), c.to);
    EXPECT_TRUE(grid.Verify());
}

// The block of real columns 4-5, rows 2-3 shows in columns 3-4 while column 2 hides.
INSTANTIATE_TEST_SUITE_P(
    HiddenColumns, BlockKeys,
    testing::Values(
        TBlockKeyCase{"right onto the block", 4, 2, 2, 2, 2, {2, 2}, Qt::Key_Right, {3, 2}},
        TBlockKeyCase{"right over the block", 4, 2, 2, 2, 2, {3, 2}, Qt::Key_Right, {5, 2}},
        TBlockKeyCase{"right from a member", 4, 2, 2, 2, 2, {4, 3}, Qt::Key_Right, {5, 3}},
        TBlockKeyCase{"left from a member", 4, 2, 2, 2, 2, {4, 3}, Qt::Key_Left, {2, 3}},
        TBlockKeyCase{"left onto the block", 4, 2, 2, 2, 2, {5, 3}, Qt::Key_Left, {3, 2}},
        TBlockKeyCase{"up from a member", 4, 2, 2, 2, 2, {4, 3}, Qt::Key_Up, {4, 1}},
        TBlockKeyCase{"down over the block", 4, 2, 2, 2, 2, {3, 2}, Qt::Key_Down, {3, 4}},
        TBlockKeyCase{"tab onto the block", 4, 2, 2, 2, 2, {2, 2}, Qt::Key_Tab, {3, 2}},
        TBlockKeyCase{"tab over the block", 4, 2, 2, 2, 2, {3, 2}, Qt::Key_Tab, {5, 2}},
        TBlockKeyCase{"tab from a member", 4, 2, 2, 2, 2, {4, 3}, Qt::Key_Tab, {5, 3}},
        TBlockKeyCase{"backtab onto the block", 4, 2, 2, 2, 2, {5, 3}, Qt::Key_Backtab, {3, 2}},
        // Shift, pressed first, makes the block's base current.
        TBlockKeyCase{"backtab from a member", 4, 2, 2, 2, 2, {4, 3}, Qt::Key_Backtab, {2, 2}},
        TBlockKeyCase{"end onto a block at the last columns", 6, 2, 2, 1, 2, {1, 2}, Qt::Key_End, {5, 2}},
        // A block of rows inside the hidden column 2 is nothing to the column shown in its place.
        TBlockKeyCase{"down beside a hidden block", 2, 2, 1, 3, 2, {2, 2}, Qt::Key_Down, {2, 3}},
        TBlockKeyCase{"right beside a hidden block", 2, 2, 1, 3, 2, {1, 3}, Qt::Key_Right, {2, 3}},
        TBlockKeyCase{"tab beside a hidden block", 2, 2, 1, 3, 2, {1, 3}, Qt::Key_Tab, {2, 3}}));

} // namespace
