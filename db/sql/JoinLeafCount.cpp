// COUNT(*) over a join counting its last table's matching rows in an index (TJoinLeafCount, SelectPlan.h).
//
// The join's general path installs, for each row of the owner, the filter "leaf column = owner value" with
// the value converted to the column's type, and reads the rows it lets through. The count here gives the
// same number where nothing can differ: integers on both sides, the column's type at least as wide as the
// value's (no conversion that could fail or change the value), no other filter or condition on the leaf,
// and nothing of the leaf's records wanted by the block.
#include "db/sql/SelectPlan.h"

#include "db/engine/DataCursor.h"
#include "db/lib/ByteUtils.h"
#include "db/lib/DataTypes.h"

#include <algorithm>

namespace vorsam {

namespace {

// True when every value of type `from` is one of type `to` (both integer types).
bool HoldsEveryValueOf(uint8_t to, uint8_t from) {
    switch (to) {
    case dtLargeInt:
        return from == dtSmallInt || from == dtWord || from == dtInteger || from == dtLargeInt;
    case dtInteger:
        return from == dtSmallInt || from == dtWord || from == dtInteger;
    case dtSmallInt:
    case dtWord:
        return from == to;
    default:
        return false;
    }
}

bool ReadsSource(const TExpToken& tree, const TSourceTable& source) {
    bool reads = false;
    ForEachExpNode(tree, [&](const TExpToken& node) {
        if (node.Kind == nkColumn && node.BoundSource == &source) reads = true;
        if (node.Kind == nkSubSelect) reads = true; // a sub-select may read anything
    });
    return reads;
}

} // namespace

bool TJoinLeafCount::Plan(TDataQuery& query) {
    leaf_ = owner_ = nullptr;
    join_ = nullptr;
    if (query.SourceTables.size() < 2 || query.RowCondition1 || query.RowCondition2 || query.HasGroupBy ||
        query.HasExpressionColumns || query.ResultFields.empty())
        return false;
    for (const auto& column : query.ResultFields)
        if (!column->CountStar) return false;
    TSourceTable& leaf = *query.SourceTables.back();
    if (!leaf.Joins.empty() || !leaf.CursorOpen() || leaf.Cursor->HasActiveFilters()) return false;
    for (const auto& source : query.SourceTables)
        for (const auto& join : source->Joins) {
            if (join->Target != &leaf) continue;
            if (join_) return false; // reached twice
            owner_ = source.get();
            join_ = join.get();
        }
    if (!join_ || join_->JoinKind != tjInner || !join_->Condition || join_->OwnerCondition) return false;
    const TExpToken& condition = *join_->Condition;
    const TExpToken* column = condition.Right();
    const TExpToken* value = condition.Left();
    if (condition.Kind != nkBinary || condition.Operator != opEqual || !column || !value ||
        column->Kind != nkColumn || column->BoundSource != &leaf || ReadsSource(*value, leaf))
        return false;
    TDataCursor& cursor = *leaf.Cursor;
    const TFieldDescriptor& field = FieldDescOf(query, cursor, column->FieldNumber, true);
    if (field.Computed() || field.IsAutoIncrement() || field.DataType() != column->DataType ||
        !HoldsEveryValueOf(field.DataType(), value->DataType))
        return false;
    bool found = false;
    for (uint8_t index = cursor.IsDefaultPrimaryIndex() ? 1 : 0; index <= cursor.GetIndexCount() && !found;
         ++index) {
        TIndexDescriptor descriptor = cursor.GetIndexDesc(index);
        if (descriptor.IsEmpty() || descriptor.TextIndex() || descriptor.FieldCount() == 0 ||
            descriptor.FieldNumber(0) != column->FieldNumber)
            continue;
        index_ = index;
        found = true;
    }
    if (!found) return false;
    leaf_ = &leaf;
    field_ = column->FieldNumber;
    fieldType_ = field.DataType();
    value_.Compile(query, *join_->Condition->Left());
    image_.assign(cursor.GetRecordSize(), 0);
    return true;
}

uint32_t TJoinLeafCount::Count(TDataQuery& query) {
    TExpValue value = value_.Evaluate(query);
    if (value.IsNull) return 0;
    TDataCursor& cursor = *leaf_->Cursor;
    cursor.InitEmptyRecord(image_);
    uint8_t native[8];
    switch (fieldType_) {
    case dtSmallInt:
        StoreNative<int16_t>(native, int16_t(value.Int));
        break;
    case dtWord:
        StoreNative<uint16_t>(native, uint16_t(value.Int));
        break;
    case dtInteger:
        StoreNative<int32_t>(native, int32_t(value.Int));
        break;
    default:
        StoreNative<int64_t>(native, value.Int);
        break;
    }
    cursor.PutField(field_, image_, native);
    return cursor.CountKeys(index_, image_, 1);
}

TJoinLeafCount::TDetached::TDetached(TJoinLeafCount& count) : owner_(*count.owner_) {
    auto& joins = owner_.Joins;
    auto at =
        std::find_if(joins.begin(), joins.end(), [&](const auto& join) { return join.get() == count.join_; });
    at_ = size_t(at - joins.begin());
    join_ = std::move(*at);
    joins.erase(at);
}

TJoinLeafCount::TDetached::~TDetached() {
    owner_.Joins.insert(owner_.Joins.begin() + std::ptrdiff_t(at_), std::move(join_));
}

} // namespace vorsam
