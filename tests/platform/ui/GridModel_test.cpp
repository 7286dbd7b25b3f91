#include "platform/ui/CellStore.h"
#include "platform/ui/GridAxis.h"
#include "platform/ui/StringGrid.h"

#include "platform/ui/TieredVector.h"

#include <gtest/gtest.h>
#include <random>

namespace {

struct TCounted : TCellObject {
    static inline int Alive = 0;
    TCounted() { ++Alive; }
    ~TCounted() override { --Alive; }
};

// A grid laid out for a fixed viewport without showing it.
class TSizedGrid : public TStringGrid {
public:
    explicit TSizedGrid(int cols, int rows) {
        resize(400, 300);
        SetColCount(cols);
        SetRowCount(rows);
    }
};

TEST(CellStore, ShrinkingTheColumnCountKeepsTheCellsOfHiddenColumns) {
    TSizedGrid g(6, 3);
    g.SetCells(5, 1, "hidden");
    g.SetColCount(3);
    EXPECT_EQ(g.Cells(5, 1), "hidden"); // still stored beyond the count
    g.SetColCount(6);
    EXPECT_EQ(g.Cells(5, 1), "hidden");
    g.SetRowCount(1);
    g.SetRowCount(3);
    EXPECT_EQ(g.Cells(5, 1), ""); // rows beyond the count are dropped
    EXPECT_TRUE(g.Verify());
}

TEST(CellStore, MovingARowCarriesItsObjectsTextsAndHeight) {
    TSizedGrid g(3, 6);
    auto object = std::make_unique<TCounted>();
    TCellObject* raw = object.get();
    g.SetObjects(1, 2, std::move(object));
    g.SetCells(2, 2, "moved");
    g.SetRowHeights(2, 40);
    g.MoveRow(2, 4);
    EXPECT_EQ(g.Objects(1, 4), raw);
    EXPECT_EQ(g.Cells(2, 4), "moved");
    EXPECT_EQ(g.RowHeights(4), 40);
    EXPECT_EQ(g.RowHeights(2), g.DefaultRowHeight());
    EXPECT_EQ(g.Objects(1, 2), nullptr);
}

TEST(CellStore, TheGridOwnsCellObjects) {
    TCounted::Alive = 0;
    {
        TSizedGrid g(3, 5);
        g.SetObjects(1, 1, std::make_unique<TCounted>());
        g.SetObjects(1, 1, std::make_unique<TCounted>()); // replacing frees the old one
        EXPECT_EQ(TCounted::Alive, 1);
        g.SetObjects(2, 4, std::make_unique<TCounted>());
        g.SetRowCount(3); // dropped rows free theirs
        EXPECT_EQ(TCounted::Alive, 1);
        std::unique_ptr<TCellObject> detached = g.DetachObject(1, 1);
        EXPECT_EQ(g.Objects(1, 1), nullptr);
        EXPECT_EQ(TCounted::Alive, 1);
        g.SetObjects(2, 2, std::make_unique<TCounted>());
    }
    EXPECT_EQ(TCounted::Alive, 0);
}

TEST(CellStore, DeletingAColumnDropsItAndShiftsTheHiddenCellsLeft) {
    TSizedGrid g(4, 2);
    for (int c = 0; c < 6; ++c) g.SetCells(c, 1, QString::number(c));
    g.DeleteColumn(1);
    EXPECT_EQ(g.ColCount(), 3);
    EXPECT_EQ(g.Rows(1), (QStringList{"0", "2", "3"}));
    EXPECT_EQ(g.Cells(3, 1), "4");
    EXPECT_EQ(g.Cells(4, 1), "5");
    g.DeleteRow(0);
    EXPECT_EQ(g.Cells(0, 0), "0");
    EXPECT_EQ(g.RowCount(), 1);
}

TEST(CellStore, SwapAndTakeMoveWholeLines) {
    TCellStore store;
    store.SetRowCount(3);
    store.SetText(0, 0, "a");
    store.SetObject(1, 0, std::make_unique<TCounted>());
    store.SetText(0, 2, "c");
    store.SwapRows(0, 2);
    EXPECT_EQ(store.Text(0, 0), "c");
    EXPECT_NE(store.Object(1, 2), nullptr);
    TGridLine line = store.TakeRow(2);
    EXPECT_EQ(store.Text(0, 2), "");
    store.PutRow(1, std::move(line));
    EXPECT_EQ(store.Text(0, 1), "a");
    EXPECT_NE(store.Object(1, 1), nullptr);
    EXPECT_THROW(store.SetText(0, 3, "x"), EGridError);
    EXPECT_EQ(store.Text(7, 9), ""); // reading outside is empty, not an error
}

TEST(GridGeometry, AScrolledOutCellHasAnEmptyCellRect) {
    TSizedGrid g(4, 100);
    g.SetTopRow(10);
    EXPECT_TRUE(g.CellRect(1, 5).IsEmpty());  // above the top row
    EXPECT_TRUE(g.CellRect(1, 99).IsEmpty()); // far below the viewport
    EXPECT_TRUE(g.CellRect(9, 12).IsEmpty()); // outside the grid
    const TRect top = g.CellRect(1, 10);
    EXPECT_EQ(top, (TRect{65, 25, 129, 49})); // right after the fixed row and column and their lines
    EXPECT_EQ(g.CellRect(0, 0), (TRect{0, 0, 64, 24}));
    const TRect last = g.CellRect(1, 10 + g.VisibleRowCount());
    EXPECT_EQ(last.Bottom, g.ClientHeight()); // a partly shown row is cut at the client edge
}

TEST(GridGeometry, MouseCoordFindsTheCellAndItsLineAndNothingOutside) {
    TSizedGrid g(4, 100);
    EXPECT_EQ(g.MouseCoord(0, 0), (TGridCoord{0, 0}));
    EXPECT_EQ(g.MouseCoord(64, 24), (TGridCoord{0, 0})); // the line after a cell belongs to it
    EXPECT_EQ(g.MouseCoord(65, 25), (TGridCoord{1, 1}));
    EXPECT_EQ(g.MouseCoord(399, 10), (TGridCoord{-1, -1})); // right of the last column
    EXPECT_EQ(g.MouseCoord(10, -1), (TGridCoord{-1, -1}));
    g.SetTopRow(50);
    EXPECT_EQ(g.MouseCoord(70, 30), (TGridCoord{1, 50}));
}

struct TAxisCase {
    int Position, Cell;
};

class AxisLookup : public testing::TestWithParam<TAxisCase> {};

TEST_P(AxisLookup, PositionsMapToCellsWithTheirLines) {
    TGridAxis axis(10, 20); // 1 fixed, first scrolled cell 4, line width 2, extent 100
    axis.SetSize(5, 0);
    const TGridAxisInfo info = CalcAxisInfo(axis, 1, 4, 2, 100);
    EXPECT_EQ(CellAtPosition(axis, info, GetParam().Position), GetParam().Cell);
}

INSTANTIATE_TEST_SUITE_P(Layout, AxisLookup,
                         testing::Values(TAxisCase{0, 0}, TAxisCase{21, 0}, TAxisCase{22, 4},
                                         TAxisCase{43, 4}, TAxisCase{44, 5}, TAxisCase{45, 5},
                                         TAxisCase{46, 6}, TAxisCase{99, 8}, TAxisCase{-3, -1},
                                         TAxisCase{500, -1}));

TEST(GridAxis, MaxFirstCellShowsTheLastCellWhole) {
    TGridAxis axis(50, 24);
    const TGridAxisInfo info = CalcAxisInfo(axis, 1, 1, 1, 300);
    const int first = MaxFirstCell(axis, info, 49);
    const TGridAxisInfo scrolled = CalcAxisInfo(axis, 1, first, 1, 300);
    EXPECT_EQ(scrolled.LastFullVisibleCell, 49);
    const TGridAxisInfo further = CalcAxisInfo(axis, 1, first - 1, 1, 300);
    EXPECT_LT(further.LastFullVisibleCell, 49);
}

TEST(GridAxis, MovingAndErasingKeepTheOtherSizes) {
    TGridAxis axis(5, 10);
    for (int i = 0; i < 5; ++i) axis.SetSize(i, i + 1);
    axis.Move(0, 3);
    EXPECT_EQ((std::vector<int>{axis.Size(0), axis.Size(1), axis.Size(2), axis.Size(3), axis.Size(4)}),
              (std::vector<int>{2, 3, 4, 1, 5}));
    axis.Erase(1, 2);
    EXPECT_EQ(axis.Count(), 3);
    EXPECT_EQ(axis.Size(1), 1);
    EXPECT_EQ(axis.Size(7), 10); // outside: the default size
    EXPECT_THROW(axis.SetSize(3, 5), EGridError);
}

// Smoke test for linear growth: a quadratic store or scroll update would not finish in the
// suite's time; the benchmark measures the actual cost.
TEST(GridScale, FillingAMillionCellsAndGrowingRowByRowFinish) {
    TSizedGrid g(10, 1);
    for (int r = 1; r < 100000; ++r) g.SetRowCount(r + 1);
    for (int r = 0; r < 100000; ++r)
        for (int c = 0; c < 10; ++c) g.SetCells(c, r, QStringLiteral("x"));
    EXPECT_EQ(g.Cells(9, 99999), "x");
    EXPECT_TRUE(g.Verify());
}

TEST(GridCounts, FixedCountsStayBelowTheCounts) {
    TSizedGrid g(5, 5);
    EXPECT_THROW(g.SetFixedRows(5), EGridError);
    g.SetFixedRows(3);
    g.SetRowCount(2);
    EXPECT_EQ(g.FixedRows(), 1);
    g.SetRowCount(0);
    EXPECT_EQ(g.RowCount(), 1);
    EXPECT_EQ(g.FixedRows(), 0);
    EXPECT_TRUE(g.Verify());
}

} // namespace

