// SELECT DISTINCT served by an index: when a block whose result nobody keeps (no INTO) reads one table with
// no WHERE and its columns are the
// first fields of an ascending, case-sensitive index of that table, in order, the distinct rows are the
// distinct leading parts of the index's keys, already in the order the record sort would give them. They
// are read from the keys alone (no record is read) and appended in that order: the result table is then
// what appending every row and sorting it with duplicates removed makes (records numbered from 1, each
// +5 value its number).
//
// Keys are read back into values only for the types whose keys hold the values whole: integers of every
// width, dates and times, and strings under the bytewise order (language 0). A string key ending in blanks
// (which the engine never writes) would no longer sort as the value the result keeps: the block then runs
// the general way. The keys are read in chunks, each under a read level of its own.
#include "db/sql/QueryStatement.h"
#include "db/sql/RunLevels.h"
#include "db/sql/SelectPlan.h"

#include "db/engine/DataCursor.h"
#include "db/lib/ByteUtils.h"
#include "db/lib/DataTypes.h"

#include <cstring>

namespace vorsam {

namespace {

constexpr size_t KeysPerChunk = 8192;

bool KeyHoldsValue(const TFieldDescriptor& field, uint16_t languageId) {
    switch (field.DataType()) {
    case dtSmallInt:
    case dtWord:
    case dtInteger:
    case dtLargeInt:
    case dtDate:
    case dtTime:
        return true;
    case dtString:
        return languageId == 0;
    default:
        return false;
    }
}

// The value of a key segment (its bytes after the null indicator) in the field's native form; false for a
// string that ends in blanks.
bool DecodeSegment(const TFieldDescriptor& field, const uint8_t* key, size_t size, uint8_t* value) {
    auto bigEndian = [&](size_t bytes) {
        uint64_t v = 0;
        for (size_t i = 0; i < bytes; ++i) v = (v << 8) | key[i];
        return v;
    };
    switch (field.DataType()) {
    case dtSmallInt:
        StoreNative<int16_t>(value, int16_t(uint16_t(bigEndian(2) ^ 0x8000u)));
        return true;
    case dtWord:
        StoreNative<uint16_t>(value, uint16_t(bigEndian(2)));
        return true;
    case dtInteger:
    case dtDate:
    case dtTime:
        StoreNative<int32_t>(value, int32_t(uint32_t(bigEndian(4) ^ 0x80000000u)));
        return true;
    case dtLargeInt:
        StoreNative<int64_t>(value, int64_t(bigEndian(8) ^ 0x8000000000000000ull));
        return true;
    default: { // a string: its bytes up to the first zero
        size_t length = strnlen(reinterpret_cast<const char*>(key), size);
        if (length > 0 && key[length - 1] == ' ') return false;
        std::memcpy(value, key, length);
        value[length] = 0;
        return true;
    }
    }
}

// The index whose leading fields are the block's columns in order, as DISTINCT may read them; 255 when none.
uint8_t DistinctIndex(TDataQuery& query, std::vector<TFieldDescriptor>& fields) {
    TSourceTable& source = *query.SourceTables.front();
    TDataCursor& cursor = *source.Cursor;
    if (cursor.GetLanguageId() != query.LanguageId || cursor.GetSortId() != query.SortId)
        return NoOrderByIndex;
    fields.clear();
    for (const auto& column : query.ResultFields) {
        if (column->IsExpression || column->AggregateKind != akNone || column->CountStar ||
            column->BoundSource != &source)
            return NoOrderByIndex;
        fields.push_back(FieldDescOf(query, cursor, column->SourceFieldNumber, true));
        if (!KeyHoldsValue(fields.back(), query.LanguageId) || fields.back().IsAutoIncrement() ||
            fields.back().Computed())
            return NoOrderByIndex;
    }
    for (uint8_t n = cursor.IsDefaultPrimaryIndex() ? 1 : 0; n <= cursor.GetIndexCount(); ++n) {
        TIndexDescriptor index = cursor.GetIndexDesc(n);
        if (index.FieldCount() < fields.size() || index.Descending() || index.CaseInsensitive()) continue;
        bool serves = true;
        for (size_t i = 0; i < fields.size() && serves; ++i)
            serves =
                index.FieldNumber(i) == query.ResultFields[i]->SourceFieldNumber && !index.FieldDescending(i);
        if (serves) return n;
    }
    return NoOrderByIndex;
}

} // namespace

bool RunDistinctFromIndex(TDataQuery& query) {
    if (!query.Distinct || query.HasGroupBy || query.AggregateOnly || query.SourceTables.size() != 1 ||
        query.HasCondition || query.WhereTree || query.RowCondition1 || query.RowCondition2 ||
        query.MaxRowCount >= 0 || query.HasUnion || query.UnionPart || bool(query.Statement->OnProgress) ||
        query.ResultFields.empty() || !query.ResultTableName.empty())
        return false;
    std::vector<TFieldDescriptor> fields;
    uint8_t index = DistinctIndex(query, fields);
    if (index == NoOrderByIndex) return false;
    TDataCursor& source = *query.SourceTables.front()->Cursor;
    TDataCursor& result = *query.ResultCursor;
    int64_t limit = !query.HasOrderBy || query.OrderBySatisfied ? query.TopCount : -1;
    uint8_t order = source.IndexNumber();
    struct TRestoreOrder {
        TDataCursor& Cursor;
        uint8_t Order;
        ~TRestoreOrder() { Cursor.SetIndexNumber(Order); }
    } restore{source, order};
    source.SetIndexNumber(index);
    std::vector<size_t> offsets; // of each column's segment in the key
    size_t prefix = 0;
    for (const TFieldDescriptor& field : fields) {
        offsets.push_back(prefix);
        prefix += GetFieldKeySize(field) + 1u;
    }
    std::vector<uint8_t> record(result.GetRecordSize()), value(256), last, after;
    bool blanks = false;
    int64_t rows = 0;
    TResultWrite write(result);
    for (bool more = limit != 0; more;) {
        size_t visited = 0;
        bool done = source.VisitKeys(after.empty() ? nullptr : after.data(), prefix, [&](const uint8_t* key) {
            if (++visited > KeysPerChunk) return false;
            after.assign(key, key + prefix);
            if (!last.empty() && std::memcmp(last.data(), key, prefix) == 0) return true;
            last.assign(key, key + prefix);
            result.InitEmptyRecord(record);
            for (size_t i = 0; i < fields.size(); ++i) {
                const uint8_t* segment = key + offsets[i];
                if (segment[0] == 0) continue; // null
                std::fill(value.begin(), value.end(), uint8_t(0));
                if (!DecodeSegment(fields[i], segment + 1, GetFieldKeySize(fields[i]), value.data())) {
                    blanks = true;
                    return false;
                }
                result.PutField(query.ResultFields[i]->ResultFieldNumber, record, value.data());
            }
            result.AppendRecord(record);
            return limit < 0 || ++rows < limit;
        });
        if (blanks) break;
        more = !done && visited > KeysPerChunk;
    }
    if (blanks) {
        write.End();
        result.EmptyTable();
        return false;
    }
    write.End();
    return true;
}

} // namespace vorsam
