#pragma once
// TBooleanField: true or false; as text "True" and "False", and any leading part of either, in any
// case, is accepted when written.

#include "platform/data/Field.h"

namespace platform::data {

class TBooleanField : public TField {
public:
    explicit TBooleanField(std::string fieldName = {}) : TField(ftBoolean, std::move(fieldName), 0) {}

    int DataSize() const override { return sizeof(std::int16_t); }

    bool AsBoolean() const override { return ReadNative<std::int16_t>().value_or(0) != 0; }
    void SetAsBoolean(bool value) override { WriteNative(static_cast<std::int16_t>(value ? 1 : 0)); }
    std::string AsString() const override;
    void SetAsString(std::string_view value) override;
    std::int32_t AsInteger() const override { return AsBoolean() ? 1 : 0; }
    void SetAsInteger(std::int32_t value) override { SetAsBoolean(value != 0); }

protected:
    Variant GetAsVariant() const override;
    void SetVarValue(const Variant& value) override { SetAsBoolean(value.ToBoolean()); }
};

} // namespace platform::data
