// Cell graphics of TVevIvizudEvar: creating, finding and removing a cell's graphic, check boxes
// and radio groups, buttons, and the room a graphic takes (picture sizing and extents). Columns
// are real columns; a graphic is repainted at its display column.
#include "grid/AdvancedGrid.h"

#include "grid/FilePicture.h"

#include <cmath>

void TVevIvizudEvar::RepaintGraphic(int col, int row) {
    if (row >= 0 && row < RowCount() && !IsHiddenColumn(col)) RepaintCell(RealToDisplCol(col), row);
}

TCellGraphic* TVevIvizudEvar::CreateCellGraphic(int col, int row) {
    if (GetCellType(col, row) == TCellType::ctNode && col == 0) --nodeCount_;
    // The cell keeps its (empty) text: the store needs no placeholder text to hold an object.
    auto graphic = std::make_unique<TCellGraphic>();
    TCellGraphic* result = graphic.get();
    SetCellGraphicObject(col, row, std::move(graphic));
    RepaintGraphic(col, row);
    return result;
}

void TVevIvizudEvar::ShareCellGraphic(int col, int row, TCellGraphic* graphic) {
    if (GetCellType(col, row) == TCellType::ctNode && col == 0) --nodeCount_;
    GetCellProperties(col, row)->CellGraphic.Share(graphic);
    RepaintGraphic(col, row);
}

bool TVevIvizudEvar::RemoveCellGraphic(int col, int row) {
    TCellProperties* p = CellProperties(col, row);
    if (!p || !p->CellGraphic) return false;
    if (p->CellGraphic->CellType == TCellType::ctNode && col == 0) --nodeCount_;
    // An owned graphic is destroyed here; a shared one (a virtual check box) stays with its owner.
    p->CellGraphic.reset();
    RepaintGraphic(col, row);
    return true;
}

bool TVevIvizudEvar::RemoveCellGraphicOfType(int col, int row, TCellType type) {
    return GetCellType(col, row) == type && RemoveCellGraphic(col, row);
}

TIntList* TVevIvizudEvar::GetCellImages(int col, int row) const {
    const TCellGraphic* graphic = GetCellGraphic(col, row);
    return graphic && graphic->CellType == TCellType::ctImages ? graphic->Object<TIntList>() : nullptr;
}

TVevIvizudEvar::TCellGraphicData TVevIvizudEvar::GetCellGraphicData(int col, int row) const {
    TCellGraphicData data;
    const TCellGraphic* graphic = GetCellGraphic(col, row);
    if (!graphic) return data;
    switch (graphic->CellType) {
    case TCellType::ctBitmap:
        data.Bitmap = graphic->Object<TBitmap>();
        break;
    case TCellType::ctIcon:
        data.Bitmap = graphic->Icon<TBitmap>();
        break;
    case TCellType::ctImageList:
        data.Index = graphic->CellIndex;
        break;
    default:
        break;
    }
    return data;
}

bool TVevIvizudEvar::GetCommentText(int col, int row, QString& text) const {
    const TCellGraphic* graphic = GetCellGraphic(col, row);
    if (!graphic || graphic->CellType != TCellType::ctComment) return false;
    text = graphic->CellText;
    return true;
}

void TVevIvizudEvar::GetErrRange(int col, int row, int& from, int& length) const {
    const TCellGraphic* graphic = GetCellGraphic(col, row);
    from = graphic ? graphic->CellErrFrom : 0;
    length = graphic ? graphic->CellErrLen : 0;
}

bool TVevIvizudEvar::GetRotation(int col, int row, int& angle) const {
    const TCellGraphic* graphic = GetCellGraphic(col, row);
    if (!graphic || graphic->CellType != TCellType::ctRotated) return false;
    angle = graphic->CellAngle;
    return true;
}

void TVevIvizudEvar::SetGraphicBoolean(int col, int row, bool value) {
    TCellGraphic* graphic = GetCellGraphic(col, row);
    if (!graphic) return;
    graphic->CellBoolean = value;
    RepaintGraphic(col, row);
}

bool TVevIvizudEvar::IsButtonCell(int col, int row) const {
    const TGridCoord base = BaseCell(col, row);
    const TCellType type = GetCellType(base.X, base.Y);
    return type == TCellType::ctButton || type == TCellType::ctBitButton;
}

