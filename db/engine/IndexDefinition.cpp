#include "db/engine/IndexDefinition.h"

#include "db/lib/Collation.h"
#include "db/lib/DataTypes.h"
#include "db/lib/EngineErrorCodes.h"
#include "db/lib/FieldDescriptor.h"
#include "db/lib/TextUtils.h"

#include <algorithm>
#include <cstring>

namespace vorsam {

namespace {

const TFieldDescriptor* FieldOf(std::span<const TFieldDescriptor> fields, uint16_t number) {
    return number >= 1 && number <= fields.size() ? &fields[number - 1] : nullptr;
}

// The size a field's segment takes in a key: its key size plus the null-indicator byte.
uint16_t SegmentSize(const TFieldDescriptor& field) {
    return uint16_t(GetFieldKeySize(field) + 1);
}

bool IsTextIndexField(const TFieldDescriptor& field) {
    return field.DataType() == dtString || (field.DataType() == dtBlob && field.SubType() == stMemo);
}

bool FieldNumbersWellFormed(const TIndexDescriptor& d) {
    uint8_t n = d.FieldCount();
    if (n < 1 || n > MaxIndexFields) return false;
    for (size_t i = 0; i < MaxIndexFields; ++i)
        if ((d.FieldNumber(i) != 0) != (i < n)) return false;
    return true;
}

std::vector<uint16_t> FieldNumbersOf(const TIndexDescriptor& d) {
    std::vector<uint16_t> numbers;
    for (size_t i = 0; i < d.FieldCount() && i < MaxIndexFields; ++i) numbers.push_back(d.FieldNumber(i));
    return numbers;
}

} // namespace

std::string TIndexDescriptor::Name() const {
    return std::string(reinterpret_cast<const char*>(&Bytes[1]), std::min<size_t>(Bytes[0], MaxNameLength));
}

void TIndexDescriptor::SetName(std::string_view name) {
    size_t n = std::min(name.size(), MaxNameLength);
    std::memset(&Bytes[0], 0, MaxNameLength + 1);
    Bytes[0] = uint8_t(n);
    std::memcpy(&Bytes[1], name.data(), n);
}

uint16_t IndexKeyLength(std::span<const uint16_t> fieldNumbers, std::span<const TFieldDescriptor> fields,
                        bool unique) {
    uint32_t length = unique ? 0 : RecordSuffixLength;
    for (uint16_t number : fieldNumbers)
        if (const TFieldDescriptor* field = FieldOf(fields, number)) length += SegmentSize(*field);
    return uint16_t(std::min<uint32_t>(length, UINT16_MAX));
}

TIndexDescriptor MakeIndexDescriptor(const TIndexDefinition& definition,
                                     std::span<const TFieldDescriptor> fields) {
    TIndexDescriptor d;
    d.SetName(definition.Name);
    d.SetKeyLength(IndexKeyLength(definition.Fields, fields, definition.Unique));
    d.SetDescending(definition.Descending);
    d.SetCaseInsensitive(definition.CaseInsensitive);
    d.SetUnique(definition.Unique);
    d.SetCompression(definition.Compression);
    size_t n = std::min<size_t>(definition.Fields.size(), MaxIndexFields);
    d.SetFieldCount(uint8_t(n));
    for (size_t i = 0; i < n; ++i) {
        bool fieldDescending = i < definition.FieldDescending.size() && definition.FieldDescending[i];
        d.SetFieldDescending(i, definition.Descending || fieldDescending);
        d.SetFieldNumber(i, definition.Fields[i]);
    }
    d.SetNoCounts(definition.NoCounts);
    d.SetTextIndex(definition.TextIndex);
    return d;
}

TIndexDefinition IndexDefinitionOf(const TIndexDescriptor& descriptor) {
    TIndexDefinition definition;
    definition.Name = descriptor.Name();
    for (size_t i = 0; i < descriptor.FieldCount() && i < MaxIndexFields; ++i) {
        definition.Fields.push_back(descriptor.FieldNumber(i));
        definition.FieldDescending.push_back(descriptor.FieldDescending(i));
    }
    definition.Descending = descriptor.Descending();
    definition.CaseInsensitive = descriptor.CaseInsensitive();
    definition.Unique = descriptor.Unique();
    definition.NoCounts = descriptor.NoCounts();
    definition.TextIndex = descriptor.TextIndex();
    definition.Compression = descriptor.Compression();
    return definition;
}

namespace {

TIndexDescriptor SystemDescriptor(std::string_view name, uint16_t keyLength, TKeyCompression compression) {
    TIndexDescriptor d;
    d.SetName(name);
    d.SetKeyLength(keyLength);
    d.SetCompression(compression);
    return d;
}

} // namespace

TIndexDescriptor SysDeletedDescriptor() {
    return SystemDescriptor(SysDeletedName, SysDeletedKeyLength, TKeyCompression::None);
}

TIndexDescriptor SysTextDescriptor() {
    return SystemDescriptor(SysTextName, SysTextKeyLength, TKeyCompression::Both);
}

uint16_t CheckIndexFields(std::span<const uint16_t> fieldNumbers, bool textIndex,
                          std::span<const TFieldDescriptor> fields, uint16_t& badField) {
    if (fieldNumbers.empty() || fieldNumbers.size() > MaxIndexFields) return VORSAM_INDEXLIMIT;
    uint32_t bytes = 0;
    for (uint16_t number : fieldNumbers) {
        const TFieldDescriptor* field = FieldOf(fields, number);
        bool indexable = field && (textIndex ? IsTextIndexField(*field) : field->DataType() != dtBlob);
        if (!indexable) {
            badField = number;
            return VORSAM_SEARCHCOLREQD;
        }
        bytes += SegmentSize(*field);
    }
    return bytes > MaxKeyFieldBytes ? VORSAM_INDEXLIMIT : 0;
}

uint16_t CheckIndexName(std::string_view name) {
    if (name.empty()) return VORSAM_INDEXNAMEREQUIRED;
    if (name.size() > TIndexDescriptor::MaxNameLength || !IsIdentStartChar(name[0]))
        return VORSAM_INVALIDINDEXNAME;
    return 0;
}

bool SameIndexName(std::string_view a, std::string_view b) {
    return LocaleSameUpperCase(0, 0, a, b);
}

bool IsValidStoredDescriptor(const TIndexDescriptor& d, uint8_t slot, bool recordOrder,
                             std::span<const TFieldDescriptor> fields) {
    if (slot == PrimaryIndexSlot) {
        if (recordOrder) return d.IsEmpty() && d.FieldCount() == 0;
        if (!d.Name().empty() || !d.Unique()) return false;
    } else if (CheckIndexName(d.Name()) != 0) {
        return false;
    }
    if (!FieldNumbersWellFormed(d) || d.CompressionByte() > 3) return false;
    std::vector<uint16_t> numbers = FieldNumbersOf(d);
    uint16_t badField = 0;
    if (CheckIndexFields(numbers, d.TextIndex(), fields, badField) != 0) return false;
    return d.KeyLength() == IndexKeyLength(numbers, fields, d.Unique());
}

} // namespace vorsam
