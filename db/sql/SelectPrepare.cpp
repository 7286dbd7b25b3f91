// Preparing a SELECT block: its sources opened, its result columns expanded, bound and typed, its join
// tree planned and its result table made (a temporary table of the session's private folder, or of the
// in-memory database, or the INTO table).
#include "db/sql/DefinitionStatements.h"
#include "db/sql/JoinNavigation.h"
#include "db/sql/QueryBinding.h"
#include "db/sql/QueryStatement.h"
#include "db/sql/SelectPlan.h"
#include "db/sql/SqlErrors.h"

#include "db/engine/DataCursor.h"
#include "db/engine/DataSession.h"
#include "db/lib/DataTypes.h"
#include "db/lib/EngineErrors.h"
#include "db/lib/ExpressionTypes.h"
#include "db/lib/TableNames.h"

#include <algorithm>
#include <strings.h>

namespace vorsam {

namespace {

constexpr size_t MaxResultColumns = 1024;
constexpr uint16_t MaxExpressionSize = 250; // characters of a string, bytes of a bytes value
constexpr std::string_view SourceColumnsContext = "source columns";

bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}

bool IsSizedType(uint8_t type) {
    return type == dtString || type == dtBytes || type == dtVarBytes;
}

[[noreturn]] void ColumnNameError(const std::string& name, const std::string& correlation,
                                  std::string_view context) {
    SqlError("Invalid column name '" + name + "' or table correlation name '" + correlation +
             "' specified in " + std::string(context));
}

std::string LastCharacters(const std::string& text, size_t count) {
    return text.size() <= count ? text : text.substr(text.size() - count);
}

std::string SuffixColumnName(const std::string& base, const std::string& suffix) {
    std::string tail = "_" + suffix;
    if (base.size() + tail.size() <= TFieldDescriptor::MaxNameLength) return base + tail;
    return LastCharacters(base, TFieldDescriptor::MaxNameLength - tail.size()) + tail;
}

// --- Star expansion ---

void AddSourceColumns(TDataQuery& query, TSourceTable& source, size_t& position) {
    TDataCursor& cursor = *source.Cursor;
    for (uint16_t number = 1; number <= cursor.GetFieldCount(); ++number) {
        TFieldDescriptor field;
        cursor.GetTableFieldDesc(number, field);
        if (field.Computed()) continue;
        auto column = std::make_unique<TResultField>(query);
        column->TableName = source.CorrelationName;
        column->SetColumnName(field.Name());
        column->SourceText = field.Name();
        column->Expression = MakeColumnNode(source.CorrelationName, field.Name());
        query.ResultFields.insert(query.ResultFields.begin() + std::ptrdiff_t(position), std::move(column));
        ++position;
    }
}

void ExpandStars(TDataQuery& query) {
    for (size_t i = 0; i < query.ResultFields.size();) {
        TResultField& column = *query.ResultFields[i];
        if (column.ColumnName != "*" || column.AggregateKind != akNone) {
            ++i;
            continue;
        }
        if (!column.DefaultName && !column.Alias.empty() && column.Alias != "*")
            SqlError("Invalid use of column correlation name '" + column.Alias + "' for '" +
                     column.ColumnName + "' specified in source columns");
        std::vector<TSourceTable*> sources;
        if (!column.TableName.empty()) {
            TSourceTable* source = FindSourceByCorrelation(query, column.TableName);
            if (!source) ColumnNameError("*", column.TableName, SourceColumnsContext);
            sources.push_back(source);
        } else {
            for (auto& source : query.SourceTables) sources.push_back(source.get());
        }
        query.ResultFields.erase(query.ResultFields.begin() + std::ptrdiff_t(i));
        for (TSourceTable* source : sources) AddSourceColumns(query, *source, i);
    }
}

// --- Typing ---

// The column token a plain column (or an aggregate of one) reads; null for an expression.
const TExpToken* PlainColumnToken(const TResultField& column) {
    const TExpToken* tree = column.Expression.get();
    if (!tree) return nullptr;
    if (tree->Kind == nkColumn) return tree;
    if (tree->Kind == nkFunction && IsAggregateOperator(tree->Operator)) {
        const TExpToken* arg = tree->GetArg(0);
        if (arg && arg->Kind == nkColumn) return arg;
    }
    return nullptr;
}

void WidenAggregateType(TResultField& column) {
    uint8_t type = column.SourceType;
    bool smallInteger = type == dtSmallInt || type == dtWord;
    switch (column.AggregateKind) {
    case akSum:
    case akRunSum:
        if (smallInteger) column.ResultType = dtInteger;
        if (type == dtInteger) column.ResultType = dtLargeInt;
        break;
    case akAvg:
        if (smallInteger || type == dtInteger || type == dtLargeInt) column.ResultType = dtFloat;
        break;
    case akCount:
        column.ResultType = dtInteger;
        column.ResultSubType = 0;
        column.ResultScale = 0;
        break;
    default:
        break;
    }
    if (column.ResultType != type && column.ResultType != dtBcd) column.ResultScale = 0;
}

void TypeColumn(TDataQuery& query, TResultField& column) {
    TExpToken& tree = *column.Expression;
    CheckExpTypes(
        tree, [&query](TExpToken& token) { return BindSourceColumn(query, token); }, SourceColumnsContext,
        VORSAM_SQLPARSE);
    if (const TExpToken* plain = PlainColumnToken(column)) {
        column.IsExpression = false;
        column.TableName = plain->CorrelationName;
        column.ColumnName = plain->ColumnName;
        column.SourceFieldNumber = plain->FieldNumber;
        if (column.DefaultName) column.Alias = plain->ColumnName;
    }
    column.SourceType = tree.DataType;
    column.SourceSubType = tree.SubType;
    column.SourceScale = tree.Scale;
    column.SourceSize = std::min<uint16_t>(tree.Size, 251);
    if (column.SourceType == dtUnknown) { // a NULL without type: a one-character string
        column.SourceType = dtString;
        column.SourceSize = 1;
    }
    if (column.SourceType == dtString && column.SourceSize == 0) column.SourceSize = 1;
    if (column.IsExpression && IsSizedType(column.SourceType) && column.SourceSize > MaxExpressionSize) {
        if (column.SourceType != dtString)
            SqlError("Column expression '" + column.SourceText +
                     "' exceeds the maximum allowable field size");
        column.SourceSize = MaxExpressionSize;
    }
    column.ResultType = column.SourceType;
    column.ResultSubType = column.SourceSubType == stAutoInc ? 0 : column.SourceSubType;
    column.ResultSize = column.SourceSize;
    column.ResultScale = column.SourceScale;
    WidenAggregateType(column);
    if (column.ResultType == dtBlob) {
        query.HasBlobColumns = true;
        if (column.IsExpression) query.HasBlobExpression = true;
    }
}

void BindCountStar(TDataQuery& query, TResultField& column, size_t index) {
    column.CountStar = true;
    TSourceTable* source = FindSourceByCorrelation(query, column.TableName);
    if (!source) ColumnNameError("*", column.TableName, SourceColumnsContext);
    std::string name;
    source->GetFieldDesc(column.SourceFieldNumber, name);
    column.BoundSource = source;
    column.IsExpression = false;
    column.ResultFieldNumber = uint16_t(index + 1);
    column.Alias = DefaultColumnName(query, "*", column.DefaultName ? "" : column.Alias, &column, akCount);
}

void BindColumn(TDataQuery& query, TResultField& column, size_t index, bool& nonAggregate) {
    if (column.AggregateKind == akNone &&
        (!column.IsExpression || !column.Expression || ExpTreeHasColumns(column.Expression.get())))
        nonAggregate = true;
    uint16_t number = 0;
    TSourceTable* source =
        query.FindColumnSource(column.TableName, column.IsExpression ? "" : column.ColumnName, number);
    if (!source) ColumnNameError(column.ColumnName, column.TableName, SourceColumnsContext);
    column.BoundSource = source;
    column.TableName = source->CorrelationName;
    column.ResultFieldNumber = uint16_t(index + 1);
    if (!column.IsExpression) column.SourceFieldNumber = number;
    std::string alias = column.DefaultName ? "" : column.Alias;
    column.Alias = DefaultColumnName(query, column.IsExpression ? "" : column.ColumnName, alias, &column,
                                     column.AggregateKind);
}

std::string UnionKind(const TDataQuery& master) {
    return master.UnionAll ? "UNION ALL" : "UNION";
}

void CheckUnion(const TDataQuery& query) {
    const TDataQuery* part = query.NextUnion;
    if (!query.HasUnion || !part) return;
    if (part->ResultFields.size() != query.ResultFields.size())
        SqlError("The number of columns  in the " + UnionKind(query) +
                 " query must match the  number of columns in the master query");
    for (size_t i = 0; i < query.ResultFields.size(); ++i) {
        const TResultField& mine = *query.ResultFields[i];
        const TResultField& theirs = *part->ResultFields[i];
        if (mine.ResultType != theirs.ResultType)
            SqlError("Type mismatch between column expression '" + theirs.SourceText + "' in the " +
                     UnionKind(query) + " query and column expression '" + mine.SourceText +
                     "' in the master query");
    }
}

} // namespace

