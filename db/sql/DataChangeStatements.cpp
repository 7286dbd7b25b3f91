#include "db/sql/DataChangeStatements.h"

#include "db/engine/DataCursor.h"
#include "db/engine/DataTable.h"
#include "db/engine/IndexNavigator.h"
#include "db/engine/Record.h"
#include "db/lib/ByteUtils.h"
#include "db/lib/ExpressionEvaluator.h"
#include "db/sql/ColumnPut.h"
#include "db/sql/DataChangeRun.h"
#include "db/sql/DataQuery.h"
#include "db/sql/QueryBinding.h"
#include "db/sql/ResultColumnCopy.h"
#include "db/sql/RunLevels.h"
#include "db/sql/SelectPlan.h"
#include "db/sql/SourceProgram.h"

#include <algorithm>
#include <cassert>
#include <functional>
#include <initializer_list>
#include <limits>
#include <numeric>
#include <optional>
#include <unordered_set>

namespace vorsam {

namespace {

// Every value of a row, evaluated before any is put (a value without an expression is NULL).
std::vector<TExpTree> EvaluateValues(TDataQuery& query, const TEvaluationContext& context) {
    std::vector<TExpTree> values;
    for (auto& value : query.UpdateValues)
        values.push_back(value->Expression ? EvaluateExpTree(*value->Expression, context) : NewExpToken());
    return values;
}

void PutValues(TDataQuery& query, TDataCursor& cursor, std::span<uint8_t> image,
               const std::vector<TExpTree>& values, const char* kind) {
    for (size_t i = 0; i < values.size() && i < query.UpdateFields.size(); ++i)
        PutColumnValue(cursor, image, *query.UpdateFields[i], *values[i], query.UpdateValues[i]->SourceText,
                       kind);
}

// The values of an UPDATE compiled over the sources (SourceProgram.h), each evaluated into a token of its
// own that the rows reuse: what EvaluateValues and PutValues do, without a tree walk per value and row.
class TUpdateValues {
public:
    explicit TUpdateValues(TDataQuery& query)
        : programs_(query.UpdateValues.size()), tokens_(programs_.size()) {
        for (size_t i = 0; i < programs_.size(); ++i)
            if (query.UpdateValues[i]->Expression)
                programs_[i].Compile(query, *query.UpdateValues[i]->Expression);
    }
    // Every value of the current row, evaluated before any is put (a value without an expression is NULL).
    void Put(TDataQuery& query, TDataCursor& cursor, std::span<uint8_t> image) {
        for (size_t i = 0; i < programs_.size(); ++i) {
            if (programs_[i].Compiled())
                WriteExpValue(tokens_[i], programs_[i].Evaluate(query));
            else
                tokens_[i].SetNull();
        }
        for (size_t i = 0; i < tokens_.size() && i < query.UpdateFields.size(); ++i)
            PutColumnValue(cursor, image, *query.UpdateFields[i], tokens_[i],
                           query.UpdateValues[i]->SourceText, "UPDATE");
    }

private:
    std::vector<TSourceProgram> programs_;
    std::vector<TExpToken> tokens_;
};

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

// Appends the record; a failure gives up the blobs written into the image.
void AppendRecord(TDataCursor& cursor, std::span<uint8_t> image, const std::function<void()>& fill) {
    try {
        fill();
        cursor.AppendRecord(image);
    } catch (...) {
        cursor.FreeRecordBlobs(image);
        throw;
    }
}

// ---- UPDATE and DELETE: the records to change, then the changes ----

// One past the last of a run of rows that starts at row `first` of `count`: as many rows as the smallest
// limit allows (at least one), never past the last row. A limit may be the largest size_t (no commit
// ahead): the run's end is worked out from the rows left, so that no sum wraps.
size_t RunEnd(size_t first, size_t count, std::initializer_list<size_t> limits) {
    if (first >= count) return count;
    size_t rows = count - first;
    for (size_t limit : limits) rows = std::min(rows, std::max<size_t>(limit, 1));
    return first + rows;
}

// A qualifying target record, with its new values when they were worked out from the joined row.
struct TQualifyingRow {
    uint32_t Record = 0;
    std::vector<TExpTree> Values;
};

// True when the values read columns of the target alone: they are then worked out from the record as it
// is when it is locked for the change.
bool ValuesReadTargetOnly(const TDataQuery& query) {
    bool only = true;
    for (const auto& value : query.UpdateValues)
        ForEachExpNode(*value->Expression, [&](const TExpToken& node) {
            if (node.Kind == nkColumn && node.BoundSource != query.TargetTable) only = false;
        });
    return only;
}

// True when a value reads a table as it is worked out (a sub-select, LASTAUTOINC or IDENT_CURRENT): it may
// see the rows changed before it.
bool ValuesReadTables(const TDataQuery& query) {
    bool tablesRead = false;
    for (const auto& value : query.UpdateValues)
        if (value->Expression)
            ForEachExpNode(*value->Expression, [&](const TExpToken& node) {
                tablesRead = tablesRead || node.Kind == nkSubSelect ||
                             (node.Kind == nkFunction &&
                              (node.Operator == opLastAutoInc || node.Operator == opIdentCurrent));
            });
    return tablesRead;
}

// A read level on every source for the search: one set of locks for the whole walk instead of one per
// record read.
class TSourceReads {
public:
    explicit TSourceReads(TDataQuery& query) {
        for (auto& source : query.SourceTables) {
            source->Cursor->BeginRead();
            reading_.push_back(source->Cursor.get());
        }
    }
    ~TSourceReads() {
        for (auto cursor = reading_.rbegin(); cursor != reading_.rend(); ++cursor) try {
                (*cursor)->EndRead();
            } catch (...) {
                // the levels go with the cursors at the latest; the error that ended the search stands
            }
    }
    TSourceReads(const TSourceReads&) = delete;
    TSourceReads& operator=(const TSourceReads&) = delete;

private:
    std::vector<TDataCursor*> reading_;
};

// A search of a single table that walks its primary index whole (no range, no filter, no values worked
// out from the rows) reads the table in record order instead, which reads each slot once however the
// records lie in the index (and, with a cache that holds the table, passes over the index walk's descents
// and the cursor's work per row), and then puts the rows found into the index's order: the order in which
// the walk would have found them, in which they are changed. Rows that may be changed in record order stay
// in it.
class TRecordOrderSearch {
public:
    TRecordOrderSearch(TDataQuery& query, bool withValues) : cursor_(*query.TargetTable->Cursor) {
        if (withValues || query.SourceTables.size() != 1 || query.TargetTable->Access) return;
        if (cursor_.IndexNumber() != PrimaryIndexSlot || cursor_.GetKeyLength() == 0) return;
        if (cursor_.Range().Active || cursor_.HasActiveFilters() || cursor_.IsRemote()) return;
        keyLength_ = cursor_.Table().KeyLengthOf(PrimaryIndexSlot);
        if (keyLength_ == 0) return;
        cursor_.SetIndexNumber(RecordOrderIndex);
        active_ = true;
    }
    ~TRecordOrderSearch() {
        if (!active_) return;
        try {
            cursor_.SetIndexNumber(PrimaryIndexSlot);
        } catch (...) {
            // the cursor closes with the statement; the error that ended the search stands
        }
    }
    TRecordOrderSearch(const TRecordOrderSearch&) = delete;
    TRecordOrderSearch& operator=(const TRecordOrderSearch&) = delete;

