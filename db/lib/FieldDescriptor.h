// The 768-byte field descriptor of a table, as the data file stores it (field n at 127 + (n - 1) x 768),
// and the size rules that derive a field's physical size, decimals and key size from its type.
//
// Layout (integers little-endian; "string(n)" is a length byte followed by up to n - 1 characters):
//   +0   u16        field number (equals the descriptor's 1-based position)
//   +2   string(31) name, 1 to 30 characters
//   +33  string(51) description
//   +84  u8         data type (DataTypes.h)        +85  u8  subtype
//   +86  u8         declared size (<= 250 for string, bytes, varbytes; 0 otherwise)
//   +87  u8         declared decimals (BCD only)
//   +88  u8         physical size                  +89  u8  physical decimals
//   +90  u16        offset of the null-indicator byte in the record
//   +92  u8         required flag                  +93  u8  character case: 0 as entered, 1 upper, 2 lower
//   +94  string(51) minimum   +145 string(51) maximum   +196 string(51) default  (texts; empty = none)
//   +247 u8         computed flag (no room in the record)
//   +248 .. +767    carried unchanged; in sort copies +253 is the descending flag, in copies handed
//                   out by number or name the u16 at +357 holds the field's position, and in copies a
//                   cursor with field origins hands out (a query's result) +256 is a string(101): the
//                   column's origin, its source table's name, ".", the column's name
#pragma once

#include "db/lib/ByteUtils.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace vorsam {

class TFieldDescriptor {
public:
    static constexpr size_t Size = 768;
    static constexpr size_t MaxNameLength = 30;
    static constexpr size_t MaxTextLength = 50;

    TFieldDescriptor() { Bytes.fill(0); }

    uint16_t FieldNumber() const { return U16(0); }
    void SetFieldNumber(uint16_t v) { SetU16(0, v); }
    std::string Name() const { return Text(2, MaxNameLength); }
    void SetName(std::string_view v) { SetText(2, MaxNameLength, v); }
    std::string Description() const { return Text(33, MaxTextLength); }
    void SetDescription(std::string_view v) { SetText(33, MaxTextLength, v); }
    uint8_t DataType() const { return Bytes[84]; }
    void SetDataType(uint8_t v) { Bytes[84] = v; }
    uint8_t SubType() const { return Bytes[85]; }
    void SetSubType(uint8_t v) { Bytes[85] = v; }
    uint8_t DeclaredSize() const { return Bytes[86]; }
    void SetDeclaredSize(uint8_t v) { Bytes[86] = v; }
    uint8_t Decimals() const { return Bytes[87]; }
    void SetDecimals(uint8_t v) { Bytes[87] = v; }
    uint8_t PhysicalSize() const { return Bytes[88]; }
    void SetPhysicalSize(uint8_t v) { Bytes[88] = v; }
    uint8_t PhysicalDecimals() const { return Bytes[89]; }
    void SetPhysicalDecimals(uint8_t v) { Bytes[89] = v; }
    uint16_t Offset() const { return U16(90); }
    void SetOffset(uint16_t v) { SetU16(90, v); }
    bool Required() const { return Bytes[92] != 0; }
    void SetRequired(bool v) { Bytes[92] = v; }
    uint8_t CharCase() const { return Bytes[93]; }
    void SetCharCase(uint8_t v) { Bytes[93] = v; }
    std::string MinValue() const { return Text(94, MaxTextLength); }
    void SetMinValue(std::string_view v) { SetText(94, MaxTextLength, v); }
    std::string MaxValue() const { return Text(145, MaxTextLength); }
    void SetMaxValue(std::string_view v) { SetText(145, MaxTextLength, v); }
    std::string DefaultValue() const { return Text(196, MaxTextLength); }
    void SetDefaultValue(std::string_view v) { SetText(196, MaxTextLength, v); }
    // Whether the texts are set, without making them (their length bytes).
    bool HasMinValue() const { return Bytes[94] != 0; }
    bool HasMaxValue() const { return Bytes[145] != 0; }
    bool HasDefaultValue() const { return Bytes[196] != 0; }
    bool Computed() const { return Bytes[247] != 0; }
    void SetComputed(bool v) { Bytes[247] = v; }
    bool SortDescending() const { return Bytes[253] != 0; }
    void SetSortDescending(bool v) { Bytes[253] = v; }
    static constexpr size_t MaxOriginLength = 100;
    std::string Origin() const { return Text(256, MaxOriginLength); }
    void SetOrigin(std::string_view v) { SetText(256, MaxOriginLength, v); }
    uint16_t Position() const { return U16(357); }
    void SetPosition(uint16_t v) { SetU16(357, v); }

    bool IsAutoIncrement() const;

    std::array<uint8_t, Size> Bytes;

private:
    uint16_t U16(size_t at) const { return LoadLE16(&Bytes[at]); }
    void SetU16(size_t at, uint16_t v) { StoreLE16(&Bytes[at], v); }
    std::string Text(size_t at, size_t maxLength) const { return LoadShortString(&Bytes[at], maxLength); }
    void SetText(size_t at, size_t maxLength, std::string_view v) {
        StoreShortString(&Bytes[at], maxLength, v);
    }
};

// Sets the descriptor's physical size from its type and declared size (DataTypes.h PhysicalSizeOf).
void GetFieldPhysicalSize(TFieldDescriptor& field);
// Sets the descriptor's physical decimals to its declared decimals.
void GetFieldPhysicalDecimals(TFieldDescriptor& field);
// Key bytes of the field's value: 8 for BCD (its key is the 64-bit currency form), else its physical size.
// A field's segment in a key is this plus 1, for the null-indicator byte before the value.
uint8_t GetFieldKeySize(const TFieldDescriptor& field);

} // namespace vorsam
