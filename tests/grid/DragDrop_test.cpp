// Drag and drop with the advanced grid: drops as Qt delivers them to the shown grid (enter, moves,
// drop, leave), and drags out of it started with the mouse and ended by a runner that answers what
// the drop did, or that drops the data back into the grid on the way.
#include "PointerTestSupport.h"

#include "grid/GridDragDrop.h"
#include "grid/InputLimits.h"
#include "grid/PopupWindows.h"
#include "platform/ui/UiBoundary.h"
#include "support/ShellCommand.h"

#include <QDropEvent>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QUrl>
#include <QtEndian>

namespace {

using Rows = std::vector<QStringList>;

Rows Cells(TVevIvizudEvar& grid, int col1, int col2, int row1, int row2) {
    Rows rows;
    for (int r = row1; r <= row2; ++r) {
        rows.emplace_back();
        for (int c = col1; c <= col2; ++c) rows.back() << grid.GetGridCells(c, r);
    }
    return rows;
}

// Text, local files and rich text, each left out when empty.
std::shared_ptr<QMimeData> Mime(const QString& text, const QStringList& files = {}, const QString& rtf = {}) {
    auto data = std::make_shared<QMimeData>();
    if (!text.isEmpty()) data->setText(text);
    QList<QUrl> urls;
    for (const QString& f : files) urls << (f.startsWith("http") ? QUrl(f) : QUrl::fromLocalFile(f));
    if (!urls.isEmpty()) data->setUrls(urls);
    if (!rtf.isEmpty()) data->setData("text/rtf", rtf.toLatin1());
    return data;
}

std::shared_ptr<QMimeData> ColumnMime(qint32 column) {
    auto data = std::make_shared<QMimeData>();
    QByteArray block(4, '\0');
    qToLittleEndian<qint32>(column, block.data());
    data->setData(GridColumnFormat(), block);
    return data;
}

// Qt's drag events on the grid's viewport as a pointer carrying the data brings them; each answers
// the grid's action, Qt::IgnoreAction when it refuses.
class TDragPointer {
public:
    explicit TDragPointer(TVevIvizudEvar& grid) : grid_(grid) {}
    Qt::KeyboardModifiers Keys = Qt::NoModifier;
    Qt::DropActions Offered = Qt::CopyAction | Qt::MoveAction;

