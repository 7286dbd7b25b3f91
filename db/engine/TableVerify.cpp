#include "db/engine/TableVerify.h"

#include "db/engine/DataFile.h"
#include "db/engine/DataFileValidation.h"
#include "db/engine/DataTable.h"
#include "db/engine/IndexVerify.h"
#include "db/lib/ByteUtils.h"
#include "db/lib/DataTypes.h"
#include "db/lib/EngineErrors.h"

#include <algorithm>
#include <unordered_map>

namespace vorsam {

namespace {

std::string RecordText(uint32_t n) {
    return "record " + std::to_string(n) + ": ";
}

bool CheckHeader(TDataFile& file, TVerifyReport& report) {
    std::vector<TFieldDescriptor> fields = file.FieldDescriptors();
    const TDataFileHeader& header = file.Header();
    if (header.FieldCount() > MaxFieldCount || fields.size() != header.FieldCount()) {
        report.Add("header: field count " + std::to_string(header.FieldCount()));
        return false;
    }
    if (TLayoutBreach breach =
            CheckDataFileLayout(header, fields, file.GetFileSize(), file.HasUnwrittenSlots())) {
        report.Add("header: " + breach.Reason);
        return false;
    }
    auto blobFields = size_t(std::count_if(fields.begin(), fields.end(),
                                           [](const TFieldDescriptor& f) { return f.DataType() == dtBlob; }));
    if (blobFields != header.BlobFieldCount() || blobFields > MaxBlobFieldCount)
        report.Add("header: blob field count " + std::to_string(header.BlobFieldCount()) + ", fields give " +
                   std::to_string(blobFields));
    return true;
}

void CheckFreeChain(TDataFile& file, const std::unordered_map<uint32_t, uint32_t>& links,
                    TVerifyReport& report) {
    std::vector<bool> seen(file.GetRecordCount() + 1);
    for (uint32_t n = file.Header().FreeChainHead(); n != 0; n = links.at(n)) {
        if (n >= seen.size()) return report.Add("free chain: record " + std::to_string(n) + " out of range");
        if (seen[n]) return report.Add("free chain: cycle at record " + std::to_string(n));
        if (!links.contains(n))
            return report.Add("free chain: record " + std::to_string(n) + " is not deleted");
        seen[n] = true;
        ++report.FreeChainLength;
    }
    if (!file.Owner().RecordOrder() && report.FreeChainLength != report.DeletedRecords)
        report.Add("free chain: holds " + std::to_string(report.FreeChainLength) + " of " +
                   std::to_string(report.DeletedRecords) + " deleted records");
}

} // namespace

bool IsDamage(const EVORSAMEngineError& error) {
    switch (error.ErrorCode) {
    case VORSAM_READERR: // a read that found the file ending early; one the system failed has its error
        return error.OSErrorCode == 0;
    case VORSAM_KEYORRECDELETED:
    case VORSAM_ENDOFBLOB:
    case VORSAM_HEADERCORRUPT:
    case VORSAM_FILECORRUPT:
    case VORSAM_INDEXCORRUPT:
    case VORSAM_MEMOCORRUPT:
    case VORSAM_OLDVERSION:
    case VORSAM_UNCOMPRESS:
    case VORSAM_WRITEINTERRUPTED:
    case VORSAM_TABLEFULL:
    case VORSAM_RECTOOBIG:
    case VORSAM_INVALIDBLOBLEN:
        return true;
    default:
        return false;
    }
}

void VerifyDataFile(TDataFile& file, TVerifyReport& report) {
    if (!CheckHeader(file, report)) return;
    std::unordered_map<uint32_t, uint32_t> links; // deleted record -> its free-chain link
    try {
        file.ForEachRecord([&](const TRecord& record) {
            uint32_t n = record.RecordNumber();
            if (record.Status() == RecordActive) {
                ++report.ActiveRecords;
            } else if (record.Status() == RecordDeleted) {
                ++report.DeletedRecords;
                links[n] = record.GetNextFree();
            } else {
                report.Add(RecordText(n) + "status " + std::to_string(record.Status()));
            }
        });
    } catch (const EVORSAMEngineError& e) {
        if (!IsDamage(e)) throw;
        return report.Add(std::string("records: ") + e.what());
    }
    CheckFreeChain(file, links, report);
}

void VerifyCountersAfterInterruptedWrite(TDataFile& file, TVerifyReport& report) {
    const uint32_t lastAutoInc = file.GetLastAutoIncValue(), lastSequence = file.Header().LastBlobSequence();
    std::vector<const TFieldDescriptor*> blobs;
    for (const TFieldDescriptor& field : file.FieldDescriptors())
        if (field.DataType() == dtBlob && !field.Computed()) blobs.push_back(&field);
    file.ForEachActiveRecord([&](uint32_t n, std::span<const uint8_t> image) {
        if (uint32_t value = LoadLE32(&image[AutoIncValueOffset]); value > lastAutoInc)
            report.Add(RecordText(n) + "auto-increment value " + std::to_string(value) + " above the last, " +
                       std::to_string(lastAutoInc));
        for (const TFieldDescriptor* field : blobs)
            if (uint32_t sequence = LoadLE32(&image[field->Offset() + 5]); sequence > lastSequence)
                report.Add(RecordText(n) + "blob sequence " + std::to_string(sequence) + " above the last, " +
                           std::to_string(lastSequence));
    });
}

TVerifyReport VerifyTable(TDataTable& table) {
    return VerifyTable(table, TIndexVerifyOptions{});
}

TVerifyReport VerifyTable(TDataTable& table, const TIndexVerifyOptions& options) {
    TVerifyReport report;
    try {
        TTableRead read(table);
        VerifyTableFiles(table, report, options);
    } catch (const EVORSAMEngineError& e) {
        if (!IsDamage(e)) throw;
        report.Add(std::string("table: ") + e.what());
    }
    return report;
}

void VerifyTableFiles(TDataTable& table, TVerifyReport& report) {
    VerifyTableFiles(table, report, TIndexVerifyOptions{});
}

namespace {

// The index and blob file hold no more than their headers count (the data file's share checks its own),
// unless a write that never ended left its mark: only such a write leaves more, which the next writer
// cuts.
void CheckFileEnds(TDataTable& table, TVerifyReport& report) {
    if (table.DataFile().WriteInterrupted()) return;
    auto check = [&](TTableFile& file, uint64_t end, const char* what) {
        if (file.HasPendingTruncation()) return;
        if (uint64_t size = file.GetFileSize(); size > end)
            report.Add(std::string(what) + ": " + std::to_string(size - end) + " bytes beyond the " +
                       std::to_string(end) + " its header counts");
    };
    check(table.IndexFile(), table.IndexFile().ContentEnd(), "index file");
    if (table.HasBlobFile()) check(table.BlobFile(), table.BlobFile().ContentEnd(), "blob file");
}

} // namespace

void VerifyTableFiles(TDataTable& table, TVerifyReport& report, const TIndexVerifyOptions& options) {
    VerifyDataFile(table.DataFile(), report);
    if (!report.Ok()) return;
    CheckFileEnds(table, report);
    for (std::string& problem :
         VerifyIndexFile(table.IndexFile(), table.KeyInfo(), &table.DataFile(), options))
        report.Add(std::move(problem));
    if (table.HasBlobFile()) {
        std::vector<TBlobReference> references = CollectBlobReferences(table.DataFile());
        VerifyBlobFile(table.BlobFile(), report, &references);
    }
}

} // namespace vorsam
