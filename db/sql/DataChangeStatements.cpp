#include "db/sql/DataChangeStatements.h"

#include "db/engine/DataCursor.h"
#include "db/engine/DataTable.h"
#include "db/sql/ChangeTarget.h"
#include "db/sql/ChangeValues.h"
#include "db/sql/DataChangeRun.h"
#include "db/sql/DataQuery.h"
#include "db/sql/QualifyingRows.h"
#include "db/sql/QueryBinding.h"
#include "db/sql/RecordRuns.h"
#include "db/sql/SelectPlan.h"

#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

namespace vorsam {

namespace {

// Whether the UPDATE sets a field of a unique index of its target (the primary key among them): whether a
// row is refused, or takes a key that a row changed before it freed, then depends on the order in which
// the rows are changed.
bool SetsUniqueKey(const TDataQuery& query, const TDataCursor& target) {
    for (uint8_t slot = 0; slot <= target.GetIndexCount(); ++slot) {
        if (slot == PrimaryIndexSlot && target.IsDefaultPrimaryIndex()) continue;
        TIndexDescriptor index = target.GetIndexDesc(slot);
        if (slot != PrimaryIndexSlot && !index.Unique()) continue;
        for (size_t i = 0; i < index.FieldCount(); ++i)
            for (const auto& field : query.UpdateFields)
                if (field->FieldNumber == index.FieldNumber(i)) return true;
    }
    return false;
}

// A cursor of its own on the target table, in record order, through which the found records are changed.
std::unique_ptr<TDataCursor> WritingCursor(TDataQuery& query) {
    TSourceTable& target = *query.TargetTable;
    auto writer = std::make_unique<TDataCursor>(target.Cursor->Directory());
    writer->SetTableName(target.Cursor->TableName());
    writer->SetInMemory(target.Cursor->InMemory());
    writer->OpenCursor();
    writer->SetIndexNumber(RecordOrderIndex);
    writer->SuppressAutoInc(query.NoAutoInc);
    return writer;
}

void UpdateRecord(TDataQuery& query, TDataCursor& writer, TQualifyingRow& row, TUpdateValues& values,
                  std::vector<uint8_t>& image) {
    TSourceTable& target = *query.TargetTable;
    image.assign(writer.GetRecordSize(), 0);
    writer.GetCurrentRecord(image, true);
    try {
        if (row.Values.empty()) {
            // The values read the record as it is now, locked: it becomes the target's current row.
            std::copy_n(image.begin(), std::min(image.size(), target.RecordBuffer.size()),
                        target.RecordBuffer.begin());
            target.Eof = false;
            values.Put(query, writer, image);
        } else {
            PutValues(query, writer, image, row.Values, "UPDATE");
        }
        writer.ModifyRecord(image);
    } catch (...) {
        writer.FreeRecordBlobs(image);
        writer.CancelRecord();
        throw;
    }
}

// The start of UPDATE and DELETE: the WHERE conditions placed, the joins planned with the target driving,
// and the cursor that changes the rows found.
std::unique_ptr<TDataCursor> PlanChange(TDataQuery& query) {
    if (query.WhereTree) OptimizeWhere(query, true);
    PlanJoinAccesses(query); // the target drives: the order stays
    if (query.WhereTree) OptimizeWhere(query, false);
    return WritingCursor(query);
}

// The frame of UPDATE and DELETE: the records found, then each changed.
void ChangeQualifyingRows(TDataQuery& query, bool withValues,
                          const std::function<void(TDataCursor& writer, TQualifyingRow& row)>& change) {
    TSourceTable& target = Target(query);
    std::unique_ptr<TDataCursor> writer = PlanChange(query);
    TDataChangeRun run(*writer, RunOptions(query), query.RowsAffected);
    run.Run(target.Cursor->GetRecordCount(), [&](TDataChangeRun& r) {
        std::vector<TQualifyingRow> rows = FindQualifyingRows(query, r, withValues);
        EndJoinAccesses(query);
        TRecordLockRuns locks(*writer, rows);
        TRecordPins pins(*writer, rows);
        for (size_t i = 0; i < rows.size(); ++i) {
            locks.Before(i, r.RowsBeforeCommit());
            r.RowWriting();
            pins.Before(i, r.RowsBeforeCommit());
            if (!writer->SetToRecordNo(rows[i].Record)) continue; // deleted by another user meanwhile
            change(*writer, rows[i]);
            if (r.CommitsAtNextRow()) {
                locks.Release();
                pins.Release();
            }
            r.RowWritten();
        }
    });
}

} // namespace

void ExecuteInsertValues(TDataQuery& query) {
    TSourceTable& target = Target(query);
    TDataCursor& cursor = *target.Cursor;
    query.RowsAffected = 0;
    std::span<uint8_t> image(target.RecordBuffer);
    cursor.InitRecordBuffer(image);
    TEvaluationContext context = SourceContext(query);
    context.ColumnValue = {}; // the values refer to no column
    AppendRecord(cursor, image,
                 [&] { PutValues(query, cursor, image, EvaluateValues(query, context), "INSERT"); });
    query.RowsAffected = 1;
}

// An UPDATE of a local table without blobs changes the rows found in sets, each reaching to the next commit
// (SetRows, and SetBytes of records, at most): one range lock and one write for each set, each record pinned
// once and its image changed where it lies (TDataCursor::ModifyRecords), in the order found, and, unless a
// value reads a table, the keys the set changes put into each index in its order. The rows of a search that
// walks the table in record order are changed in the index's order, as a walk of the index would find them,
// but with intervals that their bytes end (the run's own transaction without COMMIT INTERVAL, whose
// intervals are whole whatever rows they hold) in the order found, unless they move a unique key. Records
// another user deleted meanwhile are passed over and not counted.
void ExecuteUpdate(TDataQuery& query) {
    TUpdateValues values(query);
    const bool withValues = !ValuesReadTargetOnly(query);
    TSourceTable& target = Target(query);
    if (target.Cursor->IsRemote() || target.Cursor->Table().HasBlobFile()) {
        std::vector<uint8_t> image;
        ChangeQualifyingRows(query, withValues, [&](TDataCursor& writer, TQualifyingRow& row) {
            UpdateRecord(query, writer, row, values, image);
        });
        return;
    }
    constexpr size_t SetRows = 65536, SetBytes = size_t(4) << 20;
    const bool keysInSets = !ValuesReadTables(query);
    std::unique_ptr<TDataCursor> writer = PlanChange(query);
    const bool movesUniqueKeys = SetsUniqueKey(query, *writer);
    TDataChangeRun run(*writer, RunOptions(query), query.RowsAffected);
    run.Run(target.Cursor->GetRecordCount(), [&](TDataChangeRun& r) {
        // Intervals that their bytes end take the rows in the order of their records, when a search in that
        // order found them: each record is read once, in the file's order, whatever order the keys lie in.
        // Unique keys moved are changed in the walk's order, which decides which of them are refused.
        std::vector<TQualifyingRow> rows =
            FindQualifyingRows(query, r, withValues, r.Measured() && keysInSets && !movesUniqueKeys);
        EndJoinAccesses(query);
        std::vector<uint32_t> numbers;
        const size_t setRows = std::min(SetRows, SetBytes / std::max<size_t>(writer->GetRecordSize(), 1));
        for (size_t i = 0; i < rows.size();) {
            r.RowWriting();
            size_t j = RunEnd(i, rows.size(), {setRows, r.RowsBeforeCommit()});
            numbers.clear();
            for (size_t k = i; k < j; ++k) numbers.push_back(rows[k].Record);
            size_t k = i; // the row of the record being changed
            auto change = [&](uint32_t number, std::span<uint8_t> image) {
                while (rows[k].Record != number) ++k; // records no longer active are passed over
                if (!rows[k].Values.empty())
                    return PutValues(query, *writer, image, rows[k].Values, "UPDATE");
                // The values read the record as it is now, locked: it becomes the target's current row.
                std::copy_n(image.begin(), std::min(image.size(), target.RecordBuffer.size()),
                            target.RecordBuffer.begin());
                target.Eof = false;
                values.Put(query, *writer, image);
            };
            uint32_t changed = 0;
            try {
                writer->ModifyRecords(numbers, change, changed, keysInSets);
            } catch (...) {
                r.SetWritten(changed, true);
                throw;
            }
            r.SetWritten(changed);
            i = j;
        }
    });
}

// A DELETE of a local table deletes the rows found in sets, each reaching to the next commit (SetRows at
// most), freed in the order found: one range lock and one descent per index leaf for each set
// (TDataCursor::DeleteRecords). Records another user deleted meanwhile are passed over and not counted.
void ExecuteDelete(TDataQuery& query) {
    if (Target(query).Cursor->IsRemote()) {
        ChangeQualifyingRows(query, false,
                             [](TDataCursor& writer, TQualifyingRow&) { writer.DeleteRecord(); });
        return;
    }
    constexpr size_t SetRows = 65536;
    std::unique_ptr<TDataCursor> writer = PlanChange(query);
    TDataChangeRun run(*writer, RunOptions(query), query.RowsAffected);
    run.Run(Target(query).Cursor->GetRecordCount(), [&](TDataChangeRun& r) {
        std::vector<TQualifyingRow> rows = FindQualifyingRows(query, r, false);
        EndJoinAccesses(query);
        std::vector<uint32_t> numbers;
        for (size_t i = 0; i < rows.size();) {
            size_t j = RunEnd(i, rows.size(), {SetRows, r.RowsBeforeCommit()});
            numbers.clear();
            for (size_t k = i; k < j; ++k) numbers.push_back(rows[k].Record);
            r.RowWriting();
            r.SetWritten(writer->DeleteRecords(numbers));
            i = j;
        }
    });
}

} // namespace vorsam
