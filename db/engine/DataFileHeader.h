// The data file (".DAT") of a table and its 127-byte table header.
//
// File layout (integers little-endian):
//   0                              127 bytes   table header (below; never enciphered)
//   127                            fc x 768    field descriptors, field 1 first (db/lib/FieldDescriptor.h)
//   127 + fc x 768 + (n-1) x rs    rs bytes    record slot n = 1, 2, ... (Record.h)
// (fc = field count, rs = record size.) In an encrypted table the descriptor area is enciphered as a whole
// and each record slot on its own, with the table-data seed pair (db/lib/Scramble.h).
//
// Table header:
//   +0   u32   change counter: one more at every header write, so other processes notice writes
//   +4   u32   blob block size as given at creation; 0 reads as 512
//   +8   u8    file format: 5
//   +9   u32   free-chain head: the most recently deleted record, 0 when none
//   +13  u32   next record number: one more than the record slots of the file (1 when empty)
//   +17  u32   last auto-increment value handed out (wraps from 2,147,483,647 to 1)
//   +21  u16   record size          +23  u16  field count (at most 1024)
//   +25  u16   blob fields (type 3), at most 128
//   +27  f64   time of the last header write: local days since 1899-12-30 (time of day as the
//              fraction) minus 693,594.0; written, never read
//   +35  51    description: length byte and up to 50 characters
//   +86  u8    encrypted flag
//   +87  16    password: length byte and up to 15 characters; empty unless encrypted
//              (the characters of description and password, not their length bytes, are scrambled
//              with the description seed pair in an encrypted table)
//   +103 u16   language id of the collation (0 bytewise)    +105 u16  sort id
//   +107 u16   user major version   +109 u16  user minor version
//   +111 u8    header-changed flag: ignored on reading (other writers store it as it stood, often 1);
//              written 0; in memory the header-changed flag
//   +112 u32   last blob sequence number handed out (wraps like the auto-increment value)
//   +116 i64   engine version that last wrote the header, in 1/10000: 32400
//   +124 u16   reserved: 0 in a new table, carried unchanged
//   +126 u8    reserved, never interpreted by other readers; this engine's write-in-progress mark: the
//              header is written with it 1 before the first record, index page or blob block of a
//              write and 0 after the last, so a 1 read back means a write that never ended (and the
//              files may disagree); 0 in a new table
#pragma once

#include "db/lib/ByteUtils.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace vorsam {

inline constexpr uint8_t DataFileFormat = 5;
inline constexpr uint16_t MaxFieldCount = 1024;
inline constexpr uint16_t MaxBlobFieldCount = 128;
inline constexpr uint32_t DefaultBlobBlockSize = 512;
inline constexpr int64_t EngineVersion = 32400;
inline constexpr uint32_t MaxCounterValue = 2147483647; // auto-increment values and blob sequences
inline constexpr size_t MaxDescriptionLength = 50;
inline constexpr size_t MaxPasswordLength = 15;

// The counter value after `last`: last + 1, or 1 after 2,147,483,647 (and after any larger, corrupt value).
constexpr uint32_t NextCounterValue(uint32_t last) {
    return last >= MaxCounterValue ? 1 : last + 1;
}

class TDataFileHeader {
public:
    static constexpr size_t Size = 127;

    TDataFileHeader() { Bytes.fill(0); }

