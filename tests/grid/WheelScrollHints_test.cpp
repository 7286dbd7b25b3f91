// The advanced grid's scroll bars, wheel, zoom, panning, hints, hover and blinking, driven by real
// events on a shown grid; the timers' ticks are called directly.
#include "PointerTestSupport.h"

#include "grid/HTMLHintWindow.h"
#include "platform/ui/HintWindow.h"

#include <QPaintEvent>
#include <QScrollBar>
#include <QStyleOptionSlider>

namespace {

class WheelScrollHints : public testing::Test {
protected:
    WheelScrollHints() : w_(5, 20), mouse_(w_) { QApplication::setWheelScrollLines(3); }
    TVevIvizudEvar& Grid() { return w_.Grid(); }
    QPoint Centre(int col, int row) { return mouse_.Centre(col, row); }
    TGridCoord Current() { return {Grid().Col(), Grid().Row()}; }

    TAdvancedGridWindow w_;
    TPointer mouse_;
};

// ---- Scroll bars ---------------------------------------------------------------------------------------

TEST_F(WheelScrollHints, ScrollWidthAndColourReachTheBarsOnlyWhenSet) {
    QScrollBar* vertical = Grid().verticalScrollBar();
    QScrollBar* horizontal = Grid().horizontalScrollBar();
    EXPECT_TRUE(vertical->styleSheet().isEmpty());
    EXPECT_TRUE(horizontal->styleSheet().isEmpty());
    Grid().SetScrollWidth(22);
    Grid().SetScrollType(TScrollType::ssFlat);
    EXPECT_FALSE(vertical->styleSheet().contains("background"));
    QApplication::processEvents();
    EXPECT_EQ(vertical->width(), 22);
    Grid().SetColCount(30);
    QApplication::processEvents();
    EXPECT_EQ(horizontal->height(), 22);
    Grid().SetScrollColor(clRed);
    EXPECT_TRUE(vertical->styleSheet().contains("background: #ff0000"));
    EXPECT_TRUE(horizontal->styleSheet().contains("background: #ff0000"));
}

TEST_F(WheelScrollHints, AnUnwantedBarIsNeitherShownNorStyled) {
    Grid().SetColCount(30);
    Grid().SetScrollBars(TScrollStyle::ssHorizontal);
    Grid().SetScrollColor(clRed);
    QApplication::processEvents();
    EXPECT_FALSE(Grid().verticalScrollBar()->isVisible());
    EXPECT_TRUE(Grid().verticalScrollBar()->styleSheet().isEmpty());
    EXPECT_TRUE(Grid().horizontalScrollBar()->isVisible());
    EXPECT_TRUE(Grid().horizontalScrollBar()->styleSheet().contains("#ff0000"));
}

// Drags the vertical bar's thumb from where it is by some pixels, calling back while it is held.
void DragThumb(QScrollBar* bar, int pixels, const std::function<void()>& whileHeld) {
    QStyleOptionSlider option;
    option.initFrom(bar);
    option.subControls = QStyle::SC_All;
    option.orientation = bar->orientation();
    option.minimum = bar->minimum();
    option.maximum = bar->maximum();
    option.sliderPosition = option.sliderValue = bar->value();
    option.singleStep = bar->singleStep();
    option.pageStep = bar->pageStep();
    if (bar->orientation() == Qt::Horizontal) option.state |= QStyle::State_Horizontal;
    const QRect thumb =
        bar->style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, bar);
    const QPoint start = thumb.center();
    QTest::mousePress(bar, Qt::LeftButton, Qt::NoModifier, start);
    QTest::mouseMove(bar, start + QPoint(0, pixels));
    whileHeld();
    QTest::mouseRelease(bar, Qt::LeftButton, Qt::NoModifier, start + QPoint(0, pixels));
}

struct TThumbCase {
    TScrollHintType hints;
    bool synch;
    bool hinted;
};

class ThumbDrag : public WheelScrollHints, public testing::WithParamInterface<TThumbCase> {};

