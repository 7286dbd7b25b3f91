// TDataSet: opening and closing, state and data events, fields, calculated fields and data sources.
// Navigation and the buffer ring are in DataSetBuffers.cpp, editing in DataSetEditing.cpp.

#include "platform/data/DataSet.h"

#include "platform/data/BlobFields.h"
#include "platform/data/DBConsts.h"
#include "platform/data/DataLink.h"
#include "platform/data/DataSource.h"
#include "platform/data/Errors.h"
#include "platform/data/TextUtil.h"

#include <algorithm>
#include <cassert>

namespace platform::data {

// Puts the dataset into a state for the duration of a scope, without telling anyone.
class TDataSet::TStateScope {
public:
    TStateScope(TDataSet& dataSet, TDataSetState state) : fDataSet(dataSet), fSaved(dataSet.fState) {
        dataSet.fState = state;
    }
    ~TStateScope() { fDataSet.fState = fSaved; }
    TStateScope(const TStateScope&) = delete;
    TStateScope& operator=(const TStateScope&) = delete;

private:
    TDataSet& fDataSet;
    TDataSetState fSaved;
};

TDataSet::TDataSet() : fFieldDefs(this) {}

TDataSet::~TDataSet() {
    // The descendant has closed the dataset; its virtual operations are gone, so the data sources
    // are detached without asking for buffers.
    assert(fState == dsInactive && "a dataset's descendant closes it in its destructor");
    fDestroying = true;
    while (!fDataSources.empty()) RemoveDataSource(*fDataSources.back());
}

// ---- opening and closing ----

void TDataSet::SetActive(bool value) {
    if (Active() == value) return;
    if (value) {
        Fire(BeforeOpen);
        try {
            OpenCursor(false);
        } catch (...) {
            CloseCursor();
            throw;
        }
        SetState(dsBrowse);
        Fire(AfterOpen);
        if (!IsEmpty()) DoAfterScroll();
    } else {
        Fire(BeforeClose);
        SetState(dsInactive);
        CloseCursor();
        Fire(AfterClose);
    }
}

void TDataSet::OpenCursor(bool infoQuery) {
    if (infoQuery)
        InternalInitFieldDefs();
    else
        DoInternalOpen();
}

void TDataSet::DoInternalOpen() {
    fDefaultFields = fFields.Count() == 0;
    InternalOpen();
    UpdateBufferCount();
    fBOF = true;
}

void TDataSet::CloseCursor() {
    SetBlockReadSize(0);
    FreeFieldBuffers();
    ClearBuffers();
    SetBufListSize(0);
    InternalClose();
    fBufferCount = 0;
    fDefaultFields = false;
}

void TDataSet::InitFieldDefs() {
    if (IsCursorOpen()) {
        InternalInitFieldDefs();
        return;
    }
    try {
        OpenCursor(true);
    } catch (...) {
        CloseCursor();
        throw;
    }
    CloseCursor();
}

void TDataSet::CheckActive() const {
    if (!Active()) DatabaseError(SDataSetClosed);
}

void TDataSet::CheckInactive() const {
    if (Active()) DatabaseError(SDataSetOpen);
}

// ---- state and data events ----

void TDataSet::SetState(TDataSetState value) {
    if (fState == value) return;
    fState = value;
    fModified = false;
    DataEvent(deUpdateState);
}

TDataSetState TDataSet::SetTempState(TDataSetState value) {
    const TDataSetState saved = fState;
    fState = value;
    ++fDisableCount;
    fModified = false;
    return saved;
}

void TDataSet::RestoreState(TDataSetState value) {
    fState = value;
    --fDisableCount;
    fModified = false;
}

void TDataSet::DisableControls() {
    if (fDisableCount == 0) {
        fDisableState = fState;
        fEnableEvent = deDataSetChange;
    }
    ++fDisableCount;
}

void TDataSet::EnableControls() {
    if (fDisableCount == 0 || --fDisableCount != 0) return;
    if (fDisableState != fState) DataEvent(deUpdateState);
    if (fDisableState != dsInactive && fState != dsInactive) DataEvent(fEnableEvent);
}

void TDataSet::DataEvent(TDataEvent event, TDataEventInfo info) {
    bool notify = !ControlsDisabled() && fState != dsBlockRead;
    switch (event) {
    case deFieldChange:
        if (info.Field == nullptr) break;
        if (info.Field->FieldKind() == fkData) SetModified(true);
        if (fState != dsSetKey) {
            if (fCalcFieldsSize != 0 && fAutoCalcFields && info.Field->FieldKind() == fkData)
                CalculateFields(ActiveBuffer());
            info.Field->Change();
        }
        break;
    case dePropertyChange:
        fFieldDefs.SetUpdated(false);
        break;
    case deLayoutChange:
        if (ControlsDisabled()) fEnableEvent = deLayoutChange;
        break;
    case deUpdateState:
        // While controls are disabled the links only learn whether the dataset is active.
        if (ControlsDisabled()) {
            event = deDisabledStateChange;
            info.Value = fState != dsInactive ? 1 : 0;
            notify = true;
            fEnableEvent = deLayoutChange;
        }
        break;
    default:
        break;
    }
    if (!notify) return;
    const std::vector<TDataSource*> sources = fDataSources;
    for (TDataSource* source : sources)
        if (std::find(fDataSources.begin(), fDataSources.end(), source) != fDataSources.end())
            source->DataEvent(event, info);
}

// ---- fields ----

TField& TDataSet::AddField(std::unique_ptr<TField> field) {
    CheckInactive();
    if (field->FieldName().empty()) DatabaseError(SFieldNameMissing);
    if (fFields.FindField(field->FieldName()) != nullptr)
        DatabaseErrorFmt(SDuplicateFieldName, {field->FieldName()});
    field->fDataSet = this;
    fFields.fItems.push_back(std::move(field));
    return *fFields.fItems.back();
}

std::vector<TField*> TDataSet::GetFieldList(std::string_view fieldNames) const {
    std::vector<TField*> fields;
    for (const std::string& name : SplitNames(fieldNames)) fields.push_back(&fFields.FieldByName(name));
    return fields;
}

void TDataSet::CreateFields() {
    for (int i = 0; i < fFieldDefs.Count(); ++i)
        if (fFieldDefs[i].DataType != ftUnknown) fFieldDefs[i].CreateField(*this);
}

void TDataSet::BindFields(bool binding) {
    fCalcFieldsSize = 0;
    for (const auto& field : fFields.fItems) {
        if (!binding) {
            field->fFieldNo = 0;
        } else if (field->Calculated()) {
            field->fFieldNo = -1;
            field->fOffset = fCalcFieldsSize;
            fCalcFieldsSize += field->DataSize() + 1;
        } else {
            const TFieldDef& def = fFieldDefs.Find(field->FieldName());
            CheckFieldCompatibility(*field, def);
            field->fFieldNo = def.FieldNo;
        }
    }
}

void TDataSet::CheckFieldCompatibility(const TField& field, const TFieldDef& def) {
    // String kinds read each other, as do the 32-bit integer and auto-increment kinds.
    auto family = [](TFieldType type) {
        switch (type) {
        case ftFixedChar:
        case ftWideString:
        case ftGuid:
            return ftString;
        case ftAutoInc:
            return ftInteger;
        default:
            return type;
        }
    };
    if (family(field.DataType()) != family(def.DataType))
        DatabaseErrorFmt(SFieldTypeMismatch,
                         {field.DisplayName(), FieldTypeName(field.DataType()), FieldTypeName(def.DataType)});
    const bool sized =
        family(def.DataType) == ftString || def.DataType == ftBytes || def.DataType == ftVarBytes;
    if (sized && field.Size() != def.Size)
        DatabaseErrorFmt(SFieldSizeMismatch,
                         {field.DisplayName(), std::to_string(field.Size()), std::to_string(def.Size)});
}

void TDataSet::DestroyFields() {
    fFields.fItems.clear();
}

bool TDataSet::GetFieldData(const TField& field, void* buffer) {
    return field.FieldKind() == fkData && GetFieldData(field.FieldNo(), buffer);
}

bool TDataSet::GetFieldData(int, void*) {
    return false;
}

int TDataSet::GetBlobFieldData(int fieldNo, TBytes& buffer) {
    TField* field = fFields.FieldByNumber(fieldNo);
    if (field == nullptr) return 0;
    const auto stream = CreateBlobStream(*field, bmRead);
    const std::int64_t size = stream->Size();
    buffer.resize(static_cast<std::size_t>(size));
    stream->SetPosition(0);
    stream->ReadBuffer(buffer.data(), size);
    return static_cast<int>(size);
}

std::unique_ptr<TStream> TDataSet::CreateBlobStream(TField& field, TBlobStreamMode) {
    DatabaseErrorFmt(SBlobNotSupported, {field.DisplayName()});
}

Variant TDataSet::GetStateFieldValue(TDataSetState state, const TField& field) {
    if (field.FieldKind() != fkData) return {};
    const TStateScope scope(*this, state);
    return field.Value();
}

void TDataSet::SetStateFieldValue(TDataSetState state, TField& field, const Variant& value) {
    if (field.FieldKind() != fkData) return;
    const TStateScope scope(*this, state);
    field.SetValue(value);
}

void TDataSet::FreeFieldBuffers() {
    for (const auto& field : fFields.fItems) field->FreeBuffers();
}

void TDataSet::CheckCanModify() {
    if (!GetCanModify()) DatabaseError(SDataSetReadOnly);
}

void TDataSet::CheckRequiredFields() {
    for (const auto& field : fFields.fItems) {
        if (field->Required() && !field->ReadOnly() && field->FieldKind() == fkData && field->IsNull()) {
            field->FocusControl();
            DatabaseErrorFmt(SFieldRequired, {field->DisplayName()});
        }
    }
}

// ---- calculated fields ----

void TDataSet::GetCalcFields(char* buffer) {
    if (fCalcFieldsSize == 0) return;
    const TStateScope scope(*this, dsCalcFields);
    CalculateFields(buffer);
}

void TDataSet::CalculateFields(char* buffer) {
    fCalcBuffer = buffer;
    ClearCalcFields(buffer);
    Fire(OnCalcFields);
}

void TDataSet::DoOnNewRecord() {
    Fire(OnNewRecord);
}

// ---- filters, block reading, searching ----

void TDataSet::SetBlockReadSize(int value) {
    if (value > 0) {
        CheckActive();
        SetState(dsBlockRead);
    } else if (fState == dsBlockRead) {
        SetState(dsBrowse);
    }
    fBlockReadSize = value;
}

bool TDataSet::Locate(std::string_view, const Variant&, TLocateOptions) {
    return false;
}

Variant TDataSet::Lookup(std::string_view, const Variant&, std::string_view) {
    return {};
}

// ---- data sources and master links ----

void TDataSet::AddDataSource(TDataSource& source) {
    fDataSources.push_back(&source);
    source.fDataSet = this;
    UpdateBufferCount();
    source.UpdateState();
}

void TDataSet::RemoveDataSource(TDataSource& source) {
    source.fDataSet = nullptr;
    fDataSources.erase(std::remove(fDataSources.begin(), fDataSources.end(), &source), fDataSources.end());
    source.UpdateState();
    UpdateBufferCount();
}

std::vector<TDataLink*> TDataSet::AllDataLinks() const {
    std::vector<TDataLink*> links;
    for (const TDataSource* source : fDataSources)
        links.insert(links.end(), source->fDataLinks.begin(), source->fDataLinks.end());
    return links;
}

bool TDataSet::IsLinkedTo(TDataSource* source) {
    while (source != nullptr) {
        TDataSet* dataSet = source->DataSet();
        if (dataSet == nullptr) break;
        if (dataSet == this) return true;
        source = dataSet->GetDataSource();
    }
    return false;
}

void TDataSet::GetDetailLinkFields(std::vector<TField*>& masterFields, std::vector<TField*>& detailFields) {
    masterFields.clear();
    detailFields.clear();
}

} // namespace platform::data
