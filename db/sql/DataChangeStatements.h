// Running the data-change statements of a prepared query block on its target table (the block's first
// source): INSERT ... VALUES, INSERT ... SELECT, UPDATE and DELETE.
//
// Values. Each update value is evaluated and put into the target column of the same position
// (ColumnPut.h): INSERT ... VALUES with no column values, INSERT ... SELECT against the fetched row of the
// source select, UPDATE against the joined row. Columns not listed keep their default (INSERT) or their
// value (UPDATE). Every value of a row is evaluated before any is written, so `SET a = b, b = a` swaps.
//
// Runs. INSERT ... VALUES appends one record, without a transaction of its own; a failure leaves no record.
// The others run in the frame of DataChangeRun.h (own transaction, commit interval, progress, abort).
// UPDATE and DELETE first find the qualifying target records (the joined rows that pass the WHERE
// conditions), each once however many joined rows name it, and only then change or delete them in the order
// found, by record number: a change that moves a record in the order being read can never bring it back into
// the walk, so `SET k = k + 1` on the key changes every row exactly once. A record another user deleted
// meanwhile is skipped. Rows counted: each record appended, changed or deleted. An abort (progress) ends the
// search; the records found until then are changed and committed. A failed change releases the record's lock.
//
// Sets. On a local table the rows go in sets that never reach past the next commit: INSERT ... SELECT
// appends a set of rows in one write (TDataCursor::AppendRecords) when the target keeps no blobs and no
// value reads a table; UPDATE (no blobs) and DELETE change or delete a set of records in one write, under
// one range lock (TDataCursor::ModifyRecords, DeleteRecords). A set ends as the same rows written one by one
// would: a row refused stops it there, the rows before it written (and counted, and committed at the
// commit they reach). An UPDATE whose rows can be refused only by their own values (none reads a table, no
// unique key moves) changes the rows up to each commit in the order of their records, their changes tried
// first where the order found decides what stays after a refusal: the same rows are changed, committed and
// refused as in the order found.
//
// Where each part lives: the values in ChangeValues.h, the target made ready and the run's options in
// ChangeTarget.h, the search in QualifyingRows.h, the record runs of changes one by one in RecordRuns.h,
// INSERT ... SELECT in InsertSelect.cpp; INSERT ... VALUES, UPDATE and DELETE in DataChangeStatements.cpp.
#pragma once

namespace vorsam {

class TDataQuery;

void ExecuteInsertValues(TDataQuery& query);
void ExecuteInsertSelect(TDataQuery& query);
void ExecuteUpdate(TDataQuery& query);
void ExecuteDelete(TDataQuery& query);

} // namespace vorsam
