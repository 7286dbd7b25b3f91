#include "db/sql/QueryBinding.h"

#include "db/sql/DataQuery.h"
#include "db/sql/QueryStatement.h"
#include "db/sql/SelectPlan.h"
#include "db/sql/SqlErrors.h"

#include "db/engine/DataCursor.h"
#include "db/engine/DataFile.h"
#include "db/engine/DataTable.h"
#include "db/lib/DataTypes.h"
#include "db/lib/EngineErrors.h"
#include "db/lib/ExpressionEvaluator.h"
#include "db/lib/ExpressionTypes.h"
#include "db/lib/TextUtils.h"

#include <algorithm>
#include <cstring>
#include <strings.h>

namespace vorsam {

namespace {

constexpr std::string_view WhereContext = "WHERE or JOIN clause";
constexpr std::string_view HavingContext = "HAVING clause";

bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}

void ReadBlobValue(TDataCursor& cursor, std::span<uint8_t> record, TExpToken& column,
                   const TFieldDescriptor& field) {
    uint32_t size = 0;
    uint16_t code = cursor.OpenBlob(column.FieldNumber, record, TBlobOpenMode::Read, &size);
    if (code != 0) cursor.RaiseErrorWithText(code, "");
    bool memo = field.SubType() == stMemo || field.SubType() == stFmtMemo;
    column.Value.assign(size + (memo ? 1 : 0), 0);
    uint32_t count = 0;
    if (size > 0) cursor.GetBlob(column.FieldNumber, record, 0, size, column.Value.data(), count);
    cursor.FreeBlob(column.FieldNumber, record);
}

void SetBooleanType(TExpToken& node) {
    node.DataType = dtBoolean;
    node.SubType = 0;
    node.Size = 0;
    node.Scale = 0;
}

void CheckBoolean(const TExpToken& tree, std::string_view message) {
    if (tree.DataType != dtBoolean) SqlError(std::string(message));
}

TExpTree AndInto(TExpTree condition, TExpTree predicate) {
    if (!condition) return predicate;
    TExpTree node = MakeBinaryNode(opAnd, std::move(condition), std::move(predicate));
    SetBooleanType(*node);
    return node;
}

} // namespace

// --- Values ---

void ReadColumnValue(TDataCursor& cursor, std::span<uint8_t> record, TExpToken& column,
                     const TFieldDescriptor& field, bool tableField, bool atEnd) {
    if (atEnd) {
        column.SetNull();
        return;
    }
    column.SetValueSize(field.PhysicalSize());
    if (tableField)
        cursor.GetTableField(column.FieldNumber, record, column.IsNull, column.Value.data());
    else
        cursor.GetField(column.FieldNumber, record, column.IsNull, column.Value.data());
    if (column.IsNull) return;
    if (field.DataType() == dtBlob) {
        ReadBlobValue(cursor, record, column, field);
    } else if (field.DataType() == dtString) {
        column.Value.resize(strnlen(reinterpret_cast<const char*>(column.Value.data()), column.Value.size()) +
                            1);
        column.Value.back() = 0;
    }
}

bool SourceColumnValue(TExpToken& column) {
    auto* source = static_cast<TSourceTable*>(column.BoundSource);
    if (!source || !source->Cursor) return false;
    const TFieldDescriptor& field = FieldDescOf(*source->Query, *source->Cursor, column.FieldNumber, true);
    ReadColumnValue(*source->Cursor, source->RecordBuffer, column, field, true, source->Eof);
    return true;
}

void OpenFunctionSources(TDataQuery& query) {
    for (auto& source : query.FunctionSources)
        if (!source->CursorOpen()) source->OpenCursor(query.Statement->OnPassword, false);
}

void RefreshFunctionSources(TDataQuery& query) {
    for (auto& source : query.FunctionSources) {
        if (!source->CursorOpen()) SqlError("Illegal use of LASTAUTOINC() or IDENT_CURRENT() functions");
        source->Cursor->Refresh();
    }
}

bool FunctionSourceValue(TExpToken& call) {
    auto* source = static_cast<TSourceTable*>(call.BoundSource);
    if (!source) SqlError("Illegal use of LASTAUTOINC() or IDENT_CURRENT() functions");
    if (!source->CursorOpen()) OpenFunctionSources(*source->Query);
    WriteExpValue(call,
                  MakeIntegerValue(dtInteger, source->Cursor->Table().DataFile().GetLastAutoIncValue()));
    return true;
}

