// How TVevIvizudEvar paints a cell after the base grid has filled its background and drawn its
// lines: the cell's colours (properties, bands, fixed cells, the colour event, the selection
// models), the fixed-cell look, the content, borders, frames, tree lines, the drawing events and
// the focus rectangle.
#include "grid/AdvancedGrid.h"

#include "grid/DrawUtils.h"
#include "grid/TextUtils.h"
#include "grid/VisualStyles.h"

#include <QCursor>
#include <QGuiApplication>

namespace {

bool IsNormalCell(int col, int row, int fixedCols, int fixedRows) {
    return col >= fixedCols && row >= fixedRows;
}

} // namespace

bool TVevIvizudEvar::RowSelectFlag(int row) const {
    return row >= 0 && size_t(row) < rowSelect_.size() && rowSelect_[size_t(row)];
}

bool TVevIvizudEvar::ColSelectFlag(int col) const {
    return col >= 0 && size_t(col) < colSelect_.size() && colSelect_[size_t(col)];
}

bool TVevIvizudEvar::IsCellSelected(int col, int row) const {
    if (col < TBaseGrid::FixedCols() || row < TBaseGrid::FixedRows()) return false;
    if (MouseActions.DisjunctRowSelect())
        return RowSelectFlag(MouseActions.RowSelectPersistent ? DisplToRealRow(row) : row);
    if (MouseActions.DisjunctColSelect()) return ColSelectFlag(col);
    return !selectionHidden_ && Selection().Contains(col, row);
}

void TVevIvizudEvar::RepaintCellRange(const TGridRect& range) {
    InvalidateRect(
        UnionRect(UnclippedCellRect(range.Left, range.Top), UnclippedCellRect(range.Right, range.Bottom)));
}

// The pointer handling keeps the flag; a button held down right now counts as well.
bool TVevIvizudEvar::MouseButtonDown() const {
    return mouseDown_ || QGuiApplication::mouseButtons() != Qt::NoButton;
}

void TVevIvizudEvar::GetCellColors(int col, int row, TVAlignment& vAlign, TAlignment& hAlign, TFont& font,
                                   TColor& colorTo, TBrush& brush, bool convertCol, bool selecting,
                                   bool printing, TGridDrawState& state) {
    const int fixedCols = TBaseGrid::FixedCols(), fixedRows = TBaseGrid::FixedRows();
    const bool printFont = printing && !PrintSettings.UseDisplayFont;
    if (IsNormalCell(col, row, fixedCols, fixedRows))
        font = printFont ? PrintSettings.Font : Font();
    else
        font = printFont ? PrintSettings.FixedFont : fixedFont_;
    const int realCol = convertCol ? DisplToRealCol(col) : col;
    const int selRow =
        MouseActions.DisjunctRowSelect() && MouseActions.RowSelectPersistent ? DisplToRealRow(row) : row;
    brush.SetColor(clNone);
    colorTo = clNone;
    if (const TCellProperties* p = CellProperties(realCol, row)) {
        if (p->BrushColor() != clNone) brush.SetColor(p->BrushColor());
        if (p->FontColor != clNone) font.SetColor(p->FontColor);
        if (!p->FontStyle.Empty()) font.SetStyle(p->FontStyle);
        if (p->FontSize != 0) font.SetSize(p->FontSize);
        if (!p->FontName.isEmpty()) font.SetName(p->FontName);
        colorTo = p->BrushColorTo();
    }
    if (brush.Color() == clNone) {
        brush.SetColor(Color());
        const bool inBands = col >= fixedCols && col < ColCount() - fixedRightCols_ + HiddenColCount() &&
                             row >= fixedRows && row < DataRowEnd();
        if (Bands.Active() && (!printing || Bands.Print) && inBands) {
            const int period = Bands.Period();
            const int n = row - fixedRows;
            if (period > 0)
                brush.SetColor(n % period < Bands.PrimaryLength() ? Bands.PrimaryColor()
                                                                  : Bands.SecondaryColor());
        }
    }
    const bool fixed = IsFixedCellForDraw(col, row) || col < fixedCols || row < fixedRows;
    if (fixed && !printing) {
        brush.SetColor(FixedColor());
        font.SetColor(fixedFont_.Color());
        state.Include(gdFixed);
    }
    if (printing)
        GetCellPrintColor(realCol, row, state, brush, font);
    else
        GetCellColor(realCol, row, state, brush, font);

    const bool normal = IsNormalCell(col, row, fixedCols, fixedRows);
    auto selectedLook = [&](bool only) {
        if (only)
            state = TGridDrawState{gdSelected};
        else
            state.Include(gdSelected);
        brush.SetColor(selectionColor_);
        font.SetColor(selectionTextColor_);
    };
    const bool canSelect = !printing && selecting && showSelection_ && !fixed;
    if (normal && canSelect && MouseActions.DisjunctRowSelect()) {
        if ((!plainClick_ || row != Row()) && RowSelectFlag(selRow))
            selectedLook(true);
        else if (plainClick_ && !RowSelectFlag(selRow) && state.Contains(gdSelected))
            selectedLook(true);
    }
    if (normal && canSelect && MouseActions.DisjunctColSelect()) {
        if ((!plainClick_ || col != Col()) && ColSelectFlag(col))
            selectedLook(true);
        else if (plainClick_ && !ColSelectFlag(col) && state.Contains(gdSelected))
            selectedLook(true);
    }
    if (canSelect && IsCellSelected(col, row) && !MouseActions.DisjunctRowSelect() &&
        !MouseActions.DisjunctColSelect())
        selectedLook(false);
    else if (state.Contains(gdSelected) && plainClick_)
        selectedLook(false);
    if (MouseActions.DisjunctCellSelect()) {
        if (IsDisjunctCell(col, row)) {
            selectedLook(false);
        } else if (col == Col() && row == Row()) {
            state.Exclude(gdSelected);
            brush.SetColor(Color());
            font.SetColor(Font().Color());
        }
    }
    CalcCellAlignment(realCol, row, hAlign, vAlign);
}

