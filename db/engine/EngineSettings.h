// The session settings that the table files read, as one value, so that the data, index and blob
// files and their caches can be built and tested before (and apart from) the session. The session
// owns one and hands the files a reference; tests make their own.
//
// Cache sizes derive from the buffer sizes: the record cache holds BufferSize / record size records
// (bounded by RecordCacheLimit), an index page slot holds BufferSize / 8192 pages per index, and the
// blob cache BlobBufferSize / block size blocks (bounded by BlobBufferLimit).
#pragma once

#include <cstdint>
#include <string>

namespace vorsam {

struct EngineSettings {
    bool ForceBufferFlush = false;      // data sync after every end of write
    bool StrictChangeDetection = false; // compare whole headers, not only change counters
    uint8_t LockRetryCount = 15;        // record locks: tries after a refused one
    uint16_t LockWaitTime = 100;        // record locks: milliseconds between tries
    uint32_t LockTries = 32767;         // table, read-slot and write locks: tries, 3 ms apart
    bool Remote = false;
    uint32_t BufferSize = 16384;      // record cache and index pages
    uint32_t RecordCacheLimit = 8192; // records; also the in-memory limit of a sort run
    uint32_t IndexBufferSize = 16384;
    uint32_t BlobBufferSize = 32768;
    uint32_t BlobBufferLimit = 8192; // blocks
    std::string PrivateDirectory;    // sort runs go here; empty: the system's temporary folder
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
