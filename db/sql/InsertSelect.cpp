// INSERT ... SELECT (DataChangeStatements.h): the rows of the source select, each put into a record of the
// target and appended, in sets where the target allows.
#include "db/sql/DataChangeStatements.h"

#include "db/engine/DataCursor.h"
#include "db/engine/DataTable.h"
#include "db/engine/Record.h"
#include "db/lib/ByteUtils.h"
#include "db/lib/ExpressionEvaluator.h"
#include "db/sql/ChangeTarget.h"
#include "db/sql/ChangeValues.h"
#include "db/sql/DataChangeRun.h"
#include "db/sql/DataQuery.h"
#include "db/sql/QualifyingRows.h"
#include "db/sql/QueryBinding.h"
#include "db/sql/ResultColumnCopy.h"
#include "db/sql/RowSpool.h"
#include "db/sql/RunLevels.h"
#include "db/sql/SelectPlan.h"

#include <algorithm>
#include <functional>
#include <limits>
#include <numeric>
#include <optional>

namespace vorsam {

namespace {

// The rows of the INSERT's source select. A result table is a copy already; a live result is the source
// table's own cursor, which the INSERT may be appending to: its rows are copied first (read in batches of
// read levels, RunLevels.h) into a spool (RowSpool.h), so that rows appended meanwhile are never read back,
// unless the rows go into another table's files.
class TSourceRows {
public:
    TSourceRows(TDataQuery& source, TDataCursor& target) : source_(source), rows_(*source.ResultCursor) {
        record_.resize(rows_.GetRecordSize());
        rows_.SetToBegin();
        if (!source.LiveResult) return;
        if (source.TargetTable && source.TargetTable->RecordBuffer.empty())
            source.TargetTable->AllocRecordBuffer();
        batch_.emplace(source);
        if (WalksWholeInRecordOrder(rows_) && OtherTable(target)) {
            // Rows appended to another table cannot come back: the slots are read as the rows are taken.
            streams_ = true;
            count_ = rows_.GetRecordCount();
            return;
        }
        spool_.emplace(target.Settings(), record_.size());
        if (WalksWholeInRecordOrder(rows_)) {
            while (ReadSlots([&](std::span<const uint8_t> image) { spool_->Add(image); })) {
            }
        } else {
            for (;;) {
                batch_->Row();
                if (rows_.GetNextRecord(record_) != 0) break;
                spool_->Add(record_);
            }
        }
        batch_.reset();
        count_ = uint32_t(std::min<size_t>(spool_->Count(), std::numeric_limits<uint32_t>::max()));
    }
    uint32_t Count() { return source_.LiveResult ? count_ : rows_.GetRecordCount(); }
    // The next row; false after the last.
    bool Next() {
        if (!source_.LiveResult) return rows_.GetNextRecord(record_) == 0;
        if (spool_) return spool_->Next(record_);
        if (next_ == copies_.size()) {
            copies_.clear();
            next_ = 0;
            auto copy = [&](std::span<const uint8_t> image) {
                copies_.insert(copies_.end(), image.begin(), image.end());
            };
            while (copies_.empty() && ReadSlots(copy)) {
            }
        }
        if (next_ == copies_.size()) {
            batch_.reset();
            return false;
        }
        std::copy_n(copies_.begin() + std::ptrdiff_t(next_), record_.size(), record_.begin());
        next_ += record_.size();
        return true;
    }
    // The row's record: the result table's, or for a live result the source table's.
    const std::vector<uint8_t>& Record() const { return record_; }
    // The context that reads the values of the row: from the result table's record, or for a live result
    // from the source table's record, to which the values' columns are bound.
    TEvaluationContext Context() {
        if (!source_.LiveResult || !source_.TargetTable) return ResultContext(source_, record_);
        std::vector<uint8_t>& buffer = source_.TargetTable->RecordBuffer;
        std::copy_n(record_.begin(), std::min(record_.size(), buffer.size()), buffer.begin());
        source_.TargetTable->Eof = false;
        return SourceContext(source_);
    }

private:
    // The rows go into another table of the same database (whose shared tables are one per table); the
    // target of another database might be the source's files under another name.
    bool OtherTable(TDataCursor& target) const {
        return !target.IsRemote() && &target.Directory() == &rows_.Directory() &&
               &target.Table() != &rows_.Table();
    }
    // The active records of the next slots to `take` (the record size's first bytes of each image); false
    // past the last slot.
    bool ReadSlots(const std::function<void(std::span<const uint8_t> image)>& take) {
        constexpr uint32_t Slots = 4096;
        TDataFile& file = rows_.Table().DataFile();
        batch_->Row(); // the slots are counted under the batch's read level
        uint32_t end = std::min(file.Header().NextRecordNumber(), nextSlot_ + Slots);
        if (nextSlot_ >= end) return false;
        numbers_.resize(end - nextSlot_);
        std::iota(numbers_.begin(), numbers_.end(), nextSlot_);
        nextSlot_ = end;
        const size_t size = record_.size();
        file.VisitRecordImages(numbers_, [&](uint32_t, std::span<const uint8_t> image) {
            if (image[0] == RecordActive) take(image.first(size));
        });
        return true;
    }