    uint32_t ChangeCounter() const { return U32(0); }
    void SetChangeCounter(uint32_t v) { SetU32(0, v); }
    uint32_t BlobBlockSize() const { return U32(4); }
    void SetBlobBlockSize(uint32_t v) { SetU32(4, v); }
    uint8_t Format() const { return Bytes[8]; }
    void SetFormat(uint8_t v) { Bytes[8] = v; }
    uint32_t FreeChainHead() const { return U32(9); }
    void SetFreeChainHead(uint32_t v) { SetU32(9, v); }
    uint32_t NextRecordNumber() const { return U32(13); }
    void SetNextRecordNumber(uint32_t v) { SetU32(13, v); }
    uint32_t LastAutoIncValue() const { return U32(17); }
    void SetLastAutoIncValue(uint32_t v) { SetU32(17, v); }
    uint16_t RecordSize() const { return LoadLE16(&Bytes[21]); }
    void SetRecordSize(uint16_t v) { StoreLE16(&Bytes[21], v); }
    uint16_t FieldCount() const { return LoadLE16(&Bytes[23]); }
    void SetFieldCount(uint16_t v) { StoreLE16(&Bytes[23], v); }
    uint16_t BlobFieldCount() const { return LoadLE16(&Bytes[25]); }
    void SetBlobFieldCount(uint16_t v) { StoreLE16(&Bytes[25], v); }
    double LastWriteTime() const;
    void SetLastWriteTime(double v);
    bool Encrypted() const { return Bytes[86] != 0; }
    void SetEncrypted(bool v) { Bytes[86] = v; }
    uint16_t LanguageId() const { return LoadLE16(&Bytes[103]); }
    void SetLanguageId(uint16_t v) { StoreLE16(&Bytes[103], v); }
    uint16_t SortId() const { return LoadLE16(&Bytes[105]); }
    void SetSortId(uint16_t v) { StoreLE16(&Bytes[105], v); }
    uint16_t UserMajorVersion() const { return LoadLE16(&Bytes[107]); }
    void SetUserMajorVersion(uint16_t v) { StoreLE16(&Bytes[107], v); }
    uint16_t UserMinorVersion() const { return LoadLE16(&Bytes[109]); }
    void SetUserMinorVersion(uint16_t v) { StoreLE16(&Bytes[109], v); }
    bool HeaderChanged() const { return Bytes[111] != 0; }
    void SetHeaderChanged(bool v) { Bytes[111] = v; }
    bool WriteInProgress() const { return Bytes[126] != 0; }
    // The same for a header's bytes.
    static bool IsMarked(std::span<const uint8_t> bytes) { return bytes.size() == Size && bytes[126] != 0; }
    void SetWriteInProgress(bool v) { Bytes[126] = v; }
    uint32_t LastBlobSequence() const { return U32(112); }
    void SetLastBlobSequence(uint32_t v) { SetU32(112, v); }
    int64_t WriterVersion() const { return int64_t(LoadLE64(&Bytes[116])); }
    void SetWriterVersion(int64_t v) { StoreLE64(&Bytes[116], uint64_t(v)); }

    // Description and password as they are stored (scrambled characters in an encrypted table); the
    // data file scrambles and unscrambles them.
    std::string StoredDescription() const { return Text(35, MaxDescriptionLength); }
    void SetStoredDescription(std::string_view v) { SetText(35, MaxDescriptionLength, v); }
    std::string StoredPassword() const { return Text(87, MaxPasswordLength); }
    void SetStoredPassword(std::string_view v) { SetText(87, MaxPasswordLength, v); }

    // Byte offset of the records and of record slot n (n >= 1).
    uint64_t RecordAreaOffset() const { return Size + uint64_t(FieldCount()) * 768; }
    uint64_t SlotOffset(uint32_t n) const { return RecordAreaOffset() + uint64_t(n - 1) * RecordSize(); }

    std::array<uint8_t, Size> Bytes;

private:
    uint32_t U32(size_t at) const { return LoadLE32(&Bytes[at]); }
    void SetU32(size_t at, uint32_t v) { StoreLE32(&Bytes[at], v); }
    std::string Text(size_t at, size_t maxLength) const { return LoadShortString(&Bytes[at], maxLength); }
    void SetText(size_t at, size_t maxLength, std::string_view v) {
        StoreShortString(&Bytes[at], maxLength, v);
    }
};

// The local date and time now, in the form of the header's last-write time.
double HeaderTimeNow();

} // namespace vorsam
