// Consistency checks of an index file, for tests and for the table's verify routine.
//
// Per index tree: page numbers inside the file, no page reached twice, at most 64 levels, all leaves at
// one depth, page types (root 0 or 3, internal 1, leaf 2), no empty page, keys in strictly ascending
// order within and across pages, every separator equal to its child's first key, every subtree count
// equal to the records below it, the pages of each level linked in order through their previous and
// next page numbers, compressed leaves within 4083 bytes and their used bytes as packing gives them,
// uncompressed pages within their maximum (and, when asked, at least half full below the root). The
// number of entries of every user index equals the header's active-record count.
// Per free list (of every slot): pages inside the file, acyclic, no page also in a tree, no entries.
// Against the records, when given: every user index holds exactly the active records, under the keys
// their images make (IndexKeys.h), in key order.
#pragma once

#include "db/engine/IndexFile.h"
#include "db/engine/IndexKeys.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace vorsam {

// The active records of a table, as the data file hands them to the index checks.
class TActiveRecords {
public:
    using TVisitor = std::function<void(uint32_t recordNumber, std::span<const uint8_t> image)>;
    virtual ~TActiveRecords() = default;
    // Calls `visit` with the number and deciphered image of every active record, in record order.
    virtual void ForEachActiveRecord(const TVisitor& visit) = 0;
};

struct TIndexVerifyOptions {
    bool RequireHalfFull = false; // non-root uncompressed pages hold at least half their maximum
};

// One leaf entry as a tree holds it.
struct TIndexEntry {
    std::vector<uint8_t> Key;
    uint32_t Value = 0;
};

// Checks the tree of one index; its leaf entries, in order, go to `entries` when given. Returns the
// problems found, each as one line of text (none when consistent).
std::vector<std::string> VerifyIndexTree(TIndexFile& file, uint8_t slot, const TKeyComparator& order,
                                         std::vector<TIndexEntry>* entries = nullptr,
                                         const TIndexVerifyOptions& options = {});

// Checks every index of the file, the free lists and, with `records`, the indexes against the records.
std::vector<std::string> VerifyIndexFile(TIndexFile& file, const TTableKeyInfo& table,
                                         TActiveRecords* records = nullptr,
                                         const TIndexVerifyOptions& options = {});

} // namespace vorsam
