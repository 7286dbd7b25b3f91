// Clicks on the sort row's headers of the advanced grid: sorting by the clicked column, reversing,
// undoing, building an index with Shift, the application's refusal, and the clicks that are not a
// sort click.
#include "PointerTestSupport.h"

namespace {

class SortClick : public testing::Test {
protected:
    SortClick() : w_(4, 6), mouse_(w_) {
        const QStringList first{"c", "a", "d", "b", "e"}, second{"2", "1", "1", "2", "1"};
        for (int r = 1; r < 6; ++r) {
            Grid().SetGridCells(1, r, first[r - 1]);
            Grid().SetGridCells(2, r, second[r - 1]);
        }
        Grid().SortSettings.SetShow(true);
        Grid().OnClickSort = [this](QObject*, int col) { sorted_.push_back(col); };
    }
    TVevIvizudEvar& Grid() { return w_.Grid(); }
    QPoint Centre(int col, int row) { return mouse_.Centre(col, row); }
    QString Column(int col) {
        QString texts;
        for (int r = 1; r < Grid().RowCount(); ++r) texts += Grid().GetGridCells(col, r);
        return texts;
    }

    TAdvancedGridWindow w_;
    TPointer mouse_;
    std::vector<int> sorted_;
};

TEST_F(SortClick, ClicksSortReverseAndWithUndoSortRestoreTheOrder) {
    Grid().SortSettings.UndoSort = true;
    mouse_.Click(Centre(1, 0));
    EXPECT_EQ(Column(1), "abcde");
    EXPECT_EQ(Column(2), "12211");
    mouse_.Click(Centre(1, 0));
    EXPECT_EQ(Column(1), "edcba");
    EXPECT_EQ(Grid().SortSettings.Direction, TSortDirection::sdDescending);
    mouse_.Click(Centre(1, 0));
    EXPECT_EQ(Column(1), "cadbe");
    EXPECT_EQ(Grid().SortSettings.Column, -1);
    mouse_.Click(Centre(1, 0));
    EXPECT_EQ(Column(1), "abcde");
    EXPECT_EQ(sorted_, (std::vector<int>{1, 1, -1, 1}));
    EXPECT_TRUE(Grid().hasFocus());
}

TEST_F(SortClick, WithoutUndoSortTheThirdClickSortsAgain) {
    mouse_.Click(Centre(1, 0));
    mouse_.Click(Centre(1, 0));
    mouse_.Click(Centre(1, 0));
    EXPECT_EQ(Column(1), "abcde");
    EXPECT_EQ(Grid().SortSettings.Column, 1);
}

TEST_F(SortClick, ShiftClicksBuildAnIndexWithIndexShow) {
    Grid().SortSettings.IndexShow = true;
    mouse_.Click(Centre(2, 0));
    EXPECT_EQ(Column(2), "11122");
    mouse_.Click(Centre(1, 0), Qt::ShiftModifier);
    ASSERT_EQ(Grid().SortIndexList.Count(), 2);
    EXPECT_EQ(Column(2) + " " + Column(1), "11122 adebc");
    mouse_.Click(Centre(1, 0), Qt::ShiftModifier);
    EXPECT_TRUE(TSortIndexList::IsDescending(Grid().SortIndexList.Item(1)));
    EXPECT_EQ(Column(2) + " " + Column(1), "11122 edacb");
    // A plain click makes the clicked column the only one.
    mouse_.Click(Centre(1, 0));
    EXPECT_EQ(Grid().SortIndexList.Count(), 1);
    EXPECT_EQ(Column(1), "abcde");
}

TEST_F(SortClick, TheApplicationMayRefuse) {
    std::vector<int> asked;
    Grid().OnCanSort = [&](QObject*, int col, bool& doSort) {
        asked.push_back(col);
        doSort = col != 1;
    };
    mouse_.Click(Centre(1, 0));
    EXPECT_EQ(Column(1), "cadbe");
    EXPECT_TRUE(sorted_.empty());
    mouse_.Click(Centre(2, 0));
    EXPECT_EQ(Column(2), "11122");
    EXPECT_EQ(asked, (std::vector<int>{1, 2}));
}

TEST_F(SortClick, ADragBetweenHeadersOrAClickOnABorderSortsNothing) {
    mouse_.Hover(Centre(1, 0));
    mouse_.Press(Centre(1, 0));
    mouse_.Drag(Centre(2, 0));
    mouse_.Release(Centre(2, 0));
    Grid().SetOptions(Grid().Options() + goColSizing);
    const TRect header = Grid().CellRect(1, 0);
    mouse_.Click(QPoint(header.Right - 2, header.Top + 5));
    mouse_.Click(Centre(1, 2));
    Grid().SortSettings.SetShow(false);
    mouse_.Click(Centre(1, 0));
    EXPECT_EQ(Column(1), "cadbe");
    EXPECT_TRUE(sorted_.empty());
}

} // namespace
