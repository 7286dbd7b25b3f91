#include "db/components/DataRecordBuffer.h"

#include "platform/data/Errors.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

namespace vorsam {

namespace {

constexpr const char* SRecordBufferTooLarge = "A record buffer of %s bytes exceeds the limit of %s bytes.";

} // namespace

TRecordBufferLayout TRecordBufferLayout::Compute(uint64_t recordSize, uint64_t calcFieldsSize,
                                                 uint64_t bookmarkSize) {
    // Each size is far below 2^64 / 4, so the sum cannot wrap before it is checked.
    const uint64_t limit = MaxRecordBufferSize;
    const uint64_t total = std::min(recordSize, limit + 1) + std::min(calcFieldsSize, limit + 1) +
                           RecordInfoSize + std::min(bookmarkSize, limit + 1);
    if (total > limit)
        platform::data::DatabaseErrorFmt(SRecordBufferTooLarge,
                                         {std::to_string(total), std::to_string(limit)});
    TRecordBufferLayout layout;
    layout.RecordSize = uint32_t(recordSize);
    layout.CalcFieldsSize = uint32_t(calcFieldsSize);
    layout.RecordInfoOffset = uint32_t(recordSize + calcFieldsSize);
    layout.BookmarkOffset = layout.RecordInfoOffset + RecordInfoSize;
    layout.BookmarkSize = uint32_t(bookmarkSize);
    layout.BufferSize = uint32_t(total);
    return layout;
}

int32_t TDataRecordBuffer::RecordNumber() const {
    int32_t number = 0;
    std::memcpy(&number, data_ + layout_.RecordInfoOffset, sizeof number);
    return number;
}

void TDataRecordBuffer::SetRecordNumber(int32_t number) const {
    std::memcpy(data_ + layout_.RecordInfoOffset, &number, sizeof number);
}

platform::data::TBookmarkFlag TDataRecordBuffer::Flag() const {
    return platform::data::TBookmarkFlag(data_[layout_.RecordInfoOffset + 4]);
}

void TDataRecordBuffer::SetFlag(platform::data::TBookmarkFlag flag) const {
    data_[layout_.RecordInfoOffset + 4] = char(flag);
}

uint64_t BlockBytes(int64_t records, uint32_t recordSize) {
    const uint64_t size = std::max<uint32_t>(recordSize, 1);
    uint64_t bytes = 0;
    if (records >= INT32_MAX)
        bytes = 65536;
    else if (records > 0)
        bytes = std::min(uint64_t(records), MaxBlockBytes) * size; // at most 2^22 * 2^32: no wrap
    bytes = std::min(bytes, MaxBlockBytes);
    return std::max<uint64_t>(bytes / size, 1) * size;
}

uint64_t GrownCapacity(uint64_t size) {
    const uint64_t slack = std::min(size / 4, MaxGrowthSlack);
    return size > UINT64_MAX - slack ? UINT64_MAX : size + slack;
}

} // namespace vorsam
