// Sizing the columns and rows of TVevIvizudEvar to their content.
//
// A column takes the widest of its cells: the cell's text as GetCellTextSize measures it (in the
// cell's own font, every line as long as it is) plus the room of the cell's graphic; then the text
// margin and (GridLineWidth + 1) x 2 are added, OnUpdateColumnSize may change the width, and the
// width is limited by MinColWidth and MaxColWidth. A row takes the tallest of its cells (the text
// wrapped in the cell's width when WordWrap is on) plus the margin and GridLineWidth x 2, limited
// by MinRowHeight and MaxRowHeight. Cells that a merged block covers do not count, except its base
// cell; a block that spans several rows does not set the height of one of them.
#include "grid/AdvancedGrid.h"

#include "grid/CellTextLayout.h"
#include "grid/TextEditor.h"
#include "grid/TextUtils.h"

void TVevIvizudEvar::SetAutoSize(bool on) {
    autoSize_ = on;
    if (on) AutoSizeColumns(true, 10);
}

void TVevIvizudEvar::AutoSizeColumn(int col, bool onlyGrow) {
    if (col < 0 || col >= ColCount()) return;
    const int realCol = DisplToRealCol(col);
    const int lines = (GridLineWidth() + 1) * 2;
    int widest = 0;
    for (int row = 0; row < RowCount(); ++row) {
        if (!IsBaseCellAt(realCol, row)) continue;
        const TPoint text = GetCellTextSize(realCol, row, false);
        int width = text.X + GetCellGraphicExtent(realCol, row).X;
        const TCellGraphic* graphic = GetCellGraphic(realCol, row);
        if (graphic && graphic->CellVAlign == TCellVAlign::vaFull) width = text.X - lines - kTextOffsetX;
        widest = std::max(widest, width);
    }
    int width = widest + kTextOffsetX + lines;
    if (onlyGrow && ColWidths(col) >= width) return;
    UpdateColumnSize(col, width);
    SetColWidths(col, LimitValue(width, MinColWidth, MaxColWidth));
}

void TVevIvizudEvar::AutoSizeCol(int col) {
    AutoSizeColumn(col, AutoSizeOnlyGrow);
}

void TVevIvizudEvar::AutoSizeColumns(bool doFixedCols, int padding) {
    for (int c = doFixedCols ? 0 : TBaseGrid::FixedCols(); c < ColCount(); ++c) {
        AutoSizeCol(c);
        if (padding != 0) SetColWidths(c, LimitValue(ColWidths(c) + padding, MinColWidth, MaxColWidth));
    }
}

void TVevIvizudEvar::AutoSizeRowEx(int row, bool onlyGrow) {
    if (row < 0 || row >= RowCount()) return;
    const int lines = (GridLineWidth() + 1) * 2;
    int tallest = 0;
    for (int c = 0; c < ColCount(); ++c) {
        const int realCol = DisplToRealCol(c);
        if (!IsBaseCellAt(realCol, row)) continue;
        const TCellProperties* props = CellProperties(realCol, row);
        if (props && props->CellSpanY > 0) continue;
        int height;
        const TCellGraphic* graphic = GetCellGraphic(realCol, row);
        const TCellType type = graphic ? graphic->CellType : TCellType::ctEmpty;
        if (type == TCellType::ctCheckBox || type == TCellType::ctDataCheckBox ||
            type == TCellType::ctRadio) {
            height = DefaultRowHeight();
        } else {
            const TPoint text = GetCellTextSize(realCol, row, wordWrap_);
            height = text.Y + GetCellGraphicExtent(realCol, row).Y;
            if (graphic && graphic->CellVAlign == TCellVAlign::vaFull) height = text.Y - lines - kTextOffsetY;
        }
        tallest = std::max(tallest, height);
    }
    const int height = tallest + kTextOffsetY + GridLineWidth() * 2;
    if (onlyGrow && height <= RowHeights(row)) return;
    const bool allRowsShown = VisibleRowCount() + TBaseGrid::FixedRows() >= RowCount();
    SetRowHeights(row, LimitValue(height, MinRowHeight, MaxRowHeight));
    // A growing row that pushes rows out of view while typing: the editor follows and keeps its
    // caret at the end of its text.
    if (SizeWhileTyping.Height && EditorMode() && allRowsShown &&
        VisibleRowCount() + TBaseGrid::FixedRows() < RowCount())
        if (TInplaceEdit* editor = InplaceEditor()) {
            editor->UpdateContents();
            editor->SetSel(int(editor->Text().size()), 0);
        }
}

void TVevIvizudEvar::AutoSizeRow(int row) {
    AutoSizeRowEx(row, AutoSizeOnlyGrow);
}

void TVevIvizudEvar::SetRowHeightForLines(int row, int lines, int extra) {
    if (row < 0 || row >= RowCount()) return;
    TFont font = Font();
    font.SetSize(font.Size() + zoom_);
    TCanvas measure;
    measure.Font() = font;
    const int lineHeight = measure.TextHeight(QStringLiteral("gh"));
    SetRowHeights(row, LimitValue(lines * (lineHeight + lineHeight / 8) + extra, MinRowHeight, MaxRowHeight));
}
