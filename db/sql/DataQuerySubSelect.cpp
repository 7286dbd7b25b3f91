// A query block as a sub-select inside an expression: its first result column bound to the sub-select
// token (with the column's result type: an aggregate's widened type, as its result table holds it), and
// its result rows handed out. A correlated sub-select runs again for each read (SelectCorrelated.cpp);
// it needs no filter handed in from outside. Any other keeps the sets IN builds from its rows until it
// runs again (TSelectState::Membership). A block whose values its run gathered hands them out from
// memory (SubSelectValues.h).
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
    if (const TGatheredValues& gathered = SelectState(*this).Gathered; gathered.Active())
        return gathered.Read(visit);
    if (!ResultCursor || ResultFields.empty()) return;
    TDataCursor& cursor = *ResultCursor;
    std::vector<uint8_t> record(cursor.GetRecordSize());
    uint16_t number = ResultFields.front()->ResultFieldNumber;
    const TFieldDescriptor& field = FieldDescOf(*this, cursor, number, false);
    TExpToken value;
    value.Kind = nkConstant;
    value.FieldNumber = number;
    bool sized =
        field.DataType() == dtString || field.DataType() == dtBytes || field.DataType() == dtVarBytes;
    SetExpType(value, {field.DataType(), field.SubType(), uint16_t(sized ? field.DeclaredSize() : 0),
                       field.Decimals()});
    cursor.SetToBegin();
    while (cursor.GetNextRecord(record) == 0) {
        ReadColumnValue(cursor, record, value, field, false, false);
        if (!visit(value)) break;
    }
}

TExpMembershipCache* TDataQuery::MembershipCache() {
    if (!Executed) ExecuteStatement();
    if (IsCorrelated(*this)) return nullptr;
    return &SelectState(*this).Membership;
}

void TDataQuery::SetSourceFilter(const TExpToken&) {
    SqlError("A sub-select takes the enclosing row's values itself when it runs");
}

} // namespace vorsam
