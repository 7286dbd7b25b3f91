// What a table's files ask of the table that owns them (the shared table of a directory), so that the
// data, index and blob files can be built and tested before (and apart from) the table. Tests use a fake.
#pragma once

#include "db/engine/EngineSettings.h"

#include <cstdint>
#include <string>

namespace vorsam {

class TTableWriteSink;

class TableFileOwner {
public:
    virtual ~TableFileOwner() = default;

    // The session settings the files read (cache sizes, ForceBufferFlush, StrictChangeDetection).
    virtual const EngineSettings& Settings() const = 0;
    // Names put into the context of every error a file raises.
    virtual std::string TableName() const = 0;
    virtual std::string DatabaseName() const = 0;
    // Called after every write to any of the table's files.
    virtual void MarkModified() = 0;
    // Called before a write that changes what a file holds besides its header (records, pages, blocks,
    // descriptors, a truncation), so that the table can first mark its data file as being written: a
    // write that never ends is then detected when the table is next read.
    virtual void BeforeWrite() = 0;
    // The table is encrypted (the data file's header says so): index pages and header, blob header and
    // blocks are enciphered too.
    virtual bool Encrypted() const = 0;
    // This process holds a lock level of the table (reading, writing or the whole table).
    virtual bool Locked() const = 0;
    // This process has locked the whole table: what the caches hold may be uncommitted work, which
    // only the end of the lock writes (or discards).
    virtual bool LockedWhole() const = 0;
    // The primary index is the record-number order: new records always go to the end.
    virtual bool RecordOrder() const = 0;
    // Where the files' writes go instead of the files, while a journaled write gathers them; none
    // otherwise.
    virtual TTableWriteSink* WriteSink() const { return nullptr; }
    // Bytes that the record cache, and the page cache of each index, keep room for at least, whatever the
    // settings say (a statement reading the table holds them); 0 when none is held.
    virtual uint32_t ReaderCacheBytes() const { return 0; }
};

} // namespace vorsam
