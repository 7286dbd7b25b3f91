// Opening source tables, their joins, join filters and the nested-loop reading (JoinNavigation.h).
#include "db/sql/DataQuery.h"
#include "db/sql/JoinAccess.h"
#include "db/sql/JoinNavigation.h"
#include "db/sql/QueryBinding.h"
#include "db/sql/QueryStatement.h"
#include "db/sql/RunLevels.h"
#include "db/sql/SelectPlan.h"
#include "db/sql/SourceTable.h"

#include "db/engine/DataCursor.h"
#include "db/engine/DataSession.h"
#include "db/engine/DataTable.h"
#include "db/lib/EngineErrors.h"
#include "db/lib/ExpressionEvaluator.h"

#include <cassert>

namespace vorsam {

namespace {

// SQL filters compare exactly: a value ending in '*' is no prefix pattern.
constexpr uint32_t SqlFilterFlags = efNoPartialCompare;

void MirrorNode(TExpToken& node) {
    if (node.Kind == nkUnary) {
        if (node.Left()) MirrorNode(*node.Left());
        return;
    }
    if (node.Kind != nkBinary) return;
    if (IsComparisonOperator(node.Operator)) {
        MirrorComparisonNode(node);
        return;
    }
    if (node.Left()) MirrorNode(*node.Left());
    if (node.Right()) MirrorNode(*node.Right());
}

// A constant token holding the tree's value for the current row (converted to the type node's type).
TExpTree ValueOf(TExpToken& tree, const TEvaluationContext& context, const TExpToken* typeNode) {
    TExpTree value =
        typeNode ? EvaluateConstantAsType(tree, context, *typeNode) : EvaluateExpTree(tree, context);
    value->Kind = nkConstant;
    value->Name = value->IsNull ? "NULL" : ExpValueText(ReadExpValue(*value));
    return value;
}

TExpTree BuildFilterNode(const TExpToken& node, const TEvaluationContext& context) {
    if (node.Kind == nkBinary && IsComparisonOperator(node.Operator)) {
        TExpTree result = NewExpToken();
        result->Assign(node);
        result->Operator = MirrorComparison(node.Operator);
        result->Name = OperatorText(result->Operator);
        result->SetLeft(CopyExpTree(node.Right()));
        result->SetRight(ValueOf(*node.Left(), context, node.Right()));
        return result;
    }
    TExpTree result = NewExpToken();
    result->Assign(node);
    if (node.Kind == nkFunction || node.Kind == nkPredicate) {
        for (size_t i = 0; i < node.ArgCount(); ++i) {
            TExpToken* arg = node.GetArg(i);
            if (!arg)
                result->AddArg(nullptr);
            else if (ExpTreeHasColumns(arg))
                result->AddArg(CopyExpTree(arg));
            else
                result->AddArg(ValueOf(*arg, context, nullptr));
        }
        return result;
    }
    if (node.Left()) result->SetLeft(BuildFilterNode(*node.Left(), context));
    if (node.Right()) result->SetRight(BuildFilterNode(*node.Right(), context));
    return result;
}

TTableJoin& JoinAt(TSourceTable& table, int i) {
    return *table.Joins[size_t(i)];
}

} // namespace

void MirrorComparisonNode(TExpToken& node) {
    TExpTree left = node.TakeLeft();
    TExpTree right = node.TakeRight();
    node.SetLeft(std::move(right));
    node.SetRight(std::move(left));
    node.Operator = MirrorComparison(node.Operator);
    node.Name = OperatorText(node.Operator);
}

// --- TTableJoin ---

void TTableJoin::AddCondition(uint8_t kind, TExpTree condition) {
    if (!condition) return;
    if (JoinKind == tjLink && !Condition) {
        JoinKind = kind;
        Condition = std::move(condition);
        return;
    }
    if (JoinKind == tjLink) JoinKind = kind;
    Condition = MakeBinaryNode(opAnd, std::move(Condition), std::move(condition));
    Condition->DataType = 4;
}

void TTableJoin::MirrorCondition() {
    if (Condition) MirrorNode(*Condition);
}

TExpTree TTableJoin::BuildFilterTree(const TExpToken& node) {
    return BuildFilterNode(node, SourceContext(*Owner->Query));
}

void TTableJoin::ApplyFilter() {
    assert(Condition);
    TExpTree tree = BuildFilterTree(*Condition);
    TDataCursor& cursor = *Target->Cursor;
    if (FilterHandle == 0) {
        FilterHandle = cursor.AddFilter(*tree, SqlFilterFlags);
        cursor.ActivateFilter(FilterHandle);
    } else {
        cursor.SetFilterRecords(FilterHandle, *tree);
    }
}

// --- TSourceTable ---

void TSourceTable::OpenCursor(const std::function<bool()>& passwordHandler, bool writable) {
    const TDataDirectory& database = *Query->Statement->Database;
    TDataSession& session = database.Session();
    if (!Directory) {
        if (InMemory)
            Directory = &session.OpenDataDirectory("Memory", session.DoGetMemoryDirectory());
        else if (database.InMemory() && DatabaseName == database.Name()) // of the statement's database
            Directory = &OpenStatementDatabase(*Query);
        else
            Directory = &session.OpenDataDirectory("", DatabaseName);
    }
    ReleaseCaches();
    auto cursor = std::make_unique<TDataCursor>(*Directory);
    cursor->SetTableName(TableName);
    cursor->SetReadOnly(!writable);
    cursor->SetExclusive(false);
    cursor->SetInMemory(InMemory);
    cursor->SetSourceCursor(true);
    if (passwordHandler) cursor->SetPasswordCallback(passwordHandler);
    cursor->OpenCursor();
    cursor->SetPasswordCallback({});
    Cursor = std::move(cursor);
    RecordSize = 0;
    RecordBuffer.clear();
}

void TSourceTable::HoldCaches() {
    if (CachesHeld || !CursorOpen() || Cursor->IsRemote()) return;
    CachesHeld = &Cursor->Table();
    CachesHeld->HoldReaderCaches();
}

void TSourceTable::GetFieldDesc(uint16_t& number, std::string& name) const {
    TFieldDescriptor field;
    number = 0;
    name.clear();
    if (Cursor && Cursor->GetTableFieldDesc(1, field)) {
        number = field.FieldNumber();
        name = field.Name();
    }
}

void TSourceTable::AllocRecordBuffer() {
    RecordSize = Cursor->GetRecordSize();
    RecordBuffer.assign(RecordSize, 0);
}

void TSourceTable::FreeRecordBuffer() {
    RecordSize = 0;
    RecordBuffer.clear();
}

void TSourceTable::AddJoin(uint8_t kind, TExpTree condition, TSourceTable& target) {
    for (auto& join : Joins) {
        if (join->Target == &target && (join->JoinKind == kind || join->JoinKind == tjLink)) {
            join->AddCondition(kind, std::move(condition));
            return;
        }
    }
    Joins.push_back(std::make_unique<TTableJoin>(*this, target, std::move(condition), kind));
}

void TSourceTable::SetJoinLevels() {
    for (auto& join : Joins) {
        if (join->JoinKind == tjLink) continue;
        join->Target->JoinLevel = uint16_t(JoinLevel + 1);
        join->Target->SetJoinLevels();
    }
}

void TSourceTable::BindJoinConditions() {
    for (auto& join : Joins) {
        if (join->JoinKind != tjLink && join->Condition) CompileSourceCondition(*Query, *join->Condition);
        if (join->OwnerCondition) CompileSourceCondition(*Query, *join->OwnerCondition);
    }
}

bool TSourceTable::HasJoinTo(const TSourceTable& target) const {
    for (const auto& join : Joins)
        if (join->Target == &target && join->JoinKind != tjLink) return true;
    return false;
}

// --- Navigation ---

namespace {

// Reads the next record into the buffer (none when no row can match); at the end the buffer holds no
// value.
bool ReadNext(TSourceTable& table) {
    ContinueSourceReads(*table.Query);
    TDataCursor& cursor = *table.Cursor;
    if (table.RecordBuffer.size() != cursor.GetRecordSize()) table.AllocRecordBuffer();
    table.Eof = table.NoMatch || (table.Access ? !table.Access->Next()
                                               : cursor.GetNextRecord(table.RecordBuffer) == VORSAM_EOF);
    if (table.Eof) cursor.InitEmptyRecord(table.RecordBuffer);
    return !table.Eof;
}

bool PositionJoins(TSourceTable& table) {
    for (auto& join : table.Joins)
        if (!PositionJoin(*join)) return false;
    return true;
}

// From the record just read (or the end): the first record, this one or later, for which every join
// finds its rows.
bool MatchFromCurrent(TSourceTable& table, uint8_t kind, bool positionAllAtEnd) {
    for (;;) {
        if (table.Eof) {
            if (positionAllAtEnd || kind == tjLeftOuter)
                for (auto& join : table.Joins) PositionJoin(*join);
            return false;
        }
        if (table.Joins.empty() || PositionJoins(table)) return true;
        ReadNext(table);
    }
}

bool AdvanceJoins(TSourceTable& table, int i) {
    if (i < 0) return false;
    TTableJoin& join = JoinAt(table, i);
    if (NextMatch(*join.Target)) return true;
    if (!AdvanceJoins(table, i - 1)) return false;
    return FirstMatch(*join.Target, join.JoinKind) || join.JoinKind == tjLeftOuter;
}

} // namespace

bool PositionJoin(TTableJoin& join) {
    TSourceTable& target = *join.Target;
    target.NoMatch =
        join.OwnerCondition && !EvaluatePredicate(*join.OwnerCondition, SourceContext(*join.Owner->Query));
    if (join.Access && !target.NoMatch && !join.Access->Start()) {
        join.Access.reset(); // the hash would not fit: the filter reads the target
        target.Access = nullptr;
    }
    if (!join.Access && join.JoinKind != tjLink && join.Condition && !target.NoMatch) join.ApplyFilter();
    return FirstMatch(target, join.JoinKind) || join.JoinKind == tjLeftOuter;
}

bool FirstMatch(TSourceTable& table, uint8_t kind) {
    if (table.Access)
        table.Access->Restart();
    else
        table.Cursor->SetToBegin();
    ReadNext(table);
    return MatchFromCurrent(table, kind, false);
}

bool NextMatch(TSourceTable& table) {
    if (table.Eof) return false;
    if (!table.Joins.empty() && AdvanceJoins(table, int(table.Joins.size()) - 1)) return true;
    ReadNext(table);
    return MatchFromCurrent(table, tjInner, false);
}

bool SkipToNextMatch(TSourceTable& table) {
    ReadNext(table);
    return MatchFromCurrent(table, tjInner, true);
}

} // namespace vorsam
