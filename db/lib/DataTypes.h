// The engine's data type codes and subtypes, and the native form of each type's value in a record,
// a key source or an expression value.
//
// Native forms (little-endian, as the record stores them):
//   1 string      declared size + 1 bytes of Windows-1252 text, zero-terminated
//   2 date        int32 day number, 0001-01-01 = 1 (9999-12-31 = 3,652,059)
//   3 BLOB        8 bytes: u32 first block, u32 sequence (a reference into the blob file)
//   4 boolean     int16, 0 or 1
//   5 smallint    int16          6 integer   int32 (subtype 29: auto-increment)
//   7 float       IEEE double (subtype 21: money)
//   8 BCD         34 bytes: precision (digits, 1..64); sign in bit 7 and scale (0..63) in bits 0-5;
//                 32 bytes of digit nibbles, most significant digit first, high nibble first, the last
//                 `scale` of the `precision` digits being decimals, unused nibbles zero (see Bcd.h)
//   9 bytes       declared size bytes    15 varbytes  declared size bytes
//  10 time        int32 milliseconds since midnight, 0 .. 86,399,999
//  11 timestamp   double milliseconds since 0001-01-01 00:00
//  12 word        uint16         18 largeint  int64
//  13, 14         4 and 10 bytes carried as they are
#pragma once

#include <cstdint>

namespace vorsam {

enum TEngineDataType : uint8_t {
    dtUnknown = 0,
    dtString = 1,
    dtDate = 2,
    dtBlob = 3,
    dtBoolean = 4,
    dtSmallInt = 5,
    dtInteger = 6,
    dtFloat = 7,
    dtBcd = 8,
    dtBytes = 9,
    dtTime = 10,
    dtTimeStamp = 11,
    dtWord = 12,
    dtValue4 = 13,
    dtValue10 = 14,
    dtVarBytes = 15,
    dtLargeInt = 18,
};

enum TEngineSubType : uint8_t {
    stNone = 0,
    stMoney = 21,
    stMemo = 22,
    stBinary = 23,
    stFmtMemo = 24,
    stGraphic = 26,
    stTypedBinary = 28,
    stAutoInc = 29,
    stFixedChar = 31,
    stWideString = 32,
};

inline constexpr uint8_t MaxDeclaredSize = 250; // strings, bytes and varbytes
inline constexpr uint8_t BcdValueSize = 34;

// Bytes a value of the type takes in a record (without the null-indicator byte).
constexpr uint16_t PhysicalSizeOf(uint8_t dataType, uint16_t declaredSize) {
    switch (dataType) {
    case dtString:
        return uint16_t(declaredSize + 1);
    case dtDate:
    case dtInteger:
    case dtTime:
    case dtValue4:
        return 4;
    case dtBlob:
    case dtFloat:
    case dtTimeStamp:
    case dtLargeInt:
        return 8;
    case dtBoolean:
    case dtSmallInt:
    case dtWord:
        return 2;
    case dtBcd:
        return BcdValueSize;
    case dtValue10:
        return 10;
    default:
        return declaredSize;
    }
}

// What tells that two values of one type are equal (for groups and joins).
enum TValueEquality : uint8_t {
    veBytes, // their bytes: integers, dates, times, booleans, bytes; strings under the bytewise
             // collation (language 0)
    veKeys,  // their index keys (FieldKeys.h), equal exactly when the values are, though the values' own
             // bytes may differ (+0 and -0): floats, BCD, timestamps
    veNone,  // neither: strings under a language's collation, BLOBs, the 4- and 10-byte values
};

// The member of an expression value (TExpValue, ExpressionValues.h) that holds a value of the type.
enum TValueHolder : uint8_t {
    vhNone, // none: the 4- and 10-byte values
    vhInt,  // integers, dates (day), times (ms), booleans, BCD (as currency)
    vhReal, // floats, timestamps
    vhText, // strings, bytes, varbytes, BLOBs
};

// Which values of other types a value equals exactly when their held values are equal (a float's
// against an integer's read as a double).
enum TValueKin : uint8_t {
    vkOwn,    // only values of its own type
    vkNumber, // smallint, integer, word, largeint and float (not BCD, held as currency)
    vkBytes,  // bytes and varbytes
};

struct TValueTraits {
    TValueEquality Equality;
    TValueHolder Holder;
    TValueKin Kin;
};

// The one table of how values of each type compare for equality; a string's equality follows the
// collation.
constexpr TValueTraits ValueTraitsOf(uint8_t dataType, bool bytewiseCollation) {
    switch (dataType) {
    case dtSmallInt:
    case dtInteger:
    case dtWord:
    case dtLargeInt:
        return {veBytes, vhInt, vkNumber};
    case dtFloat:
        return {veKeys, vhReal, vkNumber};
    case dtDate:
    case dtTime:
    case dtBoolean:
        return {veBytes, vhInt, vkOwn};
    case dtBcd:
        return {veKeys, vhInt, vkOwn};
    case dtTimeStamp:
        return {veKeys, vhReal, vkOwn};
    case dtBytes:
    case dtVarBytes:
        return {veBytes, vhText, vkBytes};
    case dtString:
        return {bytewiseCollation ? veBytes : veNone, vhText, vkOwn};
    case dtBlob:
        return {veNone, vhText, vkOwn};
    default:
        return {veNone, vhNone, vkOwn};
    }
}

constexpr TValueEquality ValueEqualityOf(uint8_t dataType, bool bytewiseCollation) {
    return ValueTraitsOf(dataType, bytewiseCollation).Equality;
}

} // namespace vorsam
