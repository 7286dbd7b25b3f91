// The kill -9 torture: test workers (the engine's test worker, TortureCommands.cpp) do random work
// (RandomWork.h) on two shared people tables of one folder, each worker on keys of its own, and read
// their keys under every lock level in between, each read checked against the worker's oracle. Now and
// then the driver kills a busy worker with SIGKILL at a random moment and starts another in its place.
//
// After each kill the tables are opened again in the driver's process and scanned (TableScan.h): a
// table either raises a clean corruption error (the killed worker died inside a write: the table stays
// damaged, which ends the round) or scans clean, with the killed worker's keys as they were before its
// step or, once the step's commit point (its write, commit or unlock) was sent, as after it; tables
// one step changes never one before and one after. The new worker goes on from there.
//
// A round starts with new tables in a folder of its own and ends after its time, or when a table is
// damaged, by killing every worker at once and checking the tables the same way. A worker that dies by
// itself, answers an error other than corruption after a kill, reads what its oracle does not hold,
// or does not answer within 30 s fails the test.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace vorsam::test {

struct TTortureOptions {
    size_t Workers = 4;
    std::chrono::milliseconds Round{1500};
    std::chrono::milliseconds Total{15000};
    uint32_t Seed = 1;
};

struct TTortureStats {
    uint64_t Rounds = 0;
    uint64_t Steps = 0;   // steps workers completed
    uint64_t Reads = 0;   // reads checked against an oracle
    uint64_t Kills = 0;   // workers killed, the ends of rounds included
    uint64_t Undone = 0;  // killed in a step the tables show undone
    uint64_t Done = 0;    // killed in a step the tables show done
    uint64_t Damaged = 0; // tables found damaged (a worker died inside a write)
    std::string Text() const;
};

// Runs rounds in subfolders of `folder` until the total time is spent; failures are reported to the
// running test (GoogleTest), which should stop on the first.
TTortureStats RunTorture(const TTortureOptions& options, const std::string& folder);

} // namespace vorsam::test
