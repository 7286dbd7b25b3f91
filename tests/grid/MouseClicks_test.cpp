// Clicks on the advanced grid as a person makes them: anchors in mini-HTML text (cell links, web
// links, links to files that must not open), entering and leaving anchors, the fixed-cell editor,
// disjunct selections, whole rows selected from their headers, button cells.
#include "PointerTestSupport.h"

#include "grid/HTMLControlEditors.h"
#include "grid/PopupWindows.h"
#include "platform/ui/UrlOpener.h"

#include <QAbstractItemView>
#include <QLineEdit>

namespace {

class MouseClicks : public testing::Test {
protected:
    MouseClicks() : w_(5, 30), mouse_(w_) {
        opened_ = SetUrlLauncher([this](const QUrl& url) {
            launched_ << url.toString();
            return true;
        });
    }
    ~MouseClicks() override { SetUrlLauncher(opened_); }
    TVevIvizudEvar& Grid() { return w_.Grid(); }
    TGridCoord Current() { return {Grid().Col(), Grid().Row()}; }
    // A point on the text of a cell's first line (the mini-HTML text starts 3 pixels in).
    QPoint Centre(int col, int row) { return mouse_.Centre(col, row); }
    QPoint OnText(int col, int row) {
        const TRect r = mouse_.Rect(col, row);
        return {r.Left + 8, r.Top + 9};
    }

