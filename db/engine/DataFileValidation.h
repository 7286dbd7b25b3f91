// The consistency rules of a data file's header and field descriptors (DataFileHeader.h): what opening a
// table checks, and what the verify routine checks of a table in use.
//
// In order, the first breach deciding the error:
//   1. the format is 5 (else VORSAM_OLDVERSION);
//   2. a language id other than 0 names an installed collation (else VORSAM_CANNOTLOADLDDRV);
//   3. every descriptor n: field number n; a name that, trimmed of blanks, is 1 to 30 characters and
//      starts with a letter, '_' or a character 128..254, unique ignoring case; a known type; declared
//      size at most 250 for string, bytes and varbytes and 0 for other types; decimals only for BCD;
//      minimum, maximum and default texts that are constants of the type; offset 5 for an
//      auto-increment field, no room for a computed one, and for every other field the running offset
//      (9, then + physical size + 1 per field), physical size and decimals taken from the type;
//   4. the record size is the final running offset;
//   5. the bytes after the descriptors are whole record slots;
//   6. the next record number is the slot count + 1;
//   7. the free-chain head is 0 or a slot of the file.
// Every breach from 3 on is VORSAM_HEADERCORRUPT.
#pragma once

#include "db/engine/DataFileHeader.h"
#include "db/lib/FieldDescriptor.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace vorsam {

struct TLayoutBreach {
    uint16_t Code = 0;  // 0 when the layout is consistent
    std::string Reason; // what was found, for reports
    explicit operator bool() const { return Code != 0; }
};

// Checks the header and its descriptors against each other and the file size. The descriptors get
// their physical sizes and decimals recomputed from their types (as rule 3 reads them). With
// `slotsMayBeUnwritten` (a table with appended records still in its cache) rules 6 and 7 accept a file
// that holds fewer slots than the next record number implies.
TLayoutBreach CheckDataFileLayout(const TDataFileHeader& header, std::vector<TFieldDescriptor>& descriptors,
                                  uint64_t fileSize, bool slotsMayBeUnwritten = false);

// Record size the descriptors' offset rules give: 9 plus physical size + 1 of every field that is
// neither auto-increment nor computed, as the descriptors state their physical sizes.
uint32_t RecordSizeOf(std::span<const TFieldDescriptor> descriptors);

} // namespace vorsam
