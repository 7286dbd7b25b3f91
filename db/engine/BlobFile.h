// TBlobFile: the blob file (".BLB") of a table with BLOB fields. It keeps a private copy of the file's
// header and the blocks in a block cache (ItemCache.h); a blob is a chain of blocks (Block.h) whose first
// block and sequence number the record's 8-byte BLOB value holds.
//
// File layout (integers little-endian): the 512-byte header at 0, then block n (n >= 1) at
// 512 + (n - 1) x block size, the block size being the table's blob block size (the data file's, 512 when
// it holds 0). In an encrypted table the header is enciphered as a whole with the table-data seed pair.
//
// Header:
//   +0   u32   change counter: one more at every header write, so other processes notice writes
//   +4   4     reserved, 0
//   +8   u8    file format: 5
//   +9   u32   head of the free-block chain, 0 when empty; each free block's next link names the
//              block freed before it
//   +13  u32   next block number: one more than the blocks of the file (1 when empty)
//   +17  u8    header-changed flag as it stood when the header was written; in memory the flag itself
//   +18  494   reserved, 0
//
// Header values change only in the copy, setting the header-changed flag; the owning table writes the
// header (WriteHeader) when it ends a write, after FlushBlocks. Blocks come from the cache pinned
// (GetBlock, AllocateBlock) and stay valid until ReleaseBlock; changed ones reach the disk at FlushBlocks,
// in one write per run of consecutive blocks. Close discards what was not flushed.
//
// Freeing a chain walks it whole before it changes anything, so a corrupt chain is refused as it stands:
// every link within the file, each block's previous link naming the block before it, no block pinned
// twice, no block freed twice, no more blocks than the file holds (so a cycle ends), every block
// carrying the blob's sequence (unless forced). The chain's blocks are then set aside, unchanged: they
// join the free chain (ReleaseFreedBlocks) only when the table writes its changes, after the records
// that referred to them are written, so that no block of a blob a record on disk still holds is
// overwritten before the record is (a blob is rewritten into new blocks, and the old ones freed). Free
// blocks carry sequence 0, which no blob has, and an allocation checks it.
//
// Failures raise through RaiseEngineError with the owner's table and database names:
//   VORSAM_MEMOCORRUPT       block 0 or past the next block number; a block a read does not bring; a bad
//                            link or free-chain head; a block pinned twice; a sequence mismatch while
//                            freeing
//   VORSAM_TABLEFULL         more than 2,000,000,000 blocks or 4,000,000,000 bytes
//   VORSAM_OLDVERSION, VORSAM_HEADERCORRUPT   validation; a block size outside 19 .. 65,553 bytes
//   VORSAM_INVALIDBLOBLEN    a block data access beyond its capacity (Block.h)
//   VORSAM_READERR, VORSAM_WRITEERR   from the file layer; a short read is tolerated only while the file
//                            is open exclusively or the table is locked with appended blocks unwritten
#pragma once

#include "db/engine/Block.h"
#include "db/engine/EngineSettings.h"
#include "db/engine/ItemCache.h"
#include "db/engine/TableFile.h"
#include "db/lib/ByteUtils.h"

#include <array>
#include <cstdint>
#include <unordered_set>
#include <vector>

namespace vorsam {

inline constexpr uint8_t BlobFileFormat = 5;
inline constexpr uint32_t MaxBlockNumber = 2000000000;
inline constexpr uint32_t MinBlobBlockSize = BlockHeaderSize + 1;
inline constexpr uint32_t MaxBlobBlockSize = BlockHeaderSize + 65535; // data bytes fit the u16 used count
inline constexpr uint32_t BlobReadBytesPerCall = 16384; // blocks read at once: this div the block size

class TBlobFileHeader {
public:
    static constexpr size_t Size = 512;

    TBlobFileHeader() { Bytes.fill(0); }

