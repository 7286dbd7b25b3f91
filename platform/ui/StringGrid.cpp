#include "platform/ui/StringGrid.h"

TStringGrid::TStringGrid(QWidget* parent) : TDrawGrid(parent) {
    store_.SetRowCount(RowCount());
    store_.SetColumnHint(ColCount());
}

void TStringGrid::SetCells(int col, int row, const QString& text) {
    if (row < 0 || row >= RowCount()) throw EGridError("Grid row out of range");
    store_.SetText(col, row, text);
    InvalidateCell(col, row);
}

void TStringGrid::SetObjects(int col, int row, std::unique_ptr<TCellObject> object) {
    if (row < 0 || row >= RowCount()) throw EGridError("Grid row out of range");
    store_.SetObject(col, row, std::move(object));
}

void TStringGrid::SetRows(int row, const QStringList& texts) {
    for (int c = 0; c < ColCount(); ++c) SetCells(c, row, c < texts.size() ? texts[c] : QString());
}

void TStringGrid::SetCols(int col, const QStringList& texts) {
    for (int r = 0; r < RowCount(); ++r) SetCells(col, r, r < texts.size() ? texts[r] : QString());
}

QString TStringGrid::GetEditText(int col, int row) {
    QString value = Cells(col, row);
    if (OnGetEditText) OnGetEditText(this, col, row, value);
    return value;
}

void TStringGrid::SetEditText(int col, int row, const QString& value) {
    if (value != Cells(col, row)) SetCells(col, row, value);
    TDrawGrid::SetEditText(col, row, value);
}

void TStringGrid::DeleteColumn(int col) {
    TDrawGrid::DeleteColumn(col);
    store_.EraseColumns(ColCount(), 1); // the deleted column now sits just past the last one
}

bool TStringGrid::Verify() const {
    return TDrawGrid::Verify() && store_.RowCount() == RowCount();
}

void TStringGrid::DrawCell(int col, int row, const TRect& rect, TGridDrawState state) {
    if (DefaultDrawing()) Canvas().TextRect(rect, rect.Left + 2, rect.Top + 2, Cells(col, row));
    TDrawGrid::DrawCell(col, row, rect, state);
}

void TStringGrid::ColumnMoved(int from, int to) {
    store_.MoveColumn(from, to);
    TDrawGrid::ColumnMoved(from, to);
}

void TStringGrid::RowMoved(int from, int to) {
    store_.MoveRow(from, to);
    TDrawGrid::RowMoved(from, to);
}

void TStringGrid::SizeChanged(int oldColCount, int oldRowCount) {
    store_.SetRowCount(RowCount());
    store_.SetColumnHint(ColCount());
    TDrawGrid::SizeChanged(oldColCount, oldRowCount);
}
