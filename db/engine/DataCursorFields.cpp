// TDataCursor: record images and their fields: defaults, reading and writing values, character case,
// and the constraints a record must meet to be written.
#include "db/engine/DataCursor.h"

#include "db/lib/ByteUtils.h"
#include "db/lib/Collation.h"
#include "db/lib/DataTypes.h"
#include "db/lib/FieldKeys.h"
#include "db/lib/NumberUtils.h"
#include "db/lib/Values.h"

#include <algorithm>
#include <cstring>

namespace vorsam {

namespace {

enum TCharCase : uint8_t { ccAsEntered = 0, ccUpper = 1, ccLower = 2 };

// A computed field has room only behind the record, in a layout of the cursor's own.
bool HasRoom(const TFieldDescriptor& field) {
    return !field.IsAutoIncrement() && (!field.Computed() || field.Offset() != 0);
}

TValueKind KindOf(const TFieldDescriptor& field) {
    return {field.DataType(), field.DeclaredSize(), field.Decimals()};
}

} // namespace

bool TDataCursor::HasAutoIncField() const {
    return std::any_of(TableFields().begin(), TableFields().end(),
                       [](const TFieldDescriptor& field) { return field.IsAutoIncrement(); });
}

void TDataCursor::InitEmptyRecord(std::span<uint8_t> image) const {
    CheckImage(image);
    std::fill_n(image.begin(), recordSize_, uint8_t(0));
}

void TDataCursor::InitRecordBuffer(std::span<uint8_t> image) const {
    InitEmptyRecord(image);
    std::vector<uint8_t> value;
    for (const TFieldDescriptor& field : TableFields()) {
        if (!field.HasDefaultValue()) continue;
        std::string text = field.DefaultValue();
        if (text.empty() || !HasRoom(field) || field.DataType() == dtBlob) continue;
        value.assign(std::max<size_t>(ValueBufferSize(KindOf(field)), field.PhysicalSize()), 0);
        if (!TextToValue(text, KindOf(field), value.data())) continue; // checked when the table was made
        PutValue(field, image, value.data());
    }
}

uint16_t TDataCursor::GetField(uint16_t number, std::span<const uint8_t> image, bool& isNull,
                               uint8_t* destination) const {
    return GetValue(FieldOf(number), image, isNull, destination);
}

uint16_t TDataCursor::GetTableField(uint16_t number, std::span<const uint8_t> image, bool& isNull,
                                    uint8_t* destination) const {
    if (number == 0 || number > TableFields().size())
        Raise(VORSAM_INVALIDPARAM, "field " + std::to_string(number));
    return GetValue(TableFields()[number - 1], image, isNull, destination);
}

uint16_t TDataCursor::GetValue(const TFieldDescriptor& field, std::span<const uint8_t> image, bool& isNull,
                               uint8_t* destination) const {
    CheckImage(image);
    if (field.IsAutoIncrement()) {
        isNull = false;
        if (destination) std::memcpy(destination, &image[AutoIncValueOffset], 4);
        return 0;
    }
    isNull = !HasRoom(field) || image[field.Offset()] == 0;
    if (destination) {
        if (!HasRoom(field))
            std::memset(destination, 0, field.PhysicalSize());
        else
            std::memcpy(destination, &image[field.Offset() + 1], field.PhysicalSize());
    }
    return 0;
}

void TDataCursor::ApplyCharCase(const TFieldDescriptor& field, uint8_t* value) const {
    if (field.DataType() != dtString || field.CharCase() == ccAsEntered) return;
    TDataFile& file = table_->DataFile();
    auto* text = reinterpret_cast<char*>(value);
    if (field.CharCase() == ccUpper)
        LocaleUpperCase(file.GetLanguageId(), file.GetSortId(), text, field.PhysicalSize());
    else if (field.CharCase() == ccLower)
        LocaleLowerCase(file.GetLanguageId(), file.GetSortId(), text, field.PhysicalSize());
}

void TDataCursor::PutField(uint16_t number, std::span<uint8_t> image, const uint8_t* value) const {
    PutValue(FieldOf(number), image, value);
}

void TDataCursor::PutValue(const TFieldDescriptor& field, std::span<uint8_t> image,
                           const uint8_t* value) const {
    CheckImage(image);
    if (field.IsAutoIncrement()) {
        uint32_t counter = 0;
        if (value) std::memcpy(&counter, value, 4);
        std::memcpy(&image[AutoIncValueOffset], &counter, 4);
        return;
    }
    if (!HasRoom(field)) return;
    uint8_t* at = &image[field.Offset()];
    uint8_t size = field.PhysicalSize();
    std::memset(at, 0, size + 1u);
    if (!value) return;
    at[0] = 1;
    switch (field.DataType()) {
    case dtString: {
        size_t length = strnlen(reinterpret_cast<const char*>(value), field.DeclaredSize());
        while (length > 0 && value[length - 1] == ' ') --length;
        std::memcpy(at + 1, value, length);
        ApplyCharCase(field, at + 1);
        break;
    }
    case dtBoolean:
        StoreNative<int16_t>(at + 1, NormalizeBoolean(LoadNative<int16_t>(value)));
        break;
    default:
        std::memcpy(at + 1, value, size);
        break;
    }
}

// ---- what a record must meet to be written ----

// Compares two values of the field: strings under the table's collation, other types by their keys.
int TDataCursor::CompareValues(const TFieldDescriptor& field, const uint8_t* a, const uint8_t* b) const {
    TDataFile& file = table_->DataFile();
    if (field.DataType() == dtString)
        return LocaleCompareStrings(file.GetLanguageId(), file.GetSortId(), reinterpret_cast<const char*>(a),
                                    reinterpret_cast<const char*>(b), field.PhysicalSize());
    size_t n = GetFieldKeySize(field) + 1u;
    std::vector<uint8_t> x(n, 1), y(n, 1);
    EncodeFieldKey(field, a, x.data(), false, false, 0, 0);
    EncodeFieldKey(field, b, y.data(), false, false, 0, 0);
    return CompareKeyBytes(x.data(), y.data(), n);
}

void TDataCursor::CheckConstraints(std::span<const uint8_t> image) const {
    std::vector<uint8_t> limit;
    for (const TFieldDescriptor& field : TableFields()) {
        if (!HasRoom(field)) continue;
        const uint8_t* at = &image[field.Offset()];
        if (at[0] == 0) {
            if (field.Required()) Raise(VORSAM_REQDERR, {}, field.Name());
            continue;
        }
        if (field.DataType() == dtBlob || (!field.HasMinValue() && !field.HasMaxValue())) continue;
        for (bool minimum : {true, false}) {
            std::string text = minimum ? field.MinValue() : field.MaxValue();
            if (text.empty()) continue;
            limit.assign(std::max<size_t>(ValueBufferSize(KindOf(field)), field.PhysicalSize()), 0);
            if (!TextToValue(text, KindOf(field), limit.data())) continue;
            int r = CompareValues(field, at + 1, limit.data());
            if (minimum ? r < 0 : r > 0)
                Raise(minimum ? VORSAM_MINVALERR : VORSAM_MAXVALERR, text, field.Name());
        }
    }
}

// Character case applied to every string (whatever wrote it), then the constraints checked.
void TDataCursor::PrepareImage(std::span<uint8_t> image) const {
    CheckImage(image);
    for (const TFieldDescriptor& field : TableFields())
        if (HasRoom(field) && field.DataType() == dtString && image[field.Offset()] != 0)
            ApplyCharCase(field, &image[field.Offset() + 1]);
    CheckConstraints(image);
}

} // namespace vorsam
