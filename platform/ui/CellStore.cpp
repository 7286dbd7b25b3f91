#include "platform/ui/CellStore.h"

#include "platform/ui/GridAxis.h"

#include <algorithm>
#include <iterator>
#include <string>

namespace {

const QString kEmpty;

template <typename T> void MoveElement(std::vector<T>& items, int from, int to) {
    auto begin = items.begin();
    if (from < to)
        std::rotate(begin + from, begin + from + 1, begin + to + 1);
    else if (from > to)
        std::rotate(begin + to, begin + from, begin + from + 1);
}

void Widen(TGridLine& line, int size) {
    if (int(line.size()) < size) line.resize(size_t(size));
}

} // namespace

void TCellStore::CheckRow(int row) const {
    if (row < 0 || row >= RowCount()) throw EGridError("Grid row out of range: " + std::to_string(row));
}

void TCellStore::SetRowCount(int count) {
    rows_.resize(size_t(std::max(count, 0)));
}

const TGridCell* TCellStore::Cell(int col, int row) const {
    if (row < 0 || row >= RowCount() || col < 0) return nullptr;
    const TGridLine& line = rows_[size_t(row)];
    return col < int(line.size()) ? &line[size_t(col)] : nullptr;
}

TGridCell* TCellStore::CellForWrite(int col, int row) {
    CheckRow(row);
    if (col < 0) throw EGridError("Grid column out of range: " + std::to_string(col));
    TGridLine& line = rows_[size_t(row)];
    Widen(line, std::max(col + 1, columnHint_));
    return &line[size_t(col)];
}

int TCellStore::LineLength(int row) const {
    return row < 0 || row >= RowCount() ? 0 : int(rows_[size_t(row)].size());
}

const QString& TCellStore::Text(int col, int row) const {
    const TGridCell* cell = Cell(col, row);
    return cell ? cell->Text : kEmpty;
}

void TCellStore::SetText(int col, int row, const QString& text) {
    if (text.isEmpty() && !Cell(col, row)) {
        CheckRow(row);
        return; // nothing to clear; do not grow the line for it
    }
    CellForWrite(col, row)->Text = text;
}

TCellObject* TCellStore::Object(int col, int row) const {
    const TGridCell* cell = Cell(col, row);
    return cell ? cell->Object.get() : nullptr;
}

void TCellStore::SetObject(int col, int row, std::unique_ptr<TCellObject> object) {
    CellForWrite(col, row)->Object = std::move(object);
}

std::unique_ptr<TCellObject> TCellStore::DetachObject(int col, int row) {
    if (!Cell(col, row)) return nullptr;
    return std::move(CellForWrite(col, row)->Object);
}

TGridLine TCellStore::TakeRow(int row) {
    CheckRow(row);
    return std::exchange(rows_[size_t(row)], TGridLine());
}

void TCellStore::PutRow(int row, TGridLine&& line) {
    CheckRow(row);
    rows_[size_t(row)] = std::move(line);
}

void TCellStore::MoveRow(int from, int to) {
    CheckRow(from);
    CheckRow(to);
    rows_.move(size_t(from), size_t(to));
}

void TCellStore::SwapRows(int a, int b) {
    CheckRow(a);
    CheckRow(b);
    std::swap(rows_[size_t(a)], rows_[size_t(b)]);
}

void TCellStore::PermuteRows(int first, const std::vector<int>& origin) {
    const int n = int(origin.size());
    if (n == 0) return;
    CheckRow(first);
    CheckRow(first + n - 1);
    std::vector<TGridLine> before(static_cast<size_t>(n));
    for (int p = 0; p < n; ++p) before[size_t(p)] = std::move(rows_[size_t(first + p)]);
    for (int p = 0; p < n; ++p) rows_[size_t(first + p)] = std::move(before[size_t(origin[size_t(p)])]);
}

void TCellStore::InsertRows(int at, int count) {
    if (count <= 0) return;
    at = std::clamp(at, 0, RowCount());
    rows_.insert(size_t(at), size_t(count));
}

void TCellStore::EraseRows(int at, int count) {
    if (count <= 0 || at < 0 || at >= RowCount()) return;
    rows_.erase(size_t(at), size_t(count));
}

void TCellStore::MoveColumn(int from, int to) {
    if (from < 0 || to < 0) throw EGridError("Grid column out of range");
    for (size_t r = 0; r < rows_.size(); ++r) {
        TGridLine& line = rows_[r];
        if (int(line.size()) <= std::min(from, to)) continue; // nothing in the moved range
        Widen(line, std::max(from, to) + 1);
        MoveElement(line, from, to);
    }
}

void TCellStore::SwapColumns(int a, int b) {
    if (a < 0 || b < 0) throw EGridError("Grid column out of range");
    for (size_t r = 0; r < rows_.size(); ++r) {
        TGridLine& line = rows_[r];
        if (std::min(a, b) >= int(line.size())) continue;
        Widen(line, std::max(a, b) + 1);
        std::swap(line[size_t(a)], line[size_t(b)]);
    }
}

void TCellStore::InsertColumns(int at, int count) {
    if (count <= 0 || at < 0) return;
    for (size_t r = 0; r < rows_.size(); ++r) {
        TGridLine& line = rows_[r];
        if (at >= int(line.size())) continue;
        TGridLine fresh(static_cast<size_t>(count));
        line.insert(line.begin() + at, std::make_move_iterator(fresh.begin()),
                    std::make_move_iterator(fresh.end()));
    }
}

void TCellStore::EraseColumns(int at, int count) {
    if (count <= 0 || at < 0) return;
    for (size_t r = 0; r < rows_.size(); ++r) {
        TGridLine& line = rows_[r];
        if (at >= int(line.size())) continue;
        const int n = std::min(count, int(line.size()) - at);
        line.erase(line.begin() + at, line.begin() + at + n);
    }
}

TGridLine TCellStore::TakeColumn(int col) {
    TGridLine cells(rows_.size());
    for (size_t r = 0; r < rows_.size(); ++r)
        if (col >= 0 && col < int(rows_[r].size())) cells[r] = std::move(rows_[r][size_t(col)]);
    return cells;
}

void TCellStore::PutColumn(int col, TGridLine&& cells) {
    for (size_t r = 0; r < rows_.size() && r < cells.size(); ++r) {
        if (cells[r].Text.isEmpty() && !cells[r].Object && col >= int(rows_[r].size())) continue;
        *CellForWrite(col, int(r)) = std::move(cells[r]);
    }
}

QStringList TCellStore::RowTexts(int row, int columns) const {
    QStringList texts;
    for (int c = 0; c < columns; ++c) texts << Text(c, row);
    return texts;
}

QStringList TCellStore::ColumnTexts(int col) const {
    QStringList texts;
    for (int r = 0; r < RowCount(); ++r) texts << Text(col, r);
    return texts;
}

void TCellStore::Clear() {
    for (size_t r = 0; r < rows_.size(); ++r) rows_[r].clear();
}
