// Reads a whole table every way a reader can: the records in record order forwards and backwards (with
// read-ahead), the leaves of every user index forwards and backwards through their page links, each
// record an index names, every blob of every active record; then the consistency check (VerifyTable).
// The robustness tests run it on tables a crash or a killed process left behind, the fuzzer on tables
// whose files carry flipped bytes.
//
// The check comes first. An engine error (EVORSAMEngineError) that stops the walks, on damaged files the
// clean answer expected of the engine, is kept in the report; so is what the walks see themselves (an
// index entry naming a record that is not active, a leaf chain longer than the file's pages, the two
// directions disagreeing). A table that verifies clean must scan clean too.
//
// WalkWithCursor then reads the same table through a cursor (TDataCursor) of a database of its own: every
// order (the primary one, record order for a table without a primary key, and each secondary index)
// forwards and backwards, and each record again through its bookmark, all under one read level.
#pragma once

#include "db/engine/DataTable.h"
#include "db/engine/TableVerify.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vorsam::test {

struct TScanReport {
    TVerifyReport Verify;              // what VerifyTable found
    std::vector<std::string> Problems; // the walks' own findings
    std::string Raised;                // the message of the engine error that stopped the walks
    uint32_t ActiveRecords = 0;        // in record order
    uint64_t BlobBytes = 0;            // of all blobs read

    bool Ok() const { return Verify.Ok() && WalksOk(); }
    bool WalksOk() const { return Problems.empty() && Raised.empty(); }
    // Every problem, of the check and of the walks, one per line.
    std::string Text() const;
};

// Reads the blob of every BLOB field of the record image whose first block is not 0; returns the bytes.
uint64_t ReadRecordBlobs(TDataTable& table, uint32_t recordNumber, std::span<const uint8_t> image);

// The record numbers of the index in `slot`, in key order, as its leaves hold them (forwards), or in
// reverse key order (backwards); each record is read with its blobs. Problems go to the report.
std::vector<uint32_t> WalkIndex(TDataTable& table, uint8_t slot, bool forwards, TScanReport& report);

// Everything above; the walks under a read level of the table.
TScanReport ScanTable(TDataTable& table);

// Closes the table and walks it with a cursor (above), the session given the table's password;
// problems, or the engine error that stopped the walks, go to the report. No walks for an in-memory
// table made with a folder, which no database reaches (it holds in-memory tables by their bare names).
void CloseAndWalkWithCursor(TDataTable& table, TScanReport& report);

} // namespace vorsam::test
