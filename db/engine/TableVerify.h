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
// the data file's ForEachActiveRecord gives the index share the active records themselves.
//
// Blob file share (VerifyBlobFile):
//   - format 5, a next block number of at least 1 whose blocks the file holds, a free head below it;
//   - the free chain runs within the blocks, without a cycle, through blocks of sequence 0; blocks freed
//     by a write still under way count as free;
//   - given the records' blob references (CollectBlobReferences): each chain starts at a block with no
//     previous link, runs within the blocks without a cycle, each block's previous link naming the one
//     before, every block carrying the blob's sequence and all full but the last, the used bytes adding
//     up to the first block's total size (0 in the others); and every block is either free or in exactly
//     one chain.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace vorsam {

class EVORSAMEngineError;
class TBlobFile;
class TDataFile;
class TDataTable;
struct TIndexVerifyOptions;

struct TVerifyReport {
    std::vector<std::string> Problems;
    uint32_t ActiveRecords = 0;
    uint32_t DeletedRecords = 0;
    uint32_t FreeChainLength = 0;

    bool Ok() const { return Problems.empty(); }
    void Add(std::string problem) { Problems.push_back(std::move(problem)); }
};

// Adds the data file's problems to the report and counts its records. The file must be open.
void VerifyDataFile(TDataFile& file, TVerifyReport& report);

// After a write that broke off: the header's last auto-increment value and last blob sequence are at
// least every value the active records hold (a record stamped by the broken write may hold a value
// its header never got, which the next record would be handed again). Not part of VerifyDataFile: the
// counters wrap, so a table in long use may hold larger values than its last ones.
void VerifyCountersAfterInterruptedWrite(TDataFile& file, TVerifyReport& report);

// A blob that an active record refers to: the 8-byte BLOB value of one of its fields.
struct TBlobReference {
    uint32_t RecordNumber = 0;
    uint16_t FieldNumber = 0;
    uint32_t FirstBlock = 0;
    uint32_t Sequence = 0;
};

// The BLOB values of the active records whose first block is not 0, in record and field order.
std::vector<TBlobReference> CollectBlobReferences(TDataFile& file);

// Adds the blob file's problems to the report; with `references`, also checks every chain and that each
// block is free or in exactly one chain. The file must be open.
void VerifyBlobFile(TBlobFile& file, TVerifyReport& report,
                    const std::vector<TBlobReference>* references = nullptr);

// Whether an error that stopped a check tells of damage to the files (a structure that breaks its rules, a
// link or a chain that leads astray, a file that ends before what its header counts) rather than of a
// call that failed (a read or a look at a size that the system failed, a lock, memory). A check reports
// damage as a problem and raises any other error: what could not be read is not known to be damaged, and
// a repair that took it for damage would drop what it could not read.
bool IsDamage(const EVORSAMEngineError& error);

// Checks the three files of an open table against each other, under a read level of the table: the data
// file, every index against the active records (IndexVerify.h), the blob file with every chain the
// records refer to, and that the index and blob file hold no more than their headers count (unless the
// data header carries the mark of an interrupted write). An engine error that tells of damage (IsDamage)
// is reported as a problem; any other is raised.
TVerifyReport VerifyTable(TDataTable& table);
TVerifyReport VerifyTable(TDataTable& table, const TIndexVerifyOptions& options);
// The same checks for a caller that holds a lock level of the table (or has it open exclusively); an
// engine error that stops them passes on.
void VerifyTableFiles(TDataTable& table, TVerifyReport& report);
void VerifyTableFiles(TDataTable& table, TVerifyReport& report, const TIndexVerifyOptions& options);

// For the repair: checks the chain of each reference on its own, in order (each rule above; a block that
// a chain before it holds breaks the chain). The result gives for each reference what broke its chain,
// empty when it is sound; `used` (one entry per block, from 0) marks the blocks of the sound chains.
std::vector<std::string> CheckBlobChains(TBlobFile& file, const std::vector<TBlobReference>& references,
                                         std::vector<bool>& used);

} // namespace vorsam
