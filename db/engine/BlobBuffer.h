// TBlobBuffer: the whole value of one open blob of a cursor, in memory, with a copy for cancelling an
// edit. It knows the blob's chain by the record's BLOB value: the first block and the sequence number
// that the chain's blocks carry (Block.h); a blob of size 0 has no blocks.
//
// Reading checks that the chain still belongs to the record: every block must carry the sequence the
// record holds, else VORSAM_KEYORRECDELETED (another process replaced the blob). A total size that the
// file's blocks cannot hold (checked before anything is allocated for it), a first block with a previous
// link, a bad link, a used count beyond the block or a block pinned twice is VORSAM_MEMOCORRUPT, and a
// chain that ends before the total size VORSAM_ENDOFBLOB.
//
// Saving writes the value under the new sequence the cursor assigned (SetSequence) into a chain of new
// blocks, then frees the old chain, whose blocks must carry the old sequence: until the record that
// names the new chain is written, the old chain stays as it was on disk (BlobFile.h). Saving and
// deleting run inside the table's write lock, where no other process changes the file, so they ask no
// change check of the cursor.
#pragma once

#include "db/engine/EngineSettings.h"

#include <cstdint>
#include <span>
#include <vector>

namespace vorsam {

class TBlobFile;

class TBlobBuffer {
public:
    // The blob of field `fieldNumber` in record `recordNumber`, whose BLOB value holds `firstBlock` and
    // `sequence`; empty until ReadBlob.
    TBlobBuffer(TBlobFile& file, uint16_t fieldNumber, uint32_t recordNumber, uint32_t firstBlock,
                uint32_t sequence);

    uint16_t FieldNumber() const { return fieldNumber_; }
    uint32_t RecordNumber() const { return recordNumber_; }
    uint32_t FirstBlock() const { return firstBlock_; }
    // The sequence the value gets at its next save (after ReadBlob, the one its blocks carry).
    uint32_t Sequence() const { return sequence_; }
    void SetSequence(uint32_t sequence) { sequence_ = sequence; }
    bool Modified() const { return modified_; }

    // Loads the whole value. `client` (the cursor) is asked before disk reads whether another process
    // changed the table; when it did, the read starts again from the first block.
    void ReadBlob(CacheClient* client);
    // Writes the value (nothing for size 0) and clears the modified flag; the first block may change.
    void SaveBlob();
    // Frees the blob's chain; the first block becomes 0.
    void DeleteBlob();
    // The next save writes a chain of its own and leaves the chain read so far to the record that has
    // it (a copy of a record's value becomes a value of its own).
    void DetachChain() { firstBlock_ = 0; }

    // What a save or delete changes of the buffer, kept to be put back when the write it belonged to
    // fails (the table then forgets the blocks it wrote).
    struct TChainState {
        uint32_t FirstBlock = 0;
        uint32_t Sequence = 0;
        uint32_t StoredSequence = 0;
        bool Modified = false;
    };
    TChainState ChainState() const { return {firstBlock_, sequence_, storedSequence_, modified_}; }
    void RestoreChainState(const TChainState& state);

    size_t Size() const { return data_.size(); }
    // Resizes the value (new bytes are zero) and marks it modified.
    void SetSize(size_t size);
    std::span<uint8_t> GetData() { return data_; }
    std::span<const uint8_t> GetCopy() const { return copy_; }
    // Keeps the value and its modified flag, for an edit that may be cancelled.
    void SaveCopy();
    // Takes back the value and flag SaveCopy kept.
    void RestoreCopy();

    uint16_t OpenCount() const { return openCount_; }
    void AddOpen() { ++openCount_; }
    // One open fewer (never below 0); the count left.
    uint16_t ReleaseOpen() { return openCount_ > 0 ? --openCount_ : 0; }

private:
    bool TryRead(CacheClient* client);

    TBlobFile& file_;
    bool modified_ = false;
    bool copyModified_ = false;
    uint32_t sequence_;
    uint32_t storedSequence_; // the sequence the chain on disk carries
    uint32_t recordNumber_;
    uint16_t fieldNumber_;
    uint32_t firstBlock_;
    std::vector<uint8_t> data_;
    std::vector<uint8_t> copy_;
    uint16_t openCount_ = 0;
};

} // namespace vorsam
