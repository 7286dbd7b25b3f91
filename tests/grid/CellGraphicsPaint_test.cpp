// How cell graphics are painted: where a graphic stands in its cell, check boxes and radio groups
// in the control styles, node glyphs, buttons, progress bars, comments and pictures, checked on
// the recording canvas.
#include "GridTestSupport.h"
#include "grid/DrawUtils.h"
#include "grid/VisualStyles.h"
#include "platform/ui/PainterDevice.h"

#include <QPainter>
#include <QStyle>

namespace {

// Switches the visual style on or off before a grid is made (the grid takes it when made).
struct TThemeSwitch {
    explicit TThemeSwitch(bool themed) { VisualStyles::SetThemeActive(themed); }
    ~TThemeSwitch() { VisualStyles::SetThemeActive(true); }
};

class GraphicsPaint : public testing::Test {
protected:
    explicit GraphicsPaint(bool themed = false) : theme_(themed), w_(4, 5) {
        Grid().SetOptions(Grid().Options() + goEditing);
        Grid().SetColWidths(1, 120);
        Grid().SetRowHeights(2, 40);
        Grid().SetRow(4); // the cells looked at stay unselected
        Grid().OnCustomCellDraw = [this](QObject*, TCanvas&, int col, int row, TGridDrawState, const TRect& r,
                                         bool) {
            rects_[{col, row}] = r;
        };
    }
    TVevIvizudEvar& Grid() { return w_.Grid(); }
    TCellGraphic* Make(int col, int row, TCellType type) {
        TCellGraphic* graphic = Grid().CreateCellGraphic(col, row);
        graphic->CellType = type;
        return graphic;
    }
    std::vector<TCanvasOp> Render() {
        rects_.clear();
        return RenderOps(Grid());
    }
    // The grid as it shows on screen.
    QImage Picture() {
        QImage target(Grid().viewport()->size(), QImage::Format_RGB32);
        QPainter painter(&target);
        TPainterDevice device(painter);
        Grid().RenderTo(device);
        return target;
    }
    // The rectangle the cell's graphic was drawn into.
    TRect GraphicArea(int col, int row) { return rects_.at({col, row}); }
    // The operations drawn inside a rectangle, of a kind.
    static std::vector<TCanvasOp> Inside(const std::vector<TCanvasOp>& ops, TCanvasOpKind kind,
                                         const TRect& area) {
        std::vector<TCanvasOp> found;
        for (const TCanvasOp& op : ops) {
            TRect r = op.Rect;
            if (op.Kind == TCanvasOpKind::Line)
                r = {op.Points[0].X, op.Points[0].Y, op.Points[0].X, op.Points[0].Y};
            if (op.Kind == TCanvasOpKind::Polygon) {
                r = {op.Points[0].X, op.Points[0].Y, op.Points[0].X, op.Points[0].Y};
                for (TPoint q : op.Points)
                    r = {std::min(r.Left, q.X), std::min(r.Top, q.Y), std::max(r.Right, q.X),
                         std::max(r.Bottom, q.Y)};
            }
            if (op.Kind == kind && r.Left >= area.Left - 1 && r.Right <= area.Right + 1 &&
                r.Top >= area.Top - 1 && r.Bottom <= area.Bottom + 1)
                found.push_back(op);
        }
        return found;
    }
    static std::vector<std::pair<TPoint, TPoint>> Lines(const std::vector<TCanvasOp>& ops) {
        std::vector<std::pair<TPoint, TPoint>> lines;
        for (const TCanvasOp& op : ops) lines.push_back({op.Points[0], op.Points[1]});
        return lines;
    }

