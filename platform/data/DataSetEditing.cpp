// TDataSet: editing, inserting, appending, posting, cancelling and deleting records.

#include "platform/data/DBConsts.h"
#include "platform/data/DataSet.h"
#include "platform/data/Errors.h"

namespace platform::data {

void TDataSet::Edit() {
    if (fState == dsEdit || fState == dsInsert) return;
    if (fRecordCount == 0) {
        Insert();
        return;
    }
    CheckBrowseMode();
    CheckCanModify();
    Fire(BeforeEdit);
    UpdateCursorPos();
    InternalEdit();
    GetCalcFields(ActiveBuffer());
    SetState(dsEdit);
    DataEvent(deRecordChange);
    Fire(AfterEdit);
}

void TDataSet::BeginInsertAppend() {
    CheckBrowseMode();
    CheckCanModify();
    Fire(BeforeInsert);
    DoBeforeScroll();
}

void TDataSet::EndInsertAppend() {
    SetState(dsInsert);
    try {
        DoOnNewRecord();
    } catch (...) {
        UpdateCursorPos();
        FreeFieldBuffers();
        SetState(dsBrowse);
        Resync({});
        throw;
    }
    fModified = false;
    DataEvent(deDataSetChange);
    Fire(AfterInsert);
    DoAfterScroll();
}

// The new record takes the active record's place; its buffer remembers the record it was inserted
// before, so that the cursor can go back there.
void TDataSet::Insert() {
    BeginInsertAppend();
    const TBookmark current = Bookmark();
    MoveBuffer(fRecordCount, fActiveRecord);
    char* buffer = ActiveBuffer();
    InitRecord(buffer);
    if (fRecordCount == 0)
        SetBookmarkFlag(buffer, bfBOF);
    else
        SetBookmarkData(buffer, current);
    if (fRecordCount < fBufferCount) ++fRecordCount;
    InternalInsert();
    EndInsertAppend();
}

// The new record follows the last one; the buffers before it show the last records.
void TDataSet::Append() {
    BeginInsertAppend();
    ClearBuffers();
    char* buffer = fBuffers[0].get();
    InitRecord(buffer);
    SetBookmarkFlag(buffer, bfEOF);
    fRecordCount = 1;
    fBOF = false;
    GetPriorRecords();
    InternalInsert();
    EndInsertAppend();
}

void TDataSet::InitRecord(char* buffer) {
    InternalInitRecord(buffer);
    ClearCalcFields(buffer);
    SetBookmarkFlag(buffer, bfInserted);
}

void TDataSet::UpdateRecord() {
    if (!IsEditMode(fState)) DatabaseError(SNotEditing);
    DataEvent(deUpdateRecord);
}

void TDataSet::Post() {
    UpdateRecord();
    if (fState != dsEdit && fState != dsInsert) return;
    DataEvent(deCheckBrowseMode);
    Fire(BeforePost);
    UpdateCursorPos();
    InternalPost();
    FreeFieldBuffers();
    SetState(dsBrowse);
    Resync({});
    Fire(AfterPost);
}

void TDataSet::Cancel() {
    if (fState != dsEdit && fState != dsInsert) return;
    DataEvent(deCheckBrowseMode);
    Fire(BeforeCancel);
    const bool scrolls = fState == dsInsert;
    if (scrolls) DoBeforeScroll();
    UpdateCursorPos();
    InternalCancel();
    FreeFieldBuffers();
    SetState(dsBrowse);
    Resync({});
    Fire(AfterCancel);
    if (scrolls) DoAfterScroll();
}

void TDataSet::Delete() {
    CheckActive();
    if (fState == dsInsert || fState == dsSetKey) {
        Cancel();
        return;
    }
    if (fRecordCount == 0) DatabaseError(SDataSetEmpty);
    CheckCanModify();
    DataEvent(deCheckBrowseMode);
    Fire(BeforeDelete);
    DoBeforeScroll();
    UpdateCursorPos();
    InternalDelete();
    FreeFieldBuffers();
    SetState(dsBrowse);
    Resync({});
    Fire(AfterDelete);
    DoAfterScroll();
}

void TDataSet::CheckBrowseMode() {
    CheckActive();
    DataEvent(deCheckBrowseMode);
    switch (fState) {
    case dsEdit:
    case dsInsert:
        UpdateRecord();
        if (fModified)
            Post();
        else
            Cancel();
        break;
    case dsSetKey:
        Post();
        break;
    default:
        break;
    }
}

void TDataSet::SetFields(const std::vector<Variant>& values) {
    if (static_cast<int>(values.size()) > FieldCount()) DatabaseError(SDataSetTooManyValues);
    DisableControls();
    try {
        for (std::size_t i = 0; i < values.size(); ++i) fFields[static_cast<int>(i)].SetValue(values[i]);
    } catch (...) {
        EnableControls();
        throw;
    }
    EnableControls();
}

void TDataSet::InsertRecord(const std::vector<Variant>& values) {
    Insert();
    SetFields(values);
    Post();
}

void TDataSet::AppendRecord(const std::vector<Variant>& values) {
    Append();
    SetFields(values);
    Post();
}

} // namespace platform::data
