// One axis of a grid (its columns or its rows): the count, the default size, each entry's size,
// and where the entries show for a given first scrolled entry, number of fixed entries, grid-line
// width and visible extent.
//
// Layout along an axis, as the class library lays it out: the fixed entries first, then the
// entries from the first scrolled one on; each entry is followed by a grid line of the line
// width, which belongs to the entry when a position is looked up.
#pragma once

#include "platform/ui/TieredVector.h"

#include <stdexcept>
#include <vector>

class EGridError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TGridAxis {
public:
    // No entry is larger: what a desktop shows many times over, and small enough that the sums of
    // the sizes painting makes stay far from overflowing.
    static constexpr int kMaxSize = 32767;

    TGridAxis(int count, int defaultSize);

    int Count() const { return int(sizes_.size()); }
    // New entries take the default size; entries beyond the new count are dropped.
    void SetCount(int count);
    int DefaultSize() const { return defaultSize_; }
    // Every entry takes the new default size (limited to 0..kMaxSize).
    void SetDefaultSize(int size);
    // The entry's size; the default size outside the axis.
    int Size(int index) const;
    // Raises EGridError outside the axis; a negative size counts as 0, one above kMaxSize as kMaxSize.
    void SetSize(int index, int size);

    // Moves an entry's size to another index, the entries between shifting by one.
    void Move(int from, int to);
    void Insert(int at, int count);
    void Erase(int at, int count);
    // Sum of the sizes of the entries first .. last - 1.
    long long Span(int first, int last) const;

private:
    void Check(int index) const;
    int defaultSize_;
    // An entry inserted or removed in the middle moves about the square root of the count.
    TTieredVector<int> sizes_;
};

// Where an axis's entries show; the class library's per-axis drawing information.
struct TGridAxisInfo {
    int LineWidth = 0;  // the grid line after each entry
    int FixedCount = 0; // fixed entries at the start
    int FirstCell = 0;  // the first scrolled entry shown after the fixed ones
    int CellCount = 0;
    int Extent = 0;              // the visible length (client width or height)
    int FixedBoundary = 0;       // end of the fixed entries and their lines
    int GridBoundary = 0;        // end of the last entry shown (at most Extent)
    int FullVisBoundary = 0;     // end of the last entry shown whole
    int LastFullVisibleCell = 0; // never below FirstCell, even when that one is cut
};

TGridAxisInfo CalcAxisInfo(const TGridAxis& axis, int fixedCount, int firstCell, int lineWidth, int extent);

// The entry at a position (the line after an entry belongs to it); -1 outside the entries.
int CellAtPosition(const TGridAxis& axis, const TGridAxisInfo& info, int position);

// Start and end (exclusive, cut at the extent) of an entry that shows; false when it does not
// show (scrolled out, beyond the extent or outside the axis).
bool CellPosition(const TGridAxis& axis, const TGridAxisInfo& info, int index, int& start, int& end);

// Start of an entry laid out from the fixed boundary, without cutting; also for entries that do
// not show (negative before the first scrolled entry).
long long UnclippedStart(const TGridAxis& axis, const TGridAxisInfo& info, int index);

// The smallest first scrolled entry with which the given entry still shows whole.
int MaxFirstCell(const TGridAxis& axis, const TGridAxisInfo& info, int lastCell);
