#include "db/sql/StatementTypes.h"

#include <array>

namespace vorsam {

std::string_view StatementTypeName(uint8_t type) {
    static constexpr std::array<std::string_view, 13> names = {
        "UNKNOWN",           "SELECT",      "INSERT",     "UPDATE",       "DELETE",
        "CREATE TABLE",      "ALTER TABLE", "DROP TABLE", "CREATE INDEX", "DROP INDEX",
        "START TRANSACTION", "ROLLBACK",    "COMMIT"};
    return type < names.size() ? names[type] : names[0];
}

} // namespace vorsam
