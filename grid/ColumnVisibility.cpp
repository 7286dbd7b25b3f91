#include "grid/ColumnVisibility.h"

#include "grid/GridError.h"

#include <algorithm>

void TColumnVisibility::Check(int col) {
    if (col < 0) throw EVozAvozError("Invalid column accessed");
}

bool TColumnVisibility::IsHidden(int realCol) const {
    Check(realCol);
    return size_t(realCol) < hidden_.size() && hidden_[size_t(realCol)];
}

void TColumnVisibility::SetHidden(int realCol, bool hidden, int width) {
    if (IsHidden(realCol) == hidden) return;
    if (size_t(realCol) >= hidden_.size()) {
        hidden_.resize(size_t(realCol) + 1, false);
        widths_.resize(size_t(realCol) + 1, 0);
    }
    hidden_[size_t(realCol)] = hidden;
    widths_[size_t(realCol)] = hidden ? width : 0;
    hiddenCount_ += hidden ? 1 : -1;
}

int TColumnVisibility::HiddenWidth(int realCol) const {
    return IsHidden(realCol) ? widths_[size_t(realCol)] : 0;
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

int TColumnVisibility::LastHidden() const {
    if (hiddenCount_ == 0) return -1;
    for (size_t c = hidden_.size(); c-- > 0;)
        if (hidden_[c]) return int(c);
    return -1;
}

void TColumnVisibility::Insert(int at, int count) {
    Check(at);
    if (count <= 0 || size_t(at) >= hidden_.size()) return;
    hidden_.insert(hidden_.begin() + at, size_t(count), false);
    widths_.insert(widths_.begin() + at, size_t(count), 0);
}

void TColumnVisibility::Erase(int at, int count) {
    Check(at);
    if (count <= 0 || size_t(at) >= hidden_.size()) return;
    const size_t end = std::min(hidden_.size(), size_t(at) + size_t(count));
    hiddenCount_ -= int(std::count(hidden_.begin() + at, hidden_.begin() + long(end), true));
    hidden_.erase(hidden_.begin() + at, hidden_.begin() + long(end));
    widths_.erase(widths_.begin() + at, widths_.begin() + long(end));
}

void TColumnVisibility::Move(int from, int to) {
    Check(from);
    Check(to);
    if (from == to) return;
    const size_t size = size_t(std::max(from, to)) + 1;
    if (hidden_.size() < size) {
        hidden_.resize(size, false);
        widths_.resize(size, 0);
    }
    auto move = [from, to](auto& items) {
        auto begin = items.begin();
        if (from < to)
            std::rotate(begin + from, begin + from + 1, begin + to + 1);
        else
            std::rotate(begin + to, begin + from, begin + from + 1);
    };
    move(hidden_);
    move(widths_);
}

bool TColumnVisibility::Verify() const {
    int count = 0;
    for (bool h : hidden_) count += h ? 1 : 0;
    return count == hiddenCount_ && widths_.size() == hidden_.size();
}
