// The colours and looks of the advanced grid's cells: bands, the selection models, numbers'
// alignment, the frames of the fixed-cell looks, the header under the pointer, the flat border,
// the fixed right columns, the row indicator and the drawing events; asserted on the recording
// canvas.
#include "GridTestSupport.h"
#include "grid/VisualStyles.h"

#include <QCursor>

namespace {

using TLine = std::tuple<TPoint, TPoint, TColor>;

std::vector<TLine> LinesOf(const std::vector<const TCanvasOp*>& ops) {
    std::vector<TLine> lines;
    for (const TCanvasOp* op : ops)
        if (op->Kind == TCanvasOpKind::Line)
            lines.emplace_back(op->Points[0], op->Points[1], op->Pen.Color());
    return lines;
}

// The operations a cell drew after its text, up to the next cell's background (pointers into ops).
std::vector<const TCanvasOp*> AfterText(const std::vector<TCanvasOp>& ops, const QString& text) {
    std::vector<const TCanvasOp*> found;
    auto it = std::find_if(ops.begin(), ops.end(), [&](const TCanvasOp& op) {
        return op.Kind == TCanvasOpKind::Text && op.Text == text;
    });
    for (++it; it < ops.end() && it->Kind != TCanvasOpKind::FillRect && it->Kind != TCanvasOpKind::Text; ++it)
        found.push_back(&*it);
    return found;
}

class CellLooks : public testing::Test {
protected:
    CellLooks() : w_(5, 8) {
        for (int c = 1; c < 5; ++c) Grid().SetGridCells(c, 0, QString("H%1").arg(c));
        for (int r = 1; r < 8; ++r)
            for (int c = 1; c < 5; ++c) Grid().SetGridCells(c, r, QString("c%1r%2").arg(c).arg(r));
    }
    TVevIvizudEvar& Grid() { return w_.Grid(); }
    std::vector<TColor> FillsOf(const std::vector<TCanvasOp>& ops, int col, int row) {
        return CellFills(Grid(), ops, col, row);
    }
    TColor TextColorOf(const std::vector<TCanvasOp>& ops, int col, int row) {
        const auto texts = TextOps(ops, QString("c%1r%2").arg(col).arg(row));
        return texts.size() == 1 ? texts[0].Font.Color() : clNone;
    }
    TAdvancedGridWindow w_;
};

TEST_F(CellLooks, BandsRunOverTheDataRowsAndCellColoursStay) {
    Grid().Bands.SetPrimaryColor(clYellow);
    Grid().Bands.SetSecondaryColor(clAqua);
    Grid().Bands.SetPrimaryLength(1);
    Grid().Bands.SetSecondaryLength(2);
    Grid().Bands.SetActive(true);
    Grid().GetCellProperties(3, 4)->SetBrushColor(clRed);
    const auto ops = RenderOps(Grid());
    for (int row = 1; row < 8; ++row) {
        const TColor band = (row - 1) % 3 == 0 ? clYellow : clAqua;
        EXPECT_EQ(FillsOf(ops, 2, row), std::vector<TColor>{band}) << row;
    }
    EXPECT_EQ(FillsOf(ops, 3, 4), std::vector<TColor>{clRed});
    EXPECT_EQ(FillsOf(ops, 2, 0), std::vector<TColor>{Grid().FixedColor()});
}

TEST_F(CellLooks, AutoNumAlignRightAlignsNumbersOfThePointProfile) {
    TFormatSettingsScope scope(TFormatSettings::Neutral());
    Grid().AutoNumAlign = true;
    const char* const texts[] = {"12", "-3", "1.5", "12a", "1,5x"};
    for (int i = 0; i < 5; ++i) Grid().SetGridCells(2, i + 1, texts[i]);
    Grid().SetGridCells(3, 1, "7");
    Grid().GetCellProperties(3, 1)->Alignment = TAlignment::taLeftJustify;
    const auto ops = RenderOps(Grid());
    for (const char* text : {"12", "-3", "1.5"})
        EXPECT_TRUE(TextOps(ops, text).at(0).Flags & DT_RIGHT) << text;
    for (const char* text : {"12a", "1,5x", "7"})
        EXPECT_FALSE(TextOps(ops, text).at(0).Flags & DT_RIGHT) << text;
}

TEST_F(CellLooks, DisjunctRowsAndColumnsPaintInTheSelectionColours) {
    Grid().SetSelectionTextColor(clRed);
    Grid().SetRow(6);
    Grid().MouseActions.SetDisjunctRowSelect(true);
    Grid().SetRowSelect(3, true);
    auto ops = RenderOps(Grid());
    for (int col = 1; col < 5; ++col) {
        EXPECT_EQ(FillsOf(ops, col, 3), std::vector<TColor>{Grid().SelectionColor()}) << col;
        EXPECT_EQ(TextColorOf(ops, col, 3), clRed) << col;
        EXPECT_EQ(FillsOf(ops, col, 2), std::vector<TColor>{Grid().Color()}) << col;
    }
    Grid().MouseActions.SetDisjunctColSelect(true);
    Grid().SetColSelect(2, true);
    Grid().SetCol(4);
    ops = RenderOps(Grid());
    for (int row = 1; row < 8; ++row) {
        EXPECT_EQ(FillsOf(ops, 2, row), std::vector<TColor>{Grid().SelectionColor()}) << row;
        EXPECT_EQ(TextColorOf(ops, 2, row), clRed) << row;
        EXPECT_EQ(FillsOf(ops, 3, row), std::vector<TColor>{Grid().Color()}) << row;
    }
    Grid().MouseActions.SetDisjunctCellSelect(true);
    Grid().AddDisjunctCell(3, 2);
    ops = RenderOps(Grid());
    EXPECT_EQ(FillsOf(ops, 3, 2), std::vector<TColor>{Grid().SelectionColor()});
    EXPECT_EQ(TextColorOf(ops, 3, 2), clRed);
    EXPECT_EQ(TextColorOf(ops, 3, 3), Grid().Font().Color());
}

TEST_F(CellLooks, ASelectedUnfocusedCellWithoutSelectionColourIsHighlighted) {
    Grid().SetSelectionColor(clNone);
    Grid().SetCol(1);
    Grid().SetRow(2);
    w_.Key(Qt::Key_Right, Qt::ShiftModifier); // (1, 2) selected, (2, 2) current
    ASSERT_EQ(Grid().Col(), 2);
    const auto ops = RenderOps(Grid());
    const TRect area = Grid().CellRect(1, 2).Inflated(-1, -1); // inside the grid lines
    std::vector<TColor> fills;
    for (const TCanvasOp& op : ops)
        if (op.Kind == TCanvasOpKind::FillRect && op.Rect == area) fills.push_back(op.Brush.Color());
    EXPECT_EQ(fills, std::vector<TColor>{clHighlight});
    EXPECT_EQ(TextOps(ops, "c1r2").at(0).Font.Color(), Grid().SelectionTextColor());
    // The focused cell keeps the grid's colour.
    for (const TCanvasOp& op : ops)
        if (op.Kind == TCanvasOpKind::FillRect && op.Rect == Grid().CellRect(2, 2).Inflated(-1, -1))
            ADD_FAILURE() << "the focused cell was highlighted";
}

struct TFrameCase {
    TGridLook Look;
    bool Flat;
};

class FixedCellFrames : public CellLooks, public testing::WithParamInterface<TFrameCase> {};

TEST_P(FixedCellFrames, StandAtTheLooksCoordinates) {
    const TFrameCase c = GetParam();
    Grid().SetFixedColor(RGBColor(200, 100, 50));
    Grid().SetLook(c.Look);
    Grid().SetFlat(c.Flat);
    const TRect r = Grid().CellRect(2, 0);
    const TColor dark = RGBColor(100, 50, 25), white = clWhite, black = clBlack;
    const auto ops = RenderOps(Grid());
    const auto after = AfterText(ops, "H2");
    std::vector<TLine> expected;
    std::vector<std::tuple<TRect, unsigned, unsigned>> edges;
    if (c.Flat) {
        // a flat grid has no frames
    } else if (c.Look == TGridLook::glClassic) {
        edges = {{r, BDR_RAISEDINNER, BF_LEFT},
                 {r, BDR_RAISEDINNER, BF_TOP},
                 {r, EDGE_RAISED, BF_RIGHT | BF_BOTTOM}};
        expected = {{{r.Right - 1, r.Top}, {r.Right - 1, r.Bottom - 1}, black},
                    {{r.Right - 1, r.Bottom - 1}, {r.Left - 1, r.Bottom - 1}, black}};
    } else if (c.Look == TGridLook::glXP || c.Look == TGridLook::glVell || c.Look == TGridLook::glSoft) {
        const TRect q{r.Left - 1, r.Top - 1, r.Right + 1, r.Bottom};
        expected = {{{q.Left, q.Bottom - 1}, {q.Right - 1, q.Bottom - 1}, dark},
                    {{q.Right, q.Top + 1}, {q.Left + 1, q.Top + 1}, white},
                    {{q.Left + 1, q.Top + 1}, {q.Left + 1, q.Bottom - 1}, white}};
        if (c.Look == TGridLook::glSoft) {
            expected.push_back({{q.Right - 2, q.Top}, {q.Right - 2, q.Bottom - 1}, dark});
            expected.push_back({{q.Right - 1, q.Top}, {q.Right - 1, q.Bottom - 1}, white});
        }
    }
    EXPECT_EQ(LinesOf(after), expected);
    std::vector<std::tuple<TRect, unsigned, unsigned>> drawnEdges;
    for (const TCanvasOp* op : after)
        if (op->Kind == TCanvasOpKind::Edge) drawnEdges.emplace_back(op->Rect, op->Flags, op->State);
    EXPECT_EQ(drawnEdges, edges);
}

INSTANTIATE_TEST_SUITE_P(
    Looks, FixedCellFrames,
    testing::Values(TFrameCase{TGridLook::glClassic, false}, TFrameCase{TGridLook::glXP, false},
                    TFrameCase{TGridLook::glVell, false}, TFrameCase{TGridLook::glSoft, false},
                    TFrameCase{TGridLook::glStandard, false}, TFrameCase{TGridLook::glXP, true}));

TEST_F(CellLooks, ListViewHeaderIsHotUnderThePointerAndPressedWithTheButtonDown) {
    ASSERT_TRUE(Grid().IsThemed());
    Grid().SetLook(TGridLook::glListView);
    const QPoint header = w_.CellCentre(2, 0);
    QCursor::setPos(w_.Viewport()->mapToGlobal(header));
    ASSERT_EQ(w_.Viewport()->mapFromGlobal(QCursor::pos()), header);
    auto headerStates = [&] {
        std::map<int, unsigned> states; // column -> style state of its header section
        for (const TCanvasOp& op : RenderOps(Grid()))
            if (op.Kind == TCanvasOpKind::Style && op.Flags == unsigned(QStyle::CE_HeaderSection))
                for (int col = 1; col < 5; ++col)
                    if (op.Rect == Grid().CellRect(col, 0)) states[col] = op.State;
        return states;
    };
    auto states = headerStates();
    ASSERT_EQ(states.size(), 4u);
    EXPECT_TRUE(states[2] & QStyle::State_MouseOver);
    EXPECT_FALSE(states[2] & QStyle::State_Sunken);
    EXPECT_FALSE(states[3] & QStyle::State_MouseOver);
    QTest::mousePress(w_.Viewport(), Qt::LeftButton, Qt::NoModifier, header);
    states = headerStates();
    EXPECT_TRUE(states[2] & QStyle::State_Sunken);
    EXPECT_FALSE(states[3] & QStyle::State_Sunken);
    QTest::mouseRelease(w_.Viewport(), Qt::LeftButton, Qt::NoModifier, header);
    EXPECT_FALSE(headerStates()[2] & QStyle::State_Sunken);
}

TEST_F(CellLooks, ListViewHeaderWithoutThemesIsAButtonFaceRectangle) {
    VisualStyles::SetThemeActive(false);
    TAdvancedGridWindow plain(3, 3);
    VisualStyles::SetThemeActive(true);
    plain.Grid().SetLook(TGridLook::glListView);
    const TRect r = plain.Grid().CellRect(1, 0).Inflated(-1, -1);
    std::vector<TColor> rectangles;
    for (const TCanvasOp& op : RenderOps(plain.Grid())) {
        if (op.Kind == TCanvasOpKind::Rectangle && op.Rect == r) rectangles.push_back(op.Brush.Color());
        EXPECT_NE(op.Kind, TCanvasOpKind::Style);
    }
    EXPECT_EQ(rectangles, std::vector<TColor>{clBtnFace});
}

TEST(FlatBorder, ThemedAndClassicColours) {
    for (const bool themed : {true, false}) {
        VisualStyles::SetThemeActive(themed);
        TAdvancedGridWindow w(3, 3);
        VisualStyles::SetThemeActive(true);
        TRecordingDevice device;
        TCanvas canvas(&device);
        w.Grid().PaintFlatBorder(canvas);
        const auto lines = device.OfKind(TCanvasOpKind::Polyline);
        ASSERT_EQ(lines.size(), 2u);
        const int width = w.Grid().width(), height = w.Grid().height();
        EXPECT_EQ(lines[0]->Pen.Color(), themed ? TColor(0xB99D7F) : clGray);
        EXPECT_EQ(lines[0]->Points,
                  (std::vector<TPoint>{
                      {1, height}, {1, 1}, {width - 2, 1}, {width - 2, height - 2}, {1, height - 2}}));
        w.Grid().SetLook(TGridLook::glClassic); // no flat border for this look
        device.Clear();
        w.Grid().PaintFlatBorder(canvas);
        EXPECT_TRUE(device.Ops.empty());
    }
}

TEST_F(CellLooks, FixedRightColumnsOfAFlatGridGetBlackLines) {
    Grid().SetFixedRightCols(1);
    Grid().SetFlat(true);
    const TRect q = Grid().CellRect(4, 3);
    auto ops = RenderOps(Grid());
    const auto lines = LinesOf(AfterText(ops, "c4r3"));
    EXPECT_EQ(lines, (std::vector<TLine>{{{q.Left - 1, q.Top - 1}, {q.Right + 1, q.Top - 1}, clBlack},
                                         {{q.Left - 1, q.Bottom + 1}, {q.Right + 1, q.Bottom + 1}, clBlack},
                                         {{q.Left - 1, q.Top - 1}, {q.Left - 1, q.Bottom + 1}, clBlack},
                                         {{q.Right + 1, q.Top - 1}, {q.Right + 1, q.Bottom + 1}, clBlack}}));
    Grid().SetFlat(false); // the raised frames of the look stand there instead
    ops = RenderOps(Grid());
    for (const TLine& line : LinesOf(AfterText(ops, "c4r3"))) EXPECT_NE(std::get<2>(line), clBlack);
}

TEST_F(CellLooks, EachBorderTakesItsOwnPen) {
    Grid().OnGetCellBorder = [](QObject*, int row, int col, TPen& pen, TCellBorders& borders) {
        if (row != 2 || col != 3) return;
        pen.SetWidth(1);
        borders = {TCellBorder::cbLeft, TCellBorder::cbTop, TCellBorder::cbRight, TCellBorder::cbBottom};
    };
    Grid().OnGetCellBorderProp = [](QObject*, int row, int col, TPen& left, TPen& top, TPen& right,
                                    TPen& bottom) {
        if (row != 2 || col != 3) return;
        left.SetColor(clRed);
        top.SetColor(clLime);
        right.SetColor(clBlue);
        bottom.SetColor(clFuchsia);
    };
    const auto ops = RenderOps(Grid());
    const TRect r = Grid().CellRect(3, 2).Inflated(-1, -1); // 1-pixel pens move in by 1
    const std::vector<TLine> expected{{{r.Left - 1, r.Top}, {r.Left - 1, r.Bottom}, clRed},
                                      {{r.Right - 1, r.Top}, {r.Right - 1, r.Bottom}, clBlue},
                                      {{r.Left, r.Top}, {r.Right, r.Top}, clLime},
                                      {{r.Left, r.Bottom - 1}, {r.Right, r.Bottom - 1}, clFuchsia}};
    EXPECT_EQ(LinesOf(AfterText(ops, "c3r2")), expected);
    // The next cell's lines are drawn with the grid's own pen again.
    for (const TLine& line : LinesOf(AfterText(ops, "c4r2"))) EXPECT_NE(std::get<2>(line), clRed);
}

TEST_F(CellLooks, DropDownButtonAlwaysVisibleTakesTheRight16Pixels) {
    Grid().OnHasComboBox = [](QObject*, int col, int row, bool& has) { has = col == 2 && row == 3; };
    auto buttons = [&](const std::vector<TCanvasOp>& ops) {
        std::vector<TRect> rects; // the themed button's bevel
        for (const TCanvasOp& op : ops)
            if (op.Kind == TCanvasOpKind::Style && op.Flags == unsigned(QStyle::PE_PanelButtonBevel))
                rects.push_back(op.Rect);
        return rects;
    };
    EXPECT_TRUE(buttons(RenderOps(Grid())).empty());
    Grid().ControlLook.DropDownAlwaysVisible = true;
    const auto ops = RenderOps(Grid());
    const TRect r = Grid().CellRect(2, 3).Inflated(-1, -1);
    EXPECT_EQ(buttons(ops), (std::vector<TRect>{{r.Right - 16, r.Top, r.Right, r.Bottom}}));
    EXPECT_EQ(TextOps(ops, "c2r3").at(0).Rect.Right, r.Right - 16 - 2);
    EXPECT_EQ(TextOps(ops, "c2r2").at(0).Rect.Right, r.Right - 2);
}

TEST(RepaintCellRange, RepaintsFromTheFirstToTheLastCell) {
    TGridWindow<TDirtyGrid> w(6, 8);
    QApplication::processEvents();
    w.Grid().RepaintCellRange({2, 3, 4, 5});
    QApplication::processEvents();
    EXPECT_EQ(w.Grid().LastDirty, UnionRect(w.Grid().CellRect(2, 3), w.Grid().CellRect(4, 5)));
}

TEST_F(CellLooks, TreeLinesOfANodeAndItsChildren) {
    Grid().CellNode.SetTreeColor(clPurple);
    for (int r = 1; r < 8; ++r) Grid().SetGridCells(0, r, QString("n%1").arg(r));
    Grid().AddNode(1, 3); // rows 1 (the node), 2 and 3 at level 1
    const auto ops = RenderOps(Grid());
    auto tree = [&](int row) {
        std::vector<TLine> lines;
        for (const TLine& line : LinesOf(AfterText(ops, QString("n%1").arg(row))))
            if (std::get<2>(line) == clPurple) lines.push_back(line);
        return lines;
    };
    const int h = 6; // half the node indent of 12
    for (int row = 1; row <= 3; ++row) {
        const TRect cell = Grid().CellRect(0, row);
        const int left = cell.Left + 12, y = cell.Top + cell.Height() / 2, x = left - h - 12;
        std::vector<TLine> expected{{{left - h, y}, {left + 4, y}, clPurple}};
        if (row == 2)
            expected.push_back({{left - h, cell.Top}, {left - h, cell.Bottom + 4}, clPurple}); // goes on
        if (row == 3) expected.push_back({{left - h, cell.Top}, {left - h, y}, clPurple});     // ends
        expected.push_back({{x, cell.Top}, {x, y}, clPurple});
        expected.push_back({{x, y}, {x, cell.Bottom + 4}, clPurple});
        // The expanded node's glyph draws its own line down, from the middle of the node's indent.
        if (row == 1) expected.push_back({{-1 + h, cell.Top + 6}, {-1 + h, cell.Bottom}, clPurple});
        EXPECT_EQ(tree(row), expected) << row;
    }
    for (const TLine& line : tree(4)) EXPECT_NE(std::get<0>(line).Y, std::get<1>(line).Y); // no branch
    Grid().CellNode.SetShowTree(false);
    for (const TCanvasOp& op : RenderOps(Grid()))
        EXPECT_FALSE(op.Kind == TCanvasOpKind::Line && op.Pen.Color() == clPurple);
}

TEST_F(CellLooks, RowIndicatorStandsBeforeTheCurrentRowsFixedText) {
    Grid().RowIndicator.SetSize(8, 8, clGreen);
    for (int r = 1; r < 8; ++r) Grid().SetGridCells(0, r, QString("f%1").arg(r));
    Grid().SetRow(3);
    const auto ops = RenderOps(Grid());
    const TRect cell = Grid().CellRect(0, 3);
    std::vector<TPoint> images;
    for (const TCanvasOp& op : ops)
        if (op.Kind == TCanvasOpKind::Image) images.push_back({op.Rect.Left, op.Rect.Top});
    EXPECT_EQ(images, (std::vector<TPoint>{{cell.Left + 1, cell.Top + 1}}));
    EXPECT_EQ(TextOps(ops, "f3").at(0).Rect.Left, cell.Left + 1 + 8 + 2);
    EXPECT_EQ(TextOps(ops, "f2").at(0).Rect.Left, cell.Left + 1 + 2);
}

TEST_F(CellLooks, DrawingEventsGetTheRealColumnAndTheCellsRectangles) {
    std::vector<std::tuple<int, int, TRect>> custom, drawn;
    Grid().OnCustomCellDraw = [&](QObject*, TCanvas&, int col, int row, TGridDrawState, TRect rect,
                                  bool printing) {
        EXPECT_FALSE(printing);
        if (row == 2) custom.emplace_back(col, row, rect);
    };
    Grid().OnDrawCell = [&](QObject*, int col, int row, TRect rect, TGridDrawState) {
        if (row == 2) drawn.emplace_back(col, row, rect);
    };
    RenderOps(Grid());
    ASSERT_EQ(custom.size(), 5u);
    const TRect cell = Grid().CellRect(3, 2);
    EXPECT_EQ(custom[3], std::make_tuple(3, 2, cell));
    EXPECT_EQ(drawn[3],
              std::make_tuple(3, 2, TRect{cell.Left + 1, cell.Top + 1, cell.Right - 1, cell.Bottom - 1}));
}

TEST_F(CellLooks, SizingLineIsADottedXorLineDownTheGrid) {
    TRecordingDevice device;
    Grid().Canvas().SetDevice(&device);
    Grid().DrawSizingLine(100);
    Grid().Canvas().SetDevice(nullptr);
    const auto lines = device.OfKind(TCanvasOpKind::Line);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0]->Points, (std::vector<TPoint>{{100, 0}, {100, Grid().height()}}));
    EXPECT_EQ(lines[0]->Pen.Style(), TPenStyle::psDot);
    EXPECT_EQ(lines[0]->Pen.Mode(), TPenMode::pmXor);
    EXPECT_EQ(Grid().Canvas().Pen().Style(), TPenStyle::psSolid);
}

