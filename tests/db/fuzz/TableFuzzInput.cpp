#include "TableFuzzInput.h"

#include "TableScan.h"

#include "db/lib/ByteUtils.h"
#include "db/lib/DataTypes.h"
#include "db/lib/FileHandler.h"
#include "db/lib/FileList.h"
#include "db/lib/LibraryGlobals.h"

#include <algorithm>

namespace vorsam::test {

namespace {

constexpr const char* FuzzTableName = "FUZZ";
constexpr const char* Extensions[] = {".DAT", ".IDX", ".BLB"};
constexpr size_t FrameSize = 8;

std::unique_ptr<TFileHandler> MemoryFile(const std::string& name) {
    auto handler = std::make_unique<TFileHandler>();
    handler->SetFileName(name);
    handler->SetInMemory(true);
    return handler;
}

// The files of the in-memory fuzz table; deleted again when it goes.
class TMemoryTableFiles {
public:
    explicit TMemoryTableFiles(const TTableFiles& files) {
        for (size_t i = 0; i < files.size(); ++i) {
            if (i == 2 && files[i].empty()) break;
            auto handler = MemoryFile(std::string(FuzzTableName) + Extensions[i]);
            handler->CreateFile();
            if (!files[i].empty()) handler->WriteBuffer(files[i].data(), files[i].size());
            handler->Close();
            handlers_.push_back(std::move(handler));
        }
    }
    ~TMemoryTableFiles() {
        for (auto& handler : handlers_) {
            try {
                handler->DeleteFile();
            } catch (const EVORSAMEngineError&) {
                // a file still open is a fault the run has already shown
            }
        }
    }
    TMemoryTableFiles(const TMemoryTableFiles&) = delete;
    TMemoryTableFiles& operator=(const TMemoryTableFiles&) = delete;

private:
    std::vector<std::unique_ptr<TFileHandler>> handlers_;
};

EngineSettings FuzzSettings() {
    EngineSettings settings;
    settings.LockTries = 3; // nothing else holds a lock: a refusal is an answer, never a wait
    return settings;
}

// The first active record among the first slots, deleted and appended again twice (its blob handles
// cleared: the deletion freed its blobs); each write may be refused with an engine error.
void RewriteFirstRecord(TDataTable& table) {
    constexpr uint32_t SlotsLooked = 1000;
    TDataFile& file = table.DataFile();
    std::vector<uint8_t> image;
    uint32_t number = 0;
    {
        TTableRead read(table);
        for (uint32_t n = 1; n <= file.GetRecordCount() && n <= SlotsLooked && number == 0; ++n) {
            TPinnedRecord record(file.GetRecord(nullptr, n));
            if (record->Status() != RecordActive) continue;
            image.assign(record->Image().begin(), record->Image().end());
            number = n;
        }
    }
    if (number == 0) return;
    table.DeleteRecord(number);
    for (const TFieldDescriptor& field : file.FieldDescriptors())
        if (field.DataType() == dtBlob && size_t(field.Offset()) + 9 <= image.size())
            std::fill_n(image.begin() + field.Offset() + 1, 8, 0);
    for (int copy = 0; copy < 2; ++copy) {
        try {
            table.AppendRecord(image);
        } catch (const EVORSAMEngineError&) {
            // a key violation, a value out of bounds: a refusal leaves the table as it was
        }
    }
}

// The write step of a run on the table, open again: the problems of the check after it, or of the
// engine error it ended with.
std::vector<std::string> WriteAndCheck(TDataTable& table) {
    try {
        table.Open();
        RewriteFirstRecord(table);
        std::vector<std::string> problems = VerifyTable(table).Problems;
        table.Close();
        return problems;
    } catch (const EVORSAMEngineError& e) {
        return {std::string("write: ") + e.what()};
    }
}

} // namespace

std::string PackTableFiles(const TTableFiles& files) {
    std::string input(FrameSize, '\0');
    StoreLE32(reinterpret_cast<uint8_t*>(&input[0]), uint32_t(files[0].size()));
    StoreLE32(reinterpret_cast<uint8_t*>(&input[4]), uint32_t(files[1].size()));
    return input + files[0] + files[1] + files[2];
}

TTableFiles UnpackTableFiles(std::span<const uint8_t> input) {
    TTableFiles files;
    if (input.size() < FrameSize) return files;
    std::span<const uint8_t> rest = input.subspan(FrameSize);
    for (size_t i = 0; i < 2; ++i) {
        size_t length = std::min<size_t>(LoadLE32(&input[4 * i]), rest.size());
        files[i].assign(rest.begin(), rest.begin() + length);
        rest = rest.subspan(length);
    }
    files[2].assign(rest.begin(), rest.end());
    return files;
}

TFuzzOutcome RunTableInput(std::span<const uint8_t> input, std::string* problems) {
    TMemoryTableFiles files(UnpackTableFiles(input));
    EngineSettings settings = FuzzSettings();
    TDataTable table(settings, TTableLocation{"", FuzzTableName, true, "Memory"});
    try {
        table.Open();
    } catch (const EVORSAMEngineError& e) {
        if (problems) *problems = e.what();
        return TFuzzOutcome::Refused;
    }
    TScanReport report = ScanTable(table);
    CloseAndWalkWithCursor(table, report);
    if (problems) *problems = report.Text();
    if (report.Verify.Ok() && !report.WalksOk()) return TFuzzOutcome::Unnoticed;
    std::vector<std::string> afterWrite = WriteAndCheck(table);
    if (!report.Ok()) return TFuzzOutcome::Damaged;
    if (afterWrite.empty()) return TFuzzOutcome::Sound;
    if (problems)
        for (const std::string& problem : afterWrite) *problems += "after the write: " + problem + "\n";
    return TFuzzOutcome::BrokenByWrite;
}

TFuzzOutcome RepairTableInput(std::span<const uint8_t> input, std::string* problems) {
    TMemoryTableFiles files(UnpackTableFiles(input));
    EngineSettings settings = FuzzSettings();
    TDataTable table(settings, TTableLocation{"", FuzzTableName, true, "Memory"});
    try {
        table.Repair();
    } catch (const EVORSAMEngineError& e) {
        if (problems) *problems = e.what();
        return TFuzzOutcome::Refused;
    }
    try {
        table.Open();
    } catch (const EVORSAMEngineError& e) {
        if (problems) *problems = std::string("open after the repair: ") + e.what();
        return TFuzzOutcome::Damaged;
    }
    TScanReport report = ScanTable(table);
    CloseAndWalkWithCursor(table, report);
    if (problems) *problems = report.Text();
    return report.Ok() ? TFuzzOutcome::Sound : TFuzzOutcome::Damaged;
}

TTableFiles ReadMemoryTableFiles(const std::string& name) {
    TTableFiles files;
    for (size_t i = 0; i < files.size(); ++i) {
        auto handler = MemoryFile(name + Extensions[i]);
        if (i == 2 && !GetFileList().Exists(handler->FileName(), true)) break;
        handler->Open();
        files[i].resize(handler->GetFileSize());
        handler->ReadBuffer(files[i].data(), files[i].size());
    }
    return files;
}

} // namespace vorsam::test
