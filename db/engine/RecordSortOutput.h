// TSortOutput: the output rule of a sort (RecordSort.h) applied to records offered in sorted order. The
// output records are renumbered and gathered in a buffer that goes to the writer whenever it is full and
// a new record comes, and at the end; the last output record is always still in the buffer, so that a
// group can fold into it or take it back.
#pragma once

#include "db/engine/RecordSort.h"
#include "db/engine/RecordSortKeys.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace vorsam {

class TSortOutput {
public:
    // Writes `count` plain record images, numbered from `firstNumber` on.
    using TWriter = std::function<void(const uint8_t* images, uint32_t firstNumber, uint32_t count)>;

    TSortOutput(const TSortRequest& request, const TSortKeys& keys, uint16_t recordSize,
                uint32_t bufferRecords, TWriter writer);

    // Offers the next record (its image and key); false once no more records can be output.
    bool Take(const uint8_t* image, const uint8_t* key);
    // Closes the last group and writes what is left; the number of records output.
    uint32_t Finish();

private:
    bool LimitReached() const { return request_.MaxCount >= 0 && int64_t(count_) >= request_.MaxCount; }
    bool SameAsLast(const uint8_t* key) const;
    void Emit(const uint8_t* image, const uint8_t* key);
    void CloseGroup();
    std::span<uint8_t> Last();
    void FlushBuffer();

    const TSortRequest& request_;
    const TSortKeys& keys_;
    uint16_t recordSize_;
    uint32_t capacity_;
    TWriter writer_;
    std::vector<uint8_t> buffer_;
    std::vector<uint8_t> lastKey_;
    uint32_t count_ = 0;    // records output so far
    uint32_t buffered_ = 0; // of which the last ones still in the buffer
    bool groupOpen_ = false;
};

} // namespace vorsam
