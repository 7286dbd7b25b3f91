// The transaction of a database, and the database's transaction members.
#include "db/engine/Transaction.h"

#include "db/engine/CommitJournal.h"
#include "db/engine/DataDirectory.h"
#include "db/engine/DataTable.h"
#include "db/engine/TableLocks.h"
#include "db/lib/EngineErrors.h"

#include <algorithm>
#include <cassert>
#include <exception>
#include <optional>
#include <string>

namespace vorsam {

namespace {

// Runs each action, even after one failed; the first error is raised at the end.
class TErrorKeeper {
public:
    template <typename F> void Run(F&& action) {
        try {
            action();
        } catch (...) {
            if (!error_) error_ = std::current_exception();
        }
    }
    void RaiseFirst() {
        if (error_) std::rethrow_exception(error_);
    }

private:
    std::exception_ptr error_;
};

} // namespace

// ---- TTransaction ----

std::vector<TDataTable*> TTransaction::Tables() const {
    std::vector<TDataTable*> tables;
    for (const TJoined& joined : tables_) tables.push_back(joined.Table);
    return tables;
}

void TTransaction::Start() {
    assert(!active_ && tables_.empty());
    active_ = true;
}

bool TTransaction::Join(TDataTable& table, bool registered) {
    assert(active_ && !table.InTransaction());
    tables_.reserve(tables_.size() + 1); // nothing can fail once the table is locked for the transaction
    bool changed = table.EnterTransaction();
    tables_.push_back({&table, registered});
    return changed;
}

void TTransaction::Commit(bool endTransaction, bool flush) {
    assert(active_);
    std::vector<TDataTable*> changed;
    for (const TJoined& joined : tables_)
        if (joined.Table->HasTransactionChanges()) changed.push_back(joined.Table);
    // Past the write the commit is done: what fails after it is said as what it is (Transaction.h). The
    // tables may go with the end of the transaction: what names the one to report is taken first.
    std::optional<TErrorContext> failed;
    auto note = [&](const TErrorContext& names, const std::string& what) {
        if (failed) return;
        failed = names;
        failed->ExtraText = "the commit is done; then " + what;
    };
    auto namesOf = [](const TDataTable& table) {
        TErrorContext names;
        names.Database = table.DatabaseName();
        names.Table = table.TableName();
        return names;
    };
    const std::string unlock = "a lock of the table could not be let go";
    if (!changed.empty())
        if (TDataTable* unreleased = WriteTables(changed, flush, endTransaction))
            note(namesOf(*unreleased), unlock);
    if (!endTransaction) {
        if (failed) RaiseEngineError(VORSAM_UNLOCKFAILED, *failed);
        return;
    }
    // A table unchanged since an intermediate commit still has the caches that commit kept.
    for (const TJoined& joined : tables_)
        if (std::find(changed.begin(), changed.end(), joined.Table) == changed.end() &&
            !joined.Table->EndCommit(true))
            note(namesOf(*joined.Table), unlock);
    const TErrorContext first = tables_.empty() ? TErrorContext{} : namesOf(*tables_.front().Table);
    try {
        End(false);
    } catch (const EVORSAMEngineError& e) {
        note(first, e.what());
    }
    if (failed) RaiseEngineError(VORSAM_UNLOCKFAILED, *failed);
}

void TTransaction::Rollback() {
    assert(active_);
    End(true);
}

bool TTransaction::Drop(TDataTable& table) noexcept {
    auto it = std::find_if(tables_.begin(), tables_.end(),
                           [&](const TJoined& joined) { return joined.Table == &table; });
    if (it == tables_.end()) return false;
    TJoined joined = *it;
    tables_.erase(it);
    TErrorKeeper errors;
    errors.Run([&] { Leave(joined, true); }); // the table goes away: what failed goes with it
    return true;
}

// The steps of a commit (Transaction.h): the write locks, then one journaled write of every table. Once
// the write is done, the first table whose write locks could not be let go; none when all went.
TDataTable* TTransaction::WriteTables(const std::vector<TDataTable*>& tables, bool flush, bool ending) {
    LockForCommit(tables); // a refusal writes nothing: the transaction goes on
    try {
        TCommitJournal::WriteTables(tables, flush);
    } catch (...) {
        // The changes were forgotten (before the commit point; after it the write is done and raises
        // nothing): the transaction ends; the write's error is the one to report.
        for (TDataTable* table : tables) table->EndCommit(true);
        TErrorKeeper ignored;
        ignored.Run([&] { End(true); });
        throw;
    }
    TDataTable* unreleased = nullptr;
    for (TDataTable* table : tables)
        if (!table->EndCommit(ending) && !unreleased) unreleased = table;
    return unreleased;
}

// All the tables' write locks at once, or none: a round that meets a refusal, or a failure, gives back
// what it took. A lock the system refuses to let go is no longer held here (FileHandler.h): the next
// round takes it over.
void TTransaction::LockForCommit(const std::vector<TDataTable*>& tables) {
    uint32_t rounds = std::max<uint32_t>(1, tables.front()->Settings().LockTries);
    for (uint32_t round = 1;; ++round) {
        size_t held = 0;
        auto giveBack = [&] {
            for (size_t i = 0; i < held; ++i) tables[i]->UnlockAfterCommit();
        };
        try {
            while (held < tables.size() && tables[held]->TryLockForCommit()) ++held;
        } catch (...) {
            giveBack();
            throw;
        }
        if (held == tables.size()) return;
        giveBack();
        if (round >= rounds) tables[held]->Raise(VORSAM_LOCKTIMEOUT);
        WaitBeforeRetry(LockRetryWait);
    }
}

void TTransaction::Leave(const TJoined& joined, bool discard) {
    TErrorKeeper errors;
    errors.Run([&] { joined.Table->LeaveTransaction(discard); });
    if (joined.Registered) errors.Run([&] { database_.ReleaseTable(*joined.Table); }); // may free it
    errors.RaiseFirst();
}

void TTransaction::End(bool discard) {
    std::vector<TJoined> tables;
    tables.swap(tables_);
    active_ = false;
    TErrorKeeper errors;
    for (const TJoined& joined : tables) errors.Run([&] { Leave(joined, discard); });
    errors.RaiseFirst();
}

// ---- the database's transaction members ----

namespace {

[[noreturn]] void RaiseTransactionState(const TDataDirectory& database, const char* text) {
    RaiseEngineError(VORSAM_INVALIDPARAM, "", "", database.GetDatabaseName(), "", "", "", text);
}

// A database of a server runs its transactions there, through SQL statements.
void RequireLocalTransaction(const TDataDirectory& database) {
    if (database.IsRemote())
        RaiseEngineError(VORSAM_NOTSUPPORTED, "", "", database.GetDatabaseName(), "", "", "",
                         "transactions of a database server outside its SQL statements");
}

} // namespace

void TDataDirectory::StartTransaction() {
    RequireLocalTransaction(*this);
    if (InTransaction()) RaiseTransactionState(*this, "a transaction is already active");
    transaction_.Start();
}

void TDataDirectory::Commit(bool endTransaction, bool flush) {
    RequireLocalTransaction(*this);
    if (!InTransaction()) RaiseTransactionState(*this, "no transaction is active");
    transaction_.Commit(endTransaction, flush);
}

void TDataDirectory::Rollback() {
    RequireLocalTransaction(*this);
    if (!InTransaction()) RaiseTransactionState(*this, "no transaction is active");
    transaction_.Rollback();
}

bool TDataDirectory::JoinTransaction(TDataTable& table) {
    bool registered = EntryOf(table) != tables_.end();
    bool changed = transaction_.Join(table, registered);
    if (registered) AddTableUse(table);
    return changed;
}

} // namespace vorsam
