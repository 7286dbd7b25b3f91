// Preparation and execution of the statements other than SELECT: INSERT, UPDATE, DELETE, the table and
// index definitions and the transaction statements. Until their runtime is built every such statement is
// refused at preparation.
#include "db/sql/SelectPlan.h"
#include "db/sql/SqlErrors.h"
#include "db/sql/StatementTypes.h"

namespace vorsam {

void PrepareChangeStatement(TDataQuery& query) {
    SqlError(std::string(StatementTypeName(query.StatementType)) + " statements are not supported yet");
}

void ExecuteChangeStatement(TDataQuery& query) {
    SqlError(std::string(StatementTypeName(query.StatementType)) + " statements are not supported yet");
}

} // namespace vorsam
