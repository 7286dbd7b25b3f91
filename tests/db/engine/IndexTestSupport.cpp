#include "IndexTestSupport.h"

#include "db/lib/DataTypes.h"

#include <cstring>

namespace vorsam::test {

TRecordImage::TRecordImage(const std::vector<TFieldDescriptor>& fields, uint32_t number, int32_t sequence)
    : fields_(fields), bytes_(RecordSizeOf(fields)) {
    StoreLE32(&bytes_[1], number);
    StoreNative<int32_t>(&bytes_[5], sequence);
}

void TRecordImage::PutInteger(uint16_t field, int32_t value) {
    uint16_t at = fields_[field - 1].Offset();
    bytes_[at] = 1;
    StoreNative<int32_t>(&bytes_[at + 1], value);
}

void TRecordImage::PutString(uint16_t field, const std::string& value) {
    const TFieldDescriptor& f = fields_[field - 1];
    uint16_t at = f.Offset();
    bytes_[at] = 1;
    std::memset(&bytes_[at + 1], 0, f.PhysicalSize());
    std::memcpy(&bytes_[at + 1], value.data(), std::min<size_t>(value.size(), f.PhysicalSize() - 1));
}

void TRecordImage::PutNull(uint16_t field) {
    const TFieldDescriptor& f = fields_[field - 1];
    std::memset(&bytes_[f.Offset()], 0, f.PhysicalSize() + 1u);
}

TMemoryIndexFile::TMemoryIndexFile(const EngineSettings& settings, const std::string& name, bool encrypted)
    : name_(name), owner_(settings), file_(std::make_unique<TIndexFile>(owner_)) {
    owner_.IsEncrypted = encrypted;
    file_->SetFileName(name_);
    file_->SetInMemory(true);
    file_->CreateFile();
}

TMemoryIndexFile::~TMemoryIndexFile() {
    file_->DeleteFile();
}

void TMemoryIndexFile::Reopen() {
    FlushAll(*file_);
    file_->Close();
    file_->Open();
}

std::vector<uint8_t> TMemoryIndexFile::FileBytes() {
    std::vector<uint8_t> bytes(file_->GetFileSize());
    TFileAccess access(*file_);
    file_->Seek(0);
    file_->ReadBuffer(bytes.data(), bytes.size());
    return bytes;
}

void FlushAll(TIndexFile& file) {
    file.FlushPages(false);
    file.FlushPages(true);
    file.WriteHeader();
}

} // namespace vorsam::test
