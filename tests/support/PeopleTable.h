// The people table of the engine's tests, without any test framework, so that the test worker, the
// robustness tests and the fuzzer's seed generator share it: a unique key, a value under no index, a
// name under a non-unique case-insensitive index and, when asked, a memo; records built and read back
// as plain values, and the table's contents as an oracle compares them.
#pragma once

#include "db/engine/DataTable.h"

#include <cstdint>
#include <map>
#include <span>
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

using TContents = std::map<int32_t, TPerson>;

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
TContents Contents(TDataTable& table);
// The record number of the key (through the primary index, or in record order a unique index on KEY);
// 0 when none.
uint32_t RecordOf(TDataTable& table, int32_t key);
// Sets the person (appending when the key is new, with its memo in a memo table) in one write.
void PutPerson(TDataTable& table, const TPerson& person);
void DeletePerson(TDataTable& table, int32_t key);

// A short text that differs between two different contents (a 64-bit FNV-1a hash of every person, in
// hexadecimal), for comparing contents read in another process.
std::string ContentsDigest(const TContents& contents);

// The problems VerifyTable finds, as one text (empty when none).
std::string Problems(TDataTable& table);

} // namespace vorsam::test
