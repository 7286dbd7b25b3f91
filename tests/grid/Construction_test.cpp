// A new advanced grid: its consistency, options that imply others, settings objects and small lists.
#include "GridTestSupport.h"
#include "grid/GridLists.h"

namespace {

TEST(Construction, ANewGridIsConsistent) {
    TVevIvizudEvar grid;
    EXPECT_TRUE(grid.Verify());
}

TEST(Construction, AlwaysShowEditorBecomesAlwaysEdit) {
    TVevIvizudEvar grid;
    grid.SetOptions(grid.Options() + goEditing + goAlwaysShowEditor);
    EXPECT_FALSE(grid.Options().Contains(goAlwaysShowEditor));
    EXPECT_TRUE(grid.Options().Contains(goEditing));
    EXPECT_TRUE(grid.Navigation.AlwaysEdit);
}

TEST(Construction, IntegralHeightCutsToWholeRows) {
    QWidget window;
    TVevIvizudEvar grid(&window);
    grid.SetColCount(2);
    grid.SetRowCount(30);
    grid.SetIntegralHeight(true);
    grid.SetBounds(0, 0, 300, 200);
    EXPECT_EQ(grid.height(), 193); // 196 - 196 mod 21 + 2 x 2
}

TEST(Construction, ColumnHeadersWithAnEscapedLineBreakShowTwoLines) {
    TVevIvizudEvar grid;
    grid.SetColCount(3);
    grid.SetColumnHeaders({"Pos", "Ramal\\nnúmero"});
    EXPECT_EQ(grid.GetGridCells(1, 0), "Ramal\rnúmero");
    EXPECT_EQ(grid.GetGridCells(0, 0), "Pos");
}

TEST(GridLists, IntListNotifiesEveryChangeAndNoRead) {
    TIntList list(4, 5);
    int changes = 0;
    list.OnChange = [&](TIntList&, int a, int b) {
        EXPECT_EQ(a, 4);
        EXPECT_EQ(b, 5);
        ++changes;
    };
    list.Add(1);
    list.Insert(0, 2);
    list.SetItem(1, 3);
    list.Delete(0);
    EXPECT_EQ(changes, 4);
    EXPECT_EQ(list.Item(0), 3);
    EXPECT_EQ(list.Text(), "3");
    EXPECT_EQ(changes, 4);
    list.SetText("7,8,9");
    EXPECT_EQ(list.Count(), 3);
    EXPECT_EQ(list.Text(), "7,8,9");
}

TEST(GridLists, SortIndexListFindsAndTogglesAColumn) {
    TSortIndexList list;
    list.Add(5, true);
    list.Add(3, false);
    EXPECT_EQ(list.FindIndex(3), 1);
    EXPECT_TRUE(TSortIndexList::IsDescending(list.Item(1)));
    list.Toggle(3);
    EXPECT_FALSE(TSortIndexList::IsDescending(list.Item(1)));
    EXPECT_EQ(TSortIndexList::ColumnOf(list.Item(1)), 3);
    EXPECT_EQ(list.FindIndex(9), -1);
}

TEST(GridLists, ControlListFindsAControlsWindow) {
    QWidget a, b;
    TControlList list;
    list.Add(1, 2, &a);
    EXPECT_TRUE(list.HasWindow(&a));
    EXPECT_FALSE(list.HasWindow(&b));
}

TEST(Settings, DisjunctSelectionsExcludeEachOther) {
    TMouseActions actions;
    actions.SetDisjunctRowSelect(true);
    actions.SetDisjunctCellSelect(true);
    EXPECT_FALSE(actions.DisjunctRowSelect());
    EXPECT_TRUE(actions.DisjunctCellSelect());
}

TEST(Settings, NodeSettersRepaintOnlyOnChange) {
    TCellNode node;
    int repaints = 0;
    node.OnChange = [&] { ++repaints; };
    node.SetNodeIndent(12);
    node.SetNodeIndent(14);
    node.SetShowTree(false);
    EXPECT_EQ(repaints, 2);
}

} // namespace
