// The content of a cell as TVevIvizudEvar paints it: selection colours, the text in its kind
// (plain, formula, mini-HTML, rich text, wide text), password and link looks, background
// picture, selection rectangle and resizer, sort glyphs and error marks.
#include "grid/AdvancedGrid.h"

#include "grid/CellTextLayout.h"
#include "grid/DrawUtils.h"
#include "grid/FloatFormat.h"
#include "grid/GridError.h"
#include "grid/HTMLDraw.h"
#include "grid/PictureContainer.h"
#include "grid/RichText.h"
#include "grid/TextUtils.h"
#include "grid/VisibleText.h"

#include <QTextDocument>

namespace {

// Where the sort glyph stands vertically in the area.
int SortGlyphY(TVAlignment align, const TRect& area) {
    return align == TVAlignment::vtaTop      ? area.Top + 8
           : align == TVAlignment::vtaCenter ? area.Top + area.Height() / 2
                                             : area.Bottom - 8;
}

} // namespace

QString TVevIvizudEvar::GetDisplayText(int col, int row) {
    QString text = GetGridCells(col, row);
    if (!OnGetFloatFormat) return text; // without a handler nothing is formatted
    bool isFloat = NumberKind(text) < 2;
    if (!isFloat) return text;
    QString format = FloatFormat;
    GetFloatFormat(col, row, isFloat, format);
    if (isFloat) text = FormatFloat(format, Floats(col, row));
    return text;
}

QString TVevIvizudEvar::GetCellTextPlain(int col, int row) {
    QString text = plainThroughDisplText_ ? GetGridCells(col, row) : GetRawCell(col, row);
    if (text.isEmpty()) {
        TCellGraphic* graphic = GetCellGraphic(col, row);
        if (graphic && graphic->CellType == TCellType::ctCheckBox)
            text = graphic->CellBoolean ? GetCheckTrue(col, row) : GetCheckFalse(col, row);
    }
    return plainKeepsTags_ ? text : StripHTML(text);
}

int TVevIvizudEvar::FindRowByText(const QString& text) {
    if (RowCount() < 2) return -1;
    const int col = SortSettings.Show() ? SortSettings.Column : 1;
    for (int r = TBaseGrid::FixedRows(); r < RowCount(); ++r) {
        QString plain = GetCellTextPlain(col, r);
        if (CellTextKind(plain, EnableHTML) == ctkHTML) plain = HTMLStrip(plain);
        if (plain.left(text.size()).toUpper() == text) return r;
    }
    return -1;
}

QString TVevIvizudEvar::StripHTML(const QString& text) {
    return HTMLStrip(text);
}

void TVevIvizudEvar::ApplySelectionColors(TCellPaint& p, TColor& linkColor) {
    TCanvas& canvas = *p.Canvas;
    const bool selected = p.State.Contains(gdSelected) ||
                          (RowSelectFlag(p.SelRow) && TBaseGrid::Options().Contains(goRowSelect) &&
                           p.RealCol >= TBaseGrid::FixedCols());
    if (!selected || (p.State.Contains(gdFocused) && !TBaseGrid::Options().Contains(goDrawFocusSelected)))
        return;
    if (showSelection_) {
        if (selectionColor_ != clNone) canvas.Brush().SetColor(selectionColor_);
        if (selectionTextColor_ != clNone) canvas.Font().SetColor(selectionTextColor_);
        linkColor = selectionTextColor_;
        return;
    }
    const TGridCoord base = BaseCell(p.RealCol, p.Row);
    if (hasFocus() || IsCheckBoxGraphic(GetCellType(base.X, base.Y))) {
        canvas.Brush().SetColor(p.SavedBrush);
        canvas.Font().SetColor(p.SavedFont);
        linkColor = URLColor;
    }
}

bool TVevIvizudEvar::SortGlyphHere(const TCellPaint& p) {
    return SortSettings.Show() && p.Row == SortSettings.Row() && RowCount() > 2 &&
           (p.RealCol == SortSettings.Column || SortIndexList.FindIndex(p.RealCol) >= 0) &&
           TBaseGrid::FixedRows() > 0 && (p.RealCol >= TBaseGrid::FixedCols() || SortSettings.FixedCols);
}

