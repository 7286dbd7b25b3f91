// The selection of TVevIvizudEvar as plain text (the text a drag carries), written as the clipboard
// text writes cells (ClipboardTextFormat.h): cells joined by TAB, rows by CR LF.
#include "grid/AdvancedGrid.h"

#include "grid/ClipboardTextFormat.h"
#include "grid/RichText.h"
#include "grid/TextUtils.h"

void TVevIvizudEvar::GetSelectionText(QString& text) {
    const TGridRect sel = Selection();
    const bool markedRows = MouseActions.DisjunctRowSelect();
    const int firstCol = DragDropSettings.OleEntireRows ? 0 : sel.Left;
    const int lastCol = DragDropSettings.OleEntireRows ? ColCount() - 1 : sel.Right;
    const int firstRow = markedRows ? TBaseGrid::FixedRows() : sel.Top;
    const int lastRow = markedRows ? RowCount() - 1 : sel.Bottom;
    std::vector<int> rows;
    for (int r = firstRow; r <= lastRow; ++r)
        if (!markedRows || RowSelectFlag(MouseActions.RowSelectPersistent ? DisplToRealRow(r) : r))
            rows.push_back(r);
    text.clear();
    for (size_t i = 0; i < rows.size(); ++i) {
        if (i > 0) text += QLatin1String("\r\n");
        for (int c = firstCol; c <= lastCol; ++c) {
            const int realCol = DisplToRealCol(c);
            QString cell = GetGridCells(realCol, rows[i]);
            const int kind = CellTextKind(cell, false);
            if (kind == ctkRichText) cell = RTFToPlainText(cell);
            if (kind == ctkWide) cell = GetCellTextWide(realCol, rows[i]);
            if (c > firstCol) text += u'\t';
            AppendClipboardCell(text, cell, i + 1 == rows.size() && firstCol == lastCol);
        }
    }
}
