// TTransaction: the transaction of a database (TDataDirectory::StartTransaction, Commit, Rollback).
//
// A transaction is open from StartTransaction until a commit that ends it or a rollback. The tables it
// writes join it at their first write or record lock inside it (TDataTable asks its database at the start
// of each outermost write and before each record lock): each is locked whole for the transaction, so that no
// other process writes it, and holds a use of itself (and of its place in the database's registry) until the
// transaction ends. Its changes stay in the table's caches, which grow up to the session's budget of
// changes (past it they wait in spill files, SpillFile.h); other processes go on reading the files, which
// hold only committed data.
//
// Commit (end transaction, flush) writes the changes of every joined table that has any:
//   1. the write locks of all those tables, taken together: one try at each in turn; when one is
//      refused, those taken are given back and the round starts again 3 ms later (up to the session's
//      LockTries rounds, then VORSAM_LOCKTIMEOUT, nothing written, the transaction still open). A
//      reader of several tables never waits for a commit that waits for it;
//   2. one journaled write of all of them (CommitJournal.h): after a crash at any moment either every
//      table holds the commit or none does, in any process that next uses them.
// With the flush flag (or ForceBufferFlush) the commit waits for the disk (fdatasync) at each step of
// the journaled write; without it, a killed process loses nothing, a failing system may. With end
// transaction false the tables stay locked and joined, and the transaction goes on: their caches keep
// what they grew to (clean now), which the next changes reuse, until the transaction ends. A commit whose
// journaled write fails (an I/O error) before its commit point ends the transaction as a rollback, and the
// error is raised; after it, the commit is done (the tables' next users complete it from the journal).
// A commit that is done raises nothing for the write, but VORSAM_UNLOCKFAILED ("the commit is done")
// when a lock could not be let go after it (the transaction then ended as asked): no error of a commit
// is ever that, so a caller that meets it knows its changes committed, and one that meets any other knows
// they did not.
//
// Rollback forgets the changes of every joined table since the last commit (the caches dropped, the
// headers read again) and ends the transaction. A table that is destroyed during the transaction
// leaves it the same way.
#pragma once

#include <cstddef>
#include <vector>

namespace vorsam {

class TDataDirectory;
class TDataTable;

class TTransaction {
public:
    explicit TTransaction(TDataDirectory& database) : database_(database) {}
    TTransaction(const TTransaction&) = delete;
    TTransaction& operator=(const TTransaction&) = delete;

    bool Active() const { return active_; }
    // The tables that joined, in the order they joined.
    std::vector<TDataTable*> Tables() const;
    size_t TableCount() const { return tables_.size(); }

    void Start();
    // The table joins the open transaction; `registered`: it holds a use of the database's registry
    // entry, given back when it leaves. Returns what the table's lock found changed.
    bool Join(TDataTable& table, bool registered);
    void Commit(bool endTransaction, bool flush);
    // Forgets every change and ends; the first error met is raised once every table has left.
    void Rollback();
    // The table leaves at once, its changes forgotten; false when it had not joined.
    bool Drop(TDataTable& table) noexcept;

private:
    struct TJoined {
        TDataTable* Table;
        bool Registered;
    };

    // `ending`: the commit ends the transaction, and the tables' caches go back to their sizes.
    TDataTable* WriteTables(const std::vector<TDataTable*>& tables, bool flush, bool ending);
    void LockForCommit(const std::vector<TDataTable*>& tables);
    void Leave(const TJoined& joined, bool discard);
    void End(bool discard);

    TDataDirectory& database_;
    bool active_ = false;
    std::vector<TJoined> tables_;
};

} // namespace vorsam
