// Running a SELECT block into its result table: the joined rows read, tested and copied, then the record
// sorts that remove duplicates, fold groups and order the rows; UNION parts appended to the master.
#include "db/sql/QueryBinding.h"
#include "db/sql/QueryStatement.h"
#include "db/sql/RunLevels.h"
#include "db/sql/SelectPlan.h"
#include "db/sql/SqlErrors.h"
#include "db/sql/TopRows.h"

#include "db/engine/DataCursor.h"
#include "db/engine/Record.h"
#include "db/lib/DataTypes.h"
#include "db/lib/EngineErrors.h"
#include "db/lib/ExpressionEvaluator.h"
#include "db/lib/ExpressionTypes.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <memory>
#include <utility>

namespace vorsam {

namespace {

constexpr uint16_t SortFieldLimit = 1023;

double SecondsSince(std::chrono::steady_clock::time_point start) {
    auto elapsed = std::chrono::steady_clock::now() - start;
    return std::max(0.0, std::chrono::duration<double>(elapsed).count());
}

bool IsTextValue(const TExpToken& value) {
    return value.DataType == dtString || (value.DataType == dtBlob && value.SubType == stMemo);
}

// A BLOB value written whole into the result record's BLOB field (a text without its terminator).
void PutBlobValue(TDataCursor& cursor, std::span<uint8_t> record, uint16_t number, const TExpToken& value) {
    if (value.IsNull) {
        cursor.PutField(number, record, nullptr);
        return;
    }
    uint32_t size = uint32_t(value.Value.size());
    if (IsTextValue(value) && size > 0)
        size = uint32_t(strnlen(reinterpret_cast<const char*>(value.Value.data()), size));
    uint16_t code = cursor.OpenBlob(number, record, TBlobOpenMode::ReadWrite);
    if (code == 0 && size > 0) code = cursor.PutBlob(number, record, 0, size, value.Value.data());
    if (code != 0) cursor.RaiseErrorWithText(code, "");
}

void PutValue(TDataCursor& cursor, std::span<uint8_t> record, const TFieldDescriptor& field,
              const TExpToken& value) {
    if (field.DataType() == dtBlob)
        PutBlobValue(cursor, record, field.Position(), value);
    else
        PutResultValue(cursor, record, field, value);
}

// Makes the token a column token of the field, typed from its descriptor.
void TypeFieldToken(const TFieldDescriptor& field, TExpToken& token) {
    token.Kind = nkColumn;
    token.FieldNumber = field.Position();
    bool sized =
        field.DataType() == dtString || field.DataType() == dtBytes || field.DataType() == dtVarBytes;
    SetExpType(token, {field.DataType(), field.SubType(), uint16_t(sized ? field.DeclaredSize() : 0),
                       field.Decimals()});
}

// Puts a value of an aggregate column widened to its result type, any other as it is.
void PutColumnValue(TDataQuery& query, TResultField& column, std::span<uint8_t> record, TExpToken& value) {
    if (column.AggregateKind != akNone && column.ResultType != dtBlob) {
        TExpValue widened = WidenAggregateValue(column, ReadExpValue(value));
        TExpToken token;
        if (widened.IsNull)
            token.SetNull();
        else
            WriteExpValue(token, widened);
        value.Assign(token);
    }
    PutValue(*query.ResultCursor, record,
             FieldDescOf(query, *query.ResultCursor, column.ResultFieldNumber, false), value);
}

void CopySourceColumns(TDataQuery& query, std::span<uint8_t> record) {
    SelectState(query).ColumnCopy.Copy(query, record);
}

void ComputeExpressionColumns(TDataQuery& query, std::span<uint8_t> record, bool constantsOnly = false) {
    TEvaluationContext context = SourceContext(query);
    for (auto& column : query.ResultFields) {
        if (!column->IsExpression || !column->Expression) continue;
        if (constantsOnly && (column->AggregateKind != akNone || ExpTreeHasColumns(column->Expression.get())))
            continue;
        TExpTree value = EvaluateExpTree(*column->Expression, context);
        PutColumnValue(query, *column, record, *value);
    }
}

// Progress of a row loop over the driving source: reported when the driving row moved and the percentage
// grew by the session's step. Without a progress handler nothing is counted (a filtered source counts its
// records by reading them). The source reads' batch is given up before the progress callback runs.
class TRowProgress {
public:
    explicit TRowProgress(TDataQuery& query) : query_(query), enabled_(bool(query.Statement->OnProgress)) {
        if (!enabled_) return;
        TSourceTable& driving = *query.SourceTables.front();
        total_ = std::max<uint32_t>(1, driving.Cursor->GetRecordCount());
        step_ = std::max<int32_t>(1, query.ProgressStep());
    }
    // False when the run is to stop.
    bool Row(TSourceReadBatch& batch) {
        if (!enabled_) return true;
        TSourceTable& driving = *query_.SourceTables.front();
        const uint8_t* prefix = driving.RecordBuffer.data();
        if (driving.RecordBuffer.size() >= RecordPrefixSize &&
            std::memcmp(prefix, last_, RecordPrefixSize) != 0) {
            std::memcpy(last_, prefix, RecordPrefixSize);
            uint16_t percent = uint16_t(std::min<uint64_t>(100, uint64_t(counter_) * 100 / total_));
            if (percent >= lastReported_ + step_) {
                batch.Release();
                Report(percent);
            }
            ++counter_;
        }
        return !aborted_;
    }
    void Finish() {
        if (enabled_ && lastReported_ < 100) Report(100);
    }

private:
    void Report(uint16_t percent) {
        query_.ReportProgress(percent, aborted_);
        lastReported_ = percent;
    }

