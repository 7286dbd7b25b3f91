// TDataFile, header side: open and close, the header copy, the field descriptors and the table's counters.
#include "db/engine/DataFile.h"

#include "db/engine/DataFileValidation.h"
#include "db/lib/ByteUtils.h"
#include "db/lib/Collation.h"
#include "db/lib/DataTypes.h"
#include "db/lib/Scramble.h"

#include <algorithm>
#include <cassert>
#include <cstring>

namespace vorsam {

namespace {

constexpr size_t ScratchStep = 4096;

} // namespace

TDataFile::TDataFile(TableFileOwner& owner) : TTableFile(owner), cache_(*this) {}

TDataFile::~TDataFile() {
    if (IsOpen()) CloseFile();
}

void TDataFile::Open() {
    if (IsOpen()) return;
    TFileHandler::Open();
    try {
        ReadHeader();
        if (header_.FieldCount() > MaxFieldCount) RaiseError(VORSAM_HEADERCORRUPT);
        ReadFieldDescriptors();
        PrepareCache();
    } catch (...) {
        CloseFile();
        throw;
    }
}

void TDataFile::PrepareCache() {
    uint16_t recordSize = header_.RecordSize();
    recordsPerRead_ = recordSize == 0 ? 1 : std::max<uint32_t>(1, ReadBytesPerCall / recordSize);
    cache_.Restart(CacheLimit());
    spill_.reset();
    Charge();
    ForgetLastRead();
    ForgetFreeLinks();
}

void TDataFile::Close() {
    if (IsOpen()) CloseFile();
}

void TDataFile::CloseFile() {
    cache_.Release();
    spill_.reset();
    charge_.Set(owner_.Settings(), 0, *this);
    chargedGrowth_ = 0;
    ForgetView();
    ForgetFreeLinks();
    fields_.clear();
    FieldsChanged();
    descriptorsChanged_ = false;
    TFileHandler::Close();
}

void TDataFile::CreateHeader(uint16_t languageId, uint16_t sortId, std::span<const TFieldDescriptor> fields,
                             uint32_t blobBlockSize, std::string_view description, std::string_view password,
                             bool encrypted, uint16_t userMinorVersion, uint16_t userMajorVersion) {
    assert(!IsOpen());
    if (fields.size() > MaxFieldCount) RaiseError(VORSAM_HEADERCORRUPT);
    size_t blobFields = 0;
    for (const TFieldDescriptor& field : fields)
        if (field.DataType() == dtBlob && ++blobFields > MaxBlobFieldCount) RaiseError(VORSAM_BLOBLIMIT);
    uint32_t recordSize = RecordSizeOf(fields);
    if (recordSize > 65535) RaiseError(VORSAM_RECTOOBIG);

    TDataFileHeader header;
    header.SetLanguageId(languageId);
    header.SetSortId(sortId);
    header.SetUserMajorVersion(userMajorVersion);
    header.SetUserMinorVersion(userMinorVersion);
    header.SetEncrypted(encrypted);
    header.SetFieldCount(uint16_t(fields.size()));
    header.SetBlobFieldCount(uint16_t(blobFields));
    header.SetBlobBlockSize(blobBlockSize);
    header.SetFormat(DataFileFormat);
    header.SetNextRecordNumber(1);
    header.SetRecordSize(uint16_t(recordSize));
    header.SetHeaderChanged(true);
    TFileHandler::CreateFile();
    header_ = header;
    SetTableInfo(password, description, userMinorVersion, userMajorVersion, 0);
    fields_.assign(fields.begin(), fields.end());
    FieldsChanged();
    descriptorsChanged_ = true;
    PrepareCache();
}

void TDataFile::ValidateHeader() {
    std::vector<TFieldDescriptor> checked = fields_;
    if (TLayoutBreach breach = CheckDataFileLayout(header_, checked, GetFileSize())) RaiseError(breach.Code);
    fields_ = std::move(checked);
    FieldsChanged();
}

void TDataFile::CheckFormat() const {
    if (header_.Format() != DataFileFormat) RaiseError(VORSAM_OLDVERSION);
}

// The header-changed byte is not read: only the write-in-progress mark tells of a write that never
// ended.
void TDataFile::ReadHeader() {
    ReadAt(0, header_.Bytes.data(), TDataFileHeader::Size);
    fileHeader_ = header_;
    writeInterrupted_ = header_.WriteInProgress();
    header_.SetHeaderChanged(false);
}

bool TDataFile::CheckHeaderChanged() {
    TDataFileHeader onDisk;
    ReadAt(0, onDisk.Bytes.data(), TDataFileHeader::Size);
    if (onDisk.ChangeCounter() == header_.ChangeCounter()) return false;
    fileHeader_ = onDisk;
    writeInterrupted_ = onDisk.WriteInProgress();
    onDisk.SetHeaderChanged(false);
    header_ = onDisk;
    return true;
}

// Writes the image with the next change counter, this engine's version, the time and the mark given;
// the copy and the file's header then carry that counter.
void TDataFile::StoreHeader(TDataFileHeader image, bool inProgress) {
    image.SetChangeCounter(header_.ChangeCounter() + 1);
    image.SetWriterVersion(EngineVersion);
    image.SetLastWriteTime(HeaderTimeNow());
    image.SetHeaderChanged(false);
    image.SetWriteInProgress(inProgress);
    WriteAt(0, image.Bytes.data(), TDataFileHeader::Size);
    fileHeader_ = image;
    writeInterrupted_ = writeInterrupted_ && inProgress; // a header without the mark ends any write
    header_.SetChangeCounter(image.ChangeCounter());
    header_.SetWriterVersion(EngineVersion);
    header_.SetLastWriteTime(image.LastWriteTime());
    owner_.MarkModified();
}

bool TDataFile::WriteHeader(bool force) {
    if (!force && !header_.HeaderChanged()) return false;
    StoreHeader(header_, false);
    header_.SetHeaderChanged(false);
    return true;
}

// The mark goes with the values the file already holds, not the new ones: a mark write that is cut
// short leaves the old header, marked or not, never new values over the old content.
void TDataFile::WriteHeaderInProgress() {
    StoreHeader(fileHeader_, true);
}

void TDataFile::ClearWriteInterrupted() {
    StoreHeader(fileHeader_, false);
    writeInterrupted_ = false;
}

uint64_t TDataFile::RestoreRecordSlots() {
    const uint64_t area = header_.RecordAreaOffset(), size = GetFileSize();
    const uint16_t recordSize = header_.RecordSize();
    uint64_t slots = size > area && recordSize > 0 ? (size - area) / recordSize : 0;
    slots = std::min<uint64_t>(slots, MaxRecordNumber);
    const uint64_t end = area + slots * recordSize, cut = size > end ? size - end : 0;
    DropRecordCache();
    if (cut > 0) TruncateContent(end);
    header_.SetNextRecordNumber(uint32_t(slots + 1));
    header_.SetFreeChainHead(0);
    header_.SetHeaderChanged(true);
    return cut;
}

uint32_t TDataFile::StoredRecordNumber(uint32_t number) {
    const uint16_t recordSize = header_.RecordSize();
    std::vector<uint8_t> slot(recordSize);
    ReadAt(header_.SlotOffset(number), slot.data(), slot.size());
    if (header_.Encrypted()) UnscrambleBuffer(slot.data(), slot.size(), TableDataSeed1, TableDataSeed2);
    return slot.size() >= RecordPrefixSize ? LoadLE32(&slot[NextFreeOffset]) : 0;
}

void TDataFile::SetLastBlobSequence(uint32_t value) {
    if (value == header_.LastBlobSequence()) return;
    header_.SetLastBlobSequence(value);
    header_.SetHeaderChanged(true);
}

void TDataFile::MarkHeaderWritten() {
    header_.SetChangeCounter(header_.ChangeCounter() + 1);
    header_.SetHeaderChanged(true);
    owner_.MarkModified();
}

void TDataFile::ResetHeader() {
    DropRecordCache();
    TruncateContent(header_.RecordAreaOffset());
    header_.SetChangeCounter(header_.ChangeCounter() + 1);
    header_.SetFreeChainHead(0);
    header_.SetNextRecordNumber(1);
    header_.SetLastAutoIncValue(0);
    header_.SetHeaderChanged(true);
}

void TDataFile::ReadFieldDescriptors() {
    size_t bytes = size_t(header_.FieldCount()) * TFieldDescriptor::Size;
    ForgetLastRead();
    ReallocBuffer(bytes, ScratchStep, readBuffer_);
    ReadAt(TDataFileHeader::Size, readBuffer_.data(), bytes);
    if (header_.Encrypted()) UnscrambleBuffer(readBuffer_.data(), bytes, TableDataSeed1, TableDataSeed2);
    fields_.resize(header_.FieldCount());
    for (size_t i = 0; i < fields_.size(); ++i)
        std::memcpy(fields_[i].Bytes.data(), &readBuffer_[i * TFieldDescriptor::Size],
                    TFieldDescriptor::Size);
    FieldsChanged();
    descriptorsChanged_ = false;
}

std::shared_ptr<const std::vector<TFieldDescriptor>> TDataFile::SharedFieldDescriptors() const {
    if (!sharedFields_) sharedFields_ = std::make_shared<const std::vector<TFieldDescriptor>>(fields_);
    return sharedFields_;
}

bool TDataFile::WriteFieldDescriptors() {
    if (!descriptorsChanged_) return false;
    owner_.BeforeWrite();
    size_t bytes = fields_.size() * TFieldDescriptor::Size;
    ReallocBuffer(bytes, ScratchStep, writeBuffer_);
    for (size_t i = 0; i < fields_.size(); ++i)
        std::memcpy(&writeBuffer_[i * TFieldDescriptor::Size], fields_[i].Bytes.data(),
                    TFieldDescriptor::Size);
    if (header_.Encrypted()) ScrambleBuffer(writeBuffer_.data(), bytes, TableDataSeed1, TableDataSeed2);
    WriteAt(TDataFileHeader::Size, writeBuffer_.data(), bytes);
    if (owner_.Settings().ForceBufferFlush) FlushBuffers();
    owner_.MarkModified();
    descriptorsChanged_ = false;
    return true;
}

void TDataFile::CopyHeader(uint8_t* destination) const {
    std::memcpy(destination, header_.Bytes.data(), TDataFileHeader::Size);
}

bool TDataFile::GetFieldDesc(uint16_t position, TFieldDescriptor& destination) const {
    if (position == 0 || position > fields_.size()) return false;
    destination = fields_[position - 1];
    return true;
}

bool TDataFile::GetFieldDescByNumber(uint16_t number, TFieldDescriptor& destination) const {
    for (size_t i = 0; i < fields_.size(); ++i) {
        if (fields_[i].FieldNumber() != number) continue;
        destination = fields_[i];
        destination.SetPosition(uint16_t(i + 1));
        return true;
    }
    return false;
}

bool TDataFile::SameName(const TFieldDescriptor& field, std::string_view name) const {
    return LocaleUpperCase(0, 0, field.Name()) == LocaleUpperCase(0, 0, name);
}

uint16_t TDataFile::FindFieldByName(std::string_view name) const {
    for (size_t i = 0; i < fields_.size(); ++i)
        if (SameName(fields_[i], name)) return uint16_t(i + 1);
    return 0;
}

bool TDataFile::GetFieldDescByName(std::string_view name, TFieldDescriptor& destination) const {
    uint16_t position = FindFieldByName(name);
    if (position == 0) return false;
    destination = fields_[position - 1];
    destination.SetPosition(position);
    return true;
}

void TDataFile::AlterFieldDesc(uint16_t position, const TFieldDescriptor& descriptor) {
    if (position == 0 || position > fields_.size()) return;
    FieldsChanged();
    TFieldDescriptor& field = fields_[position - 1];
    field.SetFieldNumber(descriptor.FieldNumber());
    field.SetName(descriptor.Name());
    field.SetSubType(descriptor.SubType());
    field.SetDescription(descriptor.Description());
    field.SetRequired(descriptor.Required());
    field.SetMinValue(descriptor.MinValue());
    field.SetMaxValue(descriptor.MaxValue());
    field.SetDefaultValue(descriptor.DefaultValue());
    descriptorsChanged_ = true;
}

std::string TDataFile::Scrambled(std::string_view text, size_t maxLength) const {
    std::string stored(text.substr(0, maxLength));
    if (header_.Encrypted()) ScrambleBuffer(stored.data(), stored.size(), DescriptionSeed1, DescriptionSeed2);
    return stored;
}

std::string TDataFile::Unscrambled(std::string text) const {
    if (header_.Encrypted()) UnscrambleBuffer(text.data(), text.size(), DescriptionSeed1, DescriptionSeed2);
    return text;
}

void TDataFile::SetTableInfo(std::string_view password, std::string_view description,
                             uint16_t userMinorVersion, uint16_t userMajorVersion,
                             uint32_t lastAutoIncValue) {
    header_.SetStoredPassword(header_.Encrypted() ? Scrambled(password, MaxPasswordLength) : std::string());
    header_.SetStoredDescription(Scrambled(description, MaxDescriptionLength));
    header_.SetUserMinorVersion(userMinorVersion);
    header_.SetUserMajorVersion(userMajorVersion);
    header_.SetLastAutoIncValue(lastAutoIncValue);
    header_.SetHeaderChanged(true);
}

std::string TDataFile::GetDescription() const {
    return Unscrambled(header_.StoredDescription());
}

std::string TDataFile::GetPassword() const {
    return header_.Encrypted() ? Unscrambled(header_.StoredPassword()) : std::string();
}

uint32_t TDataFile::GetBlobBlockSize() const {
    return header_.BlobBlockSize() == 0 ? DefaultBlobBlockSize : header_.BlobBlockSize();
}

uint32_t TDataFile::GetRecordCount() const {
    return header_.NextRecordNumber() == 0 ? 0 : header_.NextRecordNumber() - 1;
}

uint32_t TDataFile::NextAutoIncValue() {
    header_.SetLastAutoIncValue(NextCounterValue(header_.LastAutoIncValue()));
    header_.SetHeaderChanged(true);
    return header_.LastAutoIncValue();
}

void TDataFile::SetLastAutoIncValue(uint32_t value) {
    if (value == header_.LastAutoIncValue()) return;
    header_.SetLastAutoIncValue(value);
    header_.SetHeaderChanged(true);
}

uint32_t TDataFile::NextBlobSequence() {
    header_.SetLastBlobSequence(NextCounterValue(header_.LastBlobSequence()));
    header_.SetHeaderChanged(true);
    return header_.LastBlobSequence();
}

size_t TDataFile::CacheLimit() const {
    const EngineSettings& settings = owner_.Settings();
    uint16_t recordSize = std::max<uint16_t>(1, header_.RecordSize());
    // An in-memory table's file is memory already: more cached records would be a second copy of them,
    // each read, evicted and freed far from the processor's caches (a statement's result table, filled,
    // sorted and read once, grew slower with every megabyte of cache).
    uint32_t bytes = InMemory() ? std::min(settings.BufferSize, DefaultBufferSize) : settings.BufferSize;
    size_t limit = std::min<size_t>(bytes / recordSize, settings.RecordCacheLimit);
    return InMemory() ? limit : std::max<size_t>(limit, owner_.ReaderCacheBytes() / recordSize);
}

} // namespace vorsam
