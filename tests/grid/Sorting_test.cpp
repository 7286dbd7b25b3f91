// Sorting the advanced grid: the comparison of every style, blanks, where equal rows end (against
// the plain recursive algorithm), what never moves and what travels with its row, the indexed and
// node sorts, the order before sorting kept through inserted and removed rows, and the checks.
#include "GridTestSupport.h"
#include "XlsxFiles.h"
#include "grid/GridError.h"
#include "grid/TextUtils.h"

#include <QBuffer>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>
#include <functional>
#include <numeric>
#include <random>

namespace {

// A grid of a fixed row and the given data rows: column 0 the key, column 1 the row's name.
void Fill(TVevIvizudEvar& grid, const QStringList& keys, int cols = 2) {
    grid.SetColCount(cols);
    grid.SetRowCount(int(keys.size()) + 1);
    grid.SetFixedRows(1);
    grid.SetFixedCols(0);
    grid.SetGridCells(0, 0, "key");
    grid.SetGridCells(1, 0, "name");
    for (int i = 0; i < keys.size(); ++i) {
        grid.SetGridCells(0, i + 1, keys[i]);
        grid.SetGridCells(1, i + 1, QString("r%1").arg(i));
    }
}

// Below the header row unless told otherwise.
QStringList Column(TVevIvizudEvar& grid, int col, int from = 1) {
    return ColumnTexts(grid, col, from);
}

std::unique_ptr<TCellGraphic> Graphic(TCellType type, int index = 0, bool state = false) {
    auto graphic = std::make_unique<TCellGraphic>();
    graphic->CellType = type;
    graphic->CellIndex = index;
    graphic->CellBoolean = state;
    return graphic;
}

// ---- Comparing two cells -------------------------------------------------------------------------

struct TCompareCase {
    const char* what;
    TSortStyle style;
    const char *prefix, *suffix, *text1, *text2;
    int expected;
};

class CompareCells : public testing::TestWithParam<TCompareCase> {};

TEST_P(CompareCells, AnswersAsTheStyleReadsTheTexts) {
    const TCompareCase& c = GetParam();
    TFormatSettingsScope scope(TFormatSettings::BrazilianPortuguese());
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil));
    TVevIvizudEvar grid;
    Fill(grid, {c.text1, c.text2});
    int asked = 0;
    grid.OnGetFormat = [&](QObject*, int, TSortStyle& style, QString& prefix, QString& suffix) {
        ++asked;
        style = c.style;
        prefix = c.prefix;
        suffix = c.suffix;
    };
    grid.OnCustomCompare = [](QObject*, const QString& a, const QString& b, int& res) {
        res = int(a.size() - b.size()) * 7; // any sign counts
    };
    grid.OnRawCompare = [](QObject*, int, int row1, int row2, int& res) { res = row2 - row1; };
    EXPECT_EQ(grid.CompareCells(0, 1, 0, 2), c.expected) << c.what;
    EXPECT_EQ(asked, 1);
    QLocale::setDefault(saved);
}

constexpr auto ssText = TSortStyle::ssText, ssNumeric = TSortStyle::ssNumeric,
               ssGrouped = TSortStyle::ssNumericGrouped, ssDMY = TSortStyle::ssDateDMY,
               ssMDY = TSortStyle::ssDateMDY, ssDateTime = TSortStyle::ssDateTime,
               ssAuto = TSortStyle::ssAutomatic;

