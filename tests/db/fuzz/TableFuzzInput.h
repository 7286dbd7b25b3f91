// The table fuzzer's input and what one run does with it.
//
// An input is a table's three files in one byte string:
//   +0   u32 LE   d, the length of the data file (".DAT")
//   +4   u32 LE   i, the length of the index file (".IDX")
//   +8   d bytes of the data file, then i bytes of the index file, then the blob file (".BLB") to the
//        end; a blob file of no bytes is left out. Lengths beyond the input take what is there.
// A shorter input is a table of empty files.
//
// A run lays the files out as an in-memory table, opens it (which validates the headers against each
// other), checks it (VerifyTable) and scans it every way (TableScan.h), closes it and walks it with a
// cursor (CloseAndWalkWithCursor); then opens it again, deletes its first record and appends it twice
// (either write may be refused), checks it again and deletes the files. An engine error (EVORSAMEngineError)
// is the clean answer to damage; anything else a run throws, and every crash or sanitizer report, is a fault
// of the engine.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

namespace vorsam::test {

// The data, index and blob file's bytes.
using TTableFiles = std::array<std::string, 3>;

std::string PackTableFiles(const TTableFiles& files);
TTableFiles UnpackTableFiles(std::span<const uint8_t> input);

enum class TFuzzOutcome : uint8_t {
    Refused,      // the open raised an engine error
    Damaged,      // opened; the check or the scan found problems, or a read raised an engine error
    Sound,        // opened, checked and scanned without a problem
    Unnoticed,    // the check found nothing, yet the scan found a problem or raised: the check misses it
    BrokenByWrite // sound, yet after the writes (done or refused) the check finds problems
};

// One run (above); `problems` gets the scan's and the check's findings or the error's message.
TFuzzOutcome RunTableInput(std::span<const uint8_t> input, std::string* problems = nullptr);

// A repair of the table the input lays out (TDataTable::Repair), then an open, the check and the scan:
// Refused when the repair raised an engine error (what defines the table is damaged), Sound when the
// repaired table opens, checks and scans clean, Damaged when it does not (a fault of the repair).
TFuzzOutcome RepairTableInput(std::span<const uint8_t> input, std::string* problems = nullptr);

// The three files of the in-memory table `name` as they stand (the table closed).
TTableFiles ReadMemoryTableFiles(const std::string& name);

} // namespace vorsam::test
