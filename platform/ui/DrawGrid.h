// The class library's draw grid: TCustomGrid with its events published. Each virtual that the
// grid asks (DrawCell, SelectCell, GetEditText, ...) fires the matching event when assigned.
#pragma once

#include "platform/ui/CustomGrid.h"

class TDrawGrid : public TCustomGrid {
public:
    explicit TDrawGrid(QWidget* parent = nullptr) : TCustomGrid(parent) {}

    TDrawCellEvent OnDrawCell;
    TSelectCellEvent OnSelectCell;
    TGetEditEvent OnGetEditMask, OnGetEditText;
    TSetEditEvent OnSetEditText;
    TMovedEvent OnColumnMoved, OnRowMoved;
    TNotifyEvent OnTopLeftChanged;

    QString GetEditText(int col, int row) override;
    void SetEditText(int col, int row, const QString& value) override;
    QString GetEditMask(int col, int row) override;

protected:
    void DrawCell(int col, int row, const TRect& rect, TGridDrawState state) override;
    bool SelectCell(int col, int row) override;
    void ColumnMoved(int from, int to) override;
    void RowMoved(int from, int to) override;
    void TopLeftChanged() override;
};
