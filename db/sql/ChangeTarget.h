// The target of a data change made ready for a run: its cursor and record buffer, the run's frame from the
// block's options, and a record appended that gives up its blobs when it fails.
#pragma once

#include "db/sql/DataChangeRun.h"

#include <cstdint>
#include <functional>
#include <span>

namespace vorsam {

class TDataCursor;
class TDataQuery;
class TSourceTable;

TChangeRunOptions RunOptions(TDataQuery& query);

TSourceTable& Target(TDataQuery& query);

// Appends the record; a failure gives up the blobs written into the image.
void AppendRecord(TDataCursor& cursor, std::span<uint8_t> image, const std::function<void()>& fill);

} // namespace vorsam
