// Canonical S-expression dumps of parsed SQL statements, for table-driven tests: one line per block of
// the statement ("#0 (SELECT ...)", "#1 ..."), each showing the fields that differ from their defaults.
#pragma once

#include <string>

namespace vorsam {

class TDataQuery;
class TExpToken;
class TQueryStatement;

// An expression tree: columns as t.c (a column named by a string as "c"), constants as written
// ('text' for strings, ? for parameters), operators and functions as (op operands...); a comparison
// marked by a JOIN carries /kind, a node marked as coming from an ON clause a trailing ^; a sub-select
// is (SELECT #n) with the block's position in the statement.
std::string DumpExpression(const TQueryStatement& statement, const TExpToken* tree);
std::string DumpQuery(const TQueryStatement& statement, TDataQuery& query);
// Every block of the statement, one per line, "#i " before each.
std::string DumpStatement(const TQueryStatement& statement);

} // namespace vorsam
