#include "db/engine/Block.h"

#include "db/engine/BlobFile.h"
#include "db/lib/ByteUtils.h"
#include "db/lib/Scramble.h"

#include <algorithm>
#include <cstring>

namespace vorsam {

TBlock::TBlock(TBlobFile& owner) : owner_(owner) {
    Clear();
}

void TBlock::SetPrevious(uint32_t value) {
    previous_ = value;
    SetModified();
}

void TBlock::SetNext(uint32_t value) {
    next_ = value;
    SetModified();
}

void TBlock::SetSequence(uint32_t value) {
    sequence_ = value;
    SetModified();
}

void TBlock::SetTotalSize(uint32_t value) {
    totalSize_ = value;
    SetModified();
}

void TBlock::Clear() {
    previous_ = next_ = sequence_ = totalSize_ = 0;
    used_ = 0;
    data_.assign(owner_.GetBlockDataSize(), 0);
    ClearModified();
}

void TBlock::LoadFrom(const uint8_t* bytes) {
    uint8_t header[BlockHeaderSize];
    std::memcpy(header, bytes, BlockHeaderSize);
    std::memcpy(data_.data(), bytes + BlockHeaderSize, data_.size());
    if (owner_.Encrypted()) {
        UnscrambleBuffer(header, BlockHeaderSize, TableDataSeed1, TableDataSeed2);
        UnscrambleBuffer(data_.data(), data_.size(), TableDataSeed1, TableDataSeed2);
    }
    previous_ = LoadLE32(header);
    next_ = LoadLE32(header + 4);
    used_ = LoadLE16(header + 8);
    sequence_ = LoadLE32(header + 10);
    totalSize_ = LoadLE32(header + 14);
    MarkClean();
}

void TBlock::StoreTo(uint8_t* bytes) {
    StoreLE32(bytes, previous_);
    StoreLE32(bytes + 4, next_);
    StoreLE16(bytes + 8, used_);
    StoreLE32(bytes + 10, sequence_);
    StoreLE32(bytes + 14, totalSize_);
    std::memcpy(bytes + BlockHeaderSize, data_.data(), data_.size());
    if (owner_.Encrypted()) {
        ScrambleBuffer(bytes, BlockHeaderSize, TableDataSeed1, TableDataSeed2);
        ScrambleBuffer(bytes + BlockHeaderSize, data_.size(), TableDataSeed1, TableDataSeed2);
    }
    MarkClean();
}

void TBlock::CheckRange(size_t offset, size_t length) const {
    if (offset > data_.size() || length > data_.size() - offset) owner_.RaiseError(VORSAM_INVALIDBLOBLEN);
}

size_t TBlock::ReadData(size_t offset, size_t length, uint8_t* destination) const {
    CheckRange(offset, length);
    // A corrupt used count never reaches beyond the data.
    size_t used = std::min<size_t>(used_, data_.size());
    size_t count = offset < used ? std::min(length, used - offset) : 0;
    std::copy_n(data_.data() + offset, count, destination);
    return count;
}

void TBlock::WriteData(size_t offset, size_t length, const uint8_t* source) {
    CheckRange(offset, length);
    std::copy_n(source, length, data_.data() + offset);
    used_ = uint16_t(offset + length);
    SetModified();
}

} // namespace vorsam
