// Preparation and execution of the blocks that are no SELECT: data changes, table and index statements,
// transaction statements.
//
// Preparing INSERT, UPDATE and DELETE opens the sources (writable: the statement asks for a live result),
// plans their joins as for a SELECT, makes the first source the target and binds the target columns (the
// target's own: a column of another source of UPDATE ... FROM is refused) and their values (INSERT ...
// SELECT: one value per result column of the source select). Preparing a table or
// index statement gives the block a cursor naming its table. Transaction statements need nothing.
//
// Executing a data change first drops what the last run installed (filters, the late per-row condition),
// compiles the WHERE, per-row and join conditions and refreshes the sources; INSERT ... VALUES needs only
// the first two steps.
#include "db/sql/DataChangeStatements.h"
#include "db/sql/DataQuery.h"
#include "db/sql/DefinitionStatements.h"
#include "db/sql/QueryBinding.h"
#include "db/sql/QueryStatement.h"
#include "db/sql/SelectPlan.h"
#include "db/sql/SqlErrors.h"
#include "db/sql/TransactionStatements.h"

namespace vorsam {

namespace {

// Only the target's own columns can be changed: a column of another source of UPDATE ... FROM names a
// field of another record layout.
void RequireTargetColumns(const TDataQuery& query) {
    for (const auto& field : query.UpdateFields)
        if (field->TargetSource != query.TargetTable)
            SqlError("Invalid column name '" + field->ColumnName + "' or table correlation name '" +
                     field->TableName + "' specified in table columns");
}

void PrepareDataChange(TDataQuery& query) {
    OpenSources(query);
    AllocateSourceBuffers(query);
    LinkSources(query);
    if (query.WhereTree) ExtractJoinsFromWhere(query);
    SortSourcesByLevel(query);
    query.TargetTable = query.SourceTables.empty() ? nullptr : query.SourceTables.front().get();
    ValidateJoins(query);
    if (query.StatementType != sqlDelete) {
        bool insert = query.StatementType == sqlInsert;
        if (query.InsertFromSelect) PrepareInsertSelect(query);
        ResolveUpdateFields(query, insert);
        RequireTargetColumns(query);
        ResolveUpdateValues(query, insert);
    }
    OpenFunctionSources(query);
}

// What the last run left is dropped; with `conditions`, the conditions are compiled and the sources
// refreshed for this run. The tables of LASTAUTOINC() and IDENT_CURRENT() are always read afresh.
void Preamble(TDataQuery& query, bool conditions) {
    DropSourceFilters(query);
    DropLateRowCondition(query);
    if (conditions) {
        if (query.WhereTree) CompileWhere(query);
        if (query.HasRowCondition1) CompileRowCondition(query);
        if (query.MultipleTables) CompileJoinConditions(query);
        RefreshSources(query);
    }
    RefreshFunctionSources(query);
}

void ExecuteInsert(TDataQuery& query) {
    Preamble(query, query.InsertFromSelect);
    if (query.InsertFromSelect)
        ExecuteInsertSelect(query);
    else
        ExecuteInsertValues(query);
}

void RunTransaction(TDataQuery& query, TTransactionStatement statement) {
    RunTransactionStatement(statement, *query.Statement->Database, query.CommitFlush);
}

} // namespace

void PrepareChangeStatement(TDataQuery& query) {
    switch (query.StatementType) {
    case sqlInsert:
    case sqlUpdate:
    case sqlDelete:
        PrepareDataChange(query);
        break;
    case sqlCreateTable:
    case sqlAlterTable:
    case sqlDropTable:
    case sqlCreateIndex:
    case sqlDropIndex:
        CreateResultCursor(query, false);
        break;
    default:
        break;
    }
}

void ExecuteChangeStatement(TDataQuery& query) {
    switch (query.StatementType) {
    case sqlInsert:
        ExecuteInsert(query);
        break;
    case sqlUpdate:
        Preamble(query, true);
        ExecuteUpdate(query);
        break;
    case sqlDelete:
        Preamble(query, true);
        ExecuteDelete(query);
        break;
    case sqlCreateTable:
        ExecuteCreateTable(query);
        break;
    case sqlAlterTable:
        ExecuteAlterTable(query);
        break;
    case sqlDropTable:
        ExecuteDropTable(query);
        break;
    case sqlCreateIndex:
        ExecuteCreateIndex(query);
        break;
    case sqlDropIndex:
        ExecuteDropIndex(query);
        break;
    case sqlStartTransaction:
        RunTransaction(query, TTransactionStatement::Start);
        break;
    case sqlRollback:
        RunTransaction(query, TTransactionStatement::Rollback);
        break;
    case sqlCommit:
        RunTransaction(query, TTransactionStatement::Commit);
        break;
    default:
        break;
    }
}

} // namespace vorsam
