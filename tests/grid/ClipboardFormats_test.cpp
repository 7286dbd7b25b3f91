// The grid's own format and rich text on the clipboard: what a copy offers beside the text, what a
// paste takes, cut with the format, and the keys a user presses.
#include "CellSheet.h"
#include "GridTestSupport.h"
#include "grid/GridError.h"
#include "grid/InputLimits.h"
#include "grid/RichText.h"
#include "platform/ui/Clipboard.h"
#include "platform/ui/UiBoundary.h"

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QMimeData>
#include <gmock/gmock.h>

using namespace cellsheet;

namespace {

// An 8 x 12 grid with editing, range selection and the clipboard keys on.
class ClipboardFormats : public testing::Test {
protected:
    ClipboardFormats() : w_(8, 12, QSize(600, 400)) {
        Grid().SetOptions(Grid().Options() + goEditing + goRangeSelect);
        Grid().Navigation.AllowClipboardShortCuts = true;
        QImage(7, 5, QImage::Format_RGB32).save(dir_.filePath("p.png"));
    }
    TVevIvizudEvar& Grid() { return w_.Grid(); }
    // A click beside the first cell and a step onto it, then Shift with the arrows to the last.
    void SelectByHand(int left, int top, int right, int bottom) {
        w_.Click(w_.CellCentre(left, top + 1));
        w_.Key(Qt::Key_Up);
        for (int c = left; c < right; ++c) w_.Key(Qt::Key_Right, Qt::ShiftModifier);
        for (int r = top; r < bottom; ++r) w_.Key(Qt::Key_Down, Qt::ShiftModifier);
    }
    static const QMimeData& Offered() { return *QApplication::clipboard()->mimeData(); }
    static void Offer(const QString& text, const QString& mime = {}, const QByteArray& data = {}) {
        auto offer = new QMimeData;
        offer->setText(text);
        if (!mime.isEmpty()) offer->setData(mime, data);
        QApplication::clipboard()->setMimeData(offer);
    }
    QTemporaryDir dir_;
    TAdvancedGridWindow w_;
};

TEST_F(ClipboardFormats, CellsCopiedAndPastedElsewhereByKeysBringEverythingTheyHave) {
    Grid().Navigation.AllowFmtClipboard = true;
    FillSheet(Grid(), dir_.filePath("p.png"));
    SelectByHand(1, 1, 3, 5);
    ASSERT_EQ(Grid().Selection(), kSheet);
    w_.Key(Qt::Key_C, Qt::ControlModifier);
    w_.Click(w_.CellCentre(4, 6));
    w_.Key(Qt::Key_V, Qt::ControlModifier);
    for (int r = kSheet.Top; r <= kSheet.Bottom; ++r)
        for (int c = kSheet.Left; c <= kSheet.Right; ++c)
            EXPECT_EQ(Describe(Grid(), c + 3, r + 5), Describe(Grid(), c, r)) << c << "," << r;
    EXPECT_TRUE(Grid().IsMergedCell(5, 10));
    EXPECT_TRUE(Grid().Verify());
}

TEST_F(ClipboardFormats, WithoutTheFormatOnlyTheTextsTravel) {
    Grid().Navigation.AllowFmtClipboard = true;
    FillSheet(Grid(), dir_.filePath("p.png"));
    Grid().SetSelection({1, 2, 2, 2});
    Grid().CopyToClipboard();
    EXPECT_EQ(Offered().text(), "look\tcheck");
    Grid().Navigation.AllowFmtClipboard = false;
    Grid().SetSelection({4, 6, 4, 6});
    Grid().PasteFromClipboard();
    EXPECT_EQ(Describe(Grid(), 4, 6), "look");
    EXPECT_EQ(Describe(Grid(), 5, 6), "check");
}

TEST_F(ClipboardFormats, ACopyOffersTheFormatOnlyWhenAllowed) {
    Grid().SetGridCells(1, 1, "x");
    Grid().SetSelection({1, 1, 1, 1});
    Grid().CopyToClipboard();
    EXPECT_FALSE(Offered().hasFormat(TVevIvizudEvar::CellsClipboardFormat()));
    Grid().Navigation.AllowFmtClipboard = true;
    Grid().CopyToClipboard();
    EXPECT_TRUE(Offered().hasFormat(TVevIvizudEvar::CellsClipboardFormat()));
    EXPECT_EQ(Offered().text(), "x");
}

// A format paste passes each cell as a text paste does: not into cells that may not be edited,
// and only what OnClipboardBeforePasteCell allows, as it leaves the text.
TEST_F(ClipboardFormats, AFormatPasteSkipsRefusedAndReadOnlyCells) {
    Grid().Navigation.AllowFmtClipboard = true;
    for (int c = 1; c <= 3; ++c) {
        Grid().SetGridCells(c, 1, QString("new %1").arg(c));
        Grid().GetCellProperties(c, 1)->SetBrushColor(clRed);
    }
    Grid().SetSelection({1, 1, 3, 1});
    Grid().CopyToClipboard();
    Grid().GetCellProperties(5, 4)->ReadOnly = true;
    Grid().SetGridCells(5, 4, "kept");
    Grid().OnClipboardBeforePasteCell = [](QObject*, int col, int, QString& value, bool& allow) {
        allow = col != 6;
        value = value.toUpper();
    };
    Grid().SetSelection({4, 4, 4, 4});
    Grid().PasteFromClipboard();
    EXPECT_EQ(Describe(Grid(), 4, 4), Describe(Grid(), 1, 1).replace("new 1", "NEW 1"));
    EXPECT_EQ(Grid().GetGridCells(5, 4), "kept");
    EXPECT_EQ(Grid().CellProperties(5, 4)->BrushColor(), clNone);
    EXPECT_EQ(Describe(Grid(), 6, 4), "");
}

struct TGrowCase {
    bool rowGrow, colGrow;
    int rows, cols;
};

class FormatPasteGrowth : public ClipboardFormats, public testing::WithParamInterface<TGrowCase> {};

TEST_P(FormatPasteGrowth, GrowsTheGridAsATextPasteDoes) {
    Grid().Navigation.AllowFmtClipboard = true;
    Grid().Navigation.AllowClipboardRowGrow = GetParam().rowGrow;
    Grid().Navigation.AllowClipboardColGrow = GetParam().colGrow;
    for (int r = 1; r <= 3; ++r)
        for (int c = 1; c <= 3; ++c) Grid().SetGridCells(c, r, QString("%1%2").arg(c).arg(r));
    Grid().SetSelection({1, 1, 3, 3});
    Grid().CopyToClipboard();
    Grid().SetFixedFooters(1);
    Grid().SetGridCells(1, 11, "total");
    Grid().SetSelection({6, 10, 6, 10});
    Grid().PasteFromClipboard();
    EXPECT_EQ(Grid().RowCount(), GetParam().rows);
    EXPECT_EQ(Grid().ColCount(), GetParam().cols);
    EXPECT_EQ(Grid().GetGridCells(6, 10), "11");
    EXPECT_EQ(Grid().GetGridCells(1, Grid().RowCount() - 1), "total");
    if (GetParam().rowGrow) {
        EXPECT_EQ(Grid().GetGridCells(6, 12), "13");
    }
    EXPECT_TRUE(Grid().Verify());
}

INSTANTIATE_TEST_SUITE_P(Flags, FormatPasteGrowth,
                         testing::Values(TGrowCase{true, true, 14, 9}, TGrowCase{false, false, 12, 8}));

struct TCutCase {
    bool format;
    TColor cutColour; // of a cell that was cut
};

class CutWithFormat : public ClipboardFormats, public testing::WithParamInterface<TCutCase> {};

// The properties go with a cut only when they travel on the clipboard, and never from a cell the
// cut leaves as it was.
TEST_P(CutWithFormat, TakesThePropertiesOnlyWhenTheyTravel) {
    Grid().Navigation.AllowFmtClipboard = GetParam().format;
    for (int c = 1; c <= 2; ++c) {
        Grid().SetGridCells(c, 1, "x");
        Grid().GetCellProperties(c, 1)->SetBrushColor(clRed);
    }
    Grid().GetCellProperties(2, 1)->ReadOnly = true;
    Grid().SetSelection({1, 1, 2, 1});
    Grid().CutToClipboard();
    EXPECT_EQ(Grid().GetGridCells(1, 1), "");
    EXPECT_EQ(Grid().CellColor(1, 1) == clRed, GetParam().cutColour == clRed);
    EXPECT_EQ(Grid().GetGridCells(2, 1), "x");
    ASSERT_TRUE(Grid().HasCellProperties(2, 1));
    EXPECT_TRUE(Grid().CellProperties(2, 1)->ReadOnly);
    EXPECT_EQ(Grid().CellProperties(2, 1)->BrushColor(), clRed);
    Grid().SetSelection({4, 4, 4, 4});
    Grid().PasteFromClipboard();
    EXPECT_EQ(Grid().CellColor(4, 4) == clRed, GetParam().format);
}

INSTANTIATE_TEST_SUITE_P(Flags, CutWithFormat,
                         testing::Values(TCutCase{true, clNone}, TCutCase{false, clRed}));

TEST_F(ClipboardFormats, MarkedRowsTravelAloneAndTogether) {
    Grid().Navigation.AllowFmtClipboard = true;
    Grid().MouseActions.SetDisjunctRowSelect(true);
    for (int r = 1; r < 12; ++r) Grid().SetGridCells(2, r, QString("r%1").arg(r));
    Grid().SetRowSelect(3, true);
    Grid().SetRowSelect(7, true);
    Grid().CopyToClipboard();
    Grid().MouseActions.SetDisjunctRowSelect(false);
    TAdvancedGridWindow other(4, 5);
    other.Grid().SetOptions(other.Grid().Options() + goEditing);
    other.Grid().SetSelection({1, 1, 1, 1});
    other.Grid().PasteFromClipboard();
    EXPECT_EQ(other.Grid().RowCount(), 5); // not the whole grid
    EXPECT_EQ(other.Grid().GetGridCells(3, 1), "r3");
    EXPECT_EQ(other.Grid().GetGridCells(3, 2), "r7");
}

// ---- Rich text -------------------------------------------------------------------------------------

TEST_F(ClipboardFormats, ARichCellCopiesAsItsPlainTextAndAsRichText) {
    const QString rtf = QString::fromUtf8("{\\rtf1 {\\b A\\'e7\\'e3o} em ação\\par linha}");
    Grid().SetGridCells(1, 1, rtf);
    Grid().SetGridCells(2, 1, "next");
    Grid().SetSelection({1, 1, 2, 1});
    Grid().CopyToClipboard();
    EXPECT_EQ(Offered().text(), QString::fromUtf8("\"Ação em ação\r\nlinha\"\tnext"));
    EXPECT_FALSE(Offered().hasFormat(TClipboard::RichTextFormat()));
    Grid().Navigation.AllowRTFClipboard = true;
    Grid().CopyToClipboard();
    const QByteArray offered = Offered().data(TClipboard::RichTextFormat());
    EXPECT_EQ(offered, QByteArray("{\\rtf1 {\\b A\\'e7\\'e3o} em a\\u231?\\u227?o\\par linha}"));
    EXPECT_EQ(Offered().data("application/rtf"), offered);
    EXPECT_EQ(RTFToPlainText(QString::fromLatin1(offered)), QString::fromUtf8("Ação em ação\r\nlinha"));
}

struct TRichPasteCase {
    const char* what;
    bool allowRTF, readOnly;
    QString cell11, cell12; // after the paste
};

class RichTextPaste : public ClipboardFormats, public testing::WithParamInterface<TRichPasteCase> {};

TEST_P(RichTextPaste, GoesAsOneTextIntoTheCellWhenAllowed) {
    const TRichPasteCase& c = GetParam();
    Grid().Navigation.AllowRTFClipboard = c.allowRTF;
    Grid().SetGridCells(1, 1, "old");
    Grid().GetCellProperties(1, 1)->ReadOnly = c.readOnly;
    // Both end with a terminating zero and something after it that is no text.
    Offer(QString::fromUtf8("plain\r\nsecond\0junk", 18), "application/rtf",
          QByteArray("{\\rtf1 {\\b rich}}\0junk", 22));
    Grid().SetSelection({1, 1, 1, 1});
    Grid().PasteFromClipboard();
    EXPECT_EQ(Grid().GetGridCells(1, 1), c.cell11) << c.what;
    EXPECT_EQ(Grid().GetGridCells(1, 2), c.cell12) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RichTextPaste,
    testing::Values(TRichPasteCase{"rich text allowed", true, false, "{\\rtf1 {\\b rich}}", ""},
                    TRichPasteCase{"rich text not allowed", false, false, "plain", "second"},
                    TRichPasteCase{"a read-only cell", true, true, "old", ""}));

// ---- Pastes beyond the limits, pastes that run out of memory -------------------------------------

const std::string kTooLarge = "O conteúdo da área de transferência é grande demais para ser colado";

struct TGridState {
    int Rows, Cols;
    std::vector<QString> Cells;
    bool operator==(const TGridState&) const = default;
};

TGridState StateOf(TVevIvizudEvar& grid) {
    TGridState state{grid.RowCount(), grid.ColCount(), {}};
    for (int r = 0; r < grid.RowCount(); ++r)
        for (int c = 0; c < grid.AllColCount(); ++c) state.Cells.push_back(Describe(grid, c, r));
    return state;
}

// The paste's cells count as a delimited file's: its rows times the columns they reach, or the
// grid's where those are more.
TEST_F(ClipboardFormats, APasteBeyondTheCellLimitIsRefusedAtItsKeysAndChangesNothing) {
    const qsizetype limit = qsizetype(inputlimits::kMaxCells);
    Grid().Navigation.AllowFmtClipboard = true;
    TVevIvizudEvar tall; // a column of cells for the grid's own format
    tall.SetRowCount(int(limit / 5000) + 1);
    for (int r = 0; r < tall.RowCount(); ++r) tall.SetGridCells(0, r, "t");
    QByteArray stream;
    QBuffer buffer(&stream);
    buffer.open(QIODevice::WriteOnly);
    tall.SaveCellsToStream({0, 0, 0, tall.RowCount() - 1}, buffer);
    const std::vector<std::tuple<const char*, int, QString, QByteArray>> cases = {
        {"one line of more cells than the limit", 8, QString(limit, u'\t'), {}},
        {"lines times cells", 8, (QString(limit / 2, u'\t') + "\r\n").repeated(2), {}},
        {"lines times the grid's columns", 5000, QString("x\r\n").repeated(limit / 5000 + 1), {}},
        {"the grid's format, its rows times the grid's columns", 5000, "t", stream},
    };
    std::vector<std::string> reported;
    const TUiExceptionHandler previous =
        SetUiExceptionHandler([&](const std::exception& e) { reported.push_back(e.what()); });
    for (const auto& [name, columns, text, cells] : cases) {
        SCOPED_TRACE(name);
        Grid().SetColCount(columns);
        Offer(text, cells.isEmpty() ? QString() : TVevIvizudEvar::CellsClipboardFormat(), cells);
        const TGridState before = StateOf(Grid());
        reported.clear();
        w_.Click(w_.CellCentre(2, 1)); // a click on the current cell would open its editor
        w_.Key(Qt::Key_Left);
        w_.Key(Qt::Key_V, Qt::ControlModifier);
        EXPECT_EQ(reported, std::vector<std::string>{kTooLarge});
        EXPECT_TRUE(StateOf(Grid()) == before);
    }
    SetUiExceptionHandler(previous);
}

// The sheet pasted over itself and where the grid grows, in each format, the memory running out
// at one of its cells (a rich text is one cell).
TEST_F(ClipboardFormats, APasteThatRunsOutOfMemoryOnTheWayLeavesTheGridAsItWas) {
    FillSheet(Grid(), dir_.filePath("p.png"));
    Grid().SetSelection(kSheet);
    Grid().Navigation.AllowFmtClipboard = Grid().Navigation.AllowRTFClipboard = true;
    Grid().CopyToClipboard();
    const QByteArray cells = Offered().data(TVevIvizudEvar::CellsClipboardFormat());
    const QString text = Offered().text();
    const std::vector<std::tuple<const char*, QString, QByteArray, std::vector<int>>> formats = {
        {"the grid's format", TVevIvizudEvar::CellsClipboardFormat(), cells, {1, 3, 6}},
        {"text", {}, {}, {1, 3, 6}},
        {"rich text", "text/rtf", "{\\rtf1 x}", {1}}};
    for (const auto& [name, mime, data, failures] : formats)
        for (const TGridCoord at : {TGridCoord{2, 3}, TGridCoord{6, 10}})
            for (const int failAt : failures) {
                SCOPED_TRACE(testing::Message()
                             << name << " at " << at.X << "," << at.Y << ", cell " << failAt);
                Offer(text, mime, data);
                const TGridState before = StateOf(Grid());
                int pasted = 0;
                Grid().OnClipboardBeforePasteCell = [&](QObject*, int, int, QString&, bool&) {
                    if (++pasted == failAt) throw std::bad_alloc();
                };
                EXPECT_THAT([&] { Grid().PasteFromClipboardAt(at.X, at.Y); },
                            ThrowsMessage<EVozAvozError>(testing::StrEq(kTooLarge)));
                EXPECT_TRUE(StateOf(Grid()) == before);
                EXPECT_TRUE(Grid().Verify());
            }
}

// ---- A damaged format --------------------------------------------------------------------------

TEST_F(ClipboardFormats, ADamagedFormatIsReportedAndKeepsTheCellsReadBeforeTheDamage) {
    Grid().Navigation.AllowFmtClipboard = true;
    for (int r = 1; r <= 6; ++r) Grid().SetGridCells(1, r, QString("c%1").arg(r));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    Grid().SaveCellsToStream({1, 1, 1, 6}, buffer);
    Offer("text", TVevIvizudEvar::CellsClipboardFormat(), bytes.left(bytes.size() - 40));
    std::vector<std::string> reported;
    const TUiExceptionHandler previous =
        SetUiExceptionHandler([&](const std::exception& e) { reported.push_back(e.what()); });
    w_.Click(w_.CellCentre(3, 1));
    w_.Key(Qt::Key_V, Qt::ControlModifier);
    SetUiExceptionHandler(previous);
    EXPECT_EQ(reported, std::vector<std::string>{"O bloco de células termina antes do fim"});
    EXPECT_EQ(Grid().GetGridCells(3, 1), "c1");
    EXPECT_EQ(Grid().GetGridCells(3, 6), "");
    EXPECT_TRUE(Grid().Verify());
}

} // namespace
