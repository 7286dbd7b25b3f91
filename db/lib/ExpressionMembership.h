// "x IN (SELECT ...)" answered from sets of the sub-select's values read once, instead of comparing x with
// each of its values for every row.
//
// The answer is the one comparing x with each value in turn under the same collation rules gives
// (CompareExp): Found when a value equals x, SawNull when a value is NULL (x itself is never NULL here).
//
// The sets. The values are read once into a set of keys of their own type, duplicates dropped:
// integers, BCD (as currency), dates, times and booleans as 64-bit integers; floats and timestamps as
// doubles, a NaN (which compares equal to everything) noted aside; strings as their collation keys
// (ExpressionValues.h); bytes as they are. Keys that are equal exactly when their bytes are (numbers,
// bytes, strings under language 0) are found by hashing, integers whose range is dense enough in a bitmap
// of it; strings under a locale lie sorted in its order and are found by halving. x is looked up as the
// comparison reads it against values of that type: a number against floats as a double, a float against
// integers or BCD among their values read as doubles (a second set, made at the first such x); an integer
// against BCD scaled to currency, a BCD against integers only when it is a whole number; a timestamp against
// dates among the timestamps of their midnights; a string against numbers, dates, times or booleans as a
// constant of their type (raising the comparison's error when it is none). Strings met by a value of another
// class are read again, each as a constant of that value's type, into a set of their own.
//
// Values no set can answer for exactly are not answered (Find gives nullopt) and the caller compares
// them one by one, which raises the comparison's errors where it would: classes that do not compare,
// values of more than one type, a string that is no value of the type x has, a BCD that does not read.
#pragma once

#include "db/lib/ExpressionValues.h"

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace vorsam {

struct TExpMembership {
    bool Found = false;
    bool SawNull = false;
};

// Hands each value, in order, to `visit` until it returns false (TExpSubQuery::ReadValues).
using TExpValueReader = std::function<void(const std::function<bool(const TExpToken&)>& visit)>;

class TExpValueSet;

// The sets built from one sub-select's values, as long as they are the values `read` hands out: the owner
// of the values clears it whenever they may have changed.
class TExpMembershipCache {
public:
    TExpMembershipCache();
    ~TExpMembershipCache();
    TExpMembershipCache(const TExpMembershipCache&) = delete;
    TExpMembershipCache& operator=(const TExpMembershipCache&) = delete;

    // x (not NULL) against the values `read` hands out, read at the first call that needs them.
    std::optional<TExpMembership> Find(const TExpValue& x, const TCollationRules& rules,
                                       const TExpValueReader& read);
    void Clear();

private:
    struct TEntry;
    TExpValueSet& SetFor(const TCollationRules& rules, const TExpValue* readAs, const TExpValueReader& read);

    std::vector<TEntry> sets_;
};

} // namespace vorsam
