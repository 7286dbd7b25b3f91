// Read batches: the read slots that a table (DataTable.h) takes for one operation of a cursor stay held
// when the operation ends, for the operations that follow, until the batch's time has passed since they
// were taken (20 ms unless set otherwise). A walk through a cursor or the table component so takes the
// table's read slots and runs the change check once per batch instead of once per record, in a program
// with or without a user interface. No writer of another process waits longer than that time and the
// operation under way:
//   - an operation that finds the batch's time over gives the slots up (its walk takes new ones);
//   - the keeper, a thread of the engine's own started with the first batch kept, gives up each batch
//     kept when its time is over, so that a program stopped between two operations (one without an
//     event loop, or one waiting for input) keeps no writer out;
//   - every batch goes at once when this process is about to wait for a lock (WaitBeforeRetry: the
//     holder of that lock may wait for a batch of this process) and when ReleaseWalkReads is called (the
//     user interface calls it whenever its event loop is about to wait).
// Read levels begun by a caller (BeginRead) end as they always did: their slots go with the last level.
//
// Threads. The keeper touches a table's slots only while the table keeps them as a batch; the table
// takes a batch back, before its own thread touches the slots again, with an exchange of its flag, and
// waits on the table's batch lock while the keeper gives the batch up. Neither holds a table's batch
// lock while it waits for anything else.
#pragma once

#include <chrono>

namespace vorsam {

using TBatchClock = std::chrono::steady_clock;

// How long a batch lasts from when its slots were taken; 0 keeps no batch.
std::chrono::milliseconds WalkReadBatchTime();
void SetWalkReadBatchTime(std::chrono::milliseconds time);
// Whether operations keep batches (on unless the program turns them off).
bool WalkReadBatchesEnabled();
void EnableWalkReadBatches(bool on);
// Gives up every batch the process keeps, and the open-mode locks of idle files kept for a grace.
void ReleaseWalkReads();
// From now on, while batches are enabled, a file whose handlers all went idle keeps its open-mode lock
// for a grace (FileList.h, Open-mode grace), which the keeper ends as it ends batches.
void KeepOpenModesForAGrace();

// What the keeper asks of a table that keeps batches.
class TReadBatchHolder {
public:
    // Gives up the batch kept when its time is over at `now` (any batch kept, with `all`). Returns when
    // the slots held then are due to go, or TBatchClock::time_point::max() when nothing is for the
    // keeper to watch (no slots, or an operation under way that found its time over: its end gives
    // them up).
    virtual TBatchClock::time_point GiveUpBatch(TBatchClock::time_point now, bool all) noexcept = 0;

protected:
    ~TReadBatchHolder() = default;
};

// The keeper watches the table from now on, until Unwatch (which waits for a give-up under way on it).
void WatchReadBatches(TReadBatchHolder& holder);
void UnwatchReadBatches(TReadBatchHolder& holder) noexcept;
// A watched table took slots that are due to go at `due`: the keeper looks again by then.
void NoteReadBatchDue(TBatchClock::time_point due);

} // namespace vorsam
