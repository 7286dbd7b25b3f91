// The search of UPDATE and DELETE: the target records that the joined rows passing the WHERE conditions
// name, each once, in the order found (or the primary index's), before any of them is changed.
#pragma once

#include "db/lib/ExpressionTree.h"

#include <cstdint>
#include <vector>

namespace vorsam {

class TDataChangeRun;
class TDataCursor;
class TDataQuery;

// The qualifying target records in their order, and the new values of each when they were worked out from
// the joined rows (none otherwise): four bytes a row found but for those values.
struct TQualifyingRows {
    std::vector<uint32_t> Records;
    std::vector<std::vector<TExpTree>> Values; // empty, or one per record
    size_t size() const { return Records.size(); }
};

// A local cursor that walks its table whole in record order (no index, range, filter or layout of its own)
// gives every active record of the table's slots in turn.
bool WalksWholeInRecordOrder(const TDataCursor& cursor);

// A search of a single table that walks its primary index whole may read the table in record order
// instead (QualifyingRows.cpp); what becomes of the order of the rows it finds so:
enum class TRowOrder : uint8_t {
    Walk,    // they are put into the order of the walk it stands for
    Records, // they stay in record order
};

// The joined rows' target records that pass the per-row conditions, each once, in the order found, rows
// found in record order for a walk of the primary index in the order `order` says (`inRecordOrder`, when
// given, tells whether they were left so).
TQualifyingRows FindQualifyingRows(TDataQuery& query, TDataChangeRun& run, bool withValues,
                                   TRowOrder order = TRowOrder::Walk, bool* inRecordOrder = nullptr);

} // namespace vorsam
