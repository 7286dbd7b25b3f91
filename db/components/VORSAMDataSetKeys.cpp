// TVORSAMDataSet: the key buffers of key searches and ranges, state dsSetKey, the fields of the active
// index, and the temporary states the dataset takes for a scope.
#include "db/components/VORSAMDataSet.h"

#include "platform/data/DBConsts.h"
#include "platform/data/Errors.h"

#include <algorithm>

namespace vorsam {

using namespace platform::data;

TVORSAMDataSet::TTempState::TTempState(TVORSAMDataSet& dataSet, TDataSetState state, uint8_t* filterRecord)
    : dataSet_(dataSet), saved_(dataSet.SetTempState(state)), savedFilterRecord_(dataSet.filterImage_) {
    if (filterRecord != nullptr) dataSet.filterImage_ = filterRecord;
}

TVORSAMDataSet::TTempState::~TTempState() {
    dataSet_.filterImage_ = savedFilterRecord_;
    dataSet_.RestoreState(saved_);
}

// ---- the fields of the active index ----

TField* TVORSAMDataSet::GetIndexField(int index) {
    if (index < 0 || index >= index_.FieldCount || size_t(index) >= MaxIndexFieldMap)
        DatabaseError(SFieldIndexOutOfRange);
    const int number = index_.FieldMap[size_t(index)];
    TField* field = Fields().FieldByNumber(number);
    if (field == nullptr) {
        std::string name = std::to_string(number);
        for (int i = 0; i < FieldDefs().Count(); ++i)
            if (FieldDefs()[i].FieldNo == number) name = FieldDefs()[i].Name;
        DatabaseErrorFmt(SIndexFieldMissing, {name});
    }
    return field;
}

// ---- editing keys ----

int TVORSAMDataSet::KeyFieldCount() const {
    return State() == dsSetKey && currentKey_ != nullptr ? currentKey_->FieldCount : 0;
}

void TVORSAMDataSet::SetKeyFieldCount(int value) {
    if (State() != dsSetKey || currentKey_ == nullptr) DatabaseError(SNotEditing);
    currentKey_->FieldCount = std::clamp(value, 0, index_.FieldCount);
}

void TVORSAMDataSet::SetKeyBuffer(TKeyIndex index, bool clear) {
    CheckBrowseMode();
    TKeyBuffer& buffer = keyBuffers_[index];
    keyBuffers_[kiSave] = buffer;
    if (clear) InitKeyBuffer(buffer);
    currentKey_ = &buffer;
    SetState(dsSetKey);
    SetModified(buffer.Modified);
    DataEvent(deDataSetChange);
}

void TVORSAMDataSet::SetKeyFields(TKeyIndex index, const std::vector<Variant>& values) {
    if (index_.FieldCount == 0) DatabaseError(SNoFieldIndexes);
    const TTempState state(*this, dsSetKey);
    TKeyBuffer& buffer = keyBuffers_[index];
    InitKeyBuffer(buffer);
    currentKey_ = &buffer;
    for (size_t i = 0; i < values.size(); ++i) GetIndexField(int(i))->SetValue(values[i]);
    buffer.FieldCount = int32_t(values.size());
    buffer.Modified = Modified();
}

void TVORSAMDataSet::PostKeyBuffer(bool commit) {
    DataEvent(deCheckBrowseMode);
    if (commit)
        currentKey_->Modified = Modified();
    else
        *currentKey_ = keyBuffers_[kiSave];
    SetState(dsBrowse);
    DataEvent(deDataSetChange);
}

void TVORSAMDataSet::Post() {
    TDataSet::Post();
    if (State() == dsSetKey) PostKeyBuffer(true);
}

void TVORSAMDataSet::Cancel() {
    TDataSet::Cancel();
    if (State() == dsSetKey) PostKeyBuffer(false);
}

std::vector<uint8_t> TVORSAMDataSet::BuildKey(const TKeyBuffer& buffer) const {
    std::vector<uint8_t> key(Cursor().GetKeyLength());
    Cursor().BuildKey(buffer.Image, key.data());
    return key;
}

// ---- ranges ----

void TVORSAMDataSet::SetLinkRanges(const std::vector<TField*>& masterFields) {
    {
        const TTempState state(*this, dsSetKey);
        TKeyBuffer& start = keyBuffers_[kiRangeStart];
        InitKeyBuffer(start);
        start.Modified = true;
        currentKey_ = &start;
        for (size_t i = 0; i < masterFields.size(); ++i)
            GetIndexField(int(i))->SetValue(masterFields[i]->Value());
        start.FieldCount = int32_t(masterFields.size());
    }
    keyBuffers_[kiRangeEnd] = keyBuffers_[kiRangeStart];
}

bool TVORSAMDataSet::SetCursorRange() {
    const TKeyBuffer& start = keyBuffers_[kiRangeStart];
    const TKeyBuffer& end = keyBuffers_[kiRangeEnd];
    if (start == keyBuffers_[kiCurRangeStart] && end == keyBuffers_[kiCurRangeEnd]) return false;
    const TEngineLock lock(*this);
    if (!start.Modified && !end.Modified) {
        Cursor().ResetRange();
    } else {
        const std::vector<uint8_t> startKey = start.Modified ? BuildKey(start) : std::vector<uint8_t>();
        const std::vector<uint8_t> endKey = end.Modified ? BuildKey(end) : std::vector<uint8_t>();
        Cursor().SetRange(start.Modified ? startKey.data() : nullptr, uint16_t(start.FieldCount),
                          end.Modified ? endKey.data() : nullptr, uint16_t(end.FieldCount));
    }
    keyBuffers_[kiCurRangeStart] = start;
    keyBuffers_[kiCurRangeEnd] = end;
    DestroyLookupCursor();
    return true;
}

bool TVORSAMDataSet::ResetCursorRange() {
    if (!keyBuffers_[kiCurRangeStart].Modified && !keyBuffers_[kiCurRangeEnd].Modified) return false;
    const TEngineLock lock(*this);
    Cursor().ResetRange();
    InitKeyBuffer(keyBuffers_[kiCurRangeStart]);
    InitKeyBuffer(keyBuffers_[kiCurRangeEnd]);
    DestroyLookupCursor();
    return true;
}

} // namespace vorsam
