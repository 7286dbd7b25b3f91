// Painting of TCustomGrid: grid lines, then the cells of the four regions (fixed corner, fixed
// rows, fixed columns, scrolled cells) through DrawCell, then the area beyond the cells and the
// sizing or moving guide.
#include "platform/ui/CustomGrid.h"

#include "platform/ui/PainterDevice.h"
#include "platform/ui/UiBoundary.h"

#include <QPaintEvent>
#include <QPainter>

void TCustomGrid::paintEvent(QPaintEvent* e) {
    QPainter painter(viewport());
    if (updateCount_ > 0) return;
    TPainterDevice device(painter);
    GuardUi([&] { PaintThrough(device, FromQRect(e->rect())); });
}

void TCustomGrid::RenderTo(TCanvasDevice& device) {
    PaintThrough(device, Bounds(0, 0, ClientWidth(), ClientHeight()));
}

void TCustomGrid::PaintThrough(TCanvasDevice& device, const TRect& dirty) {
    struct TDetach {
        TCanvas& Canvas;
        ~TDetach() { Canvas.SetDevice(nullptr); }
    } detach{canvas_};
    canvas_.SetDevice(&device);
    Paint(dirty);
}

void TCustomGrid::Paint(const TRect& dirty) {
    const TDrawInfo info = CalcDrawInfo();
    const TGridAxisInfo& h = info.Horz;
    const TGridAxisInfo& v = info.Vert;
    DrawLines(info);
    DrawCells(info, {0, 0}, {0, 0}, {h.FixedBoundary, v.FixedBoundary}, fixedColor_, {gdFixed}, dirty);
    DrawCells(info, {LeftCol(), 0}, {h.FixedBoundary, 0}, {h.GridBoundary, v.FixedBoundary}, fixedColor_,
              {gdFixed}, dirty);
    DrawCells(info, {0, TopRow()}, {0, v.FixedBoundary}, {h.FixedBoundary, v.GridBoundary}, fixedColor_,
              {gdFixed}, dirty);
    DrawCells(info, {LeftCol(), TopRow()}, {h.FixedBoundary, v.FixedBoundary},
              {h.GridBoundary, v.GridBoundary}, color_, {}, dirty);
    if (options_.Contains(goRowSelect) && defaultDrawing_ && IsActiveControl()) {
        const TGridRect sel = Selection();
        const TRect first = CellRect(std::max(sel.Left, LeftCol()), sel.Top);
        const TRect last = CellRect(std::min(sel.Right, h.LastFullVisibleCell), sel.Bottom);
        const TRect box = UnionRect(first, last);
        if (!box.IsEmpty()) canvas_.DrawFocusRect(box);
    }
    canvas_.Brush().SetColor(color_);
    canvas_.Brush().SetStyle(TBrushStyle::bsSolid);
    if (h.GridBoundary < h.Extent) canvas_.FillRect({h.GridBoundary, 0, h.Extent, v.GridBoundary});
    if (v.GridBoundary < v.Extent) canvas_.FillRect({0, v.GridBoundary, h.Extent, v.Extent});
    DrawOverlay(info);
}

void TCustomGrid::DrawAxisLines(const TGridAxisInfo& major, const TGridAxis& axis, int firstCell,
                                int majorStart, int majorStop, int minorStart, int minorStop, bool vertical,
                                TColor color) {
    if (major.LineWidth <= 0 || majorStart >= majorStop || minorStart >= minorStop) return;
    canvas_.Pen().SetWidth(major.LineWidth);
    canvas_.Pen().SetStyle(TPenStyle::psSolid);
    canvas_.Pen().SetColor(color);
    int line = majorStart + major.LineWidth / 2 + axis.Size(firstCell);
    for (int cell = firstCell; cell < axis.Count() && line < majorStop; ++cell) {
        if (vertical) {
            canvas_.MoveTo(line, minorStart);
            canvas_.LineTo(line, minorStop);
        } else {
            canvas_.MoveTo(minorStart, line);
            canvas_.LineTo(minorStop, line);
        }
        line += axis.Size(cell + 1) + major.LineWidth;
    }
    canvas_.Pen().SetWidth(1);
}

void TCustomGrid::DrawLines(const TDrawInfo& info) {
    if (lineWidth_ <= 0) return;
    const TGridAxisInfo& h = info.Horz;
    const TGridAxisInfo& v = info.Vert;
    const bool fixedVert = options_.Contains(goFixedVertLine), fixedHorz = options_.Contains(goFixedHorzLine);
    const TColor dataLine = ColorToRGB(color_) == clSilver ? clGray : clSilver;
    const TColor fixedVertColor = fixedVert ? clBlack : fixedColor_,
                 fixedHorzColor = fixedHorz ? clBlack : fixedColor_;
    const TColor vertColor = options_.Contains(goVertLine) ? dataLine : color_;
    const TColor horzColor = options_.Contains(goHorzLine) ? dataLine : color_;
    struct TRegion {
        int FirstCol, FirstRow, Left, Top, Right, Bottom;
        TColor Vert, Horz;
    };
    const TRegion regions[] = {
        {0, 0, 0, 0, h.FixedBoundary, v.FixedBoundary, fixedVertColor, fixedHorzColor},
        {LeftCol(), 0, h.FixedBoundary, 0, h.GridBoundary, v.FixedBoundary, fixedVertColor, fixedHorzColor},
        {0, TopRow(), 0, v.FixedBoundary, h.FixedBoundary, v.GridBoundary, fixedVertColor, fixedHorzColor},
        {LeftCol(), TopRow(), h.FixedBoundary, v.FixedBoundary, h.GridBoundary, v.GridBoundary, vertColor,
         horzColor},
    };
    for (const TRegion& r : regions) {
        DrawAxisLines(h, cols_, r.FirstCol, r.Left, r.Right, r.Top, r.Bottom, true, r.Vert);
        DrawAxisLines(v, rows_, r.FirstRow, r.Top, r.Bottom, r.Left, r.Right, false, r.Horz);
    }
}

