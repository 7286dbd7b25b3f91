#include "platform/ui/DrawGrid.h"

QString TDrawGrid::GetEditText(int col, int row) {
    QString value;
    if (OnGetEditText) OnGetEditText(this, col, row, value);
    return value;
}

void TDrawGrid::SetEditText(int col, int row, const QString& value) {
    if (OnSetEditText) OnSetEditText(this, col, row, value);
}

QString TDrawGrid::GetEditMask(int col, int row) {
    QString mask;
    if (OnGetEditMask) OnGetEditMask(this, col, row, mask);
    return mask;
}

void TDrawGrid::DrawCell(int col, int row, const TRect& rect, TGridDrawState state) {
    if (OnDrawCell) OnDrawCell(this, col, row, rect, state);
}

bool TDrawGrid::SelectCell(int col, int row) {
    bool canSelect = true;
    if (OnSelectCell) OnSelectCell(this, col, row, canSelect);
    return canSelect;
}

void TDrawGrid::ColumnMoved(int from, int to) {
    if (OnColumnMoved) OnColumnMoved(this, from, to);
}

void TDrawGrid::RowMoved(int from, int to) {
    if (OnRowMoved) OnRowMoved(this, from, to);
}

void TDrawGrid::TopLeftChanged() {
    TCustomGrid::TopLeftChanged();
    if (OnTopLeftChanged) OnTopLeftChanged(this);
}
