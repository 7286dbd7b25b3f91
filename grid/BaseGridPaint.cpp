// How TBaseGrid paints a cell: merged blocks once per paint, the frozen area, background, its own
// grid lines, then the cell's text area.
#include "grid/BaseGrid.h"

void TBaseGrid::Paint(const TRect& dirty) {
    TStringGrid::Paint(dirty);
    ++paintCount_;
}

void TBaseGrid::DrawCell(int col, int row, const TRect& rect, TGridDrawState state) {
    TCanvas& canvas = Canvas();
    if (LastRowIsFooter && row == RowCount() - 1) {
        canvas.Brush().SetColor(Color());
        canvas.Pen().SetColor(Color());
        canvas.FillRect(rect);
        return;
    }
    const int storeCol = StoreCol(col);
    const TCellProperties* p = CellProperties(storeCol, row);
    if (p && !p->IsBaseCell && p->CellSpanX != -1 && p->CellSpanY != -1) {
        // A member: the block is drawn once per paint, by the first of its cells that shows.
        const TGridCoord base = p->BaseCellOf(storeCol, row);
        TCellProperties* b = CellProperties(base.X, base.Y);
        if (b && b->PaintStamp != paintCount_) {
            b->PaintStamp = paintCount_;
            DrawCell(ShownCol(base.X), base.Y, rect, state);
        }
        return;
    }
    if (p && p->IsBaseCell && p->CellSpanX != -1) GetCellProperties(storeCol, row)->PaintStamp = paintCount_;
    if (IsFixedCellForDraw(col, row)) {
        state.Include(gdFixed);
        state.Exclude(gdSelected);
    }
    const bool fixed = state.Contains(gdFixed);
    TRect r = CellRectEx(col, row);
    if (r.IsEmpty()) r = rect;

    // A block must not paint over the fixed cells.
    int frozenWidth = 0, frozenHeight = 0;
    if (col >= FixedCols())
        for (int c = 0; c < FixedCols(); ++c) frozenWidth += ColWidths(c);
    if (row >= FixedRows())
        for (int rr = 0; rr < FixedRows(); ++rr) frozenHeight += RowHeights(rr);
    const bool clip = (FixedCols() >= 1 && col >= FixedCols() && r.Left < frozenWidth) ||
                      (FixedRows() >= 1 && row >= FixedRows() && r.Top < frozenHeight);
    if (clip) canvas.SetClipRect({frozenWidth, frozenHeight, ClientWidth(), ClientHeight()});

    canvas.Pen().SetWidth(1);
    canvas.Font() = Font();
    canvas.Brush().SetColor(fixed ? FixedColor() : Color());
    canvas.Brush().SetStyle(TBrushStyle::bsSolid);
    TColor colorTo = clNone;
    TVAlignment vAlign = TVAlignment::vtaTop;
    TAlignment hAlign = TAlignment::taLeftJustify;
    GetCellColors(col, row, vAlign, hAlign, canvas.Font(), colorTo, canvas.Brush(), true, true, false, state);

    canvas.Pen().SetColor(canvas.Brush().Color());
    if (colorTo == clNone)
        canvas.FillRect(r);
    else
        canvas.DrawGradient(canvas.Brush().Color(), colorTo, true, r, 64);

    if (col == 0 && row >= FixedRows()) r.Left += GetNodeIndent(row);
    DrawCellLines(r, col, row, state.Contains(gdFixed));

    const int inset = state.Contains(gdFixed) ? 1 : gridLineWidth_;
    DrawCellText(canvas, col, row, state, r.Inflated(-inset, -inset));
    if (clip) canvas.ClearClip();
}

void TBaseGrid::DrawCellLines(const TRect& r, int col, int row, bool fixed) {
    TCanvas& canvas = Canvas();
    int lw = 1;
    if (fixed) {
        canvas.Pen().SetColor(clGray);
        canvas.Pen().SetWidth(1);
    } else if (gridLineWidth_ > 0) {
        canvas.Pen().SetColor(gridLineColor_);
        canvas.Pen().SetWidth(gridLineWidth_);
        lw = (gridLineWidth_ + 1) / 2;
    } else {
        return; // no lines for normal cells
    }
    const TGridOptions options = Options();
    const bool horz = fixed ? options.Contains(goFixedHorzLine) : options.Contains(goHorzLine);
    const bool vert = fixed ? options.Contains(goFixedVertLine) : options.Contains(goVertLine);
    if ((ShownCol(BaseCell(StoreCol(col), row).X) != 0 || !HasNodes()) && horz) {
        canvas.MoveTo(r.Left - lw + 1, r.Bottom - lw);
        canvas.LineTo(r.Right - lw + 1, r.Bottom - lw);
    }
    if (vert) {
        canvas.MoveTo(r.Right - lw, r.Bottom - lw);
        canvas.LineTo(r.Right - lw, r.Top - lw);
    }
}

void TBaseGrid::DrawCellText(TCanvas& canvas, int col, int row, TGridDrawState, TRect rect) {
    canvas.DrawText(GetGridCells(col, row), rect, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}
