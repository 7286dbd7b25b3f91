// Key ranges that serve a filter's condition (CursorFilter.h).
//
// The conjuncts of a prepared condition that compare a column with a constant
// (CollectConjunctComparisons) bound an index whose leading key fields they name: equalities fix the
// first key fields one after another, then the next key field takes a lower and an upper bound (the first
// of each side met; < and > bound as <= and >=) or, in a table of language 0, a prefix. A field's bound
// is used only when
//   - the constant is not NULL and converts to the field's type without change (a string no longer than
//     the field, kept as it is by the field's trimming and character case; 5.0 for an integer field, not
//     5.5), and the field is of a type keys order as values compare (no BLOB, bytes or computed field);
//   - for a string, the index orders as the filter compares: a filter that ignores case needs an index
//     that does; an index that ignores case serves a filter that does not only with equalities and
//     prefixes (the records it lets through are then more than those that can pass, never fewer);
//   - for a prefix, the table's language is 0: under a locale the first characters of a text do not
//     sort as the whole texts do, so the texts that share a prefix need not lie together.
// A bound field's direction (ascending or descending, by index or by field) is found from its keys: a
// null sorts before every value in an ascending field. The range compares the fixed fields and, on each
// side that has a bound, the bound field; the records a range lets through are always a superset of those
// that can pass.
#pragma once

#include "db/engine/CursorFilter.h"

#include <optional>

namespace vorsam {

class TDataCursor;

// The narrowest range any index of the cursor's table gives the condition (bound to the cursor's fields,
// prepared with `flags`); the active index wins a tie. None when no index serves it.
std::optional<TFilterKeyRange> PlanFilterKeyRange(const TDataCursor& cursor, const TExpToken& condition,
                                                  uint32_t flags);

// True when `range` is to be used rather than `best`: it is narrower (more fixed fields, then more bounded
// sides), or as narrow and of the active index (`activeSlot`; -1 in record order), or there is no best.
bool PreferKeyRange(const TFilterKeyRange& range, const std::optional<TFilterKeyRange>& best, int activeSlot);

} // namespace vorsam
