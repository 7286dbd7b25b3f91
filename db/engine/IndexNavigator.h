// TIndexNavigator: reading one index of an index file in key order, as a cursor walks it: seeking the
// first or last entry on either side of a (possibly partial) key, seeking the entry of a given rank,
// stepping to the next or prior entry along the leaf level, and counting entries through the subtree
// counts of the internal pages. It changes nothing.
//
// A place is an entry of the leaf level: its page, its 1-based position there, and its rank (the number
// of entries before it in the whole index, when counted). Places stay good only while the tree does not
// change; the cursor that keeps one knows when it may have changed (DataTable.h, content version).
//
// Seeks descend from the root, choosing at each internal page the child by its separator (the first key
// of the child's subtree) and adding the subtree counts of the children passed over to the rank. A
// separator is never above the keys of its subtree, so
//   - the first entry not below (above) a key lies in the last child whose separator is below (not
//     above) the key, or, when that child has none, first in the next leaf;
//   - the last entry not above (below) a key lies in the last child whose separator is not above (below)
//     the key, or, when that child has none, last in the previous leaf.
// This holds for partial keys too (a comparison over fewer bytes than the key length), where several
// children may hold entries equal to the key. An index that keeps no subtree counts gives ranks by
// counting the entries of the leaves before the place.
//
// The descent of the last seek is kept in the caller's path (IndexPath.h): the pages and positions from
// the root to the leaf. Failures: VORSAM_INDEXCORRUPT for a page of the wrong type at its level, an
// empty page in the tree, a broken leaf link or a tree deeper than 64 levels.
#pragma once

#include "db/engine/IndexFile.h"
#include "db/engine/IndexPath.h"

#include <cstdint>
#include <vector>

namespace vorsam {

// A place's rank when it was not counted.
inline constexpr uint32_t NoRank = UINT32_MAX;

struct TIndexPlace {
    uint32_t Page = 0;
    uint32_t Position = 0;
    uint32_t Rank = NoRank;
};

// The entries of one leaf page copied out of the page cache, by position: a walk steps through them
// without fetching the page for each entry. Good while the tree does not change (the caller keeps the
// version of the table's content it copied them at).
struct TLeafCopy {
    uint8_t Slot = 0;
    uint32_t Page = 0;    // 0: nothing copied
    uint64_t Version = 0; // the caller's: the content the entries were copied from
    uint16_t KeyLength = 0;
    std::vector<uint8_t> Keys;    // KeyLength bytes each
    std::vector<uint32_t> Values; // the record numbers
    uint32_t Count() const { return uint32_t(Values.size()); }
    bool Holds(uint8_t slot, uint32_t page, uint64_t version) const {
        return Page == page && Page != 0 && Slot == slot && Version == version;
    }
    const uint8_t* KeyAt(uint32_t position) const { return &Keys[size_t(position - 1) * KeyLength]; }
    uint32_t ValueAt(uint32_t position) const { return Values[position - 1]; }
};

enum class TKeyBound : uint8_t {
    NotBelow, // the first entry not below the key
    Above,    // the first entry above it
    NotAbove, // the last entry not above it
    Below,    // the last entry below it
};

class TIndexNavigator {
public:
    TIndexNavigator(TIndexFile& file, uint8_t slot, const TKeyComparator& order, TIndexPath& path);

    // The entry the bound asks for, comparing `length` bytes of the key (0: every entry equals the key,
    // so NotBelow gives the first entry and NotAbove the last); false when there is none. Its rank is
    // counted only when asked for (`rank`); otherwise it is NoRank, and stays so as the place steps on.
    bool Seek(TKeyBound bound, const uint8_t* key, size_t length, TIndexPlace& place, bool rank = false);
    // Seek(NotBelow) without a rank, looking first into `leaf`, a leaf page of this index that the caller
    // met since the index last changed: when the key lies above the leaf's first key and not above its
    // last one, the entry is in that leaf and no descent is made (the path is left empty).
    bool SeekNotBelowFrom(uint32_t leaf, const uint8_t* key, size_t length, TIndexPlace& place);
    // The entry with the rank (0-based); false when the index has no more entries.
    bool SeekRank(uint32_t rank, TIndexPlace& place);
    // Moves to the next (direction > 0) or prior entry, reading its key and value when asked; false,
    // the place unchanged, at the end.
    bool Step(TIndexPlace& place, int direction, uint8_t* key = nullptr, uint32_t* value = nullptr);
    // The value (record number) of the entry at the place; its key into `key` (key length bytes) unless
    // that is null.
    uint32_t Read(const TIndexPlace& place, uint8_t* key = nullptr);
    // Entries from the place on (direction > 0 forward, else backward), the place's included, on the
    // place's page, whose values run consecutively, at most `limit`.
    uint32_t ConsecutiveRun(const TIndexPlace& place, uint32_t limit, int direction);
    // Copies the entries of leaf `page` of the index (the copy's version is left to the caller).
    void CopyLeaf(uint32_t page, TLeafCopy& copy);
    // Entries in the index.
    uint32_t Count();
    uint16_t KeyLength() const { return keyLength_; }

private:
    TPageRef Fetch(uint32_t number);
    TPageRef FetchLeaf(uint32_t number);
    // A leaf that a walk along the leaf level comes to (TIndexFile::GetPassingLeaf).
    TPageRef FetchPassingLeaf(uint32_t number);
    // Entries of the page below the key (`orEqual`: not above it) over `length` bytes.
    uint32_t CountBefore(const TPage& page, const uint8_t* key, size_t length, bool orEqual) const;
    // Ranks of the index without counts: the entries of the leaves before the page.
    uint32_t EntriesBeforeLeaf(uint32_t page);
    [[noreturn]] void RaiseCorrupt() const;

    TIndexFile& file_;
    uint8_t slot_;
    const TKeyComparator& order_;
    TIndexPath& path_;
    uint16_t keyLength_;
    bool counted_;
};

} // namespace vorsam
