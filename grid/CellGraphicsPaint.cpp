// The graphic of a cell as TVevIvizudEvar paints it: DrawCellText draws it last, after the text,
// borders, fixed-cell frames and tree lines, into the cell rectangle of that step.
//
// Placement: a graphic of GW x GH stands where its CellHAlign and CellVAlign put it (haBeforeText
// and haAfterText by the text's alignment and measured width); check boxes follow the text's
// alignment; a radio group takes the whole cell.
//
// Kinds: bitmaps (optionally over the cell's colour with their top-left pixel's colour left out),
// icons, images of GridImages (by index, by the cell's integer, a list of them), pictures and file
// pictures (own size or stretched), check boxes and radio groups in the seven ControlLook styles,
// node glyphs in the five CellNode types, push buttons (themed or classic, with a glyph), progress
// bars (themed, or the two-coloured bar with its percentage) and pies, the comment marker and
// rotated text. A cell whose text should be an integer (progress bars, images by number) and is
// none shows 0: painting never raises.
//
// Check boxes by style: csClassic and csFlat the platform's check box of CheckSize centred in the
// box; csWinXP and csVell the bitmaps "VZGCHK05".."08" and "VZGCHK01".."04"; csGlyph the look's
// own glyphs; csCorvane a drawn box and tick; csTheme the visual style's check box (nothing while
// the grid is not themed). Radio items likewise ("VZGRAD05".."08", "VZGRAD01".."04", a drawn
// diamond for csCorvane).
#include "grid/AdvancedGrid.h"

#include "grid/DrawUtils.h"
#include "grid/FilePicture.h"
#include "grid/GridError.h"
#include "grid/VisualStyles.h"

#include <QPainter>
#include <cmath>

namespace {

// The top and bottom of a graphic gh high by its vertical alignment in r.
std::pair<int, int> VerticalPlace(const TRect& r, TCellVAlign align, int gh) {
    switch (align) {
    case TCellVAlign::vaBottom:
        return {r.Bottom - 1 - gh, r.Bottom - 1};
    case TCellVAlign::vaCenter: {
        const int y = gh < r.Height() ? r.Top + (r.Height() - gh) / 2 : r.Top + 1;
        return {y, y + gh};
    }
    case TCellVAlign::vaUnderText:
        return {r.Bottom - gh, r.Bottom};
    case TCellVAlign::vaFull:
        return {r.Top, r.Bottom};
    case TCellVAlign::vaTop:
    case TCellVAlign::vaAboveText:
        break;
    }
    return {r.Top + 1, r.Top + 1 + gh};
}

// A colour kept in a graphic's object or icon slot (a progress bar's); 0 when the slot is empty.
TColor SlotColor(const TColor* color) {
    return color ? *color : 0;
}

// The bitmap on a w x h background of the colour, its top-left pixel's colour replaced by it.
TBitmap OverBackground(const TBitmap& bitmap, TColor background, int width, int height) {
    QImage work(std::max(width, 1), std::max(height, 1), QImage::Format_RGB32);
    work.fill(ToQColor(ColorToRGB(background)));
    const QImage source = bitmap.Image().convertToFormat(QImage::Format_RGB32);
    const QRgb transparent = source.pixel(0, 0);
    for (int y = 0; y < std::min(source.height(), work.height()); ++y)
        for (int x = 0; x < std::min(source.width(), work.width()); ++x)
            if (source.pixel(x, y) != transparent) work.setPixel(x, y, source.pixel(x, y));
    return TBitmap(work);
}

// The integer a cell holds; a text that is no integer counts as 0 (a painting never raises).
int CellInteger(TVevIvizudEvar& grid, int col, int row) {
    try {
        return grid.Ints(col, row);
    } catch (const EVozAvozError&) {
        return 0;
    }
}

// Index 0..3 of the four pictures of a check box or radio item: on enabled, off enabled, on
// disabled, off disabled.
int StateIndex(bool on, bool enabled) {
    return (on ? 0 : 1) + (enabled ? 0 : 2);
}

} // namespace