// --- State ---

TSelectState::~TSelectState() {
    if (!TempDirectory) return;
    try {
        TDataCursor cursor(*TempDirectory);
        cursor.SetTableName(TempTableName);
        cursor.SetInMemory(TempInMemory);
        if (!TempDeleted && !TempTableName.empty() && TempDirectory->TableExists(TempTableName, TempInMemory))
            cursor.DeleteTable();
    } catch (
        ...) { // a result table that cannot be deleted stays behind as a stray file; nothing to report to
    }
    TempDirectory->Session().CloseDataDirectory(*TempDirectory);
}

bool TSelectState::CloseAndDropResult(TDataCursor& result) noexcept {
    if (!TempDirectory || TempDeleted || !result.IsOpen() || result.TableName() != TempTableName ||
        &result.Directory() != TempDirectory)
        return false;
    try {
        result.CloseAndSpareTable();
        TempDeleted = true;
    } catch (...) { // closed or not, the table is deleted with the block if it can be
    }
    return TempDeleted;
}

TSelectState& SelectState(TDataQuery& query) {
    if (!query.Extension) query.Extension = std::make_unique<TSelectState>();
    return static_cast<TSelectState&>(*query.Extension);
}

const TFieldDescriptor& FieldDescOf(TDataQuery& query, const TDataCursor& cursor, uint16_t number,
                                    bool tableField) {
    auto& cached = SelectState(query).Fields;
    auto entry = std::find_if(cached.begin(), cached.end(), [&](const TSelectState::TCursorFields& e) {
        return e.Cursor == &cursor && e.TableLayout == tableField;
    });
    if (entry == cached.end()) entry = cached.insert(cached.end(), {&cursor, tableField, {}});
    if (number == 0 || number > cursor.GetFieldCount())
        RaiseEngineError(VORSAM_INVALIDPARAM, "field " + std::to_string(number));
    std::vector<std::unique_ptr<TFieldDescriptor>>& fields = entry->Descriptors;
    if (fields.size() < number) fields.resize(cursor.GetFieldCount());
    std::unique_ptr<TFieldDescriptor>& field = fields[number - 1];
    if (!field) {
        field = std::make_unique<TFieldDescriptor>();
        cursor.FieldDescriptorAt(number, tableField, *field);
    }
    return *field;
}

