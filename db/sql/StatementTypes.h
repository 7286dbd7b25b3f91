// Statement types of a query block, as the first keywords of its text select them.
#pragma once

#include <cstdint>
#include <string_view>

namespace vorsam {

enum TStatementType : uint8_t {
    sqlUnknown = 0,
    sqlSelect = 1,
    sqlInsert = 2,
    sqlUpdate = 3,
    sqlDelete = 4,
    sqlCreateTable = 5,
    sqlAlterTable = 6,
    sqlDropTable = 7,
    sqlCreateIndex = 8,
    sqlDropIndex = 9,
    sqlStartTransaction = 10,
    sqlRollback = 11,
    sqlCommit = 12,
};

// "SELECT", "CREATE TABLE", ...; "UNKNOWN" for 0 and every code above 12.
std::string_view StatementTypeName(uint8_t type);

} // namespace vorsam
