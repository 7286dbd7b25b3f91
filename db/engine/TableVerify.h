// The consistency check of a table's files, run by the engine's tests after every operation and usable
// as a diagnosis: each check adds what it finds wrong to a report instead of raising, so one run lists
// every problem. It reads through the files' caches, so it sees the table as this process does,
// flushed or not, and writes nothing.
//
// Data file share (VerifyDataFile):
//   - header and descriptors obey the layout rules (DataFileValidation.h; appended slots still in the
//     cache may be missing from the file), at most 1024 fields, the blob-field count is that of the
//     type-3 fields and at most 128;
//   - every slot 1 .. next record number - 1 can be read and is active or deleted;
//   - the free chain runs from the head through deleted records only, within the slots, without a
//     cycle; outside record order (where deleted slots are never reused) it holds every deleted record.
// The report counts the active records, for the index share to compare with its trees and its count;
// ForEachActiveRecord gives the index share the active records themselves.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace vorsam {

class TDataFile;

struct TVerifyReport {
    std::vector<std::string> Problems;
    uint32_t ActiveRecords = 0;
    uint32_t DeletedRecords = 0;
    uint32_t FreeChainLength = 0;

    bool Ok() const { return Problems.empty(); }
    void Add(std::string problem) { Problems.push_back(std::move(problem)); }
};

using TRecordVisitor = std::function<void(uint32_t recordNumber, std::span<const uint8_t> image)>;

// Calls `visit` with every active record in record-number order (the image as the cache holds it, plain).
// Engine errors of the reads pass on.
void ForEachActiveRecord(TDataFile& file, const TRecordVisitor& visit);

// Adds the data file's problems to the report and counts its records. The file must be open.
void VerifyDataFile(TDataFile& file, TVerifyReport& report);

} // namespace vorsam