TEST_P(ThumbDrag, ShowsTheRowReachedAndScrollsWithScrollSynch) {
    const TThumbCase& c = GetParam();
    Grid().SetRowCount(200);
    Grid().ScrollHints = c.hints;
    Grid().ScrollSynch = c.synch;
    QApplication::processEvents();
    QScrollBar* bar = Grid().verticalScrollBar();
    DragThumb(bar, 60, [&] {
        ASSERT_TRUE(bar->isSliderDown());
        const int reached = bar->sliderPosition();
        ASSERT_GT(reached, 1);
        EXPECT_EQ(Grid().HintShowing(), c.hinted);
        if (c.hinted) {
            EXPECT_EQ(Grid().HintWindow()->Caption(), QString("Row : %1").arg(reached));
        }
        EXPECT_EQ(Grid().TopRow(), c.synch ? reached : 1);
    });
    EXPECT_FALSE(Grid().HintShowing());
    EXPECT_EQ(Grid().TopRow(), bar->value());
}

INSTANTIATE_TEST_SUITE_P(Settings, ThumbDrag,
                         testing::Values(TThumbCase{TScrollHintType::shHorizontal, false, false},
                                         TThumbCase{TScrollHintType::shVertical, false, true},
                                         TThumbCase{TScrollHintType::shBoth, true, true},
                                         TThumbCase{TScrollHintType::shNone, true, false}));

TEST_F(WheelScrollHints, TheHintTextComesFromOnScrollHint) {
    Grid().SetRowCount(200);
    Grid().ScrollHints = TScrollHintType::shBoth;
    Grid().OnScrollHint = [](QObject*, int row, QString& hint) { hint = QString("Linha %1").arg(row); };
    QApplication::processEvents();
    DragThumb(Grid().verticalScrollBar(), 40, [&] {
        EXPECT_EQ(Grid().HintWindow()->Caption(),
                  QString("Linha %1").arg(Grid().verticalScrollBar()->sliderPosition()));
    });
}

TEST_F(WheelScrollHints, TheStretchColumnFillsTheWidthOnResize) {
    Grid().ColumnSize.Stretch = true;
    Grid().ColumnSize.StretchColumn = -1;
    Grid().resize(600, 300);
    QApplication::processEvents();
    const int others = 4 * Grid().ColWidths(0);
    EXPECT_EQ(Grid().ColWidths(4), Grid().ClientWidth() - others - 1);
}

TEST_F(WheelScrollHints, ColumnWidthsFollowTheGridWithSynchWithGrid) {
    Grid().ColumnSize.SynchWithGrid = true;
    Grid().SetColWidths(2, 100);
    Grid().resize(800, 300);
    QApplication::processEvents();
    EXPECT_EQ(Grid().ColWidths(1), 128);
    EXPECT_EQ(Grid().ColWidths(2), 200);
}

TEST_F(WheelScrollHints, TheGridGrowsWithItsWindowWithSizeWithForm) {
    Grid().SizeWithForm = true;
    QWidget* form = Grid().window();
    const QSize grid = Grid().size();
    form->setFixedSize(form->width() + 50, form->height() + 20);
    QApplication::processEvents();
    EXPECT_EQ(Grid().size(), grid + QSize(50, 20));
}

// ---- Wheel and zoom ------------------------------------------------------------------------------------

struct TWheelCase {
    int from, notches, to;
};

class WheelNotch : public WheelScrollHints, public testing::WithParamInterface<TWheelCase> {};

// 20 rows, one fixed row above and one footer row below: the data rows are 1 to 18.
TEST_P(WheelNotch, MovesTheCurrentRowByTheScrollLinesWithinTheDataRows) {
    Grid().SetFixedFooters(1);
    Grid().SetCol(2);
    Grid().SetRow(GetParam().from);
    mouse_.Wheel(Centre(2, 2), GetParam().notches);
    EXPECT_EQ(Current(), (TGridCoord{2, GetParam().to}));
}

