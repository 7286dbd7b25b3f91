#include "grid/ColumnVisibility.h"

#include "grid/GridError.h"

void TColumnVisibility::Check(int col) {
    if (col < 0) throw EVozAvozError("Invalid column accessed");
}

bool TColumnVisibility::IsHidden(int realCol) const {
    Check(realCol);
    return size_t(realCol) < hidden_.size() && hidden_[size_t(realCol)];
}

void TColumnVisibility::SetHidden(int realCol, bool hidden) {
    if (IsHidden(realCol) == hidden) return;
    if (size_t(realCol) >= hidden_.size()) hidden_.resize(size_t(realCol) + 1, false);
    hidden_[size_t(realCol)] = hidden;
    hiddenCount_ += hidden ? 1 : -1;
}

int TColumnVisibility::DisplToReal(int col) const {
    Check(col);
    if (hiddenCount_ == 0) return col;
    int visible = -1;
    for (size_t real = 0; real < hidden_.size(); ++real)
        if (!hidden_[real] && ++visible == col) return int(real);
    // Past the map every column is visible.
    return int(hidden_.size()) + (col - visible - 1);
}

int TColumnVisibility::RealToDispl(int realCol) const {
    Check(realCol);
    int before = 0;
    for (size_t c = 0; c < hidden_.size() && int(c) < realCol; ++c)
        if (hidden_[c]) ++before;
    return realCol - before;
}

bool TColumnVisibility::Verify() const {
    int count = 0;
    for (bool h : hidden_) count += h ? 1 : 0;
    return count == hiddenCount_;
}