INSTANTIATE_TEST_SUITE_P(
    Styles, CompareCells,
    testing::Values(TCompareCase{"code units", ssText, "", "", "a", "B", 1},
                    TCompareCase{"ordinal", TSortStyle::ssTextOrdinal, "", "", "B", "a", -1},
                    TCompareCase{"no case", TSortStyle::ssTextNoCase, "", "", "a", "B", -1},
                    TCompareCase{"no case equal", TSortStyle::ssTextNoCase, "", "", "abc", "ABC", 0},
                    TCompareCase{"numbers", ssNumeric, "", "", "10", "9", 1},
                    TCompareCase{"two failures are equal", ssNumeric, "", "", "abc", "xyz", 0},
                    TCompareCase{"a failure counts what it read", ssNumeric, "", "", "12abc", "5", 1},
                    TCompareCase{"a failure from the start is 0", ssNumeric, "", "", "abc", "5", -1},
                    TCompareCase{"empty is 0", ssNumeric, "", "", "", "-1", 1},
                    TCompareCase{"decimal comma", ssNumeric, "", "", "1,5", "1,25", 1},
                    TCompareCase{"prefix and suffix", ssNumeric, "R$ ", " un", "R$ 10 un", "R$ 9 un", 1},
                    TCompareCase{"thousands need grouped", ssNumeric, "", "", "1.234,5", "999", -1},
                    TCompareCase{"grouped", ssGrouped, "", "", "1.234,5", "999", 1},
                    TCompareCase{"grouped value", ssGrouped, "", "", "1.234,5", "1234,5", 0},
                    TCompareCase{"day month year", ssDMY, "", "", "12/05/03", "11/06/03", -1},
                    TCompareCase{"99 is 1999", ssDMY, "", "", "01/01/99", "01/01/25", -1},
                    TCompareCase{"a bad date is 0", ssDMY, "", "", "xx/05/03", "01/01/1900", -1},
                    TCompareCase{"month day year", ssMDY, "", "", "05/12/03", "06/11/03", -1},
                    TCompareCase{"date and time", ssDateTime, "", "", "01/02/2024 10:00", "01/02/2024 09:30",
                                 1},
                    TCompareCase{"locale", TSortStyle::ssLocaleText, "", "", "é", "f", -1},
                    TCompareCase{"locale case", TSortStyle::ssLocaleText, "", "", "a", "A", -1},
                    TCompareCase{"locale no case", TSortStyle::ssLocaleTextNoCase, "", "", "a", "A", 0},
                    TCompareCase{"HTML", TSortStyle::ssHTMLText, "", "", "<b>b</b>", "a", 1},
                    TCompareCase{"custom", TSortStyle::ssCustom, "", "", "aaa", "b", 1},
                    TCompareCase{"raw", TSortStyle::ssRaw, "", "", "x", "x", 1},
                    TCompareCase{"automatic number", ssAuto, "", "", "10", "9", 1},
                    TCompareCase{"automatic number beside a text", ssAuto, "", "", "abc", "9", -1},
                    TCompareCase{"automatic number before a text", ssAuto, "", "", "9", "abc", 1},
                    TCompareCase{"automatic empty after a number", ssAuto, "", "", "-1", "", -1},
                    TCompareCase{"automatic empty before a number", ssAuto, "", "", "", "-1", 1},
                    TCompareCase{"automatic empty beside a date", ssAuto, "", "", "", "01/02/2024", -1},
                    TCompareCase{"automatic date", ssAuto, "", "", "02/01/2024", "01/02/2024", -1}),
    [](const auto& info) {
        std::string name = info.param.what;
        for (char& ch : name)
            if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
        return name;
    });

TEST(Sorting, WideTextIgnoresCaseInEveryLocale) {
    QString encoded;
    EncodeWideCell("a", encoded);
    TVevIvizudEvar grid;
    Fill(grid, {encoded, "B", "A"});
    grid.OnGetFormat = [](QObject*, int, TSortStyle& style, QString&, QString&) {
        style = TSortStyle::ssWideText;
    };
    const QLocale saved;
    for (const QLocale& locale : {QLocale::c(), QLocale(QLocale::Portuguese, QLocale::Brazil)}) {
        QLocale::setDefault(locale);
        EXPECT_EQ(grid.CompareCells(0, 1, 0, 2), -1) << locale.name().toStdString();
        EXPECT_EQ(grid.CompareCells(0, 1, 0, 3), 0) << locale.name().toStdString();
    }
    QLocale::setDefault(saved);
}

