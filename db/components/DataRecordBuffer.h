// The buffers of a dataset over a cursor: the record buffer of each buffered record, the key buffers of
// key searches and ranges, and the sizes of block reading.
//
// Record buffer (one per buffered record, and one spare), laid out contiguously:
//   +0                 record image     the cursor's record size: exactly the cursor's record (prefix,
//                                       then per field a null-indicator byte and the value); the
//                                       dataset reads and writes it only through the cursor
//   +RecordSize        calculated fields the framework's calculated-fields size: per calculated field,
//                                       at its offset, a flag byte (non-zero: has a value), then the value
//   +RecordInfoOffset  record info      8 bytes: i32 record number (-1 for a new record, 0 while not
//                                       counted yet), u8 bookmark flag (0 current, 1 before the first,
//                                       2 after the last, 3 inserted), 3 bytes not used
//   +BookmarkOffset    bookmark         the cursor's bookmark size: the cursor's bookmark of the record
// The sizes are computed when the cursor opens and again after every switch of index (the bookmark
// holds the key, so its size follows the index). They are computed in 64 bits and refused above
// MaxRecordBufferSize, so no sum can wrap.
//
// Key buffer: a modified flag (the buffer holds a key), the number of key fields set, and a record image
// in which the key fields are set as in a record.
#pragma once

#include "platform/data/DataTypes.h"

#include <cstdint>
#include <span>
#include <vector>

namespace vorsam {

inline constexpr uint32_t RecordInfoSize = 8;
inline constexpr int32_t NewRecordNumber = -1;
// A record read through a filter: its number (its place among the records the filter lets through) is
// counted from the first record, so only when asked for.
inline constexpr int32_t UncountedRecordNumber = 0;
// Largest record buffer the dataset makes.
inline constexpr uint64_t MaxRecordBufferSize = 1u << 20;

struct TRecordBufferLayout {
    uint32_t RecordSize = 0;
    uint32_t CalcFieldsSize = 0;
    uint32_t RecordInfoOffset = 0;
    uint32_t BookmarkOffset = 0;
    uint32_t BookmarkSize = 0;
    uint32_t BufferSize = 0;

    // The layout of the sizes; a database error when the buffer would exceed MaxRecordBufferSize.
    static TRecordBufferLayout Compute(uint64_t recordSize, uint64_t calcFieldsSize, uint64_t bookmarkSize);
};

// One record buffer seen through its layout.
class TDataRecordBuffer {
public:
    TDataRecordBuffer(char* data, const TRecordBufferLayout& layout) : data_(data), layout_(layout) {}

    std::span<uint8_t> Image() const { return {reinterpret_cast<uint8_t*>(data_), layout_.RecordSize}; }
    char* CalcFields() const { return data_ + layout_.RecordSize; }
    int32_t RecordNumber() const;
    void SetRecordNumber(int32_t number) const;
    platform::data::TBookmarkFlag Flag() const;
    void SetFlag(platform::data::TBookmarkFlag flag) const;
    std::span<uint8_t> Bookmark() const {
        return {reinterpret_cast<uint8_t*>(data_) + layout_.BookmarkOffset, layout_.BookmarkSize};
    }

private:
    char* data_;
    const TRecordBufferLayout& layout_;
};

struct TKeyBuffer {
    bool Modified = false;
    int32_t FieldCount = 0;
    std::vector<uint8_t> Image;

    bool operator==(const TKeyBuffer&) const = default;
};

// The key buffers of an open dataset, by their use.
enum TKeyIndex { kiLookup, kiRangeStart, kiRangeEnd, kiCurRangeStart, kiCurRangeEnd, kiSave, KeyBufferCount };

// Block reading: the bytes of a block of `records` records of `recordSize` bytes. The largest 32-bit
// count asks for 65536 bytes; any count is held to MaxBlockBytes; a block always holds one record.
inline constexpr uint64_t MaxBlockBytes = 4u << 20;
uint64_t BlockBytes(int64_t records, uint32_t recordSize);

// The capacity to give a byte array that must hold `size` bytes and grows a quarter beyond, so that
// the same read of a slightly larger value seldom grows it again; the slack is held to MaxGrowthSlack.
inline constexpr uint64_t MaxGrowthSlack = 1u << 20;
uint64_t GrownCapacity(uint64_t size);

} // namespace vorsam
