// TRecordCache: the cached records of a data file, kept twice: in a list sorted by record number (binary
// search) and in a recency chain from the newest (most recently used) to the oldest. Idle objects go back
// to the pool (TRecordStack). The cache does no I/O; the data file reads and writes the slots
// (DataFile.h, record side) and decides what to evict.
//
// The list's capacity is the cache limit: below it, a new record takes a fresh object; at it, the data
// file evicts the oldest record that is clean (neither modified nor unwritten) and unpinned, or grows the
// capacity by 64 when none is.
#pragma once

#include "db/engine/Record.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace vorsam {

struct TRecordCacheStatistics {
    uint32_t CacheUses = 0; // records handed out from the cache or appended
    uint32_t ReadCalls = 0; // slot ranges asked of the disk
    uint32_t DiskReads = 0; // reads that reached the file
    uint32_t WriteRuns = 0; // writes of runs of consecutive slots
};

class TRecordCache {
public:
    static constexpr size_t NewestProbeCount = 4; // newest records looked at before the binary search
    static constexpr size_t CapacityStep = 64;

    explicit TRecordCache(TDataFile& owner) : pool_(owner) {}
    ~TRecordCache() { Clear(); }
    TRecordCache(const TRecordCache&) = delete;
    TRecordCache& operator=(const TRecordCache&) = delete;

    size_t Count() const { return list_.size(); }
    size_t Capacity() const { return capacity_; }
    void SetCapacity(size_t capacity) { capacity_ = capacity; }
    bool Full() const { return list_.size() >= capacity_; }
    void GrowCapacity() { capacity_ += CapacityStep; }

    // The cached record with the number, made the newest; nullptr when it is not cached.
    TRecord* Find(uint32_t number);
    // Position of the number in the sorted list: of its record, or where it would go.
    size_t LowerBound(uint32_t number) const;
    TRecord* At(size_t position) const { return position < list_.size() ? list_[position].get() : nullptr; }

    // Puts the record at its sorted position (given; see LowerBound) and makes it the newest.
    TRecord& Insert(size_t position, std::unique_ptr<TRecord> record);
    // Removes the record from the list and the chain; its former list position goes to `position`.
    std::unique_ptr<TRecord> Remove(TRecord& record, size_t& position);
    // Removes the record and returns it to the pool.
    void Evict(TRecord& record);
    void MakeNewest(TRecord& record);

    // The oldest clean, unpinned record of the chain; nullptr when there is none.
    TRecord* OldestEvictable() const;
    // Returns every record to the pool and empties the chain (no record may be pinned).
    void Clear();
    // The same, pinned records included (the file is closing: what a caller still holds is void).
    void Discard();

    // The records in record-number order.
    const std::vector<std::unique_ptr<TRecord>>& Records() const { return list_; }
    TRecord* Newest() const { return newest_; }
    TRecordStack& Pool() { return pool_; }
    TRecordCacheStatistics Statistics;

private:
    void Unlink(TRecord& record);
    void LinkNewest(TRecord& record);

    std::vector<std::unique_ptr<TRecord>> list_;
    size_t capacity_ = 0;
    TRecord* newest_ = nullptr;
    TRecord* oldest_ = nullptr;
    TRecordStack pool_;
};

} // namespace vorsam