void TVevIvizudEvar::CalcCellAlignment(int col, int row, TAlignment& hAlign, TVAlignment& vAlign) {
    hAlign = TAlignment::taLeftJustify;
    vAlign = vAlignment_;
    if (AutoNumAlign) {
        QString text = GetGridCells(col, row);
        if (text.startsWith(u'=')) text = GetCellTextRaw(col, row);
        if (NumberKind(text) < 2) hAlign = TAlignment::taRightJustify;
    }
    if (const TCellProperties* p = CellProperties(col, row)) hAlign = p->Alignment;
    GetCellAlignment(col, row, hAlign, vAlign);
}

void TVevIvizudEvar::DrawCellText(TCanvas& canvas, int col, int row, TGridDrawState state, TRect rect) {
    if (multiLineCells_) noWrapFlag_ = 0;
    if (Ctl3D() == flat_) SetCtl3D(!flat_);
    TCellPaint p;
    p.Canvas = &canvas;
    p.Col = col;
    p.Row = row;
    p.R = rect;
    p.RealCol = DisplToRealCol(col);
    p.SelRow =
        MouseActions.DisjunctRowSelect() && MouseActions.RowSelectPersistent ? DisplToRealRow(row) : row;
    if (selectionHidden_) state.Exclude(gdSelected);
    TColor colorTo = clNone;
    GetCellColors(col, row, p.VAlign, p.HAlign, canvas.Font(), colorTo, canvas.Brush(), true, false, false,
                  state);
    p.State = state;
    p.Graphic = GetCellGraphicSize(p.RealCol, row, p.GVAlign, p.GHAlign, p.ShowText, p.GH, p.GW);
    if (state.Contains(gdSelected) && !state.Contains(gdFocused) && selectionColor_ == clNone) {
        // Without a selection colour the background was left unpainted: the highlight fills it.
        canvas.Brush().SetColor(clHighlight);
        canvas.FillRect(p.R);
    }
    if (zoom_ != 0) canvas.Font().SetSize(canvas.Font().Size() + zoom_);
    const bool indicator = !RowIndicator.Empty() && TBaseGrid::FixedCols() > 0 && row == Row();
    if (indicator && p.RealCol == 0) {
        DrawBitmapTransparent(canvas, RowIndicator, FixedColor(), p.R);
        p.R.Left += RowIndicator.Width();
    }
    if (GetNodeIndent(row) > 0 && p.RealCol == 0) p.R.Left += 4;
    p.SavedBrush = canvas.Brush().Color();
    p.SavedFont = canvas.Font().Color();
    const bool fixed =
        IsFixedCellForDraw(col, row) || col < TBaseGrid::FixedCols() || row < TBaseGrid::FixedRows();
    DrawFixedLook(p, fixed);
    const int savedRight = p.R.Right;
    if (!fixed && ControlLook.DropDownAlwaysVisible && HasComboBox(col, row)) {
        DrawComboButton(canvas, {p.R.Right - 16, p.R.Top, p.R.Right, p.R.Bottom}, true, false,
                        xpFlag_ && comCtlFlag_);
        p.R.Right -= 16;
    }
    DrawCellContent(p);
    p.R.Right = savedRight;
    canvas.Brush().SetColor(p.SavedBrush);
    canvas.Font().SetColor(p.SavedFont);
    p.R = p.R.Inflated(1, 1);
    DrawCellBorders(canvas, p.RealCol, row, p.R);
    if (indicator && col == 0) p.R.Left -= RowIndicator.Width();
    if (fixed && !flat_) DrawFixedFrames(p);
    DrawFixedRightLines(p);
    DrawTreeLines(p);
    if (p.Graphic) DrawCellGraphic(p);
    DrawCellEvent(p.RealCol, row,
                  {p.R.Left + 1, p.R.Top + 1, p.R.Right - GridLineWidth(), p.R.Bottom - GridLineWidth()},
                  p.State);
    CustomCellDraw(canvas, p.RealCol, row, p.State, p.R, false);
    DrawFocusRectangle(p);
}