    TThemeSwitch theme_;
    TAdvancedGridWindow w_;
    std::map<std::pair<int, int>, TRect> rects_;
};

class ThemedGraphicsPaint : public GraphicsPaint {
protected:
    ThemedGraphicsPaint() : GraphicsPaint(true) {}
};

// ---- Placement --------------------------------------------------------------------------------------

struct TPlacementCase {
    TCellHAlign H;
    TCellVAlign V;
    TAlignment Text;
    int TextWidth;
    TRect Expected;
};

class Placement : public testing::TestWithParam<TPlacementCase> {};

// A 16 x 12 graphic in the cell (10, 20)-(110, 60).
TEST_P(Placement, PutsTheGraphicWhereItsAlignmentsSay) {
    const TPlacementCase& c = GetParam();
    EXPECT_EQ(TVevIvizudEvar::GraphicPlacement({10, 20, 110, 60}, c.H, c.V, c.Text, 16, 12, c.TextWidth),
              c.Expected);
}

using H = TCellHAlign;
using V = TCellVAlign;
using A = TAlignment;
INSTANTIATE_TEST_SUITE_P(
    Alignments, Placement,
    testing::Values(TPlacementCase{H::haLeft, V::vaTop, A::taLeftJustify, 30, {11, 21, 27, 33}},
                    TPlacementCase{H::haRight, V::vaBottom, A::taLeftJustify, 30, {93, 47, 109, 59}},
                    TPlacementCase{H::haCenter, V::vaCenter, A::taLeftJustify, 30, {52, 34, 68, 46}},
                    TPlacementCase{H::haBeforeText, V::vaAboveText, A::taLeftJustify, 30, {11, 21, 27, 33}},
                    TPlacementCase{H::haBeforeText, V::vaUnderText, A::taRightJustify, 30, {64, 48, 80, 60}},
                    // Text wider than the cell: the left edge is raised, the right one stays.
                    TPlacementCase{H::haBeforeText, V::vaTop, A::taCenter, 95, {11, 21, 15, 33}},
                    TPlacementCase{H::haAfterText, V::vaFull, A::taLeftJustify, 30, {40, 20, 56, 60}},
                    TPlacementCase{H::haAfterText, V::vaTop, A::taRightJustify, 30, {93, 21, 109, 33}},
                    TPlacementCase{H::haFull, V::vaFull, A::taCenter, 30, {10, 20, 110, 60}}));

TEST(Placement, AGraphicWiderThanTheCellStandsAtItsLeftInsteadOfCentred) {
    EXPECT_EQ(TVevIvizudEvar::GraphicPlacement({10, 20, 110, 30}, TCellHAlign::haCenter,
                                               TCellVAlign::vaCenter, TAlignment::taLeftJustify, 120, 16, 0),
              (TRect{11, 21, 131, 37}));
}

struct TCheckPlacementCase {
    TCellType Type;
    TAlignment Text;
    int TextWidth;
    int ExpectedLeft;
};

class CheckPlacement : public testing::TestWithParam<TCheckPlacementCase> {};

// A 15-pixel box in (10, 20)-(110, 60), whatever its CellHAlign: the text's alignment decides.
TEST_P(CheckPlacement, FollowsTheTextsAlignment) {
    const TCheckPlacementCase& c = GetParam();
    const TRect box = TVevIvizudEvar::CheckBoxPlacement({10, 20, 110, 60}, c.Type, TCellVAlign::vaTop, c.Text,
                                                        15, 15, c.TextWidth);
    EXPECT_EQ(box, Bounds(c.ExpectedLeft, 21, 15, 15));
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, CheckPlacement,
    testing::Values(TCheckPlacementCase{TCellType::ctCheckBox, A::taLeftJustify, 40, 11},
                    TCheckPlacementCase{TCellType::ctDataCheckBox, A::taRightJustify, 40, 94},
                    TCheckPlacementCase{TCellType::ctCheckBox, A::taRightJustify, 40, 54},
                    TCheckPlacementCase{TCellType::ctVirtCheckBox, A::taCenter, 0, 52},
                    TCheckPlacementCase{TCellType::ctCheckBox, A::taCenter, 0, 52},
                    TCheckPlacementCase{TCellType::ctCheckBox, A::taCenter, 40, 25},
                    // Beside a text wider than the cell the box goes back to the left edge.
                    TCheckPlacementCase{TCellType::ctCheckBox, A::taRightJustify, 120, 11}));

// The text's measured width + 2 is the text's room, and the graphic takes 2 more pixels after it.
TEST_F(GraphicsPaint, AGraphicAfterTheTextStandsPastItsMeasuredWidth) {
    TBitmap picture;
    picture.SetSize(10, 10, clRed);
    TCellGraphic* graphic = Make(1, 1, TCellType::ctBitmap);
    graphic->SetObject(&picture);
    graphic->CellHAlign = TCellHAlign::haAfterText;
    Grid().SetGridCells(1, 1, "abc");
    const auto ops = Render();
    const auto texts = TextOps(ops, "abc");
    ASSERT_EQ(texts.size(), 1u);
    const int width = texts[0].Layout.Runs.at(0).Width;
    const auto images = Inside(ops, TCanvasOpKind::Image, GraphicArea(1, 1));
    ASSERT_EQ(images.size(), 1u);
    EXPECT_EQ(images[0].Rect.Left, texts[0].Rect.Left + width + 1);
    EXPECT_EQ(images[0].Rect.Width(), 10);
}

// ---- Check boxes --------------------------------------------------------------------------------------

// A box that the classic look draws: the platform's check box of CheckSize.
std::vector<TCanvasOp> CheckFrames(const std::vector<TCanvasOp>& ops) {
    std::vector<TCanvasOp> found;
    for (const TCanvasOp& op : ops)
        if (op.Kind == TCanvasOpKind::FrameControl && op.Flags == DFC_BUTTON &&
            (op.State & 0xFF) == DFCS_BUTTONCHECK)
            found.push_back(op);
    return found;
}

TEST_F(GraphicsPaint, EveryCheckBoxKindShowsItsBoxAndTheDataKindsHideTheirText) {
    Grid().ControlLook.ControlStyle = TControlStyle::csClassic;
    Make(1, 1, TCellType::ctCheckBox)->CellBoolean = true;
    Make(2, 1, TCellType::ctDataCheckBox);
    Grid().SetGridCells(2, 1, "Y");
    TCellGraphic shared;
    shared.CellType = TCellType::ctVirtCheckBox;
    Grid().ShareCellGraphic(3, 1, &shared);
    Grid().SetGridCells(3, 1, "N");
    const auto ops = Render();
    const auto boxes = CheckFrames(ops);
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_TRUE(boxes[0].State & DFCS_CHECKED);
    EXPECT_TRUE(boxes[1].State & DFCS_CHECKED);
    EXPECT_FALSE(boxes[2].State & DFCS_CHECKED);
    EXPECT_EQ(boxes[0].Rect.Width(), 15);
    EXPECT_TRUE(TextOps(ops, "Y").empty());
    EXPECT_TRUE(TextOps(ops, "N").empty());
}

struct TDataCheckCase {
    const char* Text;
    bool Checked;
};

class DataCheck : public GraphicsPaint, public testing::WithParamInterface<TDataCheckCase> {};

TEST_P(DataCheck, IsCheckedExactlyWhenItsTextIsTheTrueText) {
    Grid().ControlLook.ControlStyle = TControlStyle::csClassic;
    Make(1, 1, TCellType::ctDataCheckBox);
    Grid().SetGridCells(1, 1, GetParam().Text);
    const auto boxes = CheckFrames(Render());
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(bool(boxes[0].State & DFCS_CHECKED), GetParam().Checked);
}

INSTANTIATE_TEST_SUITE_P(Texts, DataCheck,
                         testing::Values(TDataCheckCase{"Y", true}, TDataCheckCase{"y", false},
                                         TDataCheckCase{"Yes", false}, TDataCheckCase{"N", false},
                                         TDataCheckCase{"", false}));

TEST_F(GraphicsPaint, TheTrueTextOfTheEventDecidesADataCheckBox) {
    Grid().ControlLook.ControlStyle = TControlStyle::csClassic;
    Grid().OnGetCheckTrue = [](QObject*, int, int, QString& value) { value = "Sim"; };
    Make(1, 1, TCellType::ctDataCheckBox);
    Grid().SetGridCells(1, 1, "Sim");
    EXPECT_TRUE(CheckFrames(Render()).at(0).State & DFCS_CHECKED);
    Grid().SetGridCells(1, 1, "Y");
    EXPECT_FALSE(CheckFrames(Render()).at(0).State & DFCS_CHECKED);
}

TEST_F(GraphicsPaint, AReadOnlyCheckBoxIsDisabledUnlessTheLookSaysOtherwise) {
    Grid().ControlLook.ControlStyle = TControlStyle::csClassic;
    Make(1, 1, TCellType::ctCheckBox);
    Grid().GetCellProperties(1, 1)->ReadOnly = true;
    Make(2, 1, TCellType::ctCheckBox);
    auto boxes = CheckFrames(Render());
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_TRUE(boxes[0].State & DFCS_INACTIVE);
    EXPECT_FALSE(boxes[1].State & DFCS_INACTIVE);
    Grid().ControlLook.NoDisabledCheckRadioLook = true;
    boxes = CheckFrames(Render());
    EXPECT_FALSE(boxes[0].State & DFCS_INACTIVE);
}

TEST_F(GraphicsPaint, ThemedCheckBoxesDrawNothingOnAGridWithoutVisualStyles) {
    ASSERT_FALSE(Grid().IsThemed());
    Make(1, 1, TCellType::ctCheckBox);
    Grid().ControlLook.ControlStyle = TControlStyle::csTheme;
    auto ops = Render();
    EXPECT_TRUE(Inside(ops, TCanvasOpKind::Style, GraphicArea(1, 1)).empty());
    EXPECT_TRUE(CheckFrames(ops).empty());
    EXPECT_TRUE(Inside(ops, TCanvasOpKind::Image, GraphicArea(1, 1)).empty());
    Grid().ControlLook.ControlStyle = TControlStyle::csClassic;
    EXPECT_EQ(CheckFrames(Render()).size(), 1u);
}

TEST_F(ThemedGraphicsPaint, ThemedCheckBoxesDrawTheStylesCheckBoxOfCheckSize) {
    ASSERT_TRUE(Grid().IsThemed());
    Make(1, 1, TCellType::ctCheckBox)->CellBoolean = true;
    Grid().ControlLook.ControlStyle = TControlStyle::csTheme;
    const auto ops = Render();
    const auto styled = Inside(ops, TCanvasOpKind::Style, GraphicArea(1, 1));
    ASSERT_EQ(styled.size(), 1u);
    EXPECT_EQ(styled[0].Flags, unsigned(QStyle::PE_IndicatorCheckBox));
    EXPECT_TRUE(styled[0].State & QStyle::State_On);
    EXPECT_EQ(styled[0].Rect.Width(), 15);
}

struct TBitmapStyleCase {
    TControlStyle Style;
    bool Checked, ReadOnly;
    const char* Name;
};

class CheckBitmaps : public GraphicsPaint, public testing::WithParamInterface<TBitmapStyleCase> {};

TEST_P(CheckBitmaps, DrawTheBitmapOfTheirState) {
    const TBitmapStyleCase& c = GetParam();
    Grid().ControlLook.ControlStyle = c.Style;
    Make(1, 1, TCellType::ctCheckBox)->CellBoolean = c.Checked;
    Grid().GetCellProperties(1, 1)->ReadOnly = c.ReadOnly;
    const auto ops = Render();
    const auto images = Inside(ops, TCanvasOpKind::Image, GraphicArea(1, 1).Inflated(5, 5));
    ASSERT_EQ(images.size(), 1u);
    const TBitmap& expected = GridBitmap(c.Name);
    EXPECT_EQ(images[0].Rect.Width(), expected.Width());
    // On screen: the bitmap's pixels, but for those of its corner colour.
    const QImage shown = Picture();
    const TRect at = images[0].Rect;
    int compared = 0;
    for (int y = 0; y < expected.Height(); ++y)
        for (int x = 0; x < expected.Width(); ++x)
            if (expected.Pixel(x, y) != expected.TransparentColor()) {
                EXPECT_EQ(FromQColor(shown.pixelColor(at.Left + x, at.Top + y)), expected.Pixel(x, y))
                    << x << "," << y;
                ++compared;
            }
    EXPECT_GT(compared, 20);
}

INSTANTIATE_TEST_SUITE_P(States, CheckBitmaps,
                         testing::Values(TBitmapStyleCase{TControlStyle::csVell, true, false, "VZGCHK01"},
                                         TBitmapStyleCase{TControlStyle::csVell, false, true, "VZGCHK04"},
                                         TBitmapStyleCase{TControlStyle::csWinXP, false, false, "VZGCHK06"},
                                         TBitmapStyleCase{TControlStyle::csWinXP, true, true, "VZGCHK07"}));

TEST_F(GraphicsPaint, CorvaneCheckBoxIsAFramedBoxWithATwoPixelTick) {
    Grid().ControlLook.ControlStyle = TControlStyle::csCorvane;
    Grid().ControlLook.Color = clNavy;
    TRecordingDevice device;
    TCanvas canvas(&device);
    const TRect box{10, 20, 25, 35};
    Grid().DrawCheck(canvas, box, true, true, TControlStyle::csCorvane);
    const auto rects = device.OfKind(TCanvasOpKind::Rectangle);
    ASSERT_EQ(rects.size(), 1u);
    EXPECT_EQ(rects[0]->Rect, box);
    EXPECT_EQ(rects[0]->Brush.Color(), clBtnFace);
    std::vector<TCanvasOp> lines;
    for (const TCanvasOp* op : device.OfKind(TCanvasOpKind::Line)) lines.push_back(*op);
    using L = std::pair<TPoint, TPoint>;
    // The frame, light up the left and along the top, dark down the right and along the bottom;
    // then the tick with T = 19, B = 34, H = 7.
    EXPECT_EQ(Lines(lines), (std::vector<L>{{{10, 35}, {10, 20}},
                                            {{10, 20}, {25, 20}},
                                            {{25, 20}, {25, 35}},
                                            {{25, 35}, {10, 35}},
                                            {{12, 27}, {12, 33}},
                                            {{13, 26}, {13, 32}},
                                            {{12, 33}, {23, 22}},
                                            {{13, 33}, {24, 22}}}));
    EXPECT_EQ(lines[0].Pen.Color(), clBtnHighlight);
    EXPECT_EQ(lines[2].Pen.Color(), clBtnShadow);
    EXPECT_EQ(lines[4].Pen.Color(), clNavy);
    device.Clear();
    Grid().DrawCheck(canvas, box, true, false, TControlStyle::csCorvane);
    EXPECT_EQ(device.OfKind(TCanvasOpKind::Rectangle)[0]->Brush.Color(), clBtnShadow);
    EXPECT_EQ(device.OfKind(TCanvasOpKind::Line)[4]->Pen.Color(), clGray);
}

// ---- Radio groups --------------------------------------------------------------------------------------

class RadioGroups : public GraphicsPaint {
protected:
    RadioGroups() {
        Grid().SetRowHeights(2, 60); // three items of 16 one under another
        Grid().ControlLook.ControlStyle = TControlStyle::csClassic;
        radio_ = Make(1, 2, TCellType::ctRadio);
        radio_->SetObject(std::make_unique<QStringList>(QStringList{"um", "dois", "tres"}));
    }
    // The radio boxes drawn, in order.
    std::vector<TCanvasOp> Boxes(const std::vector<TCanvasOp>& ops) {
        std::vector<TCanvasOp> found;
        for (const TCanvasOp& op : ops)
            if (op.Kind == TCanvasOpKind::FrameControl && (op.State & 0xFF) == DFCS_BUTTONRADIO)
                found.push_back(op);
        return found;
    }
    TCellGraphic* radio_;
};

TEST_F(RadioGroups, AnIndexChecksThatItemAndMinusOneTheItemEqualToTheCellText) {
    Grid().SetGridCells(1, 2, "tres");
    radio_->CellIndex = 1;
    auto boxes = Boxes(Render());
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[0].State & DFCS_CHECKED, 0u);
    EXPECT_NE(boxes[1].State & DFCS_CHECKED, 0u);
    EXPECT_EQ(boxes[2].State & DFCS_CHECKED, 0u);
    radio_->CellIndex = -1;
    boxes = Boxes(Render());
    EXPECT_EQ(boxes[1].State & DFCS_CHECKED, 0u);
    EXPECT_NE(boxes[2].State & DFCS_CHECKED, 0u);
}

