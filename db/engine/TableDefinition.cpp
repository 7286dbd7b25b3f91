#include "db/engine/TableDefinition.h"

#include "db/engine/BlobFile.h"
#include "db/engine/Record.h"
#include "db/lib/DataTypes.h"
#include "db/lib/EngineErrorCodes.h"

#include <algorithm>

namespace vorsam {

uint32_t LayOutFields(std::vector<TFieldDescriptor>& fields) {
    uint32_t offset = RecordPrefixSize;
    for (size_t i = 0; i < fields.size(); ++i) {
        TFieldDescriptor& field = fields[i];
        field.SetFieldNumber(uint16_t(i + 1));
        GetFieldPhysicalSize(field);
        GetFieldPhysicalDecimals(field);
        if (field.IsAutoIncrement()) {
            field.SetOffset(AutoIncValueOffset);
        } else if (field.Computed()) {
            field.SetOffset(0);
        } else {
            field.SetOffset(uint16_t(offset));
            offset += field.PhysicalSize() + 1u;
        }
    }
    return offset;
}

TLayoutBreach CheckTableDefinition(const TTableDefinition& definition,
                                   std::vector<TFieldDescriptor>& fields) {
    fields = definition.Fields;
    if (fields.empty()) return {VORSAM_INVALIDPARAM, "a table without fields"};
    if (fields.size() > MaxFieldCount) return {VORSAM_HEADERCORRUPT, "more than 1024 fields"};
    auto blobFields = size_t(std::count_if(fields.begin(), fields.end(),
                                           [](const TFieldDescriptor& f) { return f.DataType() == dtBlob; }));
    if (blobFields > MaxBlobFieldCount) return {VORSAM_BLOBLIMIT, "more than 128 BLOB fields"};
    uint32_t recordSize = LayOutFields(fields);
    if (recordSize > UINT16_MAX)
        return {VORSAM_RECTOOBIG, "record of " + std::to_string(recordSize) + " bytes"};
    uint32_t blockSize = definition.BlobBlockSize == 0 ? DefaultBlobBlockSize : definition.BlobBlockSize;
    if (blockSize < MinBlobBlockSize || blockSize > MaxBlobBlockSize)
        return {VORSAM_HEADERCORRUPT, "blob block size " + std::to_string(blockSize)};
    TDataFileHeader header;
    header.SetFormat(DataFileFormat);
    header.SetLanguageId(definition.LanguageId);
    header.SetSortId(definition.SortId);
    header.SetFieldCount(uint16_t(fields.size()));
    header.SetRecordSize(uint16_t(recordSize));
    header.SetNextRecordNumber(1);
    return CheckDataFileLayout(header, fields, header.RecordAreaOffset());
}

} // namespace vorsam
