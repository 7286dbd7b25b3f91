// Index keys: building an index's key from a record image, and comparing two keys in the index's order.
//
// A key is, for each key field in order, the field's null-indicator byte followed by its value encoded
// by EncodeFieldKey (FieldKeys.h), GetFieldKeySize bytes; a non-unique index appends the record's +5
// value as an integer key (EncodeIntegerKey), so that every key of an index is distinct. A null field
// (indicator 0) encodes a zero value, so all nulls of a field make one key whatever bytes the record
// holds; an auto-increment field is never null and takes its value from the record's +5; a computed
// field has no room in the record and keys as null. The "Sys Deleted" key is the record's status byte
// followed by its +5 value as an integer key.
//
// Order of keys:
//   "Sys Deleted"   bytewise
//   "Sys Text"      bytes 0..2 bytewise, bytes 3..63 as text under the table's locale, 64..67 bytewise
//   language 0      bytewise: a descending field's key bytes are already complemented by the encoder,
//                   so the bytes sort in the index's order as they stand
//   other languages field by field: a string's null-indicator byte bytewise, then its text under the
//                   locale (case-sensitive); other fields key size + 1 bytes bytewise; each field's
//                   result reversed when the index or the field is descending; bytes after the last
//                   field (the record suffix) bytewise, reversed when the index is descending.
// A comparison may cover fewer bytes than the key length (a partial key), field by field while bytes
// are left.
#pragma once

#include "db/engine/IndexDefinition.h"

#include <bit>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

namespace vorsam {

class TFieldDescriptor;

// -1, 0 or 1 comparing n unsigned bytes: memcmp's order, inline for the short keys of index pages.
inline int CompareKeyBytes(const uint8_t* a, const uint8_t* b, size_t n) {
    for (; n >= 8; a += 8, b += 8, n -= 8) {
        uint64_t x, y;
        std::memcpy(&x, a, 8);
        std::memcpy(&y, b, 8);
        if (x == y) continue;
        if constexpr (std::endian::native == std::endian::little) {
            x = __builtin_bswap64(x);
            y = __builtin_bswap64(y);
        }
        return x < y ? -1 : 1;
    }
    for (; n > 0; ++a, ++b, --n)
        if (*a != *b) return *a < *b ? -1 : 1;
    return 0;
}

// What keys need to know of the table: its field descriptors (field n at n - 1) and its collation.
struct TTableKeyInfo {
    std::span<const TFieldDescriptor> Fields;
    uint16_t LanguageId = 0;
    uint16_t SortId = 0;
};

class TKeyComparator {
public:
    // Plain bytewise order.
    TKeyComparator() = default;
    // The order of the index in `slot` described by `descriptor`.
    TKeyComparator(const TIndexDescriptor& descriptor, uint8_t slot, const TTableKeyInfo& table);

    // Negative, 0 or positive as `entryKey` sorts before, with or after `key`, over `length` bytes.
    int Compare(const uint8_t* entryKey, const uint8_t* key, size_t length) const {
        if (kind_ == TKind::Bytewise) return CompareKeyBytes(entryKey, key, length);
        return CompareSlow(entryKey, key, length);
    }
    // The order is CompareKeyBytes'.
    bool ComparesBytes() const { return kind_ == TKind::Bytewise; }

private:
    enum class TKind : uint8_t { Bytewise, SysText, Fields };
    struct TSegment {
        uint16_t Size;   // null-indicator byte + key size
        bool Text;       // compared under the locale
        bool Descending; // index or field descending
    };

    int CompareSlow(const uint8_t* a, const uint8_t* b, size_t length) const;
    int CompareSysText(const uint8_t* a, const uint8_t* b, size_t length) const;
    int CompareFields(const uint8_t* a, const uint8_t* b, size_t length) const;

    TKind kind_ = TKind::Bytewise;
    bool descending_ = false;
    uint16_t languageId_ = 0;
    uint16_t sortId_ = 0;
    std::vector<TSegment> segments_;
};

// Builds the key of the index in `slot` (a user index, or "Sys Deleted") for a record image into
// `destination`, which must hold descriptor.KeyLength() bytes.
void BuildIndexKey(const TIndexDescriptor& descriptor, uint8_t slot, const TTableKeyInfo& table,
                   const uint8_t* recordImage, uint8_t* destination);

} // namespace vorsam
