// Where the data rows end: every operation that orders, fills, grows or walks the data rows, with
// the floating footer showing the last row and without it. A grid of a heading row, the keys 5, 4,
// 3, 2, 1 and a last row "FOOT": shown, that row is the footer and stays last; hidden, it is data.
#include "GridTestSupport.h"
#include "PointerTestSupport.h"
#include "XlsxFiles.h"
#include "grid/CellProperties.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct TFooterCase {
    const char* Name;
    // What the case observes after its operation: column 0 and what else it reports.
    std::function<QString(TAdvancedGridWindow&, const QTemporaryDir&)> Run;
    QString Shown, Hidden;
};

QString Column(TVevIvizudEvar& grid) {
    return ColumnTexts(grid, 0).join(u',');
}

QString Written(const QTemporaryDir& dir, const QByteArray& bytes) {
    const QString path = dir.filePath("rows.csv");
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) return {};
    return path;
}

const QString kSixLines = "p0\r\np1\r\np2\r\np3\r\np4\r\np5";

QString Pasted(TVevIvizudEvar& grid, int row) {
    const int count = grid.PasteText(0, row, kSixLines);
    return Column(grid) + QString(";%1").arg(count);
}

const TFooterCase kCases[] = {
    {"SortByColumn",
     [](TAdvancedGridWindow& w, const QTemporaryDir&) {
         w.Grid().SortByColumn();
         return Column(w.Grid());
     },
     "H,1,2,3,4,5,FOOT", "H,FOOT,1,2,3,4,5"},
    {"SortByIndexes",
     [](TAdvancedGridWindow& w, const QTemporaryDir&) {
         w.Grid().SortIndexList.Add(0, true);
         w.Grid().SortByIndexes();
         return Column(w.Grid());
     },
     "H,1,2,3,4,5,FOOT", "H,FOOT,1,2,3,4,5"},
    {"SortNodeRows",
     [](TAdvancedGridWindow& w, const QTemporaryDir&) {
         w.Grid().AddNode(1, w.Grid().DataRowEnd() - 1);
         w.Grid().SortNodeRows();
         return Column(w.Grid());
     },
     "H,5,1,2,3,4,FOOT", "H,5,FOOT,1,2,3,4"},
    {"PasteAtTheLastDataRow",
     [](TAdvancedGridWindow& w, const QTemporaryDir&) { return Pasted(w.Grid(), w.Grid().DataRowEnd() - 1); },
     "H,5,4,3,2,p0,p1,p2,p3,p4,p5,FOOT;6", "H,5,4,3,2,1,p0,p1,p2,p3,p4,p5;6"},
    {"PasteAtTheFirstDataRow",
     [](TAdvancedGridWindow& w, const QTemporaryDir&) { return Pasted(w.Grid(), 1); },
     "H,p0,p1,p2,p3,p4,p5,FOOT;6", "H,p0,p1,p2,p3,p4,p5;6"},
    {"PasteInTheMiddle", [](TAdvancedGridWindow& w, const QTemporaryDir&) { return Pasted(w.Grid(), 3); },
     "H,5,4,p0,p1,p2,p3,p4,p5,FOOT;6", "H,5,4,p0,p1,p2,p3,p4,p5;6"},
    {"GridFormatPasteAtTheLastDataRow",
     [](TAdvancedGridWindow& w, const QTemporaryDir&) {
         TVevIvizudEvar source; // larger than the block: not a whole grid
         source.SetColCount(2);
         source.SetRowCount(7);
         source.SetFixedRows(0);
         source.SetFixedCols(0);
         for (int r = 0; r < 6; ++r) source.SetCells(0, r, QString("p%1").arg(r));
         source.Navigation.AllowFmtClipboard = true;
         source.SetSelection({0, 0, 0, 5});
         source.CopyToClipboard();
         w.Grid().Navigation.AllowFmtClipboard = true;
         const int count = w.Grid().PasteFromClipboardAt(0, w.Grid().DataRowEnd() - 1);
         return Column(w.Grid()) + QString(";%1").arg(count);
     },
     "H,5,4,3,2,p0,p1,p2,p3,p4,p5,FOOT;6", "H,5,4,3,2,1,p0,p1,p2,p3,p4,p5;6"},
    {"AddRow",
     [](TAdvancedGridWindow& w, const QTemporaryDir&) {
         w.Grid().AddRow();
         return Column(w.Grid());
     },
     "H,5,4,3,2,1,,FOOT", "H,5,4,3,2,1,FOOT,"},
    {"DelimitedAppend",
     [](TAdvancedGridWindow& w, const QTemporaryDir& dir) {
         w.Grid().LoadDelimited(Written(dir, "a\r\nb\r\n"), true);
         return Column(w.Grid());
     },
     "H,5,4,3,2,1,a,b,FOOT", "H,5,4,3,2,1,FOOT,a,b"},
    {"DelimitedLoad",
     [](TAdvancedGridWindow& w, const QTemporaryDir& dir) {
         w.Grid().LoadFromCSV(Written(dir, "a\r\nb\r\n"));
         return Column(w.Grid());
     },
     "a,b,FOOT", "a,b"},
    {"WorkbookImport",
     [](TAdvancedGridWindow& w, const QTemporaryDir& dir) {
         using namespace xlsxfiles;
         const QString path = dir.filePath("rows.xlsx");
         WriteXlsx(path, {{"Plan1", SheetXml({Inline("A1", "a"), Inline("A2", "b"), Inline("A3", "c")})}});
         w.Grid().LoadFromXLS(path);
         return Column(w.Grid());
     },
     "a,b,c,FOOT", "a,b,c"},
    {"FooterSumOverTheDataRows",
     [](TAdvancedGridWindow& w, const QTemporaryDir&) {
         TVevIvizudEvar& g = w.Grid();
         g.GetCellProperties(0, g.RowCount() - 1)->CalcType = TVevIvizudEvar::fcSum;
         g.SetGridCells(0, 0, "");
         g.FloatFormat = "%.0f";
         g.Recalculate(-1);
         return Column(g);
     },
     ",5,4,3,2,1,15", ",5,4,3,2,1,FOOT"},
    {"RemovingTheLastDataRow",
     [](TAdvancedGridWindow& w, const QTemporaryDir&) {
         TVevIvizudEvar& g = w.Grid();
         g.SetRow(g.DataRowEnd() - 1);
         g.RemoveRows(g.Row(), 1);
         return Column(g) + QString(";row %1").arg(g.Row());
     },
     "H,5,4,3,2,FOOT;row 4", "H,5,4,3,2,1;row 5"},
    {"EndKey",
     [](TAdvancedGridWindow& w, const QTemporaryDir&) {
         w.Grid().Navigation.HomeEndKey = THomeEndAction::heFirstLastRow;
         w.Key(Qt::Key_End);
         return QString("row %1").arg(w.Grid().Row());
     },
     "row 5", "row 6"},
    {"SelectAll",
     [](TAdvancedGridWindow& w, const QTemporaryDir&) {
         w.Grid().SetOptions(w.Grid().Options() + goRangeSelect);
         w.Key(Qt::Key_A, Qt::ControlModifier);
         return QString("bottom %1").arg(w.Grid().Selection().Bottom);
     },
     "bottom 5", "bottom 6"},
    {"WheelDown",
     [](TAdvancedGridWindow& w, const QTemporaryDir&) {
         TPointer pointer(w);
         pointer.Wheel(pointer.Centre(0, 1), -10);
         return QString("row %1").arg(w.Grid().Row());
     },
     "row 5", "row 6"},
};

