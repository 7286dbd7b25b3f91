// Read levels of a run's source reads in batches, and one write level of the result table for a run.
#include "db/sql/RunLevels.h"

#include "db/sql/DataQuery.h"
#include "db/sql/SelectPlan.h"
#include "db/sql/SourceTable.h"

#include "db/engine/DataCursor.h"
#include "db/engine/DataTable.h"
#include "db/lib/CoarseClock.h"

#include <exception>

namespace vorsam {

// --- TSourceReadBatch ---

TSourceReadBatch::TSourceReadBatch(TDataQuery& query) : query_(query) {
    SelectState(query).ReadBatch = this;
}

TSourceReadBatch::~TSourceReadBatch() {
    SelectState(query_).ReadBatch = nullptr;
    EndQuietly(true);
}

void ContinueSourceReads(TDataQuery& query) {
    if (!query.Extension) return;
    if (TSourceReadBatch* batch = static_cast<TSelectState&>(*query.Extension).ReadBatch) batch->Row();
}

void TSourceReadBatch::Row() {
    if (!held_.empty() && CoarseNow() - started_ < SourceReadBatchTime) return;
    Release();
    Begin();
}

// Every open source in list order (the order WITH LOCKS takes them in); a level that cannot be taken
// gives up those taken before it.
void TSourceReadBatch::Begin() {
    try {
        for (auto& source : query_.SourceTables) {
            if (!source->CursorOpen()) continue;
            source->Cursor->BeginRead();
            held_.push_back(source->Cursor.get());
        }
    } catch (...) {
        EndQuietly();
        throw;
    }
    started_ = CoarseNow();
}

void TSourceReadBatch::Release(bool asOperation) {
    std::exception_ptr failure;
    while (!held_.empty()) {
        TDataCursor* cursor = held_.back();
        held_.pop_back();
        try {
            cursor->EndRead(asOperation);
        } catch (...) {
            if (!failure) failure = std::current_exception();
        }
    }
    if (failure) std::rethrow_exception(failure);
}

void TSourceReadBatch::EndQuietly(bool asOperation) noexcept {
    try {
        Release(asOperation);
    } catch (...) {
        // a slot the system refuses to let go is tried again at the file's next lock
    }
}

// --- TResultWrite ---

TResultWrite::TResultWrite(TDataCursor& result)
    : result_(result), table_(result.Table()), gathers_(table_.AppendsStraight()) {
    table_.BeginWrite();
}

TResultWrite::~TResultWrite() {
    if (ended_) return;
    try {
        table_.EndWrite();
    } catch (...) {
        // the error that left the run is the one to report; what was not written stays in the caches
    }
}

void TResultWrite::Append(std::span<uint8_t> record) {
    if (!gathers_) {
        result_.AppendRecord(record);
        return;
    }
    gathered_.insert(gathered_.end(), record.begin(), record.end());
    if (gathered_.size() + record.size() > GatherBytes) AppendGathered();
}

void TResultWrite::AppendGathered() {
    if (gathered_.empty()) return;
    result_.AppendRecords(gathered_);
    gathered_.clear();
}

void TResultWrite::End() {
    AppendGathered();
    ended_ = true;
    table_.EndWrite();
}

} // namespace vorsam
