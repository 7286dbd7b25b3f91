// The kill -9 torture: test workers (the engine's test worker, TortureCommands.cpp) do random work
// (RandomWork.h) on two shared people tables of one folder, each worker on keys of its own, and read
// their keys under every lock level in between, each read checked against the worker's oracle. Now and
// then the driver kills a busy worker with SIGKILL at a random moment and starts another in its place.
//
// After each kill the tables are opened again in the driver's process and scanned (OpenAfterCrash.h,
// TableScan.h): the killed worker's keys as they were before its step or, once the step's commit point
// (its write, commit or unlock) was sent, as after it. A commit or an unlock is journaled: every table
// holds it whole or not at all, the same in all of them. A single write that the worker left half done
// carries the mark of an interrupted write: when its files agree the table opens as it is, each record
// as before or after the step; when they do not, the open refuses it (VORSAM_WRITEINTERRUPTED), which
// ends the round. A repaired table never loses a memo. The new worker goes on from what the tables hold.
//
// A round starts with new tables in a folder of its own and ends after its time, or when a table is
// refused, by killing every worker at once and checking the tables the same way, a refused table now
// repaired (no other process holds it any more): a table that then does not open and scan clean counts
// as unusable. A worker that dies by itself, answers an error other than corruption after a kill, reads
// what its oracle does not hold, or does not answer within 30 s fails the test.
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
    uint64_t Steps = 0;    // steps workers completed
    uint64_t Reads = 0;    // reads checked against an oracle
    uint64_t Kills = 0;    // workers killed, the ends of rounds included
    uint64_t Undone = 0;   // killed in a step the tables show undone
    uint64_t Done = 0;     // killed in a step the tables show done
    uint64_t Mixed = 0;    // killed in a commit that one table shows done and another not: never
    uint64_t Accepted = 0; // tables a worker left in the middle of a write that opened as they were
    uint64_t Repaired = 0; // such tables refused and repaired at the end of their round
    uint64_t Unusable = 0; // tables that did not open and scan clean even after their repair
    std::string Text() const;
};

// Runs rounds in subfolders of `folder` until the total time is spent; failures are reported to the
// running test (GoogleTest), which should stop on the first.
TTortureStats RunTorture(const TTortureOptions& options, const std::string& folder);

// The restructure torture: a worker restructures a people table of the folder again and again, adding
// and dropping a last field, and is killed at a random moment of it now and then; after each restructure
// or kill the table opens in the driver's process at once, with the old structure or the new, its
// records as they were, and no swap left unsettled.
struct TRestructureStats {
    uint64_t Done = 0;  // restructures that ended
    uint64_t Kills = 0; // killed in the middle
    uint64_t New = 0;   // of the kills, those the table shows done
};
TRestructureStats RunRestructureTorture(const TTortureOptions& options, const std::string& folder);

} // namespace vorsam::test
