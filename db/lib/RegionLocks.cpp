#include "db/lib/RegionLocks.h"

#include <algorithm>
#include <cassert>

namespace vorsam {

bool TRegionLockTable::Overlaps(uint64_t offset, uint64_t length) const {
    return std::any_of(regions_.begin(), regions_.end(), [&](const TLockedRegion& r) {
        return offset < r.Offset + r.Length && r.Offset < offset + length;
    });
}

void TRegionLockTable::Add(uint64_t offset, uint64_t length, const void* owner) {
    assert(length > 0 && !Overlaps(offset, length));
    regions_.push_back({offset, length, owner});
}

bool TRegionLockTable::Remove(uint64_t offset, uint64_t length, const void* owner) {
    auto it = std::find_if(regions_.begin(), regions_.end(), [&](const TLockedRegion& r) {
        return r.Offset == offset && r.Length == length && r.Owner == owner;
    });
    if (it == regions_.end()) return false;
    regions_.erase(it);
    return true;
}

void TRegionLockTable::RemoveAll(const void* owner,
                                 const std::function<void(const TLockedRegion&)>& released) {
    auto kept = std::stable_partition(regions_.begin(), regions_.end(),
                                      [&](const TLockedRegion& r) { return r.Owner != owner; });
    for (auto it = kept; it != regions_.end(); ++it) released(*it);
    regions_.erase(kept, regions_.end());
}

} // namespace vorsam
