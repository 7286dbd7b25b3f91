// Shared pieces of the cursor tests with BLOBs: a table of rows with a memo and a picture, rows put into
// and read from record images through the cursor's blob operations, and the table's rows as a map.
#pragma once

#include "CursorTestSupport.h"

#include <map>
#include <string>

namespace vorsam::test {

inline constexpr uint16_t BlobIdField = 1, BlobNameField = 2, MemoField = 3, PictureField = 4;

struct TBlobRow {
    int32_t Id = 0;
    std::string Name;
    std::string Memo;    // empty: null
    std::string Picture; // empty: null
    bool operator==(const TBlobRow&) const = default;
};
using TBlobRows = std::map<int32_t, TBlobRow>;

// ID (the primary key), NAME, MEMO and PICTURE (BLOBs).
TCreateTableArgs BlobTableArgs();
// A value of `size` bytes made from the seed.
std::string BlobValue(size_t size, unsigned seed);

// The whole blob of the field: opened for reading, read and freed.
std::string ReadBlob(TDataCursor& cursor, std::span<uint8_t> image, uint16_t field);
// Opens the field's blob for writing and makes the value its content (left open).
void WriteBlob(TDataCursor& cursor, std::span<uint8_t> image, uint16_t field, const std::string& value);

// A new record image of the row, its blobs written.
std::vector<uint8_t> BlobRowImage(TDataCursor& cursor, const TBlobRow& row);
TBlobRow BlobRowOf(TDataCursor& cursor, std::span<uint8_t> image);
// Makes the row with the id current (the primary index active); false when there is none.
bool FindBlobRow(TDataCursor& cursor, int32_t id);
// The current record, locked for editing when asked.
std::vector<uint8_t> CurrentImage(TDataCursor& cursor, bool lock = false);
// Every row of the table by the primary index.
TBlobRows BlobContents(TDataCursor& cursor);

// A random append (of id `nextId`, then counted up), modify (the name, and blobs of 0 to 3000 bytes or
// none, changed or not) or delete through the cursor, applied to the oracle alike.
void RandomBlobEdit(TDataCursor& cursor, TBlobRows& oracle, std::mt19937& random, int32_t& nextId);

} // namespace vorsam::test
