// Where the data rows end: every operation that orders, fills, grows or walks the data rows, with
// the floating footer showing the last row and without it. A grid of a heading row, the keys 5, 4,
// 3, 2, 1 and a last row "FOOT": shown, that row is the footer and stays last; hidden, it is data.
#include "PointerTestSupport.h"
#include "XlsxFiles.h"
#include "grid/CellProperties.h"

#include <QFile>
#include <QTemporaryDir>

namespace {

using TWindow = TAdvancedGridWindow;

// An operation and what it gives (a count or a row; -1: only the rows), the footer shown and hidden.
struct TFooterCase {
    const char* Name;
    int (*Run)(TWindow& w, const QString& dir);
    const char *Shown, *Hidden;
};

QString Csv(const QString& dir) {
    QFile file(dir + "/rows.csv");
    return file.open(QIODevice::WriteOnly) && file.write("a\r\nb\r\n") == 6 ? file.fileName() : QString();
}

int Paste(TWindow& w, int row) {
    return w.Grid().PasteText(0, row, "p0\r\np1\r\np2\r\np3\r\np4\r\np5");
}

const TFooterCase kCases[] = {
    {"SortByColumn", [](TWindow& w, const QString&) { return w.Grid().SortByColumn(), -1; },
     "H,1,2,3,4,5,FOOT", "H,FOOT,1,2,3,4,5"},
    {"SortNodeRows",
     [](TWindow& w, const QString&) {
         return w.Grid().AddNode(1, w.Grid().DataRowEnd() - 1), w.Grid().SortNodeRows(), -1;
     },
     "H,5,1,2,3,4,FOOT", "H,5,FOOT,1,2,3,4"},
    {"PasteAtTheLastDataRow", [](TWindow& w, const QString&) { return Paste(w, w.Grid().DataRowEnd() - 1); },
     "H,5,4,3,2,p0,p1,p2,p3,p4,p5,FOOT;6", "H,5,4,3,2,1,p0,p1,p2,p3,p4,p5;6"},
    {"PasteAtTheFirstDataRow", [](TWindow& w, const QString&) { return Paste(w, 1); },
     "H,p0,p1,p2,p3,p4,p5,FOOT;6", "H,p0,p1,p2,p3,p4,p5;6"},
    {"PasteInTheMiddle", [](TWindow& w, const QString&) { return Paste(w, 3); },
     "H,5,4,p0,p1,p2,p3,p4,p5,FOOT;6", "H,5,4,p0,p1,p2,p3,p4,p5;6"},
    {"GridFormatPaste",
     [](TWindow& w, const QString&) {
         TVevIvizudEvar source; // larger than the block copied: not a whole grid
         source.SetRowCount(8);
         for (int r = 1; r < 7; ++r) source.SetCells(1, r, QString("p%1").arg(r - 1));
         source.Navigation.AllowFmtClipboard = w.Grid().Navigation.AllowFmtClipboard = true;
         source.SetSelection({1, 1, 1, 6});
         source.CopyToClipboard();
         return w.Grid().PasteFromClipboardAt(0, w.Grid().DataRowEnd() - 1);
     },
     "H,5,4,3,2,p0,p1,p2,p3,p4,p5,FOOT;6", "H,5,4,3,2,1,p0,p1,p2,p3,p4,p5;6"},
    {"AddRow", [](TWindow& w, const QString&) { return w.Grid().AddRow(), -1; }, "H,5,4,3,2,1,,FOOT",
     "H,5,4,3,2,1,FOOT,"},
    {"DelimitedAppend",
     [](TWindow& w, const QString& dir) { return w.Grid().LoadDelimited(Csv(dir), true), -1; },
     "H,5,4,3,2,1,a,b,FOOT", "H,5,4,3,2,1,FOOT,a,b"},
    {"DelimitedLoad", [](TWindow& w, const QString& dir) { return w.Grid().LoadFromCSV(Csv(dir)), -1; },
     "a,b,FOOT", "a,b"},
    {"WorkbookImport",
     [](TWindow& w, const QString& dir) {
         using namespace xlsxfiles;
         WriteXlsx(dir + "/rows.xlsx",
                   {{"Plan1", SheetXml({Inline("A1", "a"), Inline("A2", "b"), Inline("A3", "c")})}});
         return w.Grid().LoadFromXLS(dir + "/rows.xlsx"), -1;
     },
     "a,b,c,FOOT", "a,b,c"},
    {"FooterSum",
     [](TWindow& w, const QString&) {
         w.Grid().GetCellProperties(0, w.Grid().RowCount() - 1)->CalcType = TVevIvizudEvar::fcSum;
         w.Grid().FloatFormat = "%.0f";
         return w.Grid().SetCells(0, 0, ""), w.Grid().Recalculate(-1), -1;
     },
     ",5,4,3,2,1,15", ",5,4,3,2,1,FOOT"},
    {"RemovingTheLastDataRow",
     [](TWindow& w, const QString&) {
         w.Grid().SetRow(w.Grid().DataRowEnd() - 1);
         return w.Grid().RemoveRows(w.Grid().Row(), 1), w.Grid().Row();
     },
     "H,5,4,3,2,FOOT;4", "H,5,4,3,2,1;5"},
    {"EndKey",
     [](TWindow& w, const QString&) {
         w.Grid().Navigation.HomeEndKey = THomeEndAction::heFirstLastRow;
         return w.Key(Qt::Key_End), w.Grid().Row();
     },
     "H,5,4,3,2,1,FOOT;5", "H,5,4,3,2,1,FOOT;6"},
    {"PreviewFooter", // no footer row: the last row is data
     [](TWindow& w, const QString&) {
         w.Grid().FloatingFooter.Visible = false;
         w.Grid().FloatingFooter.FooterStyle = TFooterStyle::fsColumnPreview;
         return w.Grid().FloatingFooter.Visible = true, w.Grid().SortByColumn(), w.Grid().AddRow(), -1;
     },
     "H,FOOT,1,2,3,4,5,", "H,FOOT,1,2,3,4,5,"},
    {"DraggingTheLastRow",
     [](TWindow& w, const QString&) {
         w.Grid().SetFixedCols(1), w.Grid().SetOptions(w.Grid().Options() + goRowMoving);
         TPointer m(w);
         const QPoint from = m.Centre(0, w.Grid().RowCount() - 1), to = m.Centre(0, 1);
         return m.Hover(from), m.Press(from), m.Drag(to), m.Release(to), -1;
     },
     "H,5,4,3,2,1,FOOT", "H,FOOT,5,4,3,2,1"},
    {"WheelDown",
     [](TWindow& w, const QString&) { return TPointer(w).Wheel(w.CellCentre(0, 1), -10), w.Grid().Row(); },
     "H,5,4,3,2,1,FOOT;5", "H,5,4,3,2,1,FOOT;6"},
};

// Footer rows: 0 none, 1 the floating footer's row, 2 a fixed footer row "F1" above that one.
class FooterRows : public testing::TestWithParam<std::tuple<TFooterCase, int>> {};

TEST_P(FooterRows, DataRowsEndAboveTheFooterRowsAndOnlyThere) {
    const auto& [c, footers] = GetParam();
    if (footers == 2 && std::string_view(c.Name) == "PreviewFooter") GTEST_SKIP() << "no footer rows";
    QStringList texts{"H", "5", "4", "3", "2", "1", "FOOT"};
    QString expected = footers == 0 ? c.Hidden : c.Shown;
    if (footers == 2)
        expected.insert(expected.section(u';', 0, 0).lastIndexOf(u','), ",F1"), texts.insert(6, "F1");
    TWindow w(2, int(texts.size()));
    TVevIvizudEvar& grid = w.Grid();
    grid.SetFixedCols(0);
    grid.SetOptions(grid.Options() + goEditing);
    for (int r = 0; r < texts.size(); ++r) grid.SetCells(0, r, texts[r]);
    grid.FloatingFooter.Visible = footers > 0;
    grid.SetFixedFooters(footers);
    ASSERT_EQ(grid.DataRowEnd(), footers == 0 ? 7 : 6);
    QTemporaryDir dir;
    const int result = c.Run(w, dir.path());
    const QString rows = ColumnTexts(grid, 0).join(u',') + (result >= 0 ? QString(";%1").arg(result) : "");
    EXPECT_EQ(rows, expected);
    EXPECT_TRUE(grid.Verify());
}

INSTANTIATE_TEST_SUITE_P(EveryPlace, FooterRows,
                         testing::Combine(testing::ValuesIn(kCases), testing::Range(0, 3)),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).Name) + "_FooterRows" +
                                    std::to_string(std::get<1>(info.param));
                         });

} // namespace
