// Spare tables of the in-memory database: a statement's result table, made in memory files and open
// exclusively for one cursor, is not deleted when the statement lets it go but emptied and kept open
// (up to SpareTableLimit of them, the longest kept going first), and the next result of the same
// definition takes it instead of a new table. Making a table writes and checks its headers and
// descriptors, and deleting it opens each file once more; a spare skips both.
//
// A spare is kept only when it is, but for its headers' change counters and write times, the table its
// definition makes: the table remembers the definition it was made from and the headers and
// descriptors it had then (NoteMadeFrom), and at its return it is emptied (when anything was written)
// and compared with them; a table whose definition changed meanwhile (an index added, a restructure),
// one with BLOB fields or a password, one in a transaction, damaged or used by another cursor is deleted
// as before. Its memory files give back their room as they are emptied (SharedFile.h). A spare is found
// by no name while it waits, as if deleted: it is out of its directory's tables and its files are hidden
// from the names (TFileList::Hide), so that its name tells of no table and may be given to a new one.
// The cursor that takes it opens it under its own name again (a spare whose name another table took
// meanwhile goes instead), empty, before its first record, as a new table. Spares go with their
// directory, their hidden files with them. The session keeps its in-memory database, when its last close
// leaves spares, until the next open of it (DataSession.h).
#pragma once

#include "db/engine/DataFileHeader.h"
#include "db/engine/IndexFileHeader.h"
#include "db/engine/TableDefinition.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace vorsam {

class TDataTable;

inline constexpr size_t SpareTableLimit = 8;

// What a table was made from, and its headers and descriptors then.
struct TMadeShape {
    TTableDefinition Definition;
    TDataFileHeader Data;
    std::vector<TFieldDescriptor> Fields;
    TIndexFileHeader Index;
    uint64_t Version; // the table's content version when it was made or last emptied
};

// Two definitions that make the same table.
bool SameDefinition(const TTableDefinition& a, const TTableDefinition& b);

class TSpareTables {
public:
    TSpareTables() = default;
    // Every spare closed, its files deleted.
    ~TSpareTables();
    TSpareTables(const TSpareTables&) = delete;
    TSpareTables& operator=(const TSpareTables&) = delete;

    // The spare made from an equal definition, taken out of the list; none when there is none.
    std::unique_ptr<TDataTable> Take(const TTableDefinition& definition);
    // Keeps the table (open, emptied back to how it was made, its files hidden: TDataTable::ResetToMade,
    // HideFiles); the longest kept spare beyond the limit goes. Take shows the files again under their
    // names; a spare whose name another file took meanwhile goes.
    void Keep(std::unique_ptr<TDataTable> table);
    bool Empty() const { return spares_.empty(); }
    size_t Count() const { return spares_.size(); }

    // Closes the table with its files hidden, quietly: they go with it, and no file of their names is
    // touched.
    static void Discard(std::unique_ptr<TDataTable> table) noexcept;

private:
    std::vector<std::unique_ptr<TDataTable>> spares_; // the most recently kept last
};

} // namespace vorsam
