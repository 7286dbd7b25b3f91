// Random work on people tables (PeopleTable.h) for the robustness tests: steps, each of which a crash
// must leave either undone or done as a whole, generated against an oracle of the tables' contents so
// that deletions hit existing keys and memos grow, shrink and vanish.
//
// A step is one unit of work:
//   Write          one put or delete, one write of one table
//   Transaction    puts and deletes over any of the tables inside a transaction of their database,
//                  then a commit (with or without a flush)
//   RolledBack     the same, then a rollback: the tables stay as they were
//   LockedBatch    puts and deletes on one table locked whole; unlocking writes them all at once
#pragma once

#include "PeopleTable.h"

#include "db/engine/DataDirectory.h"

#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace vorsam::test {

struct TEdit {
    size_t Table = 0;
    int32_t Key = 0;
    std::optional<TPerson> Put; // none: delete the key
};

enum class TUnit : uint8_t { Write, Transaction, RolledBack, LockedBatch };

struct TStep {
    TUnit Unit = TUnit::Write;
    bool Flush = false; // a commit's flush flag
    std::vector<TEdit> Edits;

    // The tables the step changes (none for a rollback).
    std::vector<size_t> ChangedTables() const;
    std::string Text() const;
};

// The contents of every table, by table.
using TTablesContents = std::vector<TContents>;

// Applies the step's changes to the oracle.
void ApplyToOracle(const TStep& step, TTablesContents& contents);
// One edit on a table.
void ApplyEdit(TDataTable& table, const TEdit& edit);
// Runs the step on the tables (`database`: theirs, for transactions).
void RunStep(const TStep& step, const std::vector<TDataTable*>& tables, TDataDirectory& database);

class TRandomWork {
public:
    // Keys firstKey .. firstKey + keyCount - 1 of `tables` tables, starting empty.
    TRandomWork(uint32_t seed, size_t tables, int32_t firstKey = 1, int32_t keyCount = 30);

    // The next step, applied to the oracle.
    TStep Next();
    const TTablesContents& Oracle() const { return oracle_; }
    // Takes the tables' contents as they are (after a crash that may or may not have done a step).
    void SetOracle(TTablesContents contents) { oracle_ = std::move(contents); }
    std::mt19937& Random() { return random_; }

private:
    // A put or delete of a random key of the table, applied to `contents`.
    TEdit RandomEdit(size_t table, TContents& contents);

    std::mt19937 random_;
    int32_t firstKey_;
    int32_t keyCount_;
    TTablesContents oracle_;
};

} // namespace vorsam::test