TEST_F(RadioGroups, ItemsStandOneUnderAnotherOrSideBySide) {
    radio_->CellIndex = 0;
    auto ops = Render();
    const TRect r = GraphicArea(1, 2);
    const int lineHeight = TextOps(ops, "um").at(0).Layout.LineHeight;
    const int z = Grid().ControlLook.RadioSize;
    auto boxes = Boxes(ops);
    ASSERT_EQ(boxes.size(), 3u);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(boxes[i].Rect, Bounds(r.Left + 2, r.Top + 2 + i * lineHeight, z, z));
    const auto second = TextOps(ops, "dois");
    ASSERT_EQ(second.size(), 1u);
    EXPECT_EQ(second[0].Layout.Runs.at(0).X, r.Left + 2 + z + 4);

    radio_->CellBoolean = true;
    ops = Render();
    boxes = Boxes(ops);
    const int y = r.Top + (r.Height() - z) / 2;
    const int w1 = TextOps(ops, "um").at(0).Layout.Runs.at(0).Width;
    const int w2 = TextOps(ops, "dois").at(0).Layout.Runs.at(0).Width;
    EXPECT_EQ(boxes[0].Rect, Bounds(r.Left + 2, y, z, z));
    EXPECT_EQ(boxes[1].Rect, Bounds(r.Left + 2 + w1 + z, y, z, z));
    EXPECT_EQ(boxes[2].Rect, Bounds(r.Left + 2 + w1 + w2 + 2 * z, y, z, z));
}

