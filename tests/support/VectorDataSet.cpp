#include "support/VectorDataSet.h"

#include "platform/data/BlobFields.h"
#include "platform/data/DBConsts.h"
#include "platform/data/Errors.h"

#include <algorithm>
#include <cstring>

namespace platform::data::test {
namespace {

int NativeSize(const TColumn& column) {
    switch (column.Type) {
    case ftString:
    case ftFixedChar:
        return column.Size + 1;
    case ftSmallint:
    case ftWord:
    case ftBoolean:
        return 2;
    case ftInteger:
    case ftAutoInc:
        return 4;
    case ftBCD:
        return 34;
    case ftBytes:
        return column.Size;
    case ftVarBytes:
        return column.Size + 2;
    default:
        return IsBlobType(column.Type) ? 0 : 8;
    }
}

std::string BookmarkOf(int id) {
    return std::string(reinterpret_cast<const char*>(&id), sizeof id);
}

} // namespace

// A blob being written: the memory stream's bytes become the record's pending blob when it goes.
class TVectorBlobStream : public TMemoryStream {
public:
    TVectorBlobStream(TVectorDataSet& dataSet, TBlobField& field) : fDataSet(dataSet), fField(field) {}
    ~TVectorBlobStream() override {
        const auto& bytes = Bytes();
        fDataSet.fPendingBlobs[fField.FieldNo()] = std::string(bytes.begin(), bytes.end());
        fDataSet.ActiveBuffer()[fDataSet.ColumnOffset(fField.FieldNo())] = bytes.empty() ? 0 : 1;
        fField.SetModified(true);
        fDataSet.DataEvent(deFieldChange, {&fField, 0});
    }

private:
    TVectorDataSet& fDataSet;
    TBlobField& fField;
};

TVectorDataSet::TVectorDataSet(std::vector<TColumn> columns) : fColumns(std::move(columns)) {
    for (const TColumn& column : fColumns) {
        fOffsets.push_back(fRecordSize);
        fRecordSize += 1 + NativeSize(column);
    }
    fMasterLink.OnMasterChange = [this] {
        CheckBrowseMode();
        SetRange(fDetailField, fMasterLink.Fields().front()->Value());
    };
    fMasterLink.OnMasterDisable = [this] { CancelRange(); };
}

TVectorDataSet::~TVectorDataSet() {
    Close();
}

void TVectorDataSet::SetRange(std::string fieldName, Variant value) {
    fRangeField = std::move(fieldName);
    fRangeValue = std::move(value);
    if (Active()) First();
}

void TVectorDataSet::CancelRange() {
    fRangeField.clear();
    if (Active()) First();
}

void TVectorDataSet::SetMasterSource(TDataSource* source) {
    if (IsLinkedTo(source)) DatabaseError(SCircularDataLink);
    fMasterLink.SetDataSource(source);
}

void TVectorDataSet::SetMasterFields(std::string masterFields, std::string detailField) {
    fDetailField = std::move(detailField);
    fMasterLink.SetFieldNames(std::move(masterFields));
}

void TVectorDataSet::SetFiltered(bool value) {
    if (Active()) CheckBrowseMode();
    TDataSet::SetFiltered(value);
    if (Active()) First();
}

// ---- opening and closing ----

void TVectorDataSet::InternalInitFieldDefs() {
    FieldDefs().Clear();
    for (const TColumn& column : fColumns)
        FieldDefs().Add(column.Name, column.Type, column.Size, column.Required);
}

void TVectorDataSet::InternalOpen() {
    fOpen = true; // the cursor exists while the fields are made, as with a dataset over a cursor
    FieldDefs().SetUpdated(false);
    FieldDefs().Update();
    if (DefaultFields()) CreateFields();
    BindFields(true);
    SetBookmarkSize(sizeof(int));
    fOldImage.assign(static_cast<std::size_t>(BufferSize()), '\0');
    fFilterImage.assign(static_cast<std::size_t>(BufferSize()), '\0');
    fPos = -1;
}

void TVectorDataSet::InternalClose() {
    BindFields(false);
    if (DefaultFields()) DestroyFields();
    fPendingBlobs.clear();
    fOpen = false;
}

// ---- record buffers ----

std::unique_ptr<char[]> TVectorDataSet::AllocRecordBuffer() {
    return std::make_unique<char[]>(static_cast<std::size_t>(BufferSize()));
}

void TVectorDataSet::InternalInitRecord(char* buffer) {
    std::memset(buffer, 0, static_cast<std::size_t>(fRecordSize));
}

void TVectorDataSet::ClearCalcFields(char* buffer) {
    std::memset(buffer + fRecordSize, 0, static_cast<std::size_t>(CalcFieldsSize()));
}

TBookmark TVectorDataSet::GetBookmarkData(char* buffer) {
    return BookmarkOf(RowIdOf(buffer));
}

void TVectorDataSet::SetBookmarkData(char* buffer, const TBookmark& data) {
    if (data.size() == sizeof(int))
        std::memcpy(buffer + fRecordSize + CalcFieldsSize(), data.data(), sizeof(int));
}

TBookmarkFlag TVectorDataSet::GetBookmarkFlag(char* buffer) {
    return static_cast<TBookmarkFlag>(buffer[fRecordSize + CalcFieldsSize() + sizeof(int)]);
}

void TVectorDataSet::SetBookmarkFlag(char* buffer, TBookmarkFlag flag) {
    buffer[fRecordSize + CalcFieldsSize() + sizeof(int)] = static_cast<char>(flag);
}

int TVectorDataSet::RowIdOf(const char* buffer) const {
    int id = 0;
    std::memcpy(&id, buffer + fRecordSize + CalcFieldsSize(), sizeof id);
    return id;
}

int TVectorDataSet::RowIndex(int id) const {
    for (int i = 0; i < RowCount(); ++i)
        if (fRows[static_cast<std::size_t>(i)].Id == id) return i;
    return -1;
}

bool TVectorDataSet::Accept(int row) {
    const bool filtering = Filtered() && OnFilterRecord();
    if (fRangeField.empty() && !filtering) return true;
    std::memcpy(fFilterImage.data(), fRows[static_cast<std::size_t>(row)].Image.data(),
                static_cast<std::size_t>(fRecordSize));
    const TDataSetState saved = SetTempState(dsFilter);
    bool accept = true;
    try {
        if (!fRangeField.empty()) accept = FieldByName(fRangeField).Value() == fRangeValue;
        if (accept && filtering) OnFilterRecord()(*this, accept);
    } catch (...) {
        RestoreState(saved);
        throw;
    }
    RestoreState(saved);
    return accept;
}

TGetResult TVectorDataSet::GetRecord(char* buffer, TGetMode mode, bool) {
    int pos = fPos;
    if (mode == gmCurrent) {
        if (pos < 0) return grBOF;
        if (pos >= RowCount() || !Accept(pos)) return grEOF;
    } else {
        const int step = mode == gmNext ? 1 : -1;
        do pos += step;
        while (pos >= 0 && pos < RowCount() && !Accept(pos));
        fPos = std::clamp(pos, -1, RowCount());
        if (fPos < 0) return grBOF;
        if (fPos >= RowCount()) return grEOF;
    }
    const Row& row = fRows[static_cast<std::size_t>(pos)];
    std::memcpy(buffer, row.Image.data(), static_cast<std::size_t>(fRecordSize));
    SetBookmarkData(buffer, BookmarkOf(row.Id));
    SetBookmarkFlag(buffer, bfCurrent);
    GetCalcFields(buffer);
    ++fRecordsRead;
    return grOK;
}

void TVectorDataSet::InternalGotoBookmark(const TBookmark& bookmark) {
    int id = 0;
    if (bookmark.size() == sizeof id) std::memcpy(&id, bookmark.data(), sizeof id);
    const int index = RowIndex(id);
    if (index < 0) DatabaseError(SRecordNotFound);
    fPos = index;
}

bool TVectorDataSet::BookmarkValid(const TBookmark& bookmark) {
    int id = 0;
    if (bookmark.size() != sizeof id) return false;
    std::memcpy(&id, bookmark.data(), sizeof id);
    return RowIndex(id) >= 0;
}

int TVectorDataSet::CompareBookmarks(const TBookmark& a, const TBookmark& b) {
    if (a.empty() || b.empty()) return a.empty() ? (b.empty() ? 0 : -1) : 1;
    int idA = 0, idB = 0;
    std::memcpy(&idA, a.data(), sizeof idA);
    std::memcpy(&idB, b.data(), sizeof idB);
    return (RowIndex(idA) > RowIndex(idB)) - (RowIndex(idA) < RowIndex(idB));
}

int TVectorDataSet::GetRecordCount() {
    CheckActive();
    int count = 0;
    for (int i = 0; i < RowCount(); ++i) count += Accept(i) ? 1 : 0;
    return count;
}

int TVectorDataSet::GetRecNo() {
    CheckActive();
    if (State() == dsInsert || IsEmpty()) return -1;
    const int index = RowIndex(RowIdOf(ActiveBuffer()));
    int number = 0;
    for (int i = 0; i <= index; ++i) number += Accept(i) ? 1 : 0;
    return number;
}

void TVectorDataSet::SetRecNo(int value) {
    CheckBrowseMode();
    for (int i = 0, number = 0; i < RowCount(); ++i) {
        if (!Accept(i) || ++number != value) continue;
        DoBeforeScroll();
        fPos = i;
        Resync({rmCenter});
        DoAfterScroll();
        return;
    }
}

// ---- field values ----

char* TVectorDataSet::RecordBufferForState() {
    switch (State()) {
    case dsBrowse:
    case dsBlockRead:
        return IsEmpty() ? nullptr : ActiveBuffer();
    case dsEdit:
    case dsInsert:
    case dsNewValue:
        return ActiveBuffer();
    case dsCalcFields:
        return CalcBuffer();
    case dsFilter:
        return fFilterImage.data();
    case dsOldValue:
        return fOldImage.data();
    default:
        return nullptr;
    }
}

bool TVectorDataSet::GetFieldData(const TField& field, void* buffer) {
    if (field.FieldKind() == fkData) return GetFieldData(field.FieldNo(), buffer);
    char* record = RecordBufferForState();
    if (record == nullptr || State() == dsFilter) return false;
    const char* value = record + fRecordSize + field.Offset();
    if (value[0] == 0) return false;
    if (buffer != nullptr) std::memcpy(buffer, value + 1, static_cast<std::size_t>(field.DataSize()));
    return true;
}

bool TVectorDataSet::GetFieldData(int fieldNo, void* buffer) {
    const char* record = RecordBufferForState();
    if (record == nullptr || fieldNo < 1) return false;
    const char* value = record + ColumnOffset(fieldNo);
    if (value[0] == 0) return false;
    const int size = NativeSize(fColumns[static_cast<std::size_t>(fieldNo - 1)]);
    if (buffer != nullptr && size > 0) std::memcpy(buffer, value + 1, static_cast<std::size_t>(size));
    return true;
}

void TVectorDataSet::SetFieldData(TField& field, const void* buffer) {
    const TDataSetState state = State();
    if (state != dsEdit && state != dsInsert && state != dsCalcFields && state != dsFilter &&
        state != dsNewValue)
        DatabaseError(SNotEditing);
    char* record = RecordBufferForState();
    if (field.FieldKind() == fkCalculated) {
        char* value = record + fRecordSize + field.Offset();
        value[0] = buffer != nullptr ? 1 : 0;
        if (buffer != nullptr) std::memcpy(value + 1, buffer, static_cast<std::size_t>(field.DataSize()));
    } else {
        if (state == dsCalcFields) DatabaseError(SNotEditing);
        if (field.ReadOnly() && state != dsFilter) DatabaseErrorFmt(SFieldReadOnly, {field.DisplayName()});
        field.Validate(buffer);
        char* value = record + ColumnOffset(field.FieldNo());
        value[0] = buffer != nullptr ? 1 : 0;
        if (buffer != nullptr) std::memcpy(value + 1, buffer, static_cast<std::size_t>(field.DataSize()));
        if (buffer == nullptr && field.IsBlob()) fPendingBlobs[field.FieldNo()].clear();
    }
    if (state != dsCalcFields && state != dsFilter && state != dsNewValue)
        DataEvent(deFieldChange, {&field, 0});
}

std::string TVectorDataSet::BlobOf(const TField& field) {
    if (auto pending = fPendingBlobs.find(field.FieldNo()); pending != fPendingBlobs.end())
        return pending->second;
    const char* record = RecordBufferForState();
    if (record == nullptr || record[ColumnOffset(field.FieldNo())] == 0) return {};
    const int index = RowIndex(RowIdOf(record));
    if (index < 0) return {};
    const auto& blobs = fRows[static_cast<std::size_t>(index)].Blobs;
    const auto blob = blobs.find(field.FieldNo());
    return blob == blobs.end() ? std::string() : blob->second;
}

std::unique_ptr<TStream> TVectorDataSet::CreateBlobStream(TField& field, TBlobStreamMode mode) {
    if (mode == bmRead) {
        auto stream = std::make_unique<TMemoryStream>();
        const std::string blob = BlobOf(field);
        stream->WriteBuffer(blob.data(), static_cast<std::int64_t>(blob.size()));
        stream->SetPosition(0);
        return stream;
    }
    if (field.ReadOnly()) DatabaseErrorFmt(SFieldReadOnly, {field.DisplayName()});
    if (State() != dsEdit && State() != dsInsert) DatabaseError(SNotEditing);
    auto stream = std::make_unique<TVectorBlobStream>(*this, static_cast<TBlobField&>(field));
    if (mode == bmReadWrite) {
        const std::string blob = BlobOf(field);
        stream->WriteBuffer(blob.data(), static_cast<std::int64_t>(blob.size()));
        stream->SetPosition(0);
    }
    return stream;
}

// ---- editing ----

void TVectorDataSet::InternalEdit() {
    std::memcpy(fOldImage.data(), ActiveBuffer(), static_cast<std::size_t>(fRecordSize));
    fPendingBlobs.clear();
}

void TVectorDataSet::InternalInsert() {
    std::fill(fOldImage.begin(), fOldImage.end(), '\0');
    fPendingBlobs.clear();
}

void TVectorDataSet::DoOnNewRecord() {
    if (fMasterLink.Active() && !fMasterLink.Fields().empty())
        FieldByName(fDetailField).SetValue(fMasterLink.Fields().front()->Value());
    TDataSet::DoOnNewRecord();
}

void TVectorDataSet::InternalPost() {
    TDataSet::InternalPost();
    char* buffer = ActiveBuffer();
    Row* row = nullptr;
    if (State() == dsEdit) {
        row = &fRows[static_cast<std::size_t>(RowIndex(RowIdOf(buffer)))];
    } else {
        const int at = GetBookmarkFlag(buffer) == bfEOF ? RowCount() : std::clamp(fPos, 0, RowCount());
        fRows.insert(fRows.begin() + at, Row{fNextId++, {}, {}});
        row = &fRows[static_cast<std::size_t>(at)];
        fPos = at;
    }
    row->Image.assign(buffer, static_cast<std::size_t>(fRecordSize));
    for (auto& [fieldNo, blob] : fPendingBlobs) row->Blobs[fieldNo] = blob;
    fPendingBlobs.clear();
}

void TVectorDataSet::InternalDelete() {
    const int index = RowIndex(RowIdOf(ActiveBuffer()));
    fRows.erase(fRows.begin() + index);
    fPos = index;
}

} // namespace platform::data::test
