// TDataCursor: BLOBs of record images: open blobs in buffers named by handles in the images, reading,
// writing and cutting them, saving them with the record written, and the blob file block by block.
#include "db/engine/DataCursor.h"

#include "db/engine/BlobFile.h"
#include "db/lib/ByteUtils.h"
#include "db/lib/DataTypes.h"

#include <algorithm>
#include <cstring>
#include <optional>

namespace vorsam {

namespace {

// A BLOB value that holds a handle: this mark, which no block number can be, then the handle.
constexpr uint32_t BlobHandleMark = 0xFFFFFFFF;
// A field's null-indicator byte and its 8-byte BLOB value.
constexpr size_t BlobFieldBytes = 9;

bool HoldsHandle(const uint8_t* value) {
    return LoadLE32(value + 1) == BlobHandleMark;
}

uint32_t FirstBlockOf(const uint8_t* value) {
    return value[0] == 0 ? 0 : LoadLE32(value + 1);
}

uint32_t SequenceOf(const uint8_t* value) {
    return value[0] == 0 ? 0 : LoadLE32(value + 5);
}

void StoreNull(uint8_t* value) {
    std::memset(value, 0, BlobFieldBytes);
}

void StoreChain(uint8_t* value, uint32_t firstBlock, uint32_t sequence) {
    if (firstBlock == 0) return StoreNull(value);
    value[0] = 1;
    StoreLE32(value + 1, firstBlock);
    StoreLE32(value + 5, sequence);
}

} // namespace

// ---- fields, handles, buffers ----

template <typename Action> uint16_t TDataCursor::CodeOf(Action&& action) {
    try {
        action();
        return 0;
    } catch (const EVORSAMEngineError& e) {
        return e.ErrorCode;
    }
}

const TFieldDescriptor& TDataCursor::BlobField(uint16_t number, bool tableDescriptors) const {
    const std::vector<TFieldDescriptor>& fields = tableDescriptors ? TableFields() : CursorFields();
    if (number == 0 || number > fields.size() || fields[number - 1].DataType() != dtBlob ||
        (fields[number - 1].Computed() && fields[number - 1].Offset() == 0))
        Raise(VORSAM_INVALIDPARAM, "field " + std::to_string(number) + " holds no BLOB");
    return fields[number - 1];
}

const uint8_t* TDataCursor::FieldValue(const TFieldDescriptor& field, std::span<const uint8_t> image) const {
    if (image.size() < size_t(field.Offset()) + BlobFieldBytes)
        Raise(VORSAM_INVALIDPARAM, "a record buffer of " + std::to_string(image.size()) + " bytes");
    return &image[field.Offset()];
}

uint8_t* TDataCursor::FieldBytes(const TFieldDescriptor& field, std::span<uint8_t> image) const {
    return const_cast<uint8_t*>(FieldValue(field, image));
}

// The open blob whose handle the value holds; none for a value without a handle or with a handle this
// cursor does not hold.
TDataCursor::TOpenBlob* TDataCursor::HeldBlob(const uint8_t* value) const {
    if (!HoldsHandle(value)) return nullptr;
    uint32_t handle = LoadLE32(value + 5);
    for (const TOpenBlob& blob : blobs_)
        if (blob.Handle == handle) return const_cast<TOpenBlob*>(&blob);
    return nullptr;
}

// The same, a handle this cursor does not hold being VORSAM_MEMOCORRUPT.
TDataCursor::TOpenBlob* TDataCursor::FindOpenBlob(const uint8_t* value) const {
    TOpenBlob* blob = HeldBlob(value);
    if (!blob && HoldsHandle(value)) Raise(VORSAM_MEMOCORRUPT, "a BLOB handle the cursor does not hold");
    return blob;
}

TDataCursor::TOpenBlob& TDataCursor::OpenBlobOf(uint16_t number, std::span<const uint8_t> image) const {
    const TFieldDescriptor& field = BlobField(number, false);
    TOpenBlob* blob = FindOpenBlob(FieldValue(field, image));
    if (!blob) RaiseFieldError(VORSAM_INVALIDPARAM, field.Name());
    return *blob;
}

TDataCursor::TOpenBlob& TDataCursor::WritableBlob(uint16_t number, std::span<uint8_t> image) {
    TOpenBlob& blob = OpenBlobOf(number, image);
    if (!blob.Writable) Raise(VORSAM_INVALIDPARAM, "the BLOB is open for reading", FieldOf(number).Name());
    return blob;
}

// Reads the field's blob into a new buffer and puts its handle into the image.
TDataCursor::TOpenBlob& TDataCursor::AddOpenBlob(const TFieldDescriptor& field, std::span<uint8_t> image) {
    uint8_t* value = FieldBytes(field, image);
    uint32_t record = image[0] == RecordActive ? LoadLE32(&image[NextFreeOffset]) : 0;
    auto buffer = std::make_unique<TBlobBuffer>(table_->BlobFile(), field.FieldNumber(), record,
                                                FirstBlockOf(value), SequenceOf(value));
    if (buffer->FirstBlock() != 0) buffer->ReadBlob(this);
    TOpenBlob blob;
    blob.Handle = ++lastBlobHandle_ == 0 ? ++lastBlobHandle_ : lastBlobHandle_;
    blob.Offset = field.Offset();
    blob.Computed = field.Computed();
    std::copy_n(value, BlobFieldBytes, blob.Value.begin());
    blob.Buffer = std::move(buffer);
    value[0] = blob.Buffer->Size() > 0;
    StoreLE32(value + 1, BlobHandleMark);
    StoreLE32(value + 5, blob.Handle);
    blobs_.push_back(std::move(blob));
    return blobs_.back();
}

// Gives the buffer up; `value` (when given) takes back what the image held before the handle.
void TDataCursor::ReleaseBlob(TOpenBlob& blob, uint8_t* value) {
    if (value) std::copy(blob.Value.begin(), blob.Value.end(), value);
    uint32_t handle = blob.Handle;
    std::erase_if(blobs_, [&](const TOpenBlob& open) { return open.Handle == handle; });
}

void TDataCursor::ForgetBlobs(const std::function<bool(const TOpenBlob&)>& which) {
    std::erase_if(blobs_, which);
}

void TDataCursor::RestoreBlobCopies() {
    for (TOpenBlob& blob : blobs_)
        if (blob.Writable) blob.Buffer->RestoreCopy();
}

TBlobFile& TDataCursor::RequireBlobFile() const {
    if (!Table().HasBlobFile()) Raise(VORSAM_INVALIDPARAM, "the table has no BLOB fields");
    return table_->BlobFile();
}

// ---- blobs of record images ----

uint16_t TDataCursor::OpenBlob(uint16_t number, std::span<uint8_t> image, TBlobOpenMode mode,
                               uint32_t* size) {
    return CodeOf([&] {
        RequireLocalTable("blob values");
        TOperation operation(*this);
        const TFieldDescriptor& field = BlobField(number, false);
        bool write = mode == TBlobOpenMode::ReadWrite;
        if (write) RequireWritable();
        TOpenBlob* blob = FindOpenBlob(FieldBytes(field, image));
        if (!blob) blob = &AddOpenBlob(field, image);
        blob->Buffer->AddOpen();
        if (write && !blob->Writable) {
            blob->Buffer->SaveCopy();
            blob->Writable = true;
        }
        if (size) *size = uint32_t(blob->Buffer->Size());
    });
}

bool TDataCursor::IsBlobOpen(uint16_t number, std::span<const uint8_t> image) const {
    return HeldBlob(FieldValue(BlobField(number, false), image)) != nullptr;
}

uint16_t TDataCursor::GetBlob(uint16_t number, std::span<const uint8_t> image, uint32_t position,
                              uint32_t wanted, uint8_t* destination, uint32_t& count) {
    std::span<const uint8_t> data = OpenBlobOf(number, image).Buffer->GetData();
    count = position < data.size() ? uint32_t(std::min<size_t>(wanted, data.size() - position)) : 0;
    if (count > 0) std::memcpy(destination, data.data() + position, count);
    return count < wanted ? VORSAM_ENDOFBLOB : 0;
}

uint16_t TDataCursor::PutBlob(uint16_t number, std::span<uint8_t> image, uint32_t position, uint32_t count,
                              const uint8_t* source) {
    return CodeOf([&] {
        TBlobBuffer& buffer = *WritableBlob(number, image).Buffer;
        if (count == 0) return;
        uint64_t end = uint64_t(position) + count;
        if (end > UINT32_MAX) RaiseFieldError(VORSAM_INVALIDBLOBLEN, FieldOf(number).Name());
        buffer.SetSize(std::max<size_t>(buffer.Size(), end)); // marks it changed
        std::memcpy(buffer.GetData().data() + position, source, count);
        FieldBytes(FieldOf(number), image)[0] = buffer.Size() > 0;
    });
}

uint16_t TDataCursor::TruncateBlob(uint16_t number, std::span<uint8_t> image, uint32_t length) {
    return CodeOf([&] {
        TBlobBuffer& buffer = *WritableBlob(number, image).Buffer;
        buffer.SetSize(length);
        FieldBytes(FieldOf(number), image)[0] = length > 0;
    });
}

uint32_t TDataCursor::GetBlobSize(uint16_t number, std::span<const uint8_t> image) {
    return uint32_t(OpenBlobOf(number, image).Buffer->Size());
}

void TDataCursor::FreeBlob(uint16_t number, std::span<uint8_t> image) {
    uint8_t* value = FieldBytes(BlobField(number, false), image);
    TOpenBlob* blob = FindOpenBlob(value);
    if (blob && blob->Buffer->ReleaseOpen() == 0) ReleaseBlob(*blob, value);
}

void TDataCursor::FreeRecordBlobs(std::span<uint8_t> image) {
    for (const TFieldDescriptor& field : CursorFields()) {
        if (field.DataType() != dtBlob || (field.Computed() && field.Offset() == 0)) continue;
        uint8_t* value = FieldBytes(field, image);
        if (TOpenBlob* blob = FindOpenBlob(value)) ReleaseBlob(*blob, value);
    }
}

void TDataCursor::FreeAllBlobs() {
    blobs_.clear();
}

void TDataCursor::PutBlobSequence(uint16_t number, std::span<uint8_t> image, bool tableDescriptors,
                                  uint32_t sequence) const {
    StoreLE32(FieldBytes(BlobField(number, tableDescriptors), image) + 5, sequence);
}

void TDataCursor::AssignBlobSequences(std::span<uint8_t> image) {
    RequireLocalTable("blob values");
    TTableWrite write(Table());
    for (TOpenBlob& blob : blobs_) {
        if (blob.Computed || !blob.Buffer->Modified()) continue;
        if (image.size() < size_t(blob.Offset) + BlobFieldBytes)
            Raise(VORSAM_INVALIDPARAM, "a record buffer too short");
        uint32_t sequence = table_->DataFile().NextBlobSequence();
        blob.Buffer->SetSequence(sequence);
        StoreLE32(&image[blob.Offset + 5], sequence);
    }
    write.End();
}

bool TDataCursor::SaveBlobs() {
    RequireLocalTable("blob values");
    std::vector<TBlobBuffer*> changed;
    for (TOpenBlob& blob : blobs_)
        if (!blob.Computed && blob.Buffer->Modified()) changed.push_back(blob.Buffer.get());
    if (changed.empty()) return false;
    for (TBlobBuffer* buffer : changed)
        if (buffer->RecordNumber() != changed.front()->RecordNumber())
            Raise(VORSAM_MEMOCORRUPT, "changed BLOBs of two records");
    TTableWrite write(Table());
    for (TBlobBuffer* buffer : changed) {
        if (buffer->RecordNumber() == 0) buffer->DetachChain(); // a new record's value: a chain of its own
        if (buffer->Size() == 0)
            buffer->DeleteBlob();
        else
            buffer->SaveBlob();
    }
    write.End();
    return true;
}

// ---- the blobs of a record write ----

TDataCursor::TBlobWrite::TBlobWrite(TDataCursor& cursor, std::span<uint8_t> image, uint32_t record)
    : cursor_(cursor), image_(image), record_(record),
      owner_(record != 0                ? record
             : image[0] == RecordActive ? LoadLE32(&image[NextFreeOffset])
                                        : 0) {}

TDataCursor::TBlobWrite::~TBlobWrite() {
    if (written_) return;
    for (auto& [buffer, state] : saved_) buffer->RestoreChainState(state);
}

TRecordHook TDataCursor::TBlobWrite::Hook() {
    if (!cursor_.table_->HasBlobFile()) return {};
    return [this](std::span<uint8_t> record, std::span<const uint8_t> old) { Prepare(record, old); };
}

// Every changed buffer belongs to the record written.
void TDataCursor::TBlobWrite::CheckChangedBuffers() const {
    for (const TOpenBlob& blob : cursor_.blobs_)
        if (!blob.Computed && blob.Buffer->Modified() && blob.Buffer->RecordNumber() != owner_)
            cursor_.Raise(VORSAM_MEMOCORRUPT, "a changed BLOB of another record");
}

// The open blob a field of the record names, checked: a handle of this field, and a changed buffer of a
// modified record read from the chain the record has.
TDataCursor::TOpenBlob* TDataCursor::TBlobWrite::BlobOf(const TFieldDescriptor& field, const uint8_t* value,
                                                        const uint8_t* old) const {
    TOpenBlob* blob = cursor_.FindOpenBlob(value);
    if (!blob) return nullptr;
    if (blob->Offset != field.Offset()) cursor_.Raise(VORSAM_MEMOCORRUPT, "a BLOB handle of another field");
    const TBlobBuffer& buffer = *blob->Buffer;
    if (record_ != 0 && buffer.Modified() &&
        (buffer.FirstBlock() != FirstBlockOf(old) ||
         (buffer.FirstBlock() != 0 && buffer.ChainState().StoredSequence != SequenceOf(old))))
        cursor_.Raise(VORSAM_KEYORRECDELETED, {}, field.Name()); // the record's blob was replaced
    return blob;
}

// Everything is checked before any blob is written.
void TDataCursor::TBlobWrite::Prepare(std::span<uint8_t> record, std::span<const uint8_t> old) {
    CheckChangedBuffers();
    std::vector<std::pair<const TFieldDescriptor*, TOpenBlob*>> fields;
    for (const TFieldDescriptor& field : cursor_.TableFields()) {
        if (field.DataType() != dtBlob || field.Computed()) continue;
        fields.emplace_back(
            &field, BlobOf(field, &record[field.Offset()], old.empty() ? nullptr : &old[field.Offset()]));
    }
    for (auto [field, blob] : fields) {
        uint8_t* value = &record[field->Offset()];
        const uint8_t* was = old.empty() ? nullptr : &old[field->Offset()];
        if (blob) handles_.push_back(blob->Handle);
        if (blob && blob->Buffer->Modified())
            SaveChanged(*blob->Buffer, value);
        else
            KeepValue(blob ? blob->Value.data() : value, value, was);
    }
}

// A changed buffer is written under a new sequence: over the record's own chain, or into a new one.
void TDataCursor::TBlobWrite::SaveChanged(TBlobBuffer& buffer, uint8_t* value) {
    saved_.emplace_back(&buffer, buffer.ChainState());
    if (record_ == 0) buffer.DetachChain();
    buffer.SetSequence(cursor_.table_->DataFile().NextBlobSequence());
    if (buffer.Size() == 0)
        buffer.DeleteBlob();
    else
        buffer.SaveBlob();
    Store(buffer, value);
}

void TDataCursor::TBlobWrite::Store(TBlobBuffer& buffer, uint8_t* value) {
    StoreChain(value, buffer.FirstBlock(), buffer.Sequence());
}

// A field whose blob did not change: a modified record keeps its own value, or frees it when the image
// made the field null; an appended record copies the value it was given into a chain of its own.
void TDataCursor::TBlobWrite::KeepValue(const uint8_t* given, uint8_t* value, const uint8_t* old) {
    if (record_ != 0) {
        if (given[0] == 0 && FirstBlockOf(old) != 0) {
            uint32_t first = FirstBlockOf(old);
            cursor_.table_->BlobFile().FreeBlobChain(first, SequenceOf(old), false);
            StoreNull(value);
        } else {
            std::copy_n(old, BlobFieldBytes, value);
        }
        return;
    }
    std::copy_n(given, BlobFieldBytes, value);
    if (FirstBlockOf(value) == 0)
        StoreNull(value);
    else
        CopyChain(value);
}

void TDataCursor::TBlobWrite::CopyChain(uint8_t* value) {
    TBlobBuffer copy(cursor_.table_->BlobFile(), 0, 0, FirstBlockOf(value), SequenceOf(value));
    copy.ReadBlob(&cursor_);
    copy.DetachChain();
    copy.SetSequence(cursor_.table_->DataFile().NextBlobSequence());
    copy.SaveBlob();
    Store(copy, value);
}

void TDataCursor::TBlobWrite::Written(uint32_t number) {
    written_ = true;
    if (!cursor_.table_->HasBlobFile()) return;
    {
        TPinnedRecord record(cursor_.table_->DataFile().GetRecord(&cursor_, number));
        for (const TFieldDescriptor& field : cursor_.TableFields())
            if (field.DataType() == dtBlob && !field.Computed())
                std::copy_n(&record->Image()[field.Offset()], BlobFieldBytes, &image_[field.Offset()]);
    }
    cursor_.ForgetBlobs([&](const TOpenBlob& blob) {
        return std::find(handles_.begin(), handles_.end(), blob.Handle) != handles_.end();
    });
}

// ---- the blob file, block by block ----

bool TDataCursor::GetBlobBlock(uint32_t number, bool readAhead, uint32_t readAheadCount, TBlock*& block) {
    TBlobFile& file = RequireBlobFile();
    TOperation operation(*this);
    block = file.GetBlock(this, number, readAheadCount, readAhead);
    return block != nullptr;
}

void TDataCursor::ReleaseBlobBlock(TBlock& block) {
    block.Owner().ReleaseBlock(block);
}

void TDataCursor::FreeBlobChain(uint32_t& firstBlock, uint32_t sequence, uint32_t recordNumber, bool force) {
    if (!table_ || !table_->HasBlobFile() || firstBlock == 0) return;
    uint32_t first = firstBlock;
    TTableWrite write(*table_);
    table_->BlobFile().FreeBlobChain(firstBlock, sequence, force);
    write.End();
    ForgetBlobs([&](const TOpenBlob& blob) {
        return blob.Buffer->FirstBlock() == first && blob.Buffer->RecordNumber() == recordNumber;
    });
}

void TDataCursor::FreeBlobChainFrom(TBlock& block, uint32_t readAheadCount, uint32_t sequence,
                                    uint32_t recordNumber, bool force) {
    if (!table_ || !table_->HasBlobFile()) return;
    uint32_t first = block.BlockNumber();
    std::optional<TTableWrite> write;
    try {
        write.emplace(*table_);
    } catch (...) {
        ReleaseBlobBlock(block); // the block is given back whatever happens
        throw;
    }
    table_->BlobFile().FreeBlobChainFrom(block, readAheadCount, sequence, force);
    write->End();
    ForgetBlobs([&](const TOpenBlob& blob) {
        return blob.Buffer->FirstBlock() == first && blob.Buffer->RecordNumber() == recordNumber;
    });
}

int32_t TDataCursor::GetBlobBlockCount() const {
    return int32_t(RequireBlobFile().GetBlockCount());
}

uint16_t TDataCursor::GetBlockDataSize() const {
    return RequireBlobFile().GetBlockDataSize();
}

uint32_t TDataCursor::BlocksForBytes(int32_t bytes) const {
    return bytes <= 0 ? 0 : RequireBlobFile().BlocksForBytes(uint64_t(bytes));
}

} // namespace vorsam