void TVevIvizudEvar::DrawCellContent(TCellPaint& p) {
    TCanvas& canvas = *p.Canvas;
    TColor linkColor = URLColor;
    ApplySelectionColors(p, linkColor);
    QString text;
    try {
        text = GetDisplayText(p.RealCol, p.Row);
    } catch (const std::exception&) {
        // A cell declared a number that is none: it shows what it holds.
        text = GetGridCells(p.RealCol, p.Row);
    }
    int kind = CellTextKind(text, EnableHTML);
    if (kind == ctkFormula) text = GetCellTextRaw(p.RealCol, p.Row);
    if (IsPasswordCell(p.RealCol, p.Row)) {
        // A rich or wide password shows as many stars as it has characters, never its text.
        if (kind == ctkRichText) text = RTFToPlainText(GetGridCells(p.RealCol, p.Row));
        if (kind == ctkWide) text = GetCellTextWide(p.RealCol, p.Row);
        if (kind == ctkRichText || kind == ctkWide) kind = ctkPlain;
        FillChars(text, PasswordChar);
    }
    TRect tr = p.R;
    const bool filterButton = p.Row == 0 && ColumnHasFilterButton(p.RealCol);
    if (filterButton)
        DrawResourceBitmap(canvas, FixedColor(), {tr.Right - 16, tr.Top, tr.Right, tr.Bottom}, "VZGFILT");
    const bool plainClick = plainClick_;
    if (p.RealCol >= TBaseGrid::FixedCols() && p.Row >= TBaseGrid::FixedRows() && !plainClick &&
        ((MouseActions.DisjunctRowSelect() && !RowSelectFlag(p.SelRow)) ||
         (MouseActions.DisjunctColSelect() && !ColSelectFlag(p.RealCol)))) {
        linkColor = URLColor;
        canvas.Brush().SetColor(Color());
        canvas.Font().SetColor(Font().Color());
        GetCellColor(p.RealCol, p.Row, p.State, canvas.Brush(), canvas.Font());
    }
    const TCellProperties* props = CellProperties(p.RealCol, p.Row);
    const bool fixedState = p.State.Contains(gdFixed);
    const bool cellsMatch = BackGround.Cells == TBackGroundCells::bcAll ||
                            (fixedState ? BackGround.Cells == TBackGroundCells::bcFixed
                                        : BackGround.Cells == TBackGroundCells::bcNormal);
    const bool selectedLook =
        showSelection_ &&
        ((p.State.Contains(gdSelected) && !p.State.Contains(gdFocused)) ||
         (p.State.Contains(gdFocused) && TBaseGrid::Options().Contains(goDrawFocusSelected)));
    if (!BackGround.Bitmap.Empty() && !(props && props->BrushColor() != clNone) && cellsMatch &&
        !selectedLook) {
        if (BackGround.Display == TBackGroundDisplay::bdTile)
            DrawBackgroundTiled(canvas, tr, p.Col, p.Row);
        else
            DrawBackgroundFixed(canvas, tr);
    }
    DrawSelectionRectangle(p, tr);
    if (!p.ShowText) return;

    tr.Left += kTextOffsetX;
    tr.Right -= kTextOffsetX;
    tr.Top += kTextOffsetY;
    int gOff = 0;
    p.LineH = canvas.TextHeight(QStringLiteral("gh"));
    const bool left = p.HAlign == TAlignment::taLeftJustify, right = p.HAlign == TAlignment::taRightJustify;
    if (left && p.GHAlign == TCellHAlign::haBeforeText) tr.Left += p.GW, gOff = p.GW;
    if (p.GHAlign == TCellHAlign::haLeft) gOff = p.GW;
    if ((left || right) && p.GHAlign == TCellHAlign::haAfterText) tr.Right -= p.GW;
    if (right && p.GHAlign == TCellHAlign::haBeforeText) tr.Left += p.GW;
    if (p.GVAlign == TCellVAlign::vaAboveText) tr.Top += p.GH;
    if (p.GVAlign == TCellVAlign::vaUnderText) tr.Bottom -= p.GH;

    switch (kind) {
    case ctkHTML:
        p.TextWidth = DrawHTMLCell(p, text, tr, linkColor);
        break;
    case ctkRichText:
        DrawTextKindBackground(p, tr);
        canvas.Brush().SetStyle(TBrushStyle::bsClear);
        DrawRichTextCell(canvas, p.RealCol, p.Row, tr);
        canvas.Brush().SetStyle(TBrushStyle::bsSolid);
        canvas.Font().SetColor(clBlack);
        break;
    case ctkWide:
        DrawTextKindBackground(p, tr);
        DrawWideText(p, tr);
        break;
    default:
        DrawPlainText(p, text, tr, gOff, linkColor);
        break;
    }
}

// What of a cell's text area can show at once: a row may be taller than the grid (the lines a
// text shows are counted from it; see VisibleText.h).
TRect TVevIvizudEvar::ShowingPart(const TRect& tr) const {
    return {tr.Left, tr.Top, tr.Right, tr.Top + std::max(std::min(tr.Height(), ClientHeight()), 0)};
}

