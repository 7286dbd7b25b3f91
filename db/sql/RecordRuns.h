// The records of the rows an UPDATE or DELETE changes one by one, taken for runs of rows at once: their
// record locks (TRecordLockRuns) and their records held in the cache (TRecordPins).
#pragma once

#include "db/engine/DataCursor.h"
#include "db/engine/DataTable.h"
#include "db/sql/QualifyingRows.h"

#include <algorithm>
#include <cstddef>
#include <functional>
#include <initializer_list>
#include <vector>

namespace vorsam {

// One past the last of a run of rows that starts at row `first` of `count`: as many rows as the smallest
// limit allows (at least one), never past the last row. A limit may be the largest size_t (no commit
// ahead): the run's end is worked out from the rows left, so that no sum wraps.
inline size_t RunEnd(size_t first, size_t count, std::initializer_list<size_t> limits) {
    if (first >= count) return count;
    size_t rows = count - first;
    for (size_t limit : limits) rows = std::min(rows, std::max<size_t>(limit, 1));
    return first + rows;
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

    TRecordLockRuns(TDataCursor& writer, const std::vector<uint32_t>& rows) : writer_(writer), rows_(rows) {}
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
        auto [low, high] =
            std::minmax_element(rows_.begin() + std::ptrdiff_t(i), rows_.begin() + std::ptrdiff_t(j));
        if (writer_.HoldRecordRun(*low, *high - *low + 1)) end_ = j;
    }
    void Release() {
        if (end_ == 0) return;
        end_ = 0;
        writer_.ReleaseRecordRun();
    }

private:
    TDataCursor& writer_;
    const std::vector<uint32_t>& rows_; // their records
    size_t end_ = 0;                    // one past the last row of the run held; 0 when none is
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

    TRecordPins(TDataCursor& writer, const std::vector<uint32_t>& rows)
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
        numbers_.assign(rows_.begin() + std::ptrdiff_t(i), rows_.begin() + std::ptrdiff_t(j));
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
    const std::vector<uint32_t>& rows_; // their records
    size_t size_;                       // the records' size
    std::vector<uint32_t> numbers_;
    std::vector<TRecord*> pinned_;
    size_t end_ = 0; // one past the last row of the run held; 0 when none is
};

} // namespace vorsam
