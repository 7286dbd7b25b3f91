#include "db/sql/DefinitionDescriptors.h"

#include "db/lib/DataTypes.h"
#include "db/lib/EngineErrors.h"
#include "db/sql/QueryItems.h"
#include "db/sql/SqlErrors.h"

#include <algorithm>

namespace vorsam {

namespace {

bool HasDeclaredSize(uint8_t dataType) {
    return dataType == dtString || dataType == dtBytes || dataType == dtVarBytes;
}

void SetType(TFieldDescriptor& field, const TCreateField& column) {
    field.SetDataType(column.DataType);
    field.SetSubType(column.SubType);
    field.SetDeclaredSize(HasDeclaredSize(column.DataType) ? uint8_t(column.Size) : 0);
    field.SetDecimals(column.DataType == dtBcd ? column.Scale : 0);
}

// The key field numbers of the index's columns, each looked up among the fields; `refuse` raises for a
// column none has.
template <typename Refuse>
std::vector<uint16_t> KeyFields(const TCreateIndex& index, std::span<const TFieldDescriptor> fields,
                                Refuse&& refuse) {
    std::vector<uint16_t> numbers;
    for (const std::string& name : index.ColumnNames) {
        const TFieldDescriptor* field = FindFieldByName(fields, name);
        if (!field) refuse(name);
        numbers.push_back(field->FieldNumber());
    }
    return numbers;
}

} // namespace

const TFieldDescriptor* FindFieldByName(std::span<const TFieldDescriptor> fields, const std::string& name) {
    auto found = std::find_if(fields.begin(), fields.end(), [&](const TFieldDescriptor& field) {
        return SameIndexName(field.Name(), name);
    });
    return found == fields.end() ? nullptr : &*found;
}

TFieldDescriptor FieldDescriptorOf(const TCreateField& column) {
    TFieldDescriptor field;
    SetType(field, column);
    field.SetFieldNumber(column.FieldNumber);
    field.SetName(column.FieldName);
    field.SetDescription(column.Description);
    field.SetComputed(false);
    field.SetCharCase(column.CharCase);
    field.SetRequired(column.NotNull);
    field.SetMaxValue(column.MaximumText);
    field.SetDefaultValue(column.DefaultText);
    field.SetMinValue(column.MinimumText);
    return field;
}

void RedefineFieldDescriptor(TFieldDescriptor& field, const TCreateField& column) {
    if (column.DataType != dtUnknown) SetType(field, column);
    if (!column.OldFieldName.empty()) field.SetName(column.OldFieldName);
    if (column.DescriptionGiven) field.SetDescription(column.Description);
    if (column.CharCaseGiven) field.SetCharCase(column.CharCase);
    if (column.NotNullGiven) field.SetRequired(column.NotNull);
    if (column.DefaultGiven) field.SetDefaultValue(column.DefaultText);
    if (column.MinimumGiven) field.SetMinValue(column.MinimumText);
    if (column.MaximumGiven) field.SetMaxValue(column.MaximumText);
    field.SetComputed(false);
}

TIndexDescriptor IndexDescriptorOf(const TCreateIndex& index, std::span<const TFieldDescriptor> fields,
                                   const std::string& tableName) {
    std::vector<uint16_t> numbers = KeyFields(index, fields, [&](const std::string& column) {
        SqlError("Invalid field name '" + column + "' specified for index '" + index.IndexName + "'");
    });
    if (numbers.size() > MaxIndexFields) {
        TErrorContext context;
        context.Table = tableName;
        context.Index = index.IndexName;
        context.ExtraText = std::to_string(numbers.size()) + " fields in the index '" + index.IndexName + "'";
        RaiseEngineError(VORSAM_INDEXLIMIT, context);
    }
    TIndexDescriptor descriptor;
    descriptor.SetName(index.IndexName);
    descriptor.SetUnique(index.Unique);
    descriptor.SetDescending(index.Descending);
    descriptor.SetCaseInsensitive(index.NoCase);
    descriptor.SetCompression(TKeyCompression(index.Compression & 3));
    descriptor.SetFieldCount(uint8_t(numbers.size()));
    for (size_t i = 0; i < MaxIndexFields; ++i) descriptor.SetFieldDescending(i, index.Descending);
    for (size_t i = 0; i < numbers.size(); ++i) descriptor.SetFieldNumber(i, numbers[i]);
    return descriptor;
}

void CheckTextIndexColumns(const TCreateIndex& index, std::span<const TFieldDescriptor> fields) {
    KeyFields(index, fields, [](const std::string& column) {
        SqlError("Invalid field name '" + column + "' specified for text index");
    });
}

} // namespace vorsam
