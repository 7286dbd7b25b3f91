// TSourceTable: one table a query block reads or changes (a FROM or JOIN table, the target of INSERT,
// UPDATE or DELETE, or a table named by LASTAUTOINC()/IDENT_CURRENT()), with its names, its cursor once
// opened and the joins whose rows it drives. TTableJoin: a join from a driving table to a target table,
// whose condition becomes an engine filter on the target's cursor for each driving row.
//
// Naming (SourceTable.cpp): SetTableName splits a name into the database (a folder, or "Memory") and the
// table (without folder and without ".DAT"); the correlation name defaults to the table name.
// Opening, joins and nested-loop navigation belong to the runtime (SourceTableRuntime.cpp).
#pragma once

#include "db/lib/ExpressionTree.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vorsam {

class TDataCursor;
class TDataDirectory;
class TDataTable;
class TDataQuery;
class TJoinAccess;
class TTableJoin;

// Join kinds of a TTableJoin: 0 a plain link without condition, 1 inner, 2 left outer.
enum TTableJoinKind : uint8_t { tjLink = 0, tjInner = 1, tjLeftOuter = 2 };

class TSourceTable {
public:
    explicit TSourceTable(TDataQuery& query);
    // Frees the joins, the record buffer and the cursor (its table's caches let go first), and releases the
    // directory.
    ~TSourceTable();
    TSourceTable(const TSourceTable&) = delete;
    TSourceTable& operator=(const TSourceTable&) = delete;

    TDataQuery* Query;
    TDataDirectory* Directory = nullptr; // opened through the session; released when freed
    std::unique_ptr<TDataCursor> Cursor;
    bool InMemory = false;
    uint16_t JoinLevel = 0;
    uint16_t TableNumber = 0; // 1-based position in the FROM clause as written
    std::string DatabaseName; // a folder, or "Memory"
    std::string TableName;    // without folder and ".DAT"
    std::string CorrelationName;
    uint16_t RecordSize = 0;
    std::vector<uint8_t> RecordBuffer;
    std::vector<std::unique_ptr<TTableJoin>> Joins;
    bool Eof = false;
    // The outer join to this source found the owner's row failing its owner condition: no row matches.
    bool NoMatch = false;
    // How the join to this source reads its rows in the run going on (JoinAccess.h); none: through the
    // join's filter, or the source drives.
    TJoinAccess* Access = nullptr;
    // The table whose caches the source holds at a statement's size from the first run that reads it as a
    // join's inner table, through an index or a filter, until its cursor closes with the statement
    // (TDataTable::HoldReaderCaches): the statement's runs, however many, then find in memory the inner
    // rows that the session's small caches could not keep from one outer row to the next. A table read
    // once through (the driving table, a hashed inner table) keeps the session's caches, which such a
    // walk churns at any size.
    TDataTable* CachesHeld = nullptr;

    // Both do nothing while the cursor is open.
    void SetTableName(const std::string& name);
    void SetCorrelationName(const std::string& name);
    bool CursorOpen() const;
    // Holds the caches of the open cursor's table (once), and lets them go.
    void HoldCaches();
    void ReleaseCaches() noexcept;

    // The field's number in the open cursor; 0 when there is none (or no cursor).
    uint16_t FieldNumber(const std::string& name) const;
    // Frees every join (each drops its filter first).
    void ClearJoins();

    // --- Runtime (SourceTableRuntime.cpp) ---
    void OpenCursor(const std::function<bool()>& passwordHandler, bool writable);
    void GetFieldDesc(uint16_t& number, std::string& name) const;
    void AllocRecordBuffer();
    void FreeRecordBuffer();
    void AddJoin(uint8_t kind, TExpTree condition, TSourceTable& target);
    void SetJoinLevels();
    void BindJoinConditions();
    bool HasJoinTo(const TSourceTable& target) const;
};

class TTableJoin {
public:
    TTableJoin(TSourceTable& owner, TSourceTable& target, TExpTree condition, uint8_t kind);
    // Drops the filter on the target's cursor.
    ~TTableJoin();
    TTableJoin(const TTableJoin&) = delete;
    TTableJoin& operator=(const TTableJoin&) = delete;

    TSourceTable* Owner;
    uint8_t JoinKind; // TTableJoinKind
    TSourceTable* Target;
    TExpTree Condition;
    // Of an outer join: the ON clause's terms that test only the preserved side (the owner's row and
    // those above it). When they fail for the owner's row, the target has no matching row.
    TExpTree OwnerCondition;
    uint32_t FilterHandle = 0; // the engine filter on the target's cursor; 0 = none
    // The way the join reaches its target's rows in the run going on, when not through its filter.
    std::unique_ptr<TJoinAccess> Access;

    // Removes the filter from the target's cursor.
    void DropFilter();

    // --- Runtime (SourceTableRuntime.cpp) ---
    void AddCondition(uint8_t kind, TExpTree condition);
    void MirrorCondition();
    TExpTree BuildFilterTree(const TExpToken& node);
    void ApplyFilter();
};

} // namespace vorsam
