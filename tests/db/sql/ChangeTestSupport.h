// Shared pieces of the data-change and definition tests: a session with a database folder, tables made
// from field lists, and rows read back as text for comparison with an oracle.
#pragma once

#include "db/lib/TestSupport.h"

#include "db/engine/DataCursor.h"
#include "db/engine/DataSession.h"

#include <memory>
#include <string>
#include <vector>

namespace vorsam::test {

struct TColumnSpec {
    std::string Name;
    uint8_t Type;
    uint8_t Size = 0; // declared size (strings, bytes)
    uint8_t SubType = 0;
    uint8_t Scale = 0; // BCD decimals
};

// One row as text: each value as constant text, "NULL" for null, joined by "|".
using TRowText = std::string;

class TChangeTest : public ::testing::Test {
protected:
    TChangeTest();

    // A table of the columns with a unique primary key on the given field numbers (none: record order).
    void CreateTable(const std::string& name, const std::vector<TColumnSpec>& columns,
                     const std::vector<uint16_t>& key = {});
    std::unique_ptr<TDataCursor> Open(const std::string& name, bool exclusive = false) const;
    // Every row of the table in its primary order, or in the order of the named index.
    std::vector<TRowText> Rows(const std::string& name, const std::string& index = "") const;
    // One row of the cursor's record image.
    static TRowText RowOf(TDataCursor& cursor, std::span<const uint8_t> image);

    // Runs a script of statements in the test's database; returns the last statement's row count.
    int32_t RunSql(const std::string& sql);
    // The SQL error text (code 11949) the script raises; "" when it raises none.
    std::string SqlErrorOf(const std::string& sql);

    // The structure as the engine's cursor reports it, in the oracle's forms (SqliteOracle.h): "NAME TYPE"
    // per field with " NOT NULL" for required ones; the primary key's fields; "NAME(FIELD,...)" per
    // secondary index, sorted.
    std::vector<std::string> Columns(const std::string& table) const;
    std::vector<std::string> PrimaryKey(const std::string& table) const;
    std::vector<std::string> Indexes(const std::string& table) const;

    TTempDir dir_;
    TDataSession session_;
    TDataDirectory* database_ = nullptr;
};

} // namespace vorsam::test
