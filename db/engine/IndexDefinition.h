// Index definitions: the 120-byte index descriptor as the index file's header stores it, the
// definition a caller hands in to create an index, and the rules both must obey.
//
// Descriptor layout (integers little-endian):
//   +0   string(31)  name: length byte + at most 30 characters (empty for the primary index)
//   +31  u16         key length in bytes: the sum over the key fields of key size + 1 (the field's
//                    null-indicator byte), plus 4 for the record suffix of a non-unique index
//   +33  u8          descending flag (the whole index)
//   +34  u8          case-insensitive flag
//   +35  u8          unique flag (1 for the primary index)
//   +36  u8          key compression of the leaves: 0 none, 1 leading bytes, 2 trailing zero bytes, 3 both
//   +37  u8          number of key fields (at most 16)
//   +38  16 x u8     per-field descending flags (all 1 when the index is descending)
//   +54  16 x u16    field numbers of the key fields, unused ones 0
//   +86  u32         root page (0 = empty index)
//   +90  u32         head of the index's free-page list (0 = empty)
//   +94  u8          0            +95 u8 0
//   +96  u32         page number kept for the cursor layer; 0 in a new index
//   +100 u8          no-counts flag: internal pages carry no subtree counts
//   +101 u8          text-index flag: the index's pages live in the table's temporary text-index file
//   +102 18 bytes    reserved, 0
//
// Slots of the header: 0 the primary index, 1 .. 30 the secondary indexes, 31 "Sys Deleted" (key: the
// record's status byte and its +5 value as an integer key, 5 bytes, no compression), 32 "Sys Text" (68-
// byte keys, compression 3, no counts).
#pragma once

#include "db/lib/ByteUtils.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vorsam {

class TFieldDescriptor;

inline constexpr uint8_t PrimaryIndexSlot = 0;
inline constexpr uint8_t MaxSecondaryIndexes = 30;
inline constexpr uint8_t SysDeletedSlot = 31;
inline constexpr uint8_t SysTextSlot = 32;
inline constexpr uint8_t IndexSlotCount = 33;
// The index number by which cursors name the record order (no index).
inline constexpr uint8_t RecordOrderIndex = 255;
inline constexpr uint8_t MaxIndexFields = 16;
// Longest key the fields of an index may make: the sum of key size + 1 over its fields.
inline constexpr uint16_t MaxKeyFieldBytes = 522;
// The record suffix of a non-unique index's keys: the record's +5 value as an integer key.
inline constexpr uint16_t RecordSuffixLength = 4;
inline constexpr uint16_t SysDeletedKeyLength = 5;
inline constexpr uint16_t SysTextKeyLength = 68;
inline constexpr std::string_view SysDeletedName = "Sys Deleted";
inline constexpr std::string_view SysTextName = "Sys Text";

enum class TKeyCompression : uint8_t { None = 0, Leading = 1, TrailingZeros = 2, Both = 3 };

class TIndexDescriptor {
public:
    static constexpr size_t Size = 120;
    static constexpr size_t MaxNameLength = 30;

    TIndexDescriptor() { Bytes.fill(0); }

    std::string Name() const;
    void SetName(std::string_view name);
    uint16_t KeyLength() const { return LoadLE16(&Bytes[31]); }
    void SetKeyLength(uint16_t v) { StoreLE16(&Bytes[31], v); }
    bool Descending() const { return Bytes[33] != 0; }
    void SetDescending(bool v) { Bytes[33] = v; }
    bool CaseInsensitive() const { return Bytes[34] != 0; }
    void SetCaseInsensitive(bool v) { Bytes[34] = v; }
    bool Unique() const { return Bytes[35] != 0; }
    void SetUnique(bool v) { Bytes[35] = v; }
    // The stored byte, which a corrupt file may hold above 3 (validation refuses that).
    uint8_t CompressionByte() const { return Bytes[36]; }
    TKeyCompression Compression() const { return TKeyCompression(Bytes[36] & 3); }
    void SetCompression(TKeyCompression v) { Bytes[36] = uint8_t(v); }
    uint8_t FieldCount() const { return Bytes[37]; }
    void SetFieldCount(uint8_t v) { Bytes[37] = v; }
    bool FieldDescending(size_t i) const { return Bytes[38 + i] != 0; }
    void SetFieldDescending(size_t i, bool v) { Bytes[38 + i] = v; }
    uint16_t FieldNumber(size_t i) const { return LoadLE16(&Bytes[54 + 2 * i]); }
    void SetFieldNumber(size_t i, uint16_t v) { StoreLE16(&Bytes[54 + 2 * i], v); }
    uint32_t Root() const { return LoadLE32(&Bytes[86]); }
    void SetRoot(uint32_t v) { StoreLE32(&Bytes[86], v); }
    uint32_t FreeHead() const { return LoadLE32(&Bytes[90]); }
    void SetFreeHead(uint32_t v) { StoreLE32(&Bytes[90], v); }
    uint32_t KeptPage() const { return LoadLE32(&Bytes[96]); }
    void SetKeptPage(uint32_t v) { StoreLE32(&Bytes[96], v); }
    bool NoCounts() const { return Bytes[100] != 0; }
    void SetNoCounts(bool v) { Bytes[100] = v; }
    bool TextIndex() const { return Bytes[101] != 0; }
    void SetTextIndex(bool v) { Bytes[101] = v; }