    // The row found in the record buffer.
    void Found(std::span<const uint8_t> image) {
        if (!active_) return;
        size_t at = keys_.size();
        keys_.resize(at + keyLength_);
        cursor_.Table().BuildKeyOf(PrimaryIndexSlot, image, keys_.data() + at);
    }
    // The rows, found in record order, into the index's order.
    void Order(std::vector<TQualifyingRow>& rows) {
        if (!active_) return;
        assert(keys_.size() == rows.size() * keyLength_);
        cursor_.SetIndexNumber(PrimaryIndexSlot);
        active_ = false;
        const TKeyComparator& order = cursor_.Table().KeyOrder(PrimaryIndexSlot);
        std::vector<uint32_t> sorted(rows.size());
        std::iota(sorted.begin(), sorted.end(), 0u);
        auto key = [&](uint32_t i) { return keys_.data() + size_t(i) * keyLength_; };
        auto before = [&](uint32_t a, uint32_t b) {
            int c = order.Compare(key(a), key(b), keyLength_);
            return c != 0 ? c < 0 : rows[a].Record < rows[b].Record;
        };
        // Records that lie in the index's order (appended in it) are found in it already; records that lie
        // in its reverse order (taken from a free chain as the rows came in key order) reversed.
        if (std::is_sorted(sorted.begin(), sorted.end(), before)) return;
        if (std::is_sorted(sorted.begin(), sorted.end(),
                           [&](uint32_t a, uint32_t b) { return before(b, a); }))
            std::reverse(sorted.begin(), sorted.end());
        else if (!WalkIndex(rows, sorted) && !SortShortKeys(sorted))
            std::sort(sorted.begin(), sorted.end(), before);
        std::vector<TQualifyingRow> ordered;
        ordered.reserve(rows.size());
        for (uint32_t i : sorted) ordered.push_back(std::move(rows[i]));
        rows = std::move(ordered);
    }

private:
    // Rows of a good part of the table (an eighth or more) take the order of the index's entries, read
    // leaf after leaf, which costs less than sorting them: `sorted` gets the rows in that order.
    bool WalkIndex(const std::vector<TQualifyingRow>& rows, std::vector<uint32_t>& sorted) {
        TDataTable& table = cursor_.Table();
        uint32_t slots = table.DataFile().Header().NextRecordNumber();
        if (rows.size() * 8 < table.IndexFile().GetActiveRecords()) return false;
        std::vector<uint32_t> rowOf(slots, 0); // by record number, its row + 1
        for (size_t i = 0; i < rows.size(); ++i) rowOf[rows[i].Record] = uint32_t(i + 1);
        TIndexPath path;
        TIndexNavigator index(table.IndexFile(), PrimaryIndexSlot, table.KeyOrder(PrimaryIndexSlot), path);
        TIndexPlace place;
        std::vector<uint32_t> walked;
        walked.reserve(rows.size());
        if (!index.Seek(TKeyBound::NotBelow, nullptr, 0, place)) return false;
        uint32_t record = index.Read(place);
        do {
            if (record < slots && rowOf[record] != 0) walked.push_back(rowOf[record] - 1);
        } while (index.Step(place, 1, nullptr, &record));
        if (walked.size() != rows.size()) return false;
        sorted = std::move(walked);
        return true;
    }