    TAdvancedGridWindow w_;
    TPointer mouse_;
    TUrlLauncher opened_;
    QStringList launched_;
};

TEST_F(MouseClicks, ACellAnchorMakesItsCellCurrentAndShowsIt) {
    Grid().SetGridCells(1, 1, R"(<A HREF="CELL://C25">go</A>)");
    QStringList clicked;
    Grid().OnAnchorClick = [&](QObject*, int row, int col, const QString& anchor, bool&) {
        clicked << QString("%1,%2 %3").arg(col).arg(row).arg(anchor);
    };
    mouse_.Click(OnText(1, 1));
    EXPECT_EQ(clicked, QStringList{"1,1 CELL://C25"});
    EXPECT_EQ(Current(), (TGridCoord{3, 25}));
    EXPECT_FALSE(Grid().CellRect(3, 25).IsEmpty());
    EXPECT_TRUE(launched_.isEmpty());
    EXPECT_TRUE(Grid().hasFocus());
}

TEST_F(MouseClicks, AnAnchorHandledByTheApplicationDoesNothingElse) {
    Grid().SetGridCells(1, 1, R"(<A HREF="CELL://C25">go</A>)");
    Grid().SetGridCells(2, 1, R"(<A HREF="https://example.org/">web</A>)");
    Grid().OnAnchorClick = [](QObject*, int, int, const QString&, bool& autoHandle) { autoHandle = false; };
    mouse_.Click(OnText(1, 1));
    mouse_.Click(OnText(2, 1));
    EXPECT_EQ(Grid().TopRow(), 1);
    EXPECT_TRUE(launched_.isEmpty());
}

// Only web and mail addresses reach the desktop; a link to a file or a script goes only to the
// application's OnAnchorClick.
struct TAnchorCase {
    const char* target;
    bool opened;
};

class AnchorOpening : public MouseClicks, public testing::WithParamInterface<TAnchorCase> {};

TEST_P(AnchorOpening, OpensOnlyWebAndMailAddresses) {
    Grid().SetGridCells(1, 2, QString(R"(<A HREF="%1">link</A>)").arg(GetParam().target));
    int clicks = 0;
    Grid().OnAnchorClick = [&](QObject*, int, int, const QString&, bool&) { ++clicks; };
    mouse_.Click(OnText(1, 2));
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(launched_.size(), GetParam().opened ? 1 : 0) << GetParam().target;
}

INSTANTIATE_TEST_SUITE_P(
    Targets, AnchorOpening,
    testing::Values(TAnchorCase{"https://example.org/a", true}, TAnchorCase{"http://example.org/", true},
                    TAnchorCase{"mailto:suporte@example.org", true},
                    TAnchorCase{"ftp://files.example.org/x", true}, TAnchorCase{"file:///bin/sh", false},
                    TAnchorCase{"/usr/bin/xterm", false}, TAnchorCase{"javascript:alert(1)", false},
                    TAnchorCase{"CELL://Z99", false}));

TEST_F(MouseClicks, MovingOntoAnotherAnchorEntersItAndPlainTextLeavesIt) {
    Grid().SetGridCells(1, 1, R"(<A HREF="one">first</A>)");
    Grid().SetGridCells(2, 1, R"(<A HREF="two">second</A>)");
    Grid().SetGridCells(3, 1, "plain text");
    QStringList events;
    Grid().OnAnchorEnter = [&](QObject*, int row, int col, const QString& anchor) {
        events << QString("enter %1 at %2,%3").arg(anchor).arg(col).arg(row);
    };
    Grid().OnAnchorExit = [&](QObject*, int row, int col, const QString& anchor) {
        events << QString("exit %1 at %2,%3").arg(anchor).arg(col).arg(row);
    };
    mouse_.Hover(OnText(1, 1));
    EXPECT_EQ(Grid().viewport()->cursor().shape(), Qt::PointingHandCursor);
    mouse_.Hover(OnText(2, 1));
    mouse_.Hover(OnText(3, 1));
    EXPECT_EQ(events, (QStringList{"enter one at 1,1", "enter two at 2,1", "exit two at 3,1"}));
    EXPECT_NE(Grid().viewport()->cursor().shape(), Qt::PointingHandCursor);
}

TEST_F(MouseClicks, ACheckControlFlipsItsValueInTheText) {
    Grid().SetGridCells(1, 1, R"(<CONTROL TYPE="CHECK" ID="c1" VALUE="FALSE" WIDTH="16">)");
    QStringList clicks;
    Grid().OnControlClick = [&](QObject*, int, int, const QString& id, const QString& type,
                                const QString& value) { clicks << id + " " + type + " " + value; };
    mouse_.Click(OnText(1, 1));
    EXPECT_EQ(clicks, QStringList{"c1 CHECK TRUE"});
    EXPECT_TRUE(Grid().GetGridCells(1, 1).contains(R"(VALUE="TRUE")"));
}

TEST_F(MouseClicks, AnEditControlIsEditedOverTheCellAndWrittenBackWhenLeft) {
    Grid().SetGridCells(1, 1, R"(Name: <CONTROL TYPE="EDIT" ID="n" VALUE="old" WIDTH="60">)");
    QStringList done;
    Grid().OnControlEditDone = [&](QObject*, int, int, const QString& id, const QString&,
                                   const QString& value) { done << id + "=" + value; };
    const TRect r = mouse_.Rect(1, 1);
    const int nameWidth = QFontMetrics(Grid().Font().ToQFont()).horizontalAdvance("Name: ");
    mouse_.Click(QPoint(r.Left + 4 + nameWidth + 10, r.Top + 10));
    ASSERT_TRUE(Grid().ControlEditor() && Grid().ControlEditor()->isVisible());
    EXPECT_TRUE(Grid().ControlEditor()->hasFocus());
    EXPECT_EQ(Grid().ControlEditor()->text(), "old");
    w_.Type("new");
    w_.Key(Qt::Key_Return);
    EXPECT_FALSE(Grid().ControlEditor()->isVisible());
    EXPECT_EQ(done, QStringList{"n=new"});
    EXPECT_TRUE(Grid().GetGridCells(1, 1).contains(R"(VALUE="new")"));
    EXPECT_TRUE(Grid().hasFocus());
}

TEST_F(MouseClicks, AComboControlOffersTheApplicationsItemsWithItsListDropped) {
    Grid().SetColWidths(1, 200);
    Grid().SetGridCells(1, 2, R"(<CONTROL TYPE="COMBO" ID="m" VALUE="dois" WIDTH="90">)");
    Grid().OnControlComboList = [](QObject*, int, int, const QString& id, const QString& value,
                                   QStringList& items, bool& edit) {
        items = {"um", "dois", "tres", id + value};
        edit = false;
    };
    QStringList done;
    Grid().OnControlEditDone = [&](QObject*, int row, int col, const QString& id, const QString& type,
                                   const QString& value) {
        done << QString("%1,%2 %3 %4 %5").arg(col).arg(row).arg(id, type, value);
    };
    mouse_.Click(OnText(1, 2));
    TControlCombo* combo = Grid().ControlCombo();
    ASSERT_TRUE(combo && combo->isVisible());
    EXPECT_TRUE(combo->DroppedDown());
    EXPECT_EQ(combo->Items(), (QStringList{"um", "dois", "tres", "mdois"}));
    EXPECT_EQ(combo->Text(), "dois");
    EXPECT_EQ(Current(), (TGridCoord{1, 2}));
    combo->SetDroppedDown(false);
    w_.Key(Qt::Key_Down);
    w_.Key(Qt::Key_Return);
    EXPECT_FALSE(combo->isVisible());
    EXPECT_TRUE(Grid().GetGridCells(1, 2).contains(R"(VALUE="tres")"));
    EXPECT_EQ(done, QStringList{"1,2 m COMBO tres"});
}

TEST_F(MouseClicks, TheEditorOfAControlOfHugeWidthIsNoWiderThanAColumnCanBe) {
    for (const QString type : {"COMBO", "EDIT"}) {
        SCOPED_TRACE(type.toStdString());
        Grid().SetGridCells(1, 2, R"(<CONTROL TYPE=")" + type + R"(" ID="a" VALUE="v" WIDTH="99999999">)");
        mouse_.Click(OnText(1, 2));
        TControlCombo* combo = type == "COMBO" ? Grid().ControlCombo() : nullptr;
        QWidget* editor = combo ? static_cast<QWidget*>(combo) : Grid().ControlEditor();
        ASSERT_TRUE(editor && editor->isVisible());
        EXPECT_LE(editor->width(), TGridAxis::kMaxSize);
        // The dropped list of a combo, too.
        EXPECT_LE(combo ? combo->view()->window()->width() : 0, TGridAxis::kMaxSize);
        if (combo) combo->SetDroppedDown(false);
        w_.Key(Qt::Key_Return);
        EXPECT_FALSE(editor->isVisible());
    }
}

// ---- The fixed-cell editor -----------------------------------------------------------------------------

TEST_F(MouseClicks, RightClickEditsAHeaderWithFceRightClickAndLeftClickDoesNot) {
    Grid().MouseActions.FixedRowsEdit = TGridFixedCellEdit::fceRightClick;
    Grid().SetGridCells(2, 0, "Nome");
    mouse_.Click(Centre(2, 0));
    EXPECT_FALSE(Grid().FixedCellEditor() && Grid().FixedCellEditor()->isVisible());
    mouse_.Click(Centre(2, 0), Qt::NoModifier, Qt::RightButton);
    QLineEdit* editor = Grid().FixedCellEditor();
    ASSERT_TRUE(editor && editor->isVisible());
    EXPECT_TRUE(editor->hasFocus());
    EXPECT_EQ(editor->text(), "Nome");
    const TRect cell = Grid().CellRect(2, 0);
    EXPECT_EQ(editor->geometry(), ToQRect(cell.Inflated(-1, -1)));
    w_.Type("X");
    w_.Key(Qt::Key_Return);
    EXPECT_FALSE(editor->isVisible());
    EXPECT_EQ(Grid().GetGridCells(2, 0), "X");
    EXPECT_TRUE(Grid().hasFocus());
}

TEST_F(MouseClicks, EscapeLeavesTheHeaderAndFocusElsewhereKeepsTheText) {
    Grid().MouseActions.FixedColsEdit = TGridFixedCellEdit::fceLeftClick;
    Grid().SetGridCells(0, 3, "r3");
    mouse_.Click(Centre(0, 3));
    ASSERT_TRUE(Grid().FixedCellEditor()->isVisible());
    w_.Type("zz");
    w_.Key(Qt::Key_Escape);
    EXPECT_EQ(Grid().GetGridCells(0, 3), "r3");
    mouse_.Click(Centre(0, 3));
    w_.Type("new");
    w_.Other().setFocus();
    EXPECT_FALSE(Grid().FixedCellEditor()->isVisible());
    EXPECT_EQ(Grid().GetGridCells(0, 3), "new");
}

// The application's can-edit answer is asked for a header too: a refusal keeps the editor closed.
TEST_F(MouseClicks, ARefusedHeaderOpensNoEditor) {
    Grid().MouseActions.FixedRowsEdit = TGridFixedCellEdit::fceDblClick;
    Grid().OnCanEditCell = [](QObject*, int row, int, bool& canEdit) { canEdit = row != 0; };
    mouse_.DoubleClick(Centre(1, 0));
    EXPECT_FALSE(Grid().FixedCellEditor() && Grid().FixedCellEditor()->isVisible());
    Grid().OnCanEditCell = nullptr;
    mouse_.DoubleClick(Centre(1, 0));
    EXPECT_TRUE(Grid().FixedCellEditor() && Grid().FixedCellEditor()->isVisible());
}

// ---- Disjunct selections -------------------------------------------------------------------------------

TEST_F(MouseClicks, CtrlClicksToggleDisjunctRowsAndAPlainClickClearsThem) {
    Grid().MouseActions.SetDisjunctRowSelect(true);
    mouse_.Click(Centre(2, 2), Qt::ControlModifier);
    mouse_.Click(Centre(1, 4), Qt::ControlModifier);
    EXPECT_TRUE(Grid().RowSelect(2) && Grid().RowSelect(4));
    mouse_.Click(Centre(3, 2), Qt::ControlModifier);
    EXPECT_FALSE(Grid().RowSelect(2));
    EXPECT_TRUE(Grid().RowSelect(4));
    mouse_.Click(Centre(1, 6));
    EXPECT_FALSE(Grid().RowSelect(4));
    EXPECT_EQ(Current(), (TGridCoord{1, 6}));
}

TEST_F(MouseClicks, CtrlClicksToggleDisjunctColumnsAndAPlainClickClearsThem) {
    Grid().MouseActions.SetDisjunctColSelect(true);
    mouse_.Click(Centre(1, 2), Qt::ControlModifier);
    mouse_.Click(Centre(3, 4), Qt::ControlModifier);
    EXPECT_TRUE(Grid().ColSelect(1) && Grid().ColSelect(3));
    mouse_.Click(Centre(1, 5), Qt::ControlModifier);
    EXPECT_FALSE(Grid().ColSelect(1));
    mouse_.Click(Centre(2, 2));
    EXPECT_FALSE(Grid().ColSelect(3));
}

TEST_F(MouseClicks, CtrlClicksToggleDisjunctCellsAndAPlainClickStartsAgain) {
    Grid().MouseActions.SetDisjunctCellSelect(true);
    mouse_.Click(Centre(1, 1), Qt::ControlModifier);
    mouse_.Click(Centre(2, 3), Qt::ControlModifier);
    EXPECT_TRUE(Grid().IsDisjunctCell(1, 1) && Grid().IsDisjunctCell(2, 3));
    mouse_.Click(Centre(1, 1), Qt::ControlModifier);
    EXPECT_FALSE(Grid().IsDisjunctCell(1, 1));
    mouse_.Click(Centre(3, 4));
    EXPECT_FALSE(Grid().IsDisjunctCell(2, 3));
    EXPECT_TRUE(Grid().IsDisjunctCell(3, 4));
    // A plain drag over several cells adds all of them.
    mouse_.Hover(Centre(1, 5));
    mouse_.Press(Centre(1, 5));
    mouse_.Drag(Centre(2, 6));
    mouse_.Release(Centre(2, 6));
    for (TGridCoord c : {TGridCoord{1, 5}, {2, 5}, {1, 6}, {2, 6}})
        EXPECT_TRUE(Grid().IsDisjunctCell(c.X, c.Y));
    EXPECT_FALSE(Grid().IsDisjunctCell(3, 4));
}

// ---- Rows, columns and everything selected from the headers ---------------------------------------------

TEST_F(MouseClicks, DraggingDownTheRowHeadersSelectsWholeRowsAndStopsAtTheFirstDataRow) {
    Grid().MouseActions.RowSelect = true;
    std::vector<TGridRect> changes;
    Grid().OnSelectionChanged = [&](QObject*, int l, int t, int r, int b) {
        changes.push_back({l, t, r, b});
    };
    mouse_.Hover(Centre(0, 4));
    EXPECT_EQ(Grid().HoverMode(), 2);
    EXPECT_EQ(Grid().viewport()->cursor().shape(), Qt::BitmapCursor);
    mouse_.Press(Centre(0, 4));
    EXPECT_EQ(Grid().Selection(), (TGridRect{1, 4, 4, 4}));
    mouse_.Drag(Centre(0, 7));
    EXPECT_EQ(Grid().Selection(), (TGridRect{1, 4, 4, 7}));
    mouse_.Drag(Centre(0, 2));
    EXPECT_EQ(Grid().Selection(), (TGridRect{1, 2, 4, 4}));
    mouse_.Drag(Centre(0, 0));
    EXPECT_EQ(Grid().Selection(), (TGridRect{1, 1, 4, 4}));
    mouse_.Release(Centre(0, 0));
    EXPECT_EQ(Grid().HeaderSelectAnchor(), -1);
    // A cursor the application sets ends the row headers' selecting look.
    mouse_.Hover(Centre(0, 5));
    EXPECT_EQ(Grid().HoverMode(), 2);
    Grid().viewport()->setCursor(Qt::WaitCursor);
    EXPECT_EQ(Grid().HoverMode(), 0);
    ASSERT_FALSE(changes.empty());
    EXPECT_EQ(changes.back(), (TGridRect{1, 1, 4, 4}));
    EXPECT_TRUE(Grid().hasFocus());
}

TEST_F(MouseClicks, HeaderClicksSelectAColumnAndTheTopLeftCellSelectsAll) {
    Grid().MouseActions.ColSelect = true;
    Grid().MouseActions.AllSelect = true;
    mouse_.Click(Centre(3, 0));
    EXPECT_EQ(Grid().Selection(), (TGridRect{3, 1, 3, 29}));
    mouse_.Click(Centre(0, 0));
    EXPECT_EQ(Grid().Selection(), (TGridRect{1, 1, 4, 29}));
    // Without goRangeSelect a header click selects nothing.
    Grid().SetOptions(Grid().Options() - goRangeSelect);
    Grid().SetCol(1);
    Grid().SetRow(2);
    mouse_.Click(Centre(3, 0));
    EXPECT_EQ(Grid().Selection(), (TGridRect{1, 2, 1, 2}));
}

// ---- Button cells ----------------------------------------------------------------------------------------

// The button is found where it was painted, relative to its cell, also after the grid scrolled.
TEST_F(MouseClicks, AButtonCellIsPressedWhileHeldAndClicksOnRelease) {
    TCellGraphic* button = Grid().CreateCellGraphic(2, 20);
    button->CellType = TCellType::ctButton;
    button->CellIndex = 30 | (12 << 16);
    button->CellText = "ok";
    std::vector<TGridCoord> clicks;
    Grid().OnButtonClick = [&](QObject*, int col, int row) { clicks.push_back({col, row}); };
    Grid().SetTopRow(15);
    RenderOps(Grid()); // the painting places the button
    Grid().SetTopRow(12);
    TRect placed;
    Grid().GetButtonRect(2, 20, placed);
    ASSERT_EQ(placed.Width(), 30);
    ASSERT_TRUE(mouse_.Rect(2, 20).Contains(placed.TopLeft()));
    const QPoint inside(placed.Left + 5, placed.Top + 5);
    mouse_.Hover(inside);
    mouse_.Press(inside);
    EXPECT_EQ(Grid().PressedCellButton(), (TGridCoord{2, 20}));
    EXPECT_TRUE(button->CellBoolean);
    EXPECT_EQ(Current(), (TGridCoord{2, 20}));
    EXPECT_TRUE(clicks.empty());
    mouse_.Release(Centre(3, 21));
    EXPECT_EQ(Grid().PressedCellButton(), (TGridCoord{-1, -1}));
    EXPECT_FALSE(button->CellBoolean);
    EXPECT_EQ(clicks, (std::vector<TGridCoord>{{2, 20}}));
    // Beside the button the cell is clicked as any other.
    const TRect cell = mouse_.Rect(2, 20);
    mouse_.Click(QPoint(cell.Right - 2, cell.Bottom - 2));
    EXPECT_EQ(clicks.size(), 1u);
}

TEST_F(MouseClicks, ClickEventsReportTheCellAfterItBecameCurrent) {
    std::vector<TGridCoord> clicked, current, right;
    Grid().OnClickCell = [&](QObject*, int row, int col) {
        clicked.push_back({col, row});
        current.push_back({Grid().Col(), Grid().Row()});
    };
    Grid().OnRightClickCell = [&](QObject*, int row, int col) { right.push_back({col, row}); };
    mouse_.Click(Centre(3, 4));
    EXPECT_EQ(clicked, (std::vector<TGridCoord>{{3, 4}}));
    EXPECT_EQ(current, (std::vector<TGridCoord>{{3, 4}}));
    Grid().MouseActions.SelectOnRigthClick = true;
    mouse_.Click(Centre(2, 6), Qt::NoModifier, Qt::RightButton);
    EXPECT_EQ(right, (std::vector<TGridCoord>{{2, 6}}));
    EXPECT_EQ(Current(), (TGridCoord{2, 6}));
}

// ---- Check boxes, radio groups, node glyphs ------------------------------------------------------------

class GraphicClicks : public MouseClicks {
protected:
    GraphicClicks() { Grid().SetOptions(Grid().Options() + goEditing); }
    TCellGraphic* Make(int col, int row, TCellType type) {
        TCellGraphic* graphic = Grid().CreateCellGraphic(col, row);
        graphic->CellType = type;
        return graphic;
    }
    bool Checked(int col, int row) {
        bool state = false;
        EXPECT_TRUE(Grid().GetCheckBoxState(col, row, state));
        return state;
    }
};

TEST_F(GraphicClicks, APreciseCheckBoxTogglesOnlyOnItsGlyph) {
    Make(1, 2, TCellType::ctCheckBox);
    Grid().MouseActions.PreciseCheckBoxCheck = true;
    std::vector<bool> clicks, ups;
    Grid().OnCheckBoxClick = [&](QObject*, int, int, bool state) { clicks.push_back(state); };
    Grid().OnCheckBoxMouseUp = [&](QObject*, int, int, bool state) { ups.push_back(state); };
    const TRect r = mouse_.Rect(1, 2);
    mouse_.Click(QPoint(r.Right - 5, r.Top + 8));
    EXPECT_FALSE(Checked(1, 2));
    EXPECT_TRUE(clicks.empty());
    mouse_.Click(QPoint(r.Left + 8, r.Top + 8));
    EXPECT_TRUE(Checked(1, 2));
    EXPECT_EQ(clicks, std::vector<bool>{true});
    EXPECT_EQ(ups, (std::vector<bool>{false, true}));
    Grid().MouseActions.PreciseCheckBoxCheck = false;
    mouse_.Click(QPoint(r.Right - 5, r.Top + 8));
    EXPECT_FALSE(Checked(1, 2));
    // Without editing the box stays as it is.
    Grid().SetOptions(Grid().Options() - goEditing);
    mouse_.Click(QPoint(r.Left + 8, r.Top + 8));
    EXPECT_FALSE(Checked(1, 2));
}

TEST_F(GraphicClicks, CheckAllCheckInAHeaderSetsTheWholeColumn) {
    Grid().MouseActions.CheckAllCheck = true;
    Make(2, 0, TCellType::ctCheckBox);
    for (int r = 1; r < 5; ++r) Make(2, r, TCellType::ctCheckBox)->CellBoolean = r == 3;
    Make(2, 5, TCellType::ctDataCheckBox);
    Grid().SetGridCells(2, 5, "N");
    const TRect header = mouse_.Rect(2, 0);
    mouse_.Click(QPoint(header.Left + 8, header.Top + 8));
    for (int r = 0; r < 6; ++r) EXPECT_TRUE(Checked(2, r)) << r;
    EXPECT_EQ(Grid().GetGridCells(2, 5), "Y");
    mouse_.Click(QPoint(header.Left + 8, header.Top + 8));
    for (int r = 0; r < 6; ++r) EXPECT_FALSE(Checked(2, r)) << r;
}

// A vertical group (items one text line high from the cell's top) and a horizontal one (each item
// its text and its radio wide); a group with index -1 keeps its choice in the cell's text.
TEST_F(GraphicClicks, ARadioClickSelectsTheItemUnderThePoint) {
    Grid().SetRowHeights(2, 60);
    TCellGraphic* vertical = Make(2, 2, TCellType::ctRadio);
    vertical->SetObject(std::make_unique<QStringList>(QStringList{"a", "b", "c"}));
    TCellGraphic* horizontal = Make(3, 2, TCellType::ctRadio);
    horizontal->SetObject(std::make_unique<QStringList>(QStringList{"xx", "yy", "zz"}));
    horizontal->CellBoolean = true;
    horizontal->CellIndex = -1;
    std::vector<int> clicks;
    Grid().OnRadioClick = [&](QObject*, int, int, int index) { clicks.push_back(index); };
    const int line = QFontMetrics(Grid().Font().ToQFont()).height();
    const TRect v = mouse_.Rect(2, 2);
    mouse_.Click(QPoint(v.Left + 5, v.Top + line + line / 2));
    int index = -1;
    EXPECT_TRUE(Grid().GetRadioIndex(2, 2, index));
    EXPECT_EQ(index, 1);
    const TRect h = mouse_.Rect(3, 2);
    const int item = QFontMetrics(Grid().Font().ToQFont()).horizontalAdvance("xx") + 16;
    mouse_.Click(QPoint(h.Left + 2 * item + 3, h.Top + 5));
    EXPECT_EQ(Grid().GetGridCells(3, 2), "zz");
    EXPECT_EQ(clicks, (std::vector<int>{1, 2}));
}

TEST_F(GraphicClicks, ANodeGlyphContractsAndExpandsAsTheApplicationAllows) {
    for (int r = 1; r < 8; ++r) Grid().SetGridCells(1, r, QString("r%1").arg(r));
    Grid().AddNode(2, 4, 1);
    Grid().MouseActions.MoveRowOnNodeClick = true;
    bool allowExpand = false;
    QStringList events;
    Grid().OnBeforeContractNode = [&](QObject*, int row, bool&) {
        events << QString("before contract %1").arg(row);
    };
    Grid().OnContractNode = [&](QObject*, int row) { events << QString("contract %1").arg(row); };
    Grid().OnBeforeExpandNode = [&](QObject*, int row, bool& allow) {
        events << QString("before expand %1").arg(row);
        allow = allowExpand;
    };
    Grid().OnExpandNode = [&](QObject*, int row) { events << QString("expand %1").arg(row); };
    const TRect node = mouse_.Rect(0, 2);
    const QPoint glyph(node.Left + Grid().CellNode.NodeIndent() / 2, node.Top + 8);
    mouse_.Click(glyph);
    EXPECT_EQ(Grid().RowCount(), 27);
    EXPECT_EQ(Grid().GetGridCells(1, 3), "r6");
    EXPECT_EQ(Grid().Row(), 2);
    mouse_.Click(glyph);
    EXPECT_EQ(Grid().RowCount(), 27);
    allowExpand = true;
    mouse_.Click(glyph);
    EXPECT_EQ(Grid().RowCount(), 30);
    EXPECT_EQ(Grid().GetGridCells(1, 3), "r3");
    EXPECT_EQ(events, (QStringList{"before contract 2", "contract 2", "before expand 2", "before expand 2",
                                   "expand 2"}));
    EXPECT_TRUE(Grid().Verify());
}

TEST_F(GraphicClicks, AHeaderNodeGlyphSwitchesAllNodes) {
    Grid().MouseActions.NodeAllExpandContract = true;
    Grid().AddNode(2, 3, 1);
    Grid().AddNode(5, 3, 1);
    Grid().AddNode(0, 1, 1);
    const TRect header = mouse_.Rect(0, 0);
    mouse_.Click(QPoint(header.Left + 4, header.Top + 8));
    EXPECT_EQ(Grid().RowCount(), 26);
    EXPECT_TRUE(Grid().GetNodeState(2) && Grid().GetNodeState(3));
    mouse_.Click(QPoint(header.Left + 4, header.Top + 8));
    EXPECT_EQ(Grid().RowCount(), 30);
    EXPECT_TRUE(Grid().Verify());
}

// ---- Drags out of the grid ------------------------------------------------------------------------------

class TRecordingDragRunner : public TDragRunner {
public:
    TDragEffect Run(QWidget* source, std::unique_ptr<TSourceDataObject> data, Qt::DropActions,
                    TVzgDropSource&) override {
        if (data->Column() < 0) {
            drags << "text " + data->Text() + " | " + data->RichText();
            return TDragEffect::deCopy;
        }
        auto* grid = static_cast<TVevIvizudEvar*>(source);
        drags << QString("column %1 %2")
                     .arg(data->Column())
                     .arg(grid->DragImage()->isVisible() ? "shown" : "hidden");
        return TDragEffect::deMove;
    }
    QStringList drags;
};

class DragsOut : public MouseClicks {
protected:
    DragsOut() {
        auto runner = std::make_unique<TRecordingDragRunner>();
        runner_ = runner.get();
        Grid().SetDragRunner(std::move(runner));
        Grid().DragDropSettings.OleDropSource = true;
        for (int r = 1; r < 4; ++r)
            for (int c = 1; c < 4; ++c)
                Grid().SetGridCells(c, r, QString("%1%2").arg(QChar('a' + c - 1)).arg(r));
    }
    // From a cell outside the selection: a press inside it would start a drag.
    void SelectBlock() {
        mouse_.Hover(Centre(2, 2));
        mouse_.Press(Centre(2, 2));
        EXPECT_FALSE(Grid().OleDragArmed());
        mouse_.Drag(Centre(1, 1));
        mouse_.Release(Centre(1, 1));
        ASSERT_EQ(Grid().Selection(), (TGridRect{1, 1, 2, 2}));
    }
    TRecordingDragRunner* runner_;
};

TEST_F(DragsOut, APressInsideTheSelectionDragsItsTextOnceThePointerMoves) {
    SelectBlock();
    std::vector<TGridCoord> clicks;
    Grid().OnClickCell = [&](QObject*, int row, int col) { clicks.push_back({col, row}); };
    mouse_.Hover(Centre(2, 1));
    mouse_.Press(Centre(2, 1));
    EXPECT_TRUE(Grid().OleDragArmed());
    EXPECT_EQ(clicks, (std::vector<TGridCoord>{{2, 1}}));
    mouse_.Drag(Centre(2, 1) + QPoint(2, 2));
    EXPECT_TRUE(runner_->drags.isEmpty());
    mouse_.Drag(Centre(2, 1) + QPoint(0, 8));
    EXPECT_EQ(runner_->drags, QStringList{"text a1\tb1\r\na2\tb2 | "});
    EXPECT_FALSE(Grid().OleDragArmed());
    mouse_.Release(Centre(2, 1) + QPoint(0, 8));
    EXPECT_EQ(Grid().Selection(), (TGridRect{1, 1, 2, 2}));
}

TEST_F(DragsOut, ARefusedDragSelectsInstead) {
    SelectBlock();
    Grid().OnOleDrag = [](QObject*, int, int, const QString& data, bool& allow) { allow = data != "a1"; };
    mouse_.Hover(Centre(1, 1));
    mouse_.Press(Centre(1, 1));
    mouse_.Drag(Centre(1, 1) + QPoint(0, 6));
    EXPECT_TRUE(runner_->drags.isEmpty());
    EXPECT_EQ(Grid().GridState(), TGridState::gsSelecting);
    mouse_.Drag(Centre(3, 3));
    mouse_.Release(Centre(3, 3));
    EXPECT_EQ(Grid().Selection(), (TGridRect{1, 1, 3, 3}));
}

TEST_F(DragsOut, AHeaderDragsItsColumnWithTheDragImage) {
    Grid().EnhRowColMove = false;
    Grid().DragDropSettings.OleColumnDragDrop = true;
    mouse_.Hover(Centre(3, 0));
    mouse_.Press(Centre(3, 0));
    mouse_.Drag(Centre(3, 0) + QPoint(8, 0));
    EXPECT_EQ(runner_->drags, QStringList{"column 3 shown"});
    EXPECT_FALSE(Grid().DragImage()->isVisible());
    mouse_.Release(Centre(3, 0) + QPoint(8, 0));
}

// ---- Pressed headers, links edited, the glListView highlight ---------------------------------------------

TEST_F(MouseClicks, AHeaderShownAsAButtonIsDrawnPressedWhileHeld) {
    Grid().FixedAsButtons = true;
    const TRect header = Grid().CellRect(2, 0);
    auto sunken = [&] {
        for (const TCanvasOp& op : RenderOps(Grid()))
            if (op.Kind == TCanvasOpKind::Edge && op.Rect == header && op.Flags == BDR_SUNKENINNER)
                return true;
        return false;
    };
    mouse_.Hover(Centre(2, 0));
    mouse_.Press(Centre(2, 0));
    EXPECT_EQ(Grid().PressedFixedCell(), (TGridCoord{2, 0}));
    EXPECT_TRUE(sunken());
    mouse_.Release(Centre(2, 0));
    EXPECT_EQ(Grid().PressedFixedCell(), (TGridCoord{-1, -1}));
    EXPECT_FALSE(sunken());
}

TEST_F(MouseClicks, ARightClickOnALinkEditsItWithURLEdit) {
    Grid().SetOptions(Grid().Options() + goEditing);
    Grid().URLShow = true;
    Grid().URLEdit = true;
    Grid().SetGridCells(2, 3, "http://example.org");
    mouse_.Hover(Centre(2, 3));
    EXPECT_EQ(Grid().viewport()->cursor().shape(), Qt::PointingHandCursor);
    mouse_.Click(Centre(2, 3), Qt::NoModifier, Qt::RightButton);
    EXPECT_EQ(Current(), (TGridCoord{2, 3}));
    EXPECT_TRUE(w_.EditorShown());
}

TEST_F(MouseClicks, TheListViewLookFollowsTheHeaderUnderThePointer) {
    Grid().SetLook(TGridLook::glListView);
    mouse_.Hover(Centre(2, 0));
    EXPECT_EQ(Grid().HotCell(), (TGridCoord{2, 0}));
    mouse_.Hover(Centre(2, 2));
    EXPECT_EQ(Grid().HotCell(), (TGridCoord{2, 2}));
    mouse_.Hover(Centre(0, 4));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(Grid().viewport(), &leave);
    EXPECT_EQ(Grid().HotCell(), (TGridCoord{-1, -1}));
}

} // namespace