void TVevIvizudEvar::DrawFixedLook(TCellPaint& p, bool fixed) {
    if (!fixed || flat_) return;
    TCanvas& canvas = *p.Canvas;
    if (look_ == TGridLook::glVell || look_ == TGridLook::glXP) {
        canvas.DrawGradient(themeColor1_, themeColor2_, false, p.R, 10);
    } else if (look_ == TGridLook::glListView) {
        if (!xpFlag_) {
            canvas.Brush().SetColor(clBtnFace);
            canvas.Pen().SetColor(clWhite);
            canvas.Rectangle(p.R);
            return;
        }
        p.R = p.R.Inflated(1, 1);
        const QPoint mouse = viewport()->mapFromGlobal(QCursor::pos());
        const bool inside = p.R.Contains(FromQPoint(mouse));
        DrawThemeBackground(canvas, TThemeClass::Header, 1,
                            inside && MouseButtonDown() ? 3
                            : inside                    ? 2
                                                        : 1,
                            p.R);
        canvas.Pen().SetColor(clWhite);
        canvas.MoveTo(p.R.Left, p.R.Top);
        canvas.LineTo(p.R.Right, p.R.Top);
    }
}

void TVevIvizudEvar::DrawFixedFrames(TCellPaint& p) {
    TCanvas& canvas = *p.Canvas;
    TRect r = p.R;
    const TGridOptions options = TBaseGrid::Options();
    auto line = [&](TColor color, std::initializer_list<TPoint> points) {
        canvas.Pen().SetColor(color);
        canvas.Pen().SetWidth(1);
        const TPoint* it = points.begin();
        canvas.MoveTo(it->X, it->Y);
        for (++it; it != points.end(); ++it) canvas.LineTo(it->X, it->Y);
    };
    switch (look_) {
    case TGridLook::glClassic: {
        TRect edge = r;
        canvas.DrawEdge(edge, BDR_RAISEDINNER, BF_LEFT);
        canvas.DrawEdge(edge, BDR_RAISEDINNER, BF_TOP);
        canvas.DrawEdge(edge, EDGE_RAISED, BF_RIGHT | BF_BOTTOM);
        line(clBlack, {{r.Right - 1, r.Top}, {r.Right - 1, r.Bottom - 1}, {r.Left - 1, r.Bottom - 1}});
        break;
    }
    case TGridLook::glVell:
    case TGridLook::glXP:
        r = r.Inflated(1, 1);
        r.Bottom -= 1;
        line(DarkenColor(FixedColor()), {{r.Left, r.Bottom - 1}, {r.Right - 1, r.Bottom - 1}});
        line(clWhite, {{r.Right, r.Top + 1}, {r.Left + 1, r.Top + 1}, {r.Left + 1, r.Bottom - 1}});
        break;
    case TGridLook::glSoft:
        r = r.Inflated(1, 1);
        r.Bottom -= 1;
        if (options.Contains(goFixedHorzLine)) {
            line(DarkenColor(FixedColor()), {{r.Left, r.Bottom - 1}, {r.Right - 1, r.Bottom - 1}});
            line(clWhite, {{r.Right, r.Top + 1}, {r.Left + 1, r.Top + 1}, {r.Left + 1, r.Bottom - 1}});
        }
        if (options.Contains(goFixedVertLine)) {
            line(DarkenColor(FixedColor()), {{r.Right - 2, r.Top}, {r.Right - 2, r.Bottom - 1}});
            line(clWhite, {{r.Right - 1, r.Top}, {r.Right - 1, r.Bottom - 1}});
        }
        break;
    default:
        break;
    }
}

