#include "db/lib/RegionLocks.h"

#include <algorithm>
#include <cassert>

namespace vorsam {

namespace {

bool Meet(const TLockedRegion& r, uint64_t offset, uint64_t length) {
    return offset < r.Offset + r.Length && r.Offset < offset + length;
}

} // namespace

bool TRegionLockTable::Overlaps(uint64_t offset, uint64_t length) const {
    return std::any_of(regions_.begin(), regions_.end(),
                       [&](const TLockedRegion& r) { return Meet(r, offset, length); });
}

void TRegionLockTable::Add(uint64_t offset, uint64_t length, const void* owner) {
    assert(length > 0 && !Overlaps(offset, length));
    regions_.push_back({offset, length, owner});
    if (stale_.empty()) return;
    // What is left of each stale range beside the new one: up to a piece before it and one after.
    std::vector<TLockedRegion> left;
    for (const TLockedRegion& r : stale_) {
        if (!Meet(r, offset, length)) {
            left.push_back(r);
            continue;
        }
        if (r.Offset < offset) left.push_back({r.Offset, offset - r.Offset, r.Owner});
        if (r.Offset + r.Length > offset + length)
            left.push_back({offset + length, r.Offset + r.Length - (offset + length), r.Owner});
    }
    stale_.swap(left);
}

bool TRegionLockTable::Remove(uint64_t offset, uint64_t length, const void* owner) {
    auto it = std::find_if(regions_.begin(), regions_.end(), [&](const TLockedRegion& r) {
        return r.Offset == offset && r.Length == length && r.Owner == owner;
    });
    if (it == regions_.end()) return false;
    regions_.erase(it);
    return true;
}

void TRegionLockTable::AddStale(uint64_t offset, uint64_t length, const void* owner) {
    assert(length > 0 && !Overlaps(offset, length));
    stale_.push_back({offset, length, owner});
}

void TRegionLockTable::RetryStale(const std::function<bool(const TLockedRegion&)>& unlock) {
    std::erase_if(stale_, [&](const TLockedRegion& r) { return unlock(r); });
}

void TRegionLockTable::RemoveAll(const void* owner,
                                 const std::function<bool(const TLockedRegion&)>& release) {
    std::vector<TLockedRegion> left;
    for (std::vector<TLockedRegion>* list : {&regions_, &stale_}) {
        auto kept = std::stable_partition(list->begin(), list->end(),
                                          [&](const TLockedRegion& r) { return r.Owner != owner; });
        for (auto it = kept; it != list->end(); ++it)
            if (!release(*it)) left.push_back({it->Offset, it->Length, nullptr});
        list->erase(kept, list->end());
    }
    stale_.insert(stale_.end(), left.begin(), left.end());
}

} // namespace vorsam
