#include "db/lib/FieldDescriptor.h"

#include "db/lib/DataTypes.h"

#include <algorithm>
#include <cstring>

namespace vorsam {

std::string TFieldDescriptor::Text(size_t at, size_t maxLength) const {
    return std::string(reinterpret_cast<const char*>(&Bytes[at + 1]), std::min<size_t>(Bytes[at], maxLength));
}

void TFieldDescriptor::SetText(size_t at, size_t maxLength, std::string_view v) {
    size_t n = std::min(v.size(), maxLength);
    std::memset(&Bytes[at], 0, maxLength + 1);
    Bytes[at] = uint8_t(n);
    std::memcpy(&Bytes[at + 1], v.data(), n);
}

bool TFieldDescriptor::IsAutoIncrement() const {
    return DataType() == dtInteger && SubType() == stAutoInc;
}

void GetFieldPhysicalSize(TFieldDescriptor& field) {
    field.SetPhysicalSize(uint8_t(PhysicalSizeOf(field.DataType(), field.DeclaredSize())));
}

void GetFieldPhysicalDecimals(TFieldDescriptor& field) {
    field.SetPhysicalDecimals(field.Decimals());
}

uint8_t GetFieldKeySize(const TFieldDescriptor& field) {
    return field.DataType() == dtBcd ? 8 : field.PhysicalSize();
}

} // namespace vorsam
