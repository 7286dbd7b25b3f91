// The floating footer of TVevIvizudEvar: its settings' setters, its panel along the bottom edge
// of the cells, the panel's painting in the three footer styles, the footer template and the
// calculations of the footer row. Also where the grid wires the look settings that repaint it.
//
// Painting (on the panel's own canvas): W, the painted width, is the fixed columns' widths plus
// those of the columns from LeftCol on (scrolled-out columns do not count). The footer area
// (0 .. W) takes FloatingFooter.Color, the rest the grid's Color.
// - fsFixedLastRow, for the columns that reach into the panel: the cell edges (white ones only with
//   the glSoft look), then the last row's cells, each drawn by DrawCellText: a fixed column in (x, 0, x + w -
//   1, bottom), a scrolled one in (x + 1, 0, x + w - 1, bottom) over its own brush colour, a merged block to
//   its right edge.
// - fsColumnPreview: a sunken frame and the cell (Column, current row) stretched over W.
// - fsCustomPreview: the same frame and the expanded template drawn as mini-HTML (raw while the
//   panel is designed).
#include "grid/AdvancedGrid.h"

#include "grid/FooterPanel.h"
#include "grid/GridError.h"
#include "grid/HTMLDraw.h"
#include "grid/PictureContainer.h"
#include "grid/RichEditor.h"

#include "platform/ui/PainterDevice.h"
#include "platform/ui/UiBoundary.h"
#include <limits>

#include <QEvent>
#include <QPainter>

// ---- The panel ------------------------------------------------------------------------------------

TFooterPanel::TFooterPanel(TVevIvizudEvar& grid) : QWidget(&grid), grid_(grid), viewport_(grid.viewport()) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    viewport_->installEventFilter(this);
    SetPanelHeight(grid.FloatingFooter.Visible ? grid.FloatingFooter.Height : 0);
    setVisible(grid.FloatingFooter.Visible);
}

void TFooterPanel::SetPanelHeight(int height) {
    height_ = std::max(height, 0);
    Align();
}

void TFooterPanel::Align() {
    const QRect area = grid_.viewport()->geometry();
    setGeometry(area.left(), area.bottom() + 1 - height_, area.width(), height_);
    raise();
}

bool TFooterPanel::eventFilter(QObject* watched, QEvent* e) {
    if (watched == viewport_ && (e->type() == QEvent::Resize || e->type() == QEvent::Move)) Align();
    return QWidget::eventFilter(watched, e);
}

void TFooterPanel::RenderTo(TCanvasDevice& device) {
    TCanvas canvas(&device);
    canvas.SetStyleWidget(this);
    canvas.Font() = grid_.Font();
    grid_.PaintFooter(canvas, {0, 0, width(), height()}, Designing);
}

void TFooterPanel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    TPainterDevice device(painter);
    GuardUi([&] { RenderTo(device); });
}

TFooterPanel* TVevIvizudEvar::FooterPanel() const {
    return footerPanel_;
}

// ---- Settings ---------------------------------------------------------------------------------------

void TVevIvizudEvar::InitGraphicsSettings() {
    const auto repaint = [this] { InvalidateGrid(); };
    ControlLook.OnChange = repaint;
    BackGround.OnChange = repaint;
    footerPanel_ = new TFooterPanel(*this);
    richEditor_ = new TDazOrarOvid(*this);
    FloatingFooter.Visible.Bind([this](const bool& visible) { SetFooterVisible(visible); });
    FloatingFooter.FooterStyle.Bind([this](const TFooterStyle& style) { SetFooterStyle(style); });
    FloatingFooter.Color.Bind([this](const TColor& color) {
        FloatingFooter.Color.Store(color);
        RepaintFooter();
    });
    FloatingFooter.Column.Bind([this](const int& column) {
        FloatingFooter.Column.Store(column);
        RepaintFooter();
    });
    FloatingFooter.CustomTemplate.Bind([this](const QString& pattern) {
        FloatingFooter.CustomTemplate.Store(pattern);
        RepaintFooter();
    });
}

void TVevIvizudEvar::SetFooterVisible(bool visible) {
    FloatingFooter.Visible.Store(visible);
    const bool lastRow = FloatingFooter.FooterStyle == TFooterStyle::fsFixedLastRow;
    footerPanel_->SetPanelHeight(visible ? FloatingFooter.Height - 1 : 0);
    footerPanel_->setVisible(visible);
    SetFixedFooters(visible && lastRow ? 1 : 0);
    LastRowIsFooter = visible && lastRow;
    InvalidateGrid();
}

