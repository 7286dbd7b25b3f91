// TVORSAMDataSet: the cursor's handle, opening and closing, the buffer layout, the active index and the
// record buffers. Navigation, block reading, editing and field values are in the files beside.
#include "db/components/VORSAMDataSet.h"

#include "db/components/VORSAMSession.h"
#include "platform/data/DBConsts.h"
#include "platform/data/Errors.h"

#include <algorithm>
#include <cassert>
#include <cstring>

namespace vorsam {

using namespace platform::data;

TVORSAMDataSet::TVORSAMDataSet() = default;

TVORSAMDataSet::~TVORSAMDataSet() {
    Close();
}

TVORSAMDataSet::TEngineLock::TEngineLock(const TVORSAMDataSet& dataSet) : session_(dataSet.EngineSession()) {
    if (session_ != nullptr) session_->LockSession();
}

TVORSAMDataSet::TEngineLock::~TEngineLock() {
    if (session_ != nullptr) session_->UnlockSession();
}

TDataCursor& TVORSAMDataSet::Cursor() const {
    assert(cursor_ != nullptr && "the dataset's cursor is open");
    return *cursor_;
}

// ---- the handle ----

void TVORSAMDataSet::OpenCursor(bool infoQuery) {
    {
        const TEngineLock lock(*this);
        cursor_ = CreateHandle();
    }
    if (cursor_ == nullptr) DatabaseError(SHandleError);
    TDataSet::OpenCursor(infoQuery);
}

void TVORSAMDataSet::CloseCursor() {
    TDataSet::CloseCursor();
    if (cursor_ == nullptr) return;
    const TEngineLock lock(*this);
    DestroyHandle();
    cursor_.reset();
}

void TVORSAMDataSet::DestroyHandle() {
    std::unique_ptr<TDataCursor> cursor = std::move(cursor_);
    cursor->CloseCursor();
}

// ---- opening and closing ----

void TVORSAMDataSet::InternalOpen() {
    const TEngineLock lock(*this);
    TDataCursor& cursor = Cursor();
    canModify_ = !cursor.IsReadOnly();
    fieldTypes_.clear();
    for (uint16_t number = 1; number <= cursor.GetFieldCount(); ++number) {
        TFieldDescriptor descriptor;
        cursor.GetFieldDesc(number, descriptor);
        fieldTypes_.push_back(descriptor.DataType());
    }
    FieldDefs().SetUpdated(false);
    FieldDefs().Update();
    ReadIndexInfo();
    if (DefaultFields()) CreateFields();
    BindFields(true);
    ApplyDisplayLabels();
    ApplyFieldOrigins();
    ComputeLayout();
    oldValues_.assign(layout_.RecordSize, 0);
    editImage_.assign(layout_.RecordSize, 0);
    for (TKeyBuffer& buffer : keyBuffers_) InitKeyBuffer(buffer);
    currentKey_ = nullptr;
    cursor.SetReadAhead(readAhead_);
    cursor.SetToBegin();
    CreateFilters();
    OpenCursorComplete();
}

void TVORSAMDataSet::InternalClose() {
    BindFields(false);
    if (DefaultFields()) DestroyFields();
    for (TKeyBuffer& buffer : keyBuffers_) buffer = {};
    currentKey_ = nullptr;
    filterImage_ = nullptr;
    lookupRecord_ = nullptr;
    expressionFilter_ = callbackFilter_ = 0;
    oldValues_.clear();
    editImage_.clear();
    fieldTypes_.clear();
    index_ = {};
    canModify_ = false;
}

void TVORSAMDataSet::ComputeLayout() {
    layout_ = TRecordBufferLayout::Compute(Cursor().GetRecordSize(), uint64_t(std::max(CalcFieldsSize(), 0)),
                                           Cursor().GetBookmarkSize());
    SetBookmarkSize(int(layout_.BookmarkSize));
}

void TVORSAMDataSet::InitKeyBuffer(TKeyBuffer& buffer) const {
    buffer.Modified = false;
    buffer.FieldCount = 0;
    buffer.Image.assign(Cursor().GetRecordSize(), 0);
    Cursor().InitEmptyRecord(buffer.Image);
}

// ---- the active index ----

void TVORSAMDataSet::ReadIndexInfo() {
    index_ = {};
    TDataCursor& cursor = Cursor();
    if (cursor.IsQueryCursor() || cursor.GetKeyLength() == 0) return;
    const TIndexDescriptor descriptor = cursor.GetIndexDesc(cursor.IndexNumber());
    index_.CaseInsensitive = descriptor.CaseInsensitive();
    index_.KeySize = cursor.GetKeyLength();
    index_.FieldCount = descriptor.FieldCount();
    for (size_t i = 0; i < std::min<size_t>(descriptor.FieldCount(), MaxIndexFieldMap); ++i)
        index_.FieldMap[i] = descriptor.FieldNumber(i);
}

void TVORSAMDataSet::SwitchToIndex(const std::string& indexName) {
    const TEngineLock lock(*this);
    ResetCursorRange();
    UpdateCursorPos();
    DropBlock();
    Cursor().SetIndexName(indexName);
    index_ = {};
    SetBufListSize(0);
    ComputeLayout();
    SetBufListSize(BufferCount() + 1);
    ReadIndexInfo();
    CursorPosChanged();
}

bool TVORSAMDataSet::GetIsIndexField(const TField& field) {
    const auto fields =
        std::span(index_.FieldMap).first(std::min<size_t>(index_.FieldCount, MaxIndexFieldMap));
    return field.FieldNo() > 0 && std::find(fields.begin(), fields.end(), field.FieldNo()) != fields.end();
}

// ---- display labels ----

void TVORSAMDataSet::SetAutoDisplayLabels(bool value) {
    autoDisplayLabels_ = value;
    ApplyDisplayLabels();
}

void TVORSAMDataSet::ApplyDisplayLabels() {
    if (cursor_ == nullptr || !autoDisplayLabels_) return;
    for (int i = 0; i < Fields().Count(); ++i) {
        TField& field = Fields()[i];
        TFieldDescriptor descriptor;
        if (field.Calculated() || !cursor_->GetFieldDesc(uint16_t(field.FieldNo()), descriptor)) continue;
        if (!descriptor.Description().empty()) field.SetDisplayLabel(descriptor.Description());
    }
}

// Each stored field takes the origin its descriptor names (a query's result column read from a source
// table); a table's own fields have none.
void TVORSAMDataSet::ApplyFieldOrigins() {
    if (cursor_ == nullptr) return;
    for (int i = 0; i < Fields().Count(); ++i) {
        TField& field = Fields()[i];
        TFieldDescriptor descriptor;
        if (field.Calculated() || !cursor_->GetFieldDesc(uint16_t(field.FieldNo()), descriptor)) continue;
        field.SetOrigin(descriptor.Origin());
    }
}

// ---- record buffers ----

std::unique_ptr<char[]> TVORSAMDataSet::AllocRecordBuffer() {
    return std::make_unique<char[]>(layout_.BufferSize);
}

void TVORSAMDataSet::InternalInitRecord(char* buffer) {
    const TEngineLock lock(*this);
    Cursor().InitRecordBuffer(RecordBuffer(buffer).Image());
}

void TVORSAMDataSet::InitRecord(char* buffer) {
    TDataSet::InitRecord(buffer);
    const TDataRecordBuffer record = RecordBuffer(buffer);
    record.SetRecordNumber(NewRecordNumber);
    record.SetFlag(bfInserted);
}

void TVORSAMDataSet::ClearCalcFields(char* buffer) {
    std::memset(RecordBuffer(buffer).CalcFields(), 0, layout_.CalcFieldsSize);
}

TBookmark TVORSAMDataSet::GetBookmarkData(char* buffer) {
    const std::span<uint8_t> bookmark = RecordBuffer(buffer).Bookmark();
    return TBookmark(bookmark.begin(), bookmark.end());
}

void TVORSAMDataSet::SetBookmarkData(char* buffer, const TBookmark& data) {
    const std::span<uint8_t> bookmark = RecordBuffer(buffer).Bookmark();
    const size_t size = std::min(bookmark.size(), data.size());
    std::memcpy(bookmark.data(), data.data(), size);
    std::fill(bookmark.begin() + ptrdiff_t(size), bookmark.end(), uint8_t(0));
}

TBookmarkFlag TVORSAMDataSet::GetBookmarkFlag(char* buffer) {
    return RecordBuffer(buffer).Flag();
}

void TVORSAMDataSet::SetBookmarkFlag(char* buffer, TBookmarkFlag flag) {
    RecordBuffer(buffer).SetFlag(flag);
}

} // namespace vorsam
