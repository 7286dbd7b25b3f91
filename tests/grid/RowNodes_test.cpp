// Row nodes: contracting and expanding groups of rows, nested nodes, ExpandOne, removing nodes,
// tree lines, and node spans that follow inserted and removed rows.
#include "GridTestSupport.h"

namespace {

// Rows r0 .. r11: r1 is a node over r1..r7 holding a node r3 over r3..r5; r8 a node over r8..r10.
class RowNodes : public testing::Test {
protected:
    RowNodes() : w_(3, 12) {
        for (int r = 0; r < 12; ++r) {
            Grid().SetGridCells(1, r, QString("r%1").arg(r));
            Grid().SetRowHeights(r, 20 + r);
        }
        Grid().AddNode(1, 7, 1);
        Grid().AddNode(3, 3, 2);
        Grid().AddNode(8, 3, 1);
    }
    TVevIvizudEvar& Grid() { return w_.Grid(); }
    QStringList Column() { return ColumnTexts(Grid(), 1); }
    static QStringList Rows(std::initializer_list<int> rows) {
        QStringList texts;
        for (int r : rows) texts << QString("r%1").arg(r);
        return texts;
    }
    TAdvancedGridWindow w_;
};

TEST_F(RowNodes, ContractAllThenExpandAllRestoresEveryRowWithItsHeight) {
    EXPECT_EQ(Grid().NodeCount(), 3);
    Grid().ContractAll();
    EXPECT_EQ(Column(), Rows({0, 1, 8, 11}));
    EXPECT_TRUE(Grid().GetNodeState(1));
    EXPECT_EQ(Grid().RowHeights(2), 28);
    EXPECT_TRUE(Grid().Verify());
    Grid().ExpandAll();
    EXPECT_EQ(Column(), Rows({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}));
    for (int r = 0; r < 12; ++r) EXPECT_EQ(Grid().RowHeights(r), 20 + r);
    EXPECT_FALSE(Grid().GetNodeState(1));
    EXPECT_TRUE(Grid().Verify());
}

TEST_F(RowNodes, AContractedChildComesBackExpandedWithItsParent) {
    Grid().ContractNode(3);
    EXPECT_EQ(Column(), Rows({0, 1, 2, 3, 6, 7, 8, 9, 10, 11}));
    Grid().ContractNode(1);
    EXPECT_EQ(Column(), Rows({0, 1, 8, 9, 10, 11}));
    Grid().ExpandNode(1);
    EXPECT_EQ(Column(), Rows({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}));
    EXPECT_FALSE(Grid().GetNodeState(3));
    EXPECT_TRUE(Grid().Verify());
}

TEST_F(RowNodes, ExpandingAnotherRowOrAnExpandedNodeChangesNothing) {
    Grid().ContractNode(8);
    Grid().ExpandNode(2);   // not a node
    Grid().ExpandNode(1);   // expanded already
    Grid().ContractNode(9); // hidden
    EXPECT_EQ(Column(), Rows({0, 1, 2, 3, 4, 5, 6, 7, 8, 11}));
}

TEST_F(RowNodes, ExpandOneContractsTheOtherNodes) {
    Grid().CellNode.ExpandOne = true;
    Grid().ContractAll();
    Grid().ExpandNode(8);
    EXPECT_EQ(Column(), Rows({0, 1, 8, 9, 10, 11}));
    Grid().ExpandNode(1);
    EXPECT_EQ(Column(), Rows({0, 1, 2, 3, 4, 5, 6, 7, 8, 11}));
    Grid().ContractNode(3);
    Grid().ExpandNode(3); // inside the expanded node 1: that one stays open
    EXPECT_EQ(Column(), Rows({0, 1, 2, 3, 4, 5, 6, 7, 8, 11}));
    EXPECT_TRUE(Grid().Verify());
}

TEST_F(RowNodes, RemoveAllNodesLeavesPlainRows) {
    Grid().ContractAll();
    Grid().RemoveAllNodes();
    EXPECT_EQ(Grid().NodeCount(), 0);
    EXPECT_EQ(Grid().RowCount(), 12);
    for (int r = 0; r < 12; ++r) {
        EXPECT_FALSE(Grid().IsNode(r));
        EXPECT_EQ(Grid().GetNodeLevel(r), -1);
        EXPECT_EQ(Grid().CellProperties(0, r) ? Grid().CellProperties(0, r)->NodeLevel : 0, 0);
    }
    EXPECT_TRUE(Grid().Verify());
}

TEST_F(RowNodes, TreeLinesEndAtTheLastRowBeforeTheFooters) {
    Grid().SetFixedFooters(1);
    EXPECT_EQ(Grid().GetTreeLineKind(1), 0);
    EXPECT_EQ(Grid().GetTreeLineKind(2), 2);
    EXPECT_EQ(Grid().GetTreeLineKind(5), 1);  // the nested node's branch ends
    EXPECT_EQ(Grid().GetTreeLineKind(10), 1); // the last row before the footer row
    EXPECT_EQ(Grid().GetNodeSpan(3), 3);
    EXPECT_EQ(Grid().GetNodeLevel(3), 2);
    const int indent = Grid().CellNode.NodeIndent();
    EXPECT_TRUE(Grid().IsNodeButtonHit(3, indent + 1));
    EXPECT_FALSE(Grid().IsNodeButtonHit(3, 1));
}

TEST_F(RowNodes, NodeSpansFollowRowsInsertedAndRemovedInsideThem) {
    Grid().ContractNode(8);
    Grid().InsertRows(4, 2); // inside nodes 1 and 3
    EXPECT_EQ(Grid().GetNodeSpan(1), 9);
    EXPECT_EQ(Grid().GetNodeSpan(3), 5);
    Grid().RemoveRows(2, 1);
    EXPECT_EQ(Grid().GetNodeSpan(1), 8);
    Grid().RemoveRows(Grid().RealToDisplRow(9), 1); // node 8, now at real row 9, goes with its row
    EXPECT_EQ(Grid().NodeCount(), 2);
    EXPECT_TRUE(Grid().Verify());
    Grid().ExpandAll();
    EXPECT_EQ(Grid().RowCount(), 12);
    EXPECT_EQ(Column().mid(8), Rows({7, 9, 10, 11}));
}

} // namespace
