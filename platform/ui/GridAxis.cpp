#include "platform/ui/GridAxis.h"

#include <algorithm>
#include <limits>
#include <string>

namespace {

int Limited(int size) {
    return std::clamp(size, 0, TGridAxis::kMaxSize);
}

} // namespace

TGridAxis::TGridAxis(int count, int defaultSize) : defaultSize_(Limited(defaultSize)) {
    sizes_.resize(size_t(std::max(count, 0)), defaultSize_);
}

void TGridAxis::Check(int index) const {
    if (index < 0 || index >= Count()) throw EGridError("Grid index out of range: " + std::to_string(index));
}

void TGridAxis::SetCount(int count) {
    sizes_.resize(size_t(std::max(count, 0)), defaultSize_);
}

void TGridAxis::SetDefaultSize(int size) {
    defaultSize_ = Limited(size);
    sizes_.fill(defaultSize_);
}

int TGridAxis::Size(int index) const {
    return index >= 0 && index < Count() ? sizes_[size_t(index)] : defaultSize_;
}

void TGridAxis::SetSize(int index, int size) {
    Check(index);
    sizes_[size_t(index)] = Limited(size);
}

void TGridAxis::Move(int from, int to) {
    Check(from);
    Check(to);
    sizes_.move(size_t(from), size_t(to));
}

void TGridAxis::Insert(int at, int count) {
    if (count <= 0) return;
    at = std::clamp(at, 0, Count());
    sizes_.insert(size_t(at), size_t(count), defaultSize_);
}

void TGridAxis::Erase(int at, int count) {
    if (count <= 0 || at < 0 || at >= Count()) return;
    sizes_.erase(size_t(at), size_t(count));
}

long long TGridAxis::Span(int first, int last) const {
    long long sum = 0;
    for (int i = std::max(first, 0); i < last; ++i) sum += Size(i);
    return sum;
}

TGridAxisInfo CalcAxisInfo(const TGridAxis& axis, int fixedCount, int firstCell, int lineWidth, int extent) {
    TGridAxisInfo info;
    info.LineWidth = lineWidth;
    info.FixedCount = fixedCount;
    info.FirstCell = firstCell;
    info.CellCount = axis.Count();
    info.Extent = extent;
    // Many large fixed entries reach far beyond any screen: the sum stops growing there.
    long long fixed = 0;
    for (int i = 0; i < fixedCount && fixed <= extent; ++i) fixed += axis.Size(i) + lineWidth;
    info.FixedBoundary = int(std::min<long long>(fixed, std::numeric_limits<int>::max() / 2));
    info.GridBoundary = info.FixedBoundary;
    info.FullVisBoundary = info.FixedBoundary;
    info.LastFullVisibleCell = firstCell;
    for (int i = firstCell; i < info.CellCount; ++i) {
        info.GridBoundary += axis.Size(i) + lineWidth;
        if (info.GridBoundary > extent + lineWidth) {
            info.GridBoundary = extent;
            break;
        }
        info.LastFullVisibleCell = i;
        info.FullVisBoundary = info.GridBoundary;
    }
    return info;
}

int CellAtPosition(const TGridAxis& axis, const TGridAxisInfo& info, int position) {
    if (position < 0) return -1;
    const bool fixed = position < info.FixedBoundary;
    int line = fixed ? 0 : info.FixedBoundary;
    const int last = fixed ? info.FixedCount : info.CellCount;
    for (int i = fixed ? 0 : info.FirstCell; i < last; ++i) {
        line += axis.Size(i) + info.LineWidth;
        if (position < line) return i;
        if (line > info.Extent + info.LineWidth) break;
    }
    return -1;
}

long long UnclippedStart(const TGridAxis& axis, const TGridAxisInfo& info, int index) {
    long long line = 0;
    if (index < info.FixedCount) {
        for (int i = 0; i < index; ++i) line += axis.Size(i) + info.LineWidth;
        return line;
    }
    line = info.FixedBoundary;
    if (index >= info.FirstCell) {
        for (int i = info.FirstCell; i < index; ++i) line += axis.Size(i) + info.LineWidth;
    } else {
        for (int i = index; i < info.FirstCell; ++i) line -= axis.Size(i) + info.LineWidth;
    }
    return line;
}

bool CellPosition(const TGridAxis& axis, const TGridAxisInfo& info, int index, int& start, int& end) {
    if (index < 0 || index >= info.CellCount) return false;
    if (index >= info.FixedCount && index < info.FirstCell) return false;
    long long line = index < info.FixedCount ? 0 : info.FixedBoundary;
    for (int i = index < info.FixedCount ? 0 : info.FirstCell; i < index; ++i) {
        line += axis.Size(i) + info.LineWidth;
        if (line >= info.Extent) return false;
    }
    if (line >= info.Extent) return false;
    start = int(line);
    end = int(std::min<long long>(line + axis.Size(index), info.Extent));
    return true;
}

int MaxFirstCell(const TGridAxis& axis, const TGridAxisInfo& info, int lastCell) {
    int result = lastCell;
    long long line = info.Extent + info.LineWidth;
    for (int i = lastCell; i >= info.FixedCount; --i) {
        const int size = axis.Size(i);
        if (size <= 0) continue;
        line -= size + info.LineWidth;
        if (line < info.FixedBoundary) {
            if (result == lastCell && axis.Size(lastCell) <= 0) result = i;
            break;
        }
        result = i;
    }
    return std::max(result, info.FixedCount);
}