void TVevIvizudEvar::SetFooterStyle(TFooterStyle style) {
    FloatingFooter.FooterStyle.Store(style);
    LastRowIsFooter = style == TFooterStyle::fsFixedLastRow && FloatingFooter.Visible;
    InvalidateGrid();
    RepaintFooter();
}

void TVevIvizudEvar::SetFooterHeight(int height) {
    FloatingFooter.Height = height;
    if (FloatingFooter.Visible) footerPanel_->SetPanelHeight(height);
}

bool TVevIvizudEvar::FooterAllowsCell(int col, int row) {
    if (!FloatingFooter.Visible) return true;
    const bool lastRow = FloatingFooter.FooterStyle == TFooterStyle::fsFixedLastRow;
    if (lastRow && row == RowCount() - 1) return false;
    if (!lastRow) RepaintFooter(); // the preview shows the current row
    const TRect r = CellRect(col, row);
    if (!r.IsEmpty() && r.Bottom + 2 > ClientHeight() - FloatingFooter.Height && row < RowCount() - 1 &&
        row > TopRow())
        SetTopRow(TopRow() + 1);
    return true;
}

void TVevIvizudEvar::RepaintFooter() {
    if (footerPanel_ && footerPanel_->isVisible()) footerPanel_->update();
}

// ---- Calculations -------------------------------------------------------------------------------------

// The last row shows its column's result where its cell asks for one; a cell that asks for none
// keeps the text the application gave it (a label such as "Total"). A column holding a text that
// is no number has no result: its footer cell is left empty (a calculation never raises into the
// edit that caused it).
void TVevIvizudEvar::Recalculate(int col) {
    if (!LastRowIsFooter) return;
    // The results go into the last row; they cover the data rows, above every footer row.
    const int last = RowCount() - 1, first = TBaseGrid::FixedRows(), end = DataRowEnd();
    if (last < 0) return;
    const int from = col < 0 ? 0 : col, to = col < 0 ? AllColCount() - 1 : std::min(col, AllColCount() - 1);
    for (int c = from; c <= to; ++c) {
        const TCellProperties* p = CellProperties(c, last);
        if (!p) continue;
        const int kind = p->CalcType & 0x7F;
        if (kind == fcCount) {
            SetFloats(c, last, std::max(end - first, 0));
            continue;
        }
        if (kind != fcSum && kind != fcAvg && kind != fcMin && kind != fcMax) continue;
        try {
            // Without data rows every result is 0.
            const double result = end <= first    ? 0
                                  : kind == fcSum ? ColumnSum(c, first, end - 1)
                                  : kind == fcAvg ? ColumnAvg(c, first, end - 1)
                                  : kind == fcMin ? ColumnMin(c, first, end - 1)
                                                  : ColumnMax(c, first, end - 1);
            SetFloats(c, last, result);
        } catch (const EVozAvozError&) {
            SetGridCells(c, last, QString());
        }
    }
}

// ---- Painting ---------------------------------------------------------------------------------------------

QString TVevIvizudEvar::ExpandFooterTemplate(const QString& pattern) {
    QString rest = pattern, result;
    const QString open = QStringLiteral("<#");
    for (qsizetype at = rest.indexOf(open); at >= 0; at = rest.indexOf(open)) {
        const qsizetype close = rest.indexOf(u'>', at + open.size());
        if (close < 0) break; // no placeholder any more: the rest shows as it stands
        result += rest.left(at);
        bool number = false;
        const int col = rest.mid(at + open.size(), close - at - open.size()).toInt(&number);
        rest.remove(0, close + 1);
        if (number && col >= 0 && col < AllColCount()) result += GetGridCells(col, GetCurrentRow());
    }
    return result + rest;
}

