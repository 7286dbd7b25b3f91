// TDataSet: the ring of record buffers, navigation, resynchronisation and bookmarks.

#include "platform/data/DBConsts.h"
#include "platform/data/DataLink.h"
#include "platform/data/DataSet.h"
#include "platform/data/Errors.h"

#include <algorithm>
#include <cassert>

namespace platform::data {

// ---- the buffer list ----

char* TDataSet::ActiveBuffer() const {
    return fActiveRecord < static_cast<int>(fBuffers.size())
               ? fBuffers[static_cast<std::size_t>(fActiveRecord)].get()
               : nullptr;
}

char* TDataSet::TempBuffer() const {
    return fRecordCount < static_cast<int>(fBuffers.size())
               ? fBuffers[static_cast<std::size_t>(fRecordCount)].get()
               : nullptr;
}

void TDataSet::SetBufListSize(int value) {
    if (value < static_cast<int>(fBuffers.size())) {
        fBuffers.resize(static_cast<std::size_t>(value));
        return;
    }
    std::vector<std::unique_ptr<char[]>> added;
    for (int i = static_cast<int>(fBuffers.size()); i < value; ++i) added.push_back(AllocRecordBuffer());
    for (auto& buffer : added) fBuffers.push_back(std::move(buffer));
}

void TDataSet::ClearBuffers() {
    fRecordCount = 0;
    fActiveRecord = 0;
    fCurrentRecord = -1;
    fBOF = true;
    fEOF = true;
}

void TDataSet::ActivateBuffers() {
    fRecordCount = 1;
    fActiveRecord = 0;
    fCurrentRecord = 0;
    fBOF = false;
    fEOF = false;
}

// Moves the buffer at curIndex to newIndex, shifting those between by one.
void TDataSet::MoveBuffer(int curIndex, int newIndex) {
    auto at = [this](int index) { return fBuffers.begin() + index; };
    if (curIndex < newIndex)
        std::rotate(at(curIndex), at(curIndex + 1), at(newIndex + 1));
    else if (curIndex > newIndex)
        std::rotate(at(newIndex), at(curIndex), at(curIndex + 1));
}

void TDataSet::SetCurrentRecord(int index) {
    if (fCurrentRecord == index) return;
    char* buffer = fBuffers[static_cast<std::size_t>(index)].get();
    switch (GetBookmarkFlag(buffer)) {
    case bfCurrent:
    case bfInserted:
        InternalSetToRecord(buffer);
        break;
    case bfBOF:
        InternalFirst();
        break;
    case bfEOF:
        InternalLast();
        break;
    }
    fCurrentRecord = index;
}

void TDataSet::UpdateCursorPos() {
    if (fRecordCount > 0) SetCurrentRecord(fActiveRecord);
}

// Reads the record after the last buffered one into the spare buffer; when all buffers are in use
// the first one is dropped (the records move down by one).
bool TDataSet::GetNextRecord() {
    TGetMode mode = gmNext;
    if (fRecordCount > 0) {
        SetCurrentRecord(fRecordCount - 1);
        if (fState == dsInsert && fCurrentRecord == fActiveRecord &&
            GetBookmarkFlag(ActiveBuffer()) == bfCurrent)
            mode = gmCurrent;
    }
    if (GetRecord(fBuffers[static_cast<std::size_t>(fRecordCount)].get(), mode, true) != grOK) {
        CursorPosChanged();
        return false;
    }
    if (fRecordCount == 0)
        ActivateBuffers();
    else if (fRecordCount < fBufferCount)
        ++fRecordCount;
    else
        MoveBuffer(0, fRecordCount);
    fCurrentRecord = fRecordCount - 1;
    return true;
}

// Reads the record before the first buffered one into buffer 0; when all buffers are in use the
// last one is dropped.
bool TDataSet::GetPriorRecord() {
    if (fRecordCount > 0) SetCurrentRecord(0);
    if (GetRecord(fBuffers[static_cast<std::size_t>(fRecordCount)].get(), gmPrior, true) != grOK) {
        CursorPosChanged();
        return false;
    }
    if (fRecordCount == 0) {
        ActivateBuffers();
    } else {
        MoveBuffer(fRecordCount, 0);
        if (fRecordCount < fBufferCount) {
            ++fRecordCount;
            ++fActiveRecord;
        }
    }
    fCurrentRecord = 0;
    return true;
}

int TDataSet::GetNextRecords() {
    int count = 0;
    while (fRecordCount < fBufferCount && GetNextRecord()) ++count;
    return count;
}

int TDataSet::GetPriorRecords() {
    int count = 0;
    while (fRecordCount < fBufferCount && GetPriorRecord()) ++count;
    return count;
}

void TDataSet::AdjustFirstRecords(int delta) {
    if (delta == 0) return;
    for (TDataLink* link : AllDataLinks())
        if (link->Active()) link->fFirstRecord += delta;
}

void TDataSet::SetBufferCount(int value) {
    if (fBufferCount == value) return;
    if (fBufferCount > value && fRecordCount > 0) {
        // Keep the records that the active record and the links' first records need.
        int delta = fActiveRecord;
        for (TDataLink* link : AllDataLinks())
            if (link->Active() && link->fFirstRecord < delta) delta = link->fFirstRecord;
        for (int i = 0; i < value; ++i) MoveBuffer(i + delta, i);
        fActiveRecord -= delta;
        if (fCurrentRecord != -1) fCurrentRecord -= delta;
        fRecordCount = std::min(fRecordCount, value);
        fActiveRecord = std::min(fActiveRecord, fRecordCount - 1);
        AdjustFirstRecords(-delta);
    }
    SetBufListSize(value + 1);
    fBufferCount = value;
    GetNextRecords();
    AdjustFirstRecords(GetPriorRecords());
}

void TDataSet::UpdateBufferCount() {
    if (fDestroying || !IsCursorOpen()) return;
    int count = 1;
    for (const TDataLink* link : AllDataLinks()) count = std::max(count, link->BufferCount());
    SetBufferCount(count);
}

// ---- navigation ----

void TDataSet::First() {
    ReadFromEnd(true);
}

void TDataSet::Last() {
    ReadFromEnd(false);
}

// Fills the buffers from the first record onwards or from the last record backwards.
void TDataSet::ReadFromEnd(bool fromStart) {
    CheckBrowseMode();
    DoBeforeScroll();
    ClearBuffers();
    auto finish = [&] {
        (fromStart ? fBOF : fEOF) = true;
        DataEvent(deDataSetChange);
    };
    try {
        if (fromStart) {
            InternalFirst();
            GetNextRecord();
            GetNextRecords();
        } else {
            InternalLast();
            GetPriorRecord();
            GetPriorRecords();
        }
    } catch (...) {
        finish();
        throw;
    }
    finish();
    DoAfterScroll();
}

void TDataSet::Next() {
    if (fBlockReadSize > 0)
        BlockReadNext();
    else
        MoveBy(1);
}

void TDataSet::Prior() {
    MoveBy(-1);
}

int TDataSet::MoveBy(int distance) {
    CheckBrowseMode();
    int result = 0;
    DoBeforeScroll();
    if ((distance > 0 && fEOF) || (distance < 0 && fBOF) || distance == 0) return 0;
    fBOF = false;
    fEOF = false;
    int scrollCount = 0; // how far the buffered records moved: -1 per record dropped at the start
    try {
        for (; distance > 0; --distance, ++result) {
            if (fActiveRecord < fRecordCount - 1) {
                ++fActiveRecord;
                continue;
            }
            const int shift = fRecordCount < fBufferCount ? 0 : 1;
            if (!GetNextRecord()) {
                fEOF = true;
                break;
            }
            scrollCount -= shift;
            fActiveRecord = fRecordCount - 1;
        }
        for (; distance < 0; ++distance, --result) {
            if (fActiveRecord > 0) {
                --fActiveRecord;
                continue;
            }
            const int shift = fRecordCount < fBufferCount ? 0 : 1;
            if (!GetPriorRecord()) {
                fBOF = true;
                break;
            }
            scrollCount += shift;
            fActiveRecord = 0;
        }
    } catch (...) {
        DataEvent(deDataSetScroll, {nullptr, scrollCount});
        throw;
    }
    DataEvent(deDataSetScroll, {nullptr, scrollCount});
    DoAfterScroll();
    return result;
}

void TDataSet::Resync(TResyncMode mode) {
    assert(fRecordCount < static_cast<int>(fBuffers.size()));
    char* spare = fBuffers[static_cast<std::size_t>(fRecordCount)].get();
    if (mode.Contains(rmExact)) {
        CursorPosChanged();
        if (GetRecord(spare, gmCurrent, true) != grOK) DatabaseError(SRecordNotFound);
    } else if (GetRecord(spare, gmCurrent, false) != grOK && GetRecord(spare, gmNext, false) != grOK &&
               GetRecord(spare, gmPrior, false) != grOK) {
        ClearBuffers();
        DataEvent(deDataSetChange);
        return;
    }
    int before = mode.Contains(rmCenter) ? (fBufferCount - 1) / 2 : fActiveRecord;
    MoveBuffer(fRecordCount, 0);
    ActivateBuffers();
    try {
        while (before > 0 && GetPriorRecord()) --before;
        GetNextRecords();
        GetPriorRecords();
    } catch (...) {
        DataEvent(deDataSetChange);
        throw;
    }
    DataEvent(deDataSetChange);
}

void TDataSet::Refresh() {
    CheckBrowseMode();
    UpdateCursorPos();
    InternalRefresh();
    Resync({});
}

// ---- bookmarks ----

bool TDataSet::BookmarkAvailable() {
    return (fState == dsBrowse || fState == dsEdit || fState == dsInsert) && !IsEmpty() &&
           GetBookmarkFlag(ActiveBuffer()) == bfCurrent;
}

TBookmark TDataSet::Bookmark() {
    return BookmarkAvailable() ? GetBookmarkData(ActiveBuffer()) : TBookmark();
}

void TDataSet::GotoBookmark(const TBookmark& bookmark) {
    if (bookmark.empty()) return;
    CheckBrowseMode();
    DoBeforeScroll();
    InternalGotoBookmark(bookmark);
    Resync({rmExact, rmCenter});
    DoAfterScroll();
}

bool TDataSet::BookmarkValid(const TBookmark&) {
    return false;
}

int TDataSet::CompareBookmarks(const TBookmark&, const TBookmark&) {
    return 0;
}

} // namespace platform::data
