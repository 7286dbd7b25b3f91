// TDataTable, its definitions: adding a secondary index built from the records in one pass, and deleting
// an index together with its pages.
#include "db/engine/DataTable.h"

#include "db/engine/IndexTreeBuild.h"

#include <algorithm>

namespace vorsam {

void TDataTable::RequireDefinable() const {
    RequireOpen();
    if (wholeDepth_ > 0 || inTransaction_ || (database_ && database_->InTransaction()))
        Raise(VORSAM_NOTSUPPORTED, "a table's definition cannot change inside a transaction or a table lock");
}

void TDataTable::BuildIndexes(std::span<const uint8_t> slots) {
    std::vector<std::vector<TIndexEntry>> entries(slots.size());
    uint32_t active = 0;
    dataFile_.ForEachActiveRecord([&](uint32_t number, std::span<const uint8_t> image) {
        ++active;
        for (size_t i = 0; i < slots.size(); ++i) entries[i].push_back({KeyOf(slots[i], image), number});
    });
    for (size_t i = 0; i < slots.size(); ++i) {
        const TKeyComparator& order = OrderOf(slots[i]);
        auto less = [&](const TIndexEntry& a, const TIndexEntry& b) {
            return order.Compare(a.Key.data(), b.Key.data(), a.Key.size()) < 0;
        };
        std::sort(entries[i].begin(), entries[i].end(), less);
        // Keys of one index are distinct: only a unique index can meet a key twice.
        auto twice =
            std::adjacent_find(entries[i].begin(), entries[i].end(),
                               [&](const TIndexEntry& a, const TIndexEntry& b) { return !less(a, b); });
        if (twice != entries[i].end()) RaiseIndexError(VORSAM_KEYVIOL, slots[i]);
    }
    for (size_t i = 0; i < slots.size(); ++i) BuildIndexTree(indexFile_, slots[i], entries[i]);
    indexFile_.SetActiveRecords(active);
}

uint8_t TDataTable::AddIndex(const TIndexDefinition& definition) {
    RequireDefinable();
    if (definition.TextIndex) indexFile_.RaiseIndexError(VORSAM_SEARCHCOLREQD, definition.Name);
    TTableWrite write(*this);
    NoteContentChanged();
    uint8_t slot = indexFile_.AddIndex(definition, dataFile_.FieldDescriptors());
    const uint8_t slots[] = {slot};
    BuildIndexes(slots);
    write.End();
    return slot;
}

void TDataTable::DeleteIndex(uint8_t slot) {
    RequireDefinable();
    if (slot == PrimaryIndexSlot && indexFile_.GetRecordOrder()) return;
    if (slot > indexFile_.GetIndexCount()) Raise(VORSAM_INVALIDPARAM, "index slot " + std::to_string(slot));
    TTableWrite write(*this);
    NoteContentChanged();
    if (!indexFile_.IsTextIndex(slot)) FreeIndexTree(indexFile_, slot);
    indexFile_.DeleteIndex(slot, slot != PrimaryIndexSlot);
    // No primary key can come back but through a new table: its pages go to the next secondary index.
    uint8_t next = indexFile_.GetIndexCount() + 1;
    if (slot == PrimaryIndexSlot && next <= MaxSecondaryIndexes)
        MoveFreePages(indexFile_, PrimaryIndexSlot, next);
    write.End();
}

} // namespace vorsam