TEST_F(RadioGroups, FlatItemsAreTwoPixelsLargerAndReadOnlyOnesDisabled) {
    Grid().ControlLook.ControlStyle = TControlStyle::csFlat;
    Grid().GetCellProperties(1, 2)->ReadOnly = true;
    const auto boxes = Boxes(Render());
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[0].Rect.Width(), Grid().ControlLook.RadioSize + 2);
    EXPECT_TRUE(boxes[0].State & DFCS_FLAT);
    EXPECT_TRUE(boxes[0].State & DFCS_INACTIVE);
}

TEST_F(RadioGroups, CorvaneItemsAreDiamondsWithAnInnerOneWhenChecked) {
    Grid().ControlLook.ControlStyle = TControlStyle::csCorvane;
    Grid().ControlLook.Color = clRed;
    radio_->CellIndex = 0;
    const auto ops = Render();
    const TRect r = GraphicArea(1, 2);
    const int x = r.Left + 2, y = r.Top + 2;
    std::vector<std::vector<TPoint>> polygons;
    for (const TCanvasOp& op : Inside(ops, TCanvasOpKind::Polygon, r)) polygons.push_back(op.Points);
    ASSERT_EQ(polygons.size(), 4u); // three diamonds and the checked one's inner diamond
    EXPECT_EQ(polygons[0],
              (std::vector<TPoint>{{x + 2, y + 8}, {x + 8, y + 2}, {x + 14, y + 8}, {x + 8, y + 14}}));
    EXPECT_EQ(polygons[1],
              (std::vector<TPoint>{{x + 6, y + 8}, {x + 8, y + 6}, {x + 10, y + 8}, {x + 8, y + 10}}));
}