TCellGraphic* TVevIvizudEvar::GetCellGraphicSize(int col, int row, TCellVAlign& vAlign, TCellHAlign& hAlign,
                                                 bool& showText, int& height, int& width) {
    width = height = 0;
    showText = true;
    hAlign = TCellHAlign::haLeft;
    vAlign = TCellVAlign::vaTop;
    TCellGraphic* graphic = GetCellGraphic(col, row);
    if (!graphic) return nullptr;
    const auto size = [&](const TBitmap* picture) {
        if (picture) width = picture->Width(), height = picture->Height();
    };
    switch (graphic->CellType) {
    case TCellType::ctBitmap:
        size(graphic->Object<TBitmap>());
        break;
    case TCellType::ctIcon:
        size(graphic->Icon<TBitmap>());
        break;
    case TCellType::ctDataImage:
        showText = false;
        [[fallthrough]];
    case TCellType::ctImageList:
        if (GridImages) width = GridImages->Width(), height = GridImages->Height();
        break;
    case TCellType::ctCheckBox:
        width = height = ControlLook.CheckSize;
        break;
    case TCellType::ctDataCheckBox:
    case TCellType::ctVirtCheckBox:
        width = height = ControlLook.CheckSize;
        showText = false;
        break;
    case TCellType::ctRotated:
    case TCellType::ctRadio:
    case TCellType::ctProgress:
        showText = false;
        break;
    case TCellType::ctImages:
        if (const TIntList* images = graphic->Object<TIntList>(); images && GridImages) {
            const int n = images->Count();
            width = graphic->CellBoolean ? n * GridImages->Width() : GridImages->Width();
            height = graphic->CellBoolean ? GridImages->Height() : n * GridImages->Height();
        }
        break;
    case TCellType::ctPicture:
    case TCellType::ctFilePicture: {
        const TRect cell = UnclippedCellRect(RealToDisplCol(col), row);
        const TPoint fitted = GetPictureSize(col, row, cell.Width(), cell.Height());
        width = fitted.X, height = fitted.Y;
        break;
    }
    case TCellType::ctButton:
    case TCellType::ctBitButton:
        width = graphic->CellIndex & 0xFFFF;
        height = (graphic->CellIndex >> 16) & 0xFFFF;
        break;
    case TCellType::ctProgressPie:
        width = height = 20;
        break;
    default:
        break;
    }
    hAlign = graphic->CellHAlign;
    vAlign = graphic->CellVAlign;
    return graphic;
}

TRect TVevIvizudEvar::GraphicPlacement(const TRect& r, TCellHAlign cellHAlign, TCellVAlign cellVAlign,
                                       TAlignment hAlign, int gw, int gh, int textWidth) {
    int x = r.Left + 1;
    std::optional<int> x2;
    switch (cellHAlign) {
    case TCellHAlign::haLeft:
        break;
    case TCellHAlign::haRight:
        x2 = r.Right - 1;
        x = *x2 - gw;
        break;
    case TCellHAlign::haCenter:
        if (gw < r.Width()) x = r.Left + (r.Width() - gw) / 2;
        break;
    case TCellHAlign::haBeforeText:
        if (hAlign != TAlignment::taLeftJustify) {
            // The right edge stays where the text starts, also when the left edge is raised.
            x = r.Right - textWidth - gw;
            x2 = x + gw;
            if (x < r.Left) x = r.Left + 1;
        }
        break;
    case TCellHAlign::haAfterText:
        if (hAlign == TAlignment::taRightJustify) {
            x2 = r.Right - 1;
            x = *x2 - gw;
        } else {
            x = r.Left + textWidth;
        }
        break;
    case TCellHAlign::haFull:
        x = r.Left;
        x2 = r.Right;
        break;
    }
    const auto [y, y2] = VerticalPlace(r, cellVAlign, gh);
    return {x, y, x2.value_or(x + gw), y2};
}

TRect TVevIvizudEvar::CheckBoxPlacement(const TRect& r, TCellType type, TCellVAlign cellVAlign,
                                        TAlignment hAlign, int gw, int gh, int textWidth) {
    const bool measured = textWidth > 0;
    const bool beside = type == TCellType::ctCheckBox; // the kind that shows its text
    int x = r.Left + 1;
    if (hAlign == TAlignment::taRightJustify)
        x = beside ? r.Right - textWidth - gw - 1 : r.Right - gw - 1;
    else if (hAlign == TAlignment::taCenter)
        x = beside && measured ? r.Left - gw + std::max(0, r.Right - textWidth - r.Left) / 2
                               : r.Left + std::max(0, r.Right - gw - r.Left) / 2;
    if (x < r.Left) x = r.Left + 1;
    const auto [y, y2] = VerticalPlace(r, cellVAlign, gh);
    return {x, y, x + gw, y2};
}