    // True when the slot holds no index (no key fields and no key length).
    bool IsEmpty() const { return KeyLength() == 0; }

    std::array<uint8_t, Size> Bytes;
};

// What a caller asks for when it defines an index.
struct TIndexDefinition {
    std::string Name;                  // empty for the primary index
    std::vector<uint16_t> Fields;      // field numbers (1-based), in key order
    std::vector<bool> FieldDescending; // per key field; missing entries read as false
    bool Descending = false;
    bool CaseInsensitive = false;
    bool Unique = false; // forced for the primary index
    bool NoCounts = false;
    bool TextIndex = false;
    TKeyCompression Compression = TKeyCompression::None;
};

// The key length of an index over the fields: the sum of key size + 1 over them, plus the record
// suffix when not unique. Field numbers must exist (see CheckIndexFields).
uint16_t IndexKeyLength(std::span<const uint16_t> fieldNumbers, std::span<const TFieldDescriptor> fields,
                        bool unique);

// Fills a descriptor from a definition (name, key length, flags, compression, fields); the root, free
// head and kept page are 0, reserved bytes zero.
TIndexDescriptor MakeIndexDescriptor(const TIndexDefinition& definition,
                                     std::span<const TFieldDescriptor> fields);

// The definition a descriptor holds: name, key fields, flags and compression (not its pages).
TIndexDefinition IndexDefinitionOf(const TIndexDescriptor& descriptor);

// The descriptors of the two system indexes as a new file holds them.
TIndexDescriptor SysDeletedDescriptor();
TIndexDescriptor SysTextDescriptor();

// Checks the key fields of a definition against the table's fields; returns 0 or the error code:
//   no fields or more than 16 VORSAM_INDEXLIMIT; a field number the table lacks, a BLOB field (a text
//   index: anything but strings and memo BLOBs) VORSAM_SEARCHCOLREQD; more than 522 key field bytes
//   VORSAM_INDEXLIMIT. `badField` receives the field number a VORSAM_SEARCHCOLREQD refers to.
uint16_t CheckIndexFields(std::span<const uint16_t> fieldNumbers, bool textIndex,
                          std::span<const TFieldDescriptor> fields, uint16_t& badField);

// Checks an index name: empty VORSAM_INDEXNAMEREQUIRED; longer than 30 characters or not starting with a
// letter, '_' or a character 128..254 VORSAM_INVALIDINDEXNAME; returns 0 when valid.
uint16_t CheckIndexName(std::string_view name);

// True when the names are equal ignoring case (Windows-1252 letters).
bool SameIndexName(std::string_view a, std::string_view b);

// Whether a stored descriptor of a user index (slot 0 .. 30) obeys the rules a header must: a valid
// name for a secondary index (empty for the primary), 1 to 16 fields set for the used positions and 0
// for the rest, fields the table has, at most 522 key field bytes, the key length those fields make, a
// compression of 0 .. 3, and for a text index string or memo fields only. A primary descriptor without
// fields is valid only in record order (`recordOrder`), and then must be empty.
bool IsValidStoredDescriptor(const TIndexDescriptor& descriptor, uint8_t slot, bool recordOrder,
                             std::span<const TFieldDescriptor> fields);

} // namespace vorsam