    // Keys of eight bytes at most that compare as bytes are sorted as numbers, each with its row (the rows
    // lie in record order, so equal keys keep it): `sorted` gets the rows in the keys' order.
    bool SortShortKeys(std::vector<uint32_t>& sorted) const {
        if (keyLength_ > 8 || !cursor_.Table().KeyOrder(PrimaryIndexSlot).ComparesBytes()) return false;
        std::vector<std::pair<uint64_t, uint32_t>> keyed(sorted.size());
        for (uint32_t i = 0; i < keyed.size(); ++i)
            keyed[i] = {LoadBE(keys_.data() + size_t(i) * keyLength_, keyLength_), i};
        std::sort(keyed.begin(), keyed.end());
        for (size_t k = 0; k < keyed.size(); ++k) sorted[k] = keyed[k].second;
        return true;
    }

    TDataCursor& cursor_;
    uint16_t keyLength_ = 0;
    bool active_ = false;
    std::vector<uint8_t> keys_; // the rows' primary keys, one after another
};

// A local cursor that walks its table whole in record order (no index, range, filter or layout of its own)
// gives every active record of the table's slots in turn.
bool WalksWholeInRecordOrder(const TDataCursor& cursor) {
    return !cursor.IsRemote() && cursor.GetKeyLength() == 0 && !cursor.HasActiveFilters() &&
           !cursor.Range().Active && cursor.GetRecordSize() == cursor.Table().DataFile().GetRecordSize();
}

// A search of a single table that its cursor walks whole in record order (no join, no range, no filter
// of the cursor's, no layout of its own) reads its slots straight, many at a time, none of them taken into
// the record cache (TDataFile::VisitRecordImages): each active record becomes the target's row as the walk
// would make it.
bool WalksSlots(TDataQuery& query) {
    TSourceTable& target = *query.TargetTable;
    if (query.SourceTables.size() != 1 || !target.Joins.empty() || target.Access || target.NoMatch)
        return false;
    return WalksWholeInRecordOrder(*target.Cursor) &&
           target.RecordBuffer.size() >= target.Cursor->GetRecordSize();
}

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

// The joined rows' target records that pass the per-row conditions, each once, in the order found.
// `recordOrder`: rows found in record order may stay in it (TRecordOrderSearch::Order is not needed).
std::vector<TQualifyingRow> FindQualifyingRows(TDataQuery& query, TDataChangeRun& run, bool withValues,
                                               bool recordOrder = false) {
    TRecordOrderSearch search(query, withValues);
    TSourceReads reads(query);
    std::vector<TQualifyingRow> rows;
    // Only a join can reach one target record from several joined rows.
    bool joined = query.SourceTables.size() > 1;
    std::unordered_set<uint32_t> seen;
    TSourceTable& target = *query.TargetTable;
    auto found = [&](uint32_t record) {
        if (query.HasRowCondition1 && !TestRowCondition(query)) return;
        if (query.HasRowCondition2 && !TestLateRowCondition(query)) return;
        if (joined && !seen.insert(record).second) return;
        TQualifyingRow row;
        row.Record = record;
        if (withValues) row.Values = EvaluateValues(query, SourceContext(query));
        rows.push_back(std::move(row));
        search.Found(target.RecordBuffer);
    };
    if (WalksSlots(query)) {
        constexpr uint32_t Slots = 4096;
        TDataFile& file = target.Cursor->Table().DataFile();
        const size_t size = target.Cursor->GetRecordSize();
        std::vector<uint32_t> numbers;
        for (uint32_t first = 1; first < file.Header().NextRecordNumber() && !run.Aborted(); first += Slots) {
            numbers.resize(std::min(file.Header().NextRecordNumber() - first, Slots));
            std::iota(numbers.begin(), numbers.end(), first);
            file.VisitRecordImages(numbers, [&](uint32_t number, std::span<const uint8_t> image) {
                if (image[0] != RecordActive || run.Aborted()) return;
                run.RowRead();
                std::copy_n(image.begin(), size, target.RecordBuffer.begin());
                target.Eof = false;
                found(number);
            });
        }
        // Where the walk would have left the source: past its last record.
        target.Cursor->SetToEnd();
        target.Cursor->InitEmptyRecord(target.RecordBuffer);
        target.Eof = true;
    } else {
        TDataCursor& cursor = *target.Cursor;
        uint32_t position = 0;
        for (bool more = FirstJoinedRow(query); more && !run.Aborted(); more = NextJoinedRow(query)) {
            uint32_t record = cursor.Position().Record;
            if (record != position) {
                position = record;
                run.RowRead();
            }
            found(record);
        }
    }
    if (!recordOrder) search.Order(rows);
    return rows;
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

// The record locks of the rows to change, taken for runs of rows at once: the next RunRows rows in the
// order they are changed (fewer when a commit comes first), whose records' lock bytes are taken as the
// one range from the lowest number to the highest, held from the run's first row's change to its last
// one's (or to a commit, which always comes with nothing held). The records between them that do not
// change are locked along for that moment. When a run's lock is refused (another user locked a record
// in the range), its rows lock their records each, as any write does.
class TRecordLockRuns {
public:
    static constexpr size_t RunRows = 4096;

    TRecordLockRuns(TDataCursor& writer, const std::vector<TQualifyingRow>& rows)
        : writer_(writer), rows_(rows) {}
    ~TRecordLockRuns() {
        try {
            Release();
        } catch (...) {
            // the lock goes with the table's files at the latest; the error that ended the run stands
        }
    }
    TRecordLockRuns(const TRecordLockRuns&) = delete;
    TRecordLockRuns& operator=(const TRecordLockRuns&) = delete;

    // Before row i is changed, `beforeCommit` rows at most before the next commit: the run it starts,
    // unless a run held covers it.
    void Before(size_t i, size_t beforeCommit) {
        if (i < end_) return;
        Release();
        size_t j = RunEnd(i, rows_.size(), {RunRows, beforeCommit});
        if (j - i < 2) return;
        auto [low, high] = std::minmax_element(
            rows_.begin() + std::ptrdiff_t(i), rows_.begin() + std::ptrdiff_t(j),
            [](const TQualifyingRow& a, const TQualifyingRow& b) { return a.Record < b.Record; });
        if (writer_.HoldRecordRun(low->Record, high->Record - low->Record + 1)) end_ = j;
    }
    void Release() {
        if (end_ == 0) return;
        end_ = 0;
        writer_.ReleaseRecordRun();
    }

private:
    TDataCursor& writer_;
    const std::vector<TQualifyingRow>& rows_;
    size_t end_ = 0; // one past the last row of the run held; 0 when none is
};

// The records of the rows to change, held in the target's record cache for runs of rows at once: the
// rows up to the next commit (at most RunRows, and RunBytes of records), read in record order before the
// first of them is changed and released after the last (or before a commit, which writes only records no one
// holds). Rows found in an order other than their records' then find each record cached, whatever the cache's
// size. Rows in the order of their records (either way round) are read with their neighbours as the writer
// walks (TDataCursor::SetToRecordNo), and a cache that holds the whole table keeps them anyway: nothing is
// held then.
class TRecordPins {
public:
    static constexpr size_t RunRows = 4096, RunBytes = size_t(4) << 20;

    TRecordPins(TDataCursor& writer, const std::vector<TQualifyingRow>& rows)
        : file_(nullptr), rows_(rows), size_(writer.GetRecordSize()) {
        if (writer.IsRemote()) return;
        TDataFile& file = writer.Table().DataFile();
        if (file.CacheLimit() < file.GetRecordCount()) file_ = &file;
    }
    ~TRecordPins() { Release(); }
    TRecordPins(const TRecordPins&) = delete;
    TRecordPins& operator=(const TRecordPins&) = delete;

    // Before row i is changed, `beforeCommit` rows at most before the next commit: the run it starts,
    // unless a run held covers it. Returns the end of the run (one past its last row).
    size_t Before(size_t i, size_t beforeCommit) {
        if (file_ && i < end_) return end_;
        size_t j = RunEnd(i, rows_.size(), {RunRows, beforeCommit, RunBytes / std::max<size_t>(size_, 1)});
        if (!file_) return j;
        Release();
        numbers_.clear();
        for (size_t k = i; k < j; ++k) numbers_.push_back(rows_[k].Record);
        end_ = j;
        bool ascending = std::is_sorted(numbers_.begin(), numbers_.end());
        bool descending = !ascending && std::is_sorted(numbers_.begin(), numbers_.end(), std::greater<>());
        if (ascending || descending) return j;
        if (descending)
            std::reverse(numbers_.begin(), numbers_.end());
        else if (!ascending)
            std::sort(numbers_.begin(), numbers_.end());
        numbers_.erase(std::unique(numbers_.begin(), numbers_.end()), numbers_.end());
        file_->PinRecords(numbers_, pinned_);
        return j;
    }
    void Release() noexcept {
        for (TRecord* record : pinned_) file_->ReleaseRecord(*record);
        pinned_.clear();
        end_ = 0;
    }

private:
    TDataFile* file_;
    const std::vector<TQualifyingRow>& rows_;
    size_t size_; // the records' size
    std::vector<uint32_t> numbers_;
    std::vector<TRecord*> pinned_;
    size_t end_ = 0; // one past the last row of the run held; 0 when none is
};

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

// The rows of the INSERT's source select. A result table is a copy already; a live result is the source
// table's own cursor, which the INSERT may be appending to: its rows are copied first (read in batches of
// read levels, RunLevels.h), so that rows appended meanwhile are never read back, unless the rows go into
// another table's files.
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
        if (WalksWholeInRecordOrder(rows_)) {
            while (ReadSlots()) {
            }
        } else {
            for (;;) {
                batch_->Row();
                if (rows_.GetNextRecord(record_) != 0) break;
                copies_.insert(copies_.end(), record_.begin(), record_.end());
            }
        }
        batch_.reset();
        size_t count = record_.empty() ? 0 : copies_.size() / record_.size();
        count_ = uint32_t(std::min<size_t>(count, std::numeric_limits<uint32_t>::max()));
    }
    uint32_t Count() { return source_.LiveResult ? count_ : rows_.GetRecordCount(); }
    // The next row; false after the last.
    bool Next() {
        if (!source_.LiveResult) return rows_.GetNextRecord(record_) == 0;
        if (streams_ && next_ == copies_.size()) {
            copies_.clear();
            next_ = 0;
            while (copies_.empty() && ReadSlots()) {
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
    // The active records of the next slots join the copies; false past the last slot.
    bool ReadSlots() {
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
            if (image[0] == RecordActive)
                copies_.insert(copies_.end(), image.begin(), image.begin() + std::ptrdiff_t(size));
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
    std::vector<uint8_t> copies_; // records of the live result, one after another
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