    QPoint At(int col, int row) {
        const TRect r = grid_.CellRect(col, row);
        return {(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2};
    }
    Qt::DropAction Enter(QPoint p, const QMimeData& data) {
        QDragEnterEvent e(p, Offered, &data, Qt::LeftButton, Keys);
        return Send(e);
    }
    Qt::DropAction Move(QPoint p, const QMimeData& data) {
        QDragMoveEvent e(p, Offered, &data, Qt::LeftButton, Keys);
        return Send(e);
    }
    Qt::DropAction Drop(QPoint p, const QMimeData& data) {
        QDropEvent e(QPointF(p), Offered, &data, Qt::LeftButton, Keys);
        return Send(e);
    }
    void Leave() {
        QDragLeaveEvent e;
        QApplication::sendEvent(grid_.viewport(), &e);
    }
    Qt::DropAction DropAt(QPoint p, const QMimeData& data) {
        if (Enter(p, data) == Qt::IgnoreAction || Move(p, data) == Qt::IgnoreAction) return Qt::IgnoreAction;
        return Drop(p, data);
    }

private:
    Qt::DropAction Send(QDropEvent& e) {
        QApplication::sendEvent(grid_.viewport(), &e);
        return e.isAccepted() ? e.dropAction() : Qt::IgnoreAction;
    }
    TVevIvizudEvar& grid_;
};

class DropTarget : public testing::Test {
protected:
    DropTarget() : w_(5, 8), drag_(w_.Grid()) {
        Grid().SetOptions(Grid().Options() + goEditing);
        Grid().DragDropSettings.OleDropTarget = true;
        for (int r = 1; r < 8; ++r) Grid().SetGridCells(1, r, QString("r%1").arg(r));
        errors_ = SetUiExceptionHandler([this](const std::exception& e) { reported_ << e.what(); });
    }
    ~DropTarget() override { SetUiExceptionHandler(errors_); }
    TVevIvizudEvar& Grid() { return w_.Grid(); }
    QPoint At(int col, int row) { return drag_.At(col, row); }
    QString Write(const QString& name, const QByteArray& bytes) {
        QFile file(dir_.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return file.fileName();
    }
    bool Shown(int marker) { return Grid().DropMarker(marker)->isVisible(); }
    QPoint MarkerAt(int marker) { return Grid().DropMarker(marker)->pos(); }
    QPoint ScreenTopLeft(int col, int row) {
        const TRect r = Grid().CellRect(col, row);
        return Grid().viewport()->mapToGlobal(QPoint(r.Left, r.Top));
    }

    TAdvancedGridWindow w_;
    TDragPointer drag_;
    QTemporaryDir dir_;
    QStringList reported_;
    TUiExceptionHandler errors_;
};

struct TEffectCase {
    const char* Name;
    std::shared_ptr<QMimeData> Data;
    Qt::KeyboardModifiers Keys;
    Qt::DropActions Offered;
    bool AcceptText, AcceptFiles;
    Qt::DropAction Expected;
};

TEST_F(DropTarget, TheEffectFollowsCtrlTheFormatsAndWhatTheSenderOffers) {
    const Qt::DropActions both = Qt::CopyAction | Qt::MoveAction;
    const auto text = Mime("x"), file = Mime("", {"/tmp/a.csv"});
    const std::vector<TEffectCase> cases = {
        {"text moves", text, Qt::NoModifier, both, true, true, Qt::MoveAction},
        {"text with Ctrl copies", text, Qt::ControlModifier, both, true, true, Qt::CopyAction},
        {"a sender that only copies", text, Qt::NoModifier, Qt::CopyAction, true, true, Qt::CopyAction},
        {"text not accepted", text, Qt::NoModifier, both, false, true, Qt::IgnoreAction},
        {"files are copied, never moved", file, Qt::NoModifier, both, true, true, Qt::CopyAction},
        {"a sender that only moves files", file, Qt::NoModifier, Qt::MoveAction, true, true,
         Qt::IgnoreAction},
        {"files not accepted", file, Qt::NoModifier, both, true, false, Qt::IgnoreAction},
        {"web addresses are no files", Mime("", {"http://example.org/a.csv"}), Qt::NoModifier, both, true,
         true, Qt::IgnoreAction},
        {"rich text without OleDropRTF", Mime("", {}, "{\\rtf1 x}"), Qt::NoModifier, both, true, true,
         Qt::IgnoreAction},
        {"a column block of 3 bytes", Mime(""), Qt::NoModifier, both, true, true, Qt::IgnoreAction},
    };
    cases.back().Data->setData(GridColumnFormat(), QByteArray(3, '\0'));
    for (const TEffectCase& c : cases) {
        SCOPED_TRACE(c.Name);
        Grid().DragDropSettings.OleAcceptText = c.AcceptText;
        Grid().DragDropSettings.OleAcceptFiles = c.AcceptFiles;
        drag_.Keys = c.Keys;
        drag_.Offered = c.Offered;
        EXPECT_EQ(drag_.Enter(At(2, 3), *c.Data), c.Expected);
        drag_.Leave();
    }
    Grid().DragDropSettings.OleDropTarget = false;
    EXPECT_EQ(drag_.Enter(At(2, 3), *text), Qt::IgnoreAction);
}

// The marker points at the target row's first cell: the target column, or FixedCols with
// OleEntireRows. Fixed rows and OnOleDragOver refuse, and a refusal hides it, as leaving does.
TEST_F(DropTarget, TheMarkerFollowsTheCellsThatTakeTheDrop) {
    std::vector<TGridCoord> asked;
    Grid().OnOleDragOver = [&](QObject*, int row, int col, bool& allow) {
        asked.push_back({col, row});
        if (row == 5) allow = false;
    };
    const auto data = Mime("x");
    ASSERT_EQ(drag_.Enter(At(2, 3), *data), Qt::MoveAction);
    EXPECT_EQ(drag_.Move(At(2, 3), *data), Qt::MoveAction);
    EXPECT_TRUE(Shown(2));
    EXPECT_EQ(MarkerAt(2), ScreenTopLeft(2, 3) - QPoint(10, 0));
    EXPECT_EQ(drag_.Move(At(2, 0), *data), Qt::IgnoreAction);
    EXPECT_FALSE(Shown(2));
    EXPECT_EQ(drag_.Move(At(2, 5), *data), Qt::IgnoreAction);
    Grid().DragDropSettings.OleEntireRows = true;
    EXPECT_EQ(drag_.Move(At(3, 4), *data), Qt::MoveAction);
    EXPECT_EQ(MarkerAt(2), ScreenTopLeft(1, 4) - QPoint(10, 0));
    drag_.Leave();
    EXPECT_FALSE(Shown(2));
    EXPECT_EQ(asked, (std::vector<TGridCoord>{{2, 3}, {2, 0}, {2, 5}, {3, 4}}));
}

TEST_F(DropTarget, ACellDragScrollsOverTheHeaderAndBelowTheShownRows) {
    Grid().SetRowCount(60);
    Grid().SetTopRow(10);
    const auto data = Mime("x");
    drag_.Enter(At(2, 12), *data);
    drag_.Move(At(2, 0), *data);
    EXPECT_EQ(Grid().TopRow(), 9);
    const TRect partly = Grid().CellRect(2, Grid().TopRow() + Grid().VisibleRowCount());
    ASSERT_FALSE(partly.IsEmpty());
    drag_.Move(QPoint(partly.Left + 5, partly.Top), *data);
    EXPECT_EQ(Grid().TopRow(), 10);
}

TEST_F(DropTarget, AColumnLandsOnAHeaderRightOfTheFixedColumns) {
    const auto data = ColumnMime(3);
    ASSERT_EQ(drag_.Enter(At(2, 0), *data), Qt::MoveAction);
    EXPECT_EQ(drag_.Move(At(2, 0), *data), Qt::MoveAction);
    EXPECT_EQ(MarkerAt(1), ScreenTopLeft(2, 0) - QPoint(0, 8));
    EXPECT_EQ(MarkerAt(0), ScreenTopLeft(2, 0) + QPoint(0, Grid().CellRect(2, 0).Height()));
    EXPECT_TRUE(Shown(0) && Shown(1));
    EXPECT_EQ(drag_.Move(At(2, 3), *data), Qt::IgnoreAction);
    EXPECT_EQ(drag_.Move(At(0, 0), *data), Qt::IgnoreAction);
    EXPECT_FALSE(Shown(0) || Shown(1));
    std::vector<std::array<int, 3>> dropped;
    Grid().OnOleDropCol = [&](QObject*, int row, int col, int column) {
        dropped.push_back({row, col, column});
    };
    EXPECT_EQ(drag_.DropAt(At(4, 0), *data), Qt::MoveAction);
    EXPECT_EQ(dropped, (std::vector<std::array<int, 3>>{{0, 4, 3}}));
    EXPECT_FALSE(Shown(0) || Shown(1));
}

TEST_F(DropTarget, DroppedTextIsPastedAndBecomesTheSelection) {
    std::vector<TGridRect> areas;
    Grid().OnOleDropped = [&](QObject*, const TGridRect& area) {
        areas.push_back(area);
        EXPECT_EQ(Grid().GetGridCells(3, 2), "b"); // the event follows the paste
    };
    EXPECT_EQ(drag_.DropAt(At(2, 2), *Mime("a\tb\r\nc\td")), Qt::MoveAction);
    EXPECT_EQ(Cells(Grid(), 2, 3, 2, 3), (Rows{{"a", "b"}, {"c", "d"}}));
    EXPECT_EQ(Grid().Selection(), (TGridRect{2, 2, 3, 3}));
    EXPECT_EQ(areas, (std::vector<TGridRect>{{2, 2, 3, 3}}));
    EXPECT_FALSE(Shown(2));
}

// Each line fills a row, whether the text ends with a line break or not.
TEST_F(DropTarget, InsertedRowsAreAsManyAsTheLinesDropped) {
    Grid().DragDropSettings.OleInsertRows = true;
    const std::vector<std::pair<QString, int>> cases = {
        {"x\r\ny\r\nz", 3}, {"x\r\ny\r\nz\r\n", 3}, {"x\ny\nz\n", 3}, {"x", 1}};
    for (const auto& [text, lines] : cases) {
        SCOPED_TRACE(text.toStdString());
        const int before = Grid().RowCount();
        const QString below = Grid().GetGridCells(1, 2);
        EXPECT_EQ(drag_.DropAt(At(1, 2), *Mime(text)), Qt::MoveAction);
        EXPECT_EQ(Grid().RowCount(), before + lines);
        EXPECT_EQ(Grid().GetGridCells(1, 2), "x");
        EXPECT_EQ(Grid().GetGridCells(1, 2 + lines), below);
        EXPECT_EQ(Grid().Selection(), (TGridRect{1, 2, 1, 2 + lines - 1}));
    }
}

// Lines ended by LF around cells whose quotes hold a CR LF or a lone CR are each a row; the cells
// keep their line breaks.
TEST_F(DropTarget, LineBreaksInsideQuotesStayInTheirCellsWhateverTheLineEnds) {
    const auto data = Mime("id\tnota\n1\t\"linha um\r\nlinha dois\"\n2\t\"a\rb\"\n");
    EXPECT_EQ(drag_.DropAt(At(1, 2), *data), Qt::MoveAction);
    EXPECT_EQ(Cells(Grid(), 1, 2, 2, 5),
              (Rows{{"id", "nota"}, {"1", "linha um\r\nlinha dois"}, {"2", "a\rb"}, {"r5", ""}}));
}

TEST_F(DropTarget, AOneRowGridWithFixedRowAlwaysTakesTheDropBelowItsRow) {
    Grid().SetRowCount(1);
    Grid().FixedRowAlways = true;
    Grid().DragDropSettings.OleInsertRows = true;
    Grid().SetGridCells(1, 0, "head");
    EXPECT_EQ(drag_.DropAt(At(1, 0), *Mime("p\r\nq")), Qt::MoveAction);
    EXPECT_EQ(Cells(Grid(), 1, 1, 0, 2), (Rows{{"head"}, {"p"}, {"q"}}));
}

// Text the drop would refuse for its size is refused while it is dragged over, so that the sender
// keeps it; a drop that comes all the same is refused with a message, before rows are inserted.
TEST_F(DropTarget, TextBeyondTheCellLimitIsRefusedWhereItIsDraggedOver) {
    Grid().DragDropSettings.OleInsertRows = true;
    const auto before = Cells(Grid(), 0, Grid().ColCount() - 1, 0, Grid().RowCount() - 1);
    const qsizetype limit = qsizetype(inputlimits::kMaxCells);
    EXPECT_EQ(drag_.Enter(At(1, 2), *Mime(QString("x\r\n").repeated(limit / 5 + 1))), Qt::IgnoreAction);
    // Lines of 1000 cells fit from column 0 only (a fixed one: a copy, never a move).
    const auto wide = Mime((QString("x\t").repeated(999) + "x\r\n").repeated(limit / 1000));
    ASSERT_EQ(drag_.Enter(At(0, 2), *wide), Qt::MoveAction);
    EXPECT_EQ(drag_.Move(At(0, 2), *wide), Qt::CopyAction);
    EXPECT_EQ(drag_.Move(At(2, 2), *wide), Qt::IgnoreAction);
    EXPECT_EQ(reported_, QStringList{});
    EXPECT_EQ(drag_.Drop(At(2, 2), *wide), Qt::IgnoreAction);
    EXPECT_EQ(reported_, QStringList{"O texto arrastado é grande demais para ser colado"});
    EXPECT_EQ(Cells(Grid(), 0, Grid().ColCount() - 1, 0, Grid().RowCount() - 1), before);
}

// A move lets the sender remove what it sent: it is answered only where every cell of the text is
// written, else the drop copies (or is refused when the sender only moves).
TEST_F(DropTarget, AMoveIsAnsweredOnlyWhereTheDropTakesTheTextWhole) {
    Grid().Navigation.AllowClipboardColGrow = Grid().Navigation.AllowClipboardRowGrow = false;
    const auto data = Mime("a\tb\r\nc\td");
    ASSERT_EQ(drag_.Enter(At(2, 2), *data), Qt::MoveAction);
    EXPECT_EQ(drag_.Move(At(2, 2), *data), Qt::MoveAction);
    EXPECT_EQ(drag_.Move(At(4, 2), *data), Qt::CopyAction); // a column beyond the grid
    EXPECT_EQ(drag_.Move(At(2, 7), *data), Qt::CopyAction); // a row beyond the grid
    drag_.Offered = Qt::MoveAction;
    EXPECT_EQ(drag_.Move(At(4, 2), *data), Qt::IgnoreAction);
    drag_.Offered = Qt::CopyAction | Qt::MoveAction;
    EXPECT_EQ(drag_.Drop(At(4, 2), *data), Qt::CopyAction);
    EXPECT_EQ(Cells(Grid(), 4, 4, 2, 3), (Rows{{"a"}, {"c"}}));
    Grid().OnClipboardBeforePasteCell = [](QObject*, int, int, QString& value, bool& allow) {
        allow = value != "d";
    };
    EXPECT_EQ(drag_.DropAt(At(2, 4), *data), Qt::CopyAction); // a cell refused by its event
    EXPECT_EQ(Cells(Grid(), 2, 3, 4, 5), (Rows{{"a", "b"}, {"c", ""}}));
    Grid().OnClipboardBeforePasteCell = nullptr;
    Grid().Navigation.AllowClipboardColGrow = true;
    EXPECT_EQ(drag_.DropAt(At(4, 5), *data), Qt::MoveAction);
    EXPECT_EQ(Cells(Grid(), 4, 5, 5, 6), (Rows{{"a", "b"}, {"c", "d"}}));
}

// With the floating footer showing, lines beyond the last data row go in as rows above the footer:
// the drop takes the text whole, so a move is answered while dragging and at the drop alike.
TEST_F(DropTarget, LinesBeyondTheDataRowsGoAboveTheFooterAndAreAMove) {
    Grid().Navigation.AllowClipboardRowGrow = true;
    Grid().SetGridCells(1, 7, "FOOT");
    Grid().FloatingFooter.Visible = true;
    ASSERT_EQ(Grid().DataRowEnd(), 7);
    const auto data = Mime("a\r\nb\r\nc");
    ASSERT_EQ(drag_.Enter(At(1, 6), *data), Qt::MoveAction);
    EXPECT_EQ(drag_.Move(At(1, 6), *data), Qt::MoveAction);
    EXPECT_EQ(drag_.Drop(At(1, 6), *data), Qt::MoveAction);
    EXPECT_EQ(Cells(Grid(), 1, 1, 5, Grid().RowCount() - 1), (Rows{{"r5"}, {"a"}, {"b"}, {"c"}, {"FOOT"}}));
}

// A refused drop tells the sender so: a move out of another grid must not empty its cells. Where no
// cell of the text would be written (a fixed column, a read-only column) the drop is refused while
// it is dragged over; across a read-only column between written ones it is a copy.
TEST_F(DropTarget, ARefusedDropChangesNothingAndMovesNothing) {
    Grid().OnOleDrop = [](QObject*, int, int, const QString&, bool& allow) { allow = false; };
    EXPECT_EQ(drag_.DropAt(At(2, 2), *Mime("x")), Qt::IgnoreAction);
    Grid().OnOleDrop = nullptr;
    Grid().OnCanEditCell = [](QObject*, int, int col, bool& canEdit) { canEdit = canEdit && col != 2; };
    const auto one = Mime("x"), three = Mime("a\tb\tc");
    ASSERT_EQ(drag_.Enter(At(2, 3), *one), Qt::MoveAction);
    for (const TGridCoord cell : {TGridCoord{0, 3}, TGridCoord{2, 3}})
        EXPECT_EQ(drag_.Move(At(cell.X, cell.Y), *one), Qt::IgnoreAction);
    EXPECT_EQ(drag_.Move(At(3, 3), *one), Qt::MoveAction);
    EXPECT_EQ(drag_.Drop(At(2, 3), *one), Qt::IgnoreAction);
    ASSERT_EQ(drag_.Enter(At(1, 3), *three), Qt::MoveAction);
    EXPECT_EQ(drag_.Move(At(1, 3), *three), Qt::CopyAction);
    Grid().OnCanEditCell = nullptr;
    Grid().SetOptions(Grid().Options() - goEditing);
    EXPECT_EQ(drag_.DropAt(At(2, 2), *Mime("x")), Qt::IgnoreAction);
    EXPECT_EQ(Grid().GetGridCells(2, 2), "");
    EXPECT_EQ(Grid().GetGridCells(0, 3), "");
}

TEST_F(DropTarget, RichTextIsPreferredOnlyWithOleDropRTF) {
    const QString rtf = "{\\rtf1\\ansi {\\b bold}}";
    const auto data = Mime("bold", {}, rtf);
    drag_.DropAt(At(2, 2), *data);
    EXPECT_EQ(Grid().GetGridCells(2, 2), "bold");
    Grid().DragDropSettings.OleDropRTF = true;
    EXPECT_EQ(drag_.DropAt(At(3, 4), *data), Qt::MoveAction);
    EXPECT_EQ(Grid().GetGridCells(3, 4), rtf);
}

struct TFileCase {
    const char* Name;
    QStringList Files;
    QString FirstCell; // cell (0, 0) after the drop
    Qt::DropAction Effect;
};

TEST_F(DropTarget, OneDroppedFileLoadsByWhatItsNameHolds) {
    const QString csv = Write("data.csv", "a;b\r\n1;2\r\n"), csvTxt = Write("data.csv.txt", "t;u\r\n"),
                  txt = Write("notes.txt", "n;o\r\n");
    const QString xls = QStringLiteral(CENTRPRG_SOURCE_DIR "/tests/grid/data/import.xls");
    const std::vector<TFileCase> cases = {
        {"a .csv file", {csv}, "a", Qt::CopyAction},
        {".CSV before a further extension", {csvTxt}, "t", Qt::CopyAction},
        {"a workbook (its shown sheet)", {xls}, QString::fromUtf8("único"), Qt::CopyAction},
        {"another kind of file (refused while dragged over)", {txt}, "", Qt::IgnoreAction},
        {"several files", {csv, xls}, "", Qt::IgnoreAction},
    };
    QStringList asked;
    Grid().OnOleDropFile = [&](QObject*, int row, int col, const QString& file, bool&) {
        asked << QString("%1,%2 %3").arg(col).arg(row).arg(QFileInfo(file).fileName());
    };
    for (const TFileCase& c : cases) {
        SCOPED_TRACE(c.Name);
        Grid().SetColCount(5);
        Grid().SetRowCount(8);
        Grid().SetGridCells(0, 0, "");
        EXPECT_EQ(drag_.DropAt(At(2, 2), *Mime("", c.Files)), c.Effect);
        EXPECT_EQ(Grid().GetGridCells(0, 0), c.FirstCell);
    }
    EXPECT_EQ(asked, (QStringList{"2,2 data.csv", "2,2 data.csv.txt", "2,2 import.xls"}));
    EXPECT_TRUE(reported_.isEmpty()) << reported_.join("; ").toStdString();
}

TEST_F(DropTarget, TextAndAFileDroppedTogetherArePastedThenLoaded) {
    const auto data = Mime("pasted", {Write("data.csv", "a;b\r\n1;2\r\n")});
    QStringList order;
    Grid().OnOleDrop = [&](QObject*, int row, int, const QString& text, bool& allow) {
        order << (row < 0 ? "load " + QFileInfo(text).fileName() : "paste " + text);
        if (order.size() == 2) {
            EXPECT_EQ(Grid().GetGridCells(2, 2), "pasted");
        }
        allow = order.size() != 3;
    };
    EXPECT_EQ(drag_.DropAt(At(2, 2), *data), Qt::CopyAction);
    EXPECT_EQ(order, (QStringList{"paste pasted", "load data.csv"}));
    EXPECT_EQ(Cells(Grid(), 0, 1, 0, 1), (Rows{{"a", "b"}, {"1", "2"}}));
    // A refused load keeps the grid.
    Grid().SetGridCells(0, 0, "kept");
    EXPECT_EQ(drag_.DropAt(At(1, 1), *Mime("", {dir_.filePath("data.csv")})), Qt::IgnoreAction);
    EXPECT_EQ(Grid().GetGridCells(0, 0), "kept");
}

TEST_F(DropTarget, AFileThatCannotBeReadIsReportedAndTheDropRefused) {
    EXPECT_EQ(drag_.DropAt(At(2, 2), *Mime("", {Write("broken.xlsx", "Ramal;Nome\r\n")})), Qt::IgnoreAction);
    EXPECT_EQ(reported_, QStringList{QString::fromUtf8("O arquivo não é uma planilha (.xls ou .xlsx): ") +
                                     dir_.filePath("broken.xlsx")});
    EXPECT_FALSE(Shown(2));
    EXPECT_EQ(Grid().GetGridCells(1, 1), "r1");
}

// ---- Drags out of the grid ---------------------------------------------------------------------------

// Answers each drag with an effect; before answering it may drop the data into a grid, as the
// pointer would on its way.
class TFakeRunner : public TDragRunner {
public:
    TDragEffect Effect = TDragEffect::deMove;
    std::function<void(const TSourceDataObject&)> OnTheWay;
    QStringList Formats;
    QString Text;
    QByteArray Rich, Column;
    int Runs = 0;