TEST(Sorting, CheckBoxesAndImagesCompareByTheirGraphic) {
    TVevIvizudEvar grid;
    Fill(grid, {"", "", "Y", "N", "", ""});
    grid.SetCellGraphicObject(0, 1, Graphic(TCellType::ctCheckBox, 0, true));
    grid.SetCellGraphicObject(0, 2, Graphic(TCellType::ctCheckBox, 0, false));
    grid.SetCellGraphicObject(0, 3, Graphic(TCellType::ctDataCheckBox));
    grid.SetCellGraphicObject(0, 4, Graphic(TCellType::ctDataCheckBox));
    grid.SetCellGraphicObject(0, 5, Graphic(TCellType::ctImageList, 3));
    grid.SetCellGraphicObject(0, 6, Graphic(TCellType::ctImageList, 5));
    // Automatic: a check box in the first cell makes it a check-box comparison.
    EXPECT_EQ(grid.CompareCells(0, 1, 0, 2), 1);
    EXPECT_EQ(grid.CompareCells(0, 2, 0, 1), -1);
    EXPECT_EQ(grid.CompareCells(0, 3, 0, 4), 1); // "Y" is the checked text
    grid.OnGetFormat = [](QObject*, int, TSortStyle& style, QString&, QString&) {
        style = TSortStyle::ssCellImage;
    };
    EXPECT_EQ(grid.CompareCells(0, 5, 0, 6), -1);
    EXPECT_EQ(grid.CompareCells(0, 5, 0, 3), 1); // a cell without a picture counts -1
}

// ---- Sorting rows ---------------------------------------------------------------------------------

TEST(Sorting, AutomaticStyleIsChosenFromBothCellsOfEachComparison) {
    TVevIvizudEvar grid;
    Fill(grid, {"10", "9", "abc"});
    grid.SortByColumn();
    EXPECT_EQ(Column(grid, 0), QStringList({"abc", "9", "10"}));
    Fill(grid, {"10", "9", "", "100", "-1", "F"}); // an empty cell counts as 0 beside numbers
    grid.SetFixedFooters(1);
    grid.SortByColumn();
    EXPECT_EQ(Column(grid, 0), QStringList({"-1", "", "9", "10", "100", "F"}));
}

// A sort splits the merged blocks whose rows it would part (or whose column moves alone); a
// block inside one row moves with it. The grid stays consistent through every sort.
TEST(Sorting, BlocksTheNewOrderWouldTearAreSplitAndTheGridStaysConsistent) {
    TVevIvizudEvar grid;
    Fill(grid, {"m", "c", "x", "a", "q", "b"}, 3);
    grid.MergeCells(1, 2, 2, 2); // rows c and x
    grid.MergeCells(1, 4, 2, 1); // row a alone
    const auto up = TSortDirection::sdAscending, down = TSortDirection::sdDescending;
    // SingleColumn, sort column, direction, where row a's block is then (-1: split)
    for (const auto& [single, col, direction, a] :
         {std::tuple{false, 0, up, 1}, {false, 0, down, 6}, {true, 1, up, -1}}) {
        grid.SortSettings.SingleColumn = single;
        grid.SortSettings.Column = col;
        grid.SortSettings.Direction = direction;
        grid.SortByColumn();
        EXPECT_TRUE(grid.Verify());
        for (int r = 1; r <= 6; ++r) EXPECT_EQ(grid.IsMergedCell(2, r), r == a) << r;
    }
    grid.RestoreRowOrder();
    EXPECT_TRUE(grid.Verify());
}

struct TBlankCase {
    bool ignoreBlanks;
    TSortBlankPosition position;
    TSortDirection direction;
    QStringList expected;
};

class BlankPlacement : public testing::TestWithParam<TBlankCase> {};

TEST_P(BlankPlacement, PutsEmptyCellsWhereAsked) {
    const TBlankCase& c = GetParam();
    TVevIvizudEvar grid;
    Fill(grid, {"3", "", "1", "", "2"});
    grid.SortSettings.IgnoreBlanks = c.ignoreBlanks;
    grid.SortSettings.BlankPos = c.position;
    grid.SortSettings.Direction = c.direction;
    grid.SortSettings.Full = false;
    grid.OnGetFormat = [](QObject*, int, TSortStyle& style, QString&, QString&) {
        style = TSortStyle::ssNumeric;
    };
    grid.SortByColumn();
    EXPECT_EQ(Column(grid, 0), c.expected);
}

