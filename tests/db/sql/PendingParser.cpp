// Stands in for the statement parser until it is merged.
#include "db/sql/DataQuery.h"
#include "db/sql/SqlErrors.h"

namespace vorsam {

void TDataQuery::ParseStatement(bool, bool, TDataQuery*) {
    SqlError("no parser in this build");
}

} // namespace vorsam
