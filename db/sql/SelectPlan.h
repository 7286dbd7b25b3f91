// The steps of preparing and running a SELECT block, shared by the files that hold them:
//   SelectPrepare.cpp     sources, result columns, result table
//   SelectOrdering.cpp    ORDER BY, GROUP BY, DISTINCT
//   JoinPlanner.cpp       join tree, WHERE distribution, joined rows
//   GroupAggregates.cpp   aggregate folding
//   SelectRun.cpp         the run of a block, sorts, UNION
//   SelectLive.cpp        results served by the table's own cursor
//   SelectCorrelated.cpp  correlated sub-selects
//   StatementRun.cpp      statements and scripts
//
// TSelectState is the runtime's part of a block (TDataQuery::Extension): the temporary result table it
// made (deleted when the block goes), the running totals of RUNSUM columns, the field descriptors read
// once, a correlated sub-select's WHERE as written, and a sub-select's values gathered and their sets.
#pragma once

#include "db/sql/DataQuery.h"
#include "db/sql/JoinAccess.h"
#include "db/sql/ResultColumnCopy.h"
#include "db/sql/RowKeys.h"
#include "db/sql/SourceProgram.h"
#include "db/sql/SubSelectValues.h"

#include "db/lib/ExpressionMembership.h"
#include "db/lib/ExpressionValues.h"
#include "db/lib/FieldDescriptor.h"

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <span>
#include <string>
#include <vector>

namespace vorsam {

class TDataCursor;
class TSourceReadBatch;

class TSelectState : public TQueryExtension {
public:
    ~TSelectState() override;
    bool CloseAndDropResult(TDataCursor& result) noexcept override;

    // The temporary result table: deleted (its files or its in-memory table) when the block is freed.
    TDataDirectory* TempDirectory = nullptr;
    std::string TempTableName;
    bool TempInMemory = false;
    bool TempDeleted = false; // with the result cursor's close
    // The in-memory result table is as CreateResultTable made it: nothing has been written to it yet.
    bool ResultUnwritten = false;

