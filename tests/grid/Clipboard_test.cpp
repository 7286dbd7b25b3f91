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
    EXPECT_EQ(ClipboardNow(), "\"line 1\nline 2\"\t21");
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

// Quotes inside a multi-line cell are doubled, as spreadsheets write them, so that a quote next to
// a line break does not end the cell; every kind of line break of a cell comes back as CR LF.
TEST_F(ClipboardText, MultiLineCellsWithQuotesAndAnyLineBreakComeBackWhole) {
    const QStringList cells = {"Nome \"Zé\"\r\nramal", "a\"\n\"b", "lone\rCR", "\"\"\r\n"};
    for (const QString& cell : cells) {
        SCOPED_TRACE(cell.toStdString());
        Grid().SetGridCells(1, 1, cell);
        Select(1, 1, 2, 2);
        Grid().CopyToClipboard();
        Grid().PasteText(1, 3, ClipboardNow());
        QString back = cell;
        EXPECT_EQ(Grid().GetGridCells(1, 3),
                  back.replace("\r\n", "\n").replace('\r', '\n').replace("\n", "\r\n"));
        EXPECT_EQ(Column(2).mid(2, 2), QStringList({"21", "22"}));
    }
    // A quoted cell ends before a TAB: a quote that no quote closes before one is text.
    Grid().PasteText(1, 1, "\"a\"\"\nb\"\tx\n\"c\ty\n\"\tz");
    EXPECT_EQ(Column(1).mid(0, 3), QStringList({"a\"\r\nb", "\"c", "\""}));
    EXPECT_EQ(Column(2).mid(0, 3), QStringList({"x", "y", "z"}));
}

TEST_F(ClipboardText, NewRowsGoAboveTheFooterRows) {
    Grid().SetFixedFooters(1);
    Grid().SetGridCells(1, 5, "total");
    Grid().PasteText(1, 4, "a\r\nb\r\nc");
    EXPECT_EQ(Column(1), QStringList({"11", "12", "13", "a", "b", "c", "total"}));
}

TEST_F(ClipboardText, LinesEndedByLineFeedAloneAreLines) {
    Grid().PasteText(1, 1, "a\nb\n\"two\nlines\"\tc\n");
    EXPECT_EQ(Column(1).mid(0, 3), QStringList({"a", "b", "two\r\nlines"}));
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
