// TPage: one 4096-byte page of an index's B+-tree in memory, and TPageStack, the pool of idle pages.
//
// Page on disk (integers little-endian; the whole page enciphered with the table-data seed pair in an
// encrypted table):
//   +0   u8    page type: 0 internal root, 1 internal, 2 leaf, 3 leaf that is also the root, 4 raw data
//   +1   u16   number of entries (0 for a free page)
//   +3   u32   previous page on the same level (0 = none)
//   +7   u32   next page on the same level (0 = none); in a free page, the next free page of the index
//   +11  u16   bytes used by the entries of a compressed leaf (0 otherwise)
//   +13  4083  entries, packed from +13; the rest is zero. A raw data page holds 4083 bytes that only
//              the cursor layer interprets, and no entries: its count field is carried as it stands,
//              and in memory the page has none (a tree that reaches one finds an empty page).
//
// Entries (k = the index's key length; keys are distinct within an index: a non-unique index's keys end
// with the 4-byte record suffix):
//   internal page with counts       key (k), u32 child page, u32 number of records in the child's subtree
//   internal page without counts    key (k), u32 child page ("Sys Text", or the no-counts flag set)
//   leaf, compression 0             key (k), u32 record number
//   leaf, compression 1 (leading)   u8 c, key[c .. k), u32 record
//   leaf, compression 2 (trailing)  u8 t, key[0 .. k-s-t), key[k-s .. k), u32 record
//   leaf, compression 3 (both)      u8 c, u8 t, key[c .. k-s-t), key[k-s .. k), u32 record
// c: leading bytes shared with the previous entry's key (at most 254; 0 for the first entry); t: zero
// bytes dropped before the kept tail (at most 254), restored as zeros; s: the kept tail, the record
// suffix (4) of a non-unique index in mode 2, and in mode 3 when k - c > 4, else 0. When packing, t
// counts only zeros between c and the kept tail, so c + t + s never exceeds k: the stored middle is
// never negative, and the suffix is never trimmed. A stored entry whose counts would overrun its key is
// corrupt. Internal pages are never compressed.
//
// Capacity: the entries may use 4083 bytes. An uncompressed page holds 4083 div (k + 8) entries when
// internal with counts, 4083 div (k + 4) otherwise; a compressed leaf is full when its entries would
// take 4084 bytes or more.
//
// In memory the entries are unpacked into fixed slots of k + 10 bytes (key, u32 value, u32 count, u8 c,
// u8 t) so that searches and shifts are plain array operations; the packed size of a compressed leaf is
// kept up to date as entries come and go. Positions are 1-based.
#pragma once

#include "db/engine/IndexDefinition.h"
#include "db/engine/IndexErrors.h"
#include "db/engine/IndexKeys.h"
#include "db/lib/EngineErrors.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace vorsam {

class TRecordsBitmap;

inline constexpr size_t IndexPageSize = 4096;
inline constexpr size_t PageHeaderSize = 13;
inline constexpr size_t PageEntryBytes = IndexPageSize - PageHeaderSize; // 4083

enum TPageType : uint8_t {
    ptInternalRoot = 0,
    ptInternal = 1,
    ptLeaf = 2,
    ptLeafRoot = 3,
    ptRawData = 4,
};

// What a page takes from the index it belongs to.
struct TPageFormat {
    uint16_t KeyLength = 0;
    uint8_t Slot = 0;
    bool Unique = true;
    bool NoCounts = false; // internal pages carry no subtree counts
    TKeyCompression Compression = TKeyCompression::None;
    bool Encrypted = false;
};

// The page format of the index a descriptor describes in `slot` ("Sys Text" never keeps counts).
TPageFormat PageFormatOf(const TIndexDescriptor& descriptor, uint8_t slot, bool encrypted);

// A key to search for: the index's order and the key's bytes (fewer than the key length for a partial
// key).
struct TSearchKey {
    const TKeyComparator& Order;
    const uint8_t* Key;
    size_t Length;
};

// The position a search chose, and whether the entry there equals the key (as each search defines it).
struct TFindResult {
    uint32_t Position = 0;
    bool Found = false;
};

class TPage {
public:
    TPage() = default;
    TPage(const TPage&) = delete;
    TPage& operator=(const TPage&) = delete;

    // The index the page belongs to; clears the page.
    void SetFormat(const TPageFormat& format, const TIndexErrorSource* errors = nullptr);
    const TPageFormat& Format() const { return format_; }