// --- Names ---

std::string DefaultColumnName(const TDataQuery& query, const std::string& columnName,
                              const std::string& alias, const TResultField* exclude, uint8_t aggregateKind) {
    static const char* const prefixes[] = {"",        "Sum Of ",     "Running Sum Of ", "Min Of ",
                                           "Max Of ", "Average Of ", "Count Of "};
    std::string name = LastCharacters(alias, TFieldDescriptor::MaxNameLength);
    if (name.empty()) {
        std::string base =
            columnName.empty() ? (aggregateKind == akNone ? "Expression" : "Expr") : columnName;
        name = prefixes[aggregateKind <= akCount ? aggregateKind : 0] + base;
    }
    std::string base = name;
    unsigned k = 0;
    for (bool again = true; again;) {
        again = false;
        for (const auto& column : query.ResultFields) {
            if (column.get() == exclude) break; // the columns after it are named after it
            if (!SameName(column->Alias, name)) continue;
            name = SuffixColumnName(base, std::to_string(++k));
            again = true;
        }
    }
    return name;
}

TDataDirectory& OpenStatementDatabase(const TDataQuery& query) {
    const TDataDirectory& database = *query.Statement->Database;
    TDataSession& session = database.Session();
    return database.InMemory() ? session.OpenDataDirectory(database.Name(), "")
                               : session.OpenDataDirectory("", database.Folder());
}

