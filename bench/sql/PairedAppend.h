// Rows appended alike to one of our tables, through a cursor in one whole-table lock, and to SQLite's
// table through a prepared INSERT (inside whatever transaction the caller began): the filling of the SQL
// benchmarks' tables.
#pragma once

#include "bench/engine/BenchSupport.h"

#include "db/engine/DataCursor.h"
#include "db/engine/DataDirectory.h"

#include <cstdint>
#include <sqlite3.h>
#include <vector>

namespace vorsam::bench {

// `put(i, field, statement)` gives row i's values: `field(number, native bytes)` for ours (strings end
// with their zero), binds on the statement for SQLite's.
template <typename Put>
void AppendPaired(TDataDirectory& directory, TSqliteFile& sqlite, const char* table, int64_t count,
                  const char* insert, Put put) {
    TDataCursor cursor(directory);
    cursor.SetTableName(table);
    cursor.OpenCursor();
    std::vector<uint8_t> image(cursor.GetRecordSize());
    sqlite3_stmt* statement = sqlite.Prepare(insert);
    cursor.Table().LockTable();
    for (int64_t i = 0; i < count; ++i) {
        cursor.InitEmptyRecord(image);
        put(
            i,
            [&](uint16_t field, const void* value) {
                cursor.PutField(field, image, static_cast<const uint8_t*>(value));
            },
            statement);
        cursor.AppendRecord(image);
        sqlite.Step(statement);
    }
    cursor.Table().UnlockTable();
}

} // namespace vorsam::bench
