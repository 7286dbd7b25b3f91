// How a join reaches the rows of its target that match the current row of its owner, when its condition
// equates values of the owner with values of the target (its keys); chosen at each run (JoinPlanner.cpp).
// Without such a way, the join installs an engine filter made from its condition for each owner row
// (TTableJoin::ApplyFilter).
//
//   Index: the target's cursor reads in an index whose leading fields are key columns of the target; for
//     each owner row only the range changes, to the keys built from the owner's values (converted to the
//     columns' types; a value that does not convert, or a NULL, matches nothing). The rows in the range are
//     tested against the condition's terms that the range does not decide: a key term decides when equal
//     keys mean equal values (integers of any width, or both sides dates, times or booleans) and the
//     owner's value is not zero, which a NULL of the column keys as. Other keys (floats, strings, values
//     an index's order may hold equal where the condition tells them apart) are tested on every row.
//   Hash: the target's rows, as its filters let them through, are read once per run into memory, keyed
//     on their key values as the comparison sees them (only keys whose equality is equality of those
//     bytes: integers of any width, the same other type, strings under the bytewise collation); each owner
//     row looks its key up, and the rows found are tested against the condition's other terms. The rows
//     of one key come in record order. A condition without such keys keeps the rows all under one key:
//     each owner row tests the condition on every one of them, without reading the table again. Memory is
//     bounded (HashJoinBytes): a target that does not fit is read through the filter instead.
//
// The target's rows reach the navigation through its record buffer (JoinNavigation.h): a row taken from
// the hash is copied there.
#pragma once

#include "db/lib/ExpressionTree.h"
#include "db/sql/SourceProgram.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vorsam {

class TDataQuery;
class TSourceTable;
class TTableJoin;

// An equality term of a join's condition: an expression of the owner's columns equal to one of the
// target's.
struct TJoinKey {
    TExpToken* OwnerSide;
    TExpToken* TargetSide;
    uint8_t Form; // TJoinKeyForm: how the hash keeps its values (Index keys: unused)
};

// What a join condition offers when `target` is the table read for each row of `owner`.
struct TJoinWays {
    std::vector<TJoinKey> HashKeys;     // the keys the hash can take
    std::vector<TExpToken*> OtherTerms; // the condition's terms that are no hash key
    uint8_t Index = 0;                  // the index serving IndexKeys
    std::vector<TJoinKey> IndexKeys;    // keys on the index's leading fields, in their order; empty: none
    bool RangeIndexed = false; // a term compares an indexed column with <, <=, > or >= (the filter's range)
    bool Keepable = true;      // the target's rows can be kept in memory (it has no BLOB field)
};
TJoinWays JoinWaysOf(TDataQuery& query, TExpToken& condition, const TSourceTable& owner,
                     const TSourceTable& target);
// The terms of a condition that must all hold: the node, or the operands of its ANDs, recursively.
void CollectConjuncts(TExpToken& node, std::vector<TExpToken*>& conjuncts);

// The memory a join's hash may take.
inline constexpr size_t HashJoinBytes = size_t(256) << 20;
static_assert(HashJoinBytes < (size_t(1) << 32), "the hash's offsets are 32-bit");
// What a hash of that many target rows needs (for the choice of the way).
size_t HashJoinBytesFor(uint32_t rows, uint16_t recordSize);

class TJoinAccess {
public:
    static std::unique_ptr<TJoinAccess> Indexed(TTableJoin& join, const TJoinWays& ways);
    static std::unique_ptr<TJoinAccess> Hashed(TTableJoin& join, const TJoinWays& ways);
    ~TJoinAccess();
    TJoinAccess(const TJoinAccess&) = delete;
    TJoinAccess& operator=(const TJoinAccess&) = delete;

    // The owner's row changed: finds the target's rows for it. False when the hash cannot be built within
    // its bound (the join then takes its filter).
    bool Start();
    // From the first row for the owner's row again.
    void Restart();
    // The next matching row into the target's record buffer; false after the last.
    bool Next();
    // Gives the target's cursor its index and range back and frees the hash (the end of a run).
    void Close();

private:
    enum class TWay : uint8_t { Index, Hash };
    TJoinAccess(TTableJoin& join, TWay way);
    bool Build();
    void FreeHash();
    // The keys of the current row of the owner (`owner`) or the target as the hash keeps them; false for a
    // NULL among them.
    bool HashKeyOf(bool owner, std::string& key);
    // A key side that is a stored integer field (or date, time) of its source: read from the record buffer.
    struct TDirectField {
        const TSourceTable* Source = nullptr; // none: the side is evaluated
        uint16_t Offset = 0;                  // the null-indicator byte
        uint8_t DataType = 0;
    };
    static TDirectField DirectField(TDataQuery& query, const TExpToken& side);
    bool Matches();

    TTableJoin& join_;
    TSourceTable& target_;
    TDataQuery& query_;
    TWay way_;
    std::vector<TJoinKey> keys_;
    std::vector<TSourceProgram> ownerValues_;
    TSourceProgram rest_; // the terms tested on each row found (none compiled: none)
    TExpTree restTree_;   // the hash's other terms, ANDed; the index's terms its range does not decide
    bool none_ = false;   // the owner's row matches nothing

    // Index
    TSourceProgram whole_;      // the whole condition, for an owner row whose decided keys may meet NULLs
                                // (compiled at the first such row)
    std::vector<bool> decides_; // by key: the range decides the key's term (see above)
    bool decided_ = false;      // the owner's row: the range decides every key term it may

    uint8_t savedIndex_ = 0;
    bool closed_ = true;
    std::vector<uint8_t> keyImage_;
    std::vector<uint8_t> key_;

    // Hash
    bool built_ = false;
    std::vector<TSourceProgram> targetValues_;
    std::vector<TDirectField> ownerFields_, targetFields_; // by key
    uint16_t recordSize_ = 0;
    // The rows, bucket after bucket (each bucket's in reading order), each as its key's length (4 bytes),
    // its key and its record: a look-up reads one bucket's bytes, one after another.
    std::vector<uint8_t> rows_;
    std::vector<uint32_t> bucketAt_; // where bucket b starts in rows_ (one more: the end; rows_ < 4 GiB)
    uint64_t mask_ = 0;
    std::string probe_;
    size_t next_ = 0, first_ = 0, end_ = 0;
};

} // namespace vorsam
