#include "platform/data/BinaryFields.h"

#include "platform/data/DBConsts.h"
#include "platform/data/Errors.h"

#include <algorithm>
#include <cstring>

namespace platform::data {

TBinaryField::TBinaryField(TFieldType dataType, std::string fieldName, int size)
    : TField(dataType, std::move(fieldName), size) {
    CheckTypeSize(size);
}

void TBinaryField::CheckTypeSize(int size) const {
    if (size < 1 || size > MaxSize) DatabaseError(SInvalidFieldSize);
}

std::optional<TBytes> TBinaryField::ReadValue() const {
    TBytes buffer(static_cast<std::size_t>(DataSize()));
    if (!GetData(buffer.data())) return std::nullopt;
    if (DataType() != ftVarBytes) return buffer;
    std::uint16_t length = 0;
    std::memcpy(&length, buffer.data(), sizeof length);
    length = std::min<std::uint16_t>(length, static_cast<std::uint16_t>(Size()));
    return TBytes(buffer.begin() + 2, buffer.begin() + 2 + length);
}

void TBinaryField::SetAsBytes(const TBytes& value) {
    if (value.size() > static_cast<std::size_t>(Size()))
        DatabaseErrorFmt(SInvalidBinaryValue, {DisplayName()});
    TBytes buffer(static_cast<std::size_t>(DataSize()), 0);
    std::size_t at = 0;
    if (DataType() == ftVarBytes) {
        const auto length = static_cast<std::uint16_t>(value.size());
        std::memcpy(buffer.data(), &length, sizeof length);
        at = sizeof length;
    }
    std::copy(value.begin(), value.end(), buffer.begin() + static_cast<std::ptrdiff_t>(at));
    SetData(buffer.data());
}

std::string TBinaryField::AsString() const {
    const TBytes bytes = AsBytes();
    return std::string(bytes.begin(), bytes.end());
}

Variant TBinaryField::GetAsVariant() const {
    auto value = ReadValue();
    return value ? Variant(std::move(*value)) : Variant();
}

} // namespace platform::data