    std::vector<TExpValue> RunningTotals; // by result column index (RUNSUM)
    // Field descriptors of the cursors the block reads and writes, by cursor and layout, each taken when
    // first asked for (FieldDescOf).
    struct TCursorFields {
        const TDataCursor* Cursor;
        bool TableLayout;
        std::vector<std::unique_ptr<TFieldDescriptor>> Descriptors; // by field number - 1; null: not yet
    };
    std::vector<TCursorFields> Fields;
    // A sub-select whose WHERE reads columns of an enclosing block: run again for each outer row, its WHERE
    // (kept here as written) copied with the outer columns' current values in their place.
    bool Correlated = false;
    TExpTree CorrelatedWhere;
    // The values of a sub-select gathered by its run in place of its result table (SubSelectValues.h).
    TGatheredValues Gathered;
    // The sets the expression layer built from the values of this block as a sub-select (IN), emptied
    // whenever the block runs: a set never outlives the run whose rows it was read from.
    TExpMembershipCache Membership;
    // The batch of source reads of the row loop going on (RunLevels.h); null outside one.
    TSourceReadBatch* ReadBatch = nullptr;
    // The copy of the source columns into result records, worked out at the start of each run.
    TResultColumnCopy ColumnCopy;
    // The per-row conditions compiled at their first test after each change of them (SourceProgram.h).
    TSourceProgram RowProgram1;
    TSourceProgram RowProgram2;
    // Whether the source's cursor serves each WHERE term as a filter, as the first pass of a run found it
    // (JoinPlanner.cpp).
    struct TFilterVerdict {
        const TExpToken* Predicate;
        const TDataCursor* Cursor;
        bool Served;
    };
    std::vector<TFilterVerdict> FilterVerdicts;
    // The ways each join condition offers from an owner to a target, as the run's join planning found them
    // (JoinPlanner.cpp): kept from the choice of the driving source to the choice of the joins' ways,
    // forgotten when a join is turned round and at the run's end.
    struct TJoinWaysFound {
        const TExpToken* Condition;
        const TSourceTable* Owner;
        const TSourceTable* Target;
        TJoinWays Ways;
    };
    std::vector<TJoinWaysFound> JoinWays;
};
TSelectState& SelectState(TDataQuery& query);

// --- Preparation (SelectPrepare.cpp) ---
// One more use of the statement's database (the in-memory one by its name, one on disk by its folder).
TDataDirectory& OpenStatementDatabase(const TDataQuery& query);
void OpenSources(TDataQuery& query);
void AllocateSourceBuffers(TDataQuery& query);
void ResolveSourceColumns(TDataQuery& query);
void CreateResultCursor(TDataQuery& query, bool privateDirectory);
void CreateResultTable(TDataQuery& query);
// The column's default name made unique among the block's columns named before `exclude` (those before
// it in the list; all others when it is none): of two columns of one name, the first keeps it.
std::string DefaultColumnName(const TDataQuery& query, const std::string& columnName,
                              const std::string& alias, const TResultField* exclude, uint8_t aggregateKind);

// --- Live results (SelectLive.cpp) ---
// Makes the block's result live when it can be; false when it needs a result table.
bool PrepareLiveResult(TDataQuery& query);
void ExecuteLiveSelect(TDataQuery& query);

// --- Joins (JoinPlanner.cpp) ---
void LinkSources(TDataQuery& query);
void ExtractJoinsFromWhere(TDataQuery& query);
void SortSourcesByLevel(TDataQuery& query);
void ValidateJoins(TDataQuery& query);
void OptimizeWhere(TDataQuery& query, bool firstPass);
// Makes the better driving source, if any, the root of the join tree: the one from which most joins reach
// their targets through an index on their keys, of those the one with the fewest records (JoinPlanner.cpp).
void ReorderJoin(TDataQuery& query);
// Chooses how each join reads its target in this run (JoinAccess.h), for the rows it is expected to meet;
// EndJoinAccesses gives the targets' cursors back as they were and frees what the ways kept.
void PlanJoinAccesses(TDataQuery& query);
void EndJoinAccesses(TDataQuery& query);
bool FirstJoinedRow(TDataQuery& query);
bool NextJoinedRow(TDataQuery& query);
bool NextJoinedRowAfterDelete(TDataQuery& query);
// The correlation names (upper-cased) the tree's columns refer to; binds unbound columns to sources.
std::set<std::string> CorrelationsOf(const TDataQuery& query, TExpToken& tree);
// The source a correlation name (as CorrelationsOf gives it) names; null when none.
TSourceTable* SourceNamed(const TDataQuery& query, const std::string& correlation);

// --- Ordering and grouping (SelectOrdering.cpp) ---
void ResolveOrderBy(TDataQuery& query);
void ResolveGroupBy(TDataQuery& query);
void CheckDistinct(TDataQuery& query);
bool IsAggregateOnly(const TDataQuery& query);
bool IsCountStarOnly(const TDataQuery& query);
bool OrderBySatisfied(const TDataQuery& query);
void ResolveHavingAggregates(TDataQuery& query);
// Field descriptors of the result columns of those numbers, for the record sort.
std::vector<TFieldDescriptor> SortFields(TDataQuery& query,
                                         const std::vector<std::pair<uint16_t, bool>>& columns);

// --- Aggregates (GroupAggregates.cpp) ---
// A source value widened to the aggregate's result type (SUM, RUNSUM, AVG; COUNT gives 1 or NULL).
TExpValue WidenAggregateValue(const TResultField& column, TExpValue value);
// Field `number` of a record of the block's result table.
TExpValue ReadResultValue(TDataQuery& query, std::span<const uint8_t> record, uint16_t number);
void WriteResultValue(TDataQuery& query, std::span<uint8_t> record, uint16_t number, const TExpValue& value);
// Puts the token's value into the field, converted to the field's type when it differs.
void PutResultValue(TDataCursor& cursor, std::span<uint8_t> record, const TFieldDescriptor& field,
                    const TExpToken& value);
// The descriptor of field `number` of the cursor (of its table's layout when `tableField`), read once per
// block and cursor.
const TFieldDescriptor& FieldDescOf(TDataQuery& query, const TDataCursor& cursor, uint16_t number,
                                    bool tableField);
void AccumulateGroup(TDataQuery& query, bool firstRow, std::span<const uint8_t> row,
                     std::span<uint8_t> group);
void FinishGroup(TDataQuery& query, std::span<uint8_t> group);

// The aggregates of a block folded while its rows are read (GroupAggregates.cpp): every aggregate column
// COUNT(*) or an aggregate of a numeric source column, every other column a constant (without GROUP BY) or
// a plain column (grouped, where the caller keeps the groups' totals: TGroupFold).
class TAggregateFold {
public:
    // The running total of one aggregate column of one group, in the column's result type.
    struct TTotal {
        int64_t Int = 0;
        double Real = 0;
        int64_t AvgCount = 0; // the values counted (AVG)
        bool IsNull = true;
    };

    // False when a column of the block is of another kind; `grouped` also refuses RUNSUM.
    bool Compile(TDataQuery& query, bool grouped = false);
    size_t ColumnCount() const { return columns_.size(); }
    // Folds the current joined row.
    void Row(TDataQuery& query);
    // Folds the current joined row into a group's totals (ColumnCount of them; `first`: its first row).
    void Row(TDataQuery& query, std::span<TTotal> totals, bool first);
    // Every column is COUNT(*).
    bool CountsOnly() const;
    // Folds that many joined rows at once (CountsOnly).
    void Rows(uint32_t count);
    // True before the first row.
    bool Empty() const { return first_; }
    // Writes the totals (and AVG's counts) into the group record; FinishGroup completes it.
    void Finish(TDataQuery& query, std::span<uint8_t> group);
    void Finish(TDataQuery& query, std::span<const TTotal> totals, bool empty, std::span<uint8_t> group);

private:
    struct TColumn {
        TResultField* Column;
        size_t Index; // among the block's result columns
        const TSourceTable* Source;
        const TFieldDescriptor* Field; // the source field; none for COUNT(*)
    };
    TExpValue RowValue(const TColumn& column) const;

