// The sub-select face of a query block until the runtime binds and runs blocks: every use is refused.
// The runtime replaces this file.
#include "db/sql/DataQuery.h"
#include "db/sql/SqlErrors.h"

namespace vorsam {

bool TDataQuery::BindColumn(TExpToken&) {
    SqlError("Sub-select queries cannot be run by this build");
}

void TDataQuery::ReadValues(const TEvaluationContext&, const std::function<bool(const TExpToken&)>&) {
    SqlError("Sub-select queries cannot be run by this build");
}

} // namespace vorsam
