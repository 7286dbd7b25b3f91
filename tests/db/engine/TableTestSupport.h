// Shared pieces of the shared-table tests: a table of people (a unique key, a value under no index, a
// name under a non-unique case-insensitive index and, when asked, a memo) on disk or in memory, records
// built and read back as plain values, the table's contents as an oracle compares them, and the check
// that ends each test.
#pragma once

#include "db/lib/FileTestSupport.h"

#include "db/engine/DataTable.h"
#include "db/engine/TableVerify.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace vorsam::test {

struct TPerson {
    TPerson(int32_t key = 0, int32_t value = 0, std::string name = {}, std::string memo = {})
        : Key(key), Value(value), Name(std::move(name)), Memo(std::move(memo)) {}
    int32_t Key;
    int32_t Value;
    std::string Name;
    std::string Memo; // only in a table with a memo; empty: no blob
    bool operator==(const TPerson&) const = default;
};

// A definition of an index over the fields.
TIndexDefinition IndexOn(const std::string& name, std::vector<uint16_t> fields, bool unique = false);

// Fields KEY (integer), VALUE (integer), NAME (string 20) and, with `memo`, DOC (memo); primary index on
// KEY, "ByName" (non-unique, case-insensitive, compressed) on NAME.
TTableDefinition PeopleDefinition(bool memo = false);

// The record image of a person; the memo is not stored (see SaveMemo).
std::vector<uint8_t> PersonImage(TDataTable& table, const TPerson& person);
// The person a record holds, with its memo read from the blob file.
TPerson PersonOf(TDataTable& table, std::span<const uint8_t> image);
// Writes the memo as the blob of the image's DOC field (inside a write), freeing the old one when the
// memo is empty; the image's BLOB value is set.
void SaveMemo(TDataTable& table, std::vector<uint8_t>& image, const std::string& memo, uint32_t recordNumber);

// Every active record by key.
std::map<int32_t, TPerson> Contents(TDataTable& table);
// The record number of the key; 0 when none.
uint32_t RecordOf(TDataTable& table, int32_t key);
// Sets the person (appending when the key is new, with its memo in a memo table) in one write.
void PutPerson(TDataTable& table, const TPerson& person);
void DeletePerson(TDataTable& table, int32_t key);

// The problems VerifyTable finds, as one text (empty when none).
std::string Problems(TDataTable& table);

class TTableTest : public TFileTest {
protected:
    // A lock that never comes fails within a second or so, not after minutes.
    TTableTest() { settings_.LockTries = 300; }

    TTableLocation Location(const std::string& name = "PEOPLE") const {
        return {dir_.Path(), name, InMemory(), "Memory"};
    }
    std::unique_ptr<TDataTable> NewTable(const std::string& name = "PEOPLE") {
        return std::make_unique<TDataTable>(settings_, Location(name));
    }
    // Creates the people table and opens it.
    std::unique_ptr<TDataTable> CreatePeople(bool memo = false, TTableOpenMode mode = {});
    std::unique_ptr<TDataTable> OpenPeople(TTableOpenMode mode = {});

    EngineSettings settings_;
};

} // namespace vorsam::test
