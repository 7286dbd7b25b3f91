// Reading the joined rows of a query block as nested loops over its source tables (TSourceTable,
// TTableJoin).
//
// A join's condition holds, in each comparison, the owner's side on the left and the target's on the
// right. For each row of the owner the join finds its target's matching rows the way chosen for the run
// (JoinAccess.h: through an index on its keys, or from the target's rows kept in memory), or else installs
// on the target's cursor an engine filter made from the condition with the owner's values filled in
// (TTableJoin::BuildFilterTree): the target then sees only its matching rows. FirstMatch / NextMatch walk the
// tree of joins below a source depth-first. A left outer join whose target has no matching row still yields
// the owner's row once; the target is then at its end (Eof) and its record buffer holds no value (every field
// NULL), so the sources below it show no row either. Every read goes through the source's RecordBuffer.
#pragma once

#include <cstdint>

namespace vorsam {

class TExpToken;
class TSourceTable;
class TTableJoin;

// The source's first row (from its first record) for which every join below it is positioned; false at
// the end. At the end a left outer join (`kind` 2) still positions the joins below, which then show no row.
bool FirstMatch(TSourceTable& table, uint8_t kind);
// The next joined row: the joins below advance first, then the source's next record.
bool NextMatch(TSourceTable& table);
// The source's next record with the joins below started afresh (after the current row was deleted).
bool SkipToNextMatch(TSourceTable& table);
// Installs the join's filter (when it has a kind) and finds the target's first matching row; a left outer
// join counts as positioned without one.
bool PositionJoin(TTableJoin& join);
// Exchanges the operands of the comparison and turns its operator so that it means the same.
void MirrorComparisonNode(TExpToken& node);

} // namespace vorsam
