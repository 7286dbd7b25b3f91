#pragma once
// Fixture of the tests of the screens that list their items on the advanced grid: cells are
// filled as the screen's OK will read them (masked cells blank-padded, as the grid keeps them) or
// typed through the keyboard; an error must leave the cursor on the offending cell.

#include "ScreenFixture.h"
#include "grid/AdvancedGrid.h"

#include <QTest>

class GridScreenTest : public ScreenFixture {
protected:
    static void SetCell(TVevIvizudEvar& grid, int col, int row, const QString& text) {
        grid.SetGridCells(col, row, text);
    }
    static std::string Cell(TVevIvizudEvar& grid, int col, int row) {
        return grid.GetGridCells(col, row).toStdString();
    }
    // The user makes the cell current and types: the grid's editor opens with the first key.
    static void TypeInto(TVevIvizudEvar& grid, int col, int row, const QString& text) {
        grid.setFocus();
        grid.SetCol(col);
        grid.SetCurrentRow(row);
        QTest::keyClicks(QApplication::focusWidget(), text);
    }
    // One error box with the text, the cursor on (col, row) of the grid, which has the focus.
    void ExpectErrorAt(TVevIvizudEvar& grid, const std::string& text, int col, int row) const {
        ExpectOneBox(text);
        EXPECT_EQ(grid.Col(), col);
        EXPECT_EQ(grid.GetCurrentRow(), row);
        EXPECT_TRUE(grid.hasFocus() || grid.isAncestorOf(QApplication::focusWidget()));
    }
};
