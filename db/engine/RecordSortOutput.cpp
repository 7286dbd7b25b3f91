#include "db/engine/RecordSortOutput.h"

#include "db/engine/Record.h"
#include "db/lib/ByteUtils.h"

#include <algorithm>
#include <cassert>
#include <cstring>

namespace vorsam {

TSortOutput::TSortOutput(const TSortRequest& request, const TSortKeys& keys, uint16_t recordSize,
                         uint32_t bufferRecords, TWriter writer)
    : request_(request), keys_(keys), recordSize_(recordSize),
      capacity_(std::max<uint32_t>(1, bufferRecords)), writer_(std::move(writer)),
      buffer_(size_t(capacity_) * recordSize), lastKey_(keys.FieldsLength()) {}

bool TSortOutput::SameAsLast(const uint8_t* key) const {
    return count_ > 0 && keys_.Compare(key, lastKey_.data(), false) == 0;
}

std::span<uint8_t> TSortOutput::Last() {
    assert(buffered_ > 0);
    return {&buffer_[size_t(buffered_ - 1) * recordSize_], recordSize_};
}

bool TSortOutput::Take(const uint8_t* image, const uint8_t* key) {
    if (request_.Distinct) {
        if (SameAsLast(key)) return true;
    } else if (request_.Group) {
        if (groupOpen_ && SameAsLast(key)) {
            if (request_.Accumulate) request_.Accumulate(Last(), {image, recordSize_});
            return true;
        }
        if (groupOpen_) CloseGroup();
        // A group takes all its records: the maximum is checked only where a new group would start.
        if (LimitReached()) return false;
        Emit(image, key);
        groupOpen_ = true;
        // A group starts with its output record folded into itself: both spans are that record.
        if (request_.Accumulate) request_.Accumulate(Last(), Last());
        return true;
    }
    if (LimitReached()) return false;
    Emit(image, key);
    return !LimitReached();
}

void TSortOutput::Emit(const uint8_t* image, const uint8_t* key) {
    if (buffered_ == capacity_) FlushBuffer();
    uint8_t* slot = &buffer_[size_t(buffered_) * recordSize_];
    std::memcpy(slot, image, recordSize_);
    ++count_;
    ++buffered_;
    slot[0] = RecordActive;
    StoreLE32(&slot[NextFreeOffset], count_);
    StoreLE32(&slot[AutoIncValueOffset], count_);
    std::copy_n(key, lastKey_.size(), lastKey_.begin());
}

void TSortOutput::CloseGroup() {
    groupOpen_ = false;
    if (request_.FinishGroup) request_.FinishGroup(Last());
    if (request_.KeepGroup && !request_.KeepGroup(Last())) {
        --count_;
        --buffered_;
    }
}

void TSortOutput::FlushBuffer() {
    if (buffered_ == 0) return;
    writer_(buffer_.data(), count_ - buffered_ + 1, buffered_);
    buffered_ = 0;
}

uint32_t TSortOutput::Finish() {
    if (groupOpen_) CloseGroup();
    FlushBuffer();
    return count_;
}

} // namespace vorsam
