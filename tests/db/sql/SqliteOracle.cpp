#include "SqliteOracle.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>

namespace vorsam::test {

namespace {

std::string Upper(std::string text) {
    for (char& c : text) c = char(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

} // namespace

TSqliteOracle::TSqliteOracle() {
    sqlite3_open(":memory:", &db_);
    Exec("PRAGMA case_sensitive_like = ON");
}

TSqliteOracle::~TSqliteOracle() {
    sqlite3_close(db_);
}

void TSqliteOracle::Exec(const std::string& sql) {
    char* message = nullptr;
    if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
        ADD_FAILURE() << "SQLite: " << (message ? message : "?") << " in " << sql;
        sqlite3_free(message);
    }
}

bool TSqliteOracle::TryExec(const std::string& sql) {
    char* message = nullptr;
    int code = sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &message);
    if (code != SQLITE_OK && code != SQLITE_CONSTRAINT)
        ADD_FAILURE() << "SQLite: " << (message ? message : "?") << " in " << sql;
    sqlite3_free(message);
    return code == SQLITE_OK;
}

int TSqliteOracle::Changes() const {
    return sqlite3_changes(db_);
}

std::vector<std::string> TSqliteOracle::Rows(const std::string& query) {
    std::vector<std::string> rows;
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db_, query.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
        ADD_FAILURE() << "SQLite: " << sqlite3_errmsg(db_) << " in " << query;
        return rows;
    }
    while (sqlite3_step(statement) == SQLITE_ROW) {
        std::string row;
        for (int i = 0; i < sqlite3_column_count(statement); ++i) {
            if (i > 0) row += "|";
            const unsigned char* text = sqlite3_column_text(statement, i);
            row += text ? reinterpret_cast<const char*>(text) : "NULL";
        }
        rows.push_back(row);
    }
    sqlite3_finalize(statement);
    return rows;
}

std::vector<std::string> TSqliteOracle::Columns(const std::string& table) {
    std::vector<std::string> columns;
    for (const std::string& row :
         Rows("SELECT name, type, \"notnull\" FROM pragma_table_info('" + table + "')")) {
        size_t a = row.find('|'), b = row.rfind('|');
        std::string column = Upper(row.substr(0, a)) + " " + Upper(row.substr(a + 1, b - a - 1));
        if (row.substr(b + 1) == "1") column += " NOT NULL";
        columns.push_back(column);
    }
    return columns;
}

std::vector<std::string> TSqliteOracle::PrimaryKey(const std::string& table) {
    std::vector<std::string> key;
    for (const std::string& row :
         Rows("SELECT name FROM pragma_table_info('" + table + "') WHERE pk > 0 ORDER BY pk"))
        key.push_back(Upper(row));
    return key;
}

std::vector<std::string> TSqliteOracle::Indexes(const std::string& table) {
    std::vector<std::string> indexes;
    for (const std::string& name :
         Rows("SELECT name FROM pragma_index_list('" + table + "') WHERE origin = 'c' ORDER BY name")) {
        std::string text = Upper(name) + "(";
        std::vector<std::string> columns =
            Rows("SELECT name FROM pragma_index_info('" + name + "') ORDER BY seqno");
        for (size_t i = 0; i < columns.size(); ++i) text += (i ? "," : "") + Upper(columns[i]);
        indexes.push_back(text + ")");
    }
    std::sort(indexes.begin(), indexes.end());
    return indexes;
}

} // namespace vorsam::test
