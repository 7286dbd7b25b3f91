// An expression of a query block compiled over its sources' current records (ExpressionProgram.h): its
// columns, bound to sources of the block or of an enclosing block, read straight from the sources' record
// buffers, as SourceColumnValue reads them (a source at its end gives NULL). A tree that does not compile,
// or a row whose buffer is not its source's record, is evaluated as a tree with the block's source
// context: the results are the evaluator's either way.
#pragma once

#include "db/lib/ExpressionProgram.h"
#include "db/lib/ExpressionValues.h"

#include <vector>

namespace vorsam {

class TDataQuery;
class TExpToken;
class TSourceTable;

class TSourceProgram {
public:
    // Compiles the tree (type-checked with the source binder); it must live as long as the program.
    void Compile(TDataQuery& query, TExpToken& tree);
    void Clear();
    bool Compiled() const { return tree_ != nullptr; }
    const TExpToken* Tree() const { return tree_; }
    // The tree's value for the current joined row.
    TExpValue Evaluate(TDataQuery& query);
    // As TestRowCondition: true only for TRUE.
    bool Holds(TDataQuery& query);

private:
    bool Images();

    TExpToken* tree_ = nullptr;
    TExpProgram program_;
    std::vector<TSourceTable*> sources_;
    std::vector<const uint8_t*> images_;
};

} // namespace vorsam
