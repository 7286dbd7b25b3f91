#pragma once
// Date, time and date-time fields. The value is a TDateTime rounded to whole milliseconds; a date
// field keeps only the day, a time field only the time of day. Texts follow FormatSettings(): a date
// "dd/mm/yyyy", a time "hh:nn:ss", a date-time both (the time left out at midnight).

#include "platform/data/Field.h"

namespace platform::data {

class TDateTimeField : public TField {
public:
    explicit TDateTimeField(std::string fieldName = {}) : TDateTimeField(ftDateTime, std::move(fieldName)) {}

    int DataSize() const override { return sizeof(double); }

    TDateTime AsDateTime() const override { return ReadNative<double>().value_or(0); }
    void SetAsDateTime(TDateTime value) override;
    double AsFloat() const override { return AsDateTime(); }
    void SetAsFloat(double value) override { SetAsDateTime(value); }
    std::string AsString() const override;
    void SetAsString(std::string_view value) override;

protected:
    TDateTimeField(TFieldType dataType, std::string fieldName) : TField(dataType, std::move(fieldName), 0) {}
    Variant GetAsVariant() const override;
    void SetVarValue(const Variant& value) override { SetAsDateTime(value.ToDateTime()); }
};

class TDateField : public TDateTimeField {
public:
    explicit TDateField(std::string fieldName = {}) : TDateTimeField(ftDate, std::move(fieldName)) {}
};

class TTimeField : public TDateTimeField {
public:
    explicit TTimeField(std::string fieldName = {}) : TDateTimeField(ftTime, std::move(fieldName)) {}
};

} // namespace platform::data