constexpr auto blFirst = TSortBlankPosition::blFirst, blLast = TSortBlankPosition::blLast;
constexpr auto up = TSortDirection::sdAscending, down = TSortDirection::sdDescending;

INSTANTIATE_TEST_SUITE_P(Blanks, BlankPlacement,
                         testing::Values(TBlankCase{false, blLast, up, {"", "", "1", "2", "3"}},
                                         TBlankCase{false, blFirst, down, {"3", "2", "1", "", ""}},
                                         TBlankCase{true, blFirst, up, {"", "", "1", "2", "3"}},
                                         TBlankCase{true, blFirst, down, {"", "", "3", "2", "1"}},
                                         TBlankCase{true, blLast, up, {"1", "2", "3", "", ""}},
                                         TBlankCase{true, blLast, down, {"3", "2", "1", "", ""}}));

// The plain recursive algorithm (pivot copied, both parts recursed) on the rows' ids, compared by
// cmp(a, b) (-1, 0, 1): the reference for where rows with equal keys end.
template <typename TCompare>
void ReferenceSort(std::vector<int>& ids, int l, int r, int sign, const TCompare& cmp) {
    const int pivot = ids[size_t((l + r) / 2)];
    int i = l, j = r;
    do {
        while (cmp(pivot, ids[size_t(i)]) == sign && i < r) ++i;
        while (cmp(ids[size_t(j)], pivot) == sign && j > l) --j;
        if (i <= j) {
            if (i != j && cmp(ids[size_t(i)], ids[size_t(j)]) != 0) std::swap(ids[size_t(i)], ids[size_t(j)]);
            ++i;
            --j;
        }
    } while (i <= j);
    if (l < j) ReferenceSort(ids, l, j, sign, cmp);
    if (i < r) ReferenceSort(ids, i, r, sign, cmp);
}

TEST(Sorting, EqualKeysEndWhereThePlainAlgorithmPutsThemAndRestoreUndoesIt) {
    std::mt19937 random(27);
    for (int round = 0; round < 200; ++round) {
        const int rows = 1 + int(random() % 120);
        QStringList keys;
        std::vector<int> reference;
        for (int i = 0; i < rows; ++i) {
            const QString key = QString(int(random() % 3), QChar(u'a' + int(random() % 3)));
            keys << key;
            reference.push_back(i);
        }
        const bool descending = round % 2 == 1;
        TVevIvizudEvar grid;
        Fill(grid, keys, 4);
        grid.SetGridCells(2, 0, "fixed");
        grid.SetFixedFooters(1);
        reference.pop_back(); // the last row is a footer row
        for (int i = 0; i < rows; ++i) {
            grid.SetGridCells(3, i + 1, QString("hidden %1").arg(i));
            grid.SetGridCells(6, i + 1, QString("beyond %1").arg(i)); // beyond the columns
        }
        grid.HideColumn(3);
        ASSERT_EQ(grid.HiddenColCount(), 1);
        grid.SortSettings.Full = false;
        grid.SortSettings.Direction = descending ? TSortDirection::sdDescending : TSortDirection::sdAscending;
        grid.OnGetFormat = [](QObject*, int, TSortStyle& style, QString&, QString&) {
            style = TSortStyle::ssText;
        };
        grid.SortByColumn();
        if (reference.size() > 1)
            ReferenceSort(reference, 0, int(reference.size()) - 1, descending ? -1 : 1,
                          [&](int a, int b) { return (keys[a] > keys[b]) - (keys[a] < keys[b]); });
        for (int i = 0; i < rows - 1; ++i) {
            const int id = reference[size_t(i)];
            ASSERT_EQ(grid.GetGridCells(1, i + 1), QString("r%1").arg(id))
                << "round " << round << " row " << i;
            ASSERT_EQ(grid.GetGridCells(3, i + 1), QString("hidden %1").arg(id));
            ASSERT_EQ(grid.GetGridCells(6, i + 1), QString("beyond %1").arg(id));
        }
        EXPECT_EQ(grid.GetGridCells(1, rows), QString("r%1").arg(rows - 1)); // the footer stayed
        EXPECT_EQ(grid.GetGridCells(2, 0), "fixed");
        grid.SortSettings.Direction = TSortDirection::sdDescending;
        grid.SortByColumn();
        grid.RestoreRowOrder();
        for (int i = 0; i < rows; ++i) ASSERT_EQ(grid.GetGridCells(1, i + 1), QString("r%1").arg(i));
        ASSERT_TRUE(grid.Verify());
    }
}

