#include "db/engine/BlobBuffer.h"

#include "db/engine/BlobFile.h"

#include <algorithm>
#include <cassert>

namespace vorsam {

TBlobBuffer::TBlobBuffer(TBlobFile& file, uint16_t fieldNumber, uint32_t recordNumber, uint32_t firstBlock,
                         uint32_t sequence)
    : file_(file), sequence_(sequence), storedSequence_(sequence), recordNumber_(recordNumber),
      fieldNumber_(fieldNumber), firstBlock_(firstBlock) {}

void TBlobBuffer::ReadBlob(CacheClient* client) {
    data_.clear();
    if (firstBlock_ != 0)
        while (!TryRead(client)) {
        }
    modified_ = false;
}

bool TBlobBuffer::TryRead(CacheClient* client) {
    TPinnedBlock block(file_.GetBlock(client, firstBlock_, 1, true));
    if (!block) return false;
    if (block->Sequence() != storedSequence_) file_.RaiseError(VORSAM_KEYORRECDELETED);
    // A first block with a previous link, or a size the file's blocks cannot hold, is corrupt; the size
    // is checked before anything is allocated for it.
    uint64_t total = block->TotalSize();
    if (block->Previous() != 0 || total > uint64_t(file_.GetBlockCount()) * block->Capacity())
        file_.RaiseError(VORSAM_MEMOCORRUPT);
    data_.assign(total, 0);
    size_t done = 0;
    for (;;) {
        if (block->PinCount() > 1 || block->Used() > block->Capacity()) file_.RaiseError(VORSAM_MEMOCORRUPT);
        size_t wanted = std::min<size_t>(block->Capacity(), total - done);
        size_t copied = block->ReadData(0, wanted, data_.data() + done);
        done += copied;
        if (copied < wanted || done == total || block->Next() == 0) break;
        TBlock* next = file_.GetLinkedBlock(client, *block, file_.BlocksForBytes(total - done));
        if (!next) return false;
        block.Reset(next);
        if (block->Sequence() != storedSequence_) file_.RaiseError(VORSAM_KEYORRECDELETED);
    }
    if (done != total) file_.RaiseError(VORSAM_ENDOFBLOB);
    return true;
}

void TBlobBuffer::SaveBlob() {
    size_t size = data_.size();
    if (size == 0) {
        modified_ = false;
        return;
    }
    assert(sequence_ != 0);
    if (size > UINT32_MAX) file_.RaiseError(VORSAM_INVALIDBLOBLEN);
    uint32_t old = firstBlock_, oldBlocks = 1;
    if (old != 0) {
        TPinnedBlock block(file_.GetBlock(nullptr, old));
        // Another process replaced the blob since it was read: its blocks are no longer ours to free.
        if (block->Sequence() != storedSequence_) file_.RaiseError(VORSAM_KEYORRECDELETED);
        if (block->Previous() != 0) file_.RaiseError(VORSAM_MEMOCORRUPT);
        oldBlocks = std::max<uint32_t>(1, file_.BlocksForBytes(block->TotalSize()));
    }
    // The value goes into a chain of new blocks; the old chain is freed after it (BlobFile.h).
    TPinnedBlock block(&file_.AllocateBlock());
    uint32_t first = block->BlockNumber();
    block->SetSequence(sequence_);
    block->SetTotalSize(uint32_t(size));
    for (size_t done = 0;;) {
        size_t count = std::min<size_t>(block->Capacity(), size - done);
        block->WriteData(0, count, data_.data() + done);
        done += count;
        if (done == size) break;
        TBlock* next = &file_.AllocateBlock();
        block->SetNext(next->BlockNumber());
        next->SetPrevious(block->BlockNumber());
        next->SetSequence(sequence_);
        next->SetTotalSize(0);
        block.Reset(next);
    }
    block.Reset();
    file_.FreeBlobChain(old, storedSequence_, false, oldBlocks);
    firstBlock_ = first;
    storedSequence_ = sequence_;
    modified_ = false;
}

void TBlobBuffer::DeleteBlob() {
    file_.FreeBlobChain(firstBlock_, storedSequence_, false);
    modified_ = false;
}

void TBlobBuffer::RestoreChainState(const TChainState& state) {
    firstBlock_ = state.FirstBlock;
    sequence_ = state.Sequence;
    storedSequence_ = state.StoredSequence;
    modified_ = state.Modified;
}

void TBlobBuffer::SetSize(size_t size) {
    data_.resize(size, 0);
    modified_ = true;
}

void TBlobBuffer::SaveCopy() {
    copy_ = data_;
    copyModified_ = modified_;
}

void TBlobBuffer::RestoreCopy() {
    data_ = copy_;
    modified_ = copyModified_;
}

} // namespace vorsam
