// Shared pieces of the index tests: field lists laid out as a data file lays them out, record images and
// index files in memory. The library globals and ErrorCodeOf come from the base library's test support.
#pragma once

#include "db/engine/EngineSettings.h"
#include "db/engine/IndexFile.h"
#include "db/engine/IndexVerify.h"
#include "db/lib/EngineErrors.h"
#include "db/lib/FieldDescriptor.h"
#include "db/lib/TestSupport.h"

#include "FakeTableOwner.h"
#include "FieldSpecs.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace vorsam::test {

// The byte order of keys for the oracles' sets and maps. The same order as the vectors' own `<`, which
// g++ 12 at -O3 wrongly flags (-Wstringop-overread) inside std::set and std::map.
struct TKeyOrder {
    bool operator()(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) const {
        return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end());
    }
};

// A record image: status 0, its number, its +5 value; fields set with the Put helpers.
class TRecordImage {
public:
    TRecordImage(const std::vector<TFieldDescriptor>& fields, uint32_t number, int32_t sequence);
    void PutInteger(uint16_t field, int32_t value);
    void PutString(uint16_t field, const std::string& value);
    void PutNull(uint16_t field);
    const std::vector<uint8_t>& Bytes() const { return bytes_; }

private:
    const std::vector<TFieldDescriptor>& fields_;
    std::vector<uint8_t> bytes_;
};

// The active records of a table kept in a map; the fake the index checks read.
class TFakeRecords : public TActiveRecords {
public:
    void ForEachActiveRecord(const TVisitor& visit) override {
        for (const auto& [number, image] : Records) visit(number, image);
    }
    std::map<uint32_t, std::vector<uint8_t>> Records;
};

// A new index file in memory of a fake table with the given settings; removed at the end of the test.
class TMemoryIndexFile {
public:
    explicit TMemoryIndexFile(const EngineSettings& settings, const std::string& name = "index.IDX",
                              bool encrypted = false);
    ~TMemoryIndexFile();
    TIndexFile& operator*() { return *file_; }
    TIndexFile* operator->() { return file_.get(); }
    TFakeTableOwner& Owner() { return owner_; }
    // Closes and opens the file again (unwritten changes are written first).
    void Reopen();
    // The file's bytes as they stand.
    std::vector<uint8_t> FileBytes();

private:
    std::string name_;
    TFakeTableOwner owner_;
    std::unique_ptr<TIndexFile> file_;
};

// Writes every modified page and the header.
void FlushAll(TIndexFile& file);

} // namespace vorsam::test