void TVevIvizudEvar::DrawCellGraphic(TCellPaint& p) {
    TCanvas& canvas = *p.Canvas;
    TCellGraphic& g = *p.Graphic;
    const TPen savedPen = canvas.Pen();
    const TBrush savedBrush = canvas.Brush();
    const TColor savedFont = canvas.Font().Color();
    const TBkMode savedMode = canvas.BkMode();
    // The text's room: its measured width + 2 (+ 2 more), 0 when it was not measured.
    if (p.TextWidth > 0) p.TextWidth += 2;
    const TRect placed = GraphicPlacement(p.R, g.CellHAlign, g.CellVAlign, p.HAlign, p.GW, p.GH, p.TextWidth);
    const int x = placed.Left, y = placed.Top;
    switch (g.CellType) {
    case TCellType::ctBitmap:
        if (const TBitmap* bitmap = g.Object<TBitmap>(); bitmap && !bitmap->Empty()) {
            if (!g.CellTransparent) {
                canvas.Draw(x, y, *bitmap);
                break;
            }
            // Over the selection colour where the cell shows selected without the focus.
            const bool selected = p.State.Contains(gdSelected) ||
                                  (RowSelectFlag(p.SelRow) && TBaseGrid::Options().Contains(goRowSelect) &&
                                   p.RealCol >= TBaseGrid::FixedCols());
            const TColor background =
                selected && !p.State.Contains(gdFocused) ? selectionColor_ : canvas.Brush().Color();
            canvas.StretchDraw(placed, OverBackground(*bitmap, background, p.GW, p.GH));
        }
        break;
    case TCellType::ctIcon:
        if (const TBitmap* icon = g.Icon<TBitmap>()) canvas.Draw(x, y, *icon);
        break;
    case TCellType::ctImageList:
        if (GridImages) canvas.Draw(x, y, GridImages->Image(g.CellIndex));
        break;
    case TCellType::ctDataImage:
        if (GridImages) {
            const int index = CellInteger(*this, p.RealCol, p.Row);
            if (g.CellIndex + index < GridImages->Count())
                canvas.Draw(x, y, GridImages->Image(index + g.CellIndex));
        }
        break;
    case TCellType::ctImages:
        if (const TIntList* images = g.Object<TIntList>(); images && GridImages) {
            int ix = x, iy = y;
            for (int i = 0; i < images->Count(); ++i) {
                canvas.Draw(ix, iy, GridImages->Image(images->Item(i)));
                if (g.CellBoolean)
                    ix += GridImages->Width();
                else
                    iy += GridImages->Height();
            }
        }
        break;
    case TCellType::ctPicture:
        if (const TBitmap* picture = g.Object<TBitmap>()) {
            if (g.CellAngle == 0)
                canvas.Draw(x, y, *picture);
            else
                canvas.StretchDraw(placed, *picture);
        }
        break;
    case TCellType::ctFilePicture:
        if (const TFilePicture* picture = g.Object<TFilePicture>()) picture->Draw(canvas, placed);
        break;
    case TCellType::ctCheckBox:
    case TCellType::ctDataCheckBox:
    case TCellType::ctVirtCheckBox: {
        const TRect box = CheckBoxPlacement(p.R, g.CellType, g.CellVAlign, p.HAlign, p.GW, p.GH, p.TextWidth);
        const bool enabled = CanEditCell(p.RealCol, p.Row, true);
        const bool checked = g.CellType == TCellType::ctCheckBox
                                 ? g.CellBoolean
                                 : GetGridCells(p.RealCol, p.Row) == GetCheckTrue(p.RealCol, p.Row);
        DrawCheck(canvas, box, checked, enabled, ControlLook.ControlStyle);
        break;
    }
    case TCellType::ctRadio: {
        const bool enabled = CanEditCell(p.RealCol, p.Row, true);
        const QStringList* items = GetRadioItems(p.RealCol, p.Row);
        DrawRadioGroup(p, p.R, items ? int(items->size()) : 0, g.CellIndex, g.Object<QStringList>(), !enabled,
                       g.CellBoolean, ControlLook.ControlStyle);
        break;
    }
    case TCellType::ctRotated:
        DrawRotatedText(p, g);
        break;
    case TCellType::ctNode:
        DrawNodeGlyph(p, g);
        break;
    case TCellType::ctComment:
        if (IsColorSet(CommentColor)) {
            canvas.Pen().SetColor(CommentColor);
            canvas.Brush().SetColor(CommentColor);
            canvas.Brush().SetStyle(TBrushStyle::bsSolid);
            canvas.Polygon(
                {{p.R.Right - 7, p.R.Top + 1}, {p.R.Right - 2, p.R.Top + 1}, {p.R.Right - 2, p.R.Top + 6}});
        }
        break;
    case TCellType::ctButton:
    case TCellType::ctBitButton:
        DrawCellButton(p, placed, g);
        break;
    case TCellType::ctProgress:
        DrawCellProgress(p, g);
        break;
    case TCellType::ctProgressPie:
        DrawProgressPie(canvas, {x, y, x + 20, y + 20}, SlotColor(g.Object<TColor>()), int(g.CellAngle));
        break;
    default:
        break;
    }
    canvas.Pen() = savedPen;
    canvas.Brush() = savedBrush;
    canvas.Font().SetColor(savedFont);
    canvas.SetBkMode(savedMode);
}