    TDataQuery& query_;
    bool enabled_;
    uint32_t total_ = 1;
    uint32_t counter_ = 1;
    int32_t step_ = 1;
    int32_t lastReported_ = 0;
    bool aborted_ = false;
    uint8_t last_[RecordPrefixSize] = {};
};

bool RowAccepted(TDataQuery& query) {
    return (!query.RowCondition1 || TestRowCondition(query)) &&
           (!query.RowCondition2 || TestLateRowCondition(query));
}

// Reads every accepted joined row into `record` and hands it to `take`, which answers false to stop. The
// sources are read in batches of records under read levels held across each batch.
void ForEachRow(TDataQuery& query, std::span<uint8_t> record, TRowProgress& progress,
                const std::function<bool()>& take) {
    if (query.SourceTables.empty()) return;
    TSourceReadBatch batch(query);
    batch.Row();
    if (!FirstJoinedRow(query)) return;
    do {
        if (!progress.Row(batch)) return;
        if (!RowAccepted(query)) continue;
        SelectState(query).ColumnCopy.Clear(query, record);
        if (!take()) return;
    } while (NextJoinedRow(query));
}

int64_t SortLimit(const TDataQuery& query) {
    return !query.HasOrderBy || query.OrderBySatisfied ? query.TopCount : -1;
}

std::vector<std::pair<uint16_t, bool>> VisibleColumns(const TDataQuery& query) {
    std::vector<std::pair<uint16_t, bool>> columns;
    for (const auto& column : query.ResultFields) columns.emplace_back(column->ResultFieldNumber, false);
    return columns;
}

void SortDistinct(TDataQuery& query, int64_t limit) {
    TSortRequest request;
    request.Fields = SortFields(query, VisibleColumns(query));
    request.MaxCount = limit;
    request.Distinct = true;
    query.ResultCursor->SortRecords(request);
}

// The groups' order (and TOP's cut); with `fold`, also the folding of each group's rows into one.
void SortGroups(TDataQuery& query, bool fold = true) {
    std::vector<std::pair<uint16_t, bool>> columns;
    for (const auto& item : query.GroupByItems) columns.emplace_back(item->ColumnNumber, false);
    TSortRequest request;
    request.Fields = SortFields(query, columns);
    request.MaxCount = SortLimit(query);
    if (!fold) {
        query.ResultCursor->SortRecords(request);
        return;
    }
    request.Group = true;
    query.SortGroupFirstCall = true;
    request.Accumulate = [&query](std::span<uint8_t> output, std::span<const uint8_t> input) {
        AccumulateGroup(query, output.data() == input.data(), input, output);
    };
    request.FinishGroup = [&query](std::span<uint8_t> last) { FinishGroup(query, last); };
    if (query.HasHaving)
        request.KeepGroup = [&query](std::span<const uint8_t> last) {
            std::vector<uint8_t> copy(last.begin(), last.end());
            return TestHaving(query, copy);
        };
    query.ResultCursor->SortRecords(request);
}

// An ORDER BY ... TOP n of a result nobody keeps (its table is the statement's own, in memory) that the sort
// of its rows would cut: the rows are chosen while they are read (TopRows.h).
bool ChoosesTopRows(const TDataQuery& query) {
    return query.HasOrderBy && !query.OrderBySatisfied && query.TopCount >= 0 && !query.HasGroupBy &&
           !query.Distinct && !query.HasUnion && !query.UnionPart && query.ResultTableName.empty() &&
           !query.HasBlobColumns;
}

// Memory the rows a DISTINCT has written may take to be recognised when they come again; beyond it every
// row is written and the sort alone removes the duplicates.
constexpr size_t DistinctRowBytes = size_t(64) << 20;

void RunSelect(TDataQuery& query) {
    if (RunDistinctFromIndex(query)) {
        query.SortOrderBy();
        return;
    }
    TDataCursor& result = *query.ResultCursor;
    std::vector<uint8_t> record(result.GetRecordSize());
    TRowProgress progress(query);
    bool topStops = query.TopCount >= 0 && !query.HasOrderBy && !query.HasGroupBy && !query.Distinct;
    std::unique_ptr<TTopRows> top;
    if (ChoosesTopRows(query)) top = std::make_unique<TTopRows>(query, size_t(query.TopCount));
    TGroupFold groups;
    bool grouped = groups.Compile(query);
    // A row a DISTINCT wrote already, byte for byte, is a duplicate whatever the collation: it is not
    // written again (the sort still removes those that only compare equal). A table INTO keeps is
    // written as the sort alone writes it.
    std::unique_ptr<TRowKeys> written;
    if (query.Distinct && !query.HasAvg && query.ResultTableName.empty())
        written = std::make_unique<TRowKeys>();
    int32_t rows = 0;
    TResultWrite write(result);
    ForEachRow(query, record, progress, [&] {
        if (query.MaxRowCount >= 0 && rows >= query.MaxRowCount) return false;
        if (topStops && rows >= query.TopCount) return false;
        ++rows;
        if (grouped) {
            groups.Row(query);
            return true;
        }
        CopySourceColumns(query, record);
        if (query.HasExpressionColumns) ComputeExpressionColumns(query, record);
        if (written && written->Bytes() < DistinctRowBytes) {
            bool added = false;
            written->Find(std::string_view(reinterpret_cast<const char*>(record.data()), record.size()),
                          added);
            if (!added) return true;
        }
        if (top)
            top->Offer(record);
        else
            write.Append(record);
        return true;
    });
    if (top) top->AppendTo(result);
    if (grouped) groups.AppendTo(query);
    write.End();
    if (query.Distinct)
        SortDistinct(query, SortLimit(query));
    else if (query.HasGroupBy)
        SortGroups(query, !grouped);
    if (!query.HasUnion && !query.UnionPart) query.SortOrderBy();
    progress.Finish();
}

// A sub-select read through its values alone gathers them as it reads its rows (SubSelectValues.h).
void GatherValues(TDataQuery& query) {
    TResultField& column = *query.ResultFields.front();
    TSourceTable& source = *column.BoundSource;
    TGatheredValues& values = SelectState(query).Gathered;
    values.Start(FieldDescOf(query, *query.ResultCursor, column.ResultFieldNumber, false),
                 column.ResultFieldNumber);
    std::vector<uint8_t> record(query.ResultCursor->GetRecordSize());
    TRowProgress progress(query);
    ForEachRow(query, record, progress, [&] {
        values.Add(*source.Cursor, source.RecordBuffer, column.SourceFieldNumber, source.Eof);
        return true;
    });
    progress.Finish();
}

void RunAggregateSelect(TDataQuery& query) {
    TDataCursor& result = *query.ResultCursor;
    std::vector<uint8_t> row(result.GetRecordSize()), group(result.GetRecordSize());
    result.InitEmptyRecord(group);
    TRowProgress progress(query);
    if (query.CountStarOnly && !query.RowCondition1 && !query.RowCondition2) {
        int64_t count = query.SourceTables.front()->Cursor->GetRecordCount();
        WriteResultValue(query, group, query.ResultFields.front()->ResultFieldNumber,
                         MakeIntegerValue(dtInteger, count));
    } else if (TAggregateFold fold; fold.Compile(query)) {
        if (TJoinLeafCount leaf; fold.CountsOnly() && leaf.Plan(query)) {
            TJoinLeafCount::TDetached detached(leaf);
            ForEachRow(query, row, progress, [&] {
                fold.Rows(leaf.Count(query));
                return true;
            });
        } else {
            ForEachRow(query, row, progress, [&] {
                if (fold.Empty() && query.HasExpressionColumns) ComputeExpressionColumns(query, group);
                fold.Row(query);
                return true;
            });
        }
        if (fold.Empty() && query.HasExpressionColumns) ComputeExpressionColumns(query, group, true);
        fold.Finish(query, group);
        FinishGroup(query, group);
    } else {
        query.SortGroupFirstCall = true;
        bool first = true;
        ForEachRow(query, row, progress, [&] {
            CopySourceColumns(query, row);
            if (query.HasExpressionColumns) ComputeExpressionColumns(query, row);
            AccumulateGroup(query, first, row, first ? std::span<uint8_t>(row) : std::span<uint8_t>(group));
            if (first) group = row;
            first = false;
            return true;
        });
        if (first) { // no row: COUNT is 0, constants are computed, the rest stays NULL
            for (auto& column : query.ResultFields)
                if (column->AggregateKind == akCount)
                    WriteResultValue(query, group, column->ResultFieldNumber, MakeIntegerValue(dtInteger, 0));
            if (query.HasExpressionColumns) ComputeExpressionColumns(query, group, true);
        }
        FinishGroup(query, group);
    }
    result.AppendRecord(group);
    progress.Finish();
}

// Reads each row of the source result into a new row of the target result, column by column.
void AppendRows(TDataQuery& target, TDataQuery& source) {
    TDataCursor& from = *source.ResultCursor;
    TDataCursor& to = *target.ResultCursor;
    std::vector<uint8_t> in(from.GetRecordSize()), out(to.GetRecordSize());
    size_t columns = std::min(target.ResultFields.size(), source.ResultFields.size());
    from.SetToBegin();
    TResultWrite write(to);
    while (from.GetNextRecord(in) == 0) {
        to.InitRecordBuffer(out);
        for (size_t i = 0; i < columns; ++i) {
            uint16_t number = source.ResultFields[i]->ResultFieldNumber;
            const TFieldDescriptor& field = FieldDescOf(source, from, number, false);
            TExpToken value;
            TypeFieldToken(field, value);
            ReadColumnValue(from, in, value, field, false, false);
            PutValue(to, out, FieldDescOf(target, to, target.ResultFields[i]->ResultFieldNumber, false),
                     value);
        }
        write.Append(out);
    }
    write.End();
}

} // namespace

void CopySourceColumn(TDataQuery& query, TResultField& column, std::span<uint8_t> record) {
    TSourceTable& source = *column.BoundSource;
    const TFieldDescriptor& field = FieldDescOf(query, *source.Cursor, column.SourceFieldNumber, true);
    TExpToken value;
    TypeFieldToken(field, value);
    if (column.CountStar)
        WriteExpValue(value, MakeIntegerValue(dtInteger, 1));
    else
        ReadColumnValue(*source.Cursor, source.RecordBuffer, value, field, true, source.Eof);
    PutColumnValue(query, column, record, value);
}

void DropSourceFilters(TDataQuery& query) {
    EndJoinAccesses(query);
    for (auto& source : query.SourceTables) {
        for (auto& join : source->Joins) join->DropFilter();
        if (source->CursorOpen()) source->Cursor->DropFilter(0);
        source->Eof = false;
        source->NoMatch = false;
    }
    query.CorrelatedFilterHandle = 0;
}

void RefreshSources(TDataQuery& query) {
    for (auto& source : query.SourceTables)
        if (source->CursorOpen()) source->Cursor->Refresh();
}

void ExecuteSelect(TDataQuery& query) {
    if (!query.ResultCursor) SqlError("The SELECT statement has not been prepared");
    DropSourceFilters(query);
    DropLateRowCondition(query);
    CompileRunWhere(query);
    if (query.RowCondition1) CompileRowCondition(query);
    CompileJoinConditions(query);
    RefreshSources(query);
    RefreshFunctionSources(query);
    if (query.LiveResult) {
        ExecuteLiveSelect(query);
        return;
    }
    TDataCursor& result = *query.ResultCursor;
    size_t reading = 0;
    try {
        if (query.WithLocks)
            for (; reading < query.SourceTables.size(); ++reading)
                query.SourceTables[reading]->Cursor->BeginRead();
        result.DropFilter(0);
        // A result table just made is empty already; emptying it again would write its headers.
        if (!std::exchange(SelectState(query).ResultUnwritten, false) || result.GetRecordCount() != 0)
            result.EmptyTable();
        if (query.HasCondition) {
            OptimizeWhere(query, true);
            ReorderJoin(query);
        }
        PlanJoinAccesses(query);
        if (query.HasCondition) OptimizeWhere(query, false);
        SelectState(query).ColumnCopy.Compile(query);
        SelectState(query).Gathered.Stop();
        if (query.AggregateOnly)
            RunAggregateSelect(query);
        else if (GathersValues(query))
            GatherValues(query);
        else
            RunSelect(query);
    } catch (...) {
        try {
            EndJoinAccesses(query);
        } catch (...) {
            // the error that ended the run is the one to report
        }
        while (reading > 0) query.SourceTables[--reading]->Cursor->EndRead();
        throw;
    }
    EndJoinAccesses(query);
    while (reading > 0) query.SourceTables[--reading]->Cursor->EndRead();
    result.Refresh();
    result.SetToBegin();
    const TGatheredValues& gathered = SelectState(query).Gathered;
    query.RowsAffected = int32_t(gathered.Active() ? gathered.Count() : result.GetRecordCount());
    query.Executed = true;
}

void TDataQuery::ExecuteStatement() {
    auto start = std::chrono::steady_clock::now();
    // The rows about to be made are not those the sets of a sub-select's values were read from.
    if (Extension) static_cast<TSelectState&>(*Extension).Membership.Clear();
    if (StatementType == sqlSelect)
        ExecuteSelect(*this);
    else
        ExecuteChangeStatement(*this);
    ExecutionTime = SecondsSince(start);
}

void TDataQuery::SortOrderBy() {
    if (!HasOrderBy || OrderBySatisfied || !ResultCursor) return;
    std::vector<std::pair<uint16_t, bool>> columns;
    for (const auto& item : OrderByItems) columns.emplace_back(item->ColumnNumber, item->Descending);
    TSortRequest request;
    request.Fields = SortFields(*this, columns);
    request.MaxCount = TopCount;
    request.CaseInsensitive = OrderByNoCase;
    ResultCursor->SortRecords(request);
    ResultCursor->Refresh();
    ResultCursor->SetToBegin();
    RowsAffected = int32_t(ResultCursor->GetRecordCount());
}

void TDataQuery::AppendUnionResults() {
    if (!HasUnion || !NextUnion) return;
    NextUnion->AppendUnionResults();
    auto start = std::chrono::steady_clock::now();
    AppendRows(*this, *NextUnion);
    if (!UnionAll) SortDistinct(*this, -1);
    ResultCursor->Refresh();
    ResultCursor->SetToBegin();
    RowsAffected = int32_t(ResultCursor->GetRecordCount());
    ExecutionTime += SecondsSince(start);
}

} // namespace vorsam
