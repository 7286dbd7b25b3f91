// The session settings that the table files read, as one value, so that the data, index and blob
// files and their caches can be built and tested before (and apart from) the session. The session
// owns one and hands the files a reference; tests make their own.
//
// Cache sizes derive from the buffer sizes: the record cache holds BufferSize / record size records
// (bounded by RecordCacheLimit; an in-memory table's by DefaultBufferSize too), an index page slot holds
// BufferSize / 8192 pages per index, and the blob cache BlobBufferSize / block size blocks (bounded by
// BlobBufferLimit).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vorsam {

// A table file's cache that holds part of its session's budget of changes (SpillFile.h).
class TChangeHolder {
public:
    // The table the file belongs to.
    virtual const void* HolderTable() const = 0;
    // Gives its part back: its changes to its spill file, its cache back to its size.
    virtual void GiveBack() = 0;

protected:
    ~TChangeHolder() = default;
};

// The bytes that the tables reading one settings object (a session's) keep in their caches beyond the
// caches' sizes while locked whole, mostly changes that may not reach the files yet, and the caches that
// hold them; and the bytes of the changes waiting in their spill files. A copy of the settings counts
// afresh.
struct TChangeBytes {
    TChangeBytes() = default;
    TChangeBytes(const TChangeBytes&) {}
    TChangeBytes& operator=(const TChangeBytes&) { return *this; }
    mutable uint64_t Held = 0;
    mutable uint64_t Spilled = 0;
    mutable std::vector<TChangeHolder*> Holders;
};

inline constexpr uint32_t DefaultBufferSize = 16384; // bytes

struct EngineSettings {
    bool ForceBufferFlush = false;      // data sync after every end of write
    bool StrictChangeDetection = false; // compare whole headers, not only change counters
    uint8_t LockRetryCount = 15;        // record locks: tries after a refused one
    uint16_t LockWaitTime = 100;        // record locks: milliseconds between tries
    uint32_t LockTries = 32767;         // table, read-slot and write locks: tries, 3 ms apart
    bool Remote = false;
    uint32_t BufferSize = DefaultBufferSize; // record cache and index pages
    uint32_t RecordCacheLimit = 8192;        // records; also the in-memory limit of a sort run
    uint32_t IndexBufferSize = 16384;
    uint32_t BlobBufferSize = 32768;
    uint32_t BlobBufferLimit = 8192; // blocks
    std::string PrivateDirectory;    // sort runs go here; empty: the system's temporary folder
    // Past this many bytes of changes held beyond the caches' sizes under whole-table locks (all the
    // session's tables together), a table puts its changed records and pages into its spill files
    // (SpillFile.h) instead of growing its caches.
    uint32_t ChangeBudget = 4 << 20;
    TChangeBytes HeldChanges;
};

// What a file's cache asks of its owner (the shared table, or a cursor reading through it). Tests
// use a fake.
class CacheClient {
public:
    virtual ~CacheClient() = default;
    // Called before a cache reads from disk: lets the owner compare the files' change counters with
    // the ones it last saw and drop what another process changed. True when it found such a change;
    // the cache then hands out nothing and the caller starts its operation again.
    virtual bool CheckForChanges() = 0;
    // How many records (or pages, blocks) to read ahead after the one asked for, in the current
    // direction of the reader; 0 reads just the one.
    virtual uint32_t ReadAheadCount() = 0;
    virtual const EngineSettings& Settings() const = 0;
};

} // namespace vorsam