    Qt::DropActions Allowed;

    TDragEffect Run(QWidget*, std::unique_ptr<TSourceDataObject> data, Qt::DropActions allowed,
                    TVzgDropSource& source) override {
        ++Runs;
        Allowed = allowed;
        Formats = data->formats();
        Text = data->text();
        Rich = data->data("text/rtf");
        Column = data->data(GridColumnFormat());
        source.GiveFeedback(Effect);
        if (OnTheWay) OnTheWay(*data);
        return Effect;
    }
};

class DragSource : public testing::Test {
protected:
    DragSource() : w_(5, 12), mouse_(w_), drop_(w_.Grid()) {
        auto runner = std::make_unique<TFakeRunner>();
        runner_ = runner.get();
        Grid().SetDragRunner(std::move(runner));
        Grid().DragDropSettings.OleDropSource = true;
        Grid().Navigation.AllowClipboardAlways = true;
        for (int r = 1; r < 12; ++r) {
            Grid().SetGridCells(0, r, QString::number(r));
            for (int c = 1; c < 5; ++c)
                Grid().SetGridCells(c, r, QString("%1%2").arg(QChar('a' + c - 1)).arg(r));
        }
    }
    TVevIvizudEvar& Grid() { return w_.Grid(); }
    QPoint At(int col, int row) { return mouse_.Centre(col, row); }
    // Selects the block, then presses inside it and drags 8 pixels down.
    void DragBlock(TGridRect block, TGridCoord from) {
        Grid().SetSelection(block);
        mouse_.Hover(At(from.X, from.Y));
        mouse_.Press(At(from.X, from.Y));
        mouse_.Drag(At(from.X, from.Y) + QPoint(0, 8));
        mouse_.Release(At(from.X, from.Y) + QPoint(0, 8));
    }