void TVevIvizudEvar::GetButtonRect(int col, int row, TRect& rect) const {
    const TCellGraphic* graphic = GetCellGraphic(col, row);
    const TRect cell = CellRectEx(RealToDisplCol(col), row);
    if (!graphic) {
        rect = {};
        return;
    }
    const int offset = int(graphic->CellValue);
    const int x = offset & 0xFFFF, y = (offset >> 16) & 0xFFFF;
    const int w = graphic->CellIndex & 0xFFFF, h = (graphic->CellIndex >> 16) & 0xFFFF;
    rect = Bounds(cell.Left + x, cell.Top + y, w, h);
    if (graphic->CellVAlign == TCellVAlign::vaFull) rect.Top = cell.Top, rect.Bottom = cell.Bottom;
    if (graphic->CellHAlign == TCellHAlign::haFull) rect.Left = cell.Left, rect.Right = cell.Right;
}

// Stretch modes: 1 fills the area; 2 scales to the area keeping the aspect ratio; 3 keeps the
// natural size when it fits, else takes the area; 4 keeps the natural size when it fits, else
// scales down keeping the aspect ratio; any other mode keeps the natural size. The area first
// loses the margin in each dimension (never below nothing).
TPoint TVevIvizudEvar::FitPicture(int width, int height, int areaWidth, int areaHeight, int margin,
                                  int mode) {
    const int w = std::max(areaWidth - margin, 0), h = std::max(areaHeight - margin, 0);
    const bool fits = width <= w && height <= h;
    auto scaled = [&](bool capped) {
        double fx = width > 0 ? double(w) / width : 1, fy = height > 0 ? double(h) / height : 1;
        double factor = std::min(fx, fy);
        if (capped) factor = std::min(factor, 1.0);
        return TPoint{int(std::lround(width * factor)), int(std::lround(height * factor))};
    };
    switch (mode) {
    case 1:
        return {w, h};
    case 2:
        return scaled(false);
    case 3:
        return fits ? TPoint{width, height} : TPoint{w, h};
    case 4:
        return fits ? TPoint{width, height} : scaled(true);
    default:
        return {width, height};
    }
}

TPoint TVevIvizudEvar::GetPictureSize(int col, int row, int areaWidth, int areaHeight) const {
    const TCellGraphic* graphic = GetCellGraphic(col, row);
    if (!graphic) return {0, 0};
    int width = 0, height = 0;
    if (graphic->CellType == TCellType::ctPicture) {
        const TBitmap* picture = graphic->Object<TBitmap>();
        if (!picture) return {0, 0};
        width = picture->Width(), height = picture->Height();
    } else if (graphic->CellType == TCellType::ctFilePicture) {
        const TFilePicture* picture = graphic->Object<TFilePicture>();
        if (!picture) return {0, 0};
        width = picture->Width(), height = picture->Height();
    } else {
        return {0, 0};
    }
    return FitPicture(width, height, areaWidth, areaHeight, graphic->CellIndex, graphic->CellAngle & 0xFF);
}

