// Running the table and index statements of a prepared query block: CREATE TABLE, CREATE INDEX, ALTER
// TABLE, DROP TABLE and DROP INDEX, on the block's result cursor (a closed cursor naming the table in its
// database, exclusive, in memory for MEMORY tables).
//
//   CREATE TABLE  the columns become fields 1..n; the PRIMARY KEY (when given) the primary index, else the
//                 table keeps the record order; IF NOT EXISTS on an existing table does nothing.
//   CREATE INDEX  adds a secondary index over the table's fields; IF NOT EXISTS with an index of that name
//                 does nothing.
//   ALTER TABLE   works out the new structure from the table's own (fields, primary key, secondary indexes,
//                 settings the statement does not give) and the statement's actions in order, then has the
//                 engine rebuild the table, carrying the records over by field number. ADD takes a number
//                 the table never had; ADD ... AT p places the column at p (p past the end appends it);
//                 REDEFINE ... AT p moves it (p past the end: last); REDEFINE or DROP of a column the table
//                 lacks raises "Column <name> not found"; ADD PRIMARY KEY on a table that has one raises
//                 "Cannot REDEFINE the primary key using the ADD keyword" unless the statement dropped it
//                 first. Nothing changes until the whole new structure is built.
//   DROP TABLE    deletes the table's files (IF EXISTS: only when it exists).
//   DROP INDEX    deletes the named secondary index, or with the name PRIMARY (any case) the primary key;
//                 IF EXISTS: only when there is one.
// Engine errors of the cursor (a table in use, a key violation while rebuilding, ...) pass through.
#pragma once

namespace vorsam {

class TDataCursor;
class TDataQuery;
struct TCreateTableArgs;

void ExecuteCreateTable(TDataQuery& query);
void ExecuteCreateIndex(TDataQuery& query);
void ExecuteAlterTable(TDataQuery& query);
void ExecuteDropTable(TDataQuery& query);
void ExecuteDropIndex(TDataQuery& query);

// The table settings of the block (language, sort, user versions, encryption, description, BLOB block
// size) as the engine's CreateTable and RestructureTable take them.
void SetTableSettings(const TDataQuery& query, TCreateTableArgs& args);

// The block's result cursor for a table or index statement: made at preparation (not opened) on the table
// that ResultTableName names, in its database; made here when the block has none yet.
TDataCursor& DefinitionCursor(TDataQuery& query);

} // namespace vorsam
