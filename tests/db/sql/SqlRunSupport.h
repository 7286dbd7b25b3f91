// Shared pieces of the SQL engine's tests: a database in a scratch folder (the session's private folder
// there too) and the same tables in an SQLite database, the oracle; statements run to canonical rows.
//
// Canonical rows: one text per row, values joined by '|': NULL as "NULL", integers in decimal, floats with
// 10 significant digits, booleans 0/1, dates and timestamps in ISO form, strings as they are. Both engines'
// results read so compare as texts; unordered comparisons sort the rows first.
#pragma once

#include "../lib/TestSupport.h"

#include "db/engine/DataCursor.h"
#include "db/engine/DataSession.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

struct sqlite3;

namespace vorsam::test {

struct TSqlColumn {
    std::string Name;
    uint8_t Type;
    uint8_t Size = 0; // strings
};

using TSqlValue = std::optional<std::string>; // a constant's text (Values.h); nullopt = NULL
using TSqlRow = std::vector<TSqlValue>;
using TRows = std::vector<std::string>;

struct TSqlTable {
    std::string Name;
    std::vector<TSqlColumn> Columns;
    std::vector<TSqlRow> Rows;
    std::vector<std::string> Key = {};                  // primary-key columns (none: the record order)
    std::vector<std::vector<std::string>> Indexes = {}; // secondary indexes, by column names
};

// The canonical rows of the cursor's records (its first `columns` fields; 0 = all), from its start.
TRows CursorRows(TDataCursor& cursor, uint16_t columns = 0);
TRows Sorted(TRows rows);

class TSqlTest : public ::testing::Test {
protected:
    TSqlTest();
    ~TSqlTest() override;

    // Creates the table in both databases and fills it.
    void AddTable(const TSqlTable& table);
    // Runs the statement (text of this dialect) and answers the result's canonical rows.
    TRows Run(const std::string& sql, int32_t maxRowCount = -1);
    // The same statement (or its SQLite translation) on the oracle.
    TRows Oracle(const std::string& sql);
    // The SQL error text (code 11949) the statement raises; empty when it raises none.
    std::string ErrorOf(const std::string& sql);

    TTempDir dir_;
    TDataSession session_;
    TDataDirectory* database_ = nullptr;
    sqlite3* oracle_ = nullptr;
};

} // namespace vorsam::test
