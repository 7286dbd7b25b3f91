#include "db/sql/TransactionStatements.h"

#include "db/engine/DataDirectory.h"
#include "db/lib/EngineErrors.h"

#include <string>

namespace vorsam {

namespace {

[[noreturn]] void RaiseTransactionState(const char* state, const TDataDirectory& database) {
    RaiseEngineError(VORSAM_SQLPARSE, std::string("Transaction ") + state + " for database '" +
                                          database.GetDatabaseName() + "'");
}

} // namespace

void RunTransactionStatement(TTransactionStatement statement, TDataDirectory& database, bool flush) {
    bool open = database.InTransaction();
    if (statement == TTransactionStatement::Start) {
        if (open) RaiseTransactionState("already in progress", database);
        database.StartTransaction();
        return;
    }
    if (!open) RaiseTransactionState("not in progress", database);
    if (statement == TTransactionStatement::Rollback)
        database.Rollback();
    else
        database.Commit(true, flush);
}

} // namespace vorsam
