#pragma once
// Blob fields (binary, memo, graphic and the other blob kinds): the value lives outside the record
// buffer and is read and written through the dataset's blob streams. Modified is set while the
// record being edited holds an unsaved change of the blob; FreeBuffers lets the dataset drop it.

#include "platform/data/Field.h"

namespace platform::data {

class TStream;

class TBlobField : public TField {
public:
    explicit TBlobField(std::string fieldName = {}, TFieldType dataType = ftBlob)
        : TField(dataType, std::move(fieldName), 0) {}

    bool IsBlob() const override { return true; }
    bool Modified() const { return fModified; }
    void SetModified(bool value) { fModified = value; }
    int BlobSize() const;

    bool IsNull() const override;
    std::string AsString() const override;
    void SetAsString(std::string_view value) override;
    TBytes AsBytes() const;
    void SetAsBytes(const TBytes& value);
    void LoadFromStream(TStream& stream);
    void SaveToStream(TStream& stream) const;
    void FreeBuffers() override;

protected:
    // Shows "(BLOB)", "(MEMO)", "(GRAPHIC)" with data and "(Blob)", "(Memo)", "(Graphic)" without;
    // edits the value itself.
    void GetText(std::string& text, bool displayText) const override;
    Variant GetAsVariant() const override;
    void SetVarValue(const Variant& value) override;

private:
    void Write(const void* data, std::int64_t count);
    bool fModified = false;
};

class TMemoField : public TBlobField {
public:
    explicit TMemoField(std::string fieldName = {}) : TBlobField(std::move(fieldName), ftMemo) {}
};

class TGraphicField : public TBlobField {
public:
    explicit TGraphicField(std::string fieldName = {}) : TBlobField(std::move(fieldName), ftGraphic) {}
};

} // namespace platform::data