TEST_F(RadioGroups, ThemedItemsDrawNothingOnAGridWithoutVisualStyles) {
    Grid().ControlLook.ControlStyle = TControlStyle::csTheme;
    const auto ops = Render();
    EXPECT_TRUE(Inside(ops, TCanvasOpKind::Style, GraphicArea(1, 2)).empty());
    EXPECT_EQ(TextOps(ops, "dois").size(), 1u); // the items' texts still show
}

// ---- Nodes --------------------------------------------------------------------------------------------

class NodeGlyphs : public GraphicsPaint {
protected:
    NodeGlyphs() {
        Grid().SetFixedCols(1);
        Grid().AddNode(1, 2);
        Grid().AddNode(3, 2);
        Grid().ContractNode(Grid().DisplToRealRow(3));
    }
    int Indent() { return Grid().CellNode.NodeIndent(); }
    // Column 0 of the row from the grid's left edge: where the node glyphs stand.
    TRect NodeArea(int row) {
        const TRect r = GraphicArea(0, row);
        return {0, r.Top, r.Right, r.Bottom};
    }
};

TEST_F(NodeGlyphs, FlatNodesShowAPlusWhenContractedAndAMinusWhenExpanded) {
    Grid().CellNode.SetNodeType(TNodeType::cnFlat);
    Grid().CellNode.SetShowTree(false);
    const auto ops = Render();
    for (int row : {1, 3}) {
        const TRect r = GraphicArea(0, row);
        const int left = Grid().GetNodeLevel(row) * Indent() - Indent() + 4;
        const int top = r.Top + (r.Height() - 8) / 2;
        const auto boxes = Inside(ops, TCanvasOpKind::Rectangle, NodeArea(row));
        ASSERT_EQ(boxes.size(), 1u) << row;
        EXPECT_EQ(boxes[0].Rect, (TRect{left - 1, top - 1, left + 9, top + 9}));
        std::vector<std::pair<TPoint, TPoint>> expected{{{left + 1, top + 3}, {left + 6, top + 3}}};
        if (row == 3) expected.push_back({{left + 3, top + 1}, {left + 3, top + 6}});
        EXPECT_EQ(Lines(Inside(ops, TCanvasOpKind::Line, TRect{left, top, left + 8, top + 8})), expected)
            << row;
    }
}

