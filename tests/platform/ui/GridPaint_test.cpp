#include "GridFixture.h"

#include "platform/ui/PainterDevice.h"
#include "platform/ui/RecordingDevice.h"

#include <QPainter>
#include <QScrollBar>
#include <map>

namespace {

struct TDrawn {
    TRect Rect;
    TGridDrawState State;
};

class TRecordingGrid : public TStringGrid {
public:
    using TStringGrid::TStringGrid;
    std::map<std::pair<int, int>, std::vector<TDrawn>> Drawn;

protected:
    void DrawCell(int col, int row, const TRect& rect, TGridDrawState state) override {
        Drawn[{col, row}].push_back({rect, state});
        TStringGrid::DrawCell(col, row, rect, state);
    }
};

QImage Render(TCustomGrid& grid) {
    QImage image(grid.ClientWidth(), grid.ClientHeight(), QImage::Format_RGB32);
    image.fill(Qt::magenta);
    QPainter painter(&image);
    TPainterDevice device(painter);
    grid.RenderTo(device);
    return image;
}

TEST(GridPaint, DrawCellRunsOncePerVisibleCellWithItsState) {
    TGridWindow<TRecordingGrid> w(4, 4);
    TRecordingGrid& g = w.Grid();
    g.SetSelection({1, 1, 2, 2});
    g.SetSelection({2, 2, 1, 1}); // anchor (2, 2), current cell (1, 1)
    TRecordingDevice recorder;
    g.Drawn.clear();
    g.RenderTo(recorder);
    ASSERT_EQ(g.Drawn.size(), 16u);
    for (const auto& [cell, calls] : g.Drawn) {
        ASSERT_EQ(calls.size(), 1u) << cell.first << "," << cell.second;
        const auto [col, row] = cell;
        const TGridDrawState state = calls[0].State;
        EXPECT_EQ(state.Contains(gdFixed), col == 0 || row == 0);
        EXPECT_EQ(state.Contains(gdSelected), col >= 1 && col <= 2 && row >= 1 && row <= 2);
        EXPECT_EQ(state.Contains(gdFocused), col == 1 && row == 1);
        EXPECT_EQ(calls[0].Rect, g.CellRect(col, row));
    }
}

TEST(GridPaint, APlainGridDrawsItsHeadingsAndTexts) {
    TGridWindow<> w(2, 4);
    TStringGrid& g = w.Grid();
    g.SetColWidths(0, 48);
    g.SetColWidths(1, 200);
    g.SetCells(0, 0, "TECLA ");
    g.SetCells(1, 0, "FUNÇÃO PROGRAMADA     ");
    g.SetCells(0, 1, "      A");
    TRecordingDevice recorder;
    g.RenderTo(recorder);
    const auto heading = recorder.TextsEqual("FUNÇÃO PROGRAMADA     ");
    ASSERT_EQ(heading.size(), 1u);
    const TRect cell = g.CellRect(1, 0);
    EXPECT_EQ(heading[0]->Rect, cell); // TextRect clipped to the cell, text 2 pixels in
    EXPECT_EQ(heading[0]->Layout.Runs.at(0).X, cell.Left + 2);
    EXPECT_EQ(heading[0]->Layout.Runs.at(0).Y, cell.Top + 2);
    EXPECT_EQ(recorder.TextsEqual("      A").size(), 1u);
    // Fixed cells are filled in the fixed colour before their text.
    const auto fills = recorder.Where([&](const TCanvasOp& op) {
        return op.Kind == TCanvasOpKind::FillRect && op.Rect == g.CellRect(0, 0);
    });
    ASSERT_FALSE(fills.empty());
    EXPECT_EQ(fills[0]->Brush.Color(), clBtnFace);
}

TEST(GridPaint, FixedRowsStayWhileTheRowsScroll) {
    TGridWindow<TRecordingGrid> w(3, 60);
    TRecordingGrid& g = w.Grid();
    for (int r = 0; r < 60; ++r) g.SetCells(1, r, QString("linha %1").arg(r));
    g.SetTopRow(30);
    g.Drawn.clear();
    const QImage image = Render(g);
    EXPECT_EQ(g.Drawn.count({1, 0}), 1u);
    EXPECT_EQ(g.Drawn.count({1, 29}), 0u);
    EXPECT_EQ(g.Drawn.at({1, 30})[0].Rect.Top, g.RowHeights(0) + g.GridLineWidth());
    const TColor fixedPixel = FromQColor(image.pixelColor(g.CellRect(1, 0).Left + 40, 12));
    EXPECT_EQ(fixedPixel, ColorToRGB(clBtnFace));
    const TColor dataPixel =
        FromQColor(image.pixelColor(g.CellRect(2, 31).Left + 40, g.CellRect(2, 31).Top + 12));
    EXPECT_EQ(dataPixel, ColorToRGB(clWindow));
}

TEST(GridPaint, SelectedCellsAreHighlightedAndTheEditedCellIsLeftToTheEditor) {
    TGridWindow<TRecordingGrid> w(4, 4);
    TRecordingGrid& g = w.Grid();
    g.SetSelection({2, 2, 1, 1});
    QImage image = Render(g);
    const TRect selected = g.CellRect(2, 2);
    EXPECT_EQ(FromQColor(image.pixelColor(selected.Right - 3, selected.Bottom - 3)), ColorToRGB(clHighlight));
    g.SetOptions(g.Options() + goEditing);
    w.Key(Qt::Key_F2);
    g.Drawn.clear();
    TRecordingDevice recorder;
    g.RenderTo(recorder);
    EXPECT_EQ(g.Drawn.count({1, 1}), 0u);
}

TEST(GridPaint, GridLinesFollowTheLineOptions) {
    TGridWindow<> w(3, 3);
    TStringGrid& g = w.Grid();
    TRecordingDevice recorder;
    g.RenderTo(recorder);
    const TRect cell = g.CellRect(1, 1);
    const auto vertical = recorder.Where([&](const TCanvasOp& op) {
        return op.Kind == TCanvasOpKind::Line && op.Points[0].X == cell.Right &&
               op.Points[1].X == cell.Right &&
               op.Points[0].Y == cell.Top; // the data area's line, below the fixed row
    });
    ASSERT_FALSE(vertical.empty());
    EXPECT_EQ(vertical[0]->Pen.Color(), clSilver);
    g.SetOptions(g.Options() - goVertLine);
    recorder.Clear();
    g.RenderTo(recorder);
    const auto off = recorder.Where([&](const TCanvasOp& op) {
        return op.Kind == TCanvasOpKind::Line && op.Points[0].X == cell.Right && op.Points[0].Y == cell.Top;
    });
    ASSERT_FALSE(off.empty());
    EXPECT_EQ(off[0]->Pen.Color(), clWindow); // the line is painted in the background colour
}

} // namespace

namespace {

class TPaintCountingGrid : public TStringGrid {
public:
    using TStringGrid::TStringGrid;
    int Paints = 0;

protected:
    void Paint(const TRect& dirty) override {
        ++Paints;
        TStringGrid::Paint(dirty);
    }
};

TEST(GridPaint, NothingIsRepaintedUntilTheLastEndUpdate) {
    TGridWindow<TPaintCountingGrid> w(3, 5);
    TPaintCountingGrid& g = w.Grid();
    QApplication::processEvents();
    const int before = g.Paints;
    g.BeginUpdate();
    g.BeginUpdate();
    g.SetCells(1, 1, "x");
    g.SetRowCount(40);
    g.EndUpdate();
    g.viewport()->repaint();
    EXPECT_EQ(g.Paints, before); // a paint request during the update paints nothing
    g.EndUpdate();
    EXPECT_EQ(g.UpdateCount(), 0);
    g.viewport()->repaint();
    EXPECT_EQ(g.Paints, before + 1);
    EXPECT_EQ(g.verticalScrollBar()->maximum(), 40 - g.VisibleRowCount()); // ranges caught up at the end
}

} // namespace