INSTANTIATE_TEST_SUITE_P(Notches, WheelNotch,
                         testing::Values(TWheelCase{5, -1, 8}, TWheelCase{5, -2, 11}, TWheelCase{8, 1, 5},
                                         TWheelCase{17, -1, 18}, TWheelCase{2, 1, 1},
                                         TWheelCase{18, -1, 18}));

TEST_F(WheelScrollHints, WithEnableWheelOffTheWheelMovesNothing) {
    Grid().EnableWheel = false;
    Grid().SetRow(5);
    mouse_.Wheel(Centre(2, 2), -1);
    EXPECT_EQ(Grid().Row(), 5);
}

TEST_F(WheelScrollHints, CtrlWheelZoomsWithinTenStepsAndKeepsWidthsAboveZero) {
    Grid().SetRow(5);
    Grid().SetColWidths(3, 3);
    mouse_.Wheel(Centre(2, 2), 1, Qt::ControlModifier);
    EXPECT_EQ(Grid().Row(), 5);
    EXPECT_EQ(Grid().ZoomLevel(), -3);
    EXPECT_EQ(Grid().ColWidths(1), 61);
    EXPECT_EQ(Grid().ColWidths(3), 3);
    EXPECT_EQ(Grid().RowHeights(1), 18);
    for (int i = 0; i < 4; ++i) mouse_.Wheel(Centre(2, 2), -1, Qt::ControlModifier);
    EXPECT_EQ(Grid().ZoomLevel(), 9);
    EXPECT_EQ(Grid().ColWidths(1), 73);
    Grid().Zoom(1);
    EXPECT_EQ(Grid().ZoomLevel(), 10);
    Grid().Zoom(1);
    EXPECT_EQ(Grid().ZoomLevel(), 10);
    EXPECT_EQ(Grid().ColWidths(1), 74);
    EXPECT_EQ(Grid().Row(), 5);
}

// ---- Panning -------------------------------------------------------------------------------------------

TEST_F(WheelScrollHints, AMiddlePressPansAndAKeyEndsItAndIsHandled) {
    Grid().IntelliPan = TIntelliPan::ipBoth;
    Grid().SetCol(2);
    Grid().SetRow(5);
    const QPoint origin = Centre(2, 5);
    mouse_.Press(origin, Qt::NoModifier, Qt::MiddleButton);
    mouse_.Release(origin, Qt::NoModifier, Qt::MiddleButton);
    ASSERT_TRUE(Grid().Panning());
    EXPECT_EQ(Grid().viewport()->cursor().shape(), Qt::BitmapCursor);
    EXPECT_TRUE(Grid().PanTimer().isActive());
    EXPECT_EQ(Grid().PanTimer().interval(), 10);
    mouse_.Hover(origin + QPoint(3, 20));
    Grid().PanTimerTick();
    Grid().PanTimerTick();
    EXPECT_EQ(Current(), (TGridCoord{2, 7}));
    mouse_.Hover(origin + QPoint(30, 0));
    Grid().PanTimerTick();
    EXPECT_EQ(Current(), (TGridCoord{3, 7}));
    w_.Key(Qt::Key_Down);
    EXPECT_FALSE(Grid().Panning());
    EXPECT_FALSE(Grid().PanTimer().isActive());
    EXPECT_EQ(Current(), (TGridCoord{3, 8}));
    EXPECT_NE(Grid().viewport()->cursor().shape(), Qt::BitmapCursor);
}