TEST_F(NodeGlyphs, OnlyAnExpandedNodeDrawsItsLineDownWithShowTree) {
    Grid().CellNode.SetNodeType(TNodeType::cnFlat);
    const auto ops = Render();
    const auto down = [&](int row) {
        const TRect r = GraphicArea(0, row);
        const int x = Grid().GetNodeLevel(row) * Indent() - Indent() - 1 + Indent() / 2;
        int found = 0;
        for (const TCanvasOp& op : ops)
            if (op.Kind == TCanvasOpKind::Line && op.Points[0] == TPoint{x, r.Top + 6} &&
                op.Points[1] == TPoint{x, r.Bottom} && op.Pen.Color() == Grid().CellNode.TreeColor())
                ++found;
        return found;
    };
    EXPECT_EQ(down(1), 1);
    EXPECT_EQ(down(3), 0);
}

TEST_F(NodeGlyphs, XPAndLeafNodesDrawTheirBitmapsAtTheirOffsets) {
    Grid().CellNode.SetShowTree(false);
    Grid().CellNode.SetNodeType(TNodeType::cnXP);
    auto ops = Render();
    const int left = Grid().GetNodeLevel(1) * Indent() - Indent();
    auto images = Inside(ops, TCanvasOpKind::Image, NodeArea(1));
    ASSERT_EQ(images.size(), 1u);
    EXPECT_EQ(images[0].Rect, Bounds(left + 4, GraphicArea(0, 1).Top + 6, 9, 9));
    Grid().CellNode.SetNodeType(TNodeType::cnLeaf);
    ops = Render();
    images = Inside(ops, TCanvasOpKind::Image, NodeArea(3));
    ASSERT_EQ(images.size(), 1u);
    EXPECT_EQ(images[0].Rect, Bounds(left, GraphicArea(0, 3).Top + 2, 16, 16));
}

TEST_F(NodeGlyphs, RaisedAndSunkenBoxesForTheOtherTypes) {
    Grid().CellNode.SetShowTree(false);
    Grid().CellNode.SetNodeType(TNodeType::cnGlyph); // without glyphs: the box
    const auto ops = Render();
    const auto expanded = Inside(ops, TCanvasOpKind::Edge, NodeArea(1));
    const auto contracted = Inside(ops, TCanvasOpKind::Edge, NodeArea(3));
    ASSERT_EQ(expanded.size(), 1u);
    ASSERT_EQ(contracted.size(), 1u);
    EXPECT_EQ(expanded[0].Flags, unsigned(EDGE_SUNKEN));
    EXPECT_EQ(contracted[0].Flags, unsigned(EDGE_RAISED));
    EXPECT_EQ(expanded[0].Rect.Width(), 8);
}

// ---- Buttons, progress bars, comments, images -----------------------------------------------------------

TEST_F(GraphicsPaint, AButtonStoresItsOffsetInTheCellAndDrawsItsCaptionInside) {
    TCellGraphic* button = Make(1, 2, TCellType::ctButton);
    button->CellIndex = 50 | (18 << 16);
    button->CellHAlign = TCellHAlign::haRight;
    button->CellVAlign = TCellVAlign::vaCenter;
    button->CellText = "Abrir";
    const auto ops = Render();
    const TRect r = GraphicArea(1, 2);
    const int x = r.Right - 1 - 50, y = r.Top + (r.Height() - 18) / 2;
    EXPECT_EQ(button->CellValue, (x - r.Left) + (y - r.Top) * 65536.0);
    const auto frames = Inside(ops, TCanvasOpKind::FrameControl, r);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].Rect, Bounds(x, y, 50, 18));
    EXPECT_EQ(frames[0].State, unsigned(DFCS_BUTTONPUSH));
    const auto caption = TextOps(ops, "Abrir");
    ASSERT_EQ(caption.size(), 1u);
    EXPECT_EQ(caption[0].Rect, Bounds(x + 2, y + 2, 46, 14));
    EXPECT_EQ(caption[0].Flags, unsigned(DT_CENTER | DT_VCENTER | DT_END_ELLIPSIS));
    // The mouse handling finds the button from the stored offset.
    TRect found;
    Grid().GetButtonRect(1, 2, found);
    EXPECT_EQ(found.Width(), 50);
    EXPECT_EQ(found.Height(), 18);
}

