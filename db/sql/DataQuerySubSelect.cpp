// A query block as a sub-select inside an expression: its first result column bound to the sub-select
// token (with the column's result type: an aggregate's widened type, as its result table holds it), and
// its result rows handed out. A correlated sub-select runs again for each read (SelectCorrelated.cpp);
// it needs no filter handed in from outside.
#include "db/sql/DataQuery.h"
#include "db/sql/QueryBinding.h"
#include "db/sql/SelectPlan.h"
#include "db/sql/SqlErrors.h"

#include "db/engine/DataCursor.h"
#include "db/lib/DataTypes.h"
#include "db/lib/ExpressionValues.h"

namespace vorsam {

bool TDataQuery::BindColumn(TExpToken& subSelect) {
    if (ResultFields.empty() || !ResultCursor) return false;
    const TResultField& column = *ResultFields.front();
    bool sized =
        column.ResultType == dtString || column.ResultType == dtBytes || column.ResultType == dtVarBytes;
    SetExpType(subSelect, {column.ResultType, column.ResultSubType, uint16_t(sized ? column.ResultSize : 0),
                           column.ResultScale});
    subSelect.FieldNumber = column.ResultFieldNumber;
    subSelect.CorrelationName = column.TableName;
    return true;
}

void TDataQuery::ReadValues(const TEvaluationContext&, const std::function<bool(const TExpToken&)>& visit) {
    if (!Executed || IsCorrelated(*this)) ExecuteStatement();
    if (!ResultCursor || ResultFields.empty()) return;
    TDataCursor& cursor = *ResultCursor;
    std::vector<uint8_t> record(cursor.GetRecordSize());
    uint16_t number = ResultFields.front()->ResultFieldNumber;
    const TFieldDescriptor& field = FieldDescOf(*this, cursor, number, false);
    cursor.SetToBegin();
    while (cursor.GetNextRecord(record) == 0) {
        TExpToken value;
        value.Kind = nkConstant;
        value.FieldNumber = number;
        bool sized =
            field.DataType() == dtString || field.DataType() == dtBytes || field.DataType() == dtVarBytes;
        SetExpType(value, {field.DataType(), field.SubType(), uint16_t(sized ? field.DeclaredSize() : 0),
                           field.Decimals()});
        ReadColumnValue(cursor, record, value, field, false, false);
        if (!visit(value)) break;
    }
}

void TDataQuery::SetSourceFilter(const TExpToken&) {
    SqlError("A sub-select takes the enclosing row's values itself when it runs");
}

} // namespace vorsam
