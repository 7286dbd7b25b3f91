#include "db/lib/FieldKeys.h"

#include "db/lib/Bcd.h"
#include "db/lib/ByteUtils.h"
#include "db/lib/Collation.h"
#include "db/lib/DataTypes.h"
#include "db/lib/EngineErrors.h"
#include "db/lib/FieldDescriptor.h"

#include <cstring>

namespace vorsam {

namespace {

void EncodeSigned(int64_t value, size_t width, uint8_t* key) {
    uint64_t signBit = uint64_t(1) << (width * 8 - 1);
    StoreBE(key, uint64_t(value) ^ signBit, width);
}

void EncodeDouble(double value, uint8_t* key) {
    if (value == 0) value = 0; // -0 and +0 give one key
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    bits = (bits >> 63) ? ~bits : bits | (uint64_t(1) << 63);
    StoreBE(key, bits, 8);
}

void EncodeString(const TFieldDescriptor& field, const uint8_t* value, uint8_t* key, bool caseInsensitive,
                  uint16_t languageId, uint16_t sortId) {
    size_t keySize = GetFieldKeySize(field);
    size_t length = strnlen(reinterpret_cast<const char*>(value), keySize > 0 ? keySize - 1 : 0);
    std::memcpy(key, value, length);
    std::memset(key + length, 0, keySize - length);
    if (caseInsensitive) LocaleUpperCase(languageId, sortId, reinterpret_cast<char*>(key), length);
}

void EncodeBcdKey(const TFieldDescriptor& field, const uint8_t* value, uint8_t* key) {
    int64_t currency;
    if (!BcdToCurrencyValue(value, currency)) {
        TErrorContext context;
        context.Field = field.Name();
        context.ExtraText = "BCD value of the field '" + field.Name() + "' has no key";
        RaiseEngineError(VORSAM_OUTOFRANGE, context);
    }
    EncodeSigned(currency, 8, key);
}

void EncodeValue(const TFieldDescriptor& field, const uint8_t* value, uint8_t* key, bool caseInsensitive,
                 uint16_t languageId, uint16_t sortId) {
    switch (field.DataType()) {
    case dtString:
        EncodeString(field, value, key, caseInsensitive, languageId, sortId);
        break;
    case dtDate:
    case dtInteger:
    case dtTime:
        EncodeSigned(LoadNative<int32_t>(value), 4, key);
        break;
    case dtSmallInt:
        EncodeSigned(LoadNative<int16_t>(value), 2, key);
        break;
    case dtBoolean:
    case dtWord:
        StoreBE(key, LoadNative<uint16_t>(value), 2);
        break;
    case dtFloat:
    case dtTimeStamp:
        EncodeDouble(LoadNative<double>(value), key);
        break;
    case dtBcd:
        EncodeBcdKey(field, value, key);
        break;
    case dtLargeInt:
        EncodeSigned(LoadNative<int64_t>(value), 8, key);
        break;
    default:
        std::memcpy(key, value, field.PhysicalSize());
        break;
    }
}

} // namespace

void EncodeFieldKey(const TFieldDescriptor& field, const uint8_t* value, uint8_t* destination,
                    bool caseInsensitive, bool descending, uint16_t languageId, uint16_t sortId) {
    EncodeValue(field, value, destination + 1, caseInsensitive, languageId, sortId);
    if (languageId != 0 || !descending) return;
    size_t keySize = GetFieldKeySize(field);
    size_t complemented = field.DataType() == dtString ? keySize : keySize + 1;
    for (size_t i = 0; i < complemented; ++i) destination[i] = uint8_t(~destination[i]);
}

} // namespace vorsam
