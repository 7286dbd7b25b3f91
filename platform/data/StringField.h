#pragma once
// TStringField: text of at most Size single-byte characters (also fixed-char, wide-string and GUID
// definitions). Longer text is cut at Size; a fixed-char value reads without its trailing blanks.

#include "platform/data/Field.h"

namespace platform::data {

class TStringField : public TField {
public:
    static constexpr int MaxSize = 8192;

    explicit TStringField(std::string fieldName = {}, int size = 20, TFieldType dataType = ftString);

    int DataSize() const override { return Size() + 1; }
    bool FixedChar() const { return DataType() == ftFixedChar; }

    std::string AsString() const override { return ReadValue().value_or(std::string()); }
    void SetAsString(std::string_view value) override;
    std::int32_t AsInteger() const override;
    void SetAsInteger(std::int32_t value) override { SetAsString(std::to_string(value)); }
    std::int64_t AsLargeInt() const override;
    void SetAsLargeInt(std::int64_t value) override { SetAsString(std::to_string(value)); }
    double AsFloat() const override;
    void SetAsFloat(double value) override;
    // True when the text begins with 'T', 't', 'Y' or 'y'; written as "T" or "F".
    bool AsBoolean() const override;
    void SetAsBoolean(bool value) override { SetAsString(value ? "T" : "F"); }
    TDateTime AsDateTime() const override;
    void SetAsDateTime(TDateTime value) override;

protected:
    Variant GetAsVariant() const override;
    void SetVarValue(const Variant& value) override { SetAsString(value.ToString()); }
    void CheckTypeSize(int size) const override;

private:
    std::optional<std::string> ReadValue() const;
};

} // namespace platform::data
