// Shared pieces of the cursor tests: a session with a database on disk or in memory, a table of rows
// (a unique ID, a CODE and a NAME that may be null) with indexes of every kind, rows put into and read
// from record images through the cursor, and the order an oracle expects each index to give.
#pragma once

#include "FieldSpecs.h"

#include "db/lib/FileTestSupport.h"

#include "db/engine/DataCursor.h"
#include "db/engine/DataSession.h"
#include "db/engine/TableVerify.h"

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace vorsam::test {

inline constexpr uint16_t PortugueseBrazilian = 0x0416;
inline constexpr uint16_t IdField = 1, CodeField = 2, NameField = 3;

struct TRow {
    int32_t Id = 0;
    std::optional<int32_t> Code;
    std::optional<std::string> Name; // Windows-1252
    bool operator==(const TRow&) const = default;
};

// An index of the rows' table, as the oracle orders rows by it.
struct TIndexSpec {
    std::string Name; // empty: the primary index
    std::vector<uint16_t> Fields;
    std::vector<bool> Descending; // per field
    bool CaseInsensitive = false;
    bool Unique = false;
    bool NoCounts = false;
    TKeyCompression Compression = TKeyCompression::None;
};

// The primary index (ID) and secondary ones: CODE; NAME ignoring case; NAME descending; CODE then NAME
// descending; CODE without subtree counts.
const std::vector<TIndexSpec>& RowIndexes();
TIndexDescriptor DescriptorOf(const TIndexSpec& index);
// A table of the fields, with a unique primary index on the key fields (none: the record order).
TCreateTableArgs TableArgs(const std::vector<TFieldSpec>& fields, const std::vector<uint16_t>& key = {});
// The table of rows under the collation, with RowIndexes.
TCreateTableArgs RowTableArgs(uint16_t languageId);

// Compares rows as the index orders them: its first `fields` key fields (all by default), then
// `partial` characters of the next (a string) field.
int CompareRows(const TRow& a, const TRow& b, const TIndexSpec& index, uint16_t languageId,
                size_t fields = SIZE_MAX, size_t partial = 0);

// A row with the id and random values (names from a small pool of mixed-case, accented words).
TRow RandomRow(std::mt19937& random, int32_t id);

std::vector<uint8_t> RowImage(const TDataCursor& cursor, const TRow& row);
TRow RowOf(const TDataCursor& cursor, std::span<const uint8_t> image);
// The cursor's current record as a row.
TRow CurrentRow(TDataCursor& cursor);

// Every row of the cursor in its order (forward) or backward.
std::vector<TRow> Scan(TDataCursor& cursor, bool forward = true);

// Expects `actual` to be `expected` (sorted by the index) up to the order of rows the index holds
// equal: the same sequence of keys, each run of equal keys with the same rows.
void ExpectIndexOrder(const std::vector<TRow>& actual, const std::vector<TRow>& expected,
                      const TIndexSpec& index, uint16_t languageId);

// The problems VerifyTable finds in the cursor's table, as one text (empty when none).
std::string TableProblems(TDataCursor& cursor);

class TCursorTest : public ::testing::TestWithParam<TStorage> {
protected:
    TCursorTest();
    ~TCursorTest() override;

    bool InMemory() const { return GetParam() == TStorage::Memory; }
    // A new table made from the arguments (deleted at the end of the test).
    void Create(const std::string& name, const TCreateTableArgs& args);
    std::unique_ptr<TDataCursor> Open(const std::string& name, bool exclusive = false);
    // A table of the rows, opened, with the rows appended in order.
    std::unique_ptr<TDataCursor> CreateRows(const std::string& name, uint16_t languageId,
                                            const std::vector<TRow>& rows);
    // Makes the row with the id current; false when there is none.
    static bool FindId(TDataCursor& cursor, int32_t id);
    // The row written to the table and the oracle alike: over the row of its id, else appended.
    static void PutRow(TDataCursor& cursor, std::map<int32_t, TRow>& oracle, const TRow& row);
    // The row of the id deleted from the table and the oracle alike.
    static void DeleteRow(TDataCursor& cursor, std::map<int32_t, TRow>& oracle, int32_t id);

    TTempDir dir_;
    TDataSession session_;
    TDataDirectory* database_ = nullptr;
    std::vector<std::string> tables_;
};

} // namespace vorsam::test