namespace {

// Room of a graphic that stands beside or alone: its width counts only when it is placed before or
// after the text, or the cell has no text.
TPoint BesideText(const TCellGraphic& graphic, int width, int height, bool emptyText) {
    const bool beside = graphic.CellHAlign == TCellHAlign::haBeforeText ||
                        graphic.CellHAlign == TCellHAlign::haAfterText || emptyText;
    return {beside ? width : 0, height};
}

// The room the cell's graphic takes; fillCell lets a graphic placed over the whole cell take the
// cell's width or height (on screen, not when printing).
TPoint GraphicExtent(TVevIvizudEvar& grid, int col, int row, bool fillCell) {
    const TCellGraphic* graphic = grid.GetCellGraphic(col, row);
    if (!graphic) return {0, 0};
    const bool emptyText = grid.GetGridCells(col, row).isEmpty();
    const int displayCol = grid.RealToDisplCol(col);
    const TRect cell = grid.CellRectEx(displayCol, row);
    const int cellW = cell.IsEmpty() ? grid.ColWidths(displayCol) : cell.Width();
    const int cellH = cell.IsEmpty() ? grid.RowHeights(row) : cell.Height();
    TPoint extent{0, 0};
    switch (graphic->CellType) {
    case TCellType::ctBitmap:
    case TCellType::ctIcon: {
        const TBitmap* picture =
            graphic->CellType == TCellType::ctBitmap ? graphic->Object<TBitmap>() : graphic->Icon<TBitmap>();
        if (picture) extent = BesideText(*graphic, picture->Width(), picture->Height(), emptyText);
        break;
    }
    case TCellType::ctImageList:
    case TCellType::ctDataImage:
        if (grid.GridImages)
            extent = BesideText(*graphic, grid.GridImages->Width(), grid.GridImages->Height(), emptyText);
        break;
    case TCellType::ctCheckBox:
    case TCellType::ctDataCheckBox:
    case TCellType::ctVirtCheckBox:
        extent = {grid.ControlLook.CheckSize, grid.ControlLook.CheckSize};
        break;
    case TCellType::ctRadio: {
        const QStringList* items = graphic->Object<QStringList>();
        const int lineHeight = grid.Canvas().TextHeight(QStringLiteral("gh"));
        const int count = items ? int(items->size()) : 0;
        if (graphic->CellBoolean) {
            for (int i = 0; i < count; ++i) extent.X += grid.Canvas().TextWidth(items->at(i)) + 12;
            extent.Y = lineHeight;
        } else {
            extent.X = 12;
            for (int i = 0; i < count; ++i)
                extent.X = std::max(extent.X, grid.Canvas().TextWidth(items->at(i)) + 12);
            extent.Y = lineHeight * count;
        }
        break;
    }
    case TCellType::ctImages: {
        const TIntList* images = graphic->Object<TIntList>();
        if (grid.GridImages && images) {
            const int n = images->Count(), w = grid.GridImages->Width(), h = grid.GridImages->Height();
            extent = graphic->CellBoolean ? TPoint{n * w, h} : TPoint{w, n * h};
        }
        break;
    }
    case TCellType::ctPicture:
    case TCellType::ctFilePicture:
        extent = grid.GetPictureSize(col, row, cellW, cellH);
        break;
    case TCellType::ctButton:
    case TCellType::ctBitButton:
        extent = {graphic->CellIndex & 0xFFFF, (graphic->CellIndex >> 16) & 0xFFFF};
        break;
    case TCellType::ctProgressPie:
        extent = {20, 20};
        break;
    default:
        break;
    }
    if (fillCell && graphic->CellVAlign == TCellVAlign::vaFull) extent.Y = cellH;
    if (fillCell && graphic->CellHAlign == TCellHAlign::haFull) extent.X = cellW;
    return extent;
}

} // namespace

TPoint TVevIvizudEvar::GetCellGraphicExtent(int col, int row) {
    return GraphicExtent(*this, col, row, true);
}

// The printed room: a bitmap or icon always counts its width, pictures are fitted into the given
// rectangle and scaled.
TPoint TVevIvizudEvar::GetCellGraphicPrintExtent(int col, int row, const TRect& rect, double scale) {
    const TCellGraphic* graphic = GetCellGraphic(col, row);
    if (!graphic) return {0, 0};
    switch (graphic->CellType) {
    case TCellType::ctBitmap:
    case TCellType::ctIcon: {
        const TBitmap* picture =
            graphic->CellType == TCellType::ctBitmap ? graphic->Object<TBitmap>() : graphic->Icon<TBitmap>();
        return picture ? TPoint{picture->Width(), picture->Height()} : TPoint{0, 0};
    }
    case TCellType::ctPicture:
    case TCellType::ctFilePicture: {
        const TPoint fitted = GetPictureSize(col, row, rect.Width(), rect.Height());
        return {int(std::lround(fitted.X * scale)), int(std::lround(fitted.Y * scale))};
    }
    default:
        return GraphicExtent(*this, col, row, false);
    }
}

// ---- Check boxes and radio groups ------------------------------------------------------------------

bool TVevIvizudEvar::HasCheckBox(int col, int row) const {
    const TGridCoord base = BaseCell(col, row);
    return IsCheckBoxGraphic(GetCellType(base.X, base.Y));
}

bool TVevIvizudEvar::GetCheckBoxState(int col, int row, bool& state) {
    const TCellGraphic* graphic = GetCellGraphic(col, row);
    if (!graphic || !IsCheckBoxGraphic(graphic->CellType)) return false;
    state = graphic->CellType == TCellType::ctCheckBox ? graphic->CellBoolean
                                                       : GetGridCells(col, row) == GetCheckTrue(col, row);
    return true;
}

