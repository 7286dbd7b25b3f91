// SQLite as the oracle of the SQL tests: an in-memory database that runs statements and gives rows and
// table structure in the same text forms as the engine's side of the tests.
#pragma once

#include <sqlite3.h>

#include <string>
#include <vector>

namespace vorsam::test {

class TSqliteOracle {
public:
    TSqliteOracle();
    ~TSqliteOracle();
    TSqliteOracle(const TSqliteOracle&) = delete;
    TSqliteOracle& operator=(const TSqliteOracle&) = delete;

    // Runs the statements (";"-separated); a failure fails the test with SQLite's message.
    void Exec(const std::string& sql);
    // Runs the statements; false when SQLite refuses one for a constraint (any other failure fails the
    // test).
    bool TryExec(const std::string& sql);
    // Rows the last statement inserted, changed or deleted.
    int Changes() const;
    // The rows of a query, each value's text joined by "|", NULL as "NULL".
    std::vector<std::string> Rows(const std::string& query);
    // "name TYPE" per column in order (the declared type as written, upper-cased), "NOT NULL" appended for
    // required columns.
    std::vector<std::string> Columns(const std::string& table);
    // The primary key's columns in key order.
    std::vector<std::string> PrimaryKey(const std::string& table);
    // "name(col,col)" per index that was made by CREATE INDEX, sorted by name (upper-cased).
    std::vector<std::string> Indexes(const std::string& table);

private:
    sqlite3* db_ = nullptr;
};

} // namespace vorsam::test
