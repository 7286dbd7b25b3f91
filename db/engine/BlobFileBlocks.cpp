// TBlobFile, block side: fetching, appending, allocating and freeing blocks through the block cache,
// reading with read-ahead, freeing whole chains, writing changed blocks in runs, trimming the cache.
#include "db/engine/BlobFile.h"

#include <algorithm>
#include <cassert>

namespace vorsam {

namespace {

constexpr size_t ScratchStep = 4096;
constexpr uint64_t MaxBlobFileSize = 4000000000;
// The most bytes one write takes: a longer run goes in pieces, so that its buffer stays small.
constexpr size_t WriteBytes = 1 << 20;

} // namespace

TBlock* TBlobFile::GetBlock(CacheClient* client, uint32_t number, uint32_t readAheadCount, bool readAhead) {
    uint32_t next = header_.NextBlock();
    if (number == 0 || number > next) RaiseError(VORSAM_MEMOCORRUPT);
    if (number == next) return &AppendBlock();
    if (TBlock* block = cache_.Find(number)) {
        ++cache_.Statistics.CacheUses;
        block->Pin();
        return block;
    }
    if (client && !owner_.Settings().StrictChangeDetection && client->CheckForChanges()) return nullptr;
    uint32_t count =
        readAhead ? std::max<uint32_t>(1, std::min({blocksPerRead_, readAheadCount, next - number})) : 1;
    // Blocks read ahead must not push each other out of a cache full of changed blocks.
    if (count > 1) count = cache_.FitRead(count, !owner_.LockedWhole(), [this] { FlushBlocks(); });
    ReadBlocks(number, count);
    TBlock* block = cache_.Peek(number);
    if (!block || block->BlockNumber() != number) RaiseError(VORSAM_MEMOCORRUPT);
    block->Pin();
    return block;
}

TBlock* TBlobFile::GetLinkedBlock(CacheClient* client, const TBlock& current, uint32_t readAheadCount) {
    uint32_t number = current.Next();
    if (number == 0 || number > GetBlockCount()) RaiseError(VORSAM_MEMOCORRUPT);
    TBlock* next = GetBlock(client, number, readAheadCount, true);
    if (next && (next->PinCount() > 1 || next->Previous() != current.BlockNumber())) {
        ReleaseBlock(*next);
        RaiseError(VORSAM_MEMOCORRUPT);
    }
    return next;
}

TBlock& TBlobFile::AppendBlock() {
    uint32_t number = header_.NextBlock();
    if (number > MaxBlockNumber || BlockOffset(number) + blockSize_ > MaxBlobFileSize)
        RaiseError(VORSAM_TABLEFULL);
    TBlock& block = NewBlock(number);
    block.SetUnwritten(true);
    block.Pin();
    ++cache_.Statistics.CacheUses;
    header_.SetNextBlock(number + 1);
    header_.SetHeaderChanged(true);
    return block;
}

TBlock& TBlobFile::NewBlock(uint32_t number) {
    return cache_.NewItem(number, !owner_.LockedWhole(), [this] { FlushBlocks(); });
}

void TBlobFile::ReadBlocks(uint32_t number, uint32_t count) {
    assert(count >= 1 && number + count <= header_.NextBlock());
    ++cache_.Statistics.ReadCalls;
    size_t length = size_t(count) * blockSize_;
    TReadWindowScope window(readWindow_, int64_t(BlockOffset(number)), int32_t(length));
    ReallocBuffer(length, ScratchStep, readBuffer_);
    size_t done = ReadAt(BlockOffset(number), readBuffer_.data(), length, true);
    ++cache_.Statistics.DiskReads;
    if (done < length && !Exclusive() && !(owner_.Locked() && HasUnwrittenBlocks()))
        RaiseError(VORSAM_READERR);
    // Only whole blocks that were read are merged, and the asked-for one last, so that a cache smaller
    // than the read never evicts it before it is handed out.
    uint32_t end = number + uint32_t(done / blockSize_); // one past the last block read
    auto merge = [&](uint32_t n) {
        cache_.Merge(n, &readBuffer_[size_t(n - number) * blockSize_], !owner_.LockedWhole(),
                     [this] { FlushBlocks(); });
    };
    for (uint32_t n = number + 1; n < end; ++n) merge(n);
    if (number < end) merge(number);
}

TBlock& TBlobFile::AllocateBlock() {
    uint32_t head = header_.FreeHead();
    TPinnedBlock block(GetBlock(nullptr, head != 0 ? head : header_.NextBlock()));
    if (head != 0) {
        // The head must be a free block whose link stays within the file, or the allocation would
        // overwrite a live blob.
        uint32_t link = block->Next();
        if (block->Sequence() != 0 || link >= header_.NextBlock() || link == head)
            RaiseError(VORSAM_MEMOCORRUPT);
        SetFreeHead(link);
    }
    block->Clear();
    block->SetModified();
    TBlock* allocated = block.Get();
    allocated->Pin(); // the caller's pin; the holder drops its own
    return *allocated;
}

void TBlobFile::FreeBlock(TBlock& block) {
    block.SetNext(header_.FreeHead());
    block.SetSequence(0);
    SetFreeHead(block.BlockNumber());
}

void TBlobFile::SetFreeHead(uint32_t number) {
    if (number == header_.FreeHead()) return;
    header_.SetFreeHead(number);
    header_.SetHeaderChanged(true);
}

void TBlobFile::FreeBlobChain(uint32_t& firstBlock, uint32_t sequence, bool force, uint32_t readAheadCount) {
    if (firstBlock == 0) return;
    TBlock* block = GetBlock(nullptr, firstBlock, readAheadCount, true);
    FreeBlobChainFrom(*block, readAheadCount, sequence, force);
    firstBlock = 0;
}

std::vector<uint32_t> TBlobFile::CheckChain(TBlock& start, uint32_t readAheadCount, uint32_t sequence,
                                            bool force) {
    std::vector<uint32_t> blocks;
    auto check = [&](const TBlock& block) {
        if ((block.Sequence() != sequence && !force) || freedSet_.contains(block.BlockNumber()))
            RaiseError(VORSAM_MEMOCORRUPT);
        blocks.push_back(block.BlockNumber());
    };
    check(start);
    TPinnedBlock current;
    uint32_t count = std::max<uint32_t>(1, readAheadCount - 1);
    while ((current ? *current : start).Next() != 0) {
        if (blocks.size() >= GetBlockCount())
            RaiseError(VORSAM_MEMOCORRUPT); // a chain longer than the file: a cycle
        current.Reset(GetLinkedBlock(nullptr, current ? *current : start, count));
        check(*current);
        count = std::max<uint32_t>(1, count - 1);
    }
    return blocks;
}

void TBlobFile::FreeBlobChainFrom(TBlock& block, uint32_t readAheadCount, uint32_t sequence, bool force) {
    TPinnedBlock first(&block);
    std::vector<uint32_t> blocks = CheckChain(block, readAheadCount, sequence, force);
    freed_.insert(freed_.end(), blocks.begin(), blocks.end());
    freedSet_.insert(blocks.begin(), blocks.end());
}

// A free block's data count for nothing: one that the cache no longer holds is not read again but
// written as a cleared block.
void TBlobFile::ReleaseFreedBlocks() {
    for (uint32_t number : freed_) {
        TBlock* block = cache_.Find(number);
        if (!block) block = &NewBlock(number);
        block->Pin();
        TPinnedBlock pinned(block);
        FreeBlock(*block);
    }
    ForgetFreedBlocks();
}

bool TBlobFile::FlushBlocks() {
    return cache_.FlushRuns(
        [this](const TBlock& block) { return readWindow_.Covers(int64_t(BlockOffset(block.Number()))); },
        [this](std::span<TBlock* const> run) { WriteRun(run); });
}

void TBlobFile::WriteRun(std::span<TBlock* const> run) {
    const size_t piece = std::max<size_t>(1, WriteBytes / std::max<size_t>(blockSize_, 1));
    for (size_t at = 0; at < run.size(); at += piece) {
        std::span<TBlock* const> part = run.subspan(at, std::min(piece, run.size() - at));
        owner_.BeforeWrite();
        TItemCache<TBlock>::StoreRun(part, blockSize_, writeBuffer_, [&](const uint8_t* bytes, size_t count) {
            WriteAt(BlockOffset(part.front()->BlockNumber()), bytes, count);
        });
        owner_.MarkModified();
        ++cache_.Statistics.WriteRuns;
    }
}

void TBlobFile::TrimBlockCache() {
    // Never flushes while the table is locked whole: its changes are uncommitted until the lock ends.
    cache_.Trim(CacheLimit(), !owner_.LockedWhole(), [this] { FlushBlocks(); });
}

} // namespace vorsam
