// TVORSAMBlobStream: the stream through which one BLOB field (memo, graphic, binary) of the record of an
// engine dataset's present state is read and written. It works on the cursor's buffer of that blob
// (DataCursor.h, BLOBs), at a byte position of its own.
//
// Opening (the constructor): a field that already holds an unsaved change of the record being edited
// (the field's Modified) is open already; otherwise the blob is opened on the record, for reading (bmRead)
// or for reading and writing (bmWrite, bmReadWrite: "Field %s cannot be modified." for a read-only field,
// "Table is not in edit or insert mode." outside dsEdit and dsInsert). bmWrite then empties it. Without a
// record (an empty dataset in browse state) the stream stays unopened: it reads nothing and has size 0.
//
// Reading past the end reads fewer bytes (none at or beyond it) and is no error. Seeking moves the
// position anywhere from 0 on, also beyond the end (a write there fills the gap with zeros); a position
// below 0 is refused (EStreamError "Invalid stream position") and the position stays. The end of a blob
// lies within 4 GiB: a write beyond it is refused (VORSAM_INVALIDBLOBLEN).
//
// Closing (the destructor): a stream that wrote marks the field Modified, so the blob stays open until the
// record is posted or cancelled; an unmodified field's blob is given up; a stream that wrote then tells
// the dataset the field changed.
#pragma once

#include "platform/data/BlobFields.h"
#include "platform/data/Stream.h"

#include <cstdint>
#include <span>

namespace vorsam {

class TVORSAMDataSet;

class TVORSAMBlobStream : public platform::data::TStream {
public:
    TVORSAMBlobStream(platform::data::TBlobField& field, platform::data::TBlobStreamMode mode);
    ~TVORSAMBlobStream() override;
    TVORSAMBlobStream(const TVORSAMBlobStream&) = delete;
    TVORSAMBlobStream& operator=(const TVORSAMBlobStream&) = delete;

    std::int64_t Read(void* buffer, std::int64_t count) override;
    std::int64_t Write(const void* buffer, std::int64_t count) override;
    std::int64_t Seek(std::int64_t offset, platform::data::TSeekOrigin origin) override;
    std::int64_t Size() override { return GetBlobSize(); }
    // Cuts the blob (or lengthens it with zeros) at the position.
    void Truncate();
    std::int64_t GetBlobSize();
    bool Opened() const { return opened_; }

private:
    void Open(platform::data::TBlobStreamMode mode);
    // Raises an engine code of the blob with the field's name.
    void Check(uint16_t code) const;
    uint16_t FieldNumber() const { return uint16_t(field_.FieldNo()); }

    platform::data::TBlobField& field_;
    TVORSAMDataSet& dataSet_;
    std::span<uint8_t> record_; // the record image of the dataset's state when the stream was made
    bool opened_ = false;
    bool modified_ = false;
    std::int64_t position_ = 0;
};

} // namespace vorsam
