#include "db/components/VORSAMBlobStream.h"

#include "db/components/VORSAMDataSet.h"
#include "db/lib/EngineErrors.h"
#include "platform/data/DBConsts.h"
#include "platform/data/Errors.h"

#include <algorithm>
#include <limits>

namespace vorsam {

using namespace platform::data;

namespace {

// The farthest a blob reaches: its size is a 32-bit count.
constexpr std::int64_t MaxBlobEnd = std::numeric_limits<uint32_t>::max();
// A code the engine leaves free (EngineErrorCodes.h) that a read takes for no error, the position kept.
constexpr uint16_t BlobStreamNoError = 0x270E;

} // namespace

TVORSAMBlobStream::TVORSAMBlobStream(TBlobField& field, TBlobStreamMode mode)
    : field_(field), dataSet_(dynamic_cast<TVORSAMDataSet&>(*field.DataSet())) {
    const TVORSAMDataSet::TStateRecord record = dataSet_.RecordForState();
    if (record.Image == nullptr) return;
    record_ = {record.Image, dataSet_.Layout().RecordSize};
    const TDataSetState state = dataSet_.State();
    const bool opens = state == dsFilter || state == dsOldValue || !field_.Modified();
    if (opens) Open(mode);
    opened_ = true;
    if (mode != bmWrite) return;
    try {
        Truncate();
    } catch (...) {
        if (opens) dataSet_.Cursor().FreeBlob(FieldNumber(), record_);
        throw;
    }
}

void TVORSAMBlobStream::Open(TBlobStreamMode mode) {
    if (mode != bmRead) {
        if (field_.ReadOnly()) DatabaseErrorFmt(SFieldReadOnly, {field_.DisplayName()});
        if (dataSet_.State() != dsEdit && dataSet_.State() != dsInsert) DatabaseError(SNotEditingTable);
    }
    const TVORSAMDataSet::TEngineLock lock(dataSet_);
    Check(dataSet_.Cursor().OpenBlob(FieldNumber(), record_,
                                     mode == bmRead ? TBlobOpenMode::Read : TBlobOpenMode::ReadWrite));
}

TVORSAMBlobStream::~TVORSAMBlobStream() {
    if (!opened_) return;
    try {
        if (modified_) field_.SetModified(true);
        const TDataSetState state = dataSet_.State();
        if (state == dsFilter || state == dsOldValue || !field_.Modified()) {
            const TVORSAMDataSet::TEngineLock lock(dataSet_);
            dataSet_.Cursor().FreeBlob(FieldNumber(), record_);
        }
        if (modified_) dataSet_.DataEvent(deFieldChange, {&field_, 0});
    } catch (...) {
        // a stream that cannot close cleanly has nothing to report to: the buffer goes with the record
    }
}

void TVORSAMBlobStream::Check(uint16_t code) const {
    if (code != 0) dataSet_.Cursor().RaiseReturnedError(code, field_.FieldName());
}

std::int64_t TVORSAMBlobStream::Read(void* buffer, std::int64_t count) {
    if (!opened_ || count <= 0 || position_ >= MaxBlobEnd) return 0;
    const auto wanted = uint32_t(std::min<std::int64_t>(count, MaxBlobEnd - position_));
    uint32_t read = 0;
    const TVORSAMDataSet::TEngineLock lock(dataSet_);
    const uint16_t code = dataSet_.Cursor().GetBlob(FieldNumber(), record_, uint32_t(position_), wanted,
                                                    static_cast<uint8_t*>(buffer), read);
    if (code != 0 && code != VORSAM_ENDOFBLOB && code != BlobStreamNoError) RaiseEngineException(code);
    if (code != BlobStreamNoError) position_ += read;
    return read;
}

std::int64_t TVORSAMBlobStream::Write(const void* buffer, std::int64_t count) {
    if (!opened_ || count <= 0) return 0;
    if (count > MaxBlobEnd - position_)
        dataSet_.Cursor().RaiseFieldError(VORSAM_INVALIDBLOBLEN, field_.FieldName());
    const TVORSAMDataSet::TEngineLock lock(dataSet_);
    Check(dataSet_.Cursor().PutBlob(FieldNumber(), record_, uint32_t(position_), uint32_t(count),
                                    static_cast<const uint8_t*>(buffer)));
    position_ += count;
    modified_ = true;
    return count;
}

std::int64_t TVORSAMBlobStream::Seek(std::int64_t offset, platform::data::TSeekOrigin origin) {
    const std::int64_t base = origin == platform::data::soBeginning ? 0
                              : origin == platform::data::soCurrent ? position_
                                                                    : GetBlobSize();
    position_ = CheckedSeekPosition(base, offset);
    return position_;
}

void TVORSAMBlobStream::Truncate() {
    if (!opened_) return;
    if (position_ > MaxBlobEnd) dataSet_.Cursor().RaiseFieldError(VORSAM_INVALIDBLOBLEN, field_.FieldName());
    const TVORSAMDataSet::TEngineLock lock(dataSet_);
    Check(dataSet_.Cursor().TruncateBlob(FieldNumber(), record_, uint32_t(position_)));
    modified_ = true;
}

std::int64_t TVORSAMBlobStream::GetBlobSize() {
    if (!opened_) return 0;
    const TVORSAMDataSet::TEngineLock lock(dataSet_);
    return dataSet_.Cursor().GetBlobSize(FieldNumber(), record_);
}

} // namespace vorsam