    TDataQuery& source_;
    TDataCursor& rows_;
    std::vector<uint8_t> record_;
    std::optional<TSourceReadBatch> batch_; // the read levels of the source reads
    bool streams_ = false;                  // slots read as rows are taken, not all first
    uint32_t count_ = 0;
    uint32_t nextSlot_ = 1;
    std::vector<uint32_t> numbers_;
    std::optional<TRowSpool> spool_; // the live result's records copied first, one after another
    std::vector<uint8_t> copies_;    // the records of the slots read last, while streaming
    size_t next_ = 0;
};

// The values of an INSERT ... SELECT put into the target's record: a value that is a column of the source
// whose field holds the same type in the same room as its target field is copied byte for byte from the
// row's record (TFieldBytesCopy); the others are evaluated (all of them before any is put) and put.
class TInsertRowCopy {
public:
    TInsertRowCopy(TDataQuery& query, TDataCursor& target) {
        TDataQuery& source = *query.InsertSourceQuery;
        for (size_t i = 0; i < query.UpdateValues.size() && i < query.UpdateFields.size(); ++i) {
            const TExpToken* value = query.UpdateValues[i]->Expression.get();
            std::optional<TFieldBytesCopy> copy;
            if (value && value->Kind == nkColumn && value->FieldNumber != 0) {
                const TSourceTable* table = source.LiveResult ? source.TargetTable : nullptr;
                if (!source.LiveResult || (table && value->BoundSource == table && table->CursorOpen()))
                    copy = TFieldBytesCopy::Between(
                        table ? FieldDescOf(source, *table->Cursor, value->FieldNumber, true)
                              : FieldDescOf(source, *source.ResultCursor, value->FieldNumber, false),
                        FieldDescOf(query, target, query.UpdateFields[i]->FieldNumber, true));
            }
            if (copy)
                direct_.push_back(*copy);
            else
                general_.push_back(i);
        }
        values_.resize(general_.size());
    }
    void Put(TDataQuery& query, TDataCursor& target, std::span<uint8_t> image, TSourceRows& rows) {
        for (const TFieldBytesCopy& copy : direct_) copy.Apply(rows.Record().data(), image.data());
        if (general_.empty()) return;
        TEvaluationContext context = rows.Context();
        for (size_t i = 0; i < general_.size(); ++i) {
            const auto& value = query.UpdateValues[general_[i]];
            values_[i] = value->Expression ? EvaluateExpTree(*value->Expression, context) : NewExpToken();
        }
        for (size_t i = 0; i < general_.size(); ++i)
            PutColumnValue(target, image, *query.UpdateFields[general_[i]], *values_[i],
                           query.UpdateValues[general_[i]]->SourceText, "INSERT");
    }

private:
    std::vector<TFieldBytesCopy> direct_;
    std::vector<size_t> general_; // the values evaluated, by index
    std::vector<TExpTree> values_;
};

// The rows an INSERT ... SELECT is about to append, told to the target's data file for the run
// (TDataFile::SetExpectedAppends).
class TExpectedAppends {
public:
    TExpectedAppends(TDataCursor& target, uint32_t count) : file_(Local(target)) {
        if (file_) file_->SetExpectedAppends(count);
    }
    ~TExpectedAppends() {
        if (file_) file_->SetExpectedAppends(0);
    }
    TExpectedAppends(const TExpectedAppends&) = delete;
    TExpectedAppends& operator=(const TExpectedAppends&) = delete;

private:
    static TDataFile* Local(TDataCursor& target) {
        return target.IsRemote() ? nullptr : &target.Table().DataFile();
    }
    TDataFile* file_;
};

// An INSERT ... SELECT appends its rows in sets (TDataCursor::AppendRecords: one write, each index's keys
// in its order) when the target keeps no blobs and no value reads a table the rows go into, whose values
// would otherwise be worked out before the rows of the set before them were appended.
bool AppendsInSets(TDataQuery& query, TDataCursor& target) {
    return !target.IsRemote() && !target.Table().HasBlobFile() && !ValuesReadTables(query);
}

// The rows of a set gathered one after another, up to the next commit (Rows at most), then appended in one
// call; each row appended counts as a row written (the run's commit rule), also those appended before a
// row that was refused. The sets' keys are held back (TPendingKeys) and go into the indexes together, each
// index's in one pass: before a commit, once they take PendingBudgets times the session's budget of
// changes, after the last set, and after a failure inside the caller's transaction.
class TRowSet {
public:
    static constexpr size_t Rows = 65536;
    static constexpr uint64_t PendingBudgets = 16;

