// Shared pieces of the data file tests: a fake owning table, field definitions laid out as a table's
// create lays them out, and a data file created on disk or in memory.
#pragma once

#include "db/lib/FileTestSupport.h"

#include "FakeTableOwner.h"
#include "FieldSpecs.h"

#include "db/engine/DataFile.h"
#include "db/lib/FileFaults.h"

#include <memory>
#include <string>
#include <vector>

namespace vorsam::test {

// `count` string fields of 250 characters named F1, F2, ...
std::vector<TFieldDescriptor> WideFields(size_t count);

struct TTableOptions {
    bool Encrypted = false;
    std::string Description = {};
    std::string Password = {};
    uint32_t BlobBlockSize = 512;
};

// Data files of one table under test, on disk or in memory (the test parameter).
class TDataFileTest : public TFileTest {
protected:
    std::string Path() const { return dir_.File("PEOPLE.DAT"); }
    std::unique_ptr<TDataFile> NewFile(bool exclusive = false) {
        auto file = std::make_unique<TDataFile>(owner_);
        file->SetFileName(Path());
        file->SetInMemory(InMemory());
        file->SetExclusive(exclusive);
        return file;
    }
    // Creates the table with the fields and writes its header and descriptors.
    std::unique_ptr<TDataFile> CreateTable(const std::vector<TFieldDescriptor>& fields,
                                           const TTableOptions& options = {});
    std::unique_ptr<TDataFile> OpenTable(bool exclusive = false) {
        auto file = NewFile(exclusive);
        file->Open();
        return file;
    }
    // Ends a write as the table does (records, then header), closes the table and opens it again,
    // validated.
    std::unique_ptr<TDataFile> Reopen(std::unique_ptr<TDataFile> file);
    // A table of `count` records made by AppendRecords, reopened with a fresh cache.
    std::unique_ptr<TDataFile> TableWithRecords(size_t count, const std::vector<TFieldDescriptor>& fields);
    // The file's bytes as they are now, through a handler of its own.
    std::string FileBytes();
    void OverwriteFile(const std::string& bytes);

    TFakeTableOwner owner_;
};

} // namespace vorsam::test

namespace vorsam::test {

class TFakeCacheClient : public CacheClient {
public:
    bool CheckForChanges() override {
        ++Checks;
        return ReportChange;
    }
    uint32_t ReadAheadCount() override { return Count; }
    const EngineSettings& Settings() const override { return Config; }

    EngineSettings Config;
    bool ReportChange = false;
    uint32_t Count = 0;
    int Checks = 0;
};

// The reads and writes the file layer performs on one file while it lives.
class TIoLog {
public:
    explicit TIoLog(const std::string& fileName);
    ~TIoLog();
    struct TEntry {
        TFileOperation Operation;
        uint64_t Offset;
        uint64_t Length;
    };
    std::vector<TEntry> Entries;
    size_t Count(TFileOperation operation) const;
    void Clear() { Entries.clear(); }
};

// Appends `count` records whose +9 holds their number (as u32) and releases them; returns their numbers.
std::vector<uint32_t> AppendRecords(TDataFile& file, size_t count);
// The u32 at +9 of a record (the marker AppendRecords writes).
uint32_t Marker(const TRecord& record);
void SetMarker(TRecord& record, uint32_t value);

} // namespace vorsam::test
