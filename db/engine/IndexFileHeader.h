// The 4096-byte header at the start of an index file (".IDX"); page n of the file lies at n x 4096.
//
// Layout (integers little-endian; the whole header enciphered with the table-data seed pair in an
// encrypted table):
//   +0     u32        change counter, incremented by every header write
//   +4     4 bytes    reserved, 0
//   +8     u8         file format: 5
//   +9     u32        next page number: one more than the number of pages in the file (1 when none)
//   +13    u8         number of secondary indexes (0 .. 30; more is corrupt)
//   +14    33 x 120   index descriptors (IndexDefinition.h), slot 0 first
//   +3974  u32        number of active records in the table
//   +3978  u8         record-order flag: 1 when the table has no primary key and its primary order is
//                     the record number
//   +3979  u8         header-changed flag as it stood when written; ignored on reading
//   +3980  116 bytes  reserved, 0
//
// Text indexes keep their pages in a temporary file of the process that made them and exist only while
// it has the table open, so the header image never holds them: it lists the other secondary indexes in
// their order without gaps, then the descriptors kept in the slots after the last index (a removed
// index's descriptor, whose free-page list a later index inherits), then zeros. Reading back a header
// this process wrote puts its text indexes back in their slots.
#pragma once

#include "db/engine/IndexDefinition.h"

#include <array>
#include <cstdint>

namespace vorsam {

inline constexpr size_t IndexHeaderSize = 4096;
inline constexpr uint8_t IndexFileFormat = 5;

struct TIndexFileHeader {
    uint32_t ChangeCounter = 0;
    uint8_t Format = IndexFileFormat;
    uint32_t NextPage = 1;
    uint8_t SecondaryCount = 0;
    std::array<TIndexDescriptor, IndexSlotCount> Slots;
    uint32_t ActiveRecords = 0;
    bool RecordOrder = false;
    bool Changed = false; // the in-memory copy differs from the file

    // A header of a new file: format 5, next page 1, the two system descriptors, no records.
    static TIndexFileHeader NewFile();

    // Writes the image (text indexes left out, see above), enciphered when `encrypted`.
    void Pack(uint8_t* image, bool encrypted) const { Pack(image, encrypted, ChangeCounter); }
    // The same with another change counter.
    void Pack(uint8_t* image, bool encrypted, uint32_t changeCounter) const;
    // Reads an image; the secondary count is taken as stored (the caller checks it).
    void Unpack(const uint8_t* image, bool encrypted);
    // This header without its text indexes: the other slots in order without gaps, then empty slots.
    TIndexFileHeader WithoutTextIndexes() const;
    // Puts the text indexes of `current` (this process's copy) back into a header just read.
    void RestoreTextIndexes(const TIndexFileHeader& current);

    bool IsTextSlot(uint8_t slot) const {
        return slot >= 1 && slot <= MaxSecondaryIndexes && Slots[slot].TextIndex();
    }
};

} // namespace vorsam