void TVevIvizudEvar::DrawCheck(TCanvas& canvas, const TRect& box, bool checked, bool enabled,
                               TControlStyle style) {
    if (ControlLook.NoDisabledCheckRadioLook) enabled = true;
    const TPen savedPen = canvas.Pen();
    const TBrush savedBrush = canvas.Brush();
    const int size = ControlLook.CheckSize;
    switch (style) {
    case TControlStyle::csClassic:
    case TControlStyle::csFlat: {
        unsigned state = DFCS_BUTTONCHECK;
        if (checked) state |= DFCS_CHECKED;
        if (style == TControlStyle::csFlat) state |= DFCS_FLAT;
        if (!enabled) state |= DFCS_INACTIVE;
        canvas.DrawFrameControl(
            Bounds(box.Left + (box.Width() - size) / 2, box.Top + (box.Height() - size) / 2, size, size),
            DFC_BUTTON, state);
        break;
    }
    case TControlStyle::csWinXP:
    case TControlStyle::csVell: {
        const int first = style == TControlStyle::csWinXP ? 5 : 1;
        DrawResourceBitmap(canvas, canvas.Brush().Color(), box,
                           QStringLiteral("VZGCHK0%1").arg(first + StateIndex(checked, enabled)));
        break;
    }
    case TControlStyle::csGlyph:
        DrawBitmapTransparent(canvas, checked ? ControlLook.CheckedGlyph : ControlLook.UnCheckedGlyph,
                              canvas.Brush().Color(), box);
        break;
    case TControlStyle::csCorvane: {
        canvas.Brush().SetColor(enabled ? clBtnFace : clBtnShadow);
        canvas.Brush().SetStyle(TBrushStyle::bsSolid);
        canvas.Pen().SetColor(clBtnFace);
        canvas.Pen().SetWidth(1);
        canvas.Rectangle(box);
        canvas.Pen().SetColor(clBtnHighlight);
        canvas.MoveTo(box.Left, box.Bottom);
        canvas.LineTo(box.Left, box.Top);
        canvas.LineTo(box.Right, box.Top);
        canvas.Pen().SetColor(clBtnShadow);
        canvas.LineTo(box.Right, box.Bottom);
        canvas.LineTo(box.Left, box.Bottom);
        if (!checked) break;
        canvas.Pen().SetColor(enabled ? TColor(ControlLook.Color) : clGray);
        const int t = box.Top - 1, b = box.Bottom - 1, l = box.Left, rt = box.Right, h = size / 2;
        const TPoint tick[4][2] = {{{l + 2, t + h + 1}, {l + 2, b - 1}},
                                   {{l + 3, t + h}, {l + 3, b - 2}},
                                   {{l + 2, b - 1}, {rt - 2, t + 3}},
                                   {{l + 3, b - 1}, {rt - 1, t + 3}}};
        for (const auto& line : tick) {
            canvas.MoveTo(line[0].X, line[0].Y);
            canvas.LineTo(line[1].X, line[1].Y);
        }
        break;
    }
    case TControlStyle::csTheme:
        if (xpFlag_)
            DrawThemeBackground(canvas, TThemeClass::Button, 3,
                                checked ? (enabled ? 5 : 8) : (enabled ? 1 : 4),
                                Bounds(box.Left, box.Top, size, size));
        break;
    }
    canvas.Pen() = savedPen;
    canvas.Brush() = savedBrush;
}

