#include "db/sql/ChangeTarget.h"

#include "db/engine/DataCursor.h"
#include "db/sql/DataQuery.h"
#include "db/sql/SourceTable.h"

namespace vorsam {

TChangeRunOptions RunOptions(TDataQuery& query) {
    TChangeRunOptions options;
    options.CommitIntervalGiven = query.CommitIntervalGiven;
    options.CommitInterval = query.CommitInterval;
    options.CommitFlush = query.CommitFlush;
    options.ProgressStep = query.ProgressStep();
    options.Progress = [&query](uint16_t percent, bool& abort) { query.ReportProgress(percent, abort); };
    return options;
}

TSourceTable& Target(TDataQuery& query) {
    TSourceTable& target = *query.TargetTable;
    if (target.RecordBuffer.empty()) target.AllocRecordBuffer();
    target.Cursor->SuppressAutoInc(query.NoAutoInc);
    return target;
}

void AppendRecord(TDataCursor& cursor, std::span<uint8_t> image, const std::function<void()>& fill) {
    try {
        fill();
        cursor.AppendRecord(image);
    } catch (...) {
        cursor.FreeRecordBlobs(image);
        throw;
    }
}

} // namespace vorsam
