// The in-process table of byte ranges locked on one shared file, with the handler that holds each.
//
// The operating system's locks of one process never conflict with each other, so this table gives the
// rules within the process: a range that overlaps any held range (of any handler, the same one included)
// is refused, and an unlock must name exactly a range the same handler holds.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace vorsam {

struct TLockedRegion {
    uint64_t Offset;
    uint64_t Length;
    const void* Owner;
};

class TRegionLockTable {
public:
    bool Overlaps(uint64_t offset, uint64_t length) const;
    void Add(uint64_t offset, uint64_t length, const void* owner);
    // Removes the range held by the owner exactly as given; false when it holds no such range.
    bool Remove(uint64_t offset, uint64_t length, const void* owner);
    // Removes every range of the owner, calling `released` for each.
    void RemoveAll(const void* owner, const std::function<void(const TLockedRegion&)>& released);
    size_t Count() const { return regions_.size(); }

private:
    std::vector<TLockedRegion> regions_;
};

} // namespace vorsam
