#include "db/sql/SqlErrors.h"

#include "db/lib/EngineErrors.h"
#include "db/lib/ExpressionScanner.h"

namespace vorsam {

void SqlError(std::string text) {
    if (text.size() > MaxSqlErrorText) text.resize(MaxSqlErrorText);
    RaiseEngineError(VORSAM_SQLPARSE, text);
}

void SqlErrorFound(const TExpressionScanner& parser, std::string_view message) {
    SqlError(std::string(message) + parser.TokenText() + "'");
}

} // namespace vorsam
