#pragma once
// Numeric fields: the integer kinds (16-bit, unsigned 16-bit, 32-bit, auto-increment, 64-bit), the
// floating-point kinds (float, currency) and BCD. A value outside an integer kind's range is refused
// with "%s is not a valid value for field '%s'. The allowed range is %s to %s".

#include "platform/data/Field.h"

namespace platform::data {

class TIntegerField : public TField {
public:
    explicit TIntegerField(std::string fieldName = {}) : TIntegerField(ftInteger, std::move(fieldName)) {}

    int DataSize() const override;
    std::int64_t MinValue() const;
    std::int64_t MaxValue() const;

    std::string AsString() const override;
    void SetAsString(std::string_view value) override;
    std::int32_t AsInteger() const override;
    void SetAsInteger(std::int32_t value) override { SetAsLargeInt(value); }
    std::int64_t AsLargeInt() const override { return ReadValue().value_or(0); }
    void SetAsLargeInt(std::int64_t value) override;
    double AsFloat() const override { return static_cast<double>(AsLargeInt()); }
    // Rounds half away from zero.
    void SetAsFloat(double value) override;

protected:
    TIntegerField(TFieldType dataType, std::string fieldName) : TField(dataType, std::move(fieldName), 0) {}
    Variant GetAsVariant() const override;
    void SetVarValue(const Variant& value) override { SetAsLargeInt(value.ToInt64()); }

private:
    std::optional<std::int64_t> ReadValue() const;
};

class TSmallintField : public TIntegerField {
public:
    explicit TSmallintField(std::string fieldName = {}) : TIntegerField(ftSmallint, std::move(fieldName)) {}
};

class TWordField : public TIntegerField {
public:
    explicit TWordField(std::string fieldName = {}) : TIntegerField(ftWord, std::move(fieldName)) {}
};

class TAutoIncField : public TIntegerField {
public:
    explicit TAutoIncField(std::string fieldName = {}) : TIntegerField(ftAutoInc, std::move(fieldName)) {}
};

class TLargeintField : public TIntegerField {
public:
    explicit TLargeintField(std::string fieldName = {}) : TIntegerField(ftLargeint, std::move(fieldName)) {}
};

// Texts: general format with 15 significant digits; a currency field shows the currency format and
// edits the fixed format with the currency decimals.
class TFloatField : public TField {
public:
    explicit TFloatField(std::string fieldName = {}) : TFloatField(ftFloat, std::move(fieldName)) {}

    int DataSize() const override { return sizeof(double); }
    bool IsCurrency() const { return fCurrency; }
    void SetCurrency(bool value) { fCurrency = value; }

    std::string AsString() const override;
    void SetAsString(std::string_view value) override;
    std::int32_t AsInteger() const override;
    void SetAsInteger(std::int32_t value) override { SetAsFloat(value); }
    double AsFloat() const override { return ReadNative<double>().value_or(0); }
    void SetAsFloat(double value) override { SetData(&value); }

protected:
    TFloatField(TFieldType dataType, std::string fieldName) : TField(dataType, std::move(fieldName), 0) {}
    void GetText(std::string& text, bool displayText) const override;
    Variant GetAsVariant() const override;
    void SetVarValue(const Variant& value) override { SetAsFloat(value.ToDouble()); }

private:
    bool fCurrency = false;
};

class TCurrencyField : public TFloatField {
public:
    explicit TCurrencyField(std::string fieldName = {}) : TFloatField(ftCurrency, std::move(fieldName)) {
        SetCurrency(true);
    }
};

// Size is the number of decimals (0 to 32), Precision the number of digits (32 when 0); the value is
// a Currency, so decimals beyond the fourth read as rounded.
class TBCDField : public TField {
public:
    explicit TBCDField(std::string fieldName = {}, int size = 4, int precision = 0);

    int DataSize() const override { return sizeof(TBcd); }
    int Precision() const { return fPrecision == 0 ? 32 : fPrecision; }

    std::string AsString() const override;
    void SetAsString(std::string_view value) override;
    std::int32_t AsInteger() const override;
    void SetAsInteger(std::int32_t value) override;
    double AsFloat() const override { return AsCurrency().ToDouble(); }
    void SetAsFloat(double value) override { SetAsCurrency(Currency::FromDouble(value)); }
    Currency AsCurrency() const override;
    void SetAsCurrency(Currency value) override;

protected:
    Variant GetAsVariant() const override;
    void SetVarValue(const Variant& value) override { SetAsCurrency(value.ToCurrency()); }
    void CheckTypeSize(int size) const override;

private:
    int fPrecision;
};

} // namespace platform::data
