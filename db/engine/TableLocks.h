// The byte-range locks through which processes share a table's three files, and their retry policy.
//
// Lock ranges (1-byte exclusive locks unless stated), all far above any data: a table file never grows
// beyond 4,000,000,000 bytes, so no lock covers data.
//   data file          table lock           4,294,967,295 (0xFFFFFFFF)       a writer, or a process that
//                                                                            locked the whole table
//   data file          record r lock        4,294,967,294 - r                r in 1 .. 200,000,000
//   index, blob file   read slot s          4,294,967,295 - s                s in 1 .. 65,535
//   index, blob file   write lock           4,294,901,759 (0xFFFEFFFF),      covers every read slot
//                                           65,536 bytes
// Record 1's byte is 4,294,967,293 and record 200,000,000's 4,094,967,294, just below the table lock.
// A writer's write lock excludes every reader and any reader excludes a writer, while readers holding
// different slots (drawn at random, 0 taken as 1, drawn again after a refusal) do not exclude each
// other. Locks belong to the file's handle (file layer) and vanish when the process dies.
//
// Retries: the table lock, a read slot and the write lock are tried up to the session's LockTries times
// (32,767 by default, about 98 s), 3 ms apart; record locks are tried once here (the table retries them
// by the session's LockRetryCount and LockWaitTime).
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>

namespace vorsam {

class TFileHandler;

inline constexpr uint64_t TableLockOffset = 0xFFFFFFFF;
inline constexpr uint64_t WriteLockOffset = 0xFFFEFFFF;
inline constexpr uint64_t WriteLockLength = 65536;
inline constexpr uint16_t MaxReadSlot = 65535;
inline constexpr std::chrono::milliseconds LockRetryWait{3};

constexpr uint64_t RecordLockOffset(uint32_t record) {
    return 0xFFFFFFFEull - record;
}
constexpr uint64_t ReadSlotOffset(uint16_t slot) {
    return 0xFFFFFFFFull - slot;
}

// Tries to lock the range up to `tries` times (at least once), waiting 3 ms after each refusal.
bool LockWithRetries(TFileHandler& file, uint64_t offset, uint64_t length, uint32_t tries);

// Takes a read slot, drawing a new random slot after each refusal (up to `tries` tries, 3 ms apart);
// the slot held goes to `slot`.
bool LockReadSlot(TFileHandler& file, uint16_t& slot, uint32_t tries);

// Sleeps between two tries of a lock, after giving up the process's read batches (ReadBatches.h).
// Tests may watch the waits (the observer sees each before it sleeps); none by default.
void WaitBeforeRetry(std::chrono::milliseconds wait);
using TLockWaitObserver = std::function<void(std::chrono::milliseconds wait)>;
void SetLockWaitObserver(TLockWaitObserver observer);

} // namespace vorsam
