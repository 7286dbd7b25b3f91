#include "db/lib/FieldDescriptor.h"

#include "db/lib/DataTypes.h"

namespace vorsam {

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
