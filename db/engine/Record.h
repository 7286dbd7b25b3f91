// TRecord: one record slot of a data file as the record cache (ItemCache.h) holds it (plain,
// deciphered), and TRecordStack, the pool of idle TRecord objects. A record and its image are one
// allocation (the image follows the object) of the owner's memory, made by Make for the owner's record
// size; an object made for another record size (the table was restructured) is not reused.
//
// Record slot (record size bytes; slot n at the data file's record area + (n - 1) x record size):
//   +0  u8   status: 0 active, 1 deleted
//   +1  u32  active: its own record number; deleted: the next deleted record of the free chain, 0 at its end
//   +5  u32  the record's auto-increment value (the value of the table's auto-increment field, if any);
//            kept when the record is deleted
//   +9       field values, each a null-indicator byte and the value at the field's offset; kept when the
//            record is deleted
// Free chain: the header's free-chain head names the most recently deleted record, each deleted record
// the one deleted before it. In an encrypted table each slot is enciphered as a whole on disk.
#pragma once

#include "db/engine/ItemCache.h"

#include <cstdint>
#include <memory>
#include <new>
#include <span>

namespace vorsam {

class TDataFile;

inline constexpr uint16_t RecordPrefixSize = 9;
inline constexpr uint16_t NextFreeOffset = 1;
inline constexpr uint16_t AutoIncValueOffset = 5;
inline constexpr uint8_t RecordActive = 0;
inline constexpr uint8_t RecordDeleted = 1;

class TRecord : public TCachedItem {
public:
    using TOwner = TDataFile;
    static constexpr size_t PoolCapacity = 64;

    // A new record sized for the owner, in memory the owner gives (TDataFile::RecordMemory).
    static std::unique_ptr<TRecord> Make(TDataFile& owner);
    // The memory goes back to the owner.
    static void operator delete(TRecord* record, std::destroying_delete_t);
    // The image has the owner's record size.
    bool Fits() const;

    TDataFile& Owner() const { return owner_; }
    uint32_t RecordNumber() const { return Number(); }
    uint16_t RecordSize() const { return recordSize_; }
    std::span<uint8_t> Image() { return {Bytes(), recordSize_}; }
    std::span<const uint8_t> Image() const { return {Bytes(), recordSize_}; }
    uint8_t Status() const { return Bytes()[0]; }
    uint32_t AutoIncValue() const;

    // Zeroes the image (which must fit the owner's record size); with
    // `newAutoInc`, a new auto-increment value from the owner goes to +5. +1 := the record number;
    // clears the modified flag.
    void Clear(bool newAutoInc = false);
    // Copies a slot image in (deciphering it when the table is encrypted); +1 := the record number when
    // the record is active; clears the modified and unwritten flags.
    void LoadFrom(const uint8_t* slot);
    // The image LoadFrom makes of slot `number`'s bytes, into `image` (record size bytes; the slot's own
    // bytes may be the image).
    static void DecodeSlot(const TDataFile& owner, uint32_t number, const uint8_t* slot, uint8_t* image);
    // Copies the image out (enciphering it when the table is encrypted); clears the modified and
    // unwritten flags.
    void StoreTo(uint8_t* slot);
    void SetStatus(uint8_t status);
    // The free-chain link of a deleted record; 0 for an active one.
    uint32_t GetNextFree() const;
    void SetNextFree(uint32_t next);
    // Renumbers the object; an active record's +1 follows.
    void SetRecordNumber(uint32_t number);
    void SetNumber(uint32_t number) { SetRecordNumber(number); }

private:
    TRecord(TDataFile& owner, uint16_t size);
    uint8_t* Bytes() { return reinterpret_cast<uint8_t*>(this + 1); }
    const uint8_t* Bytes() const { return reinterpret_cast<const uint8_t*>(this + 1); }

    uint16_t recordSize_ = 0; // the image's bytes after the object; first: it fills the item's padding
    TDataFile& owner_;
};

// -1, 0 or 1 as the record's number is below, equal to or above the number.
inline int CompareRecordNumber(const TRecord& record, int32_t number) {
    return CompareItemNumber(record, number);
}

using TRecordStack = TItemStack<TRecord>;

} // namespace vorsam
