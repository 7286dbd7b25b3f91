// Running START TRANSACTION, ROLLBACK and COMMIT on the statement's database.
//
// START TRANSACTION starts the database's transaction; ROLLBACK forgets its changes and ends it; COMMIT
// writes them (flushed to disk with FLUSH) and ends it. Starting one while one is open raises the SQL error
// "Transaction already in progress for database '<name>'", ending one that is not open "Transaction not in
// progress for database '<name>'", the name being the database's (its folder for a database on disk).
#pragma once

#include <cstdint>

namespace vorsam {

class TDataDirectory;

enum class TTransactionStatement : uint8_t { Start, Rollback, Commit };

void RunTransactionStatement(TTransactionStatement statement, TDataDirectory& database, bool flush);

} // namespace vorsam