TEST_F(GraphicsPaint, APushedFlatButtonAndABitButtonsGlyph) {
    Grid().ControlLook.FlatButton = true;
    TBitmap glyph;
    glyph.SetSize(8, 8, clFuchsia);
    TCellGraphic* button = Make(1, 2, TCellType::ctBitButton);
    button->CellIndex = 60 | (20 << 16);
    button->CellBoolean = true;
    button->CellText = "Ir";
    button->SetObject(&glyph);
    const auto ops = Render();
    const TRect r = GraphicArea(1, 2);
    const auto frames = Inside(ops, TCanvasOpKind::FrameControl, r);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].State, unsigned(DFCS_BUTTONPUSH | DFCS_FLAT | DFCS_PUSHED));
    const TRect inner = frames[0].Rect.Inflated(-3, -3);
    const auto images = Inside(ops, TCanvasOpKind::Image, r);
    ASSERT_EQ(images.size(), 1u);
    EXPECT_EQ(images[0].Rect, Bounds(inner.Left, inner.Top, 8, 8));
    EXPECT_EQ(TextOps(ops, "Ir").at(0).Rect.Left, inner.Left + 10);
}

class Progress : public GraphicsPaint {
protected:
    Progress() {
        bar_ = Make(1, 2, TCellType::ctProgress);
        bar_->SetObject(std::make_unique<TColor>(clNavy));
        bar_->SetIcon(std::make_unique<TColor>(clYellow));
    }
    TCellGraphic* bar_;
};

TEST_F(Progress, HalfTheBarInItsColourAndThePercentCentredInEachHalfsTextColour) {
    Grid().SetGridCells(1, 2, "50");
    const auto ops = Render();
    const TRect inner = GraphicArea(1, 2).Inflated(-2 - 2, -2 - 2); // the cell less 2, less the margins
    const int split = inner.Left + inner.Width() / 2;
    const auto texts = TextOps(ops, "50%");
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0].Rect, (TRect{inner.Left, inner.Top, split, inner.Bottom}));
    EXPECT_EQ(texts[1].Rect, (TRect{split, inner.Top, inner.Right, inner.Bottom}));
    EXPECT_EQ(texts[0].Font.Color(), clNavy ^ 0xFFFFFF);
    EXPECT_EQ(texts[1].Font.Color(), clYellow ^ 0xFFFFFF);
    const int centred = inner.Left + (inner.Width() - texts[0].Layout.Runs.at(0).Width) / 2;
    EXPECT_EQ(texts[0].Layout.Runs.at(0).X, centred);
    EXPECT_EQ(texts[1].Layout.Runs.at(0).X, centred);
    std::vector<std::pair<TRect, TColor>> fills;
    for (const TCanvasOp& op : Inside(ops, TCanvasOpKind::FillRect, inner))
        if (op.Rect.Height() == inner.Height()) fills.push_back({op.Rect, op.Brush.Color()});
    EXPECT_EQ(fills,
              (std::vector<std::pair<TRect, TColor>>{{texts[0].Rect, clNavy}, {texts[1].Rect, clYellow}}));
}

TEST_F(Progress, OwnTextColoursWhenTheGraphicSaysSo) {
    bar_->CellBoolean = true;
    bar_->CellIndex = int(clWhite);
    bar_->CellAngle = int(clRed);
    Grid().SetGridCells(1, 2, "30");
    const auto texts = TextOps(Render(), "30%");
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0].Font.Color(), clWhite);
    EXPECT_EQ(texts[1].Font.Color(), clRed);
}

// A cell that should hold a percentage and holds no integer shows 0 %, and the painting goes on.
TEST_F(Progress, ATextThatIsNoIntegerShowsZeroAndRaisesNothing) {
    Grid().SetGridCells(1, 2, "x");
    std::vector<TCanvasOp> ops;
    ASSERT_NO_THROW(ops = Render());
    EXPECT_EQ(TextOps(ops, "0%").size(), 1u);
    EXPECT_TRUE(TextOps(ops, "x").empty());
}

TEST_F(ThemedGraphicsPaint, AThemedProgressBarDrawsTheStylesBarAndAChunkOfTheValue) {
    TCellGraphic* bar = Make(1, 2, TCellType::ctProgress);
    Grid().ControlLook.ProgressXP = true;
    Grid().SetGridCells(1, 2, "25");
    const auto ops = Render();
    const TRect r = GraphicArea(1, 2);
    const auto styled = Inside(ops, TCanvasOpKind::Style, r);
    ASSERT_EQ(styled.size(), 2u);
    const TRect groove = r.Inflated(-2, -2), inner = groove.Inflated(-2, -2);
    EXPECT_EQ(styled[0].Rect, groove);
    EXPECT_EQ(styled[1].Rect, (TRect{inner.Left, inner.Top,
                                     inner.Left + int(std::lround(inner.Width() / 4.0)), inner.Bottom}));
    EXPECT_TRUE(TextOps(ops, "25%").empty());
    (void)bar;
}

