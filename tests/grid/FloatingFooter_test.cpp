// The floating footer: its settings and the footer row, the panel's painting in the three styles
// (recorded), the template, and the calculations of the footer row as the user edits.
#include "GridTestSupport.h"
#include "grid/FooterPanel.h"
#include "grid/GridError.h"

namespace {

class Footer : public testing::Test {
protected:
    Footer() : w_(8, 20, QSize(400, 300)) {
        for (int c = 0; c < 8; ++c) Grid().SetColWidths(c, 60);
        for (int r = 1; r < 20; ++r)
            for (int c = 1; c < 8; ++c) Grid().SetGridCells(c, r, QString("c%1r%2").arg(c).arg(r));
    }
    TVevIvizudEvar& Grid() { return w_.Grid(); }
    TFooterPanel& Panel() { return *Grid().FooterPanel(); }
    std::vector<TCanvasOp> PaintPanel() {
        TRecordingDevice device;
        Panel().RenderTo(device);
        return device.Ops;
    }
    // The rectangles the footer areas were filled with, by colour.
    static std::vector<std::pair<TRect, TColor>> Areas(const std::vector<TCanvasOp>& ops) {
        std::vector<std::pair<TRect, TColor>> areas;
        for (const TCanvasOp& op : ops)
            if (op.Kind == TCanvasOpKind::Rectangle) areas.push_back({op.Rect, op.Brush.Color()});
        return areas;
    }
    TAdvancedGridWindow w_;
};

TEST_F(Footer, ShowingItWithTheLastRowStyleMakesOneFixedFooterRow) {
    EXPECT_EQ(Grid().FixedFooters(), 0);
    EXPECT_FALSE(Panel().isVisible());
    Grid().FloatingFooter.Visible = true;
    EXPECT_TRUE(Grid().FloatingFooter.Visible);
    EXPECT_EQ(Grid().FixedFooters(), 1);
    EXPECT_TRUE(Grid().LastRowIsFooter);
    EXPECT_TRUE(Panel().isVisible());
    EXPECT_EQ(Panel().height(), Grid().DefaultRowHeight() - 1);
    // Along the bottom of the cells, as wide as they are.
    const QRect cells = Grid().viewport()->geometry();
    EXPECT_EQ(Panel().geometry().bottom(), cells.bottom());
    EXPECT_EQ(Panel().width(), cells.width());

    // The style alone changes only which row is the footer.
    Grid().FloatingFooter.FooterStyle = TFooterStyle::fsColumnPreview;
    EXPECT_FALSE(Grid().LastRowIsFooter);
    EXPECT_EQ(Grid().FixedFooters(), 1);
    Grid().FloatingFooter.Visible = false;
    EXPECT_EQ(Grid().FixedFooters(), 0);
    EXPECT_FALSE(Panel().isVisible());
    Grid().FloatingFooter.Visible = true; // a preview has no footer row
    EXPECT_EQ(Grid().FixedFooters(), 0);
    EXPECT_FALSE(Grid().LastRowIsFooter);
}

TEST_F(Footer, ThePanelFollowsTheRowHeightAndTheGridsSize) {
    Grid().FloatingFooter.Visible = true;
    Grid().SetDefaultRowHeight(30);
    EXPECT_EQ(Grid().FloatingFooter.Height, 30);
    EXPECT_EQ(Panel().height(), 30);
    Grid().resize(300, 200);
    QApplication::processEvents();
    EXPECT_EQ(Panel().geometry().bottom(), Grid().viewport()->geometry().bottom());
    EXPECT_EQ(Panel().width(), Grid().viewport()->width());
}

TEST_F(Footer, TheFooterRowCannotBecomeCurrent) {
    Grid().FloatingFooter.Visible = true;
    Grid().SetCol(2);
    Grid().SetRow(18);
    w_.Key(Qt::Key_Down);
    EXPECT_EQ(Grid().Row(), 18);
    w_.Key(Qt::Key_Home, Qt::ControlModifier);
    w_.Key(Qt::Key_End, Qt::ControlModifier);
    EXPECT_LT(Grid().Row(), 19);
}

TEST_F(Footer, ARowReachingUnderThePanelScrollsTheRowsUp) {
    Grid().FloatingFooter.Visible = true;
    Grid().SetCol(2);
    Grid().SetRow(1);
    const int footerTop = Grid().ClientHeight() - Grid().FloatingFooter.Height;
    int hidden = 1;
    while (Grid().CellRect(2, hidden).Bottom + 2 <= footerTop) ++hidden;
    ASSERT_LT(hidden, 18);
    for (int r = 1; r < hidden - 1; ++r) w_.Key(Qt::Key_Down);
    EXPECT_EQ(Grid().TopRow(), 1);
    w_.Key(Qt::Key_Down);
    EXPECT_EQ(Grid().Row(), hidden);
    EXPECT_EQ(Grid().TopRow(), 2);
}

TEST_F(Footer, TheLastRowFooterLeavesOutScrolledColumns) {
    Grid().SetOptions(Grid().Options() + goFixedVertLine);
    Grid().FloatingFooter.Color = clYellow;
    Grid().FloatingFooter.Visible = true;
    Grid().SetLeftCol(3);
    const auto ops = PaintPanel();
    const int w = 60 + 5 * 60, h = Panel().height();
    EXPECT_EQ(Areas(ops).at(0), (std::pair<TRect, TColor>{{0, 0, w, h}, clYellow}));
    EXPECT_EQ(Areas(ops).at(1), (std::pair<TRect, TColor>{{w, 0, Panel().width(), h}, Grid().Color()}));
    // The grey right edge of every painted cell.
    std::vector<int> edges;
    for (const TCanvasOp& op : ops)
        if (op.Kind == TCanvasOpKind::Line && op.Pen.Color() == clGray && op.Points[0].X == op.Points[1].X)
            edges.push_back(op.Points[0].X);
    EXPECT_EQ(edges, (std::vector<int>{59, 119, 179, 239, 299, 359}));
    // The fixed cell at the left edge, the scrolled ones from the fixed column's right edge on.
    EXPECT_TRUE(TextOps(ops, "c2r19").empty());
    const auto first = TextOps(ops, "c3r19"), last = TextOps(ops, "c7r19");
    ASSERT_EQ(first.size(), 1u);
    ASSERT_EQ(last.size(), 1u);
    EXPECT_EQ(first[0].Rect.Left, 60 + 1 + 2);
    EXPECT_EQ(last[0].Rect.Left, 300 + 1 + 2);
}

TEST_F(Footer, TheLastRowFooterPaintsNoColumnBeyondThePanel) {
    Grid().SetColCount(20000);
    Grid().FloatingFooter.Visible = true;
    Grid().SetLeftCol(3);
    const auto ops = PaintPanel();
    EXPECT_LE(ops.size(), 200u); // 7 columns show, the last in part
    EXPECT_EQ(Areas(ops).at(0).first.Right, 60 + 5 * 60 + 19992 * Grid().DefaultColWidth());
}

TEST_F(Footer, ALastRowCellKeepsItsOwnColourAndAMergedOneReachesItsBlocksEdge) {
    Grid().FloatingFooter.Visible = true;
    Grid().GetCellProperties(2, 19)->SetBrushColor(clAqua);
    Grid().MergeCells(4, 19, 2, 1);
    const auto ops = PaintPanel();
    bool aqua = false;
    for (const TCanvasOp& op : ops)
        if (op.Kind == TCanvasOpKind::Rectangle && op.Brush.Color() == clAqua) {
            EXPECT_EQ(op.Rect, (TRect{121, 0, 179, Panel().height()}));
            aqua = true;
        }
    EXPECT_TRUE(aqua);
    const auto merged = TextOps(ops, "c4r19");
    ASSERT_EQ(merged.size(), 1u);
    EXPECT_EQ(merged[0].Rect.Right, 359 - 2); // the block of columns 4 and 5
    EXPECT_TRUE(TextOps(ops, "c5r19").empty());
}

TEST_F(Footer, TheColumnPreviewDrawsOnlyTheCurrentRowsCellOverTheWholeWidth) {
    Grid().FloatingFooter.FooterStyle = TFooterStyle::fsColumnPreview;
    Grid().FloatingFooter.Column = 3;
    Grid().FloatingFooter.Visible = true;
    Grid().SetCol(1);
    Grid().SetRow(4);
    const auto ops = PaintPanel();
    int texts = 0;
    for (const TCanvasOp& op : ops) texts += op.Kind == TCanvasOpKind::Text;
    EXPECT_EQ(texts, 1);
    const auto shown = TextOps(ops, "c3r4");
    ASSERT_EQ(shown.size(), 1u);
    const int w = 8 * 60;
    EXPECT_EQ(shown[0].Rect.Left, 2);
    EXPECT_EQ(shown[0].Rect.Right, w - 2);
    EXPECT_EQ(shown[0].Font.Color(), Grid().Font().Color());
    // A sunken frame: grey along the bottom and up the right, white back along the top and down.
    std::vector<std::pair<TPoint, TPoint>> frame;
    for (const TCanvasOp& op : ops)
        if (op.Kind == TCanvasOpKind::Line) frame.push_back({op.Points[0], op.Points[1]});
    const int h = Panel().height();
    EXPECT_EQ(frame,
              (std::vector<std::pair<TPoint, TPoint>>{
                  {{0, h}, {w - 1, h}}, {{w - 1, h}, {w - 1, 0}}, {{w - 1, 0}, {0, 0}}, {{0, 0}, {0, h}}}));
    Grid().FloatingFooter.Column = 20; // no such column: nothing
    EXPECT_TRUE(TextOps(PaintPanel(), "c3r4").empty());
}

struct TTemplateCase {
    const char* Pattern;
    const char* Expected;
};

class FooterTemplate : public Footer, public testing::WithParamInterface<TTemplateCase> {};

TEST_P(FooterTemplate, PlaceholdersTakeTheCurrentRowsCells) {
    Grid().SetRow(3);
    EXPECT_EQ(Grid().ExpandFooterTemplate(GetParam().Pattern), GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Patterns, FooterTemplate,
    testing::Values(TTemplateCase{"Total: <#2>", "Total: c2r3"}, TTemplateCase{"<#x>", ""},
                    TTemplateCase{"<#1> and <#7>!", "c1r3 and c7r3!"},
                    TTemplateCase{"<b>plain</b>", "<b>plain</b>"}, TTemplateCase{"a<#8>b<#-1>c", "abc"},
                    TTemplateCase{"<#2><#3>", "c2r3c3r3"},
                    // A placeholder that is never closed ends the expansion; the rest shows as it is.
                    TTemplateCase{"x <#2> y <#3", "x c2r3 y <#3"}, TTemplateCase{"", ""}));

TEST_F(Footer, TheCustomPreviewDrawsTheExpandedTemplateAndTheRawOneWhileDesigned) {
    Grid().FloatingFooter.FooterStyle = TFooterStyle::fsCustomPreview;
    Grid().FloatingFooter.CustomTemplate = "Total: <#2>";
    Grid().FloatingFooter.Visible = true;
    Grid().SetRow(5);
    auto ops = PaintPanel();
    QString drawn;
    for (const TCanvasOp& op : ops)
        if (op.Kind == TCanvasOpKind::Text) drawn += op.Text;
    EXPECT_EQ(drawn.simplified(), "Total: c2r5");
    Panel().Designing = true;
    ops = PaintPanel();
    const auto raw = TextOps(ops, "Total: <#2>");
    ASSERT_EQ(raw.size(), 1u);
    EXPECT_EQ(raw[0].Flags, 0u);
    EXPECT_EQ(raw[0].Rect, (TRect{0, 0, 8 * 60, Panel().height()}));
}

// ---- Calculations ------------------------------------------------------------------------------------

class FooterCalculations : public testing::Test {
protected:
    FooterCalculations() : w_(4, 6) {
        Grid().SetOptions(Grid().Options() + goEditing);
        const char* values[4] = {"4", "1,5", "", "10"};
        for (int r = 1; r <= 4; ++r) Grid().SetGridCells(1, r, values[r - 1]);
        Grid().FloatingFooter.Visible = true;
        Grid().SetGridCells(0, 5, "Total");
        Grid().GetCellProperties(0, 5); // a label: properties without a calculation
    }
    TVevIvizudEvar& Grid() { return w_.Grid(); }
    void Ask(int kind) { Grid().GetCellProperties(1, 5)->CalcType = static_cast<unsigned char>(kind); }
    TAdvancedGridWindow w_;
};

struct TCalcCase {
    int Kind;
    const char* Expected;
};

class FooterKinds : public FooterCalculations, public testing::WithParamInterface<TCalcCase> {};

TEST_P(FooterKinds, TheFooterCellShowsItsColumnsResult) {
    Ask(GetParam().Kind);
    Grid().Recalculate(-1);
    EXPECT_EQ(Grid().GetGridCells(1, 5), GetParam().Expected);
    EXPECT_EQ(Grid().GetGridCells(0, 5), "Total");
}

// The empty cell counts as 0; the float format is the grid's ("%.2f", decimal comma).
INSTANTIATE_TEST_SUITE_P(Kinds, FooterKinds,
                         testing::Values(TCalcCase{TVevIvizudEvar::fcSum, "15,50"},
                                         TCalcCase{TVevIvizudEvar::fcAvg, "3,88"},
                                         TCalcCase{TVevIvizudEvar::fcCount, "4,00"},
                                         TCalcCase{TVevIvizudEvar::fcMin, "0,00"},
                                         TCalcCase{TVevIvizudEvar::fcMax, "10,00"},
                                         // The high bit is not part of the kind.
                                         TCalcCase{0x80 | TVevIvizudEvar::fcSum, "15,50"}));

TEST_F(FooterCalculations, TypingInAColumnUpdatesItsFooter) {
    Ask(TVevIvizudEvar::fcSum);
    Grid().SetCol(1);
    Grid().SetRow(3);
    w_.Type("5");
    w_.Key(Qt::Key_Return);
    w_.Key(Qt::Key_Up);
    EXPECT_EQ(Grid().GetGridCells(1, 3), "5");
    EXPECT_EQ(Grid().GetGridCells(1, 5), "20,50");
}

// A column that holds a text is no number: its footer is left empty and the edit goes through.
TEST_F(FooterCalculations, AColumnWithATextHasAnEmptyFooterAndTheEditStands) {
    Ask(TVevIvizudEvar::fcSum);
    Grid().Recalculate(1);
    ASSERT_EQ(Grid().GetGridCells(1, 5), "15,50");
    Grid().SetCol(1);
    Grid().SetRow(2);
    w_.Type("abc");
    EXPECT_NO_THROW(w_.Key(Qt::Key_Down));
    EXPECT_EQ(Grid().GetGridCells(1, 2), "abc");
    EXPECT_EQ(Grid().Row(), 3);
    EXPECT_EQ(Grid().GetGridCells(1, 5), "");
}

TEST_F(FooterCalculations, NothingIsCalculatedWhileTheFooterIsAPreview) {
    Ask(TVevIvizudEvar::fcSum);
    Grid().FloatingFooter.FooterStyle = TFooterStyle::fsColumnPreview;
    Grid().SetGridCells(1, 5, "kept");
    Grid().Recalculate(-1);
    EXPECT_EQ(Grid().GetGridCells(1, 5), "kept");
}

} // namespace
