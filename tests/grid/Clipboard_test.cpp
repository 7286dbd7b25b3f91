// The advanced grid's cells on the clipboard as text: the copied text, pasting with growth and
// refusals, the smart fill, the measure of a text, and the shortcuts a user presses.
#include "GridTestSupport.h"
#include "grid/TextUtils.h"
#include "platform/ui/Clipboard.h"

#include <QApplication>
#include <QClipboard>

namespace {

// A 4 x 6 grid (a fixed row and column) with editing on; data cells read "cR" (column, row).
class ClipboardText : public testing::Test {
protected:
    ClipboardText() : w_(4, 6) {
        Grid().SetOptions(Grid().Options() + goEditing + goRangeSelect);
        for (int r = 1; r < 6; ++r)
            for (int c = 1; c < 4; ++c) Grid().SetGridCells(c, r, QString("%1%2").arg(c).arg(r));
    }
    TVevIvizudEvar& Grid() { return w_.Grid(); }
    void Select(int left, int top, int right, int bottom) { Grid().SetSelection({left, top, right, bottom}); }
    QStringList Column(int col) {
        QStringList texts;
        for (int r = 1; r < Grid().RowCount(); ++r) texts << Grid().GetGridCells(col, r);
        return texts;
    }
    static QString ClipboardNow() { return QApplication::clipboard()->text(); }
    TAdvancedGridWindow w_;
};

TEST_F(ClipboardText, CopyJoinsCellsByTabAndRowsByCrLfWithoutATrailingBreak) {
    Grid().SetGridCells(1, 1, "A");
    Grid().SetGridCells(2, 1, "B");
    Grid().SetGridCells(1, 2, "C");
    Grid().SetGridCells(2, 2, "D");
    Select(1, 1, 2, 2);
    Grid().CopyToClipboard();
    EXPECT_EQ(ClipboardNow(), "A\tB\r\nC\tD");
    Select(2, 2, 2, 2);
    Grid().CopyToClipboard();
    EXPECT_EQ(ClipboardNow(), "D");
}

TEST_F(ClipboardText, CopyDropsTagsOnlyWhenAsked) {
    Grid().SetGridCells(1, 1, "<b>bold</b>");
    Select(1, 1, 1, 1);
    Grid().CopyToClipboard();
    EXPECT_EQ(ClipboardNow(), "<b>bold</b>");
    Grid().Navigation.CopyHTMLTagsToClipboard = false;
    Grid().CopyToClipboard();
    EXPECT_EQ(ClipboardNow(), "bold");
}

TEST_F(ClipboardText, TwoLineCellCopiesQuotedAndPastesBackAsTwoLines) {
    Grid().SetGridCells(1, 1, "line 1\r\nline 2");
    Select(1, 1, 2, 1);
    Grid().CopyToClipboard();
    EXPECT_EQ(ClipboardNow(), "\"line 1\r\nline 2\"\t21");
    Select(2, 3, 2, 3);
    Grid().PasteFromClipboard();
    EXPECT_EQ(Grid().GetGridCells(2, 3), "line 1\r\nline 2");
    EXPECT_EQ(Grid().GetGridCells(3, 3), "21");
}

TEST_F(ClipboardText, CopyTakesTheWholeMergedBlockAndOnlyMarkedRows) {
    Grid().MergeCells(1, 1, 2, 1);
    Select(2, 1, 3, 2); // starts inside the block
    Grid().CopyToClipboard();
    EXPECT_EQ(ClipboardNow(), "11\t11\t31\r\n12\t22\t32");
    Grid().MouseActions.SetDisjunctRowSelect(true);
    Grid().SetRowSelect(2, true);
    Grid().SetRowSelect(4, true);
    Grid().CopyToClipboard();
    EXPECT_EQ(ClipboardNow(), "\t12\t22\t32\r\n\t14\t24\t34");
}

// Three lines pasted at the last data row, with and without row growth; a line of five cells at
// column 1, with and without column growth.
struct TGrowCase {
    const char* text;
    bool rowGrow, colGrow;
    int pasted, rows, cols;
    QStringList lastColumn; // the grid's last column from row 1
};

class PasteGrowth : public ClipboardText, public testing::WithParamInterface<TGrowCase> {};

TEST_P(PasteGrowth, GrowsTheGridOnlyWhenAllowed) {
    const TGrowCase& c = GetParam();
    Grid().Navigation.AllowClipboardRowGrow = c.rowGrow;
    Grid().Navigation.AllowClipboardColGrow = c.colGrow;
    EXPECT_EQ(Grid().PasteText(3, 5, c.text), c.pasted);
    EXPECT_EQ(Grid().RowCount(), c.rows);
    EXPECT_EQ(Grid().ColCount(), c.cols);
    EXPECT_EQ(Column(Grid().ColCount() - 1), c.lastColumn);
    EXPECT_TRUE(Grid().Verify());
}

INSTANTIATE_TEST_SUITE_P(
    Growth, PasteGrowth,
    testing::Values(TGrowCase{"x\r\ny\r\nz", true, true, 3, 8, 4, {"31", "32", "33", "34", "x", "y", "z"}},
                    TGrowCase{
                        "x\r\ny\r\nz\r\n", true, true, 3, 8, 4, {"31", "32", "33", "34", "x", "y", "z"}},
                    TGrowCase{"x\r\ny\r\nz", false, true, 3, 6, 4, {"31", "32", "33", "34", "x"}},
                    TGrowCase{"x\ty\tz", true, true, 3, 6, 6, {"", "", "", "", "z"}},
                    TGrowCase{"x\ty\tz", true, false, 3, 6, 4, {"31", "32", "33", "34", "x"}}));

// Cells whose text reads back otherwise unless the copy quotes it, and cells that need no quotes,
// copied with Ctrl+C from one grid and pasted with Ctrl+V into another, in one column and in two;
// the grids have a floating footer or none.
class AwkwardCells : public testing::TestWithParam<std::tuple<bool, int>> {};

TEST_P(AwkwardCells, ComeBackWholeThroughTheTextClipboard) {
    const auto [footer, columns] = GetParam();
    const QStringList cells = {
        "a\tb", "tab\tand\r\nbreak", "lf1\nlf2",   "cr1\rcr2",       "crlf1\r\ncrlf2", "\"quoted\"",
        "\"",   "mid\"dle",          "end\"",      "\"\"\"",         "two\r\n\r\n",    "\r",
        "\t",   "\"a\tb\"",          "  \"spaces", "mixed\r\n\n\r.", "\"\r\n\"",       "plain",
        ""};
    const int n = int(cells.size());
    auto prepare = [&](TAdvancedGridWindow& w) {
        TVevIvizudEvar& g = w.Grid();
        g.SetOptions(g.Options() + goRangeSelect);
        g.Navigation.AllowClipboardShortCuts = true;
        g.SetGridCells(1, g.RowCount() - 1, "Total");
        g.FloatingFooter.Visible = footer;
        g.SetFixedFooters(footer ? 1 : 0);
    };
    TAdvancedGridWindow from(3, n + 2, QSize(400, 600)), to(3, 4);
    prepare(from);
    prepare(to);
    to.Grid().SetOptions(to.Grid().Options() + goEditing);
    to.Grid().SetRow(2); // a click on the current cell would open its editor
    for (int r = 0; r < n; ++r) {
        from.Grid().SetGridCells(1, r + 1, cells[r]);
        from.Grid().SetGridCells(2, r + 1, QString("ok%1").arg(r));
    }
    // The window clicked in becomes the active one, as a window manager makes it.
    auto use = [](TAdvancedGridWindow& w) { QApplication::setActiveWindow(w.Grid().window()); };
    use(from);
    from.Press(from.CellCentre(1, 1));
    from.MoveTo(from.CellCentre(columns, n));
    from.Release(from.CellCentre(columns, n));
    ASSERT_EQ(from.Grid().Selection(), (TGridRect{1, 1, columns, n}));
    from.Key(Qt::Key_C, Qt::ControlModifier);
    use(to);
    to.Click(to.CellCentre(1, 1));
    to.Key(Qt::Key_V, Qt::ControlModifier);
    ASSERT_EQ(to.Grid().RowCount(), footer ? n + 2 : n + 1);
    for (int c = 1; c <= columns; ++c)
        EXPECT_EQ(ColumnTexts(to.Grid(), c, 1).mid(0, n), ColumnTexts(from.Grid(), c, 1).mid(0, n)) << c;
    if (footer) {
        EXPECT_EQ(to.Grid().GetGridCells(1, n + 1), "Total");
    }
}

INSTANTIATE_TEST_SUITE_P(FooterAndColumns, AwkwardCells,
                         testing::Combine(testing::Bool(), testing::Values(1, 2)));

// Texts the grid copies, a plain editor holds and LibreOffice copies, with the cells LibreOffice
// reads from them (its text import with TAB and '"', recorded once): the grid pastes each as
// LibreOffice reads it (which holds every line break as an LF), and copies those cells as that text.
struct TReadCase {
    const char* Name;
    const char* Text;
    std::vector<QStringList> Rows;
};

TEST_F(ClipboardText, TextsPasteAsASpreadsheetReadsThemAndCopiesWriteThem) {
    const std::vector<TReadCase> cases = {
        {"grid, two columns",
         "\"a\tb\"\tok0\r\n\"lf1\nlf2\"\tok1\r\n\"\"\"quoted\"\"\"\tok2\r\n\"\"\"\"\tok3\r\nmid\"dle\tok4\r\n"
         "end\"\tok5\r\n\"\"\"\"\"\"\"\"\tok6\r\n\"two\n\n\"\tok7\r\n\"\n\"\tok8\r\n\"\t\"\tok9\r\n\"\"\"a\tb"
         "\"\"\"\tok10\r\n\"  \"\"spaces\"\tok11\r\n\"\"\"\n\"\"\"\tok12\r\nplain\tok13\r\nx\"\"y\tok14",
         {{"a\tb", "ok0"},
          {"lf1\nlf2", "ok1"},
          {"\"quoted\"", "ok2"},
          {"\"", "ok3"},
          {"mid\"dle", "ok4"},
          {"end\"", "ok5"},
          {"\"\"\"", "ok6"},
          {"two\n\n", "ok7"},
          {"\n", "ok8"},
          {"\t", "ok9"},
          {"\"a\tb\"", "ok10"},
          {"  \"spaces", "ok11"},
          {"\"\n\"", "ok12"},
          {"plain", "ok13"},
          {"x\"\"y", "ok14"}}},
        {"editor: TAB inside quotes", "\"tab\tinside\"\tx", {{"tab\tinside", "x"}}},
        {"editor: one quoted word", "\"quoted\"", {{"quoted"}}},
        {"editor: a quote never closed", "\"never closed\tx\ny\tz", {{"\"never closed", "x"}, {"y", "z"}}},
        {"editor: quotes inside cells",
         "a\"b\tc\"\"d\te\"\r\n\"f\"\"g\"\th",
         {{"a\"b", "c\"\"d", "e\""}, {"f\"g", "h"}}},
        {"editor: lines across quotes",
         "n\t\"one\ntwo\r\nthree\"\tm\n\"\tq\"\t\"r\n",
         {{"n", "one\ntwo\nthree", "m"}, {"\tq", "\"r"}}},
        {"LibreOffice",
         "ab\tok0\n\"lf1\nlf2\"\tok1\n\"\"\"quoted\"\"\"\tok2\n\"\"\"\"\tok3\n\"mid\"\"dle\"\tok4\n\"end\"\""
         "\"\tok5\n\"\"\"\"\"\"\"\"\tok6\n\"two\n\n\"\tok7\n\"\n\"\tok8\n\tok9\n\"\"\"ab\"\"\"\tok10\n\"  "
         "\"\"spaces\"\tok11\n\"\"\"\n\"\"\"\tok12\nplain\tok13\n\"x\"\"\"\"y\"\tok14\n",
         {{"ab", "ok0"},
          {"lf1\nlf2", "ok1"},
          {"\"quoted\"", "ok2"},
          {"\"", "ok3"},
          {"mid\"dle", "ok4"},
          {"end\"", "ok5"},
          {"\"\"\"", "ok6"},
          {"two\n\n", "ok7"},
          {"\n", "ok8"},
          {"", "ok9"},
          {"\"ab\"", "ok10"},
          {"  \"spaces", "ok11"},
          {"\"\n\"", "ok12"},
          {"plain", "ok13"},
          {"x\"\"y", "ok14"}}},
    };
    for (const TReadCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TAdvancedGridWindow w(1, 1);
        TVevIvizudEvar& g = w.Grid();
        g.SetOptions(g.Options() + goEditing);
        g.SetFixedCols(0);
        g.SetFixedRows(0);
        g.PasteText(0, 0, QString::fromUtf8(c.Text));
        std::vector<QStringList> rows = GridRows(g), expected = c.Rows;
        for (QStringList& row : rows) row.replaceInStrings("\r\n", "\n");
        for (QStringList& row : expected)
            while (row.size() < g.ColCount()) row << ""; // LibreOffice's rows end at their last text
        EXPECT_EQ(rows, expected);
        if (std::string_view(c.Name).starts_with("grid")) {
            g.SetSelection({0, 0, g.ColCount() - 1, g.RowCount() - 1});
            g.CopyToClipboard();
            EXPECT_EQ(ClipboardNow(), QString::fromUtf8(c.Text));
        }
    }
}

TEST_F(ClipboardText, NewRowsGoAboveTheFooterRows) {
    Grid().SetFixedFooters(1);
    Grid().SetGridCells(1, 5, "total");
    Grid().PasteText(1, 4, "a\r\nb\r\nc");
    EXPECT_EQ(Column(1), QStringList({"11", "12", "13", "a", "b", "c", "total"}));
}

TEST_F(ClipboardText, LinesEndedByLineFeedAloneAreLines) {
    Grid().PasteText(1, 1, "a\nb\n\"two\nlines\"\tc\n");
    EXPECT_EQ(Column(1).mid(0, 3), QStringList({"a", "b", "two\nlines"}));
    EXPECT_EQ(Grid().GetGridCells(2, 3), "c");
}

TEST_F(ClipboardText, HiddenColumnsAreNeitherCopiedNorPastedInto) {
    Grid().HideColumn(2);
    Grid().PasteText(1, 1, "a\tb");
    EXPECT_EQ(Grid().GetGridCells(1, 1), "a");
    EXPECT_EQ(Grid().GetGridCells(2, 1), "21");
    EXPECT_EQ(Grid().GetGridCells(3, 1), "b");
    Select(1, 1, 2, 1);
    Grid().CopyToClipboard();
    EXPECT_EQ(ClipboardNow(), "a\tb");
}

TEST_F(ClipboardText, PasteSkipsRefusedReadOnlyAndFixedCells) {
    Grid().GetCellProperties(2, 1)->ReadOnly = true;
    Grid().OnClipboardBeforePasteCell = [](QObject*, int, int, QString& value, bool& allow) {
        allow = value != "no";
        value = value.toUpper();
    };
    EXPECT_EQ(Grid().PasteText(0, 1, "h\tb\tx\tno"), 4);
    EXPECT_EQ(Grid().Rows(1), QStringList({"", "B", "21", "31"}));
    Grid().Navigation.AllowClipboardAlways = true;
    Grid().PasteText(2, 1, "b");
    EXPECT_EQ(Grid().GetGridCells(2, 1), "B");
}

TEST_F(ClipboardText, PasteDoesNothingWhileEditingIsOff) {
    Grid().SetOptions(Grid().Options() - goEditing);
    EXPECT_EQ(Grid().PasteText(1, 1, "x"), 0);
    EXPECT_EQ(Grid().GetGridCells(1, 1), "11");
    Grid().MouseActions.RangeSelectAndEdit = true;
    Grid().PasteText(1, 1, "x");
    EXPECT_EQ(Grid().GetGridCells(1, 1), "x");
}

TEST_F(ClipboardText, CutEmptiesTheEditableCellsItCopied) {
    Grid().GetCellProperties(2, 2)->ReadOnly = true;
    std::vector<TRect> changed;
    Grid().OnCellsChanged = [&](QObject*, TRect r) { changed.push_back(r); };
    Select(1, 1, 2, 2);
    Grid().CutToClipboard();
    EXPECT_EQ(ClipboardNow(), "11\t21\r\n12\t22");
    EXPECT_EQ(Grid().Rows(1).mid(1, 2), QStringList({"", ""}));
    EXPECT_EQ(Grid().Rows(2).mid(1, 2), QStringList({"", "22"}));
    EXPECT_EQ(changed, (std::vector<TRect>{{1, 1, 2, 2}}));
}

TEST_F(ClipboardText, WideMarkerTextPassesTheWideEventAndIsStoredAsItsCharacters) {
    QString encoded;
    EncodeWideCell(QString::fromUtf8("ação"), encoded);
    QString seen;
    Grid().OnClipboardBeforePasteWideCell = [&](QObject*, int, int, QString& value, bool&) { seen = value; };
    Grid().PasteText(1, 1, encoded);
    EXPECT_EQ(seen, QString::fromUtf8("ação"));
    EXPECT_EQ(Grid().GetGridCells(1, 1), QString::fromUtf8("ação"));
}

struct TDimensionCase {
    const char* text;
    TPoint size;
};

class TextDimensions : public ClipboardText, public testing::WithParamInterface<TDimensionCase> {};

TEST_P(TextDimensions, CountsCellsOfTheWidestLineAndLineBreaks) {
    TPoint size{-1, -1};
    Grid().GetTextDimensions(GetParam().text, size);
    EXPECT_EQ(size, GetParam().size);
}

INSTANTIATE_TEST_SUITE_P(Texts, TextDimensions,
                         testing::Values(TDimensionCase{"", {0, 0}}, TDimensionCase{"x", {1, 0}},
                                         TDimensionCase{"a\tb\r\nc", {2, 1}},
                                         TDimensionCase{"a\tb\r\n", {2, 1}},
                                         TDimensionCase{"a\nb\tc\td", {3, 1}},
                                         TDimensionCase{"\"a\nb\"\tc", {2, 0}}));

// ---- Smart fill ------------------------------------------------------------------------------------

struct TFillCase {
    const char* what;
    const char* text;
    TGridRect selection;
    int col;            // the column read back
    QStringList values; // from row 1
};

class SmartFill : public ClipboardText, public testing::WithParamInterface<TFillCase> {};

TEST_P(SmartFill, ContinuesWhatWasPasted) {
    const TFillCase& c = GetParam();
    TFormatSettingsScope scope(TFormatSettings::BrazilianPortuguese());
    Grid().Navigation.AllowSmartClipboard = true;
    Grid().SetSelection(c.selection);
    Clipboard().SetAsText(c.text);
    Grid().PasteFromClipboard();
    EXPECT_EQ(Column(c.col), c.values) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Fills, SmartFill,
    testing::Values(
        TFillCase{"one value", "7", {1, 1, 3, 3}, 3, {"7", "7", "7", "34", "35"}},
        TFillCase{"integers", "1\r\n2", {1, 1, 1, 5}, 1, {"1", "2", "3", "4", "5"}},
        TFillCase{"floats", "1,5\r\n2,0", {1, 1, 1, 5}, 1, {"1,50", "2,00", "2,50", "3,00", "3,50"}},
        TFillCase{"months",
                  "01/01/2024\r\n01/02/2024",
                  {1, 1, 1, 4},
                  1,
                  {"01/01/2024", "01/02/2024", "01/03/2024", "01/04/2024", "15"}},
        TFillCase{"days",
                  "30/12/2023\r\n31/12/2023",
                  {1, 2, 1, 4},
                  1,
                  {"11", "30/12/2023", "31/12/2023", "01/01/2024", "15"}},
        TFillCase{
            "times", "10:00\r\n10:30", {1, 1, 1, 3}, 1, {"10:00:00", "10:30:00", "11:00:00", "14", "15"}},
        TFillCase{"repeated with the period pasted", "a\r\nb", {1, 1, 1, 5}, 1, {"a", "b", "a", "b", "a"}},
        TFillCase{"repeated along a row", "a\tb", {1, 2, 3, 2}, 3, {"31", "a", "33", "34", "35"}},
        TFillCase{
            "a paste that covers the selection", "a\r\nb", {1, 1, 1, 2}, 1, {"a", "b", "13", "14", "15"}}),
    [](const auto& info) {
        std::string name = info.param.what;
        for (char& ch : name)
            if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
        return name;
    });

TEST_F(ClipboardText, SmartFillAsksBeforeEachCellButTheFirst) {
    Grid().Navigation.AllowSmartClipboard = true;
    std::vector<int> asked;
    Grid().OnClipboardBeforePasteCell = [&](QObject*, int, int row, QString&, bool& allow) {
        asked.push_back(row);
        allow = row != 3;
    };
    Select(1, 1, 1, 4);
    Clipboard().SetAsText("5");
    Grid().PasteFromClipboard();
    EXPECT_EQ(asked, (std::vector<int>{1, 2, 3, 4})); // the paste's own cell, then the fill
    EXPECT_EQ(Column(1).mid(0, 4), QStringList({"5", "5", "13", "5"}));
}

// ---- Keys ----------------------------------------------------------------------------------------

TEST_F(ClipboardText, ShortcutsActAfterTheirEventAllows) {
    Grid().Navigation.AllowClipboardShortCuts = true;
    std::vector<QString> events;
    auto record = [&](const char* name) {
        return [&, name](QObject*, bool& allow) {
            events.push_back(QString("%1 %2").arg(name, ClipboardNow()));
            allow = true;
        };
    };
    Grid().OnClipboardCopy = record("copy");
    Grid().OnClipboardCut = record("cut");
    Grid().OnClipboardPaste = record("paste");
    Clipboard().SetAsText("old");
    w_.Press(w_.CellCentre(1, 1));
    w_.Release(w_.CellCentre(1, 1));
    w_.Key(Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(ClipboardNow(), "11");
    w_.Click(w_.CellCentre(2, 2));
    w_.Key(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(Grid().GetGridCells(2, 2), "11");
    w_.Click(w_.CellCentre(3, 3));
    w_.Key(Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(ClipboardNow(), "33");
    EXPECT_EQ(Grid().GetGridCells(3, 3), "");
    EXPECT_EQ(events, (std::vector<QString>{"copy old", "paste 11", "cut 11"}));
    EXPECT_FALSE(w_.EditorShown());
    EXPECT_TRUE(Grid().hasFocus());
}

TEST_F(ClipboardText, RefusedShortcutChangesNothing) {
    Grid().Navigation.AllowClipboardShortCuts = true;
    Grid().OnClipboardCut = [](QObject*, bool& allow) { allow = false; };
    Clipboard().SetAsText("old");
    w_.Click(w_.CellCentre(1, 1));
    w_.Key(Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(ClipboardNow(), "old");
    EXPECT_EQ(Grid().GetGridCells(1, 1), "11");
}

} // namespace
