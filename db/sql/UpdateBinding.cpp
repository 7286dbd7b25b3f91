// The target columns and values of INSERT and UPDATE bound to the target table and typed against them.
#include "db/sql/DataQuery.h"
#include "db/sql/QueryBinding.h"
#include "db/sql/SqlErrors.h"

#include "db/engine/DataCursor.h"
#include "db/lib/DataTypes.h"
#include "db/lib/ExpressionTypes.h"
#include "db/lib/ExpressionValues.h"

namespace vorsam {

namespace {

[[noreturn]] void TableColumnError(const TUpdateField& field) {
    SqlError("Invalid column name '" + field.ColumnName + "' or table correlation name '" + field.TableName +
             "' specified in table columns");
}

void BindTarget(TUpdateField& target, TSourceTable& source, const TFieldDescriptor& field) {
    target.TargetSource = &source;
    target.TableName = source.CorrelationName;
    target.ColumnName = field.Name();
    target.Alias = field.Name();
    target.FieldNumber = field.FieldNumber();
    target.DataType = field.DataType();
    target.SubType = field.SubType();
    bool sized =
        field.DataType() == dtString || field.DataType() == dtBytes || field.DataType() == dtVarBytes;
    target.Size = sized ? field.DeclaredSize() : 0;
    target.Scale = field.Decimals();
}

// One update field per stored field of the source, inserted at `position`.
void AddTargetFields(TDataQuery& query, TSourceTable& source, size_t& position) {
    TDataCursor& cursor = *source.Cursor;
    for (uint16_t number = 1; number <= cursor.GetFieldCount(); ++number) {
        TFieldDescriptor field;
        cursor.GetTableFieldDesc(number, field);
        if (field.Computed()) continue;
        auto target = std::make_unique<TUpdateField>(query);
        BindTarget(*target, source, field);
        target->SourceText = field.Name();
        target->Expression = MakeColumnNode(source.CorrelationName, field.Name());
        query.UpdateFields.insert(query.UpdateFields.begin() + std::ptrdiff_t(position), std::move(target));
        ++position;
    }
}

std::string_view NodeKindText(const TExpToken& node) {
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

void CheckValueType(const TUpdateField& field, const TUpdateValue& value) {
    TExpToken& tree = *value.Expression;
    if (tree.DataType == field.DataType || tree.DataType == dtUnknown) return;
    bool temporal = field.DataType == dtDate || field.DataType == dtTime || field.DataType == dtTimeStamp;
    if (temporal && tree.Kind == nkConstant && !tree.IsParameter && tree.DataType == dtString) {
        std::string text(tree.StringValue());
        if (!TextToDateTimeValue(tree, field.DataType))
            SqlError("Date, time, or timestamp expression expected, instead found '" + text +
                     "' in update values");
        SetExpType(tree, {field.DataType, field.SubType, 0, field.Scale});
        return;
    }
    if (!OperatorAcceptsTypes(opEqual, field.DataType, field.SubType, tree.DataType, tree.SubType))
        SqlError("Type mismatch between column '" + field.Alias + "' and " + std::string(NodeKindText(tree)) +
                 " '" + value.SourceText + "' in update values");
}

} // namespace

void ResolveUpdateFields(TDataQuery& query, bool insert) {
    for (size_t i = 0; i < query.UpdateFields.size();) {
        TUpdateField& field = *query.UpdateFields[i];
        if (field.ColumnName == "*") {
            TSourceTable* source = insert ? FindSourceByCorrelation(query, field.TableName) : nullptr;
            if (!source) TableColumnError(field);
            query.UpdateFields.erase(query.UpdateFields.begin() + std::ptrdiff_t(i));
            AddTargetFields(query, *source, i);
            continue;
        }
        uint16_t number = 0;
        TSourceTable* source = query.FindColumnSource(field.TableName, field.ColumnName, number);
        TFieldDescriptor descriptor;
        if (!source || number == 0 || !source->Cursor->GetFieldDescByName(field.ColumnName, descriptor))
            TableColumnError(field);
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
        if (insert && !query.InsertFromSelect)
            CheckExpTypes(*value.Expression, nullptr, "insert values", VORSAM_SQLPARSE);
        else if (!insert)
            CheckExpTypes(
                *value.Expression, [&query](TExpToken& column) { return BindSourceColumn(query, column); },
                "update values", VORSAM_SQLPARSE);
        CheckValueType(*query.UpdateFields[i], value);
    }
}

void PrepareInsertSelect(TDataQuery& query) {
    TDataQuery& select = *query.InsertSourceQuery;
    for (const auto& column : select.ResultFields) {
        auto value = std::make_unique<TUpdateValue>(query);
        value->SourceText = column->SourceText;
        if (select.LiveResult && column->Expression) {
            value->Expression = CopyExpTree(column->Expression.get());
        } else {
            value->Expression = MakeColumnNode(column->TableName, column->Alias);
            TExpToken& token = *value->Expression;
            token.FieldNumber = column->ResultFieldNumber;
            token.BoundSource = &select; // result-bound: ResultContext(select, record) reads it
            bool sized = column->ResultType == dtString || column->ResultType == dtBytes ||
                         column->ResultType == dtVarBytes;
            SetExpType(token, {column->ResultType, column->ResultSubType,
                               uint16_t(sized ? column->ResultSize : 0), column->ResultScale});
        }
        query.UpdateValues.push_back(std::move(value));
    }
}

} // namespace vorsam
