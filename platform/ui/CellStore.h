// The texts and objects of a string grid's cells.
//
// Rows are kept as lines of cells; a line holds as many cells as its highest written column, so
// cells beyond the grid's column count survive a shrinking column count (a grid with hidden
// columns keeps their cells there). Rows beyond the row count are dropped with their objects.
//
// The object slot of a cell owns what it holds: replacing or dropping a cell's object destroys
// it, and moving rows or columns moves their objects. DetachObject hands an object back to the
// caller without destroying it.
#pragma once

#include "platform/ui/TieredVector.h"

#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

// Base of what a grid keeps in a cell's object slot.
class TCellObject {
public:
    virtual ~TCellObject() = default;
};

struct TGridCell {
    QString Text;
    std::unique_ptr<TCellObject> Object;
};

// The cells of one row (or of one column, when a column is taken out).
using TGridLine = std::vector<TGridCell>;

class TCellStore {
public:
    int RowCount() const { return int(rows_.size()); }
    // Rows beyond the new count are dropped with their objects.
    void SetRowCount(int count);
    // Lines are first made this many cells long when written to (saves growing them cell by cell).
    void SetColumnHint(int columns) { columnHint_ = columns; }

    // How many cells the row's line holds (0 outside the rows): the cells beyond are empty.
    int LineLength(int row) const;
    // The cells the row's line holds (null outside the rows), for scans of many cells.
    const TGridLine* Line(int row) const {
        return row >= 0 && row < RowCount() ? &rows_[size_t(row)] : nullptr;
    }
    // Empty outside the rows and beyond a line's end.
    const QString& Text(int col, int row) const;
    // Raises EGridError for a negative column or a row outside the rows.
    void SetText(int col, int row, const QString& text);
    TCellObject* Object(int col, int row) const;
    // Destroys the object the cell held.
    void SetObject(int col, int row, std::unique_ptr<TCellObject> object);
    std::unique_ptr<TCellObject> DetachObject(int col, int row);

    // Row operations move texts and objects together.
    TGridLine TakeRow(int row);
    void PutRow(int row, TGridLine&& line);
    void MoveRow(int from, int to);
    void SwapRows(int a, int b);
    // Row first + p takes the row that stood at first + origin[p].
    void PermuteRows(int first, const std::vector<int>& origin);
    void InsertRows(int at, int count);
    void EraseRows(int at, int count);

    // Column operations act on every row, cells beyond the column count included.
    void MoveColumn(int from, int to);
    void SwapColumns(int a, int b);
    void InsertColumns(int at, int count);
    void EraseColumns(int at, int count);
    TGridLine TakeColumn(int col);
    void PutColumn(int col, TGridLine&& cells);

    QStringList RowTexts(int row, int columns) const;
    QStringList ColumnTexts(int col) const;
    void Clear();

private:
    TGridCell* CellForWrite(int col, int row);
    const TGridCell* Cell(int col, int row) const;
    void CheckRow(int row) const;

    // A row inserted or removed in the middle moves about the square root of the rows' count.
    TTieredVector<TGridLine> rows_;
    int columnHint_ = 0;
};
