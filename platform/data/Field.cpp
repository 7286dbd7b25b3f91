#include "platform/data/Field.h"

#include "platform/data/DBConsts.h"
#include "platform/data/DataSet.h"
#include "platform/data/Errors.h"
#include "platform/data/NumberText.h"
#include "platform/data/TextUtil.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace platform::data {

TField::TField(TFieldType dataType, std::string fieldName, int size)
    : fFieldName(std::move(fieldName)), fDataType(dataType), fSize(size) {}

void TField::SetFieldName(std::string name) {
    if (fDataSet != nullptr) fDataSet->CheckInactive();
    fFieldName = std::move(name);
}

void TField::SetFieldKind(TFieldKind kind) {
    if (fDataSet != nullptr) fDataSet->CheckInactive();
    fFieldKind = kind;
}

void TField::SetSize(int size) {
    if (fDataSet != nullptr) fDataSet->CheckInactive();
    CheckTypeSize(size);
    fSize = size;
}

void TField::CheckTypeSize(int size) const {
    if (size != 0) DatabaseError(SInvalidFieldSize);
}

bool TField::IsIndexField() const {
    return fDataSet != nullptr && fDataSet->GetIsIndexField(*this);
}

void TField::SetAsLargeInt(std::int64_t value) {
    SetAsInteger(ToInt32(value));
}

std::int32_t TField::ToInt32(std::int64_t value) const {
    constexpr std::int64_t min = std::numeric_limits<std::int32_t>::min();
    constexpr std::int64_t max = std::numeric_limits<std::int32_t>::max();
    if (value < min || value > max)
        RangeError(std::to_string(value), std::to_string(min), std::to_string(max));
    return static_cast<std::int32_t>(value);
}

std::int32_t TField::ToInt32(double value) const {
    const double rounded = std::round(value);
    if (!(rounded >= std::numeric_limits<std::int32_t>::min() &&
          rounded <= std::numeric_limits<std::int32_t>::max()))
        RangeError(FloatToStr(value), std::to_string(std::numeric_limits<std::int32_t>::min()),
                   std::to_string(std::numeric_limits<std::int32_t>::max()));
    return static_cast<std::int32_t>(rounded);
}

void TField::SetValue(const Variant& value) {
    if (value.IsNull())
        Clear();
    else
        SetVarValue(value);
}

Variant TField::OldValue() const {
    return CheckedDataSet().GetStateFieldValue(dsOldValue, *this);
}
Variant TField::NewValue() const {
    return CheckedDataSet().GetStateFieldValue(dsNewValue, *this);
}
void TField::SetNewValue(const Variant& value) {
    CheckedDataSet().SetStateFieldValue(dsNewValue, *this, value);
}

std::string TField::DisplayText() const {
    std::string text;
    GetText(text, true);
    return text;
}

std::string TField::Text() const {
    std::string text;
    GetText(text, false);
    return text;
}

void TField::GetText(std::string& text, bool) const {
    text = AsString();
}

bool TField::GetData(void* buffer) const {
    if (fValidating) {
        if (fValueBuffer != nullptr && buffer != nullptr) std::memcpy(buffer, fValueBuffer, DataSize());
        return fValueBuffer != nullptr;
    }
    return CheckedDataSet().GetFieldData(*this, buffer);
}

void TField::SetData(const void* buffer) {
    CheckedDataSet().SetFieldData(*this, buffer);
}

void TField::Validate(const void* buffer) {
    if (!OnValidate) return;
    struct Restore {
        TField& Field;
        ~Restore() {
            Field.fValidating = false;
            Field.fValueBuffer = nullptr;
        }
    } restore{*this};
    fValidating = true;
    fValueBuffer = buffer;
    OnValidate(*this);
}

void TField::Change() {
    if (OnChange) OnChange(*this);
}

void TField::FocusControl() {
    if (fDataSet != nullptr) fDataSet->DataEvent(deFocusControl, {this, 0});
}

void TField::AccessError(std::string_view typeName) const {
    DatabaseErrorFmt(SFieldAccessError, {DisplayName(), typeName});
}

void TField::InvalidValue(const char* format, std::string_view text) const {
    DatabaseErrorFmt(format, {text, DisplayName()});
}

void TField::RangeError(std::string_view value, std::string_view min, std::string_view max) const {
    DatabaseErrorFmt(SFieldRangeError, {value, DisplayName(), min, max});
}

TDataSet& TField::CheckedDataSet() const {
    if (fDataSet == nullptr) DatabaseErrorFmt(SDataSetMissing, {DisplayName()});
    return *fDataSet;
}

TField* TFields::FindField(std::string_view name) const {
    for (const auto& field : fItems)
        if (SameText(field->FieldName(), name)) return field.get();
    return nullptr;
}

TField& TFields::FieldByName(std::string_view name) const {
    TField* field = FindField(name);
    if (field == nullptr) DatabaseErrorFmt(SFieldNotFound, {name});
    return *field;
}

TField* TFields::FieldByNumber(int fieldNo) const {
    for (const auto& field : fItems)
        if (field->FieldNo() == fieldNo) return field.get();
    return nullptr;
}

int TFields::IndexOf(const TField* field) const {
    for (int i = 0; i < Count(); ++i)
        if (fItems[static_cast<std::size_t>(i)].get() == field) return i;
    return -1;
}

} // namespace platform::data
