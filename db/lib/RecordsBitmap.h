// TRecordsBitmap: a set of record numbers 1 .. record count, one bit each, as filters, ranges and
// queries build them.
#pragma once

#include <cstdint>
#include <vector>

namespace vorsam {

class TRecordsBitmap {
public:
    explicit TRecordsBitmap(uint32_t recordCount = 0) { SetRecordCount(recordCount); }

    uint32_t RecordCount() const { return count_; }
    // Keeps the bits of the records that remain; new records start clear.
    void SetRecordCount(uint32_t count);

    // False for numbers outside 1 .. record count.
    bool GetBit(uint32_t n) const;
    // Sets or clears record n (1-based); setting a record beyond the count extends the count to it.
    void SetBit(uint32_t n, bool value = true);
    void ClearAll();
    void SetAll();

    uint32_t CountSetBits() const;
    // The first set record after `after` (0 starts at record 1); 0 when there is none.
    uint32_t NextSetBit(uint32_t after) const;
    // The last set record before `before` (record count + 1 or more starts at the last); 0 when none.
    uint32_t PriorSetBit(uint32_t before) const;

private:
    void ClearUnusedBits();
    std::vector<uint64_t> words_;
    uint32_t count_ = 0;
};

} // namespace vorsam
