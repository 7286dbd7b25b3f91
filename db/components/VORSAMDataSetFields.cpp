// TVORSAMDataSet: field definitions read from the cursor, and field values read from and written to
// the record of the present state through the cursor.
//
// Field buffers are the framework's formats (platform/data/Field.h); the engine's native forms
// (db/lib/DataTypes.h) are the same bytes but for dates (int32 day number against a TDateTime), times
// (int32 milliseconds against a TDateTime fraction) and timestamps (double milliseconds from 0001-01-01
// 00:00 against a TDateTime). Blobs have no buffer data; variable-length bytes have no conversion yet.
#include "db/components/VORSAMDataSet.h"

#include "db/components/VORSAMTypeMapping.h"
#include "db/lib/DataTypes.h"
#include "platform/data/DBConsts.h"
#include "platform/data/DateTime.h"
#include "platform/data/Errors.h"

#include <cstring>
#include <string>

namespace vorsam {

using namespace platform::data;

namespace {

// Engine milliseconds from 0001-01-01 00:00; the framework's stamps count from the day before it.
constexpr double EngineStampOrigin = MSecsPerDay;

template <class T> T Load(const uint8_t* bytes) {
    T value{};
    std::memcpy(&value, bytes, sizeof value);
    return value;
}

template <class T> void Store(void* destination, T value) {
    std::memcpy(destination, &value, sizeof value);
}

bool Converted(uint8_t type) {
    return type == dtDate || type == dtTime || type == dtTimeStamp;
}

TDateTime ToDateTime(uint8_t type, const uint8_t* value) {
    switch (type) {
    case dtDate:
        return TimeStampToDateTime({0, Load<int32_t>(value)});
    case dtTime:
        return TimeStampToDateTime({Load<int32_t>(value), DateDelta});
    default:
        return TimeStampToDateTime(MSecsToTimeStamp(Load<double>(value) + EngineStampOrigin));
    }
}

void FromDateTime(uint8_t type, TDateTime value, uint8_t* destination) {
    const TTimeStamp stamp = DateTimeToTimeStamp(value);
    switch (type) {
    case dtDate:
        Store(destination, stamp.Date);
        break;
    case dtTime:
        Store(destination, stamp.Time);
        break;
    default:
        Store(destination, TimeStampToMSecs(stamp) - EngineStampOrigin);
        break;
    }
}

} // namespace

// ---- field definitions ----

void TVORSAMDataSet::InternalInitFieldDefs() {
    const TEngineLock lock(*this);
    TDataCursor& cursor = Cursor();
    FieldDefs().Clear();
    for (uint16_t number = 1; number <= cursor.GetFieldCount(); ++number) {
        TFieldDescriptor descriptor;
        cursor.GetFieldDesc(number, descriptor);
        const TFieldType type = FieldTypeOf(descriptor.DataType(), descriptor.SubType());
        if (type == ftUnknown) continue;
        std::string name = descriptor.Name();
        for (int suffix = 1; FieldDefs().IndexOf(name) >= 0; ++suffix)
            name = descriptor.Name() + "_" + std::to_string(suffix);
        int size = 0, precision = 0;
        switch (descriptor.DataType()) {
        case dtString:
        case dtBytes:
        case dtVarBytes:
            size = descriptor.DeclaredSize();
            break;
        case dtBcd:
            precision = 32;
            size = descriptor.Decimals();
            break;
        default:
            break;
        }
        TFieldDef& def = FieldDefs().Add(name, type, size, descriptor.Required());
        def.FieldNo = descriptor.FieldNumber();
        def.Precision = precision;
    }
}

// ---- the record of the state ----

TVORSAMDataSet::TStateRecord TVORSAMDataSet::RecordForState() const {
    auto whole = [this](char* buffer) -> TStateRecord {
        if (buffer == nullptr) return {};
        const TDataRecordBuffer record = RecordBuffer(buffer);
        return {record.Image().data(), record.CalcFields()};
    };
    switch (State()) {
    case dsBrowse:
        return IsEmpty() ? TStateRecord{} : whole(ActiveBuffer());
    case dsEdit:
    case dsInsert:
    case dsNewValue:
        return whole(ActiveBuffer());
    case dsCalcFields:
        return whole(lookupRecord_ != nullptr ? lookupRecord_ : CalcBuffer());
    case dsBlockRead:
        if (block_.Active()) return block_.Count == 0 ? TStateRecord{} : whole(block_.Record.get());
        return IsEmpty() ? TStateRecord{} : whole(ActiveBuffer());
    case dsSetKey:
        return {currentKey_ == nullptr ? nullptr : currentKey_->Image.data(), nullptr};
    case dsFilter:
        return {filterImage_, nullptr};
    case dsOldValue:
        return {const_cast<uint8_t*>(oldValues_.data()), nullptr};
    default:
        return {};
    }
}

// ---- reading ----

void TVORSAMDataSet::RefuseValue(uint16_t fieldNo) const {
    TFieldDescriptor descriptor;
    cursor_->GetFieldDesc(fieldNo, descriptor);
    DatabaseErrorFmt(SFieldAccessError, {descriptor.Name(), FieldTypeName(ftVarBytes)});
}

void TVORSAMDataSet::ReadFieldValue(uint16_t fieldNo, const uint8_t* image, bool& isNull,
                                    void* buffer) const {
    const std::span<const uint8_t> record(image, layout_.RecordSize);
    const uint8_t type = fieldTypes_[fieldNo - 1u];
    if (buffer == nullptr || type == dtBlob) {
        cursor_->GetField(fieldNo, record, isNull, nullptr);
    } else if (type == dtVarBytes) {
        RefuseValue(fieldNo);
    } else if (Converted(type)) {
        uint8_t value[sizeof(double)] = {};
        cursor_->GetField(fieldNo, record, isNull, value);
        if (!isNull) Store(buffer, ToDateTime(type, value));
    } else {
        cursor_->GetField(fieldNo, record, isNull, static_cast<uint8_t*>(buffer));
    }
}

bool TVORSAMDataSet::GetFieldData(int fieldNo, void* buffer) {
    const TStateRecord record = RecordForState();
    if (record.Image == nullptr || cursor_ == nullptr || fieldNo < 1 || size_t(fieldNo) > fieldTypes_.size())
        return false;
    bool isNull = true;
    if (fieldTypes_[size_t(fieldNo) - 1] != dtBlob) {
        // A value of the dataset's own record buffer: nothing of the engine is read.
        ReadFieldValue(uint16_t(fieldNo), record.Image, isNull, buffer);
        return !isNull;
    }
    const TEngineLock lock(*this);
    ReadFieldValue(uint16_t(fieldNo), record.Image, isNull, buffer);
    return !isNull;
}

bool TVORSAMDataSet::GetFieldData(const TField& field, void* buffer) {
    if (field.FieldNo() >= 1) return GetFieldData(field.FieldNo(), buffer);
    const TStateRecord record = RecordForState();
    switch (State()) {
    case dsBrowse:
    case dsEdit:
    case dsInsert:
    case dsCalcFields:
    case dsBlockRead: {
        if (record.CalcFields == nullptr) return false;
        const char* value = record.CalcFields + field.Offset();
        if (value[0] == 0) return false;
        if (buffer != nullptr) std::memcpy(buffer, value + 1, size_t(field.DataSize()));
        return true;
    }
    default:
        return record.Image != nullptr;
    }
}

// ---- writing ----

void TVORSAMDataSet::SetStateFieldValue(TDataSetState state, TField& field, const Variant& value) {
    if (state == dsOldValue) DatabaseErrorFmt(SFieldReadOnly, {field.DisplayName()});
    TDataSet::SetStateFieldValue(state, field, value);
}

void TVORSAMDataSet::WriteFieldValue(uint16_t fieldNo, uint8_t* image, const void* buffer) const {
    const std::span<uint8_t> record(image, layout_.RecordSize);
    const uint8_t type = fieldTypes_[fieldNo - 1u];
    if (buffer == nullptr || type == dtBlob) {
        cursor_->PutField(fieldNo, record, nullptr);
    } else if (type == dtVarBytes) {
        RefuseValue(fieldNo);
    } else if (Converted(type)) {
        uint8_t value[sizeof(double)] = {};
        FromDateTime(type, Load<TDateTime>(static_cast<const uint8_t*>(buffer)), value);
        cursor_->PutField(fieldNo, record, value);
    } else {
        cursor_->PutField(fieldNo, record, static_cast<const uint8_t*>(buffer));
    }
}

void TVORSAMDataSet::SetFieldData(TField& field, const void* buffer) {
    const TDataSetState state = State();
    if (state != dsEdit && state != dsInsert && state != dsSetKey && state != dsCalcFields &&
        state != dsFilter && state != dsNewValue)
        DatabaseError(SNotEditingTable);
    if (state == dsSetKey && (field.FieldNo() < 0 || (index_.FieldCount > 0 && !GetIsIndexField(field))))
        DatabaseErrorFmt(SNotIndexField, {field.DisplayName()});
    const TStateRecord record = RecordForState();
    if (field.FieldNo() < 1) {
        if (record.CalcFields == nullptr) DatabaseError(SNotEditingTable);
        char* value = record.CalcFields + field.Offset();
        value[0] = buffer != nullptr ? 1 : 0;
        if (buffer != nullptr) std::memcpy(value + 1, buffer, size_t(field.DataSize()));
    } else {
        if (state == dsCalcFields) DatabaseError(SNotEditingTable);
        if (field.ReadOnly() && state != dsSetKey && state != dsFilter)
            DatabaseErrorFmt(SFieldReadOnly, {field.DisplayName()});
        field.Validate(buffer);
        if (record.Image == nullptr || cursor_ == nullptr || size_t(field.FieldNo()) > fieldTypes_.size())
            DatabaseError(SNotEditingTable);
        const TEngineLock lock(*this);
        WriteFieldValue(uint16_t(field.FieldNo()), record.Image, buffer);
    }
    if (state != dsCalcFields && state != dsFilter && state != dsNewValue)
        DataEvent(deFieldChange, {&field, 0});
}

} // namespace vorsam
