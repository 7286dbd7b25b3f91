// TRecordCache: the cached records of a data file (ItemCache.h), read and written by the data file's
// record side (DataFile.h).
#pragma once

#include "db/engine/ItemCache.h"
#include "db/engine/Record.h"

namespace vorsam {

using TRecordCache = TItemCache<TRecord>;
using TRecordCacheStatistics = TCacheStatistics;

} // namespace vorsam