void TVevIvizudEvar::DrawRadioGroup(TCellPaint& p, const TRect& r, int count, int index,
                                    const QStringList* items, bool disabled, bool horizontal,
                                    TControlStyle style) {
    TCanvas& canvas = *p.Canvas;
    if (ControlLook.NoDisabledCheckRadioLook) disabled = false;
    canvas.SetBkMode(TBkMode::Transparent);
    const bool classic = style == TControlStyle::csClassic || style == TControlStyle::csFlat;
    const int z = classic ? ControlLook.RadioSize : 16;
    const int textHeight = canvas.TextHeight(QStringLiteral("gh"));
    const int lineHeight = classic ? textHeight : std::max(16, textHeight);
    const int textGap = classic ? z + 4 : 18; // from an item's left edge to its text, one under another
    int offset = 0;
    for (int i = 1; i <= count; ++i) {
        const QString s = items && i <= items->size() ? items->at(i - 1) : QString();
        if (items && p.State.Contains(gdSelected) && showSelection_)
            canvas.Font().SetColor(selectionTextColor_);
        const bool checked = i - 1 == index || (index == -1 && s == GetGridCells(p.RealCol, p.Row));
        int x, y, textX;
        if (horizontal) {
            x = r.Left + 2 + offset + (i - 1) * z;
            y = r.Top + (r.Height() - z) / 2;
            textX = x + z;
        } else {
            x = r.Left + 2;
            y = r.Top + 2 + (i - 1) * lineHeight;
            textX = x + textGap;
            if (s.isEmpty()) x = r.Left + (r.Width() - z) / 2;
        }
        if (!s.isEmpty()) {
            canvas.TextOut(textX, y - 2, s);
            if (horizontal) offset += canvas.TextWidth(s);
        }
        switch (style) {
        case TControlStyle::csClassic:
        case TControlStyle::csFlat: {
            const int grow = style == TControlStyle::csFlat ? 2 : 0;
            unsigned state = DFCS_BUTTONRADIO;
            if (style == TControlStyle::csFlat) state |= DFCS_FLAT;
            if (disabled) state |= DFCS_INACTIVE;
            if (checked) state |= DFCS_CHECKED;
            canvas.DrawFrameControl({x, y, x + z + grow, y + z + grow}, DFC_BUTTON, state);
            break;
        }
        case TControlStyle::csWinXP:
        case TControlStyle::csVell: {
            const int first = style == TControlStyle::csWinXP ? 5 : 1;
            DrawResourceBitmap(canvas, canvas.Brush().Color(), Bounds(x, y, 16, 16),
                               QStringLiteral("VZGRAD0%1").arg(first + StateIndex(checked, !disabled)));
            break;
        }
        case TControlStyle::csGlyph:
            DrawBitmapTransparent(canvas, checked ? ControlLook.RadioOnGlyph : ControlLook.RadioOffGlyph,
                                  canvas.Brush().Color(), Bounds(x, y, 16, 16));
            break;
        case TControlStyle::csCorvane: {
            const TBrush savedBrush = canvas.Brush();
            canvas.Brush().SetColor(clBtnFace);
            canvas.Brush().SetStyle(TBrushStyle::bsSolid);
            canvas.Pen().SetColor(clBtnFace);
            canvas.Pen().SetWidth(1);
            canvas.Polygon({{x + 2, y + 8}, {x + 8, y + 2}, {x + 14, y + 8}, {x + 8, y + 14}});
            canvas.Pen().SetColor(checked ? clGray : clWhite);
            canvas.MoveTo(x + 8, y + 14);
            canvas.LineTo(x + 2, y + 8);
            canvas.LineTo(x + 8, y + 2);
            canvas.Pen().SetColor(checked ? clWhite : clGray);
            canvas.LineTo(x + 14, y + 8);
            canvas.LineTo(x + 8, y + 14);
            if (checked) {
                canvas.Brush().SetColor(ControlLook.Color);
                canvas.Pen().SetColor(ControlLook.Color);
                canvas.Polygon({{x + 6, y + 8}, {x + 8, y + 6}, {x + 10, y + 8}, {x + 8, y + 10}});
            }
            canvas.Brush() = savedBrush;
            break;
        }
        case TControlStyle::csTheme:
            if (xpFlag_)
                DrawThemeBackground(canvas, TThemeClass::Button, 2,
                                    checked ? (disabled ? 8 : 5) : (disabled ? 4 : 1),
                                    {x, y, x + 16, y + 16});
            break;
        }
    }
}

