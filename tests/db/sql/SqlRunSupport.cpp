#include "SqlRunSupport.h"

#include "db/engine/TableDefinition.h"
#include "db/lib/DataTypes.h"
#include "db/lib/Values.h"
#include "db/sql/QueryStatement.h"
#include "db/sql/ResultRows.h"

#include <algorithm>
#include <sqlite3.h>

namespace vorsam::test {

namespace {

std::string SqliteType(const TSqlColumn& column) {
    switch (column.Type) {
    case dtString:
        return "TEXT";
    case dtFloat:
    case dtBcd:
        return "REAL";
    case dtDate:
    case dtTime:
    case dtTimeStamp:
        return "TEXT";
    default:
        return "INTEGER";
    }
}

std::string SqliteLiteral(const TSqlColumn& column, const TSqlValue& value) {
    if (!value) return "NULL";
    if (SqliteType(column) != "TEXT") return *value == "TRUE" ? "1" : *value == "FALSE" ? "0" : *value;
    std::string quoted = "'";
    for (char c : *value) quoted += c == '\'' ? std::string("''") : std::string(1, c);
    return quoted + "'";
}

void SqliteExec(sqlite3* db, const std::string& sql) {
    char* error = nullptr;
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
        std::string text = error ? error : "?";
        sqlite3_free(error);
        throw std::runtime_error("sqlite: " + text + " in " + sql);
    }
}

TIndexDescriptor IndexOf(const TSqlTable& table, const std::vector<std::string>& columns,
                         const std::string& name, bool unique) {
    TIndexDescriptor index;
    index.SetName(name);
    index.SetUnique(unique);
    index.SetFieldCount(uint8_t(columns.size()));
    for (size_t i = 0; i < columns.size(); ++i) {
        auto at = std::find_if(table.Columns.begin(), table.Columns.end(),
                               [&](const TSqlColumn& c) { return c.Name == columns[i]; });
        index.SetFieldNumber(i, uint16_t(at - table.Columns.begin() + 1));
    }
    return index;
}

} // namespace

TRows CursorRows(TDataCursor& cursor, uint16_t columns) {
    return CanonicalRows(cursor, columns);
}

TRows Sorted(TRows rows) {
    std::sort(rows.begin(), rows.end());
    return rows;
}

TSqlTest::TSqlTest() {
    session_.SetLockRetryCount(0);
    session_.SetPrivateDirectory(dir_.Path());
    database_ = &session_.OpenDataDirectory("", dir_.Path());
    sqlite3_open(":memory:", &oracle_);
    SqliteExec(oracle_, "PRAGMA case_sensitive_like = ON");
}

TSqlTest::~TSqlTest() {
    sqlite3_close(oracle_);
}

void TSqlTest::AddTable(const TSqlTable& table) {
    TCreateTableArgs args;
    std::string create = "CREATE TABLE " + table.Name + " (";
    for (size_t i = 0; i < table.Columns.size(); ++i) {
        const TSqlColumn& column = table.Columns[i];
        TFieldDescriptor field;
        field.SetName(column.Name);
        field.SetDataType(column.Type);
        field.SetDeclaredSize(column.Size);
        if (column.Type == dtBcd) field.SetDecimals(2);
        args.Fields.push_back(field);
        create += (i ? ", " : "") + column.Name + " " + SqliteType(column);
    }
    SqliteExec(oracle_, create + ")");
    LayOutFields(args.Fields);
    args.Indexes.push_back(table.Key.empty() ? TIndexDescriptor() : IndexOf(table, table.Key, "", true));
    for (size_t i = 0; i < table.Indexes.size(); ++i)
        args.Indexes.push_back(
            IndexOf(table, table.Indexes[i], table.Name + "_IX" + std::to_string(i + 1), false));
    args.SecondaryCount = uint8_t(table.Indexes.size());
    TDataCursor cursor(*database_);
    cursor.SetTableName(table.Name);
    cursor.CreateTable(args);
    cursor.OpenCursor();
    std::vector<uint8_t> record(cursor.GetRecordSize());
    for (const TSqlRow& row : table.Rows) {
        cursor.InitEmptyRecord(record);
        std::string values;
        for (size_t i = 0; i < row.size(); ++i) {
            const TSqlColumn& column = table.Columns[i];
            values += (i ? ", " : "") + SqliteLiteral(column, row[i]);
            if (!row[i]) continue;
            std::vector<uint8_t> value(std::max<size_t>(ValueBufferSize({column.Type, column.Size, 2}), 64),
                                       0);
            if (!TextToValue(*row[i], {column.Type, column.Size, 2}, value.data()))
                throw std::runtime_error("bad test value " + *row[i]);
            cursor.PutField(uint16_t(i + 1), record, value.data());
        }
        cursor.AppendRecord(record);
        SqliteExec(oracle_, "INSERT INTO " + table.Name + " VALUES (" + values + ")");
    }
}

TRows TSqlTest::Run(const std::string& sql, int32_t maxRowCount) {
    TQueryStatement statement(*database_);
    statement.SetMaxRowCount(maxRowCount);
    statement.Prepare(sql);
    TDataCursor* result = statement.Execute({}, false);
    if (!result) return {};
    return CursorRows(*result, uint16_t(statement.MasterQuery->ResultFields.size()));
}

TRows TSqlTest::Oracle(const std::string& sql) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(oracle_, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK)
        throw std::runtime_error(std::string("sqlite: ") + sqlite3_errmsg(oracle_) + " in " + sql);
    TRows rows;
    while (sqlite3_step(statement) == SQLITE_ROW) {
        std::string row;
        for (int i = 0; i < sqlite3_column_count(statement); ++i) {
            if (i) row += "|";
            switch (sqlite3_column_type(statement, i)) {
            case SQLITE_NULL:
                row += "NULL";
                break;
            case SQLITE_INTEGER:
                row += std::to_string(sqlite3_column_int64(statement, i));
                break;
            case SQLITE_FLOAT:
                row += CanonicalFloatText(sqlite3_column_double(statement, i));
                break;
            default:
                row += reinterpret_cast<const char*>(sqlite3_column_text(statement, i));
            }
        }
        rows.push_back(row);
    }
    sqlite3_finalize(statement);
    return rows;
}

std::string TSqlTest::ErrorOf(const std::string& sql) {
    try {
        Run(sql);
    } catch (const EVORSAMEngineError& e) {
        return e.ErrorCode == VORSAM_SQLPARSE ? e.ErrorMessage : "code " + std::to_string(e.ErrorCode);
    }
    return {};
}

} // namespace vorsam::test