// The colour routine as printing asks it.
class TPrintingGrid : public TVevIvizudEvar {
public:
    using TVevIvizudEvar::TVevIvizudEvar;
    TColor PrintBrush(int col, int row, TFont& font) {
        TVAlignment v;
        TAlignment h;
        TColor to = clNone;
        TBrush brush;
        TGridDrawState state;
        GetCellColors(col, row, v, h, font, to, brush, true, true, true, state);
        return brush.Color();
    }
};

TEST(PrintingColours, PrintFontsBandsAndThePrintEvent) {
    TGridWindow<TPrintingGrid> w(3, 5);
    TPrintingGrid& grid = w.Grid();
    grid.PrintSettings.UseDisplayFont = false;
    grid.PrintSettings.Font.SetSize(20);
    grid.PrintSettings.FixedFont.SetSize(30);
    grid.Bands.SetPrimaryColor(clYellow);
    grid.Bands.SetActive(true);
    int screenEvents = 0, printEvents = 0;
    grid.OnGetCellColor = [&](QObject*, int, int, TGridDrawState, TBrush&, TFont&) { ++screenEvents; };
    grid.OnGetCellPrintColor = [&](QObject*, int row, int, TGridDrawState, TBrush& brush, TFont&) {
        ++printEvents;
        if (row == 3) brush.SetColor(clLime);
    };
    grid.SetSelection({1, 1, 2, 4}); // the selection does not print
    TFont font;
    EXPECT_EQ(grid.PrintBrush(1, 0, font), grid.Color()); // no fixed colour on paper
    EXPECT_EQ(font.Size(), 30);
    EXPECT_EQ(grid.PrintBrush(1, 1, font), grid.Color()); // bands print only with Bands.Print
    EXPECT_EQ(font.Size(), 20);
    EXPECT_EQ(grid.PrintBrush(1, 3, font), clLime);
    grid.Bands.Print = true;
    EXPECT_EQ(grid.PrintBrush(1, 1, font), clYellow);
    EXPECT_EQ(screenEvents, 0);
    EXPECT_EQ(printEvents, 4);
}

} // namespace
