#include "FieldSpecs.h"

#include "db/engine/TableDefinition.h"

namespace vorsam::test {

std::vector<TFieldDescriptor> MakeFields(const std::vector<TFieldSpec>& specs) {
    std::vector<TFieldDescriptor> fields(specs.size());
    for (size_t i = 0; i < specs.size(); ++i) {
        TFieldDescriptor& f = fields[i];
        f.SetName(specs[i].Name);
        f.SetDataType(specs[i].Type);
        f.SetSubType(specs[i].SubType);
        f.SetDeclaredSize(specs[i].Size);
    }
    LayOutFields(fields);
    return fields;
}

size_t RecordSizeOf(const std::vector<TFieldDescriptor>& fields) {
    size_t size = 9;
    for (const TFieldDescriptor& f : fields)
        if (!f.IsAutoIncrement()) size += f.PhysicalSize() + 1;
    return size;
}

} // namespace vorsam::test