class FooterRows : public testing::TestWithParam<std::tuple<TFooterCase, bool>> {};

TEST_P(FooterRows, DataRowsEndAboveTheFooterRowAndOnlyThere) {
    const auto& [c, shown] = GetParam();
    TAdvancedGridWindow w(2, 7);
    TVevIvizudEvar& grid = w.Grid();
    grid.SetFixedCols(0);
    grid.SetOptions(grid.Options() + goEditing);
    const QStringList rows = {"H", "5", "4", "3", "2", "1", "FOOT"};
    for (int r = 0; r < rows.size(); ++r) grid.SetCells(0, r, rows[r]);
    grid.FloatingFooter.Visible = shown;
    ASSERT_EQ(grid.DataRowEnd(), shown ? 6 : 7);
    QTemporaryDir dir;
    EXPECT_EQ(c.Run(w, dir), shown ? c.Shown : c.Hidden);
    EXPECT_TRUE(grid.Verify());
}

INSTANTIATE_TEST_SUITE_P(EveryPlace, FooterRows, testing::Combine(testing::ValuesIn(kCases), testing::Bool()),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).Name) +
                                    (std::get<1>(info.param) ? "_FooterShown" : "_FooterHidden");
                         });

// The preview styles have no footer row: nothing is counted for them.
TEST(FooterRowsPreview, APreviewFooterLeavesTheLastRowToTheData) {
    TAdvancedGridWindow w(2, 4);
    TVevIvizudEvar& grid = w.Grid();
    for (int r = 1; r < 4; ++r) grid.SetCells(0, r, QString::number(4 - r));
    grid.FloatingFooter.FooterStyle = TFooterStyle::fsColumnPreview;
    grid.FloatingFooter.Visible = true;
    EXPECT_EQ(grid.DataRowEnd(), 4);
    grid.SortByColumn();
    EXPECT_EQ(Column(grid), ",1,2,3");
    grid.AddRow();
    EXPECT_EQ(grid.RowCount(), 5);
    EXPECT_EQ(grid.Cells(0, 3), "3");
}

} // namespace
