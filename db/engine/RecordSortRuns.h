// TSortRuns: the sorted runs of an external sort, each in a temporary ".TMP" file, and their merge.
//
// Run file: its entries one after another, each the record's sort key (TSortKeys::KeyLength bytes)
// followed by the plain record image; enciphered entry by entry when the table is. The files are
// temporary (deleted when closed, never visible on disk) and live as long as the TSortRuns.
#pragma once

#include "db/engine/RecordSortKeys.h"
#include "db/lib/FileHandler.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vorsam {

class TSortRuns {
public:
    // Entries of `entrySize` bytes (key and image); run files in `folder`, in memory when `inMemory`.
    TSortRuns(const TSortKeys& keys, size_t entrySize, std::string folder, bool inMemory, bool encrypted);
    ~TSortRuns();
    TSortRuns(const TSortRuns&) = delete;
    TSortRuns& operator=(const TSortRuns&) = delete;

    // Writes `count` entries, in sorted order, as a new run.
    void AddRun(std::vector<uint8_t>& entries, uint32_t count);
    size_t RunCount() const { return runs_.size(); }

    // Hands the entries of all runs to `take` in sorted order (equal keys: the earlier run first) until
    // it answers false. The runs are read in chunks that share `memoryBudget` bytes.
    void Merge(size_t memoryBudget, const std::function<bool(const uint8_t* entry)>& take);

private:
    struct TRun;
    bool LoadChunk(TRun& run);
    bool After(size_t a, size_t b) const;

    const TSortKeys& keys_;
    size_t entrySize_;
    std::string folder_;
    bool inMemory_;
    bool encrypted_;
    std::vector<std::unique_ptr<TRun>> runs_;
};

} // namespace vorsam