    uint32_t ChangeCounter() const { return LoadLE32(&Bytes[0]); }
    void SetChangeCounter(uint32_t v) { StoreLE32(&Bytes[0], v); }
    uint8_t Format() const { return Bytes[8]; }
    void SetFormat(uint8_t v) { Bytes[8] = v; }
    uint32_t FreeHead() const { return LoadLE32(&Bytes[9]); }
    void SetFreeHead(uint32_t v) { StoreLE32(&Bytes[9], v); }
    uint32_t NextBlock() const { return LoadLE32(&Bytes[13]); }
    void SetNextBlock(uint32_t v) { StoreLE32(&Bytes[13], v); }
    bool HeaderChanged() const { return Bytes[17] != 0; }
    void SetHeaderChanged(bool v) { Bytes[17] = v; }

    std::array<uint8_t, Size> Bytes;
};

class TBlobFile : public TTableFile {
public:
    explicit TBlobFile(TableFileOwner& owner);
    ~TBlobFile() override;

    // The block size, taken from the table's data file; only while closed.
    void SetBlockSize(uint32_t blockSize);
    uint32_t BlockSize() const { return blockSize_; }
    // The table's encryption (its owner says).
    bool Encrypted() const { return owner_.Encrypted(); }
    // Data bytes of one block: the block size - 18.
    uint16_t GetBlockDataSize() const { return uint16_t(blockSize_ - BlockHeaderSize); }
    // Blocks of the file: the next block number - 1. A link outside 1 .. this count is corrupt.
    uint32_t GetBlockCount() const;
    // Blocks that `bytes` bytes fill (0 for 0).
    uint32_t BlocksForBytes(uint64_t bytes) const;

    // --- Header ---

    // Opens the file, reads the header and sizes the cache (nothing when already open).
    void Open() override;
    // Drops the block cache (blocks still pinned become void), then closes.
    void Close() override;
    // Creates and opens the file with a header of format 5, free head 0 and next block 1.
    void CreateFile() override;
    void ReadHeader();
    // Reads the header on disk (deciphered in an encrypted table); when its change counter differs from
    // the copy's, it replaces the copy and the result is true.
    bool CheckHeaderChanged();
    // When forced or the header-changed flag is set: counter + 1, header written, table marked modified,
    // flag cleared; true. Otherwise false.
    bool WriteHeader(bool force = false);
    void MarkHeaderWritten();
    // Empties the file: drops the cache, truncates it after the header (TruncateContent: flushing when
    // ForceBufferFlush is set, later while the table is locked whole) and resets free head and next block.
    // The change counter keeps counting up.
    void ResetBlobFile();
    // Format 5 (else VORSAM_OLDVERSION); a next block number of 1 .. 2,000,000,001 whose blocks the file
    // holds, and a free head of 0 or below it (else VORSAM_HEADERCORRUPT).
    void ValidateBlobHeader();
    void CheckFormat() const;
    const TBlobFileHeader& Header() const { return header_; }
    bool HeaderChanged() const { return header_.HeaderChanged(); }
    // A changed header or block, or a freed block, is not yet in the file.
    bool HasUnwrittenChanges() const { return HeaderChanged() || cache_.AnyDirty() || !freed_.empty(); }
    // Where the blocks the header counts end.
    uint64_t ContentEnd() const { return BlockOffset(header_.NextBlock()); }

    // --- Repair (DataTableRepair.cpp) ---

    // Makes the next block number one more than the whole blocks the file holds, cutting the part of a
    // block that follows them; the bytes cut.
    uint64_t RestoreBlockCount();
    // Makes every block that `used` (indexed by block number) does not mark free, in a new free chain;
    // their number.
    uint32_t RebuildFreeChain(const std::vector<bool>& used);

    // --- Blocks ---

