#include "db/engine/FilterKeyRange.h"

#include "db/engine/DataCursor.h"
#include "db/lib/DataTypes.h"
#include "db/lib/EngineErrors.h"
#include "db/lib/ExpressionEvaluator.h"

#include <algorithm>

namespace vorsam {

namespace {

enum class TBoundKind : uint8_t { Equal, Prefix, Lower, Upper };

// A conjunct as a range can use it: the constant in the field's native form.
struct TFieldBound {
    uint16_t Field = 0;
    TBoundKind Kind = TBoundKind::Equal;
    uint16_t PrefixLength = 0;
    std::vector<uint8_t> Value; // what GetField gives for the field
};

bool KindOf(const TColumnComparison& c, TBoundKind& kind) {
    switch (c.Operator) {
    case opEqual:
        kind = c.IsPrefix ? TBoundKind::Prefix : TBoundKind::Equal;
        return true;
    case opGreater:
    case opGreaterEqual:
        kind = TBoundKind::Lower;
        return !c.IsPrefix;
    case opLess:
    case opLessEqual:
        kind = TBoundKind::Upper;
        return !c.IsPrefix;
    default:
        return false;
    }
}

bool OrderedLikeValues(const TFieldDescriptor& field) {
    if (field.Computed() || field.DataType() == dtBlob) return false;
    switch (TypeClassOf(field.DataType(), field.SubType())) {
    case tcNumeric:
    case tcString:
    case tcBoolean:
    case tcDateTime:
    case tcTime:
        return true;
    default:
        return false;
    }
}

class TRangePlanner {
public:
    TRangePlanner(const TDataCursor& cursor, uint32_t flags)
        : cursor_(cursor), table_(cursor.Table()), caseInsensitive_((flags & efCaseInsensitive) != 0),
          languageZero_(table_.DataFile().GetLanguageId() == 0) {}

    void Add(const TColumnComparison& comparison);
    std::optional<TFilterKeyRange> ForIndex(uint8_t slot) const;

private:
    bool NativeValue(const TFieldDescriptor& field, const TExpToken& constant,
                     std::vector<uint8_t>& value) const;
    const TFieldBound* Find(uint16_t field, TBoundKind kind, const TIndexDescriptor& index) const;
    std::vector<uint8_t> Image() const;
    void Put(std::vector<uint8_t>& image, uint16_t field, const TFieldBound* bound) const;
    std::vector<uint8_t> KeyOf(const TIndexDescriptor& index, uint8_t slot,
                               const std::vector<uint8_t>& image) const;
    uint16_t SegmentSize(uint16_t field) const;

