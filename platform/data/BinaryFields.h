#pragma once
// Binary fields of a fixed size (bytes, zero-padded to Size) and of a varying size up to Size (var
// bytes). As text and as a variant the value is its bytes; a value longer than Size is refused.

#include "platform/data/Field.h"

namespace platform::data {

class TBinaryField : public TField {
public:
    static constexpr int MaxSize = 65533;

    TBytes AsBytes() const { return ReadValue().value_or(TBytes()); }
    void SetAsBytes(const TBytes& value);
    std::string AsString() const override;
    void SetAsString(std::string_view value) override { SetAsBytes(TBytes(value.begin(), value.end())); }

protected:
    TBinaryField(TFieldType dataType, std::string fieldName, int size);
    Variant GetAsVariant() const override;
    void SetVarValue(const Variant& value) override { SetAsBytes(value.ToBytes()); }
    void CheckTypeSize(int size) const override;

private:
    std::optional<TBytes> ReadValue() const;
};

class TBytesField : public TBinaryField {
public:
    explicit TBytesField(std::string fieldName = {}, int size = 16)
        : TBinaryField(ftBytes, std::move(fieldName), size) {}
    int DataSize() const override { return Size(); }
};

class TVarBytesField : public TBinaryField {
public:
    explicit TVarBytesField(std::string fieldName = {}, int size = 16)
        : TBinaryField(ftVarBytes, std::move(fieldName), size) {}
    int DataSize() const override { return Size() + 2; }
};

} // namespace platform::data
