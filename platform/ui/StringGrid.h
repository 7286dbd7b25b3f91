// The class library's string grid: a draw grid that keeps a text and an object per cell (see
// CellStore.h for how they are kept and owned) and draws the texts itself by default.
//
// Moving a row or column moves its texts and objects; deleting one drops them. Cells beyond the
// column count survive a shrinking column count (hidden columns keep their cells there); rows
// beyond the row count are dropped. The editor's text is written into the cell as it changes.
#pragma once

#include "platform/ui/CellStore.h"
#include "platform/ui/DrawGrid.h"

class TStringGrid : public TDrawGrid {
public:
    explicit TStringGrid(QWidget* parent = nullptr);

    const QString& Cells(int col, int row) const { return store_.Text(col, row); }
    // Raises EGridError for a row outside the grid or a negative column.
    void SetCells(int col, int row, const QString& text);
    TCellObject* Objects(int col, int row) const { return store_.Object(col, row); }
    // Stores the object (destroying the one the cell held).
    void SetObjects(int col, int row, std::unique_ptr<TCellObject> object);
    // Hands the cell's object to the caller without destroying it.
    std::unique_ptr<TCellObject> DetachObject(int col, int row) { return store_.DetachObject(col, row); }
    // The texts of a row (of the first ColCount columns) or of a column.
    QStringList Rows(int row) const { return store_.RowTexts(row, ColCount()); }
    void SetRows(int row, const QStringList& texts);
    QStringList Cols(int col) const { return store_.ColumnTexts(col); }
    void SetCols(int col, const QStringList& texts);
    // Direct access for structural work (row and column moves with their objects); the caller
    // repaints afterwards.
    TCellStore& CellStore() { return store_; }
    const TCellStore& CellStore() const { return store_; }

    QString GetEditText(int col, int row) override;
    void SetEditText(int col, int row, const QString& value) override;
    void DeleteColumn(int col) override;
    bool Verify() const override;

protected:
    void DrawCell(int col, int row, const TRect& rect, TGridDrawState state) override;
    void ColumnMoved(int from, int to) override;
    void RowMoved(int from, int to) override;
    void SizeChanged(int oldColCount, int oldRowCount) override;

private:
    TCellStore store_;
};
