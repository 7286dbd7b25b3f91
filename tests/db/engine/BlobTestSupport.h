// Shared pieces of the blob file tests: a blob file of a fake table on disk or in memory (the test
// parameter), blobs saved and loaded through TBlobBuffer, chains and the free list read back, and block
// headers patched on disk to make corrupt files.
#pragma once

#include "DataFileTestSupport.h"

#include "db/engine/BlobBuffer.h"
#include "db/engine/BlobFile.h"
#include "db/engine/TableVerify.h"

#include <memory>
#include <string>
#include <vector>

namespace vorsam::test {

using TBytes = std::vector<uint8_t>;

// `size` bytes of a pattern that differs with the seed.
TBytes Pattern(size_t size, uint32_t seed);

class TBlobFileTest : public TFileTest {
protected:
    std::string Path() const { return dir_.File("PEOPLE.BLB"); }
    std::unique_ptr<TBlobFile> NewFile(TFakeTableOwner& owner) const;
    std::unique_ptr<TBlobFile> NewFile() const { return NewFile(owner_); }
    std::unique_ptr<TBlobFile> Create();
    // Ends a write as the table does (blocks, then header), closes the file and opens it again,
    // validated.
    std::unique_ptr<TBlobFile> Reopen(std::unique_ptr<TBlobFile> file);

    // Saves `bytes` as the blob that starts at `first` (0: a new blob) under `sequence`, whose blocks
    // carry `oldSequence`, and frees the old chain as the end of a write does; returns its first block
    // (0 for an empty value).
    static uint32_t Save(TBlobFile& file, const TBytes& bytes, uint32_t sequence, uint32_t first = 0,
                         uint32_t oldSequence = 0);
    static TBytes Load(TBlobFile& file, uint32_t first, uint32_t sequence, CacheClient* client = nullptr);
    // Block numbers of the chain from `first`, following next links (at most the block count).
    static std::vector<uint32_t> Chain(TBlobFile& file, uint32_t first);
    static std::vector<uint32_t> FreeList(TBlobFile& file);
    static bool AnyPinned(const TBlobFile& file);
    static TVerifyReport Verify(TBlobFile& file, const std::vector<TBlobReference>& references);

    // Overwrites the u32 (or u16 when `width` is 2) at `offset` of block `block` in the closed file.
    void PatchBlock(uint32_t block, size_t offset, uint32_t value, size_t width = 4);
    void PatchFile(size_t offset, uint32_t value, size_t width = 4);
    std::string FileBytes();

    bool encrypted_ = false;
    uint32_t blockSize_ = 512;
    mutable TFakeTableOwner owner_;
};

} // namespace vorsam::test
