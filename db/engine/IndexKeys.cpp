#include "db/engine/IndexKeys.h"

#include "db/lib/ByteUtils.h"
#include "db/lib/Collation.h"
#include "db/lib/DataTypes.h"
#include "db/lib/FieldDescriptor.h"
#include "db/lib/FieldKeys.h"

#include <algorithm>
#include <array>
#include <cassert>

namespace vorsam {

namespace {

constexpr size_t SysTextPrefix = 3;
constexpr size_t SysTextChars = 61;

int Bytewise(const uint8_t* a, const uint8_t* b, size_t length) {
    return CompareKeyBytes(a, b, length);
}

// Key fields are checked against the table when an index is defined and when its file is validated.
const TFieldDescriptor& FieldOf(const TTableKeyInfo& table, uint16_t number) {
    assert(number >= 1 && number <= table.Fields.size());
    return table.Fields[number - 1];
}

// The value a null field keys as: zero of its type (a BCD zero has one digit).
const uint8_t* NullValueOf(const TFieldDescriptor& field) {
    static constexpr std::array<uint8_t, 256> Zero{};
    static constexpr std::array<uint8_t, BcdValueSize> BcdZero{1};
    return field.DataType() == dtBcd ? BcdZero.data() : Zero.data();
}

} // namespace

TKeyComparator::TKeyComparator(const TIndexDescriptor& d, uint8_t slot, const TTableKeyInfo& table)
    : descending_(d.Descending()), languageId_(table.LanguageId), sortId_(table.SortId) {
    if (slot == SysTextSlot) {
        kind_ = TKind::SysText;
        return;
    }
    if (slot == SysDeletedSlot || table.LanguageId == 0) return;
    kind_ = TKind::Fields;
    for (size_t i = 0; i < d.FieldCount() && i < MaxIndexFields; ++i) {
        const TFieldDescriptor& field = FieldOf(table, d.FieldNumber(i));
        segments_.push_back({uint16_t(GetFieldKeySize(field) + 1), field.DataType() == dtString,
                             d.Descending() || d.FieldDescending(i)});
    }
}

int TKeyComparator::CompareSlow(const uint8_t* a, const uint8_t* b, size_t length) const {
    return kind_ == TKind::SysText ? CompareSysText(a, b, length) : CompareFields(a, b, length);
}

int TKeyComparator::CompareSysText(const uint8_t* a, const uint8_t* b, size_t length) const {
    size_t n = std::min(length, SysTextPrefix);
    if (int r = Bytewise(a, b, n)) return r;
    if (length <= SysTextPrefix) return 0;
    n = std::min(length - SysTextPrefix, SysTextChars);
    if (int r = LocaleCompareStrings(languageId_, sortId_, reinterpret_cast<const char*>(a + SysTextPrefix),
                                     reinterpret_cast<const char*>(b + SysTextPrefix), n))
        return r;
    size_t at = SysTextPrefix + SysTextChars;
    return length > at ? Bytewise(a + at, b + at, length - at) : 0;
}

int TKeyComparator::CompareFields(const uint8_t* a, const uint8_t* b, size_t length) const {
    size_t at = 0;
    for (const TSegment& segment : segments_) {
        if (at >= length) return 0;
        size_t n = std::min<size_t>(segment.Size, length - at);
        int r = Bytewise(a + at, b + at, segment.Text ? 1 : n);
        if (r == 0 && segment.Text && n > 1)
            r = LocaleCompareStrings(languageId_, sortId_, reinterpret_cast<const char*>(a + at + 1),
                                     reinterpret_cast<const char*>(b + at + 1), n - 1);
        if (r) return segment.Descending ? -r : r;
        at += n;
    }
    if (at >= length) return 0;
    int r = Bytewise(a + at, b + at, length - at);
    return descending_ ? -r : r;
}

void BuildIndexKey(const TIndexDescriptor& d, uint8_t slot, const TTableKeyInfo& table,
                   const uint8_t* recordImage, uint8_t* destination) {
    const uint8_t* plusFive = recordImage + 5;
    int32_t sequence = LoadNative<int32_t>(plusFive);
    if (slot == SysDeletedSlot) {
        destination[0] = recordImage[0];
        EncodeIntegerKey(sequence, destination + 1);
        return;
    }
    uint8_t* at = destination;
    for (size_t i = 0; i < d.FieldCount() && i < MaxIndexFields; ++i) {
        const TFieldDescriptor& field = FieldOf(table, d.FieldNumber(i));
        const uint8_t* value = NullValueOf(field);
        uint8_t present = 0;
        if (field.IsAutoIncrement()) {
            present = 1;
            value = plusFive;
        } else if (!field.Computed() && recordImage[field.Offset()] != 0) {
            present = recordImage[field.Offset()];
            value = recordImage + field.Offset() + 1;
        }
        at[0] = present;
        EncodeFieldKey(field, value, at, d.CaseInsensitive(), d.FieldDescending(i), table.LanguageId,
                       table.SortId);
        at += GetFieldKeySize(field) + 1;
    }
    if (!d.Unique()) EncodeIntegerKey(sequence, at);
}

} // namespace vorsam