// The fixed columns at the right edge get black lines around them when the grid is flat (the
// raised frames of the other looks stand there otherwise).
void TVevIvizudEvar::DrawFixedRightLines(TCellPaint& p) {
    if (fixedRightCols_ <= 0 || ColCount() - p.RealCol + HiddenColCount() > fixedRightCols_ ||
        look_ == TGridLook::glClassic || Ctl3D())
        return;
    TCanvas& canvas = *p.Canvas;
    canvas.Pen().SetColor(clBlack);
    canvas.Pen().SetWidth(1);
    auto segment = [&](int x1, int y1, int x2, int y2) {
        canvas.MoveTo(x1, y1);
        canvas.LineTo(x2, y2);
    };
    const TRect q = p.R;
    const TGridOptions options = TBaseGrid::Options();
    if (options.Contains(goFixedHorzLine)) {
        segment(q.Left - 1, q.Top - 1, q.Right + 1, q.Top - 1);
        segment(q.Left - 1, q.Bottom + 1, q.Right + 1, q.Bottom + 1);
    }
    if (options.Contains(goFixedVertLine)) {
        segment(q.Left - 1, q.Top - 1, q.Left - 1, q.Bottom + 1);
        segment(q.Right + 1, q.Top - 1, q.Right + 1, q.Bottom + 1);
    }
}

// Tree lines of node rows; the level of a row without properties is 0 (painting never creates
// properties, so what is drawn does not depend on the order the cells are painted in).
void TVevIvizudEvar::DrawTreeLines(TCellPaint& p) {
    if (!HasNodes() || p.RealCol != 0 || p.Row < TBaseGrid::FixedRows() || !CellNode.ShowTree()) return;
    TCanvas& canvas = *p.Canvas;
    canvas.Pen().SetColor(CellNode.TreeColor());
    canvas.Pen().SetWidth(1);
    TRect r = p.R;
    r.Left -= 4;
    const TCellProperties* props = CellProperties(0, p.Row);
    const int level = props ? props->Level() : 0;
    const int h = CellNode.NodeIndent() / 2;
    const int y = r.Top + (r.Bottom - r.Top) / 2;
    auto segment = [&](int x1, int y1, int x2, int y2) {
        canvas.MoveTo(x1, y1);
        canvas.LineTo(x2, y2);
    };
    if (level > 0) segment(r.Left - h, y, r.Left + 4, y);
    const int kind = GetTreeLineKind(p.Row);
    if (kind == 1) segment(r.Left - h, r.Top, r.Left - h, y);
    if (kind == 2) segment(r.Left - h, r.Top, r.Left - h, r.Bottom + 4);
    if (props && level > 0)
        for (int i = 1; i <= level; ++i) {
            const int x = r.Left - h - CellNode.NodeIndent() * i;
            segment(x, r.Top, x, y);
            segment(x, y, x, r.Bottom + 4);
        }
    canvas.Pen().SetStyle(TPenStyle::psSolid);
}

