#include "db/engine/Record.h"

#include "db/engine/DataFile.h"
#include "db/lib/ByteUtils.h"
#include "db/lib/Scramble.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <new>

namespace vorsam {

namespace {

// The image of slot `number`'s `size` bytes (DecodeSlot), kept inline for the record cache's reads.
inline void DecodeInto(bool encrypted, uint32_t number, const uint8_t* slot, uint8_t* image, uint16_t size) {
    if (image != slot) std::memcpy(image, slot, size);
    if (encrypted) UnscrambleBuffer(image, size, TableDataSeed1, TableDataSeed2);
    if (image[0] == RecordActive) StoreLE32(&image[NextFreeOffset], number);
}

// The image size of the owner's records.
uint16_t ImageSizeOf(const TDataFile& owner) {
    return std::max<uint16_t>(owner.GetRecordSize(), RecordPrefixSize);
}

} // namespace

static_assert(sizeof(TRecord) % alignof(TRecord) == 0);
static_assert(sizeof(TRecord) <= 48, "a record's fields fill the cached item's padding");

TRecord::TRecord(TDataFile& owner, uint16_t size) : recordSize_(size), owner_(owner) {
    Clear();
}

std::unique_ptr<TRecord> TRecord::Make(TDataFile& owner) {
    uint16_t size = ImageSizeOf(owner);
    void* memory = owner.RecordMemory(sizeof(TRecord) + size);
    try {
        return std::unique_ptr<TRecord>(new (memory) TRecord(owner, size));
    } catch (...) {
        owner.FreeRecordMemory(memory);
        throw;
    }
}

void TRecord::operator delete(TRecord* record, std::destroying_delete_t) {
    TDataFile& owner = record->owner_;
    record->~TRecord();
    owner.FreeRecordMemory(record);
}

bool TRecord::Fits() const {
    return ImageSizeOf(owner_) == recordSize_;
}

uint32_t TRecord::AutoIncValue() const {
    return LoadLE32(&Bytes()[AutoIncValueOffset]);
}

void TRecord::Clear(bool newAutoInc) {
    assert(Fits());
    ZeroBytes(Bytes(), recordSize_);
    if (newAutoInc) StoreLE32(&Bytes()[AutoIncValueOffset], owner_.NextAutoIncValue());
    StoreLE32(&Bytes()[NextFreeOffset], number_);
    ClearModified();
}

void TRecord::DecodeSlot(const TDataFile& owner, uint32_t number, const uint8_t* slot, uint8_t* image) {
    DecodeInto(owner.GetEncrypted(), number, slot, image,
               std::max<uint16_t>(owner.GetRecordSize(), RecordPrefixSize));
}

void TRecord::LoadFrom(const uint8_t* slot) {
    DecodeInto(owner_.GetEncrypted(), number_, slot, Bytes(), recordSize_);
    MarkClean();
}

void TRecord::StoreTo(uint8_t* slot) {
    std::memcpy(slot, Bytes(), recordSize_);
    if (owner_.GetEncrypted()) ScrambleBuffer(slot, recordSize_, TableDataSeed1, TableDataSeed2);
    MarkClean();
}

void TRecord::SetStatus(uint8_t status) {
    Bytes()[0] = status;
    SetModified();
}

uint32_t TRecord::GetNextFree() const {
    return Status() == RecordActive ? 0 : LoadLE32(&Bytes()[NextFreeOffset]);
}

void TRecord::SetNextFree(uint32_t next) {
    StoreLE32(&Bytes()[NextFreeOffset], next);
    SetModified();
}

void TRecord::SetRecordNumber(uint32_t number) {
    number_ = number;
    if (Status() == RecordActive) StoreLE32(&Bytes()[NextFreeOffset], number);
}

} // namespace vorsam