    // The pinned block `number`, from the cache or read from disk; the next block number appends a new
    // block. `client` (the cursor, or none) is asked, before a disk read while StrictChangeDetection is
    // off, whether another process changed the table: then the result is nullptr. With `readAhead` the
    // read takes up to `readAheadCount` blocks from `number` on (at most 16384 bytes' worth).
    TBlock* GetBlock(CacheClient* client, uint32_t number, uint32_t readAheadCount = 1,
                     bool readAhead = false);
    void ReleaseBlock(TBlock& block) { cache_.ReleaseItem(block); }
    // The pinned block that follows `current` in its chain, checked: its number within the file, its
    // previous link naming `current`, pinned by nobody else. nullptr as GetBlock.
    TBlock* GetLinkedBlock(CacheClient* client, const TBlock& current, uint32_t readAheadCount);
    // A pinned, cleared block for a blob: the free-chain head (which must be a free block) or a new one.
    TBlock& AllocateBlock();
    // Makes the block the free-chain head (its sequence becomes 0).
    void FreeBlock(TBlock& block);
    // Frees the chain from `firstBlock` on, whose blocks must carry `sequence` (with `force`, whatever
    // they carry): its blocks are set aside (above); `firstBlock` becomes 0. Nothing for block 0. Fetches
    // read ahead `readAheadCount` blocks, one fewer at each block.
    void FreeBlobChain(uint32_t& firstBlock, uint32_t sequence, bool force, uint32_t readAheadCount = 1);
    // The same from a block already fetched and pinned by the caller, which is released with the others.
    void FreeBlobChainFrom(TBlock& block, uint32_t readAheadCount, uint32_t sequence, bool force);
    // The blocks set aside join the free chain, the last freed at its head.
    void ReleaseFreedBlocks();
    const std::vector<uint32_t>& FreedBlocks() const { return freed_; }
    // Writes every changed, unpinned block (outside a read in progress); true when anything was written.
    bool FlushBlocks();
    // Forgets every cached block and the blocks set aside; blocks still pinned stay valid, apart, until
    // released.
    void DropBlockCache() {
        cache_.Drop();
        ForgetFreedBlocks();
    }
    // Evicts clean, unpinned blocks down to the cache limit; flushes once when none is clean, unless the
    // table is locked whole.
    void TrimBlockCache();
    // min(BlobBufferSize div block size, BlobBufferLimit) blocks.
    size_t CacheLimit() const;
    uint32_t BlocksPerRead() const { return blocksPerRead_; }
    const TItemCache<TBlock>& BlockCache() const { return cache_; }
    const TCacheStatistics& CacheStatistics() const { return cache_.Statistics; }
    bool HasUnwrittenBlocks() const { return cache_.AnyUnwritten(); }

private:
    uint64_t BlockOffset(uint32_t number) const;
    void StoreHeader();
    void LoadHeader(TBlobFileHeader& header);
    void CloseFile();
    void PrepareCache();
    void SetFreeHead(uint32_t number);

    TBlock& AppendBlock();
    TBlock& NewBlock(uint32_t number);
    void ReadBlocks(uint32_t number, uint32_t count);
    // The chain's block numbers, checked (above).
    std::vector<uint32_t> CheckChain(TBlock& start, uint32_t readAheadCount, uint32_t sequence, bool force);
    void ForgetFreedBlocks() {
        freed_.clear();
        freedSet_.clear();
    }
    void WriteRun(std::span<TBlock* const> run);

    uint32_t blockSize_ = 512;
    TBlobFileHeader header_;
    std::vector<uint8_t> readBuffer_;
    std::vector<uint8_t> writeBuffer_;
    TReadWindow readWindow_; // the blocks a read is bringing in
    uint32_t blocksPerRead_ = 1;
    TItemCache<TBlock> cache_;
    std::vector<uint32_t> freed_; // blocks set aside, in the order they were freed
    std::unordered_set<uint32_t> freedSet_;
};

inline void ReleasePinned(TBlock& block) {
    block.Owner().ReleaseBlock(block);
}
// Holds a pinned block for a scope and releases it at the end, also when an error is raised.
using TPinnedBlock = TPinned<TBlock>;

} // namespace vorsam
