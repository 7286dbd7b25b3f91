// Building an index's tree whole from its entries in key order, and freeing a whole tree.
//
// A build fills the leaves one after the other, each to its capacity (a compressed leaf to its 4083 bytes),
// then the level above from the first key, page number and subtree count of each page below, and so on
// up to a single root; the pages of each level are linked in key order. The last page of a level takes
// entries from the one before it until both hold about as many, so every page but the root is at least
// half full. The tree is the one the insertions would make but for the fill of its pages (IndexTree.h).
//
// Freeing walks the whole tree before it changes anything (a page outside the file, or reached twice,
// raises VORSAM_INDEXCORRUPT, nothing freed), then puts every page at the front of the index's free list,
// from which the index's later pages are taken; the index is left empty (root 0). A free list may move to
// another slot, whose index then takes its pages.
#pragma once

#include "db/engine/IndexFile.h"
#include "db/engine/IndexVerify.h"

#include <cstdint>
#include <memory>
#include <span>

namespace vorsam {

// Builds the tree of the index in `slot`, which must be empty, from entries given one after another in the
// index's order, all different (Add); the levels above the leaves follow once all are in (Finish). A
// builder that is not finished leaves the pages it took as they are.
class TIndexTreeBuilder {
public:
    TIndexTreeBuilder(TIndexFile& file, uint8_t slot);
    ~TIndexTreeBuilder();
    TIndexTreeBuilder(const TIndexTreeBuilder&) = delete;
    TIndexTreeBuilder& operator=(const TIndexTreeBuilder&) = delete;
    void Add(const uint8_t* key, uint32_t value);
    void Finish();

private:
    struct TLevels;
    std::unique_ptr<TLevels> levels_;
};

// Builds the tree of the index in `slot`, which must be empty, from entries sorted by the index's order
// and all different; they are the active records' keys and numbers.
void BuildIndexTree(TIndexFile& file, uint8_t slot, std::span<const TIndexEntry> entries);
// The same from `count` keys laid one after another (the index's key length each) and their values.
void BuildIndexTree(TIndexFile& file, uint8_t slot, const uint8_t* keys, const uint32_t* values,
                    size_t count);

// Frees every page of the tree of the index in `slot` and leaves the index empty.
void FreeIndexTree(TIndexFile& file, uint8_t slot);

// Puts the free list of slot `from` in front of that of slot `to` (the cached pages written and dropped
// first: each slot caches its own); `from` keeps none.
void MoveFreePages(TIndexFile& file, uint8_t from, uint8_t to);

} // namespace vorsam
