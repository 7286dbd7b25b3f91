// The row sorter of TVevIvizudEvar: TRowSorter sorts a range of rows by a column or by the sort
// index list.
//
// The data rows (DataRowEnd: fixed rows and footer rows never move) are sorted as records, one per
// row, holding what the first compared column's cell compares by (its number, date or first code
// units), read once per row; the rows then take their places once (PermuteRows: texts, cell
// objects and heights, the cells of hidden columns with their row, as SwapRows exchanges them).
// The partition is the bounded Hoare partition: the middle row is the pivot, i and j walk towards
// each other without ever leaving the range, and two rows that compare equal are not exchanged;
// that fixes where rows with equal keys end. It recurses into the smaller part and loops on the
// larger one, so the depth stays below log2 of the row count whatever the input. The middle pivot
// splits sorted, reversed, random and all-equal input well, but organ-pipe input (rising then
// falling) loses only two rows per partition; a range that has been partitioned far more often
// than random input ever needs is finished by heapsort, so no input takes quadratic time. Only
// there may equal rows end in another (equally valid) order. A column of numbers or of texts
// throughout whose keys all differ has one sorted order, whatever the algorithm: it comes from a
// plain sort of the keys (by radix for many numbers).
//
// The comparison is not an ordering a library sort may be given: under ssAutomatic the style
// follows the contents of the two cells compared, so a column mixing numbers, dates and texts may
// compare intransitively. The bounded loops stay in range whatever the comparison answers.
#pragma once

#include "grid/SortComparer.h"

#include <vector>

namespace gridsort {

// What a sort keeps of the first compared column's cell of each row, beside the row (Slot: its
// offset in the range when the sort began): enough to decide most comparisons of the usual styles
// without reaching for the text, the records lying side by side in memory.
struct TSortRecord {
    enum : quint8 { kNumberOk = 1, kEmpty = 2, kChecked = 4 };
    double Number = 0; // the number the cell reads as; the date of the date styles, the image of ssCellImage
    quint64 Head = 0;  // the first four code units of the compared text, as in TSortKey
    quint32 Slot = 0;
    TSortStyle Class = TSortStyle::ssText; // the style ssAutomatic takes from this cell
    quint8 Flags = 0;
    // Where the cell stands among the column's distinct values (equal cells, equal ranks), once
    // ranked; the same of the next column's cell, which decides the ties.
    quint32 Rank = 0, TieRank = 0;
};

// Sorts the rows firstRow..lastRow of the grid with one comparer. The sort runs on the records, one per
// row, and the rows take their new places once at the end (PermuteRows); only when the first
// compared column goes by OnRawCompare, whose handler reads the grid at the rows it is given, are
// the rows exchanged as the sort goes. (A raw column compared for ties gets the rows where the
// compared rows' data stands while the rows wait to move.)
// The first compared column is read once into the records; the other columns (ties, index
// entries after the first) keep full keys, built when first compared: per data slot for the
// columns that move with their rows, per position for a column that stays (SingleColumn).
class TRowSorter {
public:
    TRowSorter(TVevIvizudEvar& grid, TComparer& comparer, int firstRow, int lastRow);

    // Reads the first compared column (the sort column, or the first index entry's) into the
    // records, again after blocks across the rows were split. Whether a cell of the rows holds an
    // object (a block can lie across them only then); true as well when the column is compared by
    // its keys instead.
    bool Read(int col);

    void SortByColumn(int col);
    void SortByIndexes();
    // Whether an exchange moves the column's cells.
    bool Moves(int col) const { return !singleColumn_ || col == sortColumn_; }
    // Per position of the range, the offset its row had when the sort began.
    std::vector<int> Origin() const;
    // Whether the rows are in their places already (exchanged as the sort went).
    bool RowsMoved() const { return eager_; }

private:
    int Position(int row) const { return row - firstRow_; }
    TSortRecord& Record(int row) { return records_[size_t(Position(row))]; }
    int DataRow(int col, int row) const;
    bool ReadFirstColumn(int col);
    void RankTies(int tie);

    // Ranges from this many rows on are read in memory order (fewer fit the caches wherever they
    // lie); sorts by 64-bit keys of this many items and more go by radix.
    static constexpr size_t kScatteredRows = 1 << 12, kRadixItems = 1 << 16;
    // Where a row's cells lie: its line's cells and their count, and its slot.
    struct TRowCells {
        const TGridCell* Cells;
        quint32 Count, Slot;
    };
    std::vector<TRowCells> RowCellsInMemoryOrder(bool& reordered) const;
    void InSlotOrder();
    bool SortDistinctKeys(int sign);
    bool DatesThroughout() const;
    static quint64 OrderedBits(double value);
    template <typename TItem, typename TKey>
    static void SortByKey(std::vector<TItem>& items, const TKey& key);
    template <typename TItem, typename TKey>
    static void RadixSort(std::vector<TItem>& items, const TKey& key);
    int CompareRecords(const TSortRecord& a, const TSortRecord& b, int direction) const;

    TSortKey& Key(int col, int row);
    int CompareCells(int col, int a, int b, int direction);
    int CompareRows(int col, int a, int b);
    int CompareTies(int col, int a, int b);
    int CompareIndexed(int a, int b);
    void Swap(int a, int b);
    int DepthLimit() const;
    template <typename TCompare>
    void Hoare(int l, int r, int depth, int sign, bool compareEqual, const TCompare& compare);
    template <typename TCompare> void HeapSort(int l, int r, int sign, const TCompare& compare);

    TVevIvizudEvar& grid_;
    TComparer& comparer_;
    int firstRow_, lastRow_; // the rows sorted
    std::vector<TSortRecord> records_;
    std::vector<QString> texts_; // per slot: the first column's compared texts
    std::vector<std::vector<TSortKey>> columns_;
    bool singleColumn_;
    int sortColumn_;
    bool descending_, full_, eager_ = false;
    int firstColumn_ = -1, tieColumn_ = -1; // tieColumn_: its cells ranked
    bool ranked_ = false;                   // the first column's cells ranked
    TSortStyle firstStyle_ = TSortStyle::ssText, uniformStyle_ = TSortStyle::ssRaw;
    std::vector<double> dates_;  // per slot, with ssAutomatic: the date each cell reads as
    std::vector<int> sorted_;    // the order taken from a plain sort of distinct keys
    bool inMemoryOrder_ = false; // records_ and texts_ in the order MemoryOrder read them
};

// Puts the cells of a column back in the rows they were in before rows firstRow.. were exchanged
// (origin: per position, the offset of the row that was there).
void PutColumnBack(TVevIvizudEvar& grid, int col, int firstRow, const std::vector<int>& origin);

// Column 0 stays where it was while the rows move (NormalCellsOnly with fixed columns).
bool KeepsFirstColumn(TVevIvizudEvar& grid);

// The column whose cells an exchange of rows moves apart from the rest of their rows (or keeps in
// place while the rest moves); -1 when rows move whole.
int ColumnMovedAlone(TVevIvizudEvar& grid);

} // namespace gridsort
