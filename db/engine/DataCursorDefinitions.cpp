// TDataCursor: adding and deleting indexes, sorting the table in place, and the table's settings from
// its header.
#include "db/engine/DataCursor.h"

namespace vorsam {

uint8_t TDataCursor::IndexSlotByName(std::string_view name) const {
    TIndexFile& file = Table().IndexFile();
    for (uint8_t slot = 1; slot <= file.GetIndexCount(); ++slot)
        if (SameIndexName(file.GetIndexDesc(slot).Name(), name)) return slot;
    Raise(VORSAM_INVALIDINDEXNAME, {}, {}, std::string(name));
}

void TDataCursor::AddSecondaryIndex(const TIndexDescriptor& descriptor) {
    RequireLocalTable("adding indexes");
    Table();
    RequireWritable();
    table_->AddIndex(IndexDefinitionOf(descriptor));
}

void TDataCursor::DeleteIndex(std::string_view name) {
    RequireLocalTable("deleting indexes");
    Table();
    RequireWritable();
    uint8_t slot = name.empty() ? PrimaryIndexSlot : IndexSlotByName(name);
    uint8_t active = indexNumber_;
    table_->DeleteIndex(slot);
    // The cursor's own order goes with its index (to the primary one) or moves down with the later ones.
    if (slot != PrimaryIndexSlot && active != RecordOrderIndex && active >= slot)
        SetIndexNumber(active == slot ? PrimaryIndexSlot : uint8_t(active - 1));
}

uint32_t TDataCursor::SortRecords(const TSortRequest& request) {
    RequireLocalTable("sorting");
    Table().RequireDefinable();
    RequireWritable();
    // Records are numbered afresh: an edit's lock and the blob buffers of records go.
    EndEdit();
    FreeAllBlobs();
    uint32_t count = table_->SortRecords(request);
    SetOutside(-1);
    return count;
}

// ---- the table's settings ----

bool TDataCursor::IsEncrypted() const {
    return Table().IsEncrypted();
}

std::string TDataCursor::GetPassword() const {
    return Table().DataFile().GetPassword();
}

uint16_t TDataCursor::GetLanguageId() const {
    return Table().DataFile().GetLanguageId();
}

uint16_t TDataCursor::GetSortId() const {
    return Table().DataFile().GetSortId();
}

uint32_t TDataCursor::GetBlobBlockSize() const {
    return Table().DataFile().GetBlobBlockSize();
}

std::string TDataCursor::GetDescription() const {
    return Table().DataFile().GetDescription();
}

uint16_t TDataCursor::GetUserMajorVersion() const {
    return Table().DataFile().GetUserMajorVersion();
}

uint16_t TDataCursor::GetUserMinorVersion() const {
    return Table().DataFile().GetUserMinorVersion();
}

int32_t TDataCursor::GetTableVersion() const {
    return int32_t(Table().DataFile().Header().WriterVersion());
}

} // namespace vorsam
