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
    StoreLE32(&image_[NextFreeOffset], recordNumber_);
    modified_ = false;
}

void TRecord::LoadFrom(const uint8_t* slot) {
    std::memcpy(image_.data(), slot, recordSize_);
    if (owner_.GetEncrypted()) UnscrambleBuffer(image_.data(), recordSize_, TableDataSeed1, TableDataSeed2);
    if (Status() == RecordActive) StoreLE32(&image_[NextFreeOffset], recordNumber_);
    modified_ = unwritten_ = false;
}

void TRecord::StoreTo(uint8_t* slot) {
    std::memcpy(slot, image_.data(), recordSize_);
    if (owner_.GetEncrypted()) ScrambleBuffer(slot, recordSize_, TableDataSeed1, TableDataSeed2);
    modified_ = unwritten_ = false;
}

void TRecord::SetStatus(uint8_t status) {
    image_[0] = status;
    modified_ = true;
}

uint32_t TRecord::GetNextFree() const {
    return Status() == RecordActive ? 0 : LoadLE32(&image_[NextFreeOffset]);
}

void TRecord::SetNextFree(uint32_t next) {
    StoreLE32(&image_[NextFreeOffset], next);
    modified_ = true;
}

void TRecord::SetRecordNumber(uint32_t number) {
    recordNumber_ = number;
    if (Status() == RecordActive) StoreLE32(&image_[NextFreeOffset], number);
}

void TRecord::Pin() {
    assert(pinCount_ < UINT16_MAX);
    ++pinCount_;
}

void TRecord::Unpin() {
    if (pinCount_ > 0) --pinCount_;
}

int CompareRecordNumber(const TRecord& record, int32_t number) {
    auto own = int32_t(record.RecordNumber());
    return own < number ? -1 : own > number ? 1 : 0;
}

std::unique_ptr<TRecord> TRecordStack::Pop() {
    if (idle_.empty()) return std::make_unique<TRecord>(owner_);
    std::unique_ptr<TRecord> record = std::move(idle_.back());
    idle_.pop_back();
    record->ResetPins();
    record->SetUnwritten(false);
    record->Clear();
    return record;
}

void TRecordStack::Push(std::unique_ptr<TRecord>& record) {
    if (idle_.size() < Capacity) idle_.push_back(std::move(record));
    record.reset();
}

} // namespace vorsam