// The rows' sequence against a vector: inserts and removals of one to twenty items anywhere, moves
// near and far, across chunk edges, with items that own memory.
TEST(TieredVector, BehavesAsAVectorThroughInsertsRemovalsAndMoves) {
    TTieredVector<std::unique_ptr<int>> tiered;
    std::vector<int> oracle;
    std::mt19937 random(5);
    auto pick = [&](size_t lo, size_t hi) { return std::uniform_int_distribution<size_t>(lo, hi)(random); };
    for (int step = 0, next = 0; step < 6000; ++step) {
        const size_t n = oracle.size(), op = pick(0, 3), count = pick(0, 3) ? 1 : pick(2, 20);
        if (op <= 1 || n == 0) { // insert, more often than remove: the sequence grows past chunks
            const size_t at = pick(0, n);
            tiered.insert(at, count);
            for (size_t k = 0; k < count; ++k, ++next)
                tiered[at + k] = std::make_unique<int>(next),
                            oracle.insert(oracle.begin() + long(at + k), next);
        } else if (op == 2) {
            const size_t at = pick(0, n - 1), removed = std::min(count, n - at);
            tiered.erase(at, removed);
            oracle.erase(oracle.begin() + long(at), oracle.begin() + long(at + removed));
        } else {
            const size_t from = pick(0, n - 1), to = pick(0, n - 1);
            tiered.move(from, to);
            const int item = oracle[from];
            oracle.erase(oracle.begin() + long(from)), oracle.insert(oracle.begin() + long(to), item);
        }
        ASSERT_EQ(tiered.size(), oracle.size());
        for (size_t i = 0; i < oracle.size() && step % 100 == 0; ++i)
            ASSERT_EQ(*tiered[i], oracle[i]) << step;
    }
}