// Rich and wide texts draw on their own background: the pen takes the brush colour and the text
// area is filled, except on a selected unfocused cell that has no selection colour of its own.
void TVevIvizudEvar::DrawTextKindBackground(TCellPaint& p, const TRect& tr) {
    TCanvas& canvas = *p.Canvas;
    canvas.Pen().SetColor(canvas.Brush().Color());
    if (!(p.State.Contains(gdSelected) && !p.State.Contains(gdFocused) && selectionColor_ == clNone))
        canvas.FillRect(tr);
}

void TVevIvizudEvar::DrawWideText(TCellPaint& p, const TRect& tr) {
    TCanvas& canvas = *p.Canvas;
    unsigned flags = VAlignFlag(p.VAlign) | HAlignFlag(p.HAlign) | DT_NOPREFIX;
    flags |=
        wordWrap_ || multiLineCells_ ? unsigned(DT_WORDBREAK) : unsigned(DT_SINGLELINE | DT_END_ELLIPSIS);
    canvas.SetBkMode(TBkMode::Transparent);
    TRect r = tr;
    canvas.DrawText(VisibleText(GetCellTextWide(p.RealCol, p.Row), ShowingPart(r), flags, p.LineH), r, flags);
}

int TVevIvizudEvar::DrawHTMLCell(TCellPaint& p, const QString& text, TRect tr, TColor linkColor) {
    if (p.Row == 0 && ColumnHasFilterButton(p.RealCol)) tr.Right -= 18;
    tr.Left -= 1;
    const bool sortHere = SortGlyphHere(p);
    if (sortHere) tr.Right -= 10;
    const int width = DrawHTMLText(*p.Canvas, VisibleHTMLText(text, ShowingPart(tr), p.LineH), tr, linkColor);
    if (sortHere && (SortIndexList.FindIndex(p.RealCol) <= 0 || SortSettings.IndexShow))
        DrawSortGlyph(*p.Canvas, p.RealCol, SortGlyphY(p.VAlign, tr), tr.Right + 2);
    return width + 2;
}

void TVevIvizudEvar::DrawPlainText(TCellPaint& p, QString text, TRect tr, int gOff, TColor linkColor) {
    TCanvas& canvas = *p.Canvas;
    const bool sortColumn = SortSettings.Show() && p.RealCol == SortSettings.Column;
    if (p.HAlign == TAlignment::taCenter && p.Row == SortSettings.Row() && sortColumn) tr.Left += 10;
    const int g = p.Row == 0 && sortColumn ? 14 : 0;
    const bool url = URLShow && IsURL(GetGridCells(p.RealCol, p.Row));
    if (url) {
        if (!URLFull) StripURLProtocol(text);
        canvas.Font().SetStyle(canvas.Font().Style() + TFontStyle::fsUnderline);
        canvas.Font().SetColor(linkColor);
    }
    unsigned flags = DT_EDITCONTROL;
    if (LineCount(text, multiLineCells_) == 1 && !wordWrap_) {
        QString first;
        SplitFirstLine(text, false, first);
        text = first;
        flags = DT_SINGLELINE | (EnhTextSize ? unsigned(DT_END_ELLIPSIS) : 0u);
    }
    lastVAlignFlag_ = VAlignFlag(p.VAlign);
    const unsigned wrap = wordWrap_ ? DT_EDITCONTROL | DT_WORDBREAK : noWrapFlag_;
    flags |= DT_EXPANDTABS | DT_NOPREFIX | wrap | HAlignFlag(p.HAlign) | lastVAlignFlag_;
    canvas.SetBkMode(TBkMode::Transparent);
    if (p.HAlign == TAlignment::taLeftJustify)
        tr.Right -= g;
    else
        tr.Left += g;
    const bool filterButton = p.Row == 0 && ColumnHasFilterButton(p.RealCol);
    if (filterButton) tr.Right -= 16;
    // Only what can show is laid out: a cell may hold far more than it shows.
    const QString shown = VisibleText(text, ShowingPart(tr), flags, p.LineH);
    if (p.Graphic && !shown.isEmpty()) {
        TRect measure = tr;
        canvas.DrawText(shown, measure, flags | DT_CALCRECT);
        p.TextWidth = measure.Right - tr.Left + 2;
    }
    canvas.DrawText(shown, tr, flags);
    if (p.Graphic && p.Graphic->CellErrLen > 0)
        DrawErrorUnderline(canvas, text, p.Graphic->CellErrLen, p.Graphic->CellErrFrom, p.LineH, tr);
    TRect sortArea = p.R;
    if (filterButton) sortArea.Right -= 16;
    if (SortGlyphHere(p)) {
        const int w = std::max(std::min(canvas.TextWidth(shown), sortArea.Width() - 16), 0);
        const int x = p.HAlign == TAlignment::taLeftJustify    ? sortArea.Left + w + 10 + gOff
                      : p.HAlign == TAlignment::taRightJustify ? sortArea.Right - w - 10
                                                               : sortArea.Left + 8;
        if (SortIndexList.FindIndex(p.RealCol) <= 0 || SortSettings.IndexShow)
            DrawSortGlyph(canvas, p.RealCol, SortGlyphY(p.VAlign, sortArea), x);
    }
    if (url) canvas.Font().SetStyle(canvas.Font().Style() - TFontStyle::fsUnderline);
}

