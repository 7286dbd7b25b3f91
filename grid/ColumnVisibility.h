// Which of the grid's real columns are hidden, and the two numberings that follow from it:
// display columns count the columns that show, real columns count them all. Every column is
// visible until hidden; the map has no fixed size (columns past its end are visible), so every
// display column has a real column and the conversions never guess. A negative column is an
// error. A hidden column keeps the width it had, for when it shows again.
#pragma once

#include <vector>

class TColumnVisibility {
public:
    int HiddenCount() const { return hiddenCount_; }
    bool IsHidden(int realCol) const;
    void SetHidden(int realCol, bool hidden, int width = 0);
    // The width the column had when it was hidden (0 for a visible column).
    int HiddenWidth(int realCol) const;
    // The real column of the col-th visible column (counting from 0).
    int DisplToReal(int col) const;
    // The column minus the hidden columns before it.
    int RealToDispl(int realCol) const;
    // The highest hidden real column, -1 when none is hidden.
    int LastHidden() const;
    // Real columns inserted (visible) or erased at a place; the flags after it move with them.
    void Insert(int at, int count);
    void Erase(int at, int count);
    // A real column moves to another place, those between shifting by one.
    void Move(int from, int to);
    bool Verify() const;

private:
    static void Check(int col);
    std::vector<bool> hidden_;
    std::vector<int> widths_;
    int hiddenCount_ = 0;
};
