// A cell's properties follow it wherever rows and columns take it: a change of its look repaints
// the cell where it now stands, and the properties name that cell as theirs.
#include "GridTestSupport.h"

#include <QApplication>
#include <functional>

namespace {

struct TMove {
    const char* what;
    std::function<void(TDirtyGrid&)> move;
};

void PrintTo(const TMove& m, std::ostream* os) {
    *os << m.what;
}

class MovedProperties : public testing::TestWithParam<TMove> {};

TEST_P(MovedProperties, RepaintTheCellWhereItNowStands) {
    TGridWindow<TDirtyGrid> w(6, 8);
    TDirtyGrid& grid = w.Grid();
    for (int r = 1; r < 8; ++r) grid.SetGridCells(1, r, QString(QChar(u'a' + (r * 3) % 7)));
    grid.SetGridCells(2, 2, "mark");
    TCellProperties* properties = grid.GetCellProperties(2, 2);
    GetParam().move(grid);
    int col = -1, row = -1;
    for (int r = 0; r < grid.RowCount(); ++r)
        for (int c = 0; c < grid.ColCount(); ++c)
            if (grid.GetGridCells(grid.DisplToRealCol(c), r) == "mark") col = c, row = r;
    ASSERT_GE(row, 0);
    ASSERT_EQ(grid.CellProperties(grid.DisplToRealCol(col), row), properties);
    ASSERT_NE(TGridCoord({col, row}), TGridCoord({2, 2})) << "the cell did not move";
    QApplication::processEvents();
    grid.LastDirty = {};
    properties->SetBrushColor(clRed);
    QApplication::processEvents();
    EXPECT_EQ(grid.LastDirty, grid.CellRect(col, row));
    EXPECT_EQ(properties->OwnerCol(), grid.DisplToRealCol(col));
    EXPECT_EQ(properties->OwnerRow(), row);
}

INSTANTIATE_TEST_SUITE_P(
    Moves, MovedProperties,
    testing::Values(TMove{"sorted",
                          [](TDirtyGrid& g) {
                              g.SortSettings.Column = 1;
                              g.SortByColumn();
                          }},
                    TMove{"rows swapped", [](TDirtyGrid& g) { g.SwapRows(2, 5); }},
                    TMove{"row inserted above", [](TDirtyGrid& g) { g.InsertRows(1, 2); }},
                    TMove{"row removed above", [](TDirtyGrid& g) { g.RemoveRows(1, 1); }},
                    TMove{"row dragged", [](TDirtyGrid& g) { g.MoveRow(2, 6); }},
                    TMove{"column dragged", [](TDirtyGrid& g) { g.MoveColumn(2, 4); }},
                    TMove{"column hidden before it", [](TDirtyGrid& g) { g.HideColumn(1); }},
                    TMove{"restored after a sort",
                          [](TDirtyGrid& g) {
                              g.SwapRows(2, 4);
                              g.ResetRowOrder();
                              g.SwapRows(4, 6);
                              g.RestoreRowOrder();
                          }}),
    [](const auto& info) {
        std::string name = info.param.what;
        for (char& ch : name)
            if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
        return name;
    });

// Properties in no cell of the grid (a hidden row) say so, and their changes repaint nothing.
TEST(MovedProperties, PropertiesOfAHiddenRowAreInNoCell) {
    TGridWindow<TDirtyGrid> w(4, 6);
    TCellProperties* properties = w.Grid().GetCellProperties(1, 3);
    w.Grid().HideRow(3);
    EXPECT_EQ(properties->OwnerRow(), -1);
    QApplication::processEvents();
    w.Grid().LastDirty = {};
    properties->SetBrushColor(clRed);
    QApplication::processEvents();
    EXPECT_TRUE(w.Grid().LastDirty.IsEmpty());
    w.Grid().UnHideRowsAll();
    EXPECT_EQ(properties->OwnerRow(), 3);
}

} // namespace
