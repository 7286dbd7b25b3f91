// Columns: hiding and showing them, their widths kept in a file, stretching, resizing by mouse,
// and the incremental search typed into a sorted grid.
#include "GridTestSupport.h"
#include "grid/GridError.h"
#include "platform/os/IniFile.h"

#include <QFileInfo>
#include <QTemporaryDir>

namespace {

class Columns : public testing::Test {
protected:
    Columns() : w_(3, 5) {
        for (int c = 0; c < 3; ++c)
            for (int r = 0; r < 5; ++r) Grid().SetGridCells(c, r, QString("%1.%2").arg(c).arg(r));
    }
    TVevIvizudEvar& Grid() { return w_.Grid(); }
    TAdvancedGridWindow w_;
};

TEST_F(Columns, AHiddenColumnKeepsItsCellsAndWidthAndShowsAgainInPlace) {
    Grid().SetColCount(5);
    Grid().SetColWidths(1, 77);
    Grid().SetCol(3);
    Grid().HideColumn(1);
    EXPECT_EQ(Grid().ColCount(), 4);
    EXPECT_EQ(Grid().HiddenColCount(), 1);
    EXPECT_EQ(Grid().DisplToRealCol(1), 2);
    EXPECT_EQ(Grid().GetGridCells(Grid().DisplToRealCol(1), 2), "2.2");
    EXPECT_EQ(Grid().Col(), 2); // still on the same column
    EXPECT_EQ(TextOps(RenderOps(Grid()), "1.2").size(), 0u);
    Grid().HideColumn(1); // hidden already
    EXPECT_EQ(Grid().ColCount(), 4);
    Grid().UnHideColumn(1);
    EXPECT_EQ(Grid().ColCount(), 5);
    EXPECT_EQ(Grid().ColWidths(1), 77);
    EXPECT_EQ(Grid().Col(), 3);
    EXPECT_EQ(TextOps(RenderOps(Grid()), "1.2").size(), 1u);
    EXPECT_TRUE(Grid().Verify());
}

TEST_F(Columns, ABlockRightOfAHiddenColumnPaintsWhereItShows) {
    Grid().SetColCount(5);
    Grid().SetGridCells(3, 1, "block");
    Grid().MergeCells(3, 1, 2, 2);
    Grid().MergeCells(1, 3, 2, 1);
    Grid().HideColumn(1);
    EXPECT_FALSE(Grid().IsMergedCell(2, 3)); // a block across the hidden column is split
    const TRect expected = UnionRect(Grid().CellRect(2, 1), Grid().CellRect(3, 2));
    EXPECT_EQ(Grid().CellRectEx(3, 2), expected);
    const std::vector<TCanvasOp> texts = TextOps(RenderOps(Grid()), "block");
    ASSERT_EQ(texts.size(), 1u);
    Grid().MergeCells(0, 2, 3, 1); // would take in the hidden column: not merged
    EXPECT_FALSE(Grid().IsMergedCell(0, 2));
    EXPECT_TRUE(Grid().Verify());
}

// Cells are changed by their real columns; the repaint must reach them where they show, and a
// cell of a hidden column repaints nothing.
TEST_F(Columns, ACellChangedRightOfAHiddenColumnRepaintsWhereItShows) {
    Grid().SetColCount(6);
    Grid().HideColumn(1);
    QApplication::processEvents();
    auto repainted = [&](auto change) {
        TPaintRegions regions(Grid().viewport());
        change();
        QApplication::processEvents();
        return regions.painted;
    };
    auto covers = [](const QRegion& painted, const TRect& r) {
        return !r.IsEmpty() && (QRegion(ToQRect(r)) - painted).isEmpty();
    };
    // Real columns 3-4 show as 2-3.
    EXPECT_TRUE(covers(repainted([&] { Grid().MergeCells(3, 1, 2, 2); }), Grid().CellRectEx(2, 1)));
    const TRect block = Grid().CellRectEx(2, 1);
    EXPECT_TRUE(covers(repainted([&] { Grid().SetGridCells(4, 2, "member"); }), block));
    EXPECT_TRUE(covers(repainted([&] { Grid().SetGridCells(5, 3, "plain"); }), Grid().CellRect(4, 3)));
    EXPECT_TRUE(covers(repainted([&] { Grid().GetCellProperties(5, 4)->SetBrushColor(clRed); }),
                       Grid().CellRect(4, 4)));
    EXPECT_TRUE(covers(repainted([&] { Grid().SplitCells(4, 2); }), block));
    const QRegion hidden = repainted([&] {
        Grid().GetCellProperties(1, 3)->SetBrushColor(clRed);
        Grid().SetGridCells(1, 3, "hidden");
    });
    EXPECT_TRUE(hidden.isEmpty());
    EXPECT_TRUE(Grid().Verify());
}

TEST_F(Columns, HidingAndShowingOutsideTheGridIsAnError) {
    EXPECT_THROW(Grid().HideColumn(3), EVozAvozError);
    EXPECT_THROW(Grid().HideColumn(-1), EVozAvozError);
    EXPECT_THROW(Grid().UnHideColumn(7), EVozAvozError);
    Grid().HideColumn(0);
    Grid().HideColumn(1);
    Grid().HideColumn(2); // the last column that shows stays
    EXPECT_EQ(Grid().ColCount(), 1);
    EXPECT_EQ(Grid().DisplToRealCol(0), 2);
    Grid().SetColCount(3); // new columns come after every real column
    EXPECT_EQ(Grid().DisplToRealCol(1), 3);
    Grid().HideColumn(4);
    Grid().SetColCount(1); // the hidden column at the end goes with the dropped real column 3
    EXPECT_EQ(Grid().AllColCount(), 3);
    EXPECT_EQ(Grid().HiddenColCount(), 2);
    EXPECT_TRUE(Grid().Verify());
}

TEST_F(Columns, MovingAColumnMovesItsRealCellsPastAHiddenOne) {
    Grid().SetColCount(4);
    Grid().HideColumn(1);
    Grid().SetOptions(Grid().Options() + goColMoving);
    const TRect from = Grid().CellRect(1, 0), to = Grid().CellRect(2, 0); // real 2 onto real 3
    w_.Press(QPoint(from.Left + 5, 5));
    w_.MoveTo(QPoint(to.Left + 5, 5));
    w_.Release(QPoint(to.Left + 5, 5));
    EXPECT_EQ(Grid().GetGridCells(Grid().DisplToRealCol(2), 1), "2.1");
    Grid().UnHideColumn(1);
    EXPECT_EQ(Grid().GetGridCells(1, 1), "1.1");
    EXPECT_TRUE(Grid().Verify());
}

TEST_F(Columns, WidthsKeptInAnIniFileAreColNumbersAndNeedAKeyAndASection) {
    QTemporaryDir dir;
    const QString file = dir.filePath("sizes.ini");
    Grid().ColumnSize.Location = TColumnSizeLocation::clIniFile;
    for (auto [key, section] : {std::pair<QString, QString>{file, ""}, {"", "Grid"}}) {
        Grid().ColumnSize.Key = key;
        Grid().ColumnSize.Section = section;
        Grid().SaveColumnSizes();
        EXPECT_FALSE(QFileInfo::exists(file));
    }
    Grid().ColumnSize.Key = file;
    Grid().SetColWidths(1, 62);
    Grid().SaveColumnSizes();
    EXPECT_EQ(TIniFile(file.toStdString()).ReadSection("Grid"),
              (std::vector<std::string>{"Col0", "Col1", "Col2"}));
    Grid().SetColWidths(1, 10);
    Grid().LoadColumnSizes();
    EXPECT_EQ(Grid().ColWidths(1), 62);
}

struct TStretch {
    int Columns, Col, OtherWidth, Expected; // Expected -1: the client width; -2: the default width
};

class Stretching : public testing::TestWithParam<TStretch> {};

TEST_P(Stretching, GivesTheColumnTheRoomLeft) {
    const TStretch s = GetParam();
    TAdvancedGridWindow w(s.Columns, 3);
    TVevIvizudEvar& g = w.Grid();
    g.ColumnSize.Stretch = true;
    for (int c = 0; c < s.Columns; ++c) g.SetColWidths(c, s.OtherWidth);
    g.StretchColumn(s.Col);
    const int col = s.Col < 0 ? s.Columns - 1 : s.Col;
    const int expected = s.Expected == -1   ? g.ClientWidth()
                         : s.Expected == -2 ? g.DefaultColWidth()
                                            : g.ClientWidth() - (s.Columns - 1) * s.OtherWidth - 1;
    EXPECT_EQ(g.ColWidths(col), expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, Stretching,
                         testing::Values(TStretch{1, 0, 50, -1}, TStretch{3, -1, 50, 0},
                                         TStretch{3, 1, 50, 0}, TStretch{3, 2, 300, -2}));

TEST_F(Columns, ResizingOneColumnByMouseScalesTheOthers) {
    Grid().SetColCount(4);
    Grid().SetOptions(Grid().Options() + goColSizing);
    Grid().MouseActions.AllColumnSize = true;
    Grid().SetColWidths(2, 41);
    Grid().SetColWidths(3, 50);
    std::vector<int> ended;
    Grid().OnEndColumnSize = [&](QObject*, int col) { ended.push_back(col); };
    const int before = Grid().ColWidths(1);
    const TRect header = Grid().CellRect(1, 0);
    const QPoint border(header.Right, (header.Top + header.Bottom) / 2);
    w_.Press(border);
    w_.MoveTo(border + QPoint(before / 2, 0));
    w_.Release(border + QPoint(before / 2, 0));
    const double factor = double(Grid().ColWidths(1)) / before;
    EXPECT_NEAR(factor, 1.5, 0.05);
    EXPECT_EQ(Grid().ColWidths(2), int(std::lround(41 * factor)));
    EXPECT_EQ(Grid().ColWidths(3), int(std::lround(50 * factor)));
    EXPECT_EQ(Grid().ColWidths(0), Grid().DefaultColWidth()); // fixed
    EXPECT_EQ(ended, std::vector<int>{1});
    Grid().SetColWidths(3, 20); // not by mouse: nothing else moves
    EXPECT_EQ(Grid().ColWidths(2), int(std::lround(41 * factor)));
    EXPECT_EQ(ended.size(), 1u);
}

TEST_F(Columns, IncrementalSearchFindsTheFirstRowStartingWithTheTypedText) {
    const char* names[] = {"", "zeta", "abc", "AB", "abd"};
    for (int r = 1; r < 5; ++r) Grid().SetGridCells(1, r, names[r]);
    Grid().Navigation.AutoGotoWhenSorted = true;
    Grid().Navigation.AutoGotoIncremental = true;
    w_.Type("a");
    EXPECT_EQ(Grid().Row(), 2);
    w_.Type("b");
    EXPECT_EQ(Grid().Row(), 2); // "abc" comes before "AB"
    w_.Type("d");
    EXPECT_EQ(Grid().Row(), 4);
    w_.Key(Qt::Key_Backspace);
    Grid().SetCurrentRow(1);
    w_.Type("c");
    EXPECT_EQ(Grid().Row(), 2); // "abc" again: Backspace had taken the "d" off
}

} // namespace
