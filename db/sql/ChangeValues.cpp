#include "db/sql/ChangeValues.h"

#include "db/engine/DataCursor.h"
#include "db/sql/QueryItems.h"

namespace vorsam {

// Every value of a row, evaluated before any is put (a value without an expression is NULL).
std::vector<TExpTree> EvaluateValues(TDataQuery& query, const TEvaluationContext& context) {
    std::vector<TExpTree> values;
    for (auto& value : query.UpdateValues)
        values.push_back(value->Expression ? EvaluateExpTree(*value->Expression, context) : NewExpToken());
    return values;
}

void PutValues(TDataQuery& query, TDataCursor& cursor, std::span<uint8_t> image,
               const std::vector<TExpTree>& values, const char* kind) {
    for (size_t i = 0; i < values.size() && i < query.UpdateFields.size(); ++i)
        PutColumnValue(cursor, image, *query.UpdateFields[i], *values[i], query.UpdateValues[i]->SourceText,
                       kind);
}

bool ValuesReadTargetOnly(const TDataQuery& query) {
    bool only = true;
    for (const auto& value : query.UpdateValues)
        ForEachExpNode(*value->Expression, [&](const TExpToken& node) {
            if (node.Kind == nkColumn && node.BoundSource != query.TargetTable) only = false;
        });
    return only;
}

bool ValuesReadTables(const TDataQuery& query) {
    bool tablesRead = false;
    for (const auto& value : query.UpdateValues)
        if (value->Expression)
            ForEachExpNode(*value->Expression, [&](const TExpToken& node) {
                tablesRead = tablesRead || node.Kind == nkSubSelect ||
                             (node.Kind == nkFunction &&
                              (node.Operator == opLastAutoInc || node.Operator == opIdentCurrent));
            });
    return tablesRead;
}

} // namespace vorsam
