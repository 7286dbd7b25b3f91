// The in-process table of byte ranges locked on one shared file, with the handler that holds each.
//
// The operating system's locks of one process never conflict with each other, so this table gives the
// rules within the process: a range that overlaps any held range (of any handler, the same one included)
// is refused, and an unlock must name exactly a range the same handler holds.
//
// A range whose unlock the system refused (an I/O error) is no longer held as far as the engine goes, but
// the system may still hold it, where it stops other processes: it stays as a stale range of its handler.
// A stale range refuses nothing in this process (the process's own locks never conflict); a lock that
// overlaps it takes over the bytes it covers (the system's lock on them is that lock's now, and goes with
// its unlock), and its unlock is tried again (RetryStale) until it succeeds or the file closes.
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
    // Whether the range overlaps a held range (stale ones do not count).
    bool Overlaps(uint64_t offset, uint64_t length) const;
    // Holds the range for the owner; stale ranges give up the bytes it covers.
    void Add(uint64_t offset, uint64_t length, const void* owner);
    // Removes the range held by the owner exactly as given; false when it holds no such range.
    bool Remove(uint64_t offset, uint64_t length, const void* owner);
    // The range, just removed, whose unlock failed: kept as stale (above).
    void AddStale(uint64_t offset, uint64_t length, const void* owner);
    // Calls `unlock` for each stale range; those it answers true for go.
    void RetryStale(const std::function<bool(const TLockedRegion&)>& unlock);
    // Removes every range of the owner, stale ones too, calling `release` for each: one it answers false
    // for (the system refused to let it go) stays as a stale range of no owner, tried again by RetryStale
    // as long as the file stays open.
    void RemoveAll(const void* owner, const std::function<bool(const TLockedRegion&)>& release);
    size_t Count() const { return regions_.size(); }
    size_t StaleCount() const { return stale_.size(); }

private:
    std::vector<TLockedRegion> regions_;
    std::vector<TLockedRegion> stale_;
};

} // namespace vorsam
