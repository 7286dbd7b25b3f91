#include "DataFileTestSupport.h"

#include "db/lib/ByteUtils.h"
#include "db/lib/DataTypes.h"
#include "db/lib/FileList.h"
#include "db/lib/LibraryGlobals.h"

#include <algorithm>

namespace vorsam::test {

std::vector<TFieldDescriptor> WideFields(size_t count) {
    std::vector<TFieldSpec> specs;
    for (size_t i = 1; i <= count; ++i) specs.push_back({'F' + std::to_string(i), dtString, 250});
    return MakeFields(specs);
}

std::unique_ptr<TDataFile> TDataFileTest::CreateTable(const std::vector<TFieldDescriptor>& fields,
                                                      const TTableOptions& options) {
    auto file = NewFile();
    file->CreateHeader(0, 0, fields, options.BlobBlockSize, options.Description, options.Password,
                       options.Encrypted, 0, 0);
    file->WriteHeader();
    file->WriteFieldDescriptors();
    return file;
}

std::unique_ptr<TDataFile> TDataFileTest::Reopen(std::unique_ptr<TDataFile> file) {
    file->FlushRecords();
    file->WriteHeader();
    file->WriteFieldDescriptors();
    file->Close();
    file = OpenTable();
    file->ValidateHeader();
    return file;
}

std::unique_ptr<TDataFile> TDataFileTest::TableWithRecords(size_t count,
                                                           const std::vector<TFieldDescriptor>& fields) {
    auto file = CreateTable(fields);
    AppendRecords(*file, count);
    return Reopen(std::move(file));
}

std::string TDataFileTest::FileBytes() {
    auto handler = Opened("PEOPLE.DAT");
    return ReadAll(*handler);
}

void TDataFileTest::OverwriteFile(const std::string& bytes) {
    auto handler = Opened("PEOPLE.DAT");
    WriteAt(*handler, 0, bytes);
    handler->Seek(int64_t(bytes.size()));
    handler->WriteBuffer(nullptr, 0);
}

} // namespace vorsam::test

namespace vorsam::test {

TIoLog::TIoLog(const std::string& fileName) {
    GetFileList().Faults().SetObserver([this, fileName](const TFileEvent& event) {
        if (event.FileName == fileName) Entries.push_back({event.Operation, event.Offset, event.Length});
    });
}

TIoLog::~TIoLog() {
    GetFileList().Faults().Reset();
}

size_t TIoLog::Count(TFileOperation operation) const {
    return size_t(std::count_if(Entries.begin(), Entries.end(),
                                [operation](const TEntry& e) { return e.Operation == operation; }));
}

uint32_t Marker(const TRecord& record) {
    return LoadLE32(&record.Image()[RecordPrefixSize]);
}

void SetMarker(TRecord& record, uint32_t value) {
    StoreLE32(&record.Image()[RecordPrefixSize], value);
    record.SetModified();
}

std::vector<uint32_t> AppendRecords(TDataFile& file, size_t count) {
    std::vector<uint32_t> numbers;
    for (size_t i = 0; i < count; ++i) {
        TRecord* record = file.AllocateRecord(nullptr);
        record->Clear(true);
        SetMarker(*record, record->RecordNumber());
        numbers.push_back(record->RecordNumber());
        file.ReleaseRecord(*record);
    }
    return numbers;
}

} // namespace vorsam::test
