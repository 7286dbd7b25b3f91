#pragma once
// TField: one column of a dataset's current record, and TFields, the dataset's list of them.
//
// A field reads and writes its value through its dataset (TDataSet::GetFieldData and SetFieldData)
// in the field's native buffer format; the typed descendants convert between that format and text,
// numbers, dates and variants. Native formats (GetData/SetData):
//   string kinds         Size + 1 bytes, zero-terminated Windows-1252 text
//   ftSmallint, ftWord   int16, uint16         ftInteger, ftAutoInc   int32
//   ftLargeint           int64                 ftBoolean              int16, 0 or 1
//   ftFloat, ftCurrency  double                ftBCD                  TBcd (34 bytes)
//   ftDate, ftTime, ftDateTime  double TDateTime (a date has no fraction, a time no integer part)
//   ftBytes              Size bytes            ftVarBytes             uint16 length + Size bytes
//   blob kinds           no buffer data: read and written through blob streams
// A null pointer written means null; GetData answers whether the value is not null.

#include "platform/data/Currency.h"
#include "platform/data/DataTypes.h"
#include "platform/data/DateTime.h"
#include "platform/data/Variant.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::data {

class TDataSet;

class TField {
public:
    virtual ~TField() = default;
    TField(const TField&) = delete;
    TField& operator=(const TField&) = delete;

    TDataSet* DataSet() const { return fDataSet; }
    const std::string& FieldName() const { return fFieldName; }
    void SetFieldName(std::string name); // the dataset must be inactive
    TFieldType DataType() const { return fDataType; }
    TFieldKind FieldKind() const { return fFieldKind; }
    void SetFieldKind(TFieldKind kind); // the dataset must be inactive
    bool Calculated() const { return fFieldKind == fkCalculated; }
    // The record's field number (1 ...) of a bound data field; -1 for a bound calculated field; 0
    // while unbound.
    int FieldNo() const { return fFieldNo; }
    int Size() const { return fSize; }
    void SetSize(int size); // the dataset must be inactive
    // Bytes of the native buffer format.
    virtual int DataSize() const { return 0; }
    // Of a calculated field: where its flag byte lies in the calculated-fields part of a record buffer.
    int Offset() const { return fOffset; }
    std::string DisplayLabel() const { return fDisplayLabel.empty() ? fFieldName : fDisplayLabel; }
    void SetDisplayLabel(std::string label) { fDisplayLabel = std::move(label); }
    std::string DisplayName() const { return DisplayLabel(); }
    const std::string& Origin() const { return fOrigin; }
    void SetOrigin(std::string origin) { fOrigin = std::move(origin); }
    bool ReadOnly() const { return fReadOnly; }
    void SetReadOnly(bool value) { fReadOnly = value; }
    bool Required() const { return fRequired; }
    void SetRequired(bool value) { fRequired = value; }
    bool IsIndexField() const;
    virtual bool IsBlob() const { return false; }

    virtual bool IsNull() const { return !GetData(nullptr); }
    virtual void Clear() { SetData(nullptr); }
    virtual std::string AsString() const { AccessError("String"); }
    virtual void SetAsString(std::string_view) { AccessError("String"); }
    virtual std::int32_t AsInteger() const { AccessError("Integer"); }
    virtual void SetAsInteger(std::int32_t) { AccessError("Integer"); }
    virtual std::int64_t AsLargeInt() const { return AsInteger(); }
    virtual void SetAsLargeInt(std::int64_t value);
    virtual double AsFloat() const { AccessError("Float"); }
    virtual void SetAsFloat(double) { AccessError("Float"); }
    virtual bool AsBoolean() const { AccessError("Boolean"); }
    virtual void SetAsBoolean(bool) { AccessError("Boolean"); }
    virtual TDateTime AsDateTime() const { AccessError("DateTime"); }
    virtual void SetAsDateTime(TDateTime) { AccessError("DateTime"); }
    virtual Currency AsCurrency() const { return Currency::FromDouble(AsFloat()); }
    virtual void SetAsCurrency(Currency value) { SetAsFloat(value.ToDouble()); }
    // Null when the field is null; a null value clears the field.
    Variant Value() const { return GetAsVariant(); }
    void SetValue(const Variant& value);
    // The value as it was when editing began, and the value being written.
    Variant OldValue() const;
    Variant NewValue() const;
    void SetNewValue(const Variant& value);
    // The text shown (DisplayText) and the text edited (Text).
    std::string DisplayText() const;
    std::string Text() const;
    virtual void SetText(std::string_view text) { SetAsString(text); }

    bool GetData(void* buffer) const;
    void SetData(const void* buffer);
    // Runs OnValidate for a value about to be written; while it runs the field reads that value.
    void Validate(const void* buffer);
    // Runs OnChange (the dataset calls it after the field was written).
    void Change();
    // Asks the controls bound to the field to take the focus.
    void FocusControl();
    // Releases what the field buffers for the record being edited (blob fields).
    virtual void FreeBuffers() {}

    std::function<void(TField&)> OnChange;
    std::function<void(TField&)> OnValidate;

protected:
    TField(TFieldType dataType, std::string fieldName, int size);

    virtual void GetText(std::string& text, bool displayText) const;
    virtual Variant GetAsVariant() const { AccessError("Variant"); }
    virtual void SetVarValue(const Variant&) { AccessError("Variant"); }
    // Refuses a size the type cannot have; by default only 0.
    virtual void CheckTypeSize(int size) const;
    [[noreturn]] void AccessError(std::string_view typeName) const;
    [[noreturn]] void InvalidValue(const char* format, std::string_view text) const;
    [[noreturn]] void RangeError(std::string_view value, std::string_view min, std::string_view max) const;
    TDataSet& CheckedDataSet() const;
    // The value as a 32-bit integer (a double rounded half away from zero); a range error otherwise.
    std::int32_t ToInt32(std::int64_t value) const;
    std::int32_t ToInt32(double value) const;

    // Reads a fixed-size native value; nothing when null.
    template <class T> std::optional<T> ReadNative() const {
        T value{};
        if (!GetData(&value)) return std::nullopt;
        return value;
    }
    template <class T> void WriteNative(T value) { SetData(&value); }
    // The parsed value of a text; InvalidValue with the message when the text did not parse.
    template <class T>
    T Parsed(const std::optional<T>& value, const char* message, std::string_view text) const {
        if (!value) InvalidValue(message, text);
        return *value;
    }

private:
    friend class TDataSet;

    TDataSet* fDataSet = nullptr;
    std::string fFieldName;
    TFieldType fDataType;
    TFieldKind fFieldKind = fkData;
    int fFieldNo = 0;
    int fSize = 0;
    int fOffset = 0;
    std::string fDisplayLabel;
    std::string fOrigin;
    bool fReadOnly = false;
    bool fRequired = false;
    bool fValidating = false;
    const void* fValueBuffer = nullptr;
};

// The fields of a dataset in their order; the dataset owns them.
class TFields {
public:
    int Count() const { return static_cast<int>(fItems.size()); }
    TField& operator[](int index) const { return *fItems.at(static_cast<std::size_t>(index)); }
    TField* FindField(std::string_view name) const;   // ignoring case
    TField& FieldByName(std::string_view name) const; // "Field '%s' not found"
    TField* FieldByNumber(int fieldNo) const;
    int IndexOf(const TField* field) const; // -1 when absent

private:
    friend class TDataSet;
    std::vector<std::unique_ptr<TField>> fItems;
};

} // namespace platform::data
