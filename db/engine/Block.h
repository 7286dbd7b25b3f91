// TBlock: one block of a blob file as the block cache (ItemCache.h) holds it (plain, deciphered), and
// TBlockStack, the pool of idle TBlock objects.
//
// Block (block size bytes; block n at offset 512 + (n - 1) x block size of the blob file, BlobFile.h):
//   +0   u32   previous block of the blob; 0 in the first block
//   +4   u32   next block of the blob, 0 in the last; in a free block, the next free block (0 at the end)
//   +8   u16   data bytes used in this block
//   +10  u32   sequence number of the blob that owns the block; 0 in a free block
//   +14  u32   total size of the blob in bytes in its first block; 0 in the others
//   +18        data: block size - 18 bytes
// A blob is a doubly linked chain of blocks, each full but the last. In an encrypted table the 18-byte
// block header and the data are enciphered each on their own.
#pragma once

#include "db/engine/ItemCache.h"

#include <cstdint>
#include <span>
#include <vector>

namespace vorsam {

class TBlobFile;

inline constexpr uint16_t BlockHeaderSize = 18;

class TBlock : public TCachedItem {
public:
    using TOwner = TBlobFile;
    static constexpr size_t PoolCapacity = 32;

    explicit TBlock(TBlobFile& owner);

    TBlobFile& Owner() const { return owner_; }
    uint32_t BlockNumber() const { return Number(); }
    void SetNumber(uint32_t number) { number_ = number; }

    uint32_t Previous() const { return previous_; }
    uint32_t Next() const { return next_; }
    uint16_t Used() const { return used_; }
    uint32_t Sequence() const { return sequence_; }
    uint32_t TotalSize() const { return totalSize_; }
    // The setters mark the block modified.
    void SetPrevious(uint32_t value);
    void SetNext(uint32_t value);
    void SetSequence(uint32_t value);
    void SetTotalSize(uint32_t value);
    // Data bytes a block holds: the block size - 18.
    uint16_t Capacity() const { return uint16_t(data_.size()); }
    std::span<const uint8_t> Data() const { return data_; }

    // Sizes the data to the owner's capacity and zeroes header and data; clears the modified flag.
    void Clear();
    // Copies a block in (deciphering it when the table is encrypted); clears modified and unwritten.
    void LoadFrom(const uint8_t* bytes);
    // Copies the block out (enciphering it when the table is encrypted); clears modified and unwritten.
    void StoreTo(uint8_t* bytes);
    // Copies up to `length` data bytes from `offset` on, never beyond the used bytes; returns how many.
    // A range beyond the capacity raises VORSAM_INVALIDBLOBLEN.
    size_t ReadData(size_t offset, size_t length, uint8_t* destination) const;
    // Writes `length` bytes at `offset`; the used bytes become offset + length. A range beyond the
    // capacity raises VORSAM_INVALIDBLOBLEN.
    void WriteData(size_t offset, size_t length, const uint8_t* source);

private:
    void CheckRange(size_t offset, size_t length) const;

    TBlobFile& owner_;
    uint32_t previous_ = 0;
    uint32_t next_ = 0;
    uint16_t used_ = 0;
    uint32_t sequence_ = 0;
    uint32_t totalSize_ = 0;
    std::vector<uint8_t> data_;
};

// -1, 0 or 1 as the block's number is below, equal to or above the number.
inline int CompareBlockNumber(const TBlock& block, int32_t number) {
    return CompareItemNumber(block, number);
}

using TBlockStack = TItemStack<TBlock>;

} // namespace vorsam