bool TVevIvizudEvar::SetCheckBoxState(int col, int row, bool state) {
    TCellGraphic* graphic = GetCellGraphic(col, row);
    if (!graphic || !IsCheckBoxGraphic(graphic->CellType)) return false;
    if (graphic->CellType == TCellType::ctCheckBox) {
        graphic->CellBoolean = state;
        RepaintGraphic(col, row);
    } else {
        SetGridCells(col, row, state ? GetCheckTrue(col, row) : GetCheckFalse(col, row));
    }
    return true;
}

bool TVevIvizudEvar::ToggleCheckBox(int col, int row, bool requireEditable) {
    TCellGraphic* graphic = GetCellGraphic(col, row);
    if (!graphic || !IsCheckBoxGraphic(graphic->CellType)) return false;
    if (requireEditable && !CanEditCell(col, row, true)) return false;
    if (graphic->CellType == TCellType::ctCheckBox) {
        graphic->CellBoolean = !graphic->CellBoolean;
    } else {
        const QString on = GetCheckTrue(col, row);
        SetGridCells(col, row, GetGridCells(col, row) == on ? GetCheckFalse(col, row) : on);
    }
    RepaintGraphic(col, row);
    return true;
}

bool TVevIvizudEvar::IsCheckBoxHit(int col, int row, int x, int y) {
    if (!HasCheckBox(col, row)) return false;
    if (!MouseActions.PreciseCheckBoxCheck) return true;
    const TGridCoord base = BaseCell(col, row);
    const TCellGraphic* graphic = GetCellGraphic(base.X, base.Y);
    const TRect cell = CellRectEx(RealToDisplCol(col), row);
    const int size = ControlLook.CheckSize;
    int top = cell.Top + (cell.Height() - size) / 2;
    if (graphic && graphic->CellVAlign == TCellVAlign::vaTop) top = cell.Top + 2;
    if (graphic && graphic->CellVAlign == TCellVAlign::vaBottom) top = cell.Bottom - 2 - size;
    TAlignment hAlign = TAlignment::taLeftJustify;
    TVAlignment vAlign = TVAlignment::vtaTop;
    CalcCellAlignment(base.X, base.Y, hAlign, vAlign);
    int left = cell.Left + 2;
    if (hAlign == TAlignment::taRightJustify) left = cell.Right - 2 - size;
    if (hAlign == TAlignment::taCenter) left = cell.Left + (cell.Width() - size) / 2;
    return x >= left && x < left + size && y >= top && y < top + size;
}

bool TVevIvizudEvar::GetRadioIndex(int col, int row, int& index) const {
    const TCellGraphic* graphic = GetCellGraphic(col, row);
    if (!graphic || graphic->CellType != TCellType::ctRadio) return false;
    index = graphic->CellIndex;
    return true;
}

bool TVevIvizudEvar::SetRadioIndex(int col, int row, int index) {
    TCellGraphic* graphic = GetCellGraphic(col, row);
    if (!graphic || graphic->CellType != TCellType::ctRadio) return false;
    graphic->CellIndex = index;
    RepaintGraphic(col, row);
    return true;
}

QStringList* TVevIvizudEvar::GetRadioItems(int col, int row) const {
    const TGridCoord base = BaseCell(col, row);
    const TCellGraphic* graphic = GetCellGraphic(base.X, base.Y);
    return graphic && graphic->CellType == TCellType::ctRadio ? graphic->Object<QStringList>() : nullptr;
}

bool TVevIvizudEvar::IsRadio(int col, int row) const {
    const TGridCoord base = BaseCell(col, row);
    return GetCellType(base.X, base.Y) == TCellType::ctRadio;
}

// The next choice of a radio group, after the last the first. A group whose index is negative
// keeps its choice in the cell text alone (a data radio).
bool TVevIvizudEvar::RadioNext(int col, int row, bool requireEditable) {
    TCellGraphic* graphic = GetCellGraphic(col, row);
    if (!graphic || graphic->CellType != TCellType::ctRadio) return false;
    if (requireEditable && !CanEditCell(col, row, true)) return false;
    const QStringList* items = graphic->Object<QStringList>();
    const int count = items ? int(items->size()) : 0;
    const int current = graphic->CellIndex >= 0 ? graphic->CellIndex
                                                : (items ? int(items->indexOf(GetGridCells(col, row))) : -1);
    const int next = current + 1 >= count ? 0 : current + 1;
    if (graphic->CellIndex >= 0) graphic->CellIndex = next;
    if (next < count) SetGridCells(col, row, items->at(next));
    RepaintGraphic(col, row);
    return true;
}
