// The columns of the advanced grid merged by equal contents: each change of MergedColumns merges
// them again from scratch, and a header sort merges them again after sorting.
#include "PointerTestSupport.h"

namespace {

class ColumnMerging : public testing::Test {
protected:
    ColumnMerging() : w_(5, 6), mouse_(w_) {
        Fill(1, {"A", "A", "B", "B", "B"});
        Fill(2, {"x", "x", "x", "y", "y"});
        Fill(3, {"k", "k", "k", "k", "k"});
    }
    TVevIvizudEvar& Grid() { return w_.Grid(); }
    void Fill(int col, const QStringList& texts) {
        for (int r = 1; r < 6; ++r) Grid().SetGridCells(col, r, texts[r - 1]);
    }
    // For each data row, the row of the cell whose merge it belongs to.
    QString Bases(int col) {
        QString bases;
        for (int r = 1; r < Grid().RowCount(); ++r) bases += QString::number(Grid().BaseCell(col, r).Y);
        return bases;
    }

    TAdvancedGridWindow w_;
    TPointer mouse_;
};

TEST_F(ColumnMerging, EachChangeOfTheListMergesItsColumnsAgain) {
    Grid().MergedColumns.Add(1);
    EXPECT_EQ(Bases(1), "11333");
    EXPECT_EQ(Bases(2), "12345");
    // A column after the first merges inside the merges to its left.
    Grid().MergedColumns.Add(2);
    EXPECT_EQ(Bases(1), "11333");
    EXPECT_EQ(Bases(2), "11344");
    Grid().MergedColumns.Delete(0);
    EXPECT_EQ(Bases(1), "12345");
    EXPECT_EQ(Bases(2), "11144");
    EXPECT_TRUE(Grid().Verify());
}

TEST_F(ColumnMerging, AChangeSplitsEveryMergeOfTheColumnsFirst) {
    Grid().MergeCells(4, 2, 1, 3);
    Grid().MergedColumns.Add(3);
    EXPECT_EQ(Bases(3), "11111");
    EXPECT_EQ(Bases(4), "12345");
    // A column the grid does not have is passed over.
    Grid().MergedColumns.Add(9);
    Grid().MergedColumns.Clear();
    EXPECT_EQ(Bases(3), "12345");
    EXPECT_TRUE(Grid().Verify());
}

TEST_F(ColumnMerging, AHeaderSortMergesTheListedColumnsAgain) {
    Fill(1, {"B", "A", "B", "A", "B"});
    Grid().SortSettings.SetShow(true);
    Grid().SortSettings.AutoColumnMerge = true;
    Grid().MergedColumns.Add(1);
    EXPECT_EQ(Bases(1), "12345");
    mouse_.Click(mouse_.Centre(1, 0));
    for (int r = 1; r < 6; ++r) EXPECT_EQ(Grid().GetGridCells(1, r), r < 3 ? "A" : "B");
    EXPECT_EQ(Bases(1), "11333");
    EXPECT_TRUE(Grid().Verify());
}

} // namespace