TEvaluationContext SourceContext(const TDataQuery& query) {
    TEvaluationContext context;
    context.LanguageId = query.LanguageId;
    context.SortId = query.SortId;
    context.ColumnValue = SourceColumnValue;
    context.FunctionValue = FunctionSourceValue;
    return context;
}

TEvaluationContext ResultContext(const TDataQuery& query, std::span<uint8_t> record) {
    TEvaluationContext context;
    context.LanguageId = query.LanguageId;
    context.SortId = query.SortId;
    context.FunctionValue = FunctionSourceValue;
    TDataQuery* owner = const_cast<TDataQuery*>(&query);
    context.ColumnValue = [owner, record](TExpToken& column) {
        TDataCursor* cursor = owner->ResultCursor;
        if (!cursor) return false;
        ReadColumnValue(*cursor, record, column, FieldDescOf(*owner, *cursor, column.FieldNumber, false),
                        false, false);
        return true;
    };
    return context;
}

// --- Lookups ---

TSourceTable* FindSourceByCorrelation(const TDataQuery& query, std::string_view correlationName) {
    if (query.SourceTables.empty()) return nullptr;
    if (correlationName.empty()) return query.SourceTables.front().get();
    for (const auto& source : query.SourceTables)
        if (SameName(source->CorrelationName, correlationName)) return source.get();
    return nullptr;
}

TResultField* FindResultColumn(const TDataQuery& query, bool includeAggregates, std::string_view columnName,
                               std::string_view correlationName) {
    for (const auto& column : query.ResultFields) {
        bool aggregate = column->AggregateKind != akNone;
        if (!correlationName.empty()) {
            if ((includeAggregates || !aggregate) && SameName(column->TableName, correlationName) &&
                SameName(column->ColumnName, columnName))
                return column.get();
            continue;
        }
        if ((includeAggregates || !aggregate) && SameName(column->ColumnName, columnName))
            return column.get();
        if (SameName(column->Alias, columnName)) return column.get();
    }
    return nullptr;
}

namespace {

// A HAVING argument names a column with or without its correlation name; the select list's is bound.
bool SameArgument(const TExpToken* own, const TExpToken* argument) {
    if (!own || !argument) return own == argument;
    if (own->Kind == nkColumn && argument->Kind == nkColumn)
        return SameName(own->ColumnName, argument->ColumnName) &&
               (argument->CorrelationName.empty() ||
                SameName(own->CorrelationName, argument->CorrelationName));
    return SameExpTree(own, argument);
}

} // namespace

TResultField* FindAggregateColumn(const TDataQuery& query, uint8_t aggregateKind, const TExpToken* argument) {
    for (const auto& column : query.ResultFields) {
        if (column->AggregateKind != aggregateKind || !column->Expression) continue;
        if (SameArgument(column->Expression->GetArg(0), argument)) return column.get();
    }
    return nullptr;
}

// --- Binders ---

namespace {

// A sub-select's column that none of its sources has: the nearest enclosing block's (the blocks of the
// statement made before it, nearest first) whose sources have it.
TSourceTable* FindOuterColumnSource(const TDataQuery& query, const TExpToken& column, uint16_t& number) {
    const auto& blocks = query.Statement->Queries;
    auto self = std::find_if(blocks.begin(), blocks.end(), [&](const auto& b) { return b.get() == &query; });
    for (auto at = self; at != blocks.begin();) {
        const TDataQuery& outer = **--at;
        TSourceTable* source = outer.FindColumnSource(column.CorrelationName, column.ColumnName, number);
        if (source && number != 0) return source;
    }
    return nullptr;
}

} // namespace

