// A new advanced grid: its defaults, settings objects and small lists.
#include "GridTestSupport.h"
#include "grid/GridLists.h"

namespace {

TEST(Construction, DefaultsOfANewGrid) {
    TVevIvizudEvar grid;
    EXPECT_EQ(grid.Look(), TGridLook::glXP);
    EXPECT_EQ(grid.FloatFormat, "%.2f");
    EXPECT_EQ(grid.DefaultRowHeight(), 21);
    EXPECT_EQ(grid.FixedRowHeight(), 21);
    EXPECT_EQ(grid.ActiveCellColor, clGray);
    EXPECT_FALSE(grid.ActiveCellShow);
    EXPECT_EQ(grid.SelectionColor(), TColor(0xEACAB6));
    EXPECT_EQ(grid.SelectionTextColor(), clBlack);
    EXPECT_EQ(grid.URLColor, TColor(0xFF0000));
    EXPECT_EQ(grid.HintColor, clInfoBk);
    EXPECT_EQ(grid.FixedFont().Name(), "Tahoma");
    EXPECT_TRUE(grid.FixedFont().Style().Contains(TFontStyle::fsBold));
    EXPECT_TRUE(grid.ActiveCellFont().Style().Contains(TFontStyle::fsBold));
    EXPECT_TRUE(grid.WordWrap());
    EXPECT_TRUE(grid.EnableHTML);
    EXPECT_TRUE(grid.ShowSelection());
    EXPECT_TRUE(grid.EnhRowColMove);
    EXPECT_FALSE(grid.HideFocusRect);
    EXPECT_EQ(grid.VAlignment(), TVAlignment::vtaTop);
    EXPECT_EQ(grid.CheckTrue, "Y");
    EXPECT_EQ(grid.CheckFalse, "N");
    EXPECT_EQ(grid.PasswordChar, u'*');
    EXPECT_EQ(grid.ScrollColor, clNone);
    EXPECT_GT(grid.ScrollWidth, 0);
    EXPECT_EQ(grid.GridLineWidth(), 1);
    EXPECT_EQ(grid.GridLineColor(), clSilver);
    EXPECT_FALSE(grid.DefaultDrawing());
    EXPECT_TRUE(grid.Options().Contains(goDrawFocusSelected));
    EXPECT_EQ(grid.DefaultListIndex, -1);
    EXPECT_TRUE(grid.Verify());
}

TEST(Construction, DefaultsOfTheSettingsObjects) {
    TVevIvizudEvar grid;
    const TNavigation& n = grid.Navigation;
    EXPECT_TRUE(n.AllowClipboardColGrow && n.AllowClipboardRowGrow && n.CopyHTMLTagsToClipboard &&
                n.EditSelectAll && n.SkipFixedCells && n.AllowCtrlEnter);
    EXPECT_FALSE(n.AdvanceOnEnter || n.AlwaysEdit || n.AllowInsertRow || n.TabToNextAtEnd ||
                 n.LineFeedOnEnter);
    EXPECT_EQ(n.AdvanceDirection, TAdvanceDirection::adLeftRight);
    EXPECT_EQ(n.HomeEndKey, THomeEndAction::heFirstLastColumn);
    EXPECT_EQ(grid.CellNode.NodeType(), TNodeType::cnXP);
    EXPECT_EQ(grid.CellNode.NodeIndent(), 12);
    EXPECT_TRUE(grid.CellNode.ShowTree());
    EXPECT_EQ(grid.CellNode.TreeColor(), clSilver);
    EXPECT_EQ(grid.ColumnSize.StretchColumn, -1);
    EXPECT_EQ(grid.ColumnSize.Location, TColumnSizeLocation::clRegistry);
    EXPECT_EQ(grid.HTMLSettings.Width, 100);
    EXPECT_EQ(grid.PrintSettings.PageNumSep, "/");
    EXPECT_EQ(grid.PrintSettings.DateFormat, "dd/mm/yyyy");
    EXPECT_TRUE(grid.PrintSettings.Centered && grid.PrintSettings.UseDisplayFont);
    EXPECT_TRUE(grid.DragDropSettings.OleAcceptText && grid.DragDropSettings.OleAcceptFiles);
    EXPECT_EQ(grid.ControlLook.CheckSize, 15);
    EXPECT_EQ(grid.Bands.PrimaryColor(), clInfoBk);
    EXPECT_EQ(grid.Bands.Period(), 2);
    EXPECT_EQ(grid.Grouping.HeaderColor, clNone);
    EXPECT_EQ(grid.SortSettings.IndexColor, clYellow);
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