void TVevIvizudEvar::PaintFooter(TCanvas& canvas, const TRect& client, bool designing) {
    const TRect c = client;
    const int fixedCols = TBaseGrid::FixedCols();
    // The columns shown: the fixed ones, then those from LeftCol on; the cells of those that reach
    // into the panel are painted.
    std::vector<int> columns;
    qint64 width = 0;
    for (int i = 0; i < ColCount(); ++i) {
        if (i >= fixedCols && i < LeftCol()) i = LeftCol();
        if (width <= c.Right) columns.push_back(i);
        width += ColWidths(i);
    }
    const int w = int(std::min<qint64>(width, std::numeric_limits<int>::max() / 2));
    const auto area = [&](TColor color, const TRect& r) {
        canvas.Brush().SetColor(color);
        canvas.Brush().SetStyle(TBrushStyle::bsSolid);
        canvas.Pen().SetColor(color);
        canvas.Rectangle(r);
    };
    const auto footerArea = [&] { area(FloatingFooter.Color, {c.Left, c.Top, w, c.Bottom}); };
    const auto restArea = [&] { area(Color(), {w, c.Top, c.Right, c.Bottom}); };
    const TFooterStyle style = FloatingFooter.FooterStyle;
    if (style == TFooterStyle::fsFixedLastRow) {
        footerArea();
        restArea();
        const TGridOptions options = TBaseGrid::Options();
        const bool soft = look_ == TGridLook::glSoft && !flat_;
        int x = 0;
        for (int col : columns) {
            const int cw = ColWidths(col);
            canvas.Pen().SetColor(clWhite);
            if (options.Contains(goFixedVertLine) && soft) {
                canvas.MoveTo(x, c.Bottom);
                canvas.LineTo(x, c.Top);
            }
            x += cw;
            if (options.Contains(goFixedHorzLine) && soft) {
                canvas.MoveTo(x - cw, c.Top);
                canvas.LineTo(x - 1, c.Top);
            }
            canvas.Pen().SetColor(clGray);
            if (options.Contains(goFixedVertLine)) {
                canvas.MoveTo(x - 1, c.Top);
                canvas.LineTo(x - 1, c.Bottom);
            }
        }
        const int last = RowCount() - 1;
        if (last < 0) return;
        TRect r = c;
        for (int col : columns) {
            const int real = DisplToRealCol(col);
            r.Right =
                IsMergedCell(real, last) ? CellRectEx(col, last).Right - 1 : r.Left + ColWidths(col) - 1;
            if (col >= fixedCols) {
                r.Left += 1;
                const TCellProperties* p = CellProperties(real, last);
                if (p && p->BrushColor() != clNone) {
                    canvas.Brush().SetColor(p->BrushColor());
                    canvas.Brush().SetStyle(TBrushStyle::bsSolid);
                    canvas.Rectangle(r);
                }
            }
            if (IsBaseCellAt(real, last)) DrawCellText(canvas, col, last, TGridDrawState{}, r);
            r.Left = r.Right + 1;
        }
        return;
    }
    canvas.Pen().SetWidth(1);
    footerArea();
    canvas.Pen().SetColor(clGray);
    canvas.MoveTo(c.Left, c.Bottom);
    canvas.LineTo(w - 1, c.Bottom);
    canvas.LineTo(w - 1, c.Top);
    canvas.Pen().SetColor(clWhite);
    canvas.LineTo(c.Left, c.Top);
    canvas.LineTo(c.Left, c.Bottom);
    const TColor savedSelectionText = selectionTextColor_;
    selectionTextColor_ = clBlack;
    if (style == TFooterStyle::fsColumnPreview) {
        // A column the grid does not have shows nothing.
        if (FloatingFooter.Column >= 0 && FloatingFooter.Column < ColCount() && GetCurrentRow() < RowCount())
            DrawCellText(canvas, FloatingFooter.Column, GetCurrentRow(), TGridDrawState{},
                         {c.Left, c.Top, w, c.Bottom});
    } else if (designing) {
        TRect r{c.Left, c.Top, w, c.Bottom};
        canvas.DrawText(FloatingFooter.CustomTemplate, r, 0);
    } else {
        HTMLDrawEx(canvas, ExpandFooterTemplate(FloatingFooter.CustomTemplate),
                   {c.Left, c.Top + 2, w, c.Bottom}, GridImages, 0, 0, -1, 0, 1, false, false, false, false,
                   false, false, !EnhTextSize, false, 0.0, URLColor, clNone, clNone, clGray,
                   &HTMLPictureCache(), PictureContainer, footerPanel_);
    }
    selectionTextColor_ = savedSelectionText;
    restArea();
}
