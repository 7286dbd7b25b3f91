// The selection of TVevIvizudEvar as plain text (the text a drag carries): cells joined by TAB,
// rows by CR LF.
#include "grid/AdvancedGrid.h"

#include "grid/RichText.h"
#include "grid/TextUtils.h"

void TVevIvizudEvar::GetSelectionText(QString& text) {
    const TGridRect sel = Selection();
    const bool markedRows = MouseActions.DisjunctRowSelect();
    const int firstCol = DragDropSettings.OleEntireRows ? 0 : sel.Left;
    const int lastCol = DragDropSettings.OleEntireRows ? ColCount() - 1 : sel.Right;
    const int firstRow = markedRows ? TBaseGrid::FixedRows() : sel.Top;
    const int lastRow = markedRows ? RowCount() - 1 : sel.Bottom;
    QStringList rows;
    for (int r = firstRow; r <= lastRow; ++r) {
        if (markedRows && !RowSelectFlag(MouseActions.RowSelectPersistent ? DisplToRealRow(r) : r)) continue;
        QStringList cells;
        for (int c = firstCol; c <= lastCol; ++c) {
            const int realCol = DisplToRealCol(c);
            QString cell = GetGridCells(realCol, r);
            const int kind = CellTextKind(cell, false);
            if (kind == ctkRichText) cell = RTFToPlainText(cell);
            if (kind == ctkWide) cell = GetCellTextWide(realCol, r);
            cells << cell;
        }
        rows << cells.join(u'\t');
    }
    text = rows.join(QLatin1String("\r\n"));
}