    explicit TRowSet(TDataCursor& target) : target_(target), size_(target.GetRecordSize()) {}
    size_t Add(std::span<const uint8_t> image) {
        images_.insert(images_.end(), image.begin(), image.begin() + std::ptrdiff_t(size_));
        return images_.size() / size_;
    }
    void Append(TDataChangeRun& run) {
        if (images_.empty()) return;
        size_t count = images_.size() / size_, appended = count;
        run.RowWriting();
        try {
            target_.AppendRecords(images_, &pending_);
        } catch (...) {
            appended = 0;
            while (appended < count && LoadLE32(&images_[appended * size_ + NextFreeOffset]) != 0) ++appended;
            images_.clear();
            Failed(run);
            run.SetWritten(appended, true);
            throw;
        }
        images_.clear();
        if (run.SetCommits(appended) ||
            pending_.Bytes() > PendingBudgets * std::max<uint64_t>(target_.Settings().ChangeBudget, 1))
            target_.ApplyPendingKeys(pending_);
        run.SetWritten(appended);
    }
    // After the last set.
    void Finish() { target_.ApplyPendingKeys(pending_); }
    // After a failure: the rows appended keep their keys, unless the run's own transaction rolls them back.
    void Failed(TDataChangeRun& run) {
        if (!run.OwnTransaction()) Finish();
    }

private:
    TDataCursor& target_;
    size_t size_;
    std::vector<uint8_t> images_;
    TPendingKeys pending_;
};

} // namespace

void ExecuteInsertSelect(TDataQuery& query) {
    TSourceTable& target = Target(query);
    TDataCursor& cursor = *target.Cursor;
    TSourceRows rows(*query.InsertSourceQuery, cursor);
    TInsertRowCopy copy(query, cursor);
    std::span<uint8_t> image(target.RecordBuffer);
    TExpectedAppends appends(cursor, rows.Count());
    TDataChangeRun run(cursor, RunOptions(query), query.RowsAffected);
    if (!AppendsInSets(query, cursor)) {
        run.Run(rows.Count(), [&](TDataChangeRun& r) {
            while (!r.Aborted() && rows.Next()) {
                r.RowRead();
                r.RowWriting();
                cursor.InitRecordBuffer(image);
                AppendRecord(cursor, image, [&] { copy.Put(query, cursor, image, rows); });
                r.RowWritten();
            }
        });
        return;
    }
    TRowSet set(cursor);
    run.Run(rows.Count(), [&](TDataChangeRun& r) {
        try {
            while (!r.Aborted() && rows.Next()) {
                r.RowRead();
                cursor.InitRecordBuffer(image);
                try {
                    copy.Put(query, cursor, image, rows);
                } catch (...) {
                    set.Append(r); // the rows before this one are appended, as one by one
                    throw;
                }
                if (set.Add(image) >= std::min(r.RowsBeforeCommit(), TRowSet::Rows)) set.Append(r);
            }
            set.Append(r);
        } catch (...) {
            set.Failed(r);
            throw;
        }
        set.Finish();
    });
}

} // namespace vorsam
