// TVORSAMDataSet: the BLOB fields of the record of the present state, read whole or through a
// TVORSAMBlobStream.
#include "db/components/VORSAMBlobStream.h"
#include "db/components/VORSAMDataSet.h"

#include "db/lib/EngineErrorCodes.h"
#include "platform/data/BlobFields.h"

namespace vorsam {

using namespace platform::data;

// The array grows a quarter beyond the size, so that the same field of the following records seldom
// makes it grow again; the answer is the blob's size.
int TVORSAMDataSet::GetBlobFieldData(int fieldNo, TBytes& buffer) {
    const TStateRecord record = RecordForState();
    if (record.Image == nullptr || fieldNo < 1) return 0;
    const std::span<uint8_t> image(record.Image, layout_.RecordSize);
    const auto number = uint16_t(fieldNo);
    const TField* field = Fields().FieldByNumber(fieldNo);
    const std::string name = field != nullptr ? field->FieldName() : std::to_string(fieldNo);
    const TEngineLock lock(*this);
    TDataCursor& cursor = Cursor();
    uint32_t size = 0;
    if (const uint16_t code = cursor.OpenBlob(number, image, TBlobOpenMode::Read, &size); code != 0)
        cursor.RaiseReturnedError(code, name);
    if (size == 0) {
        cursor.FreeBlob(number, image);
        return 0;
    }
    if (buffer.size() < size) buffer.resize(GrownCapacity(size));
    uint32_t read = 0;
    const uint16_t code = cursor.GetBlob(number, image, 0, size, buffer.data(), read);
    cursor.FreeBlob(number, image);
    if (code != 0 && code != VORSAM_ENDOFBLOB) cursor.RaiseFieldError(code, name);
    return int(read);
}

std::unique_ptr<TStream> TVORSAMDataSet::CreateBlobStream(TField& field, TBlobStreamMode mode) {
    auto* blob = dynamic_cast<TBlobField*>(&field);
    if (blob == nullptr) return TDataSet::CreateBlobStream(field, mode);
    return std::make_unique<TVORSAMBlobStream>(*blob, mode);
}

void TVORSAMDataSet::CloseBlob(TField& field) {
    const TStateRecord record = RecordForState();
    if (record.Image == nullptr || field.FieldNo() < 1 || !cursor_) return;
    const TEngineLock lock(*this);
    Cursor().FreeBlob(uint16_t(field.FieldNo()), {record.Image, layout_.RecordSize});
}

} // namespace vorsam