bool BindSourceColumn(const TDataQuery& query, TExpToken& column) {
    uint16_t number = 0;
    TSourceTable* source = query.FindColumnSource(column.CorrelationName, column.ColumnName, number);
    if ((!source || number == 0) && query.SubSelect) source = FindOuterColumnSource(query, column, number);
    column.BoundSource = source;
    if (!source || number == 0) return false;
    TFieldDescriptor field;
    source->Cursor->GetTableFieldDesc(number, field);
    column.FieldNumber = number;
    column.CorrelationName = source->CorrelationName;
    bool sized =
        field.DataType() == dtString || field.DataType() == dtBytes || field.DataType() == dtVarBytes;
    SetExpType(column, {field.DataType(), field.SubType(), uint16_t(sized ? field.DeclaredSize() : 0),
                        field.Decimals()});
    return true;
}

bool BindResultColumn(const TDataQuery& query, TExpToken& column) {
    if (column.BoundSource == &query && column.FieldNumber != 0) return true; // a HAVING aggregate, bound
    TResultField* found = FindResultColumn(query, true, column.ColumnName, column.CorrelationName);
    if (!found) return false;
    column.FieldNumber = found->ResultFieldNumber;
    column.CorrelationName = found->TableName;
    column.BoundSource = const_cast<TDataQuery*>(&query);
    bool sized =
        found->ResultType == dtString || found->ResultType == dtBytes || found->ResultType == dtVarBytes;
    SetExpType(column, {found->ResultType, found->ResultSubType, uint16_t(sized ? found->ResultSize : 0),
                        found->ResultScale});
    return true;
}

// --- Compilers ---

void CompileSourceCondition(const TDataQuery& query, TExpToken& tree) {
    CheckExpTypes(
        tree, [&query](TExpToken& column) { return BindSourceColumn(query, column); }, WhereContext,
        VORSAM_SQLPARSE);
    CheckBoolean(tree, "WHERE or JOIN clause must be a boolean expression");
}

void CompileWhere(TDataQuery& query) {
    if (query.WhereTree) CompileSourceCondition(query, *query.WhereTree);
}

void CompileRowCondition(TDataQuery& query) {
    SelectState(query).RowProgram1.Clear();
    if (query.RowCondition1) CompileSourceCondition(query, *query.RowCondition1);
}

void CompileJoinConditions(TDataQuery& query) {
    for (auto& source : query.SourceTables) source->BindJoinConditions();
}

void CompileHaving(TDataQuery& query) {
    if (!query.HavingTree) return;
    CheckExpTypes(
        *query.HavingTree, [&query](TExpToken& column) { return BindResultColumn(query, column); },
        HavingContext, VORSAM_SQLPARSE);
    CheckBoolean(*query.HavingTree, "HAVING clause must be a boolean expression");
}

// --- Per-row conditions ---

void AddRowCondition(TDataQuery& query, TExpTree predicate) {
    SelectState(query).RowProgram1.Clear();
    query.RowCondition1 = AndInto(std::move(query.RowCondition1), std::move(predicate));
    query.HasRowCondition1 = true;
}

void AddLateRowCondition(TDataQuery& query, TExpTree predicate) {
    SelectState(query).RowProgram2.Clear();
    query.RowCondition2 = AndInto(std::move(query.RowCondition2), std::move(predicate));
    query.HasRowCondition2 = true;
}

void DropLateRowCondition(TDataQuery& query) {
    SelectState(query).RowProgram2.Clear();
    query.RowCondition2.reset();
    query.HasRowCondition2 = false;
}

namespace {

bool TestCompiled(TDataQuery& query, TSourceProgram& program, TExpToken& condition) {
    if (!program.Compiled() || program.Tree() != &condition) program.Compile(query, condition);
    return program.Holds(query);
}

} // namespace

bool TestRowCondition(TDataQuery& query) {
    return !query.RowCondition1 || TestCompiled(query, SelectState(query).RowProgram1, *query.RowCondition1);
}

bool TestLateRowCondition(TDataQuery& query) {
    return !query.RowCondition2 || TestCompiled(query, SelectState(query).RowProgram2, *query.RowCondition2);
}

bool TestHaving(TDataQuery& query, std::span<uint8_t> record) {
    return !query.HavingTree || EvaluatePredicate(*query.HavingTree, ResultContext(query, record));
}

uint8_t AggregateKindOfOperator(uint8_t op) {
    static const uint8_t kinds[] = {akSum, akRunSum, akCount, akMin, akMax, akAvg}; // opSum .. opAvg
    return IsAggregateOperator(op) ? kinds[op - opSum] : uint8_t(akNone);
}

} // namespace vorsam
