// Preparing and running a whole statement: its blocks prepared from the last to the master (UNION parts and
// sub-selects are ready before the blocks that use them), run in the same order, UNION parts appended to
// their master; the further statements of a script parsed, prepared and run one after the other.
#include "db/sql/QueryStatement.h"
#include "db/sql/RemoteStatement.h"
#include "db/sql/SelectPlan.h"

#include "db/engine/DataCursor.h"
#include "db/lib/DataTypes.h"

namespace vorsam {

namespace {

bool IsUnionMaster(const TDataQuery& query) {
    return query.HasUnion && !query.UnionPart;
}

} // namespace

void TQueryStatement::Prepare(std::string_view sql) {
    if (remote_) return remote_->Prepare(sql);
    ParseText(sql);
    PrepareQueries();
}

void TQueryStatement::PrepareQueries() {
    TDataQuery& master = *MasterQuery;
    StatementType = master.StatementType;
    if (StatementType == sqlSelect) {
        master.RequestLive = RequestLive;
        master.MaxRowCount = MaxRowCount;
    } else {
        master.RequestLive = true;
        master.MaxRowCount = NoRowLimit;
    }
    for (size_t i = Queries.size(); i-- > 0;) Queries[i]->PrepareSelect();
    LiveResult = master.LiveResult;
    CursorResult = master.CursorResult;
    SelectAll = master.SelectAll;
    if (OnPrepared) OnPrepared(*this, StatementType, LiveResult, CursorResult, SelectAll);
}

void TQueryStatement::SetParams(const std::vector<TStatementParam>& params) {
    for (size_t i = 0; i < params.size() && i < Params.size(); ++i) {
        const TStatementParam& param = params[i];
        TExpToken& token = *Params[i];
        token.DataType = param.DataType;
        token.SubType = param.SubType;
        token.Size = param.Size;
        token.Scale = param.Scale;
        token.IsNull = param.IsNull;
        token.Value = param.Value;
        bool memo = param.DataType == dtBlob && (param.SubType == stMemo || param.SubType == stFmtMemo);
        if (memo || param.DataType == dtString) token.Value.push_back(0); // room for the terminator
    }
}

void TQueryStatement::ExecuteQueries() {
    double time = 0;
    for (size_t i = Queries.size(); i-- > 1;) {
        TDataQuery& block = *Queries[i];
        block.ExecuteStatement();
        time += block.ExecutionTime;
        if (IsUnionMaster(block)) {
            block.AppendUnionResults();
            block.SortOrderBy();
        }
    }
    TDataQuery& master = *MasterQuery;
    master.ExecuteStatement();
    time += master.ExecutionTime;
    if (master.StatementType == sqlSelect && IsUnionMaster(master)) {
        double before = master.ExecutionTime;
        master.AppendUnionResults();
        master.SortOrderBy();
        time += master.ExecutionTime - before;
    }
    RowsAffected = master.RowsAffected;
    ExecutionTime = time;
}

// A run that fails reports the rows it left changed: those of the script's statements that ran, and those
// the failing statement's own count keeps (what its earlier commits made, or changed inside a transaction
// that stays open); never the count of an earlier run.
TDataCursor* TQueryStatement::Execute(const std::vector<TStatementParam>& params, bool progressWanted) {
    if (remote_) return remote_->Execute(params, progressWanted);
    double time = 0;
    int32_t rows = 0;
    MasterQuery->RowsAffected = 0; // the count of the last run is no count of this one
    try {
        if (!params.empty()) SetParams(params);
        ExecuteQueries();
        time = ExecutionTime;
        rows = RowsAffected;
        int32_t beforeTransaction = rows;
        while (!AtEndOfText()) {
            ParseNextStatement();
            PrepareQueries();
            ExecuteQueries();
            time += ExecutionTime;
            if (StatementType == sqlStartTransaction)
                beforeTransaction = rows;
            else if (StatementType == sqlRollback)
                rows = beforeTransaction;
            else
                rows += RowsAffected;
        }
    } catch (...) {
        ExecutionTime = time;
        RowsAffected = rows + MasterQuery->RowsAffected;
        throw;
    }
    ExecutionTime = time;
    RowsAffected = rows;
    if (MasterQuery->StatementType != sqlSelect) return nullptr;
    NoteResultOrigins(*MasterQuery);
    return MasterQuery->ResultCursor;
}

// The result's columns read straight from a source table name it and the column as their origin.
void TQueryStatement::NoteResultOrigins(TDataQuery& query) {
    if (!query.ResultCursor) return;
    for (size_t i = 0; i < query.ResultFields.size(); ++i) {
        const TResultField& column = *query.ResultFields[i];
        if (column.IsExpression || column.AggregateKind != akNone || column.CountStar ||
            !column.BoundSource || !column.BoundSource->Cursor)
            continue;
        TFieldDescriptor field;
        if (!column.BoundSource->Cursor->GetTableFieldDesc(column.SourceFieldNumber, field)) continue;
        uint16_t number = query.CursorResult ? uint16_t(i + 1) : column.ResultFieldNumber;
        if (number == 0 || number > query.ResultCursor->GetFieldCount()) continue;
        query.ResultCursor->SetFieldOrigin(number, column.BoundSource->TableName + "." + field.Name());
    }
}

} // namespace vorsam