// --- Sources ---

void OpenSources(TDataQuery& query) {
    for (size_t i = 0; i < query.SourceTables.size(); ++i) {
        TSourceTable& source = *query.SourceTables[i];
        source.JoinLevel = uint16_t(i + 1);
        if (!source.CursorOpen()) source.OpenCursor(query.Statement->OnPassword, query.RequestLive);
    }
    if (query.SourceTables.empty()) return;
    TDataCursor& first = *query.SourceTables.front()->Cursor;
    if (!query.LanguageGiven) query.LanguageId = first.GetLanguageId();
    if (!query.SortGiven) query.SortId = first.GetSortId();
}

void AllocateSourceBuffers(TDataQuery& query) {
    for (auto& source : query.SourceTables) source->AllocRecordBuffer();
}

void ResolveSourceColumns(TDataQuery& query) {
    ExpandStars(query);
    if (query.ResultFields.size() > MaxResultColumns)
        SqlError("Maximum number of columns (1024) in result set exceeded");
    query.HasBlobColumns = false;
    for (auto& column : query.ResultFields)
        if (column->Expression) TypeColumn(query, *column);
    for (auto& column : query.ResultFields) // named again below, in order, each unique among those before
        if (column->DefaultName) column->Alias.clear();
    query.HasExpressionColumns = false;
    for (auto& column : query.ResultFields)
        if (column->IsExpression) query.HasExpressionColumns = true;
    bool aggregate = false, nonAggregate = false;
    for (size_t i = 0; i < query.ResultFields.size(); ++i) {
        TResultField& column = *query.ResultFields[i];
        if (column.AggregateKind != akNone) aggregate = true;
        if (column.AggregateKind == akCount && column.ColumnName == "*")
            BindCountStar(query, column, i);
        else
            BindColumn(query, column, i, nonAggregate);
    }
    bool refused = aggregate && nonAggregate && !query.HasGroupBy;
    if (refused && !query.IsMaster() && (query.SubSelect || query.Statement->MasterQuery->HasGroupBy))
        refused = false;
    if (refused) SqlError("Invalid use of aggregate function(s), the necessary GROUP BY clause is missing");
    CheckUnion(query);
}

// --- Result table ---

void CreateResultCursor(TDataQuery& query, bool privateDirectory) {
    TDataSession& session = query.Statement->Database->Session();
    std::string target = ForwardToBackslashes(query.ResultTableName);
    TDataDirectory* directory = nullptr;
    std::string table;
    bool inMemory = query.IntoMemory;
    if (target.empty()) {
        // A result nobody keeps lives in the engine's memory files: no file is made, written or deleted
        // for it, and no other process could open it anyway (it is opened exclusively).
        // Its name is given when the table is made (CreateResultTable): a spare table keeps its own.
        directory = &session.OpenDataDirectory("Memory", session.DoGetMemoryDirectory());
        TSelectState& state = SelectState(query);
        state.TempDirectory = &session.OpenDataDirectory("Memory", "");
        state.TempTableName.clear();
        state.TempInMemory = true;
        state.TempDeleted = false;
    } else {
        table = ExtractBaseName(target, ".DAT");
        std::string folder = HasDirectoryPart(target)
                                 ? RemoveTrailingBackslashes(target.substr(0, target.find_last_of('\\') + 1))
                             : privateDirectory ? session.GetPrivateDirectory()
                                                : std::string();
        if (inMemory)
            directory = &session.OpenDataDirectory("Memory", session.DoGetMemoryDirectory());
        else if (folder.empty())
            directory = &OpenStatementDatabase(query);
        else
            directory = &session.OpenDataDirectory("", folder);
    }
    query.CloseResult();
    SelectState(query).Fields.clear();
    SelectState(query).ResultUnwritten = false;
    query.ResultDirectory = directory;
    query.ResultCursor = new TDataCursor(*directory);
    if (!table.empty()) query.ResultCursor->SetTableName(table);
}

