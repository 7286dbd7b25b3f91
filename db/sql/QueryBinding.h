// Binding a query block's expressions to its tables, and the values the expression layer asks for.
//
// Two kinds of column token:
//   - source-bound (BindSourceColumn): BoundSource is the TSourceTable, FieldNumber the table's field;
//     SourceColumnValue reads it from the source's record buffer (the current joined row);
//   - result-bound (BindResultColumn): FieldNumber is the result column's number; ResultColumnValue reads
//     it from a record of the block's result table handed in by the caller.
// Values read: a string's value buffer is its text and the terminator; a BLOB is read whole (a memo with
// one byte more, for the terminator); the auto-increment field of a source at its end (an outer join
// without a match) is NULL, as is every field of such a source.
//
// Conditions are type-checked by CheckExpTypes with these binders and must be boolean:
//   WHERE, ON, per-row conditions  "WHERE or JOIN clause must be a boolean expression"
//   HAVING                         "HAVING clause must be a boolean expression"
// The per-row conditions of a block (RowCondition1: multi-table predicates that are no joins; RowCondition2:
// single-table predicates tested after the join) are ANDs built by AddRowCondition / AddLateRowCondition.
#pragma once

#include "db/lib/ExpressionHost.h"
#include "db/lib/ExpressionTree.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace vorsam {

class TDataCursor;
class TFieldDescriptor;
class TDataQuery;
class TResultField;
class TSourceTable;

// --- Contexts and values ---

// Source-bound evaluation under the block's collation.
TEvaluationContext SourceContext(const TDataQuery& query);
// Result-bound evaluation of a record of the block's result table.
TEvaluationContext ResultContext(const TDataQuery& query, std::span<uint8_t> record);
bool SourceColumnValue(TExpToken& column);
// The value of LASTAUTOINC(t) or IDENT_CURRENT(t): the table's last auto-increment value (its cursor is
// opened when the block has not opened it yet).
bool FunctionSourceValue(TExpToken& call);
// Opens (read-only) and refreshes the tables that LASTAUTOINC() and IDENT_CURRENT() name.
void OpenFunctionSources(TDataQuery& query);
void RefreshFunctionSources(TDataQuery& query);
// Reads field `column.FieldNumber` (described by `field`) of the record through the cursor (table layout
// when `tableField`); every field of a source at its end is NULL.
void ReadColumnValue(TDataCursor& cursor, std::span<uint8_t> record, TExpToken& column,
                     const TFieldDescriptor& field, bool tableField, bool atEnd);

// --- Lookups ---

// The first source with that correlation name (ignoring case); the first source for an empty name.
TSourceTable* FindSourceByCorrelation(const TDataQuery& query, std::string_view correlationName);
// The result column by correlation and column name, or by name or alias (see the lookup rules of the
// block); null when none.
TResultField* FindResultColumn(const TDataQuery& query, bool includeAggregates, std::string_view columnName,
                               std::string_view correlationName);
// The first aggregate result column of that kind whose argument equals the tree.
TResultField* FindAggregateColumn(const TDataQuery& query, uint8_t aggregateKind, const TExpToken* argument);

// The aggregate kind (TAggregateKind) of a function code (opSum ..); 0 for others.
uint8_t AggregateKindOfOperator(uint8_t op);

// --- Binders ---

bool BindSourceColumn(const TDataQuery& query, TExpToken& column);
bool BindResultColumn(const TDataQuery& query, TExpToken& column);

// --- Compilers ---

// Type-checks the tree with the source binder in the WHERE context; refuses a result that is no boolean.
void CompileSourceCondition(const TDataQuery& query, TExpToken& tree);
void CompileWhere(TDataQuery& query);
void CompileRowCondition(TDataQuery& query);
void CompileJoinConditions(TDataQuery& query);
void CompileHaving(TDataQuery& query);

// --- Per-row conditions ---

void AddRowCondition(TDataQuery& query, TExpTree predicate);
void AddLateRowCondition(TDataQuery& query, TExpTree predicate);
// Drops the late per-row condition (each run places its own).
void DropLateRowCondition(TDataQuery& query);
bool TestRowCondition(TDataQuery& query);
bool TestLateRowCondition(TDataQuery& query);
bool TestHaving(TDataQuery& query, std::span<uint8_t> record);

// --- INSERT and UPDATE (used by the data-change statements) ---

// Binds each update field to the target's field ("*" of INSERT expands to every stored field).
void ResolveUpdateFields(TDataQuery& query, bool insert);
// Types each update value against its field (constants for date, time and timestamp fields converted).
void ResolveUpdateValues(TDataQuery& query, bool insert);
// One update value per result column of the INSERT's source SELECT: a column token bound to the SELECT's
// result (BoundSource the SELECT block, FieldNumber the result column, typed with the result type).
void PrepareInsertSelect(TDataQuery& query);

} // namespace vorsam