void TCustomGrid::DrawCells(const TDrawInfo& info, TGridCoord first, TPoint start, TPoint stop, TColor color,
                            TGridDrawState include, const TRect& dirty) {
    const bool focused = IsActiveControl();
    const TGridRect selection = Selection();
    unsigned frame1 = 0, frame2 = 0;
    if (options_.Contains(goFixedVertLine)) frame1 |= BF_RIGHT, frame2 |= BF_LEFT;
    if (options_.Contains(goFixedHorzLine)) frame1 |= BF_BOTTOM, frame2 |= BF_TOP;
    TRect where;
    where.Top = start.Y;
    for (int row = first.Y; where.Top < stop.Y && row < RowCount(); ++row) {
        where.Bottom = where.Top + rows_.Size(row);
        where.Left = start.X;
        for (int col = first.X; where.Left < stop.X && col < ColCount(); ++col) {
            where.Right = where.Left + cols_.Size(col);
            if (where.Right > where.Left && !IntersectRect(where, dirty).IsEmpty()) {
                TGridDrawState state = include;
                if (focused && row == Row() && col == Col()) state.Include(gdFocused);
                if (selection.Contains(col, row)) state.Include(gdSelected);
                if (!state.Contains(gdFocused) || !options_.Contains(goEditing) || !editorMode_) {
                    if (defaultDrawing_) {
                        canvas_.Font() = font_;
                        const bool highlight =
                            state.Contains(gdSelected) &&
                            (!state.Contains(gdFocused) || options_.Contains(goDrawFocusSelected) ||
                             options_.Contains(goRowSelect));
                        canvas_.Brush().SetColor(highlight ? clHighlight : color);
                        canvas_.Brush().SetStyle(TBrushStyle::bsSolid);
                        if (highlight) canvas_.Font().SetColor(clHighlightText);
                        canvas_.FillRect(where);
                    }
                    try {
                        DrawCell(col, row, where, state);
                    } catch (const std::exception& error) {
                        qWarning("Cell %d, %d could not be drawn: %s", col, row, error.what());
                    }
                    if (defaultDrawing_ && state.Contains(gdFixed) && ctl3D_ && (frame1 | frame2)) {
                        TRect edge = where;
                        if (!(frame1 & BF_RIGHT))
                            edge.Right += info.Horz.LineWidth;
                        else if (!(frame1 & BF_BOTTOM))
                            edge.Bottom += info.Vert.LineWidth;
                        canvas_.DrawEdge(edge, BDR_RAISEDINNER, frame1);
                        canvas_.DrawEdge(edge, BDR_RAISEDINNER, frame2);
                    }
                    const TGridOptions editAlways{goEditing, goAlwaysShowEditor};
                    if (defaultDrawing_ && state.Contains(gdFocused) &&
                        (options_ * editAlways) != editAlways && !options_.Contains(goRowSelect))
                        canvas_.DrawFocusRect(where);
                }
            }
            where.Left = where.Right + info.Horz.LineWidth;
        }
        where.Top = where.Bottom + info.Vert.LineWidth;
    }
}

void TCustomGrid::DrawOverlay(const TDrawInfo& info) {
    canvas_.Pen().SetColor(clBlack);
    canvas_.Pen().SetWidth(1);
    if (gridState_ == TGridState::gsColSizing || gridState_ == TGridState::gsRowSizing) {
        canvas_.Pen().SetStyle(TPenStyle::psDot);
        if (gridState_ == TGridState::gsColSizing) {
            canvas_.MoveTo(sizingPos_, 0);
            canvas_.LineTo(sizingPos_, info.Vert.Extent);
        } else {
            canvas_.MoveTo(0, sizingPos_);
            canvas_.LineTo(info.Horz.Extent, sizingPos_);
        }
        canvas_.Pen().SetStyle(TPenStyle::psSolid);
        return;
    }
    const bool columns = gridState_ == TGridState::gsColMoving;
    if (!columns && gridState_ != TGridState::gsRowMoving) return;
    const TRect target = columns ? CellRect(movePos_, 0) : CellRect(0, movePos_);
    if (target.IsEmpty()) return;
    canvas_.Pen().SetWidth(3);
    if (columns) {
        const int x = movePos_ > moveIndex_ ? target.Right : target.Left;
        canvas_.MoveTo(x, 0);
        canvas_.LineTo(x, info.Vert.GridBoundary);
    } else {
        const int y = movePos_ > moveIndex_ ? target.Bottom : target.Top;
        canvas_.MoveTo(0, y);
        canvas_.LineTo(info.Horz.GridBoundary, y);
    }
    canvas_.Pen().SetWidth(1);
}

void TCustomGrid::DrawCell(int, int, const TRect&, TGridDrawState) {}
