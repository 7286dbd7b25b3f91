// The lock levels a SELECT run holds across many rows, so that the engine's per-operation work (taking
// read slots, the change check, writing what changed) is done once per batch of rows instead of per row.
//
// TSourceReadBatch: a read level on every open source cursor of the block, held for one batch of records
// read and given up between batches: the block's navigation asks before each record it reads
// (ContinueSourceReads), so a long run of records that make no row is cut into batches too (timed by the
// coarse monotonic clock, CoarseClock.h). Taking it runs
// the change check once; the reads inside the batch then nest in it and take nothing. A batch lasts at most
// SourceReadBatchTime, so that a writer of another process waits for one batch, never for the whole run (WITH
// LOCKS holds its levels for the whole run on top of these). Release gives the levels up before anything that
// may wait (the progress callback); the next Row begins a new batch. The run's end lets them go as a cursor
// operation's end does (the engine's read batches, ReadBatches.h): what the statement does next on the
// cursors (giving their indexes back, closing them) takes no slots again.
//
// TResultWrite: one write level of the block's result table for a run of appended rows. The result table
// is private to the block (opened exclusively: its write level takes no lock). Rows appended through it
// gather in a buffer and go into the table's file a buffer at a time, past its record cache
// (TDataCursor::AppendRecords), when the table takes records so (no keys, no BLOBs); otherwise each goes
// through the table's caches, which write runs of them when full. The end of the level writes the rest
// once. Left by an error, the level still ends as a normal write: the rows appended so far are written
// (those still gathered are dropped; the next run empties the table), and a table that was partly
// written is never left counted as damaged.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace vorsam {

class TDataCursor;
class TDataQuery;
class TDataTable;

inline constexpr std::chrono::milliseconds SourceReadBatchTime{20};

class TSourceReadBatch {
public:
    explicit TSourceReadBatch(TDataQuery& query);
    ~TSourceReadBatch();
    TSourceReadBatch(const TSourceReadBatch&) = delete;
    TSourceReadBatch& operator=(const TSourceReadBatch&) = delete;

    // Called before each record read: begins a batch when none is held, or a new one when this one is used
    // up.
    void Row();
    // Gives the read levels up (an error releasing one is raised once all are released); `asOperation`:
    // as a cursor operation's end does.
    void Release(bool asOperation = false);

private:
    void Begin();
    void EndQuietly(bool asOperation = false) noexcept;

    TDataQuery& query_;
    std::vector<TDataCursor*> held_; // the source cursors, in list order, whose read level the batch holds
    std::chrono::steady_clock::time_point started_;
};

// Before a source record of the block is read: the block's running batch (if any) goes on or begins anew.
void ContinueSourceReads(TDataQuery& query);

class TResultWrite {
public:
    explicit TResultWrite(TDataCursor& result);
    ~TResultWrite();
    TResultWrite(const TResultWrite&) = delete;
    TResultWrite& operator=(const TResultWrite&) = delete;

    // Appends a record of the result (the caller may reuse it at once).
    void Append(std::span<uint8_t> record);
    // Ends the level: the rows gathered are appended and what the rows changed is written.
    void End();

private:
    static constexpr size_t GatherBytes = 64 * 1024;
    void AppendGathered();

    TDataCursor& result_;
    TDataTable& table_;
    bool gathers_;
    std::vector<uint8_t> gathered_; // whole records, one after another
    bool ended_ = false;
};

} // namespace vorsam
