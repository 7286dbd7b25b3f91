// TVORSAMDataSet: reading records into buffers, moving the cursor, record numbers and counts, bookmarks.
#include "db/components/VORSAMDataSet.h"

#include "db/lib/EngineErrors.h"
#include "platform/data/DBConsts.h"
#include "platform/data/Errors.h"

#include <algorithm>
#include <functional>

namespace vorsam {

using namespace platform::data;

namespace {

// Records a walk's move may read with the one it wants (the run of consecutive records that follow).
constexpr uint32_t WalkReadAheadCount = 128;

std::span<const uint8_t> BytesOf(const TBookmark& bookmark) {
    return {reinterpret_cast<const uint8_t*>(bookmark.data()), bookmark.size()};
}

// While the framework fills its buffers, the cursor reads ahead as many records as they hold.
int ReadingAhead(TDataCursor* cursor, uint32_t count, uint32_t usual, const std::function<int()>& fill) {
    if (cursor == nullptr) return fill();
    struct TRestore {
        TDataCursor& Cursor;
        uint32_t Usual;
        ~TRestore() { Cursor.SetReadAhead(Usual); }
    } restore{*cursor, usual};
    cursor->SetReadAhead(count);
    return fill();
}

} // namespace

// ---- reading records ----

TGetResult TVORSAMDataSet::GetRecord(char* buffer, TGetMode mode, bool doCheck) {
    if (cursor_ == nullptr) return grError;
    const TEngineLock lock(*this);
    // The cursor reads the records that follow along with the one wanted (see Walks).
    const TDataRecordBuffer record = RecordBuffer(buffer);
    struct TWalkReadAhead {
        TDataCursor& Cursor;
        uint32_t Usual;
        explicit TWalkReadAhead(TDataCursor& cursor) : Cursor(cursor), Usual(cursor.ReadAhead()) {
            Cursor.SetReadAhead(std::max(Usual, WalkReadAheadCount));
        }
        ~TWalkReadAhead() { Cursor.SetReadAhead(Usual); }
    } readAhead(*cursor_);
    uint16_t code = 0;
    switch (mode) {
    case gmCurrent:
        code = cursor_->GetCurrentRecord(record.Image());
        break;
    case gmNext:
        code = cursor_->GetNextRecord(record.Image());
        break;
    case gmPrior:
        code = cursor_->GetPriorRecord(record.Image());
        break;
    }
    if (code == 0) {
        record.SetFlag(bfCurrent);
        // Through a filter the number is counted from the first record: a walk would count for each
        // record it reads. RecNo counts it when asked.
        record.SetRecordNumber(cursor_->HasActiveFilters() ? UncountedRecordNumber
                                                           : int32_t(cursor_->GetRecordNumber()));
        GetCalcFields(buffer);
        cursor_->GetBookmark(record.Bookmark());
    }
    switch (code) {
    case 0:
        return grOK;
    case VORSAM_BOF:
        return grBOF;
    case VORSAM_EOF:
        return grEOF;
    default:
        if (doCheck) cursor_->RaiseErrorWithText(code, {});
        return grError;
    }
}

int TVORSAMDataSet::GetNextRecords() {
    return ReadingAhead(cursor_.get(), uint32_t(BufferCount()), readAhead_,
                        [this] { return TDataSet::GetNextRecords(); });
}

int TVORSAMDataSet::GetPriorRecords() {
    return ReadingAhead(cursor_.get(), uint32_t(BufferCount()), readAhead_,
                        [this] { return TDataSet::GetPriorRecords(); });
}

bool TVORSAMDataSet::GetCurrentRecord(char* buffer) {
    if (cursor_ == nullptr || IsEmpty() || GetBookmarkFlag(ActiveBuffer()) != bfCurrent) return false;
    const TEngineLock lock(*this);
    UpdateCursorPos();
    return cursor_->GetCurrentRecord({reinterpret_cast<uint8_t*>(buffer), layout_.RecordSize}) == 0;
}

void TVORSAMDataSet::InternalRefresh() {
    const TEngineLock lock(*this);
    Cursor().Refresh();
}

// ---- moving ----

void TVORSAMDataSet::InternalFirst() {
    const TEngineLock lock(*this);
    DropBlock();
    Cursor().SetToBegin();
}

void TVORSAMDataSet::InternalLast() {
    const TEngineLock lock(*this);
    DropBlock();
    Cursor().SetToEnd();
}

void TVORSAMDataSet::InternalGotoBookmark(const TBookmark& bookmark) {
    const TEngineLock lock(*this);
    DropBlock();
    if (!Cursor().SetToBookmark(BytesOf(bookmark))) DatabaseError(SRecordNotFound);
}

// A buffer whose record another user deleted leaves the cursor where it is.
void TVORSAMDataSet::InternalSetToRecord(char* buffer) {
    const TEngineLock lock(*this);
    DropBlock();
    Cursor().SetToBookmark(RecordBuffer(buffer).Bookmark());
}

// ---- record numbers and counts ----

int TVORSAMDataSet::GetRecordCount() {
    CheckActive();
    if (cursor_ == nullptr) return 0;
    const TEngineLock lock(*this);
    return int(std::min<uint32_t>(cursor_->GetRecordCount(), INT32_MAX));
}

int TVORSAMDataSet::GetRecNo() {
    CheckActive();
    if (State() != dsCalcFields && IsEmpty()) return NewRecordNumber;
    const TDataRecordBuffer record = RecordBuffer(State() == dsCalcFields ? CalcBuffer() : ActiveBuffer());
    if (record.RecordNumber() == UncountedRecordNumber && record.Flag() == bfCurrent && cursor_ != nullptr) {
        // Counted at the record, which the cursor then leaves for the dataset to find again.
        const TEngineLock lock(*this);
        CursorPosChanged();
        if (cursor_->SetToBookmark(record.Bookmark()))
            record.SetRecordNumber(int32_t(cursor_->GetRecordNumber()));
    }
    return record.RecordNumber();
}

void TVORSAMDataSet::SetRecNo(int value) {
    CheckBrowseMode();
    if (value == RecNo()) return;
    const TEngineLock lock(*this);
    DoBeforeScroll();
    DropBlock();
    Cursor().SetToRecordNo(uint32_t(std::max(value, 0)));
    Resync({rmCenter});
    DoAfterScroll();
}

bool TVORSAMDataSet::IsSequenced() {
    return cursor_ != nullptr && !cursor_->IsUnsequenced() &&
           !(cursor_->IsQueryCursor() && cursor_->IsSourceCursor());
}

// ---- bookmarks ----

bool TVORSAMDataSet::BookmarkValid(const TBookmark& bookmark) {
    if (cursor_ == nullptr) return false;
    const TEngineLock lock(*this);
    CursorPosChanged();
    return cursor_->SetToBookmark(BytesOf(bookmark));
}

int TVORSAMDataSet::CompareBookmarks(const TBookmark& a, const TBookmark& b) {
    if (a.empty() || b.empty()) return a.empty() ? (b.empty() ? 0 : 1) : -1;
    if (cursor_ == nullptr) return 0;
    const TEngineLock lock(*this);
    const int result = cursor_->CompareBookmarks(BytesOf(a), BytesOf(b));
    return result == BookmarksNotComparable ? 0 : result;
}

} // namespace vorsam
