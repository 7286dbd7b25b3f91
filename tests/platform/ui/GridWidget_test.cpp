#include "GridFixture.h"

#include <QScrollBar>

namespace {

// Counts the objects alive, to check who owns a cell's object.
struct TCounted : TCellObject {
    static inline int Alive = 0;
    explicit TCounted(int tag = 0) : Tag(tag) { ++Alive; }
    ~TCounted() override { --Alive; }
    int Tag;
};

class TNotifyingGrid : public TStringGrid {
public:
    using TStringGrid::TStringGrid;
    int WidthChanges = 0;

protected:
    void ColWidthsChanged() override {
        ++WidthChanges;
        TStringGrid::ColWidthsChanged();
    }
};

TEST(GridKeyboard, ArrowsPageDownAndCtrlEndLandWhereTheClassLibraryPutsThem) {
    TGridWindow<> w(10, 100);
    TStringGrid& g = w.Grid();
    ASSERT_EQ(g.Col(), 1);
    ASSERT_EQ(g.Row(), 1);
    w.Key(Qt::Key_Down);
    w.Key(Qt::Key_Right);
    EXPECT_EQ(g.Col(), 2);
    EXPECT_EQ(g.Row(), 2);
    const int visible = g.VisibleRowCount();
    const int page = visible - 1; // last fully visible row minus the top row
    w.Key(Qt::Key_PageDown);
    EXPECT_EQ(g.Row(), 2 + page);
    EXPECT_EQ(g.TopRow(), 1 + page);
    w.Key(Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(g.Col(), 9);
    EXPECT_EQ(g.Row(), 99);
    EXPECT_EQ(g.TopRow(), 100 - visible);
    EXPECT_EQ(g.verticalScrollBar()->value(), g.TopRow());
    w.Key(Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(g.Col(), 1);
    EXPECT_EQ(g.Row(), 1);
    EXPECT_EQ(g.TopRow(), 1);
    w.Key(Qt::Key_Up); // the fixed row is never current
    EXPECT_EQ(g.Row(), 1);
    EXPECT_TRUE(g.Verify());
}

TEST(GridKeyboard, ShiftArrowExtendsTheSelectionFromTheAnchor) {
    TGridWindow<> w(6, 6);
    TStringGrid& g = w.Grid();
    w.Key(Qt::Key_Right, Qt::ShiftModifier);
    w.Key(Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(g.Selection(), (TGridRect{1, 1, 2, 2}));
    EXPECT_EQ(g.Anchor(), (TGridCoord{1, 1}));
    w.Key(Qt::Key_Right);
    EXPECT_EQ(g.Selection(), (TGridRect{3, 2, 3, 2}));
}

TEST(GridKeyboard, SelectCellVetoKeepsTheCurrentCell) {
    TGridWindow<> w(5, 6);
    TStringGrid& g = w.Grid();
    std::vector<std::pair<int, int>> asked;
    g.OnSelectCell = [&](QObject*, int c, int r, bool& can) {
        asked.push_back({c, r});
        can = r != 3;
    };
    w.Key(Qt::Key_Down);
    w.Key(Qt::Key_Down);
    EXPECT_EQ(g.Row(), 2);
    EXPECT_EQ(asked.back(), std::make_pair(1, 3));
    g.SetRow(3);
    EXPECT_EQ(g.Row(), 2);
}

TEST(GridKeyboard, TabWalksTheCellsWithGoTabsAndLeavesTheGridWithout) {
    TGridWindow<> w(3, 4);
    TStringGrid& g = w.Grid();
    g.SetOptions(g.Options() + goTabs);
    w.Key(Qt::Key_Tab);
    EXPECT_EQ(g.Col(), 2);
    w.Key(Qt::Key_Tab); // past the last column: first data column of the next row
    EXPECT_EQ(g.Col(), 1);
    EXPECT_EQ(g.Row(), 2);
    w.Key(Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(g.Col(), 2);
    EXPECT_EQ(g.Row(), 1);
    EXPECT_TRUE(g.hasFocus());

    g.SetOptions(g.Options() - goTabs);
    w.Key(Qt::Key_Tab);
    EXPECT_EQ(g.Col(), 2);
    EXPECT_TRUE(w.Other().hasFocus());

    g.setFocus(Qt::OtherFocusReason);
    g.FocusNextControl(true); // what a derived grid does at the end of its own Tab walk
    EXPECT_TRUE(w.Other().hasFocus());
}

TEST(GridMouse, DraggingBelowTheViewportScrollsAndExtendsTheSelection) {
    TGridWindow<> w(4, 60);
    TStringGrid& g = w.Grid();
    w.Press(w.CellCentre(1, 2));
    EXPECT_EQ(g.GridState(), TGridState::gsSelecting);
    const QPoint below(w.CellCentre(2, 2).x(), g.ClientHeight() + 20);
    w.MoveTo(below);
    const int ticks = g.VisibleRowCount() + 5; // each tick moves the selection's end one row
    for (int i = 0; i < ticks; ++i) g.ScrollTimerTick();
    EXPECT_EQ(g.Selection(), (TGridRect{1, 2, 1, 2 + ticks}));
    EXPECT_EQ(g.TopRow(), 2 + ticks - g.VisibleRowCount() + 1);
    EXPECT_EQ(g.Row(), 2); // the current cell stays where the drag began
    w.Release(below);
    EXPECT_EQ(g.GridState(), TGridState::gsNormal);
}

TEST(GridMouse, DraggingAColumnBorderBy10PixelsWidensItBy10AndNotifiesOnce) {
    TGridWindow<TNotifyingGrid> w(5, 5);
    TNotifyingGrid& g = w.Grid();
    g.SetOptions(g.Options() + goColSizing);
    const int before = g.ColWidths(2);
    const TRect header = g.CellRect(2, 0);
    const QPoint border(header.Right, (header.Top + header.Bottom) / 2);
    g.WidthChanges = 0;
    w.Press(border);
    EXPECT_EQ(g.GridState(), TGridState::gsColSizing);
    w.MoveTo(border + QPoint(4, 0));
    w.MoveTo(border + QPoint(10, 0));
    w.Release(border + QPoint(10, 0));
    EXPECT_EQ(g.ColWidths(2), before + 10);
    EXPECT_EQ(g.WidthChanges, 1);
    EXPECT_EQ(g.ColWidths(1), before);
}

TEST(GridMouse, MovingColumn3To1CarriesTextsObjectsAndWidth) {
    TGridWindow<> w(5, 4);
    TStringGrid& g = w.Grid();
    g.SetOptions(g.Options() + goColMoving);
    for (int c = 0; c < 5; ++c) g.SetCells(c, 2, QString("c%1").arg(c));
    auto object = std::make_unique<TCounted>(3);
    TCellObject* raw = object.get();
    g.SetObjects(3, 2, std::move(object));
    g.SetColWidths(3, 90);
    const QPoint from = w.CellCentre(3, 0);
    w.Press(from);
    EXPECT_EQ(g.GridState(), TGridState::gsColMoving);
    w.MoveTo(w.CellCentre(2, 0));
    w.MoveTo(w.CellCentre(1, 0));
    w.Release(w.CellCentre(1, 0));
    EXPECT_EQ(g.Rows(2), (QStringList{"c0", "c3", "c1", "c2", "c4"}));
    EXPECT_EQ(g.Objects(1, 2), raw);
    EXPECT_EQ(g.Objects(3, 2), nullptr);
    EXPECT_EQ(g.ColWidths(1), 90);
    EXPECT_EQ(g.ColWidths(3), 64);
}

TEST(GridMouse, WheelMovesTheCurrentRowByOnePerNotch) {
    TGridWindow<> w(3, 10);
    TStringGrid& g = w.Grid();
    QWheelEvent down(QPointF(20, 40), w.Viewport()->mapToGlobal(QPointF(20, 40)), QPoint(), QPoint(0, -240),
                     Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(w.Viewport(), &down);
    EXPECT_EQ(g.Row(), 3);
    QWheelEvent up(QPointF(20, 40), w.Viewport()->mapToGlobal(QPointF(20, 40)), QPoint(), QPoint(0, 120),
                   Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(w.Viewport(), &up);
    EXPECT_EQ(g.Row(), 2);
}

TEST(GridBoundary, AnExceptionFromAHandlerStopsAtTheEventHandler) {
    TGridWindow<> w(3, 5);
    TStringGrid& g = w.Grid();
    std::vector<std::string> reported;
    TUiExceptionHandler previous =
        SetUiExceptionHandler([&](const std::exception& e) { reported.push_back(e.what()); });
    g.OnSelectCell = [](QObject*, int, int, bool&) { throw EGridError("refused by the handler"); };
    w.Key(Qt::Key_Down);
    EXPECT_EQ(g.Row(), 1);
    EXPECT_EQ(reported, std::vector<std::string>{"refused by the handler"});
    EXPECT_TRUE(g.Verify());
    SetUiExceptionHandler(previous);
}

TEST(GridScrolling, ScrollBarValueMovesTheTopRow) {
    TGridWindow<> w(3, 50);
    TStringGrid& g = w.Grid();
    int notified = 0;
    g.OnTopLeftChanged = [&](QObject*) { ++notified; };
    g.verticalScrollBar()->setValue(7);
    EXPECT_EQ(g.TopRow(), 7);
    EXPECT_EQ(notified, 1);
    g.SetTopRow(1000); // kept within the scrollable range
    EXPECT_EQ(g.TopRow(), g.verticalScrollBar()->maximum());
}

} // namespace

namespace {

TEST(GridKeyboard, RowSelectModeScrollsSidewaysAndSelectsWholeRows) {
    TGridWindow<> w(12, 40);
    TStringGrid& g = w.Grid();
    g.SetOptions(g.Options() + goRowSelect);
    EXPECT_EQ(g.Selection(), (TGridRect{1, 1, 11, 1}));
    w.Key(Qt::Key_Right); // scrolls instead of moving the current cell
    EXPECT_EQ(g.LeftCol(), 2);
    EXPECT_EQ(g.Col(), 1);
    w.Key(Qt::Key_End);
    EXPECT_EQ(g.Row(), 39);
    EXPECT_EQ(g.Selection(), (TGridRect{1, 39, 11, 39}));
    w.Key(Qt::Key_Home);
    EXPECT_EQ(g.Row(), 1);
}

TEST(GridKeyboard, CtrlUpAndDownScrollWithoutMovingTheCurrentCell) {
    TGridWindow<> w(3, 40);
    TStringGrid& g = w.Grid();
    w.Key(Qt::Key_Down, Qt::ControlModifier);
    w.Key(Qt::Key_Down, Qt::ControlModifier);
    EXPECT_EQ(g.TopRow(), 3);
    EXPECT_EQ(g.Row(), 1);
    w.Key(Qt::Key_PageDown, Qt::ControlModifier); // to the last row that shows whole
    EXPECT_EQ(g.Row(), g.TopRow() + g.VisibleRowCount() - 1);
}

TEST(GridMouse, RowBordersSizeAndFixedColumnCellsMoveRowsWithTheirHeights) {
    TGridWindow<> w(3, 6);
    TStringGrid& g = w.Grid();
    g.SetOptions(g.Options() + goRowSizing + goRowMoving);
    const TRect head = g.CellRect(0, 2);
    const QPoint border((head.Left + head.Right) / 2, head.Bottom);
    w.Press(border);
    EXPECT_EQ(g.GridState(), TGridState::gsRowSizing);
    w.MoveTo(border + QPoint(0, 6));
    w.Release(border + QPoint(0, 6));
    EXPECT_EQ(g.RowHeights(2), g.DefaultRowHeight() + 6);

    g.SetCells(1, 4, "four");
    w.Press(w.CellCentre(0, 4));
    EXPECT_EQ(g.GridState(), TGridState::gsRowMoving);
    w.MoveTo(w.CellCentre(0, 3));
    w.MoveTo(w.CellCentre(0, 2));
    w.Release(w.CellCentre(0, 2));
    EXPECT_EQ(g.Cells(1, 2), "four");
    EXPECT_EQ(g.RowHeights(3), g.DefaultRowHeight() + 6); // the sized row moved down by one
}

TEST(GridMouse, ASizingDragOfOnePixelOrLessChangesNothing) {
    TGridWindow<> w(4, 4);
    TStringGrid& g = w.Grid();
    g.SetOptions(g.Options() + goColSizing);
    const TRect header = g.CellRect(1, 0);
    const QPoint border(header.Right, 5);
    w.Press(border);
    w.MoveTo(QPoint(header.Left + 1, 5));
    w.Release(QPoint(header.Left + 1, 5));
    EXPECT_EQ(g.ColWidths(1), 64);
}

} // namespace