    TAdvancedGridWindow w_;
    TPointer mouse_;
    TDragPointer drop_;
    TFakeRunner* runner_;
};

// Cells go as the clipboard text writes them: quoted where they would read back otherwise.
TEST_F(DragSource, CellsGoAsTheClipboardWritesThemWithRichCellsAsPlainText) {
    Grid().SetGridCells(2, 3, "{\\rtf1\\ansi {\\b rich} text}");
    Grid().SetGridCells(2, 2, "\"b2\"");
    Grid().SetGridCells(1, 3, "a\t3");
    DragBlock({1, 2, 2, 3}, {1, 2});
    ASSERT_EQ(runner_->Runs, 1);
    EXPECT_EQ(runner_->Text, "a2\t\"\"\"b2\"\"\"\r\n\"a\t3\"\trich text");
    EXPECT_EQ(runner_->Formats, QStringList{"text/plain"});
}

struct TRichOfferCase {
    const char* Name;
    QString Cell;
    TGridRect Block;
    bool Flag, Offered;
};

// A drop that takes rich text writes one cell: several cells never go as rich text.
TEST_F(DragSource, RichTextIsOfferedForOneRichCellWithOleDropRTF) {
    const QString rtf = "{\\rtf1\\ansi {\\b x}}";
    const std::vector<TRichOfferCase> cases = {
        {"one rich cell", rtf, {2, 2, 2, 2}, true, true},
        {"without the flag", rtf, {2, 2, 2, 2}, false, false},
        {"a plain cell", "plain", {2, 2, 2, 2}, true, false},
        {"several cells", rtf, {2, 2, 3, 2}, true, false},
    };
    runner_->Effect = TDragEffect::deCopy;
    for (const TRichOfferCase& c : cases) {
        SCOPED_TRACE(c.Name);
        Grid().SetGridCells(2, 2, c.Cell);
        Grid().DragDropSettings.OleDropRTF = c.Flag;
        DragBlock(c.Block, {2, 2});
        EXPECT_EQ(runner_->Rich, c.Offered ? rtf.toLatin1() : QByteArray());
    }
}

struct TAfterDragCase {
    const char* Name;
    TDragEffect Effect;
    bool CopyAlways, Emptied, Writable = true;
    TDragEffect Reported = Effect; // a move that would leave the cells is reported as a copy
};

// Where a move would leave the cells (OleCopyAlways, cells that cannot be written), only a copy is offered.
TEST_F(DragSource, AMoveEmptiesTheDraggedCellsOrIsOfferedAndReportedAsACopy) {
    const std::vector<TAfterDragCase> cases = {
        {"move", TDragEffect::deMove, false, true},
        {"copy", TDragEffect::deCopy, false, false},
        {"cancelled", TDragEffect::deNone, false, false},
        {"move with OleCopyAlways", TDragEffect::deMove, true, false, true, TDragEffect::deCopy},
        {"move out of cells that cannot be written", TDragEffect::deMove, false, false, false,
         TDragEffect::deCopy},
    };
    for (const TAfterDragCase& c : cases) {
        SCOPED_TRACE(c.Name);
        Grid().SetGridCells(2, 2, "b2");
        Grid().SetGridCells(3, 3, "c3");
        runner_->Effect = c.Effect;
        Grid().DragDropSettings.OleCopyAlways = c.CopyAlways;
        Grid().Navigation.AllowClipboardAlways = c.Writable;
        QStringList events;
        Grid().OnOleDragStart = [&](QObject*, int row, int col) {
            events << QString("start %1,%2 runs %3").arg(col).arg(row).arg(runner_->Runs);
        };
        Grid().OnOleDragStop = [&](QObject*, TDragEffect effect) {
            events << QString("stop %1 emptied %2").arg(int(effect)).arg(Grid().GetGridCells(2, 2).isEmpty());
        };
        const int runs = runner_->Runs;
        DragBlock({2, 2, 3, 3}, {3, 2});
        EXPECT_EQ(runner_->Allowed.testFlag(Qt::MoveAction), c.Writable && !c.CopyAlways);
        EXPECT_EQ(Grid().GetGridCells(3, 3).isEmpty(), c.Emptied);
        EXPECT_EQ(Grid().GetGridCells(1, 2), "a2");
        EXPECT_EQ(events, (QStringList{QString("start 3,2 runs %1").arg(runs),
                                       QString("stop %1 emptied %2").arg(int(c.Reported)).arg(c.Emptied)}));
    }
}

TEST_F(DragSource, AMoveInRowSelectModeWithOleRemoveRowsRemovesTheDraggedRows) {
    Grid().SetOptions(Grid().Options() + goRowSelect);
    Grid().DragDropSettings.OleRemoveRows = true;
    DragBlock({1, 3, 4, 4}, {2, 3});
    EXPECT_EQ(runner_->Text, "a3\tb3\tc3\td3\r\na4\tb4\tc4\td4");
    EXPECT_EQ(Cells(Grid(), 1, 1, 2, 4), (Rows{{"a2"}, {"a5"}, {"a6"}}));
    // With a disjunct row selection the marked rows go.
    Grid().MouseActions.SetDisjunctRowSelect(true);
    for (int r : {2, 5, 6}) Grid().SetRowSelect(r, true);
    DragBlock({1, 5, 4, 5}, {2, 5});
    EXPECT_EQ(runner_->Text, "a2\tb2\tc2\td2\r\na7\tb7\tc7\td7\r\na8\tb8\tc8\td8");
    EXPECT_EQ(Cells(Grid(), 1, 1, 1, 4), (Rows{{"a1"}, {"a5"}, {"a6"}, {"a9"}}));
    EXPECT_TRUE(Grid().Verify());
}

// Rows dragged down the grid and dropped above themselves with inserted rows: the dropped rows
// stay and the rows they came from go, wherever the insertion pushed them.
TEST_F(DragSource, RowsMovedWithinTheGridLandWhereDroppedAndLeaveTheirPlace) {
    Grid().SetOptions(Grid().Options() + goRowSelect);
    TDragDropSettings& s = Grid().DragDropSettings;
    s.OleDropTarget = s.OleInsertRows = s.OleRemoveRows = s.OleEntireRows = true;
    runner_->OnTheWay = [&](const TSourceDataObject& data) {
        EXPECT_EQ(drop_.DropAt(At(2, 2), data), Qt::MoveAction);
    };
    DragBlock({1, 5, 4, 6}, {2, 5});
    EXPECT_EQ(Grid().RowCount(), 12);
    EXPECT_EQ(
        Cells(Grid(), 0, 1, 1, 7),
        (Rows{{"1", "a1"}, {"5", "a5"}, {"6", "a6"}, {"2", "a2"}, {"3", "a3"}, {"4", "a4"}, {"7", "a7"}}));
    EXPECT_TRUE(Grid().Verify());
}

// Cells moved one row down onto their own place keep every value.
TEST_F(DragSource, CellsMovedOntoTheirOwnPlaceKeepWhatWasDropped) {
    Grid().DragDropSettings.OleDropTarget = true;
    runner_->OnTheWay = [&](const TSourceDataObject& data) {
        EXPECT_EQ(drop_.DropAt(At(2, 3), data), Qt::MoveAction);
    };
    DragBlock({2, 2, 2, 4}, {2, 2});
    EXPECT_EQ(Cells(Grid(), 2, 2, 2, 5), (Rows{{""}, {"b2"}, {"b3"}, {"b4"}}));
}

TEST_F(DragSource, AHeaderDragOffersItsColumnAndLeavesTheCellsAlone) {
    Grid().EnhRowColMove = false;
    Grid().DragDropSettings.OleColumnDragDrop = true;
    Grid().SetSelection({1, 1, 2, 2});
    mouse_.Hover(At(3, 0));
    mouse_.Press(At(3, 0));
    mouse_.Drag(At(3, 0) + QPoint(8, 0));
    mouse_.Release(At(3, 0) + QPoint(8, 0));
    EXPECT_EQ(runner_->Formats, QStringList{GridColumnFormat()});
    EXPECT_EQ(runner_->Column, QByteArray("\x03\x00\x00\x00", 4));
    EXPECT_EQ(Grid().GetGridCells(1, 1), "a1");
}

// ---- A drag from another program ------------------------------------------------------------------

// A second program drags text onto the grid under X (the drag-and-drop peer under xvfb-run): of
// 5,000 x 5,000 cells (50 MB; the sender ends when its drag does), of 2,100 x 2,100 cells (8.8 MB,
// too many to paste) and of 3 x 3 cells, both senders staying to give the drop its text. The grid
// asks nothing of the sender while the drag runs, so that the sender's drag ends at the release;
// it takes the text once, at the drop, refuses what it cannot paste with its message and takes the
// rest as a copy.
TEST(DragFromAnotherProgram, TextIsTakenOnceAtTheDropAndTheSendersDragEndsAtTheRelease) {
    if (CommandOutput("command -v xvfb-run").empty())
        GTEST_SKIP() << "xvfb-run (package xvfb) is needed to run a second program under X";
    QProcess peer;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "xcb");
    peer.setProcessEnvironment(environment);
    peer.start("xvfb-run",
               {"-a", "-s", "-screen 0 1024x768x24", GRID_DRAG_PEER, "grid", "5000", "2100s", "3s"});
    ASSERT_TRUE(peer.waitForFinished(240000)) << "the programs under X did not end";
    std::map<QString, std::map<QString, QString>> drags; // by cells: field -> value
    for (const QByteArray& line : peer.readAllStandardOutput().split('\n')) {
        const QStringList words = QString::fromUtf8(line).split(u' ');
        if (words.value(0) != "drag") continue;
        auto& fields = drags[words[1]];
        for (int i = 2; i + 1 < words.size() && words[i] != "message"; i += 2)
            fields[words[i]] = words[i + 1];
        fields["message"] = QString::fromUtf8(line).section(" message ", 1);
    }
    ASSERT_EQ(drags.size(), 3u) << peer.readAllStandardError().toStdString();
    for (auto& [cells, fields] : drags) {
        SCOPED_TRACE(cells.toStdString() + " x " + cells.toStdString() + " cells");
        EXPECT_EQ(fields["ended"], "1");
        EXPECT_EQ(fields["servedDuringDrag"], "0");
        testing::Test::RecordProperty(("releaseToEndMs" + cells).toStdString(),
                                      fields["releaseToEndMs"].toStdString());
    }
    EXPECT_EQ(drags["5000"]["changed"], "0");
    EXPECT_EQ(drags["2100"]["served"], "1");
    EXPECT_EQ(drags["2100"]["changed"], "0");
    EXPECT_EQ(drags["2100"]["message"],
              QString::fromUtf8("O texto arrastado é grande demais para ser colado"));
    EXPECT_EQ(drags["3"]["served"], "1");
    EXPECT_EQ(drags["3"]["action"], "1"); // a copy: the drag could not weigh the text
    EXPECT_EQ(drags["3"]["changed"], "1");
}

} // namespace
