#include "db/engine/Record.h"

#include "db/engine/DataFile.h"
#include "db/lib/ByteUtils.h"
#include "db/lib/Scramble.h"

#include <algorithm>
#include <cassert>
#include <cstring>

namespace vorsam {

namespace {

constexpr size_t ImageStep = 64;

// The image of slot `number`'s `size` bytes (DecodeSlot), kept inline for the record cache's reads.
inline void DecodeInto(bool encrypted, uint32_t number, const uint8_t* slot, uint8_t* image, uint16_t size) {
    std::memcpy(image, slot, size);
    if (encrypted) UnscrambleBuffer(image, size, TableDataSeed1, TableDataSeed2);
    if (image[0] == RecordActive) StoreLE32(&image[NextFreeOffset], number);
}

} // namespace

TRecord::TRecord(TDataFile& owner) : owner_(owner) {
    Clear();
}

uint32_t TRecord::AutoIncValue() const {
    return LoadLE32(&image_[AutoIncValueOffset]);
}

void TRecord::Clear(bool newAutoInc) {
    recordSize_ = std::max<uint16_t>(owner_.GetRecordSize(), RecordPrefixSize);
    ReallocBuffer(recordSize_, ImageStep, image_);
    ZeroBytes(image_.data(), image_.size());
    if (newAutoInc) StoreLE32(&image_[AutoIncValueOffset], owner_.NextAutoIncValue());
    StoreLE32(&image_[NextFreeOffset], number_);
    ClearModified();
}

void TRecord::DecodeSlot(const TDataFile& owner, uint32_t number, const uint8_t* slot, uint8_t* image) {
    DecodeInto(owner.GetEncrypted(), number, slot, image,
               std::max<uint16_t>(owner.GetRecordSize(), RecordPrefixSize));
}

void TRecord::LoadFrom(const uint8_t* slot) {
    DecodeInto(owner_.GetEncrypted(), number_, slot, image_.data(), recordSize_);
    MarkClean();
}

void TRecord::StoreTo(uint8_t* slot) {
    std::memcpy(slot, image_.data(), recordSize_);
    if (owner_.GetEncrypted()) ScrambleBuffer(slot, recordSize_, TableDataSeed1, TableDataSeed2);
    MarkClean();
}

void TRecord::SetStatus(uint8_t status) {
    image_[0] = status;
    SetModified();
}

uint32_t TRecord::GetNextFree() const {
    return Status() == RecordActive ? 0 : LoadLE32(&image_[NextFreeOffset]);
}

void TRecord::SetNextFree(uint32_t next) {
    StoreLE32(&image_[NextFreeOffset], next);
    SetModified();
}

void TRecord::SetRecordNumber(uint32_t number) {
    number_ = number;
    if (Status() == RecordActive) StoreLE32(&image_[NextFreeOffset], number);
}

} // namespace vorsam
