// Binding the target columns and the values of INSERT and UPDATE (declared in QueryBinding.h).
//
// Target columns: "*" of INSERT stands for every stored field of the target (or of the source its
// correlation name names), in field order; any other name is looked up as a source column. A column that
// cannot be bound, or "*" in UPDATE, raises "Invalid column name '<name>' or table correlation name
// '<correlation>' specified in table columns"; the number of values must equal the number of columns.
// Values: INSERT ... VALUES values refer to no column; UPDATE values may read the sources' columns. A value
// of another type than its column passes when the two could be compared for equality; a string constant for
// a date, time or timestamp column is converted here (or refused: "Date, time, or timestamp expression
// expected, instead found '<text>' in update values"); otherwise "Type mismatch between column '<column>'
// and <expression|column|constant|function> '<value>' in update values".
// INSERT ... SELECT: one value per result column of the source select, reading the column from its result
// table with the type the result table holds (an aggregate's widened type), or for a live result the
// column's own expression.
#include "db/sql/QueryBinding.h"

#include "db/engine/DataCursor.h"
#include "db/lib/DataTypes.h"
#include "db/lib/ExpressionTypes.h"
#include "db/lib/Values.h"
#include "db/sql/DataQuery.h"
#include "db/sql/SqlErrors.h"

namespace vorsam {

namespace {

[[noreturn]] void RefuseTargetColumn(const TUpdateField& field) {
    SqlError("Invalid column name '" + field.ColumnName + "' or table correlation name '" + field.TableName +
             "' specified in table columns");
}

void BindTarget(TUpdateField& field, TSourceTable& source, const TFieldDescriptor& descriptor) {
    field.TargetSource = &source;
    field.TableName = source.CorrelationName;
    field.ColumnName = field.Alias = descriptor.Name();
    field.FieldNumber = descriptor.FieldNumber();
    field.DataType = descriptor.DataType();
    field.SubType = descriptor.SubType();
    field.Size = descriptor.DeclaredSize();
    field.Scale = descriptor.Decimals();
}

// Replaces the "*" at `at` by one target per stored field of the source; returns how many.
size_t ExpandStar(TDataQuery& query, size_t at, TSourceTable& source) {
    std::vector<std::unique_ptr<TUpdateField>> fields;
    TDataCursor& cursor = *source.Cursor;
    for (uint16_t number = 1; number <= cursor.GetFieldCount(); ++number) {
        TFieldDescriptor descriptor;
        cursor.GetTableFieldDesc(number, descriptor);
        if (descriptor.Computed()) continue;
        auto field = std::make_unique<TUpdateField>(query);
        field->Expression = MakeColumnNode(source.CorrelationName, descriptor.Name());
        field->SourceText = descriptor.Name();
        BindTarget(*field, source, descriptor);
        fields.push_back(std::move(field));
    }
    query.UpdateFields.erase(query.UpdateFields.begin() + ptrdiff_t(at));
    query.UpdateFields.insert(query.UpdateFields.begin() + ptrdiff_t(at),
                              std::make_move_iterator(fields.begin()), std::make_move_iterator(fields.end()));
    return fields.size();
}

bool IsDateTimeType(uint8_t type) {
    return type == dtDate || type == dtTime || type == dtTimeStamp;
}

const char* NodeKindText(const TExpToken& node) {
    switch (node.Kind) {
    case nkColumn:
        return "column";
    case nkConstant:
        return "constant";
    case nkFunction:
        return "function";
    default:
        return "expression";
    }
}

// A string constant given for a date, time or timestamp column takes the column's type.
void ConvertDateTimeConstant(TExpToken& value, const TUpdateField& field) {
    std::string text(value.StringValue());
    std::vector<uint8_t> converted(ValueBufferSize({field.DataType}));
    if (!TextToDateTimeValue(text, field.DataType, converted.data()))
        SqlError("Date, time, or timestamp expression expected, instead found '" + text +
                 "' in update values");
    value.DataType = field.DataType;
    value.SubType = field.SubType;
    value.Size = field.Size;
    value.Scale = field.Scale;
    value.Value = std::move(converted);
}

void MatchValueType(TExpToken& value, const TUpdateField& field, const std::string& valueText) {
    if (value.DataType == field.DataType) return;
    bool stringConstant = value.Kind == nkConstant && value.DataType == dtString && !value.IsParameter;
    if (stringConstant && IsDateTimeType(field.DataType)) {
        ConvertDateTimeConstant(value, field);
        return;
    }
    if (OperatorAcceptsTypes(opEqual, field.DataType, field.SubType, value.DataType, value.SubType)) return;
    SqlError("Type mismatch between column '" + field.Alias + "' and " + NodeKindText(value) + " '" +
             valueText + "' in update values");
}

} // namespace

void ResolveUpdateFields(TDataQuery& query, bool insert) {
    for (size_t i = 0; i < query.UpdateFields.size();) {
        TUpdateField& field = *query.UpdateFields[i];
        if (field.ColumnName == "*") {
            TSourceTable* source = insert ? FindSourceByCorrelation(query, field.TableName) : nullptr;
            if (!source || !source->Cursor) RefuseTargetColumn(field);
            i += ExpandStar(query, i, *source);
            continue;
        }
        uint16_t number = 0;
        TSourceTable* source = query.FindColumnSource(field.TableName, field.ColumnName, number);
        TFieldDescriptor descriptor;
        if (!source || !source->Cursor || !source->Cursor->GetFieldDescByName(field.ColumnName, descriptor))
            RefuseTargetColumn(field);
        BindTarget(field, *source, descriptor);
        ++i;
    }
    if (query.UpdateFields.size() != query.UpdateValues.size())
        SqlError("The number of values must match the number of table columns");
    for (const auto& field : query.UpdateFields)
        if (field->DataType == dtBlob) query.HasBlobColumns = true;
}

void ResolveUpdateValues(TDataQuery& query, bool insert) {
    for (size_t i = 0; i < query.UpdateValues.size() && i < query.UpdateFields.size(); ++i) {
        TUpdateValue& value = *query.UpdateValues[i];
        if (!value.Expression) continue;
        if (!query.InsertFromSelect) {
            if (insert)
                CheckExpTypes(*value.Expression, {}, "insert values");
            else
                CheckExpTypes(
                    *value.Expression,
                    [&query](TExpToken& column) { return BindSourceColumn(query, column); }, "update values");
        }
        MatchValueType(*value.Expression, *query.UpdateFields[i], value.SourceText);
    }
}

void PrepareInsertSelect(TDataQuery& query) {
    TDataQuery& source = *query.InsertSourceQuery;
    query.UpdateValues.clear();
    for (const auto& column : source.ResultFields) {
        auto value = std::make_unique<TUpdateValue>(query);
        value->SourceText = column->SourceText.empty() ? column->Alias : column->SourceText;
        if (source.LiveResult && column->Expression) {
            value->Expression = CopyExpTree(column->Expression.get());
        } else {
            value->Expression = MakeColumnNode(column->TableName, column->Alias);
            TExpToken& token = *value->Expression;
            token.FieldNumber = column->ResultFieldNumber;
            token.DataType = column->ResultType;
            token.SubType = column->ResultSubType;
            token.Size = column->ResultSize;
            token.Scale = column->ResultScale;
        }
        query.UpdateValues.push_back(std::move(value));
    }
}

} // namespace vorsam
