// Addressing the advanced grid: the current-row events, editability per cell, typed access,
// selection flags, hidden columns and rows, the filter and column widths kept between runs.
#include "GridTestSupport.h"
#include "grid/GridError.h"
#include "platform/os/IniFile.h"
#include "platform/os/SettingsStore.h"
#include "platform/os/TestEnvironment.h"

#include <QTemporaryDir>

namespace {

class CellAccess : public testing::Test {
protected:
    CellAccess() : w_(4, 10) {
        for (int r = 1; r < 10; ++r) Grid().SetGridCells(1, r, QString("row %1").arg(r));
    }
    TVevIvizudEvar& Grid() { return w_.Grid(); }
    TAdvancedGridWindow w_;
};

TEST_F(CellAccess, RowUpdateFiresOncePerRowChange) {
    std::vector<std::pair<int, int>> updates;
    Grid().OnRowUpdate = [&](QObject*, int oldRow, int newRow) { updates.push_back({oldRow, newRow}); };
    Grid().SetCurrentRow(1); // the current row, never notified yet
    Grid().SetCurrentRow(1);
    Grid().SetCurrentRow(2);
    Grid().SetCurrentRow(5);
    w_.Key(Qt::Key_Down);
    Grid().SetCol(2); // same row
    EXPECT_EQ(updates, (std::vector<std::pair<int, int>>{{-1, 1}, {1, 2}, {2, 5}, {5, 6}}));
}

TEST_F(CellAccess, RowChangingVetoKeepsTheCellAndFiresNoUpdate) {
    int updates = 0;
    Grid().OnRowUpdate = [&](QObject*, int, int) { ++updates; };
    Grid().OnRowChanging = [](QObject*, int, int newRow, bool& allow) { allow = newRow != 4; };
    Grid().SetCurrentRow(3);
    Grid().SetCurrentRow(4);
    EXPECT_EQ(Grid().GetCurrentRow(), 3);
    EXPECT_EQ(updates, 1);
}

TEST_F(CellAccess, CellChangingGetsOldAndNewCell) {
    std::vector<int> seen;
    Grid().OnCellChanging = [&](QObject*, int oldRow, int oldCol, int newRow, int newCol, bool&) {
        seen = {oldRow, oldCol, newRow, newCol};
    };
    Grid().SetCol(3);
    EXPECT_EQ(seen, (std::vector<int>{1, 1, 1, 3}));
}

TEST_F(CellAccess, AReadOnlyCellSwitchesEditingOff) {
    Grid().SetOptions(Grid().Options() + goEditing);
    Grid().GetCellProperties(1, 3)->ReadOnly = true;
    Grid().SetCurrentRow(3);
    EXPECT_FALSE(Grid().Options().Contains(goEditing));
    w_.Type("x");
    EXPECT_FALSE(w_.EditorShown());
    EXPECT_EQ(Grid().GetGridCells(1, 3), "row 3");
    Grid().SetCurrentRow(4);
    EXPECT_TRUE(Grid().Options().Contains(goEditing));
    w_.Type("y");
    EXPECT_TRUE(w_.EditorShown());
}

TEST_F(CellAccess, CanEditCellEventGetsTheBaseCell) {
    Grid().SetOptions(Grid().Options() + goEditing);
    Grid().MergeCells(1, 5, 2, 1);
    std::vector<int> asked;
    Grid().OnCanEditCell = [&](QObject*, int row, int col, bool& canEdit) {
        asked = {col, row};
        canEdit = false;
    };
    Grid().SetCol(2);
    Grid().SetCurrentRow(5);
    EXPECT_EQ(asked, (std::vector<int>{1, 5}));
    EXPECT_FALSE(Grid().Options().Contains(goEditing));
}

TEST_F(CellAccess, RowSelectOutsideTheGridIsAnError) {
    EXPECT_FALSE(Grid().RowSelect(Grid().RowCount() - 1));
    try {
        Grid().RowSelect(Grid().RowCount());
        FAIL();
    } catch (const EVozAvozError& e) {
        EXPECT_STREQ(e.what(), "Invalid row accessed");
    }
    EXPECT_THROW(Grid().SetRowSelect(-1, true), EVozAvozError);
    EXPECT_THROW(Grid().ColSelect(4), EVozAvozError);
    Grid().SetRowSelect(3, true);
    EXPECT_TRUE(Grid().RowSelect(3));
    Grid().ClearRowSelect();
    EXPECT_FALSE(Grid().RowSelect(3));
}

TEST_F(CellAccess, TypedAccess) {
    TFormatSettingsScope scope(TFormatSettings::BrazilianPortuguese());
    Grid().SetGridCells(2, 1, "");
    EXPECT_EQ(Grid().Ints(2, 1), 0);
    Grid().SetGridCells(2, 1, "-42");
    EXPECT_EQ(Grid().Ints(2, 1), -42);
    Grid().SetGridCells(2, 1, "12a");
    try {
        Grid().Ints(2, 1);
        FAIL();
    } catch (const EVozAvozError& e) {
        EXPECT_STREQ(e.what(), "Cell does not contain integer value");
    }
    Grid().SetGridCells(3, 1, "abc");
    EXPECT_THROW(Grid().Floats(3, 1), EVozAvozError);
    EXPECT_DOUBLE_EQ(Grid().Floats(1, 1), 1); // "row 1": the number in the text
    Grid().SetFloats(2, 2, 3.14159);
    EXPECT_EQ(Grid().GetGridCells(2, 2), "3,14");
    EXPECT_DOUBLE_EQ(Grid().Floats(2, 2), 3.14);
    Grid().SetGridCells(2, 3, "1.234,5");
    EXPECT_DOUBLE_EQ(Grid().Floats(2, 3), 1234.5);
    Grid().SetDates(2, 4, EncodeDate(2004, 1, 31));
    EXPECT_EQ(Grid().GetGridCells(2, 4), "31/01/2004");
    Grid().KeepZeroDates = false;
    Grid().SetDates(2, 4, 0);
    EXPECT_EQ(Grid().GetGridCells(2, 4), "");
}

TEST_F(CellAccess, FloatsFollowTheFormatProfile) {
    TFormatSettingsScope scope(TFormatSettings::Neutral());
    Grid().SetFloats(2, 2, 3.14159);
    EXPECT_EQ(Grid().GetGridCells(2, 2), "3.14");
}

TEST(ColumnVisibility, MapsHaveNoLimitAndRefuseNegativeColumns) {
    TColumnVisibility map;
    EXPECT_EQ(map.DisplToReal(600), 600); // nothing hidden: identity, also past 512
    map.SetHidden(1, true);
    map.SetHidden(700, true);
    EXPECT_EQ(map.HiddenCount(), 2);
    EXPECT_EQ(map.DisplToReal(0), 0);
    EXPECT_EQ(map.DisplToReal(1), 2);
    EXPECT_EQ(map.DisplToReal(697), 698);
    EXPECT_EQ(map.DisplToReal(698), 699);
    EXPECT_EQ(map.DisplToReal(699), 701); // past the hidden column 700
    EXPECT_EQ(map.DisplToReal(5000), 5002);
    for (int d = 0; d < 800; ++d) ASSERT_EQ(map.RealToDispl(map.DisplToReal(d)), d);
    EXPECT_THROW(map.DisplToReal(-1), EVozAvozError);
    map.SetHidden(1, false);
    EXPECT_EQ(map.DisplToReal(1), 1);
    EXPECT_TRUE(map.Verify());
}

TEST_F(CellAccess, HiddenRowsComeBackInPlaceWithTheirHeightAndCells) {
    Grid().SetRowHeights(4, 40);
    Grid().GetCellProperties(2, 4)->ReadOnly = true;
    Grid().HideRows(3, 4);
    EXPECT_EQ(Grid().RowCount(), 8);
    EXPECT_EQ(Grid().NumHiddenRows(), 2);
    EXPECT_EQ(Grid().GetGridCells(1, 3), "row 5");
    EXPECT_TRUE(Grid().IsHiddenRow(4));
    EXPECT_EQ(Grid().DisplToRealRow(3), 5);
    EXPECT_EQ(Grid().RealToDisplRow(5), 3);
    Grid().HideRows(4, 6); // a row of the range is hidden already: nothing happens
    EXPECT_EQ(Grid().RowCount(), 8);
    Grid().UnHideRowsAll();
    EXPECT_EQ(Grid().RowCount(), 10);
    for (int r = 1; r < 10; ++r) EXPECT_EQ(Grid().GetGridCells(1, r), QString("row %1").arg(r));
    EXPECT_EQ(Grid().RowHeights(4), 40);
    EXPECT_TRUE(Grid().CellProperties(2, 4)->ReadOnly);
    EXPECT_TRUE(Grid().Verify());
}

TEST_F(CellAccess, FilterHidesRowsThatDoNotMatchAndShowsThemAgain) {
    for (int r = 1; r < 10; ++r) Grid().SetGridCells(2, r, QString::number(r * 10));
    Grid().Filter.push_back({2, ">25 & <75", true, {}, {}, TFilterOperation::foNONE});
    std::vector<int> progress;
    Grid().OnFilterProgress = [&](QObject*, int p) { progress.push_back(p); };
    Grid().SetFilterActive(true);
    ASSERT_EQ(Grid().RowCount(), 6); // the heading and 30, 40, 50, 60, 70
    EXPECT_EQ(Grid().GetGridCells(2, 1), "30");
    EXPECT_EQ(Grid().GetGridCells(2, 4), "60");
    EXPECT_EQ(progress.back(), 100);
    EXPECT_EQ(progress.size(), 10u);
    // Filtering again while rows are hidden keeps each hidden row at its real place.
    Grid().Filter[0].Condition = ">45";
    Grid().SetFilterActive(true);
    EXPECT_EQ(Grid().RowCount(), 4);
    Grid().SetFilterActive(false);
    ASSERT_EQ(Grid().RowCount(), 10);
    for (int r = 1; r < 10; ++r) EXPECT_EQ(Grid().GetGridCells(2, r), QString::number(r * 10));
}

TEST_F(CellAccess, AFailingFirstConditionRejectsTheRowWithoutTheSecond) {
    int asked = 0;
    Grid().OnGetDisplText = [&](QObject*, int col, int, QString&) { asked += col == 3 ? 1 : 0; };
    Grid().Filter.push_back({1, "nothing", true, {}, {}, TFilterOperation::foNONE});
    Grid().Filter.push_back({3, "*", true, {}, {}, TFilterOperation::foOR});
    EXPECT_FALSE(Grid().MatchesFilter(2));
    EXPECT_EQ(asked, 0);
}

TEST_F(CellAccess, ColumnWidthsKeptInAnIniFile) {
    QTemporaryDir dir;
    const QString file = dir.filePath("grid.ini");
    Grid().SetColWidths(0, 30);
    Grid().SetColWidths(2, 150);
    Grid().ColumnSize.Location = TColumnSizeLocation::clIniFile;
    Grid().ColumnSize.Key = file;
    Grid().ColumnSize.Section = "Grid";
    Grid().SaveColumnSizes();
    const TIniFile ini(file.toStdString());
    EXPECT_EQ(ini.ReadSection("Grid"), (std::vector<std::string>{"Col0", "Col1", "Col2", "Col3"}));
    EXPECT_EQ(ini.ReadInteger("Grid", "Col2", 0), 150);
    TVevIvizudEvar other;
    other.SetColCount(4);
    other.ColumnSize = Grid().ColumnSize;
    other.LoadColumnSizes();
    EXPECT_EQ(other.ColWidths(0), 30);
    EXPECT_EQ(other.ColWidths(2), 150);
    EXPECT_EQ(other.ColWidths(3), other.DefaultColWidth());
}

TEST_F(CellAccess, ColumnWidthsKeptInTheSettingsStore) {
    QTemporaryDir dir;
    const TTestEnvironmentVariable configHome("XDG_CONFIG_HOME", dir.path().toStdString());
    Grid().ColumnSize.Key = "Software\\Orvalista\\Grid";
    Grid().ColumnSize.Section = "PlanoNum";
    Grid().SetColWidths(1, 77);
    Grid().SaveColumnSizes();
    const TSettingsStore store;
    EXPECT_EQ(store.ReadInteger("Software\\Orvalista\\Grid\\PlanoNum", "Col1", 0), 77);
    Grid().ColumnSize.Key.clear(); // without a key nothing is kept
    Grid().SetColWidths(1, 90);
    Grid().SaveColumnSizes();
    EXPECT_EQ(TSettingsStore().ReadInteger("Software\\Orvalista\\Grid\\PlanoNum", "Col1", 0), 77);
}

TEST_F(CellAccess, StretchFillsTheClientWidth) {
    Grid().ColumnSize.Stretch = true;
    Grid().StretchColumn(-1);
    int total = 0;
    for (int c = 0; c < Grid().ColCount(); ++c) total += Grid().ColWidths(c);
    EXPECT_EQ(total, Grid().ClientWidth() - 1);
    try {
        Grid().StretchColumn(4);
        FAIL();
    } catch (const std::exception& e) {
        EXPECT_STREQ(e.what(), "Stretch column index out of range");
    }
}

TEST_F(CellAccess, FixedRowAlwaysReadsOneFixedRow) {
    Grid().FixedRowAlways = true;
    Grid().Loaded();
    Grid().SetRowCount(1);
    EXPECT_EQ(Grid().FixedRows(), 1);
    Grid().SetRowCount(5);
    EXPECT_EQ(Grid().FixedRows(), 1);
    EXPECT_TRUE(Grid().Verify());
}

} // namespace