TEST(Sorting, RestoreBringsBackRowZeroWithoutFixedRows) {
    TVevIvizudEvar grid;
    Fill(grid, {"b", "c", "a"});
    grid.SetFixedRows(0);
    grid.SetGridCells(0, 0, "z");
    grid.SortByColumn();
    EXPECT_EQ(Column(grid, 0, 0), QStringList({"a", "b", "c", "z"}));
    grid.RestoreRowOrder();
    EXPECT_EQ(Column(grid, 0, 0), QStringList({"z", "b", "c", "a"}));
}

TEST(Sorting, OrderBeforeSortingFollowsInsertedRemovedAndAddedRows) {
    TVevIvizudEvar grid;
    Fill(grid, {"d", "b", "a", "c"});
    grid.SetFixedRows(0);
    grid.SetGridCells(0, 0, "e");
    grid.SortByColumn(); // a b c d e
    grid.InsertRows(1, 1);
    grid.SetGridCells(0, 1, "x"); // a x b c d e: x follows a
    grid.RemoveRows(3, 1);        // c goes
    grid.SetRowCount(grid.RowCount() + 1);
    grid.SetGridCells(0, grid.RowCount() - 1, "y"); // added at the end
    grid.AddRow();
    grid.SetGridCells(0, grid.RowCount() - 1, "w"); // added at the end too
    ASSERT_TRUE(grid.Verify());
    grid.RestoreRowOrder();
    EXPECT_EQ(Column(grid, 0, 0), QStringList({"e", "d", "b", "a", "x", "y", "w"}));
}

