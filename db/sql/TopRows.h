// The rows an ORDER BY ... TOP n keeps, chosen while they are read: a bounded heap of the n rows that sort
// first by the ORDER BY's keys (the record sort's keys of the result columns, RecordSortKeys.h) and, among
// equal keys, by the order they were read in, which is the order the sort of every row would keep them
// in. Only those rows are written into the result table, in the order they were read; the sort of the
// result then orders them as it would have ordered the first n of all.
#pragma once

#include "db/engine/RecordSortKeys.h"

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace vorsam {

class TDataCursor;
class TDataQuery;

class TTopRows {
public:
    // For the block's ORDER BY on its result cursor, keeping `count` rows.
    TTopRows(TDataQuery& query, size_t count);

    // Offers a result record (the next row read).
    void Offer(std::span<const uint8_t> record);
    // Appends the kept rows to the result, in the order they were read.
    void AppendTo(TDataCursor& result);

private:
    struct TRow {
        std::vector<uint8_t> Key;
        std::vector<uint8_t> Record;
    };
    bool Before(const TRow& a, const TRow& b) const;

    std::unique_ptr<TSortKeys> keys_;
    size_t count_;
    int32_t offered_ = 0;
    std::vector<TRow> heap_; // a max-heap: the row that sorts last on top
    std::vector<uint8_t> key_;
};

} // namespace vorsam
