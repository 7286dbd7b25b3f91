// Folding the rows of a group into its first row (the group row) for the aggregate columns of a block,
// and finishing the group (AVG divides its total by its hidden count of values).
//
// Arithmetic by the column's result type (SelectPrepare.cpp widens SUM and AVG of integers): integers and
// dates and times add as integers (an overflow of the result type is an error), floats and timestamps as
// doubles, BCD as currency. MIN and MAX compare strings under the block's collation, other types by
// value. A group whose first value is NULL takes the first value that is not. COUNT counts the values
// that are not NULL (COUNT(*) every row). RUNSUM goes on from the previous group's total.
//
// Without GROUP BY, aggregates of numeric columns (and COUNT(*)) are folded while the rows are read
// (TAggregateFold): each row's value is taken from the source's record as it would read back from the
// result column it is written to, and folded into totals by the same rules; the group record is written
// once, at the end.
#include "db/sql/QueryBinding.h"
#include "db/sql/SelectPlan.h"

#include "db/engine/DataCursor.h"
#include "db/lib/ByteUtils.h"
#include "db/lib/DataTypes.h"
#include "db/lib/EngineErrors.h"
#include "db/lib/ExpressionValues.h"
#include "db/lib/Values.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <limits>

namespace vorsam {

namespace {

bool IsRealType(uint8_t type) {
    return type == dtFloat || type == dtTimeStamp;
}

void CheckRange(const TExpValue& value) {
    int64_t low = std::numeric_limits<int64_t>::min(), high = std::numeric_limits<int64_t>::max();
    if (value.DataType == dtInteger || value.DataType == dtDate || value.DataType == dtTime) {
        low = std::numeric_limits<int32_t>::min();
        high = std::numeric_limits<int32_t>::max();
    } else if (value.DataType == dtSmallInt) {
        low = std::numeric_limits<int16_t>::min();
        high = std::numeric_limits<int16_t>::max();
    } else if (value.DataType == dtWord) {
        low = 0;
        high = std::numeric_limits<uint16_t>::max();
    }
    if (value.Int < low || value.Int > high) RaiseEngineError(VORSAM_OUTOFRANGE, "an aggregate total");
}

TExpValue Add(TExpValue total, const TExpValue& value) {
    if (IsRealType(total.DataType)) {
        total.Real += IsRealType(value.DataType) ? value.Real : double(value.Int);
        return total;
    }
    if (__builtin_add_overflow(total.Int, value.Int, &total.Int))
        RaiseEngineError(VORSAM_OUTOFRANGE, "an aggregate total");
    CheckRange(total);
    return total;
}

TCollationRules Rules(const TDataQuery& query) {
    return {query.LanguageId, query.SortId, false};
}

TExpValue Fold(const TDataQuery& query, uint8_t kind, const TExpValue& group, const TExpValue& row) {
    if (group.IsNull) return row;
    switch (kind) {
    case akMin:
        return CompareExpValues(row, group, Rules(query)) < 0 ? row : group;
    case akMax:
        return CompareExpValues(row, group, Rules(query)) > 0 ? row : group;
    case akCount: {
        TExpValue count = group;
        ++count.Int;
        CheckRange(count);
        return count;
    }
    default:
        return Add(group, row);
    }
}

// n / d rounded to the nearest integer, halves to even.
int64_t DivideRounded(int64_t n, int64_t d) {
    int64_t q = n / d, r = n % d;
    int64_t twice = 2 * (r < 0 ? -r : r);
    bool negative = (n < 0) != (d < 0);
    if (twice > d || (twice == d && (q % 2 != 0))) q += negative ? -1 : 1;
    return q;
}

TExpValue Average(const TExpValue& total, int64_t count, uint8_t type, uint8_t scale) {
    TExpValue average;
    average.DataType = type;
    average.Scale = scale;
    average.IsNull = false;
    if (IsRealType(type))
        average.Real = count == 0 || total.IsNull ? 0 : total.Real / double(count);
    else
        average.Int = count == 0 || total.IsNull ? 0 : DivideRounded(total.Int, count);
    return average;
}

// The types whose values the fold reads straight from a source record (they read back unchanged from a
// result field of their own or a wider type).
bool FoldedType(uint8_t type) {
    switch (type) {
    case dtSmallInt:
    case dtWord:
    case dtInteger:
    case dtLargeInt:
    case dtFloat:
    case dtDate:
    case dtTime:
    case dtTimeStamp:
        return true;
    default:
        return false;
    }
}

} // namespace

bool TAggregateFold::Compile(TDataQuery& query, bool grouped) {
    columns_.clear();
    for (size_t i = 0; i < query.ResultFields.size(); ++i) {
        TResultField& column = *query.ResultFields[i];
        if (column.AggregateKind == akNone) {
            if (!column.IsExpression && !grouped) return false;
            continue;
        }
        if (column.IsExpression || !FoldedType(column.ResultType) ||
            (grouped && column.AggregateKind == akRunSum))
            return false;
        TColumn folded{&column, i, nullptr, nullptr};
        if (!column.CountStar) {
            if (!column.BoundSource) return false;
            const TFieldDescriptor& field =
                FieldDescOf(query, *column.BoundSource->Cursor, column.SourceFieldNumber, true);
            if (field.IsAutoIncrement() || field.Computed() || !FoldedType(field.DataType())) return false;
            folded.Source = column.BoundSource;
            folded.Field = &field;
        }
        columns_.push_back(folded);
    }
    totals_.assign(columns_.size(), {});
    first_ = true;
    return true;
}

TExpValue TAggregateFold::RowValue(const TColumn& column) const {
    const TResultField& result = *column.Column;
    TExpValue value;
    value.DataType = result.ResultType;
    value.SubType = result.ResultSubType;
    value.Scale = result.ResultScale;
    if (result.CountStar) {
        value.IsNull = false;
        value.Int = 1;
        return value;
    }
    const uint8_t* at = column.Source->RecordBuffer.data() + column.Field->Offset();
    if (column.Source->Eof || at[0] == 0) return value;
    value.IsNull = false;
    if (result.AggregateKind == akCount) {
        value.Int = 1;
        return value;
    }
    ++at;
    switch (column.Field->DataType()) {
    case dtSmallInt:
        value.Int = LoadNative<int16_t>(at);
        break;
    case dtWord:
        value.Int = LoadNative<uint16_t>(at);
        break;
    case dtInteger:
    case dtDate:
    case dtTime:
        value.Int = LoadNative<int32_t>(at);
        break;
    case dtLargeInt:
        value.Int = LoadNative<int64_t>(at);
        break;
    default: // float, timestamp
        value.Real = LoadNative<double>(at);
        return value;
    }
    if (IsRealType(result.ResultType)) value.Real = double(value.Int);
    return value;
}

namespace {

TExpValue TypedTotal(const TResultField& column, const TAggregateFold::TTotal& total) {
    TExpValue value;
    value.DataType = column.ResultType;
    value.SubType = column.ResultSubType;
    value.Scale = column.ResultScale;
    value.IsNull = total.IsNull;
    value.Int = total.Int;
    value.Real = total.Real;
    return value;
}

void SetTotal(TAggregateFold::TTotal& total, const TExpValue& value) {
    total.IsNull = value.IsNull;
    total.Int = value.Int;
    total.Real = value.Real;
}

} // namespace

void TAggregateFold::Row(TDataQuery& query) {
    for (const TColumn& column : columns_)
        if (first_ && column.Column->AggregateKind == akRunSum) {
            TSelectState& state = SelectState(query);
            state.RunningTotals.resize(query.ResultFields.size());
            state.RunningTotals[column.Index] = TExpValue{};
        }
    Row(query, totals_, first_);
    first_ = false;
}

void TAggregateFold::Row(TDataQuery&, std::span<TTotal> totals, bool first) {
    assert(totals.size() == columns_.size());
    for (size_t i = 0; i < columns_.size(); ++i) {
        const TColumn& column = columns_[i];
        TTotal& total = totals[i];
        uint8_t kind = column.Column->AggregateKind;
        TExpValue value = RowValue(column);
        if (first) {
            SetTotal(total, value);
            if (kind == akCount && value.IsNull) SetTotal(total, MakeIntegerValue(dtInteger, 0));
            total.AvgCount = value.IsNull ? 0 : 1;
            continue;
        }
        if (value.IsNull) continue;
        ++total.AvgCount;
        if (total.IsNull) {
            SetTotal(total, value);
            continue;
        }
        // Fold's rules, on the total in place (numbers only: no collation, no copies of texts).
        switch (kind) {
        case akCount:
            ++total.Int;
            CheckRange(TypedTotal(*column.Column, total));
            break;
        case akMin:
        case akMax: {
            bool real = IsRealType(value.DataType);
            bool below = real ? value.Real < total.Real : value.Int < total.Int;
            bool above = real ? value.Real > total.Real : value.Int > total.Int;
            if (kind == akMin ? below : above) SetTotal(total, value);
            break;
        }
        default:
            SetTotal(total, Add(TypedTotal(*column.Column, total), value));
            break;
        }
    }
}

bool TAggregateFold::CountsOnly() const {
    return std::all_of(columns_.begin(), columns_.end(),
                       [](const TColumn& column) { return column.Column->CountStar; });
}

void TAggregateFold::Rows(uint32_t count) {
    assert(CountsOnly());
    if (count == 0) return;
    for (size_t i = 0; i < columns_.size(); ++i) {
        TTotal& total = totals_[i];
        if (first_) total = {0, 0, 0, false};
        if (__builtin_add_overflow(total.Int, int64_t(count), &total.Int))
            RaiseEngineError(VORSAM_OUTOFRANGE, "an aggregate total");
        CheckRange(TypedTotal(*columns_[i].Column, total));
    }
    first_ = false;
}

void TAggregateFold::Finish(TDataQuery& query, std::span<uint8_t> group) {
    Finish(query, totals_, first_, group);
}

void TAggregateFold::Finish(TDataQuery& query, std::span<const TTotal> totals, bool empty,
                            std::span<uint8_t> group) {
    for (size_t i = 0; i < columns_.size(); ++i) {
        const TResultField& result = *columns_[i].Column;
        if (empty) { // no row: COUNT is 0, the rest stays NULL
            if (result.AggregateKind == akCount)
                WriteResultValue(query, group, result.ResultFieldNumber, MakeIntegerValue(dtInteger, 0));
            continue;
        }
        WriteResultValue(query, group, result.ResultFieldNumber, TypedTotal(result, totals[i]));
        if (result.AggregateKind == akAvg)
            WriteResultValue(query, group, result.AvgCountFieldNumber,
                             MakeIntegerValue(dtInteger, totals[i].AvgCount));
    }
}

TExpValue ReadResultValue(TDataQuery& query, std::span<const uint8_t> record, uint16_t number) {
    TDataCursor& cursor = *query.ResultCursor;
    const TFieldDescriptor& field = FieldDescOf(query, cursor, number, false);
    TExpToken token;
    token.FieldNumber = number;
    bool sized =
        field.DataType() == dtString || field.DataType() == dtBytes || field.DataType() == dtVarBytes;
    SetExpType(token, {field.DataType(), field.SubType(), uint16_t(sized ? field.DeclaredSize() : 0),
                       field.Decimals()});
    ReadColumnValue(cursor, std::span<uint8_t>(const_cast<uint8_t*>(record.data()), record.size()), token,
                    field, false, false);
    return ReadExpValue(token);
}

void PutResultValue(TDataCursor& cursor, std::span<uint8_t> record, const TFieldDescriptor& field,
                    const TExpToken& value) {
    uint16_t number = field.Position() != 0 ? field.Position() : field.FieldNumber();
    if (value.IsNull) {
        cursor.PutField(number, record, nullptr);
        return;
    }
    bool same =
        field.DataType() == value.DataType && (field.DataType() != dtBcd || field.Decimals() == value.Scale);
    bool terminated = !value.Value.empty() && value.Value.back() == 0;
    if ((same && value.Value.size() >= field.PhysicalSize()) ||
        (field.DataType() == dtString && terminated)) {
        cursor.PutField(number, record, value.Value.data());
        return;
    }
    if (same || field.DataType() == dtString) {
        std::vector<uint8_t> bytes(value.Value);
        bytes.resize(std::max<size_t>(bytes.size() + 1, field.PhysicalSize() + 1), 0);
        cursor.PutField(number, record, bytes.data());
        return;
    }
    std::vector<uint8_t> buffer(value.Value);
    buffer.resize(std::max<size_t>(buffer.size(), 256) + 1, 0);
    if (!ConvertValue({value.DataType, value.Size, value.Scale},
                      {field.DataType(), field.DeclaredSize(), field.Decimals()}, buffer.data(),
                      buffer.size()))
        cursor.RaiseFieldError(VORSAM_OUTOFRANGE, field.Name());
    cursor.PutField(number, record, buffer.data());
}

void WriteResultValue(TDataQuery& query, std::span<uint8_t> record, uint16_t number, const TExpValue& value) {
    TExpToken token;
    if (value.IsNull)
        token.SetNull();
    else
        WriteExpValue(token, value);
    PutResultValue(*query.ResultCursor, record, FieldDescOf(query, *query.ResultCursor, number, false),
                   token);
}

TExpValue WidenAggregateValue(const TResultField& column, TExpValue value) {
    if (column.AggregateKind == akCount) return value.IsNull ? value : MakeIntegerValue(dtInteger, 1);
    if (value.IsNull || column.ResultType == value.DataType) return value;
    bool toReal = IsRealType(column.ResultType) && !IsRealType(value.DataType) && value.DataType != dtBcd;
    if (toReal) return MakeFloatValue(double(value.Int));
    if (column.ResultType == dtInteger || column.ResultType == dtLargeInt) value.DataType = column.ResultType;
    return value;
}

void AccumulateGroup(TDataQuery& query, bool firstRow, std::span<const uint8_t> row,
                     std::span<uint8_t> group) {
    TSelectState& state = SelectState(query);
    state.RunningTotals.resize(query.ResultFields.size());
    for (size_t i = 0; i < query.ResultFields.size(); ++i) {
        TResultField& column = *query.ResultFields[i];
        uint8_t kind = column.AggregateKind;
        if (kind == akNone) continue;
        uint16_t number = column.ResultFieldNumber;
        TExpValue value = ReadResultValue(query, row, number);
        if (firstRow && (query.SortGroupFirstCall || kind != akRunSum)) {
            if (kind == akCount && value.IsNull)
                WriteResultValue(query, group, number, MakeIntegerValue(dtInteger, 0));
            if (kind == akRunSum) state.RunningTotals[i] = TExpValue{};
            if (kind == akAvg)
                WriteResultValue(query, group, column.AvgCountFieldNumber,
                                 MakeIntegerValue(dtInteger, value.IsNull ? 0 : 1));
            continue;
        }
        if (firstRow) { // RUNSUM at a later group's start: the running total goes on
            TExpValue total = state.RunningTotals[i];
            if (!value.IsNull) total = Fold(query, kind, total, value);
            WriteResultValue(query, group, number, total);
            continue;
        }
        if (value.IsNull) continue;
        WriteResultValue(query, group, number,
                         Fold(query, kind, ReadResultValue(query, group, number), value));
        if (kind == akAvg) {
            TExpValue count = ReadResultValue(query, group, column.AvgCountFieldNumber);
            count.Int = count.IsNull ? 1 : count.Int + 1;
            count.IsNull = false;
            WriteResultValue(query, group, column.AvgCountFieldNumber, count);
        }
    }
    query.SortGroupFirstCall = false;
}

void FinishGroup(TDataQuery& query, std::span<uint8_t> group) {
    TSelectState& state = SelectState(query);
    state.RunningTotals.resize(query.ResultFields.size());
    for (size_t i = 0; i < query.ResultFields.size(); ++i) {
        TResultField& column = *query.ResultFields[i];
        if (column.AggregateKind == akRunSum)
            state.RunningTotals[i] = ReadResultValue(query, group, column.ResultFieldNumber);
        if (column.AggregateKind != akAvg) continue;
        TExpValue count = ReadResultValue(query, group, column.AvgCountFieldNumber);
        TExpValue total = ReadResultValue(query, group, column.ResultFieldNumber);
        WriteResultValue(query, group, column.ResultFieldNumber,
                         Average(total, count.IsNull ? 0 : count.Int, column.ResultType, column.ResultScale));
    }
}

} // namespace vorsam