    // Takes a page image (IndexPageSize bytes): type, count, links and used bytes from its header and,
    // unless `empty`, the entries. A malformed image raises VORSAM_INDEXCORRUPT.
    void LoadFrom(const uint8_t* image, bool empty);
    // Writes the page image: header (count 0 for a free page), packed entries, zeros after them. A
    // compressed leaf over 4083 bytes raises VORSAM_INDEXCORRUPT.
    void StoreTo(uint8_t* image) const;
    // Copies number, type, counts, links, flags, format and entries of another page.
    void Assign(const TPage& page);
    // An empty page of type 0, no links, not free, not modified.
    void Clear();

    uint32_t Number() const { return number_; }
    void SetNumber(uint32_t number) { number_ = number; }
    uint8_t PageType() const { return type_; }
    void SetPageType(uint8_t type);
    uint32_t PrevPage() const { return prev_; }
    void SetPrevPage(uint32_t page);
    uint32_t NextPage() const { return next_; }
    void SetNextPage(uint32_t page);

    bool IsLeaf() const { return type_ == ptLeaf || type_ == ptLeafRoot; }
    // Whether the type suits the page's level in a tree: a root type at level 1, else internal or leaf.
    bool TypeFitsLevel(unsigned level) const {
        return level == 1 ? IsRoot() : type_ == ptInternal || type_ == ptLeaf;
    }
    bool IsRoot() const { return type_ == ptInternalRoot || type_ == ptLeafRoot; }
    bool IsCompressedLeaf() const { return IsLeaf() && format_.Compression != TKeyCompression::None; }
    // Internal entries carry subtree counts.
    bool HasCounts() const { return !IsLeaf() && !format_.NoCounts; }

    uint16_t KeyCount() const { return count_; }
    // Resizes the entries to n, zeroing entries beyond the old count.
    void SetKeyCount(uint16_t n);
    // Packed bytes of a compressed leaf's entries (0 for other pages).
    uint16_t UsedBytes() const { return used_; }
    // Entries the page may hold uncompressed.
    uint16_t MaxEntries() const;
    bool IsOverfull() const;

    bool Modified() const { return modified_; }
    void SetModified(bool value) { modified_ = value; }
    bool IsFree() const { return free_; }
    void SetFree(bool value);

    uint16_t PinCount() const { return pins_; }
    void Pin() { ++pins_; }
    void Unpin() {
        if (pins_ > 0) --pins_;
    }
    void ResetPins() { pins_ = 0; }

    const uint8_t* KeyAt(uint32_t position) const { return EntryAt(position); }
    uint32_t GetValue(uint32_t position) const;
    void SetValue(uint32_t position, uint32_t value);
    // Subtree count of an entry: 1 on a leaf, 0 on an internal page without counts.
    uint32_t GetCount(uint32_t position) const;
    // Sets the count of an internal entry; nothing on other pages.
    void SetCount(uint32_t position, uint32_t count);
    // Sum of the entries' counts (the entry count on a leaf).
    uint32_t TotalCount() const;
    // Records in the entries before the position.
    uint32_t CountBefore(uint32_t position) const;
    // The leading and trailing counts an entry of a compressed leaf packs with.
    uint8_t LeadingCount(uint32_t position) const { return EntryAt(position)[format_.KeyLength + 8]; }
    uint8_t TrailingCount(uint32_t position) const { return EntryAt(position)[format_.KeyLength + 9]; }

    // Entry changes; a compressed leaf's counts and used bytes follow.
    void InsertAt(uint32_t position, const uint8_t* key, uint32_t value, uint32_t count);
    void RemoveAt(uint32_t position);
    void SetKey(uint32_t position, const uint8_t* key);
    // Moves the last n entries to the front of `right`, or the first n entries to the end of `left`.
    void MoveLastTo(TPage& right, uint32_t n);
    void MoveFirstTo(TPage& left, uint32_t n);
    // Recomputes every leading and trailing count and the used bytes of a compressed leaf.
    void ComputeCompression();

    // The 4083 data bytes of a raw data page.
    uint8_t* RawData() { return entries_.data(); }
    const uint8_t* RawData() const { return entries_.data(); }