TEST_F(GraphicsPaint, ACommentCellShowsARedTriangleInItsTopRightCorner) {
    Make(1, 1, TCellType::ctComment)->CellText = "nota";
    auto ops = Render();
    const TRect r = GraphicArea(1, 1);
    auto triangles = Inside(ops, TCanvasOpKind::Polygon, r);
    ASSERT_EQ(triangles.size(), 1u);
    EXPECT_EQ(
        triangles[0].Points,
        (std::vector<TPoint>{{r.Right - 7, r.Top + 1}, {r.Right - 2, r.Top + 1}, {r.Right - 2, r.Top + 6}}));
    EXPECT_EQ(triangles[0].Brush.Color(), clRed);
    Grid().CommentColor = clNone;
    EXPECT_TRUE(Inside(Render(), TCanvasOpKind::Polygon, r).empty());
}

TEST_F(GraphicsPaint, ADataImageShowsTheImageOfItsNumberAndImageZeroForAText) {
    TImageList images(8, 8);
    for (TColor c : {clRed, clLime, clBlue}) {
        TBitmap b;
        b.SetSize(8, 8, c);
        images.Add(b);
    }
    Grid().GridImages = &images;
    Make(1, 1, TCellType::ctDataImage);
    Grid().SetGridCells(1, 1, "2");
    auto ops = Render();
    EXPECT_EQ(Inside(ops, TCanvasOpKind::Image, GraphicArea(1, 1)).size(), 1u);
    Grid().SetGridCells(1, 1, "9"); // beyond the list: nothing
    ops = Render();
    EXPECT_TRUE(Inside(ops, TCanvasOpKind::Image, GraphicArea(1, 1)).empty());
    Grid().SetGridCells(1, 1, "two");
    ASSERT_NO_THROW(ops = Render());
    EXPECT_EQ(Inside(ops, TCanvasOpKind::Image, GraphicArea(1, 1)).size(), 1u);
    Grid().GridImages = nullptr;
}

TEST_F(GraphicsPaint, ATransparentBitmapIsDrawnOverTheCellsColourWithoutItsCornerColour) {
    TBitmap picture;
    picture.SetSize(4, 4, clFuchsia);
    picture.Image().setPixel(2, 2, ToQColor(clBlue).rgb());
    TCellGraphic* graphic = Make(1, 1, TCellType::ctBitmap);
    graphic->SetObject(&picture);
    graphic->CellTransparent = true;
    Grid().GetCellProperties(1, 1)->SetBrushColor(clYellow);
    const QImage target = Picture();
    const auto ops = Render();
    const auto images = Inside(ops, TCanvasOpKind::Image, GraphicArea(1, 1));
    ASSERT_EQ(images.size(), 1u);
    const TRect at = images[0].Rect;
    EXPECT_EQ(FromQColor(target.pixelColor(at.Left, at.Top)), clYellow);
    EXPECT_EQ(FromQColor(target.pixelColor(at.Left + 2, at.Top + 2)), clBlue);
}

// ---- The bitmaps
// -------------------------------------------------------------------------------------------

struct TResourceCase {
    const char* Name;
    int Size;
};

class ResourceBitmaps : public testing::TestWithParam<TResourceCase> {};

TEST_P(ResourceBitmaps, HaveTheirSizeAndTheTransparentColourInTheirCorner) {
    const TBitmap& bitmap = GridBitmap(GetParam().Name);
    ASSERT_FALSE(bitmap.Empty());
    EXPECT_EQ(bitmap.Width(), GetParam().Size);
    EXPECT_EQ(bitmap.Height(), GetParam().Size);
    EXPECT_EQ(bitmap.TransparentColor(), clFuchsia);
}

INSTANTIATE_TEST_SUITE_P(Named, ResourceBitmaps,
                         testing::Values(TResourceCase{"VZGCHK01", 20}, TResourceCase{"VZGCHK04", 20},
                                         TResourceCase{"VZGCHK05", 16}, TResourceCase{"VZGCHK08", 16},
                                         TResourceCase{"VZGRAD01", 16}, TResourceCase{"VZGRAD08", 16},
                                         TResourceCase{"VZGLEAFOPEN", 16}, TResourceCase{"VZGLEAFCLOSE", 16},
                                         TResourceCase{"XPNODEO", 9}, TResourceCase{"XPNODEC", 9},
                                         TResourceCase{"VZGFILT", 16}));

TEST(ResourceBitmapSet, EachStateHasItsOwnPictureAndUnknownNamesAreEmpty) {
    for (const char* family : {"VZGCHK0%1", "VZGRAD0%1"})
        for (int i = 1; i <= 8; ++i)
            for (int j = i + 1; j <= 8; ++j)
                EXPECT_NE(GridBitmap(QString(family).arg(i)).Image(),
                          GridBitmap(QString(family).arg(j)).Image())
                    << QString(family).arg(i).toStdString() << " " << j;
    EXPECT_NE(GridBitmap("XPNODEO").Image(), GridBitmap("XPNODEC").Image());
    EXPECT_NE(GridBitmap("VZGLEAFOPEN").Image(), GridBitmap("VZGLEAFCLOSE").Image());
    EXPECT_TRUE(GridBitmap("VZGCHK09").Empty());
}

} // namespace
