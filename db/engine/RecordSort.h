// Sorting and grouping a data file's records in place (TDataFile::SortRecords), for result tables: the
// active records are rewritten in sorted order from slot 1 on, renumbered (output record k gets record
// number k and +5 value k), and optionally reduced to distinct keys, to one record per group, and to a
// maximum count. Deleted slots are left out.
//
// Sort key of a record: per sort field its null-indicator byte (0 = null; a null value keys as zero
// bytes) and its value as an order-preserving key (db/lib/FieldKeys.h; upper-cased when the sort is
// case-insensitive; descending fields complemented under language 0), then the record's +5 value as a
// 4-byte integer key (the tail). Records with equal keys keep their slot order, so both ways of sorting
// give the same table. Duplicates and groups are detected without the tail. Under a language other
// than 0, string fields compare under the table's locale and descending fields are reversed instead.
//
// Output rule, over the records in sorted order:
//   - distinct: a record whose key equals the last output record's is dropped;
//   - group: a record whose key differs from the open group's starts a new group: the open group is
//     closed first (FinishGroup on its output record, then KeepGroup, which takes that record back when
//     it answers false), then the record is output and Accumulate(output, output) runs; a record of the
//     open group is folded in with Accumulate(last output, record); the last group is closed at the end;
//   - otherwise every record is output.
// With a maximum (not negative), nothing is output once that many records are: records stop coming
// when the maximum is reached outside a group, and at the first new group after it (a group always
// takes all its records). A maximum of 0 gives an empty table.
//
// The records are sorted in memory when the record cache holds them all; otherwise in runs of
// min(1,048,576 div record size, RecordCacheLimit) records, each sorted and written to a temporary file
// (".TMP", in the session's private directory, in memory for an in-memory table; deleted when closed,
// and never visible on disk), then merged through a heap into the data file. The temporary files are
// gone when the call returns, also after an error; the data file may then hold a partly rewritten record
// area (the callers sort scratch tables).
//
// Afterwards the record cache is empty, the file holds exactly the n output records (next record number
// n + 1, no free chain, the last auto-increment value at least n) and the header is marked changed. The
// caller (the table) must then set the index file's active-record count to n, rebuild the table's
// indexes from the records, and write the headers as at the end of any write.
#pragma once

#include "db/lib/FieldDescriptor.h"

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace vorsam {

// Folds the input record into the output record of its group (record images, prefix included). At a
// group's start it is called with the group's output record as both output and input (one span), so
// that it can tell a start (output.data() == input.data()) from a fold.
using TSortAccumulator = std::function<void(std::span<uint8_t> output, std::span<const uint8_t> input)>;
// Completes a group's output record.
using TSortGroupFinisher = std::function<void(std::span<uint8_t> last)>;
// Whether a completed group's output record stays.
using TSortKeepFilter = std::function<bool(std::span<const uint8_t> last)>;

struct TSortRequest {
    // Copies of the table's descriptors of the sort fields, most significant first; SortDescending()
    // (+253) marks a descending field.
    std::vector<TFieldDescriptor> Fields;
    int64_t MaxCount = -1; // negative: no maximum
    bool Distinct = false;
    bool Group = false;
    bool CaseInsensitive = false;
    TSortAccumulator Accumulate;    // with Group; none: groups keep their first record as it is
    TSortGroupFinisher FinishGroup; // enabled when set
    TSortKeepFilter KeepGroup;      // enabled when set
};

} // namespace vorsam
