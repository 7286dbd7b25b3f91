// The join tree of a block: sources linked in FROM order, join comparisons taken out of the WHERE tree
// into joins, the tree checked; the WHERE's single-table predicates handed to engine filters or per-row
// conditions at each run; the joined rows read from the driving source.
#include "db/sql/JoinAccess.h"
#include "db/sql/JoinNavigation.h"
#include "db/sql/QueryBinding.h"
#include "db/sql/SelectPlan.h"
#include "db/sql/SqlErrors.h"
#include "db/sql/StatementTypes.h"

#include "db/engine/DataCursor.h"
#include "db/lib/DataTypes.h"
#include "db/lib/ExpressionHost.h"
#include "db/lib/TextUtils.h"

#include <algorithm>
#include <cctype>
#include <limits>
#include <set>

namespace vorsam {

namespace {

constexpr uint32_t SqlFilterFlags = efNoPartialCompare;

std::string Upper(std::string text) {
    for (char& c : text) c = char(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

bool IsLogical(const TExpToken& node) {
    return (node.Kind == nkUnary && node.Operator == opNot) ||
           (node.Kind == nkBinary && (node.Operator == opAnd || node.Operator == opOr));
}

bool IsComparison(const TExpToken& node) {
    return node.Kind == nkBinary && IsComparisonOperator(node.Operator);
}

void CollectCorrelations(const TDataQuery& query, TExpToken& node, std::set<std::string>& names) {
    if (node.Kind == nkSubSelect) return;
    if (node.Kind == nkColumn) {
        if (node.CorrelationName.empty()) {
            uint16_t number = 0;
            if (TSourceTable* source = query.FindColumnSource("", node.ColumnName, number))
                node.CorrelationName = source->CorrelationName;
        }
        if (!node.CorrelationName.empty()) names.insert(Upper(node.CorrelationName));
        return;
    }
    if (node.Left()) CollectCorrelations(query, *node.Left(), names);
    if (node.Right()) CollectCorrelations(query, *node.Right(), names);
    for (size_t i = 0; i < node.ArgCount(); ++i)
        if (node.GetArg(i)) CollectCorrelations(query, *node.GetArg(i), names);
}

bool HasOuterJoinMark(const TExpToken& tree) {
    bool found = false;
    ForEachExpNode(tree, [&found](const TExpToken& node) {
        if (IsComparisonOperator(node.Operator) &&
            (node.JoinKind == jkLeftOuter || node.JoinKind == jkRightOuter))
            found = true;
    });
    return found;
}

bool IsJoinTarget(const TDataQuery& query, const TSourceTable& source, uint8_t kind = 0) {
    for (const auto& owner : query.SourceTables)
        for (const auto& join : owner->Joins)
            if (join->Target == &source && join->JoinKind != tjLink && (kind == 0 || join->JoinKind == kind))
                return true;
    return false;
}

// The join with a kind that targets the source; null for none.
const TTableJoin* JoinTo(const TDataQuery& query, const TSourceTable& source) {
    for (const auto& owner : query.SourceTables)
        for (const auto& join : owner->Joins)
            if (join->Target == &source && join->JoinKind != tjLink) return join.get();
    return nullptr;
}

// True when an outer join lies on the way from the root to the source: the source then shows no row (all
// its fields NULL) in the rows where that join finds no match.
bool SuppliesNulls(const TDataQuery& query, const TSourceTable& source) {
    size_t steps = 0;
    for (const TTableJoin* join = JoinTo(query, source); join && steps++ < query.SourceTables.size();
         join = JoinTo(query, *join->Owner))
        if (join->JoinKind == tjLeftOuter) return true;
    return false;
}

// A WHERE term ANDed with terms of ON clauses, which restrict the rows a join matches, while the WHERE
// term tests the joined rows: each goes its own way.
bool JoinsOnTermsWithOthers(const TExpToken& node) {
    if (node.FromOnClause || node.Kind != nkBinary || node.Operator != opAnd) return false;
    bool onTerm = false;
    ForEachExpNode(node, [&](const TExpToken& n) { onTerm = onTerm || n.FromOnClause; });
    return onTerm;
}

void PushLevel(TSourceTable& parent, TSourceTable& child) {
    if (child.JoinLevel > parent.JoinLevel) return;
    child.JoinLevel = uint16_t(parent.JoinLevel + 1);
    child.SetJoinLevels();
}

// A comparison between two sources becomes a join condition of the parent source to the child.
void TakeJoinComparison(TDataQuery& query, TExpTree node, TSourceTable& left, TSourceTable& right) {
    uint8_t kind = node->JoinKind == jkWhere        ? uint8_t(tjInner)
                   : node->JoinKind == jkRightOuter ? uint8_t(tjLeftOuter)
                                                    : node->JoinKind;
    bool rightParent;
    if (left.HasJoinTo(right)) {
        rightParent = false;
        PushLevel(left, right);
    } else if (right.HasJoinTo(left)) {
        rightParent = true;
        PushLevel(right, left);
    } else if (left.JoinLevel > right.JoinLevel) {
        rightParent = kind == tjLeftOuter || !IsJoinTarget(query, left);
        if (!rightParent) PushLevel(left, right);
    } else if (IsJoinTarget(query, right) && kind == tjInner && !IsJoinTarget(query, left)) {
        rightParent = true;
        PushLevel(right, left);
    } else {
        rightParent = false;
    }
    if (rightParent) MirrorComparisonNode(*node);
    (rightParent ? right : left).AddJoin(kind, std::move(node), rightParent ? left : right);
}

// The part of the node that stays in the WHERE tree (null when all of it was taken out).
TExpTree ExtractNode(TDataQuery& query, TExpTree node) {
    if (IsLogical(*node)) {
        std::set<std::string> names;
        CollectCorrelations(query, *node, names);
        bool multiple = names.size() > 1;
        bool wholeToRow = multiple && (node->Operator != opAnd ||
                                       (ExpTreeIsDisjunction(node.get()) && !HasOuterJoinMark(*node)));
        if (wholeToRow) {
            AddRowCondition(query, std::move(node));
            return nullptr;
        }
        if (node->Operator != opAnd || !multiple) return node;
        TExpTree left = ExtractNode(query, node->TakeLeft());
        TExpTree right = ExtractNode(query, node->TakeRight());
        if (!left) return right;
        if (!right) return left;
        node->SetLeft(std::move(left));
        node->SetRight(std::move(right));
        return node;
    }
    if (IsComparison(*node)) {
        bool leftColumns = ExpTreeHasColumns(node->Left()), rightColumns = ExpTreeHasColumns(node->Right());
        if (leftColumns && rightColumns && query.SourceTables.size() > 1) {
            std::set<std::string> leftNames, rightNames;
            CollectCorrelations(query, *node->Left(), leftNames);
            CollectCorrelations(query, *node->Right(), rightNames);
            if (leftNames.size() > 1 || rightNames.size() > 1)
                SqlError("The join condition cannot contain multiple table correlation names in either the "
                         "left or "
                         "right operand in WHERE or JOIN clause");
            if (leftNames.size() != 1 || rightNames.size() != 1 || leftNames == rightNames) return node;
            TSourceTable* left = SourceNamed(query, *leftNames.begin());
            TSourceTable* right = SourceNamed(query, *rightNames.begin());
            if (!left || !right)
                SqlError(
                    "Internal join error attempting to validate table correlation names involved in join");
            TakeJoinComparison(query, std::move(node), *left, *right);
            return nullptr;
        }
        if (rightColumns && !leftColumns) MirrorComparisonNode(*node);
        return node;
    }
    if (node->Kind == nkFunction || node->Kind == nkPredicate) {
        std::set<std::string> names;
        CollectCorrelations(query, *node, names);
        if (names.size() > 1) {
            AddRowCondition(query, std::move(node));
            return nullptr;
        }
    }
    return node;
}

// --- WHERE distribution ---

void ApplySourceFilter(TDataQuery& query, bool firstPass, const TExpToken& predicate, TSourceTable& source) {
    if (HasCorrelatedSubSelect(predicate)) {
        if (!firstPass) AddLateRowCondition(query, CopyExpTree(&predicate));
        return;
    }
    TDataCursor& cursor = *source.Cursor;
    TDataCursor::TPreparedFilter prepared; // by the judgement below, when it ran
    auto addFilter = [&] {
        query.LastFilterHandle = prepared.Condition ? cursor.AddFilter(std::move(prepared))
                                                    : cursor.AddFilter(predicate, SqlFilterFlags);
        cursor.ActivateFilter(query.LastFilterHandle);
    };
    if (query.LiveResult || query.CountStarOnly || predicate.FromOnClause) {
        if (firstPass || query.LiveResult) addFilter();
        return;
    }
    bool outerTarget = SuppliesNulls(query, source);
    bool joined = outerTarget || IsJoinTarget(query, source, tjInner);
    // What the first pass learned holds for the second: whether an index of the cursor's table serves the
    // predicate depends on neither the join's order nor the cursor's active index or other filters.
    auto& verdicts = SelectState(query).FilterVerdicts;
    auto known = std::find_if(verdicts.begin(), verdicts.end(), [&](const auto& v) {
        return v.Predicate == &predicate && v.Cursor == &cursor;
    });
    bool optimized = !firstPass && known != verdicts.end()
                         ? known->Served
                         : cursor.OptimizeExpression(predicate, SqlFilterFlags, prepared);
    if (firstPass) verdicts.push_back({&predicate, &cursor, optimized});
    if (optimized) {
        if (!firstPass) return;
        if (outerTarget)
            AddLateRowCondition(query, CopyExpTree(&predicate));
        else
            addFilter();
        return;
    }
    if (firstPass) return;
    // A target read through an index or a hash meets the filter once per row it reads, as the test of the
    // joined rows would: the filter keeps the rows that cannot join out of the hash and of the joins below.
    bool filtersOnce = source.Access && !outerTarget;
    if (query.SourceTables.size() == 1 || (joined && !filtersOnce))
        AddLateRowCondition(query, CopyExpTree(&predicate));
    else
        addFilter();
}

TSourceTable& SourceOfNames(TDataQuery& query, const std::set<std::string>& names) {
    if (names.size() > 1) SqlError("Internal table filter error");
    if (names.empty()) return *query.SourceTables.front();
    TSourceTable* source = SourceNamed(query, *names.begin());
    if (!source)
        SqlError("Table correlation name '" + *names.begin() +
                 "' referenced in WHERE clause is not defined in the FROM clause");
    return *source;
}

void OptimizeWhereNode(TDataQuery& query, bool firstPass, TExpToken& node) {
    std::set<std::string> names;
    if (IsLogical(node)) {
        CollectCorrelations(query, node, names);
        if (names.size() <= 1 && !JoinsOnTermsWithOthers(node)) {
            ApplySourceFilter(query, firstPass, node, SourceOfNames(query, names));
            return;
        }
        if (node.Left()) OptimizeWhereNode(query, firstPass, *node.Left());
        if (node.Right()) OptimizeWhereNode(query, firstPass, *node.Right());
        return;
    }
    if ((node.Kind == nkFunction || node.Kind == nkPredicate) && node.GetArg(0))
        CollectCorrelations(query, *node.GetArg(0), names);
    else
        CollectCorrelations(query, node, names);
    ApplySourceFilter(query, firstPass, node, SourceOfNames(query, names));
}

} // namespace

std::set<std::string> CorrelationsOf(const TDataQuery& query, TExpToken& tree) {
    std::set<std::string> names;
    CollectCorrelations(query, tree, names);
    return names;
}

TSourceTable* SourceNamed(const TDataQuery& query, const std::string& correlation) {
    for (const auto& source : query.SourceTables)
        if (Upper(source->CorrelationName) == correlation) return source.get();
    return nullptr;
}

void LinkSources(TDataQuery& query) {
    for (auto& source : query.SourceTables) source->ClearJoins();
    for (size_t i = 0; i + 1 < query.SourceTables.size(); ++i)
        query.SourceTables[i]->AddJoin(tjLink, nullptr, *query.SourceTables[i + 1]);
}

namespace {

// Takes the node out of the tree: the AND above it gives way to the node's other operand.
TExpTree DetachConjunct(TExpTree& root, TExpToken& node) {
    TExpToken* parent = node.Parent();
    if (!parent) return std::move(root);
    bool left = parent->Left() == &node;
    TExpTree taken = left ? parent->TakeLeft() : parent->TakeRight();
    TExpTree other = left ? parent->TakeRight() : parent->TakeLeft();
    TExpToken* above = parent->Parent();
    if (!above)
        root = std::move(other);
    else if (above->Left() == parent)
        above->SetLeft(std::move(other));
    else
        above->SetRight(std::move(other));
    return taken;
}

// A term of an outer join's ON clause tests only the preserved side when it names no table of the other
// side: for LEFT JOIN t, no column of t; for RIGHT JOIN t, no column but t's.
bool TestsPreservedSide(const TDataQuery& query, TExpToken& term, const TDataQuery::TOuterOnClause& clause) {
    std::set<std::string> names;
    CollectCorrelations(query, term, names);
    std::string joined = Upper(clause.Joined->CorrelationName);
    if (clause.Kind == jkLeftOuter) return !names.contains(joined);
    return std::all_of(names.begin(), names.end(), [&](const std::string& name) { return name == joined; });
}

// The outer join the clause made: to the joined table (LEFT), or from it (RIGHT). Without a comparison
// that made one, the plain link of the FROM order to (from) the joined table becomes that outer join.
TTableJoin* OuterJoinOf(const TDataQuery& query, const TDataQuery::TOuterOnClause& clause) {
    bool left = clause.Kind == jkLeftOuter;
    for (uint8_t kind : {uint8_t(tjLeftOuter), uint8_t(tjLink)})
        for (const auto& source : query.SourceTables)
            for (const auto& join : source->Joins)
                if (join->JoinKind == kind && (left ? join->Target : join->Owner) == clause.Joined) {
                    join->JoinKind = tjLeftOuter;
                    return join.get();
                }
    return nullptr;
}

} // namespace

void ExtractJoinsFromWhere(TDataQuery& query) {
    // The terms of outer joins' ON clauses that test only the preserved side leave the WHERE tree, where
    // they would filter the preserved rows away, for their joins.
    struct TTaken {
        TExpTree Term;
        const TDataQuery::TOuterOnClause* Clause;
    };
    std::vector<TTaken> taken;
    for (const TDataQuery::TOuterOnClause& clause : query.OuterOnClauses) {
        std::vector<TExpToken*> conjuncts;
        CollectConjuncts(*clause.Condition, conjuncts);
        for (TExpToken* term : conjuncts)
            if (TestsPreservedSide(query, *term, clause))
                taken.push_back({DetachConjunct(query.WhereTree, *term), &clause});
    }
    if (query.WhereTree) query.WhereTree = ExtractNode(query, std::move(query.WhereTree));
    for (TTaken& term : taken) {
        TTableJoin* join = OuterJoinOf(query, *term.Clause);
        if (!join) {
            AddRowCondition(query, std::move(term.Term));
            continue;
        }
        join->OwnerCondition = join->OwnerCondition ? MakeBinaryNode(opAnd, std::move(join->OwnerCondition),
                                                                     std::move(term.Term))
                                                    : std::move(term.Term);
        join->OwnerCondition->DataType = dtBoolean;
    }
    query.OuterOnClauses.clear();
}

void SortSourcesByLevel(TDataQuery& query) {
    std::stable_sort(query.SourceTables.begin(), query.SourceTables.end(),
                     [](const auto& a, const auto& b) { return a->JoinLevel < b->JoinLevel; });
    for (size_t i = 0; i < query.SourceTables.size(); ++i) query.SourceTables[i]->JoinLevel = uint16_t(i + 1);
}

// A plain link to a source that another join reaches, or to the root, goes. Only two joins that both
// carry a condition cannot target one source: a link is no condition (a star of joins to one table
// leaves the links of the FROM order beside its joins).
void ValidateJoins(TDataQuery& query) {
    for (auto& source : query.SourceTables) {
        auto& joins = source->Joins;
        for (size_t i = joins.size(); i-- > 0;) {
            TTableJoin& join = *joins[i];
            bool shared = false;
            for (const auto& other : query.SourceTables)
                for (const auto& j : other->Joins)
                    if (j.get() != &join && j->Target == join.Target &&
                        (join.JoinKind == tjLink || j->JoinKind != tjLink))
                        shared = true;
            bool toRoot = join.Target == query.SourceTables.front().get();
            if ((shared || toRoot) && join.JoinKind == tjLink) {
                joins.erase(joins.begin() + std::ptrdiff_t(i));
                continue;
            }
            if (shared)
                SqlError("Internal join error - table correlation name \"" + join.Target->CorrelationName +
                         "\" is target of multiple join conditions in WHERE or JOIN clause");
        }
    }
}

void OptimizeWhere(TDataQuery& query, bool firstPass) {
    auto& verdicts = SelectState(query).FilterVerdicts;
    if (firstPass) verdicts.clear();
    if (query.WhereTree && !query.SourceTables.empty()) OptimizeWhereNode(query, firstPass, *query.WhereTree);
    if (!firstPass) verdicts.clear(); // the next run's first pass finds them again
}

namespace {

// The source that has an inner join to the source, first in source order; null for none.
TSourceTable* JoinParent(const TDataQuery& query, const TSourceTable& source) {
    for (const auto& owner : query.SourceTables)
        for (const auto& join : owner->Joins)
            if (join->Target == &source && join->JoinKind == tjInner) return owner.get();
    return nullptr;
}

// True when the join's keys reach its target through an index of the target; `turned`: when the join's
// target were its owner and the owner its target.
// JoinWaysOf, found once per run while no join is turned round (TSelectState::JoinWays).
const TJoinWays& JoinWaysFound(TDataQuery& query, TExpToken& condition, const TSourceTable& owner,
                               const TSourceTable& target) {
    auto& found = SelectState(query).JoinWays;
    for (const auto& entry : found)
        if (entry.Condition == &condition && entry.Owner == &owner && entry.Target == &target)
            return entry.Ways;
    found.push_back({&condition, &owner, &target, JoinWaysOf(query, condition, owner, target)});
    return found.back().Ways;
}

bool ReachedByIndex(TDataQuery& query, const TTableJoin& join, bool turned) {
    if (join.JoinKind == tjLink || !join.Condition) return false;
    const TSourceTable& owner = turned ? *join.Target : *join.Owner;
    const TSourceTable& target = turned ? *join.Owner : *join.Target;
    return !JoinWaysFound(query, *join.Condition, owner, target).IndexKeys.empty();
}

// The joins on the way from the root to the source; false when there is none made of inner joins only (a
// source below an outer join can never drive: the rows of the join's owner are kept whether the source has
// a match or not; one that only a plain link reaches neither).
bool InnerJoinsTo(const TDataQuery& query, const TSourceTable& source, std::vector<const TTableJoin*>& path) {
    path.clear();
    const TSourceTable* at = &source;
    for (const TTableJoin* join = JoinTo(query, source); join; join = JoinTo(query, *at)) {
        if (join->JoinKind != tjInner || path.size() >= query.SourceTables.size()) return false;
        path.push_back(join);
        at = join->Owner;
    }
    return at == query.SourceTables.front().get();
}

// The source that drives better than the first one: among those the first reaches through inner joins
// only, the one from which the most joins reach their targets through an index on their keys; of those,
// the one with the fewest records seen through the filters installed so far, the first source when it is
// one of them.
TSourceTable* BetterDrivingSource(TDataQuery& query) {
    if (query.NoJoinOptimize || query.SourceTables.size() < 2 || query.StatementType == sqlUpdate ||
        query.StatementType == sqlDelete)
        return nullptr;
    TSourceTable* root = query.SourceTables.front().get();
    TSourceTable* best = root;
    int bestIndexed = -1;
    uint32_t fewest = 0;
    std::vector<const TTableJoin*> path;
    for (const auto& source : query.SourceTables) {
        if (!InnerJoinsTo(query, *source, path)) continue;
        int indexed = 0;
        for (const auto& owner : query.SourceTables)
            for (const auto& join : owner->Joins)
                indexed += ReachedByIndex(query, *join,
                                          std::find(path.begin(), path.end(), join.get()) != path.end());
        if (indexed < bestIndexed) continue;
        uint32_t count = source->Cursor->GetRecordCount();
        if (indexed == bestIndexed && count >= fewest) continue;
        best = source.get();
        bestIndexed = indexed;
        fewest = count;
    }
    return best == root ? nullptr : best;
}

// Makes the source the root of the join tree: the joins on the way from the root turn round.
void RerootJoin(TDataQuery& query, TSourceTable& source) {
    TSourceTable* parent = JoinParent(query, source);
    if (!parent) return;
    RerootJoin(query, *parent);
    auto& joins = parent->Joins;
    auto at = std::find_if(joins.begin(), joins.end(), [&](const auto& j) { return j->Target == &source; });
    if (at == joins.end()) SqlError("Internal join optimization error");
    std::unique_ptr<TTableJoin> join = std::move(*at);
    joins.erase(at);
    join->DropFilter();
    join->Owner = &source;
    join->Target = parent;
    join->MirrorCondition();
    source.Joins.push_back(std::move(join));
}

// Relative costs of the ways a join reads its target, per row: an index descent for each owner row, a
// target row read into the hash, a look-up in the hash.
constexpr double IndexSeekCost = 4;
constexpr double HashBuildCost = 2;
constexpr double HashProbeCost = 0.5;

// Chooses the way of each join below the owner, for about `rows` rows of the owner. A join whose condition
// offers neither keys nor a range of an index keeps its target's rows (a hash without keys) rather than
// reading the table through a filter again for each owner row.
void PlanAccessesBelow(TDataQuery& query, TSourceTable& owner, double rows) {
    for (auto& join : owner.Joins) {
        TSourceTable& target = *join->Target;
        double count = target.Cursor->GetRecordCount();
        if (join->JoinKind != tjLink && join->Condition) {
            const TJoinWays& ways = JoinWaysFound(query, *join->Condition, owner, target);
            constexpr double None = std::numeric_limits<double>::infinity();
            double index = ways.IndexKeys.empty() ? None : rows * IndexSeekCost;
            bool keyless = ways.HashKeys.empty() && ways.IndexKeys.empty() && !ways.RangeIndexed;
            bool fits = ways.Keepable && (!ways.HashKeys.empty() || keyless) &&
                        HashJoinBytesFor(uint32_t(count), target.Cursor->GetRecordSize()) <= HashJoinBytes;
            double hash = fits ? count * HashBuildCost + rows * HashProbeCost : None;
            if (hash < index)
                join->Access = TJoinAccess::Hashed(*join, ways);
            else if (index < None)
                join->Access = TJoinAccess::Indexed(*join, ways);
            target.Access = join->Access.get();
            if (hash >= index) target.HoldCaches(); // read again for the owner's rows
        }
        PlanAccessesBelow(query, target, std::max(rows, count));
    }
}

} // namespace

void ReorderJoin(TDataQuery& query) {
    SelectState(query).JoinWays.clear();
    TSourceTable* root = BetterDrivingSource(query);
    if (!root) return;
    SelectState(query).JoinWays.clear(); // the conditions turned round name their sides the other way
    RerootJoin(query, *root);
    auto& sources = query.SourceTables;
    auto at = std::find_if(sources.begin(), sources.end(), [&](const auto& s) { return s.get() == root; });
    std::rotate(sources.begin(), at, at + 1);
    for (size_t i = 0; i < sources.size(); ++i) sources[i]->JoinLevel = uint16_t(i + 1);
}

void PlanJoinAccesses(TDataQuery& query) {
    if (query.SourceTables.size() < 2) return;
    TSourceTable& root = *query.SourceTables.front();
    PlanAccessesBelow(query, root, root.Cursor->GetRecordCount());
}

void EndJoinAccesses(TDataQuery& query) {
    SelectState(query).JoinWays.clear();
    for (auto& source : query.SourceTables) {
        source->Access = nullptr;
        for (auto& join : source->Joins) {
            std::unique_ptr<TJoinAccess> access = std::move(join->Access);
            if (access) access->Close();
        }
    }
}

bool FirstJoinedRow(TDataQuery& query) {
    return FirstMatch(*query.SourceTables.front(), tjInner);
}

bool NextJoinedRow(TDataQuery& query) {
    return NextMatch(*query.SourceTables.front());
}

bool NextJoinedRowAfterDelete(TDataQuery& query) {
    return SkipToNextMatch(*query.SourceTables.front());
}

} // namespace vorsam