void CreateResultTable(TDataQuery& query) {
    TCreateTableArgs args;
    // One request for the descriptors (768 bytes each), the count fields of averages included.
    args.Fields.reserve(
        query.ResultFields.size() +
        size_t(std::count_if(query.ResultFields.begin(), query.ResultFields.end(),
                             [](const auto& column) { return column->AggregateKind == akAvg; })));
    for (auto& column : query.ResultFields) {
        TFieldDescriptor field;
        bool plain = !column->IsExpression && column->AggregateKind == akNone && !column->CountStar;
        if (plain) column->BoundSource->Cursor->GetTableFieldDesc(column->SourceFieldNumber, field);
        TFieldDescriptor made;
        made.SetName(column->Alias);
        made.SetFieldNumber(column->ResultFieldNumber);
        made.SetDataType(column->ResultType);
        made.SetSubType(column->ResultSubType);
        made.SetDeclaredSize(uint8_t(IsSizedType(column->ResultType) ? column->ResultSize : 0));
        made.SetDecimals(column->ResultType == dtBcd ? column->ResultScale : 0);
        if (plain) {
            made.SetDeclaredSize(field.DeclaredSize());
            made.SetDecimals(field.Decimals());
        }
        if (column->ResultType == dtBlob && !plain) made.SetDeclaredSize(0);
        args.Fields.push_back(made);
    }
    for (auto& column : query.ResultFields) {
        if (column->AggregateKind != akAvg) continue;
        TFieldDescriptor count;
        uint16_t number = uint16_t(args.Fields.size() + 1);
        count.SetName("Sys__Avg__Count" + std::to_string(number));
        count.SetFieldNumber(number);
        count.SetDataType(dtInteger);
        column->AvgCountFieldNumber = number;
        args.Fields.push_back(count);
    }
    if (!(query.HasUnion && !query.UnionPart)) query.OrderBySatisfied = OrderBySatisfied(query);
    SetTableSettings(query, args);
    TDataCursor& cursor = *query.ResultCursor;
    cursor.SetExclusive(true);
    cursor.SetInMemory(query.IntoMemory || query.ResultTableName.empty());
    cursor.SetDDLMode(query.ResultTableName.empty());
    cursor.SetQueryCursor(true);
    const bool temporary = query.ResultTableName.empty();
    if (temporary) {
        // A result nobody keeps takes a spare table of its definition when the memory database has one
        // (SpareTables.h), else a new table of a name never given.
        TSelectState& state = SelectState(query);
        bool spare = cursor.OpenSpareTable(args);
        if (!spare) cursor.SetTableName(query.ResultDirectory->GetTempTableName(true));
        state.TempTableName = cursor.TableName();
        state.ResultUnwritten = spare;
        if (spare) return;
    }
    TDataSession& session = query.Statement->Database->Session();
    bool addPassword = query.Encrypted && !session.HasPassword(query.Password);
    if (addPassword) session.AddPassword(query.Password);
    try {
        cursor.CreateAndOpenTable(args);
    } catch (...) {
        if (addPassword) session.RemovePassword(query.Password);
        throw;
    }
    if (addPassword) session.RemovePassword(query.Password);
    SelectState(query).ResultUnwritten = temporary;
}

// --- The whole preparation ---

void TDataQuery::PrepareSelect() {
    if (StatementType != sqlSelect) {
        PrepareChangeStatement(*this);
        return;
    }
    if (Distinct && HasGroupBy) Distinct = false; // the groups are distinct already
    OpenSources(*this);
    OpenFunctionSources(*this);
    ResolveSourceColumns(*this);
    if (!HasGroupBy) {
        if (HasHaving) SqlError("A GROUP BY clause must exist in order to use the HAVING clause");
        AggregateOnly = IsAggregateOnly(*this);
    }
    CountStarOnly = IsCountStarOnly(*this);
    LiveResult = false;
    CursorResult = false;
    if (PrepareLiveResult(*this)) return;
    AllocateSourceBuffers(*this);
    LinkSources(*this);
    if (WhereTree) ExtractJoinsFromWhere(*this);
    if (HasHaving) {
        ResolveHavingAggregates(*this);
    }
    SortSourcesByLevel(*this);
    TargetTable = SourceTables.empty() ? nullptr : SourceTables.front().get();
    ValidateJoins(*this);
    if (HasOrderBy) ResolveOrderBy(*this);
    if (HasGroupBy)
        ResolveGroupBy(*this);
    else if (Distinct)
        CheckDistinct(*this);
    CreateResultCursor(*this, false);
    CreateResultTable(*this);
    if (HasHaving) CompileHaving(*this);
}

} // namespace vorsam