TEST_F(WheelScrollHints, PanningFollowsOnlyTheAllowedDirectionAndAPressEndsIt) {
    Grid().IntelliPan = TIntelliPan::ipVertical;
    Grid().SetCol(2);
    Grid().SetRow(5);
    mouse_.Press(Centre(2, 5), Qt::NoModifier, Qt::MiddleButton);
    mouse_.Release(Centre(2, 5), Qt::NoModifier, Qt::MiddleButton);
    mouse_.Hover(Centre(2, 5) + QPoint(40, 0));
    Grid().PanTimerTick();
    EXPECT_EQ(Current(), (TGridCoord{2, 5}));
    mouse_.Press(Centre(3, 8));
    EXPECT_FALSE(Grid().Panning());
    EXPECT_EQ(Current(), (TGridCoord{2, 5}));
    mouse_.Release(Centre(3, 8));
    Grid().IntelliPan = TIntelliPan::ipNone;
    mouse_.Press(Centre(2, 5), Qt::NoModifier, Qt::MiddleButton);
    EXPECT_FALSE(Grid().Panning());
    mouse_.Release(Centre(2, 5), Qt::NoModifier, Qt::MiddleButton);
}

// ---- Hints, hover, blink -------------------------------------------------------------------------------

TEST_F(WheelScrollHints, HintShowLargeTextShowsOnlyTextsWiderThanTheColumn) {
    Grid().HintShowLargeText = true;
    Grid().SetGridCells(1, 1, "short");
    Grid().SetGridCells(2, 1, "a text far wider than its sixty-four pixel column");
    mouse_.AskHint(Centre(1, 1));
    EXPECT_FALSE(Grid().HintShowing());
    mouse_.AskHint(Centre(2, 1));
    ASSERT_TRUE(Grid().HintShowing());
    EXPECT_EQ(Grid().HintWindow()->Caption(), Grid().GetGridCells(2, 1));
    const TRect cell = mouse_.Rect(2, 1);
    EXPECT_EQ(Grid().HintWindow()->pos(), Grid().viewport()->mapToGlobal(QPoint(cell.Left, cell.Top)));
    // Moving to another cell takes the hint away.
    mouse_.Hover(Centre(3, 2));
    EXPECT_FALSE(Grid().HintShowing());
}

// A hint over millions of characters stays within the screen: it shows the lines that fit and an
// ellipsis below them; a word wider than the screen is cut at the hint's edge.
TEST_F(WheelScrollHints, AHintOverAVeryLongTextStaysWithinTheScreenAndEndsWithAnEllipsis) {
    Grid().HintShowLargeText = true;
    Grid().SetColWidths(2, 120);
    const TRect screen = FromQRect(Grid().screen()->geometry());
    for (const qsizetype length : {1000000, 10000000, 1000007}) {
        SCOPED_TRACE(length);
        // (an odd length: one word, without blanks)
        const QString word = length % 2 == 0 ? QStringLiteral("palavra%1 ").arg(length) : QString("palavra");
        Grid().SetGridCells(2, 1, word.repeated(length / word.size()));
        mouse_.AskHint(Centre(2, 1));
        ASSERT_TRUE(Grid().HintShowing());
        const auto* hint = static_cast<THTMLHintWindow*>(Grid().HintWindow());
        const TRect shown = FromQRect(hint->geometry());
        EXPECT_TRUE(shown.Left >= screen.Left && shown.Top >= screen.Top && shown.Right <= screen.Right &&
                    shown.Bottom <= screen.Bottom);
        EXPECT_TRUE(hint->Cut());
        EXPECT_LT(hint->Caption().size(), 250000); // what a screen can hold, not the whole text
        TRecordingDevice device;
        const_cast<THTMLHintWindow*>(hint)->RenderTo(device);
        std::vector<TCanvasOp> texts;
        for (const TCanvasOp& op : device.Ops)
            if (op.Kind == TCanvasOpKind::Text) texts.push_back(op);
        ASSERT_GE(texts.size(), 2u);
        EXPECT_TRUE(texts[0].Text.startsWith("palavra"));
        EXPECT_EQ(texts.back().Text, QString::fromUtf8("…"));
        EXPECT_LT(texts.back().Rect.Top, hint->height());
        mouse_.Hover(Centre(3, 2));
    }
}

struct THintCase {
    bool htmlHint;
    const char* hint;
};

