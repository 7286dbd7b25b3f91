#pragma once
// Parameters of an SQL text: TParam holds a name, a data type and a value; TParams the list, which
// ParseSQL fills from the ":name" markers of a text.
//
// The data of a parameter (GetData, GetDataSize) is its value in the form a statement reads it:
//   ftString, ftFixedChar, ftMemo  the text and a terminating zero byte
//   ftSmallint, ftWord  int16, uint16      ftInteger, ftAutoInc  int32      ftLargeint  int64
//   ftBoolean  int16 0 or 1               ftFloat, ftCurrency  double       ftBCD  TBcd (34 bytes)
//   ftDate  int32 day number (0001-01-01 = 1)      ftTime  int32 milliseconds since midnight
//   ftDateTime  double milliseconds since 0001-01-01 00:00
//   ftBytes, ftVarBytes, blob kinds  the bytes as they stand

#include "platform/data/DataTypes.h"
#include "platform/data/Variant.h"

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>

namespace platform::data {

class TField;

enum TParamType { ptUnknown, ptInput, ptOutput, ptInputOutput, ptResult };

class TParam {
public:
    explicit TParam(std::string name = {}, TFieldType dataType = ftUnknown, TParamType paramType = ptUnknown)
        : fName(std::move(name)), fDataType(dataType), fParamType(paramType) {}

    const std::string& Name() const { return fName; }
    void SetName(std::string name) { fName = std::move(name); }
    TFieldType DataType() const { return fDataType; }
    void SetDataType(TFieldType type) { fDataType = type; }
    TParamType ParamType() const { return fParamType; }
    void SetParamType(TParamType type) { fParamType = type; }
    // A bound parameter has been given its value.
    bool Bound() const { return fBound; }
    void SetBound(bool value) { fBound = value; }
    bool IsNull() const { return fValue.IsNull(); }
    void Clear() { fValue = Variant(); }

    const Variant& Value() const { return fValue; }
    // Binds the value; a parameter without a data type takes one from the value.
    void SetValue(const Variant& value);
    // Each setter binds the value and sets the matching data type.
    std::string AsString() const { return fValue.ToString(); }
    void SetAsString(std::string value) { Set(ftString, Variant(std::move(value))); }
    std::int32_t AsInteger() const;
    void SetAsInteger(std::int32_t value) { Set(ftInteger, Variant(value)); }
    void SetAsSmallInt(std::int16_t value) { Set(ftSmallint, Variant(value)); }
    void SetAsWord(std::uint16_t value) { Set(ftWord, Variant(value)); }
    void SetAsLargeInt(std::int64_t value) { Set(ftLargeint, Variant(value)); }
    double AsFloat() const { return fValue.ToDouble(); }
    void SetAsFloat(double value) { Set(ftFloat, Variant(value)); }
    Currency AsCurrency() const { return fValue.ToCurrency(); }
    void SetAsCurrency(Currency value) { Set(ftCurrency, Variant(value)); }
    void SetAsBCD(Currency value) { Set(ftBCD, Variant(value)); }
    bool AsBoolean() const { return fValue.ToBoolean(); }
    void SetAsBoolean(bool value) { Set(ftBoolean, Variant(value)); }
    TDateTime AsDateTime() const { return fValue.ToDateTime(); }
    void SetAsDateTime(TDateTime value) { Set(ftDateTime, Variant::FromDateTime(value)); }
    void SetAsDate(TDateTime value) { Set(ftDate, Variant::FromDateTime(value)); }
    void SetAsTime(TDateTime value) { Set(ftTime, Variant::FromDateTime(value)); }
    void SetAsMemo(std::string value) { Set(ftMemo, Variant(std::move(value))); }
    void SetAsBlob(TBytes value) { Set(ftBlob, Variant(std::move(value))); }

    // Takes the field's name, data type and value.
    void AssignField(const TField& field);
    // Takes the field's data type and the value given.
    void AssignFieldValue(const TField& field, const Variant& value);

    // "Field '%s' is of an unknown type" for a parameter without a data type.
    std::int64_t GetDataSize() const;
    // Writes GetDataSize() bytes.
    void GetData(void* buffer) const;

private:
    void Set(TFieldType type, Variant value);

    std::string fName;
    TFieldType fDataType;
    TParamType fParamType;
    bool fBound = false;
    Variant fValue;
};

class TParams {
public:
    TParam& CreateParam(TFieldType dataType, std::string name, TParamType paramType);
    int Count() const { return static_cast<int>(fItems.size()); }
    TParam& operator[](int index) { return fItems.at(static_cast<std::size_t>(index)); }
    const TParam& operator[](int index) const { return fItems.at(static_cast<std::size_t>(index)); }
    void Clear() { fItems.clear(); }
    // The first parameter of the name, ignoring case.
    TParam* FindParam(std::string_view name);
    TParam& ParamByName(std::string_view name); // "Parameter '%s' not found"
    // Gives each parameter of this list the value and type of the same-named one of the other list.
    void AssignValues(const TParams& other);

    // The SQL text with each parameter marker replaced by "?" and each "::" by ":". A marker is ':'
    // followed by a name of letters, digits and '_' (and bytes from 0x80), or by a name in double or
    // single quotes; a ':' inside a quoted literal ('...', "...", `...`) marks nothing. With doCreate
    // the list is cleared and one parameter added per marker, in order.
    std::string ParseSQL(std::string_view sql, bool doCreate);

private:
    std::deque<TParam> fItems;
};

} // namespace platform::data