// Rows added at the end, however they come, follow every earlier row in the order before sorting,
// and the sorts after the first keep it; rows cut off leave it; a file, a workbook or a stream of a
// whole grid loaded over the rows starts it afresh.
TEST(Sorting, RowsAddedOrCutAtTheEndKeepTheOrderBeforeTheFirstSort) {
    QTemporaryDir dir;
    QFile file(dir.filePath("more.csv"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("g\r\nf\r\n");
    file.close();
    const QString book = dir.filePath("more.xlsx");
    xlsxfiles::WriteXlsx(
        book, {{"Mais", xlsxfiles::SheetXml({xlsxfiles::Inline("A1", "g"), xlsxfiles::Inline("A2", "f")})}});
    QBuffer stream; // a whole grid of the two rows
    TVevIvizudEvar other;
    other.SetColCount(1), other.SetRowCount(2), other.SetCells(0, 0, "g"), other.SetCells(0, 1, "f");
    stream.open(QIODevice::ReadWrite);
    other.SaveCellsToStream({0, 0, 0, 1}, stream);
    const QStringList added = {"e", "d", "c", "b", "a", "g", "f"};
    const std::vector<std::pair<std::function<void(TVevIvizudEvar&)>, QStringList>> ways = {
        {[](TVevIvizudEvar& g) { g.SetRowCount(4); }, {"d", "c", "b", "a"}},
        {[](TVevIvizudEvar& g) { g.SetRowCount(7), g.SetGridCells(0, 5, "g"), g.SetGridCells(0, 6, "f"); },
         added},
        {[&](TVevIvizudEvar& g) { g.LoadDelimited(file.fileName(), true); }, added},
        {[&](TVevIvizudEvar& g) { g.LoadDelimited(file.fileName(), false); }, {"g", "f"}},
        {[&](TVevIvizudEvar& g) { g.ImportWorkbook(book, ""); }, {"g", "f"}},
        {[&](TVevIvizudEvar& g) {
             stream.seek(0);
             g.LoadCellsFromStream({0, 0}, stream);
         },
         {"g", "f"}},
    };
    for (const auto& [change, expected] : ways) {
        SCOPED_TRACE(expected.join(' ').toStdString());
        TVevIvizudEvar grid;
        Fill(grid, {"d", "c", "b", "a"}); // five rows with the heading
        grid.SetFixedRows(0);
        grid.SetGridCells(0, 0, "e");
        grid.SortByColumn();
        change(grid);
        grid.SortByColumn();
        grid.RestoreRowOrder();
        EXPECT_EQ(Column(grid, 0, 0), expected);
    }
}

TEST(Sorting, ColumnZeroStaysWithNormalCellsOnlyAndSingleColumnMovesOneColumn) {
    TVevIvizudEvar grid;
    Fill(grid, {"1", "2", "3"}, 3);
    for (int r = 1; r < 4; ++r) grid.SetGridCells(2, r, QString("%1").arg(4 - r));
    grid.SetFixedCols(1);
    grid.SortSettings.Column = 2;
    grid.SortSettings.NormalCellsOnly = true;
    grid.SortByColumn();
    EXPECT_EQ(Column(grid, 0), QStringList({"1", "2", "3"}));
    EXPECT_EQ(Column(grid, 1), QStringList({"r2", "r1", "r0"}));
    grid.RestoreRowOrder();
    EXPECT_EQ(Column(grid, 1), QStringList({"r0", "r1", "r2"}));
    grid.SortSettings.NormalCellsOnly = false;
    grid.SortSettings.SingleColumn = true;
    grid.SortByColumn();
    EXPECT_EQ(Column(grid, 2), QStringList({"1", "2", "3"}));
    EXPECT_EQ(Column(grid, 1), QStringList({"r0", "r1", "r2"}));
}

TEST(Sorting, CurrentRowFollowsItsDataOnlyWithMoveRowOnSort) {
    TAdvancedGridWindow w(2, 5);
    TVevIvizudEvar& grid = w.Grid();
    Fill(grid, {"d", "c", "b", "a"});
    std::vector<std::pair<int, QString>> updates;
    grid.OnRowUpdate = [&](QObject*, int, int row) { updates.push_back({row, grid.GetGridCells(0, row)}); };
    grid.SetCurrentRow(1); // "d"
    updates.clear();
    grid.SortByColumn();
    EXPECT_EQ(grid.Row(), 1);
    // Reported after the sort, with the row's new data.
    EXPECT_EQ(updates, (std::vector<std::pair<int, QString>>{{1, "a"}}));
    grid.Navigation.MoveRowOnSort = true;
    grid.SortSettings.Direction = TSortDirection::sdDescending;
    grid.SortByColumn();
    EXPECT_EQ(grid.Row(), 4);
    EXPECT_EQ(grid.GetGridCells(0, grid.Row()), "a");
}

TEST(Sorting, MarkedRowsMoveWithTheirDataUnderMoveRowOnSort) {
    TVevIvizudEvar grid;
    Fill(grid, {"b", "a"});
    grid.MouseActions.SetDisjunctRowSelect(true);
    grid.Navigation.MoveRowOnSort = true;
    grid.SetRowSelect(1, true);
    grid.SortByColumn();
    EXPECT_FALSE(grid.RowSelect(1));
    EXPECT_TRUE(grid.RowSelect(2));
}

TEST(Sorting, IndexedSortTakesEachColumnInItsDirection) {
    TVevIvizudEvar grid;
    Fill(grid, {"b", "a", "b", "a"}, 3);
    const QStringList second = {"1", "1", "2", "2"};
    for (int r = 1; r < 5; ++r) grid.SetGridCells(2, r, second[r - 1]);
    grid.SortIndexList.Add(0, true);
    grid.SortIndexList.Add(2, false);
    grid.SetCurrentRow(2);
    QString reported;
    grid.OnRowUpdate = [&](QObject*, int, int row) { reported = grid.GetGridCells(1, row); };
    grid.SortByIndexes();
    EXPECT_EQ(Column(grid, 1), QStringList({"r3", "r1", "r2", "r0"}));
    EXPECT_EQ(reported, "r1");
    EXPECT_EQ(grid.SortIndexList.Count(), 2);
}

TEST(Sorting, NodeSortKeepsNodeRowsAndSortsExpandedChildrenOnly) {
    TVevIvizudEvar grid;
    Fill(grid, {"n1", "c", "a", "b", "n2", "z", "y"});
    grid.AddNode(1, 4);
    grid.AddNode(5, 0);
    grid.ContractNode(5);
    grid.SortNodeRows();
    grid.ExpandNode(5);
    EXPECT_EQ(Column(grid, 0), QStringList({"n1", "a", "b", "c", "n2", "z", "y"}));
    EXPECT_TRUE(grid.Verify());
}

TEST(Sorting, NodeInsideANodeKeepsItsRows) {
    TVevIvizudEvar grid;
    Fill(grid, {"N", "d", "M", "y", "x", "b", "a"});
    grid.AddNode(1, 7, 1);
    grid.AddNode(3, 3, 2);
    grid.SortNodeRows();
    EXPECT_EQ(Column(grid, 0), QStringList({"N", "d", "M", "x", "y", "a", "b"}));
    EXPECT_EQ(grid.GetNodeSpan(3), 3);
    EXPECT_TRUE(grid.Verify());
}

TEST(Sorting, RowsHiddenMeanwhileKeepTheirPlaceInTheOrderBeforeSorting) {
    TVevIvizudEvar grid;
    Fill(grid, {"d", "b", "a", "c"});
    grid.SortByColumn(); // a b c d
    grid.HideRow(2);     // b
    grid.RestoreRowOrder();
    EXPECT_EQ(Column(grid, 0), QStringList({"d", "a", "c"}));
    grid.UnHideRowsAll();
    EXPECT_EQ(Column(grid, 0), QStringList({"d", "b", "a", "c"}));
    EXPECT_TRUE(grid.Verify());
}

TEST(Sorting, RefusesBadSettingsAndKeepsTheGrid) {
    TVevIvizudEvar grid;
    Fill(grid, {"b", "a"});
    try {
        grid.SortByIndexes();
        FAIL();
    } catch (const EVozAvozError& e) {
        EXPECT_STREQ(e.what(), "No indexes specified for indexed sort");
    }
    EXPECT_EQ(Column(grid, 0), QStringList({"b", "a"}));
    grid.SetFixedRows(1);
    grid.SortSettings.SetRow(1); // up to FixedRows
    try {
        grid.SortSettings.SetRow(2);
        FAIL();
    } catch (const EVozAvozError& e) {
        EXPECT_STREQ(e.what(), "Sort row should be smaller than number of fixed rows");
    }
    EXPECT_EQ(grid.SortSettings.Row(), 1);
    grid.SortSettings.Column = 5;
    EXPECT_THROW(grid.SortByColumn(), EVozAvozError);
}

TEST(Sorting, AsksTheFormatOncePerColumnAndSort) {
    TVevIvizudEvar grid;
    QStringList keys;
    for (int i = 0; i < 200; ++i) keys << QString::number(i % 7);
    Fill(grid, keys, 3);
    std::map<int, int> asked;
    grid.OnGetFormat = [&](QObject*, int col, TSortStyle&, QString&, QString&) { ++asked[col]; };
    grid.SortByColumn();
    EXPECT_EQ(asked, (std::map<int, int>{{0, 1}, {1, 1}}));
}

TEST(Sorting, OrganPipeInputSorts) {
    const int rows = 100000;
    TVevIvizudEvar grid;
    grid.SetColCount(1);
    grid.SetRowCount(rows);
    grid.SetFixedRows(0);
    grid.SetFixedCols(0);
    for (int r = 0; r < rows; ++r)
        grid.SetGridCells(0, r, QString("%1").arg(r < rows / 2 ? r : rows - 1 - r, 6, 10, QChar('0')));
    grid.OnGetFormat = [](QObject*, int, TSortStyle& style, QString&, QString&) {
        style = TSortStyle::ssText;
    };
    grid.SortByColumn();
    for (int r = 1; r < rows; ++r) ASSERT_LE(grid.GetGridCells(0, r - 1), grid.GetGridCells(0, r));
}

// Sorts the grid in a direction and expects the order the plain algorithm gives comparing the rows
// of the unsorted copy cell by cell (CompareRowsByColumn); ids: the copy's rows in the grid's order.
void ExpectPlainOrder(TVevIvizudEvar& grid, TVevIvizudEvar& copy, std::vector<int>& ids, int sign) {
    for (TVevIvizudEvar* g : {&grid, &copy}) g->SortSettings.Direction = sign > 0 ? up : down;
    ReferenceSort(ids, 0, int(ids.size()) - 1, sign,
                  [&](int a, int b) { return a == b ? 0 : copy.CompareRowsByColumn(0, a, b); });
    grid.SortByColumn();
    QStringList expected;
    for (int id : ids) expected << QString("r%1").arg(id - 1);
    ASSERT_EQ(Column(grid, 1), expected);
}

// The sort decides from what it reads of each row once, from records, by a plain sort of distinct
// keys, from cells read where they lie in memory, by radix for many numbers: it ends as the plain
// algorithm does for distinct and equal numbers and texts and for everything mixed, in each style,
// both directions, with and without Full and IgnoreBlanks, with a raw handler, and sorted again.
TEST(Sorting, EndsWhereThePlainAlgorithmComparingCellByCellEnds) {
    std::mt19937 random(41);
    const char* mixed[] = {"", "10", "9", "abc", "ABC", "1.5", "12/05/03", "2x", "-3", "<b>z</b>"};
    auto key = [&](int kind, int i) {
        return kind == 0   ? QString::number(i * 7 % 70001)
               : kind == 1 ? QString::number(int(random() % 9) - 4)
               : kind == 2 ? QString("k%1").arg(random() % 5)
               : kind == 3 ? QString("t%1").arg(i * 13 % 97, 3, 10, QChar('0'))
                           : QString(mixed[random() % 10]);
    };
    struct TRun {
        int Kind, Rows;
        TSortStyle Style;
        int Flags; // 1 descending, 2 Full, 4 IgnoreBlanks
    };
    std::vector<TRun> runs = {{1, 5000, TSortStyle::ssAutomatic, 2}, {0, 70000, TSortStyle::ssAutomatic, 0}};
    for (int kind = 0; kind < 5; ++kind)
        for (TSortStyle style :
             {TSortStyle::ssAutomatic, TSortStyle::ssText, TSortStyle::ssNumeric, TSortStyle::ssTextNoCase,
              TSortStyle::ssHTMLText, TSortStyle::ssDateDMY, TSortStyle::ssRaw})
            for (int flags = 0; flags < 8; ++flags)
                runs.push_back({kind, 2 + int(random() % 90), style, flags});
    for (const TRun& run : runs) {
        SCOPED_TRACE(testing::Message() << "kind " << run.Kind << " rows " << run.Rows << " style "
                                        << int(run.Style) << " flags " << run.Flags);
        QStringList keys, ties;
        for (int i = 0; i < run.Rows; ++i) keys << key(run.Kind, i), ties << QString::number(random() % 3);
        TVevIvizudEvar grid, copy;
        for (TVevIvizudEvar* g : {&grid, &copy}) {
            Fill(*g, keys, 3);
            for (int i = 0; i < run.Rows; ++i) g->SetGridCells(2, i + 1, ties[i]);
            g->SortSettings.Full = run.Flags & 2;
            g->SortSettings.IgnoreBlanks = run.Flags & 4;
            g->OnGetFormat = [&run](QObject*, int col, TSortStyle& s, QString&, QString&) {
                if (col == 0) s = run.Style;
            };
            if (run.Kind % 2 || run.Style == TSortStyle::ssRaw) // a handler reading the rows it is given
                g->OnRawCompare = [g](QObject*, int col, int row1, int row2, int& res) {
                    res = QString::compare(g->Cells(col, row1), g->Cells(col, row2));
                };
        }
        std::vector<int> ids(static_cast<size_t>(run.Rows));
        std::iota(ids.begin(), ids.end(), 1);
        const int sign = run.Flags & 1 ? -1 : 1;
        ExpectPlainOrder(grid, copy, ids, sign);
        ExpectPlainOrder(grid, copy, ids, -sign); // the rows' cells now lie out of the rows' order
    }
}
} // namespace
