// The SQL engine's statements as the query component (db/components/VORSAMQuery.h) sees them.
#pragma once

namespace vorsam {

// Installs the factory through which query components make their statements (TQueryStatement); call once
// before the first query is prepared.
void InstallSqlStatements();

} // namespace vorsam