int TVevIvizudEvar::DrawHTMLText(TCanvas& canvas, const QString& text, const TRect& rect, TColor linkColor) {
    const THTMLDrawResult result =
        HTMLDrawEx(canvas, text, rect, GridImages, rect.Left, rect.Top, -1, 0, 1, false, false, false, false,
                   blinkVisible_, false, !EnhTextSize, htmlMouseDown_, 0.0, linkColor, clNone, clNone, clGray,
                   pictureCache_.get(), PictureContainer, this);
    return result.Width;
}

// The cell's rich text drawn with a margin of the text offset on every side; in the selection
// (unless SelectionRTFKeep) all of it takes SelectionTextColor.
void TVevIvizudEvar::DrawRichTextCell(TCanvas& canvas, int col, int row, TRect rect) {
    PrepareRichText(*richText_, GetGridCells(col, row), canvas.Font());
    const int displCol = RealToDisplCol(col);
    const bool current = displCol == Col() && row == Row() && hasFocus() &&
                         !TBaseGrid::Options().Contains(goDrawFocusSelected);
    const int selRow =
        MouseActions.DisjunctRowSelect() && MouseActions.RowSelectPersistent ? DisplToRealRow(row) : row;
    const bool inSelection = !selectionHidden_ && Selection().Contains(displCol, row);
    const bool selected = (inSelection && !current && !MouseActions.DisjunctRowSelect()) ||
                          (MouseActions.DisjunctRowSelect() && RowSelectFlag(selRow)) ||
                          (MouseActions.DisjunctColSelect() && ColSelectFlag(col));
    const TColor color = selected && !SelectionRTFKeep ? selectionTextColor_ : clNone;
    const TRect area{rect.Left + kTextOffsetX, rect.Top + kTextOffsetX, rect.Right - kTextOffsetX,
                     rect.Bottom - kTextOffsetX};
    DrawRichText(canvas, *richText_, area, color);
}

void TVevIvizudEvar::DrawSelectionRectangle(TCellPaint& p, const TRect& tr) {
    const int c = RealToDisplCol(p.RealCol);
    const TGridRect sel = Selection();
    if (!selectionRectangle_ || !sel.Contains(c, p.Row)) return;
    TCanvas& canvas = *p.Canvas;
    const TPen saved = canvas.Pen();
    canvas.Pen().SetColor(clBlack);
    canvas.Pen().SetWidth(2);
    const int w = GridLineWidth();
    auto segment = [&](int x1, int y1, int x2, int y2) {
        canvas.MoveTo(x1, y1);
        canvas.LineTo(x2, y2);
    };
    const int e = sel.Right == c ? tr.Right - 1 : tr.Right;
    if (sel.Left == c) segment(tr.Left + 1 - w, tr.Bottom, tr.Left + 1 - w, tr.Top - w);
    if (sel.Right == c) segment(tr.Right - 1, tr.Bottom, tr.Right - 1, tr.Top - w);
    if (sel.Top == p.Row) segment(tr.Left - w, tr.Top + 1 - w, e, tr.Top + 1 - w);
    if (sel.Bottom == p.Row) segment(tr.Left - w, tr.Bottom - 1, e, tr.Bottom - 1);
    if (SelectionResizer && sel.Bottom == p.Row && sel.Right == c) {
        const TRect q = CellRectEx(sel.Right, sel.Bottom);
        const TColor brush = canvas.Brush().Color();
        canvas.Brush().SetColor(clBlack);
        canvas.FillRect({tr.Right - 4, tr.Bottom - 4, q.Right, q.Bottom});
        canvas.Brush().SetColor(brush);
    }
    canvas.Pen() = saved;
    canvas.Pen().SetWidth(1);
}

