// TDataCursor: a field layout of the cursor's own, with computed fields laid out behind the record.
#include "db/engine/DataCursor.h"

#include "db/engine/DataFileHeader.h"
#include "db/engine/RemoteCursorReply.h"

#include <algorithm>

namespace vorsam {

namespace {

// The table's field at the same place, of the same type and size.
bool IsTableField(const TFieldDescriptor& field, const std::vector<TFieldDescriptor>& table) {
    return std::any_of(table.begin(), table.end(), [&](const TFieldDescriptor& own) {
        return !own.Computed() && own.Offset() == field.Offset() && own.DataType() == field.DataType() &&
               own.SubType() == field.SubType() && own.PhysicalSize() == field.PhysicalSize();
    });
}

} // namespace

void TDataCursor::SetFieldDescs(std::vector<TFieldDescriptor> fields) {
    Table();
    if (fields.size() > MaxFieldCount) Raise(VORSAM_INVALIDPARAM, std::to_string(fields.size()) + " fields");
    for (size_t i = 0; i < fields.size(); ++i) {
        fields[i].SetFieldNumber(uint16_t(i + 1));
        if (!fields[i].Computed() && !IsTableField(fields[i], TableFields()))
            RaiseFieldError(VORSAM_INVALIDPARAM, fields[i].Name());
    }
    if (fields.empty()) {
        LoadLayout();
        return;
    }
    fields_ = std::make_shared<const std::vector<TFieldDescriptor>>(std::move(fields));
    LayoutComputedFields();
}

uint16_t TDataCursor::LayoutComputedFields() {
    Table();
    std::vector<TFieldDescriptor> fields = CursorFields();
    uint32_t size = vorsam::LayoutComputedFields(fields, recordSize_, tableName_);
    fields_ = std::make_shared<const std::vector<TFieldDescriptor>>(std::move(fields));
    layoutSize_ = size == recordSize_ ? 0 : uint16_t(size);
    filters_.CompileAll(); // the filters' fields may lie elsewhere now
    return GetRecordSize();
}

} // namespace vorsam
