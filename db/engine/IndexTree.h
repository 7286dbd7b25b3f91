// TIndexTree: the B+-tree operations of one index of an index file, built from the in-page operations
// of TPage and walking back up an TIndexPath.
//
// Shape: an empty index has root 0; one page is a leaf root (type 3); above the leaves, internal pages
// (type 1, the root type 0) hold for each child its first key (the smallest key of its subtree), its
// page number and, unless the index keeps no counts, the number of records below it. Pages of one level
// are linked in key order through their previous and next page numbers.
//
// Insertion: the key goes to its place in the leaf; a new first key replaces the separator in the
// parent (and further up while it is first there too); an overfull page splits, keeping the first
// n - n div 2 entries and moving the rest to a new page linked after it, whose first key goes into the
// parent after the page's entry (a root that splits gets a new root above both).
// Deletion: a compressed leaf is removed only when it becomes empty (unlinked, freed, its parent entry
// deleted). Otherwise a non-root page left with fewer entries than half its maximum takes from a
// neighbour under the same parent, the previous one first: when both fit into one page the page merges
// into the neighbour and its parent entry is deleted, else the entries are shared out (with the previous
// neighbour the previous page gets the larger half, with the next one the next page does). An internal
// root left with one entry gives way to its child; an empty root leaf leaves the index with root 0.
// Subtree counts: an insertion or deletion adds or takes one off every entry on the path above the leaf
// first; splits, merges and sharing set the entries of the pages involved to their new totals.
//
// Keys of one index are distinct (a unique index refuses a second equal key; a non-unique index ends its
// keys with the record suffix), which is what lets a descent choose one child.
#pragma once

#include "db/engine/IndexFile.h"
#include "db/engine/IndexPath.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace vorsam {

class TIndexTree {
public:
    TIndexTree(TIndexFile& file, uint8_t slot, const TKeyComparator& order);

    // Inserts the key with its value (a record number); false, changing nothing, when the index already
    // holds an equal key.
    bool Insert(const uint8_t* key, uint32_t value);
    // Deletes the entry of the key; false, changing nothing, when there is none or it has another value.
    bool Delete(const uint8_t* key, uint32_t value);
    // Deletes the entries of `count` keys, laid one after another, with their values: the keys distinct
    // and in the index's order. The entries that share a leaf go with one descent, the leaf's shape
    // restored once after them. False at the first key the index does not hold with its value, the keys
    // of the leaves before it deleted.
    bool DeleteSorted(const uint8_t* keys, const uint32_t* values, size_t count);
    // The value stored under the key; false when the index does not hold it.
    bool Find(const uint8_t* key, uint32_t& value);

    // For sets of keys laid one after another, distinct and in the index's order: one descent per leaf
    // they fall into. FindSorted calls `held(i)` for each key i the index holds already. InsertSorted
    // inserts them all with their values (none may be held: an equal key raises VORSAM_INDEXCORRUPT); the
    // pages split as single insertions split them, but a leaf that overflows at the right end of the
    // index keeps all but the entry that overflowed, so that keys appended in order fill their leaves (the
    // last leaf then takes its share from the one before it, as after a deletion).
    void FindSorted(const uint8_t* keys, size_t count, const std::function<void(size_t)>& held);
    void InsertSorted(const uint8_t* keys, const uint32_t* values, size_t count);

    // The page operations for a path positioned at the page's level: InsertEntry puts the entry at the
    // path's position, DeleteEntry removes the entry there; both restore the tree's shape. The counts of
    // the entries above must already include the change (AdjustCounts). The path is spent afterwards.
    void InsertEntry(TPage& page, TIndexPath& path, const uint8_t* key, uint32_t count, uint32_t value);
    void DeleteEntry(TPage& page, TIndexPath& path);

private:
    // A descent from the root: each level's page and position, the pages pinned (the leaf last).
    struct TDescent {
        TIndexPath Path;
        std::vector<TPageRef> Pages;
        TPage& Leaf() { return *Pages.back(); }
    };

    TSearchKey Search(const uint8_t* key) const { return {order_, key, keyLength_}; }
    TPageRef Fetch(uint32_t number);
    // Descends to the leaf where the key belongs; false when the index is empty.
    bool Descend(const uint8_t* key, TDescent& descent);
    // Adds delta to the count of every entry on the descent's path above the leaf.
    void AdjustCounts(TDescent& descent, int delta);
    // The first key of the leaf after the descent's (the nearest separator to the right on its path);
    // nullptr for the last leaf.
    const uint8_t* KeyAfterLeaf(const TDescent& descent) const;
    void ReplaceSeparators(const TIndexPath& path, const uint8_t* key);
    // Splits an overfull page: it keeps `kept` entries (0: all but half, n - n div 2), the rest go to a
    // new page linked after it.
    void Split(TPage& page, TIndexPath& path, uint32_t kept = 0);
    void Balance(TPage& left, TPage& right);
    void NewRoot(TPage& left, TPage& right);
    void Unlink(TPage& page);
    void RemovePage(TPage& page, TIndexPath& path);
    void CollapseRoot(TPage& root);
    void Rebalance(TPage& page, TIndexPath& path);
    [[noreturn]] void RaiseCorrupt() const;

    TIndexFile& file_;
    uint8_t slot_;
    const TKeyComparator& order_;
    uint16_t keyLength_;
    std::vector<uint32_t> positions_; // DeleteSorted's entries of one leaf
};

} // namespace vorsam
