#include "db/engine/RecordSortKeys.h"

#include "db/engine/Record.h"
#include "db/lib/ByteUtils.h"
#include "db/lib/Collation.h"
#include "db/lib/DataTypes.h"
#include "db/lib/FieldKeys.h"

#include <array>
#include <cstring>

namespace vorsam {

namespace {

constexpr uint8_t NullIndicator = 0;
constexpr uint8_t ValueIndicator = 1;
constexpr size_t MaxValueSize = 255;

// The value a null field keys as: zero bytes, or for BCD a zero of one digit (all-zero bytes are no BCD).
const uint8_t* NullValueOf(const TFieldDescriptor& field) {
    static const std::array<uint8_t, MaxValueSize> Zero{};
    static const std::array<uint8_t, MaxValueSize> ZeroBcd{1};
    return field.DataType() == dtBcd ? ZeroBcd.data() : Zero.data();
}

} // namespace

bool CheckSortField(const TFieldDescriptor& field, uint16_t recordSize) {
    if (field.Computed()) return false;
    if (field.PhysicalSize() != PhysicalSizeOf(field.DataType(), field.DeclaredSize())) return false;
    if (field.IsAutoIncrement()) return field.Offset() == AutoIncValueOffset;
    return field.Offset() >= RecordPrefixSize && field.Offset() + 1u + field.PhysicalSize() <= recordSize;
}

TSortKeys::TSortKeys(std::vector<TFieldDescriptor> fields, bool caseInsensitive, uint16_t languageId,
                     uint16_t sortId)
    : fields_(std::move(fields)), caseInsensitive_(caseInsensitive), languageId_(languageId),
      sortId_(sortId) {
    for (const TFieldDescriptor& field : fields_) {
        keySizes_.push_back(GetFieldKeySize(field));
        fieldsLength_ += keySizes_.back() + 1u;
    }
}

void TSortKeys::Build(std::span<const uint8_t> image, uint8_t* key) const {
    for (size_t i = 0; i < fields_.size(); ++i) {
        const TFieldDescriptor& field = fields_[i];
        // An auto-increment field is the record's +5 value, never null; any other field is its
        // null-indicator byte followed by the value.
        bool autoInc = field.IsAutoIncrement();
        key[0] = autoInc ? ValueIndicator : image[field.Offset()];
        const uint8_t* value = autoInc ? &image[AutoIncValueOffset] : &image[field.Offset() + 1];
        if (key[0] == NullIndicator) value = NullValueOf(field);
        EncodeFieldKey(field, value, key, caseInsensitive_, field.SortDescending(), languageId_, sortId_);
        key += keySizes_[i] + 1;
    }
    EncodeIntegerKey(int32_t(LoadLE32(&image[AutoIncValueOffset])), key);
}

int TSortKeys::CompareField(const TFieldDescriptor& field, const uint8_t* a, const uint8_t* b) const {
    size_t keySize = GetFieldKeySize(field);
    bool descending = field.SortDescending();
    if (field.DataType() != dtString) return CompareMemory(a, b, keySize + 1, descending);
    if (int byNull = CompareMemory(a, b, 1, descending)) return byNull;
    int byText = LocaleCompareStrings(languageId_, sortId_, reinterpret_cast<const char*>(a + 1),
                                      reinterpret_cast<const char*>(b + 1), keySize);
    return descending ? -byText : byText;
}

int TSortKeys::Compare(const uint8_t* a, const uint8_t* b, bool withTail) const {
    size_t length = withTail ? KeyLength() : fieldsLength_;
    // Under language 0 every segment is bytewise with descending fields complemented: one comparison.
    if (languageId_ == 0) return std::memcmp(a, b, length);
    size_t at = 0;
    for (size_t i = 0; i < fields_.size(); at += keySizes_[i] + 1u, ++i)
        if (int result = CompareField(fields_[i], a + at, b + at)) return result;
    return withTail ? std::memcmp(a + at, b + at, TailSize) : 0;
}

} // namespace vorsam