void TVevIvizudEvar::DrawNodeGlyph(TCellPaint& p, const TCellGraphic& node) {
    TCanvas& canvas = *p.Canvas;
    const int indent = CellNode.NodeIndent();
    const bool contracted = node.CellBoolean;
    TRect nr = p.R;
    nr.Left = GetNodeIndent(p.Row) - indent;
    if (CellNode.ShowTree() && p.Row >= TBaseGrid::FixedRows() && !contracted) {
        // The line down to the children of an expanded node.
        canvas.Pen().SetColor(CellNode.TreeColor());
        canvas.Pen().SetWidth(1);
        if (p.RealCol < TBaseGrid::FixedCols()) nr.Left -= 1;
        canvas.MoveTo(nr.Left + indent / 2, nr.Top + 6);
        canvas.LineTo(nr.Left + indent / 2, nr.Bottom);
    }
    const TNodeType type = CellNode.NodeType();
    if (type == TNodeType::cn3D) {
        canvas.Brush().SetColor(CellNode.Color);
        canvas.Brush().SetStyle(TBrushStyle::bsSolid);
        canvas.Rectangle(nr);
        canvas.Pen().SetWidth(1);
        canvas.Pen().SetColor(clWhite);
        canvas.MoveTo(nr.Left, nr.Bottom - 1);
        canvas.LineTo(nr.Left, nr.Top);
        canvas.LineTo(nr.Right - 1, nr.Top);
        canvas.Pen().SetColor(clGray);
        canvas.LineTo(nr.Right - 1, nr.Bottom - 1);
        canvas.LineTo(nr.Left - 1, nr.Bottom - 1);
        nr = nr.Inflated(-1, -1);
    }
    if (type == TNodeType::cnLeaf) {
        nr.Top += 2;
        DrawResourceBitmap(canvas, canvas.Brush().Color(), nr,
                           contracted ? QStringLiteral("VZGLEAFCLOSE") : QStringLiteral("VZGLEAFOPEN"));
        return;
    }
    if (type == TNodeType::cnXP) {
        nr.Left += 4;
        nr.Top += 6;
        DrawResourceBitmap(canvas, canvas.Brush().Color(), nr,
                           contracted ? QStringLiteral("XPNODEC") : QStringLiteral("XPNODEO"));
        return;
    }
    if (type == TNodeType::cnGlyph && !CellNode.ExpandGlyph.Empty() && !CellNode.ContractGlyph.Empty()) {
        DrawBitmapTransparent(canvas, contracted ? CellNode.ContractGlyph : CellNode.ExpandGlyph,
                              canvas.Brush().Color(), nr);
        return;
    }
    // An 8 x 8 box in the middle of the row, 4 pixels from the node's left edge.
    canvas.Brush().SetColor(CellNode.Color);
    canvas.Brush().SetStyle(TBrushStyle::bsSolid);
    nr.Left += 4;
    nr.Right = nr.Left + 8;
    nr.Top += std::max(0, nr.Height() - 8) / 2;
    nr.Bottom = nr.Top + 8;
    if (type == TNodeType::cnFlat) {
        canvas.Pen().SetColor(CellNode.NodeColor);
        canvas.Pen().SetWidth(1);
        canvas.Rectangle(nr.Left - 1, nr.Top - 1, nr.Right + 1, nr.Bottom + 1);
        canvas.MoveTo(nr.Left + 1, nr.Top + 3);
        canvas.LineTo(nr.Left + 6, nr.Top + 3);
        if (contracted) {
            canvas.MoveTo(nr.Left + 3, nr.Top + 1);
            canvas.LineTo(nr.Left + 3, nr.Top + 6);
        }
        return;
    }
    canvas.DrawEdge(nr, contracted ? EDGE_RAISED : EDGE_SUNKEN, BF_RECT | BF_SOFT);
}

