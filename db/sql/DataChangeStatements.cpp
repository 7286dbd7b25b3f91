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
#include <cassert>
#include <functional>
#include <limits>
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

// `rowValues`: the row's values worked out from the joined row; none when they read the target alone.
void UpdateRecord(TDataQuery& query, TDataCursor& writer, const std::vector<TExpTree>* rowValues,
                  TUpdateValues& values, std::vector<uint8_t>& image) {
    TSourceTable& target = *query.TargetTable;
    image.assign(writer.GetRecordSize(), 0);
    writer.GetCurrentRecord(image, true);
    try {
        if (!rowValues) {
            // The values read the record as it is now, locked: it becomes the target's current row.
            std::copy_n(image.begin(), std::min(image.size(), target.RecordBuffer.size()),
                        target.RecordBuffer.begin());
            target.Eof = false;
            values.Put(query, writer, image);
        } else {
            PutValues(query, writer, image, *rowValues, "UPDATE");
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
void ChangeQualifyingRows(
    TDataQuery& query, bool withValues,
    const std::function<void(TDataCursor& writer, TQualifyingRows& rows, size_t row)>& change) {
    TSourceTable& target = Target(query);
    std::unique_ptr<TDataCursor> writer = PlanChange(query);
    TDataChangeRun run(*writer, RunOptions(query), query.RowsAffected);
    run.Run(target.Cursor->GetRecordCount(), [&](TDataChangeRun& r) {
        TQualifyingRows rows = FindQualifyingRows(query, r, withValues);
        EndJoinAccesses(query);
        TRecordLockRuns locks(*writer, rows.Records);
        TRecordPins pins(*writer, rows.Records);
        for (size_t i = 0; i < rows.size(); ++i) {
            locks.Before(i, r.RowsBeforeCommit());
            r.RowWriting();
            pins.Before(i, r.RowsBeforeCommit());
            if (!writer->SetToRecordNo(rows.Records[i])) continue; // deleted by another user meanwhile
            change(*writer, rows, i);
            if (r.CommitsAtNextRow()) {
                locks.Release();
                pins.Release();
            }
            r.RowWritten();
        }
    });
}

// An UPDATE of a local table without blobs changes the rows found in sets (SetRows, and SetBytes of
// records, at most): one range lock and one write for each set, each record pinned once and its image
// changed where it lies (TDataCursor::ModifyRecords), and, unless a value reads a table, the keys the set
// changes put into each index in its order. Records another user deleted meanwhile are passed over and
// not counted.
//
// The order of the rows (the order found: the index's for a search that walks the table in record order,
// as a walk of the index would find them) decides what each commit interval holds, which row is refused
// first and what the caller's transaction keeps after a refusal. Where nothing else depends on it (no
// value reads a table, no unique key moves), the rows up to the next commit are changed in the order of
// their records, each record read once in the file's order whatever order the keys lie in. Inside the
// caller's transaction their changes are tried first, nothing written, and the rows from the first that is
// refused on (in the rows' order) are left out; the rest are changed, and the refusal raised. In the run's
// own transaction a refusal rolls the interval back: the rows not yet touched are tried then, for the
// refusal of the first row in the rows' order. Intervals that their bytes end (the run's own transaction
// without COMMIT INTERVAL, whose intervals are whole whatever rows they hold) take the rows in the order of
// their records from the start.
class TUpdateSets {
public:
    // `byKeys`: the rows found stand in record order for a walk of the primary index, whose order is theirs
    // (QualifyingRows.h); `withValues`: the rows carry their values.
    TUpdateSets(TDataQuery& query, TDataCursor& writer, TUpdateValues& values, TQualifyingRows& rows,
                bool byKeys, bool keysInSets, bool withValues)
        : query_(query), target_(*query.TargetTable), writer_(writer), values_(values), rows_(rows),
          byKeys_(byKeys), keysInSets_(keysInSets), withValues_(withValues),
          setRows_(std::min(SetRows, SetBytes / std::max<size_t>(writer.GetRecordSize(), 1))) {}

    // The rows from `first` on, up to the next commit and SetRows, in the order found; one past the last.
    size_t ChangeInOrder(TDataChangeRun& run, size_t first) {
        size_t end = RunEnd(first, rows_.size(), {setRows_, run.RowsBeforeCommit()});
        placed_.clear();
        for (size_t k = first; k < end; ++k) placed_.push_back({rows_.Records[k], uint32_t(k)});
        ChangeSet(run, placed_);
        return end;
    }

    // The rows from `first` on up to the next commit, in the order of their records (above); one past
    // the last.
    size_t ChangeInRecordOrder(TDataChangeRun& run, size_t first) {
        // Rows of intervals that their bytes end lie in record order already: a set at a time.
        const size_t end =
            RunEnd(first, rows_.size(),
                   {run.Measured() ? setRows_ : std::numeric_limits<size_t>::max(), run.RowsBeforeCommit()});
        placed_.clear();
        for (size_t k = first; k < end; ++k) placed_.push_back({rows_.Records[k], uint32_t(k)});
        SortByRecord(placed_);
        std::exception_ptr refusal;
        if (!run.OwnTransaction()) {
            // The caller's transaction keeps what changed before a refusal: the changes are tried first.
            run.RowWriting(); // no other user writes between the try and the change
            numbers_.clear();
            for (const TPlacedRow& row : placed_) numbers_.push_back(row.Record);
            std::vector<uint32_t> refused; // places in placed_
            writer_.TryChanges(
                numbers_, [&](size_t at, std::span<uint8_t> image) { Change(placed_[at].Row, image); },
                [&](size_t at) { refused.push_back(uint32_t(at)); });
            if (!refused.empty()) refusal = LeaveOutFromFirstRefused(refused);
        }
        try {
            for (size_t at = 0; at < placed_.size(); at += setRows_)
                ChangeSet(run, std::span(placed_).subspan(at, std::min(setRows_, placed_.size() - at)), at);
        } catch (...) {
            // The run's own transaction rolls a refused interval back: what is left to tell is which row is
            // refused first in the order found, among the refused one and those not touched yet.
            if (run.Measured() || !run.OwnTransaction()) throw;
            std::rethrow_exception(FirstRefusedFrom(touched_, std::current_exception()));
        }
        if (refusal) std::rethrow_exception(refusal);
        return end;
    }

private:
    static constexpr size_t SetRows = 65536, SetBytes = size_t(4) << 20;
    struct TPlacedRow {
        uint32_t Record;
        uint32_t Row; // its place among the rows found
    };

    // In ascending order of their records: a radix sort of the record numbers for many rows.
    static void SortByRecord(std::vector<TPlacedRow>& placed) {
        auto byRecord = [](const TPlacedRow& a, const TPlacedRow& b) { return a.Record < b.Record; };
        if (std::is_sorted(placed.begin(), placed.end(), byRecord)) return;
        if (placed.size() < 65536) return std::sort(placed.begin(), placed.end(), byRecord);
        std::vector<TPlacedRow> other(placed.size());
        for (unsigned shift : {0u, 16u}) {
            std::vector<size_t> at(65537);
            for (const TPlacedRow& row : placed) ++at[(row.Record >> shift & 0xFFFF) + 1];
            for (size_t digit = 1; digit < at.size(); ++digit) at[digit] += at[digit - 1];
            for (const TPlacedRow& row : placed) other[at[row.Record >> shift & 0xFFFF]++] = row;
            placed.swap(other);
        }
    }

    // The rows of placed_ (in the order of their records, numbers_ their records) from the first of the
    // rows refused (places in placed_) on, in the order found, left out; what refuses that first one.
    std::exception_ptr LeaveOutFromFirstRefused(std::span<const uint32_t> refused) {
        std::vector<uint8_t> keys;
        uint16_t length = 0;
        const TKeyComparator* order = nullptr;
        if (byKeys_) {
            TDataTable& table = writer_.Table();
            length = table.KeyLengthOf(PrimaryIndexSlot);
            order = &table.KeyOrder(PrimaryIndexSlot);
            keys.resize(placed_.size() * length);
            size_t at = 0;
            table.DataFile().VisitRecordImages(
                numbers_, [&](uint32_t number, std::span<const uint8_t> image) {
                    while (numbers_[at] != number) ++at;
                    table.BuildKeyOf(PrimaryIndexSlot, image, &keys[at * length]);
                });
        }
        auto before = [&](size_t a, size_t b) {
            int c = byKeys_ ? order->Compare(&keys[a * length], &keys[b * length], length) : 0;
            return c != 0 ? c < 0 : placed_[a].Row < placed_[b].Row;
        };
        const uint32_t first = *std::min_element(refused.begin(), refused.end(), before);
        // The change refused again, for what refuses it.
        std::exception_ptr refusal;
        writer_.TryChanges(
            std::span(&numbers_[first], 1),
            [&](size_t, std::span<uint8_t> image) { Change(placed_[first].Row, image); },
            [&](size_t) { refusal = std::current_exception(); });
        assert(refusal);
        std::vector<TPlacedRow> kept;
        for (size_t at = 0; at < placed_.size(); ++at)
            if (before(at, first)) kept.push_back(placed_[at]);
        placed_ = std::move(kept);
        return refusal;
    }

    // What refuses the first row in the order found among the one at `at` in placed_, refused with `failure`,
    // and the rows after it there (in the order of their records), which were not touched: `failure` when
    // none of those comes before it and is refused.
    std::exception_ptr FirstRefusedFrom(size_t at, std::exception_ptr failure) {
        numbers_.clear();
        for (size_t k = at + 1; k < placed_.size(); ++k) numbers_.push_back(placed_[k].Record);
        uint32_t first = placed_[at].Row;
        writer_.TryChanges(
            numbers_, [&](size_t k, std::span<uint8_t> image) { Change(placed_[at + 1 + k].Row, image); },
            [&](size_t k) {
                if (placed_[at + 1 + k].Row >= first) return;
                first = placed_[at + 1 + k].Row;
                failure = std::current_exception();
            });
        return failure;
    }

    // The new values of row `row` put into the image of its record.
    void Change(uint32_t row, std::span<uint8_t> image) {
        if (withValues_) return PutValues(query_, writer_, image, rows_.Values[row], "UPDATE");
        // The values read the record as it is now, locked: it becomes the target's current row.
        std::copy_n(image.begin(), std::min(image.size(), target_.RecordBuffer.size()),
                    target_.RecordBuffer.begin());
        target_.Eof = false;
        values_.Put(query_, writer_, image);
    }

    // The rows of the set changed in the order given, in one write, and counted; `base`: the set's place in
    // placed_, from which touched_ tells the row last given its values.
    void ChangeSet(TDataChangeRun& run, std::span<const TPlacedRow> set, size_t base = 0) {
        run.RowWriting();
        numbers_.clear();
        for (const TPlacedRow& row : set) numbers_.push_back(row.Record);
        size_t k = 0; // the row of the record being changed
        auto change = [&](uint32_t number, std::span<uint8_t> image) {
            while (set[k].Record != number) ++k; // records no longer active are passed over
            touched_ = base + k;
            Change(set[k].Row, image);
        };
        uint32_t changed = 0;
        try {
            writer_.ModifyRecords(numbers_, change, changed, keysInSets_);
        } catch (...) {
            run.SetWritten(changed, true);
            throw;
        }
        run.SetWritten(changed);
    }

    TDataQuery& query_;
    TSourceTable& target_;
    TDataCursor& writer_;
    TUpdateValues& values_;
    TQualifyingRows& rows_;
    const bool byKeys_, keysInSets_, withValues_;
    const size_t setRows_;
    std::vector<TPlacedRow> placed_;
    std::vector<uint32_t> numbers_;
    size_t touched_ = 0;
};

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

void ExecuteUpdate(TDataQuery& query) {
    TUpdateValues values(query);
    const bool withValues = !ValuesReadTargetOnly(query);
    TSourceTable& target = Target(query);
    if (target.Cursor->IsRemote() || target.Cursor->Table().HasBlobFile()) {
        std::vector<uint8_t> image;
        ChangeQualifyingRows(query, withValues, [&](TDataCursor& writer, TQualifyingRows& rows, size_t row) {
            UpdateRecord(query, writer, rows.Values.empty() ? nullptr : &rows.Values[row], values, image);
        });
        return;
    }
    const bool keysInSets = !ValuesReadTables(query);
    std::unique_ptr<TDataCursor> writer = PlanChange(query);
    const bool inRecordOrder = keysInSets && !SetsUniqueKey(query, *writer);
    TDataChangeRun run(*writer, RunOptions(query), query.RowsAffected);
    run.Run(target.Cursor->GetRecordCount(), [&](TDataChangeRun& r) {
        // Rows changed in the order of their records are put into the order of the walk only to cut them
        // into commit intervals; without intervals of rows, the walk's order tells which row is refused first
        // only when one is.
        const bool intervals = r.RowsBeforeCommit() != std::numeric_limits<size_t>::max();
        TRowOrder order =
            inRecordOrder && (r.Measured() || !intervals) ? TRowOrder::Records : TRowOrder::Walk;
        bool byKeys = false;
        TQualifyingRows rows = FindQualifyingRows(query, r, withValues, order, &byKeys);
        EndJoinAccesses(query);
        TUpdateSets sets(query, *writer, values, rows, byKeys && !r.Measured(), keysInSets, withValues);
        for (size_t i = 0; i < rows.size();)
            i = inRecordOrder ? sets.ChangeInRecordOrder(r, i) : sets.ChangeInOrder(r, i);
    });
}

// A DELETE of a local table deletes the rows found in sets, each reaching to the next commit (SetRows at
// most), freed in the order found: one range lock and one descent per index leaf for each set
// (TDataCursor::DeleteRecords). Records another user deleted meanwhile are passed over and not counted.
void ExecuteDelete(TDataQuery& query) {
    if (Target(query).Cursor->IsRemote()) {
        ChangeQualifyingRows(query, false,
                             [](TDataCursor& writer, TQualifyingRows&, size_t) { writer.DeleteRecord(); });
        return;
    }
    constexpr size_t SetRows = 65536;
    std::unique_ptr<TDataCursor> writer = PlanChange(query);
    TDataChangeRun run(*writer, RunOptions(query), query.RowsAffected);
    run.Run(Target(query).Cursor->GetRecordCount(), [&](TDataChangeRun& r) {
        TQualifyingRows rows = FindQualifyingRows(query, r, false);
        EndJoinAccesses(query);
        std::vector<uint32_t> numbers;
        for (size_t i = 0; i < rows.size();) {
            size_t j = RunEnd(i, rows.size(), {SetRows, r.RowsBeforeCommit()});
            numbers.clear();
            numbers.assign(rows.Records.begin() + std::ptrdiff_t(i),
                           rows.Records.begin() + std::ptrdiff_t(j));
            r.RowWriting();
            r.SetWritten(writer->DeleteRecords(numbers));
            i = j;
        }
    });
}

} // namespace vorsam
