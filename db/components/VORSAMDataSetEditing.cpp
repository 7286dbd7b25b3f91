// TVORSAMDataSet: editing, posting, cancelling and deleting records, and new records.
#include "db/components/VORSAMDataSet.h"

#include "db/lib/EngineErrors.h"

#include <algorithm>

namespace vorsam {

using namespace platform::data;

// The cursor lies on the buffer's record: another user may have deleted it since it was read, and the
// cursor would then lie on a neighbour, which an edit must not touch.
void TVORSAMDataSet::CheckCursorOn(char* buffer) {
    TDataCursor& cursor = Cursor();
    std::vector<uint8_t> bookmark(cursor.GetBookmarkSize());
    cursor.GetBookmark(bookmark); // VORSAM_RECNOTFOUND when the cursor is on no record
    const std::span<uint8_t> own = RecordBuffer(buffer).Bookmark();
    // Bookmarks begin with the record's number (DataCursor.h).
    if (!std::equal(own.begin(), own.begin() + sizeof(uint32_t), bookmark.begin())) {
        CursorPosChanged();
        cursor.RaiseErrorWithText(VORSAM_KEYORRECDELETED, "the record was deleted by another user");
    }
}

void TVORSAMDataSet::InternalEdit() {
    const TEngineLock lock(*this);
    TDataCursor& cursor = Cursor();
    const uint16_t code = cursor.GetCurrentRecord(editImage_, true);
    if (code != 0) {
        CursorPosChanged();
        cursor.RaiseErrorWithText(code, {});
    }
    try {
        CheckCursorOn(ActiveBuffer());
    } catch (...) {
        cursor.CancelRecord();
        throw;
    }
    std::copy(editImage_.begin(), editImage_.end(), RecordBuffer(ActiveBuffer()).Image().begin());
    oldValues_ = editImage_;
}

void TVORSAMDataSet::InternalPost() {
    TDataSet::InternalPost();
    const TEngineLock lock(*this);
    const std::span<uint8_t> image = RecordBuffer(ActiveBuffer()).Image();
    if (State() == dsEdit) {
        CheckCursorOn(ActiveBuffer());
        Cursor().ModifyRecord(image);
    } else {
        Cursor().AppendRecord(image);
    }
}

void TVORSAMDataSet::InternalCancel() {
    const TEngineLock lock(*this);
    if (State() == dsEdit) Cursor().CancelRecord();
}

void TVORSAMDataSet::InternalDelete() {
    const TEngineLock lock(*this);
    CheckCursorOn(ActiveBuffer());
    Cursor().DeleteRecord();
}

// The old values of a new record are the table's defaults, or, with CopyOnAppend, the current record,
// which the new record then starts from.
void TVORSAMDataSet::DoOnNewRecord() {
    {
        const TEngineLock lock(*this);
        TDataCursor& cursor = Cursor();
        const std::span<uint8_t> image = RecordBuffer(ActiveBuffer()).Image();
        bool copied = false;
        if (copyOnAppend_) {
            UpdateCursorPos();
            copied = cursor.CloneCurrentRecord(image);
        }
        if (copied)
            oldValues_.assign(image.begin(), image.end());
        else
            cursor.InitRecordBuffer(oldValues_);
    }
    TDataSet::DoOnNewRecord();
}

} // namespace vorsam