    // In-page searches (binary unless said otherwise); an empty page raises VORSAM_INDEXCORRUPT. The
    // counting forms add the records before the chosen position to `records`.
    //   FindKey: the last entry not above the key (with distinct keys: the equal one), or 1 when every
    //            entry is above it; Found when it equals the key and the page is a leaf.
    TFindResult FindKey(const TSearchKey& key) const;
    //   FindKeyOrZero, FindPosition: the positions of FindKey, 0 when every entry is above the key.
    uint32_t FindKeyOrZero(const TSearchKey& key) const;
    uint32_t FindPosition(const TSearchKey& key) const { return FindKey(key).Position; }
    //   FindKeyCounting: as FindKey, but on a leaf with `leafAbove` a key between entries gives the
    //            first entry above it (KeyCount() + 1 past the last); Found when the entry equals the key.
    TFindResult FindKeyCounting(const TSearchKey& key, bool leafAbove, uint32_t& records) const;
    //   FindFirstCounting: the first equal entry; else on an internal page the last entry below the key
    //            (1 when none), on a leaf the first entry above it (KeyCount() + 1 when none).
    TFindResult FindFirstCounting(const TSearchKey& key, uint32_t& records) const;
    //   FindLastCounting: the last equal entry, else the last entry below the key (1 when none).
    TFindResult FindLastCounting(const TSearchKey& key, uint32_t& records) const;
    //   FindInRange: a linear scan from 1 that stops at the first entry above `upper` or above the key;
    //            on a leaf an entry equal to the key stops it with Found. Unless Found, the position then
    //            steps back one entry when above 1 (on a leaf only without `stop`).
    TFindResult FindInRange(const TSearchKey& key, const TSearchKey& upper, bool stop,
                            uint32_t& records) const;
    uint32_t FirstPosition() const;
    uint32_t LastPosition(uint32_t& records) const;

    // Entries from the position on (direction > 0 forward, else backward), the position's included,
    // whose record numbers run consecutively (backward: each one below the one before), at most `limit`.
    uint32_t ConsecutiveRun(uint32_t position, uint32_t limit, int direction) const;
    // From the position forward (backward), the first entry whose record is set in the bitmap: true with
    // `position` on it. `passed` counts the entries skipped. False with `position` past the page's end
    // (KeyCount() + 1, or 0 backward), or, with a bound, on the first entry above (below) the bound.
    bool ScanBitmapForward(uint32_t& position, const TRecordsBitmap& bitmap, uint32_t& passed,
                           const TSearchKey* bound = nullptr) const;
    bool ScanBitmapBackward(uint32_t& position, const TRecordsBitmap& bitmap, uint32_t& passed,
                            const TSearchKey* bound = nullptr) const;
    // Sets in the bitmap the record of every entry from the position on while the entries are not above
    // the key; true when the page ended first.
    bool CollectUpToKey(uint32_t position, const TSearchKey& key, TRecordsBitmap& bitmap) const;

    // Recency chain of the index file's page cache.
    TPage* Older = nullptr;
    TPage* Newer = nullptr;
    // Position in the index file's list of pages pinned or modified (IndexFile.h); NotHeld when not in it.
    static constexpr uint32_t NotHeld = UINT32_MAX;
    uint32_t HeldAt = NotHeld;
    // Read for a walk passing from leaf to leaf while its index's slot was full: the oldest of its clean
    // chain once released (IndexFile.h, GetPassingLeaf).
    bool Passing = false;

private:
    size_t Stride() const { return size_t(format_.KeyLength) + 10; }
    uint8_t* EntryAt(uint32_t position) { return &entries_[(position - 1) * Stride()]; }
    const uint8_t* EntryAt(uint32_t position) const { return &entries_[(position - 1) * Stride()]; }
    void Reserve(size_t entries);
    [[noreturn]] void RaiseCorrupt() const;
    void RequireEntries() const;
    int CompareAt(uint32_t position, const TSearchKey& key) const;
    // Entries strictly below / not above the key.
    uint32_t LowerBound(const TSearchKey& key) const;
    uint32_t UpperBound(const TSearchKey& key) const;

    // Compression of one entry against the one before it, and its packed size.
    void Compress(uint32_t position);
    uint16_t PackedSize(uint32_t position) const;
    uint16_t KeptTail(uint8_t leading) const;
    void AddPacked(uint32_t from, uint32_t to, int sign);
    void UnpackEntries(const uint8_t* data);
    void UnpackCompressed(const uint8_t* data);
    void PackCompressed(uint8_t* data) const;

    TPageFormat format_;
    const TIndexErrorSource* errors_ = nullptr;
    uint32_t number_ = 0;
    uint8_t type_ = ptInternalRoot;
    uint16_t count_ = 0;
    uint16_t rawCount_ = 0; // the count field of a raw data page, carried: such a page has no entries
    uint32_t prev_ = 0;
    uint32_t next_ = 0;
    uint16_t used_ = 0;
    bool modified_ = false;
    bool free_ = false;
    uint16_t pins_ = 0;
    std::vector<uint8_t> entries_;
};

// Idle pages kept for reuse (at most four).
class TPageStack {
public:
    static constexpr size_t Capacity = 4;

    std::unique_ptr<TPage> Pop();
    void Push(std::unique_ptr<TPage> page);
    void Clear() { idle_.clear(); }
    size_t IdleCount() const { return idle_.size(); }

private:
    std::vector<std::unique_ptr<TPage>> idle_;
};

} // namespace vorsam
