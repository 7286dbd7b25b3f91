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

// A qualifying target record, with its new values when they were worked out from the joined row.
struct TQualifyingRow {
    uint32_t Record = 0;
    std::vector<TExpTree> Values;
};

// A local cursor that walks its table whole in record order (no index, range, filter or layout of its own)
// gives every active record of the table's slots in turn.
bool WalksWholeInRecordOrder(const TDataCursor& cursor);

// The joined rows' target records that pass the per-row conditions, each once, in the order found.
// `recordOrder`: rows found in record order may stay in it (TRecordOrderSearch::Order is not needed).
std::vector<TQualifyingRow> FindQualifyingRows(TDataQuery& query, TDataChangeRun& run, bool withValues,
                                               bool recordOrder = false);

} // namespace vorsam