    const TDataCursor& cursor_;
    TDataTable& table_;
    bool caseInsensitive_;
    bool languageZero_;
    std::vector<TFieldBound> bounds_;
};

void TRangePlanner::Add(const TColumnComparison& comparison) {
    TFieldBound bound;
    if (!KindOf(comparison, bound.Kind) || !comparison.Constant) return;
    const TFieldDescriptor* described = cursor_.LayoutFieldDesc(comparison.Column->FieldNumber);
    if (!described || !OrderedLikeValues(*described)) return;
    const TFieldDescriptor& field = *described;
    bound.Field = comparison.Column->FieldNumber;
    bound.PrefixLength = comparison.PrefixLength;
    if (bound.Kind == TBoundKind::Prefix && bound.PrefixLength > field.DeclaredSize()) return;
    if (NativeValue(field, *comparison.Constant, bound.Value)) bounds_.push_back(std::move(bound));
}

// The constant as the field holds it, when the field holds it unchanged.
bool TRangePlanner::NativeValue(const TFieldDescriptor& field, const TExpToken& constant,
                                std::vector<uint8_t>& value) const {
    TTypeClass fieldClass = TypeClassOf(field.DataType(), field.SubType());
    if (constant.Kind != nkConstant || constant.IsNull ||
        TypeClassOf(constant.DataType, constant.SubType) != fieldClass)
        return false;
    std::vector<uint8_t> native(size_t(field.PhysicalSize()) + 1, 0);
    if (fieldClass == tcString) {
        std::string_view text = constant.StringValue();
        if (text.size() > field.DeclaredSize()) return false;
        std::copy(text.begin(), text.end(), native.begin());
    } else {
        TExpTree copy = CopyExpTree(&constant);
        TExpToken type;
        SetExpType(type, {field.DataType(), field.SubType(), 0, field.Decimals()});
        try {
            TExpTree converted = EvaluateConstantAsType(*copy, {}, type);
            if (CompareExpValues(ReadExpValue(constant), ReadExpValue(*converted), {}) != 0) return false;
            std::copy_n(converted->Value.begin(), std::min(converted->Value.size(), native.size()),
                        native.begin());
        } catch (const EVORSAMEngineError&) {
            return false;
        }
    }
    // Trimming, character case and boolean values as the field stores them: the stored form must be the
    // constant's.
    std::vector<uint8_t> image = Image();
    cursor_.PutField(field.FieldNumber(), image, native.data());
    value.assign(field.PhysicalSize(), 0);
    bool isNull = true;
    cursor_.GetField(field.FieldNumber(), image, isNull, value.data());
    if (isNull) return false;
    if (fieldClass == tcString)
        return std::string_view(reinterpret_cast<const char*>(value.data())) == constant.StringValue();
    return std::equal(value.begin(), value.end(), native.begin());
}

// The first bound of the kind on the field that the index can use.
const TFieldBound* TRangePlanner::Find(uint16_t field, TBoundKind kind, const TIndexDescriptor& index) const {
    const TFieldDescriptor* descriptor = cursor_.LayoutFieldDesc(field);
    bool text = descriptor && TypeClassOf(descriptor->DataType(), descriptor->SubType()) == tcString;
    if (text && caseInsensitive_ && !index.CaseInsensitive()) return nullptr;
    bool supersetOnly = text && !caseInsensitive_ && index.CaseInsensitive();
    if (supersetOnly && (kind == TBoundKind::Lower || kind == TBoundKind::Upper)) return nullptr;
    if (kind == TBoundKind::Prefix && !languageZero_) return nullptr;
    for (const TFieldBound& bound : bounds_)
        if (bound.Field == field && bound.Kind == kind) return &bound;
    return nullptr;
}

std::vector<uint8_t> TRangePlanner::Image() const {
    std::vector<uint8_t> image(cursor_.GetRecordSize());
    cursor_.InitEmptyRecord(image);
    return image;
}

void TRangePlanner::Put(std::vector<uint8_t>& image, uint16_t field, const TFieldBound* bound) const {
    cursor_.PutField(field, image, bound ? bound->Value.data() : nullptr);
}

std::vector<uint8_t> TRangePlanner::KeyOf(const TIndexDescriptor& index, uint8_t slot,
                                          const std::vector<uint8_t>& image) const {
    std::vector<uint8_t> key(index.KeyLength());
    BuildIndexKey(index, slot, table_.KeyInfo(), image.data(), key.data());
    return key;
}

uint16_t TRangePlanner::SegmentSize(uint16_t field) const {
    const TFieldDescriptor* descriptor = cursor_.LayoutFieldDesc(field);
    return uint16_t((descriptor ? GetFieldKeySize(*descriptor) : GetFieldKeySize(TFieldDescriptor())) + 1);
}

std::optional<TFilterKeyRange> TRangePlanner::ForIndex(uint8_t slot) const {
    const TIndexDescriptor& index = table_.IndexFile().GetIndexDesc(slot);
    size_t fields = std::min<size_t>(index.FieldCount(), MaxIndexFields);
    TFilterKeyRange range;
    range.Index = slot;
    std::vector<uint8_t> image = Image();
    uint16_t fixed = 0; // key bytes of the fields fixed by equality
    size_t i = 0;
    for (; i < fields; ++i) {
        const TFieldBound* equal = Find(index.FieldNumber(i), TBoundKind::Equal, index);
        if (!equal) break;
        Put(image, equal->Field, equal);
        fixed = uint16_t(fixed + SegmentSize(equal->Field));
        ++range.EqualFields;
    }
    auto fix = [&](std::vector<uint8_t>& key, uint16_t& length, const TFieldBound* bound, uint16_t bytes) {
        if (!bound && fixed == 0) return; // unbounded on this side
        Put(image, index.FieldNumber(i), bound);
        key = KeyOf(index, slot, image);
        length = bound ? bytes : fixed;
    };
    if (i < fields) {
        uint16_t field = index.FieldNumber(i), segment = SegmentSize(field);
        const TFieldBound* prefix = Find(field, TBoundKind::Prefix, index);
        const TFieldBound* lower = Find(field, TBoundKind::Lower, index);
        const TFieldBound* upper = Find(field, TBoundKind::Upper, index);
        if (prefix) {
            auto bytes = uint16_t(fixed + 1 + prefix->PrefixLength);
            fix(range.Start, range.StartLength, prefix, bytes);
            range.End = range.Start;
            range.EndLength = range.StartLength;
            range.BoundedSides = 2;
            return range;
        }
        if (lower || upper) {
            // A null sorts before every value of an ascending field.
            TKeyComparator order(index, slot, table_.KeyInfo());
            Put(image, field, nullptr);
            std::vector<uint8_t> nullKey = KeyOf(index, slot, image);
            Put(image, field, lower ? lower : upper);
            int direction = order.Compare(nullKey.data(), KeyOf(index, slot, image).data(), fixed + segment);
            if (direction > 0) std::swap(lower, upper);
            if (direction != 0) {
                auto bytes = uint16_t(fixed + segment);
                fix(range.Start, range.StartLength, lower, bytes);
                fix(range.End, range.EndLength, upper, bytes);
                range.BoundedSides = uint8_t((lower ? 1 : 0) + (upper ? 1 : 0));
                return range;
            }
        }
    }
    if (range.EqualFields == 0) return std::nullopt;
    range.Start = range.End = KeyOf(index, slot, image);
    range.StartLength = range.EndLength = fixed;
    return range;
}

} // namespace

bool PreferKeyRange(const TFilterKeyRange& range, const std::optional<TFilterKeyRange>& best,
                    int activeSlot) {
    if (!best) return true;
    if (range.EqualFields != best->EqualFields) return range.EqualFields > best->EqualFields;
    if (range.BoundedSides != best->BoundedSides) return range.BoundedSides > best->BoundedSides;
    return int(range.Index) == activeSlot && int(best->Index) != activeSlot;
}

std::optional<TFilterKeyRange> PlanFilterKeyRange(const TDataCursor& cursor, const TExpToken& condition,
                                                  uint32_t flags) {
    TRangePlanner planner(cursor, flags);
    for (const TColumnComparison& comparison : CollectConjunctComparisons(condition)) planner.Add(comparison);
    TIndexFile& indexes = cursor.Table().IndexFile();
    int activeSlot = cursor.GetKeyLength() > 0 ? cursor.IndexNumber() : -1;
    std::optional<TFilterKeyRange> best;
    for (unsigned slot = indexes.GetRecordOrder() ? 1 : 0; slot <= indexes.GetIndexCount(); ++slot) {
        if (indexes.IsTextIndex(uint8_t(slot))) continue;
        std::optional<TFilterKeyRange> range = planner.ForIndex(uint8_t(slot));
        if (range && PreferKeyRange(*range, best, activeSlot)) best = std::move(range);
    }
    return best;
}

} // namespace vorsam
