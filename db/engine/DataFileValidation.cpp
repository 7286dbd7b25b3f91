#include "db/engine/DataFileValidation.h"

#include "db/engine/Record.h"
#include "db/lib/Collation.h"
#include "db/lib/DataTypes.h"
#include "db/lib/EngineErrorCodes.h"
#include "db/lib/TextUtils.h"
#include "db/lib/Values.h"

#include <set>

namespace vorsam {

namespace {

bool IsKnownType(uint8_t type) {
    return (type >= dtString && type <= dtVarBytes) || type == dtLargeInt;
}

bool HasDeclaredSize(uint8_t type) {
    return type == dtString || type == dtBytes || type == dtVarBytes;
}

bool TakesRoom(const TFieldDescriptor& field) {
    return !field.IsAutoIncrement() && !field.Computed();
}

TLayoutBreach Corrupt(std::string reason) {
    return {VORSAM_HEADERCORRUPT, std::move(reason)};
}

std::string FieldText(size_t n, const char* what) {
    return "field " + std::to_string(n) + ": " + what;
}

// Rule 3 for one descriptor, but for the name's uniqueness; `offset` is the running offset.
std::string DescriptorBreach(TFieldDescriptor& field, size_t n, uint32_t offset) {
    GetFieldPhysicalSize(field);
    GetFieldPhysicalDecimals(field);
    uint8_t type = field.DataType();
    if (field.FieldNumber() != n) return FieldText(n, "field number differs from its position");
    if (field.Bytes[2] > TFieldDescriptor::MaxNameLength) return FieldText(n, "name too long");
    std::string fullName = field.Name();
    std::string_view name = TrimBlanks(fullName);
    if (name.empty() || !IsIdentStartChar(name[0])) return FieldText(n, "blank or invalid name");
    if (type == dtUnknown || !IsKnownType(type)) return FieldText(n, "unknown data type");
    if (HasDeclaredSize(type) ? field.DeclaredSize() > MaxDeclaredSize : field.DeclaredSize() != 0)
        return FieldText(n, "invalid declared size");
    for (size_t at : {94, 145, 196})
        if (field.Bytes[at] > TFieldDescriptor::MaxTextLength) return FieldText(n, "value text too long");
    if (!IsValidConstant(field.MinValue(), type) || !IsValidConstant(field.MaxValue(), type) ||
        !IsValidConstant(field.DefaultValue(), type))
        return FieldText(n, "minimum, maximum or default is no constant of the type");
    if (field.Decimals() != 0 && type != dtBcd) return FieldText(n, "decimals on a type without them");
    if (field.IsAutoIncrement() ? field.Offset() != AutoIncValueOffset
                                : TakesRoom(field) && field.Offset() != offset)
        return FieldText(n, "wrong offset");
    return {};
}

TLayoutBreach CheckDescriptors(std::vector<TFieldDescriptor>& descriptors, uint32_t& recordSize) {
    std::set<std::string> names;
    recordSize = RecordPrefixSize;
    for (size_t n = 1; n <= descriptors.size(); ++n) {
        TFieldDescriptor& field = descriptors[n - 1];
        if (std::string breach = DescriptorBreach(field, n, recordSize); !breach.empty())
            return Corrupt(std::move(breach));
        if (!names.insert(LocaleUpperCase(0, 0, TrimBlanks(field.Name()))).second)
            return Corrupt(FieldText(
                n, ("the name '" + std::string(TrimBlanks(field.Name())) + "' is another field's").c_str()));
        if (TakesRoom(field)) recordSize += field.PhysicalSize() + 1u;
    }
    return {};
}

TLayoutBreach CheckRecordArea(const TDataFileHeader& header, uint64_t fileSize, bool slotsMayBeUnwritten) {
    uint64_t areaOffset = header.RecordAreaOffset();
    if (fileSize < areaOffset) return Corrupt("file shorter than its field descriptors");
    uint64_t data = fileSize - areaOffset;
    if (data % header.RecordSize() != 0) return Corrupt("record area is not whole records");
    uint64_t slots = data / header.RecordSize();
    uint64_t next = header.NextRecordNumber();
    if (slotsMayBeUnwritten ? next < slots + 1 : next != slots + 1)
        return Corrupt("next record number " + std::to_string(next) + " with " + std::to_string(slots) +
                       " record slots");
    if (header.FreeChainHead() >= (slotsMayBeUnwritten ? next : slots + 1))
        return Corrupt("free-chain head " + std::to_string(header.FreeChainHead()) + " out of range");
    return {};
}

} // namespace

uint32_t RecordSizeOf(std::span<const TFieldDescriptor> descriptors) {
    uint32_t size = RecordPrefixSize;
    for (const TFieldDescriptor& field : descriptors)
        if (TakesRoom(field)) size += field.PhysicalSize() + 1u;
    return size;
}

TLayoutBreach CheckDataFileLayout(const TDataFileHeader& header, std::vector<TFieldDescriptor>& descriptors,
                                  uint64_t fileSize, bool slotsMayBeUnwritten) {
    if (header.Format() != DataFileFormat)
        return {VORSAM_OLDVERSION, "format " + std::to_string(header.Format())};
    if (header.LanguageId() != 0 && !IsValidLocaleId(MakeLocaleId(header.LanguageId(), header.SortId())))
        return {VORSAM_CANNOTLOADLDDRV, "collation " + std::to_string(header.LanguageId())};
    uint32_t recordSize = 0;
    if (TLayoutBreach breach = CheckDescriptors(descriptors, recordSize)) return breach;
    if (header.RecordSize() != recordSize)
        return Corrupt("record size " + std::to_string(header.RecordSize()) + ", fields give " +
                       std::to_string(recordSize));
    return CheckRecordArea(header, fileSize, slotsMayBeUnwritten);
}

} // namespace vorsam
