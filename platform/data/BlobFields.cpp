#include "platform/data/BlobFields.h"

#include "platform/data/DataSet.h"
#include "platform/data/Stream.h"

namespace platform::data {

int TBlobField::BlobSize() const {
    const auto stream = CheckedDataSet().CreateBlobStream(const_cast<TBlobField&>(*this), bmRead);
    return static_cast<int>(stream->Size());
}

bool TBlobField::IsNull() const {
    return fModified ? BlobSize() == 0 : TField::IsNull();
}

TBytes TBlobField::AsBytes() const {
    TBytes bytes;
    const int size = CheckedDataSet().GetBlobFieldData(FieldNo(), bytes);
    bytes.resize(static_cast<std::size_t>(size));
    return bytes;
}

std::string TBlobField::AsString() const {
    const TBytes bytes = AsBytes();
    return std::string(bytes.begin(), bytes.end());
}

void TBlobField::Write(const void* data, std::int64_t count) {
    const auto stream = CheckedDataSet().CreateBlobStream(*this, bmWrite);
    stream->WriteBuffer(data, count);
}

void TBlobField::SetAsString(std::string_view value) {
    Write(value.data(), static_cast<std::int64_t>(value.size()));
}

void TBlobField::SetAsBytes(const TBytes& value) {
    Write(value.data(), static_cast<std::int64_t>(value.size()));
}

void TBlobField::LoadFromStream(TStream& stream) {
    const auto blob = CheckedDataSet().CreateBlobStream(*this, bmWrite);
    blob->CopyFrom(stream, 0);
}

void TBlobField::SaveToStream(TStream& stream) const {
    const auto blob = CheckedDataSet().CreateBlobStream(const_cast<TBlobField&>(*this), bmRead);
    stream.CopyFrom(*blob, 0);
}

void TBlobField::FreeBuffers() {
    if (!fModified) return;
    CheckedDataSet().CloseBlob(*this);
    fModified = false;
}

void TBlobField::GetText(std::string& text, bool displayText) const {
    if (!displayText) {
        text = AsString();
        return;
    }
    const bool empty = IsNull();
    switch (DataType()) {
    case ftMemo:
        text = empty ? "(Memo)" : "(MEMO)";
        break;
    case ftGraphic:
        text = empty ? "(Graphic)" : "(GRAPHIC)";
        break;
    default:
        text = empty ? "(Blob)" : "(BLOB)";
        break;
    }
}

Variant TBlobField::GetAsVariant() const {
    if (IsNull()) return {};
    if (DataType() == ftMemo || DataType() == ftFmtMemo) return AsString();
    return AsBytes();
}

void TBlobField::SetVarValue(const Variant& value) {
    if (value.VarType() == varBytes)
        SetAsBytes(value.ToBytes());
    else
        SetAsString(value.ToString());
}

} // namespace platform::data
