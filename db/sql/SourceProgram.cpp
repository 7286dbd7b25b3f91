#include "db/sql/SourceProgram.h"

#include "db/engine/DataCursor.h"
#include "db/lib/DataTypes.h"
#include "db/lib/ExpressionEvaluator.h"
#include "db/sql/DataQuery.h"
#include "db/sql/QueryBinding.h"
#include "db/sql/SelectPlan.h"
#include "db/sql/SourceTable.h"

#include <algorithm>

namespace vorsam {

void TSourceProgram::Clear() {
    tree_ = nullptr;
    program_.Clear();
    sources_.clear();
    images_.clear();
}

void TSourceProgram::Compile(TDataQuery& query, TExpToken& tree) {
    Clear();
    tree_ = &tree;
    auto resolve = [&](const TExpToken& column, TExpColumnPlace& place) {
        auto* source = static_cast<TSourceTable*>(column.BoundSource);
        if (!source || !source->Cursor || column.FieldNumber == 0 ||
            column.FieldNumber > source->Cursor->GetFieldCount())
            return false;
        const TFieldDescriptor& field =
            FieldDescOf(*source->Query, *source->Cursor, column.FieldNumber, true);
        if (field.Computed() || field.DataType() == dtBlob || field.DataType() != column.DataType)
            return false;
        auto at = std::find(sources_.begin(), sources_.end(), source);
        if (at == sources_.end()) at = sources_.insert(sources_.end(), source);
        place.Image = uint8_t(at - sources_.begin());
        place.Offset = field.Offset();
        place.Size = field.PhysicalSize();
        place.AutoIncrement = field.IsAutoIncrement();
        return sources_.size() <= UINT8_MAX;
    };
    TEvaluationContext context = SourceContext(query);
    if (!program_.Compile(tree, resolve, context)) sources_.clear();
    images_.assign(sources_.size(), nullptr);
}

// The sources' current records; false when a buffer is not its source's record (the tree then reads it).
bool TSourceProgram::Images() {
    for (size_t i = 0; i < sources_.size(); ++i) {
        TSourceTable& source = *sources_[i];
        if (source.Eof) {
            images_[i] = nullptr;
            continue;
        }
        if (!source.Cursor || source.RecordBuffer.size() != source.Cursor->GetRecordSize()) return false;
        images_[i] = source.RecordBuffer.data();
    }
    return true;
}

TExpValue TSourceProgram::Evaluate(TDataQuery& query) {
    if (!program_.Empty() && Images()) return program_.Evaluate(images_);
    return EvaluateExpValue(*tree_, SourceContext(query));
}

bool TSourceProgram::Holds(TDataQuery& query) {
    if (!program_.Empty() && Images()) return program_.Holds(images_);
    return EvaluatePredicate(*tree_, SourceContext(query));
}

} // namespace vorsam