void TVevIvizudEvar::DrawSortGlyph(TCanvas& canvas, int col, int y, int x) {
    const TPen savedPen = canvas.Pen();
    auto path = [&](TColor color, std::initializer_list<TPoint> points) {
        canvas.Pen().SetColor(color);
        const TPoint* it = points.begin();
        canvas.MoveTo(it->X, it->Y);
        for (++it; it != points.end(); ++it) canvas.LineTo(it->X, it->Y);
    };
    if (!SortSettings.IndexShow) {
        const bool glyphs = !SortSettings.UpGlyph.Empty() && !SortSettings.DownGlyph.Empty();
        if (SortSettings.Direction != TSortDirection::sdDescending) {
            if (glyphs)
                DrawBitmapTransparent(canvas, SortSettings.UpGlyph, FixedColor(), Bounds(x - 4, y - 4, 0, 0));
            else
                path(clWhite, {{x - 4, y + 4}, {x + 4, y + 4}, {x, y - 4}}),
                    path(clGray, {{x, y - 4}, {x - 4, y + 4}});
        } else if (glyphs) {
            DrawBitmapTransparent(canvas, SortSettings.DownGlyph, FixedColor(), Bounds(x - 4, y - 4, 0, 0));
        } else {
            path(clWhite, {{x + 4, y - 4}, {x, y + 4}});
            path(clGray, {{x, y + 4}, {x - 4, y - 4}, {x + 4, y - 4}});
        }
        canvas.Pen() = savedPen;
        canvas.Pen().SetColor(clBlack);
        return;
    }
    const int position = SortIndexList.FindIndex(col);
    if (position < 0) return;
    const bool descending = TSortIndexList::IsDescending(SortIndexList.Item(position));
    const TBrush savedBrush = canvas.Brush();
    const TFont savedFont = canvas.Font();
    canvas.Brush().SetColor(SortSettings.IndexColor);
    canvas.Font().SetColor(clBlack);
    canvas.Font().SetSize(6);
    const bool glyphs = !SortSettings.IndexUpGlyph.Empty() && !SortSettings.IndexDownGlyph.Empty();
    if (!descending) {
        if (glyphs)
            DrawBitmapTransparent(canvas, SortSettings.IndexDownGlyph, FixedColor(),
                                  Bounds(x - 7, y - 7, 0, 0));
        else
            canvas.Polygon({{x - 6, y + 8}, {x + 6, y + 8}, {x, y - 4}});
    } else if (glyphs) {
        DrawBitmapTransparent(canvas, SortSettings.IndexUpGlyph, FixedColor(), Bounds(x - 7, y - 7, 0, 0));
    } else {
        canvas.Polygon({{x - 7, y - 5}, {x + 7, y - 5}, {x, y + 8}});
    }
    canvas.SetBkMode(TBkMode::Transparent);
    canvas.TextOut(x - 2, descending ? y - 4 : y - 2, QString::number(position + 1));
    canvas.Brush() = savedBrush;
    canvas.Font() = savedFont;
    canvas.Pen() = savedPen;
}

void TVevIvizudEvar::DrawBackgroundFixed(TCanvas& canvas, const TRect& tr) {
    const TBitmap& bitmap = BackGround.Bitmap;
    const TRect picture = Bounds(BackGround.Left, BackGround.Top, bitmap.Width(), bitmap.Height());
    const TRect part = IntersectRect(picture, tr);
    if (part.IsEmpty()) return;
    const TClipScope clip(canvas, part);
    canvas.Draw(picture.Left, picture.Top, bitmap);
}

void TVevIvizudEvar::DrawBackgroundTiled(TCanvas& canvas, const TRect& tr, int col, int row) {
    const TBitmap& bitmap = BackGround.Bitmap;
    if (bitmap.Width() <= 0 || bitmap.Height() <= 0) return;
    const bool fromZero = BackGround.Cells != TBackGroundCells::bcNormal;
    int phaseX = 0, phaseY = 0;
    for (int c = fromZero ? 0 : TBaseGrid::FixedCols(); c < col; ++c) phaseX += ColWidths(c);
    for (int r = fromZero ? 0 : TBaseGrid::FixedRows(); r < row; ++r) phaseY += RowHeights(r);
    phaseX %= bitmap.Width();
    phaseY %= bitmap.Height();
    const TClipScope clip(canvas, tr);
    for (int y = tr.Top - 1 - phaseY; y < tr.Bottom; y += bitmap.Height())
        for (int x = tr.Left - 1 - phaseX; x < tr.Right; x += bitmap.Width()) canvas.Draw(x, y, bitmap);
}
