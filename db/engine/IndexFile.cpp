// The index file's header side: open, create, header reads and writes, validation, header values and
// index definitions. The page side is in IndexFilePages.cpp.
#include "db/engine/IndexFile.h"

#include "db/lib/Collation.h"
#include "db/lib/FieldDescriptor.h"
#include "db/lib/FileList.h"
#include "db/lib/Scramble.h"

#include <array>
#include <set>

namespace vorsam {

TIndexFile::TIndexFile(TableFileOwner& owner) : TTableFile(owner) {}

TIndexFile::~TIndexFile() {
    try {
        Close();
    } catch (...) {
        // closing never leaves a destructor
    }
}

void TIndexFile::RaiseIndexError(uint16_t code, std::string_view index, std::string_view field) const {
    TErrorContext context = ErrorContext();
    context.Index = index;
    context.Field = field;
    RaiseEngineError(code, context);
}

// ---- open, close, create ----

void TIndexFile::Open() {
    TFileHandler::Open();
    try {
        ReadHeader();
    } catch (...) {
        TFileHandler::Close();
        throw;
    }
    DropPages(false);
    DropPages(true);
    stats_ = {};
}

void TIndexFile::Close() {
    RemoveTextIndexes();
    DropPages(false);
    TFileHandler::Close();
}

void TIndexFile::CreateFile() {
    TFileHandler::CreateFile();
    header_ = TIndexFileHeader::NewFile();
    DropPages(false);
    DropPages(true);
    std::array<uint8_t, IndexHeaderSize> image;
    header_.Pack(image.data(), Encrypted());
    WriteAt(0, image.data(), image.size());
    header_.Changed = true;
    owner_.MarkModified();
}

// ---- header ----

void TIndexFile::ReadHeaderImage(TIndexFileHeader& header) {
    std::array<uint8_t, IndexHeaderSize> image;
    ReadAt(0, image.data(), image.size());
    header.Unpack(image.data(), Encrypted());
    if (header.SecondaryCount > MaxSecondaryIndexes) RaiseIndexError(VORSAM_HEADERCORRUPT);
}

void TIndexFile::ReadHeader() {
    TIndexFileHeader header;
    ReadHeaderImage(header);
    header.RestoreTextIndexes(header_);
    header_ = header;
}

bool TIndexFile::CheckHeaderChanged() {
    // The counter alone tells; the whole header is read only when it moved.
    std::array<uint8_t, 4> counter;
    ReadAt(0, counter.data(), counter.size());
    if (Encrypted()) UnscrambleBuffer(counter.data(), counter.size(), TableDataSeed1, TableDataSeed2);
    if (LoadLE32(counter.data()) == header_.ChangeCounter) return false;
    TIndexFileHeader header;
    ReadHeaderImage(header);
    if (header.ChangeCounter == header_.ChangeCounter) return false;
    header.RestoreTextIndexes(header_);
    header_ = header;
    return true;
}

bool TIndexFile::WriteHeader(bool force) {
    if (!force && !header_.Changed) return false;
    std::array<uint8_t, IndexHeaderSize> image;
    header_.Pack(image.data(), Encrypted(), header_.ChangeCounter + 1);
    WriteAt(0, image.data(), image.size());
    ++header_.ChangeCounter;
    owner_.MarkModified();
    header_.Changed = false;
    return true;
}

void TIndexFile::MarkHeaderWritten() {
    ++header_.ChangeCounter;
    Changed();
}

void TIndexFile::Changed() {
    header_.Changed = true;
}

void TIndexFile::ResetIndexes() {
    TruncateContent(IndexHeaderSize);
    DropPages(false);
    DropPages(true);
    header_.Format = IndexFileFormat;
    header_.NextPage = 1;
    header_.ActiveRecords = 0;
    for (TIndexDescriptor& d : header_.Slots) {
        d.SetRoot(0);
        d.SetFreeHead(0);
        d.SetKeptPage(0);
    }
    textNextPage_ = 1;
    Changed();
}

void TIndexFile::CheckFormat() {
    if (header_.Format != IndexFileFormat) RaiseIndexError(VORSAM_OLDVERSION);
}

void TIndexFile::ValidateIndexHeader(std::span<const TFieldDescriptor> fields) {
    CheckFormat();
    const TIndexFileHeader& h = header_;
    bool valid = h.SecondaryCount <= MaxSecondaryIndexes &&
                 IsValidStoredDescriptor(h.Slots[0], PrimaryIndexSlot, h.RecordOrder, fields) &&
                 h.Slots[SysDeletedSlot].KeyLength() == SysDeletedKeyLength &&
                 h.Slots[SysDeletedSlot].Compression() == TKeyCompression::None &&
                 h.Slots[SysTextSlot].KeyLength() == SysTextKeyLength &&
                 h.Slots[SysTextSlot].CompressionByte() == uint8_t(TKeyCompression::Both);
    std::set<std::string> names;
    for (uint8_t slot = 1; valid && slot <= h.SecondaryCount; ++slot) {
        const TIndexDescriptor& d = h.Slots[slot];
        valid = IsValidStoredDescriptor(d, slot, false, fields) &&
                names.insert(LocaleUpperCase(0, 0, d.Name())).second;
    }
    for (uint8_t slot = 0; valid && slot < IndexSlotCount; ++slot) {
        uint32_t next = GetNextPageNumber(slot);
        valid = GetRoot(slot) < next && GetFreeHead(slot) < next && GetKeptPageNumber(slot) < next;
    }
    if (!valid) RaiseIndexError(VORSAM_HEADERCORRUPT);
}

// ---- header values ----

void TIndexFile::SetActiveRecords(uint32_t count) {
    if (header_.ActiveRecords != count) Changed();
    header_.ActiveRecords = count;
}

void TIndexFile::SetRoot(uint8_t slot, uint32_t page) {
    header_.Slots[slot].SetRoot(page);
    Changed();
}

void TIndexFile::SetFreeHead(uint8_t slot, uint32_t page) {
    header_.Slots[slot].SetFreeHead(page);
    Changed();
}

void TIndexFile::SetKeptPageNumber(uint8_t slot, uint32_t page) {
    header_.Slots[slot].SetKeptPage(page);
    Changed();
}

uint32_t TIndexFile::GetNextPageNumber(uint8_t slot) const {
    return header_.IsTextSlot(slot) ? textNextPage_ : header_.NextPage;
}

void TIndexFile::SetNextPageNumber(uint8_t slot, uint32_t number) {
    if (header_.IsTextSlot(slot)) {
        textNextPage_ = number;
        return;
    }
    header_.NextPage = number;
    Changed();
}

void TIndexFile::SetRecordOrder(bool value) {
    header_.RecordOrder = value;
    if (value) {
        uint32_t freeHead = GetFreeHead(PrimaryIndexSlot);
        header_.Slots[PrimaryIndexSlot] = TIndexDescriptor();
        header_.Slots[PrimaryIndexSlot].SetFreeHead(freeHead);
    }
    Changed();
}

void TIndexFile::SetIndexCount(uint8_t count) {
    header_.SecondaryCount = std::min(count, MaxSecondaryIndexes);
    Changed();
}

std::array<uint16_t, MaxIndexFields> TIndexFile::GetIndexFields(uint8_t slot) const {
    std::array<uint16_t, MaxIndexFields> numbers{};
    for (size_t i = 0; i < MaxIndexFields; ++i) numbers[i] = header_.Slots[slot].FieldNumber(i);
    return numbers;
}

// ---- definitions ----

void TIndexFile::SetIndexDesc(uint8_t slot, const TIndexDefinition& definition,
                              std::span<const TFieldDescriptor> fields) {
    TIndexDescriptor d = MakeIndexDescriptor(definition, fields);
    // A text index keeps its pages in the text-index file: a free list of this file is no use to it.
    if (!definition.TextIndex) d.SetFreeHead(header_.Slots[slot].FreeHead());
    header_.Slots[slot] = d;
    Changed();
}

void TIndexFile::RenameIndex(uint8_t slot, const TIndexDefinition& definition) {
    TIndexDescriptor& d = header_.Slots[slot];
    d.SetName(definition.Name);
    for (size_t i = 0; i < MaxIndexFields; ++i)
        d.SetFieldNumber(i, i < definition.Fields.size() ? definition.Fields[i] : 0);
    Changed();
}

void TIndexFile::RaiseDefinitionError(uint16_t code, std::string_view index, uint16_t field,
                                      std::span<const TFieldDescriptor> fields) const {
    std::string fieldName;
    if (field >= 1 && field <= fields.size())
        fieldName = fields[field - 1].Name();
    else if (field != 0)
        fieldName = std::to_string(field);
    RaiseIndexError(code, index, fieldName);
}

void TIndexFile::DefinePrimaryIndex(const TIndexDefinition& definition,
                                    std::span<const TFieldDescriptor> fields) {
    constexpr std::string_view Primary = "Primary";
    if (!header_.Slots[PrimaryIndexSlot].IsEmpty()) RaiseIndexError(VORSAM_PRIMARYKEYREDEFINE, Primary);
    if (definition.Fields.size() > MaxIndexFields) RaiseIndexError(VORSAM_INDEXLIMIT, Primary);
    if (definition.Fields.empty()) {
        SetRecordOrder(true);
        return;
    }
    uint16_t badField = 0;
    if (uint16_t code = CheckIndexFields(definition.Fields, false, fields, badField))
        RaiseDefinitionError(code, Primary, badField, fields);
    TIndexDefinition primary = definition;
    primary.Name.clear();
    primary.Unique = true;
    primary.TextIndex = false;
    header_.RecordOrder = false;
    SetIndexDesc(PrimaryIndexSlot, primary, fields);
}

uint8_t TIndexFile::AddIndex(const TIndexDefinition& definition, std::span<const TFieldDescriptor> fields) {
    const std::string& name = definition.Name;
    if (header_.SecondaryCount >= MaxSecondaryIndexes || definition.Fields.size() > MaxIndexFields)
        RaiseIndexError(VORSAM_INDEXLIMIT, name);
    if (uint16_t code = CheckIndexName(name)) RaiseIndexError(code, name);
    if (IndexExists(name)) RaiseIndexError(VORSAM_INDEXEXISTS, name);
    uint16_t badField = 0;
    if (uint16_t code = CheckIndexFields(definition.Fields, definition.TextIndex, fields, badField))
        RaiseDefinitionError(code, name, badField, fields);
    if (definition.TextIndex) OpenTextFile();
    uint8_t slot = header_.SecondaryCount + 1;
    SetIndexDesc(slot, definition, fields);
    header_.SecondaryCount = slot;
    return slot;
}

void TIndexFile::DeleteIndex(uint8_t slot, bool remove) {
    if (slot == PrimaryIndexSlot) {
        SetRecordOrder(true);
        return;
    }
    if (remove && slot >= 1 && slot <= header_.SecondaryCount) {
        // Pages are cached per slot: write them and start afresh before the slots move.
        FlushPages(false);
        FlushPages(true);
        DropPages(false);
        DropPages(true);
        auto& slots = header_.Slots;
        TIndexDescriptor removed = slots[slot];
        if (removed.TextIndex()) removed = TIndexDescriptor();
        for (uint8_t i = slot; i < header_.SecondaryCount; ++i) slots[i] = slots[i + 1];
        slots[header_.SecondaryCount] = removed;
        --header_.SecondaryCount;
    }
    Changed();
}

bool TIndexFile::IndexExists(std::string_view name) const {
    for (uint8_t slot = 0; slot <= header_.SecondaryCount; ++slot) {
        const TIndexDescriptor& d = header_.Slots[slot];
        if (!d.IsEmpty() && SameIndexName(d.Name(), name)) return true;
    }
    return false;
}

// ---- text indexes ----

void TIndexFile::OpenTextFile() {
    if (textFile_) return;
    auto file = std::make_unique<TFileHandler>();
    file->SetFileName(TempFileName(owner_.Settings().PrivateDirectory, ".IDX", InMemory()));
    file->SetInMemory(InMemory());
    file->SetTemporary(true);
    file->CreateFile();
    textFile_ = std::move(file);
    textNextPage_ = 1;
}

void TIndexFile::RemoveTextIndexes() {
    if (!textFile_) return;
    DropPages(true);
    header_ = header_.WithoutTextIndexes();
    textFile_->Close();
    textFile_.reset();
    textNextPage_ = 1;
}

} // namespace vorsam