    std::vector<TColumn> columns_;
    std::vector<TTotal> totals_;
    bool first_ = true;
};

// GROUP BY folded while the rows are read (GroupFold.cpp): each row's group is found by the bytes of its
// GROUP BY columns as its result record holds them (TFieldBytesCopy), its aggregates folded into the
// group's totals (TAggregateFold). At the end each group's record takes its totals and is finished (AVG),
// HAVING keeps it or not, and it is appended to the result, first seen first; the sort by the GROUP BY
// columns then orders the groups as the grouping sort would. Only where equal bytes are what the sort
// takes for equal: GROUP BY columns of integers, dates, times, booleans, bytes, strings under the bytewise
// collation; every column an aggregate that TAggregateFold takes (no RUNSUM) or a plain source column;
// a result nobody keeps (no INTO: a kept table's file is written as the grouping sort writes it).
class TGroupFold {
public:
    bool Compile(TDataQuery& query);
    // Folds the current joined row into its group.
    void Row(TDataQuery& query);
    void AppendTo(TDataQuery& query);

private:
    TAggregateFold fold_;
    std::vector<std::pair<const TSourceTable*, TFieldBytesCopy>> copies_; // the plain columns
    std::vector<std::pair<uint16_t, uint16_t>> keyFields_; // offset and bytes of each GROUP BY field
    TRowKeys groups_;
    size_t recordSize_ = 0;
    std::vector<uint8_t> records_; // each group's record, first seen first
    std::vector<TAggregateFold::TTotal> totals_;
    std::vector<uint8_t> row_;
    std::string key_;
};

// --- COUNT(*) over a join that counts its last table's rows in an index (JoinLeafCount.cpp) ---
// A block whose every column is COUNT(*), without per-row conditions, whose last table (the leaf) has no
// join of its own, no filter but its join's, and one inner join to it whose condition is "owner's integer
// expression = leaf's integer column" where an index of the leaf leads with that column and takes the
// owner's values unconverted: for each row of the other tables, the leaf's matching rows are counted
// from the index's keys (TDataCursor::CountKeys) instead of being read. A NULL owner value matches none.
class TJoinLeafCount {
public:
    // True when the run can count the leaf so (the joins and filters of this run placed).
    bool Plan(TDataQuery& query);
    // The leaf's rows that match the current row of the other tables.
    uint32_t Count(TDataQuery& query);

    // Takes the leaf's join out of its owner for the run, so that the other tables' rows are read without
    // it, and puts it back at its place at the end.
    class TDetached {
    public:
        explicit TDetached(TJoinLeafCount& count);
        ~TDetached();
        TDetached(const TDetached&) = delete;
        TDetached& operator=(const TDetached&) = delete;

    private:
        TSourceTable& owner_;
        std::unique_ptr<TTableJoin> join_;
        size_t at_ = 0;
    };

private:
    TSourceTable* leaf_ = nullptr;
    TSourceTable* owner_ = nullptr;
    TTableJoin* join_ = nullptr;
    uint8_t index_ = 0;
    uint16_t field_ = 0;
    uint8_t fieldType_ = 0;
    TSourceProgram value_;
    std::vector<uint8_t> image_;
};

// --- Correlated sub-selects (SelectCorrelated.cpp) ---
// Compiles the block's WHERE for this run; a sub-select's columns of enclosing blocks become constants
// of their current values.
void CompileRunWhere(TDataQuery& query);
bool IsCorrelated(const TDataQuery& query);
// True when the tree holds a sub-select that is run again for each outer row.
bool HasCorrelatedSubSelect(const TExpToken& tree);

// --- DISTINCT served by an index (DistinctFromIndex.cpp) ---
// Runs the block from an index's keys when it can (its result table then holds the distinct rows in
// order); false, nothing written, when it cannot.
bool RunDistinctFromIndex(TDataQuery& query);

// --- Running (SelectRun.cpp) ---
// The column (a plain source column, one under an aggregate, or COUNT(*)) of the current joined row put
// into the result record through a value token (converted, widened to an aggregate's result type).
void CopySourceColumn(TDataQuery& query, TResultField& column, std::span<uint8_t> record);
void DropSourceFilters(TDataQuery& query);
void RefreshSources(TDataQuery& query);
void ExecuteSelect(TDataQuery& query);

// --- Other statement types: preparation and execution of the data-change, definition and transaction
// statements (ChangeDispatch.cpp) ---
void PrepareChangeStatement(TDataQuery& query);
void ExecuteChangeStatement(TDataQuery& query);

} // namespace vorsam
