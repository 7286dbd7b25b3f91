// The values of an INSERT or UPDATE: evaluated for a row (all of them before any is put, so that
// `SET a = b, b = a` swaps) and put into the target's record image (ColumnPut.h), and what they read.
#pragma once

#include "db/lib/ExpressionEvaluator.h"
#include "db/sql/ColumnPut.h"
#include "db/sql/DataQuery.h"
#include "db/sql/SourceProgram.h"

#include <cstdint>
#include <span>
#include <vector>

namespace vorsam {

class TDataCursor;

// Every value of a row, evaluated before any is put (a value without an expression is NULL).
std::vector<TExpTree> EvaluateValues(TDataQuery& query, const TEvaluationContext& context);

void PutValues(TDataQuery& query, TDataCursor& cursor, std::span<uint8_t> image,
               const std::vector<TExpTree>& values, const char* kind);

// The values of an UPDATE compiled over the sources (SourceProgram.h), each evaluated into a token of its
// own that the rows reuse: what EvaluateValues and PutValues do, without a tree walk per value and row.
class TUpdateValues {
public:
    explicit TUpdateValues(TDataQuery& query)
        : programs_(query.UpdateValues.size()), tokens_(programs_.size()) {
        for (size_t i = 0; i < programs_.size(); ++i)
            if (query.UpdateValues[i]->Expression)
                programs_[i].Compile(query, *query.UpdateValues[i]->Expression);
    }
    // Every value of the current row, evaluated before any is put (a value without an expression is NULL).
    void Put(TDataQuery& query, TDataCursor& cursor, std::span<uint8_t> image) {
        for (size_t i = 0; i < programs_.size(); ++i) {
            if (programs_[i].Compiled())
                WriteExpValue(tokens_[i], programs_[i].Evaluate(query));
            else
                tokens_[i].SetNull();
        }
        for (size_t i = 0; i < tokens_.size() && i < query.UpdateFields.size(); ++i)
            PutColumnValue(cursor, image, *query.UpdateFields[i], tokens_[i],
                           query.UpdateValues[i]->SourceText, "UPDATE");
    }

private:
    std::vector<TSourceProgram> programs_;
    std::vector<TExpToken> tokens_;
};

// True when the values read columns of the target alone: they are then worked out from the record as it
// is when it is locked for the change.
bool ValuesReadTargetOnly(const TDataQuery& query);

// True when a value reads a table as it is worked out (a sub-select, LASTAUTOINC or IDENT_CURRENT): it may
// see the rows changed before it.
bool ValuesReadTables(const TDataQuery& query);

} // namespace vorsam