class CellHintText : public WheelScrollHints, public testing::WithParamInterface<THintCase> {};

TEST_P(CellHintText, StripsTagsUnlessHTMLHint) {
    Grid().HintShowCells = true;
    Grid().HTMLHint = GetParam().htmlHint;
    Grid().SetGridCells(1, 2, "<b>bold</b> text");
    mouse_.AskHint(Centre(1, 2));
    ASSERT_TRUE(Grid().HintShowing());
    EXPECT_EQ(Grid().HintWindow()->Caption(), GetParam().hint);
}

INSTANTIATE_TEST_SUITE_P(Kinds, CellHintText,
                         testing::Values(THintCase{false, "bold text"}, THintCase{true, "<b>bold</b> text"}));

TEST_F(WheelScrollHints, OnGridHintAndTheAnchorHintReplaceTheText) {
    Grid().HintShowCells = true;
    Grid().AnchorHint = true;
    Grid().SetGridCells(1, 1, "cell");
    Grid().SetGridCells(2, 1, R"(<A HREF="https://example.org">site</A>)");
    Grid().OnGridHint = [](QObject*, int row, int col, QString& hint) {
        if (col == 1) hint = QString("%1 at %2,%3").arg(hint).arg(col).arg(row);
    };
    Grid().OnAnchorHint = [](QObject*, int, int, QString& anchor) { anchor = "go to " + anchor; };
    mouse_.AskHint(Centre(1, 1));
    EXPECT_EQ(Grid().HintWindow()->Caption(), "cell at 1,1");
    const TRect r = mouse_.Rect(2, 1);
    mouse_.AskHint(QPoint(r.Left + 8, r.Top + 9));
    EXPECT_EQ(Grid().HintWindow()->Caption(), "go to https://example.org");
}

TEST_F(WheelScrollHints, HoveringMakesTheDataCellUnderThePointerCurrent) {
    Grid().Hovering = true;
    EXPECT_EQ(Grid().HoverTimer().interval(), 500);
    EXPECT_TRUE(Grid().HoverTimer().isActive());
    w_.Other().setFocus();
    mouse_.Hover(Centre(3, 4));
    Grid().HoverTimerTick();
    EXPECT_EQ(Current(), (TGridCoord{3, 4}));
    EXPECT_TRUE(Grid().hasFocus());
    mouse_.Hover(Centre(0, 6));
    Grid().HoverTimerTick();
    mouse_.Hover(Centre(2, 0));
    Grid().HoverTimerTick();
    EXPECT_EQ(Current(), (TGridCoord{3, 4}));
    Grid().Hovering = false;
    mouse_.Hover(Centre(1, 1));
    Grid().HoverTimerTick();
    EXPECT_EQ(Current(), (TGridCoord{3, 4}));
}

TEST_F(WheelScrollHints, ABlinkTickRepaintsExactlyTheVisibleBlinkingCells) {
    Grid().EnableBlink = true;
    Grid().SetGridCells(1, 1, "<BLINK>now</BLINK>");
    Grid().SetGridCells(3, 4, "a <blink>b</blink>");
    Grid().SetGridCells(2, 0, "<BLINK>head</BLINK>");
    Grid().SetGridCells(2, 2, "<B>steady</B>");
    Grid().SetGridCells(1, 19, "<BLINK>below</BLINK>");
    ASSERT_TRUE(Grid().CellRect(1, 19).IsEmpty());
    QApplication::processEvents();
    TPaintRegions regions(Grid().viewport());
    const bool phase = Grid().BlinkVisible();
    Grid().HoverTimerTick();
    QApplication::processEvents();
    EXPECT_NE(Grid().BlinkVisible(), phase);
    QRegion expected;
    for (TGridCoord c : {TGridCoord{1, 1}, {3, 4}, {2, 0}}) expected += ToQRect(Grid().CellRectEx(c.X, c.Y));
    EXPECT_EQ(regions.painted, expected);
}

} // namespace
