// Which of the grid's real columns are hidden, and the two numberings that follow from it:
// display columns count the columns that show, real columns count them all. Every column is
// visible until hidden; the map has no fixed size (columns past its end are visible), so every
// display column has a real column and the conversions never guess. A negative column is an
// error.
#pragma once

#include <vector>

class TColumnVisibility {
public:
    int HiddenCount() const { return hiddenCount_; }
    bool IsHidden(int realCol) const;
    void SetHidden(int realCol, bool hidden);
    // The real column of the col-th visible column (counting from 0).
    int DisplToReal(int col) const;
    // The column minus the hidden columns before it.
    int RealToDispl(int realCol) const;
    bool Verify() const;

private:
    static void Check(int col);
    std::vector<bool> hidden_;
    int hiddenCount_ = 0;
};