void TVevIvizudEvar::DrawCellButton(TCellPaint& p, const TRect& placed, TCellGraphic& button) {
    TCanvas& canvas = *p.Canvas;
    // The button's offset in the cell, for the mouse handling (GetButtonRect).
    button.CellValue = (placed.Left - p.R.Left) + (placed.Top - p.R.Top) * 65536.0;
    TRect b = placed;
    const int shrink = button.CellBoolean ? 3 : 2;
    if (xpFlag_) {
        if (VisualStyles::IsThemeActive()) {
            DrawThemeBackground(canvas, TThemeClass::Button, 1, button.CellBoolean ? 3 : 1, b);
            b = b.Inflated(-shrink, -shrink);
        }
    } else {
        unsigned state = DFCS_BUTTONPUSH;
        if (ControlLook.FlatButton) state |= DFCS_FLAT;
        if (button.CellBoolean) state |= DFCS_PUSHED;
        canvas.DrawFrameControl(b, DFC_BUTTON, state);
        b = b.Inflated(-shrink, -shrink);
    }
    if (button.CellType == TCellType::ctBitButton)
        if (const TBitmap* glyph = button.Object<TBitmap>(); glyph && !glyph->Empty()) {
            DrawBitmapTransparent(canvas, *glyph, clBtnFace, b);
            b.Left += glyph->Width() + 2;
        }
    canvas.SetBkMode(TBkMode::Transparent);
    canvas.DrawText(button.CellText, b, DT_CENTER | DT_VCENTER | DT_END_ELLIPSIS);
}

void TVevIvizudEvar::DrawCellProgress(TCellPaint& p, const TCellGraphic& progress) {
    TCanvas& canvas = *p.Canvas;
    const int value = CellInteger(*this, p.RealCol, p.Row);
    const TControlStyle style = ControlLook.ControlStyle;
    const int marginX = ControlLook.ProgressMarginX, marginY = ControlLook.ProgressMarginY;
    const TColor bar = SlotColor(progress.Object<TColor>()), rest = SlotColor(progress.Icon<TColor>());
    if ((style == TControlStyle::csWinXP || style == TControlStyle::csTheme) && xpFlag_ &&
        ControlLook.ProgressXP) {
        TRect r = p.R.Inflated(-marginX, -marginY);
        DrawThemeBackground(canvas, TThemeClass::Progress, 1, 0, r);
        r = r.Inflated(-2, -2);
        TRect chunk = r;
        chunk.Right = r.Left + int(std::lround(std::clamp(value, 0, 100) * r.Width() / 100.0));
        DrawThemeBackground(canvas, TThemeClass::Progress, 3, 1, chunk);
        return;
    }
    TProgressColors colors;
    colors.Color = bar;
    colors.BkColor = rest;
    if (progress.CellBoolean) {
        colors.TextColor = TColor(progress.CellIndex);
        colors.BkTextColor = TColor(progress.CellAngle);
    } else {
        // Each text in the inverse of the colour under it.
        colors.TextColor = ColorToRGB(bar) ^ 0xFFFFFF;
        colors.BkTextColor = ColorToRGB(rest) ^ 0xFFFFFF;
    }
    DrawProgressBar(canvas, p.R.Inflated(-2, -2), marginX, marginY, value, colors);
}

void TVevIvizudEvar::DrawRotatedText(TCellPaint& p, const TCellGraphic& rotated) {
    TCanvas& canvas = *p.Canvas;
    const QString text = GetGridCells(p.RealCol, p.Row);
    TRect origin = p.R;
    RotatedTextOrigin(origin, rotated.CellAngle, p.HAlign, p.VAlign, text);
    const TFont savedFont = canvas.Font();
    canvas.Font().SetOrientation(rotated.CellAngle * 10);
    const TRect clip = p.R.Inflated(-2, -2);
    canvas.Brush().SetStyle(TBrushStyle::bsClear);
    canvas.TextRect(clip, origin.Left, origin.Top, text);
    canvas.Font() = savedFont;
}
