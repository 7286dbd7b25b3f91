#include "db/sql/JoinAccess.h"

#include "db/sql/DataQuery.h"
#include "db/sql/RowKeys.h"
#include "db/sql/RunLevels.h"
#include "db/sql/SelectPlan.h"
#include "db/sql/SourceTable.h"

#include "db/engine/DataCursor.h"
#include "db/engine/IndexDefinition.h"
#include "db/lib/ByteUtils.h"
#include "db/lib/DataTypes.h"
#include "db/lib/EngineErrors.h"
#include "db/lib/ExpressionValues.h"

#include <algorithm>
#include <bit>
#include <cassert>
#include <cstring>
#include <optional>

namespace vorsam {

namespace {

// How the hash keeps a key's values: so that two values are equal for the comparison exactly when their
// bytes are.
enum TJoinKeyForm : uint8_t {
    kfInteger, // TExpValue::Int: integers of any width, dates, times, booleans, BCD (as currency)
    kfReal,    // the value as a float, 0 without a sign: floats (and integers met by floats), timestamps
    kfText,    // the length and the bytes: strings (bytewise collation), bytes
};

// The form both values take in the hash; none when their equality is not decided by the values held.
std::optional<uint8_t> HashForm(const TDataQuery& query, uint8_t a, uint8_t b) {
    TValueTraits x = ValueTraitsOf(a, query.LanguageId == 0), y = ValueTraitsOf(b, query.LanguageId == 0);
    if (x.Equality == veNone || y.Equality == veNone) return std::nullopt;
    if (a != b && (x.Kin == vkOwn || x.Kin != y.Kin)) return std::nullopt;
    if (x.Holder == vhReal || y.Holder == vhReal) return kfReal;
    return x.Holder == vhInt ? kfInteger : kfText;
}

// True when every row whose column equals the owner's value has the key built from that value converted
// to the column's type (the index then gathers at least the matching rows).
bool IndexTakes(const TDataQuery& query, uint8_t owner, uint8_t column) {
    if (TypeClassOf(owner, 0) == tcNumeric && TypeClassOf(column, 0) == tcNumeric) return true;
    return owner == column && ValueEqualityOf(owner, query.LanguageId == 0) != veNone;
}

// The one source the tree's columns are bound to; null when none, several, or a sub-select may read more.
const TSourceTable* OnlySource(const TExpToken& tree) {
    const TSourceTable* source = nullptr;
    bool mixed = false;
    ForEachExpNode(tree, [&](const TExpToken& node) {
        if (node.Kind == nkSubSelect) mixed = true;
        if (node.Kind != nkColumn) return;
        auto* bound = static_cast<const TSourceTable*>(node.BoundSource);
        if (!bound || (source && source != bound)) mixed = true;
        source = bound;
    });
    return mixed ? nullptr : source;
}

// Appends the value as the form keeps it; false for a NULL (or a float that equals nothing).
bool AppendKeyValue(const TExpValue& value, uint8_t form, std::string& key) {
    if (value.IsNull) return false;
    switch (form) {
    case kfInteger:
        key.append(reinterpret_cast<const char*>(&value.Int), sizeof value.Int);
        return true;
    case kfReal: {
        double real =
            value.DataType == dtFloat || value.DataType == dtTimeStamp ? value.Real : double(value.Int);
        if (real == 0) real = 0.0;
        if (real != real) return false;
        key.append(reinterpret_cast<const char*>(&real), sizeof real);
        return true;
    }
    default: {
        auto length = uint32_t(value.Text.size());
        key.append(reinterpret_cast<const char*>(&length), sizeof length);
        key.append(value.Text);
        return true;
    }
    }
}

// Integers, dates, times, booleans: their keys are their values.
bool IsExactKeyType(uint8_t type) {
    TValueTraits traits = ValueTraitsOf(type, true);
    return traits.Equality == veBytes && traits.Holder == vhInt;
}

// True when the range of the index's key built from the owner's value holds only rows whose column equals
// that value (or is NULL, which keys as zero): equal keys then mean equal values.
bool RangeDecides(TDataQuery& query, const TJoinKey& key, const TDataCursor& cursor) {
    const TExpToken& column = *key.TargetSide;
    const TFieldDescriptor& field = FieldDescOf(query, cursor, column.FieldNumber, true);
    uint8_t owner = key.OwnerSide->DataType, target = field.DataType();
    if (field.IsAutoIncrement() || field.Computed() || target != column.DataType) return false;
    return IsIntegerType(owner) && IsIntegerType(target) ? true : owner == target && IsExactKeyType(owner);
}

// The tree of the terms ANDed (null for none); each term copied.
TExpTree ConjunctionOf(const std::vector<TExpToken*>& terms) {
    TExpTree tree;
    for (TExpToken* term : terms) {
        TExpTree copy = CopyExpTree(term);
        tree = tree ? MakeBinaryNode(opAnd, std::move(tree), std::move(copy)) : std::move(copy);
        tree->DataType = dtBoolean;
    }
    return tree;
}

bool HasBlobFields(TDataQuery& query, const TDataCursor& cursor) {
    for (uint16_t n = 1; n <= cursor.GetFieldCount(); ++n)
        if (FieldDescOf(query, cursor, n, true).DataType() == dtBlob) return true;
    return false;
}

} // namespace

void CollectConjuncts(TExpToken& node, std::vector<TExpToken*>& conjuncts) {
    if (node.Kind == nkBinary && node.Operator == opAnd && node.Left() && node.Right()) {
        CollectConjuncts(*node.Left(), conjuncts);
        CollectConjuncts(*node.Right(), conjuncts);
        return;
    }
    conjuncts.push_back(&node);
}

TJoinWays JoinWaysOf(TDataQuery& query, TExpToken& condition, const TSourceTable& owner,
                     const TSourceTable& target) {
    TJoinWays ways;
    std::vector<TExpToken*> terms;
    CollectConjuncts(condition, terms);
    std::vector<TJoinKey> keys; // every equality between the two sides
    for (TExpToken* term : terms) {
        bool key = false;
        if (term->Kind == nkBinary && term->Operator == opEqual && term->Left() && term->Right()) {
            const TSourceTable* left = OnlySource(*term->Left());
            const TSourceTable* right = OnlySource(*term->Right());
            TExpToken* ownerSide = left == &owner && right == &target   ? term->Left()
                                   : left == &target && right == &owner ? term->Right()
                                                                        : nullptr;
            if (ownerSide) {
                TExpToken* targetSide = ownerSide == term->Left() ? term->Right() : term->Left();
                keys.push_back({ownerSide, targetSide, 0});
                if (auto form = HashForm(query, ownerSide->DataType, targetSide->DataType)) {
                    ways.HashKeys.push_back({ownerSide, targetSide, *form});
                    // Integers read as floats may meet where they differ: the term still decides.
                    key = *form != kfReal || ownerSide->DataType == targetSide->DataType;
                }
            }
        }
        if (!key) ways.OtherTerms.push_back(term);
    }
    // The index whose leading fields most keys fix, the first of equal ones.
    TDataCursor& cursor = *target.Cursor;
    for (uint8_t index = cursor.IsDefaultPrimaryIndex() ? 1 : 0; index <= cursor.GetIndexCount(); ++index) {
        TIndexDescriptor descriptor = cursor.GetIndexDesc(index);
        if (descriptor.IsEmpty() || descriptor.TextIndex()) continue;
        for (TExpToken* term : terms) {
            const TExpToken* column = term->Kind == nkBinary && IsComparisonOperator(term->Operator) &&
                                              term->Operator != opEqual && term->Operator != opNotEqual
                                          ? term->Right()
                                          : nullptr;
            if (column && column->Kind == nkColumn && column->BoundSource == &target &&
                descriptor.FieldCount() > 0 && column->FieldNumber == descriptor.FieldNumber(0))
                ways.RangeIndexed = true;
        }
        std::vector<TJoinKey> leading;
        for (size_t i = 0; i < descriptor.FieldCount(); ++i) {
            auto fits = std::find_if(keys.begin(), keys.end(), [&](const TJoinKey& key) {
                const TExpToken& column = *key.TargetSide;
                return column.Kind == nkColumn && column.FieldNumber == descriptor.FieldNumber(i) &&
                       !FieldDescOf(query, cursor, column.FieldNumber, true).Computed() &&
                       IndexTakes(query, key.OwnerSide->DataType, column.DataType);
            });
            if (fits == keys.end()) break;
            leading.push_back(*fits);
        }
        if (leading.size() > ways.IndexKeys.size()) {
            ways.Index = index;
            ways.IndexKeys = std::move(leading);
        }
    }
    if (HasBlobFields(query, cursor)) { // their values are read through the cursor
        ways.HashKeys.clear();
        ways.Keepable = false;
    }
    return ways;
}

size_t HashJoinBytesFor(uint32_t rows, uint16_t recordSize) {
    return size_t(rows) *
           (2 * recordSize + 48); // while it is built: the rows twice, offsets, hashes, buckets
}

// ---- TJoinAccess ----

TJoinAccess::TJoinAccess(TTableJoin& join, TWay way)
    : join_(join), target_(*join.Target), query_(*join.Owner->Query), way_(way) {}

std::unique_ptr<TJoinAccess> TJoinAccess::Indexed(TTableJoin& join, const TJoinWays& ways) {
    assert(!ways.IndexKeys.empty());
    std::unique_ptr<TJoinAccess> access(new TJoinAccess(join, TWay::Index));
    access->keys_ = ways.IndexKeys;
    TDataCursor& cursor = *access->target_.Cursor;
    std::vector<const TExpToken*> decided;
    for (const TJoinKey& key : access->keys_) {
        access->ownerValues_.emplace_back().Compile(access->query_, *key.OwnerSide);
        access->decides_.push_back(RangeDecides(access->query_, key, cursor));
        if (access->decides_.back()) decided.push_back(key.OwnerSide->Parent());
    }
    std::vector<TExpToken*> terms, undecided;
    CollectConjuncts(*join.Condition, terms);
    for (TExpToken* term : terms)
        if (std::find(decided.begin(), decided.end(), term) == decided.end()) undecided.push_back(term);
    access->restTree_ = ConjunctionOf(undecided);
    if (access->restTree_) access->rest_.Compile(access->query_, *access->restTree_);
    access->savedIndex_ = cursor.IndexNumber();
    cursor.SetIndexNumber(ways.Index);
    access->closed_ = false;
    access->keyImage_.assign(cursor.GetRecordSize(), 0);
    access->key_.assign(cursor.GetKeyLength(), 0);
    return access;
}

std::unique_ptr<TJoinAccess> TJoinAccess::Hashed(TTableJoin& join, const TJoinWays& ways) {
    assert(ways.Keepable);
    std::unique_ptr<TJoinAccess> access(new TJoinAccess(join, TWay::Hash));
    access->keys_ = ways.HashKeys;
    for (const TJoinKey& key : access->keys_) {
        access->ownerValues_.emplace_back().Compile(access->query_, *key.OwnerSide);
        access->targetValues_.emplace_back().Compile(access->query_, *key.TargetSide);
        access->ownerFields_.push_back(DirectField(access->query_, *key.OwnerSide));
        access->targetFields_.push_back(DirectField(access->query_, *key.TargetSide));
    }
    access->restTree_ = ConjunctionOf(ways.OtherTerms);
    if (access->restTree_) access->rest_.Compile(access->query_, *access->restTree_);
    access->closed_ = false;
    return access;
}

TJoinAccess::~TJoinAccess() = default;

void TJoinAccess::Close() {
    if (closed_) return;
    closed_ = true;
    if (way_ == TWay::Index && target_.CursorOpen()) {
        target_.Cursor->ResetRange();
        target_.Cursor->SetIndexNumber(savedIndex_);
    }
    FreeHash();
}

void TJoinAccess::FreeHash() {
    rows_ = {};
    bucketAt_ = {};
    built_ = false;
}

TJoinAccess::TDirectField TJoinAccess::DirectField(TDataQuery& query, const TExpToken& side) {
    auto* source = static_cast<const TSourceTable*>(side.BoundSource);
    if (side.Kind != nkColumn || !source || !source->CursorOpen() || side.FieldNumber == 0 ||
        side.FieldNumber > source->Cursor->GetFieldCount())
        return {};
    const TFieldDescriptor& field = FieldDescOf(query, *source->Cursor, side.FieldNumber, true);
    bool integer =
        IsIntegerType(field.DataType()) || field.DataType() == dtDate || field.DataType() == dtTime;
    if (!integer || field.DataType() != side.DataType || field.Computed() || field.IsAutoIncrement())
        return {};
    return {source, field.Offset(), field.DataType()};
}

bool TJoinAccess::HashKeyOf(bool owner, std::string& key) {
    key.clear();
    for (size_t i = 0; i < keys_.size(); ++i) {
        const TDirectField& direct = (owner ? ownerFields_ : targetFields_)[i];
        if (direct.Source && keys_[i].Form == kfInteger) {
            // The value as ReadExpValue gives it, without evaluating the column.
            const TSourceTable& source = *direct.Source;
            const uint8_t* at = source.RecordBuffer.data() + direct.Offset;
            if (source.Eof || at[0] == 0) return false;
            int64_t value = direct.DataType == dtSmallInt   ? LoadNative<int16_t>(at + 1)
                            : direct.DataType == dtWord     ? LoadNative<uint16_t>(at + 1)
                            : direct.DataType == dtLargeInt ? LoadNative<int64_t>(at + 1)
                                                            : LoadNative<int32_t>(at + 1);
            key.append(reinterpret_cast<const char*>(&value), sizeof value);
            continue;
        }
        TExpValue value = (owner ? ownerValues_[i] : targetValues_[i]).Evaluate(query_);
        if (!AppendKeyValue(value, keys_[i].Form, key)) return false;
    }
    return true;
}

bool TJoinAccess::Build() {
    TDataCursor& cursor = *target_.Cursor;
    if (target_.RecordBuffer.size() != cursor.GetRecordSize()) target_.AllocRecordBuffer();
    recordSize_ = uint16_t(target_.RecordBuffer.size());
    std::vector<uint8_t> images;
    std::string keys, key;
    std::vector<uint32_t> keyAt{0};
    std::vector<uint64_t> hashes;
    // Read in record order, which steps no index; the rows of one key then come in that order.
    uint8_t index = cursor.IndexNumber();
    cursor.SetIndexNumber(RecordOrderIndex);
    try {
        cursor.SetToBegin();
        for (;;) {
            ContinueSourceReads(query_);
            if (cursor.GetNextRecord(target_.RecordBuffer) != 0) break;
            target_.Eof = false;
            if (!HashKeyOf(false, key)) continue; // a NULL key equals nothing
            if (images.size() + keys.size() + HashJoinBytesFor(uint32_t(hashes.size() + 1), recordSize_) >
                HashJoinBytes) {
                cursor.SetIndexNumber(index);
                return false;
            }
            images.insert(images.end(), target_.RecordBuffer.begin(), target_.RecordBuffer.end());
            keys += key;
            keyAt.push_back(uint32_t(keys.size()));
            hashes.push_back(HashKeyBytes(key));
        }
    } catch (...) {
        cursor.SetIndexNumber(index);
        throw;
    }
    cursor.SetIndexNumber(index);
    size_t buckets = std::bit_ceil(std::max<size_t>(hashes.size(), 1));
    mask_ = buckets - 1;
    bucketAt_.assign(buckets + 1, 0);
    for (size_t row = 0; row < hashes.size(); ++row)
        bucketAt_[(hashes[row] & mask_) + 1] += sizeof(uint32_t) + keyAt[row + 1] - keyAt[row] + recordSize_;
    for (size_t b = 0; b < buckets; ++b) bucketAt_[b + 1] += bucketAt_[b];
    rows_.resize(bucketAt_.back());
    std::vector<uint32_t> fill(bucketAt_.begin(), bucketAt_.end() - 1);
    for (size_t row = 0; row < hashes.size(); ++row) {
        uint8_t* at = rows_.data() + fill[hashes[row] & mask_];
        uint32_t length = keyAt[row + 1] - keyAt[row];
        std::memcpy(at, &length, sizeof length);
        std::memcpy(at + sizeof length, keys.data() + keyAt[row], length);
        std::memcpy(at + sizeof length + length, images.data() + row * recordSize_, recordSize_);
        fill[hashes[row] & mask_] += sizeof length + length + recordSize_;
    }
    for (size_t b = 0; b < buckets; ++b)
        assert(fill[b] == bucketAt_[b + 1] && "each bucket filled to its end");
    built_ = true;
    return true;
}

bool TJoinAccess::Start() {
    none_ = false;
    if (way_ == TWay::Hash) {
        if (!built_ && !Build()) return false;
        none_ = !HashKeyOf(true, probe_);
        uint64_t bucket = none_ ? 0 : HashKeyBytes(probe_) & mask_;
        first_ = next_ = bucketAt_[bucket];
        end_ = bucketAt_[bucket + 1];
        return true;
    }
    TDataCursor& cursor = *target_.Cursor;
    cursor.InitEmptyRecord(keyImage_);
    decided_ = true;
    for (size_t i = 0; i < keys_.size() && !none_; ++i) {
        TExpValue value = ownerValues_[i].Evaluate(query_);
        if (value.IsNull) {
            none_ = true;
            break;
        }
        if (decides_[i] && value.Int == 0) decided_ = false;
        TExpToken token;
        WriteExpValue(token, value);
        try {
            PutResultValue(cursor, keyImage_,
                           FieldDescOf(query_, cursor, keys_[i].TargetSide->FieldNumber, true), token);
        } catch (const EVORSAMEngineError&) {
            none_ = true; // no value of the column's type equals it
        }
    }
    if (!none_) {
        cursor.BuildKey(keyImage_, key_.data());
        auto fields = uint16_t(keys_.size());
        cursor.SetRange(key_.data(), fields, key_.data(), fields);
    }
    return true;
}

void TJoinAccess::Restart() {
    if (way_ == TWay::Hash)
        next_ = first_;
    else if (!none_)
        target_.Cursor->SetToBegin();
}

bool TJoinAccess::Matches() {
    target_.Eof = false;
    if (way_ == TWay::Index && !decided_) {
        if (!whole_.Compiled()) whole_.Compile(query_, *join_.Condition); // at the first such row
        return whole_.Holds(query_);
    }
    return !rest_.Compiled() || rest_.Holds(query_);
}

bool TJoinAccess::Next() {
    if (none_) return false;
    if (way_ == TWay::Index) {
        while (target_.Cursor->GetNextRecord(target_.RecordBuffer) == 0)
            if (Matches()) return true;
        return false;
    }
    while (next_ < end_) {
        const uint8_t* at = rows_.data() + next_;
        uint32_t length;
        std::memcpy(&length, at, sizeof length);
        next_ += sizeof length + length + recordSize_;
        if (length != probe_.size() || std::memcmp(at + sizeof length, probe_.data(), length) != 0) continue;
        std::memcpy(target_.RecordBuffer.data(), at + sizeof length + length, recordSize_);
        if (Matches()) return true;
    }
    return false;
}

} // namespace vorsam