void TVevIvizudEvar::DrawCellBorders(TCanvas& canvas, int col, int row, TRect r) {
    const TPen kept = canvas.Pen();
    TCellBorders borders;
    GetCellBorder(col, row, canvas.Pen(), borders);
    TPen left = canvas.Pen(), top = canvas.Pen(), right = canvas.Pen(), bottom = canvas.Pen();
    GetCellBorderProp(col, row, left, top, right, bottom);
    const TGridOptions options = TBaseGrid::Options();
    const int hw = options.Contains(goVertLine) ? (canvas.Pen().Width() + 1) / 2 : 0;
    const int vw = options.Contains(goHorzLine) ? (canvas.Pen().Width() + 1) / 2 : 0;
    r = {r.Left + hw, r.Top + vw, r.Right - hw, r.Bottom - vw};
    auto draw = [&](const TPen& pen, TPoint from, TPoint to) {
        canvas.Pen() = pen;
        canvas.MoveTo(from.X, from.Y);
        canvas.LineTo(to.X, to.Y);
    };
    if (borders.Contains(TCellBorder::cbLeft)) draw(left, {r.Left - 1, r.Top}, {r.Left - 1, r.Bottom});
    if (borders.Contains(TCellBorder::cbRight)) draw(right, {r.Right - 1, r.Top}, {r.Right - 1, r.Bottom});
    if (borders.Contains(TCellBorder::cbTop)) draw(top, {r.Left, r.Top}, {r.Right, r.Top});
    if (borders.Contains(TCellBorder::cbBottom))
        draw(bottom, {r.Left, r.Bottom - 1}, {r.Right, r.Bottom - 1});
    canvas.Pen() = kept;
}

void TVevIvizudEvar::DrawFocusRectangle(TCellPaint& p) {
    if (HideFocusRect || TBaseGrid::Options().Contains(goRowSelect) || !hasFocus()) return;
    const TGridCoord base = BaseCell(p.Col, p.Row);
    if (base.X != Col() || base.Y != Row()) return;
    const int grow = GridLineWidth() - 1;
    TRect r = p.R.Inflated(grow, grow);
    r.Right -= 1;
    r.Bottom -= 1;
    p.Canvas->DrawFocusRect(r);
}

void TVevIvizudEvar::Paint(const TRect& dirty) {
    Canvas().Pen().SetStyle(TPenStyle::psSolid);
    TBaseGrid::Paint(dirty);
    if (editorActive_) {
        TCanvas& canvas = Canvas();
        const TGridOptions options = TBaseGrid::Options();
        canvas.Pen().SetColor(GridLineWidth() < 1 ? Color() : GridLineColor());
        if (!options.Contains(goVertLine) && !options.Contains(goHorzLine)) canvas.Pen().SetColor(Color());
        canvas.Rectangle(CellRectEx(Col(), Row()));
    }
    PaintPointerOverlay();
    Canvas().Pen().SetColor(clBlack);
}

void TVevIvizudEvar::DrawSizingLine(int x) {
    TCanvas& canvas = Canvas();
    const TPen saved = canvas.Pen();
    canvas.Pen().SetColor(clBlack);
    canvas.Pen().SetWidth(1);
    canvas.Pen().SetStyle(TPenStyle::psDot);
    canvas.Pen().SetMode(TPenMode::pmXor);
    canvas.MoveTo(x, 0);
    canvas.LineTo(x, std::max(height(), CellRectEx(0, RowCount() - 1).Bottom));
    canvas.Pen() = saved;
}

void TVevIvizudEvar::Click() {
    TBaseGrid::Click();
    BeginEdit(Col(), Row());
}
